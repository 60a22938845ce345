// The calculator dialog under the offscreen platform: buttons by name, keys
// on release (keypad navigation digits, Backspace, Escape cancelling, Tab
// and Space submitting), the submitted value replacing the editor's
// selection, its position kept, and screenshots in both themes.
#include "calculator/ui/CalcWindow.h"

#include "common/ExampleDb.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "shell/ui/Scintilla.h"
#include "support/Settings.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace sky::ui {
namespace {

class CalcWindowTest : public test::ExampleDbTest {
protected:
    static void Release(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyRelease, key, mods);
        QCoreApplication::sendEvent(w, &e);
    }
};

TEST_F(CalcWindowTest, ButtonsKeysSubmitAndCancel) {
    TfrmSKYCalc c;
    c.showCalc();
    EXPECT_EQ(c.windowTitle(), "  Calculator  ");
    EXPECT_FALSE(c.findChild<QPushButton*>("btnSubmit")->isVisible());
    for (const char* b : {"btnnum2", "btndopP", "btnnum1", "btnnum0", "btnnopE"})
        c.PressButton(QLatin1String(b));
    EXPECT_EQ(c.DisplayLabel()->text(), "1024");
    EXPECT_EQ(c.OpLabel()->text(), "= ");
    Release(&c, Qt::Key_Home, Qt::KeypadModifier); // keypad 7
    Release(&c, Qt::Key_Backspace);
    EXPECT_EQ(c.DisplayLabel()->text(), "0");
    c.close();

    // Modal: Tab submits the typed sum, Escape cancels and keeps the value.
    double value = 0;
    QTimer::singleShot(0, &c, [&] {
        for (int k : {Qt::Key_5, Qt::Key_Plus, Qt::Key_3})
            Release(&c, k);
        Release(&c, Qt::Key_Tab);
    });
    ASSERT_TRUE(c.getCalcValue(value));
    EXPECT_EQ(value, 8);
    double kept = 1.5;
    QTimer::singleShot(0, &c, [&] { Release(&c, Qt::Key_Escape); });
    EXPECT_FALSE(c.getCalcValue(kept));
    EXPECT_EQ(kept, 1.5);
    EXPECT_FALSE(CfgGet("CalculatorPos", QString()).isEmpty());
}

TEST_F(CalcWindowTest, TheValueReplacesTheEditorsSelection) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    QsciScintilla* e = w->Editor();
    e->setText("SELECT 1 + X;");
    e->setSelection(0, 11, 0, 12);
    TfrmSKYCalc& calc = frmSKYCalc();
    QTimer::singleShot(0, &calc, [&] {
        for (const char* b : {"btnclrC", "btnnum6", "btndopM", "btnnum7", "btnnopE", "btnnopE"})
            calc.PressButton(QLatin1String(b));
    });
    w->AddCalculatorValue();
    EXPECT_EQ(e->text(), "SELECT 1 + 42;");
    w->close();
    RunEventsFor(50);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb).
TEST_F(CalcWindowTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        TfrmSKYCalc c;
        c.showCalc();
        for (const char* b : {"btnnum1", "btnnum2", "btndopA", "btnnum3"})
            c.PressButton(QLatin1String(b));
        RunEventsFor(200);
        EXPECT_TRUE(c.grab().save(shots + "/calculator-" + name + ".png", "PNG"));
        c.close();
    });
}

} // namespace
} // namespace sky::ui
