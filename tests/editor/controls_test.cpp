// The bitmap controls: which frame a value shows, how knobs follow drags and
// wheels on stepped parameters, how switches wrap, and that a held control
// ignores the host.
#include <gtest/gtest.h>

#include <cmath>

#include "editor/bitmap_base.h"
#include "editor_fixture.h"

namespace {

using editor_test::EditorFixture;
using editor_test::kGain;
using editor_test::kSelector;
using editor_test::kSwitch;

TEST(StripFrame, IsTheNearestFrameOfTheValue) {
    struct Case {
        double value;
        int frames;
        int frame;
    };
    const Case cases[] = {
        {0.0, 61, 1},
        {1.0, 61, 61},
        {0.5, 61, 31},
        {1.0 / 120 - 1e-9, 61, 1},
        {1.0 / 120 + 1e-9, 61, 2},
        {0.25, 5, 2},
        {1.0, 7, 7},
        {0.7, 1, 1},
        {-3.0, 5, 1},
        {7.0, 5, 5},
        {std::nan(""), 5, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(StripFrameFor(c.value, c.frames), c.frame);
    }
}

using Controls = EditorFixture;

TEST_F(Controls, AKnobDrawsTheFrameOfItsValueCentredInItsBounds) {
    Control* knob = AddKnob(10, 10, kSelector);
    for (int position = 0; position < 5; ++position) {
        SCOPED_TRACE(position);
        knob->ApplyDelegateValue(position / 4.0, 0);
        const std::vector<DrawCall> calls = (Frame(), window.BitmapCalls("KNOB.png"));
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].srcY, position * 10);
        EXPECT_EQ(calls[0].dest, (Bounds{10, 10, 20, 20}));
    }
}

TEST_F(Controls, ASteppedKnobMovesOnlyWhenTheDragPassesHalfAStep) {
    Control* knob = AddKnob(10, 10, kSelector);  // 10 units high, gearing 4: 40 units per range
    window.Press(15, 15);
    window.Drag(0, -0.12f * 40);
    EXPECT_EQ(knob->GetValue(), 0.0);
    window.Drag(0, -0.01f * 40);
    EXPECT_EQ(knob->GetValue(), 0.25);
    window.Release();
    EXPECT_EQ(delegate.GetParam(kSelector)->GetValue(), 1.0);
}

TEST_F(Controls, WheelNotchesMoveSteppedKnobsOneStepAndOthersByAHundredth) {
    Control* selector = AddKnob(10, 10, kSelector);
    Control* gain = AddKnob(30, 10, kGain);
    MouseModifiers fine;
    fine.control = true;
    struct Case {
        Control* knob;
        float notches;
        MouseModifiers mods;
        double expected;
    };
    const Case cases[] = {
        {selector, 1.0f, {}, 0.25},  {selector, 3.0f, {}, 0.5}, {selector, 0.0f, {}, 0.5},
        {selector, -1.0f, {}, 0.25}, {gain, 1.0f, {}, 0.01},    {gain, 2.0f, fine, 0.012},
        {gain, -5.0f, {}, 0.0},
    };
    for (const Case& c : cases) {
        window.Wheel(c.knob->GetBounds().left + 1, 11, c.notches, c.mods);
        EXPECT_NEAR(c.knob->GetValue(), c.expected, 1e-12) << c.notches;
    }
}

TEST_F(Controls, ASwitchClickMovesOnAndWrapsPastTheLastPosition) {
    Control* toggle = AddSwitch(30, 10, kSwitch);
    std::vector<double> values;
    for (int click = 0; click < 3; ++click) {
        window.Press(35, 12);
        window.Release();
        values.push_back(toggle->GetValue());
    }
    EXPECT_EQ(values, (std::vector<double>{1.0, 0.0, 1.0}));
    // Halfway, as a host may push it: the next click passes the end and wraps.
    toggle->ApplyDelegateValue(0.5, 0);
    window.Press(35, 12);
    window.Release();
    EXPECT_EQ(toggle->GetValue(), 0.0);
}

TEST_F(Controls, AHeldControlIgnoresTheHostUntilReleased) {
    Control* knob = AddKnob(10, 10, kGain);
    Control* twin = AddKnob(30, 10, kGain);
    window.Press(15, 15);
    window.Drag(0, -4);
    window.SetParamValueFromDelegate(kGain, 0.9);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.1);
    EXPECT_DOUBLE_EQ(twin->GetValue(), 0.9);  // took the drag's value, then the host's
    window.Release();
    window.SetParamValueFromDelegate(kGain, 0.9);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.9);
}

TEST_F(Controls, TheHostHighlightMarksTheControlsOfOneParameter) {
    Control* knob = AddKnob(10, 10, kGain);
    AddKnob(30, 10, kSelector);
    window.SetHostParamHighlight(kGain, true, 1);
    const std::vector<DrawCall> log = Frame();
    int circles = 0;
    for (const DrawCall& call : log) {
        if (call.kind != DrawCall::kCircle) continue;
        ++circles;
        EXPECT_EQ(call.color, (Color{255, 0, 255, 0}));
        EXPECT_EQ(call.points,
                  (std::vector<float>{knob->GetBounds().right - 5, knob->GetBounds().top + 5, 2}));
    }
    EXPECT_EQ(circles, 1);
}

}  // namespace
