// Table restructure, the CSV upsert and the one-record writers: every
// failure leaves the table as it was.
#include "engine/Restructure.h"
#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempDb.h"

#include <sqlite3.h>

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
    // The catalogue as text: every object with its stored statement.
    QString Catalogue() {
        return Value(QStringLiteral(
            "SELECT group_concat(x, char(10)) FROM (SELECT type || '|' || name || '|' || "
            "tbl_name || '|' || ifnull(sql, '') AS x FROM sqlite_master ORDER BY name)"));
    }
    // A copy of the database made by the sqlite3 shell.
    QString ShellCopy(const QString& name = QStringLiteral("copy.db")) {
        const QString copy = dir.filePath(name);
        QFile::remove(copy);
        Shell(path, QStringLiteral(".backup '") + copy + QStringLiteral("'"));
        return copy;
    }
    QList<TStructColumn> Columns(const QString& csv) {
        QList<TStructColumn> cols;
        QString why;
        EXPECT_TRUE(ParseStructureCsv(csv, cols, why)) << why.toStdString();
        return cols;
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
        // Duplicate keys are not silently dropped (the rowids becoming the
        // key values is a loss allowed here).
        {{QStringLiteral("a,int,PRI"), QStringLiteral("b,text,")},
         QStringLiteral("DB Error: UNIQUE constraint failed: t.a")},
        {{QStringLiteral("only two,fields")}, QStringLiteral("No column structure given")},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(RestructureTable(db, StructColumnsFromLines(c.structure), {},
                                      QStringLiteral("t"), true));
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

// A type text is pasted into CREATE TABLE: only type names and one size list
// are accepted, so no text can end the statement or add a clause.
TEST_F(RestructureTest, TypeTextIsATypeName) {
    const char* valid[] = {"",
                           "text",
                           "UNSIGNED BIG INT",
                           "VARYING CHARACTER(255)",
                           "DECIMAL(10, 5)",
                           "VARCHAR(+255)",
                           "NUMERIC( -1.5e+3 , 0x1F )",
                           "REAL(.5)",
                           "FLOAT(1.)",
                           "Zeichenkette\u00e4",
                           "my_type$2\tx"};
    for (const char* t : valid)
        EXPECT_EQ(ColumnTypeError(QString::fromUtf8(t)), QString()) << t;
    const char* invalid[] = {"TEXT); DELETE FROM victim; CREATE TABLE pwn(x",
                             "TEXT;",
                             "TEXT -- note",
                             "TEXT /* note */",
                             "'TEXT'",
                             "\"TEXT\"",
                             "[TEXT]",
                             "`TEXT`",
                             "(10)",
                             "DECIMAL(10,5,2)",
                             "DECIMAL(10)(5)",
                             "DECIMAL(10) UNSIGNED",
                             "DECIMAL(a)",
                             "DECIMAL(10",
                             "DECIMAL(10,",
                             "DECIMAL()",
                             "DECIMAL(1e)",
                             "DECIMAL(0x)",
                             "DECIMAL(+)",
                             "DECIMAL(- 5)",
                             "DECIMAL(1 2)",
                             "TEXT NOT NULL",
                             "TEXT DEFAULT 5",
                             "TEXT AS (5)",
                             "INT CHECK (1)",
                             "TEXT COLLATE NOCASE",
                             "TEXT PRIMARY KEY",
                             "TEXT REFERENCES p",
                             "TEXT CONSTRAINT c",
                             "1TEXT",
                             "$TEXT",
                             "TEXT\nX",
                             "TEXT\x01",
                             "TEXT, b INT",
                             "TEXT."};
    for (const char* t : invalid)
        EXPECT_NE(ColumnTypeError(QString::fromUtf8(t)), QString()) << t;
}

TEST_F(RestructureTest, HostileTypeTextIsRefusedNotRun) {
    Run(QStringLiteral("CREATE TABLE t(a integer primary key, b);"
                       "CREATE TABLE victim(v); INSERT INTO victim VALUES(1);"
                       "CREATE TABLE h(id INTEGER PRIMARY KEY, "
                       "b 'TEXT); DELETE FROM victim; CREATE TABLE pwn(x');"
                       "INSERT INTO t VALUES (1, 'one'); INSERT INTO h VALUES (1, 'one');"));
    const QString before = Catalogue();
    int changed = 0;
    // Typed in as a column list.
    EXPECT_FALSE(
        db.UpdateStructure({QStringLiteral("a,INTEGER,PRI"),
                            QStringLiteral("b,\"TEXT); DELETE FROM victim; CREATE TABLE pwn(x\",")},
                           {}, QStringLiteral("t"), changed, true));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("Column \"b\": the type")))
        << db.LastError().toStdString();
    EXPECT_FALSE(RestructureTable(
        db,
        Columns(QStringLiteral("a,INTEGER,PRI\nb,\"TEXT); DELETE FROM victim; CREATE TABLE "
                               "pwn(x\",\n")),
        {}, QStringLiteral("t"), true));
    // Read back from a database that holds it, as a designer would.
    QList<QStringList> info;
    ASSERT_TRUE(db.QueryTextRows(
        QStringLiteral("SELECT name, type, pk FROM pragma_table_info('h') ORDER BY cid"), info));
    ASSERT_EQ(info.size(), 2);
    EXPECT_EQ(info[1][1], QStringLiteral("TEXT); DELETE FROM victim; CREATE TABLE pwn(x"));
    QList<TStructColumn> cols;
    for (const QStringList& r : info)
        cols.append({r[0], r[1], r[2] != QLatin1String("0")});
    EXPECT_FALSE(RestructureTable(db, cols, {}, QStringLiteral("h"), true));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("is not a column type")))
        << db.LastError().toStdString();

    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM victim")), QStringLiteral("1"));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='pwn'")),
              QStringLiteral("0"));
    EXPECT_EQ(Catalogue(), before);
    EXPECT_FALSE(db.TransactionOpen());
}

