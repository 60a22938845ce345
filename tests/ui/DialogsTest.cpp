// The message and progress dialogs under the offscreen platform: every call
// form answered by button, Enter, Esc and the countdown.
#include "common/UiAnswer.h"
#include "shell/ui/KMessg.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/QtPrompter.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override { TKMessg::SetTickMs(10); }
    void TearDown() override { TKMessg::SetTickMs(1000); }
    QtPrompter p;
};

TEST_F(DialogsTest, AskYesNo) {
    const struct {
        How how;
        bool want;
    } cases[] = {{How::Yes, true},
                 {How::No, false},
                 {How::Enter, true},
                 {How::Esc, false},
                 {How::Countdown, false}};
    for (const auto& c : cases) {
        AnswerNext(c.how);
        EXPECT_EQ(p.AskYesNo("Title", "Question?", 30, "Nope", "Sure"), c.want) << int(c.how);
    }
}

TEST_F(DialogsTest, AskYesNoCancel) {
    const struct {
        How how;
        bool want, cancelled;
    } cases[] = {{How::Yes, true, false},   {How::No, false, false}, {How::Cancel, false, true},
                 {How::Enter, true, false}, {How::Esc, false, true}, {How::Countdown, false, true}};
    for (const auto& c : cases) {
        AnswerNext(c.how);
        bool cancelled = !c.cancelled;
        EXPECT_EQ(p.AskYesNoCancel("Title", "Question?", cancelled, "No", "Yes", 30), c.want);
        EXPECT_EQ(cancelled, c.cancelled) << int(c.how);
    }
}

TEST_F(DialogsTest, AskTextAndNumber) {
    const struct {
        How how;
        const char* want;
    } cases[] = {{How::Yes, "typed"},
                 {How::Enter, "typed"},
                 {How::Cancel, "CANCELLED"},
                 {How::Esc, "CANCELLED"},
                 {How::Countdown, "CANCELLED"}};
    for (const auto& c : cases) {
        AnswerNext(c.how, QStringLiteral("typed"));
        EXPECT_EQ(
            p.AskText("Name", "Give a name", "initial", {"one", "two"}, false, 30, "CANCELLED"),
            QLatin1String(c.want))
            << int(c.how);
    }
    AnswerNext(How::Enter, QStringLiteral("12x4"));
    EXPECT_EQ(AskNumber(p, "Number", "How many?", 30, {}, 5, 3), 124);
    AnswerNext(How::Enter, QStringLiteral("x"));
    EXPECT_EQ(AskNumber(p, "Number", "How many?", 30, {}, 5, 3), 5);
    AnswerNext(How::Esc);
    EXPECT_EQ(AskNumber(p, "Number", "How many?", 30, {}, 5, 3), 5);
}

TEST_F(DialogsTest, NotesWarningsAndNotices) {
    for (How how : {How::Yes, How::Enter, How::Esc, How::Countdown}) {
        AnswerNext(how);
        p.ShowNote("Some note", QString());
        AnswerNext(how);
        p.ShowWarning("Bad things", "Careful");
    }
    // Header texts and the countdown label.
    auto* probe = new QTimer(qApp);
    probe->setInterval(10);
    QString header;
    QObject::connect(probe, &QTimer::timeout, [&] {
        if (TKMessg* m = VisibleMessage()) {
            header = m->findChild<QLabel*>(QStringLiteral("lblProgHeader"))->text();
            m->YesButton()->click();
            probe->stop();
        }
    });
    probe->start();
    p.ShowWarning("x", "Careful");
    EXPECT_EQ(header, QStringLiteral("WARNING: Careful"));
    delete probe;

    // A notice returns at once and frees itself when its countdown ends.
    p.ShowNotice("Notice", "Done.", 2, true);
    QPointer<TKMessg> notice = VisibleMessage();
    ASSERT_TRUE(notice);
    EXPECT_FALSE(notice->isModal());
    RunEventsFor(200);
    EXPECT_TRUE(notice.isNull());

    // A clickable notice runs its action.
    bool clicked = false;
    p.ShowClickableNotice("Theme", "Click here", 30, [&] { clicked = true; });
    QPointer<TKMessg> n2 = VisibleMessage();
    ASSERT_TRUE(n2);
    QLabel* msg = n2->findChild<QLabel*>(QStringLiteral("redtMessg"));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(msg, &release);
    EXPECT_TRUE(clicked);
    RunEventsFor(50);
    EXPECT_TRUE(n2.isNull());
}

TEST_F(DialogsTest, MovementRestartsTheCountdown) {
    TKMessg m;
    m.SetMsgText(QStringLiteral("x"));
    m.SetCountdown(30);
    m.SetModalMode(false);
    m.show();
    RunEventsFor(150);
    EXPECT_LT(m.Countdown().TimeLeft(), 30);
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(m.findChild<QLabel*>(QStringLiteral("redtMessg")), &move);
    EXPECT_EQ(m.Countdown().TimeLeft(), 30);
    EXPECT_EQ(m.width(), 780);
}

TEST(ProgressDialog, ThrottledBarsAndCancel) {
    TKProgress* one = ProgressStart("Working", false, true, -1, -1, true, true);
    one->Advance("item", 0.3, 0.6);
    EXPECT_EQ(one->BarText(1), QStringLiteral("60.0%"));
    for (int i = 0; i < 100; ++i)
        one->Advance(QString(), i / 100.0, -1);
    EXPECT_EQ(one->RefreshCount(), 1);
    EXPECT_EQ(one->ElapsedText(), QStringLiteral("00h - 00m - 00s"));
    EXPECT_TRUE(one->AdvanceIfNotCancelled(QString(), 0.5, -1));
    one->CancelButton()->click();
    EXPECT_FALSE(one->AdvanceIfNotCancelled(QString(), 0.6, -1));
    EXPECT_TRUE(one->IsCancelled());
    QPointer<TKProgress> gone = one;
    one->EndProgress();
    RunEventsFor(20);
    EXPECT_TRUE(gone.isNull());

    TKProgress* two = ProgressStart("Two", true, false, 0x202020, 0x00FF00, false, false);
    two->Advance("sub", 0.25, 0.75);
    EXPECT_EQ(two->BarText(1), QStringLiteral("25.0%"));
    EXPECT_EQ(two->BarText(2), QStringLiteral("75.0%"));
    EXPECT_FALSE(two->CancelButton()->isVisible());
    two->EndProgress();
}

} // namespace
} // namespace sky::ui
