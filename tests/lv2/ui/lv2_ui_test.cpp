// Tarnwhistle's LV2 UI in a small test host under a real X server: the
// controls on the screen, values both ways, gestures, the editor size with
// the host and the plug-in, idle work, hosts that offer little, and several
// UIs opening and closing in one process.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor/bitmap_base.h"
#include "editor/control.h"
#include "editor/graphics.h"
#include "editor/picture_decoder.h"
#include "lv2_ui_fixture.h"
#include "product/channel_parameters.h"
#include "resource_pictures.h"
#include "ui_test_host.h"
#include "x_screen_resources.h"
#include "x_test_display.h"

// After every editor header: Xlib's macros would break them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

using namespace ui_test;

TEST(LV2UiModule, ExportsOnlyItsDescriptorOfOneUiForBothPlugins) {
    void* module = dlopen(TW_LV2_UI_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using DescriptorFunc = const LV2UI_Descriptor* (*)(uint32_t);
    auto descriptor = reinterpret_cast<DescriptorFunc>(dlsym(module, "lv2ui_descriptor"));
    ASSERT_NE(descriptor, nullptr);
    ASSERT_NE(descriptor(0), nullptr);
    EXPECT_STREQ(descriptor(0)->URI, "urn:quernstoneworks:tarnwhistle:ui");
    EXPECT_EQ(descriptor(1), nullptr);
    EXPECT_EQ(dlclose(module), 0);

    if (std::system("command -v nm > /dev/null 2>&1") != 0) GTEST_SKIP() << "no nm";
    const std::string command = std::string("nm -D --defined-only '") + TW_LV2_UI_MODULE + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> defined;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char address[64], type[8], name[512];
        if (std::sscanf(line, "%63s %7s %511s", address, type, name) == 3) defined.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(defined, std::set<std::string>{"lv2ui_descriptor"});
}

// The host's own error handler, and a toolkit's installed while the editor
// is open that passes on what is not its own to the handler before it.
int gHostErrors = 0;
XErrorHandler gBeforeToolkit = nullptr;
int HostErrorHandler(Display*, XErrorEvent*) {
    ++gHostErrors;
    return 0;
}
int ToolkitErrorHandler(Display* display, XErrorEvent* error) {
    return gBeforeToolkit != nullptr ? gBeforeToolkit(display, error) : 0;
}

// The module opened, used, closed and unloaded, then an X error of the host's
// own: 0 when it reached the host's handler, else where it went wrong.
int UseAndUnloadTheModuleThenMakeAnError() {
    Display* display = OpenTestDisplay();
    if (display == nullptr) return 10;
    XSetErrorHandler(HostErrorHandler);
    // Not loaded yet, as RTLD_NOLOAD tells.
    if (dlopen(TW_LV2_UI_MODULE, RTLD_NOW | RTLD_NOLOAD) != nullptr) return 15;
    void* module = dlopen(TW_LV2_UI_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return 11;
    using DescriptorFunc = const LV2UI_Descriptor* (*)(uint32_t);
    const LV2UI_Descriptor* descriptor =
        reinterpret_cast<DescriptorFunc>(dlsym(module, "lv2ui_descriptor"))(0);
    const ::Window parent =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 248, 662, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature* features[] = {&parentFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = descriptor->instantiate(descriptor, kMonoURI, "/nowhere/tarnwhistle.lv2/",
                                              nullptr, nullptr, &widget, features);
    if (ui == nullptr) return 12;
    const auto* idle =
        static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    for (int i = 0; i < 10; ++i) {
        idle->idle(ui);
        usleep(20000);
    }
    gBeforeToolkit = XSetErrorHandler(ToolkitErrorHandler);
    descriptor->cleanup(ui);
    if (dlclose(module) != 0) return 13;
    // Still mapped after the last dlclose: the handler chained to ours stays callable.
    void* resident = dlopen(TW_LV2_UI_MODULE, RTLD_NOW | RTLD_NOLOAD);
    if (resident == nullptr) return 16;
    dlclose(resident);
    XDestroyWindow(display, parent);
    XDestroyWindow(display, parent);  // BadWindow
    XSync(display, False);
    const int errors = gHostErrors;
    XCloseDisplay(display);
    return errors == 1 ? 0 : 14;
}

TEST(LV2UiModule, AnXErrorAfterTheModuleIsUnloadedReachesTheHostsHandler) {
    Display* probe = OpenTestDisplay();
    if (probe == nullptr) GTEST_SKIP() << "no X display";
    XCloseDisplay(probe);
    // A fresh process, where no earlier test loaded the module.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(UseAndUnloadTheModuleThenMakeAnError()), testing::ExitedWithCode(0), "");
}

// A host's first handler, and the toolkit handler it installs from inside a
// write_function call (at its first use of X, as toolkits set theirs up
// lazily): the toolkit keeps the errors of its own connection and passes the
// rest on to the handler it replaced.
Display* gToolkitConnection = nullptr;
int gToolkitErrors = 0;
int gFirstHandlerErrors = 0;
XErrorHandler gBeforeLateToolkit = nullptr;
int FirstHostHandler(Display*, XErrorEvent*) {
    ++gFirstHandlerErrors;
    return 0;
}
int LateToolkitHandler(Display* display, XErrorEvent* error) {
    if (display == gToolkitConnection) {
        ++gToolkitErrors;
        return 0;
    }
    return gBeforeLateToolkit != nullptr ? gBeforeLateToolkit(display, error) : 0;
}

TEST_F(LV2Ui, AHandlerTheHostInstallsInsideAWriteKeepsItsErrorsAndTheHandlerBeforeIt) {
    Display* other = OpenTestDisplay();  // another connection of the host's
    ASSERT_NE(other, nullptr);
    gToolkitConnection = display;
    gToolkitErrors = 0;
    gFirstHandlerErrors = 0;
    gBeforeLateToolkit = nullptr;
    const XErrorHandler original = XSetErrorHandler(FirstHostHandler);
    UiHost& host = OpenHost();
    host.onWrite = [] {
        if (gBeforeLateToolkit == nullptr)
            gBeforeLateToolkit = XSetErrorHandler(LateToolkitHandler);
    };
    DragFrom(kGainKnob, -10);
    ASSERT_NE(gBeforeLateToolkit, nullptr) << "no value was written";
    // The host's own errors afterwards, on the toolkit's connection and on the other.
    XMapWindow(display, None);
    XSync(display, False);
    XMapWindow(other, None);
    XSync(other, False);
    EXPECT_EQ(gToolkitErrors, 1);
    EXPECT_EQ(gFirstHandlerErrors, 1);
    // The editor goes on, and the toolkit's handler is still the one installed.
    host.onWrite = nullptr;
    DragFrom(kGainKnob, -10);
    EXPECT_EQ(gToolkitErrors, 1);
    EXPECT_EQ(gFirstHandlerErrors, 1);
    EXPECT_EQ(XSetErrorHandler(original), LateToolkitHandler);
    XCloseDisplay(other);
}

TEST_F(LV2Ui, OpensInTheHostWindowAndAsksThePluginForTheEditorSize) {
    UiHost& host = OpenHost();
    EXPECT_EQ(ParentOf(host.Widget()), host.Parent());
    EXPECT_EQ(GeometryOf(host.Widget()), (Geometry{0, 0, 248, 662}));
    EXPECT_EQ(EditorOf(host).NControls(), 12);  // eleven controls and the corner handle
    EXPECT_EQ(host.resizes, (std::vector<Size>{{248, 662}}));
    EXPECT_EQ(host.PatchKindsWritten(), std::vector<LV2PatchKind>{LV2PatchKind::kGetEditorSize});
    EXPECT_TRUE(host.ValuesWrittenTo(kPreampGain).empty()) << "opening changes no value";
}

TEST_F(LV2Ui, EveryControlShowsTheFrameOfTheValueItsPortSent) {
    SetResources("Xft.dpi:\t192\n");
    UiHost& host = OpenHost();
    ASSERT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()).width == 496; }));
    // Defaults first, then values from the host (mid range, the top end,
    // beyond the range, NaN which changes nothing).
    const struct {
        const char* what;
        float value;  // as a fraction of the range; NaN sends NaN
    } kRounds[] = {
        {"defaults", -1.0f}, {"middle", 0.5f}, {"top", 1.0f}, {"beyond", 3.0f}, {"NaN", NAN}};
    double expectedNorm[kNumChannelParams] = {};
    for (int i = 0; i < kNumChannelParams; ++i) expectedNorm[i] = host.Ui().GetParam(i)->GetNorm();
    for (const auto& round : kRounds) {
        SCOPED_TRACE(round.what);
        for (const Place& place : kPlaces) {
            const Param& param = *host.Ui().GetParam(place.paramIdx);
            if (round.value < 0.0f) continue;
            const float value =
                std::isnan(round.value)
                    ? NAN
                    : static_cast<float>(param.Min() + round.value * (param.Max() - param.Min()));
            host.SendControl(static_cast<uint32_t>(place.paramIdx), value);
            if (!std::isnan(round.value)) expectedNorm[place.paramIdx] = param.ToNorm(value);
        }
        for (const Place& place : kPlaces) {
            SCOPED_TRACE(place.file + std::to_string(place.paramIdx));
            const double norm = expectedNorm[place.paramIdx];
            EXPECT_NEAR(host.Ui().GetParam(place.paramIdx)->GetNorm(), norm, 1e-6);
            const int frame = StripFrameFor(norm, place.frames) - 1;
            // Shown once a frame has drawn it, however late the idle calls come.
            EXPECT_TRUE(PumpUntil([&] { return FrameDifference(host, place, frame) <= 1; }));
            EXPECT_LE(FrameDifference(host, place, frame), 1);
            // A neighbouring frame does not match: the comparison tells them apart.
            if (place.frames > 2) {
                const int other = frame == 0 ? 1 : frame - 1;
                EXPECT_GT(FrameDifference(host, place, other), 8);
            }
        }
    }
    EXPECT_TRUE(host.ValuesWrittenTo(kPreampGain).empty()) << "a host's value is not sent back";
}

