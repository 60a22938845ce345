// The compare window under the offscreen platform: the layout grid, the data
// comparison with its row detail, fixes of the three kinds, the view styles,
// copy and apply through a scripted prompter, the owner of the connection
// gone under the open window, and screenshots of the pages in both themes.
#include "analysis/ui/CompareWindow.h"

#include "common/FakeDesktop.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "shell/ui/Scintilla.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

using Reply = test::ScriptedPrompter::Reply;

class CompareWindowTest : public test::TempDbTest {
protected:
    void SetUp() override {
        TempDbTest::SetUp();
        Run("CREATE TABLE t1(id INTEGER PRIMARY KEY, name TEXT NOT NULL, qty INT, note TEXT);"
            "CREATE TABLE t2(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, extra);"
            "INSERT INTO t1 VALUES (1, 'a', 1, 'x'), (2, 'b', 2, 'y'), (3, 'c', 3, NULL),"
            " (7, 'O''Hara', 5, 'z');"
            "INSERT INTO t2 VALUES (1, 'a', 1, 0), (2, 'B', 2, 0), (7, 'O''Hara', 6, 0);");
    }
    QString Scalar(const QString& sql) {
        QString v;
        db.QuerySingleValue(v, sql);
        return v;
    }
    test::ScriptedPrompter prompts;
    test::FakeClipboard board;
};

