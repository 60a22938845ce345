// The connection object against real database files: execution, failures,
// transactions, foreign keys, busy refusals, progress and deferred closing.
#include "common/TempDb.h"
#include "engine/EngineStartup.h"
#include "engine/FileHeader.h"
#include "engine/Statement.h"
#include "engine/SystemLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>
#include <stdexcept>

namespace sky::test {
namespace {

const char* kEndless =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c;";

class DatabaseTest : public TempDbTest {};

QString ManyInserts(int n) {
    QString s;
    for (int i = 0; i < n; ++i)
        s += QStringLiteral("INSERT INTO t VALUES(%1);\n").arg(i);
    return s;
}

TEST(DatabaseOpen, MissingFileIsCreatedUnlessFailIfNotExist) {
    QTemporaryDir dir;
    const QString created = dir.filePath(QStringLiteral("new.db"));
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(created, 0, false, false));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.FileName(), created);
    db.Close();
    EXPECT_TRUE(QFile::exists(created));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.FileName().isEmpty());

    const QString missing = dir.filePath(QStringLiteral("missing.db"));
    EXPECT_FALSE(db.Open(missing, 0, false, true));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: unable to open database file"));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.FileName().isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
    // Read-only on a missing file fails too.
    EXPECT_FALSE(db.Open(missing, 0, true, false));
    EXPECT_FALSE(QFile::exists(missing));
}

// Nothing in a script or in the file's schema can load a library: the SQL
// function load_extension() is off while LoadExtension() still works.
TEST_F(DatabaseTest, OnlyTheCInterfaceLoadsExtensions) {
    EXPECT_FALSE(db.Execute(QStringLiteral("select load_extension('/no/such/lib.so');")));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("not authorized")))
        << db.LastError().toStdString();
    // Stored SQL cannot call it either, and every function of ours is free
    // of side effects, so the file's own views and generated columns may use
    // any of them (and the engine's JSON functions).
    EXPECT_FALSE(db.Execute(QStringLiteral("create view v as select load_extension('x');")) &&
                 db.Execute(QStringLiteral("select * from v;")));
    EXPECT_EQ(Value(QStringLiteral("select count(*) from pragma_function_list where name in "
                                   "('md5', 'titlecase', 'datefmt', 'similarity') and "
                                   "(flags & 0x200000) = 0;")),
              QStringLiteral("0"));
    Run(QStringLiteral("create table j(p, c as (json_extract(p, '$.c')));"
                       "insert into j(p) values('{\"c\": 7}');"));
    TSQLite3Database other;
    ASSERT_TRUE(other.Open(path));
    QString c;
    ASSERT_TRUE(other.QuerySingleValue(c, QStringLiteral("select c from j;")))
        << other.LastError().toStdString();
    EXPECT_EQ(c, QStringLiteral("7"));
    // Through the C interface the engine is asked, and says why it failed.
    const QString notALibrary = dir.filePath(QStringLiteral("plain.txt"));
    QFile f(notALibrary);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a library");
    f.close();
    EXPECT_FALSE(db.LoadExtension(notALibrary, QString()));
    EXPECT_FALSE(db.LastError().contains(QStringLiteral("not authorized")))
        << db.LastError().toStdString();
    EXPECT_FALSE(db.LastError().isEmpty());
    // The SQL function is still off afterwards.
    EXPECT_FALSE(db.Execute(QStringLiteral("select load_extension('/no/such/lib.so');")));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("not authorized")))
        << db.LastError().toStdString();
}

// A name is a file name, never a URI: "file:x.db?mode=memory" is a file in
// the current folder, opened and probed as such.
TEST(DatabaseOpen, NamesStartingWithFileAreFiles) {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString name = QStringLiteral("file:x.db?mode=memory");
    {
        TSQLite3Database db;
        EXPECT_TRUE(db.Open(name)) << db.LastError().toStdString();
        EXPECT_TRUE(db.Execute(QStringLiteral("create table t(a);")));
    }
    TSQLite3FileHeader h;
    ReadDBFileHeader(name, h);
    QDir::setCurrent(before);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(name)));
    EXPECT_EQ(h.Status, 0);
    EXPECT_EQ(EngineFileName(QStringLiteral("/abs/file:y")), QByteArray("/abs/file:y"));
}

