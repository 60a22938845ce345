// SQL templates: placeholders expanded in the template's code only, the "|"
// markers of the template's own text, and literal text (names, values, file
// names, stored SQL) put into the editor exactly as it is.
#include "workspace/SqlTemplate.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TemplateContext Context() {
    TemplateContext c;
    c.curSchema = QStringLiteral("main");
    c.curTable = QStringLiteral("my table");
    c.columns = {QStringLiteral("id"), QStringLiteral("name")};
    c.primaryKey = {QStringLiteral("id")};
    c.queryLimit = 50;
    c.clipboard = QStringLiteral("a|b");
    c.now = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    return c;
}

TEST(SqlTemplate, MarkersPlaceTheCaretOrSelect) {
    const struct {
        QString tmpl, text;
        qsizetype selStart, selEnd;
    } cases[] = {
        {"SELECT 1;", "SELECT 1;", 8, 8},
        {"SELECT * FROM t WHERE |;", "SELECT * FROM t WHERE ;", 22, 22},
        {"UPDATE t SET a = '|old|';", "UPDATE t SET a = 'old';", 18, 21},
        {"SELECT |a|, b | c;", "SELECT a, b | c;", 7, 8},
        // A "|" the clipboard brings in is text.
        {"UPDATE t SET a = #CPB# WHERE id = |;", "UPDATE t SET a = 'a|b' WHERE id = ;", 34, 34},
    };
    for (const auto& c : cases) {
        TemplateResult r;
        ASSERT_TRUE(ApplyTemplate(c.tmpl, Context(), r)) << c.tmpl.toStdString();
        EXPECT_EQ(r.text, c.text) << c.tmpl.toStdString();
        EXPECT_EQ(r.selStart, c.selStart) << c.tmpl.toStdString();
        EXPECT_EQ(r.selEnd, c.selEnd) << c.tmpl.toStdString();
    }
    TemplateResult r;
    EXPECT_FALSE(ApplyTemplate(QStringLiteral(" ; "), Context(), r));
}

TEST(SqlTemplate, PlaceholdersAreExpandedInCodeOnly) {
    const struct {
        QString tmpl, expanded;
    } cases[] = {
        {"SELECT #FDS# FROM #TBL# WHERE #PKI# = 1 #LIM#;",
         "SELECT id, name FROM \"my table\" WHERE id = 1 LIMIT 50;"},
        {"SELECT #COL#, #CDA#, #CTM#;", "SELECT id, '2024-05-06', '07:08:09';"},
        {"SELECT '#TBL#', \"#COL#\", [#LIM#] FROM #TBL#;",
         "SELECT '#TBL#', \"#COL#\", [#LIM#] FROM \"my table\";"},
        {"SELECT 1 -- #TBL#\n/* #LIM# */ #LIM#", "SELECT 1 -- #TBL#\n/* #LIM# */ LIMIT 50"},
        {"SELECT 'it''s #TBL#' || #TBL#", "SELECT 'it''s #TBL#' || \"my table\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandPlaceholders(c.tmpl, Context()), c.expanded) << c.tmpl.toStdString();
}

// Stored SQL and names go into the editor literally: their "|" stay text and
// their placeholders are not expanded, wherever they stand.
TEST(SqlTemplate, LiteralTextStaysAsItIs) {
    const QString stored = QStringLiteral(
        "CREATE VIEW v AS SELECT a || '|' || b AS \"x|#TBL#\" FROM t -- #LIM# | done");
    TemplateResult r;
    ASSERT_TRUE(ApplyTemplate(TemplateLiteral(stored), Context(), r));
    EXPECT_EQ(r.text, stored);
    EXPECT_EQ(r.selStart, stored.size() - 1);
    EXPECT_EQ(r.selEnd, stored.size() - 1);

    const QString name = QStringLiteral("\"a|b#TBL#\"");
    ASSERT_TRUE(ApplyTemplate(QStringLiteral("SELECT * FROM ") + TemplateLiteral(name) +
                                  QStringLiteral(" WHERE #PKI# = |;"),
                              Context(), r));
    EXPECT_EQ(r.text, QStringLiteral("SELECT * FROM \"a|b#TBL#\" WHERE id = ;"));
    EXPECT_EQ(r.selStart, r.text.size() - 1);
    // A literal value between the markers is selected as it is.
    ASSERT_TRUE(ApplyTemplate(QStringLiteral("UPDATE t SET a = '|") +
                                  TemplateLiteral(QStringLiteral("x|#CPB#")) +
                                  QStringLiteral("|';"),
                              Context(), r));
    EXPECT_EQ(r.text, QStringLiteral("UPDATE t SET a = 'x|#CPB#';"));
    EXPECT_EQ(r.text.mid(r.selStart, r.selEnd - r.selStart), QStringLiteral("x|#CPB#"));
}

} // namespace
} // namespace sky
