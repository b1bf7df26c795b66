#include "editor/platform/graphics_window.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/graphics_editor_delegate.h"
#include "core/run_loop.h"
#include "editor/graphics_binding.h"
#include "editor/input_event.h"
#include "editor/platform/gl_context_scope.h"
#include "editor/platform/screen_scale.h"
#include "editor/platform/screen_scale_follower.h"
#include "editor/platform/x11_connection.h"

// Read before Xlib turns CursorShape into a macro.
namespace {
int CurrentCursorShape(const Graphics& graphics) {
    return graphics.CursorShape();
}
}  // namespace

#include <X11/Xatom.h>
#include <X11/extensions/XInput2.h>

#include "editor/platform/glx_setup.h"
#include "editor/platform/host_window_sizing.h"
#include "editor/platform/key_forwarding.h"
#include "editor/platform/window_cursors.h"
#include "editor/platform/x_event_translation.h"

namespace {

int gOpenWindows = 0;

constexpr long kWindowEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                               StructureNotifyMask;

long EventsOf(bool leaveKeysToHost) {
    return leaveKeysToHost ? kWindowEvents & ~(KeyPressMask | KeyReleaseMask) : kWindowEvents;
}

bool DirectTouchDeviceExists(Display* display, int* opcode) {
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", opcode, &event, &error)) return false;
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
        (major == 2 && minor < 2)) {
        return false;
    }
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        for (int c = 0; c < devices[i].num_classes; ++c) {
            const auto* touch = reinterpret_cast<const XITouchClassInfo*>(devices[i].classes[c]);
            if (touch->type == XITouchClass && touch->mode == XIDirectTouch) found = true;
        }
    }
    if (devices != nullptr) XIFreeDeviceInfo(devices);
    return found;
}

}  // namespace

// Everything of Xlib and GLX that one open window holds.
struct GraphicsWindow::Native final : X11EventTarget, GLContextAccess {
    explicit Native(GraphicsWindow& owner) : owner(owner), input(owner) {}

    // The window's context, for the back end and the frames.
    bool Enter() override;
    void Leave() override;
    bool MakeStandIn();

    void HandleXEvent(XEvent& event) override;
    void OnResourcesChanged() override { scale.ResourcesChanged(); }
    void Press(const XButtonEvent& event);
    void Release(const XButtonEvent& event);
    void WindowDestroyed();

    GraphicsWindow& owner;
    Display* display = nullptr;
    Window window = 0;
    // What the context draws to: the window, or a stand-in once the host
    // destroyed the window under us.
    Window drawable = 0;
    Visual* visual = nullptr;
    int depth = 0;
    Window parent = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
    std::optional<GLContextScope> contextScope;
    int contextDepth = 0;
    // Closing: a window the host destroyed unnoticed is replaced by the
    // stand-in, so the context can still delete its objects.
    bool closing = false;
    std::optional<WindowCursors> cursors;
    RunLoop* loop = nullptr;
    RunLoop::TimerId tick = 0;
    RunLoop::WatchId watch = 0;
    XInputTranslator input;
    ScreenScaleFollower scale;
    bool grabbed = false;
    bool cursorHidden = false;
    int width = 0;
    int height = 0;
    // A top-level window's WM_DELETE_WINDOW, and whether the window manager sent it.
    Atom deleteWindow = 0;
    bool closeRequested = false;
    bool touchDevice = false;
    int xiOpcode = -1;
    BoundsList exposed;
};

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

GraphicsWindow::GraphicsWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                               float scale, RunLoop* loop, X11Connection* connection)
    : GraphicsGL(delegate, width, height, fps, scale),
      mLoop(loop),
      mConnection(connection != nullptr ? *connection : SharedX11Connection()) {
    mRegions.reserve(64);
}

GraphicsWindow::~GraphicsWindow() {
    CloseWindow();
}