TEST_F(CompareWindowTest, LayoutDataFixesAndApply) {
    TfrmSKYComp w(&prompts, &board);
    ASSERT_TRUE(w.compare(&db, "t1", "t2")) << w.lastError().toStdString();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "DB Comparison:   [ t1 ]   vs.  [ t2 ]");
    EXPECT_EQ(w.LayoutGrid()->rowCount(), 5 * 8);
    EXPECT_EQ(w.LayoutGrid()->horizontalHeaderItem(4)->text(), " ! ");
    EXPECT_EQ(w.Label("lblSimilar")->text(), "3");
    EXPECT_EQ(w.Label("lblMissing")->text(), "2");
    EXPECT_FALSE(w.Pages()->isTabVisible(1));
    EXPECT_FALSE(w.compare(&db, "t1", "T1"));
    EXPECT_EQ(w.lastError(), kCompareSelf);
    ASSERT_TRUE(w.compare(&db, "t1", "t2"));

    w.findChild<QPushButton*>("btnDataComp")->click();
    ASSERT_TRUE(w.Pages()->isTabVisible(1));
    EXPECT_EQ(w.Pages()->currentIndex(), 1);
    EXPECT_EQ(w.Label("lblMissingRows")->text(), "1");
    EXPECT_EQ(w.Label("lblDataDiscrepancies")->text(), "2");
    EXPECT_EQ(w.Label("lblDataNote")->text(), "  (Showing All) ");
    QTableWidget* g = w.DataGrid();
    ASSERT_EQ(g->rowCount(), 3);
    EXPECT_TRUE(g->isColumnHidden(1));
    EXPECT_FALSE(g->isColumnHidden(0)); // a shared key is shown
    // The first row is selected with its detail.
    EXPECT_EQ(w.Label("lblRefField")->text(), "2");
    EXPECT_EQ(w.Label("lblDiscrepancyIndex")->text(), "1  of  3");
    EXPECT_EQ(w.RowGrid()->horizontalHeaderItem(1)->text(), "in \"t1\"");
    // "name" differs in row 1: both ways enabled; "qty" does not.
    w.RowGrid()->selectRow(0);
    EXPECT_TRUE(w.FixButton(1)->isEnabled());
    EXPECT_TRUE(w.FixButton(2)->isEnabled());
    EXPECT_FALSE(w.FixButton(3)->isEnabled());
    w.RowGrid()->selectRow(1);
    EXPECT_FALSE(w.FixButton(1)->isEnabled());
    w.RowGrid()->selectRow(0);
    w.FixButton(1)->click();
    w.FixButton(1)->click(); // listed once
    EXPECT_TRUE(w.Pages()->isTabVisible(2));
    EXPECT_EQ(w.Fixes()->count(), 1);
    EXPECT_TRUE(w.FixButton(0)->isEnabled());
    // The missing row.
    g->selectRow(1);
    EXPECT_EQ(w.Label("lblRowDiscrepancies")->text(), "Missing Row");
    EXPECT_EQ(w.RowGrid()->columnCount(), 2);
    w.RowGrid()->selectRow(0);
    EXPECT_TRUE(w.FixButton(3)->isEnabled());
    w.FixButton(3)->click();
    // O'Hara's qty, copied right.
    g->selectRow(2);
    w.RowGrid()->selectRow(1);
    w.FixButton(1)->click();
    ASSERT_EQ(w.Fixes()->count(), 3);
    EXPECT_EQ(w.Fixes()->item(1)->text(),
              "  INSERT INTO t2 (id, name, qty) SELECT id, name, qty FROM t1 WHERE \"id\"=3;");
    EXPECT_TRUE(w.FixSql()->text().startsWith("BEGIN TRANSACTION;"));
    // View styles: differing only hides "qty" of t1 and t2 nowhere (qty differs in a row).
    w.SetViewStyle(0);
    w.SetViewStyle(2);
    for (int c = 2; c < g->columnCount(); ++c)
        EXPECT_FALSE(g->isColumnHidden(c)) << c;
    w.SetViewStyle(1);

    w.findChild<QPushButton*>("btnFixCopy")->click();
    EXPECT_EQ(board.text, w.FixSql()->text());
    // Apply: "No" changes nothing; "Yes" applies all in one go.
    prompts.replies = {Reply::No};
    w.findChild<QPushButton*>("btnFixApply")->click();
    EXPECT_EQ(Scalar("SELECT count(*) FROM t2"), "3");
    prompts.replies = {Reply::Yes};
    w.findChild<QPushButton*>("btnFixApply")->click();
    EXPECT_EQ(prompts.notices.last(), "Success Fixing Data: All Fixes applied.");
    EXPECT_EQ(Scalar("SELECT group_concat(id || name || qty, ',') FROM t2"),
              "1a1,2b2,3c3,7O'Hara5");
    EXPECT_FALSE(w.Pages()->isTabVisible(1));
    EXPECT_FALSE(w.Pages()->isTabVisible(2));
    EXPECT_EQ(w.Fixes()->count(), 0);
    EXPECT_FALSE(w.DataComparison()); // nothing left to find
    EXPECT_TRUE(prompts.notices.last().startsWith("Unable to Compare Data: Error: Could not find"));
}

TEST_F(CompareWindowTest, TheOwnerGoneLeavesNoDanglingConnection) {
    TfrmSKYComp w(&prompts, &board);
    auto* owner = new QObject;
    ASSERT_TRUE(w.compare(&db, "t1", "t2", owner));
    delete owner;
    EXPECT_FALSE(w.DataComparison());
    EXPECT_EQ(w.lastError(), kNullDbReference);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb).
TEST_F(CompareWindowTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        TfrmSKYComp w(&prompts, &board);
        w.resize(1200, 800);
        ASSERT_TRUE(w.compare(&db, "t1", "t2"));
        RunEventsFor(200);
        EXPECT_TRUE(w.grab().save(shots + "/compare-layout-" + name + ".png", "PNG"));
        ASSERT_TRUE(w.DataComparison());
        w.RowGrid()->selectRow(0);
        w.FixButton(1)->click();
        RunEventsFor(200);
        EXPECT_TRUE(w.grab().save(shots + "/compare-data-" + name + ".png", "PNG"));
        w.Pages()->setCurrentIndex(2);
        RunEventsFor(200);
        EXPECT_TRUE(w.grab().save(shots + "/compare-fixes-" + name + ".png", "PNG"));
    });
}

} // namespace
} // namespace sky::ui
