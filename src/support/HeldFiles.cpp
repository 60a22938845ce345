#include "support/HeldFiles.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace sky {
namespace {

const char* const kCompanions[] = {"", "-wal", "-shm", "-journal"};

std::vector<const FileHolder*>& Holders() {
    static std::vector<const FileHolder*> holders;
    return holders;
}

bool SameFile(const struct stat& a, const QByteArray& path) {
    struct stat b;
    return ::stat(path.constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

void RegisterFileHolder(const FileHolder* holder) {
    auto& h = Holders();
    if (std::find(h.begin(), h.end(), holder) == h.end()) h.push_back(holder);
}

void UnregisterFileHolder(const FileHolder* holder) {
    auto& h = Holders();
    h.erase(std::remove(h.begin(), h.end(), holder), h.end());
}

bool IsHeldDatabaseFile(const QByteArray& path) {
    if (path.isEmpty() || Holders().empty()) return false;
    struct stat st;
    if (::stat(path.constData(), &st) != 0) return false; // nothing there to hold
    for (const FileHolder* holder : Holders())
        for (const QByteArray& file : holder->HeldFiles())
            for (const char* suffix : kCompanions)
                if (SameFile(st, file + suffix)) return true;
    return false;
}

bool IsHeldDatabaseFile(const QString& path) {
    return IsHeldDatabaseFile(QFile::encodeName(path));
}

QString HeldFileError(const QString& path) {
    return QStringLiteral("The file is open as a database in this program: ") + path;
}

bool ReplacesFile(const QString& out, const QString& file) {
    struct stat a, b;
    if (::stat(QFile::encodeName(out).constData(), &a) == 0 &&
        ::stat(QFile::encodeName(file).constData(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
        return true;
    const QString o = QFileInfo(out).absoluteFilePath();
    const QString f = QFileInfo(file).absoluteFilePath();
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        if (o == f + QLatin1String(suffix)) return true;
    return false;
}

} // namespace sky
