// The table rebuild's plan: the aside name never takes a user's table, rows
// keep their rowids only where both tables have them, and the AUTOINCREMENT
// counter goes on from where it was.
#include "engine/TableRebuild.h"
#include "common/TempDb.h"

namespace sky::test {
namespace {

class TableRebuildTest : public TempDbTest {
protected:
    TRebuildRequest Request(const QString& table, const QString& create, const QStringList& cols) {
        TRebuildRequest s;
        s.table = table;
        s.asideBase = QStringLiteral("TempAlteringTable");
        s.createTable = create;
        s.targets = cols;
        s.sources = cols;
        return s;
    }
};

TEST_F(TableRebuildTest, AsideNameRowidsAndCounter) {
    Run(QStringLiteral(
        "CREATE TABLE TempAlteringTable(keep); INSERT INTO TempAlteringTable VALUES ('mine');"
        "CREATE TABLE tempalteringtable_2(x);"
        "CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT, a);"
        "INSERT INTO t(a) VALUES (1), (2), (3); DELETE FROM t WHERE id = 3;"
        "CREATE TABLE w(k TEXT PRIMARY KEY, v) WITHOUT ROWID; INSERT INTO w VALUES ('b', 2), "
        "('a', 1);"
        "CREATE TABLE g(a); INSERT INTO g(rowid, a) VALUES (7, 'x'), (3, 'y');"));
    TRebuildPlan plan;
    // The user's table of that name stays; the next free name is taken.
    ASSERT_TRUE(BuildTableRebuild(
        db,
        Request(QStringLiteral("t"),
                QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT, a, b);"),
                {QStringLiteral("id"), QStringLiteral("a")}),
        plan))
        << db.LastError().toStdString();
    EXPECT_EQ(plan.statements[0],
              QStringLiteral("ALTER TABLE main.t RENAME TO TempAlteringTable_3;"));
    ASSERT_TRUE(RunRebuild(db, plan)) << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT keep FROM TempAlteringTable")), QStringLiteral("mine"));
    Run(QStringLiteral("INSERT INTO t(a) VALUES (4);"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(id) FROM t")), QStringLiteral("1,2,4"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_sequence")), QStringLiteral("1"));

    // Rowids: kept for a rowid table, not asked of a table without them.
    ASSERT_TRUE(RunRebuild(db, [&](TRebuildPlan& p) {
        return BuildTableRebuild(db,
                                 Request(QStringLiteral("g"),
                                         QStringLiteral("CREATE TABLE g(a, b);"),
                                         {QStringLiteral("a")}),
                                 p);
    })) << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(rowid || a) FROM g")),
              QStringLiteral("3y,7x"));
    TRebuildRequest w =
        Request(QStringLiteral("w"),
                QStringLiteral("CREATE TABLE w(k TEXT PRIMARY KEY, v, z) WITHOUT ROWID;"),
                {QStringLiteral("k"), QStringLiteral("v")});
    w.newHasRowid = false;
    ASSERT_TRUE(RunRebuild(db, [&](TRebuildPlan& p) { return BuildTableRebuild(db, w, p); }))
        << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(k || v) FROM w")), QStringLiteral("a1,b2"));

    // A view is not rebuilt; unequal lists are refused before anything runs.
    Run(QStringLiteral("CREATE VIEW v AS SELECT 1;"));
    EXPECT_FALSE(BuildTableRebuild(
        db,
        Request(QStringLiteral("v"), QStringLiteral("CREATE TABLE v(a);"), {QStringLiteral("a")}),
        plan));
    TRebuildRequest bad =
        Request(QStringLiteral("g"), QStringLiteral("CREATE TABLE g(a);"), {QStringLiteral("a")});
    bad.sources.clear();
    EXPECT_FALSE(BuildTableRebuild(db, bad, plan));
    EXPECT_FALSE(db.TransactionOpen());
}

} // namespace
} // namespace sky::test
