// The data editor's model on real files: columns, defaults and keys; the
// normalisation of typed values and the value writer; the script with its
// groups; row states; the commit in one transaction with its summaries and
// returned script; the result limit of loading; the tab-separated copy.
#include "workspace/DataEditor.h"

#include "common/FaultInject.h"
#include "common/TempDb.h"

#include <QProcess>

namespace sky::test {
namespace {

TEST(DataEditorRules, AffinitiesAndDefaults) {
    const struct {
        const char *name, *type;
        bool notNull;
        const char *dflt, *affinity;
        bool quoted;
        const char* valDefault;
    } cases[] = {
        {"name", "TEXT", true, "", "TEXT", true, ""},
        {"qty", "INTEGER", true, "", "INTEGER", false, "0"},
        {"price", "REAL", false, "", "REAL", false, "NULL"},
        {"n", "NUMERIC", true, "", "NUMERIC", true, ""},
        {"d", "DECIMAL(10,2)", false, "", "NUMERIC", true, "NULL"},
        {"c", "VARCHAR(20)", false, "'abc'", "TEXT", true, "abc"},
        {"q", "TEXT", false, "'it''s'", "TEXT", true, "it's"},
        {"i", "INT", false, "5 /* five */", "INTEGER", false, "5"},
        {"e", "DOUBLE", false, "/* none */ NULL", "REAL", false, "NULL"},
        {"f", "FLOAT", true, " null ", "REAL", false, "0"},
        {"t", "TEXT", true, "CURRENT_TIMESTAMP", "TEXT", true, "CURRENT_TIMESTAMP"},
        {"x", "CHARINT", false, "-1", "INTEGER", false, "-1"},
        {"b", "", false, "", "BLOB", true, "NULL"},
        {"g", "BLOB", true, "", "BLOB", true, ""},
    };
    for (const auto& c : cases) {
        const TEditFieldSpec f =
            EditFieldOf(c.name, c.type, c.notNull, false, QString::fromUtf8(c.dflt));
        EXPECT_EQ(f.Affinity, c.affinity) << c.name;
        EXPECT_EQ(f.isQuoted, c.quoted) << c.name;
        EXPECT_EQ(f.ValDefault, c.valDefault) << c.name;
        EXPECT_EQ(f.VarType, c.type);
    }
    EXPECT_EQ(EditFieldOf("my col", "TEXT", false, false, "").SafeName, "\"my col\"");
    EXPECT_TRUE(EditFieldOf("RowID", "INTEGER", true, true, "").isRowID);
}

TEST(DataEditorRules, NormalisationByAffinity) {
    const TEditFieldSpec integer = EditFieldOf("i", "INTEGER", false, false, "");
    const TEditFieldSpec real = EditFieldOf("r", "REAL", false, false, "");
    const TEditFieldSpec text = EditFieldOf("t", "TEXT", false, false, "");
    const TEditFieldSpec numeric = EditFieldOf("n", "NUMERIC", false, false, "");
    const struct {
        const TEditFieldSpec* f;
        const char *typed, *normal;
    } cases[] = {
        {&integer, "12.0", "12"},
        {&integer, "13.4", "13"},
        {&integer, " 13.5 ", "14"},
        {&integer, "-2.5", "-3"},
        {&integer, "9007199254740993", "9007199254740993"},
        {&integer, "9007199254740993.4", "9007199254740993"},
        {&integer, "-9223372036854775808", "-9223372036854775808"},
        {&integer, "1e3", "1000"},
        {&integer, "12abc", "12"},
        {&integer, "abc", "0"},
        {&integer, "", "0"},
        {&integer, "null", "NULL"},
        {&integer, " NuLl ", "NULL"},
        {&real, "13.40", "13.4"},
        {&real, "12", "12"},
        {&real, "0.30000000000000004", "0.30000000000000004"},
        {&real, "x", "0"},
        {&real, "Null", "NULL"},
        {&text, " a b ", " a b "},
        {&text, " null\t", "NULL"},
        {&numeric, "12.0", "12.0"},
        {&numeric, "NULL", "NULL"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseEditValue(*c.f, QString::fromUtf8(c.typed)), c.normal)
            << c.f->Affinity.toStdString() << " " << c.typed;

    const struct {
        const TEditFieldSpec* f;
        const char *oldValue, *newValue;
        bool changed;
    } changes[] = {
        {&integer, "12", "12", false},
        {&integer, "12", "13", true},
        {&integer, "12.7", "13", false}, // within 0.5
        {&integer, "9007199254740992", "9007199254740993", true},
        {&integer, "NULL", "0", true},
        {&integer, "NULL", "NULL", false},
        {&integer, "abc", "0", true}, // not a number: the texts
        {&real, "12.0", "12", false},
        {&real, "0.1", "0.1000000000000001", false},
        {&real, "0.1", "0.100001", true},
        {&text, "a", "a ", true},
        {&text, "a", "a", false},
    };
    for (const auto& c : changes)
        EXPECT_EQ(EditValueChanged(*c.f, c.oldValue, c.newValue), c.changed)
            << c.f->Affinity.toStdString() << " " << c.oldValue << " -> " << c.newValue;
}

TEST(DataEditorRules, ValueWriter) {
    const TEditFieldSpec integer = EditFieldOf("i", "INTEGER", false, false, "");
    const TEditFieldSpec real = EditFieldOf("r", "REAL", false, false, "");
    const TEditFieldSpec text = EditFieldOf("t", "TEXT", false, false, "");
    const struct {
        const TEditFieldSpec* f;
        QString value;
        const char* sql;
    } cases[] = {
        {&text, "O'Brien", "'O''Brien'"},
        {&text, "12", "'12'"},
        {&text, "", "''"},
        {&text, "null", "NULL"},
        {&text, "a\r\nb", "'a'||char(13)||'\nb'"},
        {&text, QString("a") + QChar(0) + "b", "'a'||char(0)||'b'"},
        {&integer, "12", "12"},
        {&integer, " ", "0"},
        {&integer, "abc", "'abc'"},
        {&integer, "NULL", "NULL"},
        {&real, "1,5", "'1,5'"},
        {&real, "-0.5e3", "-0.5e3"},
        {&real, "1 2", "'1 2'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EditValueSql(*c.f, c.value), c.sql) << c.value.toStdString();
}

TEST(DataEditorRules, SummariesNoticeAndHistory) {
    EXPECT_EQ(EditCommitSummary(0, 3), "Success - 3 updates succeeded");
    EXPECT_EQ(EditCommitSummary(0, 1), "Success - one update succeeded");
    EXPECT_EQ(EditCommitSummary(1, 2),
              "Error: One update failed and 2 updates succeeded - all changes rolled back.");
    EXPECT_EQ(EditCommitSummary(4, 0),
              "Error: 4 updates failed and no updates succeeded - all changes rolled back.");
    EXPECT_TRUE(EditCommitNotice(1).startsWith("There was an Error during the previous updates."));
    EXPECT_TRUE(EditCommitNotice(3).startsWith("There were 3 Errors during"));
    EXPECT_EQ(EditHistoryKey("t"), "dbt_t_EditHist");
    EXPECT_EQ(EditHistoryWith({"a", "b", "c"}, "b"), (QStringList{"b", "a", "c"}));
    EXPECT_EQ(EditHistoryWith({"a"}, "x"), (QStringList{"x", "a"}));
}

class DataEditorTest : public TempDbTest {
protected:
    // The model on a table of main, loaded with a WHERE text.
    bool Load(const QString& table, const QString& where = "1") {
        m.track.cur = {QString(), table};
        status.clear();
        return m.ReadColumns(db, status) && m.LoadRows(db, where, status);
    }
    QStringList Column(int col) {
        QStringList values;
        for (int r = 0; r < m.RowCount(); ++r)
            values << m.CellText(r, col);
        return values;
    }
    DataEditorModel m;
    QString status;
};

TEST_F(DataEditorTest, AnUpdateOfOneCellAndTheGroupsOfTheScript) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER NOT NULL, note TEXT "
        "NOT NULL);"
        "INSERT INTO t VALUES (5, 'Bryan', 1, 'x'), (6, 'Ann', 2, 'y'), (7, NULL, 3, 'z');");
    ASSERT_TRUE(Load("t")) << status.toStdString();
    EXPECT_EQ(status, kEditorLoaded);
    EXPECT_EQ(m.SelectSql("1"), "SELECT id,id,name,qty,note FROM t WHERE 1");
    ASSERT_EQ(m.RowCount(), 3);
    EXPECT_EQ(Column(1), (QStringList{"Bryan", "Ann", "NULL"}));
    EXPECT_TRUE(m.SetCell(0, 1, "O'Brien"));
    EXPECT_EQ(m.Script(), "UPDATE t SET name = 'O''Brien' WHERE id = 5; \r\n");
    EXPECT_EQ(m.CellChange(0, 1), kCellChanged);
    EXPECT_EQ(m.EditItem(1, 0).oldValinDB, "Bryan");
    EXPECT_EQ(m.EditItem(1, 0).newValEdited, "O'Brien");
    // 12.0 over 1 in an INTEGER column changes nothing; 13.4 stores 13.
    EXPECT_TRUE(m.SetCell(1, 2, "2.0") == false);
    EXPECT_EQ(m.CellChange(1, 2), 0);
    EXPECT_TRUE(m.SetCell(1, 2, "13.4"));
    EXPECT_EQ(m.CellText(1, 2), "13");
    EXPECT_EQ(m.CellChange(1, 2), kCellChanged);
    // A new row: '' for the NOT NULL TEXT column, 0 for the NOT NULL INTEGER.
    EXPECT_EQ(m.AddRecord(), 3);
    EXPECT_EQ(m.RowLabel(3), kEditorNewRow);
    EXPECT_TRUE(m.DeleteLine(2));
    EXPECT_EQ(m.RowLabel(2), kEditorDeletedRow);
    EXPECT_EQ(m.Script(), "INSERT INTO t(id,name,qty,note) VALUES (NULL,NULL,0,''); \r\n"
                          "\r\n"
                          "UPDATE t SET name = 'O''Brien' WHERE id = 5; \r\n"
                          "UPDATE t SET qty = 13 WHERE id = 6; \r\n"
                          "\r\n"
                          "DELETE FROM t WHERE id = 7; \r\n");
    EXPECT_EQ(m.KeyItem(0, 2).iChange, int(EditRowState::Deleted));
    EXPECT_EQ(m.KeyItem(0, 3).iChange, int(EditRowState::New));
    EXPECT_TRUE(m.CanCommit());
    // The generated script commits, and the shell reads the rows back.
    const EditCommitResult r = m.Commit(db);
    EXPECT_EQ(r.summary, "Success - 4 updates succeeded");
    EXPECT_TRUE(r.script.isEmpty());
    db.Close();
    EXPECT_EQ(Shell(path, "SELECT id, quote(name), qty, quote(note) FROM t ORDER BY id;"),
              "5|'O''Brien'|1|'x'\n6|'Ann'|13|'y'\n8|NULL|0|''");
}

TEST_F(DataEditorTest, RowStates) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT DEFAULT 'dv');"
        "INSERT INTO t VALUES (1, 'a'), (2, 'b');");
    ASSERT_TRUE(Load("t"));
    // Deleting a New row removes it and its statement; the rows below move up.
    EXPECT_EQ(m.AddRecord(), 2);
    EXPECT_EQ(m.AddRecord(), 3);
    EXPECT_TRUE(m.SetCell(3, 1, "second new"));
    EXPECT_TRUE(m.DeleteLine(2));
    EXPECT_EQ(m.RowCount(), 3);
    EXPECT_EQ(m.CellText(2, 1), "second new");
    EXPECT_EQ(m.Script(), "INSERT INTO t(id,v) VALUES (NULL,'second new'); \r\n");
    EXPECT_TRUE(m.ResetLine(2)); // resetting a New row removes it too
    EXPECT_EQ(m.RowCount(), 2);
    EXPECT_TRUE(m.Script().isEmpty());
    // Deleting an existing row twice restores it.
    EXPECT_TRUE(m.DeleteLine(0));
    EXPECT_EQ(m.RowLabel(0), kEditorDeletedRow);
    EXPECT_TRUE(m.RowChanged(0));
    EXPECT_TRUE(m.DeleteLine(0));
    EXPECT_EQ(m.RowLabel(0), "1");
    EXPECT_FALSE(m.RowChanged(0));
    EXPECT_TRUE(m.Script().isEmpty());
    // Reset takes every value back and the row's buttons follow.
    EXPECT_TRUE(m.SetCell(1, 1, "changed"));
    EXPECT_TRUE(m.ButtonsFor(1).reset);
    EXPECT_FALSE(m.ButtonsFor(0).reset);
    EXPECT_TRUE(m.ButtonsFor(0).remove);
    EXPECT_FALSE(m.ButtonsFor(-1).remove);
    EXPECT_FALSE(m.ButtonsFor(2).copyGrid);
    EXPECT_TRUE(m.ResetLine(1));
    EXPECT_EQ(m.CellText(1, 1), "b");
    EXPECT_EQ(m.CellChange(1, 1), 0);
    EXPECT_TRUE(m.Script().isEmpty());
    // Typing the old value back leaves the cell changed (written as it is).
    EXPECT_TRUE(m.SetCell(0, 1, "x"));
    EXPECT_TRUE(m.SetCell(0, 1, "a"));
    EXPECT_EQ(m.Script(), "UPDATE t SET v = 'a' WHERE id = 1; \r\n");
}

