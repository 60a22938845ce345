// The pragma page's core on real files: the definition table, a read value's
// shown choice, the statements byte for byte, hostile values refused before
// anything runs, updates of one and of all with the values read again (a
// value that did not take is an error), the engine's conditions (VACUUM after
// page_size and auto_vacuum, nothing in an open transaction), reading that
// never writes, action statements, failure injection and the command line.
#include "workspace/Pragmas.h"

#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/TempDb.h"

namespace sky::test {
namespace {

class PragmasTest : public TempDbTest {
protected:
    PragmaController p;
    TPragmaSettingItem& Row(const char* name) { return *p.Find(QString::fromLatin1(name)); }
    QString Scalar(const QString& sql) {
        QString v;
        db.QuerySingleValue(v, sql);
        return v;
    }
};

TEST_F(PragmasTest, TheDefinitionTable) {
    const QList<PragmaDef>& t = PragmaTable();
    ASSERT_EQ(t.size(), 52);
    int values = 0, actions = 0;
    for (const PragmaDef& d : t)
        (d.kind == 0 ? actions : values)++;
    EXPECT_EQ(values, 35);
    EXPECT_EQ(actions, 17);
    EXPECT_EQ(p.prg.size(), 35);
    EXPECT_EQ(FindPragma("journal_mode")->Title(), "Journal Mode");
    EXPECT_EQ(FindPragma("journal_mode")->Link(),
              "https://www.sqlite.org/pragma.html#pragma_journal_mode");
    EXPECT_EQ(Row("journal_size_limit").options.size(), 17);
    EXPECT_EQ(Row("soft_heap_limit").options.last(), "268435456 - 256MB");
    EXPECT_EQ(OptionValue("1000 - 1sec"), "1000");
    EXPECT_EQ(OptionValue("Normal - Unlocked"), "Normal");
}

TEST_F(PragmasTest, StatementsAndValidation) {
    const struct {
        const char* name;
        const char* text;
        bool tail;
        const char* statement; // empty: refused
    } cases[] = {
        {"busy_timeout", "1000 - 1sec", true, "PRAGMA busy_timeout = 1000;   --  (ms)  1sec"},
        {"journal_mode", "WAL", false, "PRAGMA journal_mode = 'WAL';"},
        {"journal_mode", "wal", false, "PRAGMA journal_mode = 'WAL';"},
        {"page_size", "4096 - 4KB", true, "PRAGMA page_size = 4096; VACUUM;   --  (Bytes)  4KB"},
        {"journal_size_limit", "-1 - Unlimited", false, "PRAGMA journal_size_limit = -1;"},
        {"encoding", "UTF-16le", false, "PRAGMA encoding = 'UTF-16le';"},
        {"user_version", "42", true, "PRAGMA user_version = 42;"},
        {"incremental_vacuum", "512", true, "PRAGMA incremental_vacuum(512);   --  (Pages)"},
        {"user_version", "'1'; DROP TABLE t; --", false, ""},
        {"journal_mode", "WAL'; DROP TABLE t; --", false, ""},
        {"journal_mode", "\"WAL\"", false, ""},
        {"busy_timeout", "", false, ""},
        {"cache_size", "12abc", false, ""},
        {"user_version", "99999999999999999999", false, ""},
    };
    for (const auto& c : cases) {
        QString why;
        EXPECT_EQ(PragmaController::Statement(Row(c.name), c.text, c.tail, &why), c.statement)
            << c.name << " " << c.text;
        if (!*c.statement) {
            EXPECT_FALSE(why.isEmpty()) << c.text;
        }
    }
    int start = 0, length = 0;
    const PragmaDef& info = *FindPragma("table_info");
    EXPECT_EQ(
        PragmaController::ActionStatement(info, "TABLE", "customers", {}, {}, &start, &length),
        "PRAGMA table_info(customers);");
    EXPECT_EQ(start, 18);
    EXPECT_EQ(length, 9);
    EXPECT_EQ(PragmaController::ActionStatement(info, "TABLE", "my table", {}, {}),
              "PRAGMA table_info(\"my table\");");
    EXPECT_EQ(PragmaController::ActionStatement(*FindPragma("index_info"), "INDEX", "t", {}, {}),
              "PRAGMA index_info(\"Index\");"); // a keyword, quoted
    EXPECT_EQ(PragmaController::ActionStatement(*FindPragma("wal_checkpoint"), "", "t", {}, {}),
              "PRAGMA wal_checkpoint;");
    EXPECT_EQ(PragmaController::ActionCaption(*FindPragma("wal_checkpoint"), ""), "Wal Checkpoint");
    EXPECT_EQ(PragmaController::ActionCaption(*FindPragma("collation_list"), "0"),
              "Collation List");
    EXPECT_EQ(PragmaController::ActionStatement(*FindPragma("collation_list"), "0", "t", {}, {}),
              "PRAGMA collation_list;");
    EXPECT_EQ(PragmaController::ActionCaption(info, "TABLE"), "Table Info (TABLE)");
}

TEST_F(PragmasTest, ReadingShowsChoicesAndNeverWrites) {
    Run("PRAGMA auto_vacuum = INCREMENTAL; VACUUM; CREATE TABLE t(a);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
        " INSERT INTO t SELECT randomblob(500) FROM n; DELETE FROM t;");
    const QString freePages = Scalar("PRAGMA freelist_count;");
    ASSERT_NE(freePages, "0");
    p.ReadAll(db);
    EXPECT_EQ(Scalar("PRAGMA freelist_count;"), freePages); // incremental_vacuum not run
    EXPECT_TRUE(Row("incremental_vacuum").shown.isEmpty());
    EXPECT_EQ(Row("auto_vacuum").shown, "2 - Incremental");
    EXPECT_EQ(Row("journal_mode").shown, "Delete");
    EXPECT_EQ(Row("locking_mode").shown, "Normal - Unlocked");
    EXPECT_EQ(Row("mmap_size").shown, "0"); // not "1024 - 1KB"
    EXPECT_EQ(Row("journal_size_limit").shown, "-1 - Unlimited");
    EXPECT_EQ(Row("cache_size").read, "-2000");
    EXPECT_EQ(p.pageSize, 4096);
    for (const TPragmaSettingItem& r : p.prg)
        EXPECT_FALSE(r.Changed()) << r.sName.toStdString();
}

TEST_F(PragmasTest, UpdatesReadAgainAndReportWhatDidNotTake) {
    Run("CREATE TABLE t(a); INSERT INTO t VALUES (1);");
    p.ReadAll(db);
    QString status;
    EXPECT_TRUE(p.UpdateAll(db, status));
    EXPECT_EQ(status, "No pragma values needed updating.");
    Row("user_version").shown = "7";
    EXPECT_TRUE(p.UpdateAll(db, status));
    EXPECT_EQ(status, "Success updating pragma user_version.");
    EXPECT_EQ(Scalar("PRAGMA user_version;"), "7");
    EXPECT_FALSE(Row("user_version").Changed());
    // Two at once, one of them the page size with its VACUUM.
    Row("page_size").shown = "16384 - 16KB";
    Row("journal_size_limit").shown = "-1 - Unlimited";
    Row("application_id").shown = "12";
    EXPECT_TRUE(p.UpdateAll(db, status)) << status.toStdString();
    EXPECT_EQ(status, "Success updating 2 pragmas.");
    EXPECT_EQ(Scalar("PRAGMA page_size;"), "16384");
    // auto_vacuum from none to full takes only with its VACUUM.
    Row("auto_vacuum").shown = "1 - Full";
    EXPECT_TRUE(p.UpdateOne(db, "auto_vacuum", status)) << status.toStdString();
    EXPECT_EQ(Scalar("PRAGMA auto_vacuum;"), "1");
    // In WAL mode the page size cannot change: said so, never "Success".
    Row("journal_mode").shown = "WAL";
    EXPECT_TRUE(p.UpdateAll(db, status)) << status.toStdString();
    Row("page_size").shown = "4096 - 4KB";
    EXPECT_FALSE(p.UpdateAll(db, status));
    EXPECT_TRUE(status.startsWith("Error: pragma page_size is 16384, not 4096"))
        << status.toStdString();
    // Leaving WAL and changing the page size in one batch works.
    Row("journal_mode").shown = "Delete";
    Row("page_size").shown = "4096 - 4KB";
    EXPECT_TRUE(p.UpdateAll(db, status)) << status.toStdString();
    EXPECT_EQ(Scalar("PRAGMA page_size;"), "4096");
    // A hostile value runs nothing.
    Row("user_version").shown = "'1'; DROP TABLE t; --";
    EXPECT_FALSE(p.UpdateAll(db, status));
    EXPECT_TRUE(status.startsWith("Error: pragma user_version: ")) << status.toStdString();
    EXPECT_EQ(Scalar("SELECT count(*) FROM t"), "1");
    Row("user_version").shown = Row("user_version").sVal;
    // In an open transaction the file's layout is not touched.
    ASSERT_TRUE(db.BeginTransaction());
    Row("foreign_keys").shown = "0 - Off";
    EXPECT_FALSE(p.UpdateAll(db, status));
    EXPECT_EQ(status, "Error: pragma foreign_keys cannot change while a transaction is open.");
    ASSERT_TRUE(db.Rollback());
    db.Close();
    EXPECT_EQ(IntegrityCheck(path), "ok");
}

TEST_F(PragmasTest, APageSizeChangeOnAFullDiskChangesNothing) {
    Run("CREATE TABLE t(a);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)"
        " INSERT INTO t SELECT randomblob(3000) FROM n;");
    const QString before = Scalar("SELECT sum(length(a)) FROM t");
    db.Close();
    for (int nth : {1, 20, 200}) {
        // The nth write of the VACUUM fails: nothing changes.
        ScopedFault fault(FaultOp::Write, nth, kAnyFile, SQLITE_FULL, false);
        TSQLite3Database faulty;
        ASSERT_TRUE(faulty.Open(path));
        PragmaController c;
        c.ReadAll(faulty);
        c.Find("page_size")->shown = "512";
        QString status;
        EXPECT_FALSE(c.UpdateAll(faulty, status)) << nth;
        EXPECT_TRUE(fault.Fired()) << nth;
        EXPECT_TRUE(status.startsWith("Error: ")) << status.toStdString();
    }
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(Scalar("SELECT sum(length(a)) FROM t"), before);
    db.Close();
    EXPECT_EQ(IntegrityCheck(path), "ok");
    EXPECT_EQ(Shell(path, "PRAGMA page_size;"), "4096");
}

TEST_F(PragmasTest, CommandLine) {
    Run("CREATE TABLE t(a);");
    db.Close();
    ProcessResult r = Cli({"pragmas", path});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("journal_mode\tdelete\tDelete\r\n"));
    EXPECT_TRUE(r.out.contains("incremental_vacuum\t\t\r\n"));
    EXPECT_EQ(r.out.count("\r\n"), 35);
    r = Cli({"pragmas", path, "--set", "user_version=5", "--set", "application_id=9"});
    EXPECT_EQ(r.out, "Success updating 2 pragmas.\r\n");
    EXPECT_EQ(Shell(path, "PRAGMA user_version;"), "5");
    EXPECT_EQ(Cli({"pragmas", path, "--set", "user_version=5"}).out,
              "No pragma values needed updating.\r\n");
    EXPECT_EQ(Cli({"pragmas", path, "--set", "nope=1"}).code, 2);
    EXPECT_EQ(Cli({"pragmas", path, "--set", "user_version=5", "--set", "journal_mode=x"}).code, 2);
    EXPECT_EQ(Shell(path, "PRAGMA user_version;"), "5");
    EXPECT_EQ(Cli({"pragmas", path, "--show-sql", "busy_timeout=1000 - 1sec"}).out,
              "PRAGMA busy_timeout = 1000;   --  (ms)  1sec\r\n");
    EXPECT_EQ(Cli({"pragmas", path, "--action", "index_list", "--table", "my t"}).out,
              "PRAGMA index_list(\"my t\");\r\n");
}

} // namespace
} // namespace sky::test
