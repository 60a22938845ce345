// The view made from the results: its SELECT, its proposed name and the
// name's numbering.
#include "workspace/ResultsActions.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(ResultsActionsTest, ViewSelect) {
    const struct {
        const char* lastQuery;
        QStringList columns;
        const char* table;
        const char* select;
    } cases[] = {
        {"  SELECT a FROM t  ", {}, "t", "SELECT a FROM t"},
        {"SELECT a FROM t; SELECT b FROM u", {}, "t", "SELECT a FROM t"},
        // Statement ends inside literals, names and comments do not cut.
        {"SELECT ';' AS \"x;y\" FROM t -- a;b\nWHERE 1;",
         {},
         "t",
         "SELECT ';' AS \"x;y\" FROM t -- a;b\nWHERE 1"},
        {"select/*;*/1", {}, "t", "select/*;*/1"},
        // No SELECT word: the table's columns, quoted where needed.
        {"PRAGMA table_info(t)",
         {"id", "two words", "select"},
         "my table",
         "SELECT id, \"two words\", \"select\"\r\n  FROM \"my table\"\r\n WHERE 1"},
        {"", {"a"}, "t", "SELECT a\r\n  FROM t\r\n WHERE 1"},
        // A word only containing SELECT is not the word.
        {"VALUES(1) -- selected", {"a"}, "t", "SELECT a\r\n  FROM t\r\n WHERE 1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResultsViewSelect(QString::fromUtf8(c.lastQuery), c.columns,
                                    QString::fromUtf8(c.table)),
                  QString::fromUtf8(c.select))
            << c.lastQuery;
}

TEST(ResultsActionsTest, ViewNames) {
    const struct {
        const char* in;
        const char* clean;
        const char* next;
    } cases[] = {
        {"t_View_1", "t_View_1", "t_View_2"},
        {"t_View_9", "t_View_9", "t_View_10"},
        {".t_View_1", "t_View_1", "t_View_2"},
        {"a.b.c_View_1", "a.b_c_View_1", "a.b_c_View_2"},
        {"a__b___View_1", "a_b_View_1", "a_b_View_2"},
        {"_View_1", "_View_1", "_View_2"},
        {"plain", "plain", "plain2"},
        {"t_View_99999999999999999999999", "t_View_99999999999999999999999",
         "t_View_999999999999999999999992"},
    };
    for (const auto& c : cases) {
        const QString clean = CleanViewName(QString::fromUtf8(c.in));
        EXPECT_EQ(clean, QString::fromUtf8(c.clean)) << c.in;
        EXPECT_EQ(NextNumberedName(clean), QString::fromUtf8(c.next)) << c.in;
    }
}

} // namespace
} // namespace sky
