#include "editor/platform/graphics_window.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "core/graphics_editor_delegate.h"
#include "core/timer.h"
#include "core/trace.h"
#include "editor/graphics_binding.h"
#include "editor/input_event.h"
#include "editor/platform/cursor_shapes.h"
#include "editor/platform/double_click.h"
#include "editor/platform/gl_context_scope.h"
#include "editor/platform/key_text.h"
#include "editor/platform/screen_scale.h"
#include "editor/platform/x11_connection.h"

// Named before Xlib turns KeyPress and CursorShape into macros.
using EditorKeyPress = KeyPress;
namespace {
int CurrentCursorShape(const Graphics& graphics) {
    return graphics.CursorShape();
}
}  // namespace

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <epoxy/glx.h>

namespace {

int gOpenWindows = 0;

constexpr long kWindowEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                               StructureNotifyMask;

long EventsOf(bool leaveKeysToHost) {
    return leaveKeysToHost ? kWindowEvents & ~(KeyPressMask | KeyReleaseMask) : kWindowEvents;
}

MouseModifiers ModifiersOf(unsigned state) {
    MouseModifiers mods;
    mods.left = (state & Button1Mask) != 0;
    mods.right = (state & Button3Mask) != 0;
    mods.shift = (state & ShiftMask) != 0;
    mods.control = (state & ControlMask) != 0;
    mods.alt = (state & Mod1Mask) != 0;
    return mods;
}

unsigned ButtonMask(unsigned button) {
    switch (button) {
        case 1:
            return Button1Mask;
        case 2:
            return Button2Mask;
        case 3:
            return Button3Mask;
        default:
            return 0;
    }
}

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

// The host's top-level window above window: the one the window manager
// manages, else the ancestor just below the root.
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

// The window's size as its normal hints: embedding toolkits read the
// natural size of a foreign child window there.
void SetSizeHints(Display* display, Window window, int width, int height) {
    XSizeHints hints{};
    hints.flags = PSize | PBaseSize;
    hints.width = hints.base_width = width;
    hints.height = hints.base_height = height;
    XSetWMNormalHints(display, window, &hints);
}

}  // namespace

// Everything of Xlib and GLX that one open window holds, and its event
// handling.
struct GraphicsWindow::Native final : X11EventTarget, GLContextAccess {
    explicit Native(GraphicsWindow& owner) : owner(owner) {}

    // The window's context, for the back end and the frames.
    bool Enter() override;
    void Leave() override;
    bool MakeStandIn();

    void HandleXEvent(XEvent& event) override;
    void OnResourcesChanged() override { resourcesChanged = scaleCheckPending = true; }

    float Scale() const { return owner.TotalScale(); }
    void Press(const XButtonEvent& event);
    void Release(const XButtonEvent& event);
    void Motion(const XMotionEvent& event);
    // The latest motion since the last tick, handed on once per tick (and
    // before any other event, so the order of press, drag and release holds).
    void FlushMotion();
    void Key(XKeyEvent& event, bool down);
    void Touch(const XIDeviceEvent& event);
    void WindowDestroyed();
    Cursor ShapeCursor(int shape);

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
    Cursor invisibleCursor = 0;
    std::unordered_map<int, Cursor> cursors;
    std::unique_ptr<Timer> timer;
    DoubleClickDetector clicks;
    unsigned heldButtons = 0;
    bool grabbed = false;
    bool cursorHidden = false;
    float lastX = 0.0f;
    float lastY = 0.0f;
    bool motionPending = false;
    XMotionEvent pendingMotion{};
    int width = 0;
    int height = 0;
    float exactScale = 1.0f;
    bool scaleCheckPending = false;
    bool resourcesChanged = false;
    // A top-level window's WM_DELETE_WINDOW, and whether the window manager sent it.
    Atom deleteWindow = 0;
    bool closeRequested = false;
    bool touchDevice = false;
    int xiOpcode = -1;
    std::unordered_map<int, MouseEvent> touches;
    BoundsList exposed;
};