TEST_F(DatabaseTest, ForeignKeysAreOnForEveryConnection) {
    bool on = false;
    ASSERT_TRUE(db.CheckForeignKeys(on));
    EXPECT_TRUE(on);
    EXPECT_TRUE(db.IntFuncsOk());
}

TEST_F(DatabaseTest, ReadOnlyOpenRefusesWrites) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    TSQLite3Database ro;
    ASSERT_TRUE(ro.Open(path, 0, true));
    EXPECT_FALSE(ro.Execute(QStringLiteral("INSERT INTO t VALUES(1);")));
    EXPECT_EQ(ro.LastError(), QStringLiteral("DB Error: attempt to write a readonly database"));
}

TEST_F(DatabaseTest, ExecuteRunsOnlyTheFirstStatementAndAcceptsComments) {
    EXPECT_TRUE(db.Execute(QStringLiteral("-- only a comment")));
    EXPECT_TRUE(db.LastError().isEmpty());
    EXPECT_TRUE(db.Execute(QStringLiteral("   \n  ")));
    EXPECT_FALSE(db.Execute(QString()));
    EXPECT_EQ(db.LastError(), QStringLiteral("Empty Query: \"\""));

    ASSERT_TRUE(db.Execute(QStringLiteral("CREATE TABLE a(x); CREATE TABLE b(x);")));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master")), QStringLiteral("1"));
    Run(QStringLiteral("CREATE TABLE c(x); CREATE TABLE d(x);"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master")), QStringLiteral("3"));
}

TEST_F(DatabaseTest, ExecuteListStopsAtTheFirstFailure) {
    Run(QStringLiteral("CREATE TABLE t(a UNIQUE);"));
    EXPECT_FALSE(db.ExecuteList(QStringLiteral(
        "INSERT INTO t VALUES(1);\nINSERT INTO nosuch VALUES(2);\nINSERT INTO t VALUES(3);")));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: no such table: nosuch"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(a) FROM t")), QStringLiteral("1"));
    EXPECT_FALSE(db.IsBusy());
    EXPECT_EQ(db.StatsQuery().QryLevel, 0);
}

TEST_F(DatabaseTest, ExecuteListFailsOnAnUnfinishedTailAfterRunningTheRest) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    struct Case {
        const char* script;
        const char* error;
    } cases[] = {
        {"INSERT INTO t VALUES(1); SELECT (1", "DB Error: incomplete input"},
        {"INSERT INTO t VALUES(1); SELECT 'abc", "DB Error: unrecognized token: \"'abc\""},
        {"INSERT INTO t VALUES(1); CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1;",
         "DB Error: incomplete input"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Run(QStringLiteral("DELETE FROM t;"));
        EXPECT_FALSE(db.ExecuteList(QString::fromUtf8(c.script)));
        EXPECT_EQ(db.LastError(), QString::fromUtf8(c.error));
        EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("1"));
    }
    // An empty script or one of comments only is no failure.
    EXPECT_TRUE(db.ExecuteList(QStringLiteral("-- nothing\n/* at all */")));
    EXPECT_TRUE(db.ExecuteList(QString()));
}

