// The workspace without its window: opening, per-database settings and
// history, table selection with its automatic query and row count, tree
// focus by schema and name, the menu commands and busy-safe closing.
#include "workspace/WorkspaceController.h"
#include "common/ScriptedPrompter.h"
#include "common/SilentView.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "design/Views.h"
#include "shell/Workspace.h"
#include "support/Folders.h"
#include "support/Prompter.h"
#include "transfer/CsvImportController.h"
#include "workspace/WorkspaceView.h"

#include <QFileInfo>
#include <functional>
#include <optional>
#include <sqlite3.h>

namespace sky {
namespace {

using Reply = test::ScriptedPrompter::Reply;

// The window of a controller without a display: records the events raised
// to the overview and which parts were to be drawn again; the page shown is
// the one the controller chose last.
class RecordingView : public test::SilentView {
public:
    QStringList events;
    QStringList changed;
    int page = kPageResults;
    QStringList historyText; // what the history page holds, read by ReadWindow
    bool holdsHistory = false;
    WorkspaceController* controller = nullptr;

    int RaiseEvent(int kind, const QString& s) override {
        events << QString::number(kind) + ":" + s;
        return 0;
    }
    void ShowDocumentation(const QString& file, bool check) override {
        events << QStringLiteral("doc%1:").arg(check) + file;
    }
    void ShowPage(int tag) override { page = tag; }
    int CurrentPage() const override { return page; }
    void ReadWindow() override {
        if (holdsHistory && controller) controller->history.lines = historyText;
    }
    QString ClipboardText() const override { return clipboard; }
    void TreeChanged() override { changed << "tree"; }
    void TableChanged() override { changed << "table"; }
    void ResultsChanged() override { changed << "results"; }
    void EditorChanged() override { changed << "editor"; }
    void StatusChanged() override { changed << "status"; }
    void HistoryChanged() override { changed << "history"; }
    void StatsChanged() override { changed << "stats"; }
    void StackChanged() override { changed << "stack"; }
    bool EditView(TViewLayout& v) override {
        viewsEdited << v.vName;
        return editView ? editView(v) : false;
    }
    // The CSV import window: accepts the sheet as proposed, or is closed.
    bool ImportCsv(TSQLite3Database& db, const QString& csv, QString& name, QString& why,
                   const QString& replace) override {
        replaced << replace;
        if (!acceptImport) {
            why = kUserAborted;
            return false;
        }
        struct Accepting : CsvImportView {
            bool RunImportWindow(CsvImportController& ctl) override {
                ctl.FillSheet();
                return ctl.Accept();
            }
            ProgressSink* StartProgress(const QString&, bool) override { return nullptr; }
            void EndProgress(ProgressSink*) override {}
        } window;
        test::ScriptedPrompter p;
        return EditCSVList(&db, csv, why, name, window, p, nullptr, replace);
    }
    bool acceptImport = true;
    QStringList replaced;
    QString clipboard;
    // The view dialog's part: what the user does with the view; none: cancels.
    std::function<bool(TViewLayout&)> editView;
    QStringList viewsEdited;
};

class WorkspaceControllerTest : public test::TempDbTest {
protected:
    void SetUp() override {
        test::TempDbTest::SetUp();
        test::UseTempConfig(config);
        Run("CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT DEFAULT 0);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<7) "
            "INSERT INTO items(name) SELECT 'item' || i FROM n;"
            "CREATE TABLE empty(x);"
            "CREATE VIEW big_items AS SELECT * FROM items WHERE qty > 1;");
        db.Close();
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    QTemporaryDir config;
    test::ScriptedPrompter answers;
    RecordingView view;
};

TEST_F(WorkspaceControllerTest, OpenSelectTableAndRowCounts) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    EXPECT_EQ(c.fFileID, "test");
    // The data editor, without a table yet, took the selected one at once.
    EXPECT_EQ(c.status, kEditorLoaded);
    EXPECT_EQ(c.table.name, "items");
    EXPECT_EQ(c.table.type, 0);
    EXPECT_EQ(c.table.caption, "Table Structure");
    EXPECT_EQ(c.table.keyLabel, "id");
    EXPECT_EQ(c.table.columnCount, "3");
    EXPECT_EQ(c.table.fields.size(), 3);
    EXPECT_EQ(c.table.fields[1].cells[1], "name; TEXT; ");
    EXPECT_TRUE(c.table.fields[0].cells[2].contains("P "));
    EXPECT_TRUE(c.table.fields[1].cells[2].contains("N "));
    // The automatic query, with the "1" after WHERE selected.
    EXPECT_EQ(c.editor.text, "SELECT * FROM items WHERE 1 LIMIT 1000;");
    EXPECT_EQ(c.editor.text.mid(c.editor.selStart, c.editor.selEnd - c.editor.selStart), "1");
    ASSERT_EQ(c.results.rows.RowCount(), 7);
    EXPECT_EQ(c.ResultRow(-1), (QStringList{"id", "name", "qty"}));
    EXPECT_EQ(KVGet(c.cfg, "TitemsRowCount", "---"), "7");
    EXPECT_FALSE(c.results.enumerationLost);
    EXPECT_TRUE(c.table.tableButtons);
    c.SelectTable("empty", "main");
    EXPECT_EQ(KVGet(c.cfg, "TemptyRowCount", "---"), "Empty");
    EXPECT_EQ(c.editor.text, "SELECT * FROM empty WHERE 1 LIMIT 1000;"); // automatic: replaced
    // A view: its columns, no key, and the table buttons off.
    c.SelectTable("big_items", "");
    EXPECT_EQ(c.table.type, 1);
    EXPECT_EQ(c.table.caption, "View Layout");
    EXPECT_EQ(c.table.columns, (QStringList{"id", "name", "qty"}));
    EXPECT_FALSE(c.table.tableButtons);
    EXPECT_TRUE(c.table.objectButtons);
    // A name that is neither leaves the current table and turns the buttons off.
    c.SelectTable("nothing", "");
    EXPECT_EQ(c.table.name, "big_items");
    EXPECT_EQ(c.table.type, 4);
    EXPECT_FALSE(c.table.objectButtons);
    // A hand-written query is not replaced by the next automatic one.
    c.editor.text = "SELECT 42;";
    c.SelectTable("items", "");
    EXPECT_EQ(c.editor.text, "SELECT 42;");
    EXPECT_EQ(RowCountText(1234567), "1 234 567");
    EXPECT_EQ(RowCountText(1), "One");
}

TEST_F(WorkspaceControllerTest, SettingsAndHistoryBelongToTheOpenedFile) {
    {
        WorkspaceController c(view, answers);
        c.Init(path, "");
        EXPECT_EQ(c.table.name, "");
        c.opts.tableDesignSorted = 1;
        c.opts.showLineNos = true;
        c.opts.headerHeight = 333;
        c.SelectTable("items", "");
        c.history.lines = QStringList{"SELECT 1;", "SELECT 2;"};
        // Re-opening another (missing) file saves this file's settings first
        // and writes nothing under the failed file's id.
        c.sqlFile = dir.filePath("gone/missing.db");
        EXPECT_FALSE(c.OpenDB());
        EXPECT_TRUE(c.status.startsWith("Error Opening \"missing.db\": "))
            << c.status.toStdString();
        c.Shutdown();
    }
    SettingList missing;
    EXPECT_FALSE(ListLoad(missing, "CFG_missing") && !missing.lines.isEmpty());
    WorkspaceController again(view, answers);
    again.Init(path, "");
    EXPECT_EQ(again.opts.tableDesignSorted, 1);
    EXPECT_TRUE(again.opts.showLineNos);
    EXPECT_EQ(again.opts.headerHeight, 333);
    EXPECT_EQ(again.table.name, "items"); // "dbLastTable"
    EXPECT_EQ(again.history.lines, (QStringList{"SELECT 1;", "SELECT 2;"}));
    // Line numbers are on: the first result column is "No".
    EXPECT_EQ(again.ResultRow(-1).value(0), "No");
}

TEST_F(WorkspaceControllerTest, FocusComparesSchemaAndName) {
    const QString auxFile = dir.filePath("other.db");
    {
        TSQLite3Database aux;
        ASSERT_TRUE(aux.Open(auxFile));
        ASSERT_TRUE(aux.ExecuteList("CREATE TABLE items(z);"));
    }
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    ASSERT_TRUE(c.sql.Execute("ATTACH DATABASE '" + auxFile + "' AS aux;"));
    c.RefreshSchema();
    TDBObjRec node;
    node.NodeKind = TreeNodeKind::TableOrView;
    node.sName = node.sTableName = "items";
    node.sDataBase = "aux";
    c.FocusNode(node);
    EXPECT_EQ(c.table.schema, "aux");
    EXPECT_EQ(c.table.columns, QStringList{"z"});
    EXPECT_EQ(c.editor.text, "SELECT * FROM aux.items WHERE 1 LIMIT 1000;");
    // A column node of the current table does not reload it ...
    c.results.rows.Clear();
    TDBObjRec col = node;
    col.NodeKind = TreeNodeKind::Column;
    col.sName = "z";
    c.FocusNode(col);
    EXPECT_EQ(c.results.rows.ColumnCount(), 0);
    // ... but after a query run the table node does.
    c.ShowQueryRows("SELECT 1;", false, false);
    EXPECT_TRUE(c.results.enumerationLost);
    c.FocusNode(node);
    EXPECT_EQ(c.ResultRow(-1), QStringList{"z"});
    // Double-click puts the name at the caret.
    c.editor.text = "SELECT ";
    c.editor.selStart = c.editor.selEnd = 7;
    c.DoubleClickNode(col);
    EXPECT_EQ(c.editor.text, "SELECT z");
}

TEST_F(WorkspaceControllerTest, MenuCommands) {
    const QString auxFile = dir.filePath("other.db");
    {
        TSQLite3Database aux;
        ASSERT_TRUE(aux.Open(auxFile));
    }
    WorkspaceController c(view, answers);
    const QStringList& events = view.events;
    c.Init(path, "items");
    c.RunCommand(ParseTreeCommand("QRY=SELECT 1 AS one;"));
    EXPECT_EQ(c.ResultRow(-1), QStringList{"one"});
    EXPECT_EQ(c.ResultRow(0), QStringList{"1"});
    c.RunCommand(ParseTreeCommand("SQL=SELECT * FROM |aux|.sqlite_master;"));
    EXPECT_EQ(c.editor.text, "SELECT * FROM aux.sqlite_master;");
    EXPECT_EQ(c.editor.text.mid(c.editor.selStart, c.editor.selEnd - c.editor.selStart), "aux");
    EXPECT_EQ(c.editor.stack.Entries().last(), "SELECT * FROM items WHERE 1 LIMIT 1000;");
    c.RunCommand(ParseTreeCommand("EXC=ATTACH DATABASE '" + auxFile + "' AS aux;"));
    EXPECT_EQ(c.status, "Success.");
    EXPECT_EQ(c.Tree().last().rec.sName, "aux");
    c.RunCommand(ParseTreeCommand("EXC=DETACH DATABASE nope;"));
    EXPECT_TRUE(c.status.startsWith("Failed: "));
    c.RunCommand(ParseTreeCommand("NAV=/x/y.db"));
    c.RunCommand(ParseTreeCommand("OPN=/x/z.db"));
    c.RunCommand(ParseTreeCommand("DOC=/x/d.db"));
    EXPECT_EQ(events, (QStringList{"2:/x/y.db", "1:/x/z.db", "doc0:/x/d.db"}));
    // Dropping a view asks first.
    TDBObjRec view;
    view.sName = "big_items";
    c.FocusNode(view);
    answers.otherwise = Reply::No;
    c.RunCommand(ParseTreeCommand("EXE=DROP VIEW IF EXISTS big_items;"));
    ASSERT_EQ(answers.questions.size(), 1);
    EXPECT_TRUE(c.sql.ViewExists("big_items", ""));
    answers.otherwise = Reply::Yes;
    c.RunCommand(ParseTreeCommand("EXE=DROP VIEW IF EXISTS big_items;"));
    EXPECT_EQ(c.status, "Success, Views updated.");
    EXPECT_FALSE(c.sql.ViewExists("big_items", ""));
    // SHW: a line break for every double space outside literals, then the template.
    c.RunCommand(ParseTreeCommand("SHW=SELECT '  x'  FROM items|;"));
    EXPECT_EQ(c.editor.text, "SELECT '  x'\r\nFROM items;");
    // Commands without "=" or with an empty part do nothing.
    const QString before = c.editor.text;
    for (const char* bad : {"SQL", "=x", "SQL="})
        c.RunCommand(ParseTreeCommand(QLatin1String(bad)));
    EXPECT_EQ(c.editor.text, before);
    c.Shutdown();
    EXPECT_EQ(events.last(), QString::number(kWsClosed) + ":");
}

// The results as the grid's rules see them: row 0 the headings.
GridView GridOf(const TResultTable& t) {
    GridView g;
    g.rows = t.RowCount();
    g.columns = t.ColumnCount();
    g.cell = [&t](int row, int col) { return row == 0 ? t.Heading(col) : t.Text(row - 1, col); };
    return g;
}

TEST_F(WorkspaceControllerTest, RunModesRunThePlanOrOnlyTheSelection) {
    WorkspaceController c(view, answers);
    c.Init(path, "");
    c.editor.text = "SELECT name FROM items WHERE id = 2; SELECT 1 AS one";
    c.editor.selStart = c.editor.text.indexOf("SELECT 1");
    c.editor.selEnd = c.editor.text.size();
    c.RunQuery(RunMode::Selected);
    EXPECT_EQ(c.ResultRow(-1), QStringList{"one"});
    // The whole text runs its first statement; the rest is said not to run.
    c.RunQuery(RunMode::Plain);
    EXPECT_EQ(c.ResultRow(0), QStringList{"item2"});
    EXPECT_EQ(c.status, "Query Success. 1 further statement was not executed.");
    c.editor.text = "SELECT * FROM items WHERE id = 2";
    c.RunQuery(RunMode::QueryPlan);
    EXPECT_EQ(c.results.lastQuery, "EXPLAIN QUERY PLAN SELECT * FROM items WHERE id = 2");
    EXPECT_TRUE(c.ResultRow(-1).contains("detail"));
    // A selection-only mode without a selection runs the whole text.
    c.editor.selStart = c.editor.selEnd = 0;
    c.RunQuery(RunMode::SelectedExplain);
    EXPECT_EQ(c.results.lastQuery, "EXPLAIN SELECT * FROM items WHERE id = 2");
}

// A script that changes the schema and then fails: the statements before
// the failure stay done, so the tree shows them; the status keeps the error.
TEST_F(WorkspaceControllerTest, ASchemaScriptThatFailsLaterStillRefreshesTheTree) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    auto inTree = [&](const QString& name) {
        for (const SchemaNode& schema : c.Tree())
            for (const SchemaNode& n : schema.children)
                if (n.rec.sName == name) return true;
        return false;
    };
    ASSERT_FALSE(inTree("x"));
    c.editor.text = "CREATE TABLE x(a); SELECT * FROM nosuch;";
    c.RunQuery(RunMode::Plain);
    EXPECT_TRUE(c.status.startsWith("Error: ")) << c.status.toStdString();
    EXPECT_TRUE(inTree("x"));
    // A refused script changes nothing and refreshes nothing.
    answers.replies = {Reply::No};
    view.changed.clear();
    c.editor.text = "CREATE TABLE y(a); DROP TABLE x;";
    c.RunQuery(RunMode::Plain);
    EXPECT_EQ(c.status, "No Query.");
    EXPECT_FALSE(view.changed.contains("tree"));
    EXPECT_TRUE(inTree("x"));
}

// RunQuery's decisions: the classification says whether to ask, the answer
// whether to run, and the kind of text which way it runs; every run ends in
// one results notification.
TEST_F(WorkspaceControllerTest, RunQueryDecidesAskRunAndRefresh) {
    const struct {
        const char* text;
        std::optional<Reply> answer; // the question's answer; none: no question
        const char* status;          // the status starts with it
        int rows;                    // rows shown afterwards
        bool treeRefreshed, inHistory;
    } cases[] = {
        {"SELECT id FROM items WHERE id < 4", {}, "Query Success.", 3, false, true},
        {"SELECT id FROM items; SELECT 1", {}, "Query Success. 1 further", 7, false, true},
        {"PRAGMA table_info(items)", {}, "Query Success.", 3, false, true},
        {"PRAGMA user_version = 3", {}, "Query Success.", 0, false, true},
        {"UPDATE items SET qty = 1 WHERE id = 1", {}, "Query Success.", 0, false, true},
        {"DELETE FROM items WHERE id = 7", Reply::No, "No Query.", 0, false, false},
        {"DELETE FROM items WHERE id = 7", Reply::Yes, "Query Success.", 0, false, true},
        {"DROP TABLE empty", Reply::No, "No Query.", 0, false, false},
        // A schema refresh selects the table again, which shows its rows.
        {"DROP TABLE empty", Reply::Yes, "Query Success.", 6, true, true},
        {"CREATE TABLE n1(a); DROP VIEW big_items", Reply::Yes, "Query Success.", 6, true, true},
        {"CREATE TABLE n2(a); SELECT * FROM nowhere", {}, "Error: ", 6, true, false},
        {"SELECT * FROM nowhere", {}, "Error: ", 0, false, false},
        {"  ", {}, "No Query.", 0, false, false},
    };
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    for (const auto& e : cases) {
        c.editor.text = QString::fromUtf8(e.text);
        answers.questions.clear();
        answers.replies.clear();
        if (e.answer) answers.replies = {*e.answer};
        const qsizetype historyBefore = c.history.lines.size();
        view.changed.clear();
        c.RunQuery(RunMode::Plain);
        const std::string what = e.text;
        EXPECT_EQ(answers.questions.size(), e.answer ? 1 : 0) << what;
        EXPECT_TRUE(c.status.startsWith(QString::fromUtf8(e.status)))
            << what << ": " << c.status.toStdString();
        EXPECT_EQ(c.results.rows.RowCount(), e.rows) << what;
        EXPECT_EQ(view.changed.contains("tree"), e.treeRefreshed) << what;
        EXPECT_EQ(c.history.lines.size() > historyBefore, e.inHistory) << what;
        // The run's own notification, and the table selection's after a refresh.
        EXPECT_EQ(view.changed.count("results"), e.treeRefreshed ? 2 : 1) << what;
        EXPECT_FALSE(c.sql.IsBusy()) << what;
    }
}

// Every push onto the query-text stack tells the window to show Previous and
// Next again; a run keeps the grid's row when the new rows reach it.
TEST_F(WorkspaceControllerTest, StackPushesAndTheRememberedRow) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    view.changed.clear();
    c.ReplaceEditorText("SELECT 1");
    EXPECT_TRUE(view.changed.contains("stack"));
    EXPECT_TRUE(c.editor.stack.PrevVisible());
    EXPECT_FALSE(c.editor.stack.NextVisible());
    view.changed.clear();
    c.StepQueryStack(-1);
    EXPECT_TRUE(view.changed.contains("stack"));
    c.StepQueryStack(-1);
    EXPECT_TRUE(c.editor.stack.NextVisible());
    EXPECT_FALSE(c.editor.stack.PrevVisible());

