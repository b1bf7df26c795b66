#include "editor/bitmap_control.h"

#include "editor/graphics.h"

BitmapControl::BitmapControl(const Bounds& bounds, const BitmapStrip& strip, int paramIdx,
                             BlendStyle blend)
    : Control(bounds, paramIdx), BitmapBase(strip) {
    mBlend = blend;
}

void BitmapControl::Draw(Graphics& g) {
    DrawStripFrame(g, *this);
}

void BitmapControl::OnScaleChanged() {
    ReloadStrip(GetUI());
}
