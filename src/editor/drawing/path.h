#pragma once
// A path flattened to polygons in device pixels as it is built: every command is
// transformed by the transform current when it is given, and arcs become line runs
// fine enough that no chord strays more than a quarter pixel. The buffers keep
// their capacity across Clear(), so rebuilding paths each frame allocates nothing
// once they have grown.
#include <vector>

#include "editor/drawing/drawing_types.h"

namespace drawing {

struct PathPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// One sub-path: `count` points from `first`; fills always close it.
struct PathContour {
    int first = 0;
    int count = 0;
    bool closed = false;
};

class Path {
public:
    // [ui] Empties the path, keeping the capacity.
    void Clear();

    // [ui] Starts a new sub-path at (x, y).
    void MoveTo(float x, float y, const Transform& transform);
    // [ui] Adds a line from the current point (or starts a sub-path when there is none).
    void LineTo(float x, float y, const Transform& transform);
    // [ui] Adds an arc about (centreX, centreY) from `startAngle` to `endAngle` radians
    // (0 along +x, growing clockwise on the y-down screen), joined to the current point
    // by a line. `clockwise` picks the direction; a sweep is at most one full turn.
    void Arc(float centreX, float centreY, float radius, float startAngle, float endAngle,
             bool clockwise, const Transform& transform);
    // [ui] Adds a closed rectangle sub-path.
    void Rect(float x, float y, float width, float height, const Transform& transform);
    // [ui] Adds a closed circle sub-path.
    void Circle(float centreX, float centreY, float radius, const Transform& transform);
    // [ui] Closes the current sub-path.
    void Close();

    // [ui]
    const std::vector<PathPoint>& Points() const { return mPoints; }
    // [ui] Sub-paths; those with fewer than two points are kept but draw nothing.
    const std::vector<PathContour>& Contours() const { return mContours; }
    // [ui] The device-space bounding box of every point; false when the path is empty.
    bool Bounds(float& minX, float& minY, float& maxX, float& maxY) const;

private:
    void AddPoint(float x, float y);
    void StartContour();

    std::vector<PathPoint> mPoints;
    std::vector<PathContour> mContours;
    bool mHasCurrent = false;
};

}  // namespace drawing
