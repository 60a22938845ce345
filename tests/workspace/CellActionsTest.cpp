// The results' value, row and table actions on real files: rows identified
// by the current table's key or rowid with the cells' stored values, and
// only from that table's columns; typed answers by affinity; executions that
// must change exactly one row (a RAISE(IGNORE) trigger, a full disk); the
// shown statements, run by the sqlite3 shell, write back the same values.
#include "workspace/ResultsActions.h"

#include "common/FaultInject.h"
#include "common/TempDb.h"
#include "engine/SqlLiteral.h"
#include "workspace/DataEditor.h"
#include "workspace/SqlTemplate.h"

#include <QFile>

namespace sky::test {
namespace {

class CellActionsTest : public TempDbTest {
protected:
    void Load(const QString& sql, const QString& table, const QString& schema = {}) {
        ASSERT_TRUE(db.QueryToResults(rows, sql, -1, -1)) << db.LastError().toStdString();
        t = ReadActionTable(db, schema, table);
    }
    static QString Applied(const QString& tmpl, QString* selected = nullptr) {
        TemplateResult r;
        EXPECT_TRUE(ApplyTemplate(tmpl, {}, r));
        if (selected) *selected = r.text.mid(r.selStart, r.selEnd - r.selStart);
        return r.text;
    }
    TResultTable rows;
    ActionTable t;
};

TEST_F(CellActionsTest, ATextKeyAnAliasAndTypedAnswers) {
    Run("CREATE TABLE t(code TEXT PRIMARY KEY, qty INT, note TEXT);"
        "INSERT INTO t VALUES ('007', 5, 'x');");
    Load("SELECT code, qty AS amount, note FROM t", "t");
    RowTarget r = ResolveRow(t, rows, 0);
    ASSERT_TRUE(r.why.isEmpty()) << r.why.toStdString();
    EXPECT_EQ(r.Condition(), "code='007'");
    QString why;
    EXPECT_EQ(ValueColumn(t, rows, 1, why), "qty"); // the alias edits its column
    QString status;
    // Text columns keep the text; numeric columns drop the blanks.
    ASSERT_TRUE(ExecuteValueEdit(db, t, r, "note", "note", TypedAnswer("1 000", "TEXT"), status));
    EXPECT_EQ(status, "Value for \"note\" Updated to: '1 000'");
    ASSERT_TRUE(
        ExecuteValueEdit(db, t, r, "qty", "amount", TypedAnswer("1 000", "INTEGER"), status));
    EXPECT_EQ(status, "Value for \"amount\" Updated to: 1000");
    ASSERT_TRUE(ExecuteValueEdit(db, t, r, "code", "code", TypedAnswer("0070", "TEXT"), status));
    EXPECT_EQ(Value("SELECT quote(code) || typeof(qty) || qty || quote(note) FROM t"),
              "'0070'integer1000'1 000'");
    // The old key is gone: the same edit finds no row, and says so.
    EXPECT_FALSE(ExecuteValueEdit(db, t, r, "qty", "amount", TypedAnswer("1", "INTEGER"), status));
    EXPECT_EQ(status, "Error: " + kNoRowChanged);
    const struct {
        const char *answer, *affinity, *literal;
    } answers[] = {{" null ", "TEXT", "NULL"},     {"007", "TEXT", "'007'"},
                   {"007", "INTEGER", "7"},        {"1.5", "REAL", "1.5"},
                   {"12 345", "NUMERIC", "12345"}, {"abc", "INTEGER", "'abc'"},
                   {"", "INTEGER", "''"},          {"0x10", "INTEGER", "'0x10'"}};
    for (const auto& a : answers)
        EXPECT_EQ(ValueLiteral(TypedAnswer(a.answer, a.affinity)), a.literal) << a.answer;
}

TEST_F(CellActionsTest, RowsThatCannotBeIdentifiedSayWhy) {
    Run("CREATE TABLE t(code TEXT PRIMARY KEY, qty INT, g INT GENERATED ALWAYS AS (qty * 2));"
        "CREATE TABLE u(code TEXT, x INT);"
        "INSERT INTO t(code, qty) VALUES ('a', 1), (NULL, 2);"
        "INSERT INTO u VALUES ('a', 9);");
    const struct {
        const char* sql;
        int row;
        const char* why;
    } cases[] = {
        {"SELECT 1 + 1 AS x", 0, "The result is not from t"},
        {"SELECT x FROM u", 0, "The result is not from t"},
        {"SELECT qty FROM t", 0, "No primary key or rowid of t in the result"},
        {"SELECT code, qty FROM t ORDER BY qty", 1,
         "A key value is NULL: the row cannot be identified"},
        {"SELECT code, qty FROM t ORDER BY qty", 0, ""},
        {"SELECT rowid, qty FROM t ORDER BY qty", 1, ""}, // the rowid where the key is NULL
    };
    for (const auto& c : cases) {
        Load(c.sql, "t");
        EXPECT_EQ(ResolveRow(t, rows, c.row).why, c.why) << c.sql;
    }
    EXPECT_EQ(ResolveRow(t, rows, 1).Condition(), "rowid=2");
    // Value columns: computed, joined and generated columns are not editable.
    Load("SELECT t.code, u.x, qty + 1, g, t.qty FROM t JOIN u USING (code)", "t");
    QString why;
    const struct {
        int col;
        const char *column, *why;
    } cols[] = {{1, "", "Not a column of t"},
                {2, "", "A computed value is not a column of t"},
                {3, "", "g is a generated column"},
                {4, "qty", ""}};
    for (const auto& c : cols) {
        why.clear();
        EXPECT_EQ(ValueColumn(t, rows, c.col, why), c.column) << c.col;
        EXPECT_EQ(why, c.why) << c.col;
    }
    // The row's statements leave out the joined and generated columns.
    const RowTarget r = ResolveRow(t, rows, 0);
    EXPECT_EQ(Applied(RowUpdateSql(t, r, rows, 0)),
              "UPDATE t SET \r\n  code = 'a'\r\n, qty = 1\r\n WHERE code='a'\r\n;");
    // A view or no table: nothing is identified.
    EXPECT_FALSE(ResolveRow(ReadActionTable(db, {}, "nosuch"), rows, 0).why.isEmpty());
}

TEST_F(CellActionsTest, CompositeKeysDuplicateAndRemove) {
    Run("CREATE TABLE k(a INT, b TEXT, v REAL, PRIMARY KEY (a, b));"
        "INSERT INTO k VALUES (1, 'x', 0.1), (2, 'y''s', NULL);"
        "CREATE TABLE n(id INTEGER PRIMARY KEY, name TEXT);"
        "INSERT INTO n VALUES (7, 'seven');");
    Load("SELECT * FROM k", "k");
    RowTarget r = ResolveRow(t, rows, 1);
    EXPECT_EQ(r.Condition(), "a=2 AND b='y''s'");
    EXPECT_EQ(RemoveRowQuestion(r),
              "Permanently remove Row with key values \"a=2 AND b='y''s'\" now?");
    QString status;
    // The same key again: refused by the table, nothing changed.
    EXPECT_FALSE(ExecuteDuplicate(db, t, r, rows, 1, status));
    EXPECT_TRUE(status.contains("UNIQUE")) << status.toStdString();
    ASSERT_TRUE(ExecuteRemove(db, t, r, status)) << status.toStdString();
    EXPECT_EQ(Value("SELECT count(*) FROM k"), "1");
    EXPECT_FALSE(ExecuteRemove(db, t, r, status));
    EXPECT_EQ(status, kNoRowChanged);
    // A rowid alias: the duplicate gets a new key; the shown INSERT has NULL.
    Load("SELECT name, id FROM n", "n");
    r = ResolveRow(t, rows, 0);
    ASSERT_TRUE(ExecuteDuplicate(db, t, r, rows, 0, status)) << status.toStdString();
    EXPECT_EQ(Value("SELECT group_concat(id || name) FROM n"), "7seven,8seven");
    QString selected;
    EXPECT_EQ(Applied(RowInsertSql(t, r, rows, 0), &selected),
              "INSERT INTO n \r\n (name, id) VALUES \r\n ('seven', NULL)\r\n;");
    EXPECT_EQ(selected, "seven");
}

TEST_F(CellActionsTest, ATriggerThatIgnoresTheChangeIsAnError) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);"
        "INSERT INTO t VALUES (1, 'keep');"
        "CREATE TRIGGER no_upd BEFORE UPDATE ON t BEGIN SELECT RAISE(IGNORE); END;"
        "CREATE TRIGGER no_del BEFORE DELETE ON t BEGIN SELECT RAISE(IGNORE); END;");
    Load("SELECT * FROM t", "t");
    const RowTarget r = ResolveRow(t, rows, 0);
    QString status;
    EXPECT_FALSE(ExecuteValueEdit(db, t, r, "v", "v", TextValue("new"), status));
    EXPECT_EQ(status, "Error: " + kNoRowChanged);
    EXPECT_FALSE(ExecuteRemove(db, t, r, status));
    EXPECT_EQ(Value("SELECT v FROM t"), "keep");
    EXPECT_FALSE(db.TransactionOpen());
}

