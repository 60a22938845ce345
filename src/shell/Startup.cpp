#include "shell/Startup.h"

#include "support/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace sky {

QString SQLiteInfoText(const QString& sourceId, const QString& libVersion) {
    return QStringLiteral("SQLite Info: \r  Release: ") + sourceId.left(10) +
           QStringLiteral("\r  Lib ver: ") + libVersion +
           QStringLiteral("\r  Lib:   libsqlite3.so\r  sqlite3_analyzer\r  sqlite3");
}

CommandLineFiles TakeCommandLineFiles(const QStringList& params, const QStringList& listed,
                                      const QString& currentDir) {
    CommandLineFiles r;
    const QDir base(currentDir);
    for (qsizetype i = 0; i < params.size(); ++i) {
        if (params[i].isEmpty()) continue;
        const QString file = QDir::cleanPath(base.absoluteFilePath(params[i]));
        const QFileInfo info(file);
        if (!info.exists() || !info.isFile()) continue;
        if (i == 0) r.open = file;
        if (listed.contains(file) || r.added.contains(file)) continue;
        r.added.append(file);
    }
    return r;
}

QStringList ThemeViewerArguments(int x, int y, const QString& caption, const QString& active,
                                 const QString& answerFile, const QStringList& names) {
    QStringList a;
    if (x > 0) a << QStringLiteral("x=") + QString::number(x);
    if (y > 0) a << QStringLiteral("y=") + QString::number(y);
    a << QStringLiteral("c=") + caption << QStringLiteral("a=") + active
      << QStringLiteral("f=") + answerFile << names.join(QLatin1Char(','));
    return a;
}

ThemeViewerRequest ParseThemeViewerArguments(const QStringList& args) {
    ThemeViewerRequest r;
    for (const QString& a : args) {
        const QString v = a.mid(2);
        if (a.startsWith(QLatin1String("x=")))
            r.x = v.toInt();
        else if (a.startsWith(QLatin1String("y=")))
            r.y = v.toInt();
        else if (a.startsWith(QLatin1String("c=")))
            r.caption = v;
        else if (a.startsWith(QLatin1String("a=")))
            r.active = v;
        else if (a.startsWith(QLatin1String("f=")))
            r.answerFile = v;
        else
            r.names = a.split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    return r;
}

QString ReadThemeAnswer(const QString& answerFile) {
    QString text;
    if (!ReadTextFile(answerFile, text)) return QString();
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.section(breaks, 0, 0).trimmed();
}

bool WriteThemeAnswer(const QString& answerFile, const QString& name) {
    return WriteFileAtomic(answerFile, name.toUtf8() + "\r\n");
}

} // namespace sky
