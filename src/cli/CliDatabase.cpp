// The Database menu's commands: transfers, quick backups and restores,
// VACUUM (also into a new file), ANALYZE, REINDEX, attaching, extensions, a
// new database from a table, and the import routing. Statuses go to
// standard error in the menu's words; questions are answered No unless
// --yes is given.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/DbTransfer.h"
#include "workspace/DatabaseMenu.h"

#include <QFileInfo>

namespace sky::cli {

namespace {

const QString kAlreadyBackup =
    QStringLiteral("The Opened DB is already a Backup - Please open a normal DB File.");

void Status(CliContext& ctx, const QString& text) {
    ctx.notes << text;
}

int Fail(CliContext& ctx, const QString& text) {
    ctx.error = text;
    return ExitFailed;
}

// The SQL of --then on db, printed as `query` prints it (CSV with a header).
int RunThen(CliContext& ctx, TSQLite3Database& db) {
    if (!ctx.opts.contains(QStringLiteral("then"))) return ExitOk;
    if (!db.QueryToCSVStream(ctx.Output(), ctx.opts.value(QStringLiteral("then")), false, false, 0,
                             -1, false))
        return Fail(ctx, db.LastError());
    return ExitOk;
}

int Transfer(CliContext& ctx, const QString& source, const QString& target) {
    InterruptProgress progress;
    QString error;
    if (!TransferDatabase(source, target, &progress, error)) return Fail(ctx, error);
    Status(ctx, QStringLiteral("Successfuly transferred Data to: \"") + target + QLatin1Char('"'));
    return ExitOk;
}

int CmdTransfer(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    return Transfer(ctx, ctx.args[0], ctx.args[1]);
}

int CmdQuickBackup(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    const QString& file = ctx.args[0];
    Status(ctx, QStringLiteral("Quick-Backup Database file..."));
    if (IsQuickBackup(file)) return Fail(ctx, kAlreadyBackup);
    return Transfer(ctx, file, QuickBackupName(file));
}

int CmdRestore(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    const QString& file = ctx.args[0];
    const bool quick = !ctx.opts.contains(QStringLiteral("from"));
    QString from = ctx.opts.value(QStringLiteral("from"));
    if (quick) {
        Status(ctx, QStringLiteral("Quick-Restore Database file..."));
        if (IsQuickBackup(file)) return Fail(ctx, kAlreadyBackup);
        from = QuickBackupName(file);
        if (!QFileInfo(from).isFile())
            return Fail(ctx,
                        QStringLiteral(
                            "There is no previously made Quick-Backup found for this database."));
    } else {
        Status(ctx, QStringLiteral("Restoring Database from..."));
        if (!QFileInfo(from).isFile())
            return Fail(ctx,
                        QStringLiteral("Error opening Source: the file does not exist: ") + from);
        if (QFileInfo(from).canonicalFilePath() == QFileInfo(file).canonicalFilePath())
            return Fail(ctx, QStringLiteral("Error: the backup is the database itself"));
    }
    if (!QFileInfo(file).isFile())
        return Fail(ctx, QStringLiteral("Error: the database does not exist: ") + file);
    const QString question =
        (quick ? QStringLiteral("Quick-Restoring will revert all changes since ")
               : QStringLiteral("Restoring from this Backup will revert all changes since ")) +
        FileTimeText(from) + QStringLiteral(". Continue?");
    Status(ctx, QStringLiteral("WARNING: ") + question);
    if (!ctx.flags.contains(QStringLiteral("yes")))
        return Fail(ctx, QStringLiteral("Not restored: answered No (--yes answers Yes)"));
    const int rc = Transfer(ctx, from, file);
    if (rc == ExitOk) Status(ctx, QStringLiteral("Success: DB Restored and Opened."));
    return rc;
}

int VacuumInto(CliContext& ctx, TSQLite3Database& db, const QString& target) {
    QString error;
    if (!VacuumIntoFile(db, target, error)) return Fail(ctx, error);
    Status(ctx, QStringLiteral("File Re-build (Vacuum) Success."));
    return ExitOk;
}

int Maintain(CliContext& ctx, const QString& verb, const QString& success) {
    if (ctx.args.size() != 1) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    db.SetProgressChecks(false); // nothing here shows progress or cancels
    if (verb == QLatin1String("VACUUM") && ctx.opts.contains(QStringLiteral("into")))
        return VacuumInto(ctx, db, ctx.opts.value(QStringLiteral("into")));
    Status(ctx, verb == QLatin1String("VACUUM") ? QStringLiteral("Vacuuming DB File...")
                                                : QStringLiteral("Executing..."));
    if (!db.ExecuteList(verb)) return Fail(ctx, db.LastError());
    Status(ctx, success);
    return ExitOk;
}

int CmdVacuum(CliContext& ctx) {
    return Maintain(ctx, QStringLiteral("VACUUM"),
                    QStringLiteral("File Re-build (Vacuum) Success."));
}
int CmdAnalyzeTables(CliContext& ctx) {
    return Maintain(ctx, QStringLiteral("ANALYZE"), QStringLiteral("Analyze Success."));
}
int CmdReindex(CliContext& ctx) {
    return Maintain(ctx, QStringLiteral("REINDEX"), QStringLiteral("Re-Index Success."));
}

void PrintMenu(CliContext& ctx, const MenuModel& m, int depth) {
    for (const MenuModel& i : m.children) {
        QString line = QString(depth * 2, u' ') + i.caption;
        if (!i.command.IsNone()) line += u'\t' + i.command.text;
        if (i.isDefault) line += QStringLiteral("\t(default)");
        Print(ctx, line + u'\n');
        PrintMenu(ctx, i, depth + 1);
    }
}

int CmdAttach(CliContext& ctx) {
    if (ctx.args.size() < 1) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    const QStringList given = ctx.repeated.value(QStringLiteral("as"));
    const bool showOnly = ctx.flags.contains(QStringLiteral("show-sql"));
    QStringList names = SchemaNames(db);
    for (qsizetype i = 1; i < ctx.args.size(); ++i) {
        const QString& file = ctx.args[i];
        QString ident;
        if (i - 1 < given.size()) {
            ident = given[i - 1].trimmed();
            if (ident.isEmpty()) return ExitUsage;
            if (SchemaNameTaken(names, ident))
                return Fail(ctx, QStringLiteral("(Identifier \"") + ident +
                                     QStringLiteral("\" already exists, please use another)"));
        } else {
            ident = ctx.flags.contains(QStringLiteral("listed"))
                        ? ProposeListedAttachName(file, names)
                        : ProposeAttachIdentifier(names);
        }
        names << ident;
        if (showOnly) {
            Print(ctx, AttachShowSql(file, ident) + u'\n');
            continue;
        }
        QString error;
        if (!AttachFile(db, file, ident, error))
            return Fail(ctx, QStringLiteral("Error attaching Database: ") + error);
        Print(ctx, ident + u'\t' + file + u'\n');
    }
    if (ctx.flags.contains(QStringLiteral("menu"))) {
        TreeMenuContext c;
        c.dbFile = ctx.args[0];
        c.scriptReady = c.docsReady = c.attachReady = true;
        PrintMenu(ctx, AttachedDatabasesMenu(AttachedDatabases(db), c), 0);
    }
    return RunThen(ctx, db);
}

int CmdLoadExtension(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    const QString& lib = ctx.args[1];
    if (ctx.flags.contains(QStringLiteral("show-sql"))) {
        Print(ctx, LoadExtensionSql(lib) + u'\n');
        return ExitOk;
    }
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    const QString shown = QFileInfo(lib).fileName();
    if (!QFileInfo(lib).isFile())
        return Fail(ctx, QStringLiteral("Load error - Invalid File: ") + shown);
    if (!db.LoadExtension(lib, ctx.opts.value(QStringLiteral("entry"))))
        return Fail(ctx, QStringLiteral("Extension load error: ") + db.LastError());
    Status(ctx, QStringLiteral("Success loading extension ") + shown);
    return RunThen(ctx, db);
}

int CmdNewDbFromTable(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    const QString &file = ctx.args[0], &table = ctx.args[1], &target = ctx.args[2];
    QString create, status;
    {
        TSQLite3Database db;
        if (!OpenExisting(ctx, db, file)) return ExitFailed;
        create = TableCreateSql(db, table);
        if (create.isEmpty()) return Fail(ctx, QStringLiteral("No such table: ") + table);
        Status(ctx, QStringLiteral("Creating new Database..."));
        if (!ClearNewDatabaseTarget(db, file, target, status)) return Fail(ctx, status);
    }
    TSQLite3Database made;
    if (!made.Open(target))
        return Fail(ctx,
                    QStringLiteral("Error Saving Database - Please check folder access rights."));
    Status(ctx, QStringLiteral("New Database Saved and Opened."));
    if (!CopyTableFrom(made, file, table, create, status)) return Fail(ctx, status);
    return ExitOk;
}

int CmdImportPlan(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    int tag = 0;
    if (!IntOption(ctx, QStringLiteral("tag"), tag)) return ExitUsage;
    if (tag != 0 && tag != 1) return ExitUsage;
    const QFileInfo info(ctx.args[0]);
    if (!info.isFile() || !info.isReadable() || info.size() == 0)
        return Fail(
            ctx,
            QStringLiteral("Error reading Import data - Please ensure the file is accessible..."));
    Print(ctx, (RouteImport(info.size(), tag) == ImportRoute::Csv ? QStringLiteral("csv\t")
                                                                  : QStringLiteral("file\t")) +
                   ProposedImportTableName(ctx.args[0]) + u'\n');
    return ExitOk;
}

const CliCommand kTransferCommand{
    "transfer",
    "transfer SOURCE TARGET",
    "Copies the database SOURCE onto TARGET page by page (Ctrl+C cancels). A new\n"
    "TARGET appears only when complete; an existing one gets the whole copy in\n"
    "one write transaction or keeps its content.",
    &CmdTransfer,
    {},
    {},
    1,
    1,
    false};

const CliCommand kQuickBackupCommand{
    "quick-backup",
    "quick-backup DB",
    "Copies DB onto its quick backup (its extension replaced by \".dbBackup\").",
    &CmdQuickBackup,
    {},
    {},
    1,
    1,
    false};

const CliCommand kRestoreCommand{
    "restore",
    "restore DB [--from FILE] [--yes]",
    "Restores DB from its quick backup, or from FILE; prints the WARNING question\n"
    "and changes nothing unless --yes answers it.",
    &CmdRestore,
    {QStringLiteral("from")},
    {QStringLiteral("yes")},
    1,
    1,
    false};

const CliCommand kVacuumCommand{
    "vacuum",
    "vacuum DB [--into FILE]",
    "Rebuilds DB (VACUUM), or writes the rebuilt copy to the new FILE (an\n"
    "existing FILE is refused and left alone).",
    &CmdVacuum,
    {QStringLiteral("into")},
    {},
    1,
    1,
    false};

const CliCommand kAnalyzeTablesCommand{"analyze-tables",
                                       "analyze-tables DB",
                                       "Runs ANALYZE on every database of DB's connection.",
                                       &CmdAnalyzeTables,
                                       {},
                                       {},
                                       1,
                                       1,
                                       false};

const CliCommand kReindexCommand{
    "reindex", "reindex DB", "Rebuilds every index of DB (REINDEX).", &CmdReindex, {}, {}, 1,
    1,         false};

const CliCommand kAttachCommand{
    "attach",
    "attach DB FILE... [--as NAME]... [--listed] [--show-sql] [--menu] [--then SQL]",
    "Attaches each FILE to DB's connection under the next --as NAME, else the\n"
    "proposed identifier (DB2, DB3 ...; --listed: the file's name, mydata,\n"
    "mydata01 ...), printing identifier<TAB>file. --show-sql prints the attach\n"
    "statements instead; --menu prints the \"Attached Databases\" menu (two\n"
    "spaces per depth, caption, TAB + command, TAB + \"(default)\"); --then runs SQL\n"
    "on that connection and prints its rows as query does. An identifier in use\n"
    "fails.",
    &CmdAttach,
    {QStringLiteral("as"), QStringLiteral("then")},
    {QStringLiteral("listed"), QStringLiteral("show-sql"), QStringLiteral("menu")},
    -1,
    1};

const CliCommand kLoadExtensionCommand{
    "load-extension",
    "load-extension DB LIB [--entry NAME] [--show-sql] [--then SQL]",
    "Loads the extension library LIB into DB's connection (entry point NAME), then\n"
    "runs --then SQL on it; --show-sql prints the load_extension statement and\n"
    "loads nothing.",
    &CmdLoadExtension,
    {QStringLiteral("entry"), QStringLiteral("then")},
    {QStringLiteral("show-sql")},
    2,
    1};

const CliCommand kNewDbFromTableCommand{
    "new-db-from-table",
    "new-db-from-table DB TABLE NEWFILE",
    "Makes NEWFILE a new database holding TABLE of DB with its rows (DB stays\n"
    "attached there as \"PrevUsedDatabase\" while it runs). NEWFILE replaces an\n"
    "existing file, never DB or a file attached to it.",
    &CmdNewDbFromTable,
    {},
    {},
    1,
    1,
    false};

const CliCommand kImportPlanCommand{
    "import-plan",
    "import-plan FILE [--tag 0|1]",
    "Where a new table from FILE is made: csv (the CSV import window, files up to\n"
    "6291455 bytes with tag 0) or file (the file import), TAB, the proposed table\n"
    "name.",
    &CmdImportPlan,
    {QStringLiteral("tag")},
    {},
    1,
    0};

const CliCommand* const kCommands[] = {
    &kTransferCommand,       &kQuickBackupCommand, &kRestoreCommand, &kVacuumCommand,
    &kAnalyzeTablesCommand,  &kReindexCommand,     &kAttachCommand,  &kLoadExtensionCommand,
    &kNewDbFromTableCommand, &kImportPlanCommand};

} // namespace

std::span<const CliCommand* const> DatabaseCommands() {
    return kCommands;
}

} // namespace sky::cli
