// The editors' comment command and the context help's choice of element.
#include "workspace/EditorCommands.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(EditorCommands, CommentAndUncomment) {
    const struct {
        const char* text;
        int a, b;
        bool block, add;
        const char* result;
    } cases[] = {
        {"SELECT 1\r\nFROM t\r\n", 0, 18, false, true, "--SELECT 1\r\n--FROM t\r\n"},
        {"SELECT 1\r\n\r\nFROM t", 0, 18, false, true, "--SELECT 1\r\n\r\n--FROM t"},
        {"--SELECT 1\r\n  --FROM t", 0, 23, false, false, "SELECT 1\r\n  FROM t"},
        {"a\r\nSELECT 1\r\nb", 5, 5, false, true, "a\r\n--SELECT 1\r\nb"}, // the caret's line
        {"SELECT 1", 0, 8, true, true, "/*\r\nSELECT 1\r\n*/"},
        {"x /*\r\nSELECT 1\r\n*/ y", 2, 18, true, false, "x SELECT 1 y"},
    };
    for (const auto& c : cases) {
        const CommentEdit e = CommentSelection(QString::fromUtf8(c.text), c.a, c.b, c.block, c.add);
        EXPECT_EQ(e.text, QString::fromUtf8(c.result)) << c.text;
        EXPECT_LE(e.selEnd, e.text.size());
    }
    // The selection stays on the changed text.
    const CommentEdit e = CommentSelection("SELECT 1", 0, 8, false, true);
    EXPECT_TRUE(e.keepSelection);
    EXPECT_EQ(e.text.mid(e.selStart, e.selEnd - e.selStart), "--SELECT 1");
}

TEST(EditorCommands, ContextHelpChoosesTheElement) {
    const QStringList elements{"ALTER TABLE", "CREATE INDEX", "CREATE TABLE", "DELETE",
                               "DROP TABLE",  "INSERT",       "SELECT",       "UPDATE"};
    const struct {
        const char* text;
        int caret;
        const char* item; // "" none
        const char* word;
    } cases[] = {
        {"SELECT * FROM t", 2, "SELECT", "SELECT"},
        {"CREATE TABLE t(a)", 9, "CREATE TABLE", "TABLE"},
        {"create index i on t(a)", 2, "CREATE INDEX", "CREATE"},
        {"DROP TABLE x", 1, "DROP TABLE", "DROP"},
        {"xyz", 1, "", ""},
    };
    for (const auto& c : cases) {
        const ContextHelp h = FindContextHelp(QString::fromUtf8(c.text), c.caret, elements);
        EXPECT_EQ(h.item < 0 ? QString() : elements[h.item], QString::fromUtf8(c.item)) << c.text;
        EXPECT_EQ(h.word, QString::fromUtf8(c.word)) << c.text;
    }
    ContextHelp h;
    EXPECT_EQ(ContextHelpCaption(h, elements), "No Selection...");
    h.word = "PRAGMA";
    EXPECT_EQ(ContextHelpCaption(h, elements), "Find Help for \"PRAGMA\"  -  [ F1 ]");
    h.item = 6;
    EXPECT_EQ(ContextHelpCaption(h, elements), "\"SELECT\" Documentation  -  [ F1 ]");
}

TEST(EditorGutter, NumbersLineOneAndEveryFifth) {
    const QStringList labels = {"1", ".", ".", ".", "5", ".", ".", ".", ".", "10", "."};
    for (int l = 0; l < labels.size(); ++l)
        EXPECT_EQ(GutterLabel(l), labels[l]) << l;
    EXPECT_EQ(GutterLabel(99), "100");
}

} // namespace
} // namespace sky
