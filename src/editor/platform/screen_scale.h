#pragma once
// The screen scale of an X display: the Xft.dpi resource of the root window's
// resource database (the RESOURCE_MANAGER text) over 96 dots per inch.
#include <string_view>

// [any] Xft.dpi / 96 from the resource text ("name:\tvalue" lines); 1 when
// the resource is missing or its value is not a positive finite number.
float ScreenScaleFromResources(std::string_view resources);

// [any] The frame tick's period for fps frames per second: 1000 / fps
// milliseconds, 15 when that is below 20 (so 15 at 60 and 25 at 40).
int FramePeriodMs(int fps);
