// Paths, paints and state of the renderer, checked on pixels read back from an
// off-screen frame buffer.
#include "editor/drawing/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "renderer_fixture.h"

namespace {

using drawing::BlendFactor;
using drawing::Color;
using drawing::Renderer;
using test_support::Picture;

constexpr float kPi = 3.14159265f;

// Coverage of pixel (x, y) in 0..1, from its alpha.
float Coverage(const Picture& p, int x, int y) {
    return float(p.At(x, y, 3)) / 255.0f;
}

// A star's outline: `points` tips at `outer`, notches at `inner`, wound clockwise.
void Star(Renderer& r, float cx, float cy, int points, float outer, float inner) {
    for (int i = 0; i < 2 * points; ++i) {
        const float angle = -kPi / 2 + float(i) * kPi / float(points);
        const float radius = i % 2 ? inner : outer;
        const float x = cx + radius * std::cos(angle);
        const float y = cy + radius * std::sin(angle);
        i == 0 ? r.MoveTo(x, y) : r.LineTo(x, y);
    }
    r.ClosePath();
}

struct FillCase {
    const char* what;
    std::function<void(Renderer&)> path;
    std::vector<std::pair<int, int>> inside;
    std::vector<std::pair<int, int>> outside;
};

TEST_F(RendererTest, FillsByTheNonZeroRule) {
    const FillCase cases[] = {
        {"concave star",
         [](Renderer& r) { Star(r, 32, 24, 5, 22, 8); },
         {{32, 24}, {32, 5}},
         {{20, 12}, {44, 12}, {32, 40}}},
        {"pentagram crossing itself: the centre winds twice",
         [](Renderer& r) {
             for (int i = 0; i < 5; ++i) {
                 const float angle = -kPi / 2 + float(i) * 4.0f * kPi / 5.0f;
                 const float x = 32 + 22 * std::cos(angle), y = 24 + 22 * std::sin(angle);
                 i == 0 ? r.MoveTo(x, y) : r.LineTo(x, y);
             }
             r.ClosePath();
         },
         {{32, 24}, {32, 6}},
         {{20, 10}, {44, 10}}},
        {"square with a hole wound the other way",
         [](Renderer& r) {
             r.Rect(8, 8, 40, 32);
             r.MoveTo(18, 18);
             r.LineTo(18, 30);
             r.LineTo(38, 30);
             r.LineTo(38, 18);
             r.ClosePath();
         },
         {{10, 10}, {45, 37}, {13, 24}},
         {{28, 24}, {20, 20}, {4, 4}}},
        {"two squares wound the same way overlap without a gap",
         [](Renderer& r) {
             r.Rect(8, 8, 24, 24);
             r.Rect(20, 16, 24, 24);
         },
         {{10, 10}, {25, 25}, {40, 36}},
         {{40, 10}, {10, 36}}},
    };
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.what);
        Clear(0, 0, 0, 0);
        const Picture p = Frame([&](Renderer& r) {
            r.BeginPath();
            c.path(r);
            r.Fill(Color{1.0f, 0.0f, 0.0f, 1.0f});
        });
        for (auto [x, y] : c.inside) {
            EXPECT_EQ(p.At(x, y, 3), 255) << x << "," << y;
            EXPECT_EQ(p.At(x, y, 0), 255) << x << "," << y;
        }
        for (auto [x, y] : c.outside) EXPECT_EQ(p.At(x, y, 3), 0) << x << "," << y;
    }
}

TEST_F(RendererTest, DiagonalEdgesAreAntiAliasedAndKeepTheirArea) {
    // Triangle below the diagonal from (0, 0) to (64, 48): row y holds 64 (y + 0.5) / 48.
    const Picture p = Frame([](Renderer& r) {
        r.BeginPath();
        r.MoveTo(0, 0);
        r.LineTo(64, 48);
        r.LineTo(0, 48);
        r.ClosePath();
        r.Fill(kWhite);
    });
    int rowsWithPartialPixels = 0;
    for (int y = 2; y < 46; ++y) {
        bool partial = false;
        float sum = 0.0f;
        for (int x = 0; x < kWidth; ++x) {
            const float c = Coverage(p, x, y);
            sum += c;
            partial = partial || (c > 0.05f && c < 0.95f);
        }
        rowsWithPartialPixels += partial;
        EXPECT_NEAR(sum, 64.0f * (float(y) + 0.5f) / 48.0f, 0.5f) << "row " << y;
    }
    EXPECT_GT(rowsWithPartialPixels, 22);
}

