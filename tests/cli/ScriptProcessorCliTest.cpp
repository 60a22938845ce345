// The script processor's commands as programs: the items as the loader
// stores them, the parameter list from the companion file, the markers and
// --param, and the Export form run by the sqlite3 shell.
#include "common/Process.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

class ScriptCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        script =
            Write("load.sql", "-- header\r\nCREATE TABLE t(a, b);\r\n\r\n"
                              "INSERT INTO t VALUES (<@ first value DEFAULT 1 @>, '<@city@>');\r\n"
                              "-- only a comment\r\n");
        Write("load.param.txt", "City=Oslo\r\n");
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString f = dir.filePath(name);
        QFile out(f);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return f;
    }
    QTemporaryDir dir;
    QString script;
};

TEST_F(ScriptCli, ItemsParamsAndExport) {
    ProcessResult r = Cli({"script-items", script});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value("loaded").toInt(), 3); // the comment counts, it is no item
    const QJsonArray items = o.value("items").toArray();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toObject().value("sql").toString(), "-- header\r\nCREATE TABLE t(a, b);");
    EXPECT_EQ(items[1].toObject().value("srt").toInt(), 2);
    r = Cli({"script-params", script, "--param", "first value=7", "--param", "Extra=x"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "City=Oslo\r\nExtra=x\r\nFirstValue=7\r\n");
    EXPECT_EQ(Cli({"script-params", script, "--param", "novalue"}).code, 2);
    const QString out = dir.filePath("e.sql");
    r = Cli({"script-export", script, "-o", out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString db = dir.filePath("d.db");
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray exported = f.readAll();
    EXPECT_EQ(exported, "-- header\r\nCREATE TABLE t(a, b);\r\n\r\n"
                        "INSERT INTO t VALUES (1, 'Oslo');\r\n\r\n");
    RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {db}, exported);
    EXPECT_EQ(Shell(db, "SELECT a || b FROM t"), "1Oslo");
    r = Cli({"script-export", script, "-o", out, "--as-saved"});
    ASSERT_EQ(r.code, 0);
    f.close();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("<@ first value DEFAULT 1 @>"));
    EXPECT_EQ(Cli({"script-items", dir.filePath("none.sql")}).code, 1);
}

TEST_F(ScriptCli, RunCommitsOrRollsBackAndNamesTheFailure) {
    const QString db = dir.filePath("run.db");
    Shell(db, "CREATE TABLE keep(x);");
    ProcessResult r = Cli({"script", db, script});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(db, "SELECT count(*) FROM sqlite_master WHERE name = 't'"), "0"); // rolled back
    QFile out(dir.filePath("load.output.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.readAll().contains("Transaction Rolled back."));
    r = Cli({"script", db, script, "--end", "commit", "--param", "first value=3"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(db, "SELECT a || b FROM t"), "3Oslo");
    const QString bad =
        Write("bad.sql", "INSERT INTO keep VALUES (1);\r\nINSERT INTO nosuch VALUES (1);\r\n");
    const QString log = dir.filePath("bad.log");
    r = Cli({"script", db, bad, "--end", "commit", "-o", log});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(),
              "Failed to complete: Script Failed in Item 1: no such table: nosuch");
    EXPECT_EQ(Shell(db, "SELECT count(*) FROM keep"), "0");
    QFile logFile(log);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly)); // written also after a failure
    EXPECT_TRUE(logFile.readAll().contains("[ERROR]      no such table: nosuch"));
    EXPECT_EQ(Cli({"script", db, script, "--end", "maybe"}).code, 2);
}

TEST_F(ScriptCli, CtrlCStopsTheRunRollsBackAndWritesTheOutput) {
    const QString db = dir.filePath("stop.db");
    Shell(db, "CREATE TABLE keep(x);");
    const QString endless = Write(
        "endless.sql", "INSERT INTO keep VALUES (1);\r\nWITH RECURSIVE n(i) AS (SELECT 1 "
                       "UNION ALL SELECT i + 1 FROM n) INSERT INTO keep SELECT i FROM n;\r\n");
    QProcess p;
    p.start(SKYLARK_CLI_PATH, {"script", db, endless, "--end", "commit"});
    ASSERT_TRUE(p.waitForStarted());
    // Once the endless statement runs, Ctrl+C.
    QThread::msleep(700);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("Query Aborted by User..."));
    EXPECT_EQ(Shell(db, "SELECT count(*) FROM keep"), "0");
    EXPECT_EQ(Shell(db, "PRAGMA integrity_check"), "ok");
    QFile out(dir.filePath("endless.output.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.readAll().contains("Transaction Rolled back."));
}

} // namespace
} // namespace sky::test
