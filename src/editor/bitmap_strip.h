#pragma once
// A loaded picture as the controls use it: a film strip of N frames, stacked
// (frame 1 on top) or side by side.
#include <string>

// The drawing back end's image, owned by the bitmap cache of the graphics
// context that loaded it.
struct BackendBitmap {
    int image = 0;       // back-end image handle; 0 when decoding failed
    int width = 0;       // pixels
    int height = 0;      // pixels
    float scale = 1.0f;  // resolution factor: 2 for a picture found as name@2x
};

struct BitmapStrip {
    BackendBitmap* bitmap = nullptr;  // shared, never owned by the strip
    int width = 0;                    // graphics units, whole picture
    int height = 0;
    int frames = 0;
    bool framesHorizontal = false;
    std::string name;  // as loaded, to reload it at another scale

    // [any] Size of one frame in graphics units (integer division).
    int FrameWidth() const { return frames > 0 && framesHorizontal ? width / frames : width; }
    // [any]
    int FrameHeight() const { return frames > 0 && !framesHorizontal ? height / frames : height; }
};