TEST_F(RestructureTest, ValidTypeTextsRestructure) {
    Run(QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, a, b, c, d, e);"
                       "INSERT INTO t VALUES (1, 'a', 2, 3.5, x'00', NULL);"));
    ASSERT_TRUE(RestructureTable(db,
                                 Columns(QStringLiteral("id,int,PRI\n"
                                                        "a,varying character(+255),\n"
                                                        "b,UNSIGNED BIG INT,\n"
                                                        "c,\"DECIMAL( 10 , -5 )\",\n"
                                                        "d,,\n"
                                                        "e,  native   character  ,\n")),
                                 {}, QStringLiteral("t"), false))
        << db.LastError().toStdString();
    EXPECT_EQ(Sql(QStringLiteral("t")),
              QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY,a VARYING CHARACTER(+255),b "
                             "UNSIGNED BIG INT,c DECIMAL( 10 , -5 ),d,e NATIVE   CHARACTER)"));
    EXPECT_EQ(
        Value(QStringLiteral("SELECT quote(a)||quote(b)||quote(c)||quote(d)||quote(e) FROM t")),
        QStringLiteral("'a'23.5X'00'NULL"));
}

// Column names are CSV fields: quoted line breaks stay in the name, and
// nothing is trimmed or unquoted after decoding.
TEST_F(RestructureTest, ColumnNamesComeFromTheCsvReaderUnchanged) {
    Run(QStringLiteral("CREATE TABLE t(id integer primary key, \"x\ny\", \" padded \", "
                       "\"[br]\", \"\"\"q\", \"a,b\");"
                       "INSERT INTO t VALUES (1, 42, 'p', 'br', 'q', 'ab');"));
    const QString csv = QStringLiteral("id,INTEGER,PRI\r\n\"x\ny\",INT,\n padded ,TEXT,\n"
                                       "\"[br]\",TEXT,\n\"\"\"q\",TEXT,\n\"a,b\",TEXT,\n");
    const QList<TStructColumn> cols = Columns(csv);
    ASSERT_EQ(cols.size(), 6);
    EXPECT_EQ(cols[1].name, QStringLiteral("x\ny"));
    EXPECT_EQ(cols[2].name, QStringLiteral(" padded "));
    EXPECT_EQ(cols[3].name, QStringLiteral("[br]"));
    EXPECT_EQ(cols[4].name, QStringLiteral("\"q"));
    EXPECT_EQ(cols[5].name, QStringLiteral("a,b"));
    EXPECT_TRUE(cols[0].primaryKey);
    EXPECT_FALSE(cols[1].primaryKey);
    ASSERT_TRUE(RestructureTable(db, cols, {}, QStringLiteral("t"), false))
        << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(name, '|') FROM pragma_table_info('t')")),
              QStringLiteral("id|x\ny| padded |[br]|\"q|a,b"));
    EXPECT_EQ(Value(QStringLiteral("SELECT \"x\ny\" || \" padded \" || \"[br]\" || \"\"\"q\" || "
                                   "\"a,b\" FROM t WHERE id = 1")),
              QStringLiteral("42pbrqab"));

    // A quote left open is an error, not a shorter list.
    QList<TStructColumn> open;
    QString why;
    EXPECT_FALSE(ParseStructureCsv(QStringLiteral("id,INT,PRI\n\"x,TEXT,\n"), open, why));
    EXPECT_FALSE(why.isEmpty());
    // Index records are read the same way.
    QList<TStructIndex> indexes;
    ASSERT_TRUE(ParseIndexCsv(
        QStringLiteral("t,0,u,1,\"x\ny\",,,,,\nt,0,u,2, padded ,,,,,\nt,1,n,1,id,,,,,\n"), indexes,
        why))
        << why.toStdString();
    ASSERT_EQ(indexes.size(), 2);
    EXPECT_TRUE(indexes[0].unique);
    EXPECT_EQ(indexes[0].columns,
              (QStringList{QStringLiteral("x\ny"), QStringLiteral(" padded ")}));
    EXPECT_FALSE(indexes[1].unique);
}

