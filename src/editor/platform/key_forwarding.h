#pragma once
// Keys the editor does not use go on to the host's top-level window, where
// its shortcuts listen, as the event X delivered to the editor.
//
// Platform-internal: includes Xlib, so it comes after every editor header.
//
// Threads: [ui].
#include <X11/Xlib.h>

// [ui] Re-sends event (a press when down, else a release) to the top-level
// window above parent; nothing for an editor that is a top-level window itself
// (parent is the root).
void ForwardKeyToHost(Display* display, Window parent, const XKeyEvent& event, bool down);
