// The quick-SQL texts on real files, byte for byte: the row statements with
// their selection, the fixed templates, CREATE with the name selected, the
// comparison insertion; every generated statement is run by the sqlite3
// shell.
#include "workspace/QuickSql.h"

#include "common/Process.h"
#include "common/TempDb.h"

namespace sky::test {
namespace {

class QuickSqlTest : public TempDbTest {
protected:
    TemplateResult Text(const QString& table, QuickKind kind, const QString& schema = {},
                        bool isView = false) {
        TemplateContext c;
        c.curSchema = schema;
        c.curTable = table;
        c.columns = ColumnsOf(table, schema);
        c.primaryKey = db.PrimaryKeyColumns(table, schema);
        c.queryLimit = 1000;
        TemplateResult r;
        QString why;
        EXPECT_TRUE(QuickSqlText(db, {schema, table, isView}, kind, c, r, why))
            << why.toStdString();
        return r;
    }
    QStringList ColumnsOf(const QString& table, const QString& schema) {
        QList<QStringList> rows;
        db.QueryTextRows(QStringLiteral("SELECT name FROM pragma_table_info(") + QuoteSql(table) +
                             QStringLiteral(", ") +
                             QuoteSql(schema.isEmpty() ? QStringLiteral("main") : schema) +
                             QStringLiteral(")"),
                         rows);
        QStringList names;
        for (const QStringList& r : rows)
            names << r.value(0);
        return names;
    }
    static QString QuoteSql(QString s) {
        return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QStringLiteral("''")) +
               QLatin1Char('\'');
    }
    static QString Selected(const TemplateResult& r) {
        return r.text.mid(r.selStart, r.selEnd - r.selStart);
    }
};

TEST_F(QuickSqlTest, RowStatementsOfAnIntegerKeyTable) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INT);");
    const struct {
        QuickKind kind;
        const char* text;
        const char* selected;
    } cases[] = {
        {QuickKind::Insert,
         "INSERT INTO t(id, name, qty) VALUES \r\n (NULL, '', 0)\r\n,(NULL, '', 0)\r\n,(NULL, '', "
         "0)\r\n;",
         "0"},
        {QuickKind::Upsert,
         "INSERT INTO t(id, name, qty) VALUES \r\n  (NULL, '', 0)\r\n ,(NULL, '', 0)\r\n ,(NULL, "
         "'', 0)\r\n  ON CONFLICT (id) DO UPDATE\r\n  SET (name, qty)\r\n    = (excluded.name, "
         "excluded.qty)\r\n;",
         "0"},
        {QuickKind::Update,
         "UPDATE t\r\n   SET (name, qty)\r\n     = ('', 0)\r\n WHERE id = NULL\r\n;", "NULL"},
    };
    for (const auto& c : cases) {
        const TemplateResult r = Text("t", c.kind);
        EXPECT_EQ(r.text, QString::fromUtf8(c.text));
        EXPECT_EQ(Selected(r), QString::fromUtf8(c.selected));
        // Every statement is one the engine runs.
        EXPECT_TRUE(db.ExecuteList(r.text)) << db.LastError().toStdString();
    }
    EXPECT_EQ(Value("SELECT count(*) FROM t"), "6"); // NULL keys: new rows, no conflict
}

TEST_F(QuickSqlTest, KeysDefaultsAndLongLists) {
    // Defaults as written; the text column's caret between the quotes when
    // no 0 is there; a composite key; a generated column left out.
    Run("CREATE TABLE k(a TEXT DEFAULT '007', b INT NOT NULL DEFAULT -1, "
        "c TEXT DEFAULT CURRENT_TIMESTAMP, d TEXT, e BLOB, f REAL NULL DEFAULT NULL,"
        " g INT GENERATED ALWAYS AS (b * 2), PRIMARY KEY (d, a));");
    TemplateResult r = Text("k", QuickKind::Insert);
    EXPECT_TRUE(r.text.startsWith("INSERT INTO k(a, b, c, d, e, f) VALUES \r\n"
                                  " ('007', -1, CURRENT_TIMESTAMP, '', 0x00, NULL)\r\n"));
    EXPECT_EQ(r.selStart, r.selEnd);
    EXPECT_EQ(r.text.mid(r.selStart - 1, 2), "''");
    r = Text("k", QuickKind::Upsert);
    EXPECT_TRUE(r.text.contains("  ON CONFLICT (a, d) DO UPDATE\r\n  SET (b, c, e, f)\r\n"))
        << r.text.toStdString();
    r = Text("k", QuickKind::Update);
    EXPECT_EQ(r.text,
              "UPDATE k\r\n   SET (b, c, e, f)\r\n     = (-1, CURRENT_TIMESTAMP, 0x00, NULL)"
              "\r\n WHERE a = '007' AND d = ''\r\n;");
    EXPECT_EQ(r.text.mid(r.selStart - 1, 2), "''");

    // All key columns: DO NOTHING; an UPDATE that sets its keys.
    Run("CREATE TABLE \"my keys\"(x TEXT, y INT, PRIMARY KEY (x, y)) WITHOUT ROWID;");
    r = Text("my keys", QuickKind::Upsert);
    EXPECT_TRUE(r.text.endsWith("  ON CONFLICT (x, y) DO NOTHING\r\n;")) << r.text.toStdString();
    EXPECT_TRUE(r.text.startsWith("INSERT INTO \"my keys\"(x, y)"));
    EXPECT_TRUE(db.ExecuteList(r.text)) << db.LastError().toStdString();
    r = Text("my keys", QuickKind::Update);
    EXPECT_TRUE(db.ExecuteList(r.text)) << db.LastError().toStdString();

    // A value list of 256 characters or more: a single row.
    QStringList cols;
    for (int i = 0; i < 90; ++i)
        cols << QStringLiteral("c%1 INT").arg(i);
    Run("CREATE TABLE wide(" + cols.join(", ") + ");");
    r = Text("wide", QuickKind::Insert);
    EXPECT_EQ(r.text.count("\r\n"), 2);
    EXPECT_TRUE(db.ExecuteList(r.text)) << db.LastError().toStdString();
}

