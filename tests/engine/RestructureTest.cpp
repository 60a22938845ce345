// Table restructure, the CSV upsert and the one-record writers: every
// failure leaves the table as it was.
#include "common/TempDb.h"

namespace sky::test {
namespace {

class RestructureTest : public TempDbTest {
protected:
    QString Rows(const QString& table, const QString& order = QStringLiteral("1")) {
        QStringList rows;
        EXPECT_TRUE(
            db.QuerySingleColumn(rows,
                                 QStringLiteral("SELECT quote(a) || '|' || quote(b) FROM ") +
                                     table + QStringLiteral(" ORDER BY ") + order,
                                 0, false))
            << db.LastError().toStdString();
        return rows.join(QLatin1Char(' '));
    }
    QString Sql(const QString& name) {
        return Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='") + name +
                     QStringLiteral("'"));
    }
    bool ForeignKeysOn() {
        bool on = false;
        EXPECT_TRUE(db.CheckForeignKeys(on));
        return on;
    }
};

TEST_F(RestructureTest, RebuildsKeepingRowsIndexesAndTriggers) {
    Run(QStringLiteral("CREATE TABLE \"my t\"(id INT, a TEXT, b TEXT, gone TEXT);"
                       "INSERT INTO \"my t\" VALUES (1, 'x', 'y', 'z'), (2, 'p', 'q', 'r');"
                       "CREATE TABLE log(m);"
                       "CREATE VIEW v AS SELECT a FROM \"my t\";"
                       "CREATE TRIGGER tr AFTER DELETE ON \"my t\" BEGIN INSERT INTO log VALUES "
                       "(old.id); END;"));
    int changed = -1;
    ASSERT_TRUE(db.UpdateStructure(
        {QStringLiteral("id, int, PRI"), QStringLiteral("a,text,"), QStringLiteral("b,text,no"),
         QStringLiteral("new col,real,")},
        {QStringLiteral("t,0,byab,1,a,x,x,x,x,x"), QStringLiteral("t,0,byab,2,b,x,x,x,x,x"),
         QStringLiteral("t,1,byb,1,b,x,x,x,x,x"), QStringLiteral("t,0,PRIMARY,1,id,x,x,x,x,x"),
         QStringLiteral("short,0,skipped,1,a")},
        QStringLiteral("my t"), changed, false))
        << db.LastError().toStdString();
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(
        Sql(QStringLiteral("my t")),
        QStringLiteral("CREATE TABLE \"my t\"(id INTEGER PRIMARY KEY,a TEXT,b TEXT,\"new col\" "
                       "REAL)"));
    EXPECT_EQ(Rows(QStringLiteral("\"my t\""), QStringLiteral("id")),
              QStringLiteral("'x'|'y' 'p'|'q'"));
    EXPECT_EQ(Sql(QStringLiteral("idx_my t_byab")),
              QStringLiteral("CREATE UNIQUE INDEX \"idx_my t_byab\" ON \"my t\" (a,b)"));
    EXPECT_EQ(Sql(QStringLiteral("idx_my t_byb")),
              QStringLiteral("CREATE INDEX \"idx_my t_byb\" ON \"my t\" (b)"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index' AND "
                                   "name LIKE '%PRIMARY%'")),
              QStringLiteral("0"));
    // Views keep naming the table and read the new one.
    EXPECT_EQ(Sql(QStringLiteral("v")), QStringLiteral("CREATE VIEW v AS SELECT a FROM \"my t\""));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM v WHERE a IN ('x', 'p')")),
              QStringLiteral("2"));
    EXPECT_EQ(Value(QStringLiteral("PRAGMA legacy_alter_table")), QStringLiteral("0"));
    // The trigger came back with the table.
    Run(QStringLiteral("DELETE FROM \"my t\" WHERE id = 2;"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(m) FROM log")), QStringLiteral("2"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM temp.sqlite_master")),
              QStringLiteral("0"));
    EXPECT_TRUE(ForeignKeysOn());
}

