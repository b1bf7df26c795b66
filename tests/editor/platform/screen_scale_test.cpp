// The screen scale read from the resource database, and the frame period.
#include "editor/platform/screen_scale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ScreenScale, ComesFromXftDpiOver96AndIsOneWithoutAUsableValue) {
    const struct {
        const char* resources;
        float scale;
    } kCases[] = {
        {"", 1.0f},
        {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 1.5f},
        {"Xft.dpi:\t96\n", 1.0f},
        {"Xft.dpi: 192", 2.0f},  // no final newline
        {"Xft.dpi:\t120.5\r\n", 120.5f / 96.0f},
        {"*dpi:\t144\n", 1.0f},      // another resource
        {"Xft.dpix:\t144\n", 1.0f},  // a longer name
        {"Xft.dpi:\t0\n", 1.0f},     // not positive
        {"Xft.dpi:\t-96\n", 1.0f},
        {"Xft.dpi:\tnan\n", 1.0f},
        {"Xft.dpi:\tinf\n", 1.0f},
        {"Xft.dpi:\t144dpi\n", 1.0f},  // trailing text
        {"Xft.dpi:\t\n", 1.0f},
        {"Xft.dpi:\t144\nXft.dpi:\t192\n", 2.0f},  // the last one wins
        {"Xft.dpi", 1.0f},
        {"Xft.dpi:\t1\n", 0.5f},  // held within the scales followed
        {"Xft.dpi:\t1e30\n", 4.0f},
        {"Xft.dpi:\t480\n", 4.0f},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.resources);
        EXPECT_FLOAT_EQ(ScreenScaleFromResources(c.resources), c.scale);
    }
}

TEST(ScreenScale, TheFrameTickIs15MsAt60FpsAnd25At40) {
    const struct {
        int fps;
        int periodMs;
    } kCases[] = {{60, 15}, {40, 25}, {50, 20}, {120, 15}, {30, 33}, {0, 15}, {-5, 15}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.fps);
        EXPECT_EQ(FramePeriodMs(c.fps), c.periodMs);
    }
}

}  // namespace