TEST_F(LV2Ui, PortEventsOutsideTheControlsChangeNothing) {
    UiHost& host = OpenHost();
    const double before = host.Ui().GetParam(kPreampGain)->GetNorm();
    const float value = 12.0f;
    const double huge = 1e9;
    host.PortEvent(kPreampGain, 2, 0, &value);                   // too short
    host.PortEvent(kPreampGain, sizeof value, 99, &value);       // unknown format
    host.PortEvent(kNumChannelParams, sizeof value, 0, &value);  // the latency output
    host.PortEvent(1000, sizeof value, 0, &value);               // no such port
    host.PortEvent(kPreampGain, sizeof value, 0, nullptr);       // no buffer
    host.PortEvent(UiHost::NotifyPort(), sizeof huge, host.PatchUrids().atomEventTransfer, &huge);
    Pump(40);
    EXPECT_EQ(host.Ui().GetParam(kPreampGain)->GetNorm(), before);
    EXPECT_EQ(ShownValue(host, kPreampGain), before);
    EXPECT_EQ(host.resizes.size(), 1u);
    // The same value in a well-formed event arrives, and the control shows it.
    host.PortEvent(kPreampGain, sizeof value, 0, &value);
    const double norm = host.Ui().GetParam(kPreampGain)->ToNorm(value);
    EXPECT_NE(norm, before);
    EXPECT_TRUE(PumpUntil([&] { return ShownValue(host, kPreampGain) == norm; }));
}

