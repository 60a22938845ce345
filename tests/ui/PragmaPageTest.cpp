// The pragma page in the workspace window under the offscreen platform: the
// values read at open, Update enabled only for a changed row, update one and
// all, an action button's statement in the editor, the wheel scrolling both
// panels, and screenshots in both themes.
#include "workspace/ui/PragmaPage.h"

#include "common/ExampleDb.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QWheelEvent>

namespace sky::ui {
namespace {

class PragmaPageTest : public test::ExampleDbTest {};

TEST_F(PragmaPageTest, ValuesUpdatesActionsAndTheWheel) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    TPragmaPage* p = w->PragmaPage();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->ValueList("journal_mode")->currentText(), "Delete");
    QPushButton* update = p->UpdateButton("user_version");
    EXPECT_FALSE(update->isEnabled());
    p->ValueList("user_version")->setEditText("11");
    EXPECT_TRUE(update->isEnabled());
    p->ValueList("user_version")->setEditText(p->Pragmas().Find("user_version")->sVal);
    EXPECT_FALSE(update->isEnabled()); // back to the value read
    p->ValueList("user_version")->setEditText("11");
    update->click();
    EXPECT_EQ(w->Controller().status, "Success updating pragma user_version.");
    EXPECT_EQ(w->Controller().editor.text, "PRAGMA user_version = 11;");
    EXPECT_FALSE(update->isEnabled());
    QString v;
    w->Controller().sql.QuerySingleValue(v, "PRAGMA user_version;");
    EXPECT_EQ(v, "11");
    // Two rows changed, then "Update all Pragmas".
    p->ValueList("user_version")->setEditText("12");
    p->ValueList("application_id")->setEditText("5");
    w->findChild<QPushButton*>("btnCfgPragmaUpdateAll")->click();
    EXPECT_EQ(w->Controller().status, "Success updating 2 pragmas.");
    // A hostile typed value never runs.
    p->ValueList("busy_timeout")->setEditText("1; DROP TABLE customer");
    p->UpdateAll();
    EXPECT_TRUE(w->Controller().status.startsWith("Error: pragma busy_timeout"))
        << w->Controller().status.toStdString();
    // An action button: its statement in the editor with the table selected.
    QPushButton* info = p->ActionButton("Table Info (TABLE)");
    ASSERT_TRUE(info);
    info->click();
    EXPECT_EQ(w->Controller().editor.text, "PRAGMA table_info(customer);");
    EXPECT_EQ(w->Controller().editor.selStart, 18);
    EXPECT_EQ(w->Controller().editor.selEnd, 26);
    // The wheel moves both panels.
    w->Pages()->setCurrentWidget(p);
    w->resize(1000, 500);
    RunEventsFor(100);
    QScrollBar* a = p->ValuesArea()->verticalScrollBar();
    QScrollBar* b = p->ButtonsArea()->verticalScrollBar();
    ASSERT_GT(a->maximum(), 0);
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(p->ValuesArea()->viewport(), &wheel);
    EXPECT_EQ(a->value(), 16);
    EXPECT_EQ(b->value(), std::min(16, b->maximum()));
    // Over a value list: the panels scroll, the value stays.
    QComboBox* list = p->ValueList("synchronous");
    const QString before = list->currentText();
    QCoreApplication::sendEvent(list, &wheel);
    EXPECT_EQ(list->currentText(), before);
    EXPECT_EQ(a->value(), 32);
    w->close();
    RunEventsFor(50);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb).
TEST_F(PragmaPageTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QStringLiteral("customer"));
        w->resize(1280, 800);
        w->ShowAndRaise();
        w->Pages()->setCurrentWidget(w->PragmaPage());
        w->PragmaPage()->ValueList("user_version")->setEditText("3");
        RunEventsFor(300);
        EXPECT_TRUE(w->grab().save(shots + "/pragma-" + name + ".png", "PNG"));
        w->close();
        RunEventsFor(50);
    });
}

} // namespace
} // namespace sky::ui
