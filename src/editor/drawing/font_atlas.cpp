#include "editor/drawing/font_atlas.h"

#include <epoxy/gl.h>
#include <stb/stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace drawing {

namespace {

constexpr int kAtlasWidth = 512;
constexpr int kInitialAtlasHeight = 256;
constexpr int kPadding = 1;

std::uint32_t ReadBig32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

// stb_truetype trusts the offsets it reads, so the font's table directory is checked
// first: the face's offset table and every table it lists must lie inside the bytes.
// Returns the face's offset, or -1.
long CheckedFaceOffset(const unsigned char* data, std::size_t size, int faceIndex) {
    if (!data || size < 12 || faceIndex < 0) return -1;
    std::size_t offset = 0;
    if (std::memcmp(data, "ttcf", 4) == 0) {
        const std::uint32_t faces = ReadBig32(data + 8);
        if (std::uint32_t(faceIndex) >= faces || 12 + 4 * std::size_t(faceIndex) + 4 > size) {
            return -1;
        }
        offset = ReadBig32(data + 12 + 4 * std::size_t(faceIndex));
    } else if (faceIndex != 0) {
        return -1;
    }
    if (offset > size || size - offset < 12) return -1;
    const unsigned char* face = data + offset;
    const std::uint32_t tag = ReadBig32(face);
    if (tag != 0x00010000u && std::memcmp(face, "true", 4) != 0 &&
        std::memcmp(face, "OTTO", 4) != 0) {
        return -1;
    }
    const std::size_t tables = (std::size_t(face[4]) << 8) | face[5];
    if (size - offset - 12 < tables * 16) return -1;
    for (std::size_t i = 0; i < tables; ++i) {
        const unsigned char* record = face + 12 + 16 * i;
        const std::size_t start = ReadBig32(record + 8);
        const std::size_t length = ReadBig32(record + 12);
        if (start > size || length > size - start) return -1;
    }
    return long(offset);
}

std::uint64_t GlyphKey(int font, std::uint32_t codePoint, int sizeQuarters) {
    return (std::uint64_t(font) << 40) | (std::uint64_t(sizeQuarters) << 21) | codePoint;
}

}  // namespace

struct FontAtlas::Font {
    std::string name;
    stbtt_fontinfo info;
};

FontAtlas::FontAtlas(int maxTextureSize)
    : mWidth(std::clamp(maxTextureSize, 1, kAtlasWidth)),
      mHeight(std::clamp(maxTextureSize, 1, kInitialAtlasHeight)),
      mMaxHeight(std::max(1, maxTextureSize)),
      mDirtyTop(mHeight) {
    mPixels.assign(std::size_t(mWidth) * std::size_t(mHeight), 0);
}

void FontAtlas::Clear() {
    mGlyphs.clear();
    std::fill(mPixels.begin(), mPixels.end(), 0);
    mShelfX = mShelfY = mShelfHeight = 0;
    mDirtyTop = 0;
    mDirtyBottom = mHeight;
    mFull = false;
}

FontAtlas::~FontAtlas() {
    if (mTexture) glDeleteTextures(1, &mTexture);
}

int FontAtlas::Add(const char* name, const unsigned char* data, std::size_t size, int faceIndex) {
    if (!name) return -1;
    const int known = Find(name);
    if (known >= 0) return known;
    const long offset = CheckedFaceOffset(data, size, faceIndex);
    if (offset < 0) return -1;
    auto font = std::make_unique<Font>();
    font->name = name;
    if (!stbtt_InitFont(&font->info, data, int(offset))) return -1;
    mFonts.push_back(std::move(font));
    return int(mFonts.size()) - 1;
}

int FontAtlas::Find(const char* name) const {
    if (!name) return -1;
    for (std::size_t i = 0; i < mFonts.size(); ++i) {
        if (mFonts[i]->name == name) return int(i);
    }
    return -1;
}

