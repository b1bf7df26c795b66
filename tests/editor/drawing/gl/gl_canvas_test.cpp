// The GL canvas drawn into an off-screen window and read back: blend modes on
// known colours, the retained frame, and steady frames without allocation.
#include "editor/drawing/gl/gl_canvas.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "allocation_counter.h"
#include "editor/bitmap_knob.h"
#include "editor/control.h"
#include "editor/drawing/offscreen/offscreen_window.h"
#include "editor_test_support.h"
#include "test_pictures.h"

namespace {

using editor_test::TestDelegate;
using test_pictures::RgbaPng;

// Draws one picture over its rectangle with a blend.
class PictureControl : public Control {
public:
    PictureControl(const Bounds& bounds, BitmapStrip strip, BlendStyle blend)
        : Control(bounds), mStrip(std::move(strip)), mPictureBlend(blend) {}
    void Draw(Graphics& g) override { g.DrawBitmap(mStrip, GetBounds(), 0, 0, &mPictureBlend); }

private:
    BitmapStrip mStrip;
    BlendStyle mPictureBlend;
};

class GLCanvasTest : public testing::Test {
protected:
    GLCanvasTest() {
        pictures.Add("DST@2x.png", RgbaPng(20, 20, [](int, int) { return 0x80C86400u; }));
        pictures.Add("SRC@2x.png", RgbaPng(20, 20, [](int, int) { return 0xC00040FFu; }));
        pictures.Add("BG@2x.png", RgbaPng(496, 1324, [](int x, int y) {
                         return 0xFF000000u | static_cast<uint32_t>((x * 7 + y * 3) % 256);
                     }));
        // A five-frame knob, each frame its own grey.
        pictures.Add("KNOB@2x.png", RgbaPng(40, 200, [](int, int y) {
                         const uint32_t grey = 40u + static_cast<uint32_t>(y / 40) * 40u;
                         return 0xFF000000u | grey << 16 | grey << 8 | grey;
                     }));
    }
    ~GLCanvasTest() override { window.reset(); }

    // Opens the window with layout run on it.
    OffscreenWindow& Open(const std::function<void(Graphics&)>& layout) {
        delegate.SetLayoutFunc([&, layout](Graphics* g) {
            g->SetResourceTable(pictures.Table());
            layout(*g);
        });
        window = std::make_unique<OffscreenWindow>(delegate, 248, 662, 60, 1.0f);
        if (window->OpenWindow(nullptr) == nullptr) {
            ADD_FAILURE() << "no off-screen OpenGL context";
        }
        return *window;
    }

    TestDelegate delegate;
    test_pictures::ResourceSet pictures;
    std::unique_ptr<OffscreenWindow> window;
};

// Premultiplied channels 0..1.
struct Premultiplied {
    double r, g, b, a;
};

Premultiplied FromStraight(int r, int g, int b, int a) {
    const double alpha = a / 255.0;
    return {r / 255.0 * alpha, g / 255.0 * alpha, b / 255.0 * alpha, alpha};
}

TEST_F(GLCanvasTest, BlendModesCompositeByTheirFactors) {
    // Destination: (200, 100, 0) at alpha 128; source: (0, 64, 255) at alpha 192.
    const Premultiplied d = FromStraight(200, 100, 0, 128);
    const Premultiplied s = FromStraight(0, 64, 255, 192);
    struct Case {
        int mode;
        double source;       // factor on the source
        double destination;  // factor on the destination
    };
    const Case kCases[] = {
        {0, 1, 1 - s.a}, {1, d.a, 0},           {2, 1 - d.a, 0},  {3, d.a, 1 - s.a},
        {4, 1 - d.a, 1}, {5, 0, s.a},           {6, 0, 1 - s.a},  {7, 1 - d.a, s.a},
        {8, s.a, d.a},   {9, 1 - d.a, 1 - s.a}, {42, 1, 1 - s.a},  // an unknown mode keeps the
                                                                   // composite in force (normal
                                                                   // here)
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.mode);
        OffscreenWindow& w = Open([&](Graphics& g) {
            g.AddControl(new PictureControl({0, 0, 10, 10}, g.LoadBitmap("DST.png"), {0, 1.0f}));
            g.AddControl(
                new PictureControl({0, 0, 10, 10}, g.LoadBitmap("SRC.png"), {c.mode, 1.0f}));
        });
        ASSERT_TRUE(w.Tick());
        const WindowPixels shot = w.ReadPixels();
        const double expected[4] = {
            s.r * c.source + d.r * c.destination, s.g * c.source + d.g * c.destination,
            s.b * c.source + d.b * c.destination, s.a * c.source + d.a * c.destination};
        for (int channel = 0; channel < 4; ++channel) {
            EXPECT_NEAR(shot.At(5, 5, channel), std::min(1.0, expected[channel]) * 255.0, 2.0)
                << "channel " << channel;
        }
        window.reset();
    }
}