TEST_F(RendererTest, UprightRectanglesCoverEachPixelByItsOverlap) {
    struct Box {
        float x, y, w, h;
    };
    const Box boxes[] = {{10, 5, 20, 8}, {10.25f, 5.5f, 20.5f, 3.25f}, {3.7f, 30.2f, 0.5f, 9.9f}};
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.x);
        Clear(0, 0, 0, 0);
        const Picture p = Frame([&](Renderer& r) {
            r.BeginPath();
            r.Rect(b.x, b.y, b.w, b.h);
            r.Fill(kWhite);
        });
        const auto overlap = [](float from, float to, int pixel) {
            return std::clamp(std::min(to, pixel + 1.0f) - std::max(from, float(pixel)), 0.0f,
                              1.0f);
        };
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const float expected =
                    overlap(b.x, b.x + b.w, x) * overlap(b.y, b.y + b.h, y) * 255.0f;
                ASSERT_NEAR(p.At(x, y, 3), expected, 1.0f) << x << "," << y;
            }
        }
    }
}

TEST_F(RendererTest, CircleCoversItsArea) {
    const Picture p = Frame([](Renderer& r) {
        r.BeginPath();
        r.Circle(30.3f, 22.7f, 15.0f);
        r.Fill(kWhite);
    });
    float sum = 0.0f;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) sum += Coverage(p, x, y);
    }
    EXPECT_NEAR(sum, kPi * 15.0f * 15.0f, kPi * 15.0f * 15.0f * 0.02f);
}

struct StrokeCase {
    float width;
    float x0, y0, x1, y1;  // the line
    bool acrossRows;       // sum coverage down a column (else along a row)
    int at;                // the column or row summed
};

TEST_F(RendererTest, StrokesHaveTheAskedWidth) {
    const StrokeCase cases[] = {
        {1.0f, 4, 20, 60, 20, true, 30},         {2.0f, 4, 20.5f, 60, 20.5f, true, 30},
        {3.0f, 4, 20.25f, 60, 20.25f, true, 30}, {5.5f, 4, 20, 60, 20, true, 30},
        {0.5f, 4, 20, 60, 20, true, 30},         {4.0f, 30, 4, 30, 44, false, 20},
    };
    for (const StrokeCase& c : cases) {
        SCOPED_TRACE(c.width);
        Clear(0, 0, 0, 0);
        const Picture p = Frame([&](Renderer& r) {
            r.BeginPath();
            r.MoveTo(c.x0, c.y0);
            r.LineTo(c.x1, c.y1);
            r.Stroke(kWhite, c.width);
        });
        float sum = 0.0f;
        const int length = c.acrossRows ? kHeight : kWidth;
        for (int i = 0; i < length; ++i) {
            sum += c.acrossRows ? Coverage(p, c.at, i) : Coverage(p, i, c.at);
        }
        EXPECT_NEAR(sum, c.width, 0.06f);
    }
    // A whole-pixel stroke on pixel edges is fully opaque over exactly its width.
    Clear(0, 0, 0, 0);
    const Picture p = Frame([](Renderer& r) {
        r.BeginPath();
        r.MoveTo(4, 20);
        r.LineTo(60, 20);
        r.Stroke(kWhite, 4.0f);
    });
    for (int y = 16; y < 24; ++y) EXPECT_EQ(p.At(30, y, 3), y >= 18 && y < 22 ? 255 : 0) << y;
}

