#pragma once
// An OpenGL context for tests that needs no window and no X server: the
// process's off-screen context (editor/drawing/offscreen/offscreen_context.h),
// shared by every test of the process; drawing goes into frame buffer
// objects, read back here.
#include <cstdint>
#include <vector>

namespace test_support {

class OffscreenGl {
public:
    // [ui] The process's context, made current on the calling thread at every
    // call; null (with the reason in `Failure()`) when EGL cannot give one.
    static OffscreenGl* Current();
    // [ui] Why Current() returned null.
    static const char* Failure();

private:
    OffscreenGl() = default;
};

// Pixels read back from a frame buffer, top row first, RGBA bytes.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    // [ui] Channel c (0 red .. 3 alpha) of pixel (x, y); x, y counted from the top left.
    int At(int x, int y, int c) const { return rgba[(std::size_t(y) * width + x) * 4 + c]; }
};

// [ui] Reads the bound frame buffer's width x height pixels.
Picture ReadPicture(int width, int height);

}  // namespace test_support
