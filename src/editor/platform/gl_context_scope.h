#pragma once
// Makes the editor's GLX context current for the scope's lifetime and puts
// back whatever the calling thread had current before: another GLX context
// (of any display), an EGL context, or none. The thread is the host's, so
// what is current between our calls belongs to the host.
//
// An EGL context is released before ours is made current: a thread holds
// one API's context at a time, and the GL dispatch refuses GLX while EGL is
// current. Whether ours became current is checked (the call's result, the
// thread's current context, and no X error of the requests that made it
// current), so the caller never issues GL calls into the host's context.
//
// Xlib and GLX types stay out of this header.
//
// Threads: [ui] (the host's main thread).
struct _XDisplay;
struct __GLXcontextRec;
class X11Connection;

class GLContextScope {
public:
    // [ui] Makes context current on drawable of the open connection unless it
    // is already.
    GLContextScope(X11Connection& connection, unsigned long drawable, __GLXcontextRec* context);
    // [ui] Makes the previous context current again when this scope switched.
    ~GLContextScope();
    GLContextScope(const GLContextScope&) = delete;
    GLContextScope& operator=(const GLContextScope&) = delete;

    // [ui] Whether the editor's context is current now.
    bool Current() const { return mCurrent; }
    // [ui] Whether this scope made it current (it was not already).
    bool Switched() const { return mSwitched; }

private:
    void Restore();

    bool mCurrent = false;
    bool mSwitched = false;
    X11Connection& mConnection;
    _XDisplay* mDisplay = nullptr;
    // The thread's GLX state before.
    _XDisplay* mPreviousDisplay = nullptr;
    unsigned long mPreviousDraw = 0;
    unsigned long mPreviousRead = 0;
    __GLXcontextRec* mPreviousContext = nullptr;
    // The thread's EGL state before (EGL's handles are pointers).
    void* mEglDisplay = nullptr;
    void* mEglDraw = nullptr;
    void* mEglRead = nullptr;
    void* mEglContext = nullptr;
};