    const struct {
        const char* text;
        int before, after;
    } rows[] = {{"SELECT * FROM items", 4, 4},
                {"SELECT * FROM items WHERE id < 3", 4, -1},
                {"SELECT * FROM items", -1, -1},
                {"SELECT * FROM items WHERE id < 3", 1, 1},
                {"SELECT * FROM nowhere", 1, -1}};
    for (const auto& r : rows) {
        c.results.currentRow = r.before;
        c.editor.text = QString::fromUtf8(r.text);
        c.RunQuery(RunMode::Plain);
        EXPECT_EQ(c.results.currentRow, r.after) << r.text;
    }
}

TEST_F(WorkspaceControllerTest, HistoryPickPutsTheEntryIntoTheEditor) {
    WorkspaceController c(view, answers);
    c.Init(path, "");
    const QString history = "SELECT 2 AS two;\r\n\r\n-------------\r\n\r\n"
                            "SELECT name\r\n  FROM items;\r\n\r\n-------------\r\n\r\n"
                            "ab\r\n\r\n-------------\r\n";
    c.editor.text = "SELECT 1;";
    view.changed.clear();
    // A caret inside the second entry: that entry, trimmed, the caret at its end.
    ASSERT_TRUE(c.PickHistory(history, history.indexOf("FROM items")));
    EXPECT_EQ(c.editor.text, "SELECT name\r\n  FROM items;");
    EXPECT_EQ(c.editor.selStart, c.editor.text.size());
    EXPECT_EQ(c.editor.selEnd, c.editor.text.size());
    EXPECT_EQ(c.editor.stack.Entries().last(), "SELECT 1;"); // the text it replaced
    EXPECT_EQ(view.changed, (QStringList{"stack", "editor"}));
    // An entry of five characters or fewer is not picked; the editor stays.
    EXPECT_FALSE(c.PickHistory(history, history.indexOf("ab")));
    EXPECT_EQ(c.editor.text, "SELECT name\r\n  FROM items;");
}

