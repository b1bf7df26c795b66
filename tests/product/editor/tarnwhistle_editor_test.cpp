// Tarnwhistle's editor as a user meets it: opened by the host through the
// plug-in, in a headless window, with the host's gestures, the parameters
// and the engine settings read back after each pointer action.
#include "product/editor/tarnwhistle_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/byte_chunk.h"
#include "core/run_loop.h"
#include "editor/bitmap_base.h"
#include "editor/bubble_control.h"
#include "editor/editor_clock.h"
#include "editor/graphics_binding.h"
#include "editor/headless/headless_window.h"
#include "fake_host.h"
#include "product/channel_parameters.h"
#include "tarnwhistle.h"
#include "test_pictures.h"
#include "test_plugins.h"

namespace {

using test_plugins::PlugRef;

class StepClock : public EditorClock {
public:
    double NowMs() const override { return now; }
    double now = 1000.0;
};

// Where each control stands, in attach order (list index 1..11).
struct Placement {
    const char* file;
    int frames;
    Bounds bounds;
    int paramIdx;
};
const Placement kPlacements[] = {
    {"SWITCH.png", 2, {159, 621, 201, 642}, kBypass},
    {"SWITCH.png", 2, {49, 621, 91, 642}, kMicPre},
    {"OVER.png", 2, {64, 647, 185, 657}, kOversampling},
    {"GAIN.png", 61, {31, 518, 108, 595}, kPreampGain},
    {"TRIM.png", 61, {141, 518, 218, 595}, kOutputTrim},
    {"HPF.png", 5, {31, 395, 107, 471}, kHighPass},
    {"LF.png", 5, {31, 271, 108, 348}, kLowFreq},
    {"BGAIN.png", 61, {141, 271, 218, 348}, kLowGain},
    {"MF.png", 7, {30, 150, 107, 227}, kMidFreq},
    {"BGAIN.png", 61, {141, 148, 218, 225}, kMidGain},
    {"BGAIN.png", 61, {141, 25, 218, 102}, kHighGain},
};

float CentreX(const Bounds& b) {
    return (b.left + b.right) / 2;
}
float CentreY(const Bounds& b) {
    return (b.top + b.bottom) / 2;
}

class ProductEditor : public testing::Test {
protected:
    ProductEditor() {
        SetProcessRunLoop(&loop);
        SetEditorClock(&clock);
        plug = MakeProduct();
    }
    ~ProductEditor() override {
        plug.reset();
        SetEditorClock(nullptr);
        SetProcessRunLoop(nullptr);
    }

    struct Product {
        fake_host::FakeInstance instance;
        PlugRef<Tarnwhistle> plug{static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}))};
    };
    static std::unique_ptr<Product> MakeProduct() {
        auto product = std::make_unique<Product>();
        product->instance.answerRequests = product->plug.get();
        product->plug->Initialize(static_cast<HPI_IController*>(&product->instance));
        HeadlessWindow::Attach(*product->plug);
        return product;
    }

    HeadlessWindow& Open() {
        plug->plug->OpenWindow(nullptr);
        HeadlessWindow* window = HeadlessWindow::Of(*plug->plug);
        if (window == nullptr) std::abort();
        window->Tick();
        return *window;
    }
    Tarnwhistle& Plug() { return *plug->plug; }
    fake_host::FakeInstance& Host() { return plug->instance; }
    Control* ControlOf(HeadlessWindow& window, int paramIdx) {
        for (int i = 1; i < window.NControls(); ++i) {
            if (window.GetControl(i)->GetParamIdx() == paramIdx) return window.GetControl(i);
        }
        return nullptr;
    }
    // The host automates parameter paramIdx; the editor hears of it at the
    // next idle tick.
    void HostSets(int paramIdx, double normalized) {
        Plug().UpdateParameterNormalizedValue(std::to_string(paramIdx + 1).c_str(), normalized);
    }
    void IdleTick() { loop.Advance(20); }
    // The host's touch, set-value request and release calls, in order.
    std::vector<std::string> HostGestureCalls() {
        std::vector<std::string> found;
        for (const std::string& call : Host().calls) {
            for (const char* kind : {"touch:", "request:", "release:"}) {
                if (call.rfind(kind, 0) == 0) found.push_back(call);
            }
        }
        return found;
    }
    // The frame a control shows after a redraw, from its bitmap call.
    int ShownFrame(HeadlessWindow& window, const Placement& p) {
        window.MarkAllDirty();
        window.ClearLog();
        window.Tick();
        for (const DrawCall& call : window.BitmapCalls(p.file)) {
            if (call.dest == p.bounds) return call.srcY / (p.bounds.bottom - p.bounds.top) + 1;
        }
        return 0;
    }

    test_pictures::ScopedWorkingDirectory pictures{test_pictures::ProductPictureFolder()};
    ManualRunLoop loop;
    StepClock clock;
    std::unique_ptr<Product> plug;
};

