// The data editor page on the workspace: offering tables, the table button
// and its caption, the reload question, the WHERE history, the row buttons,
// the copies and the commit with its notice, on a real file.
#include "common/FakeDesktop.h"
#include "common/ScriptedPrompter.h"
#include "common/SilentView.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "support/Folders.h"
#include "support/Prompter.h"
#include "workspace/WorkspaceController.h"

namespace sky {
namespace {

using Reply = test::ScriptedPrompter::Reply;

class EditView : public test::SilentView {
public:
    int page = kPageResults;
    int editRenders = 0;
    void ShowPage(int tag) override { page = tag; }
    int CurrentPage() const override { return page; }
    void EditDataChanged() override { ++editRenders; }
};

using test::FakeClipboard;

class WorkspaceDataEditorTest : public test::TempDbTest {
protected:
    void SetUp() override {
        test::TempDbTest::SetUp();
        test::UseTempConfig(config);
        Run("CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT CHECK (qty < "
            "100));"
            "INSERT INTO items VALUES (1, 'one', 1), (2, 'two', 2), (3, 'three', 3);"
            "CREATE TABLE other(code TEXT PRIMARY KEY, v REAL);"
            "INSERT INTO other VALUES ('a', 1.5);"
            "CREATE TABLE empty(x TEXT);"
            "CREATE VIEW v_items AS SELECT name FROM items;");
        db.Close();
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    QTemporaryDir config;
    test::ScriptedPrompter answers;
    EditView view;
    FakeClipboard clipboard;
};

TEST_F(WorkspaceDataEditorTest, TheFirstTableOfferedIsLoadedAtOnce) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    const DataEditorState& e = c.edit;
    EXPECT_TRUE(e.headerShown);
    EXPECT_TRUE(e.editorShown);
    EXPECT_FALSE(e.invalidShown);
    EXPECT_EQ(e.tableButton, " Refresh:  items");
    EXPECT_EQ(e.tableLabel, "items");
    EXPECT_EQ(e.where, "1 LIMIT 200");
    EXPECT_EQ(e.whereHistory, QStringList{"1 LIMIT 200"});
    EXPECT_EQ(KVGet(c.cfg, "dbt_items_EditHist", QString()), "1 LIMIT 200");
    EXPECT_EQ(e.model.RowCount(), 3);
    EXPECT_EQ(c.status, kEditorLoaded);
    EXPECT_TRUE(e.buttons.add);
    EXPECT_FALSE(e.buttons.remove);
    EXPECT_FALSE(e.model.CanCommit());

    // Another table is offered: the button says so, the editor stays.
    c.SelectTable("other", "");
    EXPECT_EQ(e.tableButton, " Change to:  other");
    EXPECT_EQ(e.model.track.cur.Table, "items");
    // A view hides the header.
    c.SelectTable("v_items", "");
    EXPECT_FALSE(e.headerShown);
    c.SelectTable("other", "");
    c.EditorSelectTable();
    EXPECT_EQ(e.model.track.cur.Table, "other");
    EXPECT_EQ(e.tableButton, " Refresh:  other");
    EXPECT_EQ(e.model.CellText(0, 1), "1.5");
    // An empty table without a key cannot be edited.
    c.SelectTable("empty", "");
    c.EditorSelectTable();
    EXPECT_FALSE(e.editorShown);
    EXPECT_TRUE(e.invalidShown);
    EXPECT_EQ(c.status, kEditorNoSchema);
}

TEST_F(WorkspaceDataEditorTest, ChangesAreDiscardedOnlyAfterAsking) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.ChooseEditorCell(0, 1);
    c.EditorSetCell(0, 1, "uno");
    EXPECT_TRUE(c.edit.buttons.reset);
    ASSERT_TRUE(c.edit.model.CanCommit());
    // No: the editor keeps its table, rows and script.
    c.SelectTable("other", "");
    answers.replies = {Reply::No};
    c.EditorSelectTable();
    EXPECT_EQ(answers.questions,
              QStringList{"Refreshing Editor values: There uncommitted changes to table "
                          "\"items\".\rDiscard it and continue loading new values for \"other\" "
                          "now?"});
    EXPECT_EQ(c.edit.model.track.cur.Table, "items");
    EXPECT_EQ(c.edit.model.CellText(0, 1), "uno");
    EXPECT_FALSE(c.edit.model.Script().isEmpty());
    // Refreshing asks too; a new WHERE text goes to the top of the history.
    c.edit.where = "id > 1";
    answers.replies = {Reply::Yes};
    c.RefreshEditor();
    EXPECT_EQ(answers.questions.size(), 2);
    EXPECT_EQ(c.edit.model.RowCount(), 2);
    EXPECT_TRUE(c.edit.model.Script().isEmpty());
    EXPECT_EQ(c.edit.whereHistory, (QStringList{"id > 1", "1 LIMIT 200"}));
    // Nothing to discard: no question.
    c.RefreshEditor();
    EXPECT_EQ(answers.questions.size(), 2);
    // The history of a table comes back with it; loading with the limit
    // moves that text to the top.
    c.EditorSelectTable();
    c.SelectTable("items", "");
    c.EditorSelectTable();
    EXPECT_EQ(c.edit.model.track.cur.Table, "items");
    EXPECT_EQ(c.edit.where, "1 LIMIT 200");
    EXPECT_EQ(c.edit.whereHistory, (QStringList{"1 LIMIT 200", "id > 1"}));
}

TEST_F(WorkspaceDataEditorTest, RowButtonsAndCopies) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.EditorAddRecord();
    EXPECT_EQ(c.edit.row, 3);
    EXPECT_TRUE(c.edit.buttons.reset);
    EXPECT_EQ(c.edit.model.RowLabel(3), kEditorNewRow);
    c.ChooseEditorCell(1, 1);
    c.EditorDeleteLine();
    EXPECT_EQ(c.edit.model.RowLabel(1), kEditorDeletedRow);
    c.EditorCopyGrid(clipboard);
    EXPECT_EQ(clipboard.text, "Row\tid\tname\tqty\r\n1\t1\tone\t1\r\nDeleted\t2\ttwo\t2\r\n"
                              "3\t3\tthree\t3\r\nNew\tNULL\t\tNULL");
    const QString script = c.edit.model.Script();
    EXPECT_EQ(script, "INSERT INTO items(id,name,qty) VALUES (NULL,'',NULL); \r\n\r\n"
                      "DELETE FROM items WHERE id = 2; \r\n");
    c.EditorCopyScript(clipboard, 0, 0);
    EXPECT_EQ(clipboard.text, script);
    c.EditorCopyScript(clipboard, 12, 7);
    EXPECT_EQ(clipboard.text, "INTO ");
    c.EditorResetLine();
    EXPECT_EQ(c.edit.model.RowLabel(1), "2");
    c.ChooseEditorCell(3, 0);
    c.EditorResetLine();
    EXPECT_EQ(c.edit.model.RowCount(), 3);
    EXPECT_EQ(c.edit.row, 2);
    EXPECT_TRUE(c.edit.model.Script().isEmpty());
    // The user's own text is kept until the next change.
    c.EditorScriptTyped("DELETE FROM items WHERE id = 3;");
    EXPECT_TRUE(c.edit.model.CanCommit());
    c.ChooseEditorCell(-1, -1);
    EXPECT_FALSE(c.edit.buttons.remove);
    EXPECT_FALSE(c.edit.buttons.copyGrid);
}

