// The table commands against the sqlite3 shell: each rebuild (add, rename,
// remove a column) on one copy and the shell's own ALTER TABLE on another
// must leave the same rows, counters and behaviour; failures leave the file
// as it was.
#include "common/FaultInject.h"
#include "common/Process.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

// Child foreign keys, a view, the table's own INSERT trigger, another
// table's trigger naming its columns, AUTOINCREMENT with a deleted tail, a
// rowid table with gaps, expression and partial indexes, names needing
// quotes, literals holding column names.
const char* const kFixture =
    "CREATE TABLE log(m);"
    "CREATE TABLE \"my parent\"(id INTEGER PRIMARY KEY AUTOINCREMENT, \"my name\" TEXT DEFAULT "
    "'x', qty INT CHECK(qty >= 0), note TEXT, extra TEXT);"
    "INSERT INTO \"my parent\"(\"my name\", qty, note, extra) VALUES ('a', 1, 'qty', 'e1'), ('b', "
    "2, 'note', 'e2'), ('c', 3, 'n3', 'e3'), ('d', 4, 'n4', 'e4'), ('e', 5, 'n5', 'e5');"
    "DELETE FROM \"my parent\" WHERE id IN (2, 5);"
    "CREATE TABLE child(id INTEGER PRIMARY KEY, pid INTEGER REFERENCES \"my parent\"(id), what);"
    "INSERT INTO child VALUES (1, 1, 'x'), (2, 3, 'y');"
    "CREATE VIEW pv AS SELECT id, \"my name\", qty, note FROM \"my parent\";"
    "CREATE TRIGGER p_ins AFTER INSERT ON \"my parent\" BEGIN INSERT INTO log VALUES ('ins ' || "
    "new.id || ' ' || new.note); END;"
    "CREATE TRIGGER c_upd AFTER UPDATE ON child BEGIN UPDATE \"my parent\" SET qty = qty + 1, "
    "note = 'note' WHERE id = new.pid; END;"
    "CREATE INDEX p_qty ON \"my parent\"(qty) WHERE qty > 0;"
    "CREATE INDEX p_expr ON \"my parent\"(lower(note));"
    "CREATE TABLE rw(a, b);"
    "INSERT INTO rw(rowid, a, b) VALUES (1, 'one', 1), (5, 'five', 5), (9, 'nine', 9);";

// Trigger-firing inserts, view selects and an orphan insert.
const char* const kProbe =
    "INSERT INTO \"my parent\"(\"my name\", qty, note) VALUES ('new', 7, 'probe');"
    "UPDATE child SET what = 'z' WHERE id = 1;"
    "SELECT * FROM log;"
    "SELECT * FROM pv ORDER BY id;"
    "SELECT rowid, * FROM \"my parent\" ORDER BY rowid;"
    "SELECT rowid, * FROM rw ORDER BY rowid;"
    "PRAGMA foreign_keys = ON;"
    "INSERT INTO child(pid) VALUES (999);";

class TableCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        fixture = dir.filePath(QStringLiteral("fixture.db"));
        Shell(fixture, QString::fromUtf8(kFixture));
        ASSERT_EQ(Shell(fixture, QStringLiteral("SELECT count(*) FROM \"my parent\"")), "3");
    }
    QString Copy(const QString& name) {
        const QString to = dir.filePath(name);
        QFile::remove(to);
        EXPECT_TRUE(QFile::copy(fixture, to));
        return to;
    }
    // Every difference between two files but the counters' row ids: the
    // user tables through sqldiff, the counters by content.
    void ExpectSameData(const QString& a, const QString& b) {
        for (const char* t : {"my parent", "child", "log", "rw"}) {
            const ProcessResult r =
                RunProgram(QStringLiteral(SQLDIFF_PATH),
                           {QStringLiteral("--table"), QString::fromUtf8(t), a, b});
            EXPECT_EQ(r.code, 0) << r.err.toStdString();
            EXPECT_EQ(r.out, QByteArray()) << t;
        }
        const QString seq = QStringLiteral("SELECT name, seq FROM sqlite_sequence ORDER BY name");
        EXPECT_EQ(Shell(a, seq), Shell(b, seq));
        EXPECT_EQ(Shell(a, QStringLiteral("PRAGMA foreign_key_check")), QByteArray());
        EXPECT_INTEGRITY_OK(a);
    }
    QByteArray Probe(const QString& db) {
        const ProcessResult r =
            RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {db}, QByteArray(kProbe));
        return r.out + "\n--\n" + r.err;
    }

    QTemporaryDir dir;
    QString fixture;
};

