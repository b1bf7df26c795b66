#include "editor/platform/key_forwarding.h"

#include "editor/platform/host_window_sizing.h"

void ForwardKeyToHost(Display* display, Window parent, const XKeyEvent& event, bool down) {
    if (parent == DefaultRootWindow(display)) return;
    const Window top = TopLevelOf(display, parent);
    XEvent forwarded;
    forwarded.xkey = event;
    forwarded.xkey.window = top;
    forwarded.xkey.subwindow = None;
    XSendEvent(display, top, True, down ? KeyPressMask : KeyReleaseMask, &forwarded);
    XFlush(display);
}
