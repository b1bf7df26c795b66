#pragma once
// Fonts registered from memory and the glyphs drawn with them. Each glyph is
// rasterised once per font, code point and size (in quarter pixels) with
// stb_truetype into a shared single-channel atlas, which grows taller when full,
// up to the texture limit; beyond that the owner clears it and places anew what
// it draws next. The atlas keeps a CPU copy so it can grow, and uploads the rows
// that changed when a frame is rendered. Needs a current GL context for Upload()
// and the destructor.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace drawing {

// A rasterised glyph, in device pixels relative to the pen on the baseline.
struct Glyph {
    int atlasX = 0, atlasY = 0;    // top-left in the atlas
    int width = 0, height = 0;     // bitmap size (0 for blanks)
    int offsetX = 0, offsetY = 0;  // bitmap top-left from the pen
    float advance = 0.0f;
    int index = 0;  // the font's glyph index, for kerning
};

struct FontMetrics {
    float ascent = 0.0f;   // above the baseline, positive
    float descent = 0.0f;  // below the baseline, negative
};

class FontAtlas {
public:
    // [ui] An empty atlas whose texture sides stay within maxTextureSize; the texture
    // is made at the first Upload().
    explicit FontAtlas(int maxTextureSize);
    FontAtlas(const FontAtlas&) = delete;
    FontAtlas& operator=(const FontAtlas&) = delete;
    // [ui] Deletes the atlas texture.
    ~FontAtlas();
    // [ui] The context is gone: forgets the texture without deleting it.
    void ForgetContext() {
        mTexture = 0;
        mTextureHeight = 0;
    }

    // [ui] Registers a font under `name` from bytes that stay the caller's and must
    // outlive the renderer. Returns its handle (>= 0), the existing handle when the name
    // is known, or -1 when the bytes are not a font whose tables lie inside them.
    int Add(const char* name, const unsigned char* data, std::size_t size, int faceIndex);
    // [ui] The handle registered under `name`, or -1.
    int Find(const char* name) const;

    // [ui] Ascent and descent at `pixelSize` (the height from descender to ascender).
    FontMetrics Metrics(int font, float pixelSize) const;
    // [ui] The glyph of `codePoint`, rasterised on first use; null when the font is
    // unknown or the atlas is full at its largest size (which Full() then reports).
    // Glyphs stay where they are until Clear().
    const Glyph* Find(int font, std::uint32_t codePoint, float pixelSize);
    // [ui] Whether a glyph found no room since the last Clear() or ForgetFull().
    bool Full() const { return mFull; }
    // [ui] Starts telling anew whether glyphs find room, keeping the glyphs.
    void ForgetFull() { mFull = false; }
    // [ui] Whether no glyph is placed.
    bool Empty() const { return mGlyphs.empty(); }
    // [ui] Forgets every glyph (not the fonts), so the atlas fills anew from the top.
    void Clear();
    // [ui] The kerning between two glyph indices at `pixelSize`.
    float Kerning(int font, int leftIndex, int rightIndex, float pixelSize) const;

    // [ui] Sends changed rows to the GL texture (creating or enlarging it as needed)
    // and returns its name.
    unsigned Upload();
    // [ui]
    int Width() const { return mWidth; }
    // [ui]
    int Height() const { return mHeight; }

private:
    struct Font;
    bool Place(int width, int height, int& x, int& y);

    std::vector<std::unique_ptr<Font>> mFonts;
    std::unordered_map<std::uint64_t, Glyph> mGlyphs;
    std::vector<unsigned char> mPixels;
    int mWidth;
    int mHeight;
    int mMaxHeight;
    bool mFull = false;
    int mShelfX = 0, mShelfY = 0, mShelfHeight = 0;
    int mDirtyTop;
    int mDirtyBottom = 0;
    int mTextureHeight = 0;  // the GL texture's height; 0 before it exists
    unsigned mTexture = 0;
};

// [any] Metrics sizes are clamped to this range of pixels.
inline constexpr float kMinFontPixels = 1.0f;
inline constexpr float kMaxFontPixels = 256.0f;

}  // namespace drawing
