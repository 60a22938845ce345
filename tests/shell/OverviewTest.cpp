// The overview's commands with scripted answers, real files and settings in
// a temporary folder.
#include "shell/Overview.h"
#include "common/FakeChooser.h"
#include "common/Process.h"
#include "common/ScriptedPrompter.h"
#include "common/TempConfig.h"
#include "engine/Database.h"
#include "engine/SystemLog.h"
#include "shell/Search.h"
#include "support/Folders.h"
#include "support/Prompter.h"
#include "support/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky {
namespace {

using Reply = test::ScriptedPrompter::Reply;

// A workspace window without a window: records what the overview asks of it.
class FakeWorkspace : public WorkspaceHandle {
public:
    explicit FakeWorkspace(QStringList& log) : FLog(log) {}
    ~FakeWorkspace() override { SysCallback(kWsClosed); } // as a real window does
    void Init(const QString& f, const QString& t) override {
        file = f;
        FLog << "init " + f + "|" + t;
    }
    void SetShowTooltips(bool on) override { tips = on; }
    void ShowAndRaise() override { FLog << "raise " + file; }
    void SetShown(bool s) override { FLog << (s ? "show " : "hide ") + file; }
    void CloseAndFree() override {
        FLog << "close " + file;
        if (!busy) SysCallback(kWsClosed);
    }
    void FreeLater() override { FLog << "free " + file; }
    QString file;
    bool tips = true, busy = false;

private:
    QStringList& FLog;
};

// The overview's window without a display: records what it was asked to
// show, in order.
class RecordingView : public OverviewView {
public:
    QStringList log;
    OverviewSettings shown;
    void ProjectsChanged() override { log << "projects"; }
    void FilesChanged() override { log << "files"; }
    void BringToFront() override { log << "front"; }
    void ShowInFolder(const QString& file) override { log << "folder " + file; }
    void ShowPopOuts(bool on) override { log << (on ? "pop-outs shown" : "pop-outs hidden"); }
    void FreePopOuts() override { log << "pop-outs freed"; }
    ProgressSink* StartProgress(const QString&, bool) override { return nullptr; }
    void EndProgress(ProgressSink*) override {}
    void ShowSettings(const OverviewSettings& s) override {
        shown = s;
        log << "settings";
    }
    void ApplyTooltips(bool on) override { log << (on ? "tips on" : "tips off"); }
    void LetEventsRun() override {}
    void ShowVersionInfo(const QString& info, const QString&) override {
        log << "version " + info.section('\r', 0, 0);
    }
    void ShowCaption(const QString& caption) override { log << "caption " + caption; }
    void SearchForDatabases() override { log << "search"; }
};

class OverviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseTempConfig(config);
        c.SetWorkspaceFactory([this]() -> WorkspaceHandle* {
            windows.push_back(std::make_unique<FakeWorkspace>(log));
            return windows.back().get();
        });
        c.LoadProjects();
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    QString Db(const char* name) {
        const QString f = data.filePath(QLatin1String(name));
        TSQLite3Database db;
        EXPECT_TRUE(db.Open(f));
        EXPECT_TRUE(db.ExecuteList("CREATE TABLE IF NOT EXISTS t(a); INSERT INTO t VALUES (1);"));
        return f;
    }
    QTemporaryDir config, data;
    test::ScriptedPrompter p;
    test::Chooser files;
    RecordingView view;
    OverviewController c{view, p, files};
    QStringList log;
    std::vector<std::unique_ptr<FakeWorkspace>> windows;
};