// Another connection's lock is reported as such, and nothing changes.
TEST_F(RestructureTest, LockedDatabaseSaysLocked) {
    for (const char* mode : {"delete", "wal"}) {
        SCOPED_TRACE(mode);
        Run(QStringLiteral("DROP TABLE IF EXISTS t; CREATE TABLE t(a INTEGER PRIMARY KEY, b);"
                           "INSERT INTO t VALUES (1, 'x');"));
        ASSERT_TRUE(db.Execute(QStringLiteral("PRAGMA journal_mode=") + QLatin1String(mode)));
        const QString before = Catalogue();
        TSQLite3Database other;
        ASSERT_TRUE(other.Open(path)) << other.LastError().toStdString();
        ASSERT_TRUE(
            other.ExecSQL(QStringLiteral("BEGIN EXCLUSIVE; INSERT INTO t VALUES (2, 'y');")))
            << other.LastError().toStdString();
        int changed = 0;
        EXPECT_FALSE(
            db.UpdateStructure({QStringLiteral("a,INTEGER,PRI"), QStringLiteral("b,TEXT,")}, {},
                               QStringLiteral("t"), changed, true));
        EXPECT_TRUE(db.LastError().contains(QStringLiteral("database is locked")))
            << db.LastError().toStdString();
        EXPECT_FALSE(db.TransactionOpen());
        ASSERT_TRUE(other.ExecSQL(QStringLiteral("COMMIT;")));
        other.Close();
        EXPECT_EQ(Catalogue(), before);
        EXPECT_EQ(Rows(QStringLiteral("t"), QStringLiteral("a")), QStringLiteral("1|'x' 2|'y'"));
        EXPECT_TRUE(ForeignKeysOn());
        ASSERT_TRUE(db.Execute(QStringLiteral("PRAGMA journal_mode=delete")));
    }
    int changed = 0;
    EXPECT_FALSE(db.UpdateStructure({QStringLiteral("a,int,")}, {}, QStringLiteral("nosuch"),
                                    changed, true));
    EXPECT_EQ(db.LastError(), QStringLiteral("No such table: \"nosuch\""));
}