TEST_F(DataEditorTest, ANewRowGetsTheValuesOfTheDefaults) {
    Run("CREATE TABLE d(id INTEGER PRIMARY KEY, a TEXT DEFAULT 'it''s', b INT DEFAULT (1 + 2), "
        "c TEXT NOT NULL DEFAULT CURRENT_DATE, e REAL DEFAULT -0.5 /* half */, f TEXT NOT NULL "
        "DEFAULT NULL, g INT NOT NULL);");
    Run("INSERT INTO d(f, g) VALUES ('x', 1);");
    ASSERT_TRUE(Load("d"));
    ASSERT_EQ(m.AddRecord(), 1);
    EXPECT_EQ(Column(1)[1], "it's");
    EXPECT_EQ(Column(2)[1], "3");
    EXPECT_EQ(Column(3)[1], Value("SELECT CURRENT_DATE"));
    EXPECT_EQ(Column(4)[1], "-0.5");
    EXPECT_EQ(Column(5)[1], "");
    EXPECT_EQ(Column(6)[1], "0");
}

TEST_F(DataEditorTest, KeysByTheWholePrimaryKeyOrByRowid) {
    Run("CREATE TABLE pair(a INTEGER, b TEXT, v TEXT, PRIMARY KEY (b, a));"
        "INSERT INTO pair VALUES (1, 'x', 'p'), (1, 'y', 'q');"
        "CREATE TABLE loose(id PRIMARY KEY, v TEXT);"
        "INSERT INTO loose VALUES (X'01', 'blob key'), ('2', 'text key');"
        "CREATE TABLE plain(v TEXT, w INT);"
        "INSERT INTO plain VALUES ('a', 1);"
        "CREATE TABLE nokey(v TEXT);"
        "CREATE TABLE wr(k TEXT PRIMARY KEY, v) WITHOUT ROWID;"
        "INSERT INTO wr VALUES ('k', 1);");
    ASSERT_TRUE(Load("pair"));
    ASSERT_EQ(m.track.KeyFields.size(), 2);
    EXPECT_EQ(m.track.KeyFields[0].Name, "b"); // key order
    EXPECT_TRUE(m.SetCell(1, 2, "r"));
    EXPECT_EQ(m.Script(), "UPDATE pair SET v = 'r' WHERE b = 'y' AND a = 1; \r\n");

    // An untyped key column (BLOB affinity) is left out: rows go by rowid.
    ASSERT_TRUE(Load("loose"));
    ASSERT_EQ(m.track.KeyFields.size(), 1);
    EXPECT_TRUE(m.track.KeyFields[0].isRowID);
    EXPECT_EQ(m.SelectSql("1"), "SELECT rowid,v FROM loose WHERE 1");
    EXPECT_TRUE(m.SetCell(0, 0, "changed"));
    EXPECT_TRUE(m.DeleteLine(1));
    EXPECT_EQ(m.AddRecord(), 2);
    EXPECT_EQ(m.Script(), "INSERT INTO loose(v) VALUES (NULL); \r\n\r\n"
                          "UPDATE loose SET v = 'changed' WHERE rowid = 1; \r\n\r\n"
                          "DELETE FROM loose WHERE rowid = 2; \r\n");

    ASSERT_TRUE(Load("plain"));
    EXPECT_EQ(m.SelectSql("1"), "SELECT rowid,v,w FROM plain WHERE 1");
    // Without a key a rowid must be readable: an empty table or a table
    // without rowid and key is not editable.
    EXPECT_FALSE(Load("nokey"));
    EXPECT_EQ(status, kEditorNoSchema);
    EXPECT_FALSE(Load("nothing"));
    EXPECT_EQ(status, kEditorNoSchema + "DB Error: no such table: nothing");
    ASSERT_TRUE(Load("wr"));
    EXPECT_EQ(m.track.KeyFields[0].Name, "k");
}

