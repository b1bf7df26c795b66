#include "editor/platform/x11_connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

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
    static bool Count(Display* display, unsigned long serial);
};

namespace {

std::mutex gOpenLock;
X11Connection* gOpen = nullptr;

// The handlers ours replaced, oldest first: ours passes the errors of other
// connections to the newest. A host handler installed over ours may pass
// errors back to ours (its "previous"); each such nested call goes one step
// further down, so a chain through the host's handler never loops. Locked:
// scopes change it on the UI thread while the handler may read it anywhere.
std::mutex gChainLock;
constexpr int kMaxChain = 16;
XErrorHandler gChain[kMaxChain] = {};
int gChainSize = 0;
// The handler the last scope put back: another thread may have entered ours
// just before, and finds the chain without it.
XErrorHandler gPutBack = nullptr;
thread_local int tPassedOn = 0;

int OnXError(Display* display, XErrorEvent* error) {
    // Errors on our connections are counted and survived (Xlib's default
    // would end the host).
    if (X11ErrorRouting::Count(display, error->serial)) return 0;
    XErrorHandler next = nullptr;
    {
        const std::lock_guard lock(gChainLock);
        const int index = gChainSize - 1 - tPassedOn;
        if (index >= 0) {
            next = gChain[index];
        } else if (tPassedOn == 0) {
            next = gPutBack;
        }
    }
    if (next == nullptr) return 0;
    ++tPassedOn;
    const int result = next(display, error);
    --tPassedOn;
    return result;
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

bool X11ErrorRouting::Count(Display* display, unsigned long serial) {
    const std::lock_guard lock(gOpenLock);
    for (X11Connection* c = gOpen; c != nullptr; c = c->mNextOpen) {
        if (c->mDisplay == display) {
            c->mErrors.fetch_add(1, std::memory_order_relaxed);
            if (serial > c->mLastErrorSerial.load(std::memory_order_relaxed)) {
                c->mLastErrorSerial.store(serial, std::memory_order_relaxed);
            }
            return true;
        }
    }
    return false;
}

X11Connection::ErrorScope::ErrorScope() {
    const std::lock_guard lock(gChainLock);
    const XErrorHandler before = XSetErrorHandler(OnXError);
    if (before == OnXError) return;
    // A handler already in the chain was put back by its owner: the ones
    // above it are gone.
    int size = gChainSize;
    for (int i = 0; i < gChainSize; ++i) {
        if (gChain[i] == before) size = i;
    }
    if (size == kMaxChain) {
        // Beyond any real nesting: leave the host's handler as it is.
        XSetErrorHandler(before);
        return;
    }
    gChain[size] = before;
    gChainSize = size + 1;
    mReplaced = size;
}

X11Connection::ErrorScope::~ErrorScope() {
    if (mReplaced < 0) return;
    const std::lock_guard lock(gChainLock);
    const XErrorHandler current = XSetErrorHandler(gChain[mReplaced]);
    if (current != OnXError) {
        // Installed inside our call by the host: it stays, and so does its
        // way down the chain.
        XSetErrorHandler(current);
        return;
    }
    gPutBack = gChain[mReplaced];
    gChainSize = mReplaced;
}

X11Connection::~X11Connection() {
    // Still open only when a window was never closed: its display stays, but
    // the handler must not count on a connection that is gone.
    if (mDisplay != nullptr) X11ErrorRouting::Remove(*this);
}

_XDisplay* X11Connection::Acquire() {
    ErrorScope errors;
    if (mUsers == 0) {
        // A busy server refuses connections for a moment (a full listen
        // queue): a few more tries after a pause, whatever errno says (Xlib
        // does not always set it). Without a display name nothing can come.
        const char* name = XDisplayName(nullptr);
        const bool named = name != nullptr && name[0] != '\0';
        Display* display = XOpenDisplay(nullptr);
        for (int attempt = 1; attempt < 4 && display == nullptr && named; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            display = XOpenDisplay(nullptr);
        }
        if (display == nullptr) return nullptr;
        mDisplay = display;
        mLastErrorSerial.store(0, std::memory_order_relaxed);
        X11ErrorRouting::Add(*this);
        XSelectInput(mDisplay, DefaultRootWindow(mDisplay), PropertyChangeMask);
        int event = 0;
        int error = 0;
        if (!XQueryExtension(mDisplay, "XInputExtension", &mXInputOpcode, &event, &error)) {
            mXInputOpcode = -1;
        }
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

unsigned long X11Connection::NextRequestSerial() const {
    return mDisplay != nullptr ? NextRequest(mDisplay) : 0;
}

bool X11Connection::RequestsFailedSince(unsigned long firstSerial) {
    if (mDisplay == nullptr) return true;
    ErrorScope errors;
    XSync(mDisplay, False);
    return mLastErrorSerial.load(std::memory_order_relaxed) >= firstSerial;
}

void X11Connection::Register(unsigned long window, X11EventTarget target) {
    mTargets[window] = std::move(target);
}

void X11Connection::Unregister(unsigned long window) {
    mTargets.erase(window);
}

namespace {

// Hands event to window's target. The handler is copied first: the target may
// unregister itself while it runs (its window destroyed).
void Deliver(const std::unordered_map<unsigned long, X11EventTarget>& targets, unsigned long window,
             XEvent& event) {
    const auto found = targets.find(window);
    if (found == targets.end()) return;
    const std::function<void(XEvent&)> handler = found->second.onEvent;
    handler(event);
}

}  // namespace

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
            // Touch: the window is inside XInput's data. Another extension's
            // event types may have the same numbers.
            if (event.xcookie.extension != mXInputOpcode || mXInputOpcode < 0 ||
                !XGetEventData(mDisplay, &event.xcookie)) {
                continue;
            }
            const auto* device = static_cast<const XIDeviceEvent*>(event.xcookie.data);
            const int kind = event.xcookie.evtype;
            if (kind == XI_TouchBegin || kind == XI_TouchUpdate || kind == XI_TouchEnd) {
                Deliver(mTargets, device->event, event);
            }
            if (mDisplay != nullptr) XFreeEventData(mDisplay, &event.xcookie);
            continue;
        }
        if (event.type == PropertyNotify && event.xproperty.window == root) {
            if (event.xproperty.atom != resources) continue;
            // Copied: a window may close while hearing of it.
            const auto targets = mTargets;
            for (const auto& [window, target] : targets) {
                if (mTargets.count(window) != 0) target.onResourcesChanged();
            }
            continue;
        }
        Deliver(mTargets, event.xany.window, event);
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
