// Number input repair, the countdown prompter and deferred calls.
#include "common/ScriptedPrompter.h"
#include "support/Prompter.h"
#include "support/PulseCall.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <gtest/gtest.h>
#include <memory>

namespace sky {
namespace {

TEST(PromptNumber, RepairDeletesAtTheParseError) {
    const struct {
        const char* text;
        bool ok;
        double value;
        const char* left;
    } cases[] = {
        {"12x4", true, 124, "124"},    {"x", false, 0, ""},   {" 7 ", true, 7, "7"},
        {"1e", true, 1, "1"},          {"-", false, 0, ""},   {"3.5.1", true, 3.51, "3.51"},
        {"1,000", true, 1000, "1000"}, {"e5", true, 5, "5"},  {".", false, 0, ""},
        {"--2", true, -2, "-2"},       {"1e+", true, 1, "1"}, {"2E-3", true, 0.002, "2E-3"},
    };
    for (const auto& c : cases) {
        QString t = QLatin1String(c.text);
        double v = -99;
        EXPECT_EQ(RepairNumberText(t, v), c.ok) << c.text;
        EXPECT_EQ(t, QLatin1String(c.left)) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

TEST(PromptNumber, AskNumberGivesTheDefaultWhenCancelledOrEmpty) {
    test::ScriptedPrompter p;
    p.texts = {QStringLiteral("12x4"), QStringLiteral("x"), QStringLiteral("   ")};
    EXPECT_EQ(AskNumber(p, "t", "p", 10, {}, 5, 3), 124);
    EXPECT_EQ(p.initials, QStringList{QStringLiteral("3")});
    EXPECT_EQ(AskNumber(p, "t", "p", 10, {}, 5, 3), 5);
    EXPECT_EQ(AskNumber(p, "t", "p", 10, {}, 5, 3), 5);
    EXPECT_EQ(AskNumber(p, "t", "p", 10, {}, 5, 3), 5); // cancelled
    p.texts = {QStringLiteral("-7.9")};
    EXPECT_EQ(AskInteger(p, "t", "p", 10, {}, 5, 3), -7);
    EXPECT_EQ(p.prompts.size(), 5);
}

TEST(PromptCountdown, AnswersAsTheCountdownWould) {
    CountdownPrompter p;
    EXPECT_FALSE(p.AskYesNo("t", "x", 30, "No", "Yes"));
    bool cancelled = false;
    EXPECT_FALSE(p.AskYesNoCancel("t", "x", cancelled, "No", "Yes", 30));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(p.AskText("t", "p", "init", {}, false, 30, "CANCEL"), QStringLiteral("CANCEL"));
    EXPECT_EQ(AskNumber(p, "t", "p", 30, {}, 42, 1), 42);
    NullProgress progress;
    EXPECT_TRUE(progress.AdvanceIfNotCancelled("x", 0.5, -1));
}

void RunEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(PulseCall, CallsCountTimesThenEnds) {
    QObject context;
    int calls = 0;
    ASSERT_NE(PulseCall(5, 3, &context, [&] { ++calls; }), nullptr);
    RunEventsFor(120);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(context.findChildren<TPulseTimer*>().size(), 0); // freed itself

    EXPECT_EQ(PulseCall(0, 1, &context, [&] { ++calls; }), nullptr);
    EXPECT_EQ(PulseCall(5, 0, &context, [&] { ++calls; }), nullptr);

    // A call that throws ends the series.
    int thrown = 0;
    PulseCall(5, 5, &context, [&] {
        ++thrown;
        throw std::runtime_error("x");
    });
    RunEventsFor(80);
    EXPECT_EQ(thrown, 1);

    // The calls die with their context.
    int late = 0;
    auto gone = std::make_unique<QObject>();
    PulseCall(20, 1, gone.get(), [&] { ++late; });
    gone.reset();
    RunEventsFor(60);
    EXPECT_EQ(late, 0);
}

} // namespace
} // namespace sky