TEST_F(LV2Ui, ADragWritesRisingValuesBetweenOneTouchBeginAndEnd) {
    UiHost& host = OpenHost();
    DragFrom(kGainKnob, -30);
    const std::vector<float> written = host.ValuesWrittenTo(kPreampGain);
    ASSERT_GE(written.size(), 2u);
    EXPECT_TRUE(std::is_sorted(written.begin(), written.end()));
    EXPECT_GT(written.back(), written.front());
    // The real value the plug-in applies, as the UI's Param holds it.
    EXPECT_FLOAT_EQ(written.back(),
                    static_cast<float>(host.Ui().GetParam(kPreampGain)->GetValue()));
    EXPECT_EQ(host.touches, (std::vector<Touch>{{kPreampGain, true}, {kPreampGain, false}}));
    for (const Write& w : host.writes) {
        EXPECT_TRUE(w.format != 0 || w.port == kPreampGain) << "port " << w.port;
    }
}

TEST_F(LV2Ui, ManyPointerMotionsBetweenTwoFramesWriteOneValue) {
    UiHost& host = OpenHost();
    MoveTo(kGainKnob);
    Button(1, true);
    const std::size_t before = host.ValuesWrittenTo(kPreampGain).size();
    for (int step = 1; step <= 20; ++step) {
        XTestFakeMotionEvent(display, DefaultScreen(display), static_cast<int>(kGainKnob.x),
                             static_cast<int>(kGainKnob.y) - step, CurrentTime);
    }
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));  // one frame due
    host.Idle();
    EXPECT_EQ(host.ValuesWrittenTo(kPreampGain).size(), before + 1);
    Button(1, false);
}