// Each rebuild next to the shell's own ALTER TABLE on a copy of the same file.
TEST_F(TableCli, RebuildsMatchTheShellsAlterTable) {
    const struct {
        const char* name;
        QStringList args; // after DB
        const char* native;
    } cases[] = {
        {"add a column",
         {"add-column", "my parent", "added", "--type", "TEXT", "--default", "d"},
         "ALTER TABLE \"my parent\" ADD COLUMN added TEXT NOT NULL DEFAULT 'd';"},
        {"add a column to a rowid table",
         {"add-column", "rw", "c", "--type", "INTEGER", "--default", "NULL"},
         "ALTER TABLE rw ADD COLUMN c INTEGER DEFAULT NULL;"},
        {"rename a column named by a view, triggers and an index",
         {"rename-column", "my parent", "note", "memo"},
         "ALTER TABLE \"my parent\" RENAME COLUMN note TO memo;"},
        {"remove a column",
         {"drop-column", "my parent", "extra", "--yes"},
         "ALTER TABLE \"my parent\" DROP COLUMN extra;"},
        {"remove a column of a rowid table",
         {"drop-column", "rw", "b", "--yes"},
         "ALTER TABLE rw DROP COLUMN b;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString ours = Copy(QStringLiteral("ours.db"));
        const QString theirs = Copy(QStringLiteral("theirs.db"));
        QStringList args{c.args[0], ours};
        args << c.args.mid(1);
        const ProcessResult r = Cli(args);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        Shell(theirs, QString::fromUtf8(c.native));
        ExpectSameData(ours, theirs);
        EXPECT_EQ(Probe(ours), Probe(theirs));
    }
}

// --script prints the rebuild's statements and changes nothing; the shell
// running them in one transaction does what the command does.
TEST_F(TableCli, ScriptIsWhatTheRebuildRuns) {
    const QString ours = Copy(QStringLiteral("ours.db"));
    const QString theirs = Copy(QStringLiteral("theirs.db"));
    const ProcessResult script =
        Cli({QStringLiteral("add-column"), fixture, QStringLiteral("my parent"),
             QStringLiteral("added"), QStringLiteral("--default"), QStringLiteral("0"),
             QStringLiteral("--after"), QStringLiteral("qty"), QStringLiteral("--script")});
    ASSERT_EQ(script.code, 0) << script.err.toStdString();
    EXPECT_TRUE(script.out.startsWith("-- SQL script to add new column added to table: my parent."))
        << script.out.toStdString();
    EXPECT_EQ(SqlDiff(fixture, ours), QByteArray());
    const ProcessResult r =
        Cli({QStringLiteral("add-column"), ours, QStringLiteral("my parent"),
             QStringLiteral("added"), QStringLiteral("--default"), QStringLiteral("0"),
             QStringLiteral("--after"), QStringLiteral("qty")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Success adding Column added\n");
    const ProcessResult shell =
        RunProgram(QStringLiteral(SQLITE3_SHELL_PATH), {theirs},
                   "PRAGMA legacy_alter_table=ON;\nBEGIN;\n" + script.out + "\nCOMMIT;\n");
    EXPECT_EQ(shell.err, QByteArray());
    EXPECT_EQ(SqlDiff(ours, theirs), QByteArray());
    EXPECT_EQ(Shell(ours, QStringLiteral(
                              "SELECT group_concat(name) FROM pragma_table_info('my parent')")),
              "id,my name,qty,added,note,extra");
}

// A removal that leaves a child's foreign key without its parent column
// fails as a whole; so does every rebuild on a full disk, under a file-size
// limit, or while another connection writes.
TEST_F(TableCli, FailuresLeaveTheFileAsItWas) {
    const QString db = Copy(QStringLiteral("f.db"));
    const QString pristine = Copy(QStringLiteral("pristine.db"));
    Shell(db, QStringLiteral("CREATE TABLE grand(x REFERENCES \"my parent\"(note));"
                             "CREATE UNIQUE INDEX p_note ON \"my parent\"(note);"));
    Shell(pristine, QStringLiteral("CREATE TABLE grand(x REFERENCES \"my parent\"(note));"
                                   "CREATE UNIQUE INDEX p_note ON \"my parent\"(note);"));
    ProcessResult r = Cli({QStringLiteral("drop-column"), db, QStringLiteral("my parent"),
                           QStringLiteral("note"), QStringLiteral("--yes")});
    EXPECT_EQ(r.code, 1);
    // The references are shown first, the child's key among them.
    EXPECT_TRUE(r.err.startsWith("Column has external references...: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("'note' is named by the foreign key of Table \"grand\"."));
    EXPECT_TRUE(r.err.contains("\nFailed to delete column: ")) << r.err.toStdString();
    EXPECT_EQ(SqlDiff(pristine, db), QByteArray());

    // A file-size limit at the file's size, without free pages: the new
    // pages cannot be written.
    const QString rows = QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO rw(rowid, a, b) SELECT i, printf('%050d', i), i FROM n; VACUUM;");
    Shell(db, rows);
    Shell(pristine, rows);
    const qint64 size = QFile(db).size();
    for (const QStringList& op :
         {QStringList{QStringLiteral("add-column"), db, QStringLiteral("rw"), QStringLiteral("big"),
                      QStringLiteral("--default"),
                      QStringLiteral("a rather long default text that makes every row grow")},
          QStringList{QStringLiteral("drop-column"), db, QStringLiteral("rw"), QStringLiteral("a"),
                      QStringLiteral("--yes")},
          QStringList{QStringLiteral("copy-table"), db, QStringLiteral("rw"),
                      QStringLiteral("copy")}}) {
        SCOPED_TRACE(op.join(' ').toStdString());
        r = RunProgramWithFileLimit(QStringLiteral(SKYLARK_CLI_PATH), op, size);
        EXPECT_EQ(r.code, 1) << r.out.toStdString();
        EXPECT_EQ(SqlDiff(pristine, db), QByteArray());
        EXPECT_INTEGRITY_OK(db);
    }

    // Another connection holds a write transaction.
    QProcess writer;
    writer.start(QStringLiteral(SQLITE3_SHELL_PATH), {db});
    ASSERT_TRUE(writer.waitForStarted());
    writer.write("BEGIN IMMEDIATE; INSERT INTO log VALUES ('held');\n.print ready\n");
    ASSERT_TRUE(writer.waitForReadyRead(10000));
    r = Cli({QStringLiteral("add-column"), db, QStringLiteral("rw"), QStringLiteral("c")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("locked")) << r.err.toStdString();
    writer.write("ROLLBACK;\n");
    writer.closeWriteChannel();
    writer.waitForFinished();
    EXPECT_EQ(SqlDiff(pristine, db), QByteArray());
    EXPECT_INTEGRITY_OK(db);
}

// The simple table commands: their statuses and the questions they ask.
TEST_F(TableCli, TableCommandsAndTheirTexts) {
    const QString db = Copy(QStringLiteral("t.db"));
    Shell(db, QStringLiteral("CREATE TABLE e(a); CREATE TABLE t(a, b);"
                             "INSERT INTO t VALUES (1, 2);"));
    const struct {
        QStringList args;
        int code;
        const char* out; // stdout, or the start of stderr
    } cases[] = {
        {{"count-rows", db, "e"}, 0, "Success - Table \"e\" is Empty.\n"},
        {{"count-rows", db, "t"}, 0, "Success - Table \"t\" has a single row.\n"},
        {{"count-rows", db, "my parent"}, 0, "Success - Table \"my parent\" has 3 rows.\n"},
        {{"drop-table", db, "e"},
         1,
         "WARNING: Deleting Table: Do you really want to Drop Table e?"},
        {{"rename-table", db, "t", "e"},
         1,
         "Rename Table \"t\": This table already exists - Please accept or edit the correction: "
         "[e2]"},
        {{"rename-table", db, "t", "e", "--yes"}, 0, "Success Renaming Table \"t\" to \"e2\".\n"},
        {{"copy-table", db, "e2", "my copy"}, 0, "Success Copying Table \"e2\" to \"my copy\".\n"},
        {{"empty-table", db, "my copy", "--yes"}, 0, "Execution Success.\n"},
        {{"drop-table", db, "e", "--yes"}, 0, "Execution Success.\n"},
        {{"count-rows", db, "e"}, 1, "Error counting rows: DB Error: no such table: e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProcessResult r = Cli(c.args);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        if (c.code == 0)
            EXPECT_EQ(r.out, c.out);
        else
            EXPECT_TRUE(r.err.startsWith(c.out)) << r.err.toStdString();
    }
    // The copy keeps the CREATE text exactly, under the new name.
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE name='my copy'")),
              "CREATE TABLE \"my copy\"(a, b)");
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT count(*) FROM \"my copy\"")), "0");
    EXPECT_INTEGRITY_OK(db);
}

// alter-table takes the designer's script: edited table-sql output.
TEST_F(TableCli, AlterTableFromAScript) {
    const ProcessResult sql =
        Cli({QStringLiteral("table-sql"), fixture, QStringLiteral("my parent")});
    ASSERT_EQ(sql.code, 0) << sql.err.toStdString();
    const QString script = QString::fromUtf8(sql.out);
    ASSERT_TRUE(script.contains(QStringLiteral("\"qty\" INT CHECK"))) << sql.out.toStdString();
    const QString kRows = QStringLiteral(
        "SELECT group_concat(id || '|' || \"my name\" || '|' || CAST(qty AS INTEGER) "
        "|| '|' || note || '|' || extra, ';') FROM \"my parent\"");
    const QByteArray rows = Shell(fixture, kRows);

    // A changed type and a new column: the rows, the counter and the
    // triggers stay; the new column gets its default.
    QString edited = script;
    edited.replace(QStringLiteral("\"qty\" INT CHECK"), QStringLiteral("\"qty\" REAL CHECK"))
        .replace(QStringLiteral("\"extra\" TEXT"),
                 QStringLiteral("\"extra\" TEXT, \n  \"added\" TEXT DEFAULT 'n'"));
    const QString db = Copy(QStringLiteral("a.db"));
    ProcessResult r = Cli({QStringLiteral("alter-table"), db, QStringLiteral("my parent"), edited});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Table \"my parent\" altered successfully.\n");
    EXPECT_EQ(Shell(db, kRows), rows);
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT group_concat(added) FROM \"my parent\"")), "n,n,n");
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT typeof(qty) FROM \"my parent\" LIMIT 1")), "real");
    const QString seq = QStringLiteral("SELECT name, seq FROM sqlite_sequence ORDER BY name");
    EXPECT_EQ(Shell(db, seq), Shell(fixture, seq));
    const QString objects =
        QStringLiteral("SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE "
                       "type IN ('index', 'trigger', 'view') ORDER BY name)");
    EXPECT_EQ(Shell(db, objects), Shell(fixture, objects));
    EXPECT_EQ(Shell(db, QStringLiteral("PRAGMA foreign_key_check")), QByteArray());
    EXPECT_INTEGRITY_OK(db);

    const struct {
        const char* name;
        QString script;
        QStringList options;
        int code;
        const char* text; // stdout, or the start of stderr's last line
    } cases[] = {
        {"a rename the view does not follow is refused",
         QString(script)
             .replace(QStringLiteral("\"note\" TEXT"), QStringLiteral("\"memo\" TEXT"))
             .replace(QStringLiteral("lower(note)"), QStringLiteral("lower(memo)")),
         {QStringLiteral("--rename"), QStringLiteral("note=memo")},
         1,
         "Error altering table: The view \"pv\" would no longer work: "},
        {"a lost column asks first",
         QString(script).replace(QStringLiteral(", \r\n  \"extra\" TEXT"), QString()),
         {},
         1,
         "Only 4 of the 5 previous data columns are mapped to new columns."},
        {"a script without a table",
         QStringLiteral("CREATE INDEX x ON \"my parent\"(qty);"),
         {},
         1,
         "not a CREATE TABLE statement"},
        {"a new name renames the table afterwards",
         QString(script).replace(QStringLiteral("CREATE TABLE \"my parent\""),
                                 QStringLiteral("CREATE TABLE \"parent\"")),
         {},
         0,
         "Table \"my parent\" altered and re-named to \"parent\" successfully.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString copy = Copy(QStringLiteral("b.db"));
        QStringList args{QStringLiteral("alter-table"), copy, QStringLiteral("my parent"),
                         c.script};
        args << c.options;
        r = Cli(args);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        if (c.code == 0) {
            EXPECT_EQ(r.out, c.text);
        } else {
            EXPECT_TRUE(r.err.contains(c.text)) << r.err.toStdString();
            EXPECT_EQ(SqlDiff(fixture, copy), QByteArray());
        }
        EXPECT_INTEGRITY_OK(copy);
    }
    // The renamed table is still what the child's key and the view name.
    const QString renamed = dir.filePath(QStringLiteral("b.db"));
    EXPECT_EQ(Shell(renamed, QStringLiteral("SELECT count(*) FROM pv")), "3");
    EXPECT_EQ(Shell(renamed, QStringLiteral("PRAGMA foreign_key_check")), QByteArray());
}

