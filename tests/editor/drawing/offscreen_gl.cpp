#include "offscreen_gl.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdlib>

// The GL driver keeps allocations for the life of the process (compiled shaders,
// the software rasteriser's state); LeakSanitizer is told to look past them only.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\nleak:libLLVM\nleak:libEGL_mesa\nleak:libgallium\n";
}

namespace test_support {

namespace {

const char* gFailure = nullptr;

bool CreateContext() {
    // Mesa's software rasteriser draws on the calling thread: test frames are small,
    // and LeakSanitizer cannot stop its worker threads at exit.
    setenv("LP_NUM_THREADS", "0", 0);
    EGLDisplay display = EGL_NO_DISPLAY;
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
        display =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    }
    const bool surfaceless = display != EGL_NO_DISPLAY;
    if (!surfaceless) display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        gFailure = "no EGL display";
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        gFailure = "EGL offers no desktop OpenGL";
        return false;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, surfaceless ? 0 : EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1) {
        gFailure = "no EGL configuration for desktop OpenGL";
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1,
                                        EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        gFailure = "no OpenGL 2.1 context";
        return false;
    }
    EGLSurface surface = EGL_NO_SURFACE;
    if (!surfaceless) {
        const EGLint pbufferAttributes[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
        surface = eglCreatePbufferSurface(display, config, pbufferAttributes);
    }
    if (!eglMakeCurrent(display, surface, surface, context)) {
        gFailure = "the OpenGL context cannot be made current";
        return false;
    }
    return true;
}

}  // namespace

OffscreenGl* OffscreenGl::Current() {
    static OffscreenGl* const context = CreateContext() ? new OffscreenGl() : nullptr;
    return context;
}

const char* OffscreenGl::Failure() {
    return gFailure ? gFailure : "";
}

Picture ReadPicture(int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(std::size_t(width) * height * 4);
    std::vector<std::uint8_t> rows(picture.rgba.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    const std::size_t stride = std::size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        const auto* from = rows.data() + std::size_t(height - 1 - y) * stride;
        std::copy(from, from + stride, picture.rgba.data() + std::size_t(y) * stride);
    }
    return picture;
}

}  // namespace test_support
