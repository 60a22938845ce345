// The quick-SQL page, the results menus and keys, and the query pop-out
// under the offscreen platform: the buttons write text and selection; menu
// items enable (or say why not) by the row's key; the Delete key's two
// questions; pop-outs with rows, without (they run after 200 ms), after
// their workspace closed; hiding, showing and closing them all.
#include "common/ExampleDb.h"
#include "common/UiAnswer.h"
#include "completion/ui/CompletionPopup.h"
#include "design/ui/QueryPopOutWindow.h"
#include "shell/ui/PopOuts.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/Themes.h"
#include "workspace/ui/QuickSqlPage.h"
#include "workspace/ui/ResultsView.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class ResultsWindowTest : public test::ExampleDbTest {
protected:
    void SetUp() override {
        test::ExampleDbTest::SetUp();
        w = new TfrmSKYMain;
        w->Init(file, QStringLiteral("customer"));
        w->show();
    }
    void TearDown() override {
        PopOuts().CloseAll();
        if (w) w->close();
        RunEventsFor(100);
        test::ExampleDbTest::TearDown();
    }
    // The menu of a cell of the grid (row and column of the grid's model).
    QAction* MenuItem(QMenu& m, const char* name) {
        for (QAction* a : m.findChildren<QAction*>())
            if (a->objectName() == QLatin1String(name)) return a;
        return nullptr;
    }
    void Run(const QString& sql) {
        w->Editor()->setText(sql);
        w->RunQuery(RunMode::Plain);
    }
    QPointer<TfrmSKYMain> w;
};

TEST_F(ResultsWindowTest, QuickSqlButtonsWriteTextAndSelection) {
    TQuickSqlPage* q = w->QuickSql();
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->Columns()->currentText(), "id");
    auto button = [&](const char* name) { return q->findChild<QPushButton*>(QLatin1String(name)); };
    w->Editor()->setText(QString());
    button("btnSQLInsert")->click();
    const QString text = w->Editor()->text();
    EXPECT_TRUE(text.startsWith("INSERT INTO customer(id, full_name")) << text.toStdString();
    EXPECT_TRUE(w->Editor()->hasSelectedText() || text.contains("'"));
    // "=" twice with a chosen column: the column once.
    w->Editor()->setText(QString());
    q->Columns()->setCurrentText("city");
    button("btnSQLCompare=")->click();
    button("btnSQLCompare=")->click();
    EXPECT_EQ(w->Editor()->text(), "city =  = ");
    // A view: the row statements are not offered.
    w->Controller().SelectTable(QStringLiteral("rental_totals"), QString());
    ASSERT_EQ(w->Controller().table.type, 1);
    EXPECT_FALSE(button("btnSQLInsert")->isEnabled());
    EXPECT_TRUE(button("btnSQLSelect")->isEnabled());
}

TEST_F(ResultsWindowTest, MenuItemsFollowTheRowsKeyAndSayWhyNot) {
    Run("SELECT * FROM customer");
    TResultsPage* p = w->Results();
    {
        QMenu m;
        p->BuildMenu(m, 1, 1);
        QAction* edit = MenuItem(m, "mnuFuncValueChange1");
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(edit->isEnabled());
        EXPECT_TRUE(MenuItem(m, "mnuFuncLineCopy1")->isEnabled());
        EXPECT_TRUE(MenuItem(m, "mnuCopyLineSQL1")->isEnabled());
    }
    Run("SELECT full_name, city FROM customer");
    {
        QMenu m;
        p->BuildMenu(m, 1, 0);
        QAction* edit = MenuItem(m, "mnuFuncValueChange1");
        ASSERT_NE(edit, nullptr);
        EXPECT_FALSE(edit->isEnabled());
        EXPECT_EQ(edit->toolTip(), "No primary key or rowid of customer in the result");
        EXPECT_TRUE(MenuItem(m, "mnuFuncTableShowDropSQL1")->isEnabled());
        // A shown table statement goes into the editor.
        MenuItem(m, "mnuFuncTableShowDropSQL1")->trigger();
        EXPECT_EQ(w->Editor()->text(), "DROP TABLE customer;");
    }
}

