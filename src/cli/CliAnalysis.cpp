// The database analysis commands: the documentation of a database (text,
// SQL create script, column prototypes) and its schema check.
#include "cli/CliFamilies.h"

#include "analysis/DocRender.h"
#include "analysis/HtmlDoc.h"

#include "analysis/SchemaCheck.h"
#include "analysis/TableCompare.h"
#include "engine/Database.h"
#include "engine/ExportText.h"
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

// A text as one CSV field.
QString CsvField(const QString& text) {
    const QByteArray u = text.toUtf8();
    std::string out;
    AppendCsvField(out, u.constData(), u.size(), true);
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

int CmdCompare(CliContext& ctx) {
    if (ctx.args.size() != 3) return ExitUsage;
    int modes = 0;
    for (const char* m : {"data", "query", "fix-sql", "apply"})
        modes += ctx.flags.contains(QLatin1String(m)) ? 1 : 0;
    if (modes > 1) return ExitUsage;
    int limit = kCompareRowLimit;
    if (ctx.opts.contains(QStringLiteral("limit"))) {
        bool ok = false;
        limit = ctx.opts.value(QStringLiteral("limit")).toInt(&ok);
        if (!ok || limit < 0) return ExitUsage;
    }
    const QString direction = ctx.opts.value(QStringLiteral("direction"), QStringLiteral("right"));
    if (direction != QLatin1String("right") && direction != QLatin1String("left")) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    TableCompare c;
    if (!c.compare(&db, ctx.args[1], ctx.args[2])) {
        ctx.error = c.lastError;
        return ExitFailed;
    }
    auto write = [&ctx](const QString& line) { ctx.Output()->write((line + "\r\n").toUtf8()); };
    if (modes == 0) {
        const LayoutComparison& l = c.layout;
        write(l.caption);
        QStringList h;
        for (const QString& x : l.headers)
            h << CsvField(x);
        write(h.join(u','));
        for (const LayoutRow& r : l.rows)
            write(QStringList{CsvField(r.item), CsvField(r.property), CsvField(r.left),
                              CsvField(r.right),
                              r.mark ? CsvField(QStringLiteral(" ! ")) : QString()}
                      .join(u','));
        write(QStringLiteral("Similar Objects: %1").arg(l.similar));
        write(QStringLiteral("Missing Objects: %1").arg(l.missing));
        write(QStringLiteral("Property discrepancies: %1").arg(l.discrepancies));
        if (!l.banner.isEmpty()) write(l.banner);
        return ExitOk;
    }
    DataComparison d;
    if (ctx.flags.contains(QStringLiteral("query"))) {
        if (!c.PrepareData(d, limit)) {
            ctx.error = d.error;
            return ExitFailed;
        }
        write(d.query);
        return ExitOk;
    }
    if (ctx.flags.contains(QStringLiteral("data"))) {
        bool headed = false;
        int shown = 0;
        const bool ok = c.StreamData(
            d,
            [&](const CmpRow& r) {
                if (!headed) {
                    QStringList h;
                    for (const QString& x : d.GridHeaders())
                        h << CsvField(x);
                    write(h.join(u','));
                    headed = true;
                }
                QStringList f{r.key.size() == 1 ? r.key[0].shown : CsvField(r.KeyText()),
                              r.partner.shown};
                for (const CmpValue& v : r.values)
                    f << v.shown;
                write(f.join(u','));
                ++shown;
                return true;
            },
            limit);
        if (!ok) {
            ctx.error = d.error;
            return ExitFailed;
        }
        if (shown == 0) {
            write(kNoDiscrepancy);
            return ExitOk;
        }
        write(QStringLiteral("Total missing Rows: %1").arg(d.missingRows));
        write(QStringLiteral("Total Data discrepancies: %1").arg(d.discrepancies));
        write(limit > 0 && shown >= limit ? QStringLiteral("(Showing first %1)").arg(shown)
                                          : QStringLiteral("(Showing All)"));
        write(d.header);
        return ExitOk;
    }
    // Every fix: the missing rows inserted and each differing value copied
    // right (or left, without the missing rows).
    const int tag = direction == QLatin1String("left") ? 2 : 1;
    const bool apply = ctx.flags.contains(QStringLiteral("apply"));
    QStringList statements;
    bool begun = false;
    const bool ok = c.StreamData(
        d,
        [&](const CmpRow& r) {
            auto add = [&](const QString& s) {
                if (s.isEmpty()) return;
                if (apply) {
                    statements << s;
                    return;
                }
                if (!begun)
                    ctx.Output()->write("BEGIN TRANSACTION;\r\n\r\n");
                else
                    ctx.Output()->write("\r\n");
                begun = true;
                ctx.Output()->write(("  " + s).toUtf8());
            };
            if (r.missing) {
                if (tag == 1) add(c.FixStatement(d, r, 3, 0));
            } else {
                for (int k = 0; k < r.differs.size(); ++k)
                    add(c.FixStatement(d, r, tag, k));
            }
            return true;
        },
        limit);
    if (!ok) {
        ctx.error = d.error;
        return ExitFailed;
    }
    if (!apply) {
        if (begun) ctx.Output()->write("\r\n\r\nEND TRANSACTION;\r\n");
        return ExitOk;
    }
    QString message;
    if (!statements.isEmpty() && !ApplyFixes(db, statements, message)) {
        ctx.error = message;
        return ExitFailed;
    }
    write(kFixesApplied);
    return ExitOk;
}

const CliCommand kCompareCommand{
    "compare",
    "compare DB TABLE1 TABLE2 [--data | --query | --fix-sql | --apply] [--limit N] [--direction "
    "right|left]",
    "Compares two tables of DB (TABLE1 the active one, TABLE2 the compared\n"
    "one). Without an option: the caption, the layout grid as CSV (a block of\n"
    "eight properties per column, \" ! \" where they differ), the counts of\n"
    "similar and missing columns and property discrepancies, and the banner.\n"
    "--query prints the data comparison's query; --data the differing rows as\n"
    "CSV (rows paired by the primary key both tables declare, else by rowid;\n"
    "\"<#NULLROW>\" marks a row TABLE2 lacks) with the totals; --fix-sql the fix\n"
    "script: the missing rows inserted into TABLE2 and every differing value\n"
    "copied to TABLE2 (--direction left: to TABLE1, missing rows left out);\n"
    "--apply runs those fixes in one transaction, each changing exactly one\n"
    "row, or nothing. --limit N rows (default 1000; 0 none).",
    &CmdCompare,
    {QStringLiteral("limit"), QStringLiteral("direction")},
    {QStringLiteral("data"), QStringLiteral("query"), QStringLiteral("fix-sql"),
     QStringLiteral("apply")},
    1,
    1};

} // namespace

std::span<const CliCommand* const> AnalysisCommands() {
    static const CliCommand* const commands[] = {&kDocCommand, &kCheckSchemaCommand,
                                                 &kCompareCommand};
    return commands;
}

} // namespace sky::cli
