// Tarnwhistle in a real LV2 host: Debian's jalv.gtk3 on a JACK server of the
// test's own (the dummy back end: no sound card), on the X display
// (scripts/test starts Xvfb when there is none). The test plays the user with
// XTest and reads what jalv holds from what it prints and saves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "editor/bitmap_base.h"
#include "film_strip_match.h"
#include "host_process.h"
#include "resource_pictures.h"
#include "x11_desktop.h"

namespace {

namespace fs = std::filesystem;

const std::string kPluginURI = "urn:quernstoneworks:tarnwhistle:stereo";
const std::string kLv2Folder = fs::path(TW_LV2_BUNDLE_DIR).parent_path().string();

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string ReadText(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// "symbol = value" lines, as jalv prints the controls when it starts.
std::map<std::string, double> PrintedControls(const std::string& out) {
    std::map<std::string, double> values;
    const std::regex line(R"(^([a-z_]+) = (-?[0-9.]+)$)");
    std::istringstream lines(out);
    for (std::string l; std::getline(lines, l);) {
        std::smatch m;
        if (std::regex_match(l, m, line)) values[m[1]] = std::stod(m[2]);
    }
    return values;
}

// The port values of a state jalv saved (lv2:symbol and pset:value pairs).
std::map<std::string, double> SavedControls(const std::string& turtle) {
    std::map<std::string, double> values;
    const std::regex pair(R"re(lv2:symbol "([a-z_]+)" ;\s*pset:value (-?[0-9.eE+]+))re");
    for (auto it = std::sregex_iterator(turtle.begin(), turtle.end(), pair);
         it != std::sregex_iterator(); ++it) {
        values[(*it)[1]] = std::stod((*it)[2]);
    }
    return values;
}

class JalvGtk : public testing::Test {
protected:
    void SetUp() override {
        if (!desktop.Connected())
            GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
        for (const char* program : {"jackd", "jack_wait", "jalv.gtk3", "stdbuf"}) {
            if (!OnPath(program))
                GTEST_SKIP() << program << " is not installed (Debian: jalv, jackd2)";
        }
        folder = fs::temp_directory_path() / ("tw_jalv_" + std::to_string(getpid()));
        fs::create_directories(folder);
        environment = {"JACK_DEFAULT_SERVER=" + server, "JACK_NO_START_SERVER=1",
                       "LV2_PATH=" + kLv2Folder + ":/usr/lib/lv2",
                       // Gtk's settings and recent files stay in the test's folder.
                       "HOME=" + folder.string(), "XDG_CONFIG_HOME=" + (folder / "config").string(),
                       "XDG_DATA_HOME=" + (folder / "data").string(), "NO_AT_BRIDGE=1",
                       "GDK_BACKEND=x11"};
        jack = std::make_unique<HostProcess>(
            std::vector<std::string>{"jackd", "--no-realtime", "-d", "dummy", "-r", "48000", "-p",
                                     "1024"},
            environment, folder, "jackd");
        ASSERT_TRUE(jack->Started());
        HostProcess wait({"jack_wait", "--wait", "--timeout", "10"}, environment, folder,
                         "jack_wait");
        ASSERT_EQ(wait.Wait(15000), 0) << "jackd does not answer:\n" << jack->Err();
    }
    void TearDown() override {
        jalv.reset();
        jack.reset();
        // A server or client that had to be killed leaves its shared memory
        // and semaphores behind; they carry the server's name.
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator("/dev/shm", ignored)) {
            const std::string name = entry.path().filename().string();
            if (name.find("_" + server + "_") != std::string::npos)
                fs::remove(entry.path(), ignored);
        }
        if (!folder.empty()) fs::remove_all(folder);
    }

    // jalv.gtk3 on Tarnwhistle Stereo, its output line by line; the top-level
    // window once it is on the screen.
    X11Desktop::WindowId StartJalv(const std::vector<std::string>& options) {
        std::vector<std::string> argv = {"stdbuf", "-oL", "jalv.gtk3"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(kPluginURI);
        desktop.ParkPointer();
        jalv = std::make_unique<HostProcess>(argv, environment, folder, "jalv");
        for (int tries = 0; tries < 1000 && jalv->Running(); ++tries) {
            const X11Desktop::WindowId top =
                desktop.FindTopLevel("Jalv.gtk3", "Tarnwhistle Stereo");
            if (top != 0 && desktop.Geometry(top).height > 30) return WaitUntilDrawn(top);
            Pause(20);
        }
        return 0;
    }
    // jalv with the editor inside its window: top and editor, false when
    // either does not appear.
    bool OpenEditor(const std::vector<std::string>& options) {
        top = StartJalv(options);
        // The embedded editor is named after the plug-in, as its own window is.
        editor = top != 0 ? desktop.FindInside(top, "Tarnwhistle Stereo", "EditorWndClass") : 0;
        return editor != 0;
    }
    // jalv's window without its menu bar: where the plug-in's UI lives.
    X11Desktop::Rect BelowTheMenu() {
        const X11Desktop::Rect window = desktop.Geometry(top);
        const int menu = desktop.Geometry(editor).y - window.y;
        return {window.x, window.y + menu, window.width, window.height - menu};
    }
    // The window once two captures in a row show the same pixels.
    X11Desktop::WindowId WaitUntilDrawn(X11Desktop::WindowId window) {
        DecodedPicture last;
        for (int tries = 0; tries < 50; ++tries) {
            Pause(150);
            DecodedPicture now = desktop.Capture(desktop.Geometry(window));
            if (now.Valid() && now.width == last.width && now.rgba == last.rgba) return window;
            last = std::move(now);
        }
        return 0;
    }
    // Presses at (x, y) of the window, moves by (dx, dy) in steps, releases
    // and parks the pointer.
    void Drag(X11Desktop::WindowId window, int x, int y, int dx, int dy) {
        const X11Desktop::Rect at = desktop.Geometry(window);
        desktop.MoveTo(at.x + x, at.y + y);
        desktop.Button(1, true);
        const int steps = 8;
        for (int step = 1; step <= steps; ++step) {
            desktop.MoveTo(at.x + x + dx * step / steps, at.y + y + dy * step / steps);
        }
        desktop.Button(1, false);
        Pause(200);
        desktop.ParkPointer();
    }
    bool DialogOpen() { return desktop.FindTopLevel("Jalv.gtk3", "Save State") != 0; }
    // What jalv holds, through its File > Save: the state folder it writes
    // (state.ttl carries every port's value); empty when it wrote none.
    fs::path SaveThroughTheMenu() {
        const fs::path saved = folder / ("saved" + std::to_string(++saves));
        const X11Desktop::Rect at = desktop.Geometry(top);
        desktop.MoveTo(at.x + 19, at.y + 12);  // "File" on the menu bar
        desktop.Button(1, true);
        desktop.Button(1, false);
        X11Desktop::WindowId menu = 0;
        for (int tries = 0; tries < 100 && menu == 0; ++tries, Pause(20)) {
            for (const X11Desktop::WindowId w : desktop.TopLevels("Jalv.gtk3")) {
                // The menu is the small popup below the bar.
                const X11Desktop::Rect r = desktop.Geometry(w);
                if (w != top && r.y >= at.y + 20 && r.height > 20 && r.height < 200) menu = w;
            }
        }
        if (menu == 0) return {};
        const X11Desktop::Rect items = desktop.Geometry(menu);
        desktop.MoveTo(items.x + 40, items.y + 12);  // "Save"
        desktop.Button(1, true);
        desktop.Button(1, false);
        X11Desktop::WindowId dialog = 0;
        for (int tries = 0; tries < 250 && dialog == 0; ++tries, Pause(20)) {
            dialog = desktop.FindTopLevel("Jalv.gtk3", "Save State");
        }
        if (dialog == 0) return {};
        Pause(300);
        const X11Desktop::Rect d = desktop.Geometry(dialog);
        desktop.Focus(dialog);
        desktop.MoveTo(d.x + 300, d.y + 24);  // the name field
        desktop.Button(1, true);
        desktop.Button(1, false);
        // A name alone: the dialog opens on jalv's working folder.
        desktop.Type(saved.filename().string());
        // jalv closes the dialog once it has written the state; the first
        // Return may only settle the name field.
        for (int presses = 0; presses < 3 && DialogOpen(); ++presses) {
            desktop.Key("Return", true);
            desktop.Key("Return", false);
            for (int tries = 0; tries < 40 && DialogOpen(); ++tries) Pause(20);
        }
        desktop.ParkPointer();
        return fs::exists(saved / "state.ttl") ? saved : fs::path();
    }
    std::map<std::string, double> SavedControlsThroughTheMenu() {
        const fs::path saved = SaveThroughTheMenu();
        return saved.empty() ? std::map<std::string, double>{}
                             : SavedControls(ReadText(saved / "state.ttl"));
    }

    X11Desktop desktop;
    const std::string server = "tw-jalv-" + std::to_string(getpid());
    fs::path folder;
    std::vector<std::string> environment;
    std::unique_ptr<HostProcess> jack, jalv;
    X11Desktop::WindowId top = 0, editor = 0;
    int saves = 0;
};

// A knob of the editor: its strip, place (editor units) and port range.
struct Knob {
    const char* symbol;
    const char* strip;
    int frames;
    int unitX, unitY;
    double minimum, maximum;
};
const Knob kPreampGain = {"preamp_gain", "GAIN@2x.png", 61, 31, 518, -24.0, 24.0};
const Knob kOutputTrim = {"output_trim", "TRIM@2x.png", 61, 141, 518, -24.0, 24.0};
const Knob kHighGain = {"high_gain", "BGAIN@2x.png", 61, 141, 25, -15.0, 15.0};
const Knob kHighPass = {"highpass", "HPF@2x.png", 5, 31, 395, 0.0, 4.0};

// The frame the editor window shows for a knob and the frame its value
// calls for (both 0-based), at screen scale 1.
std::pair<int, int> ShownAndExpectedFrame(const DecodedPicture& editor, const Knob& k,
                                          double value) {
    const DecodedPicture& strip = ResourcePicture(k.strip);
    const DecodedPicture& background = ResourcePicture("BG@2x.png");
    const StripOnPanel knob{strip, k.frames, background, k.unitX, k.unitY};
    const double norm = (value - k.minimum) / (k.maximum - k.minimum);
    return {ClosestStripFrame(editor, k.unitX, k.unitY, knob, 1),
            StripFrameFor(norm, k.frames) - 1};
}

TEST_F(JalvGtk, TheEditorShowsEachKnobsFrameForTheValueJalvStartsWith) {
    ASSERT_TRUE(OpenEditor({"--control", "preamp_gain=12", "--control", "output_trim=-18",
                            "--control", "high_gain=3", "--control", "highpass=2"}))
        << jalv->Err();
    const DecodedPicture shot = desktop.Capture(desktop.Geometry(editor));
    ASSERT_EQ(shot.width, 248);
    ASSERT_EQ(shot.height, 662);
    if (const char* dir = std::getenv("TW_JALV_SCREENSHOT_DIR")) {
        EXPECT_TRUE(WritePng(desktop.Capture(desktop.Geometry(top)),
                             (fs::path(dir) / "jalv-editor.png").string()));
    }
    const std::map<std::string, double> held = PrintedControls(jalv->Out());
    for (const Knob& k : {kPreampGain, kOutputTrim, kHighGain, kHighPass}) {
        SCOPED_TRACE(k.symbol);
        ASSERT_EQ(held.count(k.symbol), 1u) << jalv->Out();
        const auto [shown, expected] = ShownAndExpectedFrame(shot, k, held.at(k.symbol));
        EXPECT_EQ(shown, expected);
    }
    // The values asked for on the command line are those jalv holds.
    EXPECT_EQ(held.at("preamp_gain"), 12.0);
    EXPECT_EQ(held.at("highpass"), 2.0);
}

TEST_F(JalvGtk, AKnobDraggedInTheEditorIsTheValueJalvSavesAndShows) {
    ASSERT_TRUE(OpenEditor({})) << jalv->Err();
    ASSERT_EQ(PrintedControls(jalv->Out())["preamp_gain"], 0.0) << jalv->Out();
    // Up raises the gain, down lowers it; each drag from the knob's centre.
    struct DragCase {
        int dy;
        bool raises;
    };
    const DragCase kDrags[] = {{-32, true}, {64, false}};
    double before = 0.0;
    for (const DragCase& c : kDrags) {
        SCOPED_TRACE(c.dy);
        Drag(editor, 69, 556, 0, c.dy);
        const std::map<std::string, double> saved = SavedControlsThroughTheMenu();
        ASSERT_EQ(saved.count("preamp_gain"), 1u) << jalv->Err();
        const double after = saved.at("preamp_gain");
        EXPECT_EQ(after > before, c.raises) << before << " -> " << after;
        EXPECT_GE(after, -24.0);
        EXPECT_LE(after, 24.0);
        EXPECT_EQ(saved.at("output_trim"), 0.0);  // the neighbour stays
        // The knob on the screen stands where jalv's value says.
        ASSERT_NE(WaitUntilDrawn(editor), 0u);
        const auto [shown, expected] =
            ShownAndExpectedFrame(desktop.Capture(desktop.Geometry(editor)), kPreampGain, after);
        EXPECT_EQ(shown, expected);
        before = after;
    }
}

// Whether a few pixels in the middle of each edge of the picture are all
// black: the panel has no pure black, an undrawn part of a GL window has.
bool AnEdgeIsUndrawn(const DecodedPicture& p) {
    const int spots[4][2] = {{p.width / 2, 0},
                             {0, p.height / 2},
                             {p.width - 6, p.height / 2},
                             {p.width / 2, p.height - 6}};
    for (const auto& spot : spots) {
        bool black = true;
        for (int y = spot[1]; y < spot[1] + 6; ++y) {
            for (int x = spot[0]; x < spot[0] + 6; ++x) {
                const unsigned char* px =
                    &p.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                             static_cast<std::size_t>(x)) *
                            4];
                black &= px[0] == 0 && px[1] == 0 && px[2] == 0;
            }
        }
        if (black) return true;
    }
    return false;
}

