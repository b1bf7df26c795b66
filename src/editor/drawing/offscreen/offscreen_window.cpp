#include "editor/drawing/offscreen/offscreen_window.h"

#include <epoxy/gl.h>

#include <algorithm>

#include "core/graphics_editor_delegate.h"
#include "editor/drawing/offscreen/offscreen_context.h"
#include "editor/drawing/renderer.h"
#include "editor/graphics_binding.h"

OffscreenWindow::OffscreenWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                                 float scale)
    : GraphicsGL(delegate, width, height, fps, scale) {
    mRegions.reserve(64);
}

OffscreenWindow::~OffscreenWindow() {
    if (mOpen) CloseWindow();
}

void OffscreenWindow::InstallAsPlatform(float screenScale) {
    SetPlatformGraphicsFactory([screenScale](GraphicsEditorDelegate& delegate, int width,
                                             int height, int fps, float scale) -> Graphics* {
        auto* window = new OffscreenWindow(delegate, width, height, fps, scale);
        window->SetReportedScreenScale(screenScale);
        return window;
    });
}

OffscreenWindow* OffscreenWindow::Of(const GraphicsEditorDelegate& delegate) {
    return dynamic_cast<OffscreenWindow*>(delegate.GetGraphics());
}

void* OffscreenWindow::OpenWindow(void* parent) {
    if (mOpen) CloseWindow();
    if (!MakeOffscreenContextCurrent() || !CreateRenderer()) return nullptr;
    mOpen = true;
    Graphics::OpenWindow(parent);
    return this;
}

void OffscreenWindow::CloseWindow() {
    if (!mOpen) return;
    MakeOffscreenContextCurrent();
    RemoveAllControls();
    if (Renderer() != nullptr && mWindowBuffer != 0) Renderer()->DeleteFramebuffer(mWindowBuffer);
    mWindowBuffer = 0;
    ReleaseBackEnd();
    mOpen = false;
}

void OffscreenWindow::ResizePlatformWindow(bool) {
    if (Renderer() == nullptr) return;
    if (mWindowBuffer != 0) Renderer()->DeleteFramebuffer(mWindowBuffer);
    mWindowBuffer = Renderer()->CreateFramebuffer(PixelWidth(), PixelHeight());
}

unsigned OffscreenWindow::WindowFramebufferObject() {
    return Renderer() != nullptr ? Renderer()->FramebufferObject(mWindowBuffer) : 0;
}

bool OffscreenWindow::Tick() {
    mRegions.clear();
    if (!IsDirty(mRegions)) return false;
    MarkAllClean();
    Draw(mRegions);
    return true;
}

WindowPixels OffscreenWindow::ReadPixels() {
    WindowPixels pixels;
    if (Renderer() == nullptr || mWindowBuffer == 0) return pixels;
    pixels.width = PixelWidth();
    pixels.height = PixelHeight();
    const std::size_t stride = static_cast<std::size_t>(pixels.width) * 4;
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(pixels.height));
    glBindFramebuffer(GL_FRAMEBUFFER, WindowFramebufferObject());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, pixels.width, pixels.height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // GL counts rows from the bottom.
    pixels.rgba.resize(rows.size());
    for (int y = 0; y < pixels.height; ++y) {
        const auto* from = rows.data() + static_cast<std::size_t>(pixels.height - 1 - y) * stride;
        std::copy(from, from + stride, pixels.rgba.data() + static_cast<std::size_t>(y) * stride);
    }
    return pixels;
}