TEST_F(ResultsWindowTest, TheDeleteKeyAsksTwiceThenRemovesTheRow) {
    WorkspaceController& c = w->Controller();
    ASSERT_TRUE(c.sql.ExecuteList("CREATE TABLE scratch(id INTEGER PRIMARY KEY, v TEXT);"
                                  "INSERT INTO scratch VALUES (1, 'a'), (2, 'b');"));
    c.RefreshSchema();
    c.SelectTable(QStringLiteral("scratch"), QString());
    Run("SELECT * FROM scratch ORDER BY id");
    QTableView* g = w->Results()->Grid();
    g->setCurrentIndex(g->model()->index(0, 1));
    // No at the second question: nothing removed.
    AnswerInOrder({{How::Yes, {}}, {How::No, {}}});
    QKeyEvent del(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(g, &del);
    QString count;
    c.sql.QuerySingleValue(count, "SELECT count(*) FROM scratch");
    EXPECT_EQ(count, "2");
    AnswerInOrder({{How::Yes, {}}, {How::Yes, {}}});
    QCoreApplication::sendEvent(g, &del);
    c.sql.QuerySingleValue(count, "SELECT group_concat(v) FROM scratch");
    EXPECT_EQ(count, "b");
    EXPECT_EQ(w->Results()->Model()->rowCount({}), 1); // the query ran again
}

TEST_F(ResultsWindowTest, PopOutsWithRowsWithoutAndAfterTheirWorkspace) {
    Run("SELECT id, full_name FROM customer ORDER BY id LIMIT 3");
    w->Controller().PopOutResults();
    ASSERT_EQ(PopOuts().Count(), 1);
    auto* withRows = qobject_cast<TfrmSKYQryData*>(PopOuts().Windows().last());
    ASSERT_NE(withRows, nullptr);
    EXPECT_EQ(withRows->Grid()->model()->rowCount({}), 3); // shown at once, not run
    EXPECT_EQ(withRows->Status()->text(), "SQL Query Opened.");
    EXPECT_TRUE(withRows->windowTitle().startsWith("SQL Query [SELECT id, full_name FROM"));
    EXPECT_TRUE(withRows->findChild<TCompletionPopup*>()); // its editor completes
    // Without rows: the query runs by itself 200 ms later.
    TfrmSKYQryData* runs =
        TfrmSKYQryData::Open(10, 10, &w->Controller().sql, true, {}, "SELECT 1 AS one, NULL AS n");
    ASSERT_NE(runs, nullptr);
    EXPECT_EQ(runs->Grid()->model()->rowCount({}), 0);
    EXPECT_TRUE(WaitFor([&] { return runs->Grid()->model()->rowCount({}) == 1; }));
    EXPECT_EQ(runs->Status()->text(), "Query Success.");
    // Blank SQL or an open transaction: nothing opens.
    EXPECT_EQ(TfrmSKYQryData::Open(0, 0, &w->Controller().sql, true, {}, "  "), nullptr);
    ASSERT_TRUE(w->Controller().sql.BeginTransaction());
    EXPECT_EQ(TfrmSKYQryData::Open(0, 0, &w->Controller().sql, true, {}, "SELECT 1"), nullptr);
    w->Controller().sql.Rollback();
    // Hide, show, close all.
    PopOuts().HideAll();
    EXPECT_FALSE(runs->isVisible());
    PopOuts().ShowAll();
    EXPECT_TRUE(runs->isVisible());
    // The workspace closed: Query says it is not connected.
    w->close();
    RunEventsFor(200);
    ASSERT_TRUE(runs);
    runs->RunQuery();
    EXPECT_EQ(runs->Status()->text(), kPopOutNotConnected);
    EXPECT_EQ(runs->Grid()->model()->rowCount({}), 0);
    PopOuts().CloseAll();
    RunEventsFor(100);
    EXPECT_EQ(PopOuts().Count(), 0);
}

TEST_F(ResultsWindowTest, ScreenshotsInThemes) {
    const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    w->close();
    RunEventsFor(100);
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
        ASSERT_TRUE(ApplyTheme(*app, theme));
        QPointer<TfrmSKYMain> win = new TfrmSKYMain;
        win->Init(file, QStringLiteral("customer"));
        win->resize(1280, 800);
        win->ShowAndRaise();
        RunEventsFor(300);
        const QString name = QString(theme).remove(u' ');
        EXPECT_TRUE(win->grab().save(shots + QStringLiteral("/quick-") + name + ".png", "PNG"));
        QMenu m;
        win->Results()->BuildMenu(m, 1, 1);
        m.popup(win->mapToGlobal(QPoint(400, 400)));
        RunEventsFor(200);
        EXPECT_TRUE(m.grab().save(shots + QStringLiteral("/menu-") + name + ".png", "PNG"));
        m.close();
        TfrmSKYQryData* pop = TfrmSKYQryData::Open(
            0, 0, &win->Controller().sql, true, {},
            "SELECT id, full_name, email, NULL AS absent, phone FROM customer LIMIT 20");
        ASSERT_NE(pop, nullptr);
        pop->resize(900, 500);
        EXPECT_TRUE(WaitFor([&] { return pop->Grid()->model()->rowCount({}) > 0; }));
        RunEventsFor(200);
        EXPECT_TRUE(pop->grab().save(shots + QStringLiteral("/popout-") + name + ".png", "PNG"));
        PopOuts().CloseAll();
        win->close();
        RunEventsFor(200);
    }
    ApplyTheme(*app, kDefaultTheme);
}

} // namespace
} // namespace sky::ui
