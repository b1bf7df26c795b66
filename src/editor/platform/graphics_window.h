#pragma once
// The editor's X11 window: a child window ("Editor", class "EditorWndClass")
// inside the window the host gives the plug-in (or a top-level window of its
// own), with a GLX context (RGBA 8-bit, depth 24, stencil 8, double-buffered,
// OpenGL 2 with frame buffer objects) and the GL canvas drawing on it. It
// shows one scene at a time: it turns X events into the scene's pointer and
// key calls, draws the dirty regions at every frame tick, follows the screen
// scale (the host's, or Xft.dpi / 96), shows and hides the pointer for knob
// drags, and settles its size with the host (editor/size_negotiation.h).
//
// It belongs to the editor-window handle (editor_window.h), which is all an
// adapter sees of it. The parts live beside this file, one concern each: the
// GLX configuration and context (glx_setup), the context scope
// (gl_context_scope), X events (graphics_window_events), input
// (x_event_translation), cursors (window_cursors), the screen scale
// (screen_scale_follower), the host's windows (host_window_sizing) and keys
// for the host (key_forwarding).
//
// Threads: [ui] throughout (the thread that runs the host's UI).
#include <memory>
#include <string>

#include "editor/drawing/gl/gl_canvas.h"
#include "editor/scene_window.h"
#include "editor/size_negotiation.h"

class Graphics;
class RunLoop;
class X11Connection;

class GraphicsWindow final : public SceneWindow, public SizeNegotiation::WindowSide {
public:
    // [ui] connection and host outlive the window.
    GraphicsWindow(X11Connection& connection, SizeNegotiation::HostSide& host);
    // [ui] Closes the window when still open.
    ~GraphicsWindow() override;
    GraphicsWindow(const GraphicsWindow&) = delete;
    GraphicsWindow& operator=(const GraphicsWindow&) = delete;

    // [ui] Editor windows open in the process.
    static int OpenWindowCount();

    // [ui] Shows scene in a window inside the X window parent (a top-level
    // window when parent is 0) at the whole part of the screen scale (the
    // first tick corrects it to the exact factor), reopening in place when
    // already open. loop: where the tick and the connection's watch go (null:
    // the owner calls OnDisplayTick and ConnectionReadable). False when there
    // is no display, no suitable GL configuration, or parent is not a window.
    bool Open(Graphics& scene, unsigned long parent, RunLoop* loop);
    // [ui] Stops the tick, closes the scene, releases the canvas, the GL
    // context and the window.
    void Close();
    // [ui]
    bool IsOpen() const { return mNative != nullptr; }

    // [ui] One frame: reads waiting events, follows a changed screen scale
    // unless a button is held, and draws the dirty and exposed regions.
    void OnDisplayTick();
    // [ui] The connection is readable: dispatches its events.
    void ConnectionReadable();
    // [ui] The connection's descriptor; -1 while closed.
    int ConnectionFd() const;

    // ---- Settings: now and at every later opening
    // [ui] The keyboard goes to the host (see EditorWindowSettings).
    void LeaveKeysToHost();
    // [ui] false: a top-level window stays unmapped until Show.
    void SetShowAtOpen(bool show) { mShowAtOpen = show; }
    // [ui] The window's name for the window manager (UTF-8).
    void SetTitle(const std::string& title);
    // [ui] The host's screen scale over Xft.dpi, held within
    // kMinScreenScale..kMaxScreenScale; 0 (or anything not positive and
    // finite): Xft.dpi. An open window takes it at the next tick that is not
    // in a drag.
    void SetHostScreenScale(float scale);

    // ---- While open
    // [ui] True once the window manager asked to close the own top-level
    // window; it is hidden then. ShowWindow clears it.
    bool CloseRequested() const;
    // [ui]
    void ShowWindow();
    // [ui]
    void HideWindow();
    // [ui] See SizeNegotiation::HostResize; false while closed.
    bool HostResize(int width, int height);
    // [ui] The editor's X window id; 0 while closed.
    unsigned long NativeWindow() const;
    // [ui] Frames drawn (buffers swapped) since opening.
    int FramesDrawn() const { return mFramesDrawn; }
    // [ui] Times the editor's GL context was made current since opening.
    int ContextSwitches() const { return mContextSwitches; }

    // ---- SceneWindow
    // [ui] The screen scale read at the last opening or tick.
    float ScreenScale() const override { return mScreenScaleRead; }
    // [ui] True when a direct-touch device exists (XInput 2).
    bool SupportsMultiTouch() const override;
    // [ui]
    void SceneResized(bool hostSized) override;
    // [ui]
    void SetPointerShape(int shape) override;
    // [ui]
    void ShowPointer(bool visible) override;
    // [ui]
    void MovePointer(float x, float y) override;

private:
    struct Native;
    friend struct Native;

    void ResizeWindow(int width, int height, bool withHost) override;
    bool CreateNativeWindow(unsigned long parent, int x, int y, int width, int height);
    void DestroyNativeWindow();
    void FollowScreenScale();
    void StopTicking();
    void StoreTitle();

    X11Connection& mConnection;
    SizeNegotiation::HostSide& mHost;
    GLCanvas mCanvas;
    Graphics* mScene = nullptr;
    std::unique_ptr<SizeNegotiation> mSizes;
    std::unique_ptr<Native> mNative;
    float mScreenScaleRead = 1.0f;
    float mHostScreenScale = 0.0f;
    bool mShowAtOpen = true;
    std::string mTitle;
    bool mLeaveKeysToHost = false;
    int mFramesDrawn = 0;
    int mContextSwitches = 0;
    BoundsList mRegions;
};