TEST_F(DataEditorTest, KeysAndValuesAreReadExactly) {
    Run("CREATE TABLE r(k REAL PRIMARY KEY, v TEXT);"
        "INSERT INTO r VALUES (0.1 + 0.2, 'a');"
        "CREATE TABLE s(k TEXT PRIMARY KEY, v TEXT);"
        "INSERT INTO s VALUES ('  lead' || char(10) || 'two lines', 'a1'), (NULL, 'a2'), "
        "('O''Neil', 'a3');"
        "CREATE TABLE n(k INT PRIMARY KEY, v TEXT);"
        "INSERT INTO n VALUES ('0x10', 'hex text'), (16, 'sixteen');");
    ASSERT_TRUE(Load("r"));
    EXPECT_EQ(m.KeyItem(0, 0).oldValinDB, "0.30000000000000004");
    EXPECT_TRUE(m.SetCell(0, 1, "A"));
    ASSERT_TRUE(Load("s", "1 ORDER BY v"));
    EXPECT_EQ(Column(0), (QStringList{"  lead\ntwo lines", "NULL", "O'Neil"}));
    EXPECT_EQ(m.KeyItem(0, 1).oldValinDB, "NULL");
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(m.SetCell(row, 1, "new " + QString::number(row)));
    EXPECT_EQ(m.Script(), "UPDATE s SET v = 'new 0' WHERE k = '  lead\ntwo lines'; \r\n"
                          "UPDATE s SET v = 'new 1' WHERE k IS NULL; \r\n"
                          "UPDATE s SET v = 'new 2' WHERE k = 'O''Neil'; \r\n");
    EXPECT_EQ(m.Commit(db).summary, "Success - 3 updates succeeded");
    EXPECT_EQ(Value("SELECT group_concat(v, '|') FROM (SELECT v FROM s ORDER BY v)"),
              "new 0|new 1|new 2");
    // A key keeps its storage type: the text '0x10' in an INT column is not
    // the number 0x10.
    ASSERT_TRUE(Load("n", "1 ORDER BY v"));
    EXPECT_EQ(m.KeyItem(0, 0).oldValinDB, "'0x10'");
    EXPECT_TRUE(m.DeleteLine(0));
    EXPECT_EQ(m.Commit(db).summary, "Success - one update succeeded");
    EXPECT_EQ(Value("SELECT group_concat(v) FROM n"), "sixteen");
}

