#pragma once
// A picture without behaviour: the editor's background.
#include "editor/bitmap_base.h"
#include "editor/control.h"

class BitmapControl : public Control, public BitmapBase {
public:
    // [ui]
    BitmapControl(const Bounds& bounds, const BitmapStrip& strip, int paramIdx = -1,
                  BlendStyle blend = {});

    // [ui]
    void Draw(Graphics& g) override;
    // [ui]
    void OnScaleChanged() override;
};
