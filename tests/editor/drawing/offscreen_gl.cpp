#include "offscreen_gl.h"

#include <epoxy/gl.h>

#include "editor/drawing/offscreen/offscreen_context.h"

// The GL driver keeps allocations for the life of the process (compiled shaders,
// the software rasteriser's state); LeakSanitizer is told to look past them only.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\nleak:libLLVM\nleak:libEGL_mesa\nleak:libgallium\n";
}

namespace test_support {

namespace {

const char* gFailure = nullptr;

}  // namespace

OffscreenGl* OffscreenGl::Current() {
    static OffscreenGl context;
    return MakeOffscreenContextCurrent(&gFailure) ? &context : nullptr;
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
