// Tarnwhistle's editor drawn by the GL back end off-screen, compared pixel for
// pixel with its pictures in resources/ (decoded here, laid over the
// background as the editor lays them), never with a stored screenshot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>

#include "core/graphics_editor_delegate.h"
#include "core/param.h"
#include "editor/bubble_control.h"
#include "editor/drawing/offscreen/offscreen_window.h"
#include "editor/editor_clock.h"
#include "editor/font_cache.h"
#include "editor/picture_decoder.h"
#include "editor/value_bubble_action.h"
#include "product/channel_parameters.h"
#include "product/editor/editor_only_delegate.h"
#include "product/editor/tarnwhistle_editor.h"
#include "product_controls.h"
#include "resource_pictures.h"

namespace {

class StepClock : public EditorClock {
public:
    double NowMs() const override { return now; }
    double now = 1000.0;
};

int PictureAt(const DecodedPicture& p, int x, int y, int c) {
    return p.rgba[(static_cast<std::size_t>(y) * p.width + x) * 4 + c];
}

using Knob = ControlPlace;
constexpr auto kKnobs = kKnobPlaces;

class ProductEditorPixels : public testing::Test {
protected:
    ProductEditorPixels() { SetEditorClock(&clock); }
    ~ProductEditorPixels() override {
        delegate.reset();
        SetEditorClock(nullptr);
    }

    OffscreenWindow& Open(float screenScale, float drawScale = 1.0f, int maxTextureSize = 0) {
        OffscreenWindow::Attach(*delegate, screenScale, maxTextureSize);
        delegate->OpenWindow(nullptr);
        OffscreenWindow* window = OffscreenWindow::Of(*delegate);
        if (window == nullptr || !window->IsOpen()) {
            ADD_FAILURE() << "no off-screen OpenGL context";
            std::abort();
        }
        if (drawScale != 1.0f) window->Resize(window->Width(), window->Height(), drawScale, true);
        window->Tick();
        return *window;
    }
    // The host sets parameter paramIdx; the next frame shows it.
    void SetNorm(OffscreenWindow& window, int paramIdx, double norm) {
        delegate->GetParam(paramIdx)->SetNorm(norm);
        delegate->SendParamValueToEditor(paramIdx, norm, true);
        window.Tick();
    }
    Control* ControlOf(OffscreenWindow& window, int paramIdx) {
        for (int i = 1; i < window.NControls(); ++i) {
            if (window.GetControl(i)->GetParamIdx() == paramIdx) return window.GetControl(i);
        }
        return nullptr;
    }

    StepClock clock;
    std::unique_ptr<EditorOnlyDelegate> delegate = std::make_unique<EditorOnlyDelegate>();
};

// Frame `frame` (from 0) of a strip, at weight, over the background, at one
// picture pixel per screen pixel: the largest channel difference from the shot.
int FrameDifferenceAtScale2(const WindowPixels& shot, const Knob& knob, int frame,
                            float weight = 1.0f) {
    const DecodedPicture& strip = ResourcePicture(knob.file);
    const DecodedPicture& bg = ResourcePicture("BG@2x.png");
    const int frameHeight = strip.height / knob.frames;
    int worst = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < strip.width; ++x) {
            const int sx = knob.x * 2 + x, sy = knob.y * 2 + y;
            const double a = PictureAt(strip, x, frame * frameHeight + y, 3) / 255.0 * weight;
            for (int c = 0; c < 3; ++c) {
                const double expected = PictureAt(strip, x, frame * frameHeight + y, c) * a +
                                        PictureAt(bg, sx, sy, c) * (1.0 - a);
                worst = std::max(
                    worst, static_cast<int>(std::lround(std::abs(shot.At(sx, sy, c) - expected))));
            }
        }
    }
    return worst;
}

TEST_F(ProductEditorPixels, AtTotalScale2EachKnobShowsItsFrameExactly) {
    // Scale 2 from the screen and from the editor's own zoom alike.
    for (const auto& [screenScale, drawScale] : {std::pair{2.0f, 1.0f}, std::pair{1.0f, 2.0f}}) {
        SCOPED_TRACE(screenScale);
        delegate = std::make_unique<EditorOnlyDelegate>();
        OffscreenWindow& window = Open(screenScale, drawScale);
        for (const Knob& knob : kKnobs) SetNorm(window, knob.paramIdx, 1.0);
        const WindowPixels shot = window.ReadPixels();
        ASSERT_EQ(shot.width, 496);
        for (const Knob& knob : kKnobs) {
            SCOPED_TRACE(knob.file);
            // One level for rounding the premultiplied picture once.
            EXPECT_LE(FrameDifferenceAtScale2(shot, knob, knob.frames - 1), 1);
        }
    }
}

