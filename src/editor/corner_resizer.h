#pragma once
// The handle in the editor's bottom-right corner: dragging it scales (or
// sizes) the editor, a double click brings back the size it was built with.
// It keeps the same size in pixels at every draw scale.
#include "editor/control.h"

// How a corner drag changes the editor.
enum ResizerMode : int { kResizeModeScale = 0, kResizeModeSize = 1 };

class CornerResizer : public Control {
public:
    // [ui] home: the editor's rectangle at construction, restored by a double
    // click; size: the handle's side in pixels at draw scale 1.
    CornerResizer(const Bounds& home, float size, Color color, Color mouseOverColor,
                  Color dragColor);

    // [ui] Places the handle in the corner for the current size and draw scale.
    void OnScaleChanged() override;
    // [ui]
    void Draw(Graphics& g) override;
    // [ui] Shows the diagonal resize cursor while the pointer is over it.
    void OnMouseOver(float x, float y, const MouseModifiers& mods) override;
    // [ui]
    void OnMouseOut() override;
    // [ui] Starts a resize gesture; the drags themselves go to the graphics.
    void OnMouseDown(float x, float y, const MouseModifiers& mods) override;
    // [ui]
    void OnMouseDblClick(float x, float y, const MouseModifiers& mods) override;

private:
    float mSize;
    Color mColor;
    Color mMouseOverColor;
    Color mDragColor;
    Bounds mHome;
    int mPreviousCursor = 0;
};
