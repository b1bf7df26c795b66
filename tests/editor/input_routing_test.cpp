// Input routing: which control a press reaches, captures, gestures towards
// the delegate, the host's claim on clicks, right clicks, double clicks,
// keys, mouse-over and touches.
#include <gtest/gtest.h>

#include <functional>

#include "editor/bubble_control.h"
#include "editor/host_view_container.h"
#include "editor/value_bubble_action.h"
#include "editor_fixture.h"

namespace {

using editor_test::EditorFixture;
using editor_test::kGain;
using editor_test::kSelector;
using editor_test::kSwitch;
using editor_test::Point;

class FakeContainer : public HostViewContainer {
public:
    uint32_t HostModifierBits() override { return hostBits; }
    int ParameterMouseDown(const char* paramId, uint32_t modifiers) override {
        calls.push_back(std::string(paramId) + " " + std::to_string(modifiers));
        if (answer == 0 && onTaken) onTaken();
        return answer;
    }
    bool ParameterDoubleClick(const char* paramId, uint32_t modifiers) override {
        doubleClicks.push_back(std::string(paramId) + " " + std::to_string(modifiers));
        if (takeDoubleClicks && onTaken) onTaken();
        return takeDoubleClicks;
    }
    uint32_t hostBits = 0;
    int answer = 1;
    std::vector<std::string> calls;
    bool takeDoubleClicks = false;
    std::vector<std::string> doubleClicks;
    std::function<void()> onTaken;  // a host that sets a value at once (a reset)
};

class InputRouting : public EditorFixture {
protected:
    InputRouting() {
        background = window.AddBackground("BG.png");  // 0, 0, 50, 50
        knob = AddKnob(10, 10, kGain);                // 10, 10, 20, 20
        toggle = AddSwitch(30, 10, kSwitch);          // 30, 10, 45, 15
        window.SetMouseOverEnabled(true);
    }
    Control* background = nullptr;
    Control* knob = nullptr;
    Control* toggle = nullptr;
};

TEST_F(InputRouting, APressOnAKnobHidesTheCursorAndADragSendsOneGestureAroundItsValues) {
    EXPECT_EQ(window.Press(15, 15), knob);
    EXPECT_TRUE(window.CursorHidden());
    EXPECT_FALSE(window.PlatformCursorVisible());
    window.Drag(0, -4);
    window.Drag(0, -4);
    window.Drag(0, 0);  // no motion: not passed on
    window.Release();
    EXPECT_EQ(delegate.log,
              (std::vector<std::string>{"begin 0", "value 0 0.1000", "value 0 0.2000", "end 0"}));
    // The cursor shows again where the press began, put there once: a drag
    // warps nothing, so absolute pointers count each motion once.
    EXPECT_EQ(window.Warps(), 1);
    EXPECT_TRUE(window.PlatformCursorVisible());
    EXPECT_EQ(window.WarpX(), 15.0f);
    EXPECT_EQ(window.WarpY(), 15.0f);
    EXPECT_FALSE(window.AnyCapture());
}

TEST_F(InputRouting, AHostThatTakesTheClickLeavesTheControlUntouched) {
    FakeContainer host;
    host.hostBits = 64;
    host.answer = 0;
    window.SetHostViewContainer(&host);
    MouseModifiers mods;
    mods.shift = true;
    mods.control = true;
    window.Press(15, 15, mods);
    window.Drag(0, -10);
    window.Release();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"1 73"}));  // host 64 | Shift 1 | Control 8
    EXPECT_FALSE(window.CursorHidden());
    EXPECT_EQ(knob->GetValue(), 0.0);
    EXPECT_TRUE(delegate.log.empty());
    // A host that declines lets the press through.
    host.answer = 1;
    window.Press(15, 15);
    window.Release();
    EXPECT_EQ(delegate.log, (std::vector<std::string>{"begin 0", "end 0"}));
}

TEST_F(InputRouting, AValueTheHostSetsWhileTakingAPressReachesThePressedKnob) {
    FakeContainer host;
    host.answer = 0;
    host.onTaken = [&] { window.SetParamValueFromDelegate(kGain, 0.25); };
    window.SetHostViewContainer(&host);
    window.Press(15, 15);
    window.Release();
    EXPECT_EQ(knob->GetValue(), 0.25);
    EXPECT_TRUE(delegate.log.empty());
    EXPECT_FALSE(window.AnyCapture());
}

