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

// The next record of a CSV text from `at` on, without its line break (a
// line break inside double quotes belongs to its field); `lines` counts the
// line breaks passed. Empty at the end of the text.
QStringView NextRecord(QStringView text, qsizetype& at, int& lines) {
    const qsizetype start = at;
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (!quoted) {
                const QStringView record = text.mid(start, at - start);
                if (c == QLatin1Char('\r') && at + 1 < text.size() &&
                    text[at + 1] == QLatin1Char('\n'))
                    ++at;
                ++at;
                ++lines;
                return record;
            }
            if (c == QLatin1Char('\n')) ++lines;
        }
    }
    return text.mid(start, at - start);
}

// The edit column named (exactly, else ignoring case) or numbered from 1.
int EditColumn(const DataEditorModel& m, QStringView name) {
    const TEditFieldSpecs& cols = m.track.EditFields;
    for (int c = 0; c < cols.size(); ++c)
        if (cols[c].Name == name) return c;
    for (int c = 0; c < cols.size(); ++c)
        if (cols[c].Name.compare(name, Qt::CaseInsensitive) == 0) return c;
    bool ok = false;
    const int n = name.toInt(&ok);
    return ok && n >= 1 && n <= cols.size() ? n - 1 : -1;
}

// Applies the edits of the text in order; false (ctx.error set) at the
// first that cannot be.
bool ApplyEdits(CliContext& ctx, DataEditorModel& m, const QString& text) {
    QStringList fields;
    qsizetype at = 0;
    int lines = 0;
    while (at < text.size()) {
        const int line = lines + 1;
        const QStringView record = NextRecord(text, at, lines);
        if (TrimmedView(record).isEmpty()) continue;
        SplitCSVLine(record, fields, QLatin1Char(','));
        const QStringView verb = TrimmedView(fields[0]);
        auto is = [&verb](const char* word) {
            return verb.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
        };
        const qsizetype want = is("set") ? 4 : is("add") ? 1 : is("delete") || is("reset") ? 2 : -1;
        if (want < 0 || fields.size() != want) {
            ctx.error = kEditLine.arg(line) + kUnknownEdit;
            return false;
        }
        if (want == 1) {
            if (m.AddRecord() < 0) {
                ctx.error =
                    kEditLine.arg(line) + kNoSuchColumn.arg(QStringLiteral("to add a row with"));
                return false;
            }
            continue;
        }
        bool ok = false;
        const int row = TrimmedView(fields[1]).toInt(&ok);
        if (!ok || row < 1 || row > m.RowCount()) {
            ctx.error = kEditLine.arg(line) +
                        kNoSuchRow.arg(TrimmedView(fields[1]).toString()).arg(m.RowCount());
            return false;
        }
        if (is("delete")) {
            m.DeleteLine(row - 1);
        } else if (is("reset")) {
            m.ResetLine(row - 1);
        } else {
            const int col = EditColumn(m, TrimmedView(fields[2]));
            if (col < 0) {
                ctx.error =
                    kEditLine.arg(line) + kNoSuchColumn.arg(TrimmedView(fields[2]).toString());
                return false;
            }
            m.SetCell(row - 1, col, fields[3]);
        }
    }
    return true;
}

int CmdEditData(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    QString text;
    if (!ReadInput(ctx, text)) return ExitFailed;
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
    // The script is built once, after the last edit, and only to be shown:
    // the commit runs the rows' statements without it.
    m.DeferScript(true);
    if (!ApplyEdits(ctx, m, text)) return ExitUsage;
    if (ctx.flags.contains(QStringLiteral("script"))) {
        m.DeferScript(false);
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