TEST_F(DatabaseTest, ExecuteListRunsTriggersWithSemicolonsInTheirBodies) {
    Run(QStringLiteral(
        "CREATE TABLE t(a, b);\nCREATE TABLE log(m);\n"
        "CREATE TRIGGER tr AFTER INSERT ON t BEGIN\n"
        "  INSERT INTO log VALUES(CASE WHEN new.a > 0 THEN 'pos;' ELSE 'The End' END);\n"
        "  INSERT INTO log VALUES('-- end');\n"
        "END;\n"
        "INSERT INTO t VALUES(1, 2);"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(m, '|') FROM log")),
              QStringLiteral("pos;|-- end"));
}

TEST_F(DatabaseTest, TransactionsAndTheirMisuse) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    EXPECT_FALSE(db.Commit());
    EXPECT_EQ(db.LastError(), QStringLiteral("No transaction is open"));
    EXPECT_FALSE(db.Rollback());
    EXPECT_EQ(db.LastError(), QStringLiteral("No transaction is open"));

    ASSERT_TRUE(db.BeginTransaction());
    EXPECT_TRUE(db.TransactionOpen());
    EXPECT_FALSE(db.BeginTransaction());
    EXPECT_EQ(db.LastError(), QStringLiteral("Transaction is already opened."));
    Run(QStringLiteral("INSERT INTO t VALUES(1);"));
    ASSERT_TRUE(db.Rollback());
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("0"));

    ASSERT_TRUE(db.BeginTransaction());
    Run(QStringLiteral("INSERT INTO t VALUES(1);"));
    ASSERT_TRUE(db.Commit());
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("1"));
}

// A COMMIT refused by a deferred foreign key leaves the engine's transaction
// open; the connection ends it so no hidden transaction remains.
TEST_F(DatabaseTest, FailedCommitLeavesNoTransactionOpen) {
    Run(QStringLiteral("CREATE TABLE p(id INTEGER PRIMARY KEY);\n"
                       "CREATE TABLE c(pid REFERENCES p(id) DEFERRABLE INITIALLY DEFERRED);"));
    ASSERT_TRUE(db.BeginTransaction());
    Run(QStringLiteral("INSERT INTO c VALUES(42);"));
    EXPECT_FALSE(db.Commit());
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: FOREIGN KEY constraint failed"));
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(sqlite3_get_autocommit(db.Handle()), 1);
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM c")), QStringLiteral("0"));
    ASSERT_TRUE(db.BeginTransaction());
    ASSERT_TRUE(db.Commit());
}

TEST_F(DatabaseTest, ExecuteTransactedRestoresForeignKeysAndRollsBack) {
    Run(QStringLiteral("CREATE TABLE p(id INTEGER PRIMARY KEY);\n"
                       "CREATE TABLE c(pid REFERENCES p(id));"));
    // Enforcement is suspended inside: an orphan row is accepted.
    EXPECT_TRUE(db.ExecuteTransacted(QStringLiteral("INSERT INTO c VALUES(7);"), true));
    bool on = false;
    ASSERT_TRUE(db.CheckForeignKeys(on));
    EXPECT_TRUE(on);
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM c")), QStringLiteral("1"));

    EXPECT_FALSE(db.ExecuteTransacted(
        QStringLiteral("INSERT INTO c VALUES(8);\nINSERT INTO nosuch VALUES(1);"), true));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: no such table: nosuch"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM c")), QStringLiteral("1"));
    ASSERT_TRUE(db.CheckForeignKeys(on));
    EXPECT_TRUE(on);
    EXPECT_FALSE(db.TransactionOpen());

    // A transaction that cannot begin still restores enforcement.
    ASSERT_TRUE(db.BeginTransaction());
    EXPECT_FALSE(db.ExecuteTransacted(QStringLiteral("SELECT 1;"), true));
    EXPECT_EQ(db.LastError(), QStringLiteral("Transaction is already opened."));
    ASSERT_TRUE(db.Rollback());
    ASSERT_TRUE(db.CheckForeignKeys(on));
    EXPECT_TRUE(on);
}

