// The completion pop-up in the workspace's editors under the offscreen
// platform: Ctrl+Space on a word, a "." typed, choosing an entry replacing
// the word, the history editor's built-in list, and two workspaces each
// offering only their own database's tables.
#include "completion/ui/CompletionPopup.h"

#include "common/ExampleDb.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "shell/ui/Scintilla.h"
#include "workspace/ui/HistoryPage.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <Qsci/qscilexersql.h>

namespace sky::ui {
namespace {

class CompletionPopupTest : public test::ExampleDbTest {
protected:
    static void CtrlSpace(QsciScintilla* e) {
        QKeyEvent k(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(e, &k);
    }
    static bool Offers(const TCompletionPopup* p, const QString& name) {
        for (const QString& s : p->Shown())
            if (s.contains(u' ' + name)) return true;
        return false;
    }
};

TEST_F(CompletionPopupTest, CtrlSpaceDotChooseAndTwoWorkspaces) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    QsciScintilla* e = w->Editor();
    auto* popup = e->findChild<TCompletionPopup*>();
    ASSERT_TRUE(popup);
    e->setText("SELECT * FROM cust");
    e->setCursorPosition(0, 18);
    CtrlSpace(e);
    ASSERT_FALSE(popup->Shown().isEmpty());
    EXPECT_TRUE(popup->Shown()[0].startsWith("table     customer"));
    popup->Choose(0);
    EXPECT_EQ(e->text(), "SELECT * FROM customer ");
    // A "." opens the whole list.
    e->setText("SELECT customer.");
    e->setCursorPosition(0, 16);
    QKeyEvent dot(QEvent::KeyRelease, Qt::Key_Period, Qt::NoModifier, QStringLiteral("."));
    QCoreApplication::sendEvent(e, &dot);
    EXPECT_GT(popup->Shown().size(), 300);
    // A second workspace on another database offers its own tables only.
    const QString other = data.filePath("other.db");
    {
        TSQLite3Database d;
        ASSERT_TRUE(d.Open(other));
        ASSERT_TRUE(d.ExecuteList("CREATE TABLE zebra(stripes INT);"));
    }
    QPointer<TfrmSKYMain> w2 = new TfrmSKYMain;
    w2->Init(other, QString());
    w2->show();
    auto* popup2 = w2->Editor()->findChild<TCompletionPopup*>();
    w2->Editor()->setText("SELECT * FROM ");
    w2->Editor()->setCursorPosition(0, 14);
    CtrlSpace(w2->Editor());
    EXPECT_TRUE(Offers(popup2, "zebra"));
    EXPECT_FALSE(Offers(popup2, "customer"));
    e->setText("SELECT * FROM ");
    e->setCursorPosition(0, 14);
    CtrlSpace(e);
    EXPECT_TRUE(Offers(popup, "customer"));
    EXPECT_FALSE(Offers(popup, "zebra"));
    // The history editor: the built-in list only.
    QsciScintilla* h = w->findChild<THistoryPage*>()->Editor();
    auto* hp = h->findChild<TCompletionPopup*>();
    ASSERT_TRUE(hp);
    h->setText("busy");
    h->setCursorPosition(0, 4);
    CtrlSpace(h);
    ASSERT_EQ(hp->Shown().size(), 1);
    hp->Choose(0);
    EXPECT_EQ(h->text(), "busy_timeout = 1000");
    // The editor highlights its own database's table names.
    e->setText("SELECT * FROM customer, zebra");
    RunEventsFor(50);
    const long atCustomer = 15, atZebra = 25;
    EXPECT_EQ(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, atCustomer),
              long(QsciLexerSQL::KeywordSet5));
    EXPECT_NE(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, atZebra),
              long(QsciLexerSQL::KeywordSet5));
    w2->close();
    w->close();
    RunEventsFor(50);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb): the
// open list, taken from the screen (it is a window of its own).
TEST_F(CompletionPopupTest, ScreenshotsInThemes) {
    const QString shots = test::ShotDir();
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    test::InEachTheme([&](const QString& name) {
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QStringLiteral("customer"));
        w->resize(1280, 800);
        w->move(0, 0);
        w->ShowAndRaise();
        QsciScintilla* e = w->Editor();
        e->setText("SELECT * FROM r");
        e->setCursorPosition(0, 15);
        e->setFocus();
        CtrlSpace(e);
        RunEventsFor(400);
        EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(
            shots + "/completion-" + name + ".png", "PNG"));
        e->cancelList();
        w->close();
        RunEventsFor(50);
    });
}

} // namespace
} // namespace sky::ui