TEST_F(LV2Ui, AUiClosedInTheMiddleOfADragEndsItsGestureAtTheHost) {
    UiHost& host = OpenHost();
    MoveTo(kGainKnob);
    Button(1, true);
    MoveTo(static_cast<int>(kGainKnob.x), static_cast<int>(kGainKnob.y) - 10);
    ASSERT_EQ(host.touches, (std::vector<Touch>{{kPreampGain, true}}));
    host.Cleanup();
    EXPECT_EQ(host.touches, (std::vector<Touch>{{kPreampGain, true}, {kPreampGain, false}}));
    Button(1, false);
}

TEST_F(LV2Ui, AltClickAndDoubleClickOnAKnobWriteTheDefaultBetweenOneTouchBeginAndEnd) {
    const Touch begin{kOutputTrim, true};
    const Touch end{kOutputTrim, false};
    const struct {
        const char* what;
        bool alt;  // one click with Alt held; else a double click
        std::vector<Touch> touches;
    } kGestures[] = {
        {"Alt-click", true, {begin, end}},
        // The first click is the knob's own: its gesture closed, no value.
        {"double click", false, {begin, end, begin, end}},
    };
    UiHost& host = OpenHost();
    const Param& trim = *host.Ui().GetParam(kOutputTrim);
    MoveTo(kTrimKnob);
    for (const auto& g : kGestures) {
        SCOPED_TRACE(g.what);
        host.SendControl(kOutputTrim, 9.0f);
        ASSERT_TRUE(PumpUntil([&] { return ShownValue(host, kOutputTrim) == trim.ToNorm(9.0); }));
        Pump(450);  // the next press is no double click of an earlier one
        host.touches.clear();
        host.writes.clear();
        if (g.alt) Key(XK_Alt_L, true);
        Input().Clicks(g.alt ? 1 : 2);
        if (g.alt) Key(XK_Alt_L, false);
        EXPECT_TRUE(PumpUntil([&] { return host.touches.size() >= g.touches.size(); }));
        EXPECT_EQ(host.ValuesWrittenTo(kOutputTrim),
                  std::vector<float>{static_cast<float>(trim.Default())});
        EXPECT_EQ(host.touches, g.touches);
        EXPECT_EQ(trim.GetValue(), trim.Default());
        EXPECT_TRUE(PumpUntil(
            [&] { return ShownValue(host, kOutputTrim) == trim.ToNorm(trim.Default()); }));
        for (const Write& w : host.writes) {
            EXPECT_TRUE(w.format != 0 || w.port == kOutputTrim) << "port " << w.port;
        }
        // A plain click afterwards is the knob's own: no reset, no writes, and
        // its gesture is seen (the check above waited long enough).
        Pump(450);
        host.touches.clear();
        host.writes.clear();
        Input().Clicks(1);
        EXPECT_TRUE(PumpUntil([&] { return host.touches.size() >= 2; }));
        EXPECT_TRUE(host.ValuesWrittenTo(kOutputTrim).empty());
    }
}