TEST_F(QuickSqlTest, AnotherSchemaAndHostileNamesAndValues) {
    Run("ATTACH ':memory:' AS aux;"
        "CREATE TABLE aux.\"odd|#TBL#\"(\"k|\" INTEGER PRIMARY KEY, v TEXT DEFAULT 'a|b#FDS#');");
    const TemplateResult r = Text("odd|#TBL#", QuickKind::Insert, "aux");
    EXPECT_EQ(r.text.left(r.text.indexOf("\r\n")),
              "INSERT INTO aux.\"odd|#TBL#\"(\"k|\", v) VALUES ");
    EXPECT_TRUE(r.text.contains(" (NULL, 'a|b#FDS#')\r\n"));
    EXPECT_EQ(r.selStart, r.text.indexOf(" (NULL") + 2); // before the first value
    EXPECT_TRUE(db.ExecuteList(r.text)) << db.LastError().toStdString();
    EXPECT_EQ(Value("SELECT group_concat(v, ';') FROM aux.\"odd|#TBL#\""),
              "a|b#FDS#;a|b#FDS#;a|b#FDS#");
}

TEST_F(QuickSqlTest, FixedTemplatesCreateAndRefusals) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT);"
        "CREATE VIEW \"v t\" AS SELECT name FROM t;");
    EXPECT_EQ(Text("t", QuickKind::Select).text,
              "SELECT id, name\r\n  FROM t \r\n WHERE 1\r\n LIMIT 1000;");
    EXPECT_EQ(Selected(Text("t", QuickKind::SelectAll)), "1");
    EXPECT_EQ(Text("t", QuickKind::Delete).text, "DELETE FROM t WHERE id = ;");
    const TemplateResult drop = Text("v t", QuickKind::Drop, {}, true);
    EXPECT_EQ(drop.text, "DROP VIEW IF EXISTS \"v t\";");
    EXPECT_EQ(Selected(drop), "\"v t\"");
    // CREATE on a view: its statement, the name selected.
    const TemplateResult create = Text("v t", QuickKind::Create, {}, true);
    EXPECT_EQ(create.text, "CREATE VIEW \"v t\" AS SELECT name FROM t;");
    EXPECT_EQ(Selected(create), "v t");
    // Not offered on a view.
    TemplateResult r;
    QString why;
    for (QuickKind k : {QuickKind::Insert, QuickKind::Upsert, QuickKind::Update, QuickKind::Delete})
        EXPECT_FALSE(QuickSqlText(db, {{}, "v t", true}, k, {}, r, why));
    EXPECT_EQ(why, "Not offered for a view: v t is a view");
    EXPECT_FALSE(QuickSqlText(db, {{}, "nosuch", false}, QuickKind::Create, {}, r, why));
}

TEST(QuickSqlRules, CompareInsertion) {
    // "=" twice with the column chosen: the column only once.
    TemplateResult r = CompareInsert("", 0, 0, "qty", " = |");
    EXPECT_EQ(r.text, "qty = ");
    EXPECT_EQ(r.selStart, 6);
    r = CompareInsert(r.text, r.selStart, r.selEnd, "qty", " = |");
    EXPECT_EQ(r.text, "qty =  = ");
    // LIKE: the caret between the percent signs; the selection replaced.
    r = CompareInsert("SELECT * FROM t WHERE xx", 22, 24, "name", kQuickCompares[6].hint);
    EXPECT_EQ(r.text, "SELECT * FROM t WHERE name LIKE \"%%\"");
    EXPECT_EQ(r.selStart, r.text.size() - 2);
    // No column chosen: the hint alone.
    r = CompareInsert("a", 1, 1, "", " != |");
    EXPECT_EQ(r.text, "a != ");
    // The column far before the caret: written again.
    r = CompareInsert("qty = 1 AND ", 12, 12, "qty", " > |");
    EXPECT_EQ(r.text, "qty = 1 AND qty > ");
}

} // namespace
} // namespace sky::test