void GraphicsWindow::InstallAsPlatform(RunLoop* loop, X11Connection* connection) {
    InstallAsPlatform(Setup{loop, connection});
}

void GraphicsWindow::InstallAsPlatform(const Setup& setup) {
    SetPlatformGraphicsFactory([setup](GraphicsEditorDelegate& delegate, int width, int height,
                                       int fps, float scale) -> Graphics* {
        auto* window =
            new GraphicsWindow(delegate, width, height, fps, scale, setup.loop, setup.connection);
        window->mTopLevelWaitsForShow = setup.topLevelWaitsForShow;
        window->SetHostScreenScale(setup.hostScreenScale);
        return window;
    });
}

GraphicsWindow* GraphicsWindow::Of(const GraphicsEditorDelegate& delegate) {
    return dynamic_cast<GraphicsWindow*>(delegate.GetGraphics());
}

int GraphicsWindow::OpenWindowCount() {
    return gOpenWindows;
}

int GraphicsWindow::XErrorCount() {
    return SharedX11Connection().ErrorCount();
}

void GraphicsWindow::LeaveKeysToHost() {
    mLeaveKeysToHost = true;
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    XSelectInput(mNative->display, mNative->window, EventsOf(true));
    XFlush(mNative->display);
}

bool GraphicsWindow::CloseRequested() const {
    return mNative != nullptr && mNative->closeRequested;
}

void GraphicsWindow::Show() {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    mNative->closeRequested = false;
    XMapWindow(mNative->display, mNative->window);
    XFlush(mNative->display);
}

void GraphicsWindow::Hide() {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    XUnmapWindow(mNative->display, mNative->window);
    XFlush(mNative->display);
}

void GraphicsWindow::SetTitle(const std::string& title) {
    mTitle = title;
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    StoreTitle();
    XFlush(mNative->display);
}

void GraphicsWindow::StoreTitle() {
    Native& n = *mNative;
    const std::string& title = mTitle.empty() ? std::string("Editor") : mTitle;
    XStoreName(n.display, n.window, title.c_str());
    // Window managers show this one in UTF-8.
    XChangeProperty(n.display, n.window, XInternAtom(n.display, "_NET_WM_NAME", False),
                    XInternAtom(n.display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
}

void GraphicsWindow::SetHostScreenScale(float scale) {
    mHostScreenScale = std::isfinite(scale) && scale > 0.0f
                           ? std::clamp(scale, kMinScreenScale, kMaxScreenScale)
                           : 0.0f;
    if (mNative != nullptr) mNative->scale.SetHostScale(mHostScreenScale);
}

unsigned long GraphicsWindow::NativeWindow() const {
    return mNative != nullptr ? mNative->window : 0;
}

bool GraphicsWindow::PlatformSupportsMultiTouch() const {
    return mNative != nullptr && mNative->touchDevice;
}

void* GraphicsWindow::OpenWindow(void* parentView) {
    X11Connection::ErrorScope errors;
    auto parent = static_cast<Window>(reinterpret_cast<uintptr_t>(parentView));
    // Reopened in place: same position and size inside the parent.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    if (mNative != nullptr && mNative->window != 0) {
        Window root = 0;
        unsigned w = 0;
        unsigned h = 0;
        unsigned border = 0;
        unsigned depth = 0;
        if (XGetGeometry(mNative->display, mNative->window, &root, &x, &y, &w, &h, &border,
                         &depth)) {
            width = static_cast<int>(w);
            height = static_cast<int>(h);
        }
    }
    // A window the host destroyed under us is closed here too.
    CloseWindow();
    Display* display = mConnection.Acquire();
    if (display == nullptr) return nullptr;
    // No host window: a top-level window of our own.
    if (parent == 0) parent = DefaultRootWindow(display);
    mNative = std::make_unique<Native>(*this);
    Native& n = *mNative;
    n.display = display;
    n.loop = mLoop != nullptr ? mLoop : &ProcessRunLoop();
    const float exactScale = mHostScreenScale > 0.0f
                                 ? mHostScreenScale
                                 : ScreenScaleFromResources(x11::ReadRootResources(display));
    n.scale.Start(exactScale);
    n.scale.SetHostScale(mHostScreenScale);
    // Opened at the whole factor; the first tick moves to the exact one.
    mScreenScaleRead = std::max(1.0f, std::floor(exactScale));
    if (width <= 0 || height <= 0) {
        // Graphics takes the scale read here only at the first tick.
        width = std::max(PixelSize(static_cast<float>(Width()), DrawScale() * mScreenScaleRead), 1);
        height =
            std::max(PixelSize(static_cast<float>(Height()), DrawScale() * mScreenScaleRead), 1);
    }
    ++gOpenWindows;
    if (!CreateNativeWindow(parent, x, y, width, height)) {
        DestroyNativeWindow();
        return nullptr;
    }
    UseContext(&n);
    if (n.Enter()) {
        DisableSwapWait(display, n.drawable);
        if (!CreateRenderer()) {
            ReleaseBackEnd();
        } else {
            Graphics::OpenWindow(parentView);
        }
        n.Leave();
    }
    if (Renderer() == nullptr) {
        DestroyNativeWindow();
        return nullptr;
    }
    if (MultiTouchEnabled() && n.touchDevice) {
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_TouchBegin);
        XISetMask(bits, XI_TouchUpdate);
        XISetMask(bits, XI_TouchEnd);
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
        XISelectEvents(display, n.window, &mask, 1);
    }
    // Our own window may wait for the host's show.
    if (!(mTopLevelWaitsForShow && parent == DefaultRootWindow(display))) {
        XMapWindow(display, n.window);
    }
    XFlush(display);
    n.tick = n.loop->AddTimer(FramePeriodMs(FPS()), [this](RunLoop::TimerId) { OnDisplayTick(); });
    n.watch = n.loop->AddReadableWatch(ConnectionNumber(display), [&connection = mConnection] {
        connection.DispatchPendingEvents(true);
    });
    return reinterpret_cast<void*>(static_cast<uintptr_t>(n.window));
}

