// The commands of skylark-cli. Each command only parses its arguments and
// calls the core code the windows use.
#pragma once

#include <QFileDevice>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

namespace sky::cli {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Where a command's output goes: standard output, or the -o file, written
// aside and put in place only by Finish(true). Every write is checked (a
// short write is a failure); after the first failure every write fails and
// Reason() says why.
class CliOutput : public QIODevice {
public:
    ~CliOutput() override;
    // An empty name opens standard output.
    bool OpenOutput(const QString& file, QString& why);
    // Writes what is buffered; with keep, puts the -o file in place, else
    // leaves the old file as it was. False when any write failed.
    bool Finish(bool keep);
    bool Failed() const { return failed; }
    QString Reason() const { return reason; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override;

private:
    bool Drain();
    void Fail(const QString& why);
    int fd = -1;
    std::unique_ptr<QFileDevice> file;
    QByteArray buf;
    bool failed = false;
    QString reason;
};

struct CliContext {
    QStringList args;                     // positional arguments after the command
    QString inputFile;                    // -f FILE
    QString outputFile;                   // -o FILE
    QHash<QString, QString> opts;         // --name VALUE options (the last value of each)
    QHash<QString, QStringList> repeated; // every value of each --name VALUE, in order
    QSet<QString> flags;                  // --name flags
    QString error;                        // what goes to stderr
    bool keepOutput = false;              // the -o file is put in place also after a failure
    QStringList notes;                    // lines for stderr besides the error (files skipped)

    // Standard output or the -o file, opened before the command runs.
    QIODevice* Output() { return out.get(); }
    std::unique_ptr<CliOutput> out;
};

struct CliCommand {
    const char* name;
    const char* synopsis;
    const char* help;
    int (*run)(CliContext& ctx);
    QStringList valueOptions; // --name VALUE
    QStringList flagOptions;  // --name
    int fileArgs = 0;         // leading arguments naming files it reads (-1: all)
    int dbArgs = 0;           // of those, the databases it opens (never empty)
    bool writes = true;       // has output (-o is accepted)
};

const CliCommand* FindCommand(const QString& name);
QString UsageText();
QString CommandHelp(const CliCommand& c);
// Runs the whole command line (argv without the program name); err receives
// what goes to standard error.
int RunCli(const QStringList& argv, QString& err);
// main's arguments as file-name text: an argument that is not valid UTF-8
// cannot name its file (Qt would open another one) and is refused.
int RunCliArgv(int argc, char** argv, QString& err);
// Writes all of text to standard error; false when that failed.
bool WriteStderr(const QByteArray& text);

} // namespace sky::cli