// Only tables are rebuilt, and the one an unqualified name finds.
TEST_F(RestructureTest, OnlyTheTableTheNameFindsIsRebuilt) {
    Run(QStringLiteral("CREATE TABLE t(a, b); INSERT INTO t VALUES (1, 'main');"
                       "CREATE TEMP TABLE t(a, b); INSERT INTO temp.t VALUES (1, 'temp');"
                       "CREATE VIEW v AS SELECT a FROM main.t;"
                       "CREATE VIRTUAL TABLE f USING fts5(x);"));
    const QString before = Catalogue();
    const QList<TStructColumn> cols = Columns(QStringLiteral("a,INT,\nb,TEXT,"));
    EXPECT_FALSE(RestructureTable(db, cols, {}, QStringLiteral("v"), true));
    EXPECT_EQ(db.LastError(), QStringLiteral("\"v\" is not a table: it cannot be restructured"));
    EXPECT_FALSE(
        RestructureTable(db, Columns(QStringLiteral("x,TEXT,")), {}, QStringLiteral("f"), true));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("\"f\" is a virtual table")))
        << db.LastError().toStdString();
    EXPECT_EQ(Catalogue(), before);

    ASSERT_TRUE(RestructureTable(db, cols, {}, QStringLiteral("t"), false))
        << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT sql FROM sqlite_temp_master WHERE name='t'")),
              QStringLiteral("CREATE TABLE t(a INTEGER,b TEXT)"));
    EXPECT_EQ(Value(QStringLiteral("SELECT b FROM temp.t")), QStringLiteral("temp"));
    EXPECT_EQ(Catalogue(), before); // main is untouched
    EXPECT_EQ(Value(QStringLiteral("SELECT b FROM main.t")), QStringLiteral("main"));
}