// The texture limits of strict drivers: 1024 splits even the background, 4096 the
// 61-frame strips; 16384 is llvmpipe's own, where nothing is split.
constexpr int kStrictLimits[] = {1024, 4096};
constexpr int kLenientLimit = 16384;

TEST_F(ProductEditorPixels, UnderAStrictTextureLimitTheEditorLooksTheSame) {
    for (float screenScale : {1.0f, 1.5f, 2.0f}) {
        delegate = std::make_unique<EditorOnlyDelegate>();
        OffscreenWindow& lenient = Open(screenScale, 1.0f, kLenientLimit);
        // Knobs away from their defaults, on frames that straddle the tiles.
        const double kNorms[] = {0.37, 0.81, 0.5, 0.25, 0.93, 0.66, 0.12, 0.55};
        for (std::size_t i = 0; i < std::size(kKnobs); ++i) {
            SetNorm(lenient, kKnobs[i].paramIdx, kNorms[i]);
        }
        const WindowPixels expected = lenient.ReadPixels();
        for (int limit : kStrictLimits) {
            SCOPED_TRACE(testing::Message() << "scale " << screenScale << " limit " << limit);
            delegate = std::make_unique<EditorOnlyDelegate>();
            OffscreenWindow& strict = Open(screenScale, 1.0f, limit);
            for (std::size_t i = 0; i < std::size(kKnobs); ++i) {
                SetNorm(strict, kKnobs[i].paramIdx, kNorms[i]);
            }
            const WindowPixels shot = strict.ReadPixels();
            ASSERT_EQ(shot.width, expected.width);
            ASSERT_EQ(shot.height, expected.height);
            int differing = 0;
            for (std::size_t b = 0; b < shot.rgba.size(); ++b) {
                differing += shot.rgba[b] != expected.rgba[b];
            }
            EXPECT_EQ(differing, 0);
        }
    }
}

TEST_F(ProductEditorPixels, UnderAStrictTextureLimitEveryKnobShowsEachOfItsFrames) {
    for (int limit : kStrictLimits) {
        SCOPED_TRACE(limit);
        delegate = std::make_unique<EditorOnlyDelegate>();
        OffscreenWindow& window = Open(2.0f, 1.0f, limit);
        for (int frame = 0; frame < 61; ++frame) {
            SCOPED_TRACE(frame);
            // Every knob turned, then one frame drawn.
            for (const Knob& knob : kKnobs) {
                const double norm =
                    static_cast<double>(std::min(frame, knob.frames - 1)) / (knob.frames - 1);
                delegate->GetParam(knob.paramIdx)->SetNorm(norm);
                delegate->SendParamValueToEditor(knob.paramIdx, norm, true);
            }
            window.Tick();
            const WindowPixels shot = window.ReadPixels();
            for (const Knob& knob : kKnobs) {
                SCOPED_TRACE(knob.file);
                ASSERT_LE(FrameDifferenceAtScale2(shot, knob, std::min(frame, knob.frames - 1)), 1);
            }
        }
    }
}

TEST_F(ProductEditorPixels, KnobValuesPickFirstMiddleAndLastFrame) {
    OffscreenWindow& window = Open(2.0f);
    const Knob& gain = kKnobs[0];
    const struct {
        double norm;
        int frame;  // counted from 1
    } kCases[] = {{0.0, 1}, {0.5, 31}, {1.0, 61}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.norm);
        SetNorm(window, gain.paramIdx, c.norm);
        const WindowPixels shot = window.ReadPixels();
        EXPECT_LE(FrameDifferenceAtScale2(shot, gain, c.frame - 1), 1);
        // Its neighbours do not match: the comparison tells frames apart.
        if (c.frame > 1) {
            EXPECT_GT(FrameDifferenceAtScale2(shot, gain, c.frame - 2), 8);
        }
    }
}

