// The schema tree built from real databases: schemas, tables in both
// orders, columns, indexes, triggers, views, odd names; node texts, hints,
// fonts and pictures; the name a double-click inserts.
#include "workspace/SchemaTree.h"
#include "common/TempDb.h"
#include "design/TableLayout.h"

#include <QFile>
#include <algorithm>
#include <sqlite3.h>

namespace sky {
namespace {

class SchemaTreeTest : public test::TempDbTest {
protected:
    const SchemaNode* Find(const QList<SchemaNode>& roots, const QString& schema,
                           const QString& name) {
        for (const SchemaNode& s : roots)
            if (s.rec.sName == schema)
                for (const SchemaNode& t : s.children)
                    if (t.rec.sName == name) return &t;
        return nullptr;
    }
    QStringList Names(const SchemaNode& schema) {
        QStringList n;
        for (const SchemaNode& t : schema.children)
            n << t.rec.sName;
        return n;
    }
};

TEST_F(SchemaTreeTest, SchemasTablesViewsAndChildren) {
    Run("CREATE TABLE zeta(id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL /* who */, "
        "price REAL DEFAULT 1.5, parent INTEGER REFERENCES zeta(id));"
        "CREATE UNIQUE INDEX zeta_name ON zeta(name DESC) WHERE price > 0;"
        "CREATE TRIGGER zeta_upd AFTER UPDATE OF price ON zeta WHEN new.price < 0 BEGIN "
        "SELECT 1; END;"
        "CREATE TABLE \" spaced \"(a, b, PRIMARY KEY(b, a));"
        "CREATE TABLE alpha(x TEXT);"
        "CREATE VIEW v AS SELECT id, name FROM zeta;");
    const QString auxFile = dir.filePath("aux.db");
    {
        TSQLite3Database aux;
        ASSERT_TRUE(aux.Open(auxFile));
        ASSERT_TRUE(aux.ExecuteList("CREATE TABLE zeta(q BLOB);"));
    }
    Run("ATTACH DATABASE '" + auxFile + "' AS aux;");
    QList<SchemaNode> roots;
    {
        // The attached table is read from its own schema, not main's namesake.
        TSchemaCatalogue m;
        QString why;
        EXPECT_TRUE(ReadCatalogue(db, "aux", m, CatalogueDetail::Columns, &why))
            << why.toStdString();
        TTableLayout t;
        EXPECT_TRUE(convDBTableToLayout(db, "aux", t, "zeta", &why, &m)) << why.toStdString();
        ASSERT_EQ(t.Cols.size(), 1);
        EXPECT_EQ(t.Cols[0].fName, "q");
    }
    EXPECT_EQ(BuildSchemaTree(db, TreeOrder::Creation, roots), 5);
    ASSERT_GE(roots.size(), 2);
    EXPECT_EQ(roots[0].rec.sName, "main");
    EXPECT_EQ(roots.last().rec.sName, "aux");
    // Creation order, then alphabetical (tables only; views follow).
    EXPECT_EQ(Names(roots[0]), (QStringList{"zeta", " spaced ", "alpha", "v"}));
    BuildSchemaTree(db, TreeOrder::Alphabetical, roots);
    EXPECT_EQ(Names(roots[0]), (QStringList{" spaced ", "alpha", "zeta", "v"}));

    const SchemaNode* zeta = Find(roots, "main", "zeta");
    ASSERT_TRUE(zeta);
    EXPECT_EQ(zeta->rec.NodeKind, TreeNodeKind::TableOrView);
    EXPECT_EQ(zeta->rec.colCount, 4);
    EXPECT_EQ(NodeText(zeta->rec), "zeta   (4)");
    EXPECT_EQ(NodeHint(zeta->rec), "Table \"zeta\" with 4 Columns.");
    ASSERT_EQ(zeta->children.size(), 6); // 4 columns, 1 index, 1 trigger
    const TDBObjRec& id = zeta->children[0].rec;
    EXPECT_EQ(id.pkSeq, 1);
    EXPECT_EQ(id.iID, zeta->rec.iSeq);
    EXPECT_EQ(NodeImageOf(id), NodeImage::PrimaryKey);
    EXPECT_EQ(NodeHint(id), "id  -  Primary Key column with INTEGER affinity.");
    const TDBObjRec& name = zeta->children[1].rec;
    EXPECT_EQ(name.sType, "VARCHAR(20)");
    EXPECT_EQ(NodeText(name), "name  -  VARCHAR(20)  -- who");
    EXPECT_EQ(NodeHint(name),
              "name  -  Not Null column of type VARCHAR(20) with TEXT affinity.\r\n --  who");
    EXPECT_EQ(NodeImageOf(name), NodeImage::ColText);
    EXPECT_EQ(zeta->children[2].rec.sDefault, "1.5");
    EXPECT_FALSE(zeta->children[3].rec.sRefTables.isEmpty());
    const TDBObjRec& index = zeta->children[4].rec;
    EXPECT_EQ(index.dbObjKind, okIndex);
    EXPECT_TRUE(index.bUnique);
    EXPECT_TRUE(index.bPartial);
    const TDBObjRec& trigger = zeta->children[5].rec;
    EXPECT_EQ(trigger.dbObjKind, okTrigger);
    EXPECT_EQ(NodeImageOf(trigger), NodeImage::Trigger);
    // A composite key marks both columns; the name is used as stored.
    const SchemaNode* spaced = Find(roots, "main", " spaced ");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->children[0].rec.pkSeq, 1);
    EXPECT_EQ(spaced->children[1].rec.pkSeq, 1);
    EXPECT_EQ(spaced->children[0].rec.sTableName, " spaced ");
    // The view and its columns, which allow NULL.
    const SchemaNode* v = Find(roots, "main", "v");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->rec.dbObjKind, okView);
    EXPECT_EQ(v->rec.sRefTables, "zeta");
    EXPECT_TRUE(v->rec.Text().sCreate.startsWith("CREATE VIEW"));
    ASSERT_EQ(v->children.size(), 2);
    EXPECT_TRUE(v->children[0].rec.bNULL);
    EXPECT_EQ(NodeHint(v->rec), "View \"v\" with 2 Columns.");
    EXPECT_EQ(NodeFontOf(v->rec).rgb, 0x206080u);
    // The attached schema's table of the same name is its own node.
    const SchemaNode* auxZeta = Find(roots, "aux", "zeta");
    ASSERT_TRUE(auxZeta);
    EXPECT_EQ(auxZeta->rec.sDataBase, "aux");
    EXPECT_EQ(NodeHint(auxZeta->rec), "Table \"zeta\" with One Column.");
    EXPECT_EQ(NodeImageOf(auxZeta->children[0].rec), NodeImage::ColBlob);
    // Running numbers over all schemas.
    QList<int> ids;
    for (const SchemaNode& s : roots)
        for (const SchemaNode& t : s.children)
            ids << t.rec.iID;
    for (qsizetype i = 0; i < ids.size(); ++i)
        EXPECT_EQ(ids[i], i);
}