TEST_F(RendererTest, StrokeEndsAreSmoothAndExact) {
    // Along the centre row of a line the coverage adds up to its length.
    const std::pair<float, float> lines[] = {{10, 30}, {10.5f, 30.5f}, {10.25f, 40.6f}};
    for (const auto& line : lines) {
        const float from = line.first, to = line.second;
        SCOPED_TRACE(from);
        for (int segments : {1, 3}) {
            Clear(0, 0, 0, 0);
            const Picture p = Frame([&](Renderer& r) {
                r.BeginPath();
                r.MoveTo(from, 20);
                for (int i = 1; i <= segments; ++i) r.LineTo(from + (to - from) * i / segments, 20);
                r.Stroke(kWhite, 4);
            });
            float sum = 0.0f;
            for (int x = 0; x < kWidth; ++x) sum += Coverage(p, x, 19);
            EXPECT_NEAR(sum, to - from, 0.1f) << segments << " segments";
        }
    }
}

TEST_F(RendererTest, StrokedCornersAndTranslucentStrokesBlendEachPixelOnce) {
    const Picture p = Frame([](Renderer& r) {
        r.BeginPath();
        r.Rect(10, 10, 40, 28);
        r.Stroke(Color{1, 1, 1, 0.5f}, 4.0f);
    });
    // Along the sides and at the corners, where segments overlap, the alpha is the same.
    for (auto [x, y] :
         std::vector<std::pair<int, int>>{{30, 10}, {10, 20}, {9, 9}, {50, 38}, {11, 37}}) {
        EXPECT_NEAR(p.At(x, y, 3), 128, 1) << x << "," << y;
    }
    EXPECT_EQ(p.At(30, 24, 3), 0);
}

// An 8 x 8 picture of distinct opaque colours.
std::vector<unsigned char> TestPicture() {
    std::vector<unsigned char> pixels(8 * 8 * 4);
    for (int i = 0; i < 64; ++i) {
        pixels[i * 4 + 0] = static_cast<unsigned char>(i * 4);
        pixels[i * 4 + 1] = static_cast<unsigned char>(255 - i * 3);
        pixels[i * 4 + 2] = static_cast<unsigned char>((i * 37) % 256);
        pixels[i * 4 + 3] = 255;
    }
    return pixels;
}

TEST_F(RendererTest, ImagePatternAtOneToOneEqualsThePicture) {
    const std::vector<unsigned char> pixels = TestPicture();
    const int image = renderer->CreateImageRGBA(8, 8, 0, pixels.data());
    ASSERT_NE(image, 0);
    int w = 0, h = 0;
    EXPECT_TRUE(renderer->ImageSize(image, w, h));
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 8);
    for (float ratio : {1.0f, 2.0f}) {
        SCOPED_TRACE(ratio);
        Clear(0, 0, 0, 0);
        // At ratio 2 the picture spans 4 units, still 8 pixels.
        const float size = 8.0f / ratio;
        const Picture p = Frame(
            [&](Renderer& r) {
                r.BeginPath();
                r.Rect(6 / ratio, 4 / ratio, size, size);
                r.Fill(drawing::ImagePattern(6 / ratio, 4 / ratio, size, size, 0, image, 1));
            },
            ratio);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                for (int c = 0; c < 4; ++c) {
                    ASSERT_EQ(p.At(6 + x, 4 + y, c), pixels[(y * 8 + x) * 4 + c]) << x << "," << y;
                }
            }
        }
        EXPECT_EQ(p.At(5, 4, 3), 0);
        EXPECT_EQ(p.At(14, 4, 3), 0);
    }
}