TEST_F(DatabaseTest, SingleValueAndColumnQueries) {
    Run(QStringLiteral("CREATE TABLE t(a, b);\n"
                       "INSERT INTO t VALUES(NULL, 1), ('x', 2.5), (X'01ABFF', 'b'), (7, NULL);"));
    // Reading goes on until at least one byte was collected.
    EXPECT_EQ(Value(QStringLiteral("SELECT a FROM t ORDER BY rowid")), QStringLiteral("x"));

    QStringList col;
    ASSERT_TRUE(
        db.QuerySingleColumn(col, QStringLiteral("SELECT a FROM t ORDER BY rowid"), 0, false));
    EXPECT_EQ(col, (QStringList{QString(), QStringLiteral("x"), QStringLiteral("0x01ABFF"),
                                QStringLiteral("7")}));
    EXPECT_EQ(db.StatsQuery().totResultRows, 4);
    EXPECT_EQ(db.StatsQuery().totResultCols, 1);

    // The second form quotes the column and takes table and condition as they are.
    ASSERT_TRUE(db.QuerySingleColumn(col, QStringLiteral("t"), QStringLiteral("b"),
                                     QStringLiteral("b IS NOT NULL ORDER BY rowid"), -1, false));
    EXPECT_EQ(col, (QStringList{QStringLiteral("1"), QStringLiteral("2.5"), QStringLiteral("b")}));

    // A memory limit stops reading early, and that is no failure.
    Run(QStringLiteral(
        "CREATE TABLE big(v); WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
        "SELECT x+1 FROM c WHERE x<1000) INSERT INTO big SELECT 'abcdefgh' FROM c;"));
    ASSERT_TRUE(db.QuerySingleColumn(col, QStringLiteral("SELECT v FROM big"), 160, false));
    EXPECT_EQ(col.size(), 10);

    EXPECT_FALSE(db.QuerySingleColumn(col, QStringLiteral("SELECT nosuch FROM t"), 0, false));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: no such column: nosuch"));
    EXPECT_FALSE(db.IsBusy());
}

TEST_F(DatabaseTest, SingleRecordAndProperties) {
    Run(QStringLiteral("CREATE TABLE t(id, name, note, data);\n"
                       "INSERT INTO t VALUES(1, 'a,b', 'say \"hi\"', X'0102');"));
    QStringList rec;
    ASSERT_TRUE(db.QuerySingleRecord(rec, QStringLiteral("SELECT * FROM t"), false));
    EXPECT_EQ(rec, (QStringList{QStringLiteral("1"), QStringLiteral("a,b"),
                                QStringLiteral("say \"hi\""), QStringLiteral("[Blob]")}));
    QStringList props;
    ASSERT_TRUE(db.QuerySingleRecProps(props, QStringLiteral("SELECT * FROM t"), true, true));
    EXPECT_EQ(props,
              (QStringList{QStringLiteral("ID=1"), QStringLiteral("NAME=a,b"),
                           QStringLiteral("NOTE=say \"hi\""), QStringLiteral("DATA=0x0102")}));
    ASSERT_TRUE(
        db.QuerySingleRecProps(props, QStringLiteral("SELECT id AS Key FROM t"), false, false));
    EXPECT_EQ(props, QStringList{QStringLiteral("Key=1")});
}

TEST_F(DatabaseTest, ExecuteBondedBindsEachLineFromNull) {
    Run(QStringLiteral("CREATE TABLE t(a, b, c);"));
    const QStringList lines{QStringLiteral("1,two,\"3,3\""), QStringLiteral("4"),
                            QStringLiteral("\"say \"\"x\"\"\",,")};
    ASSERT_TRUE(db.ExecuteBonded(QStringLiteral("INSERT INTO t VALUES(?,?,?)"), &lines))
        << db.LastError().toStdString();
    QStringList rows;
    ASSERT_TRUE(db.QuerySingleColumn(
        rows, QStringLiteral("SELECT quote(a)||'|'||quote(b)||'|'||quote(c) FROM t ORDER BY rowid"),
        0, false));
    EXPECT_EQ(rows, (QStringList{QStringLiteral("'1'|'two'|'3,3'"), QStringLiteral("'4'|NULL|NULL"),
                                 QStringLiteral("'say \"x\"'|''|''")}));

    // More fields than parameters is a bind error, and the operation fails.
    const QStringList tooMany{QStringLiteral("1,2,3,4")};
    EXPECT_FALSE(db.ExecuteBonded(QStringLiteral("INSERT INTO t VALUES(?,?,?)"), &tooMany));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: column index out of range"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("3"));
    EXPECT_TRUE(db.ExecuteBonded(QStringLiteral("INSERT INTO t VALUES(1,2,3)"), nullptr));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("3"));
}