TEST_F(RestructureTest, FailuresRollBackAndSayWhy) {
    Run(QStringLiteral("CREATE TABLE t(a, b); INSERT INTO t VALUES (1, 'one'), (1, 'again');"));
    const QString before = Rows(QStringLiteral("t"), QStringLiteral("b"));
    const QString schema = Sql(QStringLiteral("t"));
    int changed = 0;

    struct Case {
        QStringList structure;
        QString error; // expected start of LastError
    };
    const Case cases[] = {
        // Renaming every column would keep no data.
        {{QStringLiteral("x,int,"), QStringLiteral("y,text,")},
         QStringLiteral("No column of the new structure exists in \"t\"")},
        // Duplicate keys are not silently dropped.
        {{QStringLiteral("a,int,PRI"), QStringLiteral("b,text,")},
         QStringLiteral("DB Error: UNIQUE constraint failed: t.a")},
        {{QStringLiteral("only two,fields")}, QStringLiteral("No column structure given")},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(db.UpdateStructure(c.structure, {}, QStringLiteral("t"), changed, true));
        EXPECT_TRUE(db.LastError().startsWith(c.error)) << db.LastError().toStdString();
        EXPECT_EQ(Rows(QStringLiteral("t"), QStringLiteral("b")), before);
        EXPECT_EQ(Sql(QStringLiteral("t")), schema);
        EXPECT_FALSE(db.TransactionOpen());
        EXPECT_TRUE(ForeignKeysOn());
    }
    EXPECT_FALSE(db.UpdateStructure({QStringLiteral("a,int,")}, {}, QStringLiteral("nosuch"),
                                    changed, true));
    EXPECT_FALSE(db.UpdateStructure({}, {}, QStringLiteral("t"), changed, true));
    ASSERT_TRUE(db.BeginTransaction());
    EXPECT_FALSE(
        db.UpdateStructure({QStringLiteral("a,int,")}, {}, QStringLiteral("t"), changed, true));
    ASSERT_TRUE(db.Rollback());
}

TEST_F(RestructureTest, ForeignKeysAreCheckedBeforeCommit) {
    Run(QStringLiteral("CREATE TABLE parent(id INTEGER PRIMARY KEY, n);"
                       "CREATE TABLE child(a, b REFERENCES parent(id));"
                       "INSERT INTO parent VALUES (1, 'p');"
                       "INSERT INTO child VALUES ('c', 1);"));
    int changed = 0;
    // Restructuring the parent keeps its keys: the children stay valid.
    ASSERT_TRUE(db.UpdateStructure({QStringLiteral("id,integer,PRI"), QStringLiteral("n,text,")},
                                   {}, QStringLiteral("parent"), changed, true))
        << db.LastError().toStdString();
    EXPECT_EQ(Rows(QStringLiteral("child")), QStringLiteral("'c'|1"));
    EXPECT_EQ(Sql(QStringLiteral("child")),
              QStringLiteral("CREATE TABLE child(a, b REFERENCES parent(id))"));
    // Dropping the key the children point at is not committed.
    const QString parentSql = Sql(QStringLiteral("parent"));
    EXPECT_FALSE(db.UpdateStructure({QStringLiteral("n,text,")}, {}, QStringLiteral("parent"),
                                    changed, true));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("foreign key mismatch")))
        << db.LastError().toStdString();
    EXPECT_EQ(Sql(QStringLiteral("parent")), parentSql);
    EXPECT_EQ(Rows(QStringLiteral("child")), QStringLiteral("'c'|1"));
    EXPECT_TRUE(ForeignKeysOn());
}