// What the column list cannot carry is lost by a rebuild: it is refused and
// named unless the loss is allowed, and then the rebuild goes ahead.
TEST_F(RestructureTest, LossesAreRefusedUnlessAllowed) {
    struct Case {
        const char* setup;   // creates table t
        const char* columns; // the new column list
        const char* loss;    // expected in the message
        const char* after;   // with the loss allowed: a query
        const char* expect;  // and its result
        const char* indexes = "";
    };
    const Case cases[] = {
        {"CREATE TABLE t(a, b); CREATE INDEX ix ON t(b); INSERT INTO t VALUES (1, 2);", "a,,\nb,,",
         "the index \"ix\"", "SELECT count(*) FROM sqlite_master WHERE type='index'", "0"},
        {"CREATE TABLE t(a, b); CREATE INDEX ix ON t(a) WHERE a > 0;", "a,,\nb,,",
         "the partial index \"ix\"", "SELECT count(*) FROM sqlite_master WHERE type='index'", "1",
         "t,1,ix,1,a,,,,,"},
        {"CREATE TABLE t(a, b); CREATE INDEX ix ON t(a DESC);", "a,,\nb,,",
         "the index \"ix\" with descending or collated columns",
         "SELECT count(*) FROM sqlite_master WHERE type='index'", "1", "t,1,ix,1,a,,,,,"},
        {"CREATE TABLE t(a, b); CREATE INDEX ix ON t(a + b);", "a,,\nb,,",
         "the index \"ix\" on an expression",
         "SELECT count(*) FROM sqlite_master WHERE type='index'", "0"},
        {"CREATE TABLE t(a); INSERT INTO t(rowid, a) VALUES (1000, 'x'), (50, 'y');", "a,TEXT,",
         "the rowids (they would be renumbered 1..n)", "SELECT group_concat(rowid || a) FROM t",
         "1y,2x"},
        {"CREATE TABLE t(id INT PRIMARY KEY, a); INSERT INTO t VALUES (10, 'x'), (20, 'y');",
         "id,INT,PRI\na,,", "the rowids (they would become the values of \"id\")",
         "SELECT group_concat(rowid || a) FROM t", "10x,20y"},
        {"CREATE TABLE t(a, g AS (a * 2)); INSERT INTO t(a) VALUES (1);", "a,,",
         "the generated column \"g\"", "SELECT count(*) FROM pragma_table_xinfo('t')", "1"},
        {"CREATE TABLE t(a TEXT PRIMARY KEY, b) WITHOUT ROWID; INSERT INTO t VALUES ('k', 1);",
         "a,TEXT,PRI\nb,,", "WITHOUT ROWID; NOT NULL of \"a\"",
         "SELECT wr FROM pragma_table_list('t')", "0"},
        {"CREATE TABLE t(a INTEGER, b TEXT) STRICT; INSERT INTO t VALUES (1, 'x');",
         "a,INTEGER,\nb,TEXT,", "STRICT", "SELECT strict FROM pragma_table_list('t')", "0"},
        {"CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT, b);"
         "INSERT INTO t VALUES (5, 'x'); DELETE FROM t; INSERT INTO t(b) VALUES ('y');",
         "id,INTEGER,PRI\nb,,", "AUTOINCREMENT of \"id\" (its counter, now 6)",
         "SELECT count(*) FROM sqlite_sequence WHERE name='t'", "0"},
        {"CREATE TABLE t(a NOT NULL, b);", "a,,\nb,,", "NOT NULL of \"a\"",
         "SELECT \"notnull\" FROM pragma_table_info('t') WHERE name='a'", "0"},
        {"CREATE TABLE t(a DEFAULT 'x', b);", "a,,\nb,,", "DEFAULT 'x' of \"a\"",
         "SELECT quote(dflt_value) FROM pragma_table_info('t') WHERE name='a'", "NULL"},
        {"CREATE TABLE t(a COLLATE NOCASE, b); INSERT INTO t VALUES ('a', 1);", "a,,\nb,,",
         "COLLATE NOCASE of \"a\"", "SELECT count(*) FROM t WHERE a = 'A'", "0"},
        {"CREATE TABLE t(a CHECK (a > 0), b);", "a,,\nb,,", "CHECK of \"a\"",
         "SELECT instr(sql, 'CHECK') FROM sqlite_master WHERE name='t'", "0"},
        {"CREATE TABLE t(a, b, CONSTRAINT c CHECK (a <> b));", "a,,\nb,,",
         "a table CHECK constraint", "SELECT instr(sql, 'CHECK') FROM sqlite_master WHERE name='t'",
         "0"},
        {"CREATE TABLE p(id INTEGER PRIMARY KEY); CREATE TABLE t(a REFERENCES p(id), b);",
         "a,,\nb,,", "FOREIGN KEY (\"a\") REFERENCES \"p\"",
         "SELECT count(*) FROM pragma_foreign_key_list('t')", "0"},
        {"CREATE TABLE t(a, b, UNIQUE (a, b));", "a,,\nb,,", "UNIQUE (\"a\", \"b\")",
         "SELECT count(*) FROM pragma_index_list('t')", "0"},
        {"CREATE TABLE t(a, b, c, PRIMARY KEY (a, b));", "a,,\nb,,\nc,,",
         "PRIMARY KEY (\"a\", \"b\")", "SELECT count(*) FROM pragma_index_list('t')", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup);
        Run(QStringLiteral("DROP TABLE IF EXISTS t; DROP TABLE IF EXISTS p;"));
        Run(QString::fromUtf8(c.setup));
        const QString copy = ShellCopy();
        const QString before = Catalogue();
        QList<TStructIndex> indexes;
        QString why;
        ASSERT_TRUE(ParseIndexCsv(QString::fromUtf8(c.indexes), indexes, why));
        const QList<TStructColumn> cols = Columns(QString::fromUtf8(c.columns));
        QStringList losses;
        ASSERT_TRUE(RestructureLosses(db, cols, indexes, QStringLiteral("t"), losses))
            << db.LastError().toStdString();
        EXPECT_EQ(losses.join(QStringLiteral("; ")), QString::fromUtf8(c.loss));

        EXPECT_FALSE(RestructureTable(db, cols, indexes, QStringLiteral("t"), false));
        EXPECT_EQ(db.LastError(), QStringLiteral("Restructuring \"t\" would lose: ") +
                                      QString::fromUtf8(c.loss) +
                                      QStringLiteral(". Nothing was changed: the loss must be "
                                                     "allowed explicitly"));
        EXPECT_EQ(SqlDiff(copy, path), QByteArray());
        EXPECT_EQ(Catalogue(), before);
        EXPECT_EQ(Shell(path, QStringLiteral("SELECT count(*) FROM sqlite_sequence")),
                  Shell(copy, QStringLiteral("SELECT count(*) FROM sqlite_sequence")));

        ASSERT_TRUE(RestructureTable(db, cols, indexes, QStringLiteral("t"), true))
            << db.LastError().toStdString();
        EXPECT_EQ(Value(QString::fromUtf8(c.after)), QString::fromUtf8(c.expect));
        EXPECT_EQ(IntegrityCheck(path), QByteArray("ok"));
    }
}

