// Rename rewrites of a table's dependants, and the view reader and checks.
#include "common/TempDb.h"
#include "design/Reassign.h"
#include "design/TableLayout.h"
#include "design/Views.h"

namespace sky::test {
namespace {

class DesignDbTest : public TempDbTest {};

TEST(Rename, WholeIdentifierTokensOnly) {
    const QStringList conv{"a=alpha", "t=t2"};
    EXPECT_EQ(
        RenameIdentifiers("a + \"a\" + [A] + aa + 'a' + t.a /* a */ + `t`", conv),
        QStringLiteral("alpha + \"alpha\" + \"alpha\" + aa + 'a' + t2.alpha /* a */ + \"t2\""));
    EXPECT_EQ(RenameIdentifiers("x=y", {"a=b=c"}), QStringLiteral("x=y"));
    // One pass: a swap does not chain.
    EXPECT_EQ(RenameIdentifiers("a, b", {"a=b", "b=a"}), QStringLiteral("b, a"));
}

TEST_F(DesignDbTest, RenamedColumnsRewriteTheirDependants) {
    Run(QStringLiteral(
        "CREATE TABLE t(id INTEGER PRIMARY KEY, a TEXT CHECK (a <> 'a'), b INT, parent INT "
        "REFERENCES t(id),"
        " c AS (a || 'a') VIRTUAL, CONSTRAINT ck CHECK (b > 0 OR a IS NULL), UNIQUE (a, b));"
        "CREATE INDEX t_a ON t(lower(a), b DESC) WHERE a IS NOT NULL;"
        "CREATE TRIGGER t_tr AFTER UPDATE OF a ON t BEGIN UPDATE t SET b = length(new.a) WHERE id "
        "= new.id; END;"));
    TTableLayout t;
    QString why;
    ASSERT_TRUE(convDBTableToLayout(db, QString(), t, QStringLiteral("t"), &why))
        << why.toStdString();
    EXPECT_FALSE(checkTableDependantsDiffer(t));
    t.Cols[1].fName = QStringLiteral("name");
    t.Cols[0].fName = QStringLiteral("key");
    t.tblName = QStringLiteral("t2");
    EXPECT_TRUE(checkTableDependantsDiffer(t));
    ASSERT_TRUE(convTableDependants(t));
    EXPECT_FALSE(checkTableDependantsDiffer(t));
    const QString sql = convTableLayoutToSQL(t);
    EXPECT_TRUE(sql.contains(QStringLiteral("CHECK(name <> 'a')"))) << sql.toStdString();
    EXPECT_TRUE(sql.contains(QStringLiteral("AS (name || 'a')"))) << sql.toStdString();
    EXPECT_TRUE(sql.contains(QStringLiteral("REFERENCES t2(\"key\")"))) << sql.toStdString();
    EXPECT_TRUE(sql.contains(QStringLiteral("UNIQUE (name, b)"))) << sql.toStdString();
    EXPECT_TRUE(sql.contains(
        QStringLiteral("CREATE INDEX t_a ON t2 (lower(name), b DESC) WHERE name IS NOT NULL;")))
        << sql.toStdString();
    EXPECT_TRUE(sql.contains(
        QStringLiteral("UPDATE t2 SET b = length(new.name) WHERE \"key\" = new.\"key\";")))
        << sql.toStdString();
    // The script runs and the index covers the renamed column.
    Run(sql);
    EXPECT_EQ(
        Value(QStringLiteral("SELECT group_concat(name) FROM pragma_index_xinfo('t_a') WHERE key")),
        QStringLiteral("b"));
    EXPECT_EQ(Value(QStringLiteral(
                  "SELECT \"table\" || '.' || \"to\" FROM pragma_foreign_key_list('t2')")),
              QStringLiteral("t2.key"));
}

TEST_F(DesignDbTest, ViewsReadWriteAndTest) {
    Run(QStringLiteral("CREATE TABLE t(a INT, b TEXT); INSERT INTO t VALUES (1, 'x  y'), (2, 'z');"
                       "CREATE VIEW \"v w\"(n, s) /* the view */ AS SELECT a, b\n  FROM t\n WHERE "
                       "b <> 'a\n  b'\nORDER BY a;"));
    TViewLayout v;
    ASSERT_TRUE(readView(db, QStringLiteral("v w"), v, QString())) << v.Comment.toStdString();
    EXPECT_EQ(v.vName, QStringLiteral("v w"));
    EXPECT_EQ(v.vColumns, QStringLiteral("n, s"));
    EXPECT_EQ(v.Comment, QStringLiteral("the view"));
    EXPECT_EQ(v.vRefs, QStringList{"t"});
    EXPECT_EQ(sqlFrom(v),
              QStringLiteral("CREATE VIEW \"v w\"(n, s) /* the view */ AS \r\n"
                             "SELECT a, b\r\n  FROM t\r\n WHERE b <> 'a\n  b'\r\n ORDER BY a\r\n"));
    ASSERT_TRUE(readViewFields(db, v)) << v.vError.toStdString();
    EXPECT_EQ(v.vCols, (QStringList{"n", "s"}));
    QString msg;
    EXPECT_TRUE(testViewSQL(db, v, msg)) << msg.toStdString();
    EXPECT_EQ(msg, QStringLiteral("View creation test success - SQL is valid."));
    EXPECT_FALSE(db.TransactionOpen());
    v.vSelect = QStringLiteral("SELECT FROM WHERE");
    EXPECT_FALSE(testViewSQL(db, v, msg));
    EXPECT_TRUE(msg.startsWith(QStringLiteral("Failed to create VIEW: "))) << msg.toStdString();
    // The failed test left the old view in place.
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM \"v w\"")), QStringLiteral("2"));

    QStringList lines;
    v.vSelect = QStringLiteral("SELECT * FROM t;");
    EXPECT_TRUE(testViewSelect(db, v, true, msg, &lines));
    EXPECT_EQ(msg, QStringLiteral("Success - SELECT query is valid SQL."));
    EXPECT_EQ(lines.size(), 3);
    v.vSelect = QStringLiteral("SELECT * FROM t WHERE 0");
    EXPECT_FALSE(testViewSelect(db, v, false, msg));
    EXPECT_EQ(msg, QStringLiteral("SELECT query is valid SQL, but produces no results."));
    EXPECT_EQ(LimitedSelect(QStringLiteral("SELECT * FROM t;"), 1),
              QStringLiteral("SELECT * FROM t LIMIT 1;"));
    EXPECT_EQ(LimitedSelect(QStringLiteral("SELECT * FROM t LIMIT 10"), 1),
              QStringLiteral("SELECT * FROM t LIMIT 10"));
    EXPECT_EQ(LimitedSelect(QStringLiteral("SELECT 'limit' FROM t"), 50),
              QStringLiteral("SELECT 'limit' FROM t LIMIT 50;"));

    for (const char* bad : {"x", "CREATE TABLE t(a)", "CREATE VIEW v SELECT 1"}) {
        TViewLayout b;
        EXPECT_FALSE(readView(QString::fromUtf8(bad), b)) << bad;
        EXPECT_FALSE(b.Comment.isEmpty());
    }
}

} // namespace
} // namespace sky::test
