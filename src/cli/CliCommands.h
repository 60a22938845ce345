// The commands of skylark-cli. Each command only parses its arguments and
// calls the core code the windows use.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace sky::cli {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

struct CliContext {
    QStringList args;   // positional arguments after the command
    QString inputFile;  // -f FILE
    QString outputFile; // -o FILE
    QByteArray output;  // what the command prints (UTF-8)
    QString error;      // what goes to stderr
};

struct CliCommand {
    const char* name;
    const char* synopsis;
    const char* help;
    int (*run)(CliContext& ctx);
};

const CliCommand* FindCommand(const QString& name);
QString UsageText();
QString CommandHelp(const CliCommand& c);
// Runs the whole command line (argv without the program name).
int RunCli(const QStringList& argv, QByteArray& out, QString& err);

} // namespace sky::cli
