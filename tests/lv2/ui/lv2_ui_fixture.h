#pragma once
// The LV2 UI tests' fixture: a real X server (the test's own connection for
// synthetic input and looking at windows), UI hosts of the test's making,
// the hosts' idle calls, and where the product's controls are.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/run_loop.h"
#include "editor/control.h"
#include "editor/graphics.h"
#include "editor/picture_decoder.h"
#include "editor/platform/editor_window.h"
#include "editor/platform/x11_connection.h"
#include "product/channel_parameters.h"
#include "product_controls.h"
#include "resource_pictures.h"
#include "ui_test_host.h"
#include "x_screen_resources.h"
#include "x_test_display.h"

// After every editor header: Xlib's macros would break them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace ui_test {

// Control centres in units (editor at draw scale 1).
struct Spot {
    float x;
    float y;
};
constexpr Spot kGainKnob{69.5f, 556.5f};
constexpr Spot kTrimKnob{179.5f, 556.5f};
constexpr Spot kMicPreSwitch{70.0f, 631.5f};
constexpr Spot kResizer{238.0f, 652.0f};

// Where each control sits and what it shows (the product's layout, in units).
using Place = ControlPlace;
inline constexpr const auto& kPlaces = kControlPlaces;

// Open socket descriptors of the process (X connections among them).
inline int OpenSockets() {
    int sockets = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (const dirent* entry = readdir(dir)) {
        struct stat info {};
        const std::string path = std::string("/proc/self/fd/") + entry->d_name;
        if (stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) ++sockets;
    }
    closedir(dir);
    return sockets;
}

