#pragma once
// Knob behaviour: a press hides the cursor and holds it in place, drags turn
// the value (Control or Shift ten times finer), wheel notches nudge it;
// stepped parameters move in whole steps.
#include "editor/control.h"

enum KnobDirection : int { kKnobVertical = 0, kKnobHorizontal = 1 };

class KnobControlBase : public Control {
public:
    // [ui] gearing: how many control heights (or widths) of motion sweep the
    // whole range.
    KnobControlBase(const Bounds& bounds, int paramIdx, int direction = kKnobVertical,
                    double gearing = 4.0);

    // [ui]
    void OnMouseDown(float x, float y, const MouseModifiers& mods) override;
    // [ui]
    void OnMouseUp(float x, float y, const MouseModifiers& mods) override;
    // [ui] Upward or rightward motion raises the value.
    void OnMouseDrag(float x, float y, float dX, float dY, const MouseModifiers& mods) override;
    // [ui] 0.01 of the range per notch (0.001 fine); one step per event on a
    // stepped parameter; d = 0 changes nothing there.
    void OnMouseWheel(float x, float y, const MouseModifiers& mods, float d) override;

    // [ui] The rectangle whose height (or width) one gearing unit of motion is.
    virtual Bounds DragBounds() const { return mHitBounds; }

    // [ui]
    bool MouseIsDown() const { return mMouseIsDown; }

private:
    // The slot's parameter when it moves in whole steps, else null.
    const Param* SteppedParam() const;

    bool mHideCursorOnDrag = true;
    int mDirection;
    double mGearing;
    bool mMouseIsDown = false;
    double mDragValue = 0.0;  // unconstrained by steps, so slow drags still add up
};
