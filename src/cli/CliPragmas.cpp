// The pragma and analyzer pages from the command line: the values read, the
// update of chosen values, a value's statement and an action button's
// statement; the analyzer's report stored, its sections, figures,
// explanations, the "space_used" import and the graph's rows.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "support/Csv.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "workspace/Analyzer.h"
#include "workspace/Pragmas.h"

#include <QFileInfo>

namespace sky::cli {
namespace {

QString CsvLine(const QStringList& fields) {
    QStringList out;
    for (const QString& f : fields)
        out << QuoteCSVValue(f, u',');
    return out.join(u',');
}

// NAME=VALUE; false when there is no "=" or no such value pragma.
bool SplitSetting(const QString& text, QString& name, QString& value) {
    const qsizetype eq = text.indexOf(u'=');
    if (eq <= 0) return false;
    name = text.left(eq).trimmed();
    value = text.mid(eq + 1);
    const PragmaDef* d = FindPragma(name);
    return d && d->kind != 0;
}

int CmdPragmas(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    auto write = [&ctx](const QString& line) { ctx.Output()->write((line + "\r\n").toUtf8()); };
    const QStringList sets = ctx.repeated.value(QStringLiteral("set"));
    const bool show = ctx.opts.contains(QStringLiteral("show-sql"));
    const bool action = ctx.opts.contains(QStringLiteral("action"));
    if (int(!sets.isEmpty()) + int(show) + int(action) > 1) return ExitUsage;
    if (ctx.opts.contains(QStringLiteral("table")) && !action) return ExitUsage;
    PragmaController p;
    if (action) {
        const QString a = ctx.opts.value(QStringLiteral("action"));
        const qsizetype eq = a.indexOf(u'=');
        const PragmaDef* d = FindPragma(eq < 0 ? a : a.left(eq));
        if (!d || d->kind != 0) return ExitUsage;
        QString option = d->options.value(0);
        if (eq >= 0) {
            const QString want = a.mid(eq + 1);
            const auto it =
                std::find_if(d->options.begin(), d->options.end(), [&](const QString& o) {
                    return o.compare(want, Qt::CaseInsensitive) == 0;
                });
            if (it == d->options.end()) return ExitUsage;
            option = *it;
        }
        const QString table = ctx.opts.value(QStringLiteral("table"));
        write(PragmaController::ActionStatement(*d, option, table, table, table));
        return ExitOk;
    }
    if (show) {
        QString name, value, why;
        if (!SplitSetting(ctx.opts.value(QStringLiteral("show-sql")), name, value))
            return ExitUsage;
        const QString s = PragmaController::Statement(*p.Find(name), value, true, &why);
        if (s.isEmpty()) {
            ctx.error = QStringLiteral("Error: pragma ") + name + QStringLiteral(": ") + why;
            return ExitUsage;
        }
        write(s);
        return ExitOk;
    }
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    p.ReadAll(db);
    if (sets.isEmpty()) {
        for (const TPragmaSettingItem& r : p.prg)
            write(r.sName + u'\t' + r.read + u'\t' + r.shown);
        return ExitOk;
    }
    // Every value checked before anything runs.
    for (const QString& s : sets) {
        QString name, value, canonical, why;
        if (!SplitSetting(s, name, value)) {
            ctx.error = QStringLiteral("Unknown pragma setting: ") + s;
            return ExitUsage;
        }
        TPragmaSettingItem* r = p.Find(name);
        if (!PragmaController::Validate(*r, value, canonical, why)) {
            ctx.error = QStringLiteral("Error: pragma ") + r->sName + QStringLiteral(": ") + why;
            return ExitUsage;
        }
        r->shown = value;
    }
    QString status;
    if (!p.UpdateAll(db, status)) {
        ctx.error = status;
        return ExitFailed;
    }
    write(status);
    return ExitOk;
}

const CliCommand kPragmasCommand{
    "pragmas",
    "pragmas DB [--set NAME=VALUE ...] [--show-sql NAME=VALUE] [--action NAME[=OPTION] [--table "
    "T]]",
    "The pragma settings of DB: one line per value pragma (name, the value read,\n"
    "the choice shown; tab-separated). --set changes values as \"Update all\n"
    "Pragmas\" does (an option's text or value, or a typed number; all checked\n"
    "first, an invalid one runs nothing, exit 2) and reads them again: a value\n"
    "that did not take is an error. --show-sql prints a value's statement with\n"
    "its comment; --action an action pragma's statement (its first option by\n"
    "default), TABLE, INDEX and TRIGGER replaced by T.",
    &CmdPragmas,
    {QStringLiteral("set"), QStringLiteral("show-sql"), QStringLiteral("action"),
     QStringLiteral("table")},
    {},
    1,
    1};

int CmdAnalyze(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    int shows = 0;
    for (const char* o : {"section", "explain"})
        shows += ctx.opts.contains(QLatin1String(o)) ? 1 : 0;
    shows += ctx.flags.contains(QStringLiteral("graph")) ? 1 : 0;
    if (shows > 1) return ExitUsage;
    if (ctx.flags.contains(QStringLiteral("replace")) &&
        !ctx.flags.contains(QStringLiteral("import")))
        return ExitUsage;
    int timeout = 150;
    if (ctx.opts.contains(QStringLiteral("timeout"))) {
        bool ok = false;
        timeout = ctx.opts.value(QStringLiteral("timeout")).toInt(&ok);
        if (!ok || timeout <= 0) return ExitUsage;
    }
    auto write = [&ctx](const QString& line) { ctx.Output()->write((line + "\r\n").toUtf8()); };
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    const QString listName = QStringLiteral("DBA_") + QFileInfo(ctx.args[0]).completeBaseName();
    QStringList lines;
    if (ctx.flags.contains(QStringLiteral("stored"))) {
        ListLoad(lines, listName);
    } else {
        QString status;
        const QString program = ctx.opts.value(QStringLiteral("analyzer"), FindAnalyzer());
        if (!RunAnalyzer(program, ctx.args[0], lines, status, nullptr, 10000, timeout * 1000)) {
            ctx.error = status;
            return ExitFailed;
        }
        EnsureFolders();
        if (!ListSave(lines, listName))
            ctx.notes << QStringLiteral("The report could not be stored in ") + SettingsDir();
    }
    const AnalyzerReport report(lines);
    if (ctx.flags.contains(QStringLiteral("import"))) {
        QString status;
        if (SpaceUsedKind(db) == 2 && !ctx.flags.contains(QStringLiteral("replace"))) {
            ctx.error = QStringLiteral("Import Error: the table \"space_used\" is not the "
                                       "analyzer's: kept (--replace replaces it)");
            return ExitFailed;
        }
        if (!ImportSpaceUsed(db, report, status)) {
            ctx.error = status;
            return ExitFailed;
        }
    }
    if (ctx.opts.contains(QStringLiteral("section"))) {
        write(QStringLiteral("Measured Item,Value,Relative"));
        for (const AnalyzerFigure& f : report.Figures(ctx.opts.value(QStringLiteral("section"))))
            write(CsvLine({f.item, f.value, f.relative}));
    } else if (ctx.opts.contains(QStringLiteral("explain"))) {
        write(report.Explain(ctx.opts.value(QStringLiteral("explain"))));
    } else if (ctx.flags.contains(QStringLiteral("graph"))) {
        for (const GraphRow& g : ReadGraph(db))
            write(CsvLine({g.name, QString::number(g.index ? -1 : 0), QString::number(g.payload),
                           QString::number(g.leafUnused), QString::number(g.gapCount),
                           QString::number(g.leafPages), QString::number(g.compressed)}));
    } else {
        for (const QString& s : report.Sections())
            write(s);
    }
    return ExitOk;
}

const CliCommand kAnalyzeCommand{
    "analyze",
    "analyze DB [--analyzer PATH] [--timeout S] [--stored] [--import [--replace]] [--section NAME "
    "| --explain ITEM | --graph]",
    "Runs sqlite3_analyzer on DB (found beside skylark-cli, then on the PATH, or\n"
    "--analyzer PATH; killed after --timeout S seconds, default 150) and stores\n"
    "its report with DB's settings (--stored uses the stored one instead).\n"
    "Prints the report's sections, one per line; --section NAME that section's\n"
    "figures as CSV, --explain ITEM an item's definition, --graph the rows of\n"
    "\"space_used\" (name, -1 for an index, payload, leaf_unused, gap_cnt,\n"
    "leaf_pages, compressed_size). --import rebuilds \"space_used\" from the\n"
    "report in one transaction; a table of that name that is not the analyzer's\n"
    "is replaced only with --replace.",
    &CmdAnalyze,
    {QStringLiteral("analyzer"), QStringLiteral("timeout"), QStringLiteral("section"),
     QStringLiteral("explain")},
    {QStringLiteral("stored"), QStringLiteral("import"), QStringLiteral("replace"),
     QStringLiteral("graph")},
    1,
    1};

} // namespace

std::span<const CliCommand* const> PragmaCommands() {
    static const CliCommand* const commands[] = {&kPragmasCommand, &kAnalyzeCommand};
    return commands;
}

} // namespace sky::cli