bool GraphicsWindow::CreateNativeWindow(unsigned long parent, int x, int y, int width, int height) {
    Native& n = *mNative;
    width = std::clamp(width, 1, kMaxWindowPixels);
    height = std::clamp(height, 1, kMaxWindowPixels);
    Display* display = n.display;
    const GlxWindowConfig chosen = ChooseGlxWindowConfig(display);
    if (chosen.config == nullptr) return false;
    XVisualInfo* visual = chosen.visual;
    // The parent must be a window of this display.
    Window root = 0;
    int px = 0;
    int py = 0;
    unsigned pw = 0;
    unsigned ph = 0;
    unsigned border = 0;
    unsigned depth = 0;
    const unsigned long firstSerial = mConnection.NextRequestSerial();
    XGetGeometry(display, parent, &root, &px, &py, &pw, &ph, &border, &depth);
    if (mConnection.RequestsFailedSince(firstSerial)) {
        XFree(visual);
        return false;
    }
    n.parent = parent;
    n.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    XSetWindowAttributes set{};
    set.colormap = n.colormap;
    set.event_mask = EventsOf(mLeaveKeysToHost);
    set.border_pixel = 0;
    set.background_pixmap = None;
    n.window =
        XCreateWindow(display, parent, x, y, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, visual->depth, InputOutput, visual->visual,
                      CWColormap | CWEventMask | CWBorderPixel | CWBackPixmap, &set);
    n.visual = visual->visual;
    n.depth = visual->depth;
    XFree(visual);
    if (n.window == 0) return false;
    n.drawable = n.window;
    n.width = width;
    n.height = height;
    SetSizeHints(display, n.window, n.width, n.height);
    if (parent == DefaultRootWindow(display)) {
        // Without the protocol a window manager's close kills the client,
        // and with it the display connection every editor shares.
        n.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, n.window, &n.deleteWindow, 1);
    }
    StoreTitle();
    XClassHint hint{const_cast<char*>("Editor"), const_cast<char*>("EditorWndClass")};
    XSetClassHint(display, n.window, &hint);
    mConnection.Register(n.window, &n);
    n.context = CreateGlxContext(display, chosen.config);
    if (n.context == nullptr) return false;
    n.cursors.emplace(display, n.window);
    XDefineCursor(display, n.window, n.cursors->Shape(CurrentCursorShape(*this)));
    n.touchDevice = DirectTouchDeviceExists(display, &n.xiOpcode);
    return true;
}

