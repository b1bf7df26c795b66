#pragma once
// How many pixels a length in graphics units covers. Every window, frame
// buffer, viewport and scissor flip takes its size from here, so they agree
// to the pixel at any scale.

// Sizes beyond this are not drawn: more than any screen holds, and the most an
// X window's side takes.
inline constexpr int kMaxPixelSize = 32767;

// [any] The whole pixels units x totalScale covers (a part pixel is left out),
// clamped to 0..kMaxPixelSize: 0 for a negative or NaN product, kMaxPixelSize
// for an infinite one.
int PixelSize(float units, float totalScale);
