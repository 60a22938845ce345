// The import commands: CSV text into a new or an existing table, through the
// CSV import's sheet with the options answering what the window would ask.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/EngineStartup.h"
#include "engine/Identifiers.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"
#include "transfer/CsvImportController.h"

#include <QFileInfo>

namespace sky::cli {
namespace {

const QString kStdinTableName = QStringLiteral("table");
const QString kCannotReadFile = QStringLiteral("Cannot read ");
const QString kStandardInput = QStringLiteral("standard input");
const QString kTooManyEntries = QStringLiteral(" has more entries than the sheet has columns (");
const QString kUnknownType = QStringLiteral("--types: unknown type ");
const QString kUnknownConstraint = QStringLiteral("--constraints: unknown constraint ");
const QString kNotOffered = QStringLiteral("--constraints: the analysis does not offer ");
const QString kConflictNeedsAppend = QStringLiteral("--on-conflict needs --append");
const QString kUnknownConflict =
    QStringLiteral("--on-conflict takes ignore, fail, abort or replace, not ");

// Bytes of the file read at a time.
constexpr qsizetype kReadPiece = qsizetype(1) << 20;

// The workspace's proposal: the file name without folder and extension, lower
// case, ASCII letters and digits only.
QString ProposedTableName(const QString& file) {
    QString name;
    for (QChar c : QFileInfo(file).completeBaseName().toLower())
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) name += c;
    return name;
}

// The list option --name as one entry per sheet column (a CSV line).
QStringList ListOption(const CliContext& ctx, const QString& name) {
    QStringList entries;
    if (ctx.opts.contains(name)) SplitCSVLine(ctx.opts.value(name), entries, u',');
    return entries;
}

bool ConflictHandler(const QString& word, TConflictHandler& handler) {
    const QString w = word.toLower();
    if (w == QStringLiteral("ignore"))
        handler = chCancelConflictingItem;
    else if (w == QStringLiteral("fail"))
        handler = chCancelPendingItems;
    else if (w == QStringLiteral("abort"))
        handler = chCancelAllItems;
    else if (w == QStringLiteral("replace"))
        handler = chUpdateItemData;
    else
        return false;
    return true;
}

// The window of the command line: the sheet filled at once, the options
// applied to its columns, then the analysis or statements printed, or the
// import run. The outcome is kept for the exit status.
class CliImportView : public CsvImportView {
public:
    CliImportView(CliContext& ctx, TSQLite3Database& db) : FCtx(ctx), FDb(db) {}

    bool RunImportWindow(CsvImportController& ctl) override {
        ctl.FillSheet();
        if (!ApplyLists(ctl)) return false;
        const CsvImportSheet& sheet = ctl.Sheet();
        if (FCtx.flags.contains(QStringLiteral("analyse"))) {
            QString text;
            for (int row = 0; row < headCount; ++row)
                text += JoinCSVLine(sheet.HeadLine(HeadRow(row)), u',') + QStringLiteral("\r\n");
            Print(FCtx, text);
            exit = ExitOk;
            return false;
        }
        const bool append = FCtx.flags.contains(QStringLiteral("append"));
        if (!append && !ctl.TableNameError().isEmpty()) {
            if (!FCtx.flags.contains(QStringLiteral("yes")) || TrimText(ctl.TableName()).isEmpty())
                return Failed(ctl.TableNameError());
            ctl.FixTableName();
        }
        const QString error = append ? sheet.DuplicateColumnError() : ctl.Error();
        if (!error.isEmpty()) return Failed(error);
        if (FCtx.flags.contains(QStringLiteral("sql"))) {
            const ImportSQL sql = sheet.BuildImportSQL(ctl.TableName());
            Print(FCtx, sql.create + QStringLiteral("\r\n") + sql.insert + QStringLiteral("\r\n"));
            exit = ExitOk;
            return false;
        }
        if (append) {
            TConflictHandler handler = chCancelAllItems;
            ConflictHandler(FCtx.opts.value(QStringLiteral("on-conflict"), QStringLiteral("abort")),
                            handler);
            QStringList lines = sheet.ImportLines();
            int written = 0;
            if (!FDb.UpdateFromCSV(lines, ctl.TableName(), written, handler, u','))
                return Failed(FDb.LastError());
            Succeeded(ctl.TableName());
            return false;
        }
        if (!ctl.Accept()) return Failed(ctl.LastError());
        Succeeded(ctl.TableName());
        return true;
    }
    ProgressSink* StartProgress(const QString&, bool) override { return nullptr; }
    void EndProgress(ProgressSink*) override {}

