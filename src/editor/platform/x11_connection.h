#pragma once
// The editor's one X display connection per process, shared by every open
// editor window of every plug-in instance: opened by the first window, closed
// by the last. It reads the connection's events, where the host's run loop
// watches descriptors as soon as they arrive, and hands each to the window it
// belongs to; changes of the root window's resource database (screen scale)
// go to every window. X errors on this connection are counted, never fatal
// to the host.
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
// [ui] The last release closes the connection and stops watching it.
void ReleaseDisplay();
// [ui] Whether the run loop tells us when events arrive; without it every
// frame tick reads them.
bool EventsWatched();

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

}  // namespace x11
