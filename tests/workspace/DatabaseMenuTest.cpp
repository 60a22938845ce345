// The Database menu on real files: its rules (attach identifiers, import
// routing, names, texts), the menu models, and the controller's operations
// with the sqlite3 shell and sqldiff as oracles — backups and restores
// (cancelled, locked, a full disk), save as, new databases, attaching under
// hostile names, extensions built here, script exports, maintenance and the
// import routing at its limit.
#include "workspace/DatabaseMenu.h"
#include "common/FakeChooser.h"
#include "common/FaultInject.h"
#include "common/Process.h"
#include "common/ScriptedPrompter.h"
#include "common/SilentView.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "common/TestExtension.h"
#include "engine/DbTransfer.h"
#include "support/Prompter.h"
#include "workspace/WorkspaceController.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace sky {
namespace {

using Reply = test::ScriptedPrompter::Reply;

// A progress sink that asks to stop after `steps` reports (never when < 0).
class StoppingProgress : public ProgressSink {
public:
    int steps = -1, reports = 0;
    std::function<void()> onReport;
    void Advance(const QString&, double, double) override {
        ++reports;
        if (onReport) onReport();
    }
    bool IsCancelled() const override { return steps >= 0 && reports >= steps; }
    void SetOverallDescription(const QString&) override {}
};

class MenuView : public test::SilentView {
public:
    StoppingProgress progress;
    QStringList imports, scripts, notices;
    ProgressSink* StartProgress(const QString&) override { return &progress; }
    bool CsvImportReady() const override { return true; }
    bool FileImportReady() const override { return true; }
    bool ImportCsv(TSQLite3Database&, const QString& csv, QString& name, QString& why,
                   const QString&) override {
        imports << QStringLiteral("csv:") + name + QStringLiteral(":") +
                       QString::number(csv.size());
        why = QStringLiteral("not accepted");
        return false;
    }
    bool ImportFile(TSQLite3Database&, const QString& file, QString& name, QString& why) override {
        imports << QStringLiteral("file:") + name + QStringLiteral(":") +
                       QFileInfo(file).fileName();
        why = QStringLiteral("not accepted");
        return false;
    }
    bool ScriptWindowsReady() const override { return true; }
    void OpenScriptWindow(const QString& db, const QString& file, const QString& text) override {
        scripts << QFileInfo(db).fileName() + QStringLiteral("|") + file + QStringLiteral("|") +
                       text;
    }
    void BusyNotice(const QString& title, const QString&) override { notices << title; }
};

class Clip : public ClipboardPort {
public:
    QString text;
    QString Text() const override { return text; }
    void SetText(const QString& t) override { text = t; }
};

class DatabaseMenuTest : public test::TempDbTest {
protected:
    void SetUp() override {
        test::TempDbTest::SetUp();
        test::UseTempConfig(config);
        Run("CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, blob BLOB);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<80) "
            "INSERT INTO items(name, blob) SELECT 'item' || i, randomblob(30000) FROM n;"
            "CREATE INDEX items_name ON items(name);");
        db.Close();
        ctl = std::make_unique<WorkspaceController>(view, answers);
        ctl->Init(path, QStringLiteral("items"));
        ASSERT_TRUE(ctl->sql.IsOpen());
    }
    void TearDown() override {
        ctl.reset();
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString File(const QString& name) const { return dir.filePath(name); }
    // A copy of the database as it is now, for sqldiff.
    QString Snapshot(const QString& name) {
        const QString copy = File(name);
        QString error;
        EXPECT_TRUE(TransferDatabase(path, copy, nullptr, error)) << error.toStdString();
        return copy;
    }
    QStringList Leftovers() const {
        return QDir(dir.path()).entryList({QStringLiteral("*.part-*")}, QDir::Files);
    }
    QTemporaryDir config;
    test::ScriptedPrompter answers;
    MenuView view;
    test::Chooser chooser;
    Clip clip;
    std::unique_ptr<WorkspaceController> ctl;
};

TEST(DatabaseMenuRules, ProposalsRoutesAndTexts) {
    const struct {
        QStringList names;
        const char *from, *want;
    } idents[] = {{{"main", "temp"}, "", "DB2"},
                  {{"main", "temp", "db2"}, "", "DB3"},
                  {{"main", "DB2", "Db3"}, "", "DB4"},
                  {{"main", "DB2", "DB3"}, "DB3", "DB4"},
                  {{"main", "DB4"}, "DB3", "DB3"}};
    for (const auto& c : idents)
        EXPECT_EQ(ProposeAttachIdentifier(c.names, c.from), c.want) << c.want;
    const struct {
        const char* file;
        QStringList names;
        const char* want;
    } listed[] = {{"/d/my data.db", {"main"}, "mydata"},
                  {"/d/my data.db", {"main", "MyData"}, "mydata01"},
                  {"/d/my data.db", {"main", "mydata", "mydata01"}, "mydata02"},
                  {"/d/Ünïcode-2.sqlite", {"main"}, "ncode2"},
                  {"/d/###.db", {"main"}, "DB2"}};
    for (const auto& c : listed)
        EXPECT_EQ(ProposeListedAttachName(c.file, c.names), c.want) << c.file;
    EXPECT_EQ(RouteImport(6291455, 0), ImportRoute::Csv);
    EXPECT_EQ(RouteImport(6291456, 0), ImportRoute::File);
    EXPECT_EQ(RouteImport(10, 1), ImportRoute::File);
    EXPECT_EQ(ProposedImportTableName("/x/My Data-2024.CSV"), "mydata2024");
    EXPECT_EQ(AttachShowSql("/d/it's.db", "my \"db"),
              "ATTACH DATABASE '/d/it''s.db' AS |\"my \"\"db\"|;");
    qsizetype caret = 0;
    EXPECT_EQ(LoadExtensionSql("/p/o'k.so", &caret), "SELECT load_extension('/p/o''k.so');");
    EXPECT_EQ(caret, QString("SELECT load_extension('/p/o''k.so").size());
    const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7));
    EXPECT_EQ(NewScriptText(at, 0), " --  New Script - 2026-03-04 05:06:07\r\n\r\nSELECT * FROM "
                                    "\"sqlite_master\"\r\nUNION ALL\r\nSELECT * FROM "
                                    "\"sqlite_temp_master\"\r\n;");
    EXPECT_TRUE(NewScriptText(at, 1).startsWith(" -- New Script - 2026"));
    EXPECT_EQ(QuickBackupName("/d/x.sqlitedb"), "/d/x.dbBackup");
    EXPECT_TRUE(IsQuickBackup("/d/x.dbBackup"));
    EXPECT_TRUE(FileTimeText("/no/such/file").isEmpty());
}

