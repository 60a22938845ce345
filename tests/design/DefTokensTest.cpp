// The definition tokens the schema parsers read: kinds, values, positions
// and flags for the lexically tricky cases, and values that stay valid when
// tokens are copied, moved or outlive their list.
#include "design/DefTokens.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

// A token as one line: kind letter, flags, position and value.
// W word, Q quoted (with its quote), G group, C comment, , comma, O other;
// "^" a line break before it, "!" not closed.
QString Show(const DefToken& t) {
    QString s;
    switch (t.kind) {
    case DefKind::Word:
        s = QStringLiteral("W");
        break;
    case DefKind::Quoted:
        s = QStringLiteral("Q") + t.quote;
        break;
    case DefKind::Group:
        s = QStringLiteral("G");
        break;
    case DefKind::Comment:
        s = QStringLiteral("C");
        break;
    case DefKind::Comma:
        s = QStringLiteral(",");
        break;
    case DefKind::Other:
        s = QStringLiteral("O");
        break;
    }
    if (t.lineBefore) s += QLatin1Char('^');
    if (!t.closed) s += QLatin1Char('!');
    return s + QLatin1Char('@') + QString::number(t.pos) + QLatin1Char('+') +
           QString::number(t.len) + QLatin1Char(':') + t.Text();
}

QStringList ShowAll(const QList<DefToken>& tokens) {
    QStringList out;
    for (const DefToken& t : tokens)
        out << Show(t);
    return out;
}

TEST(DefTokens, KindsValuesAndPositions) {
    struct Case {
        const char* name;
        QString text;
        QStringList tokens;
    };
    const Case cases[] = {
        {"empty", QString(), {}},
        {"blanks only", QStringLiteral(" \t\r\n "), {}},
        {"words and a group",
         QStringLiteral("CREATE TABLE t(a INT)"),
         {"W@0+6:CREATE", "W@7+5:TABLE", "W@13+1:t", "G@14+7:a INT"}},
        {"doubled quotes are made single",
         QStringLiteral("\"a\"\"b\" 'it''s' `b``q`"),
         {"Q\"@0+6:a\"b", "Q'@7+7:it's", "Q`@15+6:b`q"}},
        {"brackets keep everything inside", QStringLiteral("[a \"b]"), {"Q[@0+6:a \"b"}},
        {"unicode words",
         QStringLiteral("ünï 名前 x\u00e9"),
         {QStringLiteral("W@0+3:ünï"), QStringLiteral("W@4+2:名前"),
          QStringLiteral("W@7+2:x\u00e9")}},
        {"comments keep their trimmed text",
         QStringLiteral("a -- line \nb /* block */"),
         {"W@0+1:a", "C@2+8:line", "W^@11+1:b", "C@13+11:block"}},
        {"commas and other characters",
         QStringLiteral("s.t, ;"),
         {"W@0+1:s", "O@1+1:.", "W@2+1:t", ",@3+1:,", "O@5+1:;"}},
        {"quotes and comments cannot close a group",
         QStringLiteral("(a, ')', \"(\" /* ) */, (b)) c"),
         {"G@0+26:a, ')', \"(\" /* ) */, (b)", "W@27+1:c"}},
        {"an open quote runs to the end", QStringLiteral("x \"ab"), {"W@0+1:x", "Q\"!@2+3:ab"}},
        {"a lone quote", QStringLiteral("'"), {"Q'!@0+1:"}},
        {"an open group runs to the end", QStringLiteral("(a (b)"), {"G!@0+6:a (b)"}},
        {"an open group ending in a line comment gets a line break",
         QStringLiteral("(a -- c"),
         {"G!@0+7:a -- c\n"}},
        {"a closed group ending in a line comment",
         QStringLiteral("(a -- c\n)"),
         {"G@0+9:a -- c\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ShowAll(DefTokenize(c.text)), c.tokens);
    }
}

TEST(DefTokens, KeywordsIgnoreAsciiCaseOnly) {
    const QList<DefToken> t =
        DefTokenize(QStringLiteral("select SELECT sElEcT _select selects \u017felect 'select'"));
    ASSERT_EQ(t.size(), 7);
    const bool expected[] = {true, true, true, false, false, false, false};
    for (qsizetype i = 0; i < t.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t[i].Is("SELECT"), expected[i]);
    }
    EXPECT_FALSE(t[6].IsName());
    EXPECT_TRUE(DefTokenize(QStringLiteral("[select]"))[0].IsName());
}

// Values held in the token itself (doubled quotes, a group given a line
// break) survive copies, moves and a growing list after the first list is
// gone; values that view the text stay valid as long as the text.
TEST(DefTokens, ValuesOutliveTheirList) {
    const QString text = QStringLiteral("\"a\"\"b\" (x -- c");
    QList<DefToken> kept;
    {
        const QList<DefToken> first = DefTokenize(text);
        ASSERT_EQ(first.size(), 2);
        DefToken copy = first[0];
        kept << copy << std::move(copy) << first[1];
    }
    for (int i = 0; i < 200; ++i) { // grows by moving its memory
        const DefToken t = kept[i % 3];
        kept << t;
    }
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const DefToken& t = kept[i];
        if (t.kind == DefKind::Quoted)
            ASSERT_EQ(t.value, QStringLiteral("a\"b")) << i;
        else
            ASSERT_EQ(t.value, QStringLiteral("x -- c\n")) << i;
    }
    EXPECT_EQ(TokenName(kept[0]), QStringLiteral("a\"b"));
}

} // namespace
} // namespace sky
