// The data commands: the data editor's loading, edits and commit.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/EngineStartup.h"
#include "support/Csv.h"
#include "support/SettingsCatalogue.h"
#include "support/TextUtil.h"
#include "workspace/DataEditor.h"
#include "workspace/SqlTemplate.h"

namespace sky::cli {
namespace {

const QString kEditLine = QStringLiteral("Edit line %1: ");
const QString kUnknownEdit =
    QStringLiteral("expected set,ROW,COLUMN,TEXT or add or delete,ROW or reset,ROW");
const QString kNoSuchRow = QStringLiteral("row %1 is not in the grid (rows 1 to %2)");
const QString kNoSuchColumn = QStringLiteral("the editor has no column %1");

// One edit of the EDITS text.
struct EditLine {
    int line = 0; // where it starts in the text (from 1)
    QStringList fields;
};

// The records of a CSV text: a line break inside double quotes belongs to
// its field. Blank records are left out.
QList<EditLine> EditRecords(const QString& text) {
    QList<EditLine> records;
    QString record;
    bool quoted = false;
    int line = 1, start = 1;
    auto flush = [&] {
        QStringList fields;
        if (!TrimText(record).isEmpty()) {
            SplitCSVLine(record, fields, QLatin1Char(','));
            records << EditLine{start, fields};
        }
        record.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) quoted = !quoted;
        const bool lineBreak = c == QLatin1Char('\n') || c == QLatin1Char('\r');
        if (lineBreak && !quoted) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            ++line;
            flush();
            start = line;
            continue;
        }
        if (c == QLatin1Char('\n')) ++line;
        record += c;
    }
    flush();
    return records;
}

// The edit column named (exactly, else ignoring case) or numbered from 1.
int EditColumn(const DataEditorModel& m, const QString& name) {
    const TEditFieldSpecs& cols = m.track.EditFields;
    for (int c = 0; c < cols.size(); ++c)
        if (cols[c].Name == name) return c;
    for (int c = 0; c < cols.size(); ++c)
        if (cols[c].Name.compare(name, Qt::CaseInsensitive) == 0) return c;
    bool ok = false;
    const int n = name.toInt(&ok);
    return ok && n >= 1 && n <= cols.size() ? n - 1 : -1;
}

// Applies the edits in order; false (ctx.error set) at the first that cannot be.
bool ApplyEdits(CliContext& ctx, DataEditorModel& m, const QList<EditLine>& edits) {
    for (const EditLine& e : edits) {
        const QString verb = TrimText(e.fields.value(0)).toLower();
        const QString where = kEditLine.arg(e.line);
        const qsizetype want = verb == QLatin1String("set")      ? 4
                               : verb == QLatin1String("add")    ? 1
                               : verb == QLatin1String("delete") ? 2
                               : verb == QLatin1String("reset")  ? 2
                                                                 : -1;
        if (want < 0 || e.fields.size() != want) {
            ctx.error = where + kUnknownEdit;
            return false;
        }
        if (verb == QLatin1String("add")) {
            if (m.AddRecord() < 0) {
                ctx.error = where + kNoSuchColumn.arg(QStringLiteral("to add a row with"));
                return false;
            }
            continue;
        }
        bool ok = false;
        const int row = TrimText(e.fields[1]).toInt(&ok);
        if (!ok || row < 1 || row > m.RowCount()) {
            ctx.error = where + kNoSuchRow.arg(TrimText(e.fields[1])).arg(m.RowCount());
            return false;
        }
        if (verb == QLatin1String("delete")) {
            m.DeleteLine(row - 1);
        } else if (verb == QLatin1String("reset")) {
            m.ResetLine(row - 1);
        } else {
            const int col = EditColumn(m, TrimText(e.fields[2]));
            if (col < 0) {
                ctx.error = where + kNoSuchColumn.arg(TrimText(e.fields[2]));
                return false;
            }
            m.SetCell(row - 1, col, e.fields[3]);
        }
    }
    return true;
}

int CmdEditData(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    QString text;
    if (!ReadInput(ctx, text)) return ExitFailed;
    const QList<EditLine> edits = EditRecords(text);
    // No figures of the engine's memory are shown: its statistics are left out.
    DisableEngineMemoryStatistics();
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    DataEditorModel m;
    m.track.cur = m.track.sel = {ctx.opts.value(QStringLiteral("schema")), ctx.args[1]};
    QString where = ctx.opts.value(QStringLiteral("where"));
    if (TrimText(where).isEmpty()) where = QStringLiteral("1") + LimitClause(setting::EdtLimit.def);
    QString status;
    if (!m.ReadColumns(db, status) || !m.LoadRows(db, where, status)) {
        ctx.error = status;
        return ExitFailed;
    }
    // The script is built once, after the last edit.
    m.DeferScript(true);
    if (!ApplyEdits(ctx, m, edits)) return ExitUsage;
    m.DeferScript(false);
    if (ctx.flags.contains(QStringLiteral("script"))) {
        Print(ctx, m.Script());
        return ExitOk;
    }
    const EditCommitResult r = m.Commit(db);
    if (r.failures == 0) {
        Print(ctx, r.summary + QLatin1Char('\n'));
        return ExitOk;
    }
    ctx.error = r.summary + QLatin1Char('\n') + r.script;
    return ExitFailed;
}

const CliCommand kEditDataCommand{
    "edit-data",
    "edit-data DB TABLE [--schema S] [--where W] [-f EDITS] [--script]",
    "Loads the data editor with the table's rows WHERE W (default \"1 LIMIT 200\",\n"
    "the editor's limit; at most 8 MiB of rows), applies the edits and commits\n"
    "the edit script in one transaction: all of it or nothing. EDITS (standard\n"
    "input by default) holds one CSV line per edit, in order:\n"
    "  set,ROW,COLUMN,TEXT   types TEXT into a cell (quote TEXT with commas,\n"
    "                        quotes, line breaks or leading spaces; NULL is NULL)\n"
    "  add                   a new row with the columns' defaults\n"
    "  delete,ROW            marks a row deleted (again: restores it; a new row\n"
    "                        is removed)\n"
    "  reset,ROW             takes back every change of a row\n"
    "ROW is the grid's row number: 1 is the first loaded row, new rows follow\n"
    "the loaded ones. COLUMN is a column's name or number. Rows are identified\n"
    "by the whole primary key, else by rowid; an UPDATE or DELETE that changes\n"
    "no row or more than one fails.\n"
    "--script prints the edit script (CR LF line ends) and commits nothing.\n"
    "Otherwise the summary is printed, e.g. Success - 3 updates succeeded; on a\n"
    "failure everything is rolled back and the summary and the script, each\n"
    "failed statement after its \"  -- Item failed: \" line, go to standard\n"
    "error (exit 1). A wrong edit line exits 2.",
    &CmdEditData,
    {QStringLiteral("schema"), QStringLiteral("where")},
    {QStringLiteral("script")},
    1,
    1};

} // namespace

std::span<const CliCommand* const> DataCommands() {
    static const CliCommand* const commands[] = {&kEditDataCommand};
    return commands;
}

} // namespace sky::cli
