// The script runner on real files: a golden output with a fixed clock; the
// script's transaction statements as savepoints (comments ignored) and any
// other way to end the run's transaction refused; a failing item naming the
// item and the engine's reason with everything rolled back; an item of two
// statements and a parameter that never ends; a full disk; and a committed
// run equal to the sqlite3 shell running the exported script.
#include "script/ScriptRunner.h"

#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempDb.h"
#include "support/Prompter.h"

#include <QBuffer>
#include <sqlite3.h>

namespace sky::test {
namespace {

class ScriptRunnerTest : public TempDbTest {
protected:
    ScriptRunResult RunItems(const QStringList& texts, int endMode, int statMode = 0) {
        QList<RunItemText> items;
        for (const QString& t : texts)
            items.append({1, t});
        ScriptRunOptions o;
        o.scriptFile = "s.sql";
        o.endMode = endMode;
        o.statMode = statMode;
        o.programVersion = "9.9";
        // A clock that moves 1 ms per reading.
        auto tick = std::make_shared<qint64>(0);
        o.now = [tick] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)).addMSecs((*tick)++); };
        auto steps = std::make_shared<qint64>(0);
        o.ms = [steps] { return (*steps)++; };
        out.setData(QByteArray());
        out.open(QIODevice::WriteOnly);
        const ScriptRunResult r = RunScriptItems(db, items, params, out, o, progress);
        out.close();
        return r;
    }
    QString Output() const { return QString::fromUtf8(out.data()); }
    ScriptParamList params;
    QBuffer out;
    NullProgress progress;
};

TEST(ScriptItemHead, KindsAndTransactionStatements) {
    // "reads" is the head's reading only (no writing word); the runner
    // treats a transaction statement as writing all the same.
    struct Case {
        const char* text;
        bool reads, opens, rollsBack;
    } cases[] = {
        {"select 1;", true, false, false},
        {"  -- note\n  WITH x AS (SELECT 1) SELECT * FROM x;", true, false, false},
        {"EXPLAIN QUERY PLAN DELETE FROM t;", true, false, false},
        {"INSERT INTO t SELECT 1;", false, false, false},
        {"CREATE TABLE selected(x);", false, false, false},
        {"PRAGMA user_version;", true, false, false},
        {"begin /* open */ immediate transaction;", true, true, false},
        {"COMMIT /* done */;", true, true, false},
        {"End Transaction;", true, true, false},
        {"ROLLBACK;", true, false, true},
        {"ROLLBACK TO sp;", true, false, false},
        {"BEGIN;  SELECT 1;", true, true, false},
        // A non-ASCII letter never upper-cases into a keyword.
        {"\u017Felect 1;", true, false, false},
    };
    for (const Case& c : cases) {
        const ScriptItemHead h = ReadScriptItemHead(QString::fromUtf8(c.text));
        EXPECT_FALSE(h.empty) << c.text;
        EXPECT_EQ(h.reads, c.reads) << c.text;
        EXPECT_EQ(h.opens, c.opens) << c.text;
        EXPECT_EQ(h.rollsBack, c.rollsBack) << c.text;
    }
    EXPECT_TRUE(ReadScriptItemHead("  -- only a comment").empty);
}

TEST_F(ScriptRunnerTest, GoldenOutputOfASuccessfulRun) {
    params = ScriptParamList::FromLines({"V=7"});
    const ScriptRunResult r =
        RunItems({"CREATE TABLE t(a);", "INSERT INTO t VALUES (<@v@>);", "SELECT a FROM t;"}, 0);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(r.committed);
    const QStringList lines = Output().split("\r\n");
    const QStringList expected{
        "  -- Processing SQL in: s.sql",
        "  -- SQLite version " + QString::fromUtf8(sqlite3_libversion()) + "  [ Release: " +
            QString::fromUtf8(sqlite3_sourceid()).left(10) + " ]  on  Skylark version 9.9.",
        "",
        "  -- Script Items: 3          Parameter Count: 1",
        "*",
        "*",
        "*", // the parameter table (the formatter's own tests)
        "",
        "  -- 2026-01-02 03:04:05.001  |  [Info]       Script Initialized, Started executing...",
        "  -- " + QString(96, u'='),
        "",
        "CREATE TABLE t(a);",
        "",
        "INSERT INTO t VALUES (7);",
        "",
        "SELECT a FROM t;",
        "",
        "",
        "      a     ",
        "------------",
        "      7     ",
        ""};
    ASSERT_GE(lines.size(), expected.size());
    for (int k = 0; k < expected.size(); ++k)
        if (expected[k] != "*") {
            EXPECT_EQ(lines[k], expected[k]) << k;
        }
    EXPECT_TRUE(Output().contains("[Success]    Script Success.\r\n"));
    EXPECT_TRUE(Output().contains("[Success]    Transaction Committed.\r\n"));
    EXPECT_EQ(Value("SELECT a FROM t"), "7");
}

