// The results commands: the quick-SQL texts, the results' copies and
// saves, query to file and into a new table, and the cell actions.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/ResultTable.h"
#include "engine/SqlLiteral.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"
#include "workspace/QuickSql.h"
#include "workspace/ResultsActions.h"
#include "workspace/ResultsExport.h"

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

// Prints a template's text, or with --json its text and selection.
void PrintTemplate(CliContext& ctx, const TemplateResult& r) {
    if (ctx.flags.contains(QStringLiteral("json"))) {
        const QJsonObject o{{QStringLiteral("text"), r.text},
                            {QStringLiteral("selStart"), qint64(r.selStart)},
                            {QStringLiteral("selEnd"), qint64(r.selEnd)}};
        Print(ctx, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) +
                       QLatin1Char('\n'));
    } else {
        Print(ctx, r.text + QLatin1Char('\n'));
    }
}

// The SQL argument, or the text of -f FILE.
bool QueryText(CliContext& ctx, int at, QString& sql) {
    if (ctx.args.size() == at + 1) {
        sql = ctx.args[at];
        return true;
    }
    return ctx.args.size() == at && !ctx.inputFile.isEmpty() && ReadInput(ctx, sql);
}

// The rows of a query as the results grid loads them.
bool LoadGrid(CliContext& ctx, TSQLite3Database& db, const QString& sql, TResultTable& rows) {
    if (db.QueryToResults(rows, sql, -1, -1)) return true;
    ctx.error = db.LastError().isEmpty() ? QStringLiteral("Query failed") : db.LastError();
    return false;
}

