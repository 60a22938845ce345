// The table commands: the table page's operations on one table, with the
// arguments answering the questions the page would ask.
#include "cli/CliFamilies.h"

#include "design/DesignerPort.h"
#include "design/IndexTrigger.h"
#include "design/TableDesigner.h"
#include "engine/Database.h"
#include "engine/EngineStartup.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"
#include "workspace/TableOps.h"

#include <cstdio>

namespace sky::cli {
namespace {

// Answers the operations' questions from the command line: text questions
// take the queued answers in order, then (with --yes) accept what is
// proposed, else cancel; yes/no questions are answered by --yes. Questions
// and notices are kept for standard error.
class ArgsPrompter : public Prompter {
public:
    ArgsPrompter(QStringList answers, bool yes) : FAnswers(std::move(answers)), FYes(yes) {}
    void ShowNotice(const QString& title, const QString& text, int, bool) override {
        notes << title + QStringLiteral(": ") + text;
    }
    bool AskYesNo(const QString& title, const QString& text, int, const QString&,
                  const QString&) override {
        if (!FYes) notes << title + QStringLiteral(": ") + text;
        return FYes;
    }
    bool AskYesNoCancel(const QString& title, const QString& text, bool& cancelled, const QString&,
                        const QString&, int) override {
        cancelled = !FYes;
        if (!FYes) notes << title + QStringLiteral(": ") + text;
        return FYes;
    }
    QString AskText(const QString& title, const QString& prompt, const QString& initial,
                    const QStringList&, bool, int, const QString& cancelValue) override {
        if (!FAnswers.isEmpty()) return FAnswers.takeFirst();
        if (FYes) return initial;
        notes << title + QStringLiteral(": ") + TrimText(prompt) +
                     (initial.isEmpty() ? QString()
                                        : QStringLiteral(" [") + initial + QLatin1Char(']'));
        return cancelValue;
    }
    void ShowNote(const QString& text, const QString& title) override {
        notes << title + QStringLiteral(": ") + text;
    }
    void ShowWarning(const QString& text, const QString& headline) override {
        notes << headline + QStringLiteral(": ") + text;
    }
    QStringList notes;

private:
    QStringList FAnswers;
    bool FYes;
};

// The designer of alter-table: the edited layout is read from a script.
class ScriptDesigner : public TableDesignerPort {
public:
    ScriptDesigner(QString script, QStringList renames)
        : FScript(std::move(script)), FRenames(std::move(renames)) {}
    bool GetDesignerTableLayout(TTableLayout& layout, TSQLite3Database*, bool) override {
        TTableLayout edited;
        if (!tableops::ReadDesignerScript(FScript, FRenames, layout, edited, why)) return false;
        layout = edited;
        return true;
    }
    QString why;

private:
    QString FScript;
    QStringList FRenames;
};

// The index and trigger dialogs of the command line: a proposal is accepted
// as it is, or replaced by the statement given (edit-object).
class ArgsDialogs : public DesignerDialogs {
public:
    explicit ArgsDialogs(QString replacement = QString()) : FSql(std::move(replacement)) {}
    bool EditIndex(TIndexLayout& ix, const QStringList&) override {
        return FSql.isEmpty() || Parsed(parseIndex(FSql, ix));
    }
    bool EditTrigger(TTriggerLayout& t, const QStringList&) override {
        return FSql.isEmpty() || Parsed(parseTrigger(FSql, t));
    }
    bool EditKey(TFKeyLayout&, const QStringList&) override { return true; }
    bool EditCheck(TFKeyLayout&, const QStringList&) override { return true; }
    bool EditFKey(TFKeyLayout&, TSQLite3Database*, const QStringList&, const QString&) override {
        return true;
    }
    QString why;

private:
    bool Parsed(bool ok) {
        if (!ok) why = QStringLiteral("The statement is not understood: ") + FSql.left(80);
        return ok;
    }
    QString FSql;
};

using Operation = TableOpOutcome (*)(TableOpContext&);

// Opens DB, runs the operation on TABLE with the answers, and reports: the
// status on standard output when it succeeded, else the status (or the
// questions left unanswered) on standard error.
int RunTableOp(CliContext& ctx, Operation op, const QStringList& answers, const QString& column,
               bool scriptOnly = false, ScriptDesigner* designer = nullptr,
               ArgsDialogs* dialogs = nullptr) {
    // No table operation shows the engine's memory figures or lets a script
    // set a heap limit: the statistics' lock and counters on every
    // allocation are left out.
    DisableEngineMemoryStatistics();
    TSQLite3Database db;
    if (!db.Open(ctx.args[0], 0, false, true)) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    ArgsPrompter prompts(answers, ctx.flags.contains(QStringLiteral("yes")));
    TableOpContext c{db, prompts, ctx.args[1], ctx.opts.value(QStringLiteral("schema")), column};
    c.scriptOnly = scriptOnly;
    c.designer = designer;
    ArgsDialogs accept;
    c.dialogs = dialogs ? dialogs : &accept;
    const TableOpOutcome o = op(c);
    if (o.ok) {
        Print(ctx, (scriptOnly               ? o.script
                    : o.editorText.isEmpty() ? o.status
                                             : o.editorText) +
                       QLatin1Char('\n'));
        return ExitOk;
    }
    QStringList lines = prompts.notes;
    if (!o.status.isEmpty()) lines << o.status;
    if (designer && !designer->why.isEmpty()) lines << designer->why;
    if (dialogs && !dialogs->why.isEmpty()) lines << dialogs->why;
    if (lines.isEmpty()) lines << QStringLiteral("Cancelled.");
    ctx.error = lines.join(QLatin1Char('\n')).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return ExitFailed;
}

int CmdCountRows(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    return RunTableOp(ctx, &tableops::CountRows, {}, QString());
}

int CmdDropTable(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    return RunTableOp(ctx, &tableops::DropTable, {}, QString());
}

int CmdEmptyTable(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    return RunTableOp(ctx, &tableops::EmptyTable, {}, QString());
}

int CmdRenameTable(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    return RunTableOp(ctx, &tableops::RenameTable, {ctx.args[2]}, QString());
}

int CmdCopyTable(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    return RunTableOp(ctx, &tableops::CopyTable, {ctx.args[2]}, QString());
}

int CmdAddColumn(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    const QString type = ctx.opts.value(QStringLiteral("type"), QStringLiteral("TEXT"));
    const QStringList answers{type, ctx.args[2], ctx.opts.value(QStringLiteral("default")),
                              ctx.opts.value(QStringLiteral("comment"))};
    // Without --after the column goes after the last one.
    return RunTableOp(ctx, &tableops::AddColumn, answers, ctx.opts.value(QStringLiteral("after")),
                      ctx.flags.contains(QStringLiteral("script")));
}

int CmdRenameColumn(CliContext& ctx) {
    if (ctx.args.size() != 4) return ExitUsage;
    return RunTableOp(ctx, &tableops::RenameColumn, {ctx.args[3]}, ctx.args[2],
                      ctx.flags.contains(QStringLiteral("script")));
}

int CmdDropColumn(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    return RunTableOp(ctx, &tableops::RemoveColumn, {}, ctx.args[2],
                      ctx.flags.contains(QStringLiteral("script")));
}

int CmdAlterTable(CliContext& ctx) {
    if (ctx.args.size() != (ctx.inputFile.isEmpty() ? 3 : 2)) return ExitUsage;
    QString script;
    if (ctx.args.size() == 3)
        script = ctx.args[2];
    else if (!ReadInput(ctx, script))
        return ExitFailed;
    QStringList renames;
    for (const QString& r : ctx.opts.value(QStringLiteral("rename")).split(QLatin1Char(',')))
        if (!TrimText(r).isEmpty()) renames << r;
    ScriptDesigner designer(script, renames);
    return RunTableOp(ctx, &tableops::AlterTable, {}, QString(),
                      ctx.flags.contains(QStringLiteral("script")), &designer);
}

int CmdColumnRefs(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    ArgsPrompter prompts({}, false);
    TableOpContext c{db, prompts, ctx.args[1], ctx.opts.value(QStringLiteral("schema")),
                     ctx.args[2]};
    const QString text = tableops::ColumnReferences(c);
    Print(ctx, (text.isEmpty() ? QStringLiteral("No other table objects refer to Column ") +
                                     c.curCol + QStringLiteral("...")
                               : QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'))) +
                   QLatin1Char('\n'));
    return ExitOk;
}

// The table operations of one object, as the command line runs them.
TableOpOutcome AddIndexOp(TableOpContext& c) {
    return tableops::AddIndexOrTrigger(c, false, false);
}
TableOpOutcome ShowIndexOp(TableOpContext& c) {
    return tableops::AddIndexOrTrigger(c, false, true);
}
TableOpOutcome AddTriggerOp(TableOpContext& c) {
    return tableops::AddIndexOrTrigger(c, true, false);
}
TableOpOutcome ShowTriggerOp(TableOpContext& c) {
    return tableops::AddIndexOrTrigger(c, true, true);
}

int CmdAddIndex(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    return RunTableOp(ctx, ctx.flags.contains(QStringLiteral("show")) ? &ShowIndexOp : &AddIndexOp,
                      {}, ctx.args[2]);
}

int CmdAddTrigger(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    return RunTableOp(ctx,
                      ctx.flags.contains(QStringLiteral("show")) ? &ShowTriggerOp : &AddTriggerOp,
                      {}, ctx.args[2]);
}

// The object of edit-object and remove-object: its kind and name and its
// stored statement.
struct ObjectArgs {
    QString kind, name, sql;
};
ObjectArgs gObject;

TableOpOutcome RemoveObjectOp(TableOpContext& c) {
    return tableops::RemoveObject(c, gObject.kind, gObject.name);
}
TableOpOutcome EditObjectOp(TableOpContext& c) {
    return tableops::EditObject(c, gObject.kind, gObject.name, gObject.sql);
}

// The stored statement of an index or trigger of the table, or empty.
QString StoredObjectSql(CliContext& ctx, const QString& kind, const QString& name) {
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return QString();
    QString sql;
    db.QuerySingleValue(sql, QStringLiteral("SELECT sql FROM ") +
                                 MasterTableOf(ctx.opts.value(QStringLiteral("schema"))) +
                                 QStringLiteral(" WHERE type=") + QuoteSqlString(kind.toLower()) +
                                 QStringLiteral(" AND name=") + QuoteSqlString(name) +
                                 QStringLiteral(" AND tbl_name=") + QuoteSqlString(ctx.args[1]) +
                                 QStringLiteral(" COLLATE NOCASE;"));
    return sql;
}

bool ObjectKindArg(CliContext& ctx, const QString& kind) {
    const QString k = kind.toLower();
    if (k == QLatin1String("index") || k == QLatin1String("trigger")) return true;
    ctx.error = QStringLiteral("The kind is index or trigger, not ") + kind;
    return false;
}

int CmdEditObject(CliContext& ctx) {
    if (ctx.args.size() != (ctx.inputFile.isEmpty() ? 5 : 4)) return ExitUsage;
    if (!ObjectKindArg(ctx, ctx.args[2])) return ExitUsage;
    QString replacement;
    if (ctx.args.size() == 5)
        replacement = ctx.args[4];
    else if (!ReadInput(ctx, replacement))
        return ExitFailed;
    gObject = {ctx.args[2], ctx.args[3], StoredObjectSql(ctx, ctx.args[2], ctx.args[3])};
    if (gObject.sql.isEmpty()) {
        if (ctx.error.isEmpty())
            ctx.error = QStringLiteral("No ") + ctx.args[2].toLower() + QStringLiteral(" \"") +
                        ctx.args[3] + QStringLiteral("\" with a statement on ") + ctx.args[1];
        return ExitFailed;
    }
    ArgsDialogs dialogs(replacement);
    return RunTableOp(ctx, &EditObjectOp, {}, QString(), false, nullptr, &dialogs);
}

int CmdRemoveObject(CliContext& ctx) {
    if (ctx.args.size() != 4) return ExitUsage;
    if (!ObjectKindArg(ctx, ctx.args[2])) return ExitUsage;
    gObject = {ctx.args[2], ctx.args[3], QString()};
    return RunTableOp(ctx, &RemoveObjectOp, {}, QString());
}

int CmdDesignTest(CliContext& ctx) {
    if (ctx.args.size() != (ctx.inputFile.isEmpty() ? 2 : 1)) return ExitUsage;
    QString script;
    if (ctx.args.size() == 2)
        script = ctx.args[1];
    else if (!ReadInput(ctx, script))
        return ExitFailed;
    TSQLite3Database db;
    if (!db.Open(ctx.args[0], 0, false, true)) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    const QString error = TestTableScript(db, TableTestLines(script));
    if (!error.isEmpty()) {
        ctx.error = QStringLiteral("Table-Creation Error: ") + error;
        return ExitFailed;
    }
    Print(ctx, QStringLiteral("Test passed SQLite Engine verification without errors.\n"));
    return ExitOk;
}

const QString kSchemaOption = QStringLiteral("schema");
const QString kYes = QStringLiteral("yes");
const QString kScript = QStringLiteral("script");

const CliCommand kCountRowsCommand{
    "count-rows",
    "count-rows DB TABLE [--schema S]",
    "Counts the table's rows and prints the table page's status, e.g.\n"
    "Success - Table \"t\" has 1 234 rows.",
    &CmdCountRows,
    {kSchemaOption},
    {},
    1,
    1};
const CliCommand kDropTableCommand{
    "drop-table",
    "drop-table DB TABLE [--schema S] [--yes]",
    "Drops the table. Without --yes the question is answered No and nothing\n"
    "changes (exit 1, the question on standard error).",
    &CmdDropTable,
    {kSchemaOption},
    {kYes},
    1,
    1};
const CliCommand kEmptyTableCommand{"empty-table",
                                    "empty-table DB TABLE [--schema S] [--yes]",
                                    "Deletes every row of the table (asks as drop-table does).",
                                    &CmdEmptyTable,
                                    {kSchemaOption},
                                    {kYes},
                                    1,
                                    1};
const CliCommand kRenameTableCommand{
    "rename-table",
    "rename-table DB TABLE NEW [--schema S] [--yes]",
    "Renames the table. A name that is not allowed or taken gets a correction,\n"
    "which --yes accepts; without it the correction is shown and nothing changes.",
    &CmdRenameTable,
    {kSchemaOption},
    {kYes},
    1,
    1};
const CliCommand kCopyTableCommand{
    "copy-table",
    "copy-table DB TABLE NEW [--schema S]",
    "Creates NEW from the table's CREATE text (kept exactly) and copies its rows,\n"
    "in one transaction.",
    &CmdCopyTable,
    {kSchemaOption},
    {},
    1,
    1};
const CliCommand kAddColumnCommand{
    "add-column",
    "add-column DB TABLE NAME [--type T] [--default V] [--comment C] [--after COL]\n"
    "           [--schema S] [--yes] [--script]",
    "Adds a column (type TEXT unless --type, after the last column unless\n"
    "--after) by rebuilding the table in one transaction: rows, rowids, the\n"
    "AUTOINCREMENT counter, indexes and triggers are kept. A name that needs\n"
    "adjusting (spaces, dots, a taken name) is adjusted with --yes, else refused.\n"
    "--script prints the statements and changes nothing.",
    &CmdAddColumn,
    {kSchemaOption, QStringLiteral("type"), QStringLiteral("default"), QStringLiteral("comment"),
     QStringLiteral("after")},
    {kYes, kScript},
    1,
    1};
const CliCommand kRenameColumnCommand{
    "rename-column",
    "rename-column DB TABLE OLD NEW [--schema S] [--yes] [--script]",
    "Renames a column everywhere it is named: the table, its indexes and\n"
    "triggers, views, other tables' triggers and child foreign keys.",
    &CmdRenameColumn,
    {kSchemaOption},
    {kYes, kScript},
    1,
    1};
const CliCommand kDropColumnCommand{
    "drop-column",
    "drop-column DB TABLE COL [--schema S] [--yes] [--script]",
    "Removes a column by rebuilding the table in one transaction; indexes and\n"
    "table constraints over it go with it. A removal that leaves a foreign key\n"
    "without its parent fails and changes nothing. Asks first (--yes answers).",
    &CmdDropColumn,
    {kSchemaOption},
    {kYes, kScript},
    1,
    1};

const CliCommand kAlterTableCommand{
    "alter-table",
    "alter-table DB TABLE (-f FILE | SQL) [--rename OLD=NEW,...] [--schema S] [--yes]\n"
    "            [--script]",
    "Rebuilds the table from a designer's script: its CREATE TABLE, then CREATE\n"
    "INDEX and CREATE TRIGGER statements (DROP statements are ignored, so edited\n"
    "table-sql output can be passed). New columns map to old ones by name\n"
    "(ignoring case) or through --rename; the others get their default. Losing\n"
    "columns asks first (--yes answers). A new table name renames the table\n"
    "afterwards. Rows, rowids and the AUTOINCREMENT counter are kept; one\n"
    "transaction. --script prints the statements and changes nothing.",
    &CmdAlterTable,
    {kSchemaOption, QStringLiteral("rename")},
    {kYes, kScript},
    1,
    1};
const CliCommand kColumnRefsCommand{
    "column-refs",
    "column-refs DB TABLE COL [--schema S]",
    "Prints what refers to the column: the table's indexes and triggers, views,\n"
    "other tables' triggers and child foreign keys.",
    &CmdColumnRefs,
    {kSchemaOption},
    {},
    1,
    1};

const CliCommand kAddIndexCommand{
    "add-index",
    "add-index DB TABLE COL [--schema S] [--show]",
    "Creates the proposed index on the column (Idx_TABLE_COL); --show prints\n"
    "its statement only.",
    &CmdAddIndex,
    {kSchemaOption},
    {QStringLiteral("show")},
    1,
    1};
const CliCommand kAddTriggerCommand{
    "add-trigger",
    "add-trigger DB TABLE COL [--schema S] [--show]",
    "Creates the proposed AFTER UPDATE OF trigger on the column (Trig_TABLE_COL,\n"
    "a template body); --show prints its statement only.",
    &CmdAddTrigger,
    {kSchemaOption},
    {QStringLiteral("show")},
    1,
    1};
const CliCommand kEditObjectCommand{
    "edit-object",
    "edit-object DB TABLE (index|trigger) NAME (SQL | -f FILE) [--schema S]",
    "Replaces an index or trigger of the table by the statement given, in one\n"
    "transaction (dropped, then created; a failure changes nothing).",
    &CmdEditObject,
    {kSchemaOption},
    {},
    1,
    1};
const CliCommand kRemoveObjectCommand{
    "remove-object",
    "remove-object DB TABLE (index|trigger) NAME [--schema S] [--yes]",
    "Drops an index or trigger of the table's schema (asks first; --yes answers).",
    &CmdRemoveObject,
    {kSchemaOption},
    {kYes},
    1,
    1};
const CliCommand kDesignTestCommand{
    "design-test",
    "design-test DB (-f FILE | SQL)",
    "The table designer's schema test: the script (a DROP TABLE IF EXISTS of\n"
    "its table put first unless its first line drops a table) run in a\n"
    "transaction that is rolled back, foreign keys suspended. Prints that it\n"
    "passed, or exits 1 with the engine's error.",
    &CmdDesignTest,
    {},
    {},
    1,
    1};

} // namespace

std::span<const CliCommand* const> TableCommands() {
    static const CliCommand* const commands[] = {
        &kCountRowsCommand,  &kDropTableCommand,    &kEmptyTableCommand, &kRenameTableCommand,
        &kCopyTableCommand,  &kAlterTableCommand,   &kAddColumnCommand,  &kRenameColumnCommand,
        &kDropColumnCommand, &kColumnRefsCommand,   &kAddIndexCommand,   &kAddTriggerCommand,
        &kEditObjectCommand, &kRemoveObjectCommand, &kDesignTestCommand};
    return commands;
}

} // namespace sky::cli