TEST_F(ProductEditorPixels, AtScale1EachScreenPixelIsTheAverageOfFourPicturePixels) {
    OffscreenWindow& window = Open(1.0f);
    const WindowPixels shot = window.ReadPixels();
    ASSERT_EQ(shot.width, 248);
    const DecodedPicture& bg = ResourcePicture("BG@2x.png");
    for (const Knob& knob : kKnobs) {
        SCOPED_TRACE(knob.file);
        const DecodedPicture& strip = ResourcePicture(knob.file);
        const int frameHeight = strip.height / knob.frames;
        const int frame = static_cast<int>(
            std::lround(delegate->GetParam(knob.paramIdx)->GetNorm() * (knob.frames - 1)));
        int worst = 0;
        for (int y = 0; y < frameHeight / 2; ++y) {
            for (int x = 0; x < strip.width / 2; ++x) {
                // Pictures are kept premultiplied in 8 bits, so filtering averages
                // premultiplied pixels; the background under the knob is already 8 bits.
                double premultiplied[3] = {}, alpha = 0.0, under[3] = {};
                for (int j = 0; j < 4; ++j) {
                    const int px = 2 * x + j % 2, py = frame * frameHeight + 2 * y + j / 2;
                    const int a = PictureAt(strip, px, py, 3);
                    alpha += a / 255.0 / 4.0;
                    for (int c = 0; c < 3; ++c) {
                        premultiplied[c] +=
                            std::round(PictureAt(strip, px, py, c) * a / 255.0) / 4.0;
                        under[c] += PictureAt(bg, knob.x * 2 + 2 * x + j % 2,
                                              knob.y * 2 + 2 * y + j / 2, c) /
                                    4.0;
                    }
                }
                for (int c = 0; c < 3; ++c) {
                    const double expected = premultiplied[c] + std::round(under[c]) * (1.0 - alpha);
                    worst = std::max(worst, static_cast<int>(std::lround(std::abs(
                                                shot.At(knob.x + x, knob.y + y, c) - expected))));
                }
            }
        }
        EXPECT_LE(worst, 1);
    }
}

// Channel c of a picture's premultiplied pixels (8 bits, as kept) sampled
// bilinearly at (u, v) picture pixels, rows limited to [firstRow, lastRow].
double Bilinear(const DecodedPicture& p, double u, double v, int c, int firstRow, int lastRow) {
    const double tx = u - 0.5, ty = v - 0.5;
    const int x0 = static_cast<int>(std::floor(tx)), y0 = static_cast<int>(std::floor(ty));
    const double fx = tx - x0, fy = ty - y0;
    auto texel = [&](int x, int y) {
        x = std::clamp(x, 0, p.width - 1);
        y = std::clamp(y, firstRow, lastRow);
        const int a = PictureAt(p, x, y, 3);
        return c == 3 ? a : std::round(PictureAt(p, x, y, c) * a / 255.0);
    };
    return (texel(x0, y0) * (1 - fx) + texel(x0 + 1, y0) * fx) * (1 - fy) +
           (texel(x0, y0 + 1) * (1 - fx) + texel(x0 + 1, y0 + 1) * fx) * fy;
}

TEST_F(ProductEditorPixels, AtDrawScale1Point5AKnobIsItsPictureScaledByThreeQuarters) {
    OffscreenWindow& window = Open(1.0f, 1.5f);
    const WindowPixels shot = window.ReadPixels();
    ASSERT_EQ(shot.width, 372);
    const Knob& gain = kKnobs[0];
    const DecodedPicture& strip = ResourcePicture(gain.file);
    const DecodedPicture& bg = ResourcePicture("BG@2x.png");
    const int frame = 30, frameHeight = strip.height / gain.frames;
    // The knob covers pixels 46.5 .. 162 across and 777 .. 892.5 down; its edge
    // pixels are left out (partly covered).
    int worst = 0;
    for (int y = 778; y < 892; ++y) {
        for (int x = 48; x < 161; ++x) {
            const double u = (x + 0.5) / 0.75, v = (y + 0.5) / 0.75;  // in BG@2x pixels
            const double ku = u - gain.x * 2, kv = v - gain.y * 2 + frame * frameHeight;
            const double alpha =
                Bilinear(strip, ku, kv, 3, frame * frameHeight, (frame + 1) * frameHeight - 1) /
                255.0;
            for (int c = 0; c < 3; ++c) {
                const double under = std::round(Bilinear(bg, u, v, c, 0, bg.height - 1));
                const double expected =
                    Bilinear(strip, ku, kv, c, frame * frameHeight, (frame + 1) * frameHeight - 1) +
                    under * (1.0 - alpha);
                worst = std::max(
                    worst, static_cast<int>(std::lround(std::abs(shot.At(x, y, c) - expected))));
            }
        }
    }
    EXPECT_LE(worst, 2);
}

