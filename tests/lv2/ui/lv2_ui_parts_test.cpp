// The UI's pieces that need no display: the host's feature list and options
// as the UI reads them, and the reset gestures' reading of a press and a
// double click.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "lv2/ui/lv2_ui_features.h"
#include "lv2/ui/lv2_ui_host_options.h"
#include "lv2/ui/lv2_ui_reset_click.h"

namespace {

LV2_URID MapNothing(LV2_URID_Map_Handle, const char*) {
    return 1;
}
int ResizeNothing(LV2UI_Feature_Handle, int, int) {
    return 0;
}
void TouchNothing(LV2UI_Feature_Handle, uint32_t, bool) {}

TEST(LV2UiFeatures, FeaturesWithoutDataOrFunctionCountAsNotOffered) {
    LV2_URID_Map map{nullptr, &MapNothing};
    LV2_URID_Map mapWithoutFunction{nullptr, nullptr};
    LV2UI_Resize resize{nullptr, &ResizeNothing};
    LV2UI_Resize resizeWithoutFunction{nullptr, nullptr};
    LV2UI_Touch touch{nullptr, &TouchNothing};
    void* window = reinterpret_cast<void*>(0x1234);

    const LV2_Feature fullMap{LV2_URID__map, &map}, fullResize{LV2_UI__resize, &resize},
        fullTouch{LV2_UI__touch, &touch}, parent{LV2_UI__parent, window},
        emptyMap{LV2_URID__map, &mapWithoutFunction},
        emptyResize{LV2_UI__resize, &resizeWithoutFunction}, nullMap{LV2_URID__map, nullptr},
        nullTouch{LV2_UI__touch, nullptr}, noURI{nullptr, &map}, other{"urn:other", nullptr};
    const LV2_Feature* const full[] = {&fullMap, &parent, &fullResize, &fullTouch, &other, nullptr};
    const LV2_Feature* const empty[] = {&emptyMap, &emptyResize, &nullTouch, &noURI, nullptr};
    const LV2_Feature* const nullData[] = {&nullMap, nullptr};

    const LV2UIFeatures all = ReadUIFeatures(full);
    EXPECT_EQ(all.map, &map);
    EXPECT_EQ(all.parent, window);
    EXPECT_EQ(all.resize, &resize);
    EXPECT_EQ(all.touch, &touch);
    EXPECT_EQ(all.offered.size(), 5u);
    EXPECT_EQ(all.offered.back(), "urn:other");

    for (const LV2_Feature* const* list :
         {&empty[0], &nullData[0], static_cast<const LV2_Feature* const*>(nullptr)}) {
        const LV2UIFeatures none = ReadUIFeatures(list);
        EXPECT_EQ(none.map, nullptr);
        EXPECT_EQ(none.parent, nullptr);
        EXPECT_EQ(none.resize, nullptr);
        EXPECT_EQ(none.touch, nullptr);
    }
    EXPECT_EQ(ReadUIFeatures(empty).offered.size(), 3u) << "the entry without a URI is skipped";
}

TEST(LV2UiResetClick, OnlyAnAltPressOnAKnownParameterIsTaken) {
    std::vector<int> reset;
    LV2UIResetClick click([&](int paramIdx) {
        if (paramIdx >= 11) return false;
        reset.push_back(paramIdx);
        return true;
    });
    const struct {
        const char* id;
        uint32_t modifiers;
        int answer;
        int resetIdx;  // -1: none
    } kCases[] = {
        {"1", kHostModifierAlt, 0, 0},
        {"11", kHostModifierAlt | kHostModifierShift, 0, 10},
        {"12", kHostModifierAlt, 1, -1},  // the reset function knows no such Param
        {"3", 0, 1, -1},
        {"3", kHostModifierShift | kHostModifierControl, 1, -1},
        {"3", kHostModifierAlt | kHostModifierRightButton, 1, -1},
        {"0", kHostModifierAlt, 1, -1},
        {"", kHostModifierAlt, 1, -1},
        {"-1", kHostModifierAlt, 1, -1},
        {"2x", kHostModifierAlt, 1, -1},
        {"99999999999999999999", kHostModifierAlt, 1, -1},
        {nullptr, kHostModifierAlt, 1, -1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.id != nullptr ? c.id : "null");
        reset.clear();
        EXPECT_EQ(click.ParameterMouseDown(c.id, c.modifiers), c.answer);
        EXPECT_EQ(reset, c.resetIdx < 0 ? std::vector<int>{} : std::vector<int>{c.resetIdx});
    }
    EXPECT_EQ(click.HostModifierBits(), 0u);
}

TEST(LV2UiResetClick, ADoubleClickWithoutAltOnAKnownParameterIsTaken) {
    std::vector<int> reset;
    LV2UIResetClick click([&](int paramIdx) {
        if (paramIdx >= 11) return false;
        reset.push_back(paramIdx);
        return true;
    });
    const struct {
        const char* id;
        uint32_t modifiers;
        bool taken;
        int resetIdx;  // -1: none
    } kCases[] = {
        {"1", 0, true, 0},
        {"11", kHostModifierShift | kHostModifierControl, true, 10},
        {"12", 0, false, -1},                // the reset function knows no such Param
        {"3", kHostModifierAlt, false, -1},  // its first press has reset already
        {"3", kHostModifierRightButton, false, -1},
        {"0", 0, false, -1},
        {"2x", 0, false, -1},
        {nullptr, 0, false, -1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.id != nullptr ? c.id : "null");
        reset.clear();
        EXPECT_EQ(click.ParameterDoubleClick(c.id, c.modifiers), c.taken);
        EXPECT_EQ(reset, c.resetIdx < 0 ? std::vector<int>{} : std::vector<int>{c.resetIdx});
    }
}

// Whatever a host puts in an option, the UI takes only what it can use and
// says what it refused; nothing is read beyond the size the host gave.
TEST(LV2UiHostOptions, TakesUsableValuesAndRefusesTheRest) {
    const LV2UIOptionURIDs u{.scaleFactor = 10,
                             .updateRate = 11,
                             .windowTitle = 12,
                             .atomString = 13,
                             .atomFloat = 20,
                             .atomDouble = 21,
                             .atomInt = 22};
    const float two = 2.0f;
    const float nan = std::nanf("");
    const double fortyEight = 48.0;
    const int32_t sixty = 60;
    const int32_t zero = 0;
    const char title[] = {'M', 'i', 'x', '\0', 'X'};
    const char unterminated[] = {'B', 'u', 's'};
    const std::string longTitle(300, 't');
    struct Case {
        const char* what;
        LV2_Options_Option option;
        uint32_t status;
        float scaleFactor;
        float updateRate;
        std::string title;
    };
    const Case kCases[] = {
        {"float scale", {LV2_OPTIONS_INSTANCE, 0, 10, 4, 20, &two}, 0, 2.0f, 0.0f, ""},
        {"double rate", {LV2_OPTIONS_INSTANCE, 0, 11, 8, 21, &fortyEight}, 0, 0.0f, 48.0f, ""},
        {"int rate", {LV2_OPTIONS_INSTANCE, 0, 11, 4, 22, &sixty}, 0, 0.0f, 60.0f, ""},
        {"title up to its NUL", {LV2_OPTIONS_INSTANCE, 0, 12, 5, 13, title}, 0, 0, 0, "Mix"},
        {"title without NUL", {LV2_OPTIONS_INSTANCE, 0, 12, 3, 13, unterminated}, 0, 0, 0, "Bus"},
        {"long title cut",
         {LV2_OPTIONS_INSTANCE, 0, 12, 300, 13, longTitle.c_str()},
         0,
         0,
         0,
         std::string(255, 't')},
        {"not a number",
         {LV2_OPTIONS_INSTANCE, 0, 10, 4, 20, &nan},
         LV2_OPTIONS_ERR_BAD_VALUE,
         0,
         0,
         ""},
        {"zero", {LV2_OPTIONS_INSTANCE, 0, 10, 4, 22, &zero}, LV2_OPTIONS_ERR_BAD_VALUE, 0, 0, ""},
        {"float of the wrong size",
         {LV2_OPTIONS_INSTANCE, 0, 10, 8, 20, &two},
         LV2_OPTIONS_ERR_BAD_VALUE,
         0,
         0,
         ""},
        {"no value",
         {LV2_OPTIONS_INSTANCE, 0, 10, 4, 20, nullptr},
         LV2_OPTIONS_ERR_BAD_VALUE,
         0,
         0,
         ""},
        {"title of another type",
         {LV2_OPTIONS_INSTANCE, 0, 12, 4, 20, &two},
         LV2_OPTIONS_ERR_BAD_VALUE,
         0,
         0,
         ""},
        {"unknown key",
         {LV2_OPTIONS_INSTANCE, 0, 99, 4, 20, &two},
         LV2_OPTIONS_ERR_BAD_KEY,
         0,
         0,
         ""},
        {"a port's option",
         {LV2_OPTIONS_PORT, 0, 10, 4, 20, &two},
         LV2_OPTIONS_ERR_BAD_KEY,
         0,
         0,
         ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const LV2_Options_Option list[] = {c.option, {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
        LV2UIHostOptions options;
        EXPECT_EQ(options.Set(u, list), c.status);
        EXPECT_EQ(options.scaleFactor, c.scaleFactor);
        EXPECT_EQ(options.updateRate, c.updateRate);
        EXPECT_EQ(options.windowTitle, c.title);
    }

    // Without a map nothing is known; a null list is no change.
    LV2UIHostOptions options;
    const LV2_Options_Option scale[] = {{LV2_OPTIONS_INSTANCE, 0, 10, 4, 20, &two},
                                        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(options.Set(LV2UIOptionURIDs{}, scale), LV2_OPTIONS_ERR_BAD_KEY);
    EXPECT_EQ(options.Set(u, nullptr), LV2_OPTIONS_SUCCESS);
    EXPECT_EQ(options.scaleFactor, 0.0f);
}

}  // namespace