// What the lists can carry is no loss: passed indexes, a kept rowid alias,
// rowids already 1..n, constraints of dropped columns.
TEST_F(RestructureTest, CarriedStructureIsNoLoss) {
    Run(QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY NOT NULL, a, b, gone NOT NULL "
                       "DEFAULT 1 CHECK (gone > 0), UNIQUE (a, b));"
                       "CREATE INDEX ix ON t(b, a); CREATE UNIQUE INDEX ux ON t(a);"
                       "CREATE INDEX gx ON t(gone);"
                       "INSERT INTO t VALUES (7, 'x', 'y', 1), (9, 'p', 'q', 2);"));
    QList<TStructIndex> indexes;
    QString why;
    ASSERT_TRUE(ParseIndexCsv(QStringLiteral("t,1,ix,1,B,,,,,\nt,1,ix,2,a,,,,,\n"
                                             "t,0,ux,1,a,,,,,\nt,0,ab,1,b,,,,,\nt,0,ab,2,a,,,,,\n"
                                             "t,0,PRIMARY,1,id,,,,,\n"),
                              indexes, why));
    const QList<TStructColumn> cols = Columns(QStringLiteral("ID,INTEGER,PRI\na,,\nb,,\n"));
    QStringList losses;
    ASSERT_TRUE(RestructureLosses(db, cols, indexes, QStringLiteral("t"), losses))
        << db.LastError().toStdString();
    EXPECT_EQ(losses, QStringList());
    ASSERT_TRUE(RestructureTable(db, cols, indexes, QStringLiteral("t"), false))
        << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(rowid || a || b) FROM t")),
              QStringLiteral("7xy,9pq"));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(name) FROM (SELECT name FROM "
                                   "sqlite_master WHERE type='index' ORDER BY name)")),
              QStringLiteral("idx_t_ab,idx_t_ix,idx_t_ux"));

    // A table without rowid alias whose rowids are 1..n keeps them.
    Run(QStringLiteral("CREATE TABLE n(a); INSERT INTO n VALUES ('x'), ('y');"));
    ASSERT_TRUE(
        RestructureTable(db, Columns(QStringLiteral("a,TEXT,")), {}, QStringLiteral("n"), false))
        << db.LastError().toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(rowid || a) FROM n")),
              QStringLiteral("1x,2y"));
}