TEST_F(LV2Ui, ADoubleClickOnASwitchTogglesItTwice) {
    UiHost& host = OpenHost();
    const Param& micPre = *host.Ui().GetParam(kMicPre);
    MoveTo(kMicPreSwitch);
    Input().Clicks(2);
    EXPECT_TRUE(PumpUntil([&] { return host.touches.size() >= 4; }));
    EXPECT_EQ(host.ValuesWrittenTo(kMicPre), (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(
        host.touches,
        (std::vector<Touch>{{kMicPre, true}, {kMicPre, false}, {kMicPre, true}, {kMicPre, false}}));
    EXPECT_EQ(micPre.GetValue(), micPre.Default());
}

TEST_F(LV2Ui, KeysAfterAClickInTheEditorReachTheHostsWindowAsRealKeyEvents) {
    // GTK hosts read only real key events, not ones an editor passes on with
    // XSendEvent: the editor must neither take the focus nor hear the keys.
    UiHost& host = OpenHost();
    XSelectInput(display, host.Parent(), KeyPressMask);
    XSync(display, False);
    MoveTo(kGainKnob);
    Button(1, true);
    Button(1, false);
    Key(XK_q, true);
    Key(XK_q, false);
    XSync(display, False);
    XEvent event{};
    bool real = false;
    while (XCheckWindowEvent(display, host.Parent(), KeyPressMask, &event)) {
        real = real || !event.xkey.send_event;
    }
    EXPECT_TRUE(real);
}

TEST_F(LV2Ui, TheCornerHandleResizesThroughTheHostAndTellsThePlugin) {
    UiHost& host = OpenHost();
    host.resizes.clear();
    MoveTo(kResizer);
    Button(1, true);
    // A patch:Set arriving in the middle of the drag does not fight it.
    host.SendEditorSize(248, 662, 2.0f);
    MoveTo(300, 815);  // 815 / 652 = 1.25 is the smaller of the two ratios
    Button(1, false);
    EXPECT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()).width == 310; }));
    ASSERT_FALSE(host.resizes.empty());
    EXPECT_EQ(host.resizes.back(), (Size{310, 827}));
    EXPECT_EQ(GeometryOf(host.Parent()).width, 310) << "the host resized its window";
    std::vector<EditorSizeMessage> sets;
    const std::vector<LV2PatchKind> kinds = host.PatchKindsWritten(&sets);
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.back().width, 248);
    EXPECT_EQ(sets.back().height, 662);
    EXPECT_FLOAT_EQ(sets.back().scale, 1.25f);
}

TEST_F(LV2Ui, AnEditorSizeFromThePluginResizesWithoutBeingSentBack) {
    UiHost& host = OpenHost();
    host.writes.clear();
    host.resizes.clear();
    const struct {
        const char* what;
        int32_t width;
        int32_t height;
        float scale;
        Size pixels;
    } kCases[] = {{"larger", 248, 662, 1.5f, {372, 993}},
                  {"back", 248, 662, 1.0f, {248, 662}},
                  {"beyond the largest scale", 248, 662, 50.0f, {496, 1324}}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        host.SendEditorSize(c.width, c.height, c.scale);
        EXPECT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()).width == c.pixels.width; }));
        ASSERT_FALSE(host.resizes.empty());
        EXPECT_EQ(host.resizes.back(), c.pixels);
    }
    EXPECT_TRUE(host.PatchKindsWritten().empty());
}

