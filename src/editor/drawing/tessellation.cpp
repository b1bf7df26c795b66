#include "editor/drawing/tessellation.h"

#include <cmath>

namespace drawing {

namespace {

// A quad from a to b, `inner` to `outer` pixels off the line along its left normal,
// lengthened by `extendStart` and `extendEnd` pixels along it; u is the distance
// along the normal, v goes from `vStart` at the start to `vEnd` at the end.
void AppendBand(PathPoint a, PathPoint b, float inner, float outer, float extendStart,
                float extendEnd, float vStart, float vEnd, std::vector<Vertex>& out) {
    float dx = b.x - a.x;
    float dy = b.y - a.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f)) return;
    dx /= length;
    dy /= length;
    const float nx = -dy;
    const float ny = dx;
    const float sx = a.x - dx * extendStart;
    const float sy = a.y - dy * extendStart;
    const float ex = b.x + dx * extendEnd;
    const float ey = b.y + dy * extendEnd;
    const Vertex s0{sx + nx * inner, sy + ny * inner, inner, vStart};
    const Vertex s1{sx + nx * outer, sy + ny * outer, outer, vStart};
    const Vertex e0{ex + nx * inner, ey + ny * inner, inner, vEnd};
    const Vertex e1{ex + nx * outer, ey + ny * outer, outer, vEnd};
    out.insert(out.end(), {s0, s1, e1, s0, e1, e0});
}

}  // namespace

void AppendWindingFans(const Path& path, std::vector<Vertex>& out) {
    const auto& points = path.Points();
    for (const PathContour& contour : path.Contours()) {
        if (contour.count < 3) continue;
        const PathPoint& origin = points[contour.first];
        for (int i = 1; i + 1 < contour.count; ++i) {
            const PathPoint& p1 = points[contour.first + i];
            const PathPoint& p2 = points[contour.first + i + 1];
            out.insert(out.end(), {Vertex{origin.x, origin.y, 0.0f, 0.0f},
                                   Vertex{p1.x, p1.y, 0.0f, 0.0f}, Vertex{p2.x, p2.y, 0.0f, 0.0f}});
        }
    }
}

bool IsUprightRectangle(const Path& path, float box[4]) {
    const auto& contours = path.Contours();
    if (contours.size() != 1 || contours[0].count != 4) return false;
    const PathPoint* p = path.Points().data() + contours[0].first;
    const bool horizontalFirst =
        p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x;
    const bool verticalFirst =
        p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y;
    if (!horizontalFirst && !verticalFirst) return false;
    box[0] = std::fmin(p[0].x, p[2].x);
    box[1] = std::fmin(p[0].y, p[2].y);
    box[2] = std::fmax(p[0].x, p[2].x);
    box[3] = std::fmax(p[0].y, p[2].y);
    return box[2] > box[0] && box[3] > box[1];
}

bool IsConvexLoop(const Path& path, bool& clockwise) {
    const auto& contours = path.Contours();
    if (contours.size() != 1 || contours[0].count < 3) return false;
    const PathContour& contour = contours[0];
    const PathPoint* p = path.Points().data() + contour.first;
    const int n = contour.count;
    // The direction of edge i, or false when it is too short to have one.
    const auto edge = [&](int i, double& x, double& y) {
        x = double(p[(i + 1) % n].x) - p[i].x;
        y = double(p[(i + 1) % n].y) - p[i].y;
        return x * x + y * y > 1e-6;
    };
    int first = 0;
    double px = 0.0, py = 0.0;
    while (first < n && !edge(first, px, py)) ++first;
    if (first == n) return false;
    int sign = 0;
    double turning = 0.0;
    // Every turn between consecutive edges, ending back at the first edge.
    for (int k = 1; k <= n; ++k) {
        double ux, uy;
        if (!edge((first + k) % n, ux, uy)) continue;
        const double cross = px * uy - py * ux;
        const double dot = px * ux + py * uy;
        if (std::fabs(cross) > 1e-9 * std::sqrt((px * px + py * py) * (ux * ux + uy * uy))) {
            const int s = cross > 0 ? 1 : -1;
            if (sign != 0 && s != sign) return false;
            sign = s;
        }
        turning += std::atan2(cross, dot);
        px = ux;
        py = uy;
    }
    // A star drawn in one stroke turns the same way at every corner but twice around.
    if (sign == 0 || std::fabs(std::fabs(turning) - 2.0 * 3.14159265358979) > 0.1) return false;
    clockwise = sign > 0;
    return true;
}