// A write that fails in the middle leaves the table as it was.
// The rebuild is a plan: its statements, in order, then run by the runner
// on a database of its own.
TEST(RestructurePlan, RebuildIsAListOfStatementsRunInOneTransaction) {
    TSQLite3Database mem;
    ASSERT_TRUE(mem.Open(QStringLiteral(":memory:"))) << mem.LastError().toStdString();
    ASSERT_TRUE(mem.ExecuteList(QStringLiteral(
        "CREATE TABLE \"my t\"(id INT, a TEXT, gone TEXT);"
        "INSERT INTO \"my t\" VALUES (1, 'x', 'z'), (2, 'y', 'z');"
        "CREATE TABLE log(m);"
        // The trigger names its table in another letter case: it is the
        // table's trigger all the same, and comes back with it.
        "CREATE TRIGGER tr AFTER DELETE ON \"MY T\" BEGIN INSERT INTO log VALUES (old.id); "
        "END;")));
    QList<TStructColumn> cols;
    QString why;
    ASSERT_TRUE(ParseStructureCsv(QStringLiteral("id,int,PRI\na,text,\nb,real,\n"), cols, why));
    const QList<TStructIndex> indexes{{QStringLiteral("byA"), true, {QStringLiteral("a")}},
                                      {QStringLiteral("PRIMARY"), true, {QStringLiteral("id")}}};
    TRestructurePlan plan;
    ASSERT_TRUE(BuildRestructurePlan(mem, cols, indexes, QStringLiteral("my t"), false, plan))
        << mem.LastError().toStdString();
    EXPECT_EQ(plan.schema, QStringLiteral("main"));
    EXPECT_EQ(plan.table, QStringLiteral("my t"));
    const QStringList want{
        QStringLiteral("ALTER TABLE main.\"my t\" RENAME TO \"tOld_my t\";"),
        QStringLiteral("CREATE TABLE main.\"my t\"(id INTEGER PRIMARY KEY,a TEXT,b REAL);"),
        QStringLiteral("INSERT INTO main.\"my t\" (\"id\",\"a\") SELECT \"id\",\"a\" FROM "
                       "main.\"tOld_my t\" ORDER BY rowid;"),
        QStringLiteral("DROP TABLE main.\"tOld_my t\";"),
        QStringLiteral("CREATE UNIQUE INDEX main.\"idx_my t_byA\" ON \"my t\" (a);"),
        QStringLiteral("CREATE TRIGGER tr AFTER DELETE ON \"MY T\" BEGIN INSERT INTO log VALUES "
                       "(old.id); END;"),
    };
    ASSERT_EQ(plan.statements.size(), want.size()) << plan.statements.join('\n').toStdString();
    for (qsizetype i = 0; i < want.size(); ++i)
        EXPECT_EQ(plan.statements[i], want[i]) << i;
    // Building read and wrote nothing.
    QString sql;
    ASSERT_TRUE(mem.QuerySingleValue(sql, QStringLiteral("SELECT sql FROM sqlite_master WHERE "
                                                         "name='my t'")));
    EXPECT_EQ(sql, QStringLiteral("CREATE TABLE \"my t\"(id INT, a TEXT, gone TEXT)"));

    ASSERT_TRUE(RunRestructurePlan(mem, plan)) << mem.LastError().toStdString();
    QStringList rows;
    ASSERT_TRUE(mem.QuerySingleColumn(
        rows, QStringLiteral("SELECT id || a || quote(b) FROM \"my t\" ORDER BY id"), 0, false));
    EXPECT_EQ(rows, (QStringList{QStringLiteral("1xNULL"), QStringLiteral("2yNULL")}));
    ASSERT_TRUE(mem.ExecuteList(QStringLiteral("DELETE FROM \"my t\" WHERE id = 2;")));
    ASSERT_TRUE(mem.QuerySingleValue(sql, QStringLiteral("SELECT group_concat(m) FROM log")));
    EXPECT_EQ(sql, QStringLiteral("2"));
    EXPECT_FALSE(mem.TransactionOpen());
}

