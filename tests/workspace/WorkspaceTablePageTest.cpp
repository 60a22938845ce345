// The table page on a real file: the object rows (the table, its indexes,
// automatic ones included, and its triggers), choosing field and object
// rows, the column metadata notice, the chosen object's SQL into the editor
// and the row-count hints.
#include "common/ScriptedPrompter.h"
#include "common/SilentView.h"
#include "common/TempConfig.h"
#include "common/TempDb.h"
#include "design/DesignerPort.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "workspace/WorkspaceController.h"

namespace sky {
namespace {

// A window without a display that counts the table page's renderings.
class PageView : public test::SilentView {
public:
    int tableRenders = 0;
    void TableChanged() override { ++tableRenders; }
};

class WorkspaceTablePageTest : public test::TempDbTest {
protected:
    void SetUp() override {
        test::TempDbTest::SetUp();
        test::UseTempConfig(config);
        Run("CREATE TABLE items(id INTEGER PRIMARY KEY AUTOINCREMENT, code TEXT UNIQUE, "
            "name TEXT NOT NULL COLLATE NOCASE, qty INT DEFAULT 0, note);"
            "CREATE INDEX ix_items_name ON items(name);"
            "CREATE TRIGGER tr_items_qty AFTER UPDATE OF qty ON items BEGIN "
            "UPDATE items SET note = 'changed' WHERE id = NEW.id; END;"
            "INSERT INTO items(code, name) VALUES ('a', 'first'), ('b', 'second');"
            "CREATE VIEW v_items AS SELECT name, qty FROM items;");
        db.Close();
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    int Row(const WorkspaceController& c, const QString& column) {
        for (int i = 0; i < c.table.fields.size(); ++i)
            if (c.table.fields[i].name == column) return i;
        return -1;
    }
    QTemporaryDir config;
    test::ScriptedPrompter answers;
    PageView view;
};

TEST_F(WorkspaceTablePageTest, ObjectRowsHoldTheTableItsIndexesAndTriggers) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    ASSERT_EQ(c.table.name, "items");
    QStringList rows;
    for (const ObjectRow& r : c.table.objects)
        rows << r.type + " " + r.name + (r.sql.isEmpty() ? " (no SQL)" : "");
    EXPECT_EQ(rows, (QStringList{"table items", "index sqlite_autoindex_items_1 (no SQL)",
                                 "index ix_items_name", "trigger tr_items_qty"}));
    EXPECT_EQ(c.table.indexes.size(), 2);
    EXPECT_EQ(c.table.triggers.size(), 1);
    // The references cell keeps its three lists apart.
    EXPECT_EQ(c.table.fields[Row(c, "name")].cells[5], "ix_items_name, ; ; ");
    EXPECT_EQ(c.table.fields[Row(c, "qty")].cells[5], "; tr_items_qty, ; ");
    EXPECT_EQ(c.table.fields[Row(c, "note")].cells[5], "; ; tr_items_qty, ");
    // After selecting, no column is chosen and the table's own row is.
    EXPECT_TRUE(c.table.curCol.isEmpty());
    EXPECT_EQ(c.table.objectRow, 0);
    EXPECT_EQ(c.table.objectChoice.removeCaption, "Remove Item");
    EXPECT_FALSE(c.table.objectChoice.removeEnabled);
    EXPECT_TRUE(c.table.objectChoice.showSqlEnabled);

