#include "x11_desktop.h"

#include <stb/stb_image_write.h>

#include <chrono>
#include <thread>
#include <vector>

// Xlib last: its macros (None, Status) would break the headers above.
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "x_test_display.h"
// clang-format on

namespace {

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Other processes' windows: waiting is all the desktop can do.
XTestInput InputOn(Display* display) {
    return XTestInput(display, Pause, {40, 60, 20});
}

std::vector<Window> ChildrenOf(Display* display, Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
        result.assign(children, children + count);
    }
    if (children != nullptr) XFree(children);
    return result;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

std::string NameOf(Display* display, Window window) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) result = name;
    if (name != nullptr) XFree(name);
    return result;
}

std::string ClassOf(Display* display, Window window) {
    XClassHint hint{};
    std::string result;
    if (XGetClassHint(display, window, &hint) != 0) {
        if (hint.res_class != nullptr) result = hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return result;
}

bool Matches(Display* display, Window window, const std::string& name, const std::string& wmClass) {
    return (name.empty() || NameOf(display, window) == name) &&
           (wmClass.empty() || ClassOf(display, window) == wmClass) && Viewable(display, window);
}

Window Search(Display* display, Window top, const std::string& name, const std::string& wmClass) {
    for (Window child : ChildrenOf(display, top)) {
        if (Matches(display, child, name, wmClass)) return child;
        if (const Window below = Search(display, child, name, wmClass); below != 0) return below;
    }
    return 0;
}

// Errors from windows that vanish between a query and the next request are
// expected here: the host owns them.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

X11Desktop::X11Desktop() : mDisplay(XOpenDisplay(nullptr)) {
    if (mDisplay != nullptr) XSetErrorHandler(IgnoreErrors);
}

X11Desktop::~X11Desktop() {
    if (mDisplay != nullptr) XCloseDisplay(mDisplay);
}

X11Desktop::WindowId X11Desktop::FindTopLevel(const std::string& wmClass, const std::string& name) {
    const std::vector<WindowId> found = TopLevels(wmClass, name);
    return found.empty() ? 0 : found.front();
}

std::vector<X11Desktop::WindowId> X11Desktop::TopLevels(const std::string& wmClass,
                                                        const std::string& name) {
    std::vector<WindowId> found;
    for (Window child : ChildrenOf(mDisplay, DefaultRootWindow(mDisplay))) {
        if (Matches(mDisplay, child, name, wmClass)) found.push_back(child);
    }
    return found;
}

X11Desktop::WindowId X11Desktop::FindInside(WindowId top, const std::string& name,
                                            const std::string& wmClass) {
    return Search(mDisplay, top, name, wmClass);
}

X11Desktop::Rect X11Desktop::Geometry(WindowId window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(mDisplay, window, &attributes) == 0) return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(mDisplay, window, DefaultRootWindow(mDisplay), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

DecodedPicture X11Desktop::Capture(const Rect& rect) {
    const Window root = DefaultRootWindow(mDisplay);
    XWindowAttributes screen{};
    XGetWindowAttributes(mDisplay, root, &screen);
    if (rect.width <= 0 || rect.height <= 0 || rect.x < 0 || rect.y < 0 ||
        rect.x + rect.width > screen.width || rect.y + rect.height > screen.height) {
        return {};
    }
    // The root window holds what is on the screen, the GL windows included.
    XImage* image = XGetImage(mDisplay, root, rect.x, rect.y, static_cast<unsigned>(rect.width),
                              static_cast<unsigned>(rect.height), AllPlanes, ZPixmap);
    if (image == nullptr) return {};
    DecodedPicture picture;
    picture.width = rect.width;
    picture.height = rect.height;
    picture.rgba.resize(static_cast<std::size_t>(rect.width) * rect.height * 4);
    std::size_t at = 0;
    for (int y = 0; y < rect.height; ++y) {
        for (int x = 0; x < rect.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            picture.rgba[at++] = static_cast<unsigned char>((pixel & image->red_mask) >> 16);
            picture.rgba[at++] = static_cast<unsigned char>((pixel & image->green_mask) >> 8);
            picture.rgba[at++] = static_cast<unsigned char>(pixel & image->blue_mask);
            picture.rgba[at++] = 255;
        }
    }
    XDestroyImage(image);
    return picture;
}

void X11Desktop::Resize(WindowId window, int width, int height) {
    XResizeWindow(mDisplay, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(mDisplay, False);
    Pause(40);
}

void X11Desktop::Focus(WindowId window) {
    XSetInputFocus(mDisplay, window, RevertToParent, CurrentTime);
    XSync(mDisplay, False);
    Pause(40);
}

void X11Desktop::MoveTo(int rootX, int rootY) {
    InputOn(mDisplay).MoveTo(rootX, rootY);
}

void X11Desktop::ParkPointer() {
    XWindowAttributes screen{};
    XGetWindowAttributes(mDisplay, DefaultRootWindow(mDisplay), &screen);
    MoveTo(screen.width - 1, screen.height - 1);
}

void X11Desktop::Button(int button, bool down) {
    InputOn(mDisplay).Button(static_cast<unsigned>(button), down);
}

void X11Desktop::Key(const std::string& keysymName, bool down) {
    InputOn(mDisplay).Key(XStringToKeysym(keysymName.c_str()), down);
}

void X11Desktop::Type(const std::string& text) {
    const KeyCode shift = XKeysymToKeycode(mDisplay, XK_Shift_L);
    for (const char c : text) {
        // Latin-1 characters are their own keysyms.
        const KeySym keysym = static_cast<KeySym>(static_cast<unsigned char>(c));
        const KeyCode code = XKeysymToKeycode(mDisplay, keysym);
        if (code == 0) continue;
        const bool shifted = XkbKeycodeToKeysym(mDisplay, code, 0, 0) != keysym;
        if (shifted) XTestFakeKeyEvent(mDisplay, shift, True, 0);
        XTestFakeKeyEvent(mDisplay, code, True, 0);
        XTestFakeKeyEvent(mDisplay, code, False, 0);
        if (shifted) XTestFakeKeyEvent(mDisplay, shift, False, 0);
        XSync(mDisplay, False);
        Pause(10);
    }
}

bool WritePng(const DecodedPicture& picture, const std::string& path) {
    return picture.Valid() && stbi_write_png(path.c_str(), picture.width, picture.height, 4,
                                             picture.rgba.data(), picture.width * 4) != 0;
}
