// The graphics context: attaching controls, what a frame redraws and how, the
// size and scale limits, pictures from the module's table, and input that
// makes no sense.
#include "editor/graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "editor/bitmap_control.h"
#include "editor/bubble_control.h"
#include "editor/font_cache.h"
#include "editor_fixture.h"

namespace {

using editor_test::EditorFixture;
using editor_test::kGain;
using editor_test::kSelector;
using editor_test::kSwitch;
using editor_test::Point;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

int Count(const std::vector<DrawCall>& log, DrawCall::Kind kind) {
    int n = 0;
    for (const DrawCall& call : log) n += call.kind == kind ? 1 : 0;
    return n;
}

using GraphicsTest = EditorFixture;

TEST_F(GraphicsTest, ControlsAreVisitedInAttachOrderWithTheBackgroundFirst) {
    Control* knob = AddKnob(10, 10, kGain);
    Control* other = AddKnob(30, 10, kSelector);
    Control* tagged =
        window.AddControl(new BitmapKnob(0, 0, window.LoadBitmap("KNOB.png", 5), kGain), 7);
    EXPECT_EQ(window.GetControlWithTag(7), tagged);
    // A tag in use attaches nothing.
    EXPECT_EQ(window.AddControl(new BitmapKnob(0, 0, window.LoadBitmap("KNOB.png", 5), kGain), 7),
              nullptr);
    window.AddCornerResizer(kResizeModeScale, false, Color{}, Color{}, Color{}, 20);
    window.AddBubbleControl(TextStyle{});
    Control* background = window.AddBackground("BG.png");
    std::vector<Control*> order;
    window.VisitAllControls([&](Control* c) { order.push_back(c); });
    ASSERT_EQ(order.size(), 6u);
    EXPECT_EQ(order[0], background);
    EXPECT_EQ(order[1], knob);
    EXPECT_EQ(order[2], other);
    EXPECT_EQ(order[3], tagged);
    EXPECT_EQ(order[4], window.GetCornerResizer());
    EXPECT_EQ(order[5], window.GetBubble());
    EXPECT_EQ(background->GetBounds(), (Bounds{0, 0, 50, 50}));
}

TEST_F(GraphicsTest, AFrameRedrawsDirtyControlsGrownAndClippedToPixels) {
    window.AddBackground("BG.png");
    AddKnob(10.3f, 20, kGain);
    ASSERT_EQ(Count(Frame(), DrawCall::kBeginFrame), 1);
    // Nothing dirty: no frame at all.
    EXPECT_TRUE(Frame().empty());
    window.GetControl(1)->SetDirty(false, -1);
    const std::vector<DrawCall> log = Frame();
    ASSERT_EQ(Count(log, DrawCall::kBitmap), 2);  // the background under the knob, then the knob
    const DrawCall& knob = log[2];
    EXPECT_EQ(knob.name, "KNOB.png");
    // The knob's rectangle grown by 0.75 and aligned outwards to whole pixels.
    EXPECT_EQ(knob.clip, (Bounds{9, 19, 22, 31}));
    EXPECT_EQ(log[1].clip, knob.clip);
}

TEST_F(GraphicsTest, HiddenControlsAreSkippedExceptTheBackground) {
    Control* background = window.AddBackground("BG.png");
    Control* knob = AddKnob(10, 10, kGain);
    background->Hide(true);
    knob->Hide(true);
    const std::vector<DrawCall> log = Frame();
    ASSERT_EQ(Count(log, DrawCall::kBitmap), 1);
    EXPECT_EQ(window.Log()[1].name, "BG.png");
}

TEST_F(GraphicsTest, AControlOnlyTouchingARegionIsNotDrawnForIt) {
    AddKnob(10, 10, kGain);  // grown and aligned: 9, 9, 21, 21
    window.MarkAllClean();
    for (const Bounds& region : {Bounds{21, 0, 40, 40}, Bounds{0, 21, 40, 40}}) {
        BoundsList list{region};
        window.ClearLog();
        window.Draw(list);
        EXPECT_EQ(Count(window.Log(), DrawCall::kBitmap), 0);
    }
    // One pixel of overlap is enough.
    BoundsList overlapping{{0, 0, 10, 40}};
    window.ClearLog();
    window.Draw(overlapping);
    EXPECT_EQ(Count(window.Log(), DrawCall::kBitmap), 1);
    BoundsList empty;
    window.ClearLog();
    window.Draw(empty);
    EXPECT_TRUE(window.Log().empty());
}

TEST_F(GraphicsTest, ResizeKeepsWithinTheLimitsAndIgnoresWhatIsNotANumber) {
    struct Case {
        const char* what;
        int width;
        int height;
        float scale;
        int expectedWidth;
        int expectedHeight;
        float expectedScale;
    };
    const Case cases[] = {
        {"scale above twice", 248, 662, 3.0f, 248, 662, 2.0f},
        {"scale below half", 248, 662, 0.25f, 248, 662, 0.5f},
        {"narrow", 100, 662, 1.0f, 124, 662, 1.0f},
        {"nothing at all", 0, 0, 1.0f, 124, 331, 1.0f},
        {"negative", -5, -5, -1.0f, 124, 331, 0.5f},
        {"huge", 1 << 30, 1 << 30, 1e30f, 496, 1324, 2.0f},
        {"scale not a number", 300, 700, kNaN, 248, 662, 1.0f},
        {"scale infinite", 300, 700, kInf, 248, 662, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window.Resize(248, 662, 1.0f, true);
        window.Resize(c.width, c.height, c.scale, true);
        EXPECT_EQ(window.Width(), c.expectedWidth);
        EXPECT_EQ(window.Height(), c.expectedHeight);
        EXPECT_EQ(window.DrawScale(), c.expectedScale);
    }
    window.Resize(248, 662, 2.0f, true);
    const int resizes = window.WindowResizes();
    window.Resize(248, 662, 2.0f, true);
    EXPECT_EQ(window.WindowResizes(), resizes);  // the same size changes nothing
    EXPECT_EQ(window.WindowPixelWidth(), 496);
    EXPECT_EQ(window.WindowPixelHeight(), 1324);
}

TEST_F(GraphicsTest, ScreenScaleSizesTheWindowAndIgnoresValuesThatAreNoScale) {
    window.SetScreenScale(2.0f);
    EXPECT_EQ(window.WindowPixelWidth(), 496);
    EXPECT_EQ(window.WindowPixelHeight(), 1324);
    EXPECT_EQ(delegate.negotiated.back(), "496x1324");
    for (float bad : {kNaN, kInf, 0.0f, -1.0f}) {
        window.SetScreenScale(bad);
        EXPECT_EQ(window.GetScreenScale(), 2.0f);
    }
}

TEST_F(GraphicsTest, APictureIsDecodedOncePerScaleAndAgainAtAnother) {
    const BitmapStrip first = window.LoadBitmap("KNOB.png", 5);
    const BitmapStrip second = window.LoadBitmap("KNOB.png", 5);
    EXPECT_EQ(window.DecodeCount(), 1);
    EXPECT_EQ(first.bitmap, second.bitmap);
    EXPECT_EQ(first.width, 10);
    EXPECT_EQ(first.height, 50);
    EXPECT_EQ(first.bitmap->scale, 2.0f);
    // Target 3 tries 3, then finds the scale-2 picture already decoded.
    window.LoadBitmap("KNOB.png", 5, false, 3);
    EXPECT_EQ(window.DecodeCount(), 1);
    EXPECT_EQ(window.LiveImages(), 1);
}

TEST_F(GraphicsTest, ControlsReloadTheirPicturesWhenTheScreenScaleChanges) {
    test_pictures::ResourceSet both;
    const auto grey = [](int, int y) { return editor_test::FrameGrey(y, 10); };
    both.Add("KNOB.png", test_pictures::RgbaPng(10, 50, grey));
    both.Add("KNOB@2x.png", test_pictures::RgbaPng(20, 100, grey));
    window.SetResourceTable(both.Table());
    auto* knob = AddKnob(10, 10, kGain);
    EXPECT_EQ(knob->Strip().bitmap->scale, 1.0f);
    window.SetScreenScale(1.5f);  // pictures for ceil(1.5) = 2
    EXPECT_EQ(knob->Strip().bitmap->scale, 2.0f);
    EXPECT_EQ(knob->GetBounds(), (Bounds{10, 10, 20, 20}));
    window.SetScreenScale(1.0f);
    EXPECT_EQ(knob->Strip().bitmap->scale, 1.0f);
    EXPECT_EQ(window.DecodeCount(), 2);
}

TEST_F(GraphicsTest, AMissingOrBrokenPictureGivesAControlThatIsNeverDrawnOrHit) {
    for (const char* name : {"MISSING.png", "BROKEN.png", "NOTES.txt"}) {
        SCOPED_TRACE(name);
        const BitmapStrip strip = window.LoadBitmap(name, 5);
        EXPECT_EQ(strip.bitmap, nullptr);
        EXPECT_EQ(strip.width, 0);
        EXPECT_EQ(strip.frames, 0);
        Control* knob = window.AddControl(new BitmapKnob(10, 10, strip, kGain));
        EXPECT_TRUE(knob->GetBounds().Empty());
        EXPECT_EQ(window.Press(10, 10), nullptr);
        window.Release();
    }
    Control* background = window.AddBackground("MISSING.png");
    EXPECT_TRUE(background->GetBounds().Empty());
    EXPECT_EQ(Count(Frame(), DrawCall::kBitmap), 0);
    EXPECT_TRUE(delegate.log.empty());
}

TEST_F(GraphicsTest, NonsenseInputLeavesTheEditorAsItWas) {
    Control* knob = AddKnob(10, 10, kGain);
    AddSwitch(40, 10, kSwitch);
    // Released without a press, dragged without a press.
    window.OnMouseUp({Point(15, 15)});
    window.OnMouseDrag({Point(15, 15, 0, -10)});
    // Pressed where no number is.
    for (float bad : {kNaN, kInf, -kInf}) {
        EXPECT_EQ(window.OnMouseDown({Point(bad, bad)}), nullptr);
        window.OnMouseWheel(bad, 15, MouseModifiers{}, 1.0f);
        EXPECT_FALSE(window.OnMouseOver(bad, bad, MouseModifiers{}));
    }
    EXPECT_EQ(window.OnMouseDown({Point(1e30f, -1e30f)}), nullptr);
    EXPECT_FALSE(window.AnyCapture());
    EXPECT_TRUE(delegate.log.empty());
    // A press, then motion and wheel notches that are not numbers.
    window.Press(15, 15);
    window.OnMouseDrag({Point(15, 15, kNaN, kNaN)});
    window.OnMouseDrag({Point(15, 15, 0, kInf)});
    window.Release();
    window.OnMouseWheel(15, 15, MouseModifiers{}, kNaN);
    EXPECT_EQ(knob->GetValue(), 0.0);
    EXPECT_EQ(delegate.GetParam(kGain)->GetNorm(), 0.5);
    EXPECT_EQ(delegate.log, (std::vector<std::string>{"begin 0", "end 0"}));
    // A value from the host that is not a number does not reach the knob.
    window.SetParamValueFromDelegate(kGain, std::nan(""));
    EXPECT_EQ(knob->GetValue(), 0.0);
}

TEST_F(GraphicsTest, TheFontIsReadFromTheTableOncePerProcess) {
    EXPECT_FALSE(window.LoadFont("Missing", "Missing.ttf"));
    test_pictures::ResourceSet fonts;
    fonts.Add("NotAFont.ttf", test_pictures::Bytes(64, 'x'));
    window.SetResourceTable(fonts.Table());
    EXPECT_FALSE(window.LoadFont("NotAFont", "NotAFont.ttf"));
    std::ifstream roboto("/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf",
                         std::ios::binary);
    if (!roboto) GTEST_SKIP() << "fonts-roboto-unhinted is not installed";
    fonts.Add("Roboto-Regular.ttf",
              {std::istreambuf_iterator<char>(roboto), std::istreambuf_iterator<char>()});
    window.SetResourceTable(fonts.Table());
    EXPECT_TRUE(window.LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
    ASSERT_NE(FontCacheFind("Roboto-Regular"), nullptr);
    EXPECT_EQ(FontCacheFind("Roboto-Regular")->tables.family, "Roboto");
}

TEST(GraphicsInstances, AreCountedProcessWide) {
    editor_test::TestDelegate delegate;
    const int before = Graphics::InstanceCount();
    {
        HeadlessWindow a(delegate, 248, 662, 60, 1.0f);
        HeadlessWindow b(delegate, 248, 662, 60, 1.0f);
        EXPECT_EQ(Graphics::InstanceCount(), before + 2);
    }
    EXPECT_EQ(Graphics::InstanceCount(), before);
}

}  // namespace
