#include "editor/platform/host_window_sizing.h"

#include <X11/Xutil.h>

#include <algorithm>

#include "editor/platform/screen_scale.h"

namespace {

Window ParentOf(Display* display, Window window, Window* root = nullptr) {
    Window rootWindow = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &rootWindow, &parent, &children, &count)) return 0;
    if (children != nullptr) XFree(children);
    if (root != nullptr) *root = rootWindow;
    return parent;
}

bool IsManagedTopLevel(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", True);
    if (wmState == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType, &type, &format,
                       &count, &remaining, &data);
    if (data != nullptr) XFree(data);
    return type != None;
}

}  // namespace

void SetSizeHints(Display* display, Window window, int width, int height) {
    XSizeHints hints{};
    hints.flags = PSize | PBaseSize;
    hints.width = hints.base_width = width;
    hints.height = hints.base_height = height;
    XSetWMNormalHints(display, window, &hints);
}

HostWindows HostWindowsOf(Display* display, Window parent) {
    HostWindows windows;
    if (parent == DefaultRootWindow(display)) return windows;
    windows.parent = parent;
    Window root = 0;
    const Window above = ParentOf(display, parent, &root);
    if (above != 0 && above != root && !IsManagedTopLevel(display, parent)) {
        windows.grandparent = above;
    }
    return windows;
}

void ResizeHostWindows(Display* display, const HostWindows& windows, int dW, int dH) {
    for (const Window w : {windows.parent, windows.grandparent}) {
        if (w == 0) continue;
        Window root = 0;
        int x = 0;
        int y = 0;
        unsigned width = 0;
        unsigned height = 0;
        unsigned border = 0;
        unsigned depth = 0;
        if (!XGetGeometry(display, w, &root, &x, &y, &width, &height, &border, &depth)) continue;
        XResizeWindow(
            display, w,
            static_cast<unsigned>(std::clamp(static_cast<int>(width) + dW, 1, kMaxWindowPixels)),
            static_cast<unsigned>(std::clamp(static_cast<int>(height) + dH, 1, kMaxWindowPixels)));
    }
}

Window TopLevelOf(Display* display, Window window) {
    Window current = window;
    for (int depth = 0; depth < 64; ++depth) {
        if (IsManagedTopLevel(display, current)) return current;
        Window root = 0;
        const Window parent = ParentOf(display, current, &root);
        if (parent == 0 || parent == root) return current;
        current = parent;
    }
    return current;
}
