// Tarnwhistle's LV2 UI in hosts of other kinds: hosts that give their own
// scale factor and window title as options, that keep the editor in a window
// of its own and show and hide it, and toolkit wrappers that echo every size
// back to the UI from their own resize events.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "lv2_ui_fixture.h"
#include "ui_test_host.h"

// After every editor header: Xlib's macros would break them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace ui_test;

class LV2UiHostKinds : public LV2Ui {
protected:
    bool Mapped(unsigned long window) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display, window, &attributes) != 0 &&
               attributes.map_state != IsUnmapped;
    }

    // A property of window as text (the empty string when it has none).
    std::string TextProperty(unsigned long window, const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &items, &after, &data);
        std::string text;
        if (data != nullptr) {
            text.assign(reinterpret_cast<const char*>(data), items);
            XFree(data);
        }
        return text;
    }
};

TEST_F(LV2UiHostKinds, TheHostsScaleFactorIsTheScreenScaleAndWinsOverXftDpi) {
    SetResources("Xft.dpi:\t96\n");
    const struct {
        const char* what;
        Offer offer;
        float screenScale;
        int width;  // pixels
    } kCases[] = {
        {"scale factor 2", {.scaleFactor = 2.0f}, 2.0f, 496},
        {"scale factor 1.5", {.scaleFactor = 1.5f}, 1.5f, 372},
        {"beyond the largest screen scale", {.scaleFactor = 9.0f}, 4.0f, 992},
        {"without urid:map the option cannot be read",
         {.map = false, .scaleFactor = 2.0f},
         1.0f,
         248},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        UiHost& host = OpenHost(c.offer);
        Graphics& editor = EditorOf(host);
        EXPECT_TRUE(PumpUntil([&] { return editor.GetScreenScale() == c.screenScale; }));
        EXPECT_EQ(editor.PixelWidth(), c.width);
        ASSERT_FALSE(host.resizes.empty());
        EXPECT_EQ(host.resizes.back(), (Size{editor.PixelWidth(), editor.PixelHeight()}));
        hosts.clear();
    }

    // The screen's scale changing under the editor does not move it off the
    // host's, while an editor without the host's follows it.
    UiHost& host = OpenHost({.scaleFactor = 1.5f});
    UiHost& follower = OpenHost({}, 400, 0);
    Graphics& editor = EditorOf(host);
    ASSERT_TRUE(PumpUntil([&] { return editor.GetScreenScale() == 1.5f; }));
    SetResources("Xft.dpi:\t192\n");
    EXPECT_TRUE(PumpUntil([&] { return EditorOf(follower).GetScreenScale() == 2.0f; }));
    EXPECT_EQ(editor.GetScreenScale(), 1.5f);
}

TEST_F(LV2UiHostKinds, TheOptionsInterfaceChangesTheScaleLaterAndReportsWhatItHolds) {
    SetResources("Xft.dpi:\t96\n");
    UiHost& host = OpenHost({.scaleFactor = 2.0f});
    Graphics& editor = EditorOf(host);
    ASSERT_TRUE(PumpUntil([&] { return editor.GetScreenScale() == 2.0f; }));

    EXPECT_EQ(host.SetScaleFactor(1.25f), LV2_OPTIONS_SUCCESS);
    EXPECT_TRUE(PumpUntil([&] { return editor.GetScreenScale() == 1.25f; }));
    EXPECT_EQ(host.resizes.back(), (Size{310, 827}));
    LV2_Options_Option held{};
    ASSERT_TRUE(host.GetOption(LV2_UI__scaleFactor, held));
    ASSERT_EQ(held.size, sizeof(float));
    EXPECT_EQ(held.type, host.Urid(LV2_ATOM__Float));
    EXPECT_EQ(*static_cast<const float*>(held.value), 1.25f);

    // Values no scale can be are refused and change nothing.
    for (const float bad : {0.0f, -1.0f, std::nanf(""), INFINITY}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(host.SetScaleFactor(bad), LV2_OPTIONS_ERR_BAD_VALUE);
    }
    Pump(100);
    EXPECT_EQ(editor.GetScreenScale(), 1.25f);
    // A scale that can be is taken: the pumping shows changes.
    EXPECT_EQ(host.SetScaleFactor(1.5f), LV2_OPTIONS_SUCCESS);
    EXPECT_TRUE(PumpUntil([&] { return editor.GetScreenScale() == 1.5f; }));
    EXPECT_FALSE(host.GetOption(LV2_UI__windowTitle, held)) << "the host gave no title";
    EXPECT_FALSE(host.GetOption("urn:nobody:knows", held));
}

TEST_F(LV2UiHostKinds, WithoutAParentTheEditorsOwnWindowWaitsForTheHostsShow) {
    hosts.push_back(std::make_unique<UiHost>(display, Offer{.parent = false}));
    UiHost& host = *hosts.back();
    ASSERT_TRUE(host.Instantiate());
    EXPECT_FALSE(Mapped(host.Widget())) << "mapped before the host showed it";
    ASSERT_TRUE(host.Show());
    EXPECT_TRUE(PumpUntil([&] { return Mapped(host.Widget()); }));
    EXPECT_TRUE(PumpUntil([&] { return WindowOf(host).FramesDrawn() > 0; }));

    ASSERT_TRUE(host.Hide());
    Pump(100);
    EXPECT_FALSE(Mapped(host.Widget())) << "the idle calls showed it again";
    ASSERT_TRUE(host.Show());
    EXPECT_TRUE(PumpUntil([&] { return Mapped(host.Widget()); }));

    // Closed by the window manager, then shown again: the host goes on idling.
    const int closed = CloseAsTheWindowManagerDoes(host);
    EXPECT_EQ(closed, 1);
    ASSERT_TRUE(host.Show());
    EXPECT_EQ(host.Idle(), 0);
    EXPECT_TRUE(PumpUntil([&] { return Mapped(host.Widget()); }));
}