    int exit = ExitFailed;

private:
    bool Failed(const QString& why, int code = ExitFailed) {
        FCtx.error = why;
        exit = code;
        return false;
    }
    void Succeeded(const QString& table) {
        Print(FCtx, kImportSuccess + u'"' + table + QStringLiteral("\".\n"));
        exit = ExitOk;
    }

    // --names, --types and --constraints on the analysed sheet, column by column.
    bool ApplyLists(CsvImportController& ctl) {
        const int columns = ctl.Sheet().ColumnCount();
        for (const char* option : {"names", "types", "constraints"}) {
            const QString name = QLatin1String(option);
            const QStringList entries = ListOption(FCtx, name);
            if (entries.size() > columns)
                return Failed(QStringLiteral("--") + name + kTooManyEntries +
                                  QString::number(columns) + u')',
                              ExitUsage);
            for (int k = 0; k < entries.size(); ++k) {
                const QString e = entries[k];
                if (e.isEmpty()) continue;
                ctl.SelectCell(k, 0);
                if (name == QStringLiteral("names")) {
                    ctl.SetColumnName(e == QStringLiteral("-") ? QString() : e);
                } else if (name == QStringLiteral("types")) {
                    ctl.SetColumnType(TrimText(e).toUpper());
                } else if (!ctl.SetConstraint(e)) {
                    return Failed(kNotOffered + e + QStringLiteral(" for column ") +
                                  QString::number(k + 1) + QStringLiteral(" (") +
                                  ctl.Sheet().Head(k, HeadRow::Name) + u')');
                }
            }
        }
        return true;
    }