void GraphicsWindow::CloseWindow() {
    if (mNative == nullptr) return;
    X11Connection::ErrorScope errors;
    StopTicking();
    if (mNative->context != nullptr) {
        mNative->closing = true;
        const bool current = mNative->Enter();
        ReleaseAllCaptures();
        HideCursor(false, true);
        RemoveAllControls();
        ReleaseBackEnd();
        if (current) mNative->Leave();
    }
    DestroyNativeWindow();
}

void GraphicsWindow::StopTicking() {
    Native& n = *mNative;
    if (n.tick != 0) n.loop->RemoveTimer(n.tick);
    if (n.watch != 0) n.loop->RemoveReadableWatch(n.watch);
    n.tick = 0;
    n.watch = 0;
}

void GraphicsWindow::DestroyNativeWindow() {
    if (mNative == nullptr) return;
    X11Connection::ErrorScope errors;
    UseContext(nullptr);
    StopTicking();
    Native& n = *mNative;
    n.contextScope.reset();
    n.contextDepth = 0;
    Display* display = n.display;
    if (n.grabbed) XUngrabPointer(display, CurrentTime);
    if (n.context != nullptr) {
        if (glXGetCurrentContext() == n.context) glXMakeCurrent(display, None, nullptr);
        glXDestroyContext(display, n.context);
    }
    n.cursors.reset();
    if (n.window != 0) {
        mConnection.Unregister(n.window);
        XDestroyWindow(display, n.window);
    }
    if (n.drawable != 0 && n.drawable != n.window) XDestroyWindow(display, n.drawable);
    if (n.colormap != 0) XFreeColormap(display, n.colormap);
    XFlush(display);
    mNative.reset();
    --gOpenWindows;
    mConnection.Release();
}

void GraphicsWindow::ResizePlatformWindow(bool parentResized) {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    Native& n = *mNative;
    const int dW = PixelWidth() - n.width;
    const int dH = PixelHeight() - n.height;
    // Noted before resizing, while the host's windows are as the host left them.
    const HostWindows host = HostWindowsOf(n.display, n.parent);
    if (dW == 0 && dH == 0) return;
    n.width = std::clamp(n.width + dW, 1, kMaxWindowPixels);
    n.height = std::clamp(n.height + dH, 1, kMaxWindowPixels);
    XResizeWindow(n.display, n.window, static_cast<unsigned>(n.width),
                  static_cast<unsigned>(n.height));
    SetSizeHints(n.display, n.window, n.width, n.height);
    if (!parentResized) ResizeHostWindows(n.display, host, dW, dH);
    XFlush(n.display);
}

void GraphicsWindow::SetCursorShape(int shape) {
    Graphics::SetCursorShape(shape);
    if (mNative == nullptr || mNative->window == 0 || mNative->cursorHidden) return;
    X11Connection::ErrorScope errors;
    XDefineCursor(mNative->display, mNative->window,
                  mNative->cursors->Shape(CurrentCursorShape(*this)));
}

void GraphicsWindow::ShowPlatformCursor(bool visible) {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    Native& n = *mNative;
    n.cursorHidden = !visible;
    XDefineCursor(n.display, n.window,
                  visible ? n.cursors->Shape(CurrentCursorShape(*this)) : n.cursors->Invisible());
    XFlush(n.display);
}

