// `hpi-host edit` as a user meets it: the tool runs as a process on the X
// display (scripts/test starts Xvfb when there is none) and the test plays
// the user through XTest, then reads what the host logged and printed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "editor/picture_decoder.h"
#include "film_strip_match.h"
#include "x_screen_resources.h"

// Xlib last: its macros (None, KeyPress) would break the headers above.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "x_test_display.h"
// clang-format on

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kTool = TW_HPI_HOST;
const std::string kModule = TW_TARNWHISTLE_MODULE;

std::string ReadText(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int Count(const std::string& text, const std::string& line) {
    int count = 0;
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);) count += l == line ? 1 : 0;
    return count;
}

// The touches of one parameter in a --log, by nesting depth.
struct Gestures {
    int opened = 0;  // touches from depth 0
    int depthAtEnd = 0;
    int valuesInside = 0;
    int valuesOutside = 0;
};

Gestures GesturesOf(const std::string& log, const std::string& id) {
    Gestures g;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line == "touch " + id) {
            g.opened += g.depthAtEnd == 0 ? 1 : 0;
            ++g.depthAtEnd;
        } else if (line == "release " + id) {
            --g.depthAtEnd;
        } else if (line.rfind("value " + id + " ", 0) == 0) {
            ++(g.depthAtEnd > 0 ? g.valuesInside : g.valuesOutside);
        }
    }
    return g;
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Whether the requests made so far on display all succeeded.
int gSyncErrors = 0;
int CountSyncError(Display*, XErrorEvent*) {
    ++gSyncErrors;
    return 0;
}
bool SyncedWithoutError(Display* display) {
    gSyncErrors = 0;
    const XErrorHandler before = XSetErrorHandler(CountSyncError);
    XSync(display, False);
    XSetErrorHandler(before);
    return gSyncErrors == 0;
}

// One hpi-host process with its output in files.
class ToolProcess {
public:
    ToolProcess(const std::vector<std::string>& args, const fs::path& folder,
                bool withDisplay = true)
        : mOut(folder / "out.txt"), mErr(folder / "err.txt") {
        std::vector<std::string> all = {kTool};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env;
        std::string asanOptions = "ASAN_OPTIONS=";
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry(*e);
            if (entry.rfind("ASAN_OPTIONS=", 0) == 0) {
                asanOptions = entry + ":";
                continue;
            }
            if (withDisplay || entry.rfind("DISPLAY=", 0) != 0) env.push_back(entry);
        }
        // Mesa's GL driver is unloaded with the display connection, and its
        // lifetime allocations then show as leaks from an unknown module: the
        // tool's own leaks are checked by the sanitizer stage's other tests.
        env.push_back(asanOptions + "detect_leaks=0");
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, mOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, mErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn(&mPid, kTool.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ToolProcess() {
        if (mPid > 0) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
    }
    // The exit code, or -1 when it did not end within timeoutMs (it is killed).
    int Wait(int timeoutMs = 20000) {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            int status = 0;
            if (waitpid(mPid, &status, WNOHANG) == mPid) {
                mPid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            Pause(20);
        }
        return -1;
    }
    void Signal(int number) const { kill(mPid, number); }
    std::string Out() const { return ReadText(mOut); }
    std::string Err() const { return ReadText(mErr); }

private:
    fs::path mOut, mErr;
    pid_t mPid = -1;
};

class HpiHostEdit : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("tw_host_edit_" + std::to_string(getpid()));
        fs::create_directories(folder);
        display = XOpenDisplay(nullptr);
    }
    void TearDown() override {
        if (display != nullptr) XCloseDisplay(display);
        fs::remove_all(folder);
    }
    bool HasDisplay() const { return display != nullptr; }

    // The host's top-level window once the editor's window is inside it.
    Window WaitForEditor() {
        for (int tries = 0; tries < 500; ++tries) {
            const Window found = FindHostWindow();
            if (found != 0 && EditorOf(found) != 0) {
                Pause(300);  // its first frames
                return found;
            }
            Pause(20);
        }
        return 0;
    }
    // Whether no window of class "hpi-host" is left.
    bool WaitForEditorGone() {
        for (int tries = 0; tries < 100; ++tries) {
            if (FindHostWindow() == 0) return true;
            Pause(20);
        }
        return false;
    }
    Window FindHostWindow() {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        Window found = 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            XClassHint hint{};
            if (XGetClassHint(display, children[i], &hint) != 0) {
                if (std::string(hint.res_class) == "hpi-host") found = children[i];
                XFree(hint.res_name);
                XFree(hint.res_class);
            }
        }
        if (children != nullptr) XFree(children);
        return found;
    }
    Window EditorOf(Window host) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, host, &root, &parent, &children, &count) == 0) return 0;
        const Window child = count > 0 ? children[0] : 0;
        if (children != nullptr) XFree(children);
        XWindowAttributes attributes;
        if (child == 0 || XGetWindowAttributes(display, child, &attributes) == 0 ||
            attributes.map_state != IsViewable) {
            return 0;
        }
        return child;
    }
    // Pointer and keys, at editor units (scale 1) of the host's window.
    void MoveTo(Window host, int x, int y) {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, host, DefaultRootWindow(display), x, y, &rootX, &rootY,
                              &child);
        Input().MoveTo(rootX, rootY);
    }
    void Button(bool down) { Input().Button(1, down); }
    void Key(KeySym key, bool down) { Input().Key(key, down); }
    // The editor runs in another process: waiting is all the test can do.
    XTestInput Input() { return XTestInput(display, Pause, {40, 60, 40}); }

    fs::path folder;
    Display* display = nullptr;
};