// The generated statements run with bound values; the same script run as
// written (edited by hand, so split and prepared statement by statement)
// must store the very same values and types.
TEST_F(DataEditorTest, BoundValuesStoreWhatTheScriptsLiteralsStore) {
    const QString table =
        "CREATE TABLE m(id INTEGER PRIMARY KEY, i INT, r REAL, t TEXT, n NUMERIC, k INT UNIQUE);"
        "INSERT INTO m VALUES (1, 1, 1.5, 'a', 1, 10), (2, 2, 2.5, 'b', 2, 20), "
        "(3, 3, 3.5, 'c', 3, 30), (4, 4, 4.5, 'd', 4, '0x10');";
    const QString other = dir.filePath("other.db");
    TSQLite3Database second;
    ASSERT_TRUE(second.Open(other));
    ASSERT_TRUE(second.ExecuteList(table));
    Run(table);
    const QStringList typed[] = {{"-0", "1e3", "a\r\nb", "007", "12"},
                                 {"+5", "13.4", "NULL", "1.50", "-9223372036854775808"},
                                 {"abc", "x", "", "0x1F", "9223372036854775808"},
                                 {" 7 ", "-0.0", "it's", " 12 ", "41"}};
    auto edit = [&](DataEditorModel& model, TSQLite3Database& on) {
        model.track.cur = {QString(), "m"};
        QString why;
        ASSERT_TRUE(model.ReadColumns(on, why) && model.LoadRows(on, "1", why));
        for (int row = 0; row < 4; ++row)
            for (int col = 1; col <= 5; ++col)
                model.SetCell(row, col, typed[row][col - 1]);
        model.SetCell(3, 0, "9"); // a new key
        model.DeleteLine(2);
        const int added = model.AddRecord();
        model.SetCell(added, 3, "new\r\nrow");
    };
    edit(m, db);
    DataEditorModel byHand;
    edit(byHand, second);
    ASSERT_EQ(m.Script(), byHand.Script());
    byHand.SetScript(byHand.Script() + "-- run as written");
    EXPECT_EQ(m.Commit(db).summary, "Success - 5 updates succeeded");
    EXPECT_EQ(byHand.Commit(second).summary, "Success - 5 updates succeeded");
    const QString probe = "SELECT group_concat(id || ':' || quote(i) || typeof(i) || quote(r) || "
                          "typeof(r) || quote(t) || quote(n) || typeof(n) || quote(k), ' | ') "
                          "FROM (SELECT * FROM m ORDER BY id)";
    QString there;
    ASSERT_TRUE(second.QuerySingleValue(there, probe));
    EXPECT_EQ(Value(probe), there);
    EXPECT_TRUE(there.contains("9:7integer")) << there.toStdString();
}

