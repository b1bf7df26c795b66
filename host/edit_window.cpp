#include "edit_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdlib>

#include "hpi/sdk/hpi_host_interfaces.h"

namespace hpihost {

struct EditWindow::State {
    Display* mDisplay = nullptr;
    Window mWindow = 0;
    Atom mDeleteWindow = 0;
    ~State() {
        if (mDisplay != nullptr) {
            if (mWindow != 0) XDestroyWindow(mDisplay, mWindow);
            XCloseDisplay(mDisplay);
        }
    }
};

std::unique_ptr<EditWindow> EditWindow::Open(const std::string& title, int width, int height,
                                             std::string* message) {
    const char* name = std::getenv("DISPLAY");
    auto state = std::make_unique<State>();
    state->mDisplay = XOpenDisplay(nullptr);
    if (state->mDisplay == nullptr) {
        *message =
            name == nullptr || *name == '\0'
                ? "no X display: DISPLAY is not set (start an X server, or run under xvfb-run)"
                : "cannot open the X display '" + std::string(name) + "'";
        return nullptr;
    }
    Display* display = state->mDisplay;
    const int screen = DefaultScreen(display);
    state->mWindow = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                         static_cast<unsigned>(width > 0 ? width : 1),
                                         static_cast<unsigned>(height > 0 ? height : 1), 0,
                                         BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, state->mWindow, title.c_str());
    XClassHint hint;
    char className[] = "hpi-host";
    hint.res_name = className;
    hint.res_class = className;
    XSetClassHint(display, state->mWindow, &hint);
    state->mDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, state->mWindow, &state->mDeleteWindow, 1);
    XSelectInput(display, state->mWindow, KeyPressMask | StructureNotifyMask);
    XMapWindow(display, state->mWindow);
    XSync(display, False);
    return std::unique_ptr<EditWindow>(new EditWindow(std::move(state)));
}

EditWindow::EditWindow(std::unique_ptr<State> state) : mState(std::move(state)) {}

EditWindow::~EditWindow() = default;

void* EditWindow::NativeView() const {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(mState->mWindow));
}

int EditWindow::ConnectionFd() const {
    return ConnectionNumber(mState->mDisplay);
}

void EditWindow::Pump() {
    Display* display = mState->mDisplay;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window != mState->mWindow) continue;
        if (event.type == ClientMessage &&
            static_cast<Atom>(event.xclient.data.l[0]) == mState->mDeleteWindow) {
            mCloseRequested = true;
        } else if (event.type == KeyPress) {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if ((event.xkey.state & ControlMask) != 0 && (key == XK_q || key == XK_Q)) {
                mCloseRequested = true;
            }
        }
    }
}

void EditWindow::Resize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    XResizeWindow(mState->mDisplay, mState->mWindow, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XFlush(mState->mDisplay);
}

uint32_t EditWindow::Modifiers() const {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    XQueryPointer(mState->mDisplay, mState->mWindow, &root, &child, &rootX, &rootY, &x, &y, &mask);
    uint32_t bits = 0;
    if ((mask & ShiftMask) != 0) bits |= HPI_eModifierKey_Shift;
    if ((mask & ControlMask) != 0) bits |= HPI_eModifierKey_Control;
    if ((mask & Mod1Mask) != 0) bits |= HPI_eModifierKey_Alt;
    if ((mask & Mod4Mask) != 0) bits |= HPI_eModifierKey_Super;
    return bits;
}

bool EditWindow::HasChild() const {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(mState->mDisplay, mState->mWindow, &root, &parent, &children, &count) == 0) {
        return false;
    }
    if (children != nullptr) XFree(children);
    return count > 0;
}

namespace {

// Xlib's default handler ends the process on any error; while a capture
// reads pixels, an error (the window changed size or left the screen
// between the two requests) only fails the capture.
int gCaptureErrors = 0;

int CountCaptureError(Display*, XErrorEvent*) {
    ++gCaptureErrors;
    return 0;
}

class CaptureErrorTrap {
public:
    explicit CaptureErrorTrap(Display* display) : mDisplay(display) {
        XSync(mDisplay, False);
        gCaptureErrors = 0;
        mPrevious = XSetErrorHandler(CountCaptureError);
    }
    ~CaptureErrorTrap() {
        XSync(mDisplay, False);
        XSetErrorHandler(mPrevious);
    }
    CaptureErrorTrap(const CaptureErrorTrap&) = delete;
    CaptureErrorTrap& operator=(const CaptureErrorTrap&) = delete;
    // [main] Whether a request since the trap was set failed.
    bool Failed() const {
        XSync(mDisplay, False);
        return gCaptureErrors != 0;
    }

private:
    Display* mDisplay;
    int (*mPrevious)(Display*, XErrorEvent*) = nullptr;
};

// One colour of a pixel as 8 bits, read through the visual's mask for it.
class Channel {
public:
    explicit Channel(unsigned long mask) : mMask(mask) {
        while (mMask != 0 && (mMask & (1ul << mShift)) == 0) ++mShift;
        for (unsigned long bits = mMask >> mShift; (bits & 1ul) != 0; bits >>= 1) ++mWidth;
    }
    unsigned char Of(unsigned long pixel) const {
        if (mWidth == 0) return 0;
        const unsigned long value = (pixel & mMask) >> mShift;
        const unsigned long top = (1ul << mWidth) - 1;
        return static_cast<unsigned char>((value * 255 + top / 2) / top);
    }

private:
    unsigned long mMask;
    int mShift = 0;
    int mWidth = 0;
};

}  // namespace

bool EditWindow::Capture(int* width, int* height, std::string* rgb) const {
    Display* display = mState->mDisplay;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, mState->mWindow, &attributes) == 0) return false;
    if (attributes.map_state != IsViewable) return false;
    // A window only has pixels where it is on the screen: a part beyond the
    // screen's edge (an editor taller than the display) is left out.
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, mState->mWindow, attributes.root, 0, 0, &rootX, &rootY, &child);
    const int screenWidth = WidthOfScreen(attributes.screen);
    const int screenHeight = HeightOfScreen(attributes.screen);
    const int left = std::max(0, -rootX);
    const int top = std::max(0, -rootY);
    const int right = std::min(attributes.width, screenWidth - rootX);
    const int bottom = std::min(attributes.height, screenHeight - rootY);
    if (right <= left || bottom <= top) return false;

    XImage* image = nullptr;
    {
        const CaptureErrorTrap trap(display);
        image = XGetImage(display, mState->mWindow, left, top, static_cast<unsigned>(right - left),
                          static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
        if (trap.Failed() && image != nullptr) {
            XDestroyImage(image);
            image = nullptr;
        }
    }
    if (image == nullptr) return false;
    *width = right - left;
    *height = bottom - top;
    const Channel red(attributes.visual->red_mask);
    const Channel green(attributes.visual->green_mask);
    const Channel blue(attributes.visual->blue_mask);
    rgb->resize(static_cast<std::size_t>(*width) * static_cast<std::size_t>(*height) * 3);
    std::size_t at = 0;
    for (int y = 0; y < *height; ++y) {
        for (int x = 0; x < *width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            (*rgb)[at++] = static_cast<char>(red.Of(pixel));
            (*rgb)[at++] = static_cast<char>(green.Of(pixel));
            (*rgb)[at++] = static_cast<char>(blue.Of(pixel));
        }
    }
    XDestroyImage(image);
    return true;
}

bool WritePng(const std::string& path, int width, int height, const std::string& rgb,
              std::string* message) {
    if (stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) == 0) {
        *message = "cannot write the picture '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace hpihost