TEST_F(DatabaseTest, EngineErrorsAreLoggedWithTheFailedQuery) {
    SetLogLevel(2);
    QStringList drop;
    GetLogLines(drop, true);
    EXPECT_FALSE(db.Execute(QStringLiteral("SELECT * FROM nosuch;")));
    QStringList lines;
    GetLogLines(lines, true);
    SetLogLevel(0);
    bool sawQuery = false, sawError = false;
    for (const QString& l : lines) {
        sawQuery |=
            l.contains(QStringLiteral("] QUERY       : Failed Query: SELECT * FROM nosuch;"));
        sawError |= l.contains(QStringLiteral("] INTERFACE   : DB Error: no such table: nosuch"));
    }
    EXPECT_TRUE(sawQuery);
    EXPECT_TRUE(sawError);
}

TEST(DatabaseClosed, OperationsOnAClosedConnectionFail) {
    TSQLite3Database db;
    EXPECT_FALSE(db.Execute(QStringLiteral("SELECT 1")));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: database is not connected."));
    EXPECT_FALSE(db.ExecuteList(QStringLiteral("SELECT 1")));
    EXPECT_EQ(db.LastInsertRowID(), -1);
    EXPECT_EQ(db.Prepare(QStringLiteral("SELECT 1")), nullptr);
    EXPECT_EQ(db.LastError(), QStringLiteral("No valid open Database..."));
    EXPECT_FALSE(db.ReleaseMem());
    EXPECT_EQ(db.SQLiteVersion(), QString::fromUtf8(sqlite3_libversion()));
    EXPECT_EQ(db.SQLiteSoftwVersion(), QString::fromUtf8(sqlite3_sourceid()));
}

TEST_F(DatabaseTest, LoadExtensionChecksTheFile) {
    const QString missing = dir.filePath(QStringLiteral("nosuch.so"));
    EXPECT_FALSE(db.LoadExtension(missing, QString()));
    EXPECT_EQ(db.LastError(), QStringLiteral("Invalid File: \"") + missing + QStringLiteral("\""));
    // A file that is no library: the engine's own message.
    const QString bogus = dir.filePath(QStringLiteral("bogus.so"));
    QFile f(bogus);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a library");
    f.close();
    EXPECT_FALSE(db.LoadExtension(bogus, QString()));
    EXPECT_FALSE(db.LastError().isEmpty());
    EXPECT_NE(db.LastError(), QStringLiteral("Failed to load Extension"));
    EXPECT_TRUE(db.ReleaseMem());
}

TEST_F(DatabaseTest, StatisticsCountStatementsAndChanges) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    const qint64 before = db.StatsSystem().totSessionQueries;
    Run(QStringLiteral("INSERT INTO t VALUES(1); INSERT INTO t VALUES(2),(3); SELECT * FROM t;"));
    // Three statements and the enclosing run.
    EXPECT_EQ(db.StatsSystem().totSessionQueries - before, 4);
    EXPECT_EQ(db.StatsQuery().totRowModsThisQuery, 3);
    EXPECT_TRUE(db.StatsQuery().statsCompleted);
    EXPECT_TRUE(db.StatsSystem().statsCompleted);
    EXPECT_GT(db.StatsQuery().totVMWorkDoneSteps, 0);
    EXPECT_GE(db.StatsQuery().tMain.timeElapsedTot, 0.0);
    EXPECT_EQ(db.StatsQuery().QryLevel, 0);
    db.StatResetSysCounts();
    EXPECT_EQ(db.StatsSystem().totQueriesSinceReset, 0);
}

