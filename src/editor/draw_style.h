#pragma once
// Colours, text styles and blends: the values a control hands to the drawing
// operations of Graphics.
#include <cstdint>

// Alpha first; each channel 0..255.
struct Color {
    int32_t A = 255;
    int32_t R = 0;
    int32_t G = 0;
    int32_t B = 0;
    bool operator==(const Color&) const = default;
};

// How a drawing is laid over what is already there.
struct BlendStyle {
    int32_t mode = 0;     // 0: normal source-over
    float weight = 1.0f;  // opacity, 0..1
    bool operator==(const BlendStyle&) const = default;
};

enum TextAlign : int32_t { kAlignNear = 0, kAlignCentre = 1, kAlignFar = 2 };
enum TextVAlign : int32_t { kVAlignTop = 0, kVAlignMiddle = 1, kVAlignBottom = 2 };

// A control's text style. The default is the editor's one font at 14 units,
// black, centred both ways.
struct TextStyle {
    char font[64] = "Roboto-Regular";
    float size = 14.0f;
    Color foreground{255, 0, 0, 0};
    Color entryBackground{255, 255, 255, 255};
    Color entryForeground{255, 0, 0, 0};
    float angleDegrees = 0.0f;
    int32_t align = kAlignCentre;
    int32_t vAlign = kVAlignMiddle;
};