TEST_F(DataEditorTest, AFailedStatementRollsBackEverythingAndKeepsTheScript) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT CHECK (qty < 100));"
        "INSERT INTO t VALUES (1, 'a', 1), (2, 'b', 2), (3, 'c', 3);");
    ASSERT_TRUE(Load("t"));
    EXPECT_TRUE(m.SetCell(0, 1, "first"));
    EXPECT_TRUE(m.SetCell(1, 2, "500"));
    EXPECT_TRUE(m.SetCell(2, 1, "third"));
    const EditCommitResult r = m.Commit(db);
    EXPECT_EQ(r.summary,
              "Error: One update failed and 2 updates succeeded - all changes rolled back.");
    EXPECT_EQ(r.failures, 1);
    EXPECT_EQ(r.script, "UPDATE t SET name = 'first' WHERE id = 1;\r\n"
                        "  -- Item failed: DB Error: CHECK constraint failed: qty < 100\r\n"
                        "UPDATE t SET qty = 500 WHERE id = 2;\r\n\r\n"
                        "UPDATE t SET name = 'third' WHERE id = 3;\r\n");
    EXPECT_EQ(Value("SELECT group_concat(name || qty) FROM t"), "a1,b2,c3");
    EXPECT_FALSE(db.TransactionOpen());
    // The returned script, corrected by hand, commits.
    m.SetScript(QString(r.script).replace("500", "50"));
    EXPECT_EQ(m.Commit(db).summary, "Success - 3 updates succeeded");
    EXPECT_EQ(Value("SELECT group_concat(name || qty) FROM t"), "first1,b50,third3");
    // Nothing to commit.
    m.SetScript("  -- just a comment\r\n");
    const EditCommitResult none = m.Commit(db);
    EXPECT_FALSE(none.ran);
    EXPECT_EQ(none.summary, kEditorNoItems);
}

