// The workspace's table page under the offscreen platform: the grids of a
// table with indexes and a trigger, column widths and hiding, choosing rows
// (the column and the object buttons follow), "Show selected SQL" and the
// help panel.
#include "workspace/ui/TablePage.h"
#include "common/ExampleDb.h"
#include "common/Process.h"
#include "common/UiAnswer.h"
#include "shell/ui/Scintilla.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class TablePageTest : public test::ExampleDbTest {
protected:
    static int FieldRow(TfrmSKYMain& w, const QString& column) {
        const auto& fields = w.Controller().table.fields;
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].name == column) return i;
        return -1;
    }
    static int ObjectRowNamed(QTableWidget* g, const QString& name) {
        for (int r = 0; r < g->rowCount(); ++r)
            if (g->item(r, 1)->text() == name) return r;
        return -1;
    }
};

TEST_F(TablePageTest, GridsShowTheTableAndChoosingRowsDrivesTheButtons) {
    TfrmSKYMain w;
    w.Init(file, QStringLiteral("customer"));
    w.resize(1280, 800);
    w.show();
    w.Pages()->setCurrentIndex(kPageTable);
    RunEventsFor(50);
    auto* page = w.findChild<TTablePage*>(QStringLiteral("tsTable"));
    ASSERT_NE(page, nullptr);
    QTableWidget* fields = page->Fields();
    QTableWidget* objects = page->Objects();
    const auto& t = w.Controller().table;

    // The field grid: six headed columns, a 75-pixel row per column.
    ASSERT_EQ(fields->columnCount(), 6);
    EXPECT_EQ(fields->horizontalHeaderItem(5)->text(),
              QStringLiteral("Index and Trigger References"));
    EXPECT_EQ(fields->rowCount(), t.columns.size());
    EXPECT_EQ(fields->rowHeight(0), 75);
    EXPECT_EQ(fields->columnWidth(0), 24);
    EXPECT_EQ(fields->columnWidth(1), 180);
    EXPECT_FALSE(fields->isColumnHidden(3));
    EXPECT_FALSE(fields->isColumnHidden(4)); // customer has CHECK constraints
    EXPECT_GE(fields->columnWidth(5), 120);
    // The object grid: the table, its indexes (the automatic one too) and its trigger.
    EXPECT_EQ(objects->columnWidth(0), 16);
    EXPECT_TRUE(objects->isColumnHidden(2));
    EXPECT_EQ(objects->rowCount(), t.objects.size());
    EXPECT_EQ(objects->item(0, 1)->text(), QStringLiteral("customer"));
    EXPECT_GE(ObjectRowNamed(objects, QStringLiteral("sqlite_autoindex_customer_1")), 0);
    const int trigger = ObjectRowNamed(objects, QStringLiteral("customer_touch_updated_at"));
    EXPECT_GE(trigger, 0);
    // The table's own row is chosen: its object buttons are off, its SQL showable.
    EXPECT_EQ(page->Button("btnTableIndRemove")->text(), QStringLiteral("Remove Item"));
    EXPECT_FALSE(page->Button("btnTableIndRemove")->isEnabled());
    EXPECT_FALSE(page->Button("btnTableIndAlter")->isEnabled());
    EXPECT_TRUE(page->Button("btnTableShowSchemaSQL")->isEnabled());
    EXPECT_TRUE(page->Button("btnTableIndAdd")->isEnabled());
    EXPECT_TRUE(w.findChild<QLabel*>(QStringLiteral("lblTableSizeRC"))
                    ->toolTip()
                    .startsWith(QStringLiteral(" Table Size (Row-count) - Click to refresh \r ")));

    // Choosing a mentioned column chooses it and its trigger row.
    fields->setCurrentCell(FieldRow(w, QStringLiteral("updated_at")), 1);
    EXPECT_EQ(t.curCol, QStringLiteral("updated_at"));
    EXPECT_EQ(objects->currentRow(), trigger);
    EXPECT_EQ(page->Button("btnTableIndRemove")->text(),
              QStringLiteral("Remove trigger \"customer_touch_updated_at\""));
    EXPECT_TRUE(page->Button("btnTableIndRemove")
                    ->toolTip()
                    .startsWith(QStringLiteral("Remove, trigger, customer_touch_updated_at, ")));
    EXPECT_TRUE(page->Button("btnTableIndAlter")->isEnabled());

    // "Show selected SQL" puts the trigger into the editor.
    page->Button("btnTableShowSchemaSQL")->click();
    EXPECT_TRUE(w.Editor()->text().startsWith(
        QStringLiteral("CREATE TRIGGER customer_touch_updated_at AFTER UPDATE ON customer")));
    EXPECT_TRUE(w.Editor()->text().endsWith(QStringLiteral("END;")));

    // Back to the table row by hand.
    objects->setCurrentCell(0, 1);
    EXPECT_EQ(t.objectRow, 0);
    EXPECT_EQ(page->Button("btnTableIndAlter")->text(), QStringLiteral("Edit Item"));

    // A view: its own row, the comment and constraint columns hidden.
    w.Controller().SelectTable(QStringLiteral("rental_totals"), QString());
    EXPECT_TRUE(fields->isColumnHidden(3));
    EXPECT_TRUE(fields->isColumnHidden(4));
    EXPECT_FALSE(page->Button("btnTableIndAdd")->isEnabled());
    EXPECT_TRUE(page->Button("btnTableDrop")->isEnabled());
}

TEST_F(TablePageTest, HelpPanelNamesTheTable) {
    TfrmSKYMain w;
    w.Init(file, QStringLiteral("staff"));
    w.show();
    w.Pages()->setCurrentIndex(kPageTable);
    auto* page = w.findChild<TTablePage*>(QStringLiteral("tsTable"));
    ASSERT_NE(page, nullptr);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(page->HelpImage(), &enter);
    auto* panel = w.findChild<QWidget*>(QStringLiteral("pnlHelp"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    QStringList texts;
    for (QLabel* l : panel->findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("- Table-Specific Actions -")));
    EXPECT_TRUE(texts.join('\n').contains(QStringLiteral("Select Columns in this table (staff)")));
    EXPECT_EQ(panel->y(), w.Pages()->mapTo(&w, QPoint(0, 0)).y() + 64);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(page->HelpImage(), &leave);
    EXPECT_FALSE(panel->isVisible());
}

} // namespace
} // namespace sky::ui