TEST_F(CellActionsTest, AFullDiskEditChangesNothing) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT); INSERT INTO t VALUES (1, 'old');");
    Load("SELECT * FROM t", "t");
    SetMaxPageCount(db.Handle());
    QString status;
    EXPECT_FALSE(ExecuteValueEdit(db, t, ResolveRow(t, rows, 0), "v", "v",
                                  TextValue(QString(100000, u'x')), status));
    EXPECT_TRUE(status.startsWith("Error: ")) << status.toStdString();
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(Value("SELECT v FROM t"), "old");
    db.Close();
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(CellActionsTest, ShownStatementsWriteBackTheSameValues) {
    // Every storage class, a text key with a quote, a text with CR, NUL and
    // a byte that is not UTF-8, another schema.
    const QString other = dir.filePath("other.db");
    Run("ATTACH " + QuoteSqlString(other) +
        " AS aux;"
        "CREATE TABLE aux.\"we|rd\"(k TEXT PRIMARY KEY, i INT, r REAL, b BLOB, s TEXT, z);"
        "INSERT INTO aux.\"we|rd\" VALUES ('it''s', 9223372036854775807, 0.1, x'00ff10', "
        "'ünï #TBL# |', CAST(x'610d0062ff' AS TEXT));");
    Load("SELECT * FROM aux.\"we|rd\"", "we|rd", "aux");
    const RowTarget r = ResolveRow(t, rows, 0);
    ASSERT_TRUE(r.why.isEmpty()) << r.why.toStdString();
    const QString update = Applied(RowUpdateSql(t, r, rows, 0));
    const QString insert = Applied(RowInsertSql(t, r, rows, 0));
    const QString remove = Applied(RowDeleteSql(t, r));
    EXPECT_EQ(remove, "DELETE FROM aux.\"we|rd\" WHERE k='it''s';");
    EXPECT_EQ(Applied(TableRenameSql(t)), "ALTER TABLE aux.\"we|rd\" RENAME TO \"we|rd\";");
    EXPECT_EQ(Applied(TableDropSql(t)), "DROP TABLE aux.\"we|rd\";");
    db.Close();
    const QString copy = dir.filePath("copy.db");
    ASSERT_TRUE(QFile::copy(other, copy));
    // The UPDATE of the row changes nothing; DELETE then INSERT gives it back.
    Shell(copy, QString(update).replace("aux.", "main."));
    EXPECT_EQ(SqlDiff(other, copy), QByteArray());
    Shell(copy, QString(remove).replace("aux.", "main."));
    EXPECT_EQ(Shell(copy, "SELECT count(*) FROM \"we|rd\""), "0");
    Shell(copy, QString(insert).replace("aux.", "main."));
    EXPECT_EQ(SqlDiff(other, copy), QByteArray());
}

