#pragma once
// A knob drawn as one frame of a film strip; its bounds are one frame at (x, y).
#include "editor/bitmap_base.h"
#include "editor/knob_control_base.h"

class BitmapKnob : public KnobControlBase, public BitmapBase {
public:
    // [ui] An empty strip gives a zero-size knob that is never drawn or hit.
    BitmapKnob(float x, float y, const BitmapStrip& strip, int paramIdx,
               int direction = kKnobVertical, double gearing = 4.0);

    // [ui]
    void Draw(Graphics& g) override;
    // [ui]
    void OnScaleChanged() override;
};
