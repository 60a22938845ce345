// The script window's controller without widgets, on real files: loading
// and the cache across controllers, the editor's pending edit stored by
// every command that refreshes (Save, Select, Move), the split and the move
// of a split item, delete/undelete, Save bytes, settings, the New question
// for the automatic script, and the run commands: Step to the end-mode
// question, Run to stopping before the selected item, Stop, a failed start
// leaving the old output alone, refusals while running and Close asking.
#include "script/ScriptEditorController.h"

#include "common/FakeChooser.h"
#include "common/FakeDesktop.h"
#include "common/ScriptedPrompter.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "engine/SystemLog.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sky::test {
namespace {

class FakeView : public ScriptView {
public:
    void SetStatus(const QString& text, int kind) override {
        status = text;
        statusKind = kind;
        statuses << text;
    }
    void GridChanged() override { ++grids; }
    void ShowEditorText(const QString& text) override {
        editor = text;
        modified = false;
    }
    QString EditorText() const override { return editor; }
    bool EditorModified() const override { return modified; }
    void ClearEditorModified() override { modified = false; }
    void LabelsChanged() override {}
    void OutputChanged(const QString& text) override { output = text; }
    void ShowPage(int p) override { page = p; }
    void RunChanged() override {}
    ProgressSink* StartProgress(const QString&, bool) override { return nullptr; }
    void EndProgress(ProgressSink*) override {}
    void CloseWhenIdle() override { closed = true; }
    // The user types into the editor.
    void Type(const QString& text) {
        editor = text;
        modified = true;
    }
    QString status, editor, output;
    QStringList statuses;
    int statusKind = 0, grids = 0, page = -1;
    bool modified = false, closed = false;
};

using test::FakeClipboard;
using test::FakeOpener;

class ScriptEditorControllerTest : public TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        UseTempConfig(config);
        // The documents folder (the automatic script's) inside the test's folder.
        QDir().mkpath(dir.filePath("docs"));
        QFile dirs(config.path() + "/user-dirs.dirs");
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DOCUMENTS_DIR=\"" + dir.filePath("docs").toUtf8() + "\"\n");
        dirs.close();
        Run("CREATE TABLE t(a UNIQUE);");
        db.Close();
        Make();
    }
    void Make() {
        ctl = std::make_unique<ScriptEditorController>(view, prompts, files, clipboard, opener,
                                                       dir.filePath("cache.sqlitedb"));
        ASSERT_TRUE(ctl->Init(path)) << ctl->LastError().toStdString();
    }
    QString Script(const QByteArray& text, const QString& name = "s.sql") {
        const QString f = dir.filePath(name);
        QFile out(f);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        return f;
    }
    QByteArray Bytes(const QString& f) {
        QFile in(f);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        return in.readAll();
    }
    QString Rows() { // the grid as "status/logMode:text" per row
        QStringList l;
        for (int r = 0; r < ctl->Rows().size(); ++r)
            l << QStringLiteral("%1/%2:%3")
                     .arg(ctl->Rows()[r].status)
                     .arg(ctl->Rows()[r].logMode)
                     .arg(ctl->RowText(r));
        return l.join(" | ");
    }
    QString Column() {
        TSQLite3Database check;
        EXPECT_TRUE(check.Open(path));
        QString v;
        check.QuerySingleValue(v, "SELECT ifnull(group_concat(a), '') FROM t");
        return v;
    }

    QTemporaryDir config;
    FakeView view;
    ScriptedPrompter prompts;
    Chooser files;
    FakeClipboard clipboard;
    FakeOpener opener;
    std::unique_ptr<ScriptEditorController> ctl;
};

