// The command line of skylark-cli: the output device, the shared helpers of
// the command families, the command list and help, and the parsing of
// options and arguments.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "support/HeldFiles.h"
#include "support/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sky::cli {

namespace {

// System texts.
const QString kCannotWrite = QStringLiteral("Cannot write ");
const QString kStandardOutput = QStringLiteral("standard output");
const QString kNoDatabaseFile = QStringLiteral("no database file given");
const QString kNotUtf8 =
    QStringLiteral("The argument is not valid UTF-8, so it cannot name its file: ");
const QString kNoOutput = QStringLiteral(" writes no output: -o is not accepted");
const QString kOutputIsInput =
    QStringLiteral("The output file would replace a file this command reads (or its journal): ");
const QString kCannotRead = QStringLiteral("Cannot read ");
const QString kCannotReadStdin = QStringLiteral("Cannot read standard input");
const QString kNeedsNumber = QStringLiteral(" needs a number");
const QString kUnknownCommand = QStringLiteral("Unknown command: ");
const QString kNeedsFileName = QStringLiteral(" needs a file name");
const QString kNeedsValue = QStringLiteral(" needs a value");
const QString kOption = QStringLiteral("Option ");
const QString kUnknownOption = QStringLiteral("Unknown option ");
const QString kDashDashHint = QStringLiteral(" (put -- before arguments that begin with --)");

// Output is written in pieces of this size.
constexpr qsizetype kOutputChunk = 1 << 16;

// Writes all of data to fd; errno tells why when it returns false.
bool WriteAll(int fd, const char* data, qint64 len) {
    while (len > 0) {
        const ssize_t n = ::write(fd, data, size_t(len));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data += n;
        len -= n;
    }
    return true;
}

} // namespace

bool WriteStderr(const QByteArray& text) {
    return WriteAll(STDERR_FILENO, text.constData(), text.size());
}

CliOutput::~CliOutput() = default;

