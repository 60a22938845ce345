// The script processor's items from the splitter: comments kept in place, a
// trigger ending at the ";" after END, the unfinished tail as the last item,
// blanks kept but blank lines dropped, comment-only items reported; and the
// same items whatever the size of the pieces the script is read in.
#include "engine/ScriptSplitter.h"

#include <gtest/gtest.h>
#include <random>

namespace sky {
namespace {

struct Item {
    QString text;
    bool code;
    bool operator==(const Item&) const = default;
};

std::vector<Item> Items(const QString& script, qsizetype piece) {
    qsizetype at = 0;
    ScriptReadMore more = [&](QString& text) {
        if (at >= script.size()) return false;
        text += QStringView(script).mid(at, piece);
        at += piece;
        return true;
    };
    std::vector<Item> items;
    SplitScriptItems(more, [&](QString&& s, bool code) {
        items.push_back({std::move(s), code});
        return true;
    });
    return items;
}

TEST(ScriptItems, TheItemFlavour) {
    const QString script =
        "-- the header\r\nCREATE TABLE t(a); -- after\r\n\r\n"
        "  INSERT INTO t VALUES (';');\n"
        "CREATE TRIGGER tr AFTER INSERT ON t BEGIN\r\n  SELECT CASE WHEN 1 THEN 2 END;\r\nEND;\r\n"
        "-- only a comment\r\n;\r\n"
        "SELECT 'open";
    const std::vector<Item> expected{
        {"-- the header\r\nCREATE TABLE t(a);", true},
        {" -- after\r\n  INSERT INTO t VALUES (';');", true},
        {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN\r\n  SELECT CASE WHEN 1 THEN 2 END;\r\nEND;",
         true},
        {"-- only a comment\r\n;", true},
        {"SELECT 'open", true},
    };
    const std::vector<Item> got = Items(script, script.size());
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].text, expected[i].text) << i;
        EXPECT_EQ(got[i].code, expected[i].code) << i;
    }
    // A comment alone at the end is an item without code.
    const std::vector<Item> tail = Items("SELECT 1;\r\n-- bye\r\n", 1000);
    ASSERT_EQ(tail.size(), 2u);
    EXPECT_EQ(tail[1].text, "-- bye");
    EXPECT_FALSE(tail[1].code);
}

TEST(ScriptItems, PiecesOfAnySizeGiveTheSameItems) {
    std::mt19937 rng(11);
    const char* parts[] = {"SELECT 1;",
                           "-- c ; 'x'\r\n",
                           "/* b ; */",
                           "'q;''q'",
                           "\r\n",
                           "\n\n",
                           "CREATE TRIGGER x AFTER DELETE ON t BEGIN DELETE FROM u; END;",
                           "(a;b)",
                           "  ",
                           "ünï;",
                           "[n;m]",
                           "\"d;e\"",
                           "BEGIN;"};
    for (int round = 0; round < 20; ++round) {
        QString script;
        for (int k = 0; k < 200; ++k)
            script += QString::fromUtf8(parts[rng() % std::size(parts)]);
        const std::vector<Item> whole = Items(script, script.size());
        for (qsizetype piece : {1, 7, 1024, 1 << 20})
            EXPECT_EQ(Items(script, piece), whole) << round << " " << piece;
    }
}

} // namespace
} // namespace sky