TEST_F(LV2UiHostKinds, AHostThatNeverShowsTheOwnWindowSeesItAtTheFirstIdle) {
    hosts.push_back(std::make_unique<UiHost>(display, Offer{.parent = false}));
    UiHost& host = *hosts.back();
    ASSERT_TRUE(host.Instantiate());
    EXPECT_EQ(host.Idle(), 0);
    EXPECT_TRUE(PumpUntil([&] { return Mapped(host.Widget()); }));
}

TEST_F(LV2UiHostKinds, TheOwnWindowIsPlacedByTheWindowManagerAndNamedByTheHost) {
    UiHost& host = OpenHost({.parent = false, .windowTitle = "Tarnwhistle Stereo – Vocals"});
    ASSERT_EQ(ParentOf(host.Widget()), root);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, host.Widget(), &hints, &supplied));
    EXPECT_EQ(hints.flags & (USPosition | PPosition), 0) << "a position pins the window";
    EXPECT_EQ(TextProperty(host.Widget(), "_NET_WM_NAME"), "Tarnwhistle Stereo – Vocals");
    LV2_Options_Option held{};
    ASSERT_TRUE(host.GetOption(LV2_UI__windowTitle, held));
    EXPECT_STREQ(static_cast<const char*>(held.value), "Tarnwhistle Stereo – Vocals");

    // Without a title from the host: the plug-in's name, so that several
    // editors can be told apart.
    hosts.clear();
    hosts.push_back(std::make_unique<UiHost>(display, Offer{.parent = false}, 0, 0));
    ASSERT_TRUE(hosts.back()->Instantiate(kStereoURI));
    EXPECT_EQ(TextProperty(hosts.back()->Widget(), "_NET_WM_NAME"), "Tarnwhistle Stereo");
}

// Toolkit wrappers call the UI's resize back with every size the UI asks
// for. Over a second after each change the editor's window settles at the
// size asked, with the draw scale the change set (nothing creeps or loops).
TEST_F(LV2UiHostKinds, AHostThatResizesBackAtOnceLeavesTheSizeAsAsked) {
    SetResources("Xft.dpi:\t96\n");
    UiHost& host = OpenHost({.resizeBack = true});
    XSelectInput(display, host.Widget(), StructureNotifyMask);
    XSync(display, False);
    const struct {
        const char* what;
        float scale;        // sent by the plug-in as the editor size
        float screenScale;  // the host's scale factor, set through the options
    } kCases[] = {
        {"an odd draw scale", 1.37f, 1.0f},
        {"another", 0.93f, 1.0f},
        {"a fractional screen scale", 1.37f, 1.3f},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        host.resizes.clear();
        host.resizesBack = 0;
        ASSERT_EQ(host.SetScaleFactor(c.screenScale), LV2_OPTIONS_SUCCESS);
        host.SendEditorSize(248, 662, c.scale);
        int configures = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < end) {
            Pump(10);
            XEvent event;
            while (XCheckTypedWindowEvent(display, host.Widget(), ConfigureNotify, &event)) {
                ++configures;
            }
        }
        Graphics& editor = EditorOf(host);
        EXPECT_EQ(editor.DrawScale(), c.scale);
        EXPECT_EQ(editor.GetScreenScale(), c.screenScale);
        EXPECT_GT(host.resizesBack, 0) << "the host never resized back";
        ASSERT_FALSE(host.resizes.empty());
        EXPECT_EQ(host.resizes.back(), (Size{editor.PixelWidth(), editor.PixelHeight()}));
        EXPECT_EQ(GeometryOf(host.Widget()).width, editor.PixelWidth());
        EXPECT_LE(host.resizes.size(), 2u);
        EXPECT_LE(configures, 3);
    }
}

// Smaller as well as larger: hosts whose window follows ui:resize shrink too.
TEST_F(LV2UiHostKinds, TheCornerHandleTellsTheHostOfASmallerSizeToo) {
    UiHost& host = OpenHost({.resizeBack = true});
    const struct {
        const char* what;
        int toX;
        int toY;
        bool larger;
    } kDrags[] = {
        {"larger", 300, 815, true},
        {"smaller", 200, 500, false},
    };
    for (const auto& d : kDrags) {
        SCOPED_TRACE(d.what);
        const Geometry before = GeometryOf(host.Widget());
        host.resizes.clear();
        MoveTo(before.width - 8, before.height - 8);
        Button(1, true);
        MoveTo(d.toX, d.toY);
        Button(1, false);
        EXPECT_TRUE(PumpUntil([&] { return GeometryOf(host.Widget()).height != before.height; }));
        Pump(100);
        Graphics& editor = EditorOf(host);
        EXPECT_EQ(editor.PixelHeight() > before.height, d.larger);
        ASSERT_FALSE(host.resizes.empty());
        EXPECT_EQ(host.resizes.back(), (Size{editor.PixelWidth(), editor.PixelHeight()}));
        EXPECT_EQ(GeometryOf(host.Parent()).height, editor.PixelHeight());
        Pump(450);  // the next press is no double click
    }
}

}  // namespace
