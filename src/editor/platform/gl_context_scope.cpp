#include "editor/platform/gl_context_scope.h"

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <epoxy/glx.h>

#include "core/trace.h"
#include "editor/platform/x11_connection.h"

namespace {

// EGL as the host may use it. Looked up in the libEGL already loaded only:
// when the host never loaded it, no EGL context can be current, and loading
// it ourselves would only cost the host memory.
struct HostEgl {
    using GetCurrentContext = void* (*)();
    using GetCurrentDisplay = void* (*)();
    using GetCurrentSurface = void* (*)(int readDraw);
    using MakeCurrent = unsigned (*)(void* display, void* draw, void* read, void* context);
    GetCurrentContext getCurrentContext = nullptr;
    GetCurrentDisplay getCurrentDisplay = nullptr;
    GetCurrentSurface getCurrentSurface = nullptr;
    MakeCurrent makeCurrent = nullptr;

    static constexpr int kDraw = 0x3059;  // EGL_DRAW
    static constexpr int kRead = 0x305A;  // EGL_READ

    bool Usable() const {
        return getCurrentContext != nullptr && getCurrentDisplay != nullptr &&
               getCurrentSurface != nullptr && makeCurrent != nullptr;
    }
};

HostEgl FindHostEgl() {
    HostEgl egl;
    void* library = dlopen("libEGL.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return egl;
    egl.getCurrentContext =
        reinterpret_cast<HostEgl::GetCurrentContext>(dlsym(library, "eglGetCurrentContext"));
    egl.getCurrentDisplay =
        reinterpret_cast<HostEgl::GetCurrentDisplay>(dlsym(library, "eglGetCurrentDisplay"));
    egl.getCurrentSurface =
        reinterpret_cast<HostEgl::GetCurrentSurface>(dlsym(library, "eglGetCurrentSurface"));
    egl.makeCurrent = reinterpret_cast<HostEgl::MakeCurrent>(dlsym(library, "eglMakeCurrent"));
    // The loaded library stays loaded: this only drops our extra reference.
    dlclose(library);
    return egl;
}

}  // namespace

GLContextScope::GLContextScope(X11Connection& connection, unsigned long drawable,
                               __GLXcontextRec* context)
    : mConnection(connection), mDisplay(connection.Handle()) {
    Display* display = mDisplay;
    if (display == nullptr || context == nullptr || drawable == 0) return;
    X11Connection::ErrorScope errors;
    const HostEgl egl = FindHostEgl();
    if (egl.Usable() && egl.getCurrentContext() != nullptr) {
        mEglDisplay = egl.getCurrentDisplay();
        mEglDraw = egl.getCurrentSurface(HostEgl::kDraw);
        mEglRead = egl.getCurrentSurface(HostEgl::kRead);
        mEglContext = egl.getCurrentContext();
    } else {
        mPreviousContext = glXGetCurrentContext();
        if (mPreviousContext == context) {
            mCurrent = true;
            return;
        }
        mPreviousDisplay = glXGetCurrentDisplay();
        mPreviousDraw = glXGetCurrentDrawable();
        mPreviousRead = glXGetCurrentReadDrawable();
    }
    mSwitched = true;
    if (mEglContext != nullptr && !egl.makeCurrent(mEglDisplay, nullptr, nullptr, nullptr)) {
        Trace("editor: the host's EGL context could not be released; no drawing");
        return;
    }
    const unsigned long firstSerial = mConnection.NextRequestSerial();
    const bool made = glXMakeCurrent(display, drawable, context) != False;
    // A refused drawable may only show as an error from the server.
    const bool failed = mConnection.RequestsFailedSince(firstSerial);
    mCurrent = made && glXGetCurrentContext() == context && !failed;
    if (!mCurrent) {
        Trace("editor: its GL context could not be made current");
        Restore();
        mSwitched = false;
    }
}

GLContextScope::~GLContextScope() {
    if (mSwitched) Restore();
}

void GLContextScope::Restore() {
    X11Connection::ErrorScope errors;
    if (glXGetCurrentContext() != nullptr && glXGetCurrentContext() != mPreviousContext) {
        glXMakeCurrent(mDisplay, None, nullptr);
    }
    if (mEglContext != nullptr) {
        const HostEgl egl = FindHostEgl();
        if (egl.Usable()) egl.makeCurrent(mEglDisplay, mEglDraw, mEglRead, mEglContext);
    } else if (mPreviousContext != nullptr && mPreviousDisplay != nullptr &&
               glXGetCurrentContext() != mPreviousContext) {
        glXMakeContextCurrent(mPreviousDisplay, mPreviousDraw, mPreviousRead, mPreviousContext);
    }
}