bool CliOutput::OpenOutput(const QString& name, QString& why) {
    if (name.isEmpty()) {
        fd = STDOUT_FILENO;
    } else {
        // A device or pipe (/dev/stdout, a FIFO) is written directly, a file
        // aside and renamed into place at the end.
        struct stat st;
        const bool special =
            ::stat(QFile::encodeName(name).constData(), &st) == 0 && !S_ISREG(st.st_mode);
        if (special)
            file = std::make_unique<QFile>(name);
        else
            file = std::make_unique<QSaveFile>(name);
        if (!file->open(QIODevice::WriteOnly)) {
            why = file->errorString();
            file.reset();
            return false;
        }
        fd = file->handle();
    }
    return open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void CliOutput::Fail(const QString& why) {
    if (failed) return;
    failed = true;
    reason = why;
    setErrorString(why);
}

bool CliOutput::Drain() {
    if (failed) return false;
    if (!buf.isEmpty() && !WriteAll(fd, buf.constData(), buf.size()))
        Fail(QString::fromLocal8Bit(std::strerror(errno)));
    buf.clear();
    return !failed;
}

qint64 CliOutput::writeData(const char* data, qint64 len) {
    if (failed) return -1;
    buf.append(data, len);
    if (buf.size() >= kOutputChunk && !Drain()) return -1;
    return len;
}

bool CliOutput::Finish(bool keep) {
    Drain();
    if (auto* save = dynamic_cast<QSaveFile*>(file.get())) {
        if (keep && !failed) {
            if (!save->commit()) Fail(save->errorString());
        } else {
            save->cancelWriting(); // the temporary file goes, the old file stays
        }
    }
    file.reset();
    close();
    return !failed;
}

void Print(CliContext& ctx, const QString& text) {
    ctx.Output()->write(text.toUtf8());
}

namespace {
volatile std::sig_atomic_t gInterrupted = 0;
} // namespace

InterruptProgress::InterruptProgress() {
    gInterrupted = 0;
    previous_ = std::signal(SIGINT, [](int) { gInterrupted = 1; });
}
InterruptProgress::~InterruptProgress() {
    std::signal(SIGINT, previous_);
}
bool InterruptProgress::IsCancelled() const {
    return gInterrupted != 0;
}

bool ReadInput(CliContext& ctx, QString& text) {
    if (ctx.inputFile.isEmpty() || ctx.inputFile == QStringLiteral("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            ctx.error = kCannotReadStdin;
            return false;
        }
        text = DecodeText(in.readAll());
        return true;
    }
    QString why;
    // A file the user names may be a pipe or a device (-f /dev/stdin).
    if (!ReadTextFile(ctx.inputFile, text, &why, true)) {
        ctx.error = kCannotRead + ctx.inputFile + QStringLiteral(": ") + why;
        return false;
    }
    return true;
}

// Opens an existing database file for the reading commands.
bool OpenExisting(CliContext& ctx, TSQLite3Database& db, const QString& file) {
    if (db.Open(file, 0, false, true)) return true;
    ctx.error = db.LastError();
    return false;
}

bool IntOption(CliContext& ctx, const QString& name, int& value) {
    if (!ctx.opts.contains(name)) return true;
    bool ok = false;
    value = ctx.opts.value(name).toInt(&ok);
    if (!ok) ctx.error = QStringLiteral("--") + name + kNeedsNumber;
    return ok;
}

namespace {

int CmdHelp(CliContext& ctx);

const CliCommand kHelpCommand{
    "help", "help [COMMAND]", "Describes every command, or one command.", &CmdHelp, {}, {}};

// The order in which help lists the commands; a command missing here is
// listed after these.
// clang-format off
const char* const kListing[] = {
    "version",       "exec",          "split",         "probe",         "query",
    "columns",       "pk",            "csv",           "pack",          "unpack",
    "dump",          "backup",        "table-sql",     "view-sql",      "info",
    "grid",          "tree",          "count-rows",    "drop-table",    "empty-table",
    "rename-table",  "copy-table",    "alter-table",   "add-column",    "drop-column",
    "rename-column", "column-refs",   "add-index",     "add-trigger",   "edit-object",
    "remove-object", "design-test",   "edit-data",     "import-csv",    "find-db",
    "restructure",   "quick-sql",     "results-copy",  "results-save",  "query-to-file",
    "query-to-table", "cell-action",   "import",        "import-to-csv", "import-preview",
    "script",        "script-items",  "script-params", "script-export", "doc",
    "check-schema",  "compare",       "pragmas",       "analyze",       "calc",
    "code-export",   "complete",      "transfer",      "quick-backup",  "restore",
    "vacuum",        "analyze-tables", "reindex",      "attach",        "load-extension",
    "new-db-from-table", "import-plan", "help"};
// clang-format on

// Every command of every family, in listing order.
const std::vector<const CliCommand*>& Commands() {
    static const std::vector<const CliCommand*> commands = [] {
        std::vector<const CliCommand*> all;
        for (auto family : {QueryCommands(), ScriptCommands(), SchemaCommands(), TableCommands(),
                            DataCommands(), ImportCommands(), FileImportCommands(),
                            ScriptProcessorCommands(), AnalysisCommands(), PragmaCommands(),
                            ToolCommands(), ResultsCommands(), FileCommands(), DatabaseCommands()})
            all.insert(all.end(), family.begin(), family.end());
        all.push_back(&kHelpCommand);
        auto rank = [](const CliCommand* c) {
            const auto* it =
                std::find_if(std::begin(kListing), std::end(kListing),
                             [c](const char* n) { return std::strcmp(n, c->name) == 0; });
            // A command not listed yet comes after the listed ones but
            // before help, which always closes the listing.
            if (it == std::end(kListing) && std::strcmp(c->name, "help") != 0)
                return std::size(kListing) - 1;
            return size_t(it - std::begin(kListing));
        };
        std::stable_sort(all.begin(), all.end(), [&](const CliCommand* a, const CliCommand* b) {
            return rank(a) < rank(b);
        });
        return all;
    }();
    return commands;
}

int CmdHelp(CliContext& ctx) {
    if (ctx.args.size() > 1) return ExitUsage;
    if (ctx.args.isEmpty()) {
        Print(ctx, UsageText());
        return ExitOk;
    }
    const CliCommand* c = FindCommand(ctx.args[0]);
    if (!c) {
        ctx.error = kUnknownCommand + ctx.args[0];
        return ExitUsage;
    }
    Print(ctx, CommandHelp(*c));
    return ExitOk;
}

} // namespace

const CliCommand* FindCommand(const QString& name) {
    for (const CliCommand* c : Commands())
        if (name == QLatin1String(c->name)) return c;
    return nullptr;
}

QString CommandHelp(const CliCommand& c) {
    return QStringLiteral("usage: skylark-cli ") + QLatin1String(c.synopsis) +
           (c.writes ? QStringLiteral(" [-o FILE]\n\n") : QStringLiteral("\n\n")) +
           QString::fromUtf8(c.help) + QLatin1Char('\n');
}

QString UsageText() {
    QString t = QStringLiteral("usage: skylark-cli COMMAND [ARGS] [OPTIONS]\n\nCommands:\n");
    for (const CliCommand* c : Commands())
        t += QStringLiteral("  ") + QLatin1String(c->synopsis) + QLatin1Char('\n');
    t += QStringLiteral(
        "\nOptions:\n"
        "  -f FILE   read the script from FILE (- for standard input)\n"
        "  -o FILE   write the output to FILE instead of standard output; FILE\n"
        "            is replaced only when the command succeeds and every write\n"
        "            is complete, and never names a file the command reads\n"
        "  --        what follows is arguments, even when it begins with --\n"
        "            (only --name words are options: an SQL text such as\n"
        "            \"-- note<newline>SELECT 1\" is an argument anyway)\n"
        "\nFile names are taken as given (no trimming, \"file:\" is part of a name);\n"
        "arguments must be valid UTF-8.\n"
        "skylark-cli help COMMAND describes a command and its options.\n"
        "Exit status: 0 success, 1 the operation failed (also when the output\n"
        "cannot be written), 2 wrong usage.\n");
    return t;
}

namespace {

// "--name": letters, digits and hyphens. Anything else that begins with "--"
// (an SQL comment, say) is an argument.
bool OptionShaped(const QString& a) {
    static const QRegularExpression re(QStringLiteral("^--[A-Za-z0-9][A-Za-z0-9-]*$"));
    return re.match(a).hasMatch();
}

// True when writing out would replace file, or its journal, WAL or
// shared-memory file.
} // namespace

int RunCli(const QStringList& argv, QString& err) {
    if (argv.isEmpty()) {
        err = UsageText();
        return ExitUsage;
    }
    const CliCommand* cmd = FindCommand(argv[0]);
    if (!cmd) {
        err = kUnknownCommand + argv[0] + QStringLiteral("\n\n") + UsageText();
        return ExitUsage;
    }
    CliContext ctx;
    auto usage = [&](const QString& why) {
        err = why + QStringLiteral("\n\n") + CommandHelp(*cmd);
        return int(ExitUsage);
    };
    for (qsizetype i = 1; i < argv.size(); ++i) {
        const QString& a = argv[i];
        if (a == QStringLiteral("-f") || a == QStringLiteral("-o")) {
            if (i + 1 >= argv.size()) return usage(kOption + a + kNeedsFileName);
            (a == QStringLiteral("-f") ? ctx.inputFile : ctx.outputFile) = argv[++i];
        } else if (a == QStringLiteral("--")) {
            while (++i < argv.size())
                ctx.args.append(argv[i]);
        } else if (OptionShaped(a)) {
            const QString name = a.mid(2);
            if (cmd->flagOptions.contains(name)) {
                ctx.flags.insert(name);
            } else if (cmd->valueOptions.contains(name)) {
                if (i + 1 >= argv.size()) return usage(kOption + a + kNeedsValue);
                ctx.opts.insert(name, argv[i + 1]);
                ctx.repeated[name] << argv[++i];
            } else {
                return usage(kUnknownOption + a + kDashDashHint);
            }
        } else {
            ctx.args.append(a);
        }
    }
    if (!cmd->writes && !ctx.outputFile.isEmpty())
        return usage(QLatin1String(cmd->name) + kNoOutput);
    const qsizetype databases = std::min<qsizetype>(cmd->dbArgs, ctx.args.size());
    for (qsizetype i = 0; i < databases; ++i)
        if (ctx.args[i].isEmpty()) return usage(kNoDatabaseFile);
    if (!ctx.outputFile.isEmpty()) {
        const qsizetype read = cmd->fileArgs < 0
                                   ? ctx.args.size()
                                   : std::min<qsizetype>(cmd->fileArgs, ctx.args.size());
        for (qsizetype i = 0; i < read; ++i)
            if (ReplacesFile(ctx.outputFile, ctx.args[i])) {
                err = kOutputIsInput + ctx.args[i] + QLatin1Char('\n');
                return ExitFailed;
            }
        if (IsHeldDatabaseFile(ctx.outputFile)) {
            err = HeldFileError(ctx.outputFile) + QLatin1Char('\n');
            return ExitFailed;
        }
    }
    const QString target = ctx.outputFile.isEmpty() ? kStandardOutput : ctx.outputFile;
    if (cmd->writes) {
        // Opened first: an output that cannot be written stops the command before it runs.
        ctx.out = std::make_unique<CliOutput>();
        QString why;
        if (!ctx.out->OpenOutput(ctx.outputFile, why)) {
            err = kCannotWrite + target + QStringLiteral(": ") + why + QLatin1Char('\n');
            return ExitFailed;
        }
    }
    int rc = cmd->run(ctx);
    if (rc == ExitUsage && ctx.error.isEmpty()) ctx.error = CommandHelp(*cmd);
    if (ctx.out && !ctx.out->Finish(rc == ExitOk || (rc == ExitFailed && ctx.keepOutput)) &&
        rc != ExitUsage) {
        // The failed write is the reason, whatever the command made of it.
        ctx.error = kCannotWrite + target + QStringLiteral(": ") + ctx.out->Reason();
        rc = ExitFailed;
    }
    QString text;
    for (const QString& n : std::as_const(ctx.notes))
        text += n + QLatin1Char('\n');
    if (!ctx.error.isEmpty())
        text += ctx.error.endsWith(QLatin1Char('\n')) ? ctx.error : ctx.error + QLatin1Char('\n');
    err = text;
    return rc;
}

namespace {

// The bytes as text, each byte outside a valid UTF-8 sequence as \\xNN.
QString ShownBytes(const QByteArray& raw) {
    QString shown;
    for (qsizetype i = 0; i < raw.size();) {
        qsizetype len = 1;
        for (; len <= 4 && i + len <= raw.size(); ++len) {
            const QByteArray piece = raw.mid(i, len);
            const QString text = QString::fromUtf8(piece);
            if (!text.contains(QChar::ReplacementCharacter) && text.toUtf8() == piece) break;
        }
        if (len <= 4 && i + len <= raw.size()) {
            shown += QString::fromUtf8(raw.mid(i, len));
        } else {
            shown +=
                QStringLiteral("\\x") +
                QString::number(uchar(raw[i]), 16).rightJustified(2, QLatin1Char('0')).toUpper();
            len = 1;
        }
        i += len;
    }
    return shown;
}

} // namespace

int RunCliArgv(int argc, char** argv, QString& err) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString a = QFile::decodeName(raw);
        // Qt cannot carry such a name: it would open another file.
        if (QFile::encodeName(a) != raw) {
            err = kNotUtf8 + ShownBytes(raw) + QLatin1Char('\n');
            return ExitUsage;
        }
        args << a;
    }
    return RunCli(args, err);
}

} // namespace sky::cli
