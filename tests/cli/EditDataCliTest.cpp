// edit-data as a program: edits from a file or standard input, the script
// it prints, the commit read back by the sqlite3 shell, and failures (a
// constraint, a full disk through RLIMIT_FSIZE, a COMMIT refused by another
// process's read lock) that leave the file as it was.
#include "common/FaultInject.h"
#include "common/Process.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

class EditDataCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = dir.filePath(QStringLiteral("edit.db"));
        Shell(db, QStringLiteral(
                      "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT CHECK "
                      "(qty < 100), note TEXT);"
                      "INSERT INTO t VALUES (1, 'one', 1, 'a'), (2, 'two', 2, 'b'), (3, 'three', "
                      "3, NULL);"
                      "CREATE TABLE \"odd name\"(\"key\" TEXT PRIMARY KEY, v REAL) WITHOUT ROWID;"
                      "INSERT INTO \"odd name\" VALUES (' spaced', 1.5), ('x', 2);"));
        pristine = dir.filePath(QStringLiteral("pristine.db"));
        ASSERT_TRUE(QFile::copy(db, pristine));
    }
    // edit-data on table t.
    ProcessResult Edit(const QStringList& extra, const QByteArray& edits) {
        return Cli(QStringList{QStringLiteral("edit-data"), db, QStringLiteral("t")} + extra,
                   edits);
    }
    QTemporaryDir dir;
    QString db, pristine;
};

TEST_F(EditDataCli, EditsCommitAndTheShellReadsThemBack) {
    const QByteArray edits = "set,1,name,\"O'Brien, Jr.\"\n"
                             "set,2,qty,13.4\n"
                             "set,3,note,\"two\r\nlines\"\n"
                             "set,3,name,null\n"
                             "reset,3\n"
                             "add\n"
                             "set,4,name,fresh\n"
                             "set,4,4,\" lead\"\n"
                             "delete,2\n"
                             "delete,2\n"
                             "add\n"
                             "delete,5\n";
    ProcessResult r = Edit({QStringLiteral("--script")}, edits);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "INSERT INTO t(id,name,qty,note) VALUES (NULL,'fresh',NULL,' lead'); \r\n"
                     "\r\n"
                     "UPDATE t SET name = 'O''Brien, Jr.' WHERE id = 1; \r\n"
                     "UPDATE t SET qty = 13 WHERE id = 2; \r\n");
    EXPECT_EQ(SqlDiff(pristine, db), QByteArray()); // --script commits nothing
    r = Edit({}, edits);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Success - 3 updates succeeded\n");
    EXPECT_EQ(Shell(db, "SELECT id, name, qty, quote(note) FROM t ORDER BY id;"),
              "1|O'Brien, Jr.|1|'a'\n2|two|13|'b'\n3|three|3|NULL\n4|fresh||' lead'");
    EXPECT_INTEGRITY_OK(db);
}

TEST_F(EditDataCli, KeysInAnotherFormAndTheWhereText) {
    // A key with a leading space, in a table whose name needs quotes.
    ProcessResult r =
        Cli({QStringLiteral("edit-data"), db, QStringLiteral("odd name"), QStringLiteral("--where"),
             QStringLiteral("v < 2"), QStringLiteral("-f"), QStringLiteral("-")},
            "set,1,v,2.25\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(db, "SELECT quote(key), v FROM \"odd name\" ORDER BY key;"),
              "' spaced'|2.25\n'x'|2.0");
    // Edits from a file; the key column by its number.
    QFile f(dir.filePath(QStringLiteral("edits.csv")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("set,2,1,y\n");
    f.close();
    r = Cli({QStringLiteral("edit-data"), db, QStringLiteral("odd name"), QStringLiteral("-f"),
             f.fileName()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(db, "SELECT group_concat(quote(key), '|') FROM \"odd name\";"),
              "' spaced'|'y'");
}

TEST_F(EditDataCli, AFailureRollsBackAndReturnsTheScript) {
    const ProcessResult r = Edit({}, "set,1,name,uno\nset,2,qty,500\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "Error: One update failed and one update succeeded - all changes rolled "
                     "back.\n"
                     "UPDATE t SET name = 'uno' WHERE id = 1;\r\n"
                     "  -- Item failed: DB Error: CHECK constraint failed: qty < 100\r\n"
                     "UPDATE t SET qty = 500 WHERE id = 2;\r\n\r\n");
    EXPECT_EQ(SqlDiff(pristine, db), QByteArray());
}

TEST_F(EditDataCli, WrongUsageAndTablesThatCannotBeEdited) {
    const struct {
        QByteArray edits;
        const char* error;
    } wrong[] = {{"set,1,name\n", "Edit line 1: expected set,ROW,COLUMN,TEXT"},
                 {"add\nupdate,1\n", "Edit line 2: expected"},
                 {"set,9,name,x\n", "Edit line 1: row 9 is not in the grid (rows 1 to 3)"},
                 {"set,1,nope,x\n", "Edit line 1: the editor has no column nope"}};
    for (const auto& w : wrong) {
        const ProcessResult r = Edit({}, w.edits);
        EXPECT_EQ(r.code, 2) << w.edits.toStdString();
        EXPECT_TRUE(r.err.startsWith(w.error)) << r.err.toStdString();
    }
    ProcessResult r = Cli({QStringLiteral("edit-data"), db, QStringLiteral("nothing")}, "add\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Error: Could not read Table schema: DB Error: no such table: nothing\n");
    r = Cli({QStringLiteral("edit-data"), db});
    EXPECT_EQ(r.code, 2);
    // Nothing to do.
    r = Edit({}, "");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "No items to update...\n");
    EXPECT_EQ(SqlDiff(pristine, db), QByteArray());
}

TEST_F(EditDataCli, AFullDiskLeavesTheFileAsItWas) {
    QByteArray edits;
    for (int i = 0; i < 60; ++i)
        edits += "add\nset," + QByteArray::number(4 + i) + ",name," +
                 QByteArray(3000, 'a' + i % 26) + "\n";
    const qint64 size = QFileInfo(db).size();
    const ProcessResult r = RunProgramWithFileLimit(
        QStringLiteral(SKYLARK_CLI_PATH), {QStringLiteral("edit-data"), db, QStringLiteral("t")},
        size + 8192, edits);
    EXPECT_EQ(r.code, 1) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(" - all changes rolled back.")) << r.err.toStdString();
    EXPECT_EQ(SqlDiff(pristine, db), QByteArray());
    EXPECT_EQ(QFileInfo(db).size(), size);
    EXPECT_INTEGRITY_OK(db);
}

TEST_F(EditDataCli, ACommitRefusedByAnotherProcesssReadLock) {
    QProcess reader;
    reader.start(QStringLiteral(SQLITE3_SHELL_PATH), {db});
    ASSERT_TRUE(reader.waitForStarted());
    reader.write("BEGIN; SELECT 'reading ' || count(*) FROM t;\n");
    ASSERT_TRUE(reader.waitForReadyRead(10000));
    const ProcessResult r = Edit({}, "set,1,name,uno\nset,2,name,dos\n");
    reader.closeWriteChannel();
    reader.waitForFinished();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Error: One update failed and 2 updates succeeded - all changes "
                                 "rolled back.\n  -- Item failed: "))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("database is locked"));
    EXPECT_EQ(SqlDiff(pristine, db), QByteArray());
    EXPECT_INTEGRITY_OK(db);
}

} // namespace
} // namespace sky::test
