// Text: fonts from memory, alignment, bounds and the glyph atlas.
#include <cmath>
#include <string>

#include "font_file.h"
#include "renderer_fixture.h"

namespace {

using drawing::Renderer;
using test_support::Picture;

// The box of pixels at least a quarter covered: minX, minY, maxX, maxY (inclusive); -1 when empty.
std::array<int, 4> Ink(const Picture& p, int fromX = 0, int toX = -1) {
    if (toX < 0) toX = p.width;
    std::array<int, 4> box{-1, -1, -1, -1};
    for (int y = 0; y < p.height; ++y) {
        for (int x = fromX; x < toX; ++x) {
            if (p.At(x, y, 3) < 64) continue;
            if (box[0] < 0) box = {x, y, x, y};
            box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x),
                   std::max(box[3], y)};
        }
    }
    return box;
}

class RendererTextTest : public RendererTest {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        ASSERT_FALSE(RobotoBytes().empty());
        font =
            renderer->CreateFontFromMemory("Roboto", RobotoBytes().data(), RobotoBytes().size(), 0);
        ASSERT_GE(font, 0);
    }
    int font = -1;
};

TEST_F(RendererTextTest, FontsAreNamedAndRegisteredOnce) {
    EXPECT_EQ(renderer->FindFont("Roboto"), font);
    EXPECT_EQ(
        renderer->CreateFontFromMemory("Roboto", RobotoBytes().data(), RobotoBytes().size(), 0),
        font);
    const int second =
        renderer->CreateFontFromMemory("Other", RobotoBytes().data(), RobotoBytes().size(), 0);
    EXPECT_GE(second, 0);
    EXPECT_NE(second, font);
    EXPECT_EQ(renderer->FindFont("Missing"), -1);
    // Without a face, or with an unknown one, nothing is drawn or measured.
    const Picture p = Frame([](Renderer& r) {
        r.FontFaceId(7);
        EXPECT_EQ(r.MeasureText(0, 0, "Hg").advance, 0.0f);
        r.Text(10, 30, kWhite, "Hg");
    });
    EXPECT_EQ(Ink(p)[0], -1);
}

struct AlignCase {
    int align;
    const char* what;
};

TEST_F(RendererTextTest, EachAlignmentPlacesTheTextAroundItsAnchorWithinItsBounds) {
    const AlignCase cases[] = {
        {drawing::kAlignLeft | drawing::kAlignTop, "left top"},
        {drawing::kAlignCenter | drawing::kAlignMiddle, "centre middle"},
        {drawing::kAlignRight | drawing::kAlignBottom, "right bottom"},
        {drawing::kAlignLeft | drawing::kAlignBaseline, "left baseline"},
    };
    const float ax = 32.0f, ay = 24.0f;
    for (const AlignCase& c : cases) {
        SCOPED_TRACE(c.what);
        Clear(0, 0, 0, 0);
        drawing::TextBounds bounds;
        const Picture p = Frame([&](Renderer& r) {
            r.FontFaceId(font);
            r.FontSize(20);
            r.TextAlign(c.align);
            bounds = r.MeasureText(ax, ay, "Hxg");
            EXPECT_FLOAT_EQ(r.Text(ax, ay, kWhite, "Hxg"), bounds.box[2]);
        });
        const auto ink = Ink(p);
        ASSERT_GE(ink[0], 0);
        EXPECT_GT(bounds.advance, 20.0f);
        EXPECT_NEAR(bounds.box[2] - bounds.box[0], bounds.advance, 1e-3f);
        EXPECT_NEAR(bounds.box[3] - bounds.box[1], 20.0f, 0.5f);  // the size is the line height
        // The ink lies inside the measured box.
        EXPECT_GE(ink[0], std::floor(bounds.box[0]) - 1);
        EXPECT_LE(ink[2], std::ceil(bounds.box[2]) + 1);
        EXPECT_GE(ink[1], std::floor(bounds.box[1]) - 1);
        EXPECT_LE(ink[3], std::ceil(bounds.box[3]) + 1);
        // And the box sits on the anchor as aligned.
        if (c.align & drawing::kAlignLeft) {
            EXPECT_FLOAT_EQ(bounds.box[0], ax);
        }
        if (c.align & drawing::kAlignRight) {
            EXPECT_FLOAT_EQ(bounds.box[2], ax);
        }
        if (c.align & drawing::kAlignCenter) {
            EXPECT_FLOAT_EQ(bounds.box[0] + bounds.box[2], 2 * ax);
        }
        if (c.align & drawing::kAlignTop) {
            EXPECT_FLOAT_EQ(bounds.box[1], ay);
        }
        if (c.align & drawing::kAlignBottom) {
            EXPECT_FLOAT_EQ(bounds.box[3], ay);
        }
        if (c.align & drawing::kAlignMiddle) {
            EXPECT_NEAR(bounds.box[1] + bounds.box[3], 2 * ay, 1e-3f);
        }
        if (c.align & drawing::kAlignBaseline) {
            EXPECT_LT(bounds.box[1], ay);
            EXPECT_GT(bounds.box[3], ay);
            EXPECT_GT(ink[3], ay);  // the g's tail hangs below the baseline
        }
    }
}

