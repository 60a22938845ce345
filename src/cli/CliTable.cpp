// The table commands: the table page's operations on one table, with the
// arguments answering the questions the page would ask.
#include "cli/CliFamilies.h"

#include "design/DesignerPort.h"
#include "engine/Database.h"
#include "engine/EngineStartup.h"
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

using Operation = TableOpOutcome (*)(TableOpContext&);

// Opens DB, runs the operation on TABLE with the answers, and reports: the
// status on standard output when it succeeded, else the status (or the
// questions left unanswered) on standard error.
int RunTableOp(CliContext& ctx, Operation op, const QStringList& answers, const QString& column,
               bool scriptOnly = false, ScriptDesigner* designer = nullptr) {
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
    const TableOpOutcome o = op(c);
    if (o.ok) {
        Print(ctx, (scriptOnly ? o.script : o.status) + QLatin1Char('\n'));
        return ExitOk;
    }
    QStringList lines = prompts.notes;
    if (!o.status.isEmpty()) lines << o.status;
    if (designer && !designer->why.isEmpty()) lines << designer->why;
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

} // namespace

std::span<const CliCommand* const> TableCommands() {
    static const CliCommand* const commands[] = {
        &kCountRowsCommand,  &kDropTableCommand,  &kEmptyTableCommand, &kRenameTableCommand,
        &kCopyTableCommand,  &kAlterTableCommand, &kAddColumnCommand,  &kRenameColumnCommand,
        &kDropColumnCommand, &kColumnRefsCommand};
    return commands;
}

} // namespace sky::cli
