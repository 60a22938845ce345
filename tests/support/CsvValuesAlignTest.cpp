// Views of UTF-16 values are aligned for char16_t whatever Latin-1 values
// of odd length come before them, and still read back exactly.
#include "support/CsvValues.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(CsvValuesAlignment, WideViewsAreAlignedAfterOddLatin1Values) {
    TCSVValues v;
    QStringList expected;
    for (int i = 0; i < 600; ++i) {
        const QString s = i % 3 == 0 ? QString(i % 7 + 1, QChar(u'\u4E2D'))
                                     : QString(i % 5 + 1, QChar(u'a' + i % 26));
        v.append(s);
        expected << s;
    }
    EXPECT_EQ(v.toList(), expected);
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QAnyStringView view = v.view(i);
        EXPECT_EQ(view.toString(), expected[i]) << i;
        if (i % 3 == 0) {
            EXPECT_EQ(reinterpret_cast<quintptr>(view.data()) % 2, 0u) << i;
        }
        EXPECT_EQ(v.length(i), expected[i].size());
    }
    v.resize(301);
    v.append(QStringLiteral("\u00E9\u4E2D"));
    EXPECT_EQ(v.last(), QStringLiteral("\u00E9\u4E2D"));
    EXPECT_EQ(v.at(300), expected[300]);
}

} // namespace
} // namespace sky
