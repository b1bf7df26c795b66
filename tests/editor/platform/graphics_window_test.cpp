// Tarnwhistle's editor in a real X window: a test host makes a top-level
// window, opens the plug-in's editor in it through the plug-in's delegate (the
// product on the HPI adapter, with the fake HPI host), pumps its run loop and
// drives it with XTest input, then checks what the host received, the
// windows' sizes and the pixels on the screen.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/bitmap_base.h"
#include "editor/graphics.h"
#include "editor/picture_decoder.h"
#include "editor/platform/editor_window.h"
#include "editor/platform/x11_connection.h"
#include "fake_host.h"
#include "offscreen_gl.h"
#include "poll_run_loop.h"
#include "product/channel_parameters.h"
#include "resource_pictures.h"
#include "tarnwhistle.h"
#include "test_plugins.h"
#include "x_screen_resources.h"
#include "x_test_display.h"

// After every editor header: Xlib's macros would break them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <epoxy/glx.h>

namespace {

using test_plugins::PlugRef;

// Control centres in units (editor at draw scale 1).
struct Spot {
    float x;
    float y;
};
constexpr Spot kGainKnob{69.5f, 556.5f};
constexpr Spot kTrimKnob{179.5f, 556.5f};
constexpr Spot kHighPassKnob{69.0f, 433.0f};
constexpr Spot kResizer{238.0f, 652.0f};
constexpr Spot kEmptyBackground{8.0f, 8.0f};
constexpr Spot kBypassSwitch{180.0f, 631.0f};

struct Product {
    fake_host::FakeInstance instance;
    PlugRef<Tarnwhistle> plug{static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}))};
    // What an adapter owns: the plug-in's editor-window handle.
    EditorWindow editor{*plug};
};

struct Geometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Geometry&) const = default;
};

