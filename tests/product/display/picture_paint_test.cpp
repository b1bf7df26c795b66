// The shapes the strip's picture paints per call, on a small black picture:
// with an opaque white colour a pixel's red channel is its coverage times 255.
#include "product/display/picture_paint.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int kSide = 8;
constexpr PaintColour kWhite{1.0, 1.0, 1.0, 1.0};
constexpr PaintColour kHalfWhite{1.0, 1.0, 1.0, 0.5};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Canvas {
    std::array<std::uint32_t, kSide * kSide> pixels;

    explicit Canvas(std::uint32_t fill = 0xff000000u) { pixels.fill(fill); }
    StripPicture Picture() {
        return {reinterpret_cast<unsigned char*>(pixels.data()), kSide, kSide, 4 * kSide};
    }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * kSide + x)]; }
};

void Graph(const StripPicture& p, std::vector<PaintPoint> points, double width,
           const PaintColour& colour = kWhite) {
    PaintGraphLine(p, points.data(), static_cast<int>(points.size()), width, colour);
}

void Area(const StripPicture& p, std::vector<PaintPoint> points, double row) {
    PaintAreaToRow(p, points.data(), static_cast<int>(points.size()), row, kWhite);
}

struct Probe {
    int x, y;
    int red;  // coverage * 255
    int tolerance = 1;
};

struct ShapeCase {
    const char* what;
    void (*paint)(const StripPicture&);
    std::vector<Probe> probes;
};

TEST(PicturePaint, CoversThePixelsTheShapeCovers) {
    const ShapeCase kCases[] = {
        {"a rectangle on pixel edges",
         [](const StripPicture& p) { PaintRectangle(p, 2, 1, 5, 3, kWhite); },
         {{2, 1, 255}, {4, 2, 255}, {5, 1, 0}, {1, 1, 0}, {4, 3, 0}, {4, 0, 0}}},
        {"a rectangle with edges inside pixels",
         [](const StripPicture& p) { PaintRectangle(p, 2.5, 1, 4.25, 2.75, kWhite); },
         {{2, 1, 128}, {3, 1, 255}, {4, 1, 64}, {3, 2, 191}, {4, 2, 48}, {5, 1, 0}}},
        {"a rectangle past the picture's edges",
         [](const StripPicture& p) { PaintRectangle(p, -5, 6, 99, 99, kWhite); },
         {{0, 6, 255}, {7, 7, 255}, {0, 5, 0}}},
        {"a line along pixel centres",
         [](const StripPicture& p) {
             Graph(p, {{0, 3.5}, {8, 3.5}}, 1);
         },
         {{4, 3, 255}, {0, 3, 255}, {7, 3, 255}, {4, 2, 0}, {4, 4, 0}}},
        {"a line on a pixel boundary",
         [](const StripPicture& p) {
             Graph(p, {{0, 3}, {8, 3}}, 1);
         },
         {{4, 2, 128}, {4, 3, 128}, {4, 1, 0}, {4, 4, 0}}},
        {"a line thinner than a pixel is drawn one wide",
         [](const StripPicture& p) {
             Graph(p, {{0, 3.5}, {8, 3.5}}, 0.2);
         },
         {{4, 3, 255}, {4, 2, 0}}},
        {"a line three wide",
         [](const StripPicture& p) {
             Graph(p, {{0, 3.5}, {8, 3.5}}, 3);
         },
         {{4, 2, 255}, {4, 3, 255}, {4, 4, 255}, {4, 1, 0}, {4, 5, 0}}},
        {"a line two wide, off the pixel centres",
         [](const StripPicture& p) {
             Graph(p, {{0, 3.25}, {8, 3.25}}, 2);
         },
         {{4, 2, 191}, {4, 3, 255}, {4, 4, 64}, {4, 1, 0}}},
        {"a vertical line",
         [](const StripPicture& p) {
             Graph(p, {{4.5, -1}, {4.5, 9}}, 1);
         },
         {{4, 5, 255}, {4, 0, 255}, {3, 5, 0}, {5, 5, 0}}},
        // The area of the pixel within half a pixel of the diagonal: about
        // 0.91 on it, 0.25 beside it.
        {"a diagonal line",
         [](const StripPicture& p) {
             Graph(p, {{0, 0}, {8, 8}}, 1);
         },
         {{3, 3, 233, 25}, {4, 3, 64, 15}, {3, 4, 64, 15}, {5, 3, 0}}},
        {"a line's joins lay the colour on once",
         [](const StripPicture& p) {
             Graph(p, {{0, 3.5}, {2, 3.5}, {2.5, 3.5}, {2.5, 3.5}, {4, 3.5}, {8, 3.5}}, 1,
                   kHalfWhite);
         },
         {{2, 3, 128}, {3, 3, 128}, {6, 3, 128}}},
        {"an area down to a row",
         [](const StripPicture& p) {
             Area(p, {{0, 2.25}, {8, 2.25}}, 5);
         },
         {{4, 2, 191}, {4, 3, 255}, {4, 4, 255}, {4, 5, 0}, {4, 1, 0}}},
        {"an area up to a row",
         [](const StripPicture& p) {
             Area(p, {{0, 6.5}, {8, 6.5}}, 4);
         },
         {{4, 3, 0}, {4, 4, 255}, {4, 5, 255}, {4, 6, 128}, {4, 7, 0}}},
        {"an area as wide as its graph",
         [](const StripPicture& p) {
             Area(p, {{2.5, 1}, {6, 1}}, 3);
         },
         {{1, 1, 0}, {2, 1, 128}, {2, 2, 128}, {3, 1, 255}, {5, 2, 255}, {6, 1, 0}}},
        {"an area under a slope",
         [](const StripPicture& p) {
             Area(p, {{0, 0}, {8, 8}}, 8);
         },
         {{3, 3, 128}, {3, 5, 255}, {5, 3, 0}}},
        {"an area crossing its row",
         [](const StripPicture& p) {
             Area(p, {{0, 1}, {4, 1}, {4, 7}, {8, 7}}, 4);
         },
         {{1, 1, 255}, {1, 3, 255}, {1, 4, 0}, {6, 3, 0}, {6, 4, 255}, {6, 6, 255}, {6, 7, 0}}},
        {"fewer rows over the same pixels clip",
         [](const StripPicture& p) {
             const StripPicture top{p.data, p.width, 4, p.stride};
             Area(top, {{0, 6}, {8, 6}}, 2);
             Graph(top, {{0, 5.5}, {8, 5.5}}, 3);
         },
         {{4, 2, 255}, {4, 3, 255}, {4, 4, 0}, {4, 5, 0}}},
        {"shapes at a coordinate that is not a number paint nothing",
         [](const StripPicture& p) {
             Area(p, {{0, kNaN}, {8, kNaN}}, 4);
             Graph(p, {{0, kNaN}, {kNaN, 2}, {8, kNaN}}, 2);
             Graph(p, {{0, 3.5}, {8, 3.5}}, kNaN);
             PaintRectangle(p, kNaN, 0, 8, 8, kWhite);
         },
         {{4, 4, 0}, {0, 0, 0}, {7, 2, 0}, {4, 3, 255}}},
        {"a graph of one point paints nothing",
         [](const StripPicture& p) {
             Area(p, {{4, 1}}, 6);
             Graph(p, {{4, 4}}, 3);
         },
         {{4, 4, 0}, {4, 3, 0}}},
    };
    for (const ShapeCase& c : kCases) {
        SCOPED_TRACE(c.what);
        Canvas canvas;
        c.paint(canvas.Picture());
        for (const Probe& probe : c.probes) {
            SCOPED_TRACE(testing::Message() << "pixel " << probe.x << ", " << probe.y);
            const std::uint32_t pixel = canvas.At(probe.x, probe.y);
            EXPECT_EQ(pixel >> 24, 0xffu);
            EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xff), probe.red, probe.tolerance);
        }
    }
}