FontMetrics FontAtlas::Metrics(int font, float pixelSize) const {
    if (font < 0 || font >= int(mFonts.size())) return {};
    const stbtt_fontinfo& info = mFonts[std::size_t(font)]->info;
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelSize);
    return {float(ascent) * scale, float(descent) * scale};
}

float FontAtlas::Kerning(int font, int leftIndex, int rightIndex, float pixelSize) const {
    if (font < 0 || font >= int(mFonts.size())) return 0.0f;
    const stbtt_fontinfo& info = mFonts[std::size_t(font)]->info;
    return float(stbtt_GetGlyphKernAdvance(&info, leftIndex, rightIndex)) *
           stbtt_ScaleForPixelHeight(&info, pixelSize);
}

bool FontAtlas::Place(int width, int height, int& x, int& y) {
    if (width + kPadding > mWidth) return false;
    if (mShelfX + width + kPadding > mWidth) {
        mShelfY += mShelfHeight;
        mShelfX = 0;
        mShelfHeight = 0;
    }
    while (mShelfY + height + kPadding > mHeight) {
        if (mHeight >= mMaxHeight) return false;
        mHeight = std::min(mHeight * 2, mMaxHeight);
        mPixels.resize(std::size_t(mWidth) * std::size_t(mHeight), 0);
    }
    x = mShelfX;
    y = mShelfY;
    mShelfX += width + kPadding;
    mShelfHeight = std::max(mShelfHeight, height + kPadding);
    return true;
}

const Glyph* FontAtlas::Find(int font, std::uint32_t codePoint, float pixelSize) {
    if (font < 0 || font >= int(mFonts.size())) return nullptr;
    const int quarters =
        int(std::lround(std::clamp(pixelSize, kMinFontPixels, kMaxFontPixels) * 4));
    const std::uint64_t key = GlyphKey(font, codePoint, quarters);
    if (auto found = mGlyphs.find(key); found != mGlyphs.end()) return &found->second;

    const stbtt_fontinfo& info = mFonts[std::size_t(font)]->info;
    const float scale = stbtt_ScaleForPixelHeight(&info, float(quarters) / 4.0f);
    Glyph glyph;
    glyph.index = stbtt_FindGlyphIndex(&info, int(codePoint));
    int advance = 0, bearing = 0;
    stbtt_GetGlyphHMetrics(&info, glyph.index, &advance, &bearing);
    glyph.advance = float(advance) * scale;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBox(&info, glyph.index, scale, scale, &x0, &y0, &x1, &y1);
    glyph.width = std::max(0, x1 - x0);
    glyph.height = std::max(0, y1 - y0);
    glyph.offsetX = x0;
    glyph.offsetY = y0;
    if (glyph.width > 0 && glyph.height > 0) {
        if (!Place(glyph.width, glyph.height, glyph.atlasX, glyph.atlasY)) {
            mFull = true;
            return nullptr;
        }
        stbtt_MakeGlyphBitmap(&info, &mPixels[std::size_t(glyph.atlasY) * mWidth + glyph.atlasX],
                              glyph.width, glyph.height, mWidth, scale, scale, glyph.index);
        mDirtyTop = std::min(mDirtyTop, glyph.atlasY);
        mDirtyBottom = std::max(mDirtyBottom, glyph.atlasY + glyph.height);
    }
    return &mGlyphs.emplace(key, glyph).first->second;
}

unsigned FontAtlas::Upload() {
    if (!mTexture) glGenTextures(1, &mTexture);
    glBindTexture(GL_TEXTURE_2D, mTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (mTextureHeight != mHeight) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, mWidth, mHeight, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                     mPixels.data());
        mTextureHeight = mHeight;
    } else if (mDirtyTop < mDirtyBottom) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, mDirtyTop, mWidth, mDirtyBottom - mDirtyTop, GL_ALPHA,
                        GL_UNSIGNED_BYTE, &mPixels[std::size_t(mDirtyTop) * mWidth]);
    }
    mDirtyTop = mHeight;
    mDirtyBottom = 0;
    return mTexture;
}

}  // namespace drawing