bool GraphicsWindow::Native::Enter() {
    if (contextDepth > 0) {
        ++contextDepth;
        return true;
    }
    contextScope.emplace(display, drawable, context);
    if (!contextScope->Current() && closing && drawable == window && MakeStandIn()) {
        contextScope.reset();
        contextScope.emplace(display, drawable, context);
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
    x11::ErrorScope errors;
    const int errorsBefore = x11::ErrorCount();
    XSetWindowAttributes set{};
    set.colormap = colormap;
    set.border_pixel = 0;
    set.background_pixmap = None;
    const Window standIn =
        XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, depth, InputOutput,
                      visual, CWColormap | CWBorderPixel | CWBackPixmap, &set);
    XSync(display, False);
    if (standIn == 0 || x11::ErrorCount() != errorsBefore) return false;
    drawable = standIn;
    return true;
}

GraphicsWindow::GraphicsWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                               float scale)
    : GraphicsGL(delegate, width, height, fps, scale) {
    mRegions.reserve(64);
}

GraphicsWindow::~GraphicsWindow() {
    CloseWindow();
}

void GraphicsWindow::InstallAsPlatform() {
    SetPlatformGraphicsFactory([](GraphicsEditorDelegate& delegate, int width, int height, int fps,
                                  float scale) -> Graphics* {
        return new GraphicsWindow(delegate, width, height, fps, scale);
    });
}

GraphicsWindow* GraphicsWindow::Of(const GraphicsEditorDelegate& delegate) {
    return dynamic_cast<GraphicsWindow*>(delegate.GetGraphics());
}

int GraphicsWindow::OpenWindowCount() {
    return gOpenWindows;
}

int GraphicsWindow::XErrorCount() {
    return x11::ErrorCount();
}

void GraphicsWindow::LeaveKeysToHost() {
    mLeaveKeysToHost = true;
    if (mNative == nullptr || mNative->window == 0) return;
    x11::ErrorScope errors;
    XSelectInput(mNative->display, mNative->window, EventsOf(true));
    XFlush(mNative->display);
}

bool GraphicsWindow::CloseRequested() const {
    return mNative != nullptr && mNative->closeRequested;
}

unsigned long GraphicsWindow::NativeWindow() const {
    return mNative != nullptr ? mNative->window : 0;
}

bool GraphicsWindow::PlatformSupportsMultiTouch() const {
    return mNative != nullptr && mNative->touchDevice;
}

void* GraphicsWindow::OpenWindow(void* parentView) {
    x11::ErrorScope errors;
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
    Display* display = x11::AcquireDisplay();
    if (display == nullptr) return nullptr;
    // No host window: a top-level window of our own.
    if (parent == 0) parent = DefaultRootWindow(display);
    mNative = std::make_unique<Native>(*this);
    mNative->display = display;
    mNative->exactScale = ScreenScaleFromResources(x11::ReadRootResources(display));
    // Opened at the whole factor; the first tick moves to the exact one.
    mScreenScaleRead = std::max(1.0f, std::floor(mNative->exactScale));
    if (width <= 0 || height <= 0) {
        width = WindowPixelSize(static_cast<float>(Width()) * DrawScale(), mScreenScaleRead);
        height = WindowPixelSize(static_cast<float>(Height()) * DrawScale(), mScreenScaleRead);
    }
    ++gOpenWindows;
    if (!CreateNativeWindow(parent, x, y, width, height)) {
        DestroyNativeWindow();
        return nullptr;
    }
    UseContext(mNative.get());
    if (mNative->Enter()) {
        SetSwapIntervalZero();
        if (!CreateRenderer()) {
            ReleaseBackEnd();
        } else {
            Graphics::OpenWindow(parentView);
        }
        mNative->Leave();
    }
    if (Renderer() == nullptr) {
        DestroyNativeWindow();
        return nullptr;
    }
    if (MultiTouchEnabled() && mNative->touchDevice) {
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_TouchBegin);
        XISetMask(bits, XI_TouchUpdate);
        XISetMask(bits, XI_TouchEnd);
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
        XISelectEvents(display, mNative->window, &mask, 1);
    }
    XMapWindow(display, mNative->window);
    XFlush(display);
    mNative->scaleCheckPending = true;
    mNative->timer = Timer::Create([this](Timer&) { OnDisplayTick(); }, FramePeriodMs(FPS()));
    return reinterpret_cast<void*>(static_cast<uintptr_t>(mNative->window));
}

