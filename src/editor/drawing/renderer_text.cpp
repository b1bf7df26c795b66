// The renderer's text: fonts, alignment, measuring, and glyph quads from the atlas.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/drawing/renderer.h"
#include "editor/drawing/utf8.h"

namespace drawing {

int Renderer::CreateFontFromMemory(const char* name, const unsigned char* data, std::size_t size,
                                   int faceIndex) {
    return mFonts.Add(name, data, size, faceIndex);
}

int Renderer::FindFont(const char* name) const {
    return mFonts.Find(name);
}

void Renderer::FontFaceId(int font) {
    mState.font = font;
}

void Renderer::FontSize(float size) {
    if (std::isfinite(size) && size > 0.0f) mState.fontSize = size;
}

void Renderer::TextAlign(int align) {
    mState.align = align;
}

// Walks the text once to measure it and, given a colour, once more to add the glyph quads.
float Renderer::LayoutText(float x, float y, const char* text, const char* end, const Color* color,
                           TextBounds* bounds) {
    if (bounds) *bounds = TextBounds{};
    if (!text || mState.font < 0 || !std::isfinite(x) || !std::isfinite(y)) return x;
    if (!end) end = text + std::strlen(text);
    const Transform device = DeviceTransform();
    const float scale = device.MeanScale();
    if (!(scale > 0.0f) || !std::isfinite(scale)) return x;
    const float pixelSize = std::clamp(mState.fontSize * scale, kMinFontPixels, kMaxFontPixels);
    const FontMetrics metrics = mFonts.Metrics(mState.font, pixelSize);

    float advancePixels = 0.0f;
    int previous = -1;
    // Twice at most: when the atlas has no room for this text's glyphs, it is
    // cleared (after drawing what the frame has so far) and filled with them.
    // Only this text's glyphs count: one that did not fit an empty atlas
    // before must not make every later text clear it again. An atlas that
    // was empty already would not fit them after a clear either.
    mFonts.ForgetFull();
    const bool emptyBefore = mFonts.Empty();
    for (int attempt = 0; attempt < 2; ++attempt) {
        advancePixels = 0.0f;
        previous = -1;
        for (const char* p = text; p < end;) {
            std::uint32_t codePoint = 0;
            p = NextCodePoint(p, end, codePoint);
            const Glyph* glyph = mFonts.Find(mState.font, codePoint, pixelSize);
            if (!glyph) continue;
            if (previous >= 0)
                advancePixels += mFonts.Kerning(mState.font, previous, glyph->index, pixelSize);
            advancePixels += glyph->advance;
            previous = glyph->index;
        }
        if (!mFonts.Full() || attempt == 1 || emptyBefore) break;
        ClearAtlas();
    }
    const float advance = advancePixels / scale;
    float left = x;
    if (mState.align & kAlignCenter) left = x - advance / 2.0f;
    if (mState.align & kAlignRight) left = x - advance;
    const float ascent = metrics.ascent / scale;
    const float descent = metrics.descent / scale;
    float baseline = y;
    if (mState.align & kAlignTop) baseline = y + ascent;
    if (mState.align & kAlignMiddle) baseline = y + (ascent + descent) / 2.0f;
    if (mState.align & kAlignBottom) baseline = y + descent;
    if (bounds) *bounds = {advance, {left, baseline - ascent, left + advance, baseline - descent}};
    if (!color) return left + advance;

    // The text's device bounding box, for culling against the clip.
    float box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (float ux : {left - 2.0f / scale, left + advance + 2.0f / scale}) {
        for (float uy : {baseline - ascent - 2.0f / scale, baseline - descent + 2.0f / scale}) {
            float dx, dy;
            device.Apply(ux, uy, dx, dy);
            box[0] = std::min(box[0], dx), box[1] = std::min(box[1], dy);
            box[2] = std::max(box[2], dx), box[3] = std::max(box[3], dy);
        }
    }
    Call call;
    if (!BeginCall(CallKind::kText, ColorPaint(*color), box[0], box[1], box[2], box[3], call)) {
        return left + advance;
    }
    // Upright text sits on whole pixels, which keeps each glyph's pixels as rasterised;
    // rotated or mirrored text maps each glyph's corners through the transform.
    const bool upright = device.b == 0.0f && device.c == 0.0f && device.a > 0.0f && device.d > 0.0f;
    float originX, originY;
    device.Apply(left, baseline, originX, originY);
    originX = std::floor(originX + 0.5f);
    originY = std::floor(originY + 0.5f);
    call.first = int(mVertices.size());
    previous = -1;
    float pen = 0.0f;  // pixels along the baseline
    for (const char* p = text; p < end;) {
        std::uint32_t codePoint = 0;
        p = NextCodePoint(p, end, codePoint);
        const Glyph* glyph = mFonts.Find(mState.font, codePoint, pixelSize);
        if (!glyph) continue;
        if (previous >= 0) pen += mFonts.Kerning(mState.font, previous, glyph->index, pixelSize);
        previous = glyph->index;
        if (glyph->width > 0) {
            const float u0 = float(glyph->atlasX), v0 = float(glyph->atlasY);
            const float w = float(glyph->width), h = float(glyph->height);
            Vertex corner[4] = {
                {0, 0, u0, v0}, {w, 0, u0 + w, v0}, {w, h, u0 + w, v0 + h}, {0, h, u0, v0 + h}};
            for (Vertex& v : corner) {
                if (upright) {
                    v.x += std::floor(originX + pen + 0.5f) + float(glyph->offsetX);
                    v.y += originY + float(glyph->offsetY);
                } else {
                    device.Apply(left + (pen + float(glyph->offsetX) + v.x) / scale,
                                 baseline + (float(glyph->offsetY) + v.y) / scale, v.x, v.y);
                }
            }
            mVertices.insert(mVertices.end(),
                             {corner[0], corner[1], corner[2], corner[0], corner[2], corner[3]});
        }
        pen += glyph->advance;
    }
    call.count = int(mVertices.size()) - call.first;
    if (call.count > 0) mCalls.push_back(call);
    return left + advance;
}

void Renderer::ClearAtlas() {
    // The calls recorded so far point at glyphs about to go: they are drawn now,
    // into the same frame buffer and in the same order as EndFrame would.
    if (mInFrame && !mCalls.empty()) Render();
    mVertices.clear();
    mCalls.clear();
    mFonts.Clear();
    ++mAtlasClears;
}

float Renderer::Text(float x, float y, Color color, const char* text, const char* end) {
    return LayoutText(x, y, text, end, &color, nullptr);
}

TextBounds Renderer::MeasureText(float x, float y, const char* text, const char* end) {
    TextBounds bounds;
    LayoutText(x, y, text, end, nullptr, &bounds);
    return bounds;
}

}  // namespace drawing
