#pragma once
// Reduction of a redraw's region list: fewer, non-overlapping rectangles that
// cover exactly the same area, so no pixel is painted twice in one frame.
#include "editor/bounds.h"

// [ui] Drops rectangles that lie inside others, cuts overlapping ones apart
// (the smaller one gives way; what it loses beyond one piece is appended) and
// joins neighbours that share a whole edge. The union stays the same.
void Optimize(BoundsList& list);
