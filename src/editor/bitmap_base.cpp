#include "editor/bitmap_base.h"

#include <algorithm>
#include <cmath>

#include "editor/control.h"
#include "editor/graphics.h"

int StripFrameFor(double value, int frames) {
    if (frames < 2 || !std::isfinite(value)) return 1;
    const int frame = static_cast<int>(std::clamp(value, 0.0, 1.0) * (frames - 1) + 0.5) + 1;
    return std::clamp(frame, 1, frames);
}

Bounds StripControlBounds(float x, float y, const BitmapStrip& strip) {
    const int w = strip.FrameWidth();
    const int h = strip.FrameHeight();
    if (strip.bitmap == nullptr || strip.frames < 1 || w <= 0 || h <= 0) return {};
    return {x, y, x + static_cast<float>(w), y + static_cast<float>(h)};
}

Bounds StripFrameBounds(const BitmapStrip& strip, const Bounds& bounds) {
    const float w = static_cast<float>(strip.FrameWidth());
    const float h = static_cast<float>(strip.FrameHeight());
    const float left = (bounds.left + bounds.right) / 2.0f - w / 2.0f;
    const float top = (bounds.top + bounds.bottom) / 2.0f - h / 2.0f;
    return {left, top, left + w, top + h};
}

void BitmapBase::DrawStripFrame(Graphics& g, const Control& control) const {
    if (mStrip.bitmap == nullptr || mStrip.frames < 1) return;
    const int frame = StripFrameFor(control.GetValue(0), mStrip.frames);
    int srcX = 0;
    int srcY = 0;
    if (mStrip.frames >= 2 && frame >= 2) {
        if (mStrip.framesHorizontal) {
            srcX = (frame - 1) * mStrip.width / mStrip.frames;
        } else {
            srcY = (frame - 1) * mStrip.height / mStrip.frames;
        }
    }
    g.DrawBitmap(mStrip, StripFrameBounds(mStrip, control.GetBounds()), srcX, srcY,
                 &control.GetBlend());
}

void BitmapBase::ReloadStrip(Graphics* g) {
    if (g != nullptr && !mStrip.name.empty()) mStrip = g->ReloadBitmapForScale(mStrip);
}
