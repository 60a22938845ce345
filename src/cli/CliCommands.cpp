#include "cli/CliCommands.h"

#include "engine/Database.h"
#include "support/JsonText.h"
#include "support/TextFile.h"

#include <QFile>

namespace sky::cli {
namespace {

bool ReadInput(CliContext& ctx, QString& text) {
    if (ctx.inputFile.isEmpty() || ctx.inputFile == QStringLiteral("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            ctx.error = QStringLiteral("Cannot read standard input");
            return false;
        }
        text = DecodeText(in.readAll());
        return true;
    }
    QString why;
    if (!ReadTextFile(ctx.inputFile, text, &why)) {
        ctx.error = QStringLiteral("Cannot read ") + ctx.inputFile + QStringLiteral(": ") + why;
        return false;
    }
    return true;
}

int CmdVersion(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    TSQLite3Database db;
    const QString text = QStringLiteral("Skylark ") + QStringLiteral(SKYLARK_VERSION) +
                         QStringLiteral("\nSQLite ") + db.SQLiteVersion() +
                         QStringLiteral("\nSQLite source ") + db.SQLiteSoftwVersion() +
                         QStringLiteral("\n");
    ctx.output = text.toUtf8();
    return ExitOk;
}

int CmdExec(CliContext& ctx) {
    if (ctx.args.isEmpty() || ctx.args.size() > 2) return ExitUsage;
    if ((ctx.args.size() == 2) == !ctx.inputFile.isEmpty())
        return ExitUsage; // exactly one of SQL and -f FILE
    QString script;
    if (ctx.args.size() == 2)
        script = ctx.args[1];
    else if (!ReadInput(ctx, script))
        return ExitFailed;
    TSQLite3Database db;
    if (!db.Open(ctx.args[0])) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    if (!db.ExecuteList(script)) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    db.Close();
    return ExitOk;
}

int CmdSplit(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    QString script;
    if (!ReadInput(ctx, script)) return ExitFailed;
    TSQLite3Database db;
    TSQLiteStatementArray statements;
    db.SQLReduceToStatements(script, statements, true);
    ctx.output = (JsonStringArray(statements) + QLatin1Char('\n')).toUtf8();
    return ExitOk;
}

int CmdHelp(CliContext& ctx);

const CliCommand kCommands[] = {
    {"version", "version",
     "Prints the program's version, the SQLite library version and its source id.", &CmdVersion},
    {"exec", "exec DB (SQL | -f FILE)",
     "Opens DB (creating it when missing) and runs the script statement by statement,\n"
     "stopping at the first failure. Prints nothing on success.",
     &CmdExec},
    {"split", "split [-f FILE]",
     "Reads a script (standard input by default) and prints its statements as one\n"
     "JSON array of strings.",
     &CmdSplit},
    {"help", "help [COMMAND]", "Describes every command, or one command.", &CmdHelp},
};

int CmdHelp(CliContext& ctx) {
    if (ctx.args.size() > 1) return ExitUsage;
    if (ctx.args.isEmpty()) {
        ctx.output = UsageText().toUtf8();
        return ExitOk;
    }
    const CliCommand* c = FindCommand(ctx.args[0]);
    if (!c) {
        ctx.error = QStringLiteral("Unknown command: ") + ctx.args[0];
        return ExitUsage;
    }
    ctx.output = CommandHelp(*c).toUtf8();
    return ExitOk;
}

} // namespace

const CliCommand* FindCommand(const QString& name) {
    for (const CliCommand& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

QString CommandHelp(const CliCommand& c) {
    return QStringLiteral("usage: skylark-cli ") + QLatin1String(c.synopsis) +
           QStringLiteral(" [-o FILE]\n\n") + QString::fromUtf8(c.help) + QLatin1Char('\n');
}

QString UsageText() {
    QString t = QStringLiteral("usage: skylark-cli COMMAND [ARGS] [OPTIONS]\n\nCommands:\n");
    for (const CliCommand& c : kCommands)
        t += QStringLiteral("  ") + QLatin1String(c.synopsis) + QLatin1Char('\n');
    t += QStringLiteral("\nOptions:\n"
                        "  -f FILE   read the script from FILE (- for standard input)\n"
                        "  -o FILE   write the output to FILE instead of standard output\n"
                        "\nExit status: 0 success, 1 the operation failed, 2 wrong usage.\n");
    return t;
}

int RunCli(const QStringList& argv, QByteArray& out, QString& err) {
    if (argv.isEmpty()) {
        err = UsageText();
        return ExitUsage;
    }
    const CliCommand* cmd = FindCommand(argv[0]);
    if (!cmd) {
        err = QStringLiteral("Unknown command: ") + argv[0] + QStringLiteral("\n\n") + UsageText();
        return ExitUsage;
    }
    CliContext ctx;
    for (qsizetype i = 1; i < argv.size(); ++i) {
        const QString& a = argv[i];
        if (a == QStringLiteral("-f") || a == QStringLiteral("-o")) {
            if (i + 1 >= argv.size()) {
                err = QStringLiteral("Option ") + a + QStringLiteral(" needs a file name\n");
                return ExitUsage;
            }
            (a == QStringLiteral("-f") ? ctx.inputFile : ctx.outputFile) = argv[++i];
        } else if (a == QStringLiteral("--")) {
            while (++i < argv.size())
                ctx.args.append(argv[i]);
        } else {
            ctx.args.append(a);
        }
    }
    const int rc = cmd->run(ctx);
    if (rc == ExitUsage && ctx.error.isEmpty()) ctx.error = CommandHelp(*cmd);
    if (!ctx.error.isEmpty())
        err = ctx.error.endsWith(QLatin1Char('\n')) ? ctx.error : ctx.error + QLatin1Char('\n');
    if (rc == ExitOk && !ctx.outputFile.isEmpty()) {
        QString why;
        if (!WriteFileAtomic(ctx.outputFile, ctx.output, &why)) {
            err = QStringLiteral("Cannot write ") + ctx.outputFile + QStringLiteral(": ") + why +
                  QLatin1Char('\n');
            return ExitFailed;
        }
        return ExitOk;
    }
    out = ctx.output;
    return rc;
}

} // namespace sky::cli
