#include "editor/corner_resizer.h"

#include "editor/graphics.h"

CornerResizer::CornerResizer(const Bounds& home, float size, Color color, Color mouseOverColor,
                             Color dragColor)
    : Control(home),
      mSize(size),
      mColor(color),
      mMouseOverColor(mouseOverColor),
      mDragColor(dragColor),
      mHome(home) {}

void CornerResizer::OnScaleChanged() {
    Graphics* g = GetUI();
    if (g == nullptr || !(g->DrawScale() > 0.0f)) return;
    const float w = static_cast<float>(g->Width());
    const float h = static_cast<float>(g->Height());
    const float side = mSize / g->DrawScale();
    SetBounds({w - side, h - side, w, h});
}

void CornerResizer::Draw(Graphics& g) {
    const Color& colour =
        g.ResizingInProgress() ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
    g.FillTriangle(colour, mBounds.left, mBounds.bottom, mBounds.right, mBounds.top, mBounds.right,
                   mBounds.bottom, nullptr);
}

void CornerResizer::OnMouseOver(float x, float y, const MouseModifiers& mods) {
    if (!mMouseIsOver && GetUI() != nullptr) {
        mPreviousCursor = GetUI()->CurrentPointerShape();
        GetUI()->SetPointerShape(kCursorSizeNWSE);
    }
    Control::OnMouseOver(x, y, mods);
}

void CornerResizer::OnMouseOut() {
    if (mMouseIsOver && GetUI() != nullptr) GetUI()->SetPointerShape(mPreviousCursor);
    Control::OnMouseOut();
}

void CornerResizer::OnMouseDown(float, float, const MouseModifiers&) {
    if (GetUI() != nullptr) GetUI()->SetResizingInProgress(true);
}

void CornerResizer::OnMouseDblClick(float, float, const MouseModifiers&) {
    if (GetUI() != nullptr) {
        GetUI()->Resize(static_cast<int>(mHome.W()), static_cast<int>(mHome.H()), 1.0f, true);
    }
}
