#include "support/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace sky {
namespace {

QString WithSlash(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

// A directory that is ours alone: not a link, owned by us, no access for others.
bool IsPrivateDir(const QString& path) {
    struct stat st {};
    const QByteArray p = QFile::encodeName(path);
    if (lstat(p.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return false;
    if ((st.st_mode & 077) != 0 && chmod(p.constData(), 0700) != 0) return false;
    return true;
}

} // namespace

QString ProgramDir() {
    if (!QCoreApplication::instance()) return QString();
    return WithSlash(QCoreApplication::applicationDirPath());
}

QString ProgramName() {
    if (!QCoreApplication::instance()) return QStringLiteral("skylark");
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString SettingsDir() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return WithSlash(base) + QStringLiteral("skylark/");
}

QString ScratchDir() {
    static QString cached;
    if (!cached.isEmpty() && IsPrivateDir(cached)) return cached;
    const QString fixed =
        QDir::tempPath() + QStringLiteral("/skylark-") + QString::number(getuid());
    const QByteArray p = QFile::encodeName(fixed);
    mkdir(p.constData(), 0700);
    if (IsPrivateDir(fixed)) {
        cached = WithSlash(fixed);
        return cached;
    }
    // Someone else holds the fixed name: a fresh private folder instead.
    QByteArray tmpl = QFile::encodeName(fixed + QStringLiteral("-XXXXXX"));
    if (mkdtemp(tmpl.data())) {
        cached = WithSlash(QFile::decodeName(tmpl));
        return cached;
    }
    return QString();
}

QString CacheDir() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
    const QString dir = base + QStringLiteral("/skylark");
    QDir().mkpath(base);
    const QByteArray p = QFile::encodeName(dir);
    mkdir(p.constData(), 0700);
    chmod(p.constData(), 0700);
    return QFileInfo(dir).isDir() ? WithSlash(dir) : QString();
}

QString DocumentsDir() {
    QString d = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (d.isEmpty()) d = QDir::homePath();
    return WithSlash(d);
}

bool EnsureFolders() {
    const bool settings = QDir().mkpath(SettingsDir());
    return settings && !ScratchDir().isEmpty();
}

QString InstanceMarkerName(const QString& programFileName) {
    QString r = QStringLiteral("KSAppInstanceCheck_");
    for (QChar c : programFileName)
        if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
            r += c.toUpper();
    return r;
}

QString FileVersionText() {
    return QStringLiteral(SKYLARK_FILE_VERSION);
}

} // namespace sky
