// The calculator's presses, table-driven: the Part's sequences (powers,
// percentages, errors, the second "=" that submits), the number text, the
// sign key, non-finite values, submitting with typed input pending, keys,
// and the command line.
#include "calculator/CalcEngine.h"

#include "common/Process.h"

#include <QHash>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

// Presses a sequence of tokens (as the command line reads them); true when
// a press submitted.
bool Keys(CalcEngine& e, const QString& sequence) {
    for (const QString& k : sequence.split(u' ', Qt::SkipEmptyParts)) {
        static const QHash<QString, QPair<QString, char>> ops{
            {"+", {"dop", 'a'}},   {"-", {"dop", 's'}},   {"x", {"dop", 'm'}},
            {"/", {"dop", 'd'}},   {"^", {"dop", 'p'}},   {"=", {"nop", 'e'}},
            {"%", {"sop", 'p'}},   {"sqr", {"sop", '2'}}, {"sqrt", {"sop", 'r'}},
            {"neg", {"nop", 'i'}}, {"pi", {"nop", 'p'}},  {"C", {"clr", 'c'}},
            {"CE", {"clr", 'e'}}};
        if (k == "BS") {
            e.Backspace();
        } else if (ops.contains(k)) {
            if (e.Press(ops[k].first, QLatin1Char(ops[k].second))) return true;
        } else {
            for (QChar c : k)
                e.Press("num", c == u'.' ? QChar(u'p') : c);
        }
    }
    return false;
}

TEST(CalcEngine, SequencesAndTheirDisplay) {
    const struct {
        const char* keys;
        const char* display;
    } cases[] = {
        {"2 ^ 10 =", "1024"},
        {"200 + 10 %", "220"},
        {"200 - 10 %", "180"},
        {"50 x 10 %", "5"},
        {"50 %", "0.5"},
        {"1 / 0 =", "# Error"},
        {"4 neg sqrt", "# Error"},
        {"9 sqrt", "3"},
        {"12 sqr", "144"},
        {"1 + 2 + 3 =", "6"},
        {"7 BS", "0"},
        {"12 BS", "1"},
        {"2 neg BS", "0"}, // "-" alone is no number
        {"0.1 + 0.2 =", "0.3"},
        {"10 ^ 400 =", "# Error"},
        {"10 ^ 15 =", "1E15"},
        {"2 ^ 70 =", "1.18059162071741E21"},
        {"1 / 100000 =", "1E-5"},
        {"1 / 10000 =", "0.0001"},
        {"0 - 0 x 1 =", "0"},
        {"3 neg", "-3"},
        {"3 neg neg", "3"},
        {"0 neg", "0"},
        {"pi", "3.14159265358979"},
        {"5 + C", "0"},
        {"5 + 3 CE 4 =", "9"},
        {"1 . . 5", "1.5"},
    };
    for (const auto& c : cases) {
        CalcEngine e;
        Keys(e, c.keys);
        EXPECT_EQ(e.Display(), c.display) << c.keys;
    }
    // A 400-digit input is no number.
    CalcEngine big;
    Keys(big, QString(400, u'9') + " +");
    EXPECT_EQ(big.Display(), kCalcError);
    EXPECT_EQ(big.fAns, 0);
    // "±" only toggles the leading sign.
    CalcEngine sign;
    sign.fInp = "1E-5";
    sign.Press("nop", u'i');
    EXPECT_EQ(sign.fInp, "-1E-5");
    sign.Press("nop", u'i');
    EXPECT_EQ(sign.fInp, "1E-5");
}

TEST(CalcEngine, NumberText) {
    const struct {
        double v;
        const char* text;
    } cases[] = {{0, "0"},
                 {-0.0, "0"},
                 {1, "1"},
                 {-2.5, "-2.5"},
                 {1e14, "100000000000000"},
                 {1e15, "1E15"},
                 {1e-5, "1E-5"},
                 {0.0001, "0.0001"},
                 {1.0 / 3, "0.333333333333333"},
                 {123456789.125, "123456789.125"},
                 {1.5e-7, "1.5E-7"},
                 {-1e20, "-1E20"}};
    for (const auto& c : cases)
        EXPECT_EQ(CalcEngine::NumberText(c.v), c.text) << c.v;
}

