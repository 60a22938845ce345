// The script processor's commands: a script's items as the loader stores
// them, its parameter list, and its Save or Export form.
#include "cli/CliFamilies.h"

#include "script/ScriptLoader.h"
#include "script/ScriptParams.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

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
// markers of the items, then every --param NAME=VALUE (names reduced as
// markers are). False on a malformed --param.
bool Params(CliContext& ctx, const QString& script, const QList<ScriptItem>& items,
            ScriptParamList& list) {
    const QString file = ctx.opts.value(QStringLiteral("params"), ParamFileOf(script));
    QString text;
    ScriptParamList old;
    if (QFileInfo::exists(file) && ReadTextFile(file, text))
        old = ScriptParamList::FromLines(
            text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")), Qt::SkipEmptyParts));
    QStringList texts;
    for (const ScriptItem& i : items)
        texts << i.sql;
    list = ScriptParamList::Collect(texts, old);
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
    if (!Params(ctx, ctx.args[0], items, list)) return ExitUsage;
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
    if (!Params(ctx, ctx.args[0], items, list)) return ExitUsage;
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
    static const CliCommand* const commands[] = {&kScriptItemsCommand, &kScriptParamsCommand,
                                                 &kScriptExportCommand};
    return commands;
}

} // namespace sky::cli