TEST_F(ProductEditor, ElevenControlsStandOverTheBackgroundInTheirPlaces) {
    HeadlessWindow& window = Open();
    ASSERT_EQ(window.NControls(), 12);
    EXPECT_EQ(window.GetControl(0)->GetBounds(), (Bounds{0, 0, 248, 662}));
    for (int i = 0; i < 11; ++i) {
        const Placement& p = kPlacements[i];
        SCOPED_TRACE(p.paramIdx);
        Control* control = window.GetControl(i + 1);
        EXPECT_EQ(control->GetBounds(), p.bounds);
        EXPECT_EQ(control->GetParamIdx(), p.paramIdx);
        const auto* strip = dynamic_cast<const BitmapBase*>(control);
        ASSERT_NE(strip, nullptr);
        EXPECT_EQ(strip->Strip().frames, p.frames);
        EXPECT_EQ(strip->Strip().name, p.file);
        // Found at scale 2 and drawn at half size.
        EXPECT_EQ(strip->Strip().bitmap->scale, 2.0f);
        // Every control shows its parameter's current value; only Bypass is on.
        EXPECT_EQ(ShownFrame(window, p),
                  p.paramIdx == kBypass
                      ? 2
                      : StripFrameFor(Plug().GetParam(p.paramIdx)->GetNorm(), p.frames));
    }
    EXPECT_EQ(window.GetCornerResizer()->GetBounds(), (Bounds{228, 642, 248, 662}));
    EXPECT_EQ(window.WindowPixelWidth(), 248);
    EXPECT_EQ(window.WindowPixelHeight(), 662);
    // Three strips share BGAIN.png and two SWITCH.png: nine pictures decoded.
    EXPECT_EQ(window.DecodeCount(), 9);
}

TEST_F(ProductEditor, SelectorsShowOneFramePerPositionSetByTheHost) {
    HeadlessWindow& window = Open();
    for (const int index : {5, 8}) {  // HighPass, Mid Freq
        const Placement& p = kPlacements[index];
        const Param& param = *Plug().GetParam(p.paramIdx);
        for (int position = 0; position < p.frames; ++position) {
            SCOPED_TRACE(std::string(p.file) + " " + std::to_string(position));
            HostSets(p.paramIdx, param.ToNorm(position));
            IdleTick();
            EXPECT_EQ(ShownFrame(window, p), position + 1);
        }
    }
}

TEST_F(ProductEditor, AtScreenScaleTwoTheWindowDoublesAndThePicturesStayTheSame) {
    HeadlessWindow::Attach(Plug(), 2.0f);
    HeadlessWindow& window = Open();
    EXPECT_EQ(window.WindowPixelWidth(), 496);
    EXPECT_EQ(window.WindowPixelHeight(), 1324);
    EXPECT_EQ(window.TotalScale(), 2.0f);
    EXPECT_EQ(window.DecodeCount(), 9);
    EXPECT_EQ(window.GetControl(4)->GetBounds(), kPlacements[3].bounds);
}

TEST_F(ProductEditor, AKnobDragTouchesSetsAndReleasesItsParameterOnceAndMovesTheEngine) {
    HeadlessWindow& window = Open();
    const double driveBefore = Plug().Settings().driveTarget.load();
    const Bounds& gain = kPlacements[3].bounds;
    window.Press(CentreX(gain), CentreY(gain));
    for (int step = 0; step < 3; ++step) window.Drag(0, -10);
    window.Release();
    // The gesture's touch and release around the values; the host interface
    // wraps each set-value request in its own touch and release as well.
    const std::string last = [] {
        char text[32];
        std::snprintf(text, sizeof text, "request:1:%.4f", 0.5 + 30.0 / 77.0 / 4.0);
        return std::string(text);
    }();
    const std::vector<std::string> gesture = HostGestureCalls();
    ASSERT_EQ(gesture.size(), 11u);
    EXPECT_EQ(gesture.front(), "touch:1");
    EXPECT_EQ(gesture[8], last);
    EXPECT_EQ(gesture.back(), "release:1");
    EXPECT_NEAR(Plug().GetParam(kPreampGain)->GetNorm(), 0.5 + 30.0 / 77.0 / 4.0, 1e-9);
    EXPECT_GT(Plug().Settings().driveTarget.load(), driveBefore);
    EXPECT_FALSE(window.CursorHidden());
}