TEST_F(DatabaseMenuTest, TheMenusInOrder) {
    const MenuModel m = ctl->DatabaseMenuModel();
    EXPECT_EQ(m.caption, "Database      ");
    QStringList captions;
    for (const MenuModel& i : m.children)
        if (!i.IsSeparator()) captions << i.caption;
    EXPECT_EQ(captions, QStringList({"Re-Open (Refresh Schema)",
                                     "Open another Database...",
                                     "Recent Databases",
                                     "Attach",
                                     "Attached Databases",
                                     "Loadable Extensions",
                                     "Save Database As...",
                                     "Export Database to Script...",
                                     "Script Editor",
                                     "Database Schema",
                                     "Check Schema",
                                     "Schema Documentation",
                                     "Analyze All Tables...",
                                     "Re-shape All Indices...",
                                     "Rebuild Database File...",
                                     "Release non-essential Memory",
                                     "Add New Table",
                                     "Create New Database",
                                     "Database Backup & Restore",
                                     "Sort Tables by",
                                     "Show Main Project Databases      [ Ctrl + L ]",
                                     "Open in folder",
                                     "Close"}));
    auto find = [](const MenuModel& in, const QString& caption) {
        for (const MenuModel& i : in.children)
            if (i.caption == caption) return i;
        return MenuModel();
    };
    // Nothing attached, no extensions: the attached menu is disabled and the
    // recent extensions are not offered.
    EXPECT_FALSE(find(m, "Attached Databases").enabled);
    EXPECT_EQ(find(m, "Loadable Extensions").children.size(), 2);
    // The large-file import waits for its own window, the others for theirs.
    const MenuModel add = find(m, "Add New Table");
    EXPECT_TRUE(
        find(add, "from Clipboard ( Auto Layout / Custom constraints / Pasted data )").enabled);
    // Recent databases: the open file offers no attach item; another one does,
    // first and as the default.
    const MenuModel recent = RecentDatabasesMenu({path, "/d/other.db"}, ctl->MenuContext());
    ASSERT_EQ(recent.children.size(), 2);
    EXPECT_TRUE(recent.children[0].isDefault);
    EXPECT_EQ(recent.children[0].children[0].caption, "Show SQL to Attach Database");
    EXPECT_EQ(recent.children[1].children[0].caption, "Attach to the current Database...");
    EXPECT_EQ(recent.children[1].children[1].command.value,
              "ATTACH DATABASE '/d/other.db' AS |DB2|;");
    EXPECT_EQ(recent.children[1].children[4].command.code, TreeCommandCode::Opn);
    // An attached database with a hostile name: every statement quotes it.
    const MenuModel attached =
        AttachedDatabasesMenu({{"my \"db", "/d/o'k.db"}}, ctl->MenuContext());
    ASSERT_EQ(attached.children.size(), 1);
    const MenuModel& a = attached.children[0];
    EXPECT_EQ(a.caption, "Database my \"db in o'k.db");
    EXPECT_EQ(a.children[0].command.value, "DETACH DATABASE \"my \"\"db\";");
    EXPECT_EQ(a.children[1].command.value, "SELECT * FROM \"my \"\"db\".sqlite_master;");
    EXPECT_EQ(a.children[7].command.value, "ATTACH DATABASE '/d/o''k.db' AS |\"my \"\"db\"|;");
    const MenuModel exts = RecentExtensionsMenu({"/l/a.so", "/l/b.so"});
    ASSERT_EQ(exts.children.size(), 2);
    EXPECT_TRUE(exts.children[0].isDefault);
    EXPECT_EQ(exts.children[0].action, act::kLoadListedExtension + "/l/a.so");
    EXPECT_TRUE(exts.children[0].children[1].isDefault);
}