class EditorOnX : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        display = OpenTestDisplay();
        if (display == nullptr) GTEST_SKIP() << "no X display (scripts/test starts Xvfb)";
        int event = 0, error = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(display, &event, &error, &major, &minor));
        root = DefaultRootWindow(display);
        // The pointer away from every editor: a hovered control draws when the
        // pointer leaves, on whatever window is left.
        XTestFakeMotionEvent(display, DefaultScreen(display),
                             DisplayWidth(display, DefaultScreen(display)) - 1,
                             DisplayHeight(display, DefaultScreen(display)) - 1, CurrentTime);
        XSync(display, False);
        savedResources.Save(display);
        loop = std::make_unique<PollRunLoop>(GetParam());
        SetProcessRunLoop(loop.get());
        errorsBefore = SharedX11Connection().ErrorCount();
        first = MakeProduct();
        parent = MakeParent(0, 0);
        timersBefore = loop->TimerCount();
    }

    void TearDown() override {
        if (display == nullptr) return;
        for (auto* product : {first.get(), second.get()}) {
            if (product != nullptr) product->editor.Close();
        }
        second.reset();  // its idle timer too
        EXPECT_EQ(EditorWindow::OpenCount(), 0);
        EXPECT_EQ(loop->TimerCount(), timersBefore) << "a frame timer was left behind";
        EXPECT_EQ(loop->WatchCount(), 0u);
        EXPECT_EQ(SharedX11Connection().ErrorCount(), errorsBefore);
        first.reset();
        second.reset();
        SetProcessRunLoop(nullptr);
        savedResources.Restore(display);
        for (Window w : parents) XDestroyWindow(display, w);
        XCloseDisplay(display);
    }

    static std::unique_ptr<Product> MakeProduct() {
        auto product = std::make_unique<Product>();
        product->instance.answerRequests = product->plug.get();
        product->plug->Initialize(static_cast<HPI_IController*>(&product->instance));
        return product;
    }

    // A host's top-level window of the editor's size at (x, y).
    Window MakeParent(int x, int y) {
        const Window w = XCreateSimpleWindow(display, root, x, y, 248, 662, 0, 0, 0);
        XStoreName(display, w, "Tarnwhistle test host");
        XSelectInput(display, w, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapWindow(display, w);
        XSync(display, False);
        parents.push_back(w);
        return w;
    }

    // Opens product's editor in host and waits for its first frame.
    // Opens product's editor in host through its handle, as an adapter does.
    void* OpenView(Product& product, Window host, X11Connection* connection = nullptr) {
        EditorWindowSettings settings;
        settings.parent = reinterpret_cast<void*>(static_cast<uintptr_t>(host));
        settings.loop = loop.get();
        settings.connection = connection;
        settings.hostScale = hostScale;
        return product.editor.Open(settings);
    }
    // The same, waiting for the first frame.
    EditorWindow& Open(Product& product, Window host, X11Connection* connection = nullptr) {
        if (OpenView(product, host, connection) == nullptr) {
            ADD_FAILURE() << "the editor did not open";
            std::abort();
        }
        EditorWindow& window = product.editor;
        EXPECT_TRUE(loop->RunUntil([&] { return window.FramesDrawn() > 0; }));
        loop->RunFor(30);
        return window;
    }
    EditorWindow& Open() { return Open(*first, parent); }
    // The open editor's scene.
    Graphics& Scene() { return *Plug().GetGraphics(); }

    Tarnwhistle& Plug() { return *first->plug; }
    fake_host::FakeInstance& Host() { return first->instance; }

    // The host sets a parameter; returns once the editor's control holds the
    // value and, when that changed it, a frame has shown it.
    void HostSets(int paramIdx, double normalized) {
        const EditorWindow& window = first->editor;
        const int frames = window.FramesDrawn();
        const bool changes = !(std::abs(ShownValue(paramIdx) - normalized) < 1e-9);
        Plug().UpdateParameterNormalizedValue(std::to_string(paramIdx + 1).c_str(), normalized);
        EXPECT_TRUE(loop->RunUntil([&] {
            return std::abs(ShownValue(paramIdx) - normalized) < 1e-9 &&
                   (!changes || !window.IsOpen() || window.FramesDrawn() > frames);
        }));
    }
    // The normalised value the open editor's control of paramIdx holds; NaN
    // without one.
    double ShownValue(int paramIdx) {
        const Graphics* scene = Plug().GetGraphics();
        for (int i = 0; scene != nullptr && i < scene->NControls(); ++i) {
            if (scene->GetControl(i)->GetParamIdx() == paramIdx) {
                return scene->GetControl(i)->GetValue();
            }
        }
        return NAN;
    }
    // Pumps until window has drawn no frame for quietMs (its first frames and
    // late exposures done); false when it never rests within 5 s.
    bool RunUntilQuiet(const EditorWindow& window, int quietMs = 100) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        int frames = window.FramesDrawn();
        Clock::time_point quietSince = Clock::now();
        while (Clock::now() < deadline) {
            loop->RunFor(10);
            if (window.FramesDrawn() != frames) {
                frames = window.FramesDrawn();
                quietSince = Clock::now();
            } else if (Clock::now() - quietSince >= std::chrono::milliseconds(quietMs)) {
                return true;
            }
        }
        return false;
    }

    // ---- Synthetic input, in screen pixels (the host window sits at 0, 0).
    void MoveTo(int x, int y) { Input().MoveTo(x, y); }
    void MoveTo(Spot s, float scale = 1.0f) {
        MoveTo(static_cast<int>(s.x * scale), static_cast<int>(s.y * scale));
    }
    void Button(unsigned button, bool down) { Input().Button(button, down); }
    void Click(unsigned button = 1) { Input().Click(button); }
    void Key(KeySym sym, bool down) { Input().Key(sym, down); }
    XTestInput Input() {
        return XTestInput(display, [this](int ms) { loop->RunFor(ms); });
    }
    // How a drag's motion is reported.
    enum class Motion { kAbsolute, kRelative };
    // A drag of dY pixels in steps of at most step, each seen before the next.
    void DragFrom(Spot s, int dY, int step = 10, Motion motion = Motion::kAbsolute) {
        MoveTo(s);
        Button(1, true);
        for (int moved = 0; moved != dY;) {
            const int by = std::clamp(dY - moved, -step, step);
            moved += by;
            if (motion == Motion::kRelative) {
                Input().MoveBy(0, by);
            } else {
                MoveTo(static_cast<int>(s.x), static_cast<int>(s.y) + moved);
            }
        }
        Button(1, false);
    }

    Geometry GeometryOf(Window w) {
        Geometry g;
        Window r = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        XGetGeometry(display, w, &r, &g.x, &g.y, &width, &height, &border, &depth);
        g.width = static_cast<int>(width);
        g.height = static_cast<int>(height);
        return g;
    }
    Geometry EditorGeometry(EditorWindow& window) { return GeometryOf(window.NativeWindow()); }
    bool WaitForSize(Window w, int width, int height) {
        return loop->RunUntil([&] {
            const Geometry g = GeometryOf(w);
            return g.width == width && g.height == height;
        });
    }

    // ---- The screen's resource database (Xft.dpi).
    void SetResources(const std::string& text) { SavedScreenResources::Set(display, text); }
    void SetDpi(int dpi) {
        SetResources("Xft.antialias:\t1\nXft.dpi:\t" + std::to_string(dpi) + "\n");
    }

    // Gesture calls of the fake host: touch, set-value request, release.
    std::vector<std::string> GestureCalls() {
        std::vector<std::string> found;
        for (const std::string& call : Host().calls) {
            for (const char* kind : {"touch:", "request:", "release:"}) {
                if (call.rfind(kind, 0) == 0) found.push_back(call);
            }
        }
        return found;
    }

    Display* display = nullptr;
    Window root = 0;
    Window parent = 0;
    std::vector<Window> parents;
    std::unique_ptr<PollRunLoop> loop;
    std::unique_ptr<Product> first;
    std::unique_ptr<Product> second;
    std::size_t timersBefore = 0;
    float hostScale = 0.0f;  // the host's screen scale for the editors opened
    int errorsBefore = 0;
    SavedScreenResources savedResources;
};

