#pragma once
// Turns a flattened path into triangles for the GL passes. Every vertex carries
// its device position and two parameters the fragment shader turns into coverage:
// for edge fringes the signed distance to the edge, for strokes the distance to
// the centre line and the distance inside the line's ends.
#include <vector>

#include "editor/drawing/path.h"

namespace drawing {

struct Vertex {
    float x = 0.0f;
    float y = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
};

// [ui] Appends a triangle fan per sub-path; drawn into the stencil with front faces
// counting up and back faces down, it leaves each pixel's winding number.
void AppendWindingFans(const Path& path, std::vector<Vertex>& out);

// [ui] Whether the path is one convex sub-path turning once around (so the non-zero
// rule fills exactly its fan); `clockwise` tells its direction on the y-down screen.
bool IsConvexLoop(const Path& path, bool& clockwise);

// [ui] Whether the path is one rectangle with sides along the pixel axes; its corners
// go to `box` (minX, minY, maxX, maxY).
bool IsUprightRectangle(const Path& path, float box[4]);

// [ui] Appends a band one pixel wide outside each edge of a convex loop, with u = the
// distance from the edge in pixels.
void AppendOuterFringes(const Path& path, bool clockwise, std::vector<Vertex>& out);

// [ui] Appends a band one pixel wide on each side of every edge (closing each
// sub-path), with u = the signed distance from the edge in pixels.
void AppendEdgeFringes(const Path& path, std::vector<Vertex>& out);

// [ui] Appends a stroke of `halfWidthPixels` around every sub-path: one band per
// segment reaching a pixel beyond the half width (u = the distance from the centre
// line), lengthened by the half width where segments meet so that joins have no
// gaps, and by a pixel at the ends of open sub-paths (v = the distance inside the
// nearer end plus a half; far from an end it is large).
void AppendStrokeBands(const Path& path, float halfWidthPixels, std::vector<Vertex>& out);

// [ui] Appends two triangles covering the rectangle.
void AppendRectangle(float minX, float minY, float maxX, float maxY, std::vector<Vertex>& out);

}  // namespace drawing