TEST_F(DataEditorTest, ACommitWhileDeferredIsTheBuiltScriptsCommit) {
    // Edits of every group (a REAL value runs as written), once with the
    // script built after each edit and once deferred: the same report.
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT CHECK (qty < 100),"
        " price REAL);"
        "INSERT INTO t VALUES (1, 'a', 1, 1.5), (2, 'b', 2, 2.5), (3, 'c', 3, 3.5);");
    auto edit = [&](bool defer) {
        m = DataEditorModel();
        EXPECT_TRUE(Load("t"));
        m.DeferScript(defer);
        m.SetCell(0, 3, "9.25");
        m.SetCell(1, 2, "500");
        m.DeleteLine(2);
        m.SetCell(m.AddRecord(), 1, "new");
        return m.Commit(db);
    };
    const EditCommitResult built = edit(false), deferred = edit(true);
    EXPECT_EQ(built.failures, 1);
    EXPECT_EQ(deferred.summary, built.summary);
    EXPECT_EQ(deferred.script, built.script);
    EXPECT_TRUE(built.script.contains("UPDATE t SET price = 9.25 WHERE id = 1;\r\n"));
    EXPECT_EQ(Value("SELECT group_concat(name || qty) FROM t"), "a1,b2,c3");
    // Deferred and without failures: every row changed.
    m = DataEditorModel();
    ASSERT_TRUE(Load("t"));
    m.DeferScript(true);
    m.SetCell(0, 3, "9.25");
    m.DeleteLine(2);
    EXPECT_EQ(m.Commit(db).summary, "Success - 2 updates succeeded");
    EXPECT_EQ(Value("SELECT group_concat(id || ':' || price) FROM t"), "1:9.25,2:2.5");
}