TEST_F(OverviewTest, OpeningEntriesListsThemOnceAndOpensOnce) {
    const QString a = Db("a.db");
    ASSERT_TRUE(c.OpenEntry(a + " | t"));
    EXPECT_EQ(c.Files(), QStringList{a + " | t"});
    EXPECT_EQ(log, (QStringList{"init " + a + "|t", "raise " + a}));
    EXPECT_TRUE(c.IsOpen(a));
    ASSERT_TRUE(c.OpenEntry(a + " | t")); // shown again, no second window
    EXPECT_EQ(windows.size(), 1u);
    EXPECT_EQ(log.last(), "raise " + a);
    EXPECT_EQ(c.Files().size(), 1);
    EXPECT_EQ(c.StatusOf(a), 0);
    // The list was stored for the default project.
    QStringList stored;
    ListLoad(stored, QStringLiteral("DBRecent"));
    EXPECT_EQ(stored, c.Files());
    // A missing file is not opened.
    EXPECT_FALSE(c.OpenEntry(data.filePath("gone.db")));
    // Removal takes the exact file, never a prefix.
    c.SetFiles({a + "2", a + " | t", a});
    c.RemoveEntry(a);
    EXPECT_EQ(c.Files(), (QStringList{a + "2", a + " | t"}));
    c.MoveEntry(1, 0);
    EXPECT_EQ(c.Files().first(), a + " | t");
}

TEST_F(OverviewTest, ProjectsAndPurge) {
    p.texts << "Work";
    c.NewProject();
    EXPECT_EQ(c.CurrentProject(), QStringLiteral("Work"));
    p.texts << " w o r k ";
    c.NewProject();
    EXPECT_EQ(c.Projects(),
              (QStringList{kDefaultProject, "Work"})); // no second project with that key
    c.SelectProject(kDefaultProject);
    c.DeleteProject(); // the default stays
    EXPECT_EQ(c.Projects().size(), 2);
    c.SelectProject(QStringLiteral("Work"));
    p.replies << Reply::Yes;
    c.DeleteProject();
    EXPECT_EQ(c.Projects(), QStringList{kDefaultProject});

    const QString good = Db("good.db"), gone = data.filePath("gone.db"),
                  gone2 = data.filePath("gone2.db");
    c.SetFiles({good, gone, gone2 + " | x"});
    c.SaveProjectLists();
    c.CheckAllFiles();
    // Confirming each: the first removed, then Cancel undoes everything.
    p.replies = {Reply::Yes, Reply::Yes, Reply::Cancel};
    c.Purge();
    EXPECT_EQ(c.Files().size(), 3);
    EXPECT_TRUE(p.questions.last().contains(QStringLiteral("and Table \"x\" now?")));
    // Without confirmation: every bad link goes.
    p.replies = {Reply::No, Reply::Yes};
    c.Purge();
    EXPECT_EQ(c.Files(), QStringList{good});
}

TEST_F(OverviewTest, NewDatabaseBackupAndRestore) {
    files.next = data.filePath("made");
    ASSERT_TRUE(c.NewDatabase(QString()));
    const QString made = data.filePath("made.sqlitedb");
    EXPECT_TRUE(QFile::exists(made));
    EXPECT_TRUE(c.Files().contains(made));
    // A new database over an open one is refused with the reason.
    files.next = made;
    EXPECT_FALSE(c.NewDatabase(QString()));
    EXPECT_TRUE(p.notices.last().startsWith(
        QStringLiteral("New Database Error: Failed to Create Database:\r")));

    const QString src = Db("x.sqlitedb");
    ASSERT_TRUE(c.QuickBackup(src));
    EXPECT_TRUE(QFile::exists(data.filePath("x.dbBackup")));
    EXPECT_FALSE(c.QuickBackup(data.filePath("x.dbBackup")));
    {
        TSQLite3Database db;
        ASSERT_TRUE(db.Open(src));
        ASSERT_TRUE(db.ExecuteList("DELETE FROM t;"));
    }
    p.replies << Reply::Yes;
    ASSERT_TRUE(c.QuickRestore(src));
    EXPECT_TRUE(p.questions.last().startsWith(
        QStringLiteral("WARNING:: Quick-Restoring will revert all changes since ")));
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(src));
    QString n;
    db.QuerySingleValue(n, "SELECT count(*) FROM t");
    EXPECT_EQ(n, QStringLiteral("1"));
    EXPECT_FALSE(c.QuickRestore(data.filePath("nobackup.db")));
    EXPECT_TRUE(
        p.notices.last().contains(QStringLiteral("There is no previously made Quick-Backup")));
}

