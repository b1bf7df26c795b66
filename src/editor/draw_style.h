#pragma once
// Colours, text styles and blends: the values a control hands to the drawing
// operations of Graphics.
#include <cstdint>
#include <string_view>

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

// The font id a text style names unless told otherwise. The framework carries
// no font of its own: an editor makes this id real by loading a font under it
// (Graphics::LoadFont), and text in a font never loaded is not drawn.
inline constexpr char kDefaultFontId[] = "Roboto-Regular";

// A control's text style. The default is the default font at 14 units, black,
// centred both ways.
struct TextStyle {
    char font[64] = "Roboto-Regular";  // kDefaultFontId
    float size = 14.0f;
    Color foreground{255, 0, 0, 0};
    Color entryBackground{255, 255, 255, 255};
    Color entryForeground{255, 0, 0, 0};
    float angleDegrees = 0.0f;
    int32_t align = kAlignCentre;
    int32_t vAlign = kVAlignMiddle;
};

static_assert(std::string_view(TextStyle{}.font) == kDefaultFontId);