// column-refs lists what names a column inside and outside its table.
TEST_F(TableCli, ColumnReferences) {
    const struct {
        const char* column;
        const char* text;
    } cases[] = {{"note",
                  "'note' forms part of Index \"p_expr\".\n\n'note' is referenced by Trigger "
                  "\"p_ins\".\n\n'note' is named by View \"pv\".\n\n'note' is named by Trigger "
                  "\"c_upd\"\n"},
                 {"id", "'id' is named by the foreign key of Table \"child\"\n"}, // and triggers
                 {"extra", "No other table objects refer to Column extra...\n"}};
    for (const auto& c : cases) {
        const ProcessResult r = Cli({QStringLiteral("column-refs"), fixture,
                                     QStringLiteral("my parent"), QString::fromUtf8(c.column)});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(c.text)) << r.out.toStdString();
    }
}

// Indexes and triggers of a table: the proposals, replacing one in one
// transaction, removing one of the table's own schema only, and the
// designer's schema test.
TEST_F(TableCli, IndexTriggerCommandsAndTheSchemaTest) {
    const QString db = Copy(QStringLiteral("o.db"));
    const auto sqlOf = [&](const QString& file, const QString& name) {
        return Shell(file, QStringLiteral("SELECT sql FROM sqlite_master WHERE name='") + name +
                               QStringLiteral("'"));
    };
    const struct {
        QStringList args;
        int code;
        const char* text; // stdout, or a part of stderr
    } cases[] = {
        {{"add-index", db, "rw", "a", "--show"}, 0, "CREATE INDEX Idx_rw_a ON rw (a);\n"},
        {{"add-index", db, "rw", "a"}, 0, "Success adding Index Idx_rw_a.\n"},
        {{"add-index", db, "rw", "a"},
         1,
         "Error while Adding Index Idx_rw_a...:  DB Error: index "},
        {{"add-trigger", db, "rw", "b"}, 0, "Success adding Trigger Trig_rw_b.\n"},
        {{"edit-object", db, "rw", "index", "Idx_rw_a", "CREATE UNIQUE INDEX Idx_rw_a ON rw(a, b)"},
         0,
         "Success adding INDEX Idx_rw_a.\n"},
        {{"edit-object", db, "rw", "index", "Idx_rw_a", "CREATE INDEX Idx_rw_a ON nosuch(a)"},
         1,
         "Error while Adding INDEX Idx_rw_a...:  DB Error: no such table: main.nosuch"},
        {{"edit-object", db, "rw", "trigger", "Idx_rw_a", "CREATE INDEX x ON rw(a)"},
         1,
         "No trigger \"Idx_rw_a\" with a statement on rw"},
        {{"remove-object", db, "my parent", "index", "p_qty"},
         1,
         "WARNING: Deleting INDEX: Remove INDEX \"p_qty\" on Table my parent now?"},
        {{"remove-object", db, "my parent", "index", "p_qty", "--yes"},
         0,
         "INDEX Removed Success.\n"},
        {{"design-test", db,
          "CREATE TABLE \"my parent\"(id INTEGER PRIMARY KEY AUTOINCREMENT, other);"},
         0,
         "Test passed SQLite Engine verification without errors.\n"},
        {{"design-test", db, "CREATE TABLE t(a REFERENCES);"}, 1, "Table-Creation Error: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProcessResult r = Cli(c.args);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        if (c.code == 0)
            EXPECT_EQ(r.out, c.text);
        else
            EXPECT_TRUE(r.err.contains(c.text)) << r.err.toStdString();
    }
    EXPECT_EQ(sqlOf(db, QStringLiteral("Idx_rw_a")), "CREATE UNIQUE INDEX Idx_rw_a ON rw(a, b)");
    EXPECT_TRUE(sqlOf(db, QStringLiteral("Trig_rw_b")).contains("AFTER UPDATE OF b"));
    // The schema test left the parent and its rows as they were.
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT count(*) FROM \"my parent\"")), "3");
    EXPECT_EQ(Shell(db, QStringLiteral("SELECT count(*) FROM child")), "2");
    EXPECT_INTEGRITY_OK(db);
}

} // namespace
} // namespace sky::test