TEST_F(WorkspaceDataEditorTest, CommitReloadsAndReportsFailures) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.EditorSetCell(0, 1, "uno");
    c.EditorSetCell(1, 2, "500"); // breaks the CHECK
    c.EditorCommit();
    EXPECT_EQ(c.status,
              "Error: One update failed and one update succeeded - all changes rolled back.");
    ASSERT_EQ(answers.notices.size(), 1);
    EXPECT_TRUE(answers.notices[0].startsWith(
        "Error updating Table: There was an Error during the previous updates.\r\r"));
    EXPECT_TRUE(c.edit.model.Script().contains("  -- Item failed: "));
    EXPECT_TRUE(c.edit.editorShown);
    EXPECT_EQ(c.edit.model.CellText(0, 1), "one"); // reloaded: nothing changed
    // The returned script, corrected, commits.
    c.EditorScriptTyped(QString(c.edit.model.Script()).replace("500", "50"));
    c.EditorCommit();
    EXPECT_EQ(c.status, "Success - 2 updates succeeded");
    EXPECT_TRUE(c.edit.model.Script().isEmpty());
    EXPECT_EQ(c.edit.model.CellText(0, 1), "uno");
    EXPECT_EQ(c.edit.model.CellText(1, 2), "50");
    EXPECT_EQ(answers.notices.size(), 1);
    c.EditorCommit();
    EXPECT_EQ(c.status, kEditorNoItems);
}

TEST_F(WorkspaceDataEditorTest, EditTableDataAndThePageBecomingActive) {
    WorkspaceController c(view, answers);
    c.Init(path, "v_items");
    EXPECT_FALSE(c.edit.editorShown); // a view is never offered
    c.SelectTable("other", "");
    EXPECT_EQ(c.edit.model.track.cur.Table, "other"); // no table yet: taken at once
    c.SelectTable("items", "");
    c.EditTableData();
    EXPECT_EQ(c.edit.model.track.cur.Table, "items");
    EXPECT_EQ(view.page, kPageEdit);
    // A failed load leaves the editor hidden: the page offers the table again.
    c.edit.where = "no_such_column = 1";
    c.RefreshEditor();
    EXPECT_FALSE(c.edit.editorShown);
    c.edit.where.clear();
    c.EditPageShown();
    EXPECT_FALSE(c.edit.editorShown); // the same table: the button does nothing
    c.RefreshEditor();
    EXPECT_TRUE(c.edit.editorShown);
    EXPECT_EQ(c.edit.where, "1 LIMIT 200");
}

} // namespace
} // namespace sky
