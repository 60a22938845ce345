// The results commands: the quick-SQL texts, the results' copies and
// saves, query to file and into a new table, and the cell actions.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/TextUtil.h"
#include "workspace/QuickSql.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace sky::cli {
namespace {

// The columns of a table or view of a schema, in order.
QStringList ColumnNames(TSQLite3Database& db, const QString& table, const QString& schema) {
    QList<QStringList> rows;
    db.QueryTextRows(QStringLiteral("SELECT name FROM pragma_table_info") +
                         PragmaArguments(QuoteSqlString(table), schema),
                     rows);
    QStringList names;
    for (const QStringList& r : rows)
        names << r.value(0);
    return names;
}

int CmdQuickSql(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    QuickKind kind;
    if (!QuickKindFromName(ctx.opts.value(QStringLiteral("kind")), kind)) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    const QString schema = ctx.opts.value(QStringLiteral("schema"));
    QuickTarget target{schema, ctx.args[1], false};
    if (!db.TableExists(target.table, schema)) {
        if (!db.ViewExists(target.table, schema)) {
            ctx.error = QStringLiteral("No table or view ") + target.table;
            return ExitFailed;
        }
        target.isView = true;
    }
    TemplateContext c;
    c.curSchema = schema;
    c.curTable = target.table;
    c.columns = ColumnNames(db, target.table, schema);
    c.primaryKey = db.PrimaryKeyColumns(target.table, schema);
    TemplateResult r;
    QString why;
    if (!QuickSqlText(db, target, kind, c, r, why)) {
        ctx.error = why;
        return ExitFailed;
    }
    if (ctx.flags.contains(QStringLiteral("json"))) {
        const QJsonObject o{{QStringLiteral("text"), r.text},
                            {QStringLiteral("selStart"), qint64(r.selStart)},
                            {QStringLiteral("selEnd"), qint64(r.selEnd)}};
        Print(ctx, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) +
                       QLatin1Char('\n'));
    } else {
        Print(ctx, r.text + QLatin1Char('\n'));
    }
    return ExitOk;
}

const CliCommand kQuickSqlCommand{
    "quick-sql",
    "quick-sql DB TABLE --kind KIND [--schema S] [--json]",
    "Prints the text a quick-SQL button writes into an empty query editor for\n"
    "the table or view. KIND is select, select-all, insert, upsert, update,\n"
    "delete, create or drop. --json prints {\"text\", \"selStart\", \"selEnd\"}: the\n"
    "text and its selection in UTF-16 positions. A button not offered for\n"
    "the object (insert on a view) exits 1 with the reason.",
    &CmdQuickSql,
    {QStringLiteral("kind"), QStringLiteral("schema")},
    {QStringLiteral("json")},
    1,
    1};

} // namespace

std::span<const CliCommand* const> ResultsCommands() {
    static const CliCommand* const commands[] = {&kQuickSqlCommand};
    return commands;
}

} // namespace sky::cli
