// The GL driver of an X display is loaded when a connection first uses GLX
// and unloaded when the last such connection closes; what the driver keeps in
// its own static data then looks leaked to LeakSanitizer. One connection held
// for the whole test run keeps the driver loaded, so the editor's own opening
// and closing of the shared connection is checked for leaks, and nothing is
// suppressed.
#include <gtest/gtest.h>

#include <cstdlib>

// clang-format off: after gtest, whose names Xlib's macros would break.
#include <X11/Xlib.h>
#include <epoxy/glx.h>
// clang-format on

namespace {

// Open until the process ends: the driver must still be there when
// LeakSanitizer looks at exit.
Display* gDriverDisplay = nullptr;

class GlDriverEnvironment : public testing::Environment {
public:
    void SetUp() override {
        // Mesa's software rasteriser draws on the calling thread, so
        // LeakSanitizer can stop the world at exit.
        setenv("LP_NUM_THREADS", "0", 0);
        if (gDriverDisplay != nullptr) return;
        gDriverDisplay = XOpenDisplay(nullptr);
        if (gDriverDisplay == nullptr) return;
        int count = 0;
        GLXFBConfig* configs =
            glXGetFBConfigs(gDriverDisplay, DefaultScreen(gDriverDisplay), &count);
        if (configs != nullptr) XFree(configs);
    }
};

const testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new GlDriverEnvironment);

}  // namespace