TEST_F(JalvGtk, TheCornerHandleResizesTheEditorAndJalvsWindowShowsItWhole) {
    ASSERT_TRUE(OpenEditor({})) << jalv->Err();
    // Gtk grows a window to fit its child but never shrinks it on its own.
    struct ResizeCase {
        const char* what;
        int dx, dy;
        bool windowFits;  // jalv's window exactly the menu bar and the editor
    };
    const ResizeCase kResizes[] = {{"larger", 62, 166, true}, {"smaller", -100, -268, false}};
    X11Desktop::Rect before = desktop.Geometry(editor);
    ASSERT_EQ(before.width, 248);
    ASSERT_EQ(before.height, 662);
    for (const ResizeCase& c : kResizes) {
        SCOPED_TRACE(c.what);
        // The handle is the editor's bottom right corner.
        Drag(editor, before.width - 8, before.height - 8, c.dx, c.dy);
        // It settles: the same sizes three times in a row (no resize loop).
        X11Desktop::Rect now, window, last;
        int same = 0;
        for (int tries = 0; tries < 40 && same < 3; ++tries) {
            Pause(150);
            now = desktop.Geometry(editor);
            window = desktop.Geometry(top);
            same = now == last ? same + 1 : 0;
            last = now;
        }
        ASSERT_EQ(same, 3) << "the editor's size keeps changing";
        EXPECT_EQ(now.width < before.width, c.dx < 0) << before.width << " -> " << now.width;
        EXPECT_NEAR(static_cast<double>(now.height) / now.width, 662.0 / 248.0, 0.02);
        if (c.windowFits) {
            EXPECT_EQ(window.width, now.width);
            EXPECT_EQ(window.y + window.height, now.y + now.height);
        }
        EXPECT_GE(window.width, now.width);
        EXPECT_GE(window.y + window.height, now.y + now.height);
        ASSERT_NE(WaitUntilDrawn(top), 0u);
        EXPECT_FALSE(AnEdgeIsUndrawn(desktop.Capture(BelowTheMenu())));
        before = now;
    }
}