TEST_F(GLCanvasTest, BlendWeightScalesAPicturesOpacity) {
    // The source at weight 0.25 over an opaque background.
    OffscreenWindow& w = Open([](Graphics& g) {
        g.AddBackground("BG.png");
        g.AddControl(new PictureControl({0, 0, 10, 10}, g.LoadBitmap("SRC.png"), {0, 0.25f}));
    });
    ASSERT_TRUE(w.Tick());
    const WindowPixels shot = w.ReadPixels();
    const Premultiplied s = FromStraight(0, 64, 255, 192);
    // Blue of the background: the picture's 2 x 2 block (100, 107, 103, 110) at half size.
    const double bg = 105.0 / 255.0;
    EXPECT_NEAR(shot.At(5, 5, 0), 0.0, 1.0);
    EXPECT_NEAR(shot.At(5, 5, 1), 255.0 * 0.25 * s.g, 1.5);
    EXPECT_NEAR(shot.At(5, 5, 2), 255.0 * (0.25 * s.b + bg * (1 - 0.25 * s.a)), 1.5);
}

// Pixels that differ between two pictures of the same size, outside the given
// regions (graphics units at total scale 1).
int ChangedOutside(const WindowPixels& a, const WindowPixels& b, const BoundsList& regions) {
    int changed = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            bool inside = false;
            for (const Bounds& r : regions) {
                inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            }
            if (inside) continue;
            for (int c = 0; c < 4; ++c) changed += a.At(x, y, c) != b.At(x, y, c) ? 1 : 0;
        }
    }
    return changed;
}

// Copies its retained frame to the window with the textured rectangle, as a
// context without a blit does.
class PatternCopyWindow : public OffscreenWindow {
public:
    PatternCopyWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps, float scale)
        : OffscreenWindow(delegate, width, height, fps, scale) {
        GL().UseBlitCopy(false);
    }
};

class RetainedFrame : public GLCanvasTest, public testing::WithParamInterface<bool> {};

