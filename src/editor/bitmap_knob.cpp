#include "editor/bitmap_knob.h"

#include "editor/graphics.h"

BitmapKnob::BitmapKnob(float x, float y, const BitmapStrip& strip, int paramIdx, int direction,
                       double gearing)
    : KnobControlBase(StripControlBounds(x, y, strip), paramIdx, direction, gearing),
      BitmapBase(strip) {}

void BitmapKnob::Draw(Graphics& g) {
    DrawStripFrame(g, *this);
}

void BitmapKnob::OnScaleChanged() {
    ReloadStrip(GetUI());
}
