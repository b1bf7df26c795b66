#pragma once
// How the editor's pixel size is settled between the scene, the window that
// shows it and the host around that window, without any window system:
//
//   scene resized (corner drag, home double click, plug-in size, scale)
//       -> the host is asked for the new size unless it has it already
//       -> the window takes it; when the host neither took it nor made it,
//          the window resizes the host's windows around it as well
//   host resized its window
//       -> a size the scene has is an echo (no change); any other is
//          remembered as the host's and the scene takes the draw scale that
//          fits it (aspect ratio kept, within the scene's limits)
//   the embedder sized the window (a configure event)
//       -> the window is put back to the scene's size, up to kMaxPutBacks
//          times for the same size; imposed once more, that size is kept (an
//          embedder that holds its own size would otherwise bounce against
//          us forever)
//
// Units: pixels throughout.
//
// Threads: [ui] throughout.
class Graphics;
class GraphicsEditorDelegate;

class SizeNegotiation {
public:
    // The host's side.
    class HostSide {
    public:
        virtual ~HostSide() = default;
        // [ui] The editor is now width x height pixels. askHost: ask the host
        // to size its window so; else the host has that size already, or
        // made it. True when the host's window has (or will have) that size.
        virtual bool EditorSized(int width, int height, bool askHost) = 0;
    };
    // The window's side.
    class WindowSide {
    public:
        virtual ~WindowSide() = default;
        // [ui] The window takes width x height; withHost: the host's windows
        // around it grow or shrink by as much.
        virtual void ResizeWindow(int width, int height, bool withHost) = 0;
    };

    // [ui] All three outlive the negotiation.
    SizeNegotiation(Graphics& scene, HostSide& host, WindowSide& window);

    // [ui] The window was opened at width x height (before the scene's size
    // is known); the host knows no size of ours yet.
    void Opened(int width, int height);
    // [ui] The scene's pixel size changed; hostSized: the host's own resize
    // caused it.
    void SceneResized(bool hostSized);
    // [ui] The host's resize request. False for a size that is not positive.
    bool HostResize(int width, int height);
    // [ui] The window was sized to width x height from outside.
    void WindowConfigured(int width, int height);

    // [ui] The window's size as last set or accepted.
    int WindowWidth() const { return mWindowWidth; }
    // [ui]
    int WindowHeight() const { return mWindowHeight; }

private:
    Graphics& mScene;
    HostSide& mHost;
    WindowSide& mWindow;
    int mWindowWidth = 0;
    int mWindowHeight = 0;
    int mHostWidth = 0;  // the size the host's window has, as far as we know
    int mHostHeight = 0;
    static constexpr int kMaxPutBacks = 4;
    int mImposedWidth = 0;  // the last size imposed from outside that we undid
    int mImposedHeight = 0;
    int mPutBacks = 0;  // times that size was undone
};

// The host as the editor delegate reaches it: its NegotiateEditorSize (the
// plug-in framework's way to the host, which also keeps the size).
class DelegateHostSide : public SizeNegotiation::HostSide {
public:
    // [ui] delegate outlives it.
    explicit DelegateHostSide(GraphicsEditorDelegate& delegate) : mDelegate(delegate) {}
    // [ui]
    bool EditorSized(int width, int height, bool askHost) override;

private:
    GraphicsEditorDelegate& mDelegate;
};
