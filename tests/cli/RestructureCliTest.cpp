// The restructure and pk commands on hostile column lists, locked and
// missing tables, and rebuilds that would lose structure.
#include "common/Process.h"
#include "engine/Database.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

QStringList Args(const QString& db, const QString& table, bool allowLoss = false) {
    QStringList a{QStringLiteral("restructure"), db, table};
    if (allowLoss) a << QStringLiteral("--allow-loss");
    return a;
}

// A type text that ends the statement is refused, not run.
TEST(CliRestructure, TypeTextCannotInjectStatements) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f9.db"));
    Shell(db, QStringLiteral("create table t(a integer primary key, b); create table victim(v); "
                             "insert into victim values(1);"));
    const ProcessResult r =
        Cli(Args(db, QStringLiteral("t")),
            "a,INTEGER,PRI\nb,\"TEXT); DELETE FROM victim; CREATE TABLE pwn(x\",\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Column \"b\": the type")) << r.err.toStdString();
    EXPECT_EQ(Shell(db, QStringLiteral("select count(*) from victim")), QByteArray("1"));
    EXPECT_EQ(Shell(db, QStringLiteral("select count(*) from sqlite_master where name='pwn'")),
              QByteArray("0"));
}

// A quoted name with a line break stays one name, and its data stays.
TEST(CliRestructure, QuotedLineBreaksStayInNames) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f10.db"));
    Shell(db, QStringLiteral("create table t(id integer primary key, \"x\ny\", \" padded \");"
                             "insert into t values(1, 42, 'p');"));
    const ProcessResult r =
        Cli(Args(db, QStringLiteral("t")), "id,INTEGER,PRI\n\"x\ny\",INT,\n padded ,TEXT,\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(
        Shell(db, QStringLiteral("select sql from sqlite_master")),
        QByteArray("CREATE TABLE t(id INTEGER PRIMARY KEY,\"x\ny\" INTEGER,\" padded \" TEXT)"));
    EXPECT_EQ(Shell(db, QStringLiteral("select \"x\ny\" || \" padded \" from t")),
              QByteArray("42p"));
}

TEST(CliRestructure, LockedAndMissingTablesFail) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("f18.db"));
    Shell(db,
          QStringLiteral("create table t(a integer primary key, b); insert into t values(1, 2);"));
    {
        TSQLite3Database holder;
        ASSERT_TRUE(holder.Open(db)) << holder.LastError().toStdString();
        ASSERT_TRUE(
            holder.ExecSQL(QStringLiteral("BEGIN EXCLUSIVE; INSERT INTO t VALUES (2, 3);")));
        const ProcessResult r = Cli(Args(db, QStringLiteral("t")), "a,INTEGER,PRI\nb,,\n");
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains("database is locked")) << r.err.toStdString();
        ASSERT_TRUE(holder.ExecSQL(QStringLiteral("COMMIT;")));
    }
    EXPECT_EQ(Shell(db, QStringLiteral("select count(*) from t")), QByteArray("2"));

    ProcessResult r = Cli({QStringLiteral("pk"), db, QStringLiteral("nosuch")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, QByteArray());
    EXPECT_EQ(r.err, QByteArray("No such table: nosuch\n"));
    r = Cli(Args(db, QStringLiteral("nosuch")), "a,INTEGER,PRI\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("No such table: \"nosuch\"\n"));
    // A table without a primary key still has an (empty) key.
    Shell(db, QStringLiteral("create table nokey(x);"));
    r = Cli({QStringLiteral("pk"), db, QStringLiteral("nokey")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("\n"));
}

// A rebuild that would drop an index and renumber rowids is refused and
// names both; --allow-loss goes ahead.
TEST(CliRestructure, LossNeedsAllowLoss) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("loss.db"));
    Shell(db, QStringLiteral("create table t(a, b); create index ix on t(b);"
                             "insert into t(rowid, a, b) values (1000, 'x', 1), (2000, 'y', 2);"));
    const QString copy = dir.filePath(QStringLiteral("copy.db"));
    Shell(db, QStringLiteral(".backup '") + copy + QStringLiteral("'"));
    ProcessResult r = Cli(Args(db, QStringLiteral("t")), "a,TEXT,\nb,INT,\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QByteArray("Restructuring \"t\" would lose: the index \"ix\"; the rowids "
                                "(they would be renumbered 1..n). Nothing was changed: the loss "
                                "must be allowed explicitly\n"));
    EXPECT_EQ(SqlDiff(copy, db), QByteArray());
    EXPECT_EQ(Shell(db, QStringLiteral("select count(*) from sqlite_master where name='ix'")),
              QByteArray("1"));

    // The index passed along is no loss; the rowids still are.
    const QString indices = dir.filePath(QStringLiteral("ix.csv"));
    QFile f(indices);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("t,1,ix,1,b,,,,,\n");
    f.close();
    QStringList args = Args(db, QStringLiteral("t"));
    args << QStringLiteral("--indices") << indices;
    r = Cli(args, "a,TEXT,\nb,INT,\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Restructuring \"t\" would lose: the rowids"))
        << r.err.toStdString();

    args << QStringLiteral("--allow-loss");
    r = Cli(args, "a,TEXT,\nb,INT,\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(db, QStringLiteral("select group_concat(rowid || a) from t")),
              QByteArray("1x,2y"));
    EXPECT_EQ(Shell(db, QStringLiteral("select name from sqlite_master where type='index'")),
              QByteArray("idx_t_ix"));
    EXPECT_EQ(Shell(db, QStringLiteral("pragma integrity_check")), QByteArray("ok"));

    r = Cli({QStringLiteral("help"), QStringLiteral("restructure")});
    EXPECT_TRUE(r.out.contains("--allow-loss")) << r.out.toStdString();
}

} // namespace
} // namespace sky::test
