// The Database menu's operations: file transfers (backups, restores, save
// as), new databases, attaching, extensions, script exports, the script
// editor, the schema listing, ANALYZE / REINDEX / VACUUM, memory, and new
// tables from files or the clipboard. Each says in the status line how it
// went. Nothing typed or picked is written into SQL unquoted: file names are
// bound as parameters or written as SQL strings, schema names quoted.
#include "workspace/WorkspaceController.h"

#include "engine/DbTransfer.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/HeldFiles.h"
#include "support/Prompter.h"
#include "support/Settings.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"
#include "workspace/DatabaseMenu.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace sky {
namespace {

const QString kAlreadyBackup =
    QStringLiteral("The Opened DB is already a Backup - Please open a normal DB File.");
const QString kBusyText = QStringLiteral("Database Busy");
const QString kTransactionOpenText = QStringLiteral("Transaction is already opened.");
const QString kSaveDbTitle = QStringLiteral("Save DB File...");
const QString kSaveDbFilter = QStringLiteral("All files (*);;General DB files (*.*db)");
const QString kFindDbTitle = QStringLiteral("Find Database...");
const QString kFindDbFilter = QStringLiteral("Databases (*.*db);;All files (*)");
const QString kFindCsvTitle = QStringLiteral("Find CSV data file...");
const QString kFindCsvFilter = QStringLiteral("Text/CSV files (*.txt *.csv);;All files (*)");
const QString kFindExtTitle = QStringLiteral("Find SQLite Extension library...");
const QString kFindExtFilter = QStringLiteral("Library files (*.so);;All files (*)");
const QString kScriptFilter = QStringLiteral("Text Files (*.txt *.sql)");
const QString kFolderRights =
    QStringLiteral("Error Saving Database - Please check folder access rights.");
constexpr int kScriptBlock = 16384;

QString Quoted(const QString& s) {
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString Canonical(const QString& file) {
    const QFileInfo fi(file);
    const QString c = fi.canonicalFilePath();
    return c.isEmpty() ? fi.absoluteFilePath() : c;
}

// Adds the entry once, keeping the list sorted; true when it was added.
bool AddSorted(QStringList& list, const QString& entry) {
    if (list.contains(entry)) return false;
    list << entry;
    list.sort();
    return true;
}

} // namespace

// --- the menus

MenuModel WorkspaceController::DatabaseMenuModel() {
    DatabaseMenuLists lists;
    lists.files = fFiles;
    lists.extensions = fExts;
    if (!sql.IsBusy() && sql.IsOpen()) lists.attached = AttachedDatabases(sql);
    return DatabaseMenu(MenuContext(), lists);
}

bool WorkspaceController::RunDatabaseAction(const QString& action, FileChooser& files,
                                            ClipboardPort& clipboard) {
    // The window stays while an operation runs (a transfer lets events in);
    // a close asked for meanwhile comes after it.
    Operation op(*this);
    if (FTransferring) {
        SetStatus(QStringLiteral("Error: A file transfer is already in Progress"));
        return true;
    }
    if (action.startsWith(act::kAttachListed)) {
        AttachListed(action.mid(act::kAttachListed.size()));
        return true;
    }
    if (action.startsWith(act::kLoadListedExtension)) {
        LoadExtensionFile(action.mid(act::kLoadListedExtension.size()));
        return true;
    }
    if (action.startsWith(act::kListedExtensionSql)) {
        ShowExtensionSql(action.mid(act::kListedExtensionSql.size()));
        return true;
    }
    const QHash<QString, std::function<void()>> runs{
        {act::kAttach, [&] { Attach(0, files); }},
        {act::kAttachFile, [&] { Attach(0, files); }},
        {act::kAttachMemory, [&] { Attach(1, files); }},
        {act::kAttachTemporary, [&] { Attach(2, files); }},
        {act::kLoadExtension, [&] { ChooseExtension(false, files); }},
        {act::kShowExtensionSql, [&] { ChooseExtension(true, files); }},
        {act::kSaveAs, [&] { SaveDatabaseAs(files); }},
        {act::kExportDatabase, [&] { ExportDatabaseScript(files); }},
        {act::kExportScript, [&] { ExportTableScript(files); }},
        {act::kScriptPrevious, [&] { OpenScriptEditor(0, clipboard); }},
        {act::kScriptNew, [&] { OpenScriptEditor(1, clipboard); }},
        {act::kScriptClipboard, [&] { OpenScriptEditor(2, clipboard); }},
        {act::kScriptFile, [&] { OpenScriptEditor(3, clipboard); }},
        {act::kSchemaListing, [&] { ShowSchemaListing(); }},
        {act::kCheckSchema, [&] { FView.ShowDocumentation(sqlFile, true); }},
        {act::kSchemaDocumentation, [&] { FView.ShowDocumentation(sqlFile, false); }},
        {act::kAnalyzeAll, [&] { AnalyzeOrReindex(0); }},
        {act::kReindexAll, [&] { AnalyzeOrReindex(1); }},
        {act::kVacuum, [&] { Vacuum(); }},
        {act::kReleaseMemory, [&] { ReleaseMemory(); }},
        {act::kNewEmptyDatabase, [&] { NewEmptyDatabase(files); }},
        {act::kNewFromTable, [&] { NewDatabaseFromTable(files); }},
        {act::kQuickBackup, [&] { QuickBackup(); }},
        {act::kFullBackup, [&] { FullBackup(files); }},
        {act::kQuickRestore, [&] { QuickRestore(); }},
        {act::kFullRestore, [&] { FullRestore(files); }},
        {act::kImportClipboard, [&] { ImportFromClipboard(clipboard); }},
        {act::kImportSmall, [&] { ImportFromFile(0, files); }},
        {act::kImportLarge, [&] { ImportFromFile(1, files); }},
    };
    const auto run = runs.constFind(action);
    if (run == runs.constEnd()) return false;
    (*run)();
    return true;
}

// --- file transfers

bool WorkspaceController::TransferFile(const QString& source, const QString& target, bool reopen,
                                       const QString& targetSchema, const QString& sourceSchema) {
    if (FTransferring) {
        SetStatus(QStringLiteral("Error: A file transfer is already in Progress"));
        return false;
    }
    Operation op(*this);
    const QString from = source.isEmpty() ? sqlFile : source;
    // The target's folder before anything else (the dialog included).
    if (target.trimmed().isEmpty() || !QFileInfo(QFileInfo(target).absolutePath()).isDir()) {
        SetStatus(QStringLiteral("Error accessing the Target folder"));
        return false;
    }
    FTransferring = true;
    ProgressSink* p = FView.StartProgress(QStringLiteral("Transferring Database file..."));
    QString error;
    const bool ok = TransferDatabase(from, target, p, error, targetSchema, sourceSchema);
    if (p) FView.EndProgress(p);
    FTransferring = false;
    if (!ok) {
        SetStatus(error);
        return false;
    }
    if (reopen && QFileInfo::exists(target) && !SwitchToFile(target)) return false;
    SetStatus(QStringLiteral("Successfuly transferred Data to: ") + Quoted(target));
    return true;
}

bool WorkspaceController::SwitchToFile(const QString& file) {
    const QString before = sqlFile;
    auto lists = [this](const QString& f) {
        const QString id = QFileInfo(f).completeBaseName();
        ListLoad(fExts, QStringLiteral("DBEXT_") + id);
        ListLoad(fFiles, QStringLiteral("FILES_") + id);
    };
    sqlFile = file;
    lists(file);
    if (OpenDB()) return true;
    // The workspace stays on the file it had.
    const QString why = status;
    sqlFile = before;
    lists(before);
    OpenDB();
    SetStatus(why);
    return false;
}

bool WorkspaceController::RefuseWhileBusy() {
    if (sql.IsBusy()) {
        SetStatus(kBusyText);
        return true;
    }
    if (sql.TransactionOpen()) {
        SetStatus(kTransactionOpenText);
        return true;
    }
    return false;
}

bool WorkspaceController::QuickBackup() {
    SetStatus(QStringLiteral("Quick-Backup Database file..."));
    const QString target = QuickBackupName(sqlFile);
    if (target == sqlFile) {
        SetStatus(kAlreadyBackup);
        return false;
    }
    return TransferFile(sqlFile, target, false);
}

bool WorkspaceController::FullBackup(FileChooser& files) {
    SetStatus(QStringLiteral("Backup Database file..."));
    const QString target =
        files.SaveFile(kSaveDbTitle, kSaveDbFilter, sqlFile, QStringLiteral("sqlitedb"));
    if (target.isEmpty()) return false;
    return TransferFile(sqlFile, target, false);
}

bool WorkspaceController::Restore(const QString& from, const QString& question) {
    if (RefuseWhileBusy()) return false;
    const QString time = FileTimeText(from);
    if (time.isEmpty()) return false;
    if (!FPrompts.AskYesNo(QStringLiteral("WARNING:"),
                           question + time + QStringLiteral(". Continue?"), 30,
                           QStringLiteral("No"), QStringLiteral("Yes")))
        return false;
    if (!TransferFile(from, sqlFile, true)) return false;
    SetStatus(QStringLiteral("Success: DB Restored and Opened."));
    return true;
}

bool WorkspaceController::QuickRestore() {
    SetStatus(QStringLiteral("Quick-Restore Database file..."));
    if (IsQuickBackup(sqlFile)) {
        SetStatus(kAlreadyBackup);
        return false;
    }
    const QString backup = QuickBackupName(sqlFile);
    if (!QFileInfo(backup).isFile()) {
        SetStatus(
            QStringLiteral("There is no previously made Quick-Backup found for this database."));
        return false;
    }
    return Restore(backup, QStringLiteral("Quick-Restoring will revert all changes since "));
}

bool WorkspaceController::FullRestore(FileChooser& files) {
    SetStatus(QStringLiteral("Restoring Database from..."));
    const QString from = files.OpenFile(kFindDbTitle, kFindDbFilter, sqlFile);
    if (from.isEmpty() || !QFileInfo(from).isFile() || Canonical(from) == Canonical(sqlFile))
        return false;
    return Restore(from,
                   QStringLiteral("Restoring from this Backup will revert all changes since "));
}

bool WorkspaceController::SaveDatabaseAs(FileChooser& files) {
    if (RefuseWhileBusy()) return false; // an open transaction would be lost
    SetStatus(QStringLiteral("Saving Database as..."));
    const QString target =
        files.SaveFile(kSaveDbTitle, kSaveDbFilter, sqlFile, QStringLiteral("sqlitedb"));
    if (target.isEmpty()) return false;
    if (!TransferFile(sqlFile, target, true)) return false;
    SetStatus(QStringLiteral("New Database Saved and Opened."));
    return true;
}

// --- new databases

bool WorkspaceController::NewEmptyDatabase(FileChooser& files) {
    if (RefuseWhileBusy()) return false;
    SetStatus(QStringLiteral("Creating Empty Database..."));
    const QString file =
        files.SaveFile(kSaveDbTitle, kSaveDbFilter, sqlFile, QStringLiteral("sqlitedb"));
    if (file.isEmpty()) return false;
    {
        // Opening makes the file; an existing database opens unchanged.
        TSQLite3Database created;
        if (!created.Open(file)) {
            SetStatus(kFolderRights);
            return false;
        }
        created.Close();
    }
    if (!SwitchToFile(file)) {
        SetStatus(kFolderRights);
        return false;
    }
    if (FView.TableDesigner()) QuickNewTable();
    SetStatus(QStringLiteral("New Database Opened."));
    return true;
}

bool WorkspaceController::NewDatabaseFromTable(FileChooser& files) {
    const QString name = table.name;
    if (name.isEmpty() || table.type != 0 || !IsMainSchema(table.schema) || !sql.IsOpen())
        return false;
    if (RefuseWhileBusy()) return false;
    const QString create = TableCreateSql(sql, name);
    SetStatus(QStringLiteral("Creating new Database..."));
    if (create.isEmpty()) return false;
    const QString target =
        files.SaveFile(kSaveDbTitle, kSaveDbFilter, sqlFile, QStringLiteral("sqlitedb"));
    if (target.isEmpty()) return false;
    QString why;
    if (!ClearNewDatabaseTarget(sql, sqlFile, target, why)) {
        SetStatus(why);
        return false;
    }
    const QString old = sqlFile;
    if (!SwitchToFile(target)) {
        SetStatus(kFolderRights);
        return false;
    }
    SetStatus(QStringLiteral("New Database Saved and Opened."));
    if (!CopyTableFrom(sql, old, name, create, why)) {
        SetStatus(why);
        return false;
    }
    RefreshSchema();
    return true;
}

// --- attaching

bool WorkspaceController::AttachDatabase(const QString& file, const QString& identifier,
                                         QString& error) {
    return AttachFile(sql, file, identifier, error);
}

bool WorkspaceController::Attach(int tag, FileChooser& files) {
    const bool showOnly = (tag / 10) % 10 == 1;
    QString file;
    switch (tag % 10) {
    case 0:
        file = files.OpenFile(kFindDbTitle, kFindDbFilter,
                              opts.lastAttachedDB.isEmpty() ? sqlFile : opts.lastAttachedDB);
        if (file.isEmpty()) return false;
        break;
    case 1:
        file = QStringLiteral(":memory:");
        break;
    default:
        break; // a temporary database: no file
    }
    AddToQueryStack(editor.text);
    const QStringList names = SchemaNames(sql);
    const QString ask = QStringLiteral("Identifier for the attached Database:");
    QString prompt = ask;
    QString identifier = ProposeAttachIdentifier(names);
    for (;;) {
        const QString answer = TrimText(FPrompts.AskText(
            QStringLiteral("Attach Database as..."), prompt, identifier, {}, false, 60, QString()));
        if (answer.isEmpty()) return false;
        if (!SchemaNameTaken(names, answer)) {
            identifier = answer;
            break;
        }
        prompt = ask + QStringLiteral("\r(Identifier ") + Quoted(answer) +
                 QStringLiteral(" already exists, please use another)");
        identifier = ProposeAttachIdentifier(names, identifier);
    }
    // Only real files are remembered: never ":memory:" or a temporary one.
    if (tag % 10 == 0) {
        if (AddSorted(fFiles, file)) ListSave(fFiles, QStringLiteral("FILES_") + fFileID);
        opts.lastAttachedDB = file;
    }
    if (showOnly) {
        InsertSQLTemplate(AttachShowSql(file, identifier));
        return true;
    }
    QString error;
    if (!AttachDatabase(file, identifier, error)) {
        SetStatus(QStringLiteral("Error attaching Database: ") + error);
        return false;
    }
    RefreshSchema();
    return true;
}

bool WorkspaceController::AttachListed(const QString& file) {
    if (sql.IsBusy()) {
        SetStatus(QStringLiteral("Error opening Databse - Prior Query in Progress"));
        return false;
    }
    const QString shown = QFileInfo(file).fileName();
    auto failed = [&](const QString& error) {
        FPrompts.ShowNotice(QStringLiteral("Attach File Failed..."),
                            QStringLiteral("Failed to Attach: ") + file +
                                QStringLiteral("\rError: ") + error,
                            9, true);
        return false;
    };
    // A listed file that has gone would be made anew, empty.
    if (!QFileInfo(file).isFile()) return failed(QStringLiteral("the file does not exist"));
    const QString answer = TrimText(FPrompts.AskText(
        QStringLiteral("Attach File..."),
        QStringLiteral("Attaching File: ") + shown + QStringLiteral("\rDB Name to use:"),
        ProposeListedAttachName(file, SchemaNames(sql)), {}, false, 60, QString()));
    if (answer.isEmpty()) return false;
    QString error;
    if (!AttachDatabase(file, answer, error)) return failed(error);
    opts.lastAttachedDB = file;
    RefreshSchema();
    FPrompts.ShowNotice(QStringLiteral("Attach File Success"),
                        QStringLiteral("Attached ") + shown + QStringLiteral(" as DB ") +
                            Quoted(answer) + QLatin1Char('.'),
                        9, true);
    return true;
}

// --- extensions

bool WorkspaceController::ChooseExtension(bool showOnly, FileChooser& files) {
    const QString lib = files.OpenFile(kFindExtTitle, kFindExtFilter, sqlFile);
    if (lib.isEmpty()) return false;
    if (showOnly) {
        ShowExtensionSql(lib);
        return true;
    }
    return LoadExtensionFile(lib);
}

bool WorkspaceController::LoadExtensionFile(const QString& library) {
    const QString shown = QFileInfo(library).fileName();
    if (!QFileInfo(library).isFile()) {
        SetStatus(QStringLiteral("Load error - Invalid File: ") + shown);
        return false;
    }
    if (!sql.LoadExtension(library, QString())) {
        SetStatus(QStringLiteral("Extension load error: ") + sql.LastError());
        return false;
    }
    if (AddSorted(fExts, library)) ListSave(fExts, QStringLiteral("DBEXT_") + fFileID);
    SetStatus(QStringLiteral("Success loading extension ") + shown);
    return true;
}

void WorkspaceController::ShowExtensionSql(const QString& library) {
    qsizetype caret = 0;
    const QString text = LoadExtensionSql(library, &caret);
    AddToQueryStack(editor.text);
    editor.text = text;
    editor.selStart = editor.selEnd = caret;
    FView.EditorChanged();
}

// --- script exports

bool WorkspaceController::AskScriptFile(FileChooser& files, const QString& title, QString& file) {
    // The dialog leaves the overwrite question to the one below.
    file = files.SaveFileUnconfirmed(title, kScriptFilter, QFileInfo(sqlFile).completeBaseName(),
                                     QStringLiteral("sql"));
    if (file.isEmpty()) return false;
    if (QFileInfo::exists(file) &&
        !FPrompts.AskYesNo(QStringLiteral("Save to File..."),
                           QStringLiteral("The file already exists, Overwrite it?"), 30,
                           QStringLiteral("No"), QStringLiteral("Yes"))) {
        SetStatus(QStringLiteral("Export aborted by User..."));
        return false;
    }
    if (IsHeldDatabaseFile(file)) {
        SetStatus(QStringLiteral("File creation failed: ") + HeldFileError(file));
        return false;
    }
    return true;
}

bool WorkspaceController::ExportScript(FileChooser& files, const ScriptExport& e,
                                       const std::function<bool(QIODevice*)>& write) {
    Operation op(*this);
    QString file;
    if (!AskScriptFile(files, e.title, file)) return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        const QString why = out.errorString();
        FPrompts.ShowNotice(QStringLiteral("File Create Error"),
                            e.createError + Quoted(file) + QStringLiteral(":\r") + why, 9, true);
        SetStatus(QStringLiteral("File creation failed: ") + why);
        return false;
    }
    FView.BusyNotice(e.notice, QStringLiteral("This may take some time, Please wait..."));
    bool ok = false;
    try {
        ok = write(&out);
    } catch (const std::exception& x) {
        const QString why = QString::fromUtf8(x.what());
        FView.BusyNotice(QString(), QString());
        FPrompts.ShowNotice(e.exceptionNotice,
                            QStringLiteral("Could not Save to ") + Quoted(file) +
                                QStringLiteral(":\r") + why,
                            9, true);
        SetStatus(e.exceptionStatus + why);
        return false;
    }
    QString why = ok ? QString() : sql.LastError();
    if (ok && !out.commit()) {
        ok = false;
        why = out.errorString();
    }
    FView.BusyNotice(QString(), QString());
    SetStatus(ok ? e.success + file : QStringLiteral("Export failed: ") + why);
    return ok;
}

