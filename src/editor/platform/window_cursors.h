#pragma once
// The X cursors of one editor window: each shape's cursor from the cursor
// font, made on first use, and an invisible one for locked knob drags.
//
// Platform-internal: includes Xlib, so it comes after every editor header.
//
// Threads: [ui].
#include <X11/Xlib.h>

#include <unordered_map>

class WindowCursors {
public:
    // [ui] Makes the invisible cursor for window.
    WindowCursors(Display* display, Window window);
    // [ui] Frees every cursor made.
    ~WindowCursors();
    WindowCursors(const WindowCursors&) = delete;
    WindowCursors& operator=(const WindowCursors&) = delete;

    // [ui] The cursor of shape (a PointerShape; the arrow for unknown ones).
    Cursor Shape(int shape);
    // [ui]
    Cursor Invisible() const { return mInvisible; }

private:
    Display* mDisplay;
    Cursor mInvisible = 0;
    std::unordered_map<int, Cursor> mShapes;
};
