// The one rounding from graphics units to pixels, at ordinary and absurd scales.
#include "editor/pixel_size.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(PixelSize, CountsWholePixelsAndClampsWhatNoScreenHolds) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float units, totalScale;
        int pixels;
    };
    const Case kCases[] = {
        {248, 1.0f, 248},
        {661, 1.5f, 991},  // the half pixel is left out
        {662, 1.25f, 827},
        {662, 1.75f, 1158},
        {248, 1.3f, 322},  // 322.4
        {10, 0.7f, 7},     // 6.9999998 in float arithmetic
        {0, 2.0f, 0},
        {-5, 2.0f, 0},
        {5, -2.0f, 0},
        {1, 0.5f, 0},
        {kNaN, 1.0f, 0},
        {100, kNaN, 0},
        {kInf, 1.0f, kMaxPixelSize},
        {100, kInf, kMaxPixelSize},
        {0, kInf, 0},  // 0 x inf is NaN
        {3e38f, 3e38f, kMaxPixelSize},
        {20000, 4.0f, kMaxPixelSize},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.units << " x " << c.totalScale);
        EXPECT_EQ(PixelSize(c.units, c.totalScale), c.pixels);
    }
}

}  // namespace
