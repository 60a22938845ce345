// The completion pop-up in the workspace's editors under the offscreen
// platform: Ctrl+Space on a word, a "." typed, choosing an entry replacing
// the word, the history editor's built-in list, and two workspaces each
// offering only their own database's tables.
#include "completion/ui/CompletionPopup.h"

#include "common/ExampleDb.h"
#include "common/ThemeShots.h"
#include "common/UiAnswer.h"
#include "design/ui/TriggerDialog.h"
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
    // A key typed as the keyboard sends it: pressed, then released.
    static void Type(QsciScintilla* e, int key, const QString& text = QString()) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(e, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(e, &release);
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
    e->setText("SELECT customer");
    e->setCursorPosition(0, 15);
    Type(e, Qt::Key_Period, ".");
    EXPECT_EQ(e->text(), "SELECT customer.");
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

TEST_F(CompletionPopupTest, TriggerDialogAndTheListItself) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    // The trigger dialog opened on this workspace's connection completes
    // from its vocabulary and highlights its tables.
    TfrmSKYTrig& d = frmSKYTrig();
    d.SetDatabase(&w->Controller().sql);
    TTriggerLayout t;
    t.trigTable = QStringLiteral("customer");
    t.trigExecCode = QStringLiteral("UPDATE customer SET x = 1");
    d.Load(t, {});
    QsciScintilla* s = d.StatementEdit();
    RunEventsFor(50);
    EXPECT_EQ(s->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 8L),
              long(QsciLexerSQL::KeywordSet5));
    auto* popup = s->findChild<TCompletionPopup*>();
    ASSERT_TRUE(popup);
    s->setText("DELETE FROM cust");
    s->setCursorPosition(0, 16);
    CtrlSpace(s);
    ASSERT_TRUE(Offers(popup, "customer"));
    // Enter in the open list takes the entry it shows first.
    ASSERT_TRUE(popup->IsOpen());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(s, &enter);
    EXPECT_EQ(s->text(), "DELETE FROM customer ");
    EXPECT_TRUE(d.Preview().contains("DELETE FROM customer"));
    // After the workspace closed: the built-in vocabulary only.
    w->close();
    RunEventsFor(50);
    ASSERT_TRUE(w.isNull());
    s->setText("DELETE FROM ");
    s->setCursorPosition(0, 12);
    CtrlSpace(s);
    EXPECT_FALSE(Offers(popup, "customer"));
    EXPECT_TRUE(Offers(popup, "SQLITE_MASTER"));
    popup->Hide();
    d.SetDatabase(nullptr);
}

TEST_F(CompletionPopupTest, KeysInTheList) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QStringLiteral("customer"));
    w->show();
    QsciScintilla* e = w->Editor();
    auto* popup = e->findChild<TCompletionPopup*>();
    EXPECT_EQ(popup->Title(), "SQLite SQL Completion:");
    e->setText("SELECT * FROM ");
    e->setCursorPosition(0, 14);
    e->setFocus();
    CtrlSpace(e);
    ASSERT_TRUE(popup->IsOpen());
    const int all = popup->Count();
    EXPECT_GT(all, 300);
    // Moving in the list leaves the text alone; Escape closes it.
    Type(e, Qt::Key_Down);
    EXPECT_EQ(popup->Current(), 1);
    Type(e, Qt::Key_PageDown);
    EXPECT_EQ(popup->Current(), 13);
    Type(e, Qt::Key_Up);
    EXPECT_EQ(popup->Current(), 12);
    Type(e, Qt::Key_Escape);
    EXPECT_FALSE(popup->IsOpen());
    EXPECT_EQ(e->text(), "SELECT * FROM ");
    // Typing filters the open list; Tab takes the first entry.
    CtrlSpace(e);
    Type(e, Qt::Key_C, "c");
    Type(e, Qt::Key_U, "u");
    ASSERT_TRUE(popup->IsOpen());
    EXPECT_LT(popup->Count(), all);
    EXPECT_TRUE(popup->Shown()[0].startsWith("table     customer"));
    Type(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), "SELECT * FROM c");
    EXPECT_TRUE(popup->IsOpen());
    Type(e, Qt::Key_U, "u");
    Type(e, Qt::Key_Tab);
    EXPECT_FALSE(popup->IsOpen());
    EXPECT_EQ(e->text(), "SELECT * FROM customer ");
    // A character that ends the word closes the list; nothing matching
    // leaves it closed.
    e->setText("SELECT count");
    e->setCursorPosition(0, 12);
    CtrlSpace(e);
    ASSERT_TRUE(popup->IsOpen());
    Type(e, Qt::Key_ParenLeft, "(");
    EXPECT_FALSE(popup->IsOpen());
    EXPECT_EQ(e->text(), "SELECT count(");
    e->setText("SELECT qqqq");
    e->setCursorPosition(0, 11);
    CtrlSpace(e);
    EXPECT_FALSE(popup->IsOpen());
    EXPECT_EQ(popup->Count(), 0);
    // A word on a later line, after characters of several bytes.
    e->setText("SELECT 'ÄÖ😀'\r\nFROM cu");
    e->setCursorPosition(1, 7);
    CtrlSpace(e);
    ASSERT_TRUE(popup->IsOpen());
    EXPECT_TRUE(popup->Shown()[0].startsWith("table     customer"));
    popup->Choose(0);
    EXPECT_EQ(e->text(), "SELECT 'ÄÖ😀'\r\nFROM customer ");
    // Keys pressed faster than released: the list follows each character.
    e->setText("SELECT * FROM t ");
    e->setCursorPosition(0, 16);
    CtrlSpace(e);
    for (const auto& [key, text] :
         {std::pair{Qt::Key_O, "o"}, {Qt::Key_R, "r"}, {Qt::Key_D, "d"}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString::fromLatin1(text));
        QCoreApplication::sendEvent(e, &press);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(e, &enter);
    EXPECT_EQ(e->text(), "SELECT * FROM t ORDER");
    // Ctrl let go before Space: the list stays; Shift+Down and Ctrl+Enter
    // are the editor's.
    e->setText("SELECT cust");
    e->setCursorPosition(0, 11);
    CtrlSpace(e);
    QKeyEvent space(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(e, &space);
    RunEventsFor(20);
    ASSERT_TRUE(popup->IsOpen());
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QCoreApplication::sendEvent(e, &shiftDown);
    EXPECT_EQ(popup->Current(), 0);
    // The caret moved away (a click, a command): the list goes, and Enter
    // is a line break again.
    e->setCursorPosition(0, 3);
    RunEventsFor(20);
    EXPECT_FALSE(popup->IsOpen());
    // The history editor's list is the built-in one of 24 rows.
    auto* hp = w->findChild<THistoryPage*>()->Editor()->findChild<TCompletionPopup*>();
    EXPECT_EQ(hp->Title(), "SQLite functions");
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
        e->findChild<TCompletionPopup*>()->Hide();
        w->close();
        RunEventsFor(50);
    });
}

} // namespace
} // namespace sky::ui
