// The file commands: versions, file headers and information, the database
// file search, and packed text.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/FileHeader.h"
#include "shell/InfoPages.h"
#include "shell/Search.h"
#include "support/Codec.h"

#include <QFile>

namespace sky::cli {

namespace {

// System texts.
const QString kCannotRead = QStringLiteral("Cannot read ");
const QString kStandardInput = QStringLiteral("standard input");
const QString kCannotPack = QStringLiteral("Cannot pack the input");
const QString kCannotUnpack = QStringLiteral("Invalid Encoder format");

// Reads all of standard input (or -f FILE) as bytes.
bool ReadInputBytes(CliContext& ctx, QByteArray& bytes) {
    QFile in;
    const bool ok = ctx.inputFile.isEmpty() || ctx.inputFile == QStringLiteral("-")
                        ? in.open(stdin, QIODevice::ReadOnly)
                        : (in.setFileName(ctx.inputFile), in.open(QIODevice::ReadOnly));
    if (!ok) {
        ctx.error = kCannotRead + (ctx.inputFile.isEmpty() ? kStandardInput : ctx.inputFile);
        return false;
    }
    bytes = in.readAll();
    return true;
}

int CmdVersion(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    TSQLite3Database db;
    Print(ctx, QStringLiteral("Skylark ") + QStringLiteral(SKYLARK_VERSION) +
                   QStringLiteral("\nSQLite ") + db.SQLiteVersion() +
                   QStringLiteral("\nSQLite source ") + db.SQLiteSoftwVersion() +
                   QStringLiteral("\n"));
    return ExitOk;
}

const CliCommand kVersionCommand{
    "version",
    "version",
    "Prints the program's version, the SQLite library version and its source id.",
    &CmdVersion,
    {},
    {}};

int CmdProbe(CliContext& ctx) {
    if (ctx.args.isEmpty()) return ExitUsage;
    for (const QString& file : ctx.args) {
        TSQLite3FileHeader h;
        ReadDBFileHeader(file, h);
        Print(ctx, h.StatusText + QLatin1Char('\t') + file + QLatin1Char('\n'));
    }
    return ExitOk;
}

const CliCommand kProbeCommand{
    "probe",
    "probe FILE...",
    "Reads the header of each file without opening it as a database and prints one\n"
    "line per file: the status (Ready, Inaccessible, Missing, Locked, Invalid), a tab,\n"
    "the file name.",
    &CmdProbe,
    {},
    {},
    -1};

int CmdPack(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    QByteArray data;
    if (!ReadInputBytes(ctx, data)) return ExitFailed;
    const QByteArray packed = PackText(data, ctx.opts.value(QStringLiteral("passphrase")).toUtf8());
    if (!data.isEmpty() && packed.isEmpty()) {
        ctx.error = kCannotPack;
        return ExitFailed;
    }
    ctx.Output()->write(packed + '\n');
    return ExitOk;
}

const CliCommand kPackCommand{
    "pack",
    "pack [--passphrase P]",
    "Packs standard input (or -f FILE) into one line of packed text: compressed when\n"
    "longer than 64 bytes, enciphered when a passphrase is given.",
    &CmdPack,
    {QStringLiteral("passphrase")},
    {}};

int CmdUnpack(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    QByteArray packed;
    if (!ReadInputBytes(ctx, packed)) return ExitFailed;
    QByteArray data;
    if (!UnpackText(packed.trimmed(), data,
                    ctx.opts.value(QStringLiteral("passphrase")).toUtf8())) {
        ctx.error = kCannotUnpack;
        return ExitFailed;
    }
    ctx.Output()->write(data);
    return ExitOk;
}

const CliCommand kUnpackCommand{
    "unpack",
    "unpack [--passphrase P]",
    "Unpacks packed text from standard input (or -f FILE) to the original bytes.\n"
    "Exits 1 on a text it cannot unpack.",
    &CmdUnpack,
    {QStringLiteral("passphrase")},
    {}};

int CmdFindDb(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    QStringList messages;
    const QString pattern =
        FileSearchPattern(ctx.opts.value(QStringLiteral("pattern"), QStringLiteral("*.*db")));
    QStringList found = FindDatabaseFiles(
        {ctx.args[0]}, pattern, ctx.flags.contains(QStringLiteral("recursive")), messages);
    ctx.notes << messages;
    // Files that could not be searched are reported; the search itself succeeded.
    if (ctx.opts.contains(QStringLiteral("table")))
        found =
            FindTables(found, ctx.opts.value(QStringLiteral("table")), false, nullptr, &ctx.notes);
    else if (ctx.opts.contains(QStringLiteral("field")))
        found =
            FindTables(found, ctx.opts.value(QStringLiteral("field")), true, nullptr, &ctx.notes);
    for (const QString& f : found)
        Print(ctx, f + QLatin1Char('\n'));
    return ExitOk;
}

const CliCommand kFindDbCommand{
    "find-db",
    "find-db FOLDER [--pattern P] [--recursive] [--table TEXT | --field TEXT]",
    "Lists the readable database files in FOLDER whose names match the pattern\n"
    "(default *.*db; a text without * or . is searched anywhere in the name), one\n"
    "per line. --table lists file | table for tables whose names are LIKE the text\n"
    "(% added around it unless it holds % or _); --field does the same for tables\n"
    "whose definition, or an index, trigger or view of them, mentions the text.\n"
    "Files that are locked or cannot be searched are reported on standard error;\n"
    "the exit status stays 0.",
    &CmdFindDb,
    {QStringLiteral("pattern"), QStringLiteral("table"), QStringLiteral("field")},
    {QStringLiteral("recursive")}};

int CmdInfo(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    TSQLite3FileHeader h;
    ReadDBFileHeader(ctx.args[0], h);
    QString out;
    for (const auto& [caption, value] : DatabaseInfoLines(ctx.args[0], h))
        out += caption.trimmed() + QLatin1Char(' ') + value + QLatin1Char('\n');
    Print(ctx, out);
    return h.Status == 2 || h.Status == 1 ? ExitFailed : ExitOk;
}

const CliCommand kInfoCommand{
    "info",
    "info FILE",
    "Reads the file's header without opening it as a database and prints the\n"
    "overview's information figures, one \"name: value\" line each. Exits 1 when the\n"
    "file is missing or its folder cannot be read.",
    &CmdInfo,
    {},
    {},
    -1};

} // namespace

std::span<const CliCommand* const> FileCommands() {
    static const CliCommand* const commands[] = {&kVersionCommand, &kProbeCommand,  &kPackCommand,
                                                 &kUnpackCommand,  &kFindDbCommand, &kInfoCommand};
    return commands;
}

} // namespace sky::cli
