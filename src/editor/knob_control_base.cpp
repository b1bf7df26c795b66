#include "editor/knob_control_base.h"

#include <algorithm>
#include <cmath>

#include "core/param.h"
#include "editor/graphics.h"

KnobControlBase::KnobControlBase(const Bounds& bounds, int paramIdx, int direction, double gearing)
    : Control(bounds, paramIdx), mDirection(direction), mGearing(gearing) {}

void KnobControlBase::OnMouseDown(float, float, const MouseModifiers&) {
    mMouseIsDown = true;
    mDragValue = GetValue(0);
    if (mHideCursorOnDrag && GetUI() != nullptr) GetUI()->HideCursor(true, true);
}

void KnobControlBase::OnMouseUp(float, float, const MouseModifiers&) {
    if (mHideCursorOnDrag && GetUI() != nullptr) GetUI()->HideCursor(false, true);
    mMouseIsDown = false;
    SetDirty(false, -1);
}

void KnobControlBase::OnMouseDrag(float, float, float dX, float dY, const MouseModifiers& mods) {
    double gearing = mGearing;
    if (mods.control || mods.shift) gearing *= 10.0;
    const Bounds b = DragBounds();
    const bool vertical = mDirection == kKnobVertical;
    const double range = vertical ? b.top - b.bottom : b.right - b.left;
    const double delta = vertical ? dY : dX;
    if (range == 0.0 || gearing == 0.0 || !std::isfinite(delta)) return;
    mDragValue = std::clamp(mDragValue + delta / range / gearing, 0.0, 1.0);
    double value = mDragValue;
    if (const Param* param = SteppedParam())
        value = param->ToNorm(param->Restrict(param->FromNorm(value)));
    SetValue(value, 0);
    SetDirty(true, -1);
}

void KnobControlBase::OnMouseWheel(float, float, const MouseModifiers& mods, float d) {
    if (!std::isfinite(d)) return;
    const double step = (mods.control || mods.shift) ? 0.001 : 0.01;
    double value = GetValue(0);
    if (const Param* param = SteppedParam()) {
        if (d != 0.0f) {
            double real = param->Restrict(param->FromNorm(value));
            real += d > 0.0f ? param->Step() : -param->Step();
            value = param->ToNorm(real);
        }
    } else {
        value += d * step;
    }
    SetValue(value, 0);
    SetDirty(true, -1);
}

const Param* KnobControlBase::SteppedParam() const {
    const Param* param = GetParam(0);
    if (param == nullptr || (param->Flags() & FlagStepped) == 0 || !(param->Step() > 0.0))
        return nullptr;
    return param;
}
