// The database file-header probe: reads the 100-byte header of an SQLite
// file through SQLite's file layer (so the locks of open connections are
// kept), without reading the database itself, and reports the file's state
// (ready, missing, locked, ...) for the overview window.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace sky {

// The bytes SQLite is given for a file name: the name as the file system
// spells it, with "./" before a relative name that the engine would
// otherwise read as a URI ("file:...").
QByteArray EngineFileName(const QString& name);

// The on-disk header fields in file order, converted to host byte order,
// followed by what the probe learns about the file itself.
struct TSQLite3FileHeader {
    char Ident[16] = {}; // "SQLite format 3" and a zero byte
    // Page size as stored: 512..32768, or 1 for 65536 (the value does not fit
    // in 16 bits). Callers that need the byte count must map 1 to 65536.
    quint16 PageSize = 0;
    quint8 FileFormatWriteVer = 0;
    quint8 FileFormatReadVer = 0;
    quint8 UnusedPageBytes = 0;
    quint8 MaxPayload = 0;  // 64 in every valid file
    quint8 MinPayload = 0;  // 32 in every valid file
    quint8 LeafPayload = 0; // 32 in every valid file
    quint32 FileChangeCounter = 0;
    quint32 PagesInDB = 0;
    quint32 FirstFreelistTrunkPage = 0;
    quint32 TotalFreelistPages = 0;
    quint32 SchemaCookie = 0;
    quint32 SchemaFormat = 0;
    quint32 DefaultPageCache = 0;
    quint32 LargestRootBTree = 0;
    quint32 DBTextEncoding = 0; // 1 UTF-8, 2 UTF-16le, 3 UTF-16be
    quint32 UserVersion = 0;
    quint32 IncrementalVacuumMode = 0;
    quint32 ApplicationID = 0;
    quint8 Reserved[20] = {};
    quint32 VersionValidForNo = 0;
    quint32 SQLiteVersionNo = 0;

    // 0 ready, 1 inaccessible, 2 missing, 3 locked, -1 invalid.
    qint32 Status = 0;
    qint32 userInt = 0; // free for the caller; the probe sets it to 0
    qint64 FileSize = 0;
    QDateTime Modified;
    QString StatusText;
};

// Fills Header from the file's first 100 bytes and sets Status/StatusText.
// Never throws and never blocks: only regular files are opened and read.
// An empty file is Ready (SQLite treats it as an empty database); a file of
// 1..100 bytes, a wrong magic, wrong payload fractions or anything that is
// not a regular file is Invalid; a file that cannot be opened or read is
// Locked; a missing file is Missing when its folder exists (or the name has
// no folder part) and Inaccessible otherwise.
void ReadDBFileHeader(const QString& FileName, TSQLite3FileHeader& Header);

// "Ready", "Inaccessible", "Missing", "Locked", "Invalid"; other values "*Error*".
QString FileStatusText(int status);

} // namespace sky