// The command line leaves the engine's memory statistics out before the
// engine starts; asked once a connection is open, it is refused and the
// figures the windows show go on being kept.
TEST_F(DatabaseTest, MemoryStatisticsStayOnceTheEngineHasStarted) {
    EXPECT_FALSE(DisableEngineMemoryStatistics());
    Run(QStringLiteral("CREATE TABLE t(a); INSERT INTO t VALUES(randomblob(100000));"));
    EXPECT_GT(db.StatsSystem().memUsed, 100000);
    sqlite3_int64 used = 0, high = 0;
    ASSERT_EQ(sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &used, &high, 0), SQLITE_OK);
    EXPECT_GT(high, 100000);
}

// --- progress handler and re-entrance ---------------------------------------

TEST_F(DatabaseTest, ProgressHandlerSeesStartAndEnd) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    std::vector<std::pair<qint64, qint64>> calls;
    db.SetProgressHandler([&](TSQLite3Database*, qint64 done, qint64 total, bool&) {
        calls.emplace_back(done, total);
    });
    Run(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE "
                       "x<2000) INSERT INTO t SELECT x FROM c;"));
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front(), std::make_pair(qint64(0), qint64(0)));
    EXPECT_EQ(calls.back().first, calls.back().second);
}

TEST_F(DatabaseTest, ReentrantCallsFromTheProgressHandlerAreRefused) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    bool tried = false;
    QStringList errors;
    db.SetProgressHandler([&](TSQLite3Database* s, qint64 done, qint64 total, bool&) {
        if (tried || done == total) return;
        tried = true;
        s->Execute(QStringLiteral("INSERT INTO t VALUES(-99);"));
        errors << s->LastError();
        s->ExecuteList(QStringLiteral("INSERT INTO t VALUES(-98);"));
        errors << s->LastError();
        s->BeginTransaction();
        errors << s->LastError();
        s->ExecSQL(QStringLiteral("INSERT INTO t VALUES(-97);"));
        errors << s->LastError();
        auto st = s->Prepare(QStringLiteral("SELECT 1"));
        errors << (st ? QStringLiteral("prepared") : s->LastError());
        QString v;
        s->QuerySingleValue(v, QStringLiteral("SELECT 1"));
        errors << s->LastError();
        bool fk;
        s->CheckForeignKeys(fk);
        errors << s->LastError();
        errors << s->SQLiteVersion();
        s->ClearError();
    });
    Run(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE "
                       "x<2000) INSERT INTO t SELECT x FROM c;"));
    ASSERT_TRUE(tried);
    const QString busy = QStringLiteral("Database Busy");
    EXPECT_EQ(errors, (QStringList{busy, busy, busy, busy, busy, busy,
                                   QStringLiteral("Database busy"), QStringLiteral("Locked")}));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t WHERE a < 0")), QStringLiteral("0"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("2000"));
}

TEST_F(DatabaseTest, CancelledProgressInterruptsTheQuery) {
    int calls = 0;
    db.SetProgressHandler([&](TSQLite3Database*, qint64 done, qint64 total, bool& cancelled) {
        if (done != total && ++calls == 20) cancelled = true;
    });
    QString v;
    EXPECT_FALSE(db.QuerySingleValue(v, QString::fromUtf8(kEndless)));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: interrupted"));
    EXPECT_FALSE(db.IsBusy());
    // The connection stays usable.
    db.SetProgressHandler(nullptr);
    EXPECT_EQ(Value(QStringLiteral("SELECT 40+2")), QStringLiteral("42"));
}

