// The editor's GL context made current around its frames on the host's
// thread: the host's own GLX context comes back afterwards with its display
// and its draw and read drawables, a context already current stays as it is,
// and only the switch's own requests can make it count as refused.
#include "editor/platform/gl_context_scope.h"

#include <gtest/gtest.h>

#include "editor/platform/x11_connection.h"
#include "x_test_display.h"

// After every editor header: Xlib's macros would break them.
#include "editor/platform/glx_setup.h"

namespace {

// A window of config's visual on display.
Window MakeGlWindow(Display* display, XVisualInfo* visual, Colormap& colormap) {
    XSetWindowAttributes set{};
    colormap = XCreateColormap(display, DefaultRootWindow(display), visual->visual, AllocNone);
    set.colormap = colormap;
    set.border_pixel = 0;
    return XCreateWindow(display, DefaultRootWindow(display), 0, 0, 16, 16, 0, visual->depth,
                         InputOutput, visual->visual, CWColormap | CWBorderPixel, &set);
}

class GLContextScopeTest : public testing::Test {
protected:
    void SetUp() override {
        display = connection.Acquire();
        if (display == nullptr) GTEST_SKIP() << "no X display (scripts/test starts Xvfb)";
        X11Connection::ErrorScope errors;
        const GlxWindowConfig chosen = ChooseGlxWindowConfig(display);
        ASSERT_NE(chosen.config, nullptr);
        window = MakeGlWindow(display, chosen.visual, colormap);
        XFree(chosen.visual);
        context = CreateGlxContext(display, chosen.config);
        ASSERT_NE(context, nullptr);

        // The host's own context on its own connection, drawing to one window
        // and reading from another.
        host = OpenTestDisplay();
        ASSERT_NE(host, nullptr);
        const GlxWindowConfig hostChosen = ChooseGlxWindowConfig(host);
        ASSERT_NE(hostChosen.config, nullptr);
        hostDraw = MakeGlWindow(host, hostChosen.visual, hostColormaps[0]);
        hostRead = MakeGlWindow(host, hostChosen.visual, hostColormaps[1]);
        XFree(hostChosen.visual);
        hostContext = CreateGlxContext(host, hostChosen.config);
        ASSERT_NE(hostContext, nullptr);
        XSync(host, False);
        ASSERT_TRUE(glXMakeContextCurrent(host, hostDraw, hostRead, hostContext));
    }

    void TearDown() override {
        if (display == nullptr) return;
        if (host != nullptr) {
            glXMakeCurrent(host, None, nullptr);
            if (hostContext != nullptr) glXDestroyContext(host, hostContext);
            for (Window w : {hostDraw, hostRead}) {
                if (w != 0) XDestroyWindow(host, w);
            }
            for (Colormap c : hostColormaps) {
                if (c != 0) XFreeColormap(host, c);
            }
            XCloseDisplay(host);
        }
        {
            X11Connection::ErrorScope errors;
            if (glXGetCurrentContext() == context) glXMakeCurrent(display, None, nullptr);
            if (context != nullptr) glXDestroyContext(display, context);
            XDestroyWindow(display, window);
            XFreeColormap(display, colormap);
        }
        connection.Release();
    }

    void ExpectHostsContextCurrent() {
        EXPECT_EQ(glXGetCurrentContext(), hostContext);
        EXPECT_EQ(glXGetCurrentDisplay(), host);
        EXPECT_EQ(glXGetCurrentDrawable(), hostDraw);
        EXPECT_EQ(glXGetCurrentReadDrawable(), hostRead);
    }

    X11Connection connection;
    Display* display = nullptr;
    Window window = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
    Display* host = nullptr;
    Window hostDraw = 0;
    Window hostRead = 0;
    Colormap hostColormaps[2] = {};
    GLXContext hostContext = nullptr;
};

TEST_F(GLContextScopeTest, TheHostsContextDisplayAndDrawablesComeBackAfterEachFrame) {
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        {
            GLContextScope scope(connection, window, context);
            ASSERT_TRUE(scope.Current());
            EXPECT_TRUE(scope.Switched());
            // The editor's context, not the host's, takes the frame.
            EXPECT_EQ(glXGetCurrentContext(), context);
            EXPECT_EQ(glXGetCurrentDisplay(), display);
            glClearColor(0.0f, 0.5f, 1.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            X11Connection::ErrorScope errors;
            glXSwapBuffers(display, window);
        }
        ExpectHostsContextCurrent();
    }
}

TEST_F(GLContextScopeTest, AContextAlreadyCurrentStaysCurrentAfterTheScope) {
    {
        X11Connection::ErrorScope errors;
        ASSERT_TRUE(glXMakeCurrent(display, window, context));
    }
    {
        GLContextScope scope(connection, window, context);
        EXPECT_TRUE(scope.Current());
        EXPECT_FALSE(scope.Switched());
    }
    EXPECT_EQ(glXGetCurrentContext(), context);
    EXPECT_EQ(glXGetCurrentDrawable(), window);
}

TEST_F(GLContextScopeTest, AnEarlierRequestsErrorDoesNotRefuseTheSwitchButItsOwnDoes) {
    const int errorsBefore = connection.ErrorCount();
    {
        // Another editor's request to a window that is gone, still in the
        // connection's buffer: it goes out with the switch's own requests.
        X11Connection::ErrorScope errors;
        XMapWindow(display, None);
    }
    {
        GLContextScope scope(connection, window, context);
        EXPECT_TRUE(scope.Current());
    }
    // The error did arrive, during the switch.
    EXPECT_EQ(connection.ErrorCount(), errorsBefore + 1);
    ExpectHostsContextCurrent();

    // A drawable that is gone: the switch's own request fails.
    Colormap goneColormap = 0;
    Window gone = 0;
    {
        X11Connection::ErrorScope errors;
        const GlxWindowConfig chosen = ChooseGlxWindowConfig(display);
        gone = MakeGlWindow(display, chosen.visual, goneColormap);
        XFree(chosen.visual);
        XDestroyWindow(display, gone);
        XFreeColormap(display, goneColormap);
        XSync(display, False);
    }
    {
        GLContextScope scope(connection, gone, context);
        EXPECT_FALSE(scope.Current());
    }
    ExpectHostsContextCurrent();
}

}  // namespace