    // A view: its own row, no table rows of another name.
    c.SelectTable("v_items", "");
    ASSERT_EQ(c.table.objects.size(), 1);
    EXPECT_EQ(c.table.objects[0].type, "view");
}

TEST_F(WorkspaceTablePageTest, AFileThatFailsToOpenLeavesNoObjectsOrButtons) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.ChooseFieldRow(Row(c, "name"));
    ASSERT_FALSE(c.table.objects.isEmpty());
    c.sqlFile = dir.path(); // a folder is no database
    EXPECT_FALSE(c.OpenDB());
    EXPECT_TRUE(c.table.objects.isEmpty());
    EXPECT_TRUE(c.table.curCol.isEmpty());
    EXPECT_EQ(c.table.objectRow, -1);
    EXPECT_FALSE(c.table.tableButtons || c.table.objectButtons);
    EXPECT_FALSE(c.table.objectChoice.removeEnabled);
}

TEST_F(WorkspaceTablePageTest, ChoosingAFieldRowSetsCurColAndFindsItsObject) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    const struct {
        const char* column;
        int objectRow; // -1: the object row stays as it was
        const char* removeCaption;
    } cases[] = {
        {"name", 2, "Remove index \"ix_items_name\""},
        {"qty", 3, "Remove trigger \"tr_items_qty\""},
        {"note", 3, "Remove trigger \"tr_items_qty\""},
    };
    for (const auto& k : cases) {
        const int before = view.tableRenders;
        c.ChooseFieldRow(Row(c, k.column));
        EXPECT_EQ(c.table.curCol, k.column);
        EXPECT_EQ(c.table.objectRow, k.objectRow) << k.column;
        EXPECT_EQ(c.table.objectChoice.removeCaption, k.removeCaption);
        EXPECT_GT(view.tableRenders, before);
    }
    // A column without references leaves the object row as it was.
    c.ChooseObjectRow(0);
    c.ChooseFieldRow(Row(c, "code"));
    EXPECT_EQ(c.table.curCol, "code");
    EXPECT_EQ(c.table.objectRow, 0);
    EXPECT_EQ(c.table.objectChoice.editCaption, "Edit Item");
    EXPECT_FALSE(c.table.objectChoice.editEnabled);
    EXPECT_TRUE(c.table.objectChoice.showSqlEnabled);
    // The automatic index: removable, not editable, no SQL to show.
    c.ChooseObjectRow(1);
    EXPECT_TRUE(c.table.objectChoice.removeEnabled);
    EXPECT_FALSE(c.table.objectChoice.editEnabled);
    EXPECT_FALSE(c.table.objectChoice.showSqlEnabled);
    c.ChooseFieldRow(-1);
    EXPECT_TRUE(c.table.curCol.isEmpty());
    // Selecting the table again forgets the choice.
    c.ChooseFieldRow(Row(c, "qty"));
    c.SelectTable("items", "");
    EXPECT_TRUE(c.table.curCol.isEmpty());
    EXPECT_EQ(c.table.objectRow, 0);
    // A name that is no table: nothing chosen, the buttons' own captions.
    c.SelectTable("nowhere", "");
    EXPECT_EQ(c.table.objectRow, -1);
    EXPECT_EQ(c.table.objectChoice.editCaption, "Edit Index");
}

TEST_F(WorkspaceTablePageTest, ColumnMetadataNoticeAndTheNameIntoTheEditor) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.editor.text = "SELECT  FROM items";
    c.editor.selStart = c.editor.selEnd = 7;
    c.ChooseFieldRow(Row(c, "id"));
    c.ShowColumnMetadata();
    c.ChooseFieldRow(Row(c, "name"));
    c.ShowColumnMetadata();
    EXPECT_EQ(answers.notices,
              (QStringList{"Column Metadata for \"items\".\"id\": Type: INTEGER;   Colation: "
                           "BINARY\rPrimary Key;  Auto-Incrememnt;",
                           "Column Metadata for \"items\".\"name\": Type: TEXT;   Colation: "
                           "NOCASE\rNot Null;  "}));
    EXPECT_EQ(c.editor.text, "SELECT idname FROM items");
    EXPECT_EQ(c.editor.selStart, 13);
    // A column the file no longer has; a table it no longer has.
    answers.notices.clear();
    c.table.curCol = "gone";
    c.ShowColumnMetadata();
    ASSERT_TRUE(c.sql.ExecuteList("DROP VIEW v_items; DROP TABLE items;"));
    c.table.curCol = "name";
    c.ShowColumnMetadata();
    ASSERT_EQ(answers.notices.size(), 2);
    EXPECT_EQ(answers.notices[0], "Column Metadata for \"items\".\"gone\": Invalid Column...");
    EXPECT_TRUE(
        answers.notices[1].startsWith("Column Metadata for \"items\".\"name\": Request Error: "));
    EXPECT_TRUE(answers.notices[1].contains("no such table")) << answers.notices[1].toStdString();
    // Without a chosen column nothing is shown.
    answers.notices.clear();
    c.table.curCol.clear();
    c.ShowColumnMetadata();
    EXPECT_TRUE(answers.notices.isEmpty());
}