TEST_F(LV2Ui, TheHostsResizeRequestScalesTheEditorToFit) {
    UiHost& host = OpenHost();
    host.writes.clear();
    const auto* resize =
        static_cast<const LV2UI_Resize*>(lv2ui_descriptor(0)->extension_data(LV2_UI__resize));
    ASSERT_NE(resize, nullptr);
    EXPECT_EQ(resize->ui_resize(&host.Ui(), 496, 2000), 0);
    EXPECT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()).width == 496; }));
    EXPECT_FLOAT_EQ(EditorOf(host).DrawScale(), 2.0f);
    std::vector<EditorSizeMessage> sets;
    host.PatchKindsWritten(&sets);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_FLOAT_EQ(sets[0].scale, 2.0f);
    EXPECT_EQ(resize->ui_resize(&host.Ui(), 0, 100), 1);
    EXPECT_EQ(resize->ui_resize(nullptr, 100, 100), 1);
}

// The host's resize is the host's size from then on: a double click home
// asks the host for the home size even though that was the size it was told
// at opening.
TEST_F(LV2Ui, HomeAfterTheHostsResizeAsksTheHostForTheHomeSize) {
    UiHost& host = OpenHost();
    const auto* resize =
        static_cast<const LV2UI_Resize*>(lv2ui_descriptor(0)->extension_data(LV2_UI__resize));
    ASSERT_NE(resize, nullptr);
    // The host made its window larger and tells the UI.
    XResizeWindow(display, host.Parent(), 372, 993);
    EXPECT_EQ(resize->ui_resize(&host.Ui(), 372, 993), 0);
    EXPECT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()).width == 372; }));
    host.resizes.clear();
    MoveTo(kResizer, 1.5f);
    Button(1, true);
    Button(1, false);
    Button(1, true);
    Button(1, false);
    EXPECT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()).width == 248; }));
    EXPECT_EQ(EditorOf(host).DrawScale(), 1.0f);
    EXPECT_EQ(host.resizes, (std::vector<Size>{{248, 662}}));
    EXPECT_EQ(GeometryOf(host.Parent()).width, 248) << "the host's window follows";
}

TEST_F(LV2Ui, AHostThatSizesTheEditorWindowToItsOwnSpaceDoesNotMoveTheDrawingFromThePointer) {
    // As GTK embedders do when their window does not shrink with the editor:
    // the GL picture would sit at the bottom, the pointer's origin at the top.
    UiHost& host = OpenHost();
    XResizeWindow(display, host.Widget(), 300, 800);
    XSync(display, False);
    EXPECT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()) == Geometry{0, 0, 248, 662}; }));
    Pump(100);
    EXPECT_EQ(GeometryOf(host.Widget()), (Geometry{0, 0, 248, 662})) << "it settles";
}

TEST_F(LV2Ui, AnIdleEditorDrawsNothingAndAValueIsOneMoreFrame) {
    UiHost& host = OpenHost();
    const EditorWindow& window = WindowOf(host);
    ASSERT_TRUE(PumpUntilQuiet(window));
    const int frames = window.FramesDrawn();
    const int switches = window.ContextSwitches();
    Pump(300);
    EXPECT_EQ(window.FramesDrawn(), frames);
    EXPECT_EQ(window.ContextSwitches(), switches);
    // The same idle calls draw what changes: a value is one more frame.
    host.SendControl(kHighGain, 6.0f);
    EXPECT_TRUE(PumpUntil([&] { return window.FramesDrawn() > frames; }));
    EXPECT_GT(window.ContextSwitches(), switches);
}

