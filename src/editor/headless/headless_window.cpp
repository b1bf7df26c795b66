#include "editor/headless/headless_window.h"

#include "core/graphics_editor_delegate.h"
#include "editor/graphics_binding.h"

HeadlessWindow::HeadlessWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                               float scale)
    : RecordingGraphics(delegate, width, height, fps, scale) {}

void HeadlessWindow::InstallAsPlatform(float screenScale) {
    SetPlatformGraphicsFactory([screenScale](GraphicsEditorDelegate& delegate, int width,
                                             int height, int fps, float scale) -> Graphics* {
        auto* window = new HeadlessWindow(delegate, width, height, fps, scale);
        window->SetReportedScreenScale(screenScale);
        return window;
    });
}

HeadlessWindow* HeadlessWindow::Of(const GraphicsEditorDelegate& delegate) {
    return dynamic_cast<HeadlessWindow*>(delegate.GetGraphics());
}

void* HeadlessWindow::OpenWindow(void* parent) {
    mOpen = true;
    Graphics::OpenWindow(parent);
    return this;
}

void HeadlessWindow::CloseWindow() {
    RemoveAllControls();
    ReleaseBitmaps();
    mOpen = false;
}

void HeadlessWindow::ResizePlatformWindow(bool) {
    mWindowWidth = PixelWidth();
    mWindowHeight = PixelHeight();
    ++mWindowResizes;
}

bool HeadlessWindow::Tick() {
    BoundsList regions;
    if (!IsDirty(regions)) return false;
    MarkAllClean();
    Draw(regions);
    return true;
}

Control* HeadlessWindow::Press(float x, float y, MouseModifiers mods) {
    mods.left = !mods.right;
    mPointerX = x;
    mPointerY = y;
    return OnMouseDown({MouseEvent{x, y, 0.0f, 0.0f, mods}});
}

void HeadlessWindow::Drag(float dX, float dY, MouseModifiers mods) {
    mods.left = true;
    mPointerX += dX;
    mPointerY += dY;
    // A locked cursor is moved back by the editor (MovePlatformCursor).
    OnMouseDrag({MouseEvent{mPointerX, mPointerY, dX, dY, mods}});
}

void HeadlessWindow::Release(MouseModifiers mods) {
    OnMouseUp({MouseEvent{mPointerX, mPointerY, 0.0f, 0.0f, mods}});
}

bool HeadlessWindow::DoubleClick(float x, float y, MouseModifiers mods) {
    mods.left = true;
    mPointerX = x;
    mPointerY = y;
    return OnMouseDblClick(x, y, mods);
}

void HeadlessWindow::Wheel(float x, float y, float notches, MouseModifiers mods) {
    OnMouseWheel(x, y, mods, notches);
}

void HeadlessWindow::MovePlatformCursor(float x, float y) {
    mWarpX = x;
    mWarpY = y;
    mPointerX = x;
    mPointerY = y;
    ++mWarps;
}