TEST_F(RendererTest, PicturesLargerThanATextureDrawAsOneWithoutSeams) {
    // Every pixel unlike its neighbours, so a seam, a gap or a shift shows; in
    // 16-pixel textures this is a grid of three by four tiles.
    constexpr int kW = 37, kH = 53;
    std::vector<unsigned char> pixels(kW * kH * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = i % 4 == 3 ? 255 : static_cast<unsigned char>((i * 97 + i / 4 * 31) % 251);
    }
    struct Case {
        const char* what;
        float x, y, scale, angle;
    };
    const Case kCases[] = {
        {"one to one", 3, 2, 1.0f, 0},     {"enlarged", 2.5f, -11.25f, 1.37f, 0},
        {"reduced", 5.3f, 4.1f, 0.61f, 0}, {"enlarged 2x", -7, -19, 2.0f, 0},
        {"turned", 30, -6, 0.9f, 0.3f},
    };
    std::vector<Picture> expected;
    for (int limit : {0, 16}) {
        SCOPED_TRACE(limit);
        UseRenderer({Renderer::kAntialias, limit});
        const int image = renderer->CreateImageRGBA(kW, kH, 0, pixels.data());
        ASSERT_NE(image, 0);
        for (std::size_t i = 0; i < std::size(kCases); ++i) {
            const Case& c = kCases[i];
            SCOPED_TRACE(c.what);
            Clear(0, 0, 0, 0);
            const Picture p = Frame([&](Renderer& r) {
                r.SetTransform(
                    drawing::Transform::Combine(drawing::Transform::Rotation(c.angle),
                                                drawing::Transform::Translation(c.x, c.y)));
                r.BeginPath();
                r.Rect(0, 0, kW * c.scale, kH * c.scale);
                r.Fill(drawing::ImagePattern(0, 0, kW * c.scale, kH * c.scale, 0, image, 1));
            });
            if (limit != 16) {
                expected.push_back(p);
                continue;
            }
            int differing = 0;
            for (std::size_t b = 0; b < p.rgba.size(); ++b) {
                differing += p.rgba[b] != expected[i].rgba[b];
            }
            EXPECT_EQ(differing, 0);
        }
    }
}

TEST_F(RendererTest, ASampleBoxKeepsFilteringInsideAFilmStripsFrame) {
    // Five frames of 12 x 10 pixels, each one primary colour (red, green, blue, red,
    // green); drawn at any scale and offset, a frame shows none of its neighbours'.
    constexpr int kW = 12, kFrame = 10, kFrames = 5;
    std::vector<unsigned char> pixels(kW * kFrame * kFrames * 4, 0);
    for (int y = 0; y < kFrame * kFrames; ++y) {
        for (int x = 0; x < kW; ++x) {
            pixels[(y * kW + x) * 4 + (y / kFrame) % 3] = 255;
            pixels[(y * kW + x) * 4 + 3] = 255;
        }
    }
    for (int limit : {0, 16}) {  // 16: frames straddle tile edges
        UseRenderer({Renderer::kAntialias, limit});
        const int image = renderer->CreateImageRGBA(kW, kFrame * kFrames, 0, pixels.data());
        ASSERT_NE(image, 0);
        for (float scale : {0.7f, 1.3f, 2.6f}) {
            for (int frame = 1; frame < kFrames - 1; ++frame) {
                SCOPED_TRACE(testing::Message()
                             << "limit " << limit << " scale " << scale << " frame " << frame);
                Clear(0, 0, 0, 0);
                const float x = 3.3f, y = 2.6f, top = y - float(frame * kFrame) * scale;
                const Picture p = Frame([&](Renderer& r) {
                    drawing::Paint strip = drawing::ImagePattern(
                        x, top, kW * scale, kFrame * kFrames * scale, 0, image, 1);
                    strip.sampleBox = {0, float(frame * kFrame), float(kW),
                                       float((frame + 1) * kFrame)};
                    r.BeginPath();
                    r.Rect(x, y, kW * scale, kFrame * scale);
                    r.Fill(strip);
                });
                const int own = frame % 3;
                int foreign = 0, shown = 0;
                for (int py = 0; py < kHeight; ++py) {
                    for (int px = 0; px < kWidth; ++px) {
                        for (int c = 0; c < 3; ++c) foreign += c != own && p.At(px, py, c) != 0;
                        shown += p.At(px, py, own) == 255;
                    }
                }
                EXPECT_EQ(foreign, 0);
                EXPECT_GT(shown, 0);
            }
        }
    }
}