TEST_F(DataEditorTest, AGeneratedStatementMustChangeExactlyOneRow) {
    // A column named rowid hides the real one: the "key" is not unique.
    Run("CREATE TABLE r(rowid INT, v TEXT);"
        "INSERT INTO r VALUES (1, 'a'), (1, 'b'), (2, 'c');");
    ASSERT_TRUE(Load("r", "1 ORDER BY v"));
    EXPECT_TRUE(m.SetCell(0, 1, "x"));
    EditCommitResult r = m.Commit(db);
    EXPECT_EQ(r.summary,
              "Error: One update failed and no updates succeeded - all changes rolled back.");
    EXPECT_TRUE(r.script.startsWith("  -- Item failed: 2 rows would change instead of one\r\n"));
    EXPECT_EQ(Value("SELECT group_concat(v) FROM r"), "a,b,c");
    // A row deleted meanwhile: the UPDATE finds nothing and fails, kept
    // checked when the returned script is committed again.
    ASSERT_TRUE(Load("r", "v = 'c'"));
    EXPECT_TRUE(m.SetCell(0, 1, "y"));
    Run("DELETE FROM r WHERE v = 'c';");
    r = m.Commit(db);
    EXPECT_TRUE(r.script.startsWith("  -- Item failed: The row was not found: no row changed"));
    m.SetScript(r.script);
    EXPECT_EQ(m.Commit(db).failures, 1);
    // A hand-written statement may change any number of rows.
    m.SetScript("UPDATE r SET v = 'z' WHERE rowid = 1;");
    EXPECT_EQ(m.Commit(db).summary, "Success - one update succeeded");
    EXPECT_EQ(Value("SELECT count(*) FROM r WHERE v = 'z'"), "2");
}

TEST_F(DataEditorTest, AConflictThatEndsTheTransactionStopsTheCommit) {
    Run("CREATE TABLE u(id INTEGER PRIMARY KEY, v TEXT UNIQUE ON CONFLICT ROLLBACK);"
        "INSERT INTO u VALUES (1, 'a'), (2, 'b'), (3, 'c');");
    ASSERT_TRUE(Load("u"));
    EXPECT_TRUE(m.SetCell(0, 1, "x"));
    EXPECT_TRUE(m.SetCell(1, 1, "c")); // ends the transaction
    EXPECT_TRUE(m.SetCell(2, 1, "y")); // not tried
    const EditCommitResult r = m.Commit(db);
    EXPECT_EQ(r.failures, 1);
    EXPECT_EQ(r.successes, 1);
    EXPECT_TRUE(r.script.endsWith("\r\n\r\nUPDATE u SET v = 'y' WHERE id = 3;\r\n"));
    EXPECT_EQ(Value("SELECT group_concat(v) FROM u"), "a,b,c");
    EXPECT_FALSE(db.TransactionOpen());
    // The editor's own transaction is not ended by the script.
    m.SetScript("UPDATE u SET v = 'q' WHERE id = 1; COMMIT; BEGIN;");
    const EditCommitResult own = m.Commit(db);
    EXPECT_EQ(own.failures, 2);
    EXPECT_EQ(Value("SELECT v FROM u WHERE id = 1"), "a");
}

TEST_F(DataEditorTest, ADiskFullCommitChangesNothing) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);"
        "INSERT INTO t VALUES (1, 'a');");
    ASSERT_TRUE(Load("t"));
    for (int i = 0; i < 40; ++i) {
        const int row = m.AddRecord();
        ASSERT_TRUE(m.SetCell(row, 1, QString(4000, QLatin1Char('a' + i % 26))));
    }
    EXPECT_TRUE(m.SetCell(0, 1, "changed"));
    SetMaxPageCount(db.Handle(), 5);
    const EditCommitResult r = m.Commit(db);
    EXPECT_GT(r.failures, 0);
    EXPECT_TRUE(r.summary.endsWith(kEditorRolledBack));
    EXPECT_TRUE(r.script.contains("database or disk is full")) << r.script.toStdString();
    db.Close();
    EXPECT_INTEGRITY_OK(path);
    EXPECT_EQ(Shell(path, "SELECT count(*) || v FROM t;"), "1a");
}