    CliContext& FCtx;
    TSQLite3Database& FDb;
};

// The words the list options may hold, checked before anything is read.
bool CheckListWords(CliContext& ctx) {
    QStringList types = SheetTypeChoices();
    types << QStringLiteral("FLOAT");
    for (const QString& e : ListOption(ctx, QStringLiteral("types")))
        if (!e.isEmpty() && !types.contains(TrimText(e).toUpper())) {
            ctx.error = kUnknownType + e;
            return false;
        }
    QStringList constraints = SheetConstraintWords();
    constraints << kNoConstraint << QStringLiteral("NONE");
    for (const QString& e : ListOption(ctx, QStringLiteral("constraints")))
        if (!e.isEmpty() && !constraints.contains(TrimText(e).toUpper())) {
            ctx.error = kUnknownConstraint + e;
            return false;
        }
    if (ctx.opts.contains(QStringLiteral("on-conflict"))) {
        TConflictHandler handler;
        if (!ctx.flags.contains(QStringLiteral("append"))) {
            ctx.error = kConflictNeedsAppend;
            return false;
        }
        if (!ConflictHandler(ctx.opts.value(QStringLiteral("on-conflict")), handler)) {
            ctx.error = kUnknownConflict + ctx.opts.value(QStringLiteral("on-conflict"));
            return false;
        }
    }
    return true;
}

// Reads FILE (- for standard input) piece by piece into the table; false
// (ctx.error set) when it cannot be read.
bool ReadCsvFile(CliContext& ctx, const QString& file, TCSVTableRec& table, qsizetype& chars) {
    TextFileReader reader(kReadPiece);
    if (file == QStringLiteral("-")) {
        reader.OpenDescriptor(0);
    } else {
        QString why;
        if (!reader.Open(file, &why, true)) {
            ctx.error = kCannotReadFile + file + QStringLiteral(": ") + why;
            return false;
        }
    }
    TCSVPieceReader pieces(table);
    chars = 0;
    pieces.AddFrom([&](QString& text) {
        const qsizetype had = text.size();
        if (!reader.ReadMore(text)) return false;
        chars += text.size() - had;
        return true;
    });
    if (!reader.Error().isEmpty()) {
        ctx.error = kCannotReadFile + (file == QStringLiteral("-") ? kStandardInput : file) +
                    QStringLiteral(": ") + reader.Error();
        return false;
    }
    pieces.Finish();
    return true;
}

int CmdImportCsv(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    if (!CheckListWords(ctx)) return ExitUsage;
    // The import shows no memory figures: the engine's statistics are left out.
    DisableEngineMemoryStatistics();
    TSQLite3Database db;
    if (!db.Open(ctx.args[0])) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    const QString file = ctx.args[1];
    auto table = std::make_shared<TCSVTableRec>();
    ConfigureImportReader(*table);
    qsizetype chars = 0;
    if (!ReadCsvFile(ctx, file, *table, chars)) return ExitFailed;
    if (chars == 0) {
        ctx.error = kNoDataRows;
        return ExitFailed;
    }
    QString name = ctx.opts.value(QStringLiteral("table"));
    if (!ctx.opts.contains(QStringLiteral("table")))
        name = file == QStringLiteral("-") ? kStdinTableName : ProposedTableName(file);
    CliImportView view(ctx, db);
    CountdownPrompter prompts;
    QString error;
    if (!EditCSVTable(&db, std::move(table), error, name, view, prompts) && ctx.error.isEmpty() &&
        view.exit != ExitOk)
        ctx.error = error;
    return view.exit;
}

const CliCommand kImportCsvCommand{
    "import-csv",
    "import-csv DB FILE [--table NAME] [--names L] [--types L] [--constraints L]\n"
    "           [--analyse] [--sql] [--yes]\n"
    "           [--append [--on-conflict ignore|fail|abort|replace]]",
    "Imports the CSV file FILE (- for standard input) into a new table of DB\n"
    "(created when missing), as the CSV import window does: the first line holds\n"
    "the column names, the delimiter is found, each column is analysed for its\n"
    "type and constraint, the first unique column becomes the PRIMARY KEY, and\n"
    "all rows go in with one transaction. Prints: Success: Imported Table \"NAME\".\n"
    "  --table NAME       the new table (default: the file name in lower case,\n"
    "                     letters and digits only; \"table\" for standard input)\n"
    "  --names L          column names, L a CSV line with one entry per column:\n"
    "                     an empty entry keeps the proposal, - leaves the column out\n"
    "  --types L          column types: INTEGER, REAL, NUMERIC or TEXT\n"
    "  --constraints L    column constraints: NOT NULL, UNIQUE, PRIMARY KEY,\n"
    "                     PRIMARY KEY ASC, PRIMARY KEY DESC, or --- for none\n"
    "  --analyse          prints the five header lines of every column (header,\n"
    "                     name, type, constraint, flags _I_U_S_E_) and imports nothing\n"
    "  --sql              prints the CREATE TABLE and INSERT statements and imports nothing\n"
    "  --yes              takes the proposed name when NAME exists or is not accepted\n"
    "  --append           imports into the existing table NAME instead, matching the\n"
    "                     columns by name (the table needs a primary key), all or nothing\n"
    "  --on-conflict W    with --append: what a row whose key exists does: ignore,\n"
    "                     fail, abort (the default) or replace\n"
    "A name or column problem is printed to standard error (exit 1).",
    &CmdImportCsv,
    {QStringLiteral("table"), QStringLiteral("names"), QStringLiteral("types"),
     QStringLiteral("constraints"), QStringLiteral("on-conflict")},
    {QStringLiteral("analyse"), QStringLiteral("sql"), QStringLiteral("yes"),
     QStringLiteral("append")},
    2,
    1};

const CliCommand* const kCommands[] = {&kImportCsvCommand};

} // namespace

std::span<const CliCommand* const> ImportCommands() {
    return kCommands;
}

} // namespace sky::cli