TEST_F(InputRouting, ARightClickOnAParameterControlChangesNothing) {
    MouseModifiers right;
    right.right = true;
    for (float x : {15.0f, 35.0f}) {
        window.Press(x, 12, right);
        window.Drag(0, -10, right);
        window.Release(right);
    }
    EXPECT_TRUE(delegate.log.empty());
    EXPECT_EQ(toggle->GetValue(), 0.0);
    EXPECT_FALSE(window.CursorHidden());
}

TEST_F(InputRouting, TheBackgroundTakesPressesButNeverMouseOver) {
    EXPECT_EQ(window.Press(2, 2), background);
    window.Release();
    EXPECT_FALSE(window.OnMouseOver(2, 2, MouseModifiers{}));
    EXPECT_EQ(window.MouseOverIndex(), -1);
    EXPECT_TRUE(window.OnMouseOver(15, 15, MouseModifiers{}));
    EXPECT_EQ(window.MouseOverControl(), knob);
    EXPECT_EQ(window.MouseOverIndex(), 1);
    EXPECT_TRUE(knob->MouseIsOver());
    window.OnMouseOver(35, 12, MouseModifiers{});
    EXPECT_FALSE(knob->MouseIsOver());
    window.OnMouseOut();
    EXPECT_EQ(window.MouseOverControl(), nullptr);
    EXPECT_FALSE(toggle->MouseIsOver());
    EXPECT_TRUE(delegate.log.empty());
}

TEST_F(InputRouting, ADoubleClickIsASecondClickForASwitchOnly) {
    window.Press(35, 12);
    window.Release();
    window.DoubleClick(35, 12);
    window.Release();
    EXPECT_EQ(toggle->GetValue(), 0.0);  // on, then off again
    EXPECT_EQ(delegate.log, (std::vector<std::string>{"begin 2", "value 2 1.0000", "end 2",
                                                      "begin 2", "value 2 0.0000", "end 2"}));
    delegate.log.clear();
    EXPECT_TRUE(window.DoubleClick(15, 15));
    EXPECT_FALSE(window.AnyCapture());
    EXPECT_TRUE(delegate.log.empty());
    EXPECT_FALSE(window.DoubleClick(100, 100));
}

TEST_F(InputRouting, AHostThatTakesADoubleClickOnAKnobSetsWhatTheKnobShows) {
    FakeContainer host;
    host.hostBits = 64;
    host.takeDoubleClicks = true;
    host.onTaken = [&] { window.SetParamValueFromDelegate(kGain, 0.25); };
    window.SetHostViewContainer(&host);
    window.Press(15, 15);
    window.Release();
    MouseModifiers shift;
    shift.shift = true;
    EXPECT_TRUE(window.DoubleClick(15, 15, shift));
    window.Release();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"1 64"}));         // the first click
    EXPECT_EQ(host.doubleClicks, (std::vector<std::string>{"1 65"}));  // host 64 | Shift 1
    EXPECT_EQ(knob->GetValue(), 0.25) << "the knob held by the press still hears the host";
    // Only the first click's gesture, closed; the last release sends nothing.
    EXPECT_EQ(delegate.log, (std::vector<std::string>{"begin 0", "end 0"}));
    EXPECT_FALSE(window.AnyCapture());
    EXPECT_FALSE(window.CursorHidden());
}