TEST_F(JalvGtk, ASizeTheUserGivesJalvsWindowKeepsTheEditorWholeAndUnderThePointer) {
    ASSERT_TRUE(OpenEditor({})) << jalv->Err();
    const X11Desktop::Rect opened = desktop.Geometry(editor);
    struct SizeCase {
        int width, height;
    };
    const SizeCase kSizes[] = {{300, 800}, {400, 700}};
    int knobFrame = StripFrameFor(0.5, kPreampGain.frames) - 1;
    for (const SizeCase& c : kSizes) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        // As a window manager does for a user dragging the window's frame.
        desktop.Resize(top, c.width, c.height);
        ASSERT_NE(WaitUntilDrawn(top), 0u);
        const X11Desktop::Rect now = desktop.Geometry(editor);
        EXPECT_EQ(now.x, opened.x);
        EXPECT_EQ(now.y, opened.y);
        EXPECT_FALSE(AnEdgeIsUndrawn(desktop.Capture(BelowTheMenu())));
        // The knob turns where it is drawn: up raises it.
        Drag(editor, 69, 556, 0, -8);
        ASSERT_NE(WaitUntilDrawn(top), 0u);
        const auto [shown, unused] =
            ShownAndExpectedFrame(desktop.Capture(desktop.Geometry(editor)), kPreampGain, 0.0);
        EXPECT_GT(shown, knobFrame);
        knobFrame = shown;
    }
}