// A plan that fails part-way (a statement, or a full disk) changes nothing.
TEST_F(RestructureTest, AFailingPlanChangesNothing) {
    Run(QStringLiteral("CREATE TABLE t(id INTEGER PRIMARY KEY, a, b);"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                       "300) INSERT INTO t SELECT i, i % 7, printf('%0200d', i) FROM n;"));
    const QString pristine = ShellCopy(QStringLiteral("pristine.db"));
    TRestructurePlan plan;
    ASSERT_TRUE(BuildRestructurePlan(db, Columns(QStringLiteral("id,INTEGER,PRI\na,INT,\nb,TEXT")),
                                     {{QStringLiteral("a"), true, {QStringLiteral("a")}}},
                                     QStringLiteral("t"), true, plan))
        << db.LastError().toStdString();
    // Values of a repeat: the unique index of the last step fails.
    EXPECT_FALSE(RunRestructurePlan(db, plan));
    EXPECT_TRUE(db.LastError().startsWith(QStringLiteral("DB Error: UNIQUE constraint failed")))
        << db.LastError().toStdString();
    EXPECT_EQ(SqlDiff(pristine, path), QByteArray());
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_TRUE(ForeignKeysOn());

    ASSERT_TRUE(BuildRestructurePlan(db, Columns(QStringLiteral("id,INTEGER,PRI\nb,TEXT")), {},
                                     QStringLiteral("t"), true, plan));
    const QString pages = Value(QStringLiteral("PRAGMA page_count"));
    ASSERT_TRUE(
        db.Execute(QStringLiteral("PRAGMA max_page_count=") + QString::number(pages.toInt() + 1)));
    EXPECT_FALSE(RunRestructurePlan(db, plan));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("full"))) << db.LastError().toStdString();
    EXPECT_FALSE(db.TransactionOpen());
    db.Close();
    EXPECT_EQ(SqlDiff(pristine, path), QByteArray());
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(RestructureTest, FailedWritesLeaveTheTableAsItWas) {
    Run(QStringLiteral("CREATE TABLE parent(id INTEGER PRIMARY KEY);"
                       "CREATE TABLE t(id INTEGER PRIMARY KEY, a REFERENCES parent(id), b);"
                       "CREATE INDEX tb ON t(b);"
                       "INSERT INTO parent VALUES (1);"
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                       "400) INSERT INTO t SELECT i, 1, printf('%0100d', i) FROM n;"));
    const QString pristine = ShellCopy(QStringLiteral("pristine.db"));
    const QString kCatalogue =
        QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name;");
    const QList<TStructColumn> cols = Columns(QStringLiteral("id,INTEGER,PRI\nb,TEXT,\n"));
    const QList<TStructIndex> indexes{{QStringLiteral("tb"), false, {QStringLiteral("b")}}};

    // Disk full: the database may not grow.
    const QString pages = Value(QStringLiteral("PRAGMA page_count"));
    ASSERT_TRUE(
        db.Execute(QStringLiteral("PRAGMA max_page_count=") + QString::number(pages.toInt() + 2)));
    EXPECT_FALSE(RestructureTable(db, cols, indexes, QStringLiteral("t"), true));
    EXPECT_TRUE(db.LastError().contains(QStringLiteral("full"))) << db.LastError().toStdString();
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_TRUE(ForeignKeysOn());
    EXPECT_EQ(Value(QStringLiteral("PRAGMA legacy_alter_table")), QStringLiteral("0"));
    EXPECT_EQ(SqlDiff(pristine, path), QByteArray());
    EXPECT_EQ(Shell(path, kCatalogue), Shell(pristine, kCatalogue));
    EXPECT_INTEGRITY_OK(path);
    db.Close();

    // The nth write or sync fails: every n until the rebuild gets through.
    for (FaultOp op : {FaultOp::Write, FaultOp::Sync}) {
        bool done = false;
        int failed = 0;
        for (int n = 1; n < 400 && !done; ++n) {
            SCOPED_TRACE(testing::Message() << (op == FaultOp::Write ? "write " : "sync ") << n);
            const QString file = dir.filePath(QStringLiteral("f.db"));
            QFile::remove(file);
            Shell(pristine, QStringLiteral(".backup '") + file + QStringLiteral("'"));
            TSQLite3Database f;
            bool fired = false, ok = false;
            {
                ScopedFault fault(op, n, kAnyFile, SQLITE_IOERR_WRITE, false);
                ASSERT_TRUE(f.Open(file)) << f.LastError().toStdString();
                ok = RestructureTable(f, cols, indexes, QStringLiteral("t"), true);
                fired = fault.Fired();
            }
            bool fk = false;
            EXPECT_TRUE(f.CheckForeignKeys(fk));
            EXPECT_TRUE(fk);
            EXPECT_FALSE(f.TransactionOpen());
            f.Close();
            EXPECT_INTEGRITY_OK(file);
            if (!fired) {
                ASSERT_TRUE(ok) << f.LastError().toStdString();
                done = true;
            } else if (!ok) {
                ++failed;
                EXPECT_EQ(SqlDiff(pristine, file), QByteArray());
                EXPECT_EQ(Shell(file, kCatalogue), Shell(pristine, kCatalogue));
            }
        }
        EXPECT_TRUE(done);
        EXPECT_GT(failed, 0);
    }
}

} // namespace
} // namespace sky::test