TEST(CalcEngine, SubmittingInsideTheDialog) {
    // "=" again on a standing result submits it.
    CalcEngine e;
    e.submitShown = true;
    EXPECT_FALSE(Keys(e, "6 x 7 ="));
    EXPECT_TRUE(Keys(e, "="));
    EXPECT_EQ(e.Value(), "42");
    // "200 + 10 % =" submits 220.
    CalcEngine p;
    p.submitShown = true;
    EXPECT_TRUE(Keys(p, "200 + 10 % ="));
    EXPECT_EQ(p.Value(), "220");
    // Typed input pending is computed before Submit.
    CalcEngine s;
    s.submitShown = true;
    Keys(s, "5 + 3");
    s.Submit();
    EXPECT_EQ(s.Value(), "8");
    CalcEngine t;
    Keys(t, "12");
    t.Submit();
    EXPECT_EQ(t.Value(), "12");
    // Outside the dialog "=" never submits.
    CalcEngine n;
    EXPECT_FALSE(Keys(n, "6 x 7 = ="));
    // Reset with a value, then on from there.
    CalcEngine r;
    Keys(r, "9 + 1");
    r.Reset(2.5);
    EXPECT_EQ(r.Display(), "2.5");
    Keys(r, "x 2 =");
    EXPECT_EQ(r.Value(), "5");
}

TEST(CalcEngine, KeysAndTheCommandLine) {
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        const char* cls;
        char code;
    } keys[] = {{Qt::Key_7, Qt::NoModifier, "num", '7'},
                {Qt::Key_End, Qt::KeypadModifier, "num", '1'},
                {Qt::Key_PageUp, Qt::KeypadModifier, "num", '9'},
                {Qt::Key_Enter, Qt::KeypadModifier, "nop", 'e'},
                {Qt::Key_Equal, Qt::NoModifier, "nop", 'e'},
                {Qt::Key_Asterisk, Qt::KeypadModifier, "dop", 'm'},
                {Qt::Key_Slash, Qt::NoModifier, "dop", 'd'},
                {Qt::Key_Comma, Qt::NoModifier, "num", 'p'},
                {Qt::Key_Delete, Qt::NoModifier, "num", 'p'},
                {Qt::Key_Backspace, Qt::NoModifier, "bs", 0},
                {Qt::Key_Tab, Qt::NoModifier, "submit", 0},
                {Qt::Key_Escape, Qt::NoModifier, "cancel", 0}};
    for (const auto& k : keys) {
        QString cls;
        QChar code;
        ASSERT_TRUE(CalcEngine::KeyToButton(k.key, k.mods, cls, code)) << k.key;
        EXPECT_EQ(cls, k.cls) << k.key;
        if (k.code) {
            EXPECT_EQ(code, QLatin1Char(k.code)) << k.key;
        }
    }
    QString cls;
    QChar code;
    EXPECT_FALSE(CalcEngine::KeyToButton(Qt::Key_End, Qt::NoModifier, cls, code));

    EXPECT_EQ(Cli({"calc", "2 ^ 10 ="}).out, "1024\r\n");
    EXPECT_EQ(Cli({"calc", "--modal", "6 x 7 = = 1 +"}).out, "Submitted: 42\r\n");
    EXPECT_EQ(Cli({"calc", "--modal", "5 + 3 submit"}).out, "Submitted: 8\r\n");
    EXPECT_EQ(Cli({"calc", "--steps", "2 + 3 ="}).out, "  2\r\n+ 2\r\n+ 3\r\n= 5\r\n");
    EXPECT_EQ(Cli({"calc", "2 ? 3"}).code, 2);
}

} // namespace
} // namespace sky::test