TEST_F(JalvGtk, TheEditorsSizeComesBackWithAStateJalvSaved) {
    ASSERT_TRUE(OpenEditor({})) << jalv->Err();
    Drag(editor, 240, 654, 62, 166);
    ASSERT_NE(WaitUntilDrawn(editor), 0u);
    const X11Desktop::Rect chosen = desktop.Geometry(editor);
    ASSERT_GT(chosen.width, 248);
    const fs::path saved = SaveThroughTheMenu();
    ASSERT_FALSE(saved.empty()) << jalv->Err();
    jalv->Stop();
    // A new session from the saved state opens the editor at the size the
    // user chose, in a window of that size.
    ASSERT_TRUE(OpenEditor({"--load", saved.string()})) << jalv->Err();
    const X11Desktop::Rect reopened = desktop.Geometry(editor);
    EXPECT_EQ(reopened.width, chosen.width);
    EXPECT_EQ(reopened.height, chosen.height);
    EXPECT_EQ(desktop.Geometry(top).width, chosen.width);
    EXPECT_FALSE(AnEdgeIsUndrawn(desktop.Capture(reopened)));
}

TEST_F(JalvGtk, JalvsShortcutsStillWorkAfterAClickInTheEditor) {
    ASSERT_TRUE(OpenEditor({})) << jalv->Err();
    // A click on the panel where there is no control, then jalv's Ctrl+Q
    // with the pointer still over the editor.
    const X11Desktop::Rect at = desktop.Geometry(editor);
    desktop.MoveTo(at.x + 8, at.y + 8);
    desktop.Button(1, true);
    desktop.Button(1, false);
    desktop.Key("Control_L", true);
    desktop.Key("q", true);
    desktop.Key("q", false);
    desktop.Key("Control_L", false);
    EXPECT_EQ(jalv->Wait(3000), 0) << "jalv did not hear Ctrl+Q";
}

}  // namespace