// Premultiplied OVER: the colour's alpha times the coverage replaces that
// share of the pixel, alpha included.
TEST(PicturePaint, LaysTheColourOverThePixel) {
    struct BlendCase {
        const char* what;
        std::uint32_t below;
        PaintColour colour;
        double coverage;
        std::uint32_t expected;
    };
    const BlendCase kCases[] = {
        {"opaque", 0xff808080u, {0.2, 0.4, 0.6, 1.0}, 1.0, 0xff336699u},
        {"half alpha", 0xff808080u, {1.0, 0.0, 0.0, 0.5}, 1.0, 0xffc04040u},
        {"half alpha, half covered", 0xff808080u, {1.0, 0.0, 0.0, 0.5}, 0.5, 0xffa06060u},
        {"onto a transparent pixel", 0x00000000u, {1.0, 1.0, 1.0, 0.5}, 1.0, 0x80808080u},
        {"a transparent colour", 0xff123456u, {1.0, 1.0, 1.0, 0.0}, 1.0, 0xff123456u},
    };
    for (const BlendCase& c : kCases) {
        SCOPED_TRACE(c.what);
        std::uint32_t pixel = c.below;
        const StripPicture one{reinterpret_cast<unsigned char*>(&pixel), 1, 1, 4};
        PaintRectangle(one, 0.0, 0.0, c.coverage, 1.0, c.colour);
        EXPECT_EQ(pixel, c.expected) << std::hex << pixel;
    }
}

}  // namespace
