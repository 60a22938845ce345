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

} // namespace
