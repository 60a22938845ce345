// The schema commands: a table's or view's statement read back from its
// stored text, and the workspace's schema tree.
#include "cli/CliFamilies.h"

#include "design/LayoutReads.h"
#include "design/ScriptTables.h"
#include "design/TableLayout.h"
#include "design/Views.h"
#include "engine/Catalogue.h"
#include "engine/Database.h"
#include "engine/EngineStartup.h"
#include "workspace/SchemaTree.h"

#include <functional>

namespace sky::cli {

namespace {

// System texts.
const QString kLayoutNotRead = QStringLiteral("Failed to read table layout for: ");

// Opens DB for a command that only reads its schemas. None shows the
// engine's memory figures: the statistics (a lock and counters on every
// allocation) are left out.
bool OpenSchemaReader(CliContext& ctx, TSQLite3Database& db) {
    DisableEngineMemoryStatistics();
    return OpenExisting(ctx, db, ctx.args[0]);
}

int CmdTableSql(CliContext& ctx) {
    const bool all = ctx.flags.contains(QStringLiteral("all"));
    if (ctx.args.size() != (all ? 1 : 2)) return ExitUsage;
    TSQLite3Database db;
    if (!OpenSchemaReader(ctx, db)) return ExitFailed;
    if (all) {
        // The tables of --schema that the script creates itself (no shadow
        // tables of virtual tables, which their CREATE makes again), each
        // read from the schema's catalogue, read once.
        const QString schema = ctx.opts.value(QStringLiteral("schema"));
        TSchemaCatalogue cat;
        QList<const TCatalogueEntry*> tables;
        QString why;
        if (!ReadCatalogue(db, schema, cat, CatalogueDetail::ColumnCounts, &why) ||
            !TablesForScript(db, cat, tables, &why)) {
            ctx.error = why;
            return ExitFailed;
        }
        // Scripts of the tables the catalogue alone gives are made side by
        // side, each already in UTF-8; the others here, in order.
        std::vector<QByteArray> scripts(size_t(tables.size()));
        const std::vector<char> made = ReadLayoutsSideBySide(cat, tables, schema, [&scripts] {
            return [&scripts](qsizetype k, TTableLayout& t) {
                scripts[size_t(k)] = convTableLayoutToSQL(t).toUtf8();
            };
        });
        TTableLayout layout; // one for all: its column list keeps its room
        for (qsizetype k = 0; k < tables.size(); ++k) {
            if (made[size_t(k)]) continue;
            const QString t = tables[k]->Name();
            if (!convDBTableToLayout(db, schema, layout, t, &why, &cat)) {
                ctx.error = kLayoutNotRead + t + QStringLiteral(" (") + why + QLatin1Char(')');
                return ExitFailed;
            }
            scripts[size_t(k)] = convTableLayoutToSQL(layout).toUtf8();
        }
        for (const QByteArray& script : scripts)
            ctx.Output()->write(script);
        return ExitOk;
    }
    TTableLayout layout;
    QString why;
    if (!convDBTableToLayout(db, ctx.opts.value(QStringLiteral("schema")), layout, ctx.args[1],
                             &why)) {
        ctx.error = kLayoutNotRead + ctx.args[1] + QStringLiteral(" (") + why + QLatin1Char(')');
        return ExitFailed;
    }
    Print(ctx, convTableLayoutToSQL(layout));
    return ExitOk;
}

const CliCommand kTableSqlCommand{
    "table-sql",
    "table-sql DB (TABLE | --all) [--schema S]",
    "Reads the table's layout (columns, constraints, indexes, triggers) from its\n"
    "stored text and prints the script that creates it; --all does so for every\n"
    "table of the schema but the engine's own and the shadow tables of virtual\n"
    "tables (the virtual table's CREATE makes them). Exits 1 with the reason when\n"
    "a layout cannot be read.",
    &CmdTableSql,
    {QStringLiteral("schema")},
    {QStringLiteral("all")},
    1,
    1};

int CmdViewSql(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    TSQLite3Database db;
    if (!OpenSchemaReader(ctx, db)) return ExitFailed;
    TViewLayout view;
    if (!readView(db, ctx.args[1], view, ctx.opts.value(QStringLiteral("schema")))) {
        ctx.error = view.Comment;
        return ExitFailed;
    }
    Print(ctx, sqlFrom(view));
    return ExitOk;
}

const CliCommand kViewSqlCommand{
    "view-sql",
    "view-sql DB VIEW [--schema S]",
    "Reads the view from its stored text and prints the statement that creates it.",
    &CmdViewSql,
    {QStringLiteral("schema")},
    {},
    1,
    1};

int CmdTree(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    TSQLite3Database db;
    if (!OpenSchemaReader(ctx, db)) return ExitFailed;
    QList<SchemaNode> roots;
    const int count = BuildSchemaTree(
        db,
        ctx.flags.contains(QStringLiteral("alpha")) ? TreeOrder::Alphabetical : TreeOrder::Creation,
        roots, &ctx.error);
    if (!ctx.error.isEmpty()) return ExitFailed;
    if (ctx.flags.contains(QStringLiteral("count"))) {
        Print(ctx, QString::number(count) + QLatin1Char('\n'));
        return ExitOk;
    }
    QString text;
    std::function<void(const SchemaNode&, int)> print = [&](const SchemaNode& n, int depth) {
        text += QString(depth * 2, QLatin1Char(' ')) + NodeText(n.rec) + QLatin1Char('\n');
        for (const SchemaNode& c : n.children)
            print(c, depth + 1);
    };
    for (const SchemaNode& r : roots)
        print(r, 0);
    Print(ctx, text);
    return ExitOk;
}

const CliCommand kTreeCommand{
    "tree",
    "tree DB [--alpha] [--count]",
    "Prints the workspace's schema tree: each schema, its tables (in creation\n"
    "order, or by name with --alpha) and views, and below them their columns,\n"
    "indexes and triggers, one node text per line indented by depth. --count\n"
    "prints only the number of tables and views. A table or view whose layout\n"
    "cannot be read is shown by name, marked [layout not readable], and counted.\n"
    "Exits 1 with the reason when the database cannot be read.",
    &CmdTree,
    {},
    {QStringLiteral("alpha"), QStringLiteral("count")},
    1,
    1};
} // namespace

std::span<const CliCommand* const> SchemaCommands() {
    static const CliCommand* const commands[] = {&kTableSqlCommand, &kViewSqlCommand,
                                                 &kTreeCommand};
    return commands;
}

} // namespace sky::cli
