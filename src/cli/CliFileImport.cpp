// The file-import commands: a delimited file of any size streamed into a new
// table or a new CSV file, and the window's preview of it. The options answer
// what the window's boxes would hold; by default the format is estimated and
// the columns are the preview's.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"
#include "transfer/FileImport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sky::cli {
namespace {

// "Undo the Import?" answered for the command line: undone unless accepted.
class WarningPrompter : public CountdownPrompter {
public:
    explicit WarningPrompter(bool accept) : accept_(accept) {}
    bool AskYesNo(const QString&, const QString&, int, const QString&, const QString&) override {
        return !accept_;
    }

private:
    bool accept_;
};

bool EncodingOption(const QString& name, ImportEncoding& e) {
    static const QHash<QString, ImportEncoding> names{
        {QStringLiteral("utf-8"), ImportEncoding::Utf8},
        {QStringLiteral("utf-7"), ImportEncoding::Utf7},
        {QStringLiteral("ascii"), ImportEncoding::Ascii},
        {QStringLiteral("ansi"), ImportEncoding::Ansi},
        {QStringLiteral("utf-16le"), ImportEncoding::Utf16LE},
        {QStringLiteral("utf-16be"), ImportEncoding::Utf16BE},
        {QStringLiteral("system"), ImportEncoding::System}};
    if (name.isEmpty()) return true;
    if (!names.contains(name.toLower())) return false;
    e = names.value(name.toLower());
    return true;
}

// A code option: a three-digit code, "none", or one character.
bool CodeOption(const CliContext& ctx, const QString& name, char16_t& c) {
    if (!ctx.opts.contains(name)) return true;
    const QString v = ctx.opts.value(name);
    if (v.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
        c = kNoCode;
        return true;
    }
    if (v.size() == 1) {
        c = v[0].unicode();
        return true;
    }
    if (v.size() == 3 && v[0].isDigit()) {
        c = ReadCodeBox(v);
        return true;
    }
    return false;
}

// The preview of the file and the settings the options give.
bool Prepare(CliContext& ctx, const QString& file, FileImportSettings& s, ImportPreview& p,
             QList<ImportColumn>& columns, int& exit) {
    exit = ExitUsage;
    if (!EncodingOption(ctx.opts.value(QStringLiteral("encoding")), s.encoding)) return false;
    exit = ExitFailed;
    if (!LoadPreviewText(file, s.encoding, p)) {
        ctx.error = p.error;
        return false;
    }
    EstimateFormat(p.text, s);
    exit = ExitUsage;
    if (!CodeOption(ctx, QStringLiteral("separator"), s.separator) ||
        !CodeOption(ctx, QStringLiteral("quote"), s.quote) ||
        !CodeOption(ctx, QStringLiteral("line-end"), s.lineEnd))
        return false;
    if (ctx.flags.contains(QStringLiteral("doubled"))) s.doubled = true;
    if (ctx.flags.contains(QStringLiteral("no-quotes"))) s.preserveQuotes = false;
    s.header = ctx.flags.contains(QStringLiteral("header"));
    s.keepWhitespace = ctx.flags.contains(QStringLiteral("keep-whitespace"));
    if (ctx.opts.contains(QStringLiteral("rows"))) {
        bool ok = false;
        s.maxRows = ctx.opts.value(QStringLiteral("rows")).toLongLong(&ok);
        if (!ok || s.maxRows < 0) return false;
    }
    BuildPreview(p, s);
    exit = ExitFailed;
    if (!p.valid) {
        ctx.error = p.error;
        return false;
    }
    columns = PreviewColumns(p);
    auto list = [&](const char* name) {
        QStringList entries;
        if (ctx.opts.contains(QLatin1String(name)))
            SplitCSVLine(ctx.opts.value(QLatin1String(name)), entries, u',');
        return entries;
    };
    const QStringList names = list("names"), types = list("types");
    for (int k = 0; k < names.size() && k < columns.size(); ++k)
        columns[k].name = names[k];
    for (int k = 0; k < types.size() && k < columns.size(); ++k)
        if (!TrimText(types[k]).isEmpty()) columns[k].type = TrimText(types[k]).toUpper();
    exit = ExitOk;
    return true;
}

int CmdImport(CliContext& ctx) {
    const QString table = ctx.opts.value(QStringLiteral("table"));
    if (ctx.args.size() != 2 || TrimText(table).isEmpty()) return ExitUsage;
    FileImportSettings s;
    ImportPreview p;
    QList<ImportColumn> columns;
    int exit = ExitOk;
    if (!Prepare(ctx, ctx.args[1], s, p, columns, exit)) return exit;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    InterruptProgress progress;
    WarningPrompter prompts(ctx.flags.contains(QStringLiteral("accept-warnings")));
    const FileImportResult r =
        ImportFileToTable(db, ctx.args[1], s, columns, TrimText(table), progress, prompts);
    if (!r.ok) {
        ctx.error = r.error;
        return ExitFailed;
    }
    if (!r.warnings.isEmpty()) ctx.notes << r.warnings;
    Print(ctx, TrimText(table) + QLatin1Char('\t') + QString::number(r.rows) + QLatin1Char('\n'));
    return ExitOk;
}

int CmdImportToCsv(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    FileImportSettings s;
    ImportPreview p;
    QList<ImportColumn> columns;
    int exit = ExitOk;
    if (!Prepare(ctx, ctx.args[0], s, p, columns, exit)) return exit;
    InterruptProgress progress;
    const FileImportResult r = ImportFileToCsv(ctx.args[0], s, columns, ctx.args[1], progress);
    if (!r.ok) {
        ctx.error = r.error;
        return ExitFailed;
    }
    if (!r.warnings.isEmpty()) ctx.notes << r.warnings;
    Print(ctx, QString::number(r.rows) + QLatin1Char('\n'));
    return ExitOk;
}

QString CodeText(char16_t c) {
    return c == kNoCode ? QString() : QStringLiteral("%1").arg(int(c), 3, 10, QLatin1Char('0'));
}

int CmdImportPreview(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    FileImportSettings s;
    ImportPreview p;
    QList<ImportColumn> columns;
    int exit = ExitOk;
    if (!Prepare(ctx, ctx.args[0], s, p, columns, exit)) return exit;
    QJsonArray cols, rows;
    for (int k = 0; k < columns.size(); ++k)
        cols.append(QJsonObject{{QStringLiteral("header"), p.headers.value(k)},
                                {QStringLiteral("name"), columns[k].name},
                                {QStringLiteral("type"), columns[k].type}});
    for (const QStringList& r : p.rows)
        rows.append(QJsonArray::fromStringList(r));
    const QJsonObject o{{QStringLiteral("separator"), CodeText(s.separator)},
                        {QStringLiteral("quote"), CodeText(s.quote)},
                        {QStringLiteral("lineEnd"), CodeText(s.lineEnd)},
                        {QStringLiteral("doubled"), s.doubled},
                        {QStringLiteral("preserveQuotes"), s.preserveQuotes},
                        {QStringLiteral("columns"), cols},
                        {QStringLiteral("rows"), rows}};
    Print(ctx,
          QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    return ExitOk;
}

QStringList ImportOptions(QStringList extra = {}) {
    return QStringList{QStringLiteral("encoding"), QStringLiteral("separator"),
                       QStringLiteral("quote"),    QStringLiteral("line-end"),
                       QStringLiteral("rows"),     QStringLiteral("names"),
                       QStringLiteral("types")} +
           extra;
}
QStringList ImportFlags(QStringList extra = {}) {
    return QStringList{QStringLiteral("doubled"), QStringLiteral("no-quotes"),
                       QStringLiteral("header"), QStringLiteral("keep-whitespace")} +
           extra;
}

#define SKY_IMPORT_OPTIONS_HELP                                                                    \
    "  --encoding utf-8|utf-7|ascii|ansi|utf-16le|utf-16be|system  (default utf-8)\n"              \
    "  --separator C, --quote C|none, --line-end C   a three-digit code or one\n"                  \
    "      character (default: as \"Estimate the Format\" sets them)\n"                            \
    "  --doubled, --no-quotes, --header, --keep-whitespace, --rows N (0: all)\n"                   \
    "  --names a,b,...   column names (an empty name leaves the column out)\n"                     \
    "  --types INTEGER,...   column types (default: the type analysis)"

const CliCommand kImportCommand{
    "import",
    "import DB FILE --table T [options] [--accept-warnings]",
    "Streams FILE into the new table T of DB as the file import does: 1 MiB at a\n"
    "time, every row or nothing, in one transaction. Prints the table name, a\n"
    "tab and the rows imported. A row with more or fewer fields than the header\n"
    "is a warning; without --accept-warnings it undoes the import (exit 1 with\n"
    "the warning). Ctrl+C cancels (\"User Aborted Import\"). Options:\n" SKY_IMPORT_OPTIONS_HELP,
    &CmdImport,
    ImportOptions({QStringLiteral("table")}),
    ImportFlags({QStringLiteral("accept-warnings")}),
    2,
    1};

const CliCommand kImportToCsvCommand{
    "import-to-csv",
    "import-to-csv FILE OUT [options]",
    "Streams FILE into the new CSV file OUT (written aside, put in place only when\n"
    "complete; OUT may not be FILE itself). Prints the rows written. "
    "Options:\n" SKY_IMPORT_OPTIONS_HELP,
    &CmdImportToCsv,
    ImportOptions(),
    ImportFlags(),
    1,
    0};

const CliCommand kImportPreviewCommand{
    "import-preview",
    "import-preview FILE [options]",
    "Prints the file import window's state after loading FILE as JSON:\n"
    "{\"separator\", \"quote\", \"lineEnd\" (three-digit codes), \"doubled\",\n"
    "\"preserveQuotes\", \"columns\": [{\"header\", \"name\", \"type\"}], \"rows\"}.\n"
    "Options:\n" SKY_IMPORT_OPTIONS_HELP,
    &CmdImportPreview,
    ImportOptions(),
    ImportFlags(),
    1,
    0};

#undef SKY_IMPORT_OPTIONS_HELP

} // namespace

std::span<const CliCommand* const> FileImportCommands() {
    static const CliCommand* const commands[] = {&kImportCommand, &kImportToCsvCommand,
                                                 &kImportPreviewCommand};
    return commands;
}

} // namespace sky::cli
