#include "editor/drawing/offscreen/offscreen_window.h"

#include <epoxy/gl.h>

#include <algorithm>

#include "core/graphics_editor_delegate.h"
#include "editor/drawing/offscreen/offscreen_context.h"
#include "editor/drawing/renderer.h"
#include "editor/graphics_binding.h"

OffscreenWindow::OffscreenWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                                 float scale, std::unique_ptr<GLCanvas> canvas)
    : Graphics(delegate, width, height, fps, scale),
      mGL(canvas != nullptr ? std::move(canvas) : std::make_unique<GLCanvas>()) {
    mRegions.reserve(64);
    SetCanvas(mGL.get());
    SetWindow(this);
}

OffscreenWindow::~OffscreenWindow() {
    if (mOpen) CloseWindow();
    RemoveAllControls();
    ReleaseBitmaps();
    SetCanvas(nullptr);
    SetWindow(nullptr);
}

void OffscreenWindow::Attach(GraphicsEditorDelegate& delegate, float screenScale,
                             int maxTextureSize) {
    ReplaceScenes(delegate, [&delegate, screenScale, maxTextureSize](const Graphics& made) {
        auto* window = new OffscreenWindow(delegate, made.Width(), made.Height(), made.FPS(),
                                           made.DrawScale());
        window->SetReportedScreenScale(screenScale);
        window->GL().SetMaxTextureSize(maxTextureSize);
        return window;
    });
}

OffscreenWindow* OffscreenWindow::Of(const GraphicsEditorDelegate& delegate) {
    return dynamic_cast<OffscreenWindow*>(delegate.GetGraphics());
}

void* OffscreenWindow::OpenWindow(void*) {
    if (mOpen) CloseWindow();
    if (!MakeOffscreenContextCurrent() || !mGL->CreateRenderer()) return nullptr;
    mOpen = true;
    OpenScene();
    return this;
}

void OffscreenWindow::CloseWindow() {
    if (!mOpen) return;
    MakeOffscreenContextCurrent();
    CloseScene();
    DeleteWindowBuffer();
    mGL->ReleaseBackEnd();
    mOpen = false;
}

void OffscreenWindow::DeleteWindowBuffer() {
    if (mWindowBuffer != 0) glDeleteFramebuffers(1, &mWindowBuffer);
    if (mWindowColor != 0) glDeleteRenderbuffers(1, &mWindowColor);
    if (mWindowStencil != 0) glDeleteRenderbuffers(1, &mWindowStencil);
    mWindowBuffer = mWindowColor = mWindowStencil = 0;
    mGL->SetWindowFramebuffer(0);
}

void OffscreenWindow::SceneResized(bool) {
    if (mGL->Renderer() == nullptr) return;
    DeleteWindowBuffer();
    const int width = PixelWidth(), height = PixelHeight();
    if (width <= 0 || height <= 0) return;
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    glGenFramebuffers(1, &mWindowBuffer);
    glGenRenderbuffers(1, &mWindowColor);
    glGenRenderbuffers(1, &mWindowStencil);
    glBindFramebuffer(GL_FRAMEBUFFER, mWindowBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, mWindowColor);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, mWindowColor);
    // Depth and stencil as the window's visual has them.
    glBindRenderbuffer(GL_RENDERBUFFER, mWindowStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, mWindowStencil);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              mWindowStencil);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClearStencil(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
    if (!complete) DeleteWindowBuffer();
    mGL->SetWindowFramebuffer(mWindowBuffer);
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
    if (mGL->Renderer() == nullptr || mWindowBuffer == 0) return pixels;
    pixels.width = PixelWidth();
    pixels.height = PixelHeight();
    const std::size_t stride = static_cast<std::size_t>(pixels.width) * 4;
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(pixels.height));
    glBindFramebuffer(GL_FRAMEBUFFER, mWindowBuffer);
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