TEST_F(RendererTest, ImagePatternAtHalfSizeAveragesEachTwoByTwoBlock) {
    const std::vector<unsigned char> pixels = TestPicture();
    const int image = renderer->CreateImageRGBA(8, 8, 0, pixels.data());
    const Picture p = Frame([&](Renderer& r) {
        r.BeginPath();
        r.Rect(10, 10, 4, 4);
        r.Fill(drawing::ImagePattern(10, 10, 4, 4, 0, image, 1));
    });
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            for (int c = 0; c < 3; ++c) {
                const auto texel = [&](int tx, int ty) {
                    return int(pixels[(ty * 8 + tx) * 4 + c]);
                };
                const float mean = (texel(2 * x, 2 * y) + texel(2 * x + 1, 2 * y) +
                                    texel(2 * x, 2 * y + 1) + texel(2 * x + 1, 2 * y + 1)) /
                                   4.0f;
                EXPECT_NEAR(p.At(10 + x, 10 + y, c), mean, 1.0f) << x << "," << y << " c" << c;
            }
        }
    }
}

TEST_F(RendererTest, TranslucentPicturesArePremultipliedOnce) {
    const unsigned char pixel[4] = {200, 100, 50, 128};
    const int image = renderer->CreateImageRGBA(1, 1, 0, pixel);
    const Picture p = Frame([&](Renderer& r) {
        r.BeginPath();
        r.Rect(0, 0, 4, 4);
        r.Fill(drawing::ImagePattern(0, 0, 4, 4, 0, image, 1));
    });
    EXPECT_NEAR(p.At(2, 2, 0), 100, 1);
    EXPECT_NEAR(p.At(2, 2, 1), 50, 1);
    EXPECT_NEAR(p.At(2, 2, 2), 25, 1);
    EXPECT_EQ(p.At(2, 2, 3), 128);
}

TEST_F(RendererTest, FramebufferImageShowsUpright) {
    const int layer = renderer->CreateFramebuffer(16, 16);
    ASSERT_NE(layer, 0);
    const int image = renderer->FramebufferImage(layer);
    ASSERT_NE(image, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer->FramebufferObject(layer));
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    renderer->BeginFrame(16, 16, 1);
    renderer->BeginPath();
    renderer->Rect(0, 0, 8, 4);  // top-left corner
    renderer->Fill(Color{0, 1, 0, 1});
    renderer->EndFrame();

    const Picture p = Frame([&](Renderer& r) {
        r.BeginPath();
        r.Rect(20, 20, 16, 16);
        r.Fill(drawing::ImagePattern(20, 20, 16, 16, 0, image, 1));
    });
    EXPECT_EQ(p.At(21, 21, 1), 255);
    EXPECT_EQ(p.At(27, 23, 1), 255);
    EXPECT_EQ(p.At(21, 34, 3), 0);
    EXPECT_EQ(p.At(28, 21, 3), 0);
    renderer->DeleteFramebuffer(layer);
    int w = 1, h = 1;
    EXPECT_FALSE(renderer->ImageSize(image, w, h));
}

TEST_F(RendererTest, GlobalAlphaScalesColoursAndPictures) {
    const unsigned char pixel[4] = {255, 255, 255, 255};
    const int image = renderer->CreateImageRGBA(1, 1, 0, pixel);
    const Picture p = Frame([&](Renderer& r) {
        r.GlobalAlpha(0.25f);
        r.BeginPath();
        r.Rect(0, 0, 10, 10);
        r.Fill(kWhite);
        r.BeginPath();
        r.Rect(20, 0, 10, 10);
        r.Fill(drawing::ImagePattern(20, 0, 10, 10, 0, image, 1));
        r.GlobalAlpha(1);
        r.BeginPath();
        r.Rect(40, 0, 10, 10);
        r.Fill(drawing::ImagePattern(40, 0, 10, 10, 0, image, 0.25f));
    });
    for (int x : {5, 25, 45}) {
        EXPECT_NEAR(p.At(x, 5, 3), 64, 1) << x;
        EXPECT_NEAR(p.At(x, 5, 0), 64, 1) << x;
    }
}

struct BlendCase {
    BlendFactor source, destination;
};

