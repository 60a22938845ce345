// The small tools from the command line: the calculator, the code export
// and the completion vocabulary.
#include "cli/CliFamilies.h"

#include "calculator/CalcEngine.h"
#include "codeexport/Codify.h"
#include "completion/Completion.h"
#include "engine/Database.h"
#include "engine/SqlLiteral.h"

#include "support/Folders.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include <QFile>
#include <QRegularExpression>

namespace sky::cli {
namespace {

// Presses the keys of one sequence; false (why set) for an unknown token.
bool RunKeys(CalcEngine& e, const QStringList& keys, bool steps, QStringList& out, QString& why) {
    static const QRegularExpression number(QStringLiteral("^[0-9.]+$"));
    static const struct {
        const char* token;
        const char* cls;
        char code;
    } table[] = {{"+", "dop", 'a'},   {"-", "dop", 's'},    {"x", "dop", 'm'},   {"*", "dop", 'm'},
                 {"/", "dop", 'd'},   {"^", "dop", 'p'},    {"=", "nop", 'e'},   {"%", "sop", 'p'},
                 {"sqr", "sop", '2'}, {"sqrt", "sop", 'r'}, {"neg", "nop", 'i'}, {"pi", "nop", 'p'},
                 {"C", "clr", 'c'},   {"CE", "clr", 'e'}};
    for (const QString& k : keys) {
        bool submitted = false;
        if (number.match(k).hasMatch()) {
            for (QChar c : k)
                e.Press(QStringLiteral("num"), c == u'.' ? QChar(u'p') : c);
        } else if (k == QLatin1String("BS")) {
            e.Backspace();
        } else if (k == QLatin1String("submit")) {
            if (e.submitShown) {
                e.Submit();
                submitted = true;
            }
        } else {
            const auto* it = std::find_if(std::begin(table), std::end(table), [&](const auto& t) {
                return k == QLatin1String(t.token);
            });
            if (it == std::end(table)) {
                why = QStringLiteral("Unknown key: ") + k;
                return false;
            }
            submitted = e.Press(QLatin1String(it->cls), QLatin1Char(it->code));
        }
        if (submitted) {
            out << QStringLiteral("Submitted: ") + e.Value();
            return true; // the dialog has closed: later keys are ignored
        }
        if (steps) out << e.OpLabel() + e.Display();
    }
    if (!steps) out << e.Display();
    return true;
}

int CmdCalc(CliContext& ctx) {
    QList<QStringList> sequences;
    if (!ctx.inputFile.isEmpty()) {
        if (!ctx.args.isEmpty()) return ExitUsage;
        QFile f(ctx.inputFile);
        if (!f.open(QIODevice::ReadOnly)) {
            ctx.error = QStringLiteral("Cannot read ") + ctx.inputFile;
            return ExitFailed;
        }
        for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n'))
            if (!line.trimmed().isEmpty())
                sequences << line.simplified().split(u' ', Qt::SkipEmptyParts);
    } else {
        QStringList keys;
        for (const QString& a : ctx.args)
            keys << a.simplified().split(u' ', Qt::SkipEmptyParts);
        sequences << keys;
    }
    for (const QStringList& keys : sequences) {
        CalcEngine e;
        e.submitShown = ctx.flags.contains(QStringLiteral("modal"));
        QStringList out;
        if (!RunKeys(e, keys, ctx.flags.contains(QStringLiteral("steps")), out, ctx.error))
            return ExitUsage;
        for (const QString& l : out)
            ctx.Output()->write((l + QStringLiteral("\r\n")).toUtf8());
    }
    return ExitOk;
}

const CliCommand kCalcCommand{
    "calc",
    "calc [KEYS] [-f FILE] [--modal] [--steps]",
    "Presses the calculator's keys and prints its display: numbers typed digit\n"
    "by digit, + - x * / ^ = %, sqr, sqrt, neg, pi, C, CE, BS and submit,\n"
    "separated by spaces. --modal runs as the editor's \"Add Calculator value\"\n"
    "does: once it submits, the line is \"Submitted: \" + the value as inserted\n"
    "(\".\" as the decimal point) and later keys are ignored. --steps prints the\n"
    "display after every key; -f FILE one sequence per line. Unknown key: exit 2.",
    &CmdCalc,
    {},
    {QStringLiteral("modal"), QStringLiteral("steps")},
    0,
    0};

int CmdCodeExport(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    const bool list = ctx.flags.contains(QStringLiteral("list"));
    const bool defaults = ctx.flags.contains(QStringLiteral("defaults"));
    const bool byName = ctx.opts.contains(QStringLiteral("item"));
    const bool byIndex = ctx.opts.contains(QStringLiteral("index"));
    if (int(list) + int(defaults) + int(byName) + int(byIndex) != 1) return ExitUsage;
    if (defaults) {
        ctx.Output()->write((CodifyDefaults() + QStringLiteral("\r\n")).toUtf8());
        return ExitOk;
    }
    if (ctx.opts.contains(QStringLiteral("settings"))) {
        QFile f(ctx.opts.value(QStringLiteral("settings")));
        if (!f.open(QIODevice::ReadOnly)) {
            ctx.error = QStringLiteral("Cannot read ") + f.fileName();
            return ExitFailed;
        }
        CodifySetup(QString::fromUtf8(f.readAll()));
    } else {
        CodifyLoadStored(); // as the program loads it at start-up
    }
    QStringList names;
    CodifyNames(names);
    if (list) {
        for (int k = 0; k < names.size(); ++k)
            ctx.Output()->write((QString::number(k) + u'\t' + names[k] + "\r\n").toUtf8());
        return ExitOk;
    }
    int index = -1;
    if (byIndex) {
        bool ok = false;
        index = ctx.opts.value(QStringLiteral("index")).toInt(&ok);
        if (!ok) return ExitUsage;
    } else {
        index = int(names.indexOf(ctx.opts.value(QStringLiteral("item"))));
    }
    if (index < 0 || index >= names.size()) {
        ctx.error = QStringLiteral("No such code export item");
        return ExitFailed;
    }
    QByteArray sql;
    if (ctx.inputFile.isEmpty()) {
        QFile in;
        if (in.open(stdin, QIODevice::ReadOnly)) sql = in.readAll();
    } else {
        QFile in(ctx.inputFile);
        if (!in.open(QIODevice::ReadOnly)) {
            ctx.error = QStringLiteral("Cannot read ") + ctx.inputFile;
            return ExitFailed;
        }
        sql = in.readAll();
    }
    ctx.Output()->write(Codify(QString::fromUtf8(sql), index).toUtf8());
    return ExitOk;
}

const CliCommand kCodeExportCommand{
    "code-export",
    "code-export (--item NAME | --index N | --list | --defaults) [-f FILE] [--settings FILE]",
    "Writes the SQL (standard input, or -f FILE) as a string literal of a\n"
    "programming language: the item by name or index from the stored code\n"
    "export settings (\"CodifySettings\", as the program loads them) or from\n"
    "--settings FILE. --list prints index and name of each item, --defaults the\n"
    "built-in settings text. An unknown item: exit 1.",
    &CmdCodeExport,
    {QStringLiteral("item"), QStringLiteral("index"), QStringLiteral("settings")},
    {QStringLiteral("list"), QStringLiteral("defaults")},
    0,
    0};

int CmdComplete(CliContext& ctx) {
    if (ctx.args.size() > 1) return ExitUsage;
    TSQLite3Database db;
    const bool withDb = !ctx.args.isEmpty();
    if (withDb && !OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    for (const QString& a : ctx.repeated.value(QStringLiteral("attach"))) {
        const qsizetype eq = a.indexOf(u'=');
        if (eq <= 0 || !withDb) return ExitUsage;
        if (!db.Execute(QStringLiteral("ATTACH DATABASE ") + QuoteSqlString(a.mid(eq + 1)) +
                        QStringLiteral(" AS ") + QuoteSqlString(a.left(eq)) + u';')) {
            ctx.error = db.LastError();
            return ExitFailed;
        }
    }
    CompletionModel m;
    m.Build(withDb ? &db : nullptr);
    auto write = [&ctx](const QJsonObject& o) {
        ctx.Output()->write(QJsonDocument(o).toJson(QJsonDocument::Compact) + "\n");
    };
    if (ctx.flags.contains(QStringLiteral("table-names"))) {
        for (const QString& n : m.TableNames())
            ctx.Output()->write((n + u'\n').toUtf8());
        return ExitOk;
    }
    QList<QPair<QString, qsizetype>> tokens; // token and where it starts
    for (const QString& p : ctx.repeated.value(QStringLiteral("prefix")))
        tokens.append({p, 0});
    if (ctx.opts.contains(QStringLiteral("context"))) {
        const QString text = ctx.opts.value(QStringLiteral("context"));
        const qsizetype from = CompletionModel::TokenStart(text, text.size());
        tokens.append({text.mid(from), from});
    }
    if (tokens.isEmpty()) tokens.append({QString(), 0});
    for (const auto& [token, from] : tokens) {
        const QList<int> found = m.Answer(token);
        QJsonObject o{{"prefix", token}};
        if (ctx.flags.contains(QStringLiteral("count"))) {
            o.insert("count", int(found.size()));
        } else {
            o.insert("from", int(from));
            QJsonArray items;
            for (int k : found) {
                const CompletionItem& i = m.Items()[k];
                items.append(QJsonObject{{"kind", i.kind},
                                         {"kindWord", i.kindWord},
                                         {"name", i.name},
                                         {"display", i.shownName},
                                         {"detail", i.detail},
                                         {"description", i.description},
                                         {"insert", i.insert}});
            }
            o.insert("items", items);
        }
        write(o);
    }
    return ExitOk;
}

const CliCommand kCompleteCommand{
    "complete",
    "complete [DB] [--prefix P]... [--context TEXT] [--attach NAME=FILE]... [--count] "
    "[--table-names]",
    "The completion pop-up's vocabulary: DB's databases, tables, views, columns,\n"
    "indexes and triggers (after attaching each FILE as NAME), then the built-in\n"
    "operators, keywords, functions, pragmas and types (without DB the built-in\n"
    "pop-up's). Per --prefix (or the word ending --context; none: all) one JSON\n"
    "line with the items whose inserted text starts with it; --count their number;\n"
    "--table-names the highlighter's table names.",
    &CmdComplete,
    {QStringLiteral("prefix"), QStringLiteral("context"), QStringLiteral("attach")},
    {QStringLiteral("count"), QStringLiteral("table-names")},
    1,
    1};

} // namespace

std::span<const CliCommand* const> ToolCommands() {
    static const CliCommand* const commands[] = {&kCalcCommand, &kCodeExportCommand,
                                                 &kCompleteCommand};
    return commands;
}

} // namespace sky::cli