TEST_F(HpiHostEdit, WithoutADisplayItEndsWithItsOwnCode) {
    ToolProcess tool({"edit", kModule, "--quit-after", "1"}, folder, false);
    EXPECT_EQ(tool.Wait(), 14);
    EXPECT_NE(tool.Err().find("DISPLAY"), std::string::npos) << tool.Err();
}

struct ExitCase {
    const char* name;
    std::vector<std::string> args;  // after "edit"
    int exitCode;
    const char* messagePart;
};

// Each way a session fails before the editor opens ends with the code --help
// lists for it, and names what is at fault.
TEST_F(HpiHostEdit, EachFailureHasItsOwnExitCode) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
    const std::string absentModule = (folder / "absent.so").string();
    const std::string absentState = (folder / "absent.state").string();
    const std::string unwritable = (folder / "no/dir/shot.png").string();
    const ExitCase kCases[] = {
        {"bad highlight colour", {kModule, "--highlight", "1=pink"}, 1, "--highlight"},
        {"module missing", {absentModule}, 2, "absent.so"},
        {"unknown parameter", {kModule, "--set", "Drive=3"}, 8, "Drive"},
        {"unknown highlighted parameter", {kModule, "--highlight", "Drive=red"}, 8, "Drive"},
        {"value does not convert", {kModule, "--set", "Preamp Gain=loud"}, 9, "loud"},
        {"selector past its end", {kModule, "--set", "HighPass=5"}, 9, "outside the range"},
        {"screenshot unwritable", {kModule, "--screenshot", unwritable}, 10, "no/dir"},
        {"state missing", {kModule, "--state", absentState}, 11, "absent.state"},
    };
    for (const ExitCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"edit"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--quit-after", "20"});
        ToolProcess tool(args, folder);
        EXPECT_EQ(tool.Wait(30000), c.exitCode) << tool.Err();
        EXPECT_NE(tool.Err().find(c.messagePart), std::string::npos) << tool.Err();
    }
}