TEST_P(EditorOnX, OpensAsANamedChildOfTheHostWindowAtTheEditorSize) {
    EditorWindow& window = Open();
    const Window editor = window.NativeWindow();
    Window r = 0, above = 0, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(display, editor, &r, &above, &children, &count));
    if (children != nullptr) XFree(children);
    EXPECT_EQ(above, parent);
    EXPECT_EQ(EditorGeometry(window), (Geometry{0, 0, 248, 662}));
    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(display, editor, &hint));
    EXPECT_STREQ(hint.res_class, "EditorWndClass");
    XFree(hint.res_name);
    XFree(hint.res_class);
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(display, editor, &name));
    EXPECT_STREQ(name, "Editor");
    XFree(name);
    EXPECT_EQ(Scene().NControls(), 12);
}

TEST_P(EditorOnX, AKnobDragMovesItsParameterInOneGestureAndLeavesThePointerWhereItWas) {
    Open();
    const double before = Plug().GetParam(kPreampGain)->GetNorm();
    DragFrom(kGainKnob, -30);
    // Three steps of 10 pixels at four pixels per unit of a 77-unit knob.
    EXPECT_NEAR(Plug().GetParam(kPreampGain)->GetNorm(), before + 30.0 / 77.0 / 4.0, 1e-9);
    const std::vector<std::string> calls = GestureCalls();
    const std::size_t requests = Host().CallsOf("request").size();
    ASSERT_GE(requests, 1u);
    // One touch and one release of the gesture around the requests, which the
    // host interface wraps in their own touch and release.
    EXPECT_EQ(calls.size(), 2 + 3 * requests);
    EXPECT_EQ(calls.front(), "touch:1");
    EXPECT_EQ(calls.back(), "release:1");
    // The locked cursor went back where the press began.
    Window r = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(display, root, &r, &child, &rootX, &rootY, &x, &y, &mask);
    EXPECT_EQ(rootX, static_cast<int>(kGainKnob.x));
    EXPECT_EQ(rootY, static_cast<int>(kGainKnob.y));
}

// A drag means the pointer's travel, however the pointer reports it: absolute
// positions (tablets, remote desktops, XTest) in many small steps or one
// large one, or relative motion as a mouse gives it; Control makes it finer.
TEST_P(EditorOnX, ADragMovesAKnobByThePointersTravelWhateverReportsIt) {
    Open();
    const struct {
        const char* what;
        int step;
        Motion motion;
        bool control;
        double pixelsPerUnit;
    } kCases[] = {{"absolute, ten steps of 2", 2, Motion::kAbsolute, false, 4.0},
                  {"absolute, one step of 20", 20, Motion::kAbsolute, false, 4.0},
                  {"relative, ten steps of 2", 2, Motion::kRelative, false, 4.0},
                  {"absolute, ten steps of 2, Control", 2, Motion::kAbsolute, true, 40.0},
                  {"relative, one step of 20, Control", 20, Motion::kRelative, true, 40.0}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        HostSets(kOutputTrim, 0.5);
        loop->RunFor(450);  // the press is no double click of the last one
        if (c.control) Key(XK_Control_L, true);
        DragFrom(kTrimKnob, -20, c.step, c.motion);
        if (c.control) Key(XK_Control_L, false);
        EXPECT_NEAR(Plug().GetParam(kOutputTrim)->GetNorm(), 0.5 + 20.0 / 77.0 / c.pixelsPerUnit,
                    1e-9);
    }
}