TEST_F(WorkspaceControllerTest, ARunKeepsWhatTheUserTypedIntoTheHistoryPage) {
    WorkspaceController c(view, answers);
    c.Init(path, "");
    view.controller = &c;
    view.holdsHistory = true;
    view.historyText = QStringList{"SELECT 'typed by hand';", "", "-------------", ""};
    c.editor.text = "SELECT count(*) FROM items";
    c.RunQuery(RunMode::Plain);
    ASSERT_EQ(c.status, "Query Success.");
    EXPECT_EQ(c.history.lines.value(0), "SELECT count(*) FROM items");
    EXPECT_TRUE(c.history.lines.contains("SELECT 'typed by hand';"));
    EXPECT_TRUE(view.changed.contains("history"));
    // A run of a command on the user's behalf makes no entry.
    view.historyText = c.history.lines; // the page shows what was rendered
    c.RunCommand(ParseTreeCommand("ACT=SELECT 1;"));
    EXPECT_EQ(c.status, "Query Success.");
    EXPECT_EQ(c.history.lines.value(0), "SELECT count(*) FROM items");
    EXPECT_FALSE(c.history.lines.contains("SELECT 1;"));
    EXPECT_FALSE(c.editor.skipHistory);
}

TEST_F(WorkspaceControllerTest, FilterAsSqlSelectsTheRowsTheFilterShows) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    ASSERT_EQ(c.results.rows.RowCount(), 7);
    const struct {
        const char* filter;
        int shown;
    } cases[] = {{"item3", 1}, {"=item5 |item6", 2}, {"-item1", 6}};
    for (const auto& e : cases) {
        c.editor.text = c.TableQuery("items", "");
        c.editor.selStart = c.editor.selEnd = c.editor.text.indexOf("WHERE 1") + 6;
        c.RunQuery(RunMode::Plain);
        QString condition;
        const QList<bool> shown =
            ApplyFilter(ParseFilter(e.filter), GridOf(c.results.rows), false, condition);
        ASSERT_EQ(shown.count(true), e.shown) << e.filter;
        ASSERT_TRUE(c.AddFilterAsSql(condition)) << e.filter;
        EXPECT_FALSE(c.AddFilterAsSql(condition)) << e.filter; // already there
        // The query with the condition: the rows the filter showed (SQLite decides).
        c.RunQuery(RunMode::Plain);
        EXPECT_EQ(c.status, "Query Success.") << c.editor.text.toStdString();
        EXPECT_EQ(c.results.rows.RowCount(), e.shown) << c.editor.text.toStdString();
    }
    // With an empty editor the condition makes a query of the selected table.
    c.editor.text.clear();
    c.editor.selStart = c.editor.selEnd = 0;
    ASSERT_TRUE(c.AddFilterAsSql("AND \"name\" = 'item4'"));
    EXPECT_EQ(c.editor.text, "SELECT * FROM items WHERE \"name\" = 'item4';");
}