TEST_F(RendererTest, CompositeBlendsByTheGivenFactors) {
    // Premultiplied source and destination, so each factor is easy to see.
    const float src[4] = {0.5f, 0.25f, 0.0f, 0.5f};
    const float dst[4] = {0.0f, 0.3f, 0.6f, 0.6f};
    const BlendCase cases[] = {
        {BlendFactor::kOne, BlendFactor::kOneMinusSourceAlpha},
        {BlendFactor::kDestinationAlpha, BlendFactor::kZero},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kZero},
        {BlendFactor::kDestinationAlpha, BlendFactor::kOneMinusSourceAlpha},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kOne},
        {BlendFactor::kZero, BlendFactor::kSourceAlpha},
        {BlendFactor::kZero, BlendFactor::kOneMinusSourceAlpha},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kSourceAlpha},
        {BlendFactor::kSourceAlpha, BlendFactor::kDestinationAlpha},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kOneMinusSourceAlpha},
    };
    const auto factor = [&](BlendFactor f) {
        switch (f) {
            case BlendFactor::kZero:
                return 0.0f;
            case BlendFactor::kOne:
                return 1.0f;
            case BlendFactor::kSourceAlpha:
                return src[3];
            case BlendFactor::kOneMinusSourceAlpha:
                return 1.0f - src[3];
            case BlendFactor::kDestinationAlpha:
                return dst[3];
            case BlendFactor::kOneMinusDestinationAlpha:
                return 1.0f - dst[3];
            default:
                return -1.0f;
        }
    };
    for (const BlendCase& c : cases) {
        SCOPED_TRACE(int(c.source) * 100 + int(c.destination));
        Clear(dst[0], dst[1], dst[2], dst[3]);
        const Picture p = Frame([&](Renderer& r) {
            r.GlobalCompositeBlendFunc(c.source, c.destination);
            r.BeginPath();
            r.Rect(0, 0, 10, 10);
            r.Fill(Color{1.0f, 0.5f, 0.0f, 0.5f});
        });
        for (int ch = 0; ch < 4; ++ch) {
            const float expected =
                std::min(1.0f, src[ch] * factor(c.source) + dst[ch] * factor(c.destination));
            EXPECT_NEAR(p.At(5, 5, ch), expected * 255.0f, 2.0f) << "channel " << ch;
        }
    }
}

TEST_F(RendererTest, TransparentPaintStillAppliesTheBlendFactors) {
    Clear(0.5f, 0.5f, 0.5f, 0.5f);
    const Picture p = Frame([](Renderer& r) {
        r.GlobalCompositeBlendFunc(BlendFactor::kZero, BlendFactor::kSourceAlpha);
        r.BeginPath();
        r.Rect(0, 0, 10, 10);
        r.Fill(Color{1, 1, 1, 0});
    });
    EXPECT_EQ(p.At(5, 5, 3), 0);     // erased
    EXPECT_EQ(p.At(20, 5, 3), 128);  // untouched
}

TEST_F(RendererTest, ScissorClipsInUserUnitsThroughTheTransform) {
    const Picture p = Frame([](Renderer& r) {
        r.SetTransform(drawing::Transform::Scaling(2, 2));
        r.MultiplyTransform(drawing::Transform::Translation(1, 1));
        r.Scissor(4, 3, 5, 6);  // pixels (10, 8) to (20, 20)
        r.BeginPath();
        r.Rect(-10, -10, 100, 100);
        r.Fill(kWhite);
        r.BeginPath();
        r.MoveTo(-10, 5);
        r.LineTo(100, 5);
        r.Stroke(kWhite, 10);
        r.ResetScissor();
        r.BeginPath();
        r.Rect(25, 20, 2, 2);  // pixels (52, 42) to (56, 46)
        r.Fill(kWhite);
    });
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool clipped = x >= 10 && x < 20 && y >= 8 && y < 20;
            const bool unclipped = x >= 52 && x < 56 && y >= 42 && y < 46;
            ASSERT_EQ(p.At(x, y, 3), clipped || unclipped ? 255 : 0) << x << "," << y;
        }
    }
}

TEST_F(RendererTest, DevicePixelRatioScalesUnitsToPixels) {
    const Picture p = Frame(
        [](Renderer& r) {
            r.BeginPath();
            r.Rect(5, 5, 10, 10);
            r.Fill(kWhite);
        },
        2.0f);
    EXPECT_EQ(p.At(10, 10, 3), 255);
    EXPECT_EQ(p.At(29, 29, 3), 255);
    EXPECT_EQ(p.At(9, 10, 3), 0);
    EXPECT_EQ(p.At(30, 29, 3), 0);
}

