// The script processor's commands: a script's items as the loader stores
// them, its parameter list, and its Save or Export form.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "script/ScriptLoader.h"
#include "script/ScriptParams.h"
#include "script/ScriptRunner.h"
#include "support/Folders.h"
#include "support/Prompter.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

namespace sky::cli {
namespace {

bool ReadItems(CliContext& ctx, const QString& file, QList<ScriptItem>& items, int& statements) {
    QString error;
    if (!ReadScriptItems(
            file,
            [&](const ScriptItem& i) {
                items.append(i);
                return true;
            },
            statements, error)) {
        ctx.error = error;
        return false;
    }
    return true;
}

// The parameter list: the parameter file (the companion, or --params), the
// markers (already in list), then every --param NAME=VALUE (names reduced
// as markers are). False on a malformed --param.
bool Params(CliContext& ctx, const QString& script, ScriptParamList& list) {
    const QString file = ctx.opts.value(QStringLiteral("params"), ParamFileOf(script));
    QString text;
    ScriptParamList old;
    if (QFileInfo::exists(file) && ReadTextFile(file, text))
        old = ScriptParamList::FromLines(
            text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")), Qt::SkipEmptyParts));
    list.KeepValues(old);
    for (const QString& p : ctx.repeated.value(QStringLiteral("param"))) {
        const qsizetype eq = p.indexOf(u'=');
        const QString name = eq > 0 ? ReduceParamName(p.left(eq)) : QString();
        if (name.isEmpty()) {
            ctx.error = QStringLiteral("--param needs NAME=VALUE, not ") + p;
            return false;
        }
        list.Set(name, p.mid(eq + 1));
    }
    return true;
}

int CmdScriptItems(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    QList<ScriptItem> items;
    int statements = 0;
    if (!ReadItems(ctx, ctx.args[0], items, statements)) return ExitFailed;
    QJsonArray list;
    for (const ScriptItem& i : items)
        list.append(QJsonObject{{QStringLiteral("srt"), i.srt}, {QStringLiteral("sql"), i.sql}});
    const QJsonObject o{{QStringLiteral("loaded"), statements}, {QStringLiteral("items"), list}};
    Print(ctx,
          QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
    return ExitOk;
}

int CmdScriptParams(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    QList<ScriptItem> items;
    int statements = 0;
    ScriptParamList list;
    if (!ReadItems(ctx, ctx.args[0], items, statements)) return ExitFailed;
    for (const ScriptItem& i : items)
        list.AddMarkers(i.sql);
    if (!Params(ctx, ctx.args[0], list)) return ExitUsage;
    for (const QString& line : list.Lines())
        Print(ctx, line + QStringLiteral("\r\n"));
    return ExitOk;
}

int CmdScriptExport(CliContext& ctx) {
    if (ctx.args.size() != 1 || ctx.outputFile.isEmpty()) return ExitUsage;
    QList<ScriptItem> items;
    int statements = 0;
    ScriptParamList list;
    if (!ReadItems(ctx, ctx.args[0], items, statements)) return ExitFailed;
    for (const ScriptItem& i : items)
        list.AddMarkers(i.sql);
    if (!Params(ctx, ctx.args[0], list)) return ExitUsage;
    QStringList texts;
    for (const ScriptItem& i : items)
        texts << i.sql;
    QByteArray out;
    QString why;
    if (!ScriptFileText(texts, ctx.flags.contains(QStringLiteral("as-saved")) ? nullptr : &list,
                        out, &why)) {
        ctx.error = why;
        return ExitFailed;
    }
    ctx.Output()->write(out);
    return ExitOk;
}

int CmdScript(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    ScriptRunOptions o;
    o.scriptFile = ctx.args[1];
    o.programVersion = FileVersionText();
    static const QStringList ends{"commit", "rollback"}, stats{"none", "script", "select", "full"},
        logs{"silent", "normal", "verbose"};
    const QString end = ctx.opts.value(QStringLiteral("end"), QStringLiteral("rollback"));
    const QString stat = ctx.opts.value(QStringLiteral("stats"), QStringLiteral("select"));
    const QString log = ctx.opts.value(QStringLiteral("log-mode"), QStringLiteral("normal"));
    if (!ends.contains(end) || !stats.contains(stat) || !logs.contains(log)) return ExitUsage;
    o.endMode = end == QLatin1String("commit") ? 0 : 1;
    o.statMode = int(stats.indexOf(stat));
    o.fullQueries = ctx.flags.contains(QStringLiteral("full-queries"));
    o.fullBlobs = ctx.flags.contains(QStringLiteral("full-blobs"));
    auto number = [&](const char* name, int& v, int lo, int hi) {
        if (!ctx.opts.contains(QLatin1String(name))) return true;
        bool ok = false;
        v = std::clamp(ctx.opts.value(QLatin1String(name)).toInt(&ok), lo, hi);
        return ok;
    };
    if (!number("max-col-width", o.table.maxWidth, 10, 1024) ||
        !number("padding", o.table.padding, 0, 64) ||
        !number("buffer-lines", o.table.bufferRows, 16, 4096))
        return ExitUsage;
    if (ctx.opts.contains(QStringLiteral("separator")))
        o.table.separator = ctx.opts.value(QStringLiteral("separator"));
    if (ctx.opts.contains(QStringLiteral("divider")))
        o.table.divider = ctx.opts.value(QStringLiteral("divider"));
    // Pass 1 counts the items and collects their parameters (the parameter
    // table heads the output); pass 2 reads the file again and runs
    // each item as it is split, so memory stays flat in the script's size.
    ScriptParamList params;
    int count = 0, statements = 0;
    QString error;
    if (!ReadScriptItems(
            ctx.args[1],
            [&](const ScriptItem& i) {
                ++count;
                params.AddMarkers(i.sql);
                return true;
            },
            statements, error)) {
        ctx.error = error;
        return ExitFailed;
    }
    if (!Params(ctx, ctx.args[1], params)) return ExitUsage;
    const int mode = int(logs.indexOf(log));
    const RunItemSource source = [&](const std::function<bool(RunItemText &&)>& each) {
        int n = 0;
        ReadScriptItems(
            ctx.args[1],
            [&](const ScriptItem& i) {
                // A file grown since pass 1 runs only the counted items.
                return ++n <= count && each(RunItemText{mode, i.sql});
            },
            statements, error);
    };
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    // Ctrl+C is Stop: the run rolls back and its output is written.
    InterruptProgress progress;
    // The output: -o, else the script's companion, replaced whatever the
    // outcome once the run has ended.
    ScriptRunResult r;
    ctx.keepOutput = true;
    if (!ctx.outputFile.isEmpty()) {
        r = RunScriptItems(db, count, source, params, *ctx.Output(), o, progress);
    } else {
        QSaveFile out(OutputFileOf(ctx.args[1]));
        if (!out.open(QIODevice::WriteOnly)) {
            ctx.error = QStringLiteral("Could not Create Output File: ") + out.errorString();
            return ExitFailed;
        }
        r = RunScriptItems(db, count, source, params, out, o, progress);
        if (!out.commit()) {
            ctx.error = QStringLiteral("Could not write the Output File: ") + out.errorString();
            return ExitFailed;
        }
    }
    if (!r.ok) {
        ctx.error = r.status;
        return ExitFailed;
    }
    ctx.notes << r.status;
    return ExitOk;
}

const CliCommand kScriptCommand{
    "script",
    "script DB SCRIPT [--param NAME=VALUE]... [--params FILE] [-o FILE] [--end commit|rollback] "
    "[--stats none|script|select|full] [--log-mode silent|normal|verbose] [--full-queries] "
    "[--full-blobs] [--max-col-width N] [--padding N] [--buffer-lines N] [--separator TEXT] "
    "[--divider TEXT]",
    "Runs every item of SCRIPT against DB in one transaction, as the script\n"
    "processor's Run does: the script's BEGIN, COMMIT, END and ROLLBACK become\n"
    "savepoints, the first failing item ends the run and rolls everything back.\n"
    "--end commit commits a successful run (default rollback). The output goes to\n"
    "the script's .output.txt (or -o FILE), replaced when the run ends whatever\n"
    "the outcome. Exit 1 names the failure (\"Failed to complete: ...\").",
    &CmdScript,
    {QStringLiteral("params"), QStringLiteral("param"), QStringLiteral("end"),
     QStringLiteral("stats"), QStringLiteral("log-mode"), QStringLiteral("max-col-width"),
     QStringLiteral("padding"), QStringLiteral("buffer-lines"), QStringLiteral("separator"),
     QStringLiteral("divider")},
    {QStringLiteral("full-queries"), QStringLiteral("full-blobs")},
    2,
    1};

const CliCommand kScriptItemsCommand{
    "script-items",
    "script-items SCRIPT",
    "Prints the items of SCRIPT as the script processor's loader stores them:\n"
    "{\"loaded\": n, \"items\": [{\"srt\": s, \"sql\": text}, ...]}; n counts every\n"
    "statement, also those of comments only, which are no items.",
    &CmdScriptItems,
    {},
    {},
    1,
    0};

const CliCommand kScriptParamsCommand{
    "script-params",
    "script-params SCRIPT [--params FILE] [--param NAME=VALUE]...",
    "Prints the script's parameter list as its parameter file holds it: the\n"
    "values of the companion .param.txt (or --params FILE) for the markers\n"
    "<@ name DEFAULT value @> of its items, then every --param.",
    &CmdScriptParams,
    {QStringLiteral("params"), QStringLiteral("param")},
    {},
    1,
    0};

const CliCommand kScriptExportCommand{
    "script-export",
    "script-export SCRIPT -o FILE [--params FILE] [--param NAME=VALUE]... [--as-saved]",
    "Writes the script's Export form to FILE: each item with its parameter\n"
    "values written in (leading #, @ and | removed), its non-blank lines and an\n"
    "empty line, CR LF, UTF-8. --as-saved writes the Save form instead.",
    &CmdScriptExport,
    {QStringLiteral("params"), QStringLiteral("param")},
    {QStringLiteral("as-saved")},
    1,
    0};

} // namespace

std::span<const CliCommand* const> ScriptProcessorCommands() {
    static const CliCommand* const commands[] = {&kScriptCommand, &kScriptItemsCommand,
                                                 &kScriptParamsCommand, &kScriptExportCommand};
    return commands;
}

} // namespace sky::cli