TEST_F(WorkspaceControllerTest, ColumnStatisticsCarryTheTablePagesNotes) {
    ASSERT_TRUE(db.Open(path));
    Run("CREATE TABLE notes(id INTEGER PRIMARY KEY, "
        "label TEXT /* shown; never empty */, qty INT);"
        "CREATE INDEX notes_label ON notes(label);"
        "CREATE TRIGGER notes_qty AFTER UPDATE OF qty ON notes BEGIN SELECT 1; END;"
        "INSERT INTO notes(label, qty) VALUES ('a', 1), ('b', NULL);");
    db.Close();
    WorkspaceController c(view, answers);
    c.Init(path, "notes");
    ASSERT_EQ(c.table.name, "notes");
    const GridView g = GridOf(c.results.rows);
    const TColStats label = c.ColumnStatistics(g, 1);
    EXPECT_EQ(label.sName, "label");
    EXPECT_EQ(label.sComment, "shown; never empty"); // the whole comment, ";" and all
    EXPECT_EQ(label.sUsedInd, "notes_label, ");
    EXPECT_EQ(label.iKind, ColumnKind::Text);
    const TColStats qty = c.ColumnStatistics(g, 2);
    EXPECT_TRUE(qty.sComment.isEmpty());
    EXPECT_EQ(qty.sUsedInd, "notes_qty, ");
    EXPECT_EQ(qty.iNulls, 1);
    // A results column the table does not have gets no notes.
    c.ShowQueryRows("SELECT qty AS label2 FROM notes;", false, false);
    const TColStats other = c.ColumnStatistics(GridOf(c.results.rows), 0);
    EXPECT_EQ(other.sName, "label2");
    EXPECT_TRUE(other.sUsedInd.isEmpty());
}