void AppendOuterFringes(const Path& path, bool clockwise, std::vector<Vertex>& out) {
    const PathContour& contour = path.Contours()[0];
    const PathPoint* p = path.Points().data() + contour.first;
    // The left normal points inwards on a clockwise loop.
    const float outer = clockwise ? -1.0f : 1.0f;
    for (int i = 0; i < contour.count; ++i) {
        AppendBand(p[i], p[(i + 1) % contour.count], 0.0f, outer, 0.0f, 0.0f, 0.0f, 0.0f, out);
    }
}

void AppendEdgeFringes(const Path& path, std::vector<Vertex>& out) {
    const auto& points = path.Points();
    for (const PathContour& contour : path.Contours()) {
        if (contour.count < 3) continue;
        for (int i = 0; i < contour.count; ++i) {
            const PathPoint& a = points[contour.first + i];
            const PathPoint& b = points[contour.first + (i + 1) % contour.count];
            AppendBand(a, b, -1.0f, 1.0f, 0.5f, 0.5f, 0.0f, 0.0f, out);
        }
    }
}

void AppendStrokeBands(const Path& path, float halfWidthPixels, std::vector<Vertex>& out) {
    const auto& points = path.Points();
    const float reach = halfWidthPixels + 1.0f;
    // Away from the ends v stays far above the one pixel where it fades.
    constexpr float kNoEnd = 1.0e6f;
    for (const PathContour& contour : path.Contours()) {
        if (contour.count < 2) continue;
        const bool closed = contour.closed && contour.count > 2;
        const int segments = closed ? contour.count : contour.count - 1;
        for (int i = 0; i < segments; ++i) {
            const PathPoint& a = points[contour.first + i];
            const PathPoint& b = points[contour.first + (i + 1) % contour.count];
            const bool startsLine = !closed && i == 0;
            const bool endsLine = !closed && i + 1 == segments;
            const float extendStart = startsLine ? 1.0f : halfWidthPixels;
            const float extendEnd = endsLine ? 1.0f : halfWidthPixels;
            const float length = std::hypot(b.x - a.x, b.y - a.y);
            // v: pixels inside the nearest end of the line, plus a half.
            if (startsLine && endsLine) {
                const PathPoint middle{(a.x + b.x) / 2.0f, (a.y + b.y) / 2.0f};
                AppendBand(a, middle, -reach, reach, 1.0f, 0.0f, -0.5f, length / 2.0f + 0.5f, out);
                AppendBand(middle, b, -reach, reach, 0.0f, 1.0f, length / 2.0f + 0.5f, -0.5f, out);
            } else if (startsLine) {
                AppendBand(a, b, -reach, reach, extendStart, extendEnd, -0.5f,
                           length + extendEnd + 0.5f, out);
            } else if (endsLine) {
                AppendBand(a, b, -reach, reach, extendStart, extendEnd, length + extendStart + 0.5f,
                           -0.5f, out);
            } else {
                AppendBand(a, b, -reach, reach, extendStart, extendEnd, kNoEnd, kNoEnd, out);
            }
        }
    }
}

void AppendRectangle(float minX, float minY, float maxX, float maxY, std::vector<Vertex>& out) {
    const Vertex a{minX, minY, 0.0f, 0.0f};
    const Vertex b{maxX, minY, 0.0f, 0.0f};
    const Vertex c{maxX, maxY, 0.0f, 0.0f};
    const Vertex d{minX, maxY, 0.0f, 0.0f};
    out.insert(out.end(), {a, b, c, a, c, d});
}

}  // namespace drawing
