// The editor's X error handler while another thread of the host meets errors
// on a connection of its own: ours comes and goes with the editor's calls on
// this thread, and every error of the other thread still reaches the host's
// handler, through ours or directly.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "editor/platform/x11_connection.h"
#include "x_test_display.h"

// After the editor's headers: Xlib's macros would break them.
#include <X11/Xlib.h>

namespace {

Display* gHostDisplay = nullptr;
std::atomic<int> gHostErrors{0};
std::atomic<int> gOtherErrors{0};
int HostHandler(Display* display, XErrorEvent*) {
    (display == gHostDisplay ? gHostErrors : gOtherErrors).fetch_add(1);
    return 0;
}

TEST(XErrorHandlerThreads, AnotherThreadsErrorsReachTheHostWhileTheEditorsScopesComeAndGo) {
    gHostDisplay = OpenTestDisplay();
    if (gHostDisplay == nullptr) GTEST_SKIP() << "no X display (scripts/test starts Xvfb)";
    X11Connection connection;
    Display* ours = connection.Acquire();
    ASSERT_NE(ours, nullptr);
    gHostErrors = 0;
    gOtherErrors = 0;
    const XErrorHandler before = XSetErrorHandler(HostHandler);

    constexpr int kErrors = 200;
    std::atomic<bool> done{false};
    std::thread host([&] {
        for (int i = 0; i < kErrors; ++i) {
            XMapWindow(gHostDisplay, None);
            XSync(gHostDisplay, False);
        }
        done = true;
    });
    // The editor's calls on this thread, each in a scope; one in ten fails.
    int ourErrors = 0;
    for (int i = 0; !done || i < 100; ++i) {
        X11Connection::ErrorScope errors;
        if (i % 10 == 0) {
            XMapWindow(ours, None);
            ++ourErrors;
        }
        XSync(ours, False);
    }
    host.join();

    EXPECT_EQ(gHostErrors.load(), kErrors);
    EXPECT_EQ(gOtherErrors.load(), 0) << "the editor's errors reached the host";
    EXPECT_EQ(connection.ErrorCount(), ourErrors);
    EXPECT_EQ(XSetErrorHandler(before), HostHandler) << "the host's handler was replaced";
    connection.Release();
    XCloseDisplay(gHostDisplay);
}

}  // namespace