TEST_F(CellActionsTest, ShownValueStatementsByteForByte) {
    Run("CREATE TEMP TABLE t(id INTEGER PRIMARY KEY, \"my col\" TEXT);"
        "INSERT INTO t VALUES (3, 'a|b');");
    Load("SELECT id, \"my col\" FROM t", "t", "temp");
    const RowTarget r = ResolveRow(t, rows, 0);
    QString selected;
    EXPECT_EQ(Applied(ShowSelectSql(t, r, "my col"), &selected),
              "SELECT id,\"my col\"\r\n  FROM temp.t \r\n WHERE id=3;");
    EXPECT_EQ(selected, "\"my col\"");
    EXPECT_EQ(Applied(ShowUpdateSql(t, r, "my col", CellValueOf(rows, 0, 1)), &selected),
              "UPDATE temp.t\r\n   SET \"my col\" = 'a|b' \r\n WHERE id=3;");
    EXPECT_EQ(selected, "'a|b'");
    EXPECT_EQ(Applied(ShowEditSql(t, r, "my col", TypedAnswer("NULL", "TEXT")), &selected),
              "UPDATE temp.t SET \"my col\" = NULL WHERE id=3;");
    EXPECT_EQ(selected, "NULL");
    EXPECT_EQ(Applied(UniqueValuesSql(t, "my col", 1000), &selected),
              "SELECT \"my col\", count(\"my col\") AS 'Count' \r\n  FROM temp.t \r\n WHERE 1\r\n"
              " GROUP BY \"my col\"\r\n ORDER BY \"my col\" ASC\r\n LIMIT 1000;");
    EXPECT_EQ(selected, "1");
}

} // namespace
} // namespace sky::test
