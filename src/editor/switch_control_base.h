#pragma once
// Switch behaviour: a number of positions taken from the linked parameter's
// range; a double click counts as a second click.
#include "editor/control.h"

class SwitchControlBase : public Control {
public:
    // [ui]
    SwitchControlBase(const Bounds& bounds, int paramIdx, int numStates = 2,
                      ActionFunc action = nullptr);

    // [ui] Takes the number of positions from the linked parameter's range.
    void OnInit() override;
    // [ui]
    void OnMouseUp(float x, float y, const MouseModifiers& mods) override;

    // [ui]
    int NumStates() const { return mNumStates; }

protected:
    bool mMouseIsDown = false;

private:
    int mNumStates;
};