TEST_F(LV2Ui, HostsThatOfferLessStillGetAWorkingEditor) {
    const struct {
        const char* what;
        Offer offer;
    } kHosts[] = {{"no parent", {true, false, true, true}},
                  {"no resize", {true, true, false, true}},
                  {"no touch", {true, true, true, false}},
                  {"no urid:map", {false, true, true, true}},
                  {"nothing", {false, false, false, false}}};
    for (const auto& h : kHosts) {
        SCOPED_TRACE(h.what);
        UiHost& host = OpenHost(h.offer);
        if (!h.offer.parent) {
            EXPECT_EQ(ParentOf(host.Widget()), root) << "a top-level window of its own";
        }
        // Where the editor is on the screen.
        ::Window child = 0;
        int x = 0, y = 0;
        XTranslateCoordinates(display, host.Widget(), root, 0, 0, &x, &y, &child);
        DragFrom({kGainKnob.x + static_cast<float>(x), kGainKnob.y + static_cast<float>(y)}, -20);
        EXPECT_FALSE(host.ValuesWrittenTo(kPreampGain).empty());
        EXPECT_EQ(host.touches.size(), h.offer.touch ? 2u : 0u);
        EXPECT_EQ(host.PatchKindsWritten().size(), h.offer.map ? 1u : 0u);
        EXPECT_EQ(host.resizes.empty(), !h.offer.resize);
        host.Cleanup();
        EXPECT_EQ(EditorWindow::OpenCount(), 0);
        hosts.clear();
    }
}

TEST_F(LV2Ui, ClosingItsOwnTopLevelWindowEndsTheUiAndNotTheProcess) {
    UiHost& host = OpenHost(Offer{true, false, true, true});
    ASSERT_EQ(ParentOf(host.Widget()), root);
    UiHost& other = OpenHost();
    EXPECT_EQ(host.Idle(), 0);
    const int closed = CloseAsTheWindowManagerDoes(host);
    EXPECT_EQ(closed, 1);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, host.Widget(), &attributes);
    EXPECT_EQ(attributes.map_state, IsUnmapped);
    host.Cleanup();
    hosts.erase(hosts.begin());
    // The other editor goes on, on the shared connection.
    EXPECT_EQ(other.Idle(), 0);
    EXPECT_EQ(EditorWindow::OpenCount(), 1);
}

