// The workspace without its window: opening, per-database settings and
// history, table selection with its automatic query and row count, tree
// focus by schema and name, the menu commands and busy-safe closing.
#include "workspace/WorkspaceController.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"
#include "shell/Workspace.h"
#include "support/Folders.h"
#include "support/Prompter.h"

#include <QFileInfo>

namespace sky {
namespace {

using Reply = test::ScriptedPrompter::Reply;

class WorkspaceControllerTest : public test::TempDbTest {
protected:
    void SetUp() override {
        test::TempDbTest::SetUp();
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        EnsureFolders();
        CfgLoad();
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
};

TEST_F(WorkspaceControllerTest, OpenSelectTableAndRowCounts) {
    WorkspaceController c(answers);
    c.Init(path, "items");
    EXPECT_EQ(c.fFileID, "test");
    EXPECT_TRUE(c.status.isEmpty());
    EXPECT_EQ(c.curTable, "items");
    EXPECT_EQ(c.curTableType, 0);
    EXPECT_EQ(c.tablePageCaption, "Table Structure");
    EXPECT_EQ(c.lblTablePriKey, "id");
    EXPECT_EQ(c.lblTableSizeCC, "3");
    EXPECT_EQ(c.fieldRows.size(), 3);
    EXPECT_EQ(c.fieldRows[1][1], "name; TEXT; ");
    EXPECT_TRUE(c.fieldRows[0][2].contains("P "));
    EXPECT_TRUE(c.fieldRows[1][2].contains("N "));
    // The automatic query, with the "1" after WHERE selected.
    EXPECT_EQ(c.editorText, "SELECT * FROM items WHERE 1 LIMIT 1000;");
    EXPECT_EQ(c.editorText.mid(c.selStart, c.selEnd - c.selStart), "1");
    ASSERT_EQ(c.results.RowCount(), 7);
    EXPECT_EQ(c.ResultRow(-1), (QStringList{"id", "name", "qty"}));
    EXPECT_EQ(KVGet(c.cfg, "TitemsRowCount", "---"), "7");
    EXPECT_FALSE(c.fSelectedEnumerationLost);
    EXPECT_TRUE(c.tableButtons);
    c.SelectTable("empty", "main");
    EXPECT_EQ(KVGet(c.cfg, "TemptyRowCount", "---"), "Empty");
    EXPECT_EQ(c.editorText, "SELECT * FROM empty WHERE 1 LIMIT 1000;"); // automatic: replaced
    // A view: its columns, no key, and the table buttons off.
    c.SelectTable("big_items", "");
    EXPECT_EQ(c.curTableType, 1);
    EXPECT_EQ(c.tablePageCaption, "View Layout");
    EXPECT_EQ(c.columnList, (QStringList{"id", "name", "qty"}));
    EXPECT_FALSE(c.tableButtons);
    EXPECT_TRUE(c.objectButtons);
    // A name that is neither leaves the current table and turns the buttons off.
    c.SelectTable("nothing", "");
    EXPECT_EQ(c.curTable, "big_items");
    EXPECT_EQ(c.curTableType, 4);
    EXPECT_FALSE(c.objectButtons);
    // A hand-written query is not replaced by the next automatic one.
    c.editorText = "SELECT 42;";
    c.SelectTable("items", "");
    EXPECT_EQ(c.editorText, "SELECT 42;");
    EXPECT_EQ(RowCountText(1234567), "1 234 567");
    EXPECT_EQ(RowCountText(1), "One");
}

TEST_F(WorkspaceControllerTest, SettingsAndHistoryBelongToTheOpenedFile) {
    {
        WorkspaceController c(answers);
        c.Init(path, "");
        EXPECT_EQ(c.curTable, "");
        c.opts.tableDesignSorted = 1;
        c.opts.showLineNos = true;
        c.opts.headerHeight = 333;
        c.SelectTable("items", "");
        c.history = QStringList{"SELECT 1;", "SELECT 2;"};
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
    WorkspaceController again(answers);
    again.Init(path, "");
    EXPECT_EQ(again.opts.tableDesignSorted, 1);
    EXPECT_TRUE(again.opts.showLineNos);
    EXPECT_EQ(again.opts.headerHeight, 333);
    EXPECT_EQ(again.curTable, "items"); // "dbLastTable"
    EXPECT_EQ(again.history, (QStringList{"SELECT 1;", "SELECT 2;"}));
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
    WorkspaceController c(answers);
    c.Init(path, "items");
    ASSERT_TRUE(c.sql.Execute("ATTACH DATABASE '" + auxFile + "' AS aux;"));
    c.RefreshSchema();
    TDBObjRec node;
    node.NodeKind = 1;
    node.sName = node.sTableName = "items";
    node.sDataBase = "aux";
    c.FocusNode(node);
    EXPECT_EQ(c.curSchema, "aux");
    EXPECT_EQ(c.columnList, QStringList{"z"});
    EXPECT_EQ(c.editorText, "SELECT * FROM aux.items WHERE 1 LIMIT 1000;");
    // A column node of the current table does not reload it ...
    c.results.Clear();
    TDBObjRec col = node;
    col.NodeKind = 2;
    col.sName = "z";
    c.FocusNode(col);
    EXPECT_EQ(c.results.ColumnCount(), 0);
    // ... but after a query run the table node does.
    c.ShowQueryRows("SELECT 1;", false, false);
    EXPECT_TRUE(c.fSelectedEnumerationLost);
    c.FocusNode(node);
    EXPECT_EQ(c.ResultRow(-1), QStringList{"z"});
    // Double-click puts the name at the caret.
    c.editorText = "SELECT ";
    c.selStart = c.selEnd = 7;
    c.DoubleClickNode(col);
    EXPECT_EQ(c.editorText, "SELECT z");
}

TEST_F(WorkspaceControllerTest, MenuCommands) {
    const QString auxFile = dir.filePath("other.db");
    {
        TSQLite3Database aux;
        ASSERT_TRUE(aux.Open(auxFile));
    }
    WorkspaceController c(answers);
    QStringList events;
    c.RaiseEvent = [&](int kind, const QString& s) {
        events << QString::number(kind) + ":" + s;
        return 0;
    };
    c.Init(path, "items");
    c.RunCommand("QRY=SELECT 1 AS one;");
    EXPECT_EQ(c.ResultRow(-1), QStringList{"one"});
    EXPECT_EQ(c.ResultRow(0), QStringList{"1"});
    c.RunCommand("SQL=SELECT * FROM |aux|.sqlite_master;");
    EXPECT_EQ(c.editorText, "SELECT * FROM aux.sqlite_master;");
    EXPECT_EQ(c.editorText.mid(c.selStart, c.selEnd - c.selStart), "aux");
    EXPECT_EQ(c.pgs.Entries().last(), "SELECT * FROM items WHERE 1 LIMIT 1000;");
    c.RunCommand("EXC=ATTACH DATABASE '" + auxFile + "' AS aux;");
    EXPECT_EQ(c.status, "Success.");
    EXPECT_EQ(c.Tree().last().rec.sName, "aux");
    c.RunCommand("EXC=DETACH DATABASE nope;");
    EXPECT_TRUE(c.status.startsWith("Failed: "));
    c.RunCommand("NAV=/x/y.db");
    c.RunCommand("OPN=/x/z.db");
    EXPECT_EQ(events, (QStringList{"2:/x/y.db", "1:/x/z.db"}));
    // Dropping a view asks first.
    TDBObjRec view;
    view.sName = "big_items";
    c.FocusNode(view);
    answers.otherwise = Reply::No;
    c.RunCommand("EXE=DROP VIEW IF EXISTS big_items;");
    ASSERT_EQ(answers.questions.size(), 1);
    EXPECT_TRUE(c.sql.ViewExists("big_items", ""));
    answers.otherwise = Reply::Yes;
    c.RunCommand("EXE=DROP VIEW IF EXISTS big_items;");
    EXPECT_EQ(c.status, "Success, Views updated.");
    EXPECT_FALSE(c.sql.ViewExists("big_items", ""));
    // SHW: a line break for every double space outside literals, then the template.
    c.RunCommand("SHW=SELECT '  x'  FROM items|;");
    EXPECT_EQ(c.editorText, "SELECT '  x'\r\nFROM items;");
    // Commands without "=" or with an empty part do nothing.
    const QString before = c.editorText;
    for (const char* bad : {"SQL", "=x", "SQL="})
        c.RunCommand(QLatin1String(bad));
    EXPECT_EQ(c.editorText, before);
    c.Shutdown();
    EXPECT_EQ(events.last(), QString::number(kWsClosed) + ":");
}

TEST_F(WorkspaceControllerTest, CloseWaitsForTheRunningOperation) {
    WorkspaceController c(answers);
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