TEST_P(EditorOnX, WheelNotchesStepASelectorWithoutAGesture) {
    Open();
    MoveTo(kHighPassKnob);
    const struct {
        unsigned button;
        double expected;
    } kNotches[] = {{4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 4}, {5, 3}, {6, 3}, {7, 3}};
    for (const auto& notch : kNotches) {
        SCOPED_TRACE(notch.button);
        Click(notch.button);
        EXPECT_EQ(Plug().GetParam(kHighPass)->GetValue(), notch.expected);
    }
    EXPECT_TRUE(Host().CallsOf("touch").size() == Host().CallsOf("request").size());
}

// A host that drives the editor by its own timer and descriptor callbacks
// (CLAP's timer and descriptor support, VST3's run loop) gives the handle no
// run loop: the editor then draws at its ticks and hears its input when the
// connection's descriptor is readable (or at the next tick, when Xlib read
// them already on the way of a round trip).
TEST_P(EditorOnX, AHostsOwnTimerAndDescriptorCallbacksDriveTheEditor) {
    EditorWindow& editor = first->editor;
    EditorWindowSettings settings;
    settings.parent = reinterpret_cast<void*>(static_cast<uintptr_t>(parent));
    ASSERT_NE(editor.Open(settings), nullptr);
    EXPECT_EQ(loop->TimerCount(), timersBefore) << "no timer on any loop of ours";
    EXPECT_EQ(loop->WatchCount(), 0u);
    const int fd = editor.ConnectionFd();
    ASSERT_GE(fd, 0);
    const int periodMs = editor.TickPeriodMs();
    EXPECT_EQ(periodMs, 15);
    // The host's loop: a tick every period, the descriptor watched between.
    auto hostRuns = [&](int ms) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
        Clock::time_point nextTick = Clock::now();
        while (Clock::now() < end) {
            if (Clock::now() >= nextTick) {
                editor.Tick();
                nextTick += std::chrono::milliseconds(periodMs);
            }
            pollfd watch{fd, POLLIN, 0};
            if (poll(&watch, 1, 2) > 0 && (watch.revents & POLLIN) != 0) {
                editor.ConnectionReadable();
            }
        }
    };
    for (int waited = 0; editor.FramesDrawn() == 0 && waited < 5000; waited += 50) hostRuns(50);
    ASSERT_GT(editor.FramesDrawn(), 0);
    const double before = Plug().GetParam(kBypass)->GetValue();
    XTestInput input(display, hostRuns);
    input.MoveTo(static_cast<int>(kBypassSwitch.x), static_cast<int>(kBypassSwitch.y));
    input.Click();
    EXPECT_EQ(Plug().GetParam(kBypass)->GetValue(), 1.0 - before);
    editor.Close();
    EXPECT_EQ(editor.ConnectionFd(), -1);
}

TEST_P(EditorOnX, SwitchClicksToggleTheirParameters) {
    Open();
    const struct {
        const char* what;
        Spot spot;
        int paramIdx;
    } kSwitches[] = {{"Bypass", {180, 631}, kBypass},
                     {"Mic Pre", {70, 631}, kMicPre},
                     {"Oversampling", {124, 652}, kOversampling}};
    for (const auto& s : kSwitches) {
        SCOPED_TRACE(s.what);
        const double before = Plug().GetParam(s.paramIdx)->GetValue();
        MoveTo(s.spot);
        Click();
        EXPECT_EQ(Plug().GetParam(s.paramIdx)->GetValue(), 1.0 - before);
        loop->RunFor(450);  // the next click is no double click
        Click();
        EXPECT_EQ(Plug().GetParam(s.paramIdx)->GetValue(), before);
    }
}