TEST_F(DatabaseTest, CancelOnTheFinalCallIsIgnored) {
    db.SetProgressHandler([&](TSQLite3Database*, qint64 done, qint64 total, bool& cancelled) {
        cancelled = done == total;
    });
    Run(QStringLiteral("CREATE TABLE t(a); INSERT INTO t VALUES(1);"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("1"));
}

TEST_F(DatabaseTest, CancelBetweenStatementsStopsTheScript) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    int ends = 0;
    db.SetProgressHandler([&](TSQLite3Database*, qint64 done, qint64 total, bool& cancelled) {
        // OpCurrent advances by 16 per statement; cancel once the second has run.
        if (done >= 16 && done != total && ++ends == 1) cancelled = true;
    });
    EXPECT_FALSE(db.ExecuteList(ManyInserts(40)));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: interrupted"));
    db.SetProgressHandler(nullptr);
    EXPECT_LT(Value(QStringLiteral("SELECT count(*) FROM t")).toInt(), 40);
}

TEST_F(DatabaseTest, ThrowingProgressHandlerFailsTheOperation) {
    db.SetProgressHandler([](TSQLite3Database*, qint64 done, qint64 total, bool&) {
        if (done != total && done + total > 0) throw std::runtime_error("boom");
    });
    QString v;
    EXPECT_FALSE(db.QuerySingleValue(v, QString::fromUtf8(kEndless)));
    EXPECT_EQ(db.LastError(),
              QStringLiteral("Progress-Handler Exception (std::runtime_error): boom"));
    db.SetProgressHandler(nullptr);
    EXPECT_EQ(Value(QStringLiteral("SELECT 1")), QStringLiteral("1"));
}

// Closing from inside the progress handler must not finalize the statement
// that is stepping: the close waits until the operation returns.
TEST_F(DatabaseTest, CloseDuringAnOperationIsDeferred) {
    SetLogLevel(1);
    QStringList drop;
    GetLogLines(drop, true);
    auto pending = db.Prepare(QStringLiteral("SELECT 1"));
    ASSERT_NE(pending, nullptr);
    int calls = 0;
    bool stillOpenInside = true;
    db.SetProgressHandler([&](TSQLite3Database* s, qint64 done, qint64 total, bool&) {
        if (done != total && ++calls == 5) {
            s->Close();
            stillOpenInside = s->Handle() != nullptr;
        }
    });
    QString v;
    EXPECT_FALSE(db.QuerySingleValue(v, QString::fromUtf8(kEndless)));
    EXPECT_TRUE(stillOpenInside);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.Handle(), nullptr);
    EXPECT_FALSE(db.IsBusy());
    // The statement left over was finalized and detached by the close.
    EXPECT_EQ(pending->Handle(), nullptr);
    EXPECT_EQ(pending->Step(), SQLITE_MISUSE);
    pending.reset();
    QStringList lines;
    GetLogLines(lines, true);
    SetLogLevel(0);
    EXPECT_TRUE(
        lines.join('\n').contains(QStringLiteral("Closing a Locked Database during Operation")));
    // The connection opens again normally.
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(Value(QStringLiteral("SELECT 7")), QStringLiteral("7"));
}

TEST_F(DatabaseTest, CloseDuringExecuteListStopsTheScript) {
    Run(QStringLiteral("CREATE TABLE t(a);"));
    db.SetProgressHandler([&](TSQLite3Database* s, qint64 done, qint64 total, bool&) {
        if (done >= 16 && done != total) s->Close();
    });
    EXPECT_FALSE(db.ExecuteList(ManyInserts(40)));
    EXPECT_FALSE(db.IsOpen());
    TSQLite3Database check;
    ASSERT_TRUE(check.Open(path));
    QString n;
    ASSERT_TRUE(check.QuerySingleValue(n, QStringLiteral("SELECT count(*) FROM t")));
    EXPECT_LT(n.toInt(), 40);
}

// --- update notifications ----------------------------------------------------