TEST_F(DatabaseMenuTest, QuickBackupAndRestore) {
    ASSERT_TRUE(ctl->QuickBackup());
    const QString backup = QuickBackupName(path);
    EXPECT_EQ(ctl->status, "Successfuly transferred Data to: \"" + backup + "\"");
    EXPECT_TRUE(test::SqlDiff(path, backup).isEmpty());
    EXPECT_TRUE(Leftovers().isEmpty());
    ASSERT_TRUE(ctl->sql.ExecuteList("DELETE FROM items WHERE id > 5;"));
    // No: nothing changes.
    answers.replies = {Reply::No};
    EXPECT_FALSE(ctl->QuickRestore());
    EXPECT_EQ(test::Shell(path, "SELECT count(*) FROM items"), "5");
    ASSERT_EQ(answers.questions.size(), 1);
    EXPECT_TRUE(QRegularExpression("^WARNING:: Quick-Restoring will revert all changes since "
                                   "\\d\\d:\\d\\d on \\d\\d [A-Z][a-z]{2} \\d{4}\\. Continue\\?$")
                    .match(answers.questions[0])
                    .hasMatch())
        << answers.questions[0].toStdString();
    // An open transaction refuses the restore.
    ASSERT_TRUE(ctl->sql.BeginTransaction());
    answers.replies = {Reply::Yes};
    EXPECT_FALSE(ctl->QuickRestore());
    EXPECT_EQ(ctl->status, "Transaction is already opened.");
    ASSERT_TRUE(ctl->sql.Rollback());
    answers.replies = {Reply::Yes};
    ASSERT_TRUE(ctl->QuickRestore());
    EXPECT_EQ(ctl->status, "Success: DB Restored and Opened.");
    EXPECT_EQ(test::Shell(path, "SELECT count(*) FROM items"), "80");
    EXPECT_TRUE(test::SqlDiff(path, backup).isEmpty());
    EXPECT_TRUE(ctl->sql.IsOpen());
    // The backup itself opened: both refused.
    WorkspaceController other(view, answers);
    other.Init(backup, QString());
    EXPECT_FALSE(other.QuickBackup());
    EXPECT_EQ(other.status, "The Opened DB is already a Backup - Please open a normal DB File.");
    EXPECT_FALSE(other.QuickRestore());
    EXPECT_EQ(other.status, "The Opened DB is already a Backup - Please open a normal DB File.");
}