TEST_F(InputRouting, DoubleClicksTheHostIsNotAskedAbout) {
    FakeContainer host;
    host.takeDoubleClicks = true;
    window.SetHostViewContainer(&host);
    MouseModifiers right;
    right.right = true;
    const struct {
        const char* what;
        float x;
        float y;
        MouseModifiers mods;
        std::vector<std::string> log;
    } kCases[] = {
        {"a switch toggles", 35, 12, {}, {"begin 2", "value 2 1.0000", "end 2"}},
        {"a right double click on a knob", 15, 15, right, {}},
        {"the background has no parameter", 2, 2, {}, {}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        delegate.log.clear();
        EXPECT_TRUE(window.DoubleClick(c.x, c.y, c.mods));
        window.Release();
        EXPECT_EQ(delegate.log, c.log);
        EXPECT_FALSE(window.AnyCapture());
    }
    EXPECT_TRUE(host.doubleClicks.empty());
    // A host that declines leaves the knob's double click to the knob: nothing.
    host.takeDoubleClicks = false;
    delegate.log.clear();
    window.DoubleClick(15, 15);
    window.Release();
    EXPECT_EQ(host.doubleClicks, (std::vector<std::string>{"1 0"}));
    EXPECT_TRUE(delegate.log.empty());
    EXPECT_EQ(knob->GetValue(), 0.0);
}

TEST_F(InputRouting, KeysOverControlsAreNotUsedAndGoToTheKeyHandler) {
    KeyStroke key;
    key.utf8[0] = 'a';
    EXPECT_FALSE(window.OnKeyDown(15, 15, key));
    EXPECT_FALSE(window.OnKeyUp(2, 2, key));
    std::vector<bool> seen;
    window.SetKeyHandler([&](const KeyStroke&, bool isKeyUp) {
        seen.push_back(isKeyUp);
        return true;
    });
    EXPECT_TRUE(window.OnKeyDown(15, 15, key));
    EXPECT_TRUE(window.OnKeyUp(15, 15, key));
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST_F(InputRouting, WheelNotchesSendNoGestures) {
    window.Wheel(15, 15, 2.0f);
    EXPECT_EQ(delegate.log, (std::vector<std::string>{"value 0 0.0200"}));
    window.Wheel(2, 2, 1.0f);  // background: nothing
    EXPECT_EQ(delegate.log.size(), 1u);
}

TEST_F(InputRouting, EachTouchHoldsItsOwnControl) {
    window.SetMultiTouchEnabled(true);
    MouseEvent first = Point(15, 15);
    first.modifiers.touchId = 1;
    MouseEvent second = Point(35, 12);
    second.modifiers.touchId = 2;
    window.OnMouseDown({first, second});
    EXPECT_TRUE(window.IsCaptured(knob));
    EXPECT_TRUE(window.IsCaptured(toggle));
    // A third touch on a held knob is refused.
    MouseEvent third = Point(16, 16);
    third.modifiers.touchId = 3;
    EXPECT_EQ(window.OnMouseDown({third}), nullptr);
    first.dY = -4;
    window.OnMouseDrag({first});
    window.OnMouseUp({second});
    EXPECT_TRUE(window.IsCaptured(knob));
    EXPECT_FALSE(window.IsCaptured(toggle));
    window.OnMouseUp({first});
    EXPECT_EQ(delegate.log, (std::vector<std::string>{"begin 0", "begin 2", "value 2 1.0000",
                                                      "value 0 0.1000", "end 2", "end 0"}));
}

TEST_F(InputRouting, UnderMultiTouchEachHeldControlShowsItsOwnBubble) {
    window.SetMultiTouchEnabled(true);
    window.AddBubbleControl(TextStyle{});
    window.AddBubbleControl(TextStyle{});
    Control* second = AddKnob(10, 30, kSelector);
    knob->SetActionFunction(ShowValueBubbleAction);
    second->SetActionFunction(ShowValueBubbleAction);
    MouseEvent a = Point(15, 15);
    a.modifiers.touchId = 7;
    MouseEvent b = Point(15, 35);
    b.modifiers.touchId = 9;
    window.OnMouseDown({a, b});
    for (int round = 0; round < 2; ++round) {
        a.dY = -4;
        b.dY = -4;
        window.OnMouseDrag({a, b});
    }
    EXPECT_EQ(window.GetBubble(0)->Caller(), knob);
    EXPECT_EQ(window.GetBubble(0)->TouchId(), 7);
    EXPECT_EQ(window.GetBubble(1)->Caller(), second);
    EXPECT_EQ(window.GetBubble(1)->TouchId(), 9);
    EXPECT_EQ(window.GetBubble(1)->Text(), "50");
    window.OnMouseUp({a, b});
}

}  // namespace