TEST_F(OverviewTest, AutoOpenAsksEveryFourthAndMenuItems) {
    QStringList list;
    for (int i = 0; i < 12; ++i)
        list << Db(QString("auto%1.db").arg(i).toUtf8().constData());
    c.SetAutoOpen(list);
    p.replies = {Reply::Yes, Reply::No}; // go on at the 4th, stop at the 8th
    c.RunAutoOpen();
    EXPECT_EQ(p.questions.size(), 2);
    EXPECT_TRUE(
        p.questions[0].contains(QStringLiteral("9 more Databases are selected to Auto-Open")));
    EXPECT_EQ(windows.size(), 7u);   // 0..6 opened
    EXPECT_EQ(c.Files().size(), 12); // the rest only listed
    c.CheckAllFiles();
    const auto menu = c.ProjectMenu();
    ASSERT_EQ(menu.size(), 12);
    EXPECT_EQ(menu.last().subItems.first(), QStringLiteral("Open this Database"));
    EXPECT_TRUE(
        menu.first().subItems.contains(QStringLiteral("Open Script Processor for Database")));
    EXPECT_FALSE(
        menu.first().subItems.join(',').contains(QStringLiteral("Remove reference"))); // open
    c.SetFiles({data.filePath("missing.db")});
    c.CheckAllFiles();
    EXPECT_EQ(c.ProjectMenu().first().subItems,
              (QStringList{"Re-Check Status (Missing)", "-", "Open in Folder",
                           "Remove reference (Status: Missing)"}));
}

TEST_F(OverviewTest, FullBackupAndRestore) {
    const QString src = Db("f.db");
    files.next = data.filePath("f-copy.db");
    ASSERT_TRUE(c.FullBackup(src));
    EXPECT_EQ(test::SqlDiff(src, files.next), QByteArray());
    files.next = src;
    EXPECT_FALSE(c.FullRestore(src));
    EXPECT_TRUE(p.notices.last().contains(QStringLiteral("quantum physics")));
    files.next = data.filePath("f-copy.db");
    p.replies << Reply::Yes;
    ASSERT_TRUE(c.FullRestore(src));
    EXPECT_TRUE(p.questions.last().contains(
        QStringLiteral("Restoring from this back-up will revert all changes since ")));
}

TEST_F(OverviewTest, WorkspaceEventsAndClosing) {
    const QString a = Db("a.db"), b = Db("b.db"), z = Db("Z.db");
    ASSERT_TRUE(c.OpenEntry(z));
    ASSERT_TRUE(c.OpenEntry(b));
    // fDBs sorted by upper-cased path.
    EXPECT_EQ(c.Workspaces(), (QList<WorkspaceHandle*>{windows[1].get(), windows[0].get()}));
    const auto shown = [this] { return view.log.count("front"); };
    const auto folder = [this, a] { return view.log.count("folder " + a); };
    // An unknown sender changes nothing.
    FakeWorkspace stranger(log);
    EXPECT_EQ(c.OnWorkspaceEvent(&stranger, kWsShowOverview, {}, {}, 0, 0), 0);
    EXPECT_EQ(shown(), 0);
    WorkspaceHandle* wb = windows[1].get();
    EXPECT_EQ(wb->SysCallback(kWsShowOverview), 0);
    EXPECT_EQ(wb->SysCallback(kWsShowInFolder, a), 0);
    EXPECT_EQ(shown(), 1);
    EXPECT_EQ(folder(), 1);
    // Event 1 opens the file in a window of its own.
    wb->SysCallback(kWsOpenFile, a);
    EXPECT_TRUE(c.IsOpen(a));
    EXPECT_EQ(c.Files().first(), a);
    // An unexpected kind forgets the sender and frees it later, not in its call.
    log.clear();
    wb->SysCallback(42);
    EXPECT_FALSE(c.IsOpen(b));
    EXPECT_EQ(log, QStringList{"free " + b});
    EXPECT_FALSE(wb->fSysCallback);
    // Disconnect: only an open file; a busy window stays until it returns.
    EXPECT_FALSE(c.Disconnect(b));
    EXPECT_EQ(p.notices.last(),
              "Unlink Database: Error unlinking Database: The selected Database Status is "
              "missing...");
    windows[0]->busy = true;
    EXPECT_TRUE(c.Disconnect(z + " | t"));
    EXPECT_TRUE(c.IsOpen(z));
    windows[0]->busy = false;
    windows[0]->SysCallback(kWsClosed); // the operation returned and the window closed
    EXPECT_FALSE(c.IsOpen(z));
    // Close all: last first; the pop-outs freed after them.
    ASSERT_TRUE(c.OpenEntry(z));
    c.SetShowTooltips(false);
    EXPECT_FALSE(windows.back()->tips);
    log.clear();
    c.CloseAll();
    EXPECT_EQ(log, (QStringList{"close " + z, "close " + a}));
    EXPECT_TRUE(c.Workspaces().isEmpty());
    EXPECT_EQ(view.log.last(), "pop-outs freed");
}