TEST_P(RetainedFrame, RedrawsOnlyWhatChanged) {
    Control* knob = nullptr;
    delegate.SetLayoutFunc([&](Graphics* g) {
        g->SetResourceTable(pictures.Table());
        g->AddBackground("BG.png");
        knob = g->AddControl(new BitmapKnob(40, 40, g->LoadBitmap("KNOB.png", 5), 0));
        g->AddControl(new BitmapKnob(120, 40, g->LoadBitmap("KNOB.png", 5), 1));
    });
    if (GetParam()) {
        window = std::make_unique<OffscreenWindow>(delegate, 248, 662, 60, 1.0f);
    } else {
        window = std::make_unique<PatternCopyWindow>(delegate, 248, 662, 60, 1.0f);
    }
    ASSERT_NE(window->OpenWindow(nullptr), nullptr);
    OffscreenWindow& w = *window;
    for (int stale = 0; stale < 16 && glGetError() != GL_NO_ERROR; ++stale) {
    }
    ASSERT_TRUE(w.Tick());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FALSE(w.Tick()) << "everything was drawn once";
    const WindowPixels before = w.ReadPixels();
    // The first frame filled the whole window: the background is opaque everywhere.
    int transparent = 0;
    for (int y = 0; y < before.height; ++y) {
        for (int x = 0; x < before.width; ++x) transparent += before.At(x, y, 3) != 255;
    }
    EXPECT_EQ(transparent, 0);

    knob->SetValue(1.0, 0);
    knob->SetDirty(false, -1);
    ASSERT_TRUE(w.Tick());
    const WindowPixels after = w.ReadPixels();
    ASSERT_EQ(w.LastRegions().size(), 1u);
    EXPECT_EQ(ChangedOutside(before, after, w.LastRegions()), 0);
    // The knob shows its last frame (grey 200) now.
    EXPECT_EQ(after.At(50, 50, 0), 200);
    EXPECT_NE(before.At(50, 50, 0), 200);

    // A resize starts an empty buffer, so every control is drawn once again.
    w.Resize(248, 662, 1.5f, true);
    ASSERT_TRUE(w.Tick());
    EXPECT_FALSE(w.Tick());
    const WindowPixels resized = w.ReadPixels();
    ASSERT_EQ(resized.width, 372);
    transparent = 0;
    for (int y = 0; y < resized.height; ++y) {
        for (int x = 0; x < resized.width; ++x) transparent += resized.At(x, y, 3) != 255;
    }
    EXPECT_EQ(transparent, 0);
    EXPECT_EQ(resized.At(75, 75, 0), 200);
}

INSTANTIATE_TEST_SUITE_P(CopiedByBlitOrTexture, RetainedFrame, testing::Bool());

TEST_F(GLCanvasTest, AtFractionalScalesAKnobShowsNothingOfItsNeighbouringFrames) {
    // Five frames of 20 x 20 units, red, green, blue, red, green, over black.
    pictures.Add("HUES@2x.png", RgbaPng(40, 200, [](int, int y) {
                     return 0xFF000000u | 0xFF0000u >> (8 * ((y / 40) % 3));  // 0xAARRGGBB
                 }));
    pictures.Add("BLACK@2x.png", RgbaPng(496, 1324, [](int, int) { return 0xFF000000u; }));
    for (float screenScale : {1.25f, 1.5f, 1.75f}) {
        for (int frame = 1; frame <= 3; ++frame) {
            SCOPED_TRACE(testing::Message() << "scale " << screenScale << " frame " << frame);
            Control* knob = nullptr;
            delegate.SetLayoutFunc([&](Graphics* g) {
                g->SetResourceTable(pictures.Table());
                g->AddBackground("BLACK.png");
                // At a fractional pixel position, so the knob's edge rows are part covered.
                knob = g->AddControl(new BitmapKnob(41, 41, g->LoadBitmap("HUES.png", 5), 0));
            });
            window = std::make_unique<OffscreenWindow>(delegate, 248, 662, 60, 1.0f);
            window->SetReportedScreenScale(screenScale);
            ASSERT_NE(window->OpenWindow(nullptr), nullptr);
            knob->SetValue(frame / 4.0, 0);
            window->Tick();
            const WindowPixels shot = window->ReadPixels();
            const int own = frame % 3;  // its colour's channel
            int foreign = 0, shown = 0;
            for (int y = 0; y < 100; ++y) {
                for (int x = 0; x < 100; ++x) {
                    for (int c = 0; c < 3; ++c) foreign += c != own && shot.At(x, y, c) != 0;
                    shown += shot.At(x, y, own) == 255;
                }
            }
            EXPECT_EQ(foreign, 0);
            EXPECT_GT(shown, 0);
            window.reset();
        }
    }
}

// A driver that cannot make the retained frame buffer.
// A context that can no longer be made current: the host destroyed it.
class LostContext : public GLContextAccess {
public:
    bool Enter() override { return false; }
    void Leave() override {}
};

