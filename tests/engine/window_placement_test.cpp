#include "platform/window_placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quarvel {
namespace {

TEST(WindowPlacement, CentresWithHalvesRoundedTowardZero) {
    EXPECT_EQ(CentredOver({100, 50, 400, 300}, 201, 101), (ScreenRect{199, 149, 201, 101}));
    // Larger than the window it is centred over: the halves are negative and round up.
    EXPECT_EQ(CentredOver({0, 0, 300, 200}, 401, 301), (ScreenRect{-50, -50, 401, 301}));
    EXPECT_EQ(CentredOver({10, 10, 100, 100}, 103, 103), (ScreenRect{9, 9, 103, 103}));
}

// Over random main windows (some partly off the screen) and dialog sizes
// (some larger than the main window or the work area): a dialog that fits
// lies wholly inside the work area and is moved no more than it takes; one
// that does not fit starts at the area's edge; the size never changes.
TEST(WindowPlacement, KeepsEveryWindowOnTheWorkAreaMovingItLeast) {
    const ScreenRect areas[] = {{0, 0, 1280, 900}, {0, 28, 1280, 872}, {1920, 0, 1280, 1024}, {64, 0, 1216, 900}};
    std::mt19937 random(20261210);
    for (const ScreenRect& area : areas) {
        for (int i = 0; i < 20000; ++i) {
            std::uniform_int_distribution<int> place(-1500, 4000), length(1, 1600);
            const ScreenRect main{place(random), place(random), length(random), length(random)};
            const int width = length(random), height = length(random);
            const ScreenRect centred = CentredOver(main, width, height);
            const ScreenRect kept = KeptInside(centred, area);
            ASSERT_EQ(kept.width, width);
            ASSERT_EQ(kept.height, height);
            auto check = [&](int start, int size, int was, int areaStart, int areaSize) {
                if (size >= areaSize) {
                    ASSERT_EQ(start, areaStart);
                    return;
                }
                ASSERT_GE(start, areaStart);
                ASSERT_LE(start + size, areaStart + areaSize);
                // Moved only when it stood out, and then just to the edge it crossed.
                if (was >= areaStart && was + size <= areaStart + areaSize) ASSERT_EQ(start, was);
                else if (was < areaStart) ASSERT_EQ(start, areaStart);
                else ASSERT_EQ(start + size, areaStart + areaSize);
            };
            check(kept.x, width, centred.x, area.x, area.width);
            check(kept.y, height, centred.y, area.y, area.height);
        }
    }
}

}  // namespace
}  // namespace quarvel