// An editor whose window cannot be pictured never settles: the session ends
// with the code of its own that --help gives, instead of waiting forever or
// taking an empty picture.
TEST_F(HpiHostEdit, AScreenshotThatNeverSettlesEndsWithItsOwnCode) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
    {
        ToolProcess help({"edit", "--help"}, folder);
        ASSERT_EQ(help.Wait(), 0);
        EXPECT_NE(help.Out().find("16 the editor did\nnot settle for --screenshot"),
                  std::string::npos)
            << help.Out();
    }
    const fs::path shotPath = folder / "never.png";
    // As a window manager that never maps what it is asked to: the host's
    // window stays unmapped, so no capture of it can settle.
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureRedirectMask);
    if (!SyncedWithoutError(display)) GTEST_SKIP() << "a window manager holds the display";
    ToolProcess tool({"edit", kModule, "--screenshot", shotPath.string()}, folder);
    // The host asked for its window to be mapped, and the editor is in it.
    Window host = 0;
    for (int tries = 0; tries < 2000 && (host == 0 || EditorOf(host) == 0); ++tries) {
        XEvent event;
        while (XCheckTypedEvent(display, MapRequest, &event)) host = event.xmaprequest.window;
        if (host == 0 || EditorOf(host) == 0) Pause(5);
    }
    XSelectInput(display, root, NoEventMask);
    XSync(display, False);
    ASSERT_NE(host, 0u) << tool.Err();
    EXPECT_EQ(tool.Wait(40000), 16) << tool.Err();
    EXPECT_NE(tool.Err().find("did not settle"), std::string::npos) << tool.Err();
    EXPECT_FALSE(fs::exists(shotPath));
}

// A plug-in whose editor keeps the view container after the host took it
// away, and asks it for a size when the module shuts down, long after the
// host's window is gone: the host names the fault and the late request
// reaches no window.
TEST_F(HpiHostEdit, AnEditorThatKeepsTheViewContainerIsReportedAndCutOffFromTheWindow) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
#ifndef TW_KEEPS_VIEW_CONTAINER_FIXTURE
    GTEST_SKIP() << "the fixture plug-in is built with the host's tests";
#else
    ToolProcess tool({"edit", TW_KEEPS_VIEW_CONTAINER_FIXTURE, "--log", "--quit-after", "1"},
                     folder);
    EXPECT_EQ(tool.Wait(), 0) << tool.Err();
    const std::string err = tool.Err();
    EXPECT_NE(err.find("the editor keeps 1 reference(s) to the view container after "
                       "SetViewContainer(nullptr)"),
              std::string::npos)
        << err;
    // The size asked for at shutdown is refused, not passed to a closed window.
    EXPECT_EQ(tool.Out().find("size 250x150"), std::string::npos) << tool.Out();
#endif
}

TEST_F(HpiHostEdit, AKnobDragIsOneTouchAndOneReleaseAltClickResetsAndCtrlQEnds) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
    ToolProcess tool({"edit", kModule, "--log", "--quit-after", "60"}, folder);
    const Window host = WaitForEditor();
    ASSERT_NE(host, 0u) << tool.Err();
    // The gain knob stands at 31, 518 .. 108, 595.
    MoveTo(host, 69, 556);
    Button(true);
    for (int step = 1; step <= 8; ++step) MoveTo(host, 69, 556 - 4 * step);
    Button(false);
    Pause(200);
    // Alt+click: the host takes it and resets the parameter.
    MoveTo(host, 69, 556);
    Key(XK_Alt_L, true);
    Button(true);
    Button(false);
    Key(XK_Alt_L, false);
    Pause(200);
    // Ctrl+Q while the editor's window has the focus.
    XSetInputFocus(display, EditorOf(host), RevertToParent, CurrentTime);
    XSync(display, False);
    Key(XK_Control_L, true);
    Key(XK_q, true);
    Key(XK_q, false);
    Key(XK_Control_L, false);
    ASSERT_EQ(tool.Wait(), 0) << tool.Err();
    const std::string out = tool.Out();
    // The drag is one gesture: one outer touch and one outer release around
    // its values (the adapter wraps each value in a touch and release of its
    // own), then the reset, which the host took without a gesture.
    const Gestures gestures = GesturesOf(out, "1");
    EXPECT_EQ(gestures.opened, 1) << out;
    EXPECT_EQ(gestures.depthAtEnd, 0) << out;
    EXPECT_GT(gestures.valuesInside, 0) << out;
    EXPECT_EQ(gestures.valuesOutside, 0) << out;
    EXPECT_EQ(Count(out, "reset 1 0.500000"), 1) << out;
    EXPECT_LT(out.rfind("release 1"), out.find("reset 1"));
    EXPECT_NE(out.find("Preamp Gain          0.00dB"), std::string::npos) << out;
}