bool WorkspaceController::ExportDatabaseScript(FileChooser& files) {
    const bool ok = ExportScript(
        files,
        {QStringLiteral("Export Database to Script..."), QStringLiteral("Exporting Database"),
         QStringLiteral("Could not Save to "), QStringLiteral("Success exporting Script to: "),
         QStringLiteral("File Create Error"), QStringLiteral("File creation failed: ")},
        [this](QIODevice* out) { return sql.ExportDBScript(out, kScriptBlock, true); });
    FView.StatsChanged();
    return ok;
}

bool WorkspaceController::ExportTableScript(FileChooser& files) {
    const QString name = table.name;
    if (name.isEmpty() || table.type != 0) return false;
    if (!IsMainSchema(table.schema)) {
        SetStatus(QStringLiteral("Export failed: ") + QuoteIdent(table.schema) + QLatin1Char('.') +
                  QuoteIdent(name) + QStringLiteral(" is not a table of the main database"));
        return false;
    }
    return ExportScript(files,
                        {QStringLiteral("Export Table to Script..."),
                         QStringLiteral("Exporting Table"), QStringLiteral("Could create file "),
                         QStringLiteral("Success exporting Table-Script to: "),
                         QStringLiteral("File Export Error"),
                         QStringLiteral("File Export failed: ")},
                        [this, name](QIODevice* out) {
                            return sql.ExportTableScript(name, out, kScriptBlock, true);
                        });
}