TEST_P(EditorOnX, TheCornerHandleScalesEditorAndHostWindowAndADoubleClickRestoresThem) {
    EditorWindow& window = Open();
    MoveTo(kResizer);
    Button(1, true);
    MoveTo(300, 815);  // 815 / 652 = 1.25 is the smaller of the two ratios
    Button(1, false);
    // 248 x 662 at draw scale 1.25, the aspect ratio kept; the host's window
    // (which did not resize itself) grows with it.
    EXPECT_TRUE(WaitForSize(window.NativeWindow(), 310, 827));
    EXPECT_TRUE(WaitForSize(parent, 310, 827));
    EXPECT_FLOAT_EQ(Scene().DrawScale(), 1.25f);
    loop->RunFor(500);
    MoveTo(kResizer, 1.25f);
    Input().Clicks(2);
    EXPECT_TRUE(WaitForSize(window.NativeWindow(), 248, 662));
    EXPECT_TRUE(WaitForSize(parent, 248, 662));
    EXPECT_FLOAT_EQ(Scene().DrawScale(), 1.0f);
}

TEST_P(EditorOnX, AHostsNestedWindowsGrowWithTheEditorUpToItsTopLevel) {
    // The host's top-level window holds a panel, which holds the editor.
    const Window panel = XCreateSimpleWindow(display, parent, 0, 0, 248, 662, 0, 0, 0);
    XMapWindow(display, panel);
    XSync(display, False);
    EditorWindow& window = Open(*first, panel);
    MoveTo(kResizer);
    Button(1, true);
    MoveTo(300, 815);
    Button(1, false);
    EXPECT_TRUE(WaitForSize(window.NativeWindow(), 310, 827));
    EXPECT_TRUE(WaitForSize(panel, 310, 827));
    EXPECT_TRUE(WaitForSize(parent, 310, 827));
    // The root window stays as it is.
    EXPECT_EQ(GeometryOf(root).width, DisplayWidth(display, DefaultScreen(display)));
}

TEST_P(EditorOnX, At144DpiTheEditorOpensWholeAndItsFirstTickMakesIt372By993) {
    SetDpi(144);
    ASSERT_NE(OpenView(*first, parent), nullptr);
    EditorWindow& window = first->editor;
    EXPECT_EQ(Scene().GetScreenScale(), 1.0f);
    EXPECT_TRUE(WaitForSize(window.NativeWindow(), 372, 993));
    EXPECT_EQ(Scene().GetScreenScale(), 1.5f);
    EXPECT_EQ(Scene().DrawScale(), 1.0f);
}

TEST_P(EditorOnX, AChangedDpiRescalesTheOpenEditorButNotDuringADrag) {
    EditorWindow& window = Open();
    MoveTo(kGainKnob);
    Button(1, true);
    SetDpi(144);
    MoveTo(static_cast<int>(kGainKnob.x), static_cast<int>(kGainKnob.y) - 10);
    loop->RunFor(100);
    EXPECT_EQ(Scene().GetScreenScale(), 1.0f);
    EXPECT_EQ(GeometryOf(window.NativeWindow()).width, 248);
    Button(1, false);
    EXPECT_TRUE(WaitForSize(window.NativeWindow(), 372, 993));
    EXPECT_EQ(Scene().GetScreenScale(), 1.5f);
    // Back to no setting: scale 1.
    XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
    XSync(display, False);
    EXPECT_TRUE(WaitForSize(window.NativeWindow(), 248, 662));
}

// Frame `frame` of a knob strip over the background at one picture pixel per
// screen pixel; the largest channel difference from the screen.
int FrameDifference(XImage* shot, const char* file, int frames, int frame, int unitX, int unitY) {
    const DecodedPicture& strip = ResourcePicture(file);
    const DecodedPicture& bg = ResourcePicture("BG@2x.png");
    auto at = [](const DecodedPicture& p, int x, int y, int c) {
        return p.rgba[(static_cast<std::size_t>(y) * p.width + x) * 4 + c];
    };
    const int frameHeight = strip.height / frames;
    int worst = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < strip.width; ++x) {
            const int sx = unitX * 2 + x, sy = unitY * 2 + y;
            const unsigned long pixel = XGetPixel(shot, sx - unitX * 2, sy - unitY * 2);
            const int screen[3] = {static_cast<int>((pixel >> 16) & 0xFF),
                                   static_cast<int>((pixel >> 8) & 0xFF),
                                   static_cast<int>(pixel & 0xFF)};
            const double a = at(strip, x, frame * frameHeight + y, 3) / 255.0;
            for (int c = 0; c < 3; ++c) {
                const double expected =
                    at(strip, x, frame * frameHeight + y, c) * a + at(bg, sx, sy, c) * (1.0 - a);
                worst =
                    std::max(worst, static_cast<int>(std::lround(std::abs(screen[c] - expected))));
            }
        }
    }
    return worst;
}

