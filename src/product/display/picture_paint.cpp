#include "product/display/picture_paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// Samples across each pixel column of a filled area; each sample's vertical
// coverage is exact, so only the slope's steps along x are sampled.
constexpr int kAreaSamples = 4;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The colour at full coverage, premultiplied, in 0 .. 255.
struct Source {
    double a, r, g, b;
    explicit Source(const PaintColour& c)
        : a(255.0 * c.alpha),
          r(255.0 * c.r * c.alpha),
          g(255.0 * c.g * c.alpha),
          b(255.0 * c.b * c.alpha) {}
};

void Blend(const StripPicture& picture, int x, int y, const Source& source, double coverage) {
    if (!(coverage > 0.0)) return;  // none, or not a number
    coverage = std::min(coverage, 1.0);
    unsigned char* at = picture.data + static_cast<std::ptrdiff_t>(y) * picture.stride + 4 * x;
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, at, sizeof pixel);
    const double keep = 1.0 - source.a / 255.0 * coverage;
    auto channel = [&](int shift, double value) {
        const double out = value * coverage + ((pixel >> shift) & 0xffu) * keep;
        return static_cast<std::uint32_t>(std::clamp(out + 0.5, 0.0, 255.0)) << shift;
    };
    pixel =
        channel(24, source.a) | channel(16, source.r) | channel(8, source.g) | channel(0, source.b);
    std::memcpy(at, &pixel, sizeof pixel);
}

// The pixels [first, last) of 0 .. size that [from, to) reaches into; none
// when either end is not a number.
struct Span {
    int first = 0;
    int last = 0;
};
Span Touched(double from, double to, int size) {
    if (!(from <= to)) return {};
    const double low = std::max(from, 0.0);
    const double high = std::min(to, static_cast<double>(size));
    if (!(low < high)) return {};
    return {static_cast<int>(std::floor(low)), static_cast<int>(std::ceil(high))};
}

// How much of pixel i's [i, i + 1) lies within [from, to); 0 for a NaN end.
double Overlap(double from, double to, int i) {
    const double length = std::min(to, i + 1.0) - std::max(from, static_cast<double>(i));
    return length > 0.0 ? length : 0.0;
}

double DistanceSquared(double x, double y, const PaintPoint& a, const PaintPoint& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    const double along =
        length2 > 0.0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / length2, 0.0, 1.0) : 0.0;
    const double ex = a.x + along * dx - x;
    const double ey = a.y + along * dy - y;
    return ex * ex + ey * ey;
}

}  // namespace

void PaintRectangle(const StripPicture& picture, double left, double top, double right,
                    double bottom, const PaintColour& colour) {
    const Source source(colour);
    const Span columns = Touched(left, right, picture.width);
    const Span rows = Touched(top, bottom, picture.height);
    for (int y = rows.first; y < rows.last; ++y) {
        const double rowCoverage = Overlap(top, bottom, y);
        for (int x = columns.first; x < columns.last; ++x) {
            Blend(picture, x, y, source, Overlap(left, right, x) * rowCoverage);
        }
    }
}

void PaintAreaToRow(const StripPicture& picture, const PaintPoint* points, int count, double row,
                    const PaintColour& colour) {
    if (count < 2) return;
    const Source source(colour);
    const double start = points[0].x;
    const double end = points[count - 1].x;
    const Span columns = Touched(start, end, picture.width);
    int segment = 0;  // the segment the last sample fell on
    for (int x = columns.first; x < columns.last; ++x) {
        // Per sample the area spans [low, high) down this column.
        double low[kAreaSamples];
        double high[kAreaSamples];
        double top = kInfinity;
        double bottom = -kInfinity;
        for (int k = 0; k < kAreaSamples; ++k) {
            const double t = x + (k + 0.5) / kAreaSamples;
            low[k] = high[k] = row;
            if (!(t >= start && t <= end)) continue;
            while (segment + 2 < count && points[segment + 1].x < t) ++segment;
            const PaintPoint& a = points[segment];
            const PaintPoint& b = points[segment + 1];
            const double y = b.x > a.x ? a.y + (b.y - a.y) * (t - a.x) / (b.x - a.x) : b.y;
            low[k] = std::min(y, row);
            high[k] = std::max(y, row);
            top = std::min(top, low[k]);
            bottom = std::max(bottom, high[k]);
        }
        const Span rows = Touched(top, bottom, picture.height);
        for (int y = rows.first; y < rows.last; ++y) {
            double coverage = 0.0;
            for (int k = 0; k < kAreaSamples; ++k) coverage += Overlap(low[k], high[k], y);
            Blend(picture, x, y, source, coverage / kAreaSamples);
        }
    }
}

void PaintGraphLine(const StripPicture& picture, const PaintPoint* points, int count, double width,
                    const PaintColour& colour) {
    if (count < 2) return;
    const Source source(colour);
    const double half = width > 1.0 ? width / 2.0 : 0.5;
    // A pixel's coverage falls from 1 to 0 as its centre's distance from the
    // line's middle goes from half - 0.5 to half + 0.5.
    const double reach = half + 0.5;
    const Span columns = Touched(points[0].x - reach, points[count - 1].x + reach, picture.width);
    int first = 0;  // the first segment that reaches the column
    for (int x = columns.first; x < columns.last; ++x) {
        const double cx = x + 0.5;
        while (first + 2 < count && points[first + 1].x < cx - reach) ++first;
        int end = first;
        double top = kInfinity;
        double bottom = -kInfinity;
        for (; end + 1 < count && points[end].x <= cx + reach; ++end) {
            top = std::min({top, points[end].y, points[end + 1].y});
            bottom = std::max({bottom, points[end].y, points[end + 1].y});
        }
        const Span rows = Touched(top - reach, bottom + reach, picture.height);
        for (int y = rows.first; y < rows.last; ++y) {
            double nearest = kInfinity;
            for (int j = first; j < end; ++j) {
                nearest = std::min(nearest, DistanceSquared(cx, y + 0.5, points[j], points[j + 1]));
            }
            Blend(picture, x, y, source, reach - std::sqrt(nearest));
        }
    }
}