// --- the script editor, the schema listing

void WorkspaceController::OpenScriptEditor(int item, ClipboardPort& clipboard) {
    switch (item) {
    case 0: // its last script
        FView.OpenScriptWindow(sqlFile, QString(), QString());
        break;
    case 1:
        FView.OpenScriptWindow(sqlFile, QString(), NewScriptText(QDateTime::currentDateTime(), 0));
        break;
    case 2: {
        const QString text = clipboard.Text();
        if (!text.isEmpty()) {
            FView.OpenScriptWindow(sqlFile, QString(), text);
        } else if (FPrompts.AskYesNo(
                       QStringLiteral("Paste Script from Clipboard..."),
                       QStringLiteral("No Clipboard text found, create a new script?"), 30,
                       QStringLiteral("No"), QStringLiteral("Yes"))) {
            FView.OpenScriptWindow(sqlFile, QString(),
                                   NewScriptText(QDateTime::currentDateTime(), 1));
        }
        break;
    }
    default: // a file to choose
        FView.OpenScriptWindow(sqlFile, QStringLiteral("*FORCESELECT"), QString());
        break;
    }
}

void WorkspaceController::ShowSchemaListing() {
    AddToQueryStack(editor.text);
    editor.text = QStringLiteral("SELECT * FROM \"sqlite_master\" UNION ALL SELECT * FROM "
                                 "\"sqlite_temp_master\"");
    editor.selStart = editor.selEnd = editor.text.size();
    FView.EditorChanged();
    editor.skipHistory = true;
    RunQuery(RunMode::Plain);
    FView.ShowPage(kPageResults);
}

