// The database file-header probe.
#include "engine/FileHeader.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>

namespace sky {
namespace {

constexpr int kHeaderSize = 100;
constexpr char kMagic[16] = "SQLite format 3"; // with its terminating zero byte

enum : qint32 {
    stReady = 0,
    stInaccessible = 1,
    stMissing = 2,
    stLocked = 3,
    stInvalid = -1,
};

quint16 Be16(const unsigned char* p) {
    return static_cast<quint16>((p[0] << 8) | p[1]);
}

quint32 Be32(const unsigned char* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

QDateTime ModifiedOf(const struct stat& st) {
    return QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                          st.st_mtim.tv_nsec / 1000000);
}

// Status of a name that stat() could not find: Missing when the folder part
// is empty or an existing folder, Inaccessible otherwise.
qint32 AbsentStatus(const QString& name, int err) {
    if (err != ENOENT) return stInaccessible; // a path component is no folder or not searchable
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return stMissing;
    const QByteArray folder = slash == 0 ? QByteArray("/") : QFile::encodeName(name.left(slash));
    struct stat st;
    return ::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode) ? stMissing : stInaccessible;
}

void Decode(const unsigned char* b, TSQLite3FileHeader& h) {
    std::memcpy(h.Ident, b, sizeof h.Ident);
    h.PageSize = Be16(b + 16);
    h.FileFormatWriteVer = b[18];
    h.FileFormatReadVer = b[19];
    h.UnusedPageBytes = b[20];
    h.MaxPayload = b[21];
    h.MinPayload = b[22];
    h.LeafPayload = b[23];
    quint32* const ints[] = {
        &h.FileChangeCounter, &h.PagesInDB,    &h.FirstFreelistTrunkPage, &h.TotalFreelistPages,
        &h.SchemaCookie,      &h.SchemaFormat, &h.DefaultPageCache,       &h.LargestRootBTree,
        &h.DBTextEncoding,    &h.UserVersion,  &h.IncrementalVacuumMode,  &h.ApplicationID};
    const unsigned char* p = b + 24;
    for (quint32* v : ints) {
        *v = Be32(p);
        p += 4;
    }
    std::memcpy(h.Reserved, b + 72, sizeof h.Reserved);
    h.VersionValidForNo = Be32(b + 92);
    h.SQLiteVersionNo = Be32(b + 96);
}

// Fills the header of an existing path, whose stat() result is st, and
// returns its status.
//
// The file is read through SQLite's own file layer, never through a
// descriptor of ours: on Linux, closing any descriptor of a file drops every
// lock this process holds on it, so a probe would release the locks of an
// open workspace. SQLite keeps a descriptor open instead of closing it while
// another connection of the process holds a lock on the same file.
qint32 Probe(const QByteArray& path, const struct stat& st, TSQLite3FileHeader& h) {
    // Check the type before opening: opening a FIFO for reading would wait
    // for a writer, and devices or folders hold no database.
    h.Modified = ModifiedOf(st);
    if (!S_ISREG(st.st_mode)) return stInvalid;
    h.FileSize = st.st_size;

    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        path.constData(), &db,
        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE, nullptr);
    qint32 status = stLocked;
    sqlite3_file* file = nullptr;
    if (rc == SQLITE_OK &&
        sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file &&
        file->pMethods) {
        // The size comes from stat(): SQLite reports a 1-byte file as empty.
        const qint64 size = h.FileSize;
        unsigned char buf[kHeaderSize];
        if (size == 0) {
            status = stReady; // SQLite treats an empty file as an empty database
        } else if (size <= kHeaderSize) {
            status = stInvalid; // too short to hold a header
        } else if (const int r = file->pMethods->xRead(file, buf, kHeaderSize, 0); r == SQLITE_OK) {
            Decode(buf, h);
            if (std::memcmp(h.Ident, kMagic, sizeof kMagic) != 0)
                status = stInvalid;
            else
                status = h.MaxPayload == 64 && h.MinPayload == 32 ? stReady : stInvalid;
        } else {
            // A short read: the file was truncated meanwhile.
            status = r == SQLITE_IOERR_SHORT_READ ? stInvalid : stLocked;
        }
    }
    sqlite3_close_v2(db);
    return status;
}

} // namespace

QByteArray EngineFileName(const QString& name) {
    const QByteArray bytes = QFile::encodeName(name);
    return bytes.startsWith("file:") ? QByteArray("./") + bytes : bytes;
}

QString FileStatusText(int status) {
    switch (status) {
    case stReady:
        return QStringLiteral("Ready");
    case stInaccessible:
        return QStringLiteral("Inaccessible");
    case stMissing:
        return QStringLiteral("Missing");
    case stLocked:
        return QStringLiteral("Locked");
    case stInvalid:
        return QStringLiteral("Invalid");
    default:
        return QStringLiteral("*Error*");
    }
}

void ReadDBFileHeader(const QString& FileName, TSQLite3FileHeader& Header) {
    Header = TSQLite3FileHeader{};
    // The name is taken as given: on Linux, blanks are part of a file name.
    const QString& name = FileName;
    if (name.isEmpty()) {
        Header.Status = stInvalid;
    } else {
        const QByteArray path = EngineFileName(name);
        struct stat st;
        if (::stat(path.constData(), &st) == 0) {
            Header.Status = Probe(path, st, Header);
        } else {
            const int err = errno;
            Header.Status = AbsentStatus(name, err);
        }
    }
    Header.StatusText = FileStatusText(Header.Status);
}

} // namespace sky
