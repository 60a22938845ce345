// Database-file operations of the overview without its window: new
// databases with the fixed template and the project list (the transfers and
// backup names are the engine's, engine/DbTransfer.h).
#pragma once

#include "engine/DbTransfer.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace sky {

class ProgressSink;

// The statements every new database gets.
inline const QString kNewDatabaseTemplate = QStringLiteral(
    "PRAGMA encoding = \"UTF-8\";  \r\nPRAGMA application_id=5174; \r\nPRAGMA foreign_keys=1;      "
    "\r\nPRAGMA temp_store=2;        \r\nPRAGMA page_size=4096;  \r\nVACUUM;                 "
    "\r\nPRAGMA "
    "journal_mode=WAL;\r\n");

// The name a chosen new database gets: ".sqlitedb" appended when it has no extension.
QString NewDatabaseName(const QString& chosen);
// Creates the database: an existing file of that name (and its -wal, -shm
// and -journal companions) is removed first unless isOpen says a workspace
// holds it; then the template runs on the fresh file. False with the reason
// in error ("DB Error - ..." for engine failures).
bool CreateNewDatabase(const QString& file, const std::function<bool(const QString&)>& isOpen,
                       QString& error);

// The project names ("DBProjects"): the default project always present,
// sorted; a new name whose key equals an existing project's key selects that
// project instead of adding another that would share its lists.
class ProjectList {
public:
    void Load();
    bool Save() const;
    const QStringList& Names() const { return FNames; }
    void SetNames(const QStringList& names);
    // The project the name stands for after adding it (existing or new).
    QString Add(const QString& name, bool& added);
    // Removes a project other than the default; false when it is the default.
    bool Remove(const QString& name);

private:
    void Normalise();
    QStringList FNames;
};

} // namespace sky