// --- maintenance

bool WorkspaceController::AnalyzeOrReindex(int tag) {
    const bool analyze = tag == 0;
    const QString verb = analyze ? QStringLiteral("ANALYZE") : QStringLiteral("REINDEX");
    const QString what =
        analyze ? QStringLiteral("Analyze all Attached Databases and write statistics to the "
                                 "\"sqlite_stat1\" Table")
                : QStringLiteral("recreate all Indices on All attached Database Tables");
    if (!FPrompts.AskYesNo(verb + QStringLiteral(" all..."),
                           QStringLiteral("This will ") + what + QStringLiteral(". Continue?"), 30,
                           QStringLiteral("No"), QStringLiteral("Yes")))
        return false;
    return RunMaintenance(verb);
}

bool WorkspaceController::RunMaintenance(const QString& verb) {
    // VACUUM cannot run in a transaction; ANALYZE and REINDEX can.
    if (verb == QLatin1String("VACUUM") ? RefuseWhileBusy() : sql.IsBusy()) {
        if (sql.IsBusy()) SetStatus(kBusyText);
        return false;
    }
    SetStatus(verb == QLatin1String("VACUUM") ? QStringLiteral("Vacuuming DB File...")
                                              : QStringLiteral("Executing..."));
    if (!sql.ExecuteList(verb)) {
        SetStatus(sql.LastError());
        return false;
    }
    RefreshSchema();
    if (verb == QLatin1String("ANALYZE")) {
        SetStatus(QStringLiteral("Analyze Success."));
        SelectTable(QStringLiteral("sqlite_stat1"), QString());
    } else if (verb == QLatin1String("REINDEX")) {
        SetStatus(QStringLiteral("Re-Index Success."));
    } else {
        SetStatus(QStringLiteral("File Re-build (Vacuum) Success."));
    }
    return true;
}