TEST_F(ProductEditor, ControlOrShiftMakeADragTenTimesFiner) {
    struct Case {
        const char* what;
        bool control;
        bool shift;
        double gearing;
    };
    const Case cases[] = {
        {"plain", false, false, 4.0}, {"Control", true, false, 40.0}, {"Shift", false, true, 40.0}};
    HeadlessWindow& window = Open();
    const Bounds& trim = kPlacements[4].bounds;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostSets(kOutputTrim, 0.5);
        IdleTick();
        MouseModifiers mods;
        mods.control = c.control;
        mods.shift = c.shift;
        window.Press(CentreX(trim), CentreY(trim), mods);
        window.Drag(0, -20, mods);
        window.Release(mods);
        EXPECT_NEAR(Plug().GetParam(kOutputTrim)->GetNorm(), 0.5 + 20.0 / 77.0 / c.gearing, 1e-9);
    }
}

TEST_F(ProductEditor, WheelNotchesMoveSelectorsByOnePositionAndGainsByAHundredth) {
    HeadlessWindow& window = Open();
    const Bounds& highPass = kPlacements[5].bounds;
    const Bounds& lowGain = kPlacements[7].bounds;
    for (int notch = 1; notch <= 5; ++notch) {
        window.Wheel(CentreX(highPass), CentreY(highPass), 1.0f);
        EXPECT_EQ(Plug().GetParam(kHighPass)->GetValue(), std::min(notch, 4));
    }
    window.Wheel(CentreX(highPass), CentreY(highPass), -1.0f);
    EXPECT_EQ(Plug().GetParam(kHighPass)->GetValue(), 3.0);
    EXPECT_EQ(Plug().Settings().highPassSelection.load(), 3);
    window.Wheel(CentreX(lowGain), CentreY(lowGain), 3.0f);
    EXPECT_NEAR(Plug().GetParam(kLowGain)->GetNorm(), 0.53, 1e-9);
    MouseModifiers fine;
    fine.shift = true;
    window.Wheel(CentreX(lowGain), CentreY(lowGain), -1.0f, fine);
    EXPECT_NEAR(Plug().GetParam(kLowGain)->GetNorm(), 0.529, 1e-9);
    // Wheel changes are values without a gesture around them.
    const std::vector<std::string> calls = HostGestureCalls();
    EXPECT_EQ(calls.size(), 3 * Host().CallsOf("request").size());
    EXPECT_EQ(calls.front(), "touch:3");
    EXPECT_EQ(calls[1].rfind("request:3:", 0), 0u);
}

TEST_F(ProductEditor, SwitchClicksToggleTheirParametersAndOnlyOversamplingShowsTheBubble) {
    HeadlessWindow& window = Open();
    struct Case {
        int index;
        int paramIdx;
        double before;
        bool bubble;
    };
    const Case cases[] = {
        {0, kBypass, 1.0, false}, {1, kMicPre, 0.0, false}, {2, kOversampling, 0.0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.paramIdx);
        const Bounds& b = kPlacements[c.index].bounds;
        for (int click = 1; click <= 2; ++click) {
            window.Press(CentreX(b), CentreY(b));
            window.Release();
            EXPECT_EQ(Plug().GetParam(c.paramIdx)->GetValue(),
                      click == 1 ? 1.0 - c.before : c.before);
            if (click == 1 && c.bubble) {
                EXPECT_EQ(window.GetBubble()->Text(), "Oversampling On");
            }
        }
        EXPECT_EQ(window.GetBubble()->State() != BubbleControl::kBubbleHidden, c.bubble);
    }
    EXPECT_EQ(window.GetBubble()->Text(), "Oversampling Off");
    EXPECT_EQ(Plug().Settings().oversamplingPasses.load(), 0);
}

