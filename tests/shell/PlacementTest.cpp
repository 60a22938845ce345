// Window placement rules over rectangles: two monitors side by side (the
// second one smaller, with a panel at its bottom) and one left of the
// primary at negative coordinates.
#include "shell/Placement.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

const QRect kPrimary(0, 0, 1920, 1040);
const QRect kRight(1920, 0, 1280, 984);
const QRect kLeft(-1280, 0, 1280, 1024);

TEST(Placement, WindowsAreKeptInsideTheScreenTheyBelongTo) {
    const QList<QRect> areas{kPrimary, kRight, kLeft};
    const struct {
        const char* what;
        QRect window, expected;
    } cases[] = {
        {"inside stays", {100, 100, 800, 600}, {100, 100, 800, 600}},
        {"larger than the screen", {-50, -50, 2500, 1500}, {0, 0, 1920, 1040}},
        {"off the top", {100, -200, 800, 600}, {100, 0, 800, 600}},
        {"off the bottom", {100, 900, 800, 600}, {100, 440, 800, 600}},
        {"across into the right monitor, mostly primary",
         {1500, 100, 800, 600},
         {1120, 100, 800, 600}},
        {"off the right of the second monitor", {2900, 100, 800, 600}, {2400, 100, 800, 600}},
        {"into the panel of the second monitor", {2000, 800, 800, 600}, {2000, 384, 800, 600}},
        {"larger than the second monitor", {1950, 0, 1600, 1200}, {1920, 0, 1280, 984}},
        {"off the left of the left monitor", {-1400, 50, 800, 600}, {-1280, 50, 800, 600}},
        {"on no screen: the nearest one", {5000, 100, 800, 600}, {2400, 100, 800, 600}},
        {"above every screen: the nearest one", {100, -3000, 800, 600}, {100, 0, 800, 600}},
    };
    for (const auto& c : cases) {
        const QRect got = FitOnScreens(c.window, areas);
        EXPECT_EQ(got, c.expected) << c.what << ": got " << got.x() << "," << got.y() << " "
                                   << got.width() << "x" << got.height();
        bool inside = false;
        for (const QRect& a : areas)
            inside = inside || a.contains(got);
        EXPECT_TRUE(inside) << c.what;
    }
    // Without screens nothing moves.
    EXPECT_EQ(AreaIndexFor({1, 2, 3, 4}, {}), -1);
    EXPECT_EQ(FitOnScreens({1, 2, 3, 4}, {}), QRect(1, 2, 3, 4));
}

TEST(Placement, CentredOnAScreen) {
    const struct {
        QSize size;
        QRect area, expected;
    } cases[] = {
        {{480, 400}, kPrimary, {720, 320, 480, 400}},
        {{480, 400}, kRight, {2320, 292, 480, 400}},
        {{480, 400}, kLeft, {-880, 312, 480, 400}},
        {{2000, 1200}, kRight, kRight}, // too large: the whole area
        {{481, 401}, {0, 0, 1000, 800}, {259, 199, 481, 401}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CentredOn(c.size, c.area), c.expected)
            << c.size.width() << "x" << c.size.height() << " on " << c.area.x();
}

} // namespace
} // namespace sky
