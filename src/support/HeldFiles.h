// Which files the database connections of this process hold open.
//
// On Linux, closing any descriptor of a file drops every POSIX lock the
// process holds on it, so a database file that a connection of ours holds
// (or its -wal, -shm or -journal companion) must never be opened, copied,
// renamed or deleted except through SQLite. Connections register as holders
// while they are open; everyone else asks IsHeldDatabaseFile() before
// touching a file. Files are compared by device and inode, so another path to
// the same file (a link, a relative name) is recognised too.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace sky {

// An open connection: the file names (as bytes) of every database it has
// open, attached ones included. Called from the UI thread only.
class FileHolder {
public:
    virtual ~FileHolder() = default;
    virtual QList<QByteArray> HeldFiles() const = 0;
};

void RegisterFileHolder(const FileHolder* holder);
void UnregisterFileHolder(const FileHolder* holder);

// True when path is a database file, or its -wal, -shm or -journal file,
// that a registered holder has open.
bool IsHeldDatabaseFile(const QString& path);
bool IsHeldDatabaseFile(const QByteArray& path);

// The error text for an operation refused because the file is held.
QString HeldFileError(const QString& path);

// True when writing out would replace file (the same file by device and
// inode, or its -journal, -wal or -shm companion by name).
bool ReplacesFile(const QString& out, const QString& file);

} // namespace sky