TEST_F(WorkspaceControllerTest, ScalesAreStoredWithTheDatabase) {
    {
        WorkspaceController c(view, answers);
        c.Init(path, "");
        EXPECT_EQ(c.Scale("seCfgMemScaleDB", 3, 2, 1000), 3);
        view.changed.clear();
        c.SetScale("seCfgMemScaleDB", 40);
        EXPECT_EQ(view.changed, QStringList{"stats"});
        c.Shutdown();
    }
    WorkspaceController again(view, answers);
    again.Init(path, "");
    EXPECT_EQ(again.Scale("seCfgMemScaleDB", 3, 2, 1000), 40);
    EXPECT_EQ(again.Scale("seCfgMemScaleDB", 3, 2, 30), 30); // within the spin box's range
}

TEST_F(WorkspaceControllerTest, CloseWaitsForTheRunningOperation) {
    WorkspaceController c(view, answers);
    c.Init(path, "");
    int closed = 0;
    {
        WorkspaceController::Operation op(c);
        c.RequestClose([&] { ++closed; });
        EXPECT_EQ(closed, 0); // still inside the operation
    }
    EXPECT_EQ(closed, 1);
    c.RequestClose([&] { ++closed; });
    EXPECT_EQ(closed, 2); // nothing running: at once
}

} // namespace
} // namespace sky