class LV2Ui : public testing::Test {
protected:
    void SetUp() override {
        display = OpenTestDisplay();
        if (display == nullptr) GTEST_SKIP() << "no X display (scripts/test starts Xvfb)";
        int event = 0, error = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(display, &event, &error, &major, &minor));
        root = DefaultRootWindow(display);
        // The pointer away from every editor: a hovered control draws differently.
        XTestFakeMotionEvent(display, DefaultScreen(display),
                             DisplayWidth(display, DefaultScreen(display)) - 1,
                             DisplayHeight(display, DefaultScreen(display)) - 1, CurrentTime);
        XSync(display, False);
        savedResources.Save(display);
        errorsBefore = SharedX11Connection().ErrorCount();
        defaultLoopTimers = DefaultRunLoop().TimerCount();
        socketsBefore = OpenSockets();
    }

    void TearDown() override {
        if (display == nullptr) return;
        hosts.clear();
        EXPECT_EQ(EditorWindow::OpenCount(), 0);
        EXPECT_EQ(SharedX11Connection().ErrorCount(), errorsBefore);
        EXPECT_EQ(OpenSockets(), socketsBefore) << "the editors' display connection is still open";
        EXPECT_EQ(&ProcessRunLoop(), &DefaultRunLoop());
        EXPECT_EQ(DefaultRunLoop().TimerCount(), defaultLoopTimers)
            << "a timer outside a UI's loop";
        savedResources.Restore(display);
        XCloseDisplay(display);
    }

    // A host with the given offer; its UI open and drawn.
    UiHost& OpenHost(Offer offer = {}, int parentX = 0, int parentY = 0) {
        hosts.push_back(std::make_unique<UiHost>(display, offer, parentX, parentY));
        UiHost& host = *hosts.back();
        if (!host.Instantiate()) {
            ADD_FAILURE() << "the UI did not open";
            std::abort();
        }
        EXPECT_TRUE(PumpUntil([&] { return WindowOf(host).FramesDrawn() > 0; }));
        Pump(30);
        return host;
    }

    // The UI's open editor: its scene, and the window handle it is shown through.
    static Graphics& EditorOf(UiHost& host) { return *host.Ui().GetGraphics(); }
    static const EditorWindow& WindowOf(UiHost& host) { return host.Ui().Window(); }
    // The normalised value the control of paramIdx shows.
    static double ShownValue(UiHost& host, int paramIdx) {
        const Graphics& g = *host.Ui().GetGraphics();
        for (int i = 0; i < g.NControls(); ++i) {
            if (g.GetControl(i)->GetParamIdx() == paramIdx) return g.GetControl(i)->GetValue();
        }
        return NAN;
    }

    // The host's idle calls, every 2 ms, for ms milliseconds.
    void Pump(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            for (auto& host : hosts) EXPECT_EQ(host->Idle(), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    template <typename Condition>
    bool PumpUntil(Condition condition, int ms = 3000) {
        for (int waited = 0; waited < ms; waited += 10) {
            if (condition()) return true;
            Pump(10);
        }
        return condition();
    }

    // Pumps until window has drawn no frame for quietMs (its first frames
    // and late exposures done); false when it never rests within 5 s.
    bool PumpUntilQuiet(const EditorWindow& window, int quietMs = 100) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        int frames = window.FramesDrawn();
        Clock::time_point quietSince = Clock::now();
        while (Clock::now() < deadline) {
            Pump(10);
            if (window.FramesDrawn() != frames) {
                frames = window.FramesDrawn();
                quietSince = Clock::now();
            } else if (Clock::now() - quietSince >= std::chrono::milliseconds(quietMs)) {
                return true;
            }
        }
        return false;
    }

    // What a window manager sends when the user closes host's own editor
    // window; the host's idle result once it is not 0 (or after 3 s).
    int CloseAsTheWindowManagerDoes(UiHost& host) {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = host.Widget();
        close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        close.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, host.Widget(), False, NoEventMask, &close);
        XSync(display, False);
        int closed = 0;
        for (int waited = 0; waited < 3000 && closed == 0; waited += 10) {
            closed = host.Idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return closed;
    }

    // ---- Synthetic input, in screen pixels.
    void MoveTo(int x, int y) { Input().MoveTo(x, y); }
    void MoveTo(Spot s, float scale = 1.0f, int dx = 0) {
        MoveTo(static_cast<int>(s.x * scale) + dx, static_cast<int>(s.y * scale));
    }
    void Button(unsigned button, bool down) { Input().Button(button, down); }
    void Key(KeySym sym, bool down) { Input().Key(sym, down); }
    XTestInput Input() {
        return XTestInput(display, [this](int ms) { Pump(ms); });
    }
    void DragFrom(Spot s, int dY, int dx = 0) {
        MoveTo(s, 1.0f, dx);
        Button(1, true);
        for (int moved = 0; moved != dY;) {
            const int step = std::clamp(dY - moved, -10, 10);
            moved += step;
            MoveTo(static_cast<int>(s.x) + dx, static_cast<int>(s.y) + moved);
        }
        Button(1, false);
        Pump(450);  // the next press is no double click
    }

    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Geometry&) const = default;
    };
    Geometry GeometryOf(unsigned long w) {
        Geometry g;
        ::Window r = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        XGetGeometry(display, w, &r, &g.x, &g.y, &width, &height, &border, &depth);
        g.width = static_cast<int>(width);
        g.height = static_cast<int>(height);
        return g;
    }
    unsigned long ParentOf(unsigned long w) {
        ::Window r = 0, above = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, w, &r, &above, &children, &count)) return 0;
        if (children != nullptr) XFree(children);
        return above;
    }
    unsigned ChildrenOf(unsigned long w) {
        ::Window r = 0, above = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, w, &r, &above, &children, &count)) return 0;
        if (children != nullptr) XFree(children);
        return count;
    }

    // ---- The screen's resource database (Xft.dpi).
    void SetResources(const std::string& text) { SavedScreenResources::Set(display, text); }

    // At screen scale 2 (one picture pixel per screen pixel): the largest
    // channel difference between the screen and frame `frame` of place's
    // strip over the background. The host window is moved so the control is
    // on the screen (the uncovered part is drawn again at a later tick: poll).
    int FrameDifference(UiHost& host, const Place& place, int frame) {
        const DecodedPicture& strip = ResourcePicture(place.file);
        const DecodedPicture& bg = ResourcePicture("BG@2x.png");
        const int frameHeight = strip.height / place.frames;
        const int bottom = place.y * 2 + frameHeight;
        const int screenHeight = DisplayHeight(display, DefaultScreen(display));
        const int shift = std::max(0, bottom - screenHeight + 8);
        if (GeometryOf(host.Parent()).y != -shift) {
            XMoveWindow(display, host.Parent(), 0, -shift);
            XSync(display, False);
        }
        XImage* shot = XGetImage(display, host.Widget(), place.x * 2, place.y * 2,
                                 static_cast<unsigned>(strip.width),
                                 static_cast<unsigned>(frameHeight), AllPlanes, ZPixmap);
        if (shot == nullptr) return 1000;
        auto at = [](const DecodedPicture& p, int x, int y, int c) {
            return p.rgba[(static_cast<std::size_t>(y) * p.width + x) * 4 + c];
        };
        int worst = 0;
        for (int y = 0; y < frameHeight; ++y) {
            for (int x = 0; x < strip.width; ++x) {
                const int sx = place.x * 2 + x, sy = place.y * 2 + y;
                const unsigned long pixel = XGetPixel(shot, x, y);
                const int screen[3] = {static_cast<int>((pixel >> 16) & 0xFF),
                                       static_cast<int>((pixel >> 8) & 0xFF),
                                       static_cast<int>(pixel & 0xFF)};
                const double a = at(strip, x, frame * frameHeight + y, 3) / 255.0;
                for (int c = 0; c < 3; ++c) {
                    const double expected = at(strip, x, frame * frameHeight + y, c) * a +
                                            at(bg, sx, sy, c) * (1.0 - a);
                    worst = std::max(worst,
                                     static_cast<int>(std::lround(std::abs(screen[c] - expected))));
                }
            }
        }
        XDestroyImage(shot);
        return worst;
    }

    Display* display = nullptr;
    ::Window root = 0;
    std::vector<std::unique_ptr<UiHost>> hosts;
    int errorsBefore = 0;
    std::size_t defaultLoopTimers = 0;
    int socketsBefore = 0;
    SavedScreenResources savedResources;
};
}  // namespace ui_test
