// The query commands: rows of a query in the export formats, the results
// grid's load, a table's columns and key, and the CSV reader.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/ResultTable.h"
#include "support/Csv.h"
#include "support/JsonText.h"

namespace sky::cli {

namespace {

// System texts.
const QString kQueryFailed = QStringLiteral("Query failed");
const QString kNoSuchTable = QStringLiteral("No such table: ");
const QString kDelimiterOneCharacter = QStringLiteral("--delimiter needs one character");

int CmdQuery(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    const QString format = ctx.opts.value(QStringLiteral("format"), QStringLiteral("csv"));
    int limit = 0, lineNos = -1, rowsPerInsert = 1;
    if (!IntOption(ctx, QStringLiteral("limit-bytes"), limit) ||
        !IntOption(ctx, QStringLiteral("line-numbers"), lineNos) ||
        !IntOption(ctx, QStringLiteral("rows-per-insert"), rowsPerInsert))
        return ExitUsage;
    static const QHash<QString, TSQLiteExportOperation> ops{{QStringLiteral("insert"), seoINSERT},
                                                            {QStringLiteral("replace"), seoREPLACE},
                                                            {QStringLiteral("update"), seoUPDATE},
                                                            {QStringLiteral("table"), seoTABLE}};
    static const QHash<QString, TSQLiteExportLanguage> langs{
        {QStringLiteral("sqlite"), selSQLite},
        {QStringLiteral("mysql"), selMySQL},
        {QStringLiteral("postgres"), selPostGres},
        {QStringLiteral("oracle"), selOracle},
        {QStringLiteral("mssql"), selMSSQL}};
    const QString op = ctx.opts.value(QStringLiteral("sql-op"), QStringLiteral("insert"));
    const QString lang = ctx.opts.value(QStringLiteral("sql-lang"), QStringLiteral("sqlite"));
    if (!ops.contains(op) || !langs.contains(lang) ||
        !QStringList{QStringLiteral("csv"), QStringLiteral("json"), QStringLiteral("xml"),
                     QStringLiteral("sql")}
             .contains(format))
        return ExitUsage;
    if (ctx.opts.contains(QStringLiteral("null")))
        SetNullDisplayText(ctx.opts.value(QStringLiteral("null")));
    const bool convertBlobs = ctx.flags.contains(QStringLiteral("convert-blobs"));

    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    QIODevice* out = ctx.Output();
    const QString& sql = ctx.args[1];
    bool ok = false;
    if (format == QStringLiteral("csv"))
        ok = db.QueryToCSVStream(out, sql, ctx.flags.contains(QStringLiteral("no-line-breaks")),
                                 ctx.flags.contains(QStringLiteral("no-header")), limit, lineNos,
                                 convertBlobs);
    else if (format == QStringLiteral("json"))
        ok = db.QueryToJSONStream(out, sql, limit, convertBlobs);
    else if (format == QStringLiteral("xml"))
        ok = db.QueryToXMLStream(out, sql, limit, convertBlobs);
    else
        ok = db.QueryToSQLStream(out, sql, ops.value(op), langs.value(lang),
                                 ctx.opts.value(QStringLiteral("table")), rowsPerInsert, limit);
    if (!ok) {
        ctx.error = db.LastError().isEmpty() ? kQueryFailed : db.LastError();
        return ExitFailed;
    }
    return ExitOk;
}

const CliCommand kQueryCommand{
    "query",
    "query DB SQL [--format csv|json|xml|sql]",
    "Runs one query on an existing database and writes its rows (CR LF line ends).\n"
    "  --format csv|json|xml|sql   output format (default csv, with a header)\n"
    "  --limit-bytes N             stop after the row that reaches N bytes\n"
    "                              (negative: 16 MiB; default 0: the whole result)\n"
    "  --null TEXT                 how NULL is written in CSV and XML (default NULL)\n"
    "  --convert-blobs             blobs as 0x... hex text instead of [Blob]\n"
    "CSV:  --no-header, --no-line-breaks (line breaks in values become spaces),\n"
    "      --line-numbers N (number the rows from N)\n"
    "SQL:  --sql-op insert|replace|update|table, --sql-lang sqlite|mysql|postgres|\n"
    "      oracle|mssql, --table NAME, --rows-per-insert N (0: all in one statement)",
    &CmdQuery,
    {QStringLiteral("format"), QStringLiteral("limit-bytes"), QStringLiteral("null"),
     QStringLiteral("line-numbers"), QStringLiteral("sql-op"), QStringLiteral("sql-lang"),
     QStringLiteral("table"), QStringLiteral("rows-per-insert")},
    {QStringLiteral("convert-blobs"), QStringLiteral("no-header"),
     QStringLiteral("no-line-breaks")},
    1,
    1};

int CmdColumns(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    QStringList lines;
    if (db.EnumColumns(lines, ctx.args[1], true) <= 0) {
        ctx.error = db.LastError().isEmpty() ? kNoSuchTable + ctx.args[1] : db.LastError();
        return ExitFailed;
    }
    for (const QString& l : lines)
        Print(ctx, l + QStringLiteral("\r\n"));
    return ExitOk;
}

const CliCommand kColumnsCommand{
    "columns",
    "columns DB TABLE",
    "Prints the columns of TABLE as CSV: cid, name, type, notnull, dflt_value, pk.",
    &CmdColumns,
    {},
    {},
    1,
    1};

int CmdPk(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    // A missing table fails as it does for `columns`, not as an empty key.
    QStringList columns;
    const int found = db.EnumColNames(columns, ctx.args[1]);
    if (found <= 0) {
        ctx.error =
            found < 0 && !db.LastError().isEmpty() ? db.LastError() : kNoSuchTable + ctx.args[1];
        return ExitFailed;
    }
    db.ClearError();
    const QString pk =
        db.GetPrimaryKeyFields(ctx.args[1], ctx.opts.value(QStringLiteral("schema")));
    if (!db.LastError().isEmpty()) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    Print(ctx, pk + QLatin1Char('\n'));
    return ExitOk;
}

const CliCommand kPkCommand{
    "pk",
    "pk DB TABLE [--schema S]",
    "Prints the primary-key columns of TABLE in key order, quoted where needed.",
    &CmdPk,
    {QStringLiteral("schema")},
    {},
    1,
    1};

int CmdCsv(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    QChar delimiter;
    if (ctx.opts.contains(QStringLiteral("delimiter"))) {
        QString d = ctx.opts.value(QStringLiteral("delimiter"));
        if (d == QStringLiteral("\\t") || d == QStringLiteral("tab")) d = QStringLiteral("\t");
        if (d.size() != 1) {
            ctx.error = kDelimiterOneCharacter;
            return ExitUsage;
        }
        delimiter = d[0];
    }
    QString text;
    if (!ReadInput(ctx, text)) return ExitFailed;
    TCSVTableRec table;
    CSVConfigure(table, !ctx.flags.contains(QStringLiteral("no-header")),
                 ctx.flags.contains(QStringLiteral("keep-empty-lines")),
                 ctx.flags.contains(QStringLiteral("keep-whitespace")), delimiter.isNull(),
                 ctx.flags.contains(QStringLiteral("doubled")), delimiter);
    const int rows = CSVRead(text, table);
    QStringList headers;
    for (const TCSVColumnRec& c : table.Col)
        headers.append(c.Header);
    QIODevice* out = ctx.Output();
    std::string chunk = "{\"columns\": ";
    chunk += JsonStringArray(headers).toStdString();
    chunk += ", \"rows\": [";
    for (int r = 0; r < rows; ++r) {
        chunk += r > 0 ? ", [" : "[";
        for (qsizetype c = 0; c < table.Col.size(); ++c) {
            if (c > 0) chunk += ", ";
            const TCSVValues& values = table.Col[c].Row;
            if (r < values.size())
                values.view(r).visit([&](auto v) { AppendJsonString(chunk, v); });
            else
                chunk += "\"\"";
        }
        chunk += ']';
        if (chunk.size() >= 65536) {
            if (out->write(chunk.data(), qint64(chunk.size())) < 0) return ExitFailed;
            chunk.clear();
        }
    }
    chunk += "], \"error\": ";
    AppendJsonString(chunk, table.Cfg.ErrorDescr);
    chunk += ", \"errorRow\": " + std::to_string(table.Cfg.ErrorRow) + "}\n";
    out->write(chunk.data(), qint64(chunk.size()));
    return ExitOk;
}

const CliCommand kCsvCommand{
    "csv",
    "csv [-f FILE]",
    "Reads delimited text (standard input by default) with the CSV reader and prints\n"
    "it as JSON: {\"columns\": [...], \"rows\": [[...], ...], \"error\": text,\n"
    "\"errorRow\": n}.\n"
    "  --delimiter C        the delimiter (\\t or tab for a tab; default: detected)\n"
    "  --no-header          the first line is data, not column names\n"
    "  --keep-empty-lines   empty lines are rows\n"
    "  --keep-whitespace    blanks around values are kept\n"
    "  --doubled            fields are separated by doubled delimiters",
    &CmdCsv,
    {QStringLiteral("delimiter")},
    {QStringLiteral("no-header"), QStringLiteral("keep-empty-lines"),
     QStringLiteral("keep-whitespace"), QStringLiteral("doubled")}};

int CmdGrid(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    int limit = -1;
    if (!IntOption(ctx, QStringLiteral("limit-bytes"), limit)) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    TResultTable t;
    if (!db.QueryToResults(t, ctx.args[1], limit, -1)) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    QString text = QStringLiteral("rows: ") + QString::number(t.RowCount()) +
                   QStringLiteral("\ncolumns: ") + QString::number(t.ColumnCount()) +
                   QStringLiteral("\nbytes: ") + QString::number(t.DataBytes()) + QLatin1Char('\n');
    if (ctx.flags.contains(QStringLiteral("show"))) {
        QStringList cells;
        for (int c = 0; c < t.ColumnCount(); ++c)
            cells << t.Heading(c);
        text += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        for (int r = 0; r < t.RowCount(); ++r) {
            cells.clear();
            for (int c = 0; c < t.ColumnCount(); ++c)
                cells << t.Text(r, c);
            text += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        }
    }
    Print(ctx, text);
    return ExitOk;
}

const CliCommand kGridCommand{
    "grid",
    "grid DB SQL [--limit-bytes N] [--show]",
    "Loads the query's rows as the results grid does (typed cells with the CSV\n"
    "export's texts, up to the CSV size limit, default 16 MiB) and prints the row\n"
    "and column counts and the bytes held; --show also prints the cells, | between.",
    &CmdGrid,
    {QStringLiteral("limit-bytes")},
    {QStringLiteral("show")},
    1,
    1};
} // namespace

std::span<const CliCommand* const> QueryCommands() {
    static const CliCommand* const commands[] = {&kQueryCommand, &kColumnsCommand, &kPkCommand,
                                                 &kCsvCommand, &kGridCommand};
    return commands;
}

} // namespace sky::cli
