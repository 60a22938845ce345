#include "cli/CliCommands.h"

#include "design/SchemaLayouts.h"
#include "design/ScriptTables.h"
#include "engine/Database.h"
#include "engine/FileHeader.h"
#include "engine/Restructure.h"
#include "engine/ResultTable.h"
#include "shell/InfoPages.h"
#include "shell/Search.h"
#include "support/Codec.h"
#include "support/Csv.h"
#include "support/HeldFiles.h"
#include "support/JsonText.h"
#include "support/TextFile.h"
#include "workspace/SchemaTree.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// A failed write is kept by the output and reported when the command ends.
void Print(CliContext& ctx, const QString& text) {
    ctx.Output()->write(text.toUtf8());
}

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
    // A file the user names may be a pipe or a device (-f /dev/stdin).
    if (!ReadTextFile(ctx.inputFile, text, &why, true)) {
        ctx.error = QStringLiteral("Cannot read ") + ctx.inputFile + QStringLiteral(": ") + why;
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
    if (!ok) ctx.error = QStringLiteral("--") + name + QStringLiteral(" needs a number");
    return ok;
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

int CmdProbe(CliContext& ctx) {
    if (ctx.args.isEmpty()) return ExitUsage;
    for (const QString& file : ctx.args) {
        TSQLite3FileHeader h;
        ReadDBFileHeader(file, h);
        Print(ctx, h.StatusText + QLatin1Char('\t') + file + QLatin1Char('\n'));
    }
    return ExitOk;
}

int CmdQuery(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    const QString format = ctx.opts.value(QStringLiteral("format"), QStringLiteral("csv"));
    int limit = 0, lineNos = -1, rowsPerInsert = 1;
    if (!IntOption(ctx, QStringLiteral("limit-bytes"), limit) ||
        !IntOption(ctx, QStringLiteral("line-numbers"), lineNos) ||
        !IntOption(ctx, QStringLiteral("rows-per-insert"), rowsPerInsert))
        return ExitUsage;
    static const QHash<QString, TSQLiteExportOperation> ops{{QStringLiteral("insert"), seoINSERT},
                                                            {QStringLiteral("replace"), seoREPLACE},
                                                            {QStringLiteral("update"), seoUPDATE},
                                                            {QStringLiteral("table"), seoTABLE}};
    static const QHash<QString, TSQLiteExportLanguage> langs{
        {QStringLiteral("sqlite"), selSQLite},
        {QStringLiteral("mysql"), selMySQL},
        {QStringLiteral("postgres"), selPostGres},
        {QStringLiteral("oracle"), selOracle},
        {QStringLiteral("mssql"), selMSSQL}};
    const QString op = ctx.opts.value(QStringLiteral("sql-op"), QStringLiteral("insert"));
    const QString lang = ctx.opts.value(QStringLiteral("sql-lang"), QStringLiteral("sqlite"));
    if (!ops.contains(op) || !langs.contains(lang) ||
        !QStringList{QStringLiteral("csv"), QStringLiteral("json"), QStringLiteral("xml"),
                     QStringLiteral("sql")}
             .contains(format))
        return ExitUsage;
    if (ctx.opts.contains(QStringLiteral("null")))
        SetNullDisplayText(ctx.opts.value(QStringLiteral("null")));
    const bool convertBlobs = ctx.flags.contains(QStringLiteral("convert-blobs"));

    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    QIODevice* out = ctx.Output();
    const QString& sql = ctx.args[1];
    bool ok = false;
    if (format == QStringLiteral("csv"))
        ok = db.QueryToCSVStream(out, sql, ctx.flags.contains(QStringLiteral("no-line-breaks")),
                                 ctx.flags.contains(QStringLiteral("no-header")), limit, lineNos,
                                 convertBlobs);
    else if (format == QStringLiteral("json"))
        ok = db.QueryToJSONStream(out, sql, limit, convertBlobs);
    else if (format == QStringLiteral("xml"))
        ok = db.QueryToXMLStream(out, sql, limit, convertBlobs);
    else
        ok = db.QueryToSQLStream(out, sql, ops.value(op), langs.value(lang),
                                 ctx.opts.value(QStringLiteral("table")), rowsPerInsert, limit);
    if (!ok) {
        ctx.error = db.LastError().isEmpty() ? QStringLiteral("Query failed") : db.LastError();
        return ExitFailed;
    }
    return ExitOk;
}

int CmdColumns(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    QStringList lines;
    if (db.EnumColumns(lines, ctx.args[1], true) <= 0) {
        ctx.error = db.LastError().isEmpty() ? QStringLiteral("No such table: ") + ctx.args[1]
                                             : db.LastError();
        return ExitFailed;
    }
    for (const QString& l : lines)
        Print(ctx, l + QStringLiteral("\r\n"));
    return ExitOk;
}

int CmdPk(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    // A missing table fails as it does for `columns`, not as an empty key.
    QStringList columns;
    const int found = db.EnumColNames(columns, ctx.args[1]);
    if (found <= 0) {
        ctx.error = found < 0 && !db.LastError().isEmpty()
                        ? db.LastError()
                        : QStringLiteral("No such table: ") + ctx.args[1];
        return ExitFailed;
    }
    db.ClearError();
    const QString pk =
        db.GetPrimaryKeyFields(ctx.args[1], ctx.opts.value(QStringLiteral("schema")));
    if (!db.LastError().isEmpty()) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    Print(ctx, pk + QLatin1Char('\n'));
    return ExitOk;
}

// Reads all of standard input (or -f FILE) as bytes.
bool ReadInputBytes(CliContext& ctx, QByteArray& bytes) {
    QFile in;
    const bool ok = ctx.inputFile.isEmpty() || ctx.inputFile == QStringLiteral("-")
                        ? in.open(stdin, QIODevice::ReadOnly)
                        : (in.setFileName(ctx.inputFile), in.open(QIODevice::ReadOnly));
    if (!ok) {
        ctx.error = QStringLiteral("Cannot read ") +
                    (ctx.inputFile.isEmpty() ? QStringLiteral("standard input") : ctx.inputFile);
        return false;
    }
    bytes = in.readAll();
    return true;
}

int CmdPack(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    QByteArray data;
    if (!ReadInputBytes(ctx, data)) return ExitFailed;
    const QByteArray packed = PackText(data, ctx.opts.value(QStringLiteral("passphrase")).toUtf8());
    if (!data.isEmpty() && packed.isEmpty()) {
        ctx.error = QStringLiteral("Cannot pack the input");
        return ExitFailed;
    }
    ctx.Output()->write(packed + '\n');
    return ExitOk;
}

int CmdUnpack(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    QByteArray packed;
    if (!ReadInputBytes(ctx, packed)) return ExitFailed;
    QByteArray data;
    if (!UnpackText(packed.trimmed(), data,
                    ctx.opts.value(QStringLiteral("passphrase")).toUtf8())) {
        ctx.error = QStringLiteral("Invalid Encoder format");
        return ExitFailed;
    }
    ctx.Output()->write(data);
    return ExitOk;
}

int CmdCsv(CliContext& ctx) {
    if (!ctx.args.isEmpty()) return ExitUsage;
    QChar delimiter;
    if (ctx.opts.contains(QStringLiteral("delimiter"))) {
        QString d = ctx.opts.value(QStringLiteral("delimiter"));
        if (d == QStringLiteral("\\t") || d == QStringLiteral("tab")) d = QStringLiteral("\t");
        if (d.size() != 1) {
            ctx.error = QStringLiteral("--delimiter needs one character");
            return ExitUsage;
        }
        delimiter = d[0];
    }
    QString text;
    if (!ReadInput(ctx, text)) return ExitFailed;
    TCSVTableRec table;
    CSVConfigure(table, !ctx.flags.contains(QStringLiteral("no-header")),
                 ctx.flags.contains(QStringLiteral("keep-empty-lines")),
                 ctx.flags.contains(QStringLiteral("keep-whitespace")), delimiter.isNull(),
                 ctx.flags.contains(QStringLiteral("doubled")), delimiter);
    const int rows = CSVRead(text, table);
    QStringList headers;
    for (const TCSVColumnRec& c : table.Col)
        headers.append(c.Header);
    QIODevice* out = ctx.Output();
    std::string chunk = "{\"columns\": ";
    chunk += JsonStringArray(headers).toStdString();
    chunk += ", \"rows\": [";
    for (int r = 0; r < rows; ++r) {
        chunk += r > 0 ? ", [" : "[";
        for (qsizetype c = 0; c < table.Col.size(); ++c) {
            if (c > 0) chunk += ", ";
            const TCSVValues& values = table.Col[c].Row;
            if (r < values.size())
                values.view(r).visit([&](auto v) { AppendJsonString(chunk, v); });
            else
                chunk += "\"\"";
        }
        chunk += ']';
        if (chunk.size() >= 65536) {
            if (out->write(chunk.data(), qint64(chunk.size())) < 0) return ExitFailed;
            chunk.clear();
        }
    }
    chunk += "], \"error\": ";
    AppendJsonString(chunk, table.Cfg.ErrorDescr);
    chunk += ", \"errorRow\": " + std::to_string(table.Cfg.ErrorRow) + "}\n";
    out->write(chunk.data(), qint64(chunk.size()));
    return ExitOk;
}

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

int CmdTableSql(CliContext& ctx) {
    const bool all = ctx.flags.contains(QStringLiteral("all"));
    if (ctx.args.size() != (all ? 1 : 2)) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    if (all) {
        // The tables of --schema that the script creates itself (no shadow
        // tables of virtual tables, which their CREATE makes again).
        QStringList tables;
        QString why;
        if (!TablesForScript(db, ctx.opts.value(QStringLiteral("schema")), tables, &why)) {
            ctx.error = why;
            return ExitFailed;
        }
        QString out;
        for (const QString& t : tables) {
            TTableLayout layout;
            if (!convDBTableToLayout(db, ctx.opts.value(QStringLiteral("schema")), layout, t,
                                     &why)) {
                ctx.error = QStringLiteral("Failed to read table layout for: ") + t +
                            QStringLiteral(" (") + why + QLatin1Char(')');
                return ExitFailed;
            }
            out += convTableLayoutToSQL(layout);
        }
        Print(ctx, out);
        return ExitOk;
    }
    TTableLayout layout;
    QString why;
    if (!convDBTableToLayout(db, ctx.opts.value(QStringLiteral("schema")), layout, ctx.args[1],
                             &why)) {
        ctx.error = QStringLiteral("Failed to read table layout for: ") + ctx.args[1] +
                    QStringLiteral(" (") + why + QLatin1Char(')');
        return ExitFailed;
    }
    Print(ctx, convTableLayoutToSQL(layout));
    return ExitOk;
}

int CmdViewSql(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    TViewLayout view;
    if (!readView(db, ctx.args[1], view, ctx.opts.value(QStringLiteral("schema")))) {
        ctx.error = view.Comment;
        return ExitFailed;
    }
    Print(ctx, sqlFrom(view));
    return ExitOk;
}

int CmdGrid(CliContext& ctx) {
    if (ctx.args.size() != 2) return ExitUsage;
    int limit = -1;
    if (!IntOption(ctx, QStringLiteral("limit-bytes"), limit)) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    TResultTable t;
    if (!db.QueryToResults(t, ctx.args[1], limit, -1)) {
        ctx.error = db.LastError();
        return ExitFailed;
    }
    QString text = QStringLiteral("rows: ") + QString::number(t.RowCount()) +
                   QStringLiteral("\ncolumns: ") + QString::number(t.ColumnCount()) +
                   QStringLiteral("\nbytes: ") + QString::number(t.DataBytes()) + QLatin1Char('\n');
    if (ctx.flags.contains(QStringLiteral("show"))) {
        QStringList cells;
        for (int c = 0; c < t.ColumnCount(); ++c)
            cells << t.Heading(c);
        text += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        for (int r = 0; r < t.RowCount(); ++r) {
            cells.clear();
            for (int c = 0; c < t.ColumnCount(); ++c)
                cells << t.Text(r, c);
            text += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        }
    }
    Print(ctx, text);
    return ExitOk;
}

int CmdTree(CliContext& ctx) {
    if (ctx.args.size() != 1) return ExitUsage;
    TSQLite3Database db;
    if (!OpenExisting(ctx, db, ctx.args[0])) return ExitFailed;
    QList<SchemaNode> roots;
    const int count =
        BuildSchemaTree(db, ctx.flags.contains(QStringLiteral("alpha")) ? 1 : 0, roots, &ctx.error);
    if (!ctx.error.isEmpty()) return ExitFailed;
    QString text;
    std::function<void(const SchemaNode&, int)> print = [&](const SchemaNode& n, int depth) {
        text += QString(depth * 2, QLatin1Char(' ')) + NodeText(n.rec) + QLatin1Char('\n');
        for (const SchemaNode& c : n.children)
            print(c, depth + 1);
    };
    for (const SchemaNode& r : roots)
        print(r, 0);
    if (ctx.flags.contains(QStringLiteral("count")))
        text = QString::number(count) + QLatin1Char('\n');
    Print(ctx, text);
    return ExitOk;
}

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

int CmdHelp(CliContext& ctx);

const CliCommand kCommands[] = {
    {"version",
     "version",
     "Prints the program's version, the SQLite library version and its source id.",
     &CmdVersion,
     {},
     {}},
    {"exec",
     "exec DB (SQL | -f FILE)",
     "Opens DB (creating it when missing) and runs the script statement by statement,\n"
     "stopping at the first failure. Prints nothing on success.",
     &CmdExec,
     {},
     {},
     1,
     1,
     false},
    {"split",
     "split [-f FILE]",
     "Reads a script (standard input by default) and prints its statements as one\n"
     "JSON array of strings. Exits 1 when the script ends unfinished (an open quote,\n"
     "comment, bracket or trigger body).",
     &CmdSplit,
     {},
     {}},
    {"probe",
     "probe FILE...",
     "Reads the header of each file without opening it as a database and prints one\n"
     "line per file: the status (Ready, Inaccessible, Missing, Locked, Invalid), a tab,\n"
     "the file name.",
     &CmdProbe,
     {},
     {},
     -1},
    {"query",
     "query DB SQL [--format csv|json|xml|sql]",
     "Runs one query on an existing database and writes its rows (CR LF line ends).\n"
     "  --format csv|json|xml|sql   output format (default csv, with a header)\n"
     "  --limit-bytes N             stop after the row that reaches N bytes\n"
     "                              (negative: 16 MiB; default 0: the whole result)\n"
     "  --null TEXT                 how NULL is written in CSV and XML (default NULL)\n"
     "  --convert-blobs             blobs as 0x... hex text instead of [Blob]\n"
     "CSV:  --no-header, --no-line-breaks (line breaks in values become spaces),\n"
     "      --line-numbers N (number the rows from N)\n"
     "SQL:  --sql-op insert|replace|update|table, --sql-lang sqlite|mysql|postgres|\n"
     "      oracle|mssql, --table NAME, --rows-per-insert N (0: all in one statement)",
     &CmdQuery,
     {QStringLiteral("format"), QStringLiteral("limit-bytes"), QStringLiteral("null"),
      QStringLiteral("line-numbers"), QStringLiteral("sql-op"), QStringLiteral("sql-lang"),
      QStringLiteral("table"), QStringLiteral("rows-per-insert")},
     {QStringLiteral("convert-blobs"), QStringLiteral("no-header"),
      QStringLiteral("no-line-breaks")},
     1,
     1},
    {"columns",
     "columns DB TABLE",
     "Prints the columns of TABLE as CSV: cid, name, type, notnull, dflt_value, pk.",
     &CmdColumns,
     {},
     {},
     1,
     1},
    {"pk",
     "pk DB TABLE [--schema S]",
     "Prints the primary-key columns of TABLE in key order, quoted where needed.",
     &CmdPk,
     {QStringLiteral("schema")},
     {},
     1,
     1},
    {"csv",
     "csv [-f FILE]",
     "Reads delimited text (standard input by default) with the CSV reader and prints\n"
     "it as JSON: {\"columns\": [...], \"rows\": [[...], ...], \"error\": text,\n"
     "\"errorRow\": n}.\n"
     "  --delimiter C        the delimiter (\\t or tab for a tab; default: detected)\n"
     "  --no-header          the first line is data, not column names\n"
     "  --keep-empty-lines   empty lines are rows\n"
     "  --keep-whitespace    blanks around values are kept\n"
     "  --doubled            fields are separated by doubled delimiters",
     &CmdCsv,
     {QStringLiteral("delimiter")},
     {QStringLiteral("no-header"), QStringLiteral("keep-empty-lines"),
      QStringLiteral("keep-whitespace"), QStringLiteral("doubled")}},
    {"pack",
     "pack [--passphrase P]",
     "Packs standard input (or -f FILE) into one line of packed text: compressed when\n"
     "longer than 64 bytes, enciphered when a passphrase is given.",
     &CmdPack,
     {QStringLiteral("passphrase")},
     {}},
    {"unpack",
     "unpack [--passphrase P]",
     "Unpacks packed text from standard input (or -f FILE) to the original bytes.\n"
     "Exits 1 on a text it cannot unpack.",
     &CmdUnpack,
     {QStringLiteral("passphrase")},
     {}},
    {"dump",
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
     1},
    {"backup",
     "backup DB DEST [--source-schema S] [--target-schema S]",
     "Copies DB page by page into DEST (created when missing, replaced otherwise)\n"
     "with the engine's online backup; schema names default to main. Shows the\n"
     "pages done on standard error when it is a terminal.",
     &CmdBackup,
     {QStringLiteral("source-schema"), QStringLiteral("target-schema")},
     {},
     2,
     2,
     false},
    {"restructure",
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
     false},
    {"table-sql",
     "table-sql DB (TABLE | --all) [--schema S]",
     "Reads the table's layout (columns, constraints, indexes, triggers) from its\n"
     "stored text and prints the script that creates it; --all does so for every\n"
     "table of the schema but the engine's own and the shadow tables of virtual\n"
     "tables (the virtual table's CREATE makes them). Exits 1 with the reason when\n"
     "a layout cannot be read.",
     &CmdTableSql,
     {QStringLiteral("schema")},
     {QStringLiteral("all")},
     1,
     1},
    {"view-sql",
     "view-sql DB VIEW [--schema S]",
     "Reads the view from its stored text and prints the statement that creates it.",
     &CmdViewSql,
     {QStringLiteral("schema")},
     {},
     1,
     1},
    {"grid",
     "grid DB SQL [--limit-bytes N] [--show]",
     "Loads the query's rows as the results grid does (typed cells with the CSV\n"
     "export's texts, up to the CSV size limit, default 16 MiB) and prints the row\n"
     "and column counts and the bytes held; --show also prints the cells, | between.",
     &CmdGrid,
     {QStringLiteral("limit-bytes")},
     {QStringLiteral("show")},
     1,
     1},
    {"tree",
     "tree DB [--alpha] [--count]",
     "Prints the workspace's schema tree: each schema, its tables (in creation\n"
     "order, or by name with --alpha) and views, and below them their columns,\n"
     "indexes and triggers, one node text per line indented by depth. --count\n"
     "prints only the number of tables and views. A table or view whose layout\n"
     "cannot be read is shown by name, marked [layout not readable], and counted.\n"
     "Exits 1 with the reason when the database cannot be read.",
     &CmdTree,
     {},
     {QStringLiteral("alpha"), QStringLiteral("count")},
     1,
     1},
    {"find-db",
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
     {QStringLiteral("recursive")}},
    {"info",
     "info FILE",
     "Reads the file's header without opening it as a database and prints the\n"
     "overview's information figures, one \"name: value\" line each. Exits 1 when the\n"
     "file is missing or its folder cannot be read.",
     &CmdInfo,
     {},
     {},
     -1},
    {"help", "help [COMMAND]", "Describes every command, or one command.", &CmdHelp, {}, {}},
};

int CmdHelp(CliContext& ctx) {
    if (ctx.args.size() > 1) return ExitUsage;
    if (ctx.args.isEmpty()) {
        Print(ctx, UsageText());
        return ExitOk;
    }
    const CliCommand* c = FindCommand(ctx.args[0]);
    if (!c) {
        ctx.error = QStringLiteral("Unknown command: ") + ctx.args[0];
        return ExitUsage;
    }
    Print(ctx, CommandHelp(*c));
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
           (c.writes ? QStringLiteral(" [-o FILE]\n\n") : QStringLiteral("\n\n")) +
           QString::fromUtf8(c.help) + QLatin1Char('\n');
}

QString UsageText() {
    QString t = QStringLiteral("usage: skylark-cli COMMAND [ARGS] [OPTIONS]\n\nCommands:\n");
    for (const CliCommand& c : kCommands)
        t += QStringLiteral("  ") + QLatin1String(c.synopsis) + QLatin1Char('\n');
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
bool Replaces(const QString& out, const QString& file) {
    struct stat a, b;
    if (::stat(QFile::encodeName(out).constData(), &a) == 0 &&
        ::stat(QFile::encodeName(file).constData(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
        return true;
    const QString o = QFileInfo(out).absoluteFilePath();
    const QString f = QFileInfo(file).absoluteFilePath();
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        if (o == f + QLatin1String(suffix)) return true;
    return false;
}

} // namespace

int RunCli(const QStringList& argv, QString& err) {
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
    auto usage = [&](const QString& why) {
        err = why + QStringLiteral("\n\n") + CommandHelp(*cmd);
        return int(ExitUsage);
    };
    for (qsizetype i = 1; i < argv.size(); ++i) {
        const QString& a = argv[i];
        if (a == QStringLiteral("-f") || a == QStringLiteral("-o")) {
            if (i + 1 >= argv.size())
                return usage(QStringLiteral("Option ") + a + QStringLiteral(" needs a file name"));
            (a == QStringLiteral("-f") ? ctx.inputFile : ctx.outputFile) = argv[++i];
        } else if (a == QStringLiteral("--")) {
            while (++i < argv.size())
                ctx.args.append(argv[i]);
        } else if (OptionShaped(a)) {
            const QString name = a.mid(2);
            if (cmd->flagOptions.contains(name)) {
                ctx.flags.insert(name);
            } else if (cmd->valueOptions.contains(name)) {
                if (i + 1 >= argv.size())
                    return usage(QStringLiteral("Option ") + a + QStringLiteral(" needs a value"));
                ctx.opts.insert(name, argv[++i]);
            } else {
                return usage(QStringLiteral("Unknown option ") + a +
                             QStringLiteral(" (put -- before arguments that begin with --)"));
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
            if (Replaces(ctx.outputFile, ctx.args[i])) {
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
    if (ctx.out && !ctx.out->Finish(rc == ExitOk) && rc != ExitUsage) {
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
