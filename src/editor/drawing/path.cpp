#include "editor/drawing/path.h"

#include <algorithm>
#include <cmath>

namespace drawing {

namespace {

constexpr float kPi = 3.14159265358979f;
// Device coordinates are clamped here so that later arithmetic stays finite.
constexpr float kCoordinateLimit = 1.0e6f;
constexpr int kMaxArcSegments = 2048;
constexpr float kTolerancePixels = 0.25f;

bool Finite(float v) {
    return std::isfinite(v);
}

}  // namespace

void Path::Clear() {
    mPoints.clear();
    mContours.clear();
    mHasCurrent = false;
}

void Path::StartContour() {
    mContours.push_back({int(mPoints.size()), 0, false});
    mHasCurrent = true;
}

void Path::AddPoint(float x, float y) {
    if (!Finite(x) || !Finite(y)) return;
    x = std::clamp(x, -kCoordinateLimit, kCoordinateLimit);
    y = std::clamp(y, -kCoordinateLimit, kCoordinateLimit);
    if (!mHasCurrent) StartContour();
    PathContour& contour = mContours.back();
    if (contour.count > 0) {
        // Coincident points would give edges without a direction.
        const PathPoint& last = mPoints.back();
        if (std::fabs(last.x - x) < 1e-3f && std::fabs(last.y - y) < 1e-3f) return;
    }
    mPoints.push_back({x, y});
    ++contour.count;
}

void Path::MoveTo(float x, float y, const Transform& transform) {
    float dx, dy;
    transform.Apply(x, y, dx, dy);
    if (!Finite(dx) || !Finite(dy)) {
        mHasCurrent = false;
        return;
    }
    StartContour();
    AddPoint(dx, dy);
}

void Path::LineTo(float x, float y, const Transform& transform) {
    float dx, dy;
    transform.Apply(x, y, dx, dy);
    AddPoint(dx, dy);
}

void Path::Arc(float centreX, float centreY, float radius, float startAngle, float endAngle,
               bool clockwise, const Transform& transform) {
    if (!Finite(centreX) || !Finite(centreY) || !Finite(radius) || !Finite(startAngle) ||
        !Finite(endAngle) || radius < 0.0f) {
        return;
    }
    float sweep = endAngle - startAngle;
    if (clockwise) {
        if (std::fabs(sweep) >= 2.0f * kPi) {
            sweep = 2.0f * kPi;
        } else {
            while (sweep < 0.0f) sweep += 2.0f * kPi;
        }
    } else {
        if (std::fabs(sweep) >= 2.0f * kPi) {
            sweep = -2.0f * kPi;
        } else {
            while (sweep > 0.0f) sweep -= 2.0f * kPi;
        }
    }
    const float pixelRadius = radius * transform.MeanScale();
    int segments = 1;
    if (pixelRadius > kTolerancePixels) {
        // The chord of angle t strays r (1 - cos(t / 2)) from the circle.
        const float step = 2.0f * std::acos(1.0f - kTolerancePixels / pixelRadius);
        segments = int(std::ceil(std::fabs(sweep) / std::max(step, 1e-4f)));
    }
    segments = std::clamp(segments, 1, kMaxArcSegments);
    for (int i = 0; i <= segments; ++i) {
        const float angle = startAngle + sweep * float(i) / float(segments);
        LineTo(centreX + radius * std::cos(angle), centreY + radius * std::sin(angle), transform);
    }
}

void Path::Rect(float x, float y, float width, float height, const Transform& transform) {
    MoveTo(x, y, transform);
    LineTo(x + width, y, transform);
    LineTo(x + width, y + height, transform);
    LineTo(x, y + height, transform);
    Close();
}

void Path::Circle(float centreX, float centreY, float radius, const Transform& transform) {
    mHasCurrent = false;
    Arc(centreX, centreY, radius, 0.0f, 2.0f * kPi, true, transform);
    Close();
}

void Path::Close() {
    if (mHasCurrent && !mContours.empty()) {
        PathContour& contour = mContours.back();
        contour.closed = true;
        // An end point on the start point would make a closing edge without a direction.
        if (contour.count > 1) {
            const PathPoint& start = mPoints[std::size_t(contour.first)];
            const PathPoint& last = mPoints.back();
            if (std::fabs(last.x - start.x) < 1e-3f && std::fabs(last.y - start.y) < 1e-3f) {
                mPoints.pop_back();
                --contour.count;
            }
        }
    }
    mHasCurrent = false;
}

bool Path::Bounds(float& minX, float& minY, float& maxX, float& maxY) const {
    if (mPoints.empty()) return false;
    minX = maxX = mPoints[0].x;
    minY = maxY = mPoints[0].y;
    for (const PathPoint& p : mPoints) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return true;
}

}  // namespace drawing
