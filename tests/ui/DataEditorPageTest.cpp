// The workspace's "Edit Data" page under the offscreen platform: a cell typed
// into, the script it gives, the commit read back by the sqlite3 shell, a
// failing commit with its notice, the row buttons, the tab-separated copy
// and the help panel; and screenshots in two themes.
#include "workspace/ui/DataEditorPage.h"
#include "common/ExampleDb.h"
#include "common/Process.h"
#include "common/UiAnswer.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/Themes.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class DataEditorPageTest : public test::ExampleDbTest {
protected:
    // Types text into a cell through the grid's own editor and presses Enter.
    static void TypeIntoCell(QTableView* grid, int row, int col, const QString& text) {
        const QModelIndex i = grid->model()->index(row, col);
        grid->setCurrentIndex(i);
        grid->edit(i);
        RunEventsFor(20);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (!editor) editor = grid->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(editor, &enter);
        RunEventsFor(20);
    }
    static int Column(QTableView* grid, const QString& name) {
        for (int c = 0; c < grid->model()->columnCount({}); ++c)
            if (grid->model()->headerData(c, Qt::Horizontal).toString() == name) return c;
        return -1;
    }
    template <typename T> static T* Child(QWidget* w, const char* name) {
        return w->findChild<T*>(QLatin1String(name));
    }
};

TEST_F(DataEditorPageTest, EditCellsSeeTheScriptAndCommit) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("category"));
    w->resize(1280, 800);
    w->show();
    w->Pages()->setCurrentIndex(kPageEdit);
    RunEventsFor(50);
    TDataEditorPage* page = w->DataEditor();
    QTableView* grid = page->Grid();
    EXPECT_EQ(w->Pages()->tabText(kPageEdit), QStringLiteral("Edit Data"));
    EXPECT_EQ(Child<QPushButton>(page, "btnEditorSelectTable")->text(),
              QStringLiteral(" Refresh:  category"));
    EXPECT_EQ(Child<QLabel>(page, "lblEditorTableName")->text(), QStringLiteral("category"));
    EXPECT_EQ(page->Where()->currentText(), QStringLiteral("1 LIMIT 200"));
    EXPECT_TRUE(Child<QWidget>(page, "pnlEditHdr")->isVisible());
    EXPECT_FALSE(Child<QLabel>(page, "lblEditorInvalid")->isVisible());
    const int rows = test::Shell(file, "SELECT count(*) FROM category;").toInt();
    ASSERT_EQ(grid->model()->rowCount({}), rows);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    const int name = Column(grid, QStringLiteral("name"));
    const int rate = Column(grid, QStringLiteral("daily_rate"));
    ASSERT_GE(name, 0);
    ASSERT_GE(rate, 0);
    EXPECT_LE(grid->columnWidth(Column(grid, QStringLiteral("description"))), 300);
    auto* commit = Child<QPushButton>(page, "btnEditorCommit");
    EXPECT_FALSE(commit->isEnabled());

    TypeIntoCell(grid, 0, name, QStringLiteral("Bikes 'n' more"));
    EXPECT_EQ(page->Script()->text(),
              QStringLiteral("UPDATE category SET name = 'Bikes ''n'' more' WHERE code = 'BIKE'; "
                             "\r\n"));
    EXPECT_TRUE(commit->isEnabled());
    EXPECT_TRUE(Child<QToolButton>(page, "btnEditorResetLine")->isEnabled());
    EXPECT_TRUE(
        grid->model()->data(grid->model()->index(0, name), Qt::FontRole).value<QFont>().bold());
    commit->click();
    EXPECT_EQ(w->Controller().status, QStringLiteral("Success - one update succeeded"));
    EXPECT_TRUE(page->Script()->text().isEmpty());
    EXPECT_EQ(test::Shell(file, "SELECT name FROM category WHERE code = 'BIKE';"),
              QByteArray("Bikes 'n' more"));

    // A rate breaking the CHECK: everything rolled back, a notice, the
    // failed statement after its line in the script.
    TypeIntoCell(grid, 1, name, QStringLiteral("Climbing"));
    TypeIntoCell(grid, 2, rate, QStringLiteral("-1"));
    commit->click();
    RunEventsFor(50);
    EXPECT_TRUE(w->Controller().status.endsWith(kEditorRolledBack));
    bool noticed = false;
    for (const QString& n : ShownNotices())
        noticed = noticed || n.startsWith(QStringLiteral("There was an Error"));
    EXPECT_TRUE(noticed);
    EXPECT_TRUE(page->Script()->text().contains(QStringLiteral("  -- Item failed: ")));
    EXPECT_EQ(test::Shell(file, "SELECT name FROM category WHERE code = 'CLIMB';"),
              QByteArray("Climbing gear"));
    if (TKMessg* m = VisibleMessage()) m->close();

    // Row buttons and the tab-separated copy.
    grid->setCurrentIndex(grid->model()->index(0, 0));
    Child<QToolButton>(page, "btnEditorAddRecord")->click();
    ASSERT_EQ(grid->model()->rowCount({}), rows + 1);
    EXPECT_EQ(grid->model()->headerData(rows, Qt::Vertical).toString(), kEditorNewRow);
    EXPECT_TRUE(page->Script()->text().startsWith(QStringLiteral("INSERT INTO category(")));
    Child<QToolButton>(page, "btnEditorCopyGrid")->click();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(
        QStringLiteral("Row\tcode\tname\tdaily_rate\tdeposit\tdescription\r\n1\tBIKE\t")));
    Child<QToolButton>(page, "btnEditorDeleteLine")->click();
    EXPECT_EQ(grid->model()->rowCount({}), rows);

    // The help panel, centred on the page.
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(page->HelpImage(), &enter);
    auto* help = w->findChild<QWidget*>(QStringLiteral("pnlHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    bool titled = false;
    for (QLabel* l : help->findChildren<QLabel*>())
        titled = titled || l->text() == QStringLiteral("- Value Editor Actions -");
    EXPECT_TRUE(titled);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(page->HelpImage(), &leave);
    EXPECT_FALSE(help->isVisible());
    w->close();
    RunEventsFor(50);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb): the
// page with a changed cell, a new row, a deleted row and the script.
TEST_F(DataEditorPageTest, ScreenshotsInThemes) {
    const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
        ASSERT_TRUE(ApplyTheme(*app, theme));
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QStringLiteral("customer"));
        w->resize(1280, 800);
        w->ShowAndRaise();
        w->Pages()->setCurrentIndex(kPageEdit);
        WorkspaceController& c = w->Controller();
        c.ChooseEditorCell(1, 1);
        c.EditorSetCell(1, 1, QStringLiteral("Changed Name"));
        c.ChooseEditorCell(2, 0);
        c.EditorDeleteLine();
        c.EditorAddRecord();
        c.ChooseEditorCell(1, 1);
        RunEventsFor(300);
        const QString name = QString(theme).remove(u' ');
        EXPECT_TRUE(w->grab().save(shots + QStringLiteral("/edit-") + name + ".png", "PNG"));
        w->close();
        RunEventsFor(200);
    }
    ApplyTheme(*app, kDefaultTheme);
}

} // namespace
} // namespace sky::ui
