#pragma once
// An X display connection for the editor's windows: opened by the first
// window that acquires it, closed by the last. It reads the connection's
// events when a window asks (as they arrive, where the window's run loop
// watches the descriptor, and at its ticks) and hands each to the window it
// belongs to; changes of the root window's resource database (screen scale)
// go to every window. X errors on the connection are counted, never fatal to
// the host: every use of the connection happens inside an ErrorScope.
//
// The product's editors all use the one shared connection of the process
// (SharedX11Connection), whatever plug-in instance they belong to.
//
// The connection closes with the last window: the host may unload the module
// once its editors are closed, and an idle connection would keep a descriptor,
// a server client and the GL driver's per-display state in the host after it.
//
// Xlib's types stay out of this header: the display and the event are the
// opaque structures behind Xlib's Display and XEvent.
//
// Threads: [ui] throughout (the host's main thread), except ErrorCount. The
// error handler itself runs on whichever thread an error surfaces.
#include <atomic>
#include <functional>
#include <string>
#include <unordered_map>

struct _XDisplay;
union _XEvent;

// What a window registered on the connection hears of it.
struct X11EventTarget {
    // [ui] An event for the target's window.
    std::function<void(_XEvent& event)> onEvent;
    // [ui] The root window's resource database changed.
    std::function<void()> onResourcesChanged;
};

class X11Connection {
public:
    // [ui] Closed until the first Acquire.
    X11Connection() = default;
    // [ui] Every Acquire is released before.
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // [ui] The display, opened on the first call; null (nothing counted) when
    // no display can be opened. Each non-null result is matched by one Release.
    _XDisplay* Acquire();
    // [ui] The last release closes the connection.
    void Release();
    // [ui] The open display; null while closed.
    _XDisplay* Handle() const { return mDisplay; }

    // [ui] Routes the events of window to target until Unregister.
    void Register(unsigned long window, X11EventTarget target);
    // [ui]
    void Unregister(unsigned long window);
    // [ui] Dispatches every event waiting: those Xlib has queued already and,
    // with readConnection, those still on the connection.
    void DispatchPendingEvents(bool readConnection);

    // [any] X errors seen on this connection since it was made.
    int ErrorCount() const { return mErrors.load(std::memory_order_relaxed); }

    // An error is blamed on the request that caused it, by its serial: a
    // check notes the serial of the next request, makes its requests, and
    // asks whether any of them failed. Errors of earlier requests (another
    // editor's, still on their way from the server) do not count.
    // [ui] The serial the next request on the open connection will have.
    unsigned long NextRequestSerial() const;
    // [ui] Waits until the server has handled every request made so far;
    // whether any from firstSerial on failed (true when closed).
    bool RequestsFailedSince(unsigned long firstSerial);

    // Xlib's error handler is one per process and toolkits replace it when
    // they like. While a scope is alive (they nest) ours is installed: it
    // counts the errors of every open X11Connection on that connection and
    // passes those of other connections on to the handler it replaced.
    // Errors of our connections are read only inside our own calls, so they
    // never reach a handler that may end the host. A scope that finds ours
    // replaced by someone else's (a host installing its own inside one of
    // our callbacks) installs ours again for its lifetime and then gives the
    // host's back; the outermost puts back the handler it found unless the
    // host installed another meanwhile, which then stays.
    class ErrorScope {
    public:
        // [ui]
        ErrorScope();
        // [ui]
        ~ErrorScope();
        ErrorScope(const ErrorScope&) = delete;
        ErrorScope& operator=(const ErrorScope&) = delete;

    private:
        // Where the handler this scope replaced sits in the chain; -1 when
        // ours was installed already.
        int mReplaced = -1;
    };

private:
    friend struct X11ErrorRouting;

    _XDisplay* mDisplay = nullptr;
    int mUsers = 0;
    std::unordered_map<unsigned long, X11EventTarget> mTargets;
    std::atomic<int> mErrors{0};
    // The largest serial of a failed request (errors arrive in order).
    std::atomic<unsigned long> mLastErrorSerial{0};
    // XInput's major opcode on the display; -1 without the extension.
    int mXInputOpcode = -1;
    // The next open connection, for the error handler.
    X11Connection* mNextOpen = nullptr;
};

// [ui] The connection every editor window of the process shares.
X11Connection& SharedX11Connection();

namespace x11 {

// [ui] The root window's RESOURCE_MANAGER text; empty when unset.
std::string ReadRootResources(_XDisplay* display);

}  // namespace x11
