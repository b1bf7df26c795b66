// The screen scale read from the resource database, and the frame period.
#include "editor/platform/screen_scale.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

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
        {"Xterm.dpi:\t144\n", 1.0f},  // another program's
        {"*dpi:\t144\n", 1.5f},       // any program's, Xft's among them
        {"Xft*dpi:\t144\n", 1.5f},
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

// A locale whose decimal separator is a comma, made with localedef in a
// temporary folder when none is installed; the previous one back at the end.
class CommaLocale {
public:
    CommaLocale() {
        const char* previous = std::setlocale(LC_NUMERIC, nullptr);
        mPrevious = previous != nullptr ? previous : "C";
        for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr) return;
        }
        mFolder =
            std::filesystem::temp_directory_path() / ("tw-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(mFolder);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + mFolder.string() + "/de_DE.UTF-8' > /dev/null 2>&1";
        if (std::system(command.c_str()) > 1) return;  // 1: warnings only
        setenv("LOCPATH", mFolder.c_str(), 1);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, mPrevious.c_str());
        unsetenv("LOCPATH");
        if (!mFolder.empty()) std::filesystem::remove_all(mFolder);
    }
    // Whether the C library now reads a comma as the decimal separator.
    static bool Active() { return std::strtod("0,5", nullptr) == 0.5; }

private:
    std::string mPrevious;
    std::filesystem::path mFolder;
};

TEST(ScreenScale, AFractionalDpiIsReadUnderACommaDecimalLocale) {
    const CommaLocale locale;
    if (!CommaLocale::Active()) GTEST_SKIP() << "no comma-decimal locale (localedef failed)";
    EXPECT_FLOAT_EQ(ScreenScaleFromResources("Xft.dpi:\t120.5\n"), 120.5f / 96.0f);
    EXPECT_FLOAT_EQ(ScreenScaleFromResources("Xft.dpi:\t144\n"), 1.5f);
    // The locale's own form is not the resource's.
    EXPECT_FLOAT_EQ(ScreenScaleFromResources("Xft.dpi:\t120,5\n"), 1.0f);
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