bool WorkspaceController::Vacuum() {
    if (!FPrompts.AskYesNo(
            QStringLiteral("Rebuild Database File"),
            QStringLiteral("This will rebuild / defragment the database using SQLite "
                           "\"VACUUM\" function. Continue?"),
            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return false;
    return RunMaintenance(QStringLiteral("VACUUM"));
}

bool WorkspaceController::ReleaseMemory() {
    if (!sql.IsOpen()) return false;
    if (!sql.ReleaseMem()) {
        SetStatus(QStringLiteral("Error releasing memory: ") + sql.LastError());
        return false;
    }
    SetStatus(QStringLiteral("Success Releasing non-essential memory allocations."));
    FView.StatsChanged();
    return true;
}

// --- new tables from files and the clipboard

bool WorkspaceController::RunImport(const QString& source,
                                    const std::function<bool(QString&, QString&)>& import,
                                    QString name) {
    Operation op(*this);
    if (!source.isEmpty())
        SetStatus(QStringLiteral("Importing ") + Quoted(source) + QStringLiteral("..."));
    QString why;
    bool ok = false;
    try {
        ok = import(name, why);
    } catch (const std::exception& e) {
        SetStatus(QStringLiteral("Error translating data: ") + QString::fromUtf8(e.what()));
        return false;
    }
    if (!ok) {
        SetStatus(QStringLiteral("Error Importing data - ") + why);
        return false;
    }
    SetStatus(QStringLiteral("Success: Imported Table ") + Quoted(name) + QLatin1Char('.'));
    RefreshSchema();
    return true;
}

bool WorkspaceController::ImportFromFile(int tag, FileChooser& files) {
    SetStatus(QStringLiteral("Find file to Import..."));
    const QString file = files.OpenFile(kFindCsvTitle, kFindCsvFilter, sqlFile);
    if (file.isEmpty()) {
        SetStatus(QStringLiteral("Importing Cancelled. Ready."));
        return false;
    }
    const QFileInfo info(file);
    const QString unreadable =
        QStringLiteral("Error reading Import data - Please ensure the file is accessible...");
    if (!info.isFile() || !info.isReadable() || info.size() == 0) {
        SetStatus(unreadable);
        return false;
    }
    const QString name = ProposedImportTableName(file);
    if (RouteImport(info.size(), tag) == ImportRoute::File)
        return RunImport(
            file, [&](QString& n, QString& why) { return FView.ImportFile(sql, file, n, why); },
            name);
    QString text;
    if (!ReadTextFile(file, text)) {
        SetStatus(unreadable);
        return false;
    }
    return RunImport(
        file,
        [&](QString& n, QString& why) { return FView.ImportCsv(sql, text, n, why, QString()); },
        name);
}

bool WorkspaceController::ImportFromClipboard(ClipboardPort& clipboard) {
    SetStatus(QStringLiteral("Attempting to Import Copy-Pasted Data..."));
    const QString text = clipboard.Text();
    if (text.size() < 2) {
        SetStatus(QStringLiteral("No valid Copy-Pasted data found."));
        return false;
    }
    return RunImport(
        QString(),
        [&](QString& n, QString& why) { return FView.ImportCsv(sql, text, n, why, QString()); },
        QStringLiteral("table"));
}

} // namespace sky