TEST_F(OverviewTest, SettingsAreReadAndStoredAsTheWindowShowsThem) {
    // A first start: every default.
    const OverviewSettings first = c.LoadSettings();
    EXPECT_EQ(first.queryLimit, "1000");
    EXPECT_EQ(first.editLimit, "200");
    EXPECT_EQ(first.nullText, "NULL");
    EXPECT_EQ(first.maxHistory, 300);
    EXPECT_EQ(first.maxExportValues, 64);
    EXPECT_TRUE(first.showTooltips);
    EXPECT_FALSE(first.lastDbAtTop);
    EXPECT_EQ(first.searchFolder, QDir::homePath());
    EXPECT_EQ(first.searchText, "*.*db");
    EXPECT_EQ(first.logKind, 2);
    EXPECT_FALSE(first.expandedPane);

    // What the window holds when it closes comes back after the settings file is read again.
    OverviewSettings s = first;
    s.queryLimit = "2500";
    s.editLimit = "75";
    s.showTooltips = false;
    s.lastDbAtTop = true;
    s.searchFolder = data.path();
    s.searchText = "*.sqlite";
    s.tableSearch = "cust";
    s.fieldSearch = "name";
    s.logKind = 0;
    s.expandedPane = true;
    s.fileListWidth = 640;
    c.SaveSettings(s);
    ASSERT_TRUE(CfgFlush());
    CfgLoad();
    const OverviewSettings back = c.LoadSettings();
    EXPECT_EQ(back.queryLimit, "2500");
    EXPECT_EQ(back.editLimit, "75");
    EXPECT_FALSE(back.showTooltips);
    EXPECT_TRUE(back.lastDbAtTop);
    EXPECT_EQ(back.searchFolder, data.path());
    EXPECT_EQ(back.searchText, "*.sqlite");
    EXPECT_EQ(back.tableSearch, "cust");
    EXPECT_EQ(back.fieldSearch, "name");
    EXPECT_EQ(back.logKind, 0);
    EXPECT_TRUE(back.expandedPane);
    EXPECT_EQ(c.FileListWidth(1000), 640);
    EXPECT_EQ(c.FileListWidth(500), 400); // at most 80 % of the window
    // The page's own fields are stored when they are left, not when the window closes.
    EXPECT_EQ(back.nullText, "NULL");

    // The limit fields: stored as typed when the window closes, read back in range.
    const struct {
        const char* typed;
        const char* read;
    } limits[] = {{"5", "10"}, {"abc", "10"}, {"2.9e3", "2900"}, {"999999", "100000"}};
    for (const auto& e : limits) {
        s.queryLimit = QLatin1String(e.typed);
        c.SaveSettings(s);
        EXPECT_EQ(c.LoadSettings().queryLimit, QLatin1String(e.read)) << e.typed;
    }
    // Left fields come back clamped, as the fields then show them.
    EXPECT_EQ(c.StoreQueryLimit("999999"), 100000);
    EXPECT_EQ(c.StoreEditLimit("3"), 10);
    EXPECT_EQ(c.LoadSettings().editLimit, "10");
    c.StoreNullText("(null)");
    EXPECT_EQ(NullDisplayText(), "(null)");
    c.StoreMaxHistory(50);
    c.StoreMaxExportValues(0);
    const OverviewSettings left = c.LoadSettings();
    EXPECT_EQ(left.nullText, "(null)");
    EXPECT_EQ(left.maxHistory, 50);
    EXPECT_EQ(left.maxExportValues, 0);
    c.StoreNullText("NULL");

    // A theme is stored only when it differs from the active one.
    EXPECT_FALSE(c.ChooseTheme("Cyan Dusk", "Cyan Dusk"));
    EXPECT_EQ(CfgGet("DXStyle", QString()), QString());
    EXPECT_TRUE(c.ChooseTheme("Midnight Blue", "Cyan Dusk"));
    EXPECT_EQ(CfgGet("DXStyle", QString()), "Midnight Blue");
}

