#include "editor/platform/x11_connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

// The open connections, for the process-wide error handler. Plain globals
// (never destroyed) so a connection may leave the list at any time, even
// during the process's static destruction; locked because the handler runs
// on whichever thread an error of any display surfaces.
struct X11ErrorRouting {
    static void Add(X11Connection& connection);
    static void Remove(X11Connection& connection);
    // Counts the error on the open connection of display; false when none.
    static bool Count(Display* display);
};

namespace {

std::mutex gOpenLock;
X11Connection* gOpen = nullptr;

int gScopeDepth = 0;
XErrorHandler gPreviousHandler = nullptr;

// Errors on our connections are counted and survived (Xlib's default would
// end the host); the host's own connections keep their handler.
int OnXError(Display* display, XErrorEvent* error) {
    if (X11ErrorRouting::Count(display) || gPreviousHandler == nullptr) return 0;
    return gPreviousHandler(display, error);
}

}  // namespace

void X11ErrorRouting::Add(X11Connection& connection) {
    const std::lock_guard lock(gOpenLock);
    connection.mNextOpen = gOpen;
    gOpen = &connection;
}

void X11ErrorRouting::Remove(X11Connection& connection) {
    const std::lock_guard lock(gOpenLock);
    for (X11Connection** link = &gOpen; *link != nullptr; link = &(*link)->mNextOpen) {
        if (*link == &connection) {
            *link = connection.mNextOpen;
            break;
        }
    }
    connection.mNextOpen = nullptr;
}

bool X11ErrorRouting::Count(Display* display) {
    const std::lock_guard lock(gOpenLock);
    for (X11Connection* c = gOpen; c != nullptr; c = c->mNextOpen) {
        if (c->mDisplay == display) {
            c->mErrors.fetch_add(1, std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}

X11Connection::ErrorScope::ErrorScope() {
    if (gScopeDepth++ == 0) gPreviousHandler = XSetErrorHandler(OnXError);
}

X11Connection::ErrorScope::~ErrorScope() {
    if (--gScopeDepth > 0) return;
    const XErrorHandler current = XSetErrorHandler(gPreviousHandler);
    if (current != OnXError) XSetErrorHandler(current);
    gPreviousHandler = nullptr;
}

X11Connection::~X11Connection() {
    // Still open only when a window was never closed: its display stays, but
    // the handler must not count on a connection that is gone.
    if (mDisplay != nullptr) X11ErrorRouting::Remove(*this);
}

_XDisplay* X11Connection::Acquire() {
    ErrorScope errors;
    if (mUsers == 0) {
        Display* display = nullptr;
        // A busy server refuses connections for a moment (a full listen
        // queue): a few quick retries before giving up.
        for (int attempt = 0; attempt < 10 && display == nullptr; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            display = XOpenDisplay(nullptr);
            if (display == nullptr && errno != EAGAIN) break;
        }
        if (display == nullptr) return nullptr;
        mDisplay = display;
        X11ErrorRouting::Add(*this);
        XSelectInput(mDisplay, DefaultRootWindow(mDisplay), PropertyChangeMask);
    }
    ++mUsers;
    return mDisplay;
}

void X11Connection::Release() {
    ErrorScope errors;
    if (mUsers == 0 || --mUsers > 0) return;
    XSync(mDisplay, False);
    XCloseDisplay(mDisplay);
    // Left only now: closing flushes, and its errors are ours too.
    X11ErrorRouting::Remove(*this);
    mDisplay = nullptr;
    mTargets.clear();
}

void X11Connection::Register(unsigned long window, X11EventTarget* target) {
    mTargets[window] = target;
}

void X11Connection::Unregister(unsigned long window) {
    mTargets.erase(window);
}

void X11Connection::DispatchPendingEvents(bool readConnection) {
    ErrorScope errors;
    if (mDisplay == nullptr) return;
    const Window root = DefaultRootWindow(mDisplay);
    const Atom resources = XA_RESOURCE_MANAGER;
    while (mDisplay != nullptr &&
           XEventsQueued(mDisplay, readConnection ? QueuedAfterReading : QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(mDisplay, &event);
        if (event.type == GenericEvent) {
            // Touch: the window is inside the extension's data.
            if (!XGetEventData(mDisplay, &event.xcookie)) continue;
            const auto* device = static_cast<const XIDeviceEvent*>(event.xcookie.data);
            const int kind = event.xcookie.evtype;
            if (kind == XI_TouchBegin || kind == XI_TouchUpdate || kind == XI_TouchEnd) {
                const auto found = mTargets.find(device->event);
                if (found != mTargets.end()) found->second->HandleXEvent(event);
            }
            if (mDisplay != nullptr) XFreeEventData(mDisplay, &event.xcookie);
            continue;
        }
        if (event.type == PropertyNotify && event.xproperty.window == root) {
            if (event.xproperty.atom != resources) continue;
            // Copied: a window may close while hearing of it.
            const auto targets = mTargets;
            for (const auto& [window, target] : targets) {
                if (mTargets.count(window) != 0) target->OnResourcesChanged();
            }
            continue;
        }
        const auto found = mTargets.find(event.xany.window);
        if (found != mTargets.end()) found->second->HandleXEvent(event);
    }
}

X11Connection& SharedX11Connection() {
    static X11Connection connection;
    return connection;
}

namespace x11 {

std::string ReadRootResources(_XDisplay* display) {
    X11Connection::ErrorScope errors;
    std::string text;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    // 1 MB at most: far more than any resource database holds.
    if (XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, 0, 1L << 18,
                           False, XA_STRING, &type, &format, &count, &remaining,
                           &data) != Success) {
        return text;
    }
    if (data != nullptr && type == XA_STRING && format == 8) {
        text.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return text;
}

}  // namespace x11