// The renderer goes with its objects' names forgotten (they went with the
// context) and its memory freed: LeakSanitizer sees a renderer left behind.
TEST_F(GLCanvasTest, ACanvasWhoseContextIsLostFreesItsRenderer) {
    OffscreenWindow& w = Open([&](Graphics& g) { g.AddBackground("BG.png"); });
    ASSERT_TRUE(w.Tick());
    GLCanvas& canvas = w.GL();
    ASSERT_NE(canvas.Renderer(), nullptr);
    LostContext lost;
    canvas.UseContext(&lost);
    canvas.ReleaseBackEnd();
    EXPECT_EQ(canvas.Renderer(), nullptr);
    EXPECT_EQ(w.CachedBitmapCount(), 0u) << "the pictures' images went with it";
    canvas.UseContext(nullptr);
}

class NoRetainedBufferWindow : public OffscreenWindow {
public:
    NoRetainedBufferWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                           float scale)
        : OffscreenWindow(delegate, width, height, fps, scale) {
        GL().RefuseRetainedBuffer(true);
    }
};

TEST_F(GLCanvasTest, WithoutARetainedBufferAChangeRedrawsTheWholeEditor) {
    Control* knob = nullptr;
    delegate.SetLayoutFunc([&](Graphics* g) {
        g->SetResourceTable(pictures.Table());
        g->AddBackground("BG.png");
        knob = g->AddControl(new BitmapKnob(40, 40, g->LoadBitmap("KNOB.png", 5), 0));
    });
    window = std::make_unique<NoRetainedBufferWindow>(delegate, 248, 662, 60, 1.0f);
    ASSERT_NE(window->OpenWindow(nullptr), nullptr);
    OffscreenWindow& w = *window;
    ASSERT_TRUE(w.Tick());
    const WindowPixels before = w.ReadPixels();
    knob->SetValue(1.0, 0);
    knob->SetDirty(false, -1);
    ASSERT_TRUE(w.Tick());
    const WindowPixels after = w.ReadPixels();
    // The background outside the knob is as it was, not cleared away.
    const BoundsList knobOnly{knob->GetBounds().Grown(1.0f)};
    EXPECT_EQ(ChangedOutside(before, after, knobOnly), 0);
    EXPECT_EQ(after.At(50, 50, 0), 200);
    EXPECT_NE(before.At(50, 50, 0), 200);
}

TEST_F(GLCanvasTest, AtFractionalScalesTheTopRowShowsTheTopOfTheBackground) {
    // One unit of red at the top of a blue background: the window's first pixel row
    // lies inside it at any scale from 1 to 2, its second row not wholly.
    pictures.Add("STRIPE@2x.png", RgbaPng(496, 1324, [](int, int y) {
                     return y < 2 ? 0xFFFF0000u : 0xFF0000FFu;  // 0xAARRGGBB
                 }));
    struct Case {
        float screenScale;
        int height;  // units: each pixel height ends in half a pixel, left out
    };
    const Case kCases[] = {{1.0f, 662}, {1.25f, 662}, {1.5f, 661}, {1.75f, 662}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.screenScale);
        delegate.SetLayoutFunc([&](Graphics* g) {
            g->SetResourceTable(pictures.Table());
            g->AddBackground("STRIPE.png");
        });
        window = std::make_unique<OffscreenWindow>(delegate, 248, c.height, 60, 1.0f);
        window->SetReportedScreenScale(c.screenScale);
        ASSERT_NE(window->OpenWindow(nullptr), nullptr);
        ASSERT_TRUE(window->Tick());
        const WindowPixels shot = window->ReadPixels();
        EXPECT_EQ(shot.height, static_cast<int>(c.height * c.screenScale));
        int notRed = 0;
        for (int x = 0; x < shot.width; ++x) {
            notRed += shot.At(x, 0, 0) != 255 || shot.At(x, 0, 2) != 0 || shot.At(x, 0, 3) != 255;
        }
        EXPECT_EQ(notRed, 0);
        window.reset();
    }
}

