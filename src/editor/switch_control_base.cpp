#include "editor/switch_control_base.h"

#include <cmath>

#include "core/param.h"

SwitchControlBase::SwitchControlBase(const Bounds& bounds, int paramIdx, int numStates,
                                     ActionFunc action)
    : Control(bounds, paramIdx, std::move(action)), mNumStates(numStates) {
    mDblAsSingleClick = true;
}

void SwitchControlBase::OnInit() {
    if (const Param* param = GetParam(0)) {
        const double span = param->Max() - param->Min();
        if (std::isfinite(span) && span >= 0.0 && span < 1e6)
            mNumStates = static_cast<int>(span) + 1;
    }
}

void SwitchControlBase::OnMouseUp(float, float, const MouseModifiers&) {
    mMouseIsDown = false;
    SetDirty(false, -1);
}