TEST_F(DatabaseMenuTest, FailedTransfersLeaveEveryFileWhole) {
    const QString before = Snapshot("before.db");
    ASSERT_TRUE(ctl->QuickBackup());
    const QString backup = QuickBackupName(path);
    ASSERT_TRUE(ctl->sql.ExecuteList("UPDATE items SET name = 'changed';"));
    const QString changed = Snapshot("changed.db");
    // Cancelled during a restore: the open file keeps its content.
    view.progress.steps = 1;
    answers.replies = {Reply::Yes};
    EXPECT_FALSE(ctl->QuickRestore());
    EXPECT_EQ(ctl->status, "Error: Back-up Aborted by User");
    EXPECT_TRUE(test::SqlDiff(path, changed).isEmpty());
    EXPECT_INTEGRITY_OK(path);
    // Cancelled during a transfer to a new file: no file at all.
    chooser.next = File("full.db");
    EXPECT_FALSE(ctl->FullBackup(chooser));
    EXPECT_EQ(ctl->status, "Error: Back-up Aborted by User");
    EXPECT_FALSE(QFileInfo::exists(File("full.db")));
    EXPECT_TRUE(Leftovers().isEmpty());
    view.progress.steps = -1;
    // A reader holding the file: the restore fails, the content stays.
    {
        TSQLite3Database reader;
        ASSERT_TRUE(reader.Open(path));
        ASSERT_TRUE(reader.ExecuteList("BEGIN; SELECT count(*) FROM items;"));
        answers.replies = {Reply::Yes};
        EXPECT_FALSE(ctl->QuickRestore());
        EXPECT_TRUE(ctl->status.startsWith("Error: ")) << ctl->status.toStdString();
        // VACUUM waits for nobody either.
        answers.replies = {Reply::Yes};
        EXPECT_FALSE(ctl->Vacuum());
        reader.ExecuteList("COMMIT;");
    }
    EXPECT_TRUE(test::SqlDiff(path, changed).isEmpty());
    EXPECT_INTEGRITY_OK(path);
    // A full disk while the backup is written onto the open file.
    {
        test::ScopedFault fault(test::FaultOp::Write, 3, SQLITE_OPEN_MAIN_DB, SQLITE_FULL);
        answers.replies = {Reply::Yes};
        EXPECT_FALSE(ctl->QuickRestore());
        EXPECT_TRUE(fault.Fired());
    }
    EXPECT_TRUE(ctl->status.startsWith("Error: ")) << ctl->status.toStdString();
    EXPECT_TRUE(test::SqlDiff(path, changed).isEmpty());
    EXPECT_INTEGRITY_OK(path);
    // A missing source and a missing folder say so.
    EXPECT_FALSE(ctl->TransferFile(File("nothing.db"), File("x.db"), false));
    EXPECT_TRUE(ctl->status.startsWith("Error opening Source: ")) << ctl->status.toStdString();
    EXPECT_FALSE(ctl->TransferFile(QString(), File("no/such/folder/x.db"), false));
    EXPECT_EQ(ctl->status, "Error accessing the Target folder");
    // One transfer at a time.
    QString nested;
    view.progress.onReport = [&] {
        if (nested.isEmpty()) {
            ctl->TransferFile(QString(), File("nested.db"), false);
            nested = ctl->status;
        }
    };
    EXPECT_TRUE(ctl->TransferFile(QString(), File("outer.db"), false));
    EXPECT_EQ(nested, "Error: A file transfer is already in Progress");
    EXPECT_TRUE(test::SqlDiff(path, File("outer.db")).isEmpty());
    EXPECT_TRUE(test::SqlDiff(before, backup).isEmpty());
}