TEST_F(RestructureTest, UpdateFromCsvUpsertsWithTheConflictWord) {
    Run(QStringLiteral("CREATE TABLE t(a INTEGER PRIMARY KEY, b TEXT, c TEXT);"
                       "INSERT INTO t VALUES (1, 'old', 'keep');"));
    int n = -1;
    QStringList data{QStringLiteral("A,b,unknown"), QStringLiteral(""), QStringLiteral("1,new,x"),
                     QStringLiteral("2,two,y")};
    ASSERT_TRUE(
        db.UpdateFromCSV(data, QStringLiteral("t"), n, chCancelConflictingItem, QLatin1Char(',')))
        << db.LastError().toStdString();
    EXPECT_EQ(n, 2);
    EXPECT_EQ(data.size(), 3); // the blank line was removed
    EXPECT_EQ(Rows(QStringLiteral("t"), QStringLiteral("a")), QStringLiteral("1|'old' 2|'two'"));
    ASSERT_TRUE(db.UpdateFromCSV(data, QStringLiteral("t"), n, chUpdateItemData, QLatin1Char(',')));
    EXPECT_EQ(Rows(QStringLiteral("t"), QStringLiteral("a")), QStringLiteral("1|'new' 2|'two'"));

    struct Case {
        QStringList lines;
        QString table;
        QString error;
    };
    const Case cases[] = {
        {{QStringLiteral("a,b")},
         QStringLiteral("t"),
         QStringLiteral("A CSV Import must contain at least a Header row and 1 row of data")},
        {{QStringLiteral("x,y"), QStringLiteral("1,2")},
         QStringLiteral("nokey"),
         QStringLiteral("Table \"nokey\" has no Primary Key Index")},
        {{QStringLiteral("a"), QStringLiteral("1")},
         QStringLiteral("t"),
         QStringLiteral("CSV Import data has no data Columns")},
        {{QStringLiteral("a,zz"), QStringLiteral("1,2")},
         QStringLiteral("t"),
         QStringLiteral("CSV Import data does not contain columns referencing valid fields in "
                        "\"t\"")},
        {{QStringLiteral("b,c"), QStringLiteral("1,2")},
         QStringLiteral("t"),
         QStringLiteral("CSV Import does not contain a valid Primary-Key Field for \"t\"")},
        {{QStringLiteral("a,b"), QStringLiteral("3,three"), QStringLiteral("4")},
         QStringLiteral("t"),
         QStringLiteral("Line 3 (4...) contained a field-count mismatch")},
        {{QStringLiteral("a,b"), QStringLiteral("5,five"), QStringLiteral("x,bad")},
         QStringLiteral("t"),
         QStringLiteral("Line 3 (x,bad...) contained invalid data")},
    };
    Run(QStringLiteral("CREATE TABLE nokey(x, y);"));
    const QString before = Rows(QStringLiteral("t"), QStringLiteral("a"));
    for (const Case& c : cases) {
        QStringList lines = c.lines;
        EXPECT_FALSE(db.UpdateFromCSV(lines, c.table, n, chUpdateItemData, QLatin1Char(',')));
        EXPECT_TRUE(db.LastError().startsWith(c.error)) << db.LastError().toStdString();
        EXPECT_EQ(Rows(QStringLiteral("t"), QStringLiteral("a")), before);
        EXPECT_FALSE(db.TransactionOpen());
    }

    // Inside the caller's transaction the rows wait for the caller's commit.
    ASSERT_TRUE(db.BeginTransaction());
    QStringList more{QStringLiteral("a;b"), QStringLiteral("7;seven")};
    ASSERT_TRUE(db.UpdateFromCSV(more, QStringLiteral("t"), n, chCancelAllItems, QLatin1Char(';')));
    EXPECT_TRUE(db.TransactionOpen());
    ASSERT_TRUE(db.Rollback());
    EXPECT_EQ(Rows(QStringLiteral("t"), QStringLiteral("a")), before);
}

TEST_F(RestructureTest, RecordWritersQuoteTheTable) {
    Run(QStringLiteral("CREATE TABLE \"my table\"(a PRIMARY KEY, b);"));
    ASSERT_TRUE(db.InsertRecFromPropList({QStringLiteral("a=1"), QStringLiteral("b=x")},
                                         QStringLiteral("my table")))
        << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT typeof(a) || typeof(b) FROM \"my table\"")),
              QStringLiteral("texttext"));
    ASSERT_TRUE(db.ReplaceRecFromPropList({QStringLiteral("a=1"), QStringLiteral("b=it's")},
                                          QStringLiteral("\"my table\"")));
    EXPECT_EQ(Rows(QStringLiteral("\"my table\"")), QStringLiteral("'1'|'it''s'"));
    ASSERT_TRUE(db.UpdateRecFromPropList({QStringLiteral("b=y")}, QStringLiteral("my table"),
                                         QStringLiteral("a='1'")));
    EXPECT_EQ(Rows(QStringLiteral("\"my table\"")), QStringLiteral("'1'|'y'"));
    EXPECT_FALSE(db.InsertRecFromPropList({}, QStringLiteral("my table")));
    EXPECT_EQ(db.LastError(), QStringLiteral("Empty Query"));
}

} // namespace
} // namespace sky::test
