#pragma once
// The film-strip half of the bitmap controls: which frame a value shows, where
// it lands in the control, and reloading the strip when the screen scale
// changes.
#include "editor/bitmap_strip.h"
#include "editor/bounds.h"

class Control;
class Graphics;

// [any] The frame (1..frames) shown for normalised value: the nearest of the
// frames' evenly spaced values; 1 for strips of fewer than two frames.
int StripFrameFor(double value, int frames);

// [any] One frame's rectangle with its top-left corner at (x, y); empty (all
// zero) for a strip that holds no picture.
Bounds StripControlBounds(float x, float y, const BitmapStrip& strip);

// [any] A rectangle of one frame's size centred in bounds.
Bounds StripFrameBounds(const BitmapStrip& strip, const Bounds& bounds);

class BitmapBase {
public:
    // [ui]
    explicit BitmapBase(const BitmapStrip& strip) : mStrip(strip) {}
    // [ui]
    virtual ~BitmapBase() = default;

    // [ui]
    const BitmapStrip& Strip() const { return mStrip; }

protected:
    // [ui] Draws the frame for slot 0's value of control, centred in its bounds,
    // with its blend. An empty strip draws nothing.
    void DrawStripFrame(Graphics& g, const Control& control) const;
    // [ui] Reloads the strip for the graphics' current screen scale.
    void ReloadStrip(Graphics* g);

    BitmapStrip mStrip;
};
