// The output table formatter, byte for byte: widths and alignment by the
// kind of values, the headings above a divider, wrapping at spaces and
// cutting, multi-line cells, an empty table, and rows of a later buffer cut
// to the widths the first buffer fixed.
#include "script/OutputTable.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

QStringList Render(const OutputTableOptions& o, const QStringList& head,
                   const QList<QStringList>& rows) {
    QStringList lines;
    OutputTable t(o, [&](const QString& l) { lines << l; });
    t.Begin(head);
    for (const QStringList& r : rows)
        t.AddRow(r);
    t.Finish();
    return lines;
}

TEST(OutputTable, KindsWidthsAndAlignment) {
    const QStringList lines =
        Render({}, {"id", "name", "price"}, {{"1", "Ann", "1.5"}, {"2", "Bo", "22.25"}});
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "     id        name      price");
    EXPECT_EQ(lines[1], "------------  -----  ---------");
    EXPECT_EQ(lines[2], "      1        Ann         1.5");
    EXPECT_EQ(lines[3], "      2         Bo       22.25");
    // No rows: the names decide (at most 16), left-aligned; a longer name
    // takes more lines, bottom-aligned.
    EXPECT_EQ(Render({}, {"a", "a very long column name"}, {}),
              (QStringList{"   a very long col-", "a  umn name        ", "-  ----------------"}));
}

TEST(OutputTable, WrappingCuttingAndLaterBuffers) {
    OutputTableOptions o;
    o.maxWidth = 14;
    o.padding = 0;
    o.bufferRows = 1;
    o.separator = " | ";
    o.divider = "=";
    const QStringList lines = Render(
        o, {"text"}, {{"one two three four five"}, {"line1\r\nline2"}, {"averyveryverylongword"}});
    EXPECT_EQ(lines, (QStringList{"text          ", "==============", "one two three ",
                                  "four five     ", "line1         ", "line2         ",
                                  "averyveryveryl", "ongword       "}));
}

} // namespace
} // namespace sky
