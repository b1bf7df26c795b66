#pragma once
// The X test fixtures' own display connection.
//
// Threads: [main] (the test's thread).
#include <X11/Xlib.h>
#include <unistd.h>

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
