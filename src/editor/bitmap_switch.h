#pragma once
// A switch drawn as one frame of a film strip; each click moves it one
// position on and wraps past the last.
#include "editor/bitmap_base.h"
#include "editor/switch_control_base.h"

class BitmapSwitch : public SwitchControlBase, public BitmapBase {
public:
    // [ui] An empty strip gives a zero-size switch that is never drawn or hit.
    BitmapSwitch(float x, float y, const BitmapStrip& strip, int paramIdx);

    // [ui]
    void OnMouseDown(float x, float y, const MouseModifiers& mods) override;
    // [ui]
    void Draw(Graphics& g) override;
    // [ui]
    void OnScaleChanged() override;
};
