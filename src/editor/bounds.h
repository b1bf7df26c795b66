#pragma once
// Rectangles in graphics units (the editor's design coordinates, origin top
// left, y downwards) and the list of them that one redraw covers.
#include <vector>

struct Bounds {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    // [any]
    float W() const { return right - left; }
    // [any]
    float H() const { return bottom - top; }
    // [any]
    float Area() const { return W() * H(); }
    // [any] All four edges 0: the rectangle of a control that has nothing to show.
    bool Empty() const { return left == 0.0f && top == 0.0f && right == 0.0f && bottom == 0.0f; }
    // [any] Left and top edges belong to the rectangle, right and bottom do not.
    bool Contains(float x, float y) const {
        return left <= x && x < right && top <= y && y < bottom;
    }
    // [any] Whether this rectangle lies wholly within outer.
    bool Inside(const Bounds& outer) const;
    // [any] Whether the two share an area larger than zero.
    bool Overlaps(const Bounds& other) const;
    // [any] Grown by d on every side.
    Bounds Grown(float d) const { return {left - d, top - d, right + d, bottom + d}; }
    // [any] Snapped outwards to whole pixels at total scale s (floor for the
    // top-left edges, ceil for the bottom-right ones).
    Bounds Aligned(float s) const;
    // [any]
    Bounds Union(const Bounds& other) const;
    // [any]
    Bounds Intersection(const Bounds& other) const;

    bool operator==(const Bounds&) const = default;
};

// The region list of one redraw.
using BoundsList = std::vector<Bounds>;
