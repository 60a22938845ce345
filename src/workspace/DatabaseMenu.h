// The workspace's "Database      " menu as data: its items in order, the
// three menus made from lists (recent databases, attached databases, recent
// extensions), and the small rules of its operations (attach identifiers,
// import routing, proposed names, the new-script text). The operations
// themselves are WorkspaceController's (WorkspaceDatabaseMenu.cpp).
#pragma once

#include "workspace/TreeMenus.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;

// The menu's own actions (items of windows still to come carry the tree
// menus' actions and readiness flags).
namespace act {
inline const QString kOpenAnother = QStringLiteral("db-open-another");
inline const QString kAttachFile = QStringLiteral("db-attach:0");
inline const QString kAttachMemory = QStringLiteral("db-attach:1");
inline const QString kAttachTemporary = QStringLiteral("db-attach:2");
inline const QString kAttachListed = QStringLiteral("db-attach-listed:"); // + file
inline const QString kLoadExtension = QStringLiteral("db-extension:0");
inline const QString kShowExtensionSql = QStringLiteral("db-extension:1");
inline const QString kLoadListedExtension = QStringLiteral("db-load-extension:"); // + file
inline const QString kListedExtensionSql = QStringLiteral("db-extension-sql:");   // + file
inline const QString kSaveAs = QStringLiteral("db-save-as");
inline const QString kExportDatabase = QStringLiteral("db-export-script");
inline const QString kScriptPrevious = QStringLiteral("db-script:previous");
inline const QString kScriptNew = QStringLiteral("db-script:new");
inline const QString kScriptClipboard = QStringLiteral("db-script:clipboard");
inline const QString kScriptFile = QStringLiteral("db-script:file");
inline const QString kSchemaListing = QStringLiteral("db-schema");
inline const QString kCheckSchema = QStringLiteral("db-check-schema");
inline const QString kSchemaDocumentation = QStringLiteral("db-schema-doc");
inline const QString kAnalyzeAll = QStringLiteral("db-maintain:0");
inline const QString kReindexAll = QStringLiteral("db-maintain:1");
inline const QString kVacuum = QStringLiteral("db-vacuum");
inline const QString kReleaseMemory = QStringLiteral("db-release-memory");
inline const QString kNewEmptyDatabase = QStringLiteral("db-new-empty");
inline const QString kNewFromTable = QStringLiteral("db-new-from-table");
inline const QString kQuickBackup = QStringLiteral("db-quick-backup");
inline const QString kFullBackup = QStringLiteral("db-full-backup");
inline const QString kQuickRestore = QStringLiteral("db-quick-restore");
inline const QString kFullRestore = QStringLiteral("db-full-restore");
inline const QString kSortTables = QStringLiteral("db-sort-tables"); // the window's own submenu
inline const QString kShowOverview = QStringLiteral("db-overview");
inline const QString kOpenInFolder = QStringLiteral("db-open-in-folder");
inline const QString kClose = QStringLiteral("db-close");
} // namespace act

// An attached database: its schema name and file ("" for a temporary one).
struct AttachedDb {
    QString name, file;
};
// The databases of the connection other than main and temp, read as values.
QList<AttachedDb> AttachedDatabases(TSQLite3Database& db);
// The schema names of "PRAGMA database_list" (main, temp and the attached).
QStringList SchemaNames(TSQLite3Database& db);

// What the Database menu shows besides the readiness flags.
struct DatabaseMenuLists {
    QStringList files;          // fFiles
    QList<AttachedDb> attached; // the attached databases
    QStringList extensions;     // fExts
};
MenuModel DatabaseMenu(const TreeMenuContext& c, const DatabaseMenuLists& lists);
// "Recent Databases": at most 20 files, the first the default item.
MenuModel RecentDatabasesMenu(const QStringList& files, const TreeMenuContext& c);
// "Attached Databases": one submenu per attached database; disabled when
// nothing is attached.
MenuModel AttachedDatabasesMenu(const QList<AttachedDb>& attached, const TreeMenuContext& c);
// "Recent Extensions": at most 24 libraries, the first the default item.
MenuModel RecentExtensionsMenu(const QStringList& extensions);

// "DB2", or the next free "DBn" (names compared ignoring case).
QString ProposeAttachIdentifier(const QStringList& schemaNames, const QString& from = QString());
// The listed file's name without folder and extension, ASCII letters and
// digits only ("my data.db" gives "mydata"), a two-digit running number
// appended while taken ("mydata01"); "DB2"-style when nothing is left.
QString ProposeListedAttachName(const QString& file, const QStringList& schemaNames);
bool SchemaNameTaken(const QStringList& schemaNames, const QString& name);
// The attach statement shown in the editor: the file as an SQL string, the
// identifier between the template's bars.
QString AttachShowSql(const QString& file, const QString& identifier);
// "SELECT load_extension('path');" with the quotes of the path doubled, and
// where the caret goes (before "');").
QString LoadExtensionSql(const QString& library, qsizetype* caret = nullptr);

// Attaches file (bound as a parameter: any name) as schema `identifier`
// (quoted here). False with the engine's error.
bool AttachFile(TSQLite3Database& db, const QString& file, const QString& identifier,
                QString& error);
// The CREATE statement of a table of main; empty when there is none.
QString TableCreateSql(TSQLite3Database& db, const QString& table);
// Makes way for a database made from a table: never db's own file or one
// attached to it (canonical paths), never a file a connection of this
// program holds; an existing file goes with its "-journal", "-wal" and
// "-shm". False with the status text.
bool ClearNewDatabaseTarget(TSQLite3Database& db, const QString& dbFile, const QString& target,
                            QString& status);
// Fills a new database (target's connection) from oldFile's table: oldFile
// attached as "PrevUsedDatabase", then the statement and the rows in one
// transaction. False with the status text.
bool CopyTableFrom(TSQLite3Database& target, const QString& oldFile, const QString& table,
                   const QString& create, QString& status);

// Files up to this size go to the CSV import window (the menu says "<5MB").
inline constexpr qint64 kCsvImportLimit = 6291455;
enum class ImportRoute { Csv, File };
ImportRoute RouteImport(qint64 size, int tag);
// The file name without folder and extension, lower-cased, ASCII letters
// and digits only.
QString ProposedImportTableName(const QString& file);

// A new script's text; variant 0 for "New empty Script", 1 for a new script
// instead of missing clipboard text.
QString NewScriptText(const QDateTime& now, int variant);

} // namespace sky
