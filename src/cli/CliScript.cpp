// The script commands: running and splitting scripts, writing the database
// script, the online backup and the table rebuild.
#include "cli/CliFamilies.h"

#include "engine/Database.h"
#include "engine/EngineStartup.h"
#include "engine/Restructure.h"
#include "support/JsonText.h"
#include "support/TextFile.h"

#include <cstdio>
#include <unistd.h>

namespace sky::cli {

namespace {

// Opens the script that -f names (standard input for "-"), to be read as it
// runs. A file the user names may be a pipe or a device (-f /dev/stdin).
bool OpenScript(CliContext& ctx, TextFileReader& reader) {
    if (ctx.inputFile == QStringLiteral("-")) {
        reader.OpenDescriptor(STDIN_FILENO);
        return true;
    }
    QString why;
    if (reader.Open(ctx.inputFile, &why, true)) return true;
    ctx.error = QStringLiteral("Cannot read ") + ctx.inputFile + QStringLiteral(": ") + why;
    return false;
}

int CmdExec(CliContext& ctx) {
    if (ctx.args.isEmpty() || ctx.args.size() > 2) return ExitUsage;
    if ((ctx.args.size() == 2) == !ctx.inputFile.isEmpty())
        return ExitUsage; // exactly one of SQL and -f FILE
    // The script file stays open while it runs and is closed after the
    // database: closing a descriptor of a file that a connection holds would
    // drop the connection's locks.
    TextFileReader reader;
    const bool fromFile = ctx.args.size() == 1;
    if (fromFile && !OpenScript(ctx, reader)) return ExitFailed;
    // The engine's memory statistics cost a lock and counter updates on
    // every allocation, and no command shows them; only the heap limits
    // (PRAGMA soft_heap_limit and hard_heap_limit) rest on them. They are
    // left out when the script cannot name a limit: an SQL text or a file in
    // which "heap_limit" does not occur (a pipe is not read ahead).
    const QLatin1StringView limitWord("heap_limit");
    const bool mayLimitHeap =
        fromFile ? reader.ContainsAsciiWord(QByteArrayView(limitWord.data(), limitWord.size())) != 0
                 : ctx.args[1].contains(limitWord, Qt::CaseInsensitive);
    if (!mayLimitHeap) DisableEngineMemoryStatistics();
    TSQLite3Database db;
    if (!db.Open(ctx.args[0])) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    if (!(fromFile ? db.ExecuteList(reader) : db.ExecuteList(ctx.args[1]))) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    db.Close();
    return ExitOk;
}

const CliCommand kExecCommand{
    "exec",
    "exec DB (SQL | -f FILE)",
    "Opens DB (creating it when missing) and runs the script statement by statement,\n"
    "stopping at the first failure. Prints nothing on success.",
    &CmdExec,
    {},
    {},
    1,
    1,
    false};

int CmdSplit(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    TSQLiteStatementArray statements;
    {
        QString script;
        if (!ReadInput(ctx, script)) return ExitFailed;
        TSQLite3Database db;
        QString tail;
        db.SQLReduceToStatements(script, statements, true, &tail);
        // An unfinished tail (open quote, comment, bracket or trigger body)
        // is an error, as the engine would find it.
        if (!tail.isEmpty()) {
            ctx.error = db.LastError();
            return ExitFailed;
        }
    }
    // Written piece by piece: a big script is never held twice as JSON text.
    QIODevice* out = ctx.Output();
    std::string chunk = "[";
    for (qsizetype i = 0; i < statements.size(); ++i) {
        if (i > 0) chunk += ", ";
        const QByteArray utf8 = statements[i].toUtf8();
        AppendJsonString(chunk, utf8.constData(), utf8.size());
        statements[i].clear();
        if (chunk.size() >= 65536) {
            if (out->write(chunk.data(), qint64(chunk.size())) < 0) return ExitFailed;
            chunk.clear();
        }
    }
    chunk += "]\n";
    out->write(chunk.data(), qint64(chunk.size()));
    return ExitOk;
}

const CliCommand kSplitCommand{
    "split",
    "split [-f FILE]",
    "Reads a script (standard input by default) and prints its statements as one\n"
    "JSON array of strings. Exits 1 when the script ends unfinished (an open quote,\n"
    "comment, bracket or trigger body).",
    &CmdSplit,
    {},
    {}};

// The INSERT size the windows use for script exports.
constexpr int kScriptQuerySize = 16384;

int CmdDump(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    int querySize = kScriptQuerySize;
    if (!IntOption(ctx, QStringLiteral("query-size"), querySize)) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    const bool data = !ctx.flags.contains(QStringLiteral("no-data"));
    QIODevice* out = ctx.Output();
    const bool ok =
        ctx.opts.contains(QStringLiteral("table"))
            ? db.ExportTableScript(ctx.opts.value(QStringLiteral("table")), out, querySize, data)
            : db.ExportDBScript(out, querySize, data);
    if (!ok) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    return ExitOk;
}

const CliCommand kDumpCommand{
    "dump",
    "dump DB [--table T] [--no-data] [--query-size N]",
    "Writes an SQL script that recreates the database (or one table with --table):\n"
    "schema, rows, indexes, triggers, views, sequence counters and pragmas.\n"
    "  --no-data        the schema only\n"
    "  --query-size N   start a new INSERT when its rows reach N characters\n"
    "                   (default 16384, as the windows use)\n"
    "Exits 1 with the reason on standard error when it fails: an -o FILE is then\n"
    "left as it was (on standard output the script ends in its failure notes).",
    &CmdDump,
    {QStringLiteral("table"), QStringLiteral("query-size")},
    {QStringLiteral("no-data")},
    1,
    1};

int CmdBackup(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    TBackupProgressCallback progress;
    if (isatty(fileno(stderr))) {
        progress = [](TSQLite3Database*, qint64 done, qint64 total, bool&) {
            std::fprintf(stderr, "\rTransferring Page %lld of %lld", static_cast<long long>(done),
                         static_cast<long long>(total > 0 ? total : 1));
            if (done >= total) std::fputc('\n', stderr);
            std::fflush(stderr);
        };
    }
    if (!db.BackupDB(ctx.args[1], progress, ctx.opts.value(QStringLiteral("source-schema")),
                     ctx.opts.value(QStringLiteral("target-schema")))) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    return ExitOk;
}

const CliCommand kBackupCommand{
    "backup",
    "backup DB DEST [--source-schema S] [--target-schema S]",
    "Copies DB page by page into DEST (created when missing, replaced otherwise)\n"
    "with the engine's online backup; schema names default to main. Shows the\n"
    "pages done on standard error when it is a terminal.",
    &CmdBackup,
    {QStringLiteral("source-schema"), QStringLiteral("target-schema")},
    {},
    2,
    2,
    false};

int CmdRestructure(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    QString structure, why;
    if (!ReadInput(ctx, structure)) return ExitFailed;
    // Both lists are CSV records: quoted names keep their line breaks.
    QList<TStructColumn> columns;
    if (!ParseStructureCsv(structure, columns, why)) {
        ctx.error = why;
        return ExitFailed;
    }
    QList<TStructIndex> indexes;
    if (ctx.opts.contains(QStringLiteral("indices"))) {
        QString text;
        const QString file = ctx.opts.value(QStringLiteral("indices"));
        if (!ReadTextFile(file, text, &why)) {
            ctx.error = QStringLiteral("Cannot read ") + file + QStringLiteral(": ") + why;
            return ExitFailed;
        }
        if (!ParseIndexCsv(text, indexes, why)) {
            ctx.error = why;
            return ExitFailed;
        }
    }
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    if (!RestructureTable(db, columns, indexes, ctx.args[1],
                          ctx.flags.contains(QStringLiteral("allow-loss")))) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    return ExitOk;
}

const CliCommand kRestructureCommand{
    "restructure",
    "restructure DB TABLE [-f FILE] [--indices FILE] [--allow-loss]",
    "Rebuilds TABLE from CSV records name,type,key (standard input by default; a\n"
    "key beginning with PRI makes the primary key; names are used exactly as\n"
    "read), keeping the rows of the columns that stay. A type is type-name words\n"
    "and at most one list of one or two numbers in parentheses. --indices FILE\n"
    "holds index records (unique flag \"0\", name, position, column in fields 2\n"
    "to 5). All or nothing. A rebuild that would lose what the lists cannot hold\n"
    "(indexes not passed, changed rowids, generated columns, WITHOUT ROWID,\n"
    "STRICT, AUTOINCREMENT, constraints of kept columns) is refused and names the\n"
    "loss, unless --allow-loss is given.",
    &CmdRestructure,
    {QStringLiteral("indices")},
    {QStringLiteral("allow-loss")},
    1,
    1,
    false};
} // namespace

std::span<const CliCommand* const> ScriptCommands() {
    static const CliCommand* const commands[] = {&kExecCommand, &kSplitCommand, &kDumpCommand,
                                                 &kBackupCommand, &kRestructureCommand};
    return commands;
}

} // namespace sky::cli
