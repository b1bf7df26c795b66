#pragma once
// The X display as a test user sees it: windows found by name and class,
// what the screen shows inside them, and a pointer and keyboard played
// through XTest. Xlib stays inside the .cpp (its macros break other headers).
#include <string>
#include <vector>

#include "editor/picture_decoder.h"

struct _XDisplay;

class X11Desktop {
public:
    using WindowId = unsigned long;
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;  // in root coordinates
        bool operator==(const Rect&) const = default;
    };

    // [main] Connects to $DISPLAY; Connected() is false when none answers.
    X11Desktop();
    // [main]
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // [main]
    bool Connected() const { return mDisplay != nullptr; }

    // [main] A viewable top-level window with this WM_CLASS class and, when
    // name is not empty, this WM_NAME; 0 when there is none.
    WindowId FindTopLevel(const std::string& wmClass, const std::string& name = "");
    // [main] Every such window, bottom first.
    std::vector<WindowId> TopLevels(const std::string& wmClass, const std::string& name = "");
    // [main] A viewable window below `top` (at any depth) with this WM_NAME
    // and, when wmClass is not empty, this WM_CLASS class; 0 when none.
    WindowId FindInside(WindowId top, const std::string& name, const std::string& wmClass = "");
    // [main] Where the window lies on the screen; 0 x 0 when it is gone.
    Rect Geometry(WindowId window);
    // [main] What the screen shows in rect (rows top first, alpha 255); an
    // invalid picture when it does not lie on the screen.
    DecodedPicture Capture(const Rect& rect);

    // [main] Resizes a window as a window manager does for a user dragging
    // its frame.
    void Resize(WindowId window, int width, int height);
    // [main] Gives the window the keyboard focus, as a window manager gives
    // it to a window that opens (there is none on the test's display).
    void Focus(WindowId window);
    // [main] The pointer to a point of the screen, a button, a key, text
    // typed key by key (with Shift where the character needs it). Each waits
    // a little so the clients see the events in their own time.
    void MoveTo(int rootX, int rootY);
    // [main] The pointer to the screen's bottom right corner, away from the
    // windows the tests open at the top left (a hovered control looks
    // different).
    void ParkPointer();
    void Button(int button, bool down);
    void Key(const std::string& keysymName, bool down);
    void Type(const std::string& text);

private:
    _XDisplay* mDisplay = nullptr;
};

// [any] Writes an RGBA picture as PNG; false when it cannot.
bool WritePng(const DecodedPicture& picture, const std::string& path);