TEST_F(ScriptEditorControllerTest, LoadEditSaveAndTheCacheAcrossWindows) {
    const QString s = Script("INSERT INTO t VALUES (1);\r\n-- only a note;\r\nINSERT INTO t "
                             "VALUES (2);\nSELECT * FROM t");
    ASSERT_TRUE(ctl->Load(s));
    EXPECT_EQ(view.statuses.filter("Loaded").value(0), "Loaded 3 Script items.");
    EXPECT_EQ(Rows(), "1/1:INSERT INTO t VALUES (1); | 1/1:-- only a note; INSERT INTO t VALUES "
                      "(2); | 1/1:SELECT * FROM t");
    EXPECT_EQ(view.editor, "INSERT INTO t VALUES (1);");
    // A typed edit is stored when another row is selected.
    view.Type("INSERT INTO t VALUES (10);");
    ctl->SelectRow(2);
    EXPECT_TRUE(ctl->Modified());
    EXPECT_EQ(Rows().left(29), "2/1:INSERT INTO t VALUES (10)");
    // A pending edit is stored by Save itself: the file holds both edits.
    view.Type("SELECT a FROM t;");
    ctl->Save();
    EXPECT_EQ(view.status, "Success saving Script File.");
    EXPECT_EQ(Bytes(s), "INSERT INTO t VALUES (10);\r\n\r\n-- only a note;\r\nINSERT INTO t VALUES "
                        "(2);\r\n\r\nSELECT a FROM t;\r\n\r\n");
    EXPECT_FALSE(ctl->Modified());
    // An unsaved edit survives the window: a new controller shows it.
    ctl->SelectRow(0);
    view.Type("INSERT INTO t VALUES (11);");
    ctl->SelectRow(1);
    ctl.reset();
    Make();
    ASSERT_TRUE(ctl->Load(s));
    EXPECT_EQ(Rows().left(29), "2/1:INSERT INTO t VALUES (11)");
    // A file changed by another program is parsed anew.
    Script("SELECT 1;", "s.sql");
    {
        QFile f(s);
        ASSERT_TRUE(f.open(QIODevice::Append));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                  QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(ctl->Load(s));
    EXPECT_EQ(Rows(), "1/1:SELECT 1;");
}

TEST_F(ScriptEditorControllerTest, SplitMoveDeleteAndReset) {
    const QString s = Script("SELECT 1;\r\nSELECT 2;\r\nSELECT 3;\r\n");
    ASSERT_TRUE(ctl->Load(s));
    // Item 3 edited into two statements and moved up at once: the item
    // moves first, the split-off statement follows it.
    ctl->SelectRow(2);
    view.Type("SELECT 30;\nSELECT 31;");
    ctl->MoveItem(-1);
    EXPECT_EQ(Rows(), "1/1:SELECT 1; | 2/1:SELECT 30; | 2/1:SELECT 31; | 1/1:SELECT 2;");
    EXPECT_EQ(ctl->SelectedRow(), 1);
    // Delete: 2 -> -1 -> 2; 1 -> 0 -> 1.
    ctl->DeleteItem();
    EXPECT_EQ(ctl->Rows()[1].status, -1);
    ctl->DeleteItem();
    EXPECT_EQ(ctl->Rows()[1].status, 2);
    ctl->SelectRow(0);
    ctl->DeleteItem();
    EXPECT_EQ(ctl->Rows()[0].status, 0);
    EXPECT_EQ(ctl->RunPopup().discardCaption, "Reinstate this Item  ( Un-delete )");
    // Move down, log modes, the popup's captions.
    ctl->DeleteItem();
    ctl->MoveItem(1);
    EXPECT_EQ(Rows(), "2/1:SELECT 30; | 1/1:SELECT 1; | 2/1:SELECT 31; | 1/1:SELECT 2;");
    ctl->SetLogMode(-1);
    EXPECT_EQ(ctl->RunPopup().executeCaption, "Include this Item");
    ctl->SetLogMode(12);
    EXPECT_EQ(Rows(), "2/2:SELECT 30; | 1/2:SELECT 1; | 2/2:SELECT 31; | 1/2:SELECT 2;");
    // Reset all: the texts as loaded, the split-off item stays (it has no
    // committed text to return to) until a commit.
    view.Type("SELECT 99;");
    ctl->ResetItem(true);
    EXPECT_FALSE(view.modified);
    EXPECT_EQ(Rows().count("1/2:"), 4);
}

TEST_F(ScriptEditorControllerTest, SettingsTextsAndShortening) {
    for (const QString& t : {QStringLiteral("  "), QStringLiteral(" | "), QStringLiteral("a,\"b"),
                             QStringLiteral("TAB")})
        EXPECT_EQ(DecodeScriptCfgText(EncodeScriptCfgText(t)), t);
    SettingList l;
    ScriptSettings s;
    s.separator = "   |   ";
    s.endMode = 0;
    s.bufferLines = 16;
    s.Write(l);
    const ScriptSettings r = ScriptSettings::Read(l);
    EXPECT_EQ(r.separator, "   |   ");
    EXPECT_EQ(r.endMode, 0);
    EXPECT_EQ(r.bufferLines, 16);
    EXPECT_EQ(r.divider, "---");
    const struct {
        const char *in, *out;
    } cases[] = {{"short", "short"},
                 {"abcdefghij klmnopqrstuvwxyz", "abcdefghij ..."},
                 {"abcdefghijklmnopqrstuvwxyz0123", "abcdefghijklmnopq..."}};
    for (const auto& c : cases)
        EXPECT_EQ(ShortenAtWord(c.in, 20), c.out) << c.in;
}

TEST_F(ScriptEditorControllerTest, NewAsksBeforeReplacingTheChangedAutomaticScript) {
    ASSERT_TRUE(ctl->Load(Script("SELECT 1;")));
    ctl->NewScript(false);
    const QString autoScript =
        QFileInfo(dir.filePath("docs/SQLiteAutoScript.sql")).absoluteFilePath();
    ASSERT_EQ(ctl->ScriptFile(), autoScript);
    EXPECT_TRUE(Rows().contains("SELECT * FROM sqlite_master;"));
    view.Type("SELECT 'keep me';");
    prompts.replies = {ScriptedPrompter::Reply::No};
    clipboard.text = "SELECT 'from the clipboard';";
    ctl->NewScript(true);
    EXPECT_EQ(prompts.questions.last(),
              "Replace Script...: Replace the current, changed script?\r" + autoScript);
    EXPECT_EQ(view.editor, "SELECT 'keep me';");
    prompts.replies = {ScriptedPrompter::Reply::Yes};
    ctl->NewScript(true);
    EXPECT_EQ(Rows(), "1/1:SELECT 'from the clipboard';");
}

TEST_F(ScriptEditorControllerTest, StepToTheEndQuestionAndRunToTheBreakPoint) {
    const QString s = Script("INSERT INTO t VALUES (1);\r\nINSERT INTO t VALUES (2);\r\nINSERT "
                             "INTO t VALUES (3);\r\n");
    ASSERT_TRUE(ctl->Load(s));
    const int level = LogLevel();
    ctl->Settings().runMode = 1;
    ctl->Settings().endMode = 2;
    for (int k = 0; k < 3; ++k) {
        ctl->Run();
        EXPECT_TRUE(ctl->Running()) << k;
        EXPECT_EQ(ctl->SelectedRow(), k);
    }
    EXPECT_EQ(Column(), "") << "nothing committed between steps";
    // Open and Reload are refused while the run is open.
    ctl->OpenFile(s);
    EXPECT_EQ(view.status, "A Script is already running");
    // One more click ends the run: the question, answered yes, commits.
    prompts.replies = {ScriptedPrompter::Reply::Yes};
    ctl->Run();
    EXPECT_FALSE(ctl->Running());
    EXPECT_EQ(prompts.questions.last(), "Script Success: The Script completed successfully. Would "
                                        "you like to commit the changes?");
    EXPECT_EQ(Column(), "1,2,3");
    EXPECT_EQ(LogLevel(), level);
    EXPECT_TRUE(Bytes(ctl->OutFile()).contains("Transaction Committed."));
    EXPECT_FALSE(QFileInfo::exists(ctl->OutFile() + ".part"));
    // Run to: the break point is the selected item's place in the run list;
    // the run stops before it, then steps, then Stop rolls back.
    {
        TSQLite3Database w;
        ASSERT_TRUE(w.Open(path));
        ASSERT_TRUE(w.ExecuteList("DELETE FROM t;"));
    }
    ctl->SelectRow(1);
    ctl->SetLogMode(-1); // excluded: not in the run list
    ctl->SelectRow(2);
    ctl->Settings().runMode = 2;
    ctl->Run();
    EXPECT_TRUE(ctl->Running());
    EXPECT_EQ(ctl->SelectedRow(), 0) << "stopped before the break point";
    ctl->Stop();
    EXPECT_FALSE(ctl->Running());
    EXPECT_EQ(Column(), "");
    EXPECT_TRUE(Bytes(ctl->OutFile()).contains("Failed to complete: Execution stopped by User"));
}

TEST_F(ScriptEditorControllerTest, AFailedStartKeepsTheOldOutputAndCloseAsksDuringARun) {
    const QString s = Script("INSERT INTO t VALUES (1);\r\nINSERT INTO t VALUES (1);\r\n");
    ASSERT_TRUE(ctl->Load(s));
    ctl->Settings().runMode = 0;
    ctl->Settings().endMode = 0;
    ctl->Run();
    const QByteArray out = Bytes(ctl->OutFile());
    EXPECT_TRUE(out.contains("Failed to complete: Script Failed in Item 1: UNIQUE constraint "
                             "failed: t.a"));
    EXPECT_EQ(Column(), "");
    // Every item excluded: the run does not start and the output stays.
    ctl->SetLogMode(10);
    ctl->SelectRow(0);
    ctl->SetLogMode(-1);
    ctl->SelectRow(1);
    ctl->SetLogMode(-1);
    ctl->Run();
    EXPECT_EQ(view.status, "Script not Started: No Script items to Execute...");
    EXPECT_EQ(Bytes(ctl->OutFile()), out);
    // Close during a step run asks; yes stops (rolling back) and closes.
    ctl->ResetItem(true);
    ctl->SetLogMode(11);
    ctl->SelectRow(0);
    ctl->Settings().runMode = 1;
    ctl->Run();
    ASSERT_TRUE(ctl->Running());
    prompts.replies = {ScriptedPrompter::Reply::No};
    EXPECT_FALSE(ctl->Close());
    EXPECT_TRUE(ctl->Running());
    prompts.replies = {ScriptedPrompter::Reply::Yes};
    EXPECT_TRUE(ctl->Close());
    EXPECT_FALSE(ctl->Running());
    EXPECT_EQ(Column(), "");
}

TEST_F(ScriptEditorControllerTest, AnOutputThatCannotBeMadeAndAnUnusableCache) {
    const QString s = Script("INSERT INTO t VALUES (1);\r\n");
    // The per-script settings name an output file in a missing folder.
    SettingList cfg;
    KVPut(cfg, "OutFile", dir.filePath("missing/out.txt"));
    ASSERT_TRUE(ListSave(cfg, "ScriptCfg" + ScriptCache::TableName(s)));
    ASSERT_TRUE(ctl->Load(s));
    EXPECT_EQ(ctl->OutFile(), dir.filePath("missing/out.txt"));
    const int level = LogLevel();
    ctl->Settings().endMode = 0;
    ctl->Run();
    EXPECT_FALSE(ctl->Running());
    EXPECT_TRUE(view.status.startsWith("Script not Started: Could not Create Output File: "))
        << view.status.toStdString();
    EXPECT_EQ(LogLevel(), level);
    EXPECT_EQ(Column(), "");
    // A cache that cannot be opened: loading says so, nothing is run.
    ScriptEditorController broken(view, prompts, files, clipboard, opener,
                                  dir.filePath("no/such/folder/cache.sqlitedb"));
    EXPECT_FALSE(broken.CacheReady());
    EXPECT_FALSE(broken.Load(s));
    EXPECT_EQ(view.status, "Script Cache not Ready");
}

} // namespace
} // namespace sky::test