TEST_F(DatabaseMenuTest, SaveAsAndNewDatabases) {
    // An open transaction would be lost: refused.
    ASSERT_TRUE(ctl->sql.BeginTransaction());
    chooser.next = File("copy.db");
    EXPECT_FALSE(ctl->SaveDatabaseAs(chooser));
    EXPECT_EQ(ctl->status, "Transaction is already opened.");
    EXPECT_FALSE(QFileInfo::exists(File("copy.db")));
    ASSERT_TRUE(ctl->sql.Rollback());
    // An orphaned journal of an earlier copy.db never reaches the new one.
    QFile orphan(File("copy.db-journal"));
    ASSERT_TRUE(orphan.open(QIODevice::WriteOnly));
    orphan.write(QByteArray(4096, '\x5a'));
    orphan.close();
    ASSERT_TRUE(ctl->SaveDatabaseAs(chooser));
    EXPECT_EQ(ctl->status, "New Database Saved and Opened.");
    EXPECT_EQ(ctl->sqlFile, File("copy.db"));
    EXPECT_TRUE(test::SqlDiff(path, File("copy.db")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(File("copy.db-journal")));
    // The copy has the permissions a file the shell makes there has.
    test::Shell(File("shell.db"), "CREATE TABLE x(a);");
    EXPECT_EQ(QFileInfo(File("copy.db")).permissions(), QFileInfo(File("shell.db")).permissions());
    // From the selected table: the table and its rows, the old file attached.
    ctl->SelectTable("items", QString());
    chooser.next = File("copy.db");
    EXPECT_FALSE(ctl->NewDatabaseFromTable(chooser)); // the open file itself
    EXPECT_EQ(test::Shell(File("copy.db"), "SELECT count(*) FROM items"), "80");
    chooser.next = File("items only.db");
    QFile stale(File("items only.db-journal"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    ASSERT_TRUE(ctl->NewDatabaseFromTable(chooser)) << ctl->status.toStdString();
    EXPECT_EQ(ctl->sqlFile, File("items only.db"));
    EXPECT_FALSE(QFileInfo::exists(File("items only.db-journal")));
    EXPECT_EQ(test::Shell(File("items only.db"), "SELECT count(*), sum(length(blob)) FROM items"),
              "80|2400000");
    QStringList attached;
    for (const AttachedDb& a : AttachedDatabases(ctl->sql))
        attached << a.name;
    EXPECT_EQ(attached, QStringList{"PrevUsedDatabase"});
    // A new empty database opens; an existing one opens unchanged.
    chooser.next = File("empty.sqlitedb");
    ASSERT_TRUE(ctl->NewEmptyDatabase(chooser));
    EXPECT_EQ(ctl->status, "New Database Opened.");
    EXPECT_EQ(ctl->sqlFile, File("empty.sqlitedb"));
    EXPECT_EQ(test::Shell(File("empty.sqlitedb"), "PRAGMA integrity_check"), "ok");
    chooser.next = File("no/such/folder/x.db");
    EXPECT_FALSE(ctl->NewEmptyDatabase(chooser));
    EXPECT_EQ(ctl->status, "Error Saving Database - Please check folder access rights.");
    EXPECT_EQ(ctl->sqlFile, File("empty.sqlitedb"));
}

TEST_F(DatabaseMenuTest, AttachUnderAnyName) {
    const QString other = File("o'ther.db");
    {
        TSQLite3Database o;
        ASSERT_TRUE(o.Open(other));
        ASSERT_TRUE(o.ExecuteList("CREATE TABLE zebra(stripes);"));
    }
    chooser.next = other;
    answers.texts = {"DB2"};
    ASSERT_TRUE(ctl->Attach(0, chooser)) << ctl->status.toStdString();
    EXPECT_EQ(answers.initials.last(), "DB2");
    EXPECT_TRUE(ctl->fFiles.contains(other));
    // The next one proposes DB3; a taken answer asks again with the note.
    answers.texts = {"db2", "my \"db"};
    ASSERT_TRUE(ctl->Attach(1, chooser)) << ctl->status.toStdString();
    EXPECT_EQ(answers.initials.mid(1), QStringList({"DB3", "DB3"}));
    EXPECT_EQ(answers.prompts.last(),
              "Attach Database as...: Identifier for the attached Database:\r(Identifier "
              "\"db2\" already exists, please use another)");
    EXPECT_FALSE(ctl->fFiles.contains(":memory:"));
    const QList<AttachedDb> a = AttachedDatabases(ctl->sql);
    ASSERT_EQ(a.size(), 2);
    EXPECT_EQ(a[1].name, "my \"db");
    // Show only: the statement in the editor, nothing attached.
    answers.texts = {"DB9"};
    ASSERT_TRUE(ctl->Attach(12, chooser));
    EXPECT_EQ(ctl->editor.text, "ATTACH DATABASE '' AS DB9;");
    EXPECT_EQ(AttachedDatabases(ctl->sql).size(), 2);
    // Detach from the attached menu, under the hostile name.
    const MenuModel menu = AttachedDatabasesMenu(a, ctl->MenuContext());
    ctl->RunCommand(menu.children[1].children[0].command);
    EXPECT_EQ(AttachedDatabases(ctl->sql).size(), 1);
    // The statements shown for a name or file holding "|" keep it as text.
    const MenuModel odd = AttachedDatabasesMenu({{"my|db", "/t/a|b.db"}}, ctl->MenuContext());
    ctl->RunCommand(odd.children[0].children[7].command);
    EXPECT_EQ(ctl->editor.text, "ATTACH DATABASE '/t/a|b.db' AS \"my|db\";");
    ctl->RunCommand(odd.children[0].children[8].command);
    EXPECT_EQ(ctl->editor.text, "DETACH DATABASE \"my|db\";");
    // A listed file that has gone is not made anew.
    EXPECT_FALSE(ctl->AttachListed(File("gone.db")));
    EXPECT_FALSE(QFileInfo::exists(File("gone.db")));
    EXPECT_TRUE(answers.notices.last().startsWith("Attach File Failed...: Failed to Attach: "));
    // A listed file: its name proposed, the notice after.
    const QString listed = File("my data.db");
    QString error;
    ASSERT_TRUE(TransferDatabase(other, listed, nullptr, error));
    answers.texts = {"mydata"};
    ASSERT_TRUE(ctl->AttachListed(listed));
    EXPECT_EQ(answers.initials.last(), "mydata");
    EXPECT_EQ(answers.notices.last(), "Attach File Success: Attached my data.db as DB \"mydata\".");
    answers.texts = {"mydata"};
    EXPECT_FALSE(ctl->AttachListed(listed));
    EXPECT_TRUE(answers.notices.last().startsWith("Attach File Failed...: Failed to Attach: "));
}

TEST_F(DatabaseMenuTest, ExtensionsScriptsAndMaintenance) {
    // An extension built here: one function.
    const QString lib = test::BuildHalfExtension(dir.path());
    ASSERT_FALSE(lib.isEmpty());
    const QString src = dir.filePath("half.c");
    // Showing the statement loads nothing.
    ctl->ShowExtensionSql(lib);
    EXPECT_EQ(ctl->editor.text, "SELECT load_extension('" + lib + "');");
    EXPECT_EQ(ctl->editor.selStart, ctl->editor.text.size() - 3);
    QString v;
    EXPECT_FALSE(ctl->sql.QuerySingleValue(v, "SELECT half(3);"));
    // No other SQL may load it: the function is off outside the user's run.
    EXPECT_FALSE(ctl->sql.ExecuteList("SELECT load_extension('" + lib + "');"));
    EXPECT_FALSE(ctl->sql.QuerySingleValue(v, "SELECT half(3);"));
    // Run by the user from the editor, it loads.
    ctl->RunQuery(RunMode::Plain);
    EXPECT_TRUE(ctl->status.startsWith("Query Success.")) << ctl->status.toStdString();
    ASSERT_TRUE(ctl->sql.QuerySingleValue(v, "SELECT half(5);"));
    EXPECT_EQ(v, "2.5");
    EXPECT_FALSE(ctl->sql.ExecuteList("SELECT load_extension('" + lib + "');"));
    EXPECT_FALSE(ctl->LoadExtensionFile(File("missing.so")));
    EXPECT_EQ(ctl->status, "Load error - Invalid File: missing.so");
    ASSERT_TRUE(ctl->LoadExtensionFile(lib)) << ctl->status.toStdString();
    EXPECT_EQ(ctl->status, "Success loading extension libhalf.so");
    ASSERT_TRUE(ctl->sql.QuerySingleValue(v, "SELECT half(3);"));
    EXPECT_EQ(v, "1.5");
    EXPECT_EQ(ctl->fExts, QStringList{lib});
    EXPECT_FALSE(ctl->LoadExtensionFile(src));
    EXPECT_TRUE(ctl->status.startsWith("Extension load error: ")) << ctl->status.toStdString();
    // The database as a script the shell runs back into the same content.
    chooser.next = File("dump.sql");
    ASSERT_TRUE(ctl->ExportDatabaseScript(chooser));
    EXPECT_EQ(ctl->status, "Success exporting Script to: " + File("dump.sql"));
    EXPECT_EQ(view.notices, QStringList({"Exporting Database", QString()}));
    test::RunProgram(SQLITE3_SHELL_PATH, {File("again.db"), ".read '" + File("dump.sql") + "'"});
    // (the script also leaves the engine's statistics behind: the table is compared)
    const test::ProcessResult diff =
        test::RunProgram(SQLDIFF_PATH, {"--table", "items", path, File("again.db")});
    EXPECT_EQ(diff.code, 0);
    EXPECT_TRUE(diff.out.isEmpty()) << diff.out.left(300).toStdString();
    answers.replies = {Reply::No};
    EXPECT_FALSE(ctl->ExportDatabaseScript(chooser));
    EXPECT_EQ(ctl->status, "Export aborted by User...");
    // The script editor items.
    ctl->OpenScriptEditor(0, clip);
    ctl->OpenScriptEditor(3, clip);
    answers.replies = {Reply::Yes};
    ctl->OpenScriptEditor(2, clip);
    clip.text = "SELECT 2;";
    ctl->OpenScriptEditor(2, clip);
    ASSERT_EQ(view.scripts.size(), 4);
    EXPECT_EQ(view.scripts[0], "test.db||");
    EXPECT_EQ(view.scripts[1], "test.db|*FORCESELECT|");
    EXPECT_TRUE(view.scripts[2].startsWith("test.db|| -- New Script - "));
    EXPECT_EQ(view.scripts[3], "test.db||SELECT 2;");
    // ANALYZE, REINDEX and VACUUM after their questions.
    answers.replies = {Reply::Yes, Reply::Yes, Reply::Yes};
    ASSERT_TRUE(ctl->AnalyzeOrReindex(0));
    EXPECT_EQ(ctl->status, "Analyze Success.");
    EXPECT_EQ(ctl->table.name, "sqlite_stat1");
    ASSERT_TRUE(ctl->AnalyzeOrReindex(1));
    EXPECT_EQ(ctl->status, "Re-Index Success.");
    ASSERT_TRUE(ctl->Vacuum());
    EXPECT_EQ(ctl->status, "File Re-build (Vacuum) Success.");
    EXPECT_EQ(answers.questions.mid(answers.questions.size() - 3, 1),
              QStringList{"ANALYZE all...: This will Analyze all Attached Databases and write "
                          "statistics to the \"sqlite_stat1\" Table. Continue?"});
    EXPECT_INTEGRITY_OK(path);
    ASSERT_TRUE(ctl->ReleaseMemory());
    EXPECT_EQ(ctl->status, "Success Releasing non-essential memory allocations.");
}

TEST_F(DatabaseMenuTest, ImportRoutingAtItsLimit) {
    QFile f(File("My Data.csv"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray line("a,b\r\n");
    QByteArray all = line.repeated(int(kCsvImportLimit / line.size()));
    all += QByteArray(int(kCsvImportLimit - all.size()), 'x');
    ASSERT_EQ(all.size(), kCsvImportLimit);
    f.write(all);
    f.close();
    chooser.next = f.fileName();
    EXPECT_FALSE(ctl->ImportFromFile(0, chooser));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("y");
    f.close();
    EXPECT_FALSE(ctl->ImportFromFile(0, chooser));
    EXPECT_FALSE(ctl->ImportFromFile(1, chooser));
    EXPECT_EQ(view.imports, QStringList({"csv:mydata:" + QString::number(kCsvImportLimit),
                                         "file:mydata:My Data.csv", "file:mydata:My Data.csv"}));
    EXPECT_EQ(ctl->status, "Error Importing data - not accepted");
    chooser.next.clear();
    EXPECT_FALSE(ctl->ImportFromFile(0, chooser));
    EXPECT_EQ(ctl->status, "Importing Cancelled. Ready.");
    clip.text = "x";
    EXPECT_FALSE(ctl->ImportFromClipboard(clip));
    EXPECT_EQ(ctl->status, "No valid Copy-Pasted data found.");
    clip.text = "a,b\r\n1,2";
    EXPECT_FALSE(ctl->ImportFromClipboard(clip));
    EXPECT_EQ(view.imports.last(), "csv:table:8");
}

} // namespace
} // namespace sky