namespace sky {
namespace {

QString StoredViewSql(const QString& file, const QString& name) {
    TSQLite3Database d;
    QString sqlText;
    EXPECT_TRUE(d.Open(file));
    d.QuerySingleValue(sqlText,
                       "SELECT sql FROM sqlite_master WHERE type='view' AND name='" + name + "'");
    return sqlText;
}

// A view made from the results: the last query (cut at its first statement
// end) or the table's columns, a free name, the user's edit, the user's
// consent before a view is replaced, and nothing changed on failure.
TEST_F(WorkspaceControllerTest, ResultsIntoANewTableReplaceOnlyWhenTheImportGoesAhead) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.editor.text = "SELECT name, qty FROM items";
    c.RunQuery(RunMode::Plain);
    c.ResultsToNewTable(false);
    EXPECT_EQ(c.status, "Success: Saved Results as Table \"items_Result1\".");
    auto count = [&](const char* table) {
        QString n;
        c.sql.QuerySingleValue(n, QStringLiteral("SELECT count(*) FROM ") + table);
        return n;
    };
    EXPECT_EQ(count("items_Result1"), "7");
    // Yes to the drop, then the import window closed: the table stays.
    c.editor.text = "SELECT name FROM items WHERE id < 3";
    c.RunQuery(RunMode::Plain);
    answers.replies = {Reply::Yes};
    view.acceptImport = false;
    c.ResultsToNewTable(false);
    EXPECT_EQ(answers.questions.last(),
              "Table already Exists...: Drop existing table \"items_Result1\" before importing?");
    EXPECT_EQ(c.status, "Error adding Table - User aborted Importing");
    EXPECT_EQ(count("items_Result1"), "7");
    // Yes and the import: replaced inside the import's transaction.
    answers.replies = {Reply::Yes};
    view.acceptImport = true;
    c.ResultsToNewTable(false);
    EXPECT_EQ(view.replaced.last(), "items_Result1");
    EXPECT_EQ(count("items_Result1"), "2");
    // No: the next free name; Cancel: nothing.
    answers.replies = {Reply::No};
    c.ResultsToNewTable(false);
    EXPECT_EQ(c.status, "Success: Saved Results as Table \"items_Result2\".");
    answers.replies = {Reply::Cancel};
    const int imports = int(view.replaced.size());
    c.ResultsToNewTable(false);
    EXPECT_EQ(view.replaced.size(), imports);
}

TEST_F(WorkspaceControllerTest, ViewFromTheResults) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.editor.text = "SELECT name, ';' AS semi FROM items WHERE id < 3; SELECT 2";
    c.RunQuery(RunMode::Plain);
    ASSERT_TRUE(c.results.createFromResults);