// A trigger whose CREATE names its table in another letter case sits below
// the table; a virtual table this engine cannot describe is shown unread
// while every other table is read (each then on its own).
TEST_F(SchemaTreeTest, TriggersInAnyCaseAndAnUndescribableVirtualTable) {
    Run("CREATE TABLE t1(a INT, b TEXT); CREATE TABLE log(m);"
        "CREATE TRIGGER tr AFTER INSERT ON T1 BEGIN INSERT INTO log VALUES (1); END;");
    QList<SchemaNode> roots;
    ASSERT_EQ(BuildSchemaTree(db, TreeOrder::Creation, roots), 2);
    const SchemaNode* t1 = Find(roots, "main", "t1");
    ASSERT_NE(t1, nullptr);
    ASSERT_EQ(t1->children.size(), 3);
    EXPECT_EQ(t1->children[2].rec.dbObjKind, okTrigger);
    EXPECT_EQ(t1->children[2].rec.sName, "tr");

    ASSERT_EQ(sqlite3_exec(db.Handle(),
                           "PRAGMA writable_schema=ON; INSERT INTO sqlite_master VALUES('table', "
                           "'vt', 'vt', 0, 'CREATE VIRTUAL TABLE vt USING nosuchmodule(a)'); "
                           "PRAGMA writable_schema=OFF;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    db.Close();
    ASSERT_TRUE(db.Open(path));
    QString error;
    ASSERT_EQ(BuildSchemaTree(db, TreeOrder::Creation, roots, &error), 3);
    const SchemaNode* vt = Find(roots, "main", "vt");
    ASSERT_NE(vt, nullptr);
    EXPECT_TRUE(vt->rec.bNoLayout);
    EXPECT_TRUE(vt->rec.sComment.contains("nosuchmodule")) << vt->rec.sComment.toStdString();
    t1 = Find(roots, "main", "t1");
    ASSERT_NE(t1, nullptr);
    EXPECT_FALSE(t1->rec.bNoLayout);
    EXPECT_EQ(t1->rec.colCount, 2);
}

TEST_F(SchemaTreeTest, EmptyDatabaseHasOnlyItsSchema) {
    QList<SchemaNode> roots;
    EXPECT_EQ(BuildSchemaTree(db, TreeOrder::Creation, roots), 0);
    ASSERT_FALSE(roots.isEmpty());
    EXPECT_EQ(roots[0].rec.sName, "main");
    EXPECT_TRUE(roots[0].children.isEmpty());
    EXPECT_EQ(NodeFontOf(roots[0].rec).pointSize, 11);
    EXPECT_TRUE(NodeFontOf(roots[0].rec).bold && NodeFontOf(roots[0].rec).italic);
}

// Tables whose layout cannot be modelled keep their node, marked, and are
// counted; the unreadable view too.
TEST_F(SchemaTreeTest, TablesThatCannotBeModelledAreShownMarked) {
    Run("CREATE TABLE twochecks(a CHECK(a > 0) CHECK(a < 10));"
        "CREATE TABLE twice(b UNIQUE UNIQUE);"
        "CREATE TABLE plain(x);");
    ASSERT_EQ(sqlite3_exec(db.Handle(),
                           "CREATE TABLE \"bad\xff"
                           "name\"(a);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    QList<SchemaNode> roots;
    QString error;
    EXPECT_EQ(BuildSchemaTree(db, TreeOrder::Creation, roots, &error), 4);
    EXPECT_EQ(error, QString());
    ASSERT_EQ(roots.size(), 1);
    const QList<SchemaNode>& tables = roots[0].children;
    ASSERT_EQ(tables.size(), 4);
    for (int i : {0, 1, 3}) {
        SCOPED_TRACE(tables[i].rec.sName.toStdString());
        EXPECT_TRUE(tables[i].rec.bNoLayout);
        EXPECT_TRUE(tables[i].children.isEmpty());
        EXPECT_TRUE(tables[i].rec.Text().sCreate.startsWith("CREATE TABLE"));
        EXPECT_EQ(NodeText(tables[i].rec), tables[i].rec.sName + "   " + kLayoutNotRead);
        EXPECT_TRUE(NodeHint(tables[i].rec)
                        .startsWith("Table \"" + tables[i].rec.sName +
                                    "\": its layout could not be read ("));
        EXPECT_EQ(tables[i].rec.iID, i);
    }
    EXPECT_EQ(tables[0].rec.sName, "twochecks");
    EXPECT_EQ(tables[1].rec.sName, "twice");
    EXPECT_FALSE(tables[2].rec.bNoLayout);
    EXPECT_EQ(NodeText(tables[2].rec), "plain   (1)");
    EXPECT_TRUE(tables[3].rec.sName.startsWith("bad"));
}

// A schema large enough to be read on several threads: every table in
// creation order with its running number, its columns, indexes and
// triggers as the engine knows them, unreadable ones marked in their place,
// the numbering going on into the next schema; by name the same nodes.
TEST_F(SchemaTreeTest, ManyTablesKeepTheirOrderNumbersAndChildren) {
    constexpr int kTables = 1100;
    QString sql = QStringLiteral("BEGIN;");
    for (int i = 0; i < kTables; ++i) {
        const QString name = QStringLiteral("t%1").arg((i * 7919) % kTables, 4, 10, QChar('0'));
        if (i % 97 == 5) { // a text the layout cannot hold: marked, not dropped
            sql += "CREATE TABLE " + name + "(a CHECK(a > 0) CHECK(a < 9));";
            continue;
        }
        sql += "CREATE TABLE " + name + "(id INTEGER PRIMARY KEY";
        for (int c = 0; c < i % 5; ++c)
            sql += QStringLiteral(", c%1 %2").arg(c).arg(c % 2 ? "TEXT" : "REAL");
        sql += ");";
        if (i % 3 == 0) sql += "CREATE INDEX " + name + "_i ON " + name + "(id DESC);";
        if (i % 4 == 0)
            sql +=
                "CREATE TRIGGER " + name + "_t AFTER DELETE ON " + name + " BEGIN SELECT 1; END;";
    }
    sql += "COMMIT;";
    Run(sql);
    const QString auxFile = dir.filePath("many_aux.db");
    {
        TSQLite3Database aux;
        ASSERT_TRUE(aux.Open(auxFile));
        ASSERT_TRUE(aux.ExecuteList("CREATE TABLE last(x);"));
    }
    Run("ATTACH DATABASE '" + auxFile + "' AS aux;");

    QStringList created; // the engine's creation order
    ASSERT_TRUE(db.QuerySingleColumn(
        created, "SELECT name FROM sqlite_schema WHERE type='table' ORDER BY rootpage;", 0, false));
    ASSERT_EQ(created.size(), kTables);

    QList<SchemaNode> roots;
    QString error;
    ASSERT_EQ(BuildSchemaTree(db, TreeOrder::Creation, roots, &error), kTables + 1);
    EXPECT_EQ(error, QString());
    ASSERT_EQ(roots.size(), 2);
    const QList<SchemaNode>& tables = roots[0].children;
    ASSERT_EQ(tables.size(), kTables);
    int unreadable = 0;
    for (int k = 0; k < kTables; ++k) {
        const TDBObjRec& r = tables[k].rec;
        SCOPED_TRACE(r.sName.toStdString());
        ASSERT_EQ(r.sName, created[k]);
        EXPECT_EQ(r.iID, k);
        EXPECT_EQ(r.iSeq, k + 1);
        if (r.bNoLayout) {
            ++unreadable;
            EXPECT_TRUE(tables[k].children.isEmpty());
            continue;
        }
        QStringList expected;
        ASSERT_TRUE(db.QuerySingleColumn(
            expected,
            "SELECT name FROM pragma_table_info('" + r.sName +
                "') UNION ALL SELECT name FROM (SELECT name FROM sqlite_schema WHERE "
                "type='index' AND tbl_name='" +
                r.sName +
                "' ORDER BY rowid) UNION ALL SELECT name FROM (SELECT name FROM sqlite_schema "
                "WHERE type='trigger' AND tbl_name='" +
                r.sName + "' ORDER BY rowid);",
            0, false));
        QStringList got;
        for (const SchemaNode& c : tables[k].children) {
            got << c.rec.sName;
            EXPECT_EQ(c.rec.iID, k + 1);
            EXPECT_EQ(c.rec.sTableName, r.sName);
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(r.colCount,
                  Value("SELECT count(*) FROM pragma_table_info('" + r.sName + "');").toInt());
        EXPECT_EQ(tables[k].children.first().rec.pkSeq, 1);
        EXPECT_EQ(tables[k].children.first().rec.sAffinity, "INTEGER");
    }
    EXPECT_EQ(unreadable, (kTables + 91) / 97);
    ASSERT_EQ(roots[1].children.size(), 1);
    EXPECT_EQ(roots[1].children[0].rec.iID, kTables);

    QList<SchemaNode> byName;
    ASSERT_EQ(BuildSchemaTree(db, TreeOrder::Alphabetical, byName, &error), kTables + 1);
    QStringList sorted = created;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(Names(byName[0]), sorted);
    for (const SchemaNode& t : byName[0].children) {
        const SchemaNode* same = Find(roots, "main", t.rec.sName);
        ASSERT_NE(same, nullptr);
        EXPECT_EQ(t.children.size(), same->children.size());
        EXPECT_EQ(t.rec.bNoLayout, same->rec.bNoLayout);
    }
}

// A database that cannot be read is an error, not an empty tree.
TEST_F(SchemaTreeTest, ReadFailuresAreReported) {
    Run("CREATE TABLE t(a); CREATE VIEW v AS SELECT a FROM t;");
    {
        // Another connection's exclusive lock.
        TSQLite3Database other;
        ASSERT_TRUE(other.Open(path));
        ASSERT_TRUE(other.ExecuteList("BEGIN EXCLUSIVE;"));
        TSQLite3Database reader;
        ASSERT_TRUE(reader.Open(path));
        QList<SchemaNode> roots;
        QString error;
        EXPECT_EQ(BuildSchemaTree(reader, TreeOrder::Creation, roots, &error), 0);
        EXPECT_TRUE(error.contains("database is locked")) << error.toStdString();
        ASSERT_TRUE(other.ExecuteList("COMMIT;"));
    }
    // Bytes that are no database, and a file cut short.
    const QString junk = dir.filePath("junk.db");
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    QByteArray bytes(5000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919 + 13) % 251);
    j.write(bytes);
    j.close();
    // A master table of many pages, of which the cut file keeps two.
    for (int i = 0; i < 200; ++i)
        Run(QStringLiteral("CREATE TABLE filler%1(alpha, beta, gamma, delta, epsilon, zeta);")
                .arg(i));
    db.Close();
    const QString cut = dir.filePath("cut.db");
    QFile whole(path);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile c(cut);
    ASSERT_TRUE(c.open(QIODevice::WriteOnly));
    c.write(whole.read(8192));
    c.close();
    for (const QString& file : {junk, cut}) {
        SCOPED_TRACE(file.toStdString());
        TSQLite3Database reader;
        ASSERT_TRUE(reader.Open(file, 0, false, true));
        QList<SchemaNode> roots;
        QString error;
        BuildSchemaTree(reader, TreeOrder::Creation, roots, &error);
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(SchemaTree, ColumnAffinityRules) {
    const struct {
        const char* type;
        const char* affinity;
    } cases[] = {
        {"INTEGER", "INTEGER"},
        {"tinyint", "INTEGER"},
        {"VARCHAR(10)", "TEXT"},
        {" clob ", "TEXT"},
        {"BLOB", "BLOB"},
        {"", "BLOB"},
        {"DOUBLE PRECISION", "REAL"},
        {"float", "REAL"},
        {"DECIMAL(10,2)", "NUMERIC"},
        {"BOOLEAN", "NUMERIC"},
        {"POINT", "INTEGER"} /* "POINT" holds INT */,
        // Blanks, letters beyond ASCII and types too long for the
        // short path follow the same rule.
        {"\t int \n", "INTEGER"},
        {"Größe int", "INTEGER"},
        {"étiquette", "NUMERIC"},
        {"ѕтрока text", "TEXT"},
        {"an unusually long declared type name that ends in the word float", "REAL"},
        {"an unusually long declared type name, seventy letters, still blob-like", "BLOB"}};
    for (const auto& c : cases)
        EXPECT_EQ(ColumnAffinity(QString::fromUtf8(c.type)), QString::fromUtf8(c.affinity))
            << c.type;
}

TEST(SchemaTree, DoubleClickInsertion) {
    const struct {
        const char* text;
        int selStart, selEnd;
        const char* result;
        int caret, selEndAfter;
    } cases[] = {
        {"", 0, 0, "name", 4, 4},
        {"   ", 1, 1, "name", 4, 4},
        {"SELECT ", 7, 7, "SELECT name", 11, 11},
        {"SELECT a", 8, 8, "SELECT a, name", 14, 14},
        {"SELECT a FROM t", 8, 8, "SELECT a, name FROM t", 14, 14},
        {"SELECT xx FROM t", 7, 9, "SELECT name FROM t", 11, 11},
        {"SELECT *FROM t", 7, 8, "SELECT name FROM t", 11, 12}, // suffix selected
        {"ab", 99, 99, "ab, name", 8, 8},
    };
    for (const auto& c : cases) {
        const NameInsertion r =
            InsertNodeName(QString::fromUtf8(c.text), c.selStart, c.selEnd, QStringLiteral("name"));
        EXPECT_EQ(r.text, QString::fromUtf8(c.result)) << c.text;
        EXPECT_EQ(r.caret, c.caret) << c.text;
        EXPECT_EQ(r.selEnd, c.selEndAfter) << c.text;
    }
}

} // namespace
} // namespace sky
