#include "editor/platform/window_cursors.h"

#include "editor/platform/cursor_shapes.h"

WindowCursors::WindowCursors(Display* display, Window window) : mDisplay(display) {
    // An empty 1 x 1 bitmap.
    char empty = 0;
    const Pixmap blank = XCreateBitmapFromData(display, window, &empty, 1, 1);
    XColor black{};
    mInvisible = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
}

WindowCursors::~WindowCursors() {
    for (const auto& [shape, cursor] : mShapes) XFreeCursor(mDisplay, cursor);
    if (mInvisible != 0) XFreeCursor(mDisplay, mInvisible);
}

Cursor WindowCursors::Shape(int shape) {
    const auto found = mShapes.find(shape);
    if (found != mShapes.end()) return found->second;
    const Cursor cursor = XCreateFontCursor(mDisplay, CursorFontGlyph(shape));
    mShapes[shape] = cursor;
    return cursor;
}
