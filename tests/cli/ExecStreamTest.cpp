// skylark-cli exec reading its script as it runs: from a file and from
// standard input, compared with the sqlite3 shell running the same bytes.
#include "common/Process.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using sky::test::Cli;
using sky::test::RunProgram;
using sky::test::Shell;
using sky::test::SqlDiff;
using Result = sky::test::ProcessResult;

// A script of many statements with a mark, CR LF, multi-line texts, comments
// and a trigger. (A line break inside a text is an LF: the shell drops the
// CR of every line it reads.)
QByteArray Script(int rows) {
    QByteArray s = "\xEF\xBB\xBF"
                   "CREATE TABLE t(id INTEGER PRIMARY KEY, a TEXT, b);\r\n"
                   "CREATE TABLE n(c);\r\n"
                   "CREATE TRIGGER tr AFTER INSERT ON t WHEN new.id % 100 = 0 BEGIN\r\n"
                   "  INSERT INTO n VALUES(new.id); END;\r\n"
                   "BEGIN;\r\n";
    for (int i = 1; i <= rows; ++i)
        s += "INSERT INTO t VALUES(" + QByteArray::number(i) + ", 'Grüße; ''" +
             QByteArray::number(i) + "''\n-- kept', /* b */ " + QByteArray::number(i * 3) +
             "); -- row\r\n";
    return s + "COMMIT;\r\n";
}

TEST(CliExecStream, FileAndStandardInputRunAsTheShellRuns) {
    QTemporaryDir dir;
    const QByteArray script = Script(5000);
    const QString file = dir.filePath(QStringLiteral("s.sql"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(script), script.size());
    f.close();

    const QString shellDb = dir.filePath(QStringLiteral("shell.db"));
    // The shell takes no byte-order mark: it reads the text after it.
    ASSERT_EQ(RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {shellDb}, script.mid(3)).code, 0);

    const QString fromFile = dir.filePath(QStringLiteral("file.db"));
    Result r = Cli({QStringLiteral("exec"), fromFile, QStringLiteral("-f"), file});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(SqlDiff(fromFile, shellDb).isEmpty());

    const QString fromStdin = dir.filePath(QStringLiteral("stdin.db"));
    r = Cli({QStringLiteral("exec"), fromStdin, QStringLiteral("-f"), QStringLiteral("-")}, script);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(SqlDiff(fromStdin, shellDb).isEmpty());
    EXPECT_EQ(Shell(fromStdin, QStringLiteral("SELECT count(*) FROM n;")), QByteArray("50"));
}

// A script that cannot be opened fails before the database is created; a
// failing statement stops a streamed script as it stops a text.
TEST(CliExecStream, FailuresAsForAText) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("x.db"));
    Result r = Cli({QStringLiteral("exec"), db, QStringLiteral("-f"),
                    dir.filePath(QStringLiteral("missing.sql"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Cannot read ")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(db));

    r = Cli({QStringLiteral("exec"), db, QStringLiteral("-f"), QStringLiteral("-")},
            "CREATE TABLE t(a);\nINSERT INTO t VALUES(1);\nINSERT INTO t VALUES('open");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("DB Error: unrecognized token: \"'open\"\n"));
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT group_concat(a) FROM t;")), QByteArray("1"));
}

// A script that sets a heap limit fails where the shell fails, whether it
// is a text, a file or standard input (exec keeps the engine's memory
// statistics, on which the limit rests, whenever the script may name one).
TEST(CliExecStream, HeapLimitIsKeptAsTheShellKeepsIt) {
    QTemporaryDir dir;
    const QByteArray script = "PRAGMA Hard_Heap_Limit = 300000;\n"
                              "CREATE TABLE t(x);\n"
                              "INSERT INTO t SELECT randomblob(5000000);\n";
    const QString file = dir.filePath(QStringLiteral("limit.sql"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(script), script.size());
    f.close();
    const QString shellDb = dir.filePath(QStringLiteral("shell.db"));
    const Result shell = RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {shellDb}, script);
    ASSERT_NE(shell.code, 0);
    ASSERT_TRUE(shell.err.contains("out of memory")) << shell.err.toStdString();

    const struct {
        const char* name;
        QStringList args;
        QByteArray input;
    } runs[] = {
        {"text", {QString::fromUtf8(script)}, {}},
        {"file", {QStringLiteral("-f"), file}, {}},
        {"stdin", {QStringLiteral("-f"), QStringLiteral("-")}, script},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        const QString db = dir.filePath(QString::fromUtf8(run.name) + QStringLiteral(".db"));
        const Result r = Cli(QStringList{QStringLiteral("exec"), db} + run.args, run.input);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, QByteArray("DB Error: out of memory\n"));
        EXPECT_EQ(Shell(db, QStringLiteral("SELECT count(*) FROM t;")), QByteArray("0"));
    }
}

} // namespace
