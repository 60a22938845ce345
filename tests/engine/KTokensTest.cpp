#include "engine/KTokens.h"

#include <gtest/gtest.h>

#include <random>

using namespace sky;

namespace {

const QString kViewQuotes = QStringLiteral("(..),/*..*/,--..,//..");

// An empty start marks a definition that must be dropped.
TEST(KTokens, BuildQuoteSets) {
    const QString cases[][3] = {
        {"(..)", "(", ")"}, {"/*..*/", "/*", "*/"}, {"--..", "--", ""},
        {"'", "'", "'"},    {" ( .. ) ", "(", ")"}, {"a.b.c", "a", "bc"},
        {"ab", "", ""},     {"\t.x", "", ""},       {"", "", ""},
    };
    for (const auto& c : cases) {
        TQuoteSets sets{{"keep", "me"}};
        const bool kept = !c[1].isEmpty();
        EXPECT_EQ(BuildQuoteSets({c[0]}, sets), kept ? 1 : 0) << c[0].toStdString();
        ASSERT_EQ(sets.size(), kept ? 2u : 1u) << c[0].toStdString();
        if (kept) {
            EXPECT_EQ(sets[1].qtStart, c[1]);
            EXPECT_EQ(sets[1].qtEnd, c[2]);
        }
    }
}

struct TokCase {
    QString text, quotes, placeholder;
    bool keep;
    QString output;
    QStringList tokens;
};

TEST(KTokens, TokenizeQuoted) {
    const QString v = kViewQuotes, ph = "#T..#";
    const TokCase cases[] = {
        {"(a)(b)(c)", v, ph, false, "#T1##T2##T3#", {"#T1#=a", "#T2#=b", "#T3#=c"}},
        {"(a(b)c)", v, ph, false, "#T1#c)", {"#T1#=a(b"}},
        {"x -- c\r\ny", v, ph, false, "x #T1#\r\ny", {"#T1#= c"}},
        // A line comment runs over a lone CR to the next LF, as in SQL.
        {"x -- c\ry\nz", v, ph, false, "x #T1#\nz", {"#T1#= c\ry"}},
        {"x --\r\n", v, ph, true, "x #T1#\r\n", {"#T1#=--"}},
        {"x -- c\r", v, ph, false, "x #T1#", {"#T1#= c\r"}},
        {"//x\n/*y*/z", v, ph, false, "#T1#\n#T2#z", {"#T1#=x", "#T2#=y"}},
        {"a (open", v, ph, false, "a #T1#", {"#T1#=open"}},
        {"a/*b*", v, ph, false, "a#T1#", {"#T1#=b*"}},
        {"(a\\)b)", v, ph, false, "#T1#", {"#T1#=a\\)b"}},
        {"(a))b)", v, ph, false, "#T1#", {"#T1#=a))b"}},
        {"/x/ - y", v, ph, false, "/x/ - y", {}},
        {"(a)--b", v, ph, true, "#T1##T2#", {"#T1#=(a)", "#T2#=--b"}},
        {"x(a", v, ph, true, "x#T1#", {"#T1#=(a"}},
        {"'it''s'", " ' ,, ", ph, false, "#T1#", {"#T1#=it''s"}},
        {"'a\\'b'x", "'", ph, false, "#T1#x", {"#T1#=a\\'b"}},
        {"\\\\x", "\\", ph, false, "#T1#x", {"#T1#="}}, // opener does not escape
        {"--a;", "-..;,--..", ph, false, "#T1#", {"#T1#=-a"}},
        {"--a;", "--..,-..;", ph, false, "#T1#", {"#T1#=a;"}},
        {"(a)", v, "<..>", false, "<1>", {"<1>=a"}},
        {"(a)", v, "", false, "#T1#", {"#T1#=a"}},
        {"(", v, ph, false, "(", {}},
        {"(a)", " , ", ph, false, "(a)", {}},
    };
    for (const TokCase& c : cases) {
        QStringList tokens{"stale"};
        QString out;
        TokenizeQuoted(c.text, &tokens, c.keep, out, c.placeholder, c.quotes);
        EXPECT_EQ(out, c.output) << c.text.toStdString();
        EXPECT_EQ(tokens, c.tokens) << c.text.toStdString();
    }
}

TEST(KTokens, OutputMayAliasInput) {
    QString s = "a(b)c";
    TokenizeQuoted(s, nullptr, false, s, "#T..#", kViewQuotes);
    EXPECT_EQ(s, "a#T1#c");
}

// With kept quotes, putting every token back in place of its placeholder must
// give the original text, whatever mix of openers and closers it holds.
TEST(KTokens, KeptQuotesRebuildTheText) {
    const QString alphabet = "()/*-\\\r\nab'";
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        QString s;
        const int len = static_cast<int>(rng() % 40);
        for (int i = 0; i < len; ++i)
            s += alphabet[rng() % alphabet.size()];
        QStringList tokens;
        QString out;
        TokenizeQuoted(s, &tokens, true, out, "<..>", kViewQuotes + ",'");
        for (const QString& t : tokens) {
            const qsizetype eq = t.indexOf('=');
            const qsizetype at = out.indexOf(t.first(eq));
            ASSERT_GE(at, 0) << s.toStdString();
            out.replace(at, eq, t.sliced(eq + 1));
        }
        ASSERT_EQ(out, s);
    }
}

} // namespace