    // Cancelled: nothing made.
    c.MakeViewFromResults(false);
    EXPECT_EQ(c.status, "Add View - Aborted by User");
    ASSERT_EQ(view.viewsEdited, QStringList{"items_View_1"});

    // Accepted as proposed.
    QString offered;
    view.editView = [&](TViewLayout& v) {
        offered = v.vSelect;
        return true;
    };
    c.MakeViewFromResults(false);
    EXPECT_EQ(offered, "SELECT name, ';' AS semi FROM items WHERE id < 3");
    EXPECT_EQ(c.status, "Successfuly added View items_View_1...");
    EXPECT_TRUE(StoredViewSql(path, "items_View_1").contains("';' AS semi"));
    // The tree shows it after the refresh.
    std::function<bool(const QList<SchemaNode>&)> inTree = [&](const QList<SchemaNode>& nodes) {
        for (const SchemaNode& n : nodes)
            if (n.rec.sName == "items_View_1" || inTree(n.children)) return true;
        return false;
    };
    EXPECT_TRUE(inTree(c.Tree()));

    // The next proposal skips the stored name; a temporary view goes to temp.
    c.MakeViewFromResults(true);
    EXPECT_EQ(view.viewsEdited.last(), "items_View_2");
    QString tempCount;
    c.sql.QuerySingleValue(tempCount,
                           "SELECT count(*) FROM sqlite_temp_master WHERE name='items_View_2'");
    EXPECT_EQ(tempCount, "1");

