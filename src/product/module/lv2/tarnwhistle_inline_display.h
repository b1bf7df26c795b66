#pragma once
// Tarnwhistle's inline display in LV2 hosts that draw one (Ardour's mixer
// strip): the strip's picture (strip_display.h) of the instance's current
// settings and input peak, and a redraw request when the peak moves by a
// step the drive bar can show.
//
// Threads: constructed on [main] with the instance it shows, which outlives
// it; Render on the host's GUI thread [ui], Moved on [audio] (see
// lv2_inline_display.h).
#include <cstdint>

#include "lv2/lv2_inline_display.h"
#include "product/display/strip_display.h"
#include "tarnwhistle.h"

class TarnwhistleInlineDisplay final : public LV2InlineDisplay {
public:
    explicit TarnwhistleInlineDisplay(const Tarnwhistle& plug) : mPlug(plug) {}

    // [ui] Past the first picture at a size, allocates nothing.
    LV2InlineDisplayImageSurface* Render(uint32_t width, uint32_t maxHeight) override;
    // [audio] True when the input peak has crossed into another decibel
    // step since the last time it said so.
    bool Moved() override;

private:
    // Peaks below this leave the preamp straight at any drive: one step for
    // all of them. Above +20 dBFS too, all one step.
    static constexpr int kQuietestStepDb = -90;
    static constexpr int kLoudestStepDb = 20;

    const Tarnwhistle& mPlug;
    StripDisplay mDisplay;
    LV2InlineDisplayImageSurface mSurface{};
    // The peak's step (whole dB, floored at the display's quietest) last
    // reported; audio thread only.
    int mPeakStep = kQuietestStepDb;
};
