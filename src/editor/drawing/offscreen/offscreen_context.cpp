#include "editor/drawing/offscreen/offscreen_context.h"

#include <epoxy/egl.h>

#include <cstdlib>

namespace {

struct OffscreenContext {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    const char* failure = nullptr;
};

OffscreenContext Create() {
    OffscreenContext made;
    // Mesa's software rasteriser then draws on the calling thread: editor frames
    // are small, and no worker threads outlive the work.
    setenv("LP_NUM_THREADS", "0", 0);
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
        made.display =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    }
    const bool surfaceless = made.display != EGL_NO_DISPLAY;
    if (!surfaceless) made.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    EGLint major = 0, minor = 0;
    if (made.display == EGL_NO_DISPLAY || !eglInitialize(made.display, &major, &minor)) {
        made.failure = "no EGL display";
        return made;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        made.failure = "EGL offers no desktop OpenGL";
        return made;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, surfaceless ? 0 : EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(made.display, configAttributes, &config, 1, &configs) || configs < 1) {
        made.failure = "no EGL configuration for desktop OpenGL";
        return made;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1,
                                        EGL_NONE};
    made.context = eglCreateContext(made.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (made.context == EGL_NO_CONTEXT) {
        made.failure = "no OpenGL 2.1 context";
        return made;
    }
    if (!surfaceless) {
        const EGLint pbufferAttributes[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
        made.surface = eglCreatePbufferSurface(made.display, config, pbufferAttributes);
    }
    return made;
}

}  // namespace

bool MakeOffscreenContextCurrent(const char** failure) {
    static const OffscreenContext context = Create();
    const char* reason = context.failure;
    if (reason == nullptr &&
        !eglMakeCurrent(context.display, context.surface, context.surface, context.context)) {
        reason = "the OpenGL context cannot be made current";
    }
    if (failure != nullptr) *failure = reason;
    return reason == nullptr;
}
