#pragma once
// The GLX side of the editor's window: the frame buffer configuration (RGBA
// 8-bit, depth 24, stencil 8, double-buffered, on a plain 24-bit visual where
// there is one), the OpenGL context, and swaps that never wait.
//
// Platform-internal: includes Xlib and GLX, so it comes after every editor
// header (Xlib's macros would break their names).
//
// Threads: [ui] (the host's main thread).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <epoxy/glx.h>

struct GlxWindowConfig {
    GLXFBConfig config = nullptr;
    XVisualInfo* visual = nullptr;  // the caller XFrees it
};

// [ui] The configuration for the editor's window; config null when the
// display has none.
GlxWindowConfig ChooseGlxWindowConfig(Display* display);

// [ui] A direct rendering context of config; null on failure.
GLXContext CreateGlxContext(Display* display, GLXFBConfig config);

// [ui] With the context current on drawable: swaps no longer wait for
// vertical blank, where the driver offers the choice.
void DisableSwapWait(Display* display, GLXDrawable drawable);