TEST_F(ProductEditorPixels, DisabledKnobShowsAtQuarterOpacity) {
    OffscreenWindow& window = Open(2.0f);
    Control* gain = ControlOf(window, kPreampGain);
    ASSERT_NE(gain, nullptr);
    gain->SetDisabled(true);
    gain->SetDirty(false, -1);
    window.Tick();
    const WindowPixels shot = window.ReadPixels();
    const int frame = 30;  // the default 0 dB
    EXPECT_LE(FrameDifferenceAtScale2(shot, kKnobs[0], frame, 0.25f), 2);
    EXPECT_GT(FrameDifferenceAtScale2(shot, kKnobs[0], frame, 1.0f), 20);
}

TEST_F(ProductEditorPixels, BubbleShadowShapeAndCentredTextLandWhereTheyShould) {
    OffscreenWindow& window = Open(1.0f);
    const WindowPixels before = window.ReadPixels();
    Control* gain = ControlOf(window, kPreampGain);
    ShowValueBubbleAction(gain);
    window.Tick();
    clock.now += 300.0;  // fully faded in
    window.Tick();
    const BubbleControl* bubble = window.GetBubble(0);
    ASSERT_EQ(bubble->State(), BubbleControl::kBubbleHolding);
    ASSERT_EQ(bubble->GetArrowSide(), BubbleControl::kArrowBottom);
    const WindowPixels shot = window.ReadPixels();
    const Bounds inner = bubble->BubbleBounds().Grown(-10.0f);
    const float midX = (inner.left + inner.right) / 2.0f;
    const float midY = (inner.top + inner.bottom) / 2.0f;
    auto grey = [&](const WindowPixels& p, float x, float y) {
        const int ix = static_cast<int>(x), iy = static_cast<int>(y);
        return (p.At(ix, iy, 0) + p.At(ix, iy, 1) + p.At(ix, iy, 2)) / 3;
    };

    // The white body, its rounded corner left open, and the arrow pointing down at the knob.
    EXPECT_GE(grey(shot, inner.left + 2, midY), 225);
    EXPECT_GE(grey(shot, midX, inner.bottom + 5), 225);
    EXPECT_LT(grey(shot, midX - 9, inner.bottom + 5), 200);
    EXPECT_LE(grey(shot, inner.left - 0.5f, inner.top - 0.5f),
              grey(before, inner.left - 0.5f, inner.top - 0.5f) + 3);
    // The black outline just outside the body's side.
    EXPECT_LT(grey(shot, inner.right + 0.5f, midY), 120);
    // The shadow falls down and to the right of the body, not up and to the left.
    EXPECT_LT(grey(shot, inner.right + 4, midY), grey(before, inner.right + 4, midY) - 3);
    EXPECT_GE(grey(shot, inner.left - 4, inner.top + 1),
              grey(before, inner.left - 4, inner.top + 1) - 2);

    // The text's ink, centred on the body.
    int left = shot.width, right = -1, top = shot.height, bottom = -1;
    for (int y = static_cast<int>(inner.top) + 1; y < static_cast<int>(inner.bottom); ++y) {
        for (int x = static_cast<int>(inner.left) + 3; x < static_cast<int>(inner.right) - 3; ++x) {
            if (grey(shot, static_cast<float>(x), static_cast<float>(y)) > 128) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, left) << "no text drawn";
    EXPECT_NEAR((left + right + 1) / 2.0f, midX, 1.5f);
    EXPECT_NEAR((top + bottom + 1) / 2.0f, midY, 3.0f);
    EXPECT_GE(right - left, 20) << "\"0.0 dB\" is wider than a few pixels";
}

TEST_F(ProductEditorPixels, FontBytesAreSharedUntilTheLastEditorGoes) {
    Open(1.0f);
    EXPECT_EQ(FontCacheCount(), 1);
    auto second = std::make_unique<EditorOnlyDelegate>();
    OffscreenWindow::Attach(*second);
    second->OpenWindow(nullptr);
    OffscreenWindow* other = OffscreenWindow::Of(*second);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(FontCacheCount(), 1) << "one copy for both editors";
    delegate->CloseWindow();
    EXPECT_EQ(FontCacheCount(), 1) << "another editor is still open";
    Bounds measured;
    other->MeasureText(TextStyle{}, "0.0 dB", measured);
    EXPECT_GT(measured.W(), 20.0f) << "the second editor's renderer still has the font";
    second.reset();
    EXPECT_EQ(FontCacheCount(), 0);
}

}  // namespace
