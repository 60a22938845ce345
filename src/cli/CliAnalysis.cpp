// The database analysis commands: the documentation of a database (text,
// SQL create script, column prototypes) and its schema check.
#include "cli/CliFamilies.h"

#include "analysis/DocRender.h"
#include "analysis/SchemaCheck.h"

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
    static const QStringList formats{"text", "sql", "prototypes"};
    const QString format = ctx.opts.value(QStringLiteral("format"), QStringLiteral("text"));
    if (!formats.contains(format)) return ExitUsage;
    TDBLayout l;
    if (!Load(ctx, l)) return ExitFailed;
    const QStringList lines = format == QLatin1String("prototypes")
                                  ? PrototypeLines(l)
                                  : DocumentationLines(l, format == QLatin1String("sql") ? 1 : 0);
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
    "doc DB [--format text|sql|prototypes]",
    "Documents the database: text (default) lists its tables, views, pragma\n"
    "settings, file properties and every table's columns, keys, indexes and\n"
    "triggers; sql writes a script that creates the same schema in an empty\n"
    "file (file layout pragmas first, journal mode last); prototypes lists each\n"
    "table and view with its columns, types and affinities. UTF-8, CR LF. A file\n"
    "that is not ready gives \"#ERROR: Database File not loaded (...)\", exit 1.",
    &CmdDoc,
    {QStringLiteral("format")},
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