TEST_F(LV2Ui, AnUnknownPluginOrAMissingWidgetGetsNoUi) {
    hosts.push_back(std::make_unique<UiHost>(display, Offer{}));
    EXPECT_FALSE(hosts.back()->Instantiate("urn:somebody-else:plugin"));
    EXPECT_TRUE(hosts.back()->writes.empty());
    const LV2UI_Descriptor* d = lv2ui_descriptor(0);
    EXPECT_EQ(d->instantiate(d, kMonoURI, "", nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(EditorWindow::OpenCount(), 0);
    EXPECT_EQ(d->extension_data("urn:nothing"), nullptr);
}

TEST_F(LV2Ui, TheStereoPluginsAtomPortsComeAfterItsFourAudioPorts) {
    hosts.push_back(std::make_unique<UiHost>(display, Offer{}));
    UiHost& host = *hosts.back();
    ASSERT_TRUE(host.Instantiate(kStereoURI));
    ASSERT_EQ(host.writes.size(), 1u);
    EXPECT_EQ(host.writes[0].port, UiHost::ControlPort() + 2);
}

TEST_F(LV2Ui, WithTheTracePrintsWhatTheHostOffersAndSendsAndWhatTheEditorWrites) {
    setenv("TW_LV2UI_TRACE", "1", 1);
    testing::internal::CaptureStderr();
    UiHost& host = OpenHost({.scaleFactor = 1.0f});
    DragFrom(kTrimKnob, -20);
    host.SendControl(7, -4.5f);
    host.SendEditorSize(496, 512, 1.0f);
    const std::string printed = testing::internal::GetCapturedStderr();
    unsetenv("TW_LV2UI_TRACE");
    for (const char* uri : {LV2_URID__map, LV2_UI__parent, LV2_UI__resize, LV2_UI__touch,
                            LV2_OPTIONS__options, LV2_UI__idleInterface}) {
        EXPECT_NE(printed.find(std::string(uri) + "\n"), std::string::npos) << uri;
    }
    std::size_t lines = 0;
    for (std::size_t at = printed.find("host offers"); at != std::string::npos;
         at = printed.find("host offers", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 6u);
    EXPECT_NE(printed.find("host options: scale factor 1, update rate 0 Hz, title \"\""),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("tarnwhistle ui: port 7 value -4.5\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("tarnwhistle ui: port 15 event of "), std::string::npos) << printed;
    EXPECT_NE(printed.find("tarnwhistle ui: writes port 1 value "), std::string::npos) << printed;
}

TEST_F(LV2Ui, TheTraceIsDecidedWhenTheUiOpens) {
    // Opened without it: a trace set later prints no port event.
    UiHost& quiet = OpenHost();
    setenv("TW_LV2UI_TRACE", "1", 1);
    testing::internal::CaptureStderr();
    quiet.SendControl(7, -4.5f);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.find("port 7 value"), std::string::npos) << printed;
    // Opened with it: a trace unset later still prints them.
    UiHost& traced = OpenHost({}, 300, 0);
    unsetenv("TW_LV2UI_TRACE");
    testing::internal::CaptureStderr();
    traced.SendControl(7, -4.5f);
    printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("tarnwhistle ui: port 7 value -4.5\n"), std::string::npos) << printed;
}

TEST_F(LV2Ui, TwoUisAtOnceCloseApartAndLeaveNothingBehind) {
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        OpenHost();
        EXPECT_EQ(hosts.back()->Ui().Loop().TimerCount(), 1u);
        hosts.clear();
        EXPECT_EQ(EditorWindow::OpenCount(), 0);
        EXPECT_EQ(OpenSockets(), socketsBefore);
    }
    UiHost& one = OpenHost({}, 0, 0);
    UiHost& two = OpenHost({}, 300, 0);
    const unsigned long oneParent = one.Parent();
    EXPECT_EQ(EditorWindow::OpenCount(), 2);
    EXPECT_EQ(one.Ui().Loop().TimerCount(), 1u);
    EXPECT_EQ(two.Ui().Loop().TimerCount(), 1u);
    // Each gets its own input.
    DragFrom(kGainKnob, -20, 300);
    EXPECT_FALSE(two.ValuesWrittenTo(kPreampGain).empty());
    EXPECT_TRUE(one.ValuesWrittenTo(kPreampGain).empty());
    // Closing leaves no timer on its loop (the host's cleanup closes, then deletes).
    one.Ui().Close();
    EXPECT_EQ(one.Ui().Loop().TimerCount(), 0u);
    EXPECT_EQ(two.Ui().Loop().TimerCount(), 1u);
    one.Cleanup();
    EXPECT_TRUE(PumpUntil([&] { return ChildrenOf(oneParent) == 0; }));
    // The survivor still draws and answers on the shared connection.
    const int frames = WindowOf(two).FramesDrawn();
    two.SendControl(kHighGain, 6.0f);
    EXPECT_TRUE(PumpUntil([&] { return WindowOf(two).FramesDrawn() > frames; }));
    two.writes.clear();
    DragFrom(kTrimKnob, -20, 300);
    EXPECT_FALSE(two.ValuesWrittenTo(kOutputTrim).empty());
    const unsigned long twoParent = two.Parent();
    two.Cleanup();
    EXPECT_EQ(ChildrenOf(twoParent), 0u);  // the last close synchronised with the server
    EXPECT_EQ(EditorWindow::OpenCount(), 0);
}

}  // namespace
