#pragma once
// The editor on an X display: a child window ("Editor", class
// "EditorWndClass") inside the window the host gives the plug-in, with a GLX
// context (RGBA 8-bit, depth 24, stencil 8, double-buffered, OpenGL 2 with
// frame buffer objects) for the GL back end. It turns X events into the
// graphics' pointer and key calls, redraws the dirty regions at every frame
// tick, follows the screen scale (Xft.dpi / 96), hides and warps the cursor
// during knob drags, and resizes itself and, when the host has not, the
// host's windows.
//
// Native views are X Window ids carried in a void*: OpenWindow's parent is
// the host's window (null: none, the editor is a top-level window), its
// result the editor's own window (null on failure).
//
// The frame tick is a timer on the run loop the window is given (by default
// the process run loop at opening: the host's, installed by the host
// adapter); X events are read as they arrive where that loop watches
// descriptors, and at every tick in any case. The display connection
// (editor/platform/x11_connection.h) is given the same way (by default the
// one every editor of the process shares), opened by the first window on it
// and closed by the last.
//
// The parts live beside this file, one concern each: the GLX configuration
// and context (glx_setup), the context scope (gl_context_scope), input
// (x_event_translation), cursors (window_cursors), the screen scale
// (screen_scale_follower), the host's windows (host_window_sizing) and keys
// for the host (key_forwarding).
//
// Threads: [ui] throughout (the host's main thread, which pumps the run loop).
#include <cstdint>
#include <memory>
#include <string>

#include "editor/drawing/gl/graphics_gl.h"

class RunLoop;
class X11Connection;

class GraphicsWindow : public GraphicsGL {
public:
    // How a host adapter wants its editors' windows.
    struct Setup {
        // Where the frame tick and the connection's watch live (it outlives
        // the window's openings); null: the process run loop at opening.
        RunLoop* loop = nullptr;
        // The window's display connection (it outlives the window); null:
        // the shared one.
        X11Connection* connection = nullptr;
        // A top-level window (no parent) stays unmapped until Show, for
        // hosts that show and hide the editor's own window themselves.
        bool topLevelWaitsForShow = false;
        // The host's screen scale (see SetHostScreenScale); 0: Xft.dpi.
        float hostScreenScale = 0.0f;
    };

    // [ui] loop: where the frame tick and the connection's watch live (it
    // outlives the window's openings); null: the process run loop at opening.
    // connection: the window's display connection (it outlives the window);
    // null: the shared one.
    GraphicsWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps, float scale,
                   RunLoop* loop = nullptr, X11Connection* connection = nullptr);
    // [ui] Closes the window when still open.
    ~GraphicsWindow() override;

    // [main] Makes every editor the process opens from now on a GraphicsWindow
    // on loop (null: the process run loop at each opening) and connection
    // (null: the shared one).
    static void InstallAsPlatform(RunLoop* loop = nullptr, X11Connection* connection = nullptr);
    // [main] The same, with everything a host adapter may set.
    static void InstallAsPlatform(const Setup& setup);
    // [ui] The open editor of delegate, when it is a GraphicsWindow; else null.
    static GraphicsWindow* Of(const GraphicsEditorDelegate& delegate);
    // [ui] Editor windows open in the process.
    static int OpenWindowCount();
    // [any] X errors seen on the shared display connection.
    static int XErrorCount();

    // [ui] Creates the window inside the X window parent (a top-level window
    // when parent is null) at the whole part of the screen scale (the first
    // tick corrects it to the exact factor), reopening in place when already
    // open; null when there is no display, no suitable GL configuration, or
    // parent is not a window.
    void* OpenWindow(void* parent) override;
    // [ui] Stops the tick, removes the controls, releases the back end, the GL
    // context and the window.
    void CloseWindow() override;
    // [ui] The screen scale read at the last opening or tick.
    float ScreenScale() const override { return mScreenScaleRead; }
    // [ui] True when a direct-touch device exists (XInput 2).
    bool PlatformSupportsMultiTouch() const override;
    // [ui] Resizes the window to the pixel size; the parent and grandparent
    // follow by the same amount unless the host resized them already.
    void ResizePlatformWindow(bool parentResized) override;
    // [ui] Shows the X cursor of shape (hidden cursors stay hidden).
    void SetCursorShape(int shape) override;

    // [ui] One frame: reads waiting events, follows a changed screen scale
    // unless a button is held, and draws the dirty and exposed regions.
    void OnDisplayTick();
    // [ui] Leaves the keyboard to the host, now and at every later opening:
    // the window takes no focus on a click and hears no keys, so X passes
    // them on to the host's windows. For hosts whose toolkit reads its
    // keyboard its own way (GTK 3 ignores the key events the editor would
    // forward), at the cost of keys for the editor.
    void LeaveKeysToHost();
    // [ui] True once the window manager asked to close the editor's own
    // top-level window (opened without a parent); the window is hidden then,
    // and its owner decides when to close it. Show clears it.
    bool CloseRequested() const;
    // [ui] Maps and unmaps the open window (a top-level one is placed by the
    // window manager); nothing while closed.
    void Show();
    void Hide();
    // [ui] The window's name for the window manager (UTF-8), now and at every
    // later opening; empty: "Editor".
    void SetTitle(const std::string& title);
    // [ui] A screen scale the host gives (its own HiDPI factor), which wins
    // over Xft.dpi now and at every later opening, held within
    // kMinScreenScale..kMaxScreenScale; 0 (or anything not positive and
    // finite) follows Xft.dpi again. An open window takes it at the next
    // tick that is not in a drag.
    void SetHostScreenScale(float scale);
    // [ui] The editor's X window id; 0 while closed.
    unsigned long NativeWindow() const;
    // [ui] Frames drawn (buffers swapped) since opening.
    int FramesDrawn() const { return mFramesDrawn; }
    // [ui] Times the editor's GL context was made current since opening.
    int ContextSwitches() const { return mContextSwitches; }

protected:
    void ShowPlatformCursor(bool visible) override;
    void MovePlatformCursor(float x, float y) override;

private:
    struct Native;
    friend struct Native;

    bool CreateNativeWindow(unsigned long parent, int x, int y, int width, int height);
    void DestroyNativeWindow();
    void FollowScreenScale();
    void StopTicking();
    void StoreTitle();

    RunLoop* mLoop;
    X11Connection& mConnection;
    std::unique_ptr<Native> mNative;
    float mScreenScaleRead = 1.0f;
    float mHostScreenScale = 0.0f;
    bool mTopLevelWaitsForShow = false;
    std::string mTitle;
    bool mLeaveKeysToHost = false;
    int mFramesDrawn = 0;
    int mContextSwitches = 0;
    BoundsList mRegions;
};
