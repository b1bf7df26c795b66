#pragma once
// The process's OpenGL context for drawing without a screen: EGL on Mesa's
// surfaceless platform (a pbuffer on the default display where that is
// missing), desktop OpenGL 2.1 or later, software rendering when there is no
// GPU. No window and no X server are needed.

// [ui] Makes the process's off-screen context current on the calling thread,
// creating it the first time; false (with the reason in failure, when given)
// when EGL cannot give one.
bool MakeOffscreenContextCurrent(const char** failure = nullptr);