TEST_P(EditorOnX, AtScale2TheScreenShowsTheKnobsFrameForItsValue) {
    SetDpi(192);
    // The host's window shows the part of the editor the screen holds.
    XResizeWindow(display, parent, 496, 1000);
    XSync(display, False);
    EditorWindow& window = Open();
    ASSERT_EQ(Scene().GetScreenScale(), 2.0f);
    // The high band's gain knob, at 141, 25 units: 154 x 154 pixels on screen.
    // 61 frames: the first at the bottom of the range, the 31st in the middle.
    const struct {
        double norm;
        int frame;
    } kValues[] = {{0.0, 0}, {0.5, 30}, {1.0, 60}};
    for (const auto& [norm, frame] : kValues) {
        SCOPED_TRACE(norm);
        HostSets(kHighGain, norm);
        XImage* shot =
            XGetImage(display, window.NativeWindow(), 282, 50, 154, 154, AllPlanes, ZPixmap);
        ASSERT_NE(shot, nullptr);
        EXPECT_LE(FrameDifference(shot, "BGAIN@2x.png", 61, frame, 141, 25), 1);
        // The neighbouring frame does not match: the comparison tells them apart.
        EXPECT_GT(FrameDifference(shot, "BGAIN@2x.png", 61, frame == 0 ? 1 : frame - 1, 141, 25),
                  8);
        XDestroyImage(shot);
    }
}

TEST_P(EditorOnX, KeysTheEditorDoesNotUseReachTheHostsTopLevelWindow) {
    Open();
    MoveTo(kEmptyBackground);
    Click();  // the editor takes the keyboard focus
    Key(XK_q, true);
    Key(XK_q, false);
    XSync(display, False);
    int forwarded = 0;
    XEvent event;
    while (XCheckTypedWindowEvent(display, parent, KeyPress, &event)) {
        if (event.xkey.send_event && XLookupKeysym(&event.xkey, 0) == XK_q) ++forwarded;
    }
    EXPECT_EQ(forwarded, 1);
}

TEST_P(EditorOnX, AReopenedEditorStaysWhereItWas) {
    EditorWindow& window = Open();
    const Window before = window.NativeWindow();
    XMoveWindow(display, before, 10, 20);
    XSync(display, False);
    EditorWindow& again = Open();
    EXPECT_EQ(&again, &window);
    EXPECT_EQ(EditorGeometry(again), (Geometry{10, 20, 248, 662}));
    EXPECT_EQ(EditorWindow::OpenCount(), 1);
}

TEST_P(EditorOnX, AnIdleEditorDrawsNothing) {
    EditorWindow& window = Open();
    ASSERT_TRUE(RunUntilQuiet(window));
    const int frames = window.FramesDrawn();
    const int switches = window.ContextSwitches();
    loop->RunFor(300);
    EXPECT_EQ(window.FramesDrawn(), frames);
    EXPECT_EQ(window.ContextSwitches(), switches);
    // The same loop draws what changes: a value from the host is one more frame.
    HostSets(kHighGain, 0.25);
    EXPECT_GT(window.FramesDrawn(), frames);
    EXPECT_GT(window.ContextSwitches(), switches);
}

TEST_P(EditorOnX, ManyOpeningsAndTwoEditorsAtOnceLeaveNothingBehind) {
    for (int round = 0; round < 15; ++round) {
        SCOPED_TRACE(round);
        EditorWindow& window = Open();
        EXPECT_GT(window.FramesDrawn(), 0);
        Plug().CloseWindow();
        EXPECT_EQ(EditorWindow::OpenCount(), 0);
        EXPECT_EQ(loop->TimerCount(), timersBefore);
    }
    second = MakeProduct();
    const Window otherHost = MakeParent(300, 0);
    EditorWindow& one = Open();
    EditorWindow& two = Open(*second, otherHost);
    EXPECT_EQ(EditorWindow::OpenCount(), 2);
    EXPECT_EQ(loop->TimerCount(),
              timersBefore + 3);  // the second plug-in's idle timer, two frame timers
    // Each editor gets its own input: a click on the second one's switch.
    MoveTo(300 + 180, 631);
    Click();
    EXPECT_EQ(second->plug->GetParam(kBypass)->GetValue(), 0.0);
    EXPECT_EQ(Plug().GetParam(kBypass)->GetValue(), 1.0);
    Plug().CloseWindow();
    // The survivor still draws on the shared connection.
    const int frames = two.FramesDrawn();
    second->plug->UpdateParameterNormalizedValue("11", 0.75);
    EXPECT_TRUE(loop->RunUntil([&] { return two.FramesDrawn() > frames; }));
    (void)one;
    second->plug->CloseWindow();
}