TEST_F(RendererTextTest, MeasuresInUserUnitsAtEveryScale) {
    float advance[2] = {};
    for (int i = 0; i < 2; ++i) {
        Frame(
            [&](Renderer& r) {
                r.FontFaceId(font);
                r.FontSize(12);
                advance[i] = r.MeasureText(0, 0, "Tarnwhistle").advance;
            },
            i ? 2.0f : 1.0f);
    }
    EXPECT_GT(advance[0], 40.0f);
    EXPECT_NEAR(advance[1], advance[0], advance[0] * 0.02f);
}

TEST_F(RendererTextTest, TextTurnsWithTheTransform) {
    // A quarter turn clockwise about (32, 24): the line runs down the screen.
    const Picture p = Frame([&](Renderer& r) {
        r.SetTransform(drawing::Transform::Combine(drawing::Transform::Rotation(3.14159265f / 2),
                                                   drawing::Transform::Translation(32, 24)));
        r.FontFaceId(font);
        r.FontSize(14);
        r.TextAlign(drawing::kAlignCenter | drawing::kAlignMiddle);
        r.Text(0, 0, kWhite, "MMMM");
    });
    const auto ink = Ink(p);
    ASSERT_GE(ink[0], 0);
    EXPECT_GT(ink[3] - ink[1], 2 * (ink[2] - ink[0]));
    EXPECT_NEAR((ink[0] + ink[2]) / 2.0, 32, 2);
    EXPECT_NEAR((ink[1] + ink[3]) / 2.0, 24, 2);
}

TEST_F(RendererTextTest, GlyphsDrawnBeforeTheAtlasGrowsOrFillsUpStayIntact) {
    // With the usual limit the atlas grows mid-frame; within 64 pixels it fills up,
    // again and again, and starts anew from the glyphs drawn next.
    for (int limit : {0, 64}) {
        SCOPED_TRACE(limit);
        UseRenderer({Renderer::kAntialias, limit});
        font =
            renderer->CreateFontFromMemory("Roboto", RobotoBytes().data(), RobotoBytes().size(), 0);
        const auto drawSample = [&](Renderer& r, float x) {
            r.FontFaceId(font);
            r.FontSize(24);
            r.Text(x, 30, kWhite, "Ag");
        };
        const Picture before = Frame([&](Renderer& r) { drawSample(r, 4); });
        ASSERT_GE(Ink(before)[0], 0);
        const auto crowd = [](Renderer& r) {
            // Many large glyphs, clipped away.
            r.Scissor(0, 0, 0, 0);
            const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
            for (float size = 40; size <= 120; size += 20) {
                r.FontSize(size);
                r.Text(0, 0, kWhite, letters.c_str());
            }
            r.ResetScissor();
        };
        for (int frame = 0; frame < 2; ++frame) {
            SCOPED_TRACE(frame);
            Clear(0, 0, 0, 0);
            const Picture after = Frame([&](Renderer& r) {
                drawSample(r, 4);
                crowd(r);
                drawSample(r, 36);
                crowd(r);  // leaves the atlas full for the next frame
            });
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < 32; ++x) {
                    ASSERT_EQ(after.At(x, y, 3), before.At(x, y, 3)) << x << "," << y;
                    ASSERT_EQ(after.At(x + 32, y, 3), before.At(x, y, 3)) << x << "," << y;
                }
            }
        }
    }
}

TEST_F(RendererTextTest, ATextTooLargeForAnEmptyAtlasMakesLaterTextsClearItNoMore) {
    UseRenderer({Renderer::kAntialias, 64});
    font = renderer->CreateFontFromMemory("Roboto", RobotoBytes().data(), RobotoBytes().size(), 0);
    const auto drawSample = [&](Renderer& r, float x) {
        r.FontSize(24);
        r.Text(x, 30, kWhite, "Ag");
    };
    const Picture before = Frame([&](Renderer& r) {
        r.FontFaceId(font);
        for (int i = 0; i < 10; ++i) drawSample(r, 4);
    });
    const int clearsBefore = renderer->AtlasClears();
    int clearsAfterTheLargeText = 0;
    Clear(0, 0, 0, 0);
    const Picture after = Frame([&](Renderer& r) {
        r.FontFaceId(font);
        // Glyphs of 200 pixels, beyond a 64-pixel atlas however empty.
        r.FontSize(200);
        r.Text(0, 0, kWhite, "WM");
        clearsAfterTheLargeText = r.AtlasClears() - clearsBefore;
        for (int i = 0; i < 10; ++i) drawSample(r, 4);
    });
    // Its own layout may start the atlas anew once; the later texts never.
    EXPECT_LE(clearsAfterTheLargeText, 1);
    EXPECT_EQ(renderer->AtlasClears() - clearsBefore, clearsAfterTheLargeText);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(after.At(x, y, 3), before.At(x, y, 3)) << x << "," << y;
    }
}

}  // namespace
