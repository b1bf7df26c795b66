#pragma once
// Anti-aliased solid shapes painted straight into an ARGB32 picture: the
// parts of the strip's picture that change at every call. Plain loops over
// the pixels they touch, with no allocation and no state, where Cairo's
// path filling and stroking take heap memory at every call.
//
// Coordinates are in pixels from the picture's top left corner; pixel (x, y)
// covers [x, x + 1) x [y, y + 1). A shape's coverage of a pixel (0 .. 1)
// scales its colour's alpha, which is laid over the pixel the way Cairo's
// OVER operator does. Whatever falls outside the picture is dropped, so a
// picture of fewer rows over the same data clips. Pixels whose coverage is
// not a number (a shape with a non-finite coordinate) are left alone.
//
// Threads: [any], on a picture no other thread touches meanwhile.

// A picture in Cairo's ARGB32 layout: 32-bit pixels, native endian, alpha
// premultiplied, rows stride bytes apart.
struct StripPicture {
    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Straight (not premultiplied) components, 0 .. 1.
struct PaintColour {
    double r = 0.0, g = 0.0, b = 0.0;
    double alpha = 1.0;
};

struct PaintPoint {
    double x = 0.0, y = 0.0;
};

// Fills [left, right) x [top, bottom); pixels the edges cross, in part.
void PaintRectangle(const StripPicture& picture, double left, double top, double right,
                    double bottom, const PaintColour& colour);

// A graph is count points with x never decreasing, joined by straight lines.

// Fills the area between the graph and the horizontal line at row, from the
// first point's x to the last's. Nothing for fewer than two points.
void PaintAreaToRow(const StripPicture& picture, const PaintPoint* points, int count, double row,
                    const PaintColour& colour);

// Strokes the graph with a line width pixels wide (at least 1), round at its
// joins and ends; every pixel is painted once, however many segments pass
// near it. Nothing for fewer than two points.
void PaintGraphLine(const StripPicture& picture, const PaintPoint* points, int count, double width,
                    const PaintColour& colour);
