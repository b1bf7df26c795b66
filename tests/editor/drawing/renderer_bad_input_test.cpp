// Outside data the renderer must survive: bad pictures, bytes that are not a font,
// malformed text, non-finite numbers and very long paths. Nothing may crash and
// nothing may land outside the clip.
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "font_file.h"
#include "renderer_fixture.h"

namespace {

using drawing::Color;
using drawing::Renderer;
using test_support::Picture;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct ImageCase {
    const char* what;
    int width, height;
    bool withPixels;
};

TEST_F(RendererTest, RefusesImagesItCannotHold) {
    const std::vector<unsigned char> pixels(64 * 4, 255);
    const ImageCase cases[] = {
        {"zero width", 0, 8, true},
        {"zero height", 8, 0, true},
        {"negative size", -4, -4, true},
        {"wider than any image", drawing::kMaxImageSide + 1, 1, true},
        {"taller than any image", 1, drawing::kMaxImageSide + 1, true},
        {"no pixels", 8, 8, false},
    };
    for (const ImageCase& c : cases) {
        SCOPED_TRACE(c.what);
        const int image =
            renderer->CreateImageRGBA(c.width, c.height, 0, c.withPixels ? pixels.data() : nullptr);
        EXPECT_EQ(image, 0);
        int w = 1, h = 1;
        EXPECT_FALSE(renderer->ImageSize(image, w, h));
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
    }
    EXPECT_EQ(renderer->CreateFramebuffer(0, 16), 0);
    EXPECT_EQ(renderer->CreateFramebuffer(1 << 20, 16), 0);
    // A frame buffer is one texture, so it may not exceed the texture limit.
    EXPECT_EQ(renderer->CreateFramebuffer(16, renderer->MaxTextureSize() + 1), 0);

    // Handles that name no image paint nothing, and deleting them is harmless.
    const int deleted = renderer->CreateImageRGBA(8, 8, 0, pixels.data());
    ASSERT_NE(deleted, 0);
    renderer->DeleteImage(deleted);
    renderer->DeleteImage(deleted);
    renderer->DeleteImage(12345);
    renderer->DeleteFramebuffer(12345);
    const Picture p = Frame([&](Renderer& r) {
        for (int image : {0, deleted, -3, 999}) {
            r.BeginPath();
            r.Rect(0, 0, 64, 48);
            r.Fill(drawing::ImagePattern(0, 0, 64, 48, 0, image, 1));
        }
    });
    for (std::uint8_t byte : p.rgba) ASSERT_EQ(byte, 0);
}

TEST_F(RendererTest, RefusesBytesThatAreNotAFont) {
    const std::vector<unsigned char>& roboto = RobotoBytes();
    ASSERT_GT(roboto.size(), 1000u);
    std::vector<unsigned char> noise(4000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>(i * 131 + 7);
    // A collection header claiming many faces at offsets beyond the end.
    const unsigned char collection[] = {'t', 't', 'c', 'f', 0,    1,    0,    0,
                                        0,   0,   0,   9,   0xFF, 0xFF, 0xFF, 0x00};
    // A directory listing a table that lies past the end of the bytes.
    std::vector<unsigned char> lyingTable(roboto.begin(), roboto.begin() + 512);
    struct FontCase {
        const char* what;
        const unsigned char* data;
        std::size_t size;
        int face;
    };
    const FontCase cases[] = {
        {"nothing", nullptr, 0, 0},
        {"three bytes", roboto.data(), 3, 0},
        {"noise", noise.data(), noise.size(), 0},
        {"a picture", reinterpret_cast<const unsigned char*>("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"), 16,
         0},
        {"collection with faces out of range", collection, sizeof collection, 0},
        {"truncated font", lyingTable.data(), lyingTable.size(), 0},
        {"face index beyond a single font", roboto.data(), roboto.size(), 1},
        {"negative face index", roboto.data(), roboto.size(), -1},
    };
    for (const FontCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(renderer->CreateFontFromMemory(c.what, c.data, c.size, c.face), -1);
        EXPECT_EQ(renderer->FindFont(c.what), -1);
    }
    EXPECT_EQ(renderer->CreateFontFromMemory(nullptr, roboto.data(), roboto.size(), 0), -1);
}

TEST_F(RendererTest, BadCoordinatesTextAndPathsDrawNothingOutsideTheClip) {
    const int font =
        renderer->CreateFontFromMemory("Roboto", RobotoBytes().data(), RobotoBytes().size(), 0);
    ASSERT_GE(font, 0);
    const unsigned char pixel[4] = {255, 255, 255, 255};
    const int image = renderer->CreateImageRGBA(1, 1, 0, pixel);
    const Color red{1, 0, 0, 1};
    const Picture p = Frame([&](Renderer& r) {
        r.Scissor(16, 12, 32, 24);
        // Non-finite coordinates among good ones.
        r.BeginPath();
        r.MoveTo(kNaN, 10);
        r.LineTo(-100, -100);
        r.LineTo(kInf, 40);
        r.LineTo(200, 10);
        r.LineTo(30, kNaN);
        r.LineTo(30, 200);
        r.ClosePath();
        r.Arc(kNaN, 0, 10, 0, 1, true);
        r.Arc(0, 0, kInf, 0, 1, true);
        r.Circle(20, 20, -5);
        r.Fill(red);
        r.Stroke(red, kNaN);
        r.Stroke(red, kInf);
        r.Stroke(red, -2);
        // Huge coordinates, and a non-finite transform, scale and colour.
        r.BeginPath();
        r.Rect(-1e30f, -1e30f, 2e30f, 2e30f);
        r.Fill(Color{kNaN, 0.5f, kInf, 1});
        r.SetTransform({kNaN, 0, 0, 1, 0, 0});
        r.BeginPath();
        r.Rect(0, 0, 64, 48);
        r.Fill(red);
        r.SetTransform({});
        r.GlobalAlpha(kNaN);
        // Paints with degenerate sizes.
        r.BeginPath();
        r.Rect(0, 0, 64, 48);
        r.Fill(drawing::ImagePattern(0, 0, 0, kNaN, 0, image, 1));
        r.Fill(drawing::BoxGradient(32, 24, kNaN, 4, 2, 0, red, red));
        // A path of thousands of points sweeping far outside.
        r.BeginPath();
        for (int i = 0; i < 20000; ++i) {
            const float angle = float(i) * 0.37f;
            const float radius = float(i % 7) * 400.0f;
            i == 0 ? r.MoveTo(32, 24)
                   : r.LineTo(32 + radius * std::cos(angle), 24 + radius * std::sin(angle));
        }
        r.Fill(red);
        r.Stroke(red, 3);
        // Malformed UTF-8 and sizes out of range.
        r.FontFaceId(font);
        for (float size : {kNaN, -3.0f, 0.0f, 1e9f, 14.0f}) {
            r.FontSize(size);
            r.Text(0, 30, red, "bad \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xFF end \xE2\x82");
            const drawing::TextBounds bounds = r.MeasureText(0, 30, "\x80\x80\x80");
            EXPECT_TRUE(std::isfinite(bounds.advance));
        }
        r.Text(kNaN, kInf, red, "x");
    });
    int inside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool clip = x >= 16 && x < 48 && y >= 12 && y < 36;
            if (!clip) {
                ASSERT_EQ(p.At(x, y, 3), 0) << x << "," << y;
            }
            inside += clip && p.At(x, y, 3) > 0;
        }
    }
    EXPECT_GT(inside, 0);
}