TEST_F(WorkspaceTablePageTest, ShowSelectedSqlPushesTheEditorText) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    c.editor.text = "SELECT 1;";
    c.ChooseObjectRow(2);
    c.ShowObjectSql();
    EXPECT_EQ(c.editor.text, "CREATE INDEX ix_items_name ON items(name);");
    EXPECT_EQ(c.editor.selStart, c.editor.text.size());
    EXPECT_TRUE(c.editor.stack.Entries().contains("SELECT 1;"));
    // An automatic index has no SQL: the editor stays.
    c.ChooseObjectRow(1);
    c.ShowObjectSql();
    EXPECT_EQ(c.editor.text, "CREATE INDEX ix_items_name ON items(name);");
}

TEST_F(WorkspaceTablePageTest, RowCountHintsFollowTheStoredCount) {
    WorkspaceController c(view, answers);
    c.Init(path, "items");
    // The rows were loaded in full, so they were counted just now.
    EXPECT_EQ(c.table.rowCount, "2");
    const QString today = LastCheckText(QDateTime::currentDateTime());
    EXPECT_EQ(c.table.rowCountHint, " Table Size (Row-count) - Click to refresh \r " + today);
    EXPECT_TRUE(c.table.countButtonHint.endsWith(today));
    // A stored count without a time: never checked.
    KVPut(c.cfg, "TitemsRCChecked", "");
    c.RefreshRowCount();
    EXPECT_TRUE(c.table.rowCountHint.endsWith("Last check: Never "));
}

} // namespace
} // namespace sky

namespace sky {
namespace {

// A designer that adds a column to the layout it is shown.
class AddingDesigner : public TableDesignerPort {
public:
    bool GetDesignerTableLayout(TTableLayout& layout, TSQLite3Database*, bool) override {
        ++shown;
        TFieldLayout f;
        f.fName = QStringLiteral("added");
        f.fType = QStringLiteral("TEXT");
        f.fDefVal = QStringLiteral("'z'");
        layout.Cols << f;
        return accept;
    }
    int shown = 0;
    bool accept = true;
};

class DesignerView : public PageView {
public:
    TableDesignerPort* TableDesigner() override { return &designer; }
    AddingDesigner designer;
};

// The page's operations run through the table operations; the page, the
// stored row count and the tree follow.
TEST_F(WorkspaceTablePageTest, OperationsUpdateThePage) {
    DesignerView dview;
    WorkspaceController c(dview, answers);
    c.Init(path, "items");
    c.TableCommand(TableCommandKind::CountRows);
    EXPECT_EQ(c.status, "Success - Table \"items\" has 2 rows.");
    EXPECT_EQ(c.table.rowCount, "2");
    EXPECT_EQ(KVGet(c.cfg, "TitemsRowCount", QString()), "2");
    EXPECT_FALSE(KVGet(c.cfg, "TitemsRCChecked", QString()).isEmpty());

    c.ChooseFieldRow(Row(c, "qty"));
    ASSERT_EQ(c.table.curCol, "qty");
    answers.texts = {"amount"};
    c.TableCommand(TableCommandKind::RenameColumn);
    EXPECT_EQ(c.status, "Success renaming Column amount");
    EXPECT_TRUE(c.table.columns.contains("amount")) << c.table.columns.join(',').toStdString();
    EXPECT_EQ(c.table.name, "items");

    c.TableCommand(TableCommandKind::Alter);
    EXPECT_EQ(dview.designer.shown, 1);
    EXPECT_EQ(c.status, "Table \"items\" altered successfully.");
    EXPECT_EQ(c.table.columns.last(), "added");
    dview.designer.accept = false;
    c.TableCommand(TableCommandKind::Alter);
    EXPECT_EQ(c.table.columns.size(), 6);

    // A new table on the selected one as its template: the next free name.
    dview.designer.accept = true;
    c.TableCommand(TableCommandKind::NewFromDesigner);
    EXPECT_EQ(c.status, "Success Creating Table.");
    EXPECT_EQ(c.table.name, "items_2");
    EXPECT_EQ(c.table.columns.last(), "added");
}

} // namespace
} // namespace sky
