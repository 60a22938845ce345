// Schema introspection against real databases, including names that need quotes.
#include "common/TempDb.h"
#include "engine/Catalogue.h"
#include "engine/Identifiers.h"

#include <sqlite3.h>

namespace sky::test {
namespace {

class SchemaTest : public TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run(QStringLiteral(
            "CREATE TABLE plain(id INTEGER PRIMARY KEY, name TEXT NOT NULL COLLATE NOCASE);\n"
            "CREATE TABLE \"odd 'name\"\"\"(a, b, c, PRIMARY KEY(c, a));\n"
            "CREATE TABLE \"order\"(\"select\" INTEGER PRIMARY KEY AUTOINCREMENT, v DEFAULT "
            "'x,y');\n"
            "CREATE VIEW v1 AS SELECT * FROM plain;\n"
            "CREATE TABLE T007(x);"));
    }
};

TEST_F(SchemaTest, EnumeratesTablesAndColumns) {
    QStringList tables;
    EXPECT_EQ(db.EnumTableNames(tables), 5);
    EXPECT_EQ(tables, (QStringList{QStringLiteral("plain"), QStringLiteral("\"odd 'name\"\"\""),
                                   QStringLiteral("order"), QStringLiteral("sqlite_sequence"),
                                   QStringLiteral("T007")}));
    QStringList cols;
    EXPECT_EQ(db.EnumColumns(cols, QStringLiteral("plain"), true), 2);
    EXPECT_EQ(cols, (QStringList{QStringLiteral("cid,name,type,notnull,dflt_value,pk"),
                                 QStringLiteral("0,id,INTEGER,0,NULL,1"),
                                 QStringLiteral("1,name,TEXT,1,NULL,0")}));
    EXPECT_EQ(db.EnumColumns(cols, QStringLiteral("\"order\""), false), 2);
    EXPECT_EQ(cols[1], QStringLiteral("1,v,,0,\"'x,y'\",0"));
    QStringList names;
    EXPECT_EQ(db.EnumColNames(names, QStringLiteral("odd 'name\"")), 3);
    EXPECT_EQ(names, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(db.EnumColNames(names, QStringLiteral("  ")), -1);
    EXPECT_EQ(db.EnumColumns(cols, QStringLiteral("nosuch"), false), 0);
}

TEST_F(SchemaTest, PrimaryKeysInKeyOrder) {
    EXPECT_EQ(db.GetPrimaryKeyFields(QStringLiteral("plain"), QString()), QStringLiteral("id"));
    EXPECT_EQ(db.GetPrimaryKeyFields(QStringLiteral("\"odd 'name\"\"\""), QStringLiteral("main")),
              QStringLiteral("c,a"));
    EXPECT_EQ(db.GetPrimaryKeyFields(QStringLiteral("order"), QString()),
              QStringLiteral("\"select\""));
    EXPECT_EQ(db.GetPrimaryKeyFields(QStringLiteral("T007"), QString()), QString());
    EXPECT_EQ(db.GetPrimaryKeyFields(QString(), QString()), QString());
    Run(QStringLiteral(
        "ATTACH ':memory:' AS \"other db\"; CREATE TABLE \"other db\".k(z PRIMARY KEY);"));
    EXPECT_EQ(db.GetPrimaryKeyFields(QStringLiteral("k"), QStringLiteral("other db")),
              QStringLiteral("z"));
}

TEST_F(SchemaTest, ExistenceTests) {
    EXPECT_TRUE(db.TableExists(QStringLiteral("plain"), QString()));
    EXPECT_TRUE(db.TableExists(QStringLiteral("plain"), QStringLiteral("\"main\"")));
    EXPECT_FALSE(db.TableExists(QStringLiteral("PLAIN"), QString()));
    EXPECT_FALSE(db.TableExists(QStringLiteral("v1"), QString()));
    EXPECT_TRUE(db.ViewExists(QStringLiteral("v1"), QString()));
    EXPECT_FALSE(db.TableExists(QStringLiteral("   "), QString()));
    EXPECT_FALSE(db.TableExists(QStringLiteral("plain"), QStringLiteral("nosuchschema")));
    EXPECT_TRUE(db.TableExists(QStringLiteral("odd 'name\""), QString()));
    Run(QStringLiteral("CREATE TEMP TABLE tt(x);"));
    EXPECT_TRUE(db.TableExists(QStringLiteral("tt"), QStringLiteral("temp")));
    EXPECT_FALSE(db.TableExists(QStringLiteral("tt"), QString()));
}

TEST_F(SchemaTest, ColumnMetaDataAndTypeProbe) {
    TSQLiteColumnMetaData md =
        db.ColMetaData(QStringLiteral("order"), QStringLiteral("select"), QString());
    EXPECT_TRUE(md.isValidTable);
    EXPECT_TRUE(md.isValidColumn);
    EXPECT_TRUE(md.isPrimaryKey);
    EXPECT_TRUE(md.isAutoInc);
    EXPECT_EQ(md.sDataType, QStringLiteral("INTEGER"));
    md = db.ColMetaData(QStringLiteral("plain"), QStringLiteral("name"), QStringLiteral("main"));
    EXPECT_TRUE(md.isNotNull);
    EXPECT_EQ(md.sCollation, QStringLiteral("NOCASE"));
    md = db.ColMetaData(QStringLiteral("plain"), QStringLiteral("nosuch"), QString());
    EXPECT_FALSE(md.isValidTable);
    EXPECT_EQ(db.LastError(), QStringLiteral("DB Error: no such table column: plain.nosuch"));

    QStringList types;
    ASSERT_TRUE(db.QueryTypeAffinities(
        types, QStringLiteral("SELECT 1 AS i, 2.5, 'x' AS \"a,b\", X'00', NULL")));
    EXPECT_EQ(types, (QStringList{QStringLiteral("i=INTEGER"), QStringLiteral("2.5=REAL"),
                                  QStringLiteral("\"a,b\"=TEXT"), QStringLiteral("X'00'=BLOB"),
                                  QStringLiteral("NULL=NULL")}));
    ASSERT_TRUE(db.QueryTypeAffinities(types, QStringLiteral("SELECT * FROM plain")));
    EXPECT_EQ(types, (QStringList{QStringLiteral("id=NULL"), QStringLiteral("name=NULL")}));
    EXPECT_FALSE(db.QueryTypeAffinities(types, QStringLiteral("CREATE TABLE z(a)")));
}

QStringList Names(const QList<const TCatalogueEntry*>& entries) {
    QStringList names;
    for (const TCatalogueEntry* e : entries)
        names << e->Name();
    return names;
}

// The catalogue read once: lookups as the engine finds names, each table's
// indexes and triggers (a trigger may name its table in another letter case),
// the orders, and the columns of every table at each level of detail.
TEST_F(SchemaTest, CatalogueLooksUpWhatTheMasterTableHolds) {
    Run(QStringLiteral("CREATE INDEX plain_name ON PLAIN(name);"
                       "CREATE TRIGGER plain_ins AFTER INSERT ON Plain BEGIN SELECT 1; END;"
                       "CREATE TABLE \"Bé\"(q INT DEFAULT 7, g AS (q + 1));"));
    for (const CatalogueDetail detail :
         {CatalogueDetail::Objects, CatalogueDetail::ColumnNames, CatalogueDetail::Columns}) {
        SCOPED_TRACE(int(detail));
        TSchemaCatalogue cat;
        QString why;
        ASSERT_TRUE(ReadCatalogue(db, QStringLiteral("\"main\""), cat, detail, &why))
            << why.toStdString();
        EXPECT_EQ(cat.Schema(), QStringLiteral("main"));
        EXPECT_EQ(cat.Detail(), detail);
        EXPECT_EQ(cat.Entries().size(), 10); // 6 tables (sequence too), 2 indexes, view, trigger
        const TCatalogueEntry* plain = cat.Table(QStringLiteral("plain"));
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(cat.Table(QStringLiteral("PLAIN")), nullptr);
        EXPECT_EQ(cat.TableIgnoringCase("PLAIN"), plain);
        EXPECT_EQ(cat.Table(QStringLiteral("v1")), nullptr);
        ASSERT_NE(cat.ViewIgnoringCase("V1"), nullptr);
        EXPECT_EQ(cat.View("v1")->Sql(), QStringLiteral("CREATE VIEW v1 AS SELECT * FROM plain"));
        EXPECT_EQ(Names(cat.Dependents(*plain, CatalogueKind::Index)),
                  QStringList{QStringLiteral("plain_name")});
        EXPECT_EQ(Names(cat.Dependents(*plain, CatalogueKind::Trigger)),
                  QStringList{QStringLiteral("plain_ins")});
        // The automatic index of a key has no statement.
        const TCatalogueEntry* odd = cat.Table(QStringLiteral("odd 'name\""));
        ASSERT_NE(odd, nullptr);
        const QList<const TCatalogueEntry*> auto_ = cat.Dependents(*odd, CatalogueKind::Index);
        ASSERT_EQ(auto_.size(), 1);
        EXPECT_TRUE(auto_[0]->sql.isEmpty());
        EXPECT_EQ(Names(cat.OfKind(CatalogueKind::Table, TSchemaCatalogue::Order::Name)),
                  (QStringList{QStringLiteral("Bé"), QStringLiteral("T007"),
                               QStringLiteral("odd 'name\""), QStringLiteral("order"),
                               QStringLiteral("plain"), QStringLiteral("sqlite_sequence")}));
        EXPECT_EQ(
            Names(cat.OfKind(CatalogueKind::Table, TSchemaCatalogue::Order::RootPage)).first(),
            QStringLiteral("plain"));

        const TCatalogueEntry* be = cat.Table(QStringLiteral("Bé"));
        ASSERT_NE(be, nullptr);
        QList<TCatalogueColumn> cols;
        ASSERT_TRUE(CatalogueColumns(db, cat, *be, CatalogueDetail::Columns, cols, &why));
        ASSERT_EQ(cols.size(), 2);
        EXPECT_EQ(cols[0].name, QStringLiteral("q"));
        EXPECT_EQ(cols[0].type, QStringLiteral("INT"));
        EXPECT_TRUE(cols[0].hasDefault);
        EXPECT_EQ(cols[0].defaultText, QStringLiteral("7"));
        EXPECT_EQ(cols[1].hidden, 2);
        EXPECT_EQ(be->columns.size(), detail == CatalogueDetail::Objects ? 0 : 2);
        if (detail == CatalogueDetail::ColumnNames) {
            EXPECT_TRUE(be->columns[0].type.isEmpty());
        }
    }
    TSchemaCatalogue cat;
    QString why;
    EXPECT_FALSE(ReadCatalogue(db, QStringLiteral("nosuch"), cat, CatalogueDetail::Columns, &why));
    EXPECT_FALSE(why.isEmpty());
    ASSERT_TRUE(ReadTableCatalogue(db, QString(), "PLAIN", cat, &why)) << why.toStdString();
    EXPECT_EQ(cat.Entries().size(), 3); // the table, its index, its trigger
    ASSERT_NE(cat.Table(QStringLiteral("plain")), nullptr);
    EXPECT_EQ(cat.Table(QStringLiteral("plain"))->columns.size(), 2);
}

// A virtual table whose module this engine lacks fails the one query of all
// columns: the catalogue is read without them, and each table's columns are
// then read on their own.
TEST_F(SchemaTest, CatalogueWithoutColumnsWhenAModuleIsMissing) {
    sqlite3* h = db.Handle();
    ASSERT_EQ(sqlite3_exec(h,
                           "PRAGMA writable_schema=ON; INSERT INTO sqlite_master VALUES('table', "
                           "'vt', 'vt', 0, 'CREATE VIRTUAL TABLE vt USING nosuchmodule(a)'); "
                           "PRAGMA writable_schema=OFF;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    db.Close();
    ASSERT_TRUE(db.Open(path));
    TSchemaCatalogue cat;
    QString why;
    ASSERT_TRUE(ReadCatalogue(db, QString(), cat, CatalogueDetail::Columns, &why))
        << why.toStdString();
    EXPECT_EQ(cat.Detail(), CatalogueDetail::Objects);
    ASSERT_NE(cat.Table(QStringLiteral("vt")), nullptr);
    QList<TCatalogueColumn> cols;
    EXPECT_FALSE(CatalogueColumns(db, cat, *cat.Table(QStringLiteral("vt")),
                                  CatalogueDetail::ColumnNames, cols, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("nosuchmodule"))) << why.toStdString();
    ASSERT_TRUE(CatalogueColumns(db, cat, *cat.Table(QStringLiteral("plain")),
                                 CatalogueDetail::ColumnNames, cols, &why));
    EXPECT_EQ(cols.size(), 2);
}

// Column counts come from the engine's table list in the same statement:
// each ordinary table's columns, generated ones included, as the engine
// reports them one table at a time; none for a virtual table, whose missing
// module does not fail the reading.
TEST_F(SchemaTest, CatalogueCountsTheColumnsOfOrdinaryTables) {
    Run(QStringLiteral("CREATE TABLE \"Bé\"(q INT DEFAULT 7, g AS (q + 1) STORED, h AS (q * 2));"));
    ASSERT_EQ(sqlite3_exec(db.Handle(),
                           "PRAGMA writable_schema=ON; INSERT INTO sqlite_master VALUES('table', "
                           "'vt', 'vt', 0, 'CREATE VIRTUAL TABLE vt USING nosuchmodule(a)'); "
                           "PRAGMA writable_schema=OFF;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    db.Close();
    ASSERT_TRUE(db.Open(path));
    TSchemaCatalogue cat;
    QString why;
    ASSERT_TRUE(ReadCatalogue(db, QString(), cat, CatalogueDetail::ColumnCounts, &why))
        << why.toStdString();
    EXPECT_EQ(cat.Detail(), CatalogueDetail::ColumnCounts);
    int tables = 0;
    for (const TCatalogueEntry* e : cat.OfKind(CatalogueKind::Table)) {
        SCOPED_TRACE(e->Name().toStdString());
        EXPECT_TRUE(e->columns.isEmpty());
        if (e->name == "vt") {
            EXPECT_EQ(e->columnCount, -1);
            continue;
        }
        QList<TCatalogueColumn> cols;
        ASSERT_TRUE(ReadTableColumns(db, QString(), e->name, cols, &why)) << why.toStdString();
        EXPECT_EQ(e->columnCount, cols.size());
        ++tables;
    }
    EXPECT_GE(tables, 5);
    EXPECT_EQ(cat.Table(QStringLiteral("Bé"))->columnCount, 3);
    // Other details and single tables leave the counts unknown.
    ASSERT_TRUE(ReadCatalogue(db, QString(), cat, CatalogueDetail::Objects, &why));
    EXPECT_EQ(cat.Table(QStringLiteral("Bé"))->columnCount, -1);
    ASSERT_TRUE(ReadTableCatalogue(db, QString(), "plain", cat, &why));
    EXPECT_EQ(cat.Table(QStringLiteral("plain"))->columnCount, -1);
    EXPECT_EQ(cat.Table(QStringLiteral("plain"))->columns.size(), 2);
}

TEST_F(SchemaTest, FreshTableNames) {
    EXPECT_EQ(db.makeValidTableName(QString(), QString(), false), QStringLiteral("New_Table_1"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("New Table"), QString(), false),
              QStringLiteral("NewTable"));
    Run(QStringLiteral("CREATE TABLE NewTable(x);"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("New Table"), QString(), false),
              QStringLiteral("NewTable2"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("T007"), QString(), false),
              QStringLiteral("T008"));
    // Letter case does not make a name free; views and indexes count too.
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("t007"), QString(), false),
              QStringLiteral("t008"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("V1"), QString(), false), QStringLiteral("V2"));
    Run(QStringLiteral("CREATE TABLE T9(x);"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("T9"), QString(), false), QStringLiteral("T10"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("sqlite_stat1"), QString(), true),
              QStringLiteral("sqldb_stat1"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("a(b),c.[d]`e'\"f"), QString(), false),
              QStringLiteral("abcdef"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("Grüße"), QString(), false),
              QStringLiteral("Grüße"));
    EXPECT_EQ(db.makeValidTableName(QStringLiteral("plain"), QString(), true),
              QStringLiteral("plain"));
}

} // namespace
} // namespace sky::test
