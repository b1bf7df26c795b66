#pragma once
// Which film-strip frame a screenshot shows: the knob's frame drawn over the
// panel background as the editor draws it, compared with the screen's pixels.
// Shared by the tests that look at the editor inside a host's window.
#include "editor/picture_decoder.h"

// A knob on the panel: its strip (frames stacked top to bottom), the panel's
// background picture, both at picture scale 2, and the knob's place in
// editor units.
struct StripOnPanel {
    const DecodedPicture& strip;
    int frames;
    const DecodedPicture& background;
    int unitX;
    int unitY;
};

// [any] The mean absolute difference per colour channel (0..255) between the
// screenshot's region whose top left is (shotX, shotY) and frame `frame` of
// the knob over its background, at screen scale 1 (each screen pixel the
// average of 2 x 2 picture pixels) or 2 (one picture pixel per screen pixel).
// A region that does not fit in the screenshot gives 255.
double StripFrameDifference(const DecodedPicture& shot, int shotX, int shotY,
                            const StripOnPanel& knob, int frame, int screenScale);

// [any] The frame (0-based) whose difference is smallest.
int ClosestStripFrame(const DecodedPicture& shot, int shotX, int shotY, const StripOnPanel& knob,
                      int screenScale);