TEST_F(HpiHostEdit, QuitAfterSignalsAndTheWindowManagersCloseEndTheSessionCleanly) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
    const fs::path state = folder / "state.bin";
    {
        ToolProcess tool({"edit", kModule, "--set", "Output Trim=6", "--quit-after", "1",
                          "--save-state", state.string()},
                         folder);
        ASSERT_EQ(tool.Wait(), 0) << tool.Err();
        EXPECT_NE(tool.Out().find("Output Trim          6.00dB"), std::string::npos) << tool.Out();
    }
    // Each way a user ends a session closes the editor and reports the values.
    for (const char* how : {"SIGTERM", "SIGINT", "window manager's close"}) {
        SCOPED_TRACE(how);
        ToolProcess tool({"edit", kModule, "--state", state.string()}, folder);
        const Window host = WaitForEditor();
        ASSERT_NE(host, 0u) << tool.Err();
        if (std::string(how) == "SIGTERM") tool.Signal(SIGTERM);
        if (std::string(how) == "SIGINT") tool.Signal(SIGINT);
        if (std::string(how) == "window manager's close") {
            XEvent close{};
            close.xclient.type = ClientMessage;
            close.xclient.window = host;
            close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
            close.xclient.format = 32;
            close.xclient.data.l[0] =
                static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
            XSendEvent(display, host, False, NoEventMask, &close);
            XSync(display, False);
        }
        ASSERT_EQ(tool.Wait(), 0) << tool.Err();
        EXPECT_NE(tool.Out().find("Output Trim          6.00dB"), std::string::npos) << tool.Out();
        // The window is gone with the session.
        Pause(100);
        EXPECT_EQ(WaitForEditorGone(), true);
    }
}

TEST_F(HpiHostEdit, TheCornerHandleAsksTheHostForASizeAndTheHostsWindowFollows) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
    ToolProcess tool({"edit", kModule, "--log", "--quit-after", "60"}, folder);
    const Window host = WaitForEditor();
    ASSERT_NE(host, 0u) << tool.Err();
    // The handle at the bottom right corner; one and a half times as large.
    MoveTo(host, 238, 652);
    Button(true);
    for (int step = 1; step <= 4; ++step) MoveTo(host, 238 + 30 * step, 652 + 82 * step);
    Button(false);
    XWindowAttributes attributes{};
    for (int tries = 0; tries < 100; ++tries) {
        XGetWindowAttributes(display, host, &attributes);
        if (attributes.width != 248) break;
        Pause(20);
    }
    tool.Signal(SIGTERM);
    ASSERT_EQ(tool.Wait(), 0) << tool.Err();
    const std::string out = tool.Out();
    const std::size_t last = out.rfind("size ");
    ASSERT_NE(last, std::string::npos) << out;
    const std::string size = out.substr(last + 5, out.find('\n', last) - last - 5);
    EXPECT_EQ(size, std::to_string(attributes.width) + "x" + std::to_string(attributes.height));
    // The aspect ratio stays the editor's.
    EXPECT_NEAR(static_cast<double>(attributes.height) / attributes.width, 662.0 / 248.0, 0.02);
    EXPECT_GT(attributes.width, 248);
}

