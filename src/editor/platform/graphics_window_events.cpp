// The X events of one editor window, and its GL context's scope.
#include <cmath>

#include "editor/graphics.h"
#include "editor/platform/graphics_window_native.h"
#include "editor/platform/key_forwarding.h"

bool GraphicsWindow::Native::Enter() {
    if (contextDepth > 0) {
        ++contextDepth;
        return true;
    }
    contextScope.emplace(owner.mConnection, drawable, context);
    if (!contextScope->Current() && closing && drawable == window && MakeStandIn()) {
        contextScope.reset();
        contextScope.emplace(owner.mConnection, drawable, context);
    }
    if (!contextScope->Current()) {
        contextScope.reset();
        return false;
    }
    if (contextScope->Switched()) ++owner.mContextSwitches;
    contextDepth = 1;
    return true;
}

void GraphicsWindow::Native::Leave() {
    if (contextDepth == 0 || --contextDepth > 0) return;
    contextScope.reset();
}

// A hidden window of the context's visual to make it current on once the
// window is gone; false when it cannot be made.
bool GraphicsWindow::Native::MakeStandIn() {
    if (drawable != window && drawable != 0) return true;
    X11Connection::ErrorScope errors;
    const unsigned long firstSerial = owner.mConnection.NextRequestSerial();
    XSetWindowAttributes set{};
    set.colormap = colormap;
    set.border_pixel = 0;
    set.background_pixmap = None;
    const Window standIn =
        XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, depth, InputOutput,
                      visual, CWColormap | CWBorderPixel | CWBackPixmap, &set);
    if (owner.mConnection.RequestsFailedSince(firstSerial) || standIn == 0) return false;
    drawable = standIn;
    return true;
}

void GraphicsWindow::Native::HandleXEvent(XEvent& event) {
    if (event.type == MotionNotify) {
        input.QueueMotion(event.xmotion);
        return;
    }
    input.FlushMotion();
    switch (event.type) {
        case ButtonPress:
            Press(event.xbutton);
            break;
        case ButtonRelease:
            // X's own grab of the press ends with the last button.
            input.Release(event.xbutton);
            break;
        case LeaveNotify:
            input.Leave(event.xcrossing);
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) WindowDestroyed();
            break;
        case ConfigureNotify:
            if (event.xconfigure.window == window && owner.mSizes != nullptr) {
                owner.mSizes->WindowConfigured(event.xconfigure.width, event.xconfigure.height);
            }
            break;
        case KeyPress:
        case KeyRelease: {
            const bool down = event.type == KeyPress;
            // The host gets the keys the editor does not use (its shortcuts).
            if (!input.Key(event.xkey, down)) ForwardKeyToHost(display, parent, event.xkey, down);
            break;
        }
        case Expose:
            Exposed(event.xexpose);
            break;
        case ClientMessage:
            if (deleteWindow != 0 && event.xclient.format == 32 &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
                closeRequested = true;
                XUnmapWindow(display, window);
                XFlush(display);
            }
            break;
        case GenericEvent:
            if (event.xcookie.extension == xiOpcode && event.xcookie.data != nullptr) {
                const auto& touch = *static_cast<const XIDeviceEvent*>(event.xcookie.data);
                if (touch.event == window) input.Touch(touch);
            }
            break;
        default:
            break;
    }
}

void GraphicsWindow::Native::Press(const XButtonEvent& event) {
    if (XInputTranslator::IsPointerButton(event.button) && !owner.mLeaveKeysToHost) {
        XSetInputFocus(display, window, RevertToParent, event.time);
    }
    // The press itself grabs the pointer (X's implicit grab): held buttons
    // keep the pointer's events while it leaves the window.
    input.Press(event);
}

void GraphicsWindow::Native::Exposed(const XExposeEvent& e) {
    if (owner.mScene == nullptr) return;
    const float s = owner.mScene->TotalScale();
    exposed.push_back(Bounds{std::floor(static_cast<float>(e.x) / s),
                             std::floor(static_cast<float>(e.y) / s),
                             std::ceil(static_cast<float>(e.x + e.width) / s),
                             std::ceil(static_cast<float>(e.y + e.height) / s)});
}

// The host destroyed its window (and ours with it) before closing the
// editor: no more frames; the GL resources are released at close on an
// unmapped stand-in of the same visual.
void GraphicsWindow::Native::WindowDestroyed() {
    // The tick only: the watch may be running this very call.
    if (tick != 0) loop->RemoveTimer(tick);
    tick = 0;
    owner.mConnection.Unregister(window);
    if (glXGetCurrentContext() == context) glXMakeCurrent(display, None, nullptr);
    if (!MakeStandIn()) drawable = 0;
    window = 0;
    input.ForgetButtons();
}
