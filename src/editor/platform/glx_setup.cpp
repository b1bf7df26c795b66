#include "editor/platform/glx_setup.h"

GlxWindowConfig ChooseGlxWindowConfig(Display* display) {
    const int attributes[] = {GLX_X_RENDERABLE,
                              True,
                              GLX_DRAWABLE_TYPE,
                              GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_X_VISUAL_TYPE,
                              GLX_TRUE_COLOR,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_DEPTH_SIZE,
                              24,
                              GLX_STENCIL_SIZE,
                              8,
                              GLX_DOUBLEBUFFER,
                              True,
                              None};
    GlxWindowConfig chosen;
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs == nullptr) return chosen;
    // The first 8-bit-per-channel configuration on a plain 24-bit visual.
    for (int i = 0; i < count && chosen.config == nullptr; ++i) {
        XVisualInfo* candidate = glXGetVisualFromFBConfig(display, configs[i]);
        if (candidate == nullptr) continue;
        if (candidate->depth == 24 || i == count - 1) {
            chosen.config = configs[i];
            chosen.visual = candidate;
        } else {
            XFree(candidate);
        }
    }
    XFree(configs);
    return chosen;
}

GLXContext CreateGlxContext(Display* display, GLXFBConfig config) {
    return glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
}

// A plug-in draws on the host's thread: a swap waiting for vertical blank
// would stall the host's idle call.
void DisableSwapWait(Display* display, GLXDrawable drawable) {
    const int screen = DefaultScreen(display);
    if (epoxy_has_glx_extension(display, screen, "GLX_EXT_swap_control")) {
        glXSwapIntervalEXT(display, drawable, 0);
    } else if (epoxy_has_glx_extension(display, screen, "GLX_MESA_swap_control")) {
        glXSwapIntervalMESA(0);
    }
}
