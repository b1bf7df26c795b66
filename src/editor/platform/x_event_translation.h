#pragma once
// One editor window's X input as the graphics' pointer and key calls, in
// graphics units (window pixels over the total scale): presses (a second one
// near and soon after the first is a double click), releases, drags and
// hovering, wheel notches (button 4 away from the user, +1; 5, -1), touches
// and keys. Pointer motion is kept until FlushMotion, which the window calls
// once per frame tick and before any other event, so a drag writes at most
// one value per frame however fast the pointer moves, and the order of
// press, drag and release holds.
//
// Platform-internal: includes Xlib, so it comes after every editor header.
//
// Threads: [ui].
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <unordered_map>

#include "editor/graphics.h"
#include "editor/platform/double_click.h"

// [ui] Whether a direct-touch device exists (XInput 2.2); opcode: the
// extension's major opcode, for telling its events apart.
bool DirectTouchDeviceExists(Display* display, int* opcode);
// [ui] Asks for the touch events of window.
void SelectTouchEvents(Display* display, Window window);

class XInputTranslator {
public:
    // [ui]
    explicit XInputTranslator(Graphics& graphics) : mGraphics(graphics) {}

    // [any] Buttons that press and release (1 to 3); 4 and 5 are wheel notches.
    static bool IsPointerButton(unsigned button) { return button >= 1 && button <= 3; }

    // [ui]
    void Press(const XButtonEvent& event);
    // [ui]
    void Release(const XButtonEvent& event);
    // [ui] Keeps the latest motion for FlushMotion.
    void QueueMotion(const XMotionEvent& event);
    // [ui] Hands on the motion kept, as one drag or hover.
    void FlushMotion();
    // [ui] The pointer left the window.
    void Leave(const XCrossingEvent& event);
    // [ui] Whether the editor used the key (else it belongs to the host).
    bool Key(XKeyEvent& event, bool down);
    // [ui] A touch of a direct-touch device on the window.
    void Touch(const XIDeviceEvent& event);

    // [ui] The pointer is at (x, y) units now (a warp): its motion there is
    // no drag.
    void PointerAt(float x, float y);
    // [ui] Buttons held (bit n for button n).
    unsigned HeldButtons() const { return mHeldButtons; }
    // [ui] The window is gone: no button is held any more.
    void ForgetButtons() { mHeldButtons = 0; }

private:
    void Motion(const XMotionEvent& event);

    Graphics& mGraphics;
    DoubleClickDetector mClicks;
    unsigned mHeldButtons = 0;
    float mLastX = 0.0f;
    float mLastY = 0.0f;
    bool mMotionPending = false;
    XMotionEvent mPendingMotion{};
    std::unordered_map<int, MouseEvent> mTouches;
};
