#include "editor/platform/x11_connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <unordered_map>

namespace {

struct Connection {
    Display* display = nullptr;
    int users = 0;
    std::unordered_map<unsigned long, X11EventTarget*> targets;
};

Connection& Shared() {
    static Connection connection;
    return connection;
}

std::atomic<int> gErrors{0};
int gScopeDepth = 0;
XErrorHandler gPreviousHandler = nullptr;

// Errors on our connection are counted and survived (Xlib's default would end
// the host); the host's own connections keep their handler.
int OnXError(Display* display, XErrorEvent* error) {
    if (display == Shared().display || gPreviousHandler == nullptr) {
        gErrors.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    return gPreviousHandler(display, error);
}

}  // namespace

namespace x11 {

ErrorScope::ErrorScope() {
    if (gScopeDepth++ == 0) gPreviousHandler = XSetErrorHandler(OnXError);
}

ErrorScope::~ErrorScope() {
    if (--gScopeDepth > 0) return;
    const XErrorHandler current = XSetErrorHandler(gPreviousHandler);
    if (current != OnXError) XSetErrorHandler(current);
    gPreviousHandler = nullptr;
}

_XDisplay* AcquireDisplay() {
    ErrorScope errors;
    Connection& c = Shared();
    if (c.users == 0) {
        // A busy server refuses connections for a moment (a full listen
        // queue): a few quick retries before giving up.
        for (int attempt = 0; attempt < 10 && c.display == nullptr; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            c.display = XOpenDisplay(nullptr);
            if (c.display == nullptr && errno != EAGAIN) break;
        }
        if (c.display == nullptr) return nullptr;
        XSelectInput(c.display, DefaultRootWindow(c.display), PropertyChangeMask);
    }
    ++c.users;
    return c.display;
}

void ReleaseDisplay() {
    ErrorScope errors;
    Connection& c = Shared();
    if (c.users == 0 || --c.users > 0) return;
    XSync(c.display, False);
    XCloseDisplay(c.display);
    c.display = nullptr;
    c.targets.clear();
}

void RegisterWindow(unsigned long window, X11EventTarget* target) {
    Shared().targets[window] = target;
}

void UnregisterWindow(unsigned long window) {
    Shared().targets.erase(window);
}

void DispatchPendingEvents(bool readConnection) {
    ErrorScope errors;
    Connection& c = Shared();
    if (c.display == nullptr) return;
    const Window root = DefaultRootWindow(c.display);
    const Atom resources = XA_RESOURCE_MANAGER;
    while (c.display != nullptr &&
           XEventsQueued(c.display, readConnection ? QueuedAfterReading : QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(c.display, &event);
        if (event.type == GenericEvent) {
            // Touch: the window is inside the extension's data.
            if (!XGetEventData(c.display, &event.xcookie)) continue;
            const auto* device = static_cast<const XIDeviceEvent*>(event.xcookie.data);
            const int kind = event.xcookie.evtype;
            if (kind == XI_TouchBegin || kind == XI_TouchUpdate || kind == XI_TouchEnd) {
                const auto found = c.targets.find(device->event);
                if (found != c.targets.end()) found->second->HandleXEvent(event);
            }
            if (c.display != nullptr) XFreeEventData(c.display, &event.xcookie);
            continue;
        }
        if (event.type == PropertyNotify && event.xproperty.window == root) {
            if (event.xproperty.atom != resources) continue;
            // Copied: a window may close while hearing of it.
            const auto targets = c.targets;
            for (const auto& [window, target] : targets) {
                if (c.targets.count(window) != 0) target->OnResourcesChanged();
            }
            continue;
        }
        const auto found = c.targets.find(event.xany.window);
        if (found != c.targets.end()) found->second->HandleXEvent(event);
    }
}

std::string ReadRootResources(_XDisplay* display) {
    ErrorScope errors;
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

int ErrorCount() {
    return gErrors.load(std::memory_order_relaxed);
}

}  // namespace x11