TEST_F(RendererTest, LongPathsFillByWindingLikeShortOnes) {
    // A ring of two 5000-point circles wound opposite ways.
    const Picture p = Frame([](Renderer& r) {
        r.BeginPath();
        for (int ring = 0; ring < 2; ++ring) {
            const float radius = ring ? 10.0f : 20.0f;
            const float direction = ring ? -1.0f : 1.0f;
            for (int i = 0; i < 5000; ++i) {
                const float angle = direction * float(i) * 2.0f * 3.14159265f / 5000.0f;
                const float x = 32 + radius * std::cos(angle), y = 24 + radius * std::sin(angle);
                i == 0 ? r.MoveTo(x, y) : r.LineTo(x, y);
            }
            r.ClosePath();
        }
        r.Fill(kWhite);
    });
    EXPECT_EQ(p.At(32, 24, 3), 0);
    EXPECT_EQ(p.At(32 + 15, 24, 3), 255);
    EXPECT_EQ(p.At(32, 24 - 15, 3), 255);
    EXPECT_EQ(p.At(2, 2, 3), 0);
}

TEST_F(RendererTest, FramesOfNoSizeRecordNothing) {
    for (auto [w, h, ratio] : {std::tuple{0.0f, 48.0f, 1.0f}, std::tuple{64.0f, 48.0f, 0.0f},
                               std::tuple{kNaN, 48.0f, 1.0f}, std::tuple{64.0f, 48.0f, kInf}}) {
        glBindFramebuffer(GL_FRAMEBUFFER, TargetObject());
        renderer->BeginFrame(w, h, ratio);
        renderer->BeginPath();
        renderer->Rect(0, 0, 64, 48);
        renderer->Fill(kWhite);
        renderer->EndFrame();
        const Picture p = test_support::ReadPicture(kWidth, kHeight);
        EXPECT_EQ(p.At(10, 10, 3), 0);
    }
    // Drawing outside a frame does nothing either.
    renderer->BeginPath();
    renderer->Rect(0, 0, 64, 48);
    renderer->Fill(kWhite);
    renderer->EndFrame();
    EXPECT_EQ(test_support::ReadPicture(kWidth, kHeight).At(10, 10, 3), 0);
}

}  // namespace
