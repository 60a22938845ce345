// The pragma page from the command line: the values read, the update of
// chosen values, a value's statement and an action button's statement.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "workspace/Pragmas.h"

namespace sky::cli {
namespace {

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

} // namespace

std::span<const CliCommand* const> PragmaCommands() {
    static const CliCommand* const commands[] = {&kPragmasCommand};
    return commands;
}

} // namespace sky::cli