TEST_P(EditorOnX, AnotherEditorsDelayedErrorKeepsAnEditorNeitherFromOpeningNorFromDrawing) {
    // With the host's scale, opening asks the server nothing before it checks its parent.
    hostScale = 1.0f;
    second = MakeProduct();
    const Window otherHost = MakeParent(300, 0);
    EditorWindow& one = Open();
    // The host destroys the first editor's window with its own; that editor
    // has not heard of it yet, and what it sends there next fails on the
    // server while the second editor opens and draws on the same connection.
    XDestroyWindow(display, parent);
    parents.erase(parents.begin());
    XSync(display, False);
    const int errors = SharedX11Connection().ErrorCount();
    one.HideWindow();
    ASSERT_NE(OpenView(*second, otherHost), nullptr);
    EditorWindow& two = second->editor;
    EXPECT_EQ(SharedX11Connection().ErrorCount(), errors + 1) << "the first editor's error arrived";
    EXPECT_TRUE(loop->RunUntil([&] { return two.FramesDrawn() > 0; }));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const int frames = two.FramesDrawn();
        one.HideWindow();
        second->plug->UpdateParameterNormalizedValue("11", round % 2 == 0 ? 1.0 : 0.0);
        EXPECT_TRUE(loop->RunUntil([&] { return two.FramesDrawn() > frames; }));
    }
    errorsBefore = SharedX11Connection().ErrorCount();
}

TEST_P(EditorOnX, EditorsOnTwoConnectionsEachHearOnlyTheirOwnInputAndErrors) {
    X11Connection connections[2];
    second = MakeProduct();
    const Window otherHost = MakeParent(300, 0);
    Open(*first, parent, &connections[0]);
    EditorWindow& two = Open(*second, otherHost, &connections[1]);
    ASSERT_NE(connections[0].Handle(), nullptr);
    ASSERT_NE(connections[1].Handle(), nullptr);
    EXPECT_NE(connections[0].Handle(), connections[1].Handle());
    EXPECT_EQ(SharedX11Connection().Handle(), nullptr);

    // A click on one editor's Bypass switch toggles only that plug-in's.
    const struct {
        int hostX;
        Product* clicked;
        Product* other;
    } kClicks[] = {{300, second.get(), first.get()}, {0, first.get(), second.get()}};
    for (const auto& c : kClicks) {
        SCOPED_TRACE(c.hostX);
        const double clicked = c.clicked->plug->GetParam(kBypass)->GetValue();
        const double other = c.other->plug->GetParam(kBypass)->GetValue();
        MoveTo(c.hostX + static_cast<int>(kBypassSwitch.x), static_cast<int>(kBypassSwitch.y));
        Click();
        EXPECT_EQ(c.clicked->plug->GetParam(kBypass)->GetValue(), 1.0 - clicked);
        EXPECT_EQ(c.other->plug->GetParam(kBypass)->GetValue(), other);
        loop->RunFor(450);  // the next click is no double click
    }

    // An error is counted on the connection it happened on only.
    {
        X11Connection::ErrorScope errors;
        XMapWindow(connections[0].Handle(), None);
        XSync(connections[0].Handle(), False);
    }
    EXPECT_EQ(connections[0].ErrorCount(), 1);
    EXPECT_EQ(connections[1].ErrorCount(), 0);

    // Each connection closes with its own editor; the other still draws.
    Plug().CloseWindow();
    EXPECT_EQ(connections[0].Handle(), nullptr);
    const int frames = two.FramesDrawn();
    second->plug->UpdateParameterNormalizedValue("11", 0.75);
    EXPECT_TRUE(loop->RunUntil([&] { return two.FramesDrawn() > frames; }));
    second->plug->CloseWindow();
    EXPECT_EQ(connections[1].Handle(), nullptr);
}