// A grid column by heading (first match, ignoring case) or 1-based number.
int GridColumn(const TResultTable& rows, const QString& name) {
    for (int c = 0; c < rows.ColumnCount(); ++c)
        if (rows.Heading(c).compare(name, Qt::CaseInsensitive) == 0) return c;
    bool ok = false;
    const int n = name.toInt(&ok);
    return ok && n >= 1 && n <= rows.ColumnCount() ? n - 1 : -1;
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
    PrintTemplate(ctx, r);
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

int CmdResultsCopy(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    const QString as = ctx.opts.value(QStringLiteral("as"));
    const int given = int(ctx.opts.contains(QStringLiteral("all"))) +
                      int(ctx.opts.contains(QStringLiteral("row"))) +
                      int(ctx.opts.contains(QStringLiteral("column"))) +
                      int(ctx.opts.contains(QStringLiteral("headers")));
    if (given != 1) return ExitUsage;
    GridCopy grid;
    RowCopy row;
    ColumnCopy column;
    HeaderCopy headers;
    int rowNo = 0;
    if ((ctx.opts.contains(QStringLiteral("all")) &&
         !GridCopyFromName(ctx.opts.value(QStringLiteral("all")), grid)) ||
        (ctx.opts.contains(QStringLiteral("row")) &&
         (!RowCopyFromName(as, row) || !IntOption(ctx, QStringLiteral("row"), rowNo))) ||
        (ctx.opts.contains(QStringLiteral("column")) && !ColumnCopyFromName(as, column)) ||
        (ctx.opts.contains(QStringLiteral("headers")) &&
         !HeaderCopyFromName(ctx.opts.value(QStringLiteral("headers")), headers)))
        return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    TResultTable rows;
    if (!LoadGrid(ctx, db, ctx.args[1], rows)) return ExitFailed;
    QString text;
    if (ctx.opts.contains(QStringLiteral("all")) && grid == GridCopy::Json) {
        // Written as it is made, in pieces.
        QIODevice* out = ctx.Output();
        WriteGridJson(rows, [out](const std::string& piece) {
            return out->write(piece.data(), qint64(piece.size())) == qint64(piece.size());
        });
        return ExitOk;
    } else if (ctx.opts.contains(QStringLiteral("all"))) {
        text = CopyGrid(rows, grid);
    } else if (ctx.opts.contains(QStringLiteral("row"))) {
        text = CopyRow(rows, rowNo - 1, row);
        if (text.isEmpty()) ctx.error = QStringLiteral("The grid has no row %1").arg(rowNo);
    } else if (ctx.opts.contains(QStringLiteral("column"))) {
        const int col = GridColumn(rows, ctx.opts.value(QStringLiteral("column")));
        text = CopyColumn(rows, col, column);
        if (col < 0)
            ctx.error = QStringLiteral("The grid has no column ") +
                        ctx.opts.value(QStringLiteral("column"));
        else if (text.isEmpty())
            ctx.error = QStringLiteral("The column has no data rows");
    } else {
        text = CopyHeadings(rows, headers);
    }
    if (!ctx.error.isEmpty()) return ExitFailed;
    Print(ctx, text);
    return ExitOk;
}

const CliCommand kResultsCopyCommand{
    "results-copy",
    "results-copy DB SQL (--all F | --row N --as R | --column C --as L | --headers H)",
    "Prints what a copy of the results grid puts on the clipboard, the rows\n"
    "loaded as the grid loads them (at most 16 MiB of CSV text):\n"
    "  --all csv|tab|xml|json       the whole grid\n"
    "  --row N --as csv|csv-data|tab|tab-data|list|props|xml|json|sql|sql-values\n"
    "                               row N (from 1)\n"
    "  --column C --as list|list-data|unique|plain|single|double|backtick|brackets\n"
    "                               column C (heading or number from 1)\n"
    "  --headers list|plain|single|double|backtick|brackets\n"
    "                               the headings",
    &CmdResultsCopy,
    {QStringLiteral("all"), QStringLiteral("row"), QStringLiteral("as"), QStringLiteral("column"),
     QStringLiteral("headers")},
    {},
    1,
    1};

int CmdResultsSave(CliContext& ctx) {
    SaveKind kind;
    if (ctx.args.size() != 2 || ctx.outputFile.isEmpty() ||
        !SaveKindFromName(ctx.opts.value(QStringLiteral("format")), kind))
        return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    TResultTable rows;
    if (!LoadGrid(ctx, db, ctx.args[1], rows)) return ExitFailed;
    QString text;
    if (!GridFileText(rows, kind, text, ctx.error)) return ExitFailed;
    Print(ctx, QChar(0xFEFF) + text);
    return ExitOk;
}

const CliCommand kResultsSaveCommand{
    "results-save",
    "results-save DB SQL --format csv|xml|json -o FILE",
    "Saves the results grid of SQL as a results save does: the grid's CSV lines,\n"
    "XML or JSON document, as UTF-8 with a byte-order mark. A CSV save needs a\n"
    "data row.",
    &CmdResultsSave,
    {QStringLiteral("format")},
    {},
    1,
    1};

int CmdQueryToFile(CliContext& ctx) {
    QueryFileRequest r;
    if (!QueryFileKindFromName(ctx.opts.value(QStringLiteral("kind")), r.kind) ||
        ctx.outputFile.isEmpty() || !QueryText(ctx, 1, r.sql))
        return ExitUsage;
    static const QHash<QString, TSQLiteExportLanguage> langs{
        {QStringLiteral("sqlite"), selSQLite},
        {QStringLiteral("postgresql"), selPostGres},
        {QStringLiteral("oracle"), selOracle},
        {QStringLiteral("mysql"), selMySQL},
        {QStringLiteral("mssql"), selMSSQL}};
    const QString lang = ctx.opts.value(QStringLiteral("lang"), QStringLiteral("sqlite"));
    if (!langs.contains(lang)) return ExitUsage;
    r.language = langs.value(lang);
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    r.valueRows = 64;
    r.table = ctx.opts.value(QStringLiteral("table"));
    if (r.kind == QueryFileKind::Update) {
        QString why;
        r.table = UpdateExportTable(db, r.table, why);
        if (r.table.isEmpty()) {
            ctx.error = QStringLiteral("Export to SQL File aborted: ") + why +
                        QStringLiteral("\nInvalid Table selected for Export...");
            return ExitFailed;
        }
    }
    QString status;
    if (!QueryToDevice(db, r, ctx.Output(), status)) {
        ctx.error = status;
        return ExitFailed;
    }
    return ExitOk;
}

const CliCommand kQueryToFileCommand{
    "query-to-file",
    "query-to-file DB (SQL | -f FILE) --kind K -o FILE [--table T] [--lang L]",
    "Runs the whole query straight into FILE, without the grid's size limit, as\n"
    "Query to File does. K is csv (blobs as hex, a heading line), xml, json,\n"
    "insert, replace or update (64 value rows per statement); --table names the\n"
    "table the SQL kinds write (update: an existing table with a primary key);\n"
    "L is sqlite (default), postgresql, oracle, mysql or mssql.",
    &CmdQueryToFile,
    {QStringLiteral("kind"), QStringLiteral("table"), QStringLiteral("lang")},
    {},
    1,
    1};

int CmdQueryToTable(CliContext& ctx) {
    QString sql;
    const QString name = TrimText(ctx.opts.value(QStringLiteral("table")));
    if (name.isEmpty() || !QueryText(ctx, 1, sql)) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    const QString valid = UnquoteIdent(db.makeValidTableName(name, QStringLiteral("main"), true));
    if (valid != name) {
        ctx.error =
            QStringLiteral("The specified Table-name contains invalid characters, try: ") + valid;
        return ExitFailed;
    }
    if (db.TableExists(name, QStringLiteral("main")) &&
        !ctx.flags.contains(QStringLiteral("replace"))) {
        ctx.error = QStringLiteral("Table already Exists: ") + name +
                    QStringLiteral(" (--replace overwrites it)");
        return ExitFailed;
    }
    QString status;
    const bool ok = QueryIntoTable(db, sql, name, status);
    if (!ok) {
        ctx.error = status;
        return ExitFailed;
    }
    Print(ctx, status + QLatin1Char('\n'));
    return ExitOk;
}

const CliCommand kQueryToTableCommand{
    "query-to-table",
    "query-to-table DB (SQL | -f FILE) --table NAME [--replace]",
    "Runs one query into a new table of main, as \"into New Table...\" does: the\n"
    "table is dropped and created from the query in one transaction, all or\n"
    "nothing. The query must be exactly one statement returning rows. An existing\n"
    "table is replaced only with --replace. Prints the status.",
    &CmdQueryToTable,
    {QStringLiteral("table")},
    {QStringLiteral("replace")},
    1,
    1};

int CmdCellAction(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    static const QStringList actions{"edit",         "show-edit",  "show-select", "show-update",
                                     "show-unique",  "unique",     "duplicate",   "remove",
                                     "row-update",   "row-insert", "row-delete",  "table-create",
                                     "table-rename", "table-drop"};
    const QString action = ctx.opts.value(QStringLiteral("action"));
    int rowNo = 1;
    if (!actions.contains(action) || !IntOption(ctx, QStringLiteral("row"), rowNo))
        return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    const QString table = ctx.args[1];
    const QString schema = ctx.opts.value(QStringLiteral("schema"));
    TResultTable rows;
    if (!LoadGrid(ctx, db, ctx.args[2], rows)) return ExitFailed;
    const ActionTable t = ReadActionTable(db, schema, table);
    const int row = rowNo - 1;
    auto show = [&](const QString& tmpl) {
        TemplateResult r;
        ApplyTemplate(tmpl, {}, r);
        PrintTemplate(ctx, r);
        return ExitOk;
    };
    auto refuse = [&](const QString& why) {
        ctx.error = why;
        return ExitFailed;
    };
    if (action.startsWith(QLatin1String("table-"))) {
        if (!t.exists) return refuse(table + QStringLiteral(" is not a table"));
        if (action == QLatin1String("table-rename")) return show(TableRenameSql(t));
        if (action == QLatin1String("table-drop")) return show(TableDropSql(t));
        QString tmpl, why;
        if (!QuickSqlTemplate(db, {schema, table, false}, QuickKind::Create, tmpl, why))
            return refuse(why);
        return show(tmpl);
    }
    if (row < 0 || row >= rows.RowCount())
        return refuse(QStringLiteral("The grid has no row %1").arg(rowNo));
    const RowTarget target = ResolveRow(t, rows, row);
    if (!target.why.isEmpty()) return refuse(target.why);
    if (action == QLatin1String("row-update")) return show(RowUpdateSql(t, target, rows, row));
    if (action == QLatin1String("row-insert")) return show(RowInsertSql(t, target, rows, row));
    if (action == QLatin1String("row-delete")) return show(RowDeleteSql(t, target));
    QString status;
    if (action == QLatin1String("duplicate") || action == QLatin1String("remove")) {
        if (action == QLatin1String("remove") && !ctx.flags.contains(QStringLiteral("yes")))
            return refuse(RemoveRowQuestion(target) + QStringLiteral(" (--yes removes it)"));
        const bool ok = action == QLatin1String("remove")
                            ? ExecuteRemove(db, t, target, status)
                            : ExecuteDuplicate(db, t, target, rows, row, status);
        if (!ok) return refuse(status);
        Print(ctx, status + QLatin1Char('\n'));
        return ExitOk;
    }
    // The value actions: the clicked column.
    const int col = GridColumn(rows, ctx.opts.value(QStringLiteral("column")));
    if (col < 0) return ExitUsage;
    QString why;
    const QString column = ValueColumn(t, rows, col, why);
    if (column.isEmpty()) return refuse(why);
    if (action == QLatin1String("show-select")) return show(ShowSelectSql(t, target, column));
    if (action == QLatin1String("show-update"))
        return show(ShowUpdateSql(t, target, column, CellValueOf(rows, row, col)));
    if (action == QLatin1String("show-unique") || action == QLatin1String("unique")) {
        const QString tmpl = UniqueValuesSql(t, column, 1000);
        if (action == QLatin1String("show-unique")) return show(tmpl);
        TemplateResult r;
        ApplyTemplate(tmpl, {}, r);
        TResultTable unique;
        if (!LoadGrid(ctx, db, r.text, unique)) return ExitFailed;
        Print(ctx, CopyGrid(unique, GridCopy::Csv) + QLatin1Char('\n'));
        return ExitOk;
    }
    // edit and show-edit: --value is the answer to "New Value for ...".
    const QString current = rows.Text(row, col);
    const QString answer = ctx.opts.value(QStringLiteral("value"), current);
    if (answer == current) {
        Print(ctx, QStringLiteral("No Change in value...\n"));
        return ExitOk;
    }
    const CellValue value = TypedAnswer(answer, t.affinity.value(column.toUpper()));
    if (action == QLatin1String("show-edit")) return show(ShowEditSql(t, target, column, value));
    if (!ExecuteValueEdit(db, t, target, column, rows.Heading(col), value, status))
        return refuse(status);
    Print(ctx, status + QLatin1Char('\n'));
    return ExitOk;
}

const CliCommand kCellActionCommand{
    "cell-action",
    "cell-action DB TABLE SQL --row N [--column C] --action A [--value V] [--yes] [--json]",
    "Carries out a results cell's action on row N (from 1) of SQL's grid, TABLE\n"
    "being the current table (--schema S for another schema). A row is\n"
    "identified by TABLE's primary key, or its rowid, among the result's columns\n"
    "of TABLE; otherwise the action is refused with the reason (exit 1). A is\n"
    "  edit, show-edit              column C set to V (NULL: NULL)\n"
    "  show-select, show-update, show-unique, unique\n"
    "                               column C's SQL, or its distinct values\n"
    "  duplicate, remove            the row copied or removed (remove needs --yes)\n"
    "  row-update, row-insert, row-delete\n"
    "                               the row's statements\n"
    "  table-create, table-rename, table-drop\n"
    "                               TABLE's statements\n"
    "Shown statements are printed (--json: {\"text\", \"selStart\", \"selEnd\"});\n"
    "executions print the status and must change exactly one row.",
    &CmdCellAction,
    {QStringLiteral("row"), QStringLiteral("column"), QStringLiteral("action"),
     QStringLiteral("value"), QStringLiteral("schema")},
    {QStringLiteral("yes"), QStringLiteral("json")},
    1,
    1};

} // namespace

std::span<const CliCommand* const> ResultsCommands() {
    static const CliCommand* const commands[] = {&kQuickSqlCommand,     &kResultsCopyCommand,
                                                 &kResultsSaveCommand,  &kQueryToFileCommand,
                                                 &kQueryToTableCommand, &kCellActionCommand};
    return commands;
}

} // namespace sky::cli