TEST_F(ProductEditor, TheBubbleStandsAboveAKnobUnlessItWouldLeaveTheEditor) {
    HeadlessWindow& window = Open();
    struct Case {
        int index;
        int arrowSide;
    };
    const Case cases[] = {{3, BubbleControl::kArrowBottom},
                          {10, BubbleControl::kArrowTop}};  // Preamp, High Gain
    for (const Case& c : cases) {
        const Placement& p = kPlacements[c.index];
        SCOPED_TRACE(p.file);
        window.Wheel(CentreX(p.bounds), CentreY(p.bounds), 1.0f);
        const BubbleControl& bubble = *window.GetBubble();
        EXPECT_EQ(bubble.GetArrowSide(), c.arrowSide);
        EXPECT_FLOAT_EQ(CentreX(bubble.BubbleBounds()), CentreX(p.bounds));
        if (c.arrowSide == BubbleControl::kArrowBottom) {
            EXPECT_FLOAT_EQ(bubble.BubbleBounds().bottom, p.bounds.top);
        } else {
            EXPECT_FLOAT_EQ(bubble.BubbleBounds().top, p.bounds.bottom);
        }
        TextBuf expected;
        const Param& param = *Plug().GetParam(p.paramIdx);
        param.FormatValue(param.GetValue(), false, expected);
        EXPECT_EQ(bubble.Text(), std::string(expected.Get()) + " dB");
    }
}

TEST_F(ProductEditor, TheBubbleFadesInHoldsWhileTheKnobIsHeldAndFadesOut) {
    HeadlessWindow& window = Open();
    const Bounds& mid = kPlacements[9].bounds;
    const BubbleControl& bubble = *window.GetBubble();
    window.Press(CentreX(mid), CentreY(mid));
    window.Drag(0, -5);
    struct Step {
        double advanceMs;
        int state;
        float opacity;
    };
    // Held: fade in over 200 ms, then hold as long as the knob is held.
    const Step held[] = {
        {100, 1, 0.475f}, {101, 2, 0.95f}, {1001, 2, 0.95f}, {201, 2, 0.95f}, {2000, 2, 0.95f}};
    for (const Step& s : held) {
        clock.now += s.advanceMs;
        window.Tick();
        EXPECT_EQ(bubble.State(), s.state) << clock.now;
        EXPECT_NEAR(bubble.Opacity(), s.opacity, 1e-4) << clock.now;
    }
    // Drawn while shown: shadow, white shape outlined black, and the text, all
    // at the bubble's opacity.
    window.MarkAllDirty();
    window.ClearLog();
    window.Tick();
    std::vector<DrawCall::Kind> kinds;
    for (const DrawCall& call : window.Log()) {
        if (call.kind == DrawCall::kBitmap || call.kind == DrawCall::kTriangle ||
            call.blend.weight != 0.95f)
            continue;
        kinds.push_back(call.kind);
        if (call.kind == DrawCall::kPathFill) {
            EXPECT_EQ(call.color, (Color{255, 255, 255, 255}));
        }
        if (call.kind == DrawCall::kPathStroke) {
            EXPECT_EQ(call.color, (Color{255, 0, 0, 0}));
        }
        if (call.kind == DrawCall::kText) {
            EXPECT_EQ(call.name, bubble.Text());
        }
    }
    EXPECT_EQ(kinds, (std::vector<DrawCall::Kind>{DrawCall::kShadow, DrawCall::kPathFill,
                                                  DrawCall::kPathStroke, DrawCall::kText}));
    window.Release();
    // Released: the running hold ends, then a 200 ms fade-out.
    const Step released[] = {{201, 3, 0.95f}, {100, 3, 0.475f}, {101, 0, 0.0f}};
    for (const Step& s : released) {
        clock.now += s.advanceMs;
        window.Tick();
        EXPECT_EQ(bubble.State(), s.state) << clock.now;
        EXPECT_NEAR(bubble.Opacity(), s.opacity, 1e-4) << clock.now;
    }
    EXPECT_TRUE(bubble.IsHidden());
    EXPECT_FALSE(window.Tick());
}