TEST_P(EditorOnX, AHostThatDestroysItsWindowFirstStillClosesTheEditorCleanly) {
    EditorWindow& window = Open();
    XDestroyWindow(display, parent);
    parents.clear();
    XSync(display, False);
    loop->RunFor(100);
    EXPECT_EQ(window.NativeWindow(), 0u);
    // Opened again in a new window of the host's, then closed.
    parent = MakeParent(0, 0);
    EditorWindow& again = Open();
    EXPECT_NE(again.NativeWindow(), 0u);
    EXPECT_EQ(EditorWindow::OpenCount(), 1);
    Plug().CloseWindow();
    EXPECT_EQ(EditorWindow::OpenCount(), 0);
    // And destroyed under it once more, then closed.
    parent = MakeParent(0, 0);
    Open();
    XDestroyWindow(display, parent);
    parents.clear();
    XSync(display, False);
    loop->RunFor(100);
    Plug().CloseWindow();
}

// A host's own GLX context on its own connection, current on the thread,
// holding a texture.
struct HostGlContext {
    explicit HostGlContext(Display* display) : display(display) {
        const int attributes[] = {GLX_DRAWABLE_TYPE,
                                  GLX_WINDOW_BIT,
                                  GLX_RENDER_TYPE,
                                  GLX_RGBA_BIT,
                                  GLX_DOUBLEBUFFER,
                                  True,
                                  None};
        int count = 0;
        GLXFBConfig* configs =
            glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
        if (configs == nullptr) return;
        XVisualInfo* visual = glXGetVisualFromFBConfig(display, configs[0]);
        XSetWindowAttributes set{};
        set.colormap =
            XCreateColormap(display, DefaultRootWindow(display), visual->visual, AllocNone);
        window = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 8, 8, 0, visual->depth,
                               InputOutput, visual->visual, CWColormap, &set);
        colormap = set.colormap;
        XFree(visual);
        context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
        XFree(configs);
        if (context == nullptr || !glXMakeCurrent(display, window, context)) return;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        const unsigned char pixel[4] = {1, 2, 3, 4};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    }
    ~HostGlContext() {
        glXMakeCurrent(display, None, nullptr);
        if (context != nullptr) glXDestroyContext(display, context);
        if (window != 0) XDestroyWindow(display, window);
        if (colormap != 0) XFreeColormap(display, colormap);
        XSync(display, False);
    }
    Display* display;
    Window window = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
    GLuint texture = 0;
};

// A toolkit's error handler installed while the editor is open: an error of
// any connection but the host's own would end the host.
Display* gToolkitDisplay = nullptr;
int gForeignErrors = 0;
int ToolkitErrorHandler(Display* display, XErrorEvent*) {
    if (display != gToolkitDisplay) ++gForeignErrors;
    return 0;
}

TEST_P(EditorOnX, AHostThatDestroysItsWindowBeforeClosingKeepsItsContextAndErrorHandler) {
    HostGlContext host(display);
    ASSERT_NE(host.texture, 0u);
    Open();
    gToolkitDisplay = display;
    gForeignErrors = 0;
    const XErrorHandler before = XSetErrorHandler(ToolkitErrorHandler);
    XDestroyWindow(display, parent);
    parents.clear();
    XSync(display, False);
    // No events pumped: the editor learns of it only by trying.
    Plug().CloseWindow();
    XSetErrorHandler(before);
    EXPECT_EQ(gForeignErrors, 0);
    EXPECT_EQ(glXGetCurrentContext(), host.context);
    EXPECT_TRUE(glIsTexture(host.texture));
    // The editor's failed requests were counted as its own, and only then
    // does the baseline move.
    EXPECT_GT(SharedX11Connection().ErrorCount(), errorsBefore);
    errorsBefore = SharedX11Connection().ErrorCount();
}

TEST_P(EditorOnX, AHostsEglContextKeepsItsFramebufferPixelsAndStaysCurrent) {
    if (test_support::OffscreenGl::Current() == nullptr) {
        GTEST_SKIP() << test_support::OffscreenGl::Failure();
    }
    const EGLContext hostContext = eglGetCurrentContext();
    const EGLDisplay hostDisplay = eglGetCurrentDisplay();
    GLuint texture = 0, framebuffer = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 8, 8, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const test_support::Picture before = test_support::ReadPicture(8, 8);

    Open();
    HostSets(kHighGain, 0.75);
    Plug().CloseWindow();

    EXPECT_EQ(eglGetCurrentContext(), hostContext);
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), framebuffer);
    EXPECT_EQ(test_support::ReadPicture(8, 8).rgba, before.rgba);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
    // The other tests run without it.
    eglMakeCurrent(hostDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

INSTANTIATE_TEST_SUITE_P(RunLoops, EditorOnX, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "EventsWatched" : "EventsReadEachTick";
                         });

}  // namespace