// Counts what the renderer's GL work allocates inside the driver, which is not ours.
class TallyCanvas : public GLCanvas {
public:
    void EndFrame() override {
        test_support::AllocationScope scope;
        GLCanvas::EndFrame();
        glFinish();
        driverAllocations += scope.Count();
    }
    std::size_t driverAllocations = 0;
};

TEST_F(GLCanvasTest, SteadyFramesAllocateNothing) {
    Control* knob = nullptr;
    delegate.SetLayoutFunc([&](Graphics* g) {
        g->SetResourceTable(pictures.Table());
        g->AddBackground("BG.png");
        knob = g->AddControl(new BitmapKnob(40, 40, g->LoadBitmap("KNOB.png", 5), 0));
    });
    auto tally = std::make_unique<TallyCanvas>();
    TallyCanvas& canvas = *tally;
    window = std::make_unique<OffscreenWindow>(delegate, 248, 662, 60, 1.0f, std::move(tally));
    ASSERT_NE(window->OpenWindow(nullptr), nullptr);
    OffscreenWindow& w = *window;
    ASSERT_TRUE(w.Tick());
    auto turn = [&](int step) {
        knob->SetValue((step % 5) / 4.0, 0);
        knob->SetDirty(false, -1);
        return w.Tick();
    };
    for (int step = 0; step < 5; ++step) turn(step);
    canvas.driverAllocations = 0;
    test_support::AllocationScope scope;
    for (int step = 0; step < 5; ++step) ASSERT_TRUE(turn(step));
    const std::size_t all = scope.Count();
    EXPECT_EQ(all - canvas.driverAllocations, 0u);
    std::printf("allocations in 5 one-knob frames: %zu ours, %zu inside the GL driver\n",
                all - canvas.driverAllocations, canvas.driverAllocations);
}

}  // namespace

// Calls that bad input may produce, drawn inside a small clip.
class CarelessControl : public Control {
public:
    explicit CarelessControl(const Bounds& bounds) : Control(bounds) {}
    void Draw(Graphics& g) override {
        const float nan = std::nanf("");
        const Color white{255, 255, 255, 255};
        g.FillCircle(white, 100, 100, 1e9f, nullptr);  // covers everything, clip aside
        g.FillTriangle(white, nan, 0, 10, nan, 5, 5, nullptr);
        g.FillCircle(white, nan, 10, 5, nullptr);
        g.PathClear();
        g.PathMoveTo(30, 30);
        g.PathArc(nan, 30, 10, 0, 90);
        for (int i = 0; i < 5000; ++i) g.PathLineTo(30 + i % 17, 30 + i % 13);
        g.PathClose();
        g.PathFill(white, nullptr);
        g.PathStroke(white, 3, nullptr);
        g.DrawBitmap(BitmapStrip{}, GetBounds(), 0, 0, nullptr);
        TextStyle style;
        std::strcpy(style.font, "no such font");
        g.DrawText(style, "\xff\xfe bad \xc3", GetBounds(), nullptr);
        g.DrawFastDropShadow(GetBounds(), {nan, 0, 1e30f, 1e30f}, nan, nan, nan, nullptr);
    }
};

TEST_F(GLCanvasTest, BadInputDrawsNothingOutsideTheClip) {
    OffscreenWindow& w = Open([](Graphics& g) {
        g.AddBackground("BG.png");
        g.AddControl(new CarelessControl({20, 20, 40, 40}));
    });
    ASSERT_TRUE(w.Tick());
    const WindowPixels shot = w.ReadPixels();
    // Inside the control's region (grown by 0.75 and aligned) the huge circle shows.
    EXPECT_EQ(shot.At(30, 30, 0), 255);
    int whiteOutside = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool inside = x >= 19 && x < 41 && y >= 19 && y < 41;
            if (!inside && shot.At(x, y, 0) == 255 && shot.At(x, y, 1) == 255) ++whiteOutside;
        }
    }
    EXPECT_EQ(whiteOutside, 0);
}