TEST_F(ProductEditor, HostValuesArriveAtTheIdleTickAndWaitWhileTheKnobIsHeld) {
    HeadlessWindow& window = Open();
    Control* high = ControlOf(window, kHighGain);
    HostSets(kHighGain, 0.75);
    EXPECT_EQ(high->GetValue(), 0.5);
    IdleTick();
    EXPECT_EQ(high->GetValue(), 0.75);
    EXPECT_EQ(ShownFrame(window, kPlacements[10]), 46);
    const Bounds& b = kPlacements[10].bounds;
    window.Press(CentreX(b), CentreY(b));
    window.Drag(0, -7.7f);  // to 0.775
    HostSets(kHighGain, 0.1);
    IdleTick();
    EXPECT_NEAR(high->GetValue(), 0.775, 1e-9);
    window.Release();
    HostSets(kHighGain, 0.1);
    IdleTick();
    EXPECT_EQ(high->GetValue(), 0.1);
}

TEST_F(ProductEditor, TheCornerScalesTheEditorWithinItsLimitsAndADoubleClickGoesHome) {
    HeadlessWindow& window = Open();
    struct Drag {
        float dX;
        float dY;
        float scale;
    };
    // Press at (238, 652); the smaller of the two ratios wins.
    const Drag drags[] = {
        {119, 10, 662.0f / 652}, {119, 652, 1.5f}, {1000, 1000, 2.0f}, {-228, -600, 0.5f}};
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.scale);
        window.Resize(248, 662, 1.0f, true);
        window.Press(238, 652);
        ASSERT_TRUE(window.ResizingInProgress());
        window.Drag(d.dX, d.dY);
        window.Release();
        EXPECT_FLOAT_EQ(window.DrawScale(), d.scale);
        EXPECT_EQ(window.Width(), 248);
        EXPECT_EQ(window.Height(), 662);
        EXPECT_EQ(window.WindowPixelWidth(), static_cast<int>(static_cast<int>(248 * d.scale)));
        EXPECT_EQ(window.WindowPixelHeight(), static_cast<int>(static_cast<int>(662 * d.scale)));
        // The handle keeps 20 pixels.
        EXPECT_FLOAT_EQ(window.GetCornerResizer()->GetBounds().W() * window.DrawScale(), 20.0f);
    }
    const Bounds handle = window.GetCornerResizer()->GetBounds();
    // A faint handle that turns opaque black under the pointer.
    const auto handleColour = [&] {
        window.MarkAllDirty();
        window.ClearLog();
        window.Tick();
        for (const DrawCall& call : window.Log()) {
            if (call.kind == DrawCall::kTriangle) return call.color;
        }
        return Color{0, 0, 0, 0};
    };
    EXPECT_EQ(handleColour(), (Color{10, 0, 0, 0}));
    window.OnMouseOver(CentreX(handle), CentreY(handle), MouseModifiers{});
    EXPECT_EQ(handleColour(), (Color{255, 0, 0, 0}));
    EXPECT_EQ(window.CurrentPointerShape(), kCursorSizeNWSE);
    window.DoubleClick(CentreX(handle), CentreY(handle));
    EXPECT_EQ(window.DrawScale(), 1.0f);
    EXPECT_EQ(window.WindowPixelWidth(), 248);
    EXPECT_TRUE(Host().CallsOf("touch").empty());
}

TEST_F(ProductEditor, TheEditorSizeSurvivesCloseReopenAndAStateRoundTrip) {
    Open().Resize(248, 662, 1.5f, true);
    Plug().CloseWindow();
    EXPECT_EQ(HeadlessWindow::Of(Plug()), nullptr);
    EXPECT_EQ(Plug().SavedScale(), 1.5f);
    HeadlessWindow& reopened = Open();
    EXPECT_EQ(reopened.DrawScale(), 1.5f);
    EXPECT_EQ(reopened.WindowPixelWidth(), 372);
    EXPECT_EQ(reopened.NControls(), 12);
    ByteChunk state;
    ASSERT_TRUE(Plug().SaveState(state));
    Plug().CloseWindow();

    auto other = MakeProduct();
    ASSERT_GE(other->plug->LoadState(state, 0), 0);
    other->plug->OpenWindow(nullptr);
    HeadlessWindow* restored = HeadlessWindow::Of(*other->plug);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->DrawScale(), 1.5f);
    EXPECT_EQ(restored->WindowPixelHeight(), 993);
    other->plug->CloseWindow();
}

}  // namespace
