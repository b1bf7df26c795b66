#pragma once
// The X test fixtures' own display connection, and the one XTest driver
// every test plays the pointer and keyboard with.
//
// Includes Xlib: comes after every editor header (its macros would break
// their names).
//
// Threads: [main] (the test's thread).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <functional>

// [main] A connection to $DISPLAY, or null when none answers. Xvfb refuses
// quick reconnections for a moment now and then, so it tries for 200 ms.
inline Display* OpenTestDisplay() {
    Display* display = nullptr;
    for (int attempt = 0; attempt < 20 && display == nullptr; ++attempt) {
        display = XOpenDisplay(nullptr);
        if (display == nullptr) usleep(10000);
    }
    return display;
}

// A pointer and keyboard played through XTest on the test's connection, in
// root coordinates. Each event reaches the server (a round trip), then the
// driver waits for the clients to see it: a test of an editor in its own
// process pumps its run loop there, a test of another process sleeps.
struct XTestWaitsMs {
    int motion = 25;
    int button = 25;
    int key = 25;
};

class XTestInput {
public:
    using Wait = std::function<void(int ms)>;

    // [main] display: the test's own connection, kept open by the test.
    XTestInput(Display* display, Wait wait, XTestWaitsMs waits = {})
        : mDisplay(display), mWait(std::move(wait)), mWaits(waits) {}

    // [main]
    void MoveTo(int rootX, int rootY) {
        XTestFakeMotionEvent(mDisplay, -1, rootX, rootY, CurrentTime);
        Settle(mWaits.motion);
    }
    // [main] A relative motion, as a mouse reports it.
    void MoveBy(int dx, int dy) {
        XTestFakeRelativeMotionEvent(mDisplay, dx, dy, CurrentTime);
        Settle(mWaits.motion);
    }
    // [main]
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(mDisplay, button, down ? True : False, CurrentTime);
        Settle(mWaits.button);
    }
    // [main]
    void Click(unsigned button = 1) {
        Button(button, true);
        Button(button, false);
    }
    // [main] count clicks whose events reach the server back to back, so
    // their times are as close as the server makes them whatever the pace of
    // the test (two: a double click).
    void Clicks(int count, unsigned button = 1) {
        for (int i = 0; i < count; ++i) {
            XTestFakeButtonEvent(mDisplay, button, True, CurrentTime);
            XTestFakeButtonEvent(mDisplay, button, False, CurrentTime);
        }
        Settle(mWaits.button);
    }
    // [main]
    void Key(KeySym keysym, bool down) {
        XTestFakeKeyEvent(mDisplay, XKeysymToKeycode(mDisplay, keysym), down ? True : False,
                          CurrentTime);
        Settle(mWaits.key);
    }

private:
    void Settle(int ms) {
        XSync(mDisplay, False);
        mWait(ms);
    }

    Display* mDisplay;
    Wait mWait;
    XTestWaitsMs mWaits;
};