void GraphicsWindow::MovePlatformCursor(float x, float y) {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    Native& n = *mNative;
    const float s = TotalScale();
    XWarpPointer(n.display, None, n.window, 0, 0, 0, 0, static_cast<int>(std::lround(x * s)),
                 static_cast<int>(std::lround(y * s)));
    XFlush(n.display);
    // The motion the warp causes lands here and is no drag.
    n.input.PointerAt(x, y);
}

void GraphicsWindow::OnDisplayTick() {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    // Where the run loop watches the connection, only what Xlib read on the
    // way (round trips queue events without waking the watch).
    mConnection.DispatchPendingEvents(mNative->watch == 0);
    if (mNative == nullptr || mNative->window == 0) return;
    mNative->input.FlushMotion();
    if (mNative == nullptr || mNative->window == 0) return;
    FollowScreenScale();
    Native& n = *mNative;
    mRegions.clear();
    mRegions.insert(mRegions.end(), n.exposed.begin(), n.exposed.end());
    n.exposed.clear();
    const bool dirty = IsDirty(mRegions);
    if (!dirty && mRegions.empty()) return;
    // Without our context nothing is drawn; the regions stay dirty.
    if (!n.Enter()) return;
    MarkAllClean();
    Draw(mRegions);
    glXSwapBuffers(n.display, n.window);
    n.Leave();
    ++mFramesDrawn;
}

void GraphicsWindow::FollowScreenScale() {
    Native& n = *mNative;
    const bool busy = n.input.HeldButtons() != 0 || AnyCapture() || ResizingInProgress();
    const float scale = n.scale.Check(n.display, busy, GetScreenScale());
    if (scale == 0.0f) return;
    mScreenScaleRead = scale;
    const bool current = n.Enter();
    SetScreenScale(scale);
    if (current) n.Leave();
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
            Release(event.xbutton);
            break;
        case LeaveNotify:
            input.Leave(event.xcrossing);
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) WindowDestroyed();
            break;
        case ConfigureNotify:
            // An embedder that sizes our window to its own allocation would
            // leave the drawing and the pointer apart: the editor's size stands.
            if (event.xconfigure.window == window &&
                (event.xconfigure.width != width || event.xconfigure.height != height)) {
                XResizeWindow(display, window, static_cast<unsigned>(width),
                              static_cast<unsigned>(height));
            }
            break;
        case KeyPress:
        case KeyRelease: {
            const bool down = event.type == KeyPress;
            // The host gets the keys the editor does not use (its shortcuts).
            if (!input.Key(event.xkey, down)) ForwardKeyToHost(display, parent, event.xkey, down);
            break;
        }
        case Expose: {
            const float s = owner.TotalScale();
            const XExposeEvent& e = event.xexpose;
            exposed.push_back(Bounds{std::floor(static_cast<float>(e.x) / s),
                                     std::floor(static_cast<float>(e.y) / s),
                                     std::ceil(static_cast<float>(e.x + e.width) / s),
                                     std::ceil(static_cast<float>(e.y + e.height) / s)});
            break;
        }
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
    if (XInputTranslator::IsPointerButton(event.button)) {
        if (!owner.mLeaveKeysToHost) XSetInputFocus(display, window, RevertToParent, event.time);
        // Held buttons keep the pointer's events while it leaves the window.
        if (!grabbed) {
            grabbed =
                XGrabPointer(display, window, False,
                             ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                             GrabModeAsync, None, None, event.time) == GrabSuccess;
        }
    }
    input.Press(event);
}

void GraphicsWindow::Native::Release(const XButtonEvent& event) {
    if (XInputTranslator::IsPointerButton(event.button) &&
        (input.HeldButtons() & ~(1u << event.button)) == 0 && grabbed) {
        XUngrabPointer(display, event.time);
        grabbed = false;
    }
    input.Release(event);
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
    grabbed = false;
    input.ForgetButtons();
}
