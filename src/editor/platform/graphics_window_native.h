#pragma once
// Everything of Xlib and GLX that one open GraphicsWindow holds, and its X
// event handling (graphics_window_events.cpp).
//
// Platform-internal: includes Xlib, so it comes after every editor header.
//
// Threads: [ui].
#include <optional>

#include "core/run_loop.h"
#include "editor/platform/gl_context_scope.h"
#include "editor/platform/glx_setup.h"
#include "editor/platform/graphics_window.h"
#include "editor/platform/screen_scale_follower.h"
#include "editor/platform/window_cursors.h"
#include "editor/platform/x11_connection.h"
#include "editor/platform/x_event_translation.h"

struct GraphicsWindow::Native final : GLContextAccess {
    Native(GraphicsWindow& owner, Graphics& scene) : owner(owner), input(scene) {}

    // The window's context, for the canvas and the frames.
    bool Enter() override;
    void Leave() override;
    bool MakeStandIn();

    void HandleXEvent(XEvent& event);
    void Press(const XButtonEvent& event);
    void Exposed(const XExposeEvent& event);
    void WindowDestroyed();

    GraphicsWindow& owner;
    Display* display = nullptr;
    Window window = 0;
    // What the context draws to: the window, or a stand-in once the host
    // destroyed the window under us.
    Window drawable = 0;
    Visual* visual = nullptr;
    int depth = 0;
    Window parent = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
    std::optional<GLContextScope> contextScope;
    int contextDepth = 0;
    // Closing: a window the host destroyed unnoticed is replaced by the
    // stand-in, so the context can still delete its objects.
    bool closing = false;
    std::optional<WindowCursors> cursors;
    RunLoop* loop = nullptr;
    RunLoop::TimerId tick = 0;
    RunLoop::WatchId watch = 0;
    XInputTranslator input;
    ScreenScaleFollower scale;
    bool cursorHidden = false;
    // A top-level window's WM_DELETE_WINDOW, and whether the window manager sent it.
    Atom deleteWindow = 0;
    bool closeRequested = false;
    bool touchDevice = false;
    int xiOpcode = -1;
    BoundsList exposed;
};