TEST_F(ScriptRunnerTest, TransactionStatementsAndFailures) {
    Run("CREATE TABLE t(a UNIQUE);");
    // The script's COMMIT (with a comment) is a savepoint, its ROLLBACK
    // returns to it; the run commits at its end.
    ScriptRunResult r = RunItems({"BEGIN;", "INSERT INTO t VALUES (1);", "COMMIT /* done */;",
                                  "INSERT INTO t VALUES (2);", "ROLLBACK;"},
                                 0);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(Value("SELECT group_concat(a) FROM t"), "1");
    // Another way to end the transaction is refused; everything rolls back.
    const struct {
        QStringList items;
        const char* error;
    } cases[] = {
        {{"INSERT INTO t VALUES (5);", "END TRANSACTION /* x */ ; SELECT 1;"},
         "Script Failed in Item 1: more than one statement in this item"},
        {{"INSERT INTO t VALUES (5);", "INSERT INTO t VALUES (1);"},
         "Script Failed in Item 1: UNIQUE constraint failed: t.a"},
        {{"INSERT INTO t VALUES (5);", "SELEC 1;"},
         "Script Failed in Item 1: near \"SELEC\": syntax error"},
        {{"INSERT INTO t VALUES (<@loop@>);"},
         "Script Failed in Item 0: Parameter substitution does not terminate (Loop)"},
    };
    params = ScriptParamList::FromLines({"Loop=x<@loop@>"});
    for (const auto& c : cases) {
        r = RunItems(c.items, 0);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.status, QStringLiteral("Failed to complete: ") + c.error);
        EXPECT_EQ(Value("SELECT group_concat(a) FROM t"), "1") << c.error;
        EXPECT_FALSE(db.TransactionOpen());
    }
    // A comment-only item is a no-op; a rolled-back run (Test mode) changes nothing.
    r = RunItems({"-- nothing", "INSERT INTO t VALUES (9);"}, 1);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.committed);
    EXPECT_EQ(Value("SELECT group_concat(a) FROM t"), "1");
}

TEST_F(ScriptRunnerTest, ASourceThatRunsDryFailsTheRun) {
    // The headless run reads its file twice; a file that shrank between the
    // passes must not commit the part that was read.
    Run("CREATE TABLE t(a);");
    ScriptRunOptions o;
    o.endMode = 0;
    out.open(QIODevice::WriteOnly);
    const ScriptRunResult r = RunScriptItems(
        db, 3,
        [](const std::function<bool(RunItemText &&)>& each) {
            each(RunItemText{1, "INSERT INTO t VALUES (1);"});
        },
        params, out, o, progress);
    out.close();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Script items missing: 1 of 3 were read");
    EXPECT_EQ(Value("SELECT count(*) FROM t"), "0");
    EXPECT_FALSE(db.TransactionOpen());
}

// Cancelled once the item's statement has started (as Cancel in the
// progress dialog is pressed while the engine works).
class CancelLater : public ProgressSink {
public:
    void Advance(const QString&, double, double) override { ++calls; }
    bool IsCancelled() const override { return calls >= 2 && ++checks > 1; }
    void SetOverallDescription(const QString&) override {}
    int calls = 0;
    mutable int checks = 0;
};

TEST_F(ScriptRunnerTest, CancelInterruptsTheRunningStatementAndRollsBack) {
    Run("CREATE TABLE t(a);");
    CancelLater cancel;
    ScriptRunOptions o;
    o.endMode = 0;
    out.open(QIODevice::WriteOnly);
    const ScriptRunResult r =
        RunScriptItems(db,
                       {{1, "INSERT INTO t VALUES (1);"},
                        {1, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
                            "INSERT INTO t SELECT i FROM n;"}},
                       params, out, o, cancel);
    out.close();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Script Failed in Item 1: Query Aborted by User...");
    EXPECT_EQ(Value("SELECT count(*) FROM t"), "0");
    EXPECT_FALSE(db.TransactionOpen());
}

TEST_F(ScriptRunnerTest, AFullDiskRollsEverythingBack) {
    Run("CREATE TABLE t(a);");
    SetMaxPageCount(db.Handle(), 2);
    const ScriptRunResult r =
        RunItems({"INSERT INTO t VALUES (1);",
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                  "INSERT INTO t SELECT hex(randomblob(100)) FROM n;"},
                 0);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains("full")) << r.error.toStdString();
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(Value("SELECT count(*) FROM t"), "0");
    db.Close();
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(ScriptRunnerTest, ACommittedRunEqualsTheShellRunningTheExport) {
    const QStringList items{"CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);",
                            "INSERT INTO t(v) VALUES ('<@city DEFAULT Oslo@>');",
                            "INSERT INTO t(v) VALUES ('two'), (NULL);",
                            "UPDATE t SET v = v || '!';"};
    ASSERT_TRUE(RunItems(items, 0).ok);
    QByteArray exported;
    ASSERT_TRUE(ScriptFileText(items, &params, exported));
    db.Close();
    const QString other = dir.filePath("shell.db");
    RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {other}, exported);
    EXPECT_EQ(SqlDiff(path, other), QByteArray());
}

} // namespace
} // namespace sky::test
