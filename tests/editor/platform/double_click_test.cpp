// Double clicks made from presses: same button, within 400 ms and 4 pixels.
#include "editor/platform/double_click.h"

#include <gtest/gtest.h>

namespace {

TEST(DoubleClick, ASecondPressOfTheSameButtonNearAndSoonIsADoubleClick) {
    const struct {
        const char* what;
        int button;
        int x, y;
        uint64_t timeMs;
        bool isDouble;
    } kSecondPresses[] = {
        {"same place at once", 1, 100, 100, 1000, true},
        {"4 pixels off, 400 ms later", 1, 104, 96, 1400, true},
        {"5 pixels off", 1, 105, 100, 1100, false},
        {"401 ms later", 1, 100, 100, 1401, false},
        {"another button", 3, 100, 100, 1100, false},
        {"server clock went back", 1, 100, 100, 900, false},
    };
    for (const auto& c : kSecondPresses) {
        SCOPED_TRACE(c.what);
        DoubleClickDetector clicks;
        EXPECT_FALSE(clicks.Press(1, 100, 100, 1000));
        EXPECT_EQ(clicks.Press(c.button, c.x, c.y, c.timeMs), c.isDouble);
    }
}

TEST(DoubleClick, AThirdQuickPressStartsANewPair) {
    DoubleClickDetector clicks;
    EXPECT_FALSE(clicks.Press(1, 10, 10, 0));
    EXPECT_TRUE(clicks.Press(1, 10, 10, 100));
    EXPECT_FALSE(clicks.Press(1, 10, 10, 200));
    EXPECT_TRUE(clicks.Press(1, 10, 10, 300));
    clicks.Reset();
    EXPECT_FALSE(clicks.Press(1, 10, 10, 350));
}

}  // namespace
