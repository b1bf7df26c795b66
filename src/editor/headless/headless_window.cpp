#include "editor/headless/headless_window.h"

#include "core/graphics_editor_delegate.h"
#include "editor/graphics_binding.h"

HeadlessWindow::HeadlessWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                               float scale)
    : Graphics(delegate, width, height, fps, scale),
      mSizeHost(delegate),
      mSizes(*this, mSizeHost, *this) {
    SetCanvas(&mRecording);
    SetWindow(this);
}

HeadlessWindow::~HeadlessWindow() {
    // The controls go first: they hold strips of the bitmaps released here.
    RemoveAllControls();
    ReleaseBitmaps();
    SetCanvas(nullptr);
    SetWindow(nullptr);
}

void HeadlessWindow::Attach(GraphicsEditorDelegate& delegate, float screenScale) {
    ReplaceScenes(delegate, [&delegate, screenScale](const Graphics& made) {
        auto* window =
            new HeadlessWindow(delegate, made.Width(), made.Height(), made.FPS(), made.DrawScale());
        window->SetReportedScreenScale(screenScale);
        return window;
    });
}

HeadlessWindow* HeadlessWindow::Of(const GraphicsEditorDelegate& delegate) {
    return dynamic_cast<HeadlessWindow*>(delegate.GetGraphics());
}

void* HeadlessWindow::OpenWindow(void*) {
    mOpen = true;
    mSizes.Opened(mWindowWidth, mWindowHeight);
    OpenScene();
    return this;
}

void HeadlessWindow::CloseWindow() {
    RemoveAllControls();
    ReleaseBitmaps();
    mOpen = false;
}

void HeadlessWindow::SceneResized(bool hostSized) {
    mSizes.SceneResized(hostSized);
}

void HeadlessWindow::ResizeWindow(int width, int height, bool) {
    mWindowWidth = width;
    mWindowHeight = height;
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
    // The pointer moves on while hidden; the editor puts it back at release.
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

void HeadlessWindow::MovePointer(float x, float y) {
    mWarpX = x;
    mWarpY = y;
    mPointerX = x;
    mPointerY = y;
    ++mWarps;
}