// With no stored folder a first file search lists the home folder, where
// the user's databases are (a database in a sub-folder of it is found);
// a stored folder is kept.
TEST_F(OverviewTest, FirstFileSearchLooksInTheHomeFolder) {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    ASSERT_TRUE(QDir(home.path()).mkpath("work/data"));
    const QString db = home.filePath("work/data/shop.sqlitedb");
    {
        TSQLite3Database d;
        ASSERT_TRUE(d.Open(db));
        ASSERT_TRUE(d.ExecuteList("CREATE TABLE t(a);"));
    }
    const OverviewSettings first = c.LoadSettings();
    qputenv("HOME", oldHome);
    EXPECT_EQ(QDir(first.searchFolder).canonicalPath(), QDir(home.path()).canonicalPath());
    QStringList messages;
    const QStringList found = FindDatabaseFiles(
        {first.searchFolder}, FileSearchPattern(first.searchText), true, messages);
    EXPECT_TRUE(found.contains(db)) << found.join(", ").toStdString();

    OverviewSettings s = first;
    s.searchFolder = data.path();
    c.SaveSettings(s);
    EXPECT_EQ(c.LoadSettings().searchFolder, data.path());
}

TEST_F(OverviewTest, StartWithAnEmptyListSearches) {
    QStringList drained;
    GetLogLines(drained, true);
    c.Start({}, data.path());
    EXPECT_TRUE(c.Files().isEmpty());
    EXPECT_TRUE(windows.empty());
    ASSERT_EQ(view.log.size(), 7) << view.log.join(", ").toStdString();
    EXPECT_EQ(view.log.mid(0, 4),
              (QStringList{"projects", "settings", "tips on", "version SQLite Info: "}));
    EXPECT_TRUE(view.log[4].startsWith("caption Skylark v"));
    EXPECT_EQ(view.log.mid(5), (QStringList{"search", "files"}));
    EXPECT_EQ(view.shown.searchText, "*.*db");
    EXPECT_TRUE(c.VersionInfo().startsWith("SQLite Info: \r  Release: "));
    QStringList lines;
    GetLogLines(lines, true);
    EXPECT_TRUE(lines.join('\n').contains("Skylark Started"));
}

TEST_F(OverviewTest, StartListsTheCommandLinesFilesAndOpensTheFirst) {
    const QString a = Db("a.db"), b = Db("b.db"), listed = Db("listed.db");
    c.SetFiles({listed});
    c.SaveProjectLists();
    CfgPutBool("LastDBatTop", true);
    CfgPut("ResNULLs", "<null>");
    // A relative name, an absolute one, a missing file and one listed already.
    c.Start({"a.db", b, data.filePath("missing.db"), listed}, data.path());
    // The opened file moves to the top: "Keep last opened DB at top" was stored on.
    EXPECT_EQ(c.Files(), (QStringList{a, listed, b}));
    QStringList stored;
    ListLoad(stored, QStringLiteral("DBRecent"));
    EXPECT_EQ(stored, c.Files());
    ASSERT_EQ(windows.size(), 1u); // only the first parameter is opened
    EXPECT_EQ(windows[0]->file, a);
    EXPECT_EQ(c.StatusOf(b), 0); // the status check ran
    EXPECT_FALSE(view.log.contains("search"));
    EXPECT_TRUE(c.keepLastAtTop);
    EXPECT_EQ(NullDisplayText(), "<null>");
    SetNullDisplayText("NULL");
}

} // namespace
} // namespace sky
