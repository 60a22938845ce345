// Copies of whole database files, shared by the overview and the workspace:
// the quick-backup file's name, a file's time as the backup questions show
// it, and the page-by-page transfer with progress and cancel. A transfer to
// a new file writes a temporary file beside it, renamed into place only when
// complete; onto an existing file the engine's backup replaces the content
// in one write transaction, so a cancel, a lock or a failure leaves the old
// content whole.
#pragma once

#include <QString>

namespace sky {

class ProgressSink;

// The quick-backup file of a database: its extension replaced by ".dbBackup".
QString QuickBackupName(const QString& database);
bool IsQuickBackup(const QString& database);
// The file's modification time as "hh:nn on dd mmm yyyy" (English month
// names); empty when the file has none to read.
QString FileTimeText(const QString& file);

// Copies source onto target with the engine's backup, reporting
// "Transferring Page n of m" and stopping when the sink is cancelled. False
// with the status text of the failure: "Error accessing the Target folder",
// "Error opening Source: ...", "Error: ..." ("Error: Back-up Aborted by User"
// after a cancel).
bool TransferDatabase(const QString& source, const QString& target, ProgressSink* progress,
                      QString& error, const QString& targetSchema = QString(),
                      const QString& sourceSchema = QString());

class TSQLite3Database;

// VACUUM INTO a new file: written under a temporary name beside target and
// renamed into place once complete; an existing target is refused and left
// alone. False with the status text.
bool VacuumIntoFile(TSQLite3Database& db, const QString& target, QString& error);

} // namespace sky
