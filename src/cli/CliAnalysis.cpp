// The database analysis commands: the documentation of a database (text,
// SQL create script, column prototypes) and its schema check.
#include "cli/CliFamilies.h"

#include "analysis/DocRender.h"
#include "analysis/HtmlDoc.h"

#include "analysis/SchemaCheck.h"
#include <QFileInfo>

namespace sky::cli {
namespace {

// The record of DB; false (the "#ERROR: ..." line printed) when the file is
// not ready.
bool Load(CliContext& ctx, TDBLayout& l) {
    LoadDbLayout(ctx.args[0], l);
    if (l.dHdr.Status == 0) return true;
    ctx.error = NotLoadedLine(l);
    return false;
}

int CmdDoc(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    static const QStringList formats{"text", "sql", "html", "prototypes"};
    const QString format = ctx.opts.value(QStringLiteral("format"), QStringLiteral("text"));
    if (!formats.contains(format)) return ExitUsage;
    int scheme = 0;
    if (ctx.opts.contains(QStringLiteral("scheme"))) {
        bool ok = false;
        scheme = ctx.opts.value(QStringLiteral("scheme")).toInt(&ok);
        if (!ok || scheme < 1 || scheme > 8 || format != QLatin1String("html")) return ExitUsage;
    }
    TDBLayout l;
    if (!Load(ctx, l)) return ExitFailed;
    QStringList lines;
    if (format == QLatin1String("html")) {
        HtmlPrefs prefs = HtmlPrefs::Initial();
        if (scheme > 0)
            prefs = HtmlPrefs::Scheme(scheme - 1);
        else
            prefs.Read();
        // The page's script library goes beside the page.
        if (!ctx.outputFile.isEmpty() && !EnsureJQuery(QFileInfo(ctx.outputFile).absolutePath())) {
            ctx.error = kCannotWriteOutput;
            return ExitFailed;
        }
        lines = HtmlDocLines(l, prefs);
    } else if (format == QLatin1String("prototypes")) {
        lines = PrototypeLines(l);
    } else {
        lines = DocumentationLines(l, format == QLatin1String("sql") ? 1 : 0);
    }
    WriteDocLines(lines, *ctx.Output());
    return ExitOk;
}

int CmdCheckSchema(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    TDBLayout l;
    if (!Load(ctx, l)) return ExitFailed;
    WriteDocLines(SchemaCheckLines(l), *ctx.Output());
    return ExitOk;
}

const CliCommand kDocCommand{
    "doc",
    "doc DB [--format text|sql|html|prototypes] [--scheme N]",
    "Documents the database: text (default) lists its tables, views, pragma\n"
    "settings, file properties and every table's columns, keys, indexes and\n"
    "triggers; sql writes a script that creates the same schema in an empty\n"
    "file (file layout pragmas first, journal mode last); html writes one page\n"
    "of collapsible sections, every name escaped (with -o, \"jquery.js\" is\n"
    "placed beside FILE when missing), coloured by the stored preferences or by\n"
    "scheme N (1-8: Light Default, Printer friendly, High-Contrast, Desert Sand,\n"
    "Sea Green, Dark Tablet, Blue-Gray, Obsidian); prototypes lists each table\n"
    "and view with its columns, types and affinities. UTF-8, CR LF. A file that\n"
    "is not ready gives \"#ERROR: Database File not loaded (...)\", exit 1.",
    &CmdDoc,
    {QStringLiteral("format"), QStringLiteral("scheme")},
    {},
    1,
    1};

const CliCommand kCheckSchemaCommand{
    "check-schema",
    "check-schema DB",
    "Checks the database's schema and prints the report: NOTE, WARNING and\n"
    "ERROR findings per table and view, their summaries and the totals. Exit 0\n"
    "whatever it finds; a file that is not ready gives the \"#ERROR: ...\" line,\n"
    "exit 1.",
    &CmdCheckSchema,
    {},
    {},
    1,
    1};

} // namespace

std::span<const CliCommand* const> AnalysisCommands() {
    static const CliCommand* const commands[] = {&kDocCommand, &kCheckSchemaCommand};
    return commands;
}

} // namespace sky::cli
