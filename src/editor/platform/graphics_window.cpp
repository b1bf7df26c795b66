#include "editor/platform/graphics_window.h"

#include <X11/Xatom.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <cmath>

#include "editor/graphics.h"
#include "editor/platform/glx_setup.h"
#include "editor/platform/graphics_window_native.h"
#include "editor/platform/host_window_sizing.h"
#include "editor/platform/screen_scale.h"

namespace {

int gOpenWindows = 0;

constexpr long kWindowEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                               StructureNotifyMask;

long EventsOf(bool leaveKeysToHost) {
    return leaveKeysToHost ? kWindowEvents & ~(KeyPressMask | KeyReleaseMask) : kWindowEvents;
}

}  // namespace

GraphicsWindow::GraphicsWindow(X11Connection& connection, SizeNegotiation::HostSide& host)
    : mConnection(connection), mHost(host) {
    mRegions.reserve(64);
}

GraphicsWindow::~GraphicsWindow() {
    Close();
}

int GraphicsWindow::OpenWindowCount() {
    return gOpenWindows;
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

void GraphicsWindow::ShowWindow() {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    mNative->closeRequested = false;
    XMapWindow(mNative->display, mNative->window);
    XFlush(mNative->display);
}

void GraphicsWindow::HideWindow() {
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

bool GraphicsWindow::HostResize(int width, int height) {
    return mSizes != nullptr && mSizes->HostResize(width, height);
}

unsigned long GraphicsWindow::NativeWindow() const {
    return mNative != nullptr ? mNative->window : 0;
}

int GraphicsWindow::ConnectionFd() const {
    return mNative != nullptr ? ConnectionNumber(mNative->display) : -1;
}

bool GraphicsWindow::SupportsMultiTouch() const {
    return mNative != nullptr && mNative->touchDevice;
}

bool GraphicsWindow::Open(Graphics& scene, unsigned long parent, RunLoop* loop) {
    X11Connection::ErrorScope errors;
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
    Close();
    Display* display = mConnection.Acquire();
    if (display == nullptr) return false;
    // No host window: a top-level window of our own.
    if (parent == 0) parent = DefaultRootWindow(display);
    mScene = &scene;
    mFramesDrawn = mContextSwitches = 0;
    mNative = std::make_unique<Native>(*this, scene);
    Native& n = *mNative;
    n.display = display;
    n.loop = loop;
    const float exactScale = mHostScreenScale > 0.0f
                                 ? mHostScreenScale
                                 : ScreenScaleFromResources(x11::ReadRootResources(display));
    n.scale.Start(exactScale);
    n.scale.SetHostScale(mHostScreenScale);
    // Opened at the whole factor; the first tick moves to the exact one.
    mScreenScaleRead = std::max(1.0f, std::floor(exactScale));
    const float total = scene.DrawScale() * mScreenScaleRead;
    if (width <= 0 || height <= 0) {
        width = std::max(PixelSize(static_cast<float>(scene.Width()), total), 1);
        height = std::max(PixelSize(static_cast<float>(scene.Height()), total), 1);
    }
    width = std::clamp(width, 1, kMaxWindowPixels);
    height = std::clamp(height, 1, kMaxWindowPixels);
    ++gOpenWindows;
    if (!CreateNativeWindow(parent, x, y, width, height)) {
        DestroyNativeWindow();
        return false;
    }
    mSizes = std::make_unique<SizeNegotiation>(scene, mHost, *this);
    mSizes->Opened(width, height);
    mCanvas.UseContext(&n);
    scene.SetCanvas(&mCanvas);
    scene.SetWindow(this);
    if (n.Enter()) {
        DisableSwapWait(display, n.drawable);
        if (mCanvas.CreateRenderer()) scene.OpenScene();
        n.Leave();
    }
    if (mCanvas.Renderer() == nullptr) {
        DestroyNativeWindow();
        return false;
    }
    if (scene.MultiTouchEnabled() && n.touchDevice) SelectTouchEvents(display, n.window);
    // Our own window may wait for the host's show.
    if (mShowAtOpen || parent != DefaultRootWindow(display)) XMapWindow(display, n.window);
    XFlush(display);
    if (loop != nullptr) {
        n.tick = loop->AddTimer(FramePeriodMs(scene.FPS()),
                                [this](RunLoop::TimerId) { OnDisplayTick(); });
        n.watch =
            loop->AddReadableWatch(ConnectionNumber(display), [this] { ConnectionReadable(); });
    }
    return true;
}

bool GraphicsWindow::CreateNativeWindow(unsigned long parent, int x, int y, int width, int height) {
    Native& n = *mNative;
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
    SetSizeHints(display, n.window, width, height);
    if (parent == DefaultRootWindow(display)) {
        // Without the protocol a window manager's close kills the client,
        // and with it the display connection every editor shares.
        n.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, n.window, &n.deleteWindow, 1);
    }
    StoreTitle();
    XClassHint hint{const_cast<char*>("Editor"), const_cast<char*>("EditorWndClass")};
    XSetClassHint(display, n.window, &hint);
    mConnection.Register(n.window, {[&n](XEvent& event) { n.HandleXEvent(event); },
                                    [&n] { n.scale.ResourcesChanged(); }});
    n.context = CreateGlxContext(display, chosen.config);
    if (n.context == nullptr) return false;
    n.cursors.emplace(display, n.window);
    XDefineCursor(display, n.window, n.cursors->Shape(mScene->CurrentPointerShape()));
    n.touchDevice = DirectTouchDeviceExists(display, &n.xiOpcode);
    return true;
}

void GraphicsWindow::Close() {
    if (mNative == nullptr) return;
    X11Connection::ErrorScope errors;
    StopTicking();
    if (mNative->context != nullptr) {
        mNative->closing = true;
        const bool current = mNative->Enter();
        mScene->CloseScene();
        mCanvas.ReleaseBackEnd();
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
    StopTicking();
    // The scene keeps no image of a canvas it no longer draws on.
    mScene->ReleaseBitmaps();
    mScene->SetCanvas(nullptr);
    mScene->SetWindow(nullptr);
    mCanvas.UseContext(nullptr);
    mSizes.reset();
    Native& n = *mNative;
    n.contextScope.reset();
    n.contextDepth = 0;
    Display* display = n.display;
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
    mScene = nullptr;
    --gOpenWindows;
    mConnection.Release();
}

void GraphicsWindow::SceneResized(bool hostSized) {
    if (mSizes != nullptr) mSizes->SceneResized(hostSized);
}

void GraphicsWindow::ResizeWindow(int width, int height, bool withHost) {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    Native& n = *mNative;
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned w = 0;
    unsigned h = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(n.display, n.window, &root, &x, &y, &w, &h, &border, &depth)) return;
    width = std::clamp(width, 1, kMaxWindowPixels);
    height = std::clamp(height, 1, kMaxWindowPixels);
    // Noted before resizing, while the host's windows are as the host left them.
    const HostWindows host = withHost ? HostWindowsOf(n.display, n.parent) : HostWindows{};
    XResizeWindow(n.display, n.window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    SetSizeHints(n.display, n.window, width, height);
    if (withHost) {
        ResizeHostWindows(n.display, host, width - static_cast<int>(w),
                          height - static_cast<int>(h));
    }
    XFlush(n.display);
}

void GraphicsWindow::SetPointerShape(int shape) {
    if (mNative == nullptr || mNative->window == 0 || mNative->cursorHidden) return;
    X11Connection::ErrorScope errors;
    XDefineCursor(mNative->display, mNative->window, mNative->cursors->Shape(shape));
}

void GraphicsWindow::ShowPointer(bool visible) {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    Native& n = *mNative;
    n.cursorHidden = !visible;
    XDefineCursor(
        n.display, n.window,
        visible ? n.cursors->Shape(mScene->CurrentPointerShape()) : n.cursors->Invisible());
    XFlush(n.display);
}

void GraphicsWindow::MovePointer(float x, float y) {
    if (mNative == nullptr || mNative->window == 0) return;
    X11Connection::ErrorScope errors;
    Native& n = *mNative;
    const float s = mScene->TotalScale();
    XWarpPointer(n.display, None, n.window, 0, 0, 0, 0, static_cast<int>(std::lround(x * s)),
                 static_cast<int>(std::lround(y * s)));
    XFlush(n.display);
    // The motion the warp causes lands here and is no drag.
    n.input.PointerAt(x, y);
}

void GraphicsWindow::ConnectionReadable() {
    if (mNative == nullptr) return;
    X11Connection::ErrorScope errors;
    mConnection.DispatchPendingEvents(true);
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
    const bool dirty = mScene->IsDirty(mRegions);
    if (!dirty && mRegions.empty()) return;
    // Without our context nothing is drawn; the regions stay dirty.
    if (!n.Enter()) return;
    mScene->MarkAllClean();
    mScene->Draw(mRegions);
    glXSwapBuffers(n.display, n.window);
    n.Leave();
    ++mFramesDrawn;
}

void GraphicsWindow::FollowScreenScale() {
    Native& n = *mNative;
    const bool busy =
        n.input.HeldButtons() != 0 || mScene->AnyCapture() || mScene->ResizingInProgress();
    const float scale = n.scale.Check(n.display, busy, mScene->GetScreenScale());
    if (scale == 0.0f) return;
    mScreenScaleRead = scale;
    const bool current = n.Enter();
    mScene->SetScreenScale(scale);
    if (current) n.Leave();
}
