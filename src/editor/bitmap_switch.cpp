#include "editor/bitmap_switch.h"

#include "editor/graphics.h"

BitmapSwitch::BitmapSwitch(float x, float y, const BitmapStrip& strip, int paramIdx)
    : SwitchControlBase(StripControlBounds(x, y, strip), paramIdx, 2), BitmapBase(strip) {}

void BitmapSwitch::OnMouseDown(float, float, const MouseModifiers&) {
    mMouseIsDown = true;
    const int frames = mStrip.frames;
    double value = GetValue(0) + (frames > 1 ? 1.0 / (frames - 1) : 1.0);
    // Past the last position (with room for rounding) it wraps to the first.
    if (value > 1.001) value = 0.0;
    SetValue(value, 0);
    SetDirty(true, -1);
}

void BitmapSwitch::Draw(Graphics& g) {
    DrawStripFrame(g, *this);
}

void BitmapSwitch::OnScaleChanged() {
    ReloadStrip(GetUI());
}
