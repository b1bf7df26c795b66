#pragma once
// The editor-window handle: how a format adapter (LV2 UI, HPI, CLAP, VST3,
// the standalone) puts its plug-in's editor on screen. The adapter owns one
// handle per editor delegate and opens it with its own settings; nothing of
// one instance's window is kept process-wide, and no adapter sees the window,
// its canvas or Xlib.
//
//   adapter --owns--> EditorWindow --owns--> X11 window --owns--> canvas (GL)
//                          |                      |
//                          +-- delegate's scene <-+  (the delegate makes it)
//
// The loop: an open editor needs two things done on the UI thread, a frame
// tick every TickPeriodMs and a read of its X connection whenever the
// connection's descriptor is readable. Either give settings.loop (the window
// then adds a timer and a readable watch to it: a ManualRunLoop pumped from
// LV2 idle calls, the run loop of hpi-host or of a JACK standalone), or give
// none and call Tick and ConnectionReadable from the host's own timer and
// descriptor callbacks (CLAP timer-support and posix-fd-support, VST3's
// IRunLoop), with the descriptor from ConnectionFd. Tick reads the
// connection as well, so a host that offers timers only still works.
//
// Sizes: the editor's pixel size changes when the user drags the corner or
// double-clicks it home, when the plug-in's stored size or the screen scale
// arrives. Each new size is offered to the host (settings.askHostSize, else
// the delegate's NegotiateEditorSize); a host that refuses, or cannot be
// asked, gets its windows around the editor resized by the window itself.
// The host's own resize comes in through HostResize; a size the host echoes
// back is no change. An embedder that holds our window at its own size keeps
// it (the window is put back once, never again for the same size).
//
// Threads: [ui] throughout: the thread that runs the host's UI and the loop
// (or calls Tick and ConnectionReadable).
#include <functional>
#include <memory>
#include <string>

class GraphicsEditorDelegate;
class RunLoop;
class X11Connection;

// How an adapter wants its editor's window. Copied at Open.
struct EditorWindowSettings {
    // The host's X window (a Window id in a void*); null: the editor's own
    // top-level window.
    void* parent = nullptr;
    // Where the frame tick and the connection's watch live (it outlives the
    // opening); null: the host calls Tick and ConnectionReadable itself.
    RunLoop* loop = nullptr;
    // The display connection (it outlives the opening); null: the one every
    // editor of the process shares.
    X11Connection* connection = nullptr;
    // The host's screen scale (its own HiDPI factor), over Xft.dpi; 0: Xft.dpi.
    float hostScale = 0.0f;
    // The own window's name for the window manager (UTF-8): the host's title
    // for it, else the plug-in's name (so several editors can be told
    // apart); empty: "Editor".
    std::string title;
    // false: an own top-level window stays unmapped until Show (hosts that
    // show and hide the editor's window themselves).
    bool showAtOpen = true;
    // true: the window takes no focus on a click and hears no keys, so X
    // passes them to the host's windows (hosts whose toolkit reads its
    // keyboard its own way); the editor then gets no keys.
    bool leaveKeysToHost = false;
    // Asks the host to make its window width x height pixels (LV2 ui:resize,
    // CLAP request_resize, VST3 resizeView); true when the host took it.
    // Null: the delegate's NegotiateEditorSize.
    std::function<bool(int width, int height)> askHostSize;
};

class EditorWindow {
public:
    // [ui] A closed handle for delegate's editor (the delegate outlives it).
    explicit EditorWindow(GraphicsEditorDelegate& delegate);
    // [ui] Closes the editor when open.
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // [ui] Opens the delegate's editor with settings (reopening in place
    // when open): the editor's X window id in a void*, or null when there is
    // no display, no suitable GL configuration, or the parent is no window.
    void* Open(const EditorWindowSettings& settings);
    // [ui] Closes the editor (the delegate remembers its size). Nothing
    // while closed.
    void Close();
    // [ui]
    bool IsOpen() const;
    // [ui] The editor's X window id; 0 while closed.
    unsigned long NativeWindow() const;

    // ---- The host's loop (for a null settings.loop) -------------------------
    // [ui] The X connection's descriptor to watch for reading; -1 while closed.
    int ConnectionFd() const;
    // [ui] The frame tick's period.
    int TickPeriodMs() const;
    // [ui] One frame: reads the connection, follows the screen scale, draws
    // what changed. Nothing while closed.
    void Tick();
    // [ui] The connection's descriptor is readable: dispatches its events.
    void ConnectionReadable();

    // ---- While open ---------------------------------------------------------
    // [ui] Maps or unmaps the window (an own one is placed by the window
    // manager).
    void ShowWindow();
    void HideWindow();
    // [ui] True once the window manager asked to close the own top-level
    // window; it is hidden then, and the adapter decides when to close.
    // ShowWindow clears it.
    bool CloseRequested() const;
    // [ui] Settings that change while open (and hold at later openings).
    void SetTitle(const std::string& title);
    void SetHostScale(float scale);
    void LeaveKeysToHost();
    // [ui] The host resized its window to width x height pixels: the editor
    // takes the draw scale that fits, keeping its aspect ratio. False for a
    // size that is not positive or a closed editor.
    bool HostResize(int width, int height);
    // [ui] The editor's pixel size; 0 x 0 while closed.
    int PixelWidth() const;
    int PixelHeight() const;

    // ---- Counters, for tests and tracing ------------------------------------
    // [ui] Frames drawn (buffers swapped) since opening.
    int FramesDrawn() const;
    // [ui] Times the editor's GL context was made current since opening.
    int ContextSwitches() const;
    // [ui] Editor windows open in the process.
    static int OpenCount();

private:
    class Binding;

    GraphicsEditorDelegate& mDelegate;
    EditorWindowSettings mSettings;
    std::unique_ptr<Binding> mBinding;
    bool mOpen = false;
};
