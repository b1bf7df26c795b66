#pragma once
// The screen scale of an X display: the Xft.dpi resource of the root window's
// resource database (the RESOURCE_MANAGER text) over 96 dots per inch.
#include <string_view>

#include "editor/pixel_size.h"

// The screen scales the editor follows; a resource outside them is held at
// the nearer end, so a bogus Xft.dpi cannot make a window X refuses.
inline constexpr float kMinScreenScale = 0.5f;
inline constexpr float kMaxScreenScale = 4.0f;

// The largest window side X takes (its coordinates are 16-bit signed); the
// editor's own sizes stop there too.
inline constexpr int kMaxWindowPixels = kMaxPixelSize;
static_assert(kMaxWindowPixels <= 32767);

// [ui] Xft.dpi / 96 from the resource text ("name:\tvalue" lines, read by
// the X resource manager's rules as Xft reads them), within
// kMinScreenScale..kMaxScreenScale; 1 when the resource is missing or its
// value is not a positive finite number in the C form (whatever the locale).
float ScreenScaleFromResources(std::string_view resources);

// [any] The frame tick's period for fps frames per second: 1000 / fps
// milliseconds, 15 when that is below 20 (so 15 at 60 and 25 at 40).
int FramePeriodMs(int fps);