TEST_F(HpiHostEdit, TheScreenshotShowsEachKnobsFilmStripFrameForItsValue) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
    const fs::path shotPath = folder / "editor.png";
    ToolProcess tool({"edit", kModule, "--set", "Preamp Gain=12", "--set", "Output Trim=-18",
                      "--set", "High Gain=3", "--screenshot", shotPath.string()},
                     folder);
    ASSERT_EQ(tool.Wait(), 0) << tool.Err();
    const DecodedPicture shot = DecodePictureFile(shotPath.string());
    ASSERT_EQ(shot.width, 248);
    ASSERT_EQ(shot.height, 662);
    const std::string resources = std::string(TW_SOURCE_DIR_PATH) + "/resources/";
    const DecodedPicture bg = DecodePictureFile(resources + "BG@2x.png");
    struct Knob {
        const char* file;
        int x, y;
        int frame;  // of 61, from 0: the value's place in its range, rounded
    };
    const Knob knobs[] = {
        {"GAIN@2x.png", 31, 518, 45},    // +12 of -24..+24 dB: 36 / 48
        {"TRIM@2x.png", 141, 518, 8},    // -18 of -24..+24 dB: 6 / 48, 7.5 rounded up
        {"BGAIN@2x.png", 141, 25, 36},   // +3 of -15..+15 dB: 18 / 30
        {"BGAIN@2x.png", 141, 148, 30},  // the middle
    };
    for (const Knob& k : knobs) {
        SCOPED_TRACE(std::string(k.file) + " at " + std::to_string(k.x) + "," +
                     std::to_string(k.y));
        const DecodedPicture strip = DecodePictureFile(resources + k.file);
        const StripOnPanel knob{strip, 61, bg, k.x, k.y};
        EXPECT_EQ(ClosestStripFrame(shot, k.x, k.y, knob, 1), k.frame);
    }
}

// At draw scale 2 the editor is 1324 pixels tall, more than a 1024-pixel
// display shows: the screenshot is the part on the screen, read through the
// visual's colour masks.
TEST_F(HpiHostEdit, AScreenshotOfAnEditorTallerThanTheScreenShowsItsVisiblePart) {
    if (!HasDisplay()) GTEST_SKIP() << "no X display reachable (scripts/test starts Xvfb)";
    struct ScaleTwo {
        Display* display;
        SavedScreenResources saved;
        explicit ScaleTwo(Display* d) : display(d) {
            saved.Save(display);
            SavedScreenResources::Set(display, "Xft.dpi:\t192\n");
        }
        ~ScaleTwo() { saved.Restore(display); }
    };
    const fs::path shotPath = folder / "tall.png";
    int code = -1;
    std::string err;
    {
        const ScaleTwo scale(display);
        ToolProcess tool(
            {"edit", kModule, "--set", "High Gain=3", "--screenshot", shotPath.string()}, folder);
        code = tool.Wait(30000);
        err = tool.Err();
    }
    ASSERT_EQ(code, 0) << err;
    const DecodedPicture shot = DecodePictureFile(shotPath.string());
    const int screenHeight = DisplayHeight(display, DefaultScreen(display));
    EXPECT_EQ(shot.width, 496);
    EXPECT_EQ(shot.height, std::min(1324, screenHeight));
    // The high band's knob near the top, one picture pixel per screen pixel.
    const std::string resources = std::string(TW_SOURCE_DIR_PATH) + "/resources/";
    const DecodedPicture bg = DecodePictureFile(resources + "BG@2x.png");
    const DecodedPicture strip = DecodePictureFile(resources + "BGAIN@2x.png");
    const StripOnPanel knob{strip, 61, bg, 141, 25};
    // +3 of -15..+15 dB: frame 36 of 61.
    EXPECT_EQ(ClosestStripFrame(shot, 2 * 141, 2 * 25, knob, 2), 36);
    EXPECT_LT(StripFrameDifference(shot, 2 * 141, 2 * 25, knob, 36, 2), 8.0);
}

}  // namespace
