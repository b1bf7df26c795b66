#pragma once
// The editor's one X display connection per process, shared by every open
// editor window of every plug-in instance: opened by the first window, closed
// by the last. It reads the connection's events when a window asks (as they
// arrive, where the window's run loop watches the descriptor, and at its
// ticks) and hands each to the window it belongs to; changes of the root
// window's resource database (screen scale) go to every window. X errors on this connection are
// counted, never fatal to the host: every use of the connection happens inside an ErrorScope.
//
// The connection closes with the last editor: the host may unload the module
// once its editors are closed, and an idle connection would keep a descriptor,
// a server client and the GL driver's per-display state in the host after it.
//
// Xlib's types stay out of this header: the display and the event are the
// opaque structures behind Xlib's Display and XEvent.
//
// Threads: [ui] throughout (the host's main thread).
#include <string>

struct _XDisplay;
union _XEvent;

class X11EventTarget {
public:
    virtual ~X11EventTarget() = default;
    // [ui] An event for the target's window.
    virtual void HandleXEvent(_XEvent& event) = 0;
    // [ui] The root window's resource database changed.
    virtual void OnResourcesChanged() = 0;
};

namespace x11 {

// [ui] The shared connection, opened on the first call; null (nothing
// counted) when no display can be opened. Each non-null result is matched by
// one ReleaseDisplay.
_XDisplay* AcquireDisplay();
// [ui] The last release closes the connection.
void ReleaseDisplay();

// [ui] Routes the events of window to target until Unregister.
void RegisterWindow(unsigned long window, X11EventTarget* target);
// [ui]
void UnregisterWindow(unsigned long window);
// [ui] Dispatches every event waiting: those Xlib has queued already and,
// with readConnection, those still on the connection.
void DispatchPendingEvents(bool readConnection);

// [ui] The root window's RESOURCE_MANAGER text; empty when unset.
std::string ReadRootResources(_XDisplay* display);

// [any] X errors seen on the shared connection since the process started.
int ErrorCount();

// Xlib's error handler is one per process and toolkits replace it when they
// like. While a scope is alive (they nest) ours is installed: it counts the
// errors of the shared connection and passes those of other connections to
// the handler that was installed before. Errors of the shared connection are
// read only inside our own calls, so they never reach a handler that may end
// the host, and no handler of ours stays behind once the scope ends.
class ErrorScope {
public:
    // [ui]
    ErrorScope();
    // [ui] Puts the previous handler back unless someone replaced ours.
    ~ErrorScope();
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;
};

}  // namespace x11