TEST_F(DataEditorTest, ACommitRefusedByAnotherProcesssReadLockRollsBack) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);"
        "INSERT INTO t VALUES (1, 'a'), (2, 'b');");
    ASSERT_TRUE(Load("t"));
    EXPECT_TRUE(m.SetCell(0, 1, "x"));
    EXPECT_TRUE(m.SetCell(1, 1, "y"));
    // The shell keeps a read transaction open until its input ends.
    QProcess reader;
    reader.start(QStringLiteral(SQLITE3_SHELL_PATH), {path});
    ASSERT_TRUE(reader.waitForStarted());
    reader.write("BEGIN; SELECT 'reading ' || count(*) FROM t;\n");
    ASSERT_TRUE(reader.waitForReadyRead(10000));
    EXPECT_TRUE(reader.readAllStandardOutput().startsWith("reading 2"));
    const EditCommitResult r = m.Commit(db);
    reader.closeWriteChannel();
    reader.waitForFinished();
    EXPECT_EQ(r.summary,
              "Error: One update failed and 2 updates succeeded - all changes rolled back.");
    EXPECT_TRUE(r.script.startsWith("  -- Item failed: ")) << r.script.toStdString();
    EXPECT_TRUE(r.script.section("\r\n", 0, 0).contains("database is locked"));
    EXPECT_FALSE(db.TransactionOpen());
    EXPECT_EQ(Value("SELECT group_concat(v) FROM t"), "a,b");
    db.Close();
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(DataEditorTest, LoadingStopsAtTheResultLimit) {
    Run("CREATE TABLE big(id INTEGER PRIMARY KEY, v TEXT);"
        "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 12) "
        "INSERT INTO big SELECT i, printf('%.*c', 1048576, 'x') FROM c;");
    ASSERT_TRUE(Load("big"));
    // The row at which the text reaches 8 MiB is the last one read.
    EXPECT_EQ(m.RowCount(), 8);
    EXPECT_EQ(m.LoadedRows(), 8);
    EXPECT_FALSE(Load("big", "no_such_column = 1"));
    EXPECT_EQ(status, kEditorLoadError + "DB Error: no such column: no_such_column");
}

TEST_F(DataEditorTest, TheGridAsTabSeparatedText) {
    Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, note TEXT);"
        "INSERT INTO t VALUES (1, 'plain', 'a, b'), (2, 'say \"hi\"', NULL);");
    ASSERT_TRUE(Load("t"));
    EXPECT_TRUE(m.DeleteLine(1));
    m.AddRecord();
    EXPECT_EQ(m.GridText(), "Row\tid\tname\tnote\r\n"
                            "1\t1\tplain\t\"a, b\"\r\n"
                            "Deleted\t2\t\"say \"\"hi\"\"\"\tNULL\r\n"
                            "New\tNULL\tNULL\tNULL");
}

TEST_F(DataEditorTest, AnotherSchemaAndQuotedNames) {
    const QString other = dir.filePath("other.db");
    Run("ATTACH '" + other +
        "' AS \"aux db\";"
        "CREATE TABLE \"aux db\".\"my table\"(\"key col\" INTEGER PRIMARY KEY, \"order\" TEXT);"
        "INSERT INTO \"aux db\".\"my table\" VALUES (1, 'a');"
        "CREATE TEMP TABLE tt(id INTEGER PRIMARY KEY, v TEXT);"
        "INSERT INTO tt VALUES (1, 'a');");
    m.track.cur = {"aux db", "my table"};
    ASSERT_TRUE(m.ReadColumns(db, status) && m.LoadRows(db, "1", status));
    EXPECT_EQ(m.track.edt.Schema, "\"aux db\".");
    EXPECT_EQ(m.track.edt.Table, "\"my table\"");
    EXPECT_TRUE(m.SetCell(0, 1, "b"));
    EXPECT_EQ(m.Script(), "UPDATE \"aux db\".\"my table\" SET \"order\" = 'b' WHERE \"key col\" = "
                          "1; \r\n");
    EXPECT_EQ(m.Commit(db).summary, "Success - one update succeeded");
    m.track.cur = {"temp", "tt"};
    ASSERT_TRUE(m.ReadColumns(db, status) && m.LoadRows(db, "1", status));
    EXPECT_EQ(m.track.edt.Schema, "temp.");
}

} // namespace
} // namespace sky::test
