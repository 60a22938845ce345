// Contrast by the WCAG definitions, and readable variants of status colours.
#include "shell/Colours.h"

#include <gtest/gtest.h>

namespace sky::test {
namespace {

TEST(Colours, ContrastOfKnownPairs) {
    EXPECT_NEAR(ContrastRatio(0x000000, 0xFFFFFF), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0xFFFFFF, 0x000000), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(0x336699, 0x336699), 1.0, 1e-9);
    // The WCAG reference grey on white is 4.54:1.
    EXPECT_NEAR(ContrastRatio(0x767676, 0xFFFFFF), 4.54, 0.01);
}

// A status colour keeps its hue where it can be read, and turns just
// readable where it cannot.
TEST(Colours, ReadableVariantKeepsOrFixesTheColour) {
    const struct {
        uint32_t wanted, background;
        bool unchanged;
    } cases[] = {
        {0x346767, 0x142026, false}, // the neutral status teal on a dark theme
        {0x346767, 0xFFFFFF, true},  // readable on white as it is
        {0xC00000, 0x0E1422, false}, // dark red on midnight blue
        {0xFFFF00, 0xFFFFFF, false}, // yellow on white turns darker
        {0xE6F1F4, 0x142026, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wanted);
        const uint32_t got = ReadableVariant(c.wanted, c.background);
        EXPECT_GE(ContrastRatio(got, c.background), kReadableContrast);
        EXPECT_EQ(got == c.wanted, c.unchanged);
        // Not simply black or white: the least change that reads.
        if (!c.unchanged) {
            EXPECT_NE(got, 0xFFFFFFu);
            EXPECT_NE(got, 0x000000u);
        }
    }
    // A background that nothing can reach 4.5:1 on gives the best there is.
    EXPECT_EQ(ReadableVariant(0x808080, 0x777777, 21.0), 0x000000u);
}

} // namespace
} // namespace sky::test