bool GraphicsWindow::CreateNativeWindow(unsigned long parent, int x, int y, int width, int height) {
    Native& n = *mNative;
    width = std::clamp(width, 1, kMaxWindowPixels);
    height = std::clamp(height, 1, kMaxWindowPixels);
    Display* display = n.display;
    const int screen = DefaultScreen(display);
    const int attributes[] = {GLX_X_RENDERABLE,
                              True,
                              GLX_DRAWABLE_TYPE,
                              GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_X_VISUAL_TYPE,
                              GLX_TRUE_COLOR,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_DEPTH_SIZE,
                              24,
                              GLX_STENCIL_SIZE,
                              8,
                              GLX_DOUBLEBUFFER,
                              True,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, attributes, &count);
    if (configs == nullptr) return false;
    // The first 8-bit-per-channel configuration on a plain 24-bit visual.
    GLXFBConfig chosen = nullptr;
    XVisualInfo* visual = nullptr;
    for (int i = 0; i < count && chosen == nullptr; ++i) {
        XVisualInfo* candidate = glXGetVisualFromFBConfig(display, configs[i]);
        if (candidate == nullptr) continue;
        if (candidate->depth == 24 || i == count - 1) {
            chosen = configs[i];
            visual = candidate;
        } else {
            XFree(candidate);
        }
    }
    XFree(configs);
    if (chosen == nullptr) return false;
    // The parent must be a window of this display.
    Window root = 0;
    int px = 0;
    int py = 0;
    unsigned pw = 0;
    unsigned ph = 0;
    unsigned border = 0;
    unsigned depth = 0;
    const int errorsBefore = x11::ErrorCount();
    XGetGeometry(display, parent, &root, &px, &py, &pw, &ph, &border, &depth);
    XSync(display, False);
    if (x11::ErrorCount() != errorsBefore) {
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
    XStoreName(display, n.window, "Editor");
    XClassHint hint{const_cast<char*>("Editor"), const_cast<char*>("EditorWndClass")};
    XSetClassHint(display, n.window, &hint);
    x11::RegisterWindow(n.window, &n);
    n.context = glXCreateNewContext(display, chosen, GLX_RGBA_TYPE, nullptr, True);
    if (n.context == nullptr) return false;
    // The invisible cursor of a locked knob drag: an empty 1 x 1 bitmap.
    char empty = 0;
    const Pixmap blank = XCreateBitmapFromData(display, n.window, &empty, 1, 1);
    XColor black{};
    n.invisibleCursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
    XDefineCursor(display, n.window, n.ShapeCursor(CurrentCursorShape(*this)));
    n.touchDevice = DirectTouchDeviceExists(display, &n.xiOpcode);
    return true;
}

void GraphicsWindow::CloseWindow() {
    if (mNative == nullptr) return;
    x11::ErrorScope errors;
    mNative->timer.reset();
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

void GraphicsWindow::DestroyNativeWindow() {
    if (mNative == nullptr) return;
    x11::ErrorScope errors;
    UseContext(nullptr);
    Native& n = *mNative;
    n.timer.reset();
    n.contextScope.reset();
    n.contextDepth = 0;
    Display* display = n.display;
    if (n.grabbed) XUngrabPointer(display, CurrentTime);
    if (n.context != nullptr) {
        if (glXGetCurrentContext() == n.context) glXMakeCurrent(display, None, nullptr);
        glXDestroyContext(display, n.context);
    }
    for (const auto& [shape, cursor] : n.cursors) XFreeCursor(display, cursor);
    if (n.invisibleCursor != 0) XFreeCursor(display, n.invisibleCursor);
    if (n.window != 0) {
        x11::UnregisterWindow(n.window);
        XDestroyWindow(display, n.window);
    }
    if (n.drawable != 0 && n.drawable != n.window) XDestroyWindow(display, n.drawable);
    if (n.colormap != 0) XFreeColormap(display, n.colormap);
    XFlush(display);
    mNative.reset();
    --gOpenWindows;
    x11::ReleaseDisplay();
}

void GraphicsWindow::ResizePlatformWindow(bool parentResized) {
    if (mNative == nullptr || mNative->window == 0) return;
    x11::ErrorScope errors;
    Native& n = *mNative;
    const int dW = PixelWidth() - n.width;
    const int dH = PixelHeight() - n.height;
    // Noted before resizing: the parent, and the grandparent when the parent
    // is itself a child inside the host rather than its top-level window.
    Window root = 0;
    Window grandparent = 0;
    const Window above = ParentOf(n.display, n.parent, &root);
    if (above != 0 && above != root && !IsManagedTopLevel(n.display, n.parent)) grandparent = above;
    if (dW == 0 && dH == 0) return;
    n.width = std::clamp(n.width + dW, 1, kMaxWindowPixels);
    n.height = std::clamp(n.height + dH, 1, kMaxWindowPixels);
    XResizeWindow(n.display, n.window, static_cast<unsigned>(n.width),
                  static_cast<unsigned>(n.height));
    SetSizeHints(n.display, n.window, n.width, n.height);
    if (!parentResized) {
        for (const Window w : {static_cast<Window>(n.parent), grandparent}) {
            if (w == 0 || w == DefaultRootWindow(n.display)) continue;
            int x = 0;
            int y = 0;
            unsigned width = 0;
            unsigned height = 0;
            unsigned border = 0;
            unsigned depth = 0;
            if (!XGetGeometry(n.display, w, &root, &x, &y, &width, &height, &border, &depth)) {
                continue;
            }
            XResizeWindow(n.display, w,
                          static_cast<unsigned>(
                              std::clamp(static_cast<int>(width) + dW, 1, kMaxWindowPixels)),
                          static_cast<unsigned>(
                              std::clamp(static_cast<int>(height) + dH, 1, kMaxWindowPixels)));
        }
    }
    XFlush(n.display);
}

void GraphicsWindow::SetCursorShape(int shape) {
    Graphics::SetCursorShape(shape);
    if (mNative == nullptr || mNative->window == 0 || mNative->cursorHidden) return;
    x11::ErrorScope errors;
    XDefineCursor(mNative->display, mNative->window,
                  mNative->ShapeCursor(CurrentCursorShape(*this)));
}

void GraphicsWindow::ShowPlatformCursor(bool visible) {
    if (mNative == nullptr || mNative->window == 0) return;
    x11::ErrorScope errors;
    Native& n = *mNative;
    n.cursorHidden = !visible;
    XDefineCursor(n.display, n.window,
                  visible ? n.ShapeCursor(CurrentCursorShape(*this)) : n.invisibleCursor);
    XFlush(n.display);
}

void GraphicsWindow::MovePlatformCursor(float x, float y) {
    if (mNative == nullptr || mNative->window == 0) return;
    x11::ErrorScope errors;
    Native& n = *mNative;
    const float s = TotalScale();
    XWarpPointer(n.display, None, n.window, 0, 0, 0, 0, static_cast<int>(std::lround(x * s)),
                 static_cast<int>(std::lround(y * s)));
    XFlush(n.display);
    // The motion the warp causes lands here and is no drag.
    n.lastX = x;
    n.lastY = y;
}

void GraphicsWindow::OnDisplayTick() {
    if (mNative == nullptr || mNative->window == 0) return;
    x11::ErrorScope errors;
    // Where the run loop watches the connection, only what Xlib read on the
    // way (round trips queue events without waking the watch).
    x11::DispatchPendingEvents(!x11::EventsWatched());
    if (mNative == nullptr || mNative->window == 0) return;
    mNative->FlushMotion();
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

// Vertical-blank waits would stall the host's thread inside its idle call.
void GraphicsWindow::SetSwapIntervalZero() {
    Native& n = *mNative;
    const int screen = DefaultScreen(n.display);
    if (epoxy_has_glx_extension(n.display, screen, "GLX_EXT_swap_control")) {
        glXSwapIntervalEXT(n.display, n.drawable, 0);
    } else if (epoxy_has_glx_extension(n.display, screen, "GLX_MESA_swap_control")) {
        glXSwapIntervalMESA(0);
    }
}

void GraphicsWindow::FollowScreenScale() {
    Native& n = *mNative;
    // Never in the middle of a drag: the pointer's units would change under it.
    if (!n.scaleCheckPending || n.heldButtons != 0 || AnyCapture() || ResizingInProgress()) return;
    n.scaleCheckPending = false;
    if (n.resourcesChanged) {
        n.resourcesChanged = false;
        n.exactScale = ScreenScaleFromResources(x11::ReadRootResources(n.display));
    }
    if (n.exactScale == GetScreenScale()) return;
    mScreenScaleRead = n.exactScale;
    const bool current = n.Enter();
    SetScreenScale(n.exactScale);
    if (current) n.Leave();
}

Cursor GraphicsWindow::Native::ShapeCursor(int shape) {
    const auto found = cursors.find(shape);
    if (found != cursors.end()) return found->second;
    const Cursor cursor = XCreateFontCursor(display, CursorFontGlyph(shape));
    cursors[shape] = cursor;
    return cursor;
}

void GraphicsWindow::Native::FlushMotion() {
    if (!motionPending) return;
    motionPending = false;
    Motion(pendingMotion);
}

void GraphicsWindow::Native::HandleXEvent(XEvent& event) {
    if (event.type == MotionNotify) {
        // A drag writes at most one value per frame, however fast the pointer.
        pendingMotion = event.xmotion;
        motionPending = true;
        return;
    }
    FlushMotion();
    switch (event.type) {
        case ButtonPress:
            Press(event.xbutton);
            break;
        case ButtonRelease:
            Release(event.xbutton);
            break;
        case LeaveNotify:
            // Leaving because of our own grab, or with a button held, is no mouse-out.
            if (event.xcrossing.mode == NotifyNormal && heldButtons == 0) owner.OnMouseOut();
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
            Key(event.xkey, true);
            break;
        case KeyRelease:
            Key(event.xkey, false);
            break;
        case Expose: {
            const float s = Scale();
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
                Touch(*static_cast<const XIDeviceEvent*>(event.xcookie.data));
            }
            break;
        default:
            break;
    }
}

// The host destroyed its window (and ours with it) before closing the
// editor: no more frames; the GL resources are released at close on an
// unmapped stand-in of the same visual.
void GraphicsWindow::Native::WindowDestroyed() {
    if (timer != nullptr) timer->Stop();
    x11::UnregisterWindow(window);
    if (glXGetCurrentContext() == context) glXMakeCurrent(display, None, nullptr);
    if (!MakeStandIn()) drawable = 0;
    window = 0;
    grabbed = false;
    heldButtons = 0;
}

void GraphicsWindow::Native::Press(const XButtonEvent& event) {
    const float s = Scale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    if (event.button == 4 || event.button == 5) {
        owner.OnMouseWheel(x, y, ModifiersOf(event.state), event.button == 4 ? 1.0f : -1.0f);
        return;
    }
    if (event.button < 1 || event.button > 3) return;
    if (!owner.mLeaveKeysToHost) XSetInputFocus(display, window, RevertToParent, event.time);
    heldButtons |= 1u << event.button;
    if (!grabbed) {
        grabbed = XGrabPointer(display, window, False,
                               ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                               GrabModeAsync, GrabModeAsync, None, None, event.time) == GrabSuccess;
    }
    lastX = x;
    lastY = y;
    const MouseModifiers mods = ModifiersOf(event.state | ButtonMask(event.button));
    if (clicks.Press(static_cast<int>(event.button), event.x, event.y, event.time)) {
        owner.OnMouseDblClick(x, y, mods);
    } else {
        owner.OnMouseDown({MouseEvent{x, y, 0.0f, 0.0f, mods}});
    }
}

void GraphicsWindow::Native::Release(const XButtonEvent& event) {
    if (event.button < 1 || event.button > 3) return;
    heldButtons &= ~(1u << event.button);
    if (heldButtons == 0 && grabbed) {
        XUngrabPointer(display, event.time);
        grabbed = false;
    }
    const float s = Scale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    owner.OnMouseUp(
        {MouseEvent{x, y, 0.0f, 0.0f, ModifiersOf(event.state & ~ButtonMask(event.button))}});
}

void GraphicsWindow::Native::Motion(const XMotionEvent& event) {
    const float s = Scale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    const MouseModifiers mods = ModifiersOf(event.state);
    if ((mods.left || mods.right) && heldButtons != 0) {
        if (x == lastX && y == lastY) return;
        const float dX = x - lastX;
        const float dY = y - lastY;
        lastX = x;
        lastY = y;
        owner.OnMouseDrag({MouseEvent{x, y, dX, dY, mods}});
        return;
    }
    lastX = x;
    lastY = y;
    owner.OnMouseOver(x, y, mods);
}

void GraphicsWindow::Native::Key(XKeyEvent& event, bool down) {
    char text[8] = {};
    KeySym sym = 0;
    const int length = XLookupString(&event, text, sizeof text - 1, &sym, nullptr);
    EditorKeyPress key;
    key.virtualKey = static_cast<int32_t>(sym);
    key.shift = (event.state & ShiftMask) != 0;
    key.control = (event.state & ControlMask) != 0;
    key.alt = (event.state & Mod1Mask) != 0;
    KeyText(sym, text, length, key.utf8);
    const float s = Scale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    const bool used = down ? owner.OnKeyDown(x, y, key) : owner.OnKeyUp(x, y, key);
    if (used) return;
    // The host gets the keys the editor does not use (its shortcuts).
    // A top-level editor has no host window to hear them.
    if (parent == DefaultRootWindow(display)) return;
    const Window top = TopLevelOf(display, parent);
    XEvent forwarded;
    forwarded.xkey = event;
    forwarded.xkey.window = top;
    forwarded.xkey.subwindow = None;
    XSendEvent(display, top, True, down ? KeyPressMask : KeyReleaseMask, &forwarded);
    XFlush(display);
}

void GraphicsWindow::Native::Touch(const XIDeviceEvent& event) {
    if (event.event != window) return;
    const float s = Scale();
    MouseEvent point;
    point.x = static_cast<float>(event.event_x) / s;
    point.y = static_cast<float>(event.event_y) / s;
    point.modifiers.touchId = event.detail;
    switch (event.evtype) {
        case XI_TouchBegin:
            touches[event.detail] = point;
            owner.OnMouseDown({point});
            break;
        case XI_TouchUpdate: {
            const auto previous = touches.find(event.detail);
            if (previous == touches.end()) break;
            point.dX = point.x - previous->second.x;
            point.dY = point.y - previous->second.y;
            previous->second = point;
            owner.OnMouseDrag({point});
            break;
        }
        case XI_TouchEnd:
            touches.erase(event.detail);
            owner.OnMouseUp({point});
            break;
        default:
            break;
    }
}
