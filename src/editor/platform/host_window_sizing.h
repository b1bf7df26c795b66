#pragma once
// The host's windows around the editor: the window's natural size for
// embedding toolkits, the host windows that follow the editor's size (the
// parent, and the grandparent when the parent is a panel inside the host
// rather than its top-level window), and the host's top-level window.
//
// Platform-internal: includes Xlib, so it comes after every editor header.
//
// Threads: [ui].
#include <X11/Xlib.h>

// [ui] The window's size as its normal hints: embedding toolkits read the
// natural size of a foreign child window there.
void SetSizeHints(Display* display, Window window, int width, int height);

// The host's windows that follow the editor's size; 0 where there is none.
struct HostWindows {
    Window parent = 0;
    Window grandparent = 0;
};

// [ui] The windows above an editor inside parent that follow its size (never
// the root window).
HostWindows HostWindowsOf(Display* display, Window parent);

// [ui] Grows (or shrinks) each of windows by dW x dH pixels, each side kept
// within what X takes.
void ResizeHostWindows(Display* display, const HostWindows& windows, int dW, int dH);

// [ui] The host's top-level window above window: the one the window manager
// manages, else the ancestor just below the root.
Window TopLevelOf(Display* display, Window window);
