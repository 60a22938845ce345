// The commands of skylark-cli. Each command only parses its arguments and
// calls the core code the windows use.
#pragma once

#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

namespace sky::cli {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

struct CliContext {
    QStringList args;             // positional arguments after the command
    QString inputFile;            // -f FILE
    QString outputFile;           // -o FILE
    QHash<QString, QString> opts; // --name VALUE options
    QSet<QString> flags;          // --name flags
    QString error;                // what goes to stderr

    // Standard output, or the -o file (written to a temporary file and put
    // in place only when the command succeeds).
    QIODevice* Output();
    std::unique_ptr<QIODevice> out;
    bool outputFailed = false;
    bool keepOutput = false; // the -o file is put in place even when the command fails
};

struct CliCommand {
    const char* name;
    const char* synopsis;
    const char* help;
    int (*run)(CliContext& ctx);
    QStringList valueOptions; // --name VALUE
    QStringList flagOptions;  // --name
};

const CliCommand* FindCommand(const QString& name);
QString UsageText();
QString CommandHelp(const CliCommand& c);
// Runs the whole command line (argv without the program name); err receives
// what goes to standard error.
int RunCli(const QStringList& argv, QString& err);

} // namespace sky::cli