TEST_F(RendererTest, BoxGradientBlendsAcrossTheFeatherAtTheEdge) {
    const Color black{0, 0, 0, 1};
    const Color clear{0, 0, 0, 0};
    const Picture p = Frame([&](Renderer& r) {
        r.BeginPath();
        r.Rect(0, 0, 64, 48);
        r.Fill(drawing::BoxGradient(32, 24, 12, 8, 2, 8, black, clear));
    });
    EXPECT_EQ(p.At(32, 24, 3), 255);  // inside
    // Pixel centres half a unit outside and inside the edge, on an 8-unit feather.
    EXPECT_NEAR(p.At(44, 24, 3), 255 * (1 - 4.5 / 8), 2);
    EXPECT_NEAR(p.At(32, 16, 3), 255 * (1 - 3.5 / 8), 2);
    EXPECT_EQ(p.At(52, 24, 3), 0);  // past the feather
    EXPECT_GT(p.At(40, 24, 3), p.At(46, 24, 3));
}

TEST_F(RendererTest, ArcsFollowTheirDirection) {
    // A half disc: the arc from 0 to pi clockwise runs through the bottom (y down).
    for (bool clockwise : {true, false}) {
        SCOPED_TRACE(clockwise);
        Clear(0, 0, 0, 0);
        const Picture p = Frame([&](Renderer& r) {
            r.BeginPath();
            r.MoveTo(32, 24);
            r.Arc(32, 24, 16, 0, kPi, clockwise);
            r.ClosePath();
            r.Fill(kWhite);
        });
        EXPECT_EQ(p.At(32, 34, 3), clockwise ? 255 : 0);
        EXPECT_EQ(p.At(32, 14, 3), clockwise ? 0 : 255);
    }
}

}  // namespace

TEST(RendererWithoutStencil, FillsConvexShapesOnATargetWithoutStencil) {
    ASSERT_NE(test_support::OffscreenGl::Current(), nullptr);
    auto renderer = Renderer::Create(Renderer::kAntialias);
    ASSERT_NE(renderer, nullptr);
    GLuint texture = 0, framebuffer = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 32, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);

    renderer->BeginFrame(32, 32, 1);
    renderer->BeginPath();
    renderer->Rect(2, 2, 10, 10);
    renderer->Fill(Color{1, 1, 1, 0.5f});
    renderer->BeginPath();
    renderer->Circle(22, 22, 6);
    renderer->Fill(Color{1, 1, 1, 0.5f});
    renderer->EndFrame();
    const Picture p = test_support::ReadPicture(32, 32);
    // Each pixel blended once, corners included.
    for (auto [x, y] : std::vector<std::pair<int, int>>{{2, 2}, {11, 11}, {22, 22}, {22, 17}}) {
        EXPECT_NEAR(p.At(x, y, 3), 128, 1) << x << "," << y;
    }
    EXPECT_EQ(p.At(12, 5, 3), 0);
    EXPECT_EQ(p.At(22, 14, 3), 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
}

TEST_F(RendererTest, LaterShapesDrawOverEarlierOnesInOneFrame) {
    // Each fill and stroke leaves the stencil clean for the next.
    const Color half{1, 1, 1, 0.5f};
    const Picture p = Frame([&](Renderer& r) {
        for (int i = 0; i < 2; ++i) {
            r.BeginPath();
            r.MoveTo(4, 20);
            r.LineTo(60, 20);
            r.Stroke(half, 4);
            r.BeginPath();
            Star(r, 32, 24, 5, 22, 8);
            r.Fill(half);
        }
    });
    EXPECT_NEAR(p.At(8, 20, 3), 191, 1);   // two strokes
    EXPECT_NEAR(p.At(32, 20, 3), 239, 1);  // two strokes and two stars
    EXPECT_NEAR(p.At(32, 30, 3), 191, 1);  // two stars
}
