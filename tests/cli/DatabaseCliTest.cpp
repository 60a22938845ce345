// The Database menu's commands on real files, with the sqlite3 shell and
// sqldiff as oracles: transfers, quick backups and restores (asked first),
// VACUUM into a new file (also with a write failing), ANALYZE and REINDEX,
// attaching under proposed, given and taken names, extension statements, a
// new database from a table, and the import routing at its limit.
#include "common/FaultInject.h"
#include "common/Process.h"
#include "engine/Database.h"
#include "engine/DbTransfer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

class DatabaseCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = dir.filePath("main.db");
        Shell(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT);"
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<500) "
                  "INSERT INTO t(v) SELECT hex(randomblob(100)) FROM n;"
                  "CREATE INDEX t_v ON t(v);");
    }
    QString File(const QString& name) const { return dir.filePath(name); }
    QStringList Stray() const { return QDir(dir.path()).entryList({"*.part-*"}, QDir::Files); }
    QTemporaryDir dir;
    QString db;
};

TEST_F(DatabaseCli, TransferBackupAndRestore) {
    ProcessResult r = Cli({"transfer", db, File("copy.db")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "Successfuly transferred Data to: \"" + File("copy.db").toUtf8() + "\"\n");
    EXPECT_TRUE(SqlDiff(db, File("copy.db")).isEmpty());
    r = Cli({"transfer", File("missing.db"), File("x.db")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Error opening Source: ")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(File("x.db")));

    r = Cli({"quick-backup", db});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(SqlDiff(db, File("main.dbBackup")).isEmpty());
    EXPECT_EQ(Cli({"quick-backup", File("main.dbBackup")}).code, 1);
    Shell(db, "DELETE FROM t WHERE id > 10;");
    // Without --yes: the question, and nothing changes.
    r = Cli({"restore", db});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("WARNING: Quick-Restoring will revert all changes since "))
        << r.err.toStdString();
    EXPECT_EQ(Shell(db, "SELECT count(*) FROM t"), "10");
    r = Cli({"restore", db, "--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith("Success: DB Restored and Opened.\n"));
    EXPECT_TRUE(SqlDiff(db, File("main.dbBackup")).isEmpty());
    r = Cli({"restore", File("copy.db"), "--from", db, "--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Restoring from this Backup will revert all changes since "));
    EXPECT_TRUE(Stray().isEmpty());
}

TEST_F(DatabaseCli, VacuumAnalyzeReindex) {
    ProcessResult r = Cli({"vacuum", db, "--into", File("packed.db")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "File Re-build (Vacuum) Success.\n");
    EXPECT_TRUE(SqlDiff(db, File("packed.db")).isEmpty());
    EXPECT_EQ(Shell(File("packed.db"), "PRAGMA integrity_check"), "ok");
    // An existing target is refused and left alone.
    const QByteArray before = Shell(File("packed.db"), "SELECT count(*) FROM t");
    Shell(File("packed.db"), "DELETE FROM t WHERE id > 1;");
    EXPECT_EQ(Cli({"vacuum", db, "--into", File("packed.db")}).code, 1);
    EXPECT_EQ(Shell(File("packed.db"), "SELECT count(*) FROM t"), "1");
    EXPECT_EQ(before, "500");
    r = Cli({"vacuum", db});
    EXPECT_EQ(r.err, "Vacuuming DB File...\nFile Re-build (Vacuum) Success.\n");
    r = Cli({"analyze-tables", db});
    EXPECT_EQ(r.err, "Executing...\nAnalyze Success.\n");
    EXPECT_EQ(Shell(db, "SELECT count(*) > 0 FROM sqlite_stat1"), "1");
    r = Cli({"reindex", db});
    EXPECT_EQ(r.err, "Executing...\nRe-Index Success.\n");
    EXPECT_TRUE(Stray().isEmpty());
}

TEST_F(DatabaseCli, VacuumIntoWithAFailingWrite) {
    TSQLite3Database d;
    {
        ScopedFault fault(FaultOp::Write, 2, kAnyFile, SQLITE_IOERR_WRITE);
        ASSERT_TRUE(d.Open(db));
        QString error;
        EXPECT_FALSE(VacuumIntoFile(d, File("into.db"), error));
        EXPECT_TRUE(fault.Fired());
        EXPECT_FALSE(error.isEmpty());
        d.Close();
    }
    EXPECT_FALSE(QFileInfo::exists(File("into.db")));
    EXPECT_TRUE(Stray().isEmpty()) << Stray().join(' ').toStdString();
    EXPECT_INTEGRITY_OK(db);
}

TEST_F(DatabaseCli, AttachProposalsNamesAndMenu) {
    const QString a = File("my data.db"), b = File("o'ther.db");
    Shell(a, "CREATE TABLE x(i); INSERT INTO x VALUES (1);");
    Shell(b, "CREATE TABLE y(j);");
    ProcessResult r =
        Cli({"attach", db, a, b, "--then", "SELECT name FROM pragma_database_list ORDER BY seq"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              "DB2\t" + a.toUtf8() + "\nDB3\t" + b.toUtf8() + "\nname\r\nmain\r\nDB2\r\nDB3\r\n");
    r = Cli({"attach", db, a, "--listed", "--then", "SELECT count(*) FROM mydata.x"});
    EXPECT_EQ(r.out, "mydata\t" + a.toUtf8() + "\ncount(*)\r\n1\r\n");
    r = Cli({"attach", db, a, "--as", "main"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "(Identifier \"main\" already exists, please use another)\n");
    r = Cli({"attach", db, b, "--as", "my \"db", "--menu"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Database my \"db in o'ther.db\n"));
    EXPECT_TRUE(r.out.contains(
        "  Detach Database my \"db\tEXC=DETACH DATABASE \"my \"\"db\";\t(default)\n"));
    r = Cli({"attach", db, b, "--as", "x", "--show-sql"});
    EXPECT_EQ(r.out, "ATTACH DATABASE '" + b.toUtf8().replace("'", "''") + "' AS |x|;\n");
    r = Cli({"load-extension", db, "/l/o'k.so", "--show-sql"});
    EXPECT_EQ(r.out, "SELECT load_extension('/l/o''k.so');\n");
    r = Cli({"load-extension", db, File("none.so")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Load error - Invalid File: none.so\n");
}

TEST_F(DatabaseCli, NewDatabaseFromTableAndImportPlan) {
    ProcessResult r = Cli({"new-db-from-table", db, "t", File("only t.db")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Shell(File("only t.db"), "SELECT count(*) FROM t"), "500");
    // The rows under the table's own statement (its indexes stay behind).
    EXPECT_EQ(Shell(File("only t.db"), "SELECT * FROM t"), Shell(db, "SELECT * FROM t"));
    EXPECT_EQ(Shell(File("only t.db"), "SELECT sql FROM sqlite_master"),
              Shell(db, "SELECT sql FROM sqlite_master WHERE name = 't'"));
    EXPECT_EQ(Cli({"new-db-from-table", db, "t", db}).code, 1);
    EXPECT_EQ(Shell(db, "SELECT count(*) FROM t"), "500");
    EXPECT_EQ(Cli({"new-db-from-table", db, "nothing", File("n.db")}).code, 1);

    QFile f(File("Sales 2024.csv"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(6291455, 'a'));
    f.close();
    EXPECT_EQ(Cli({"import-plan", f.fileName()}).out, "csv\tsales2024\n");
    EXPECT_EQ(Cli({"import-plan", f.fileName(), "--tag", "1"}).out, "file\tsales2024\n");
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("a");
    f.close();
    EXPECT_EQ(Cli({"import-plan", f.fileName()}).out, "file\tsales2024\n");
    EXPECT_EQ(Cli({"import-plan", f.fileName(), "--tag", "2"}).code, 2);
}

} // namespace
} // namespace sky::test