TEST_F(DatabaseTest, UpdateNotificationsArriveAfterTheStatement) {
    Run(QStringLiteral("CREATE TABLE t(a); CREATE TABLE u(a);"));
    int calls = 0, count = 0, kind = 0;
    bool busyInside = true;
    int owner = 0;
    ASSERT_TRUE(db.HookDBUpdates(
        &owner,
        [&](TSQlite3CallbackClass* r) {
            ++calls;
            count = r->UpdCount;
            kind = r->UpdKind;
            busyInside = r->SQLDB->IsBusy();
        },
        QStringLiteral(" t "), QString()));
    Run(QStringLiteral("INSERT INTO t VALUES(1),(2),(3); INSERT INTO u VALUES(1);"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(kind, SQLITE_INSERT);
    EXPECT_FALSE(busyInside);

    // A change on another connection to the same file is not this one's.
    TSQLite3Database other;
    ASSERT_TRUE(other.Open(path));
    ASSERT_TRUE(other.Execute(QStringLiteral("INSERT INTO t VALUES(4);")));
    Run(QStringLiteral("SELECT 1;"));
    EXPECT_EQ(calls, 1);

    EXPECT_FALSE(db.HookDBUpdates(&owner, nullptr, QStringLiteral("t"), QString()));
    EXPECT_TRUE(db.UnhookDBUpdates(&owner));
    EXPECT_FALSE(db.UnhookDBUpdates(&owner));
    Run(QStringLiteral("DELETE FROM t;"));
    EXPECT_EQ(calls, 1);
}

TEST(SystemLog, LinesAreFormattedFilteredAndBounded) {
    QStringList drop;
    GetLogLines(drop, true);
    EXPECT_FALSE(HasLogLines());
    SetLogLevel(0);
    LogApplication(QStringLiteral("hidden at level 0"));
    WriteLog(TLogKind::Interface, QStringLiteral("hidden too"));
    EXPECT_FALSE(HasLogLines());
    WriteLog(TLogKind::System, QStringLiteral("started"));
    WriteLog(TLogKind::Error, QStringLiteral("engine said"), 284);
    SetLogLevel(2);
    WriteLog(TLogKind::Query, QString(300, QLatin1Char('q')));
    LogApplication(QStringLiteral("app"));
    WriteLog(TLogKind::Unknown, QStringLiteral("odd"));
    QStringList lines;
    GetLogLines(lines, false);
    ASSERT_EQ(lines.size(), 5);
    const QRegularExpression stamp(
        QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] "));
    for (const QString& l : lines)
        EXPECT_TRUE(stamp.match(l).hasMatch()) << l.toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("] SYSTEM      : started")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("] ERROR (284) : engine said")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" : ") + QString(197, QLatin1Char('q')) +
                                  QStringLiteral("...")));
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("] APPLICATION : app")));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral("] UNKNOWN     : odd")));

    for (int i = 0; i < 1100; ++i)
        LogApplication(QStringLiteral("line %1").arg(i));
    lines.clear();
    GetLogLines(lines, true);
    ASSERT_EQ(lines.size(), 1024);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("line 1099")));
    EXPECT_TRUE(lines.first().endsWith(QStringLiteral("line 76")));
    EXPECT_FALSE(HasLogLines());
    SetLogLevel(0);
}

} // namespace
} // namespace sky::test

namespace sky::test {
namespace {

// A full disk in the middle of a transacted script: the script fails with the
// engine's reason, nothing of it stays, and the file is intact.
TEST_F(DatabaseTest, DiskFullRollsTheTransactedScriptBack) {
    Run(QStringLiteral("CREATE TABLE t(a); INSERT INTO t VALUES('keep');"));
    const int pages = Value(QStringLiteral("PRAGMA page_count")).toInt();
    Run(QStringLiteral("PRAGMA max_page_count=%1;").arg(pages + 2));
    EXPECT_FALSE(db.ExecuteTransacted(
        QStringLiteral("INSERT INTO t VALUES('x');\n"
                       "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<5000)"
                       " INSERT INTO t SELECT randomblob(500) FROM c;"),
        true));
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: database or disk is full"));
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(sqlite3_get_autocommit(db.Handle()), 1);
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(a) FROM t")), QStringLiteral("keep"));
    EXPECT_EQ(Value(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    bool on = false;
    ASSERT_TRUE(db.CheckForeignKeys(on));
    EXPECT_TRUE(on);
}

} // namespace
} // namespace sky::test