    // Renamed onto an existing view: asked, and "No" keeps the stored one.
    view.editView = [](TViewLayout& v) {
        v.vName = "big_items";
        v.vSelect = "SELECT 1 AS one";
        return true;
    };
    answers.replies = {Reply::No};
    c.MakeViewFromResults(false);
    EXPECT_EQ(answers.questions.last(), "View already Exists...: Replace the existing View "
                                        "\"big_items\"?");
    EXPECT_EQ(c.status, "Add View - Aborted by User");
    EXPECT_TRUE(StoredViewSql(path, "big_items").contains("qty > 1"));

    // A view that cannot be made leaves the old one in place.
    view.editView = [](TViewLayout& v) {
        v.vName = "big_items";
        v.vSelect = "SELECT 1 +";
        return true;
    };
    answers.replies = {Reply::Yes};
    c.MakeViewFromResults(false);
    EXPECT_TRUE(c.status.startsWith("Error creating View: ")) << c.status.toStdString();
    EXPECT_TRUE(StoredViewSql(path, "big_items").contains("qty > 1"));

    // Without a name the dialog's statement is empty: a build error.
    view.editView = [](TViewLayout& v) {
        v.vName.clear();
        v.vError = "No name";
        return true;
    };
    c.MakeViewFromResults(false);
    EXPECT_EQ(c.status, "View build error: No name");
    EXPECT_FALSE(c.sql.TransactionOpen());
}

} // namespace
} // namespace sky
