// skylark-cli run as a real process; the sqlite3 shell reads back what it wrote.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

struct Result {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Result RunProgram(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForStarted()) << program.toStdString();
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

Result Cli(const QStringList& args, const QByteArray& input = {}) {
    return RunProgram(QStringLiteral(SKYLARK_CLI_PATH), args, input);
}

QByteArray Shell(const QString& db, const QString& sql) {
    return RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {db, sql}).out.trimmed();
}

TEST(Cli, VersionNamesProgramAndEngine) {
    const Result r = Cli({QStringLiteral("version")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("Skylark " SKYLARK_VERSION "\n"));
    EXPECT_TRUE(r.out.contains(QByteArray("SQLite ") + sqlite3_libversion() + "\n"));
    EXPECT_TRUE(r.out.contains(sqlite3_sourceid()));
}

TEST(Cli, ExecCreatesTheDatabaseAndRunsTheScript) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("new.db"));
    const Result r = Cli({QStringLiteral("exec"), db,
                          QStringLiteral("CREATE TABLE t(a, b);\n"
                                         "CREATE TRIGGER tr AFTER INSERT ON t BEGIN\n"
                                         "  UPDATE t SET b = 'x;y' WHERE rowid = new.rowid;\n"
                                         "END;\n"
                                         "INSERT INTO t(a) VALUES('it''s; fine'); -- done")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT a || '|' || b FROM t;")),
              QByteArray("it's; fine|x;y"));
}

TEST(Cli, ExecReadsAFileAndReportsTheFailure) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f.db"));
    const QString script = dir.filePath(QStringLiteral("s.sql"));
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("CREATE TABLE t(a);\r\nINSERT INTO t VALUES(1);\r\nINSERT INTO nosuch VALUES(2);\r\n"
            "INSERT INTO t VALUES(3);\r\n");
    f.close();
    const Result r = Cli({QStringLiteral("exec"), db, QStringLiteral("-f"), script});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("DB Error: no such table: nosuch\n"));
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT group_concat(a) FROM t;")), QByteArray("1"));

    const Result tail = Cli({QStringLiteral("exec"), db, QStringLiteral("SELECT (1")});
    EXPECT_EQ(tail.code, 1);
    EXPECT_EQ(tail.err, QByteArray("DB Error: incomplete input\n"));
}

TEST(Cli, WrongUsageExitsWithTwo) {
    const QStringList bad[] = {
        {},
        {QStringLiteral("nosuch")},
        {QStringLiteral("exec")},
        {QStringLiteral("exec"), QStringLiteral("x.db")},
        {QStringLiteral("exec"), QStringLiteral("x.db"), QStringLiteral("SELECT 1"),
         QStringLiteral("-f"), QStringLiteral("s.sql")},
        {QStringLiteral("split"), QStringLiteral("extra")},
        {QStringLiteral("split"), QStringLiteral("-f")},
        {QStringLiteral("help"), QStringLiteral("nosuch")},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = Cli(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(Cli, HelpDocumentsEveryCommand) {
    const Result all = Cli({QStringLiteral("help")});
    EXPECT_EQ(all.code, 0);
    for (const char* c : {"version", "exec DB (SQL | -f FILE)", "split [-f FILE]", "help"})
        EXPECT_TRUE(all.out.contains(c)) << c;
    const Result one = Cli({QStringLiteral("help"), QStringLiteral("split")});
    EXPECT_EQ(one.code, 0);
    EXPECT_TRUE(one.out.startsWith("usage: skylark-cli split [-f FILE]"));
}

TEST(Cli, SplitPrintsTheStatementsAsJson) {
    const QByteArray script = "BEGIN IMMEDIATE;\nINSERT INTO t VALUES('a;b', \"c\"\"d\"); -- x\n"
                              "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END;\nCOMMIT";
    const Result r = Cli({QStringLiteral("split")}, script);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &perr);
    ASSERT_EQ(perr.error, QJsonParseError::NoError) << r.out.toStdString();
    const QJsonArray a = doc.array();
    QStringList got;
    for (const auto& v : a)
        got << v.toString();
    EXPECT_EQ(
        got, (QStringList{QStringLiteral("BEGIN IMMEDIATE;"),
                          QStringLiteral("INSERT INTO t VALUES('a;b', \"c\"\"d\");"),
                          QStringLiteral("CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1; END"),
                          QStringLiteral(";"), QStringLiteral("COMMIT")}));

    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.sql"));
    const QString out = dir.filePath(QStringLiteral("out.json"));
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBFSELECT 'Gr\xC3\xBC\xC3\x9F"
            "e';");
    f.close();
    const Result toFile =
        Cli({QStringLiteral("split"), QStringLiteral("-f"), in, QStringLiteral("-o"), out});
    EXPECT_EQ(toFile.code, 0);
    EXPECT_TRUE(toFile.out.isEmpty());
    QFile o(out);
    ASSERT_TRUE(o.open(QIODevice::ReadOnly));
    EXPECT_EQ(o.readAll(), QByteArray("[\"SELECT 'Gr\xC3\xBC\xC3\x9F"
                                      "e';\"]\n"));
}

} // namespace
