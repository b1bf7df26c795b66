#include "editor/drawing/renderer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/drawing/utf8.h"

namespace drawing {

namespace {

constexpr float kMaxViewPixels = 32768.0f;

GLenum ToGl(BlendFactor factor) {
    switch (factor) {
        case BlendFactor::kZero:
            return GL_ZERO;
        case BlendFactor::kOne:
            return GL_ONE;
        case BlendFactor::kSourceColor:
            return GL_SRC_COLOR;
        case BlendFactor::kOneMinusSourceColor:
            return GL_ONE_MINUS_SRC_COLOR;
        case BlendFactor::kDestinationColor:
            return GL_DST_COLOR;
        case BlendFactor::kOneMinusDestinationColor:
            return GL_ONE_MINUS_DST_COLOR;
        case BlendFactor::kSourceAlpha:
            return GL_SRC_ALPHA;
        case BlendFactor::kOneMinusSourceAlpha:
            return GL_ONE_MINUS_SRC_ALPHA;
        case BlendFactor::kDestinationAlpha:
            return GL_DST_ALPHA;
        case BlendFactor::kOneMinusDestinationAlpha:
            return GL_ONE_MINUS_DST_ALPHA;
        case BlendFactor::kSourceAlphaSaturate:
            return GL_SRC_ALPHA_SATURATE;
    }
    return GL_ONE;
}

float Unit(float v) {
    return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f;
}

void Premultiply(Color c, float alpha, float out[4]) {
    const float a = Unit(c.a) * alpha;
    out[0] = Unit(c.r) * a;
    out[1] = Unit(c.g) * a;
    out[2] = Unit(c.b) * a;
    out[3] = a;
}

bool Finite(float v) {
    return std::isfinite(v);
}

// The cheapest program, for passes that only touch the stencil.
const PaintUniforms kStencilOnly{};

}  // namespace

std::unique_ptr<Renderer> Renderer::Create(int flags, const char** error) {
    const char* reason = nullptr;
    const int version = epoxy_gl_version();
    if (epoxy_is_desktop_gl() == 0 || version < 21) {
        reason = "OpenGL 2.1 is not available";
    } else if (version < 30 && !epoxy_has_gl_extension("GL_ARB_framebuffer_object") &&
               !epoxy_has_gl_extension("GL_EXT_framebuffer_object")) {
        reason = "frame buffer objects are not available";
    }
    std::unique_ptr<Renderer> renderer;
    if (!reason) {
        renderer.reset(new Renderer(flags));
        if (!renderer->mProgram.Build(reason)) renderer.reset();
    }
    if (error) *error = reason;
    return renderer;
}

Renderer::Renderer(int flags) : mFlags(flags) {
    glGenBuffers(1, &mVertexBuffer);
    ResetState();
}

Renderer::~Renderer() {
    if (mVertexBuffer) glDeleteBuffers(1, &mVertexBuffer);
}

// ---- Frames

void Renderer::BeginFrame(float width, float height, float devicePixelRatio) {
    mVertices.clear();
    mCalls.clear();
    mPath.Clear();
    ResetState();
    const float pixelWidth = std::round(width * devicePixelRatio);
    const float pixelHeight = std::round(height * devicePixelRatio);
    mInFrame = Finite(pixelWidth) && Finite(pixelHeight) && pixelWidth >= 1.0f &&
               pixelHeight >= 1.0f && devicePixelRatio > 0.0f;
    mViewWidth = mInFrame ? std::min(pixelWidth, kMaxViewPixels) : 0.0f;
    mViewHeight = mInFrame ? std::min(pixelHeight, kMaxViewPixels) : 0.0f;
    mPixelRatio = mInFrame ? devicePixelRatio : 1.0f;
}

void Renderer::EndFrame() {
    if (mInFrame && !mCalls.empty()) Render();
    mInFrame = false;
    mVertices.clear();
    mCalls.clear();
}

// ---- Images and frame buffers

int Renderer::CreateImageRGBA(int width, int height, int, const unsigned char* pixels) {
    return mImages.CreateRGBA(width, height, pixels);
}

int Renderer::CreateImageFromMemory(int, const unsigned char* bytes, std::size_t size) {
    return mImages.CreateFromEncoded(bytes, size);
}

int Renderer::CreateImageFromFile(int, const char* path) {
    return mImages.CreateFromFile(path);
}

bool Renderer::ImageSize(int image, int& width, int& height) const {
    return mImages.Size(image, width, height);
}

void Renderer::DeleteImage(int image) {
    mImages.Delete(image);
}

int Renderer::CreateFramebuffer(int width, int height) {
    return mFramebuffers.Create(width, height);
}

void Renderer::DeleteFramebuffer(int framebuffer) {
    mFramebuffers.Delete(framebuffer);
}

int Renderer::FramebufferImage(int framebuffer) const {
    return mFramebuffers.Image(framebuffer);
}

unsigned Renderer::FramebufferObject(int framebuffer) const {
    return mFramebuffers.Object(framebuffer);
}

// ---- State

void Renderer::ResetState() {
    const int font = mState.font;
    mState = State{};
    mState.font = font;
    mState.sourceFactor = GL_ONE;
    mState.destinationFactor = GL_ONE_MINUS_SRC_ALPHA;
}

void Renderer::SetTransform(const Transform& transform) {
    mState.transform = transform;
}

void Renderer::MultiplyTransform(const Transform& transform) {
    mState.transform = Transform::Combine(transform, mState.transform);
}

Transform Renderer::DeviceTransform() const {
    return Transform::Combine(mState.transform, Transform::Scaling(mPixelRatio, mPixelRatio));
}

void Renderer::Scissor(float x, float y, float width, float height) {
    mState.scissor = true;
    float* box = mState.scissorBox;
    const Transform device = DeviceTransform();
    const float xs[2] = {x, x + std::max(0.0f, width)};
    const float ys[2] = {y, y + std::max(0.0f, height)};
    box[0] = box[1] = INFINITY;
    box[2] = box[3] = -INFINITY;
    for (float cx : xs) {
        for (float cy : ys) {
            float dx, dy;
            device.Apply(cx, cy, dx, dy);
            if (!Finite(dx) || !Finite(dy)) {
                box[0] = box[1] = box[2] = box[3] = 0.0f;  // clips everything away
                return;
            }
            box[0] = std::min(box[0], dx);
            box[1] = std::min(box[1], dy);
            box[2] = std::max(box[2], dx);
            box[3] = std::max(box[3], dy);
        }
    }
}

void Renderer::ResetScissor() {
    mState.scissor = false;
}

void Renderer::GlobalAlpha(float alpha) {
    if (!std::isnan(alpha)) mState.alpha = std::clamp(alpha, 0.0f, 1.0f);
}

void Renderer::GlobalCompositeBlendFunc(BlendFactor source, BlendFactor destination) {
    mState.sourceFactor = ToGl(source);
    mState.destinationFactor = ToGl(destination);
}

// ---- Paths

void Renderer::BeginPath() {
    mPath.Clear();
}

void Renderer::Rect(float x, float y, float width, float height) {
    mPath.Rect(x, y, width, height, DeviceTransform());
}

void Renderer::Circle(float centreX, float centreY, float radius) {
    mPath.Circle(centreX, centreY, radius, DeviceTransform());
}

void Renderer::MoveTo(float x, float y) {
    mPath.MoveTo(x, y, DeviceTransform());
}

void Renderer::LineTo(float x, float y) {
    mPath.LineTo(x, y, DeviceTransform());
}

void Renderer::Arc(float centreX, float centreY, float radius, float startAngle, float endAngle,
                   bool clockwise) {
    mPath.Arc(centreX, centreY, radius, startAngle, endAngle, clockwise, DeviceTransform());
}

void Renderer::ClosePath() {
    mPath.Close();
}

bool Renderer::PreparePaint(const Paint& paint, PaintUniforms& out) const {
    const Transform paintToDevice = Transform::Combine(paint.transform, DeviceTransform());
    if (!paintToDevice.Invert(out.deviceToPaint)) return false;
    Premultiply(paint.inner, mState.alpha, out.inner);
    Premultiply(paint.outer, mState.alpha, out.outer);
    out.kind = int(paint.kind);
    if (paint.kind == Paint::Kind::kBoxGradient) {
        if (!Finite(paint.extent[0]) || !Finite(paint.extent[1]) || !Finite(paint.radius) ||
            !(paint.feather > 0.0f) || !Finite(paint.feather)) {
            return false;
        }
        out.extent[0] = std::fabs(paint.extent[0]);
        out.extent[1] = std::fabs(paint.extent[1]);
        out.radius = std::clamp(paint.radius, 0.0f, std::min(out.extent[0], out.extent[1]));
        out.feather = paint.feather;
    } else if (paint.kind == Paint::Kind::kImage) {
        const ImageStore::Sampling sampling = mImages.Sample(paint.image);
        if (!sampling.texture || !(std::fabs(paint.extent[0]) > 0.0f) ||
            !(std::fabs(paint.extent[1]) > 0.0f) || !Finite(paint.extent[0]) ||
            !Finite(paint.extent[1])) {
            return false;
        }
        out.texture = sampling.texture;
        out.flipY = sampling.flipY;
        out.extent[0] = paint.extent[0];
        out.extent[1] = paint.extent[1];
    }
    // Even a transparent paint is drawn: blend factors may change the destination.
    return true;
}

// Fills in the call's paint, scissor and blend; false when nothing would show.
bool Renderer::BeginCall(CallKind kind, const Paint& paint, float minX, float minY, float maxX,
                         float maxY, Call& call) {
    if (!mInFrame) return false;
    call.kind = kind;
    if (!PreparePaint(paint, call.paint)) return false;
    float clip[4] = {0.0f, 0.0f, mViewWidth, mViewHeight};
    if (mState.scissor) {
        const float* box = mState.scissorBox;
        clip[0] = std::max(clip[0], std::round(box[0]));
        clip[1] = std::max(clip[1], std::round(box[1]));
        clip[2] = std::min(clip[2], std::round(box[2]));
        clip[3] = std::min(clip[3], std::round(box[3]));
    }
    if (clip[2] <= clip[0] || clip[3] <= clip[1]) return false;
    if (maxX < clip[0] || maxY < clip[1] || minX > clip[2] || minY > clip[3]) return false;
    call.scissor = mState.scissor;
    call.scissorBox[0] = int(clip[0]);
    call.scissorBox[1] = int(mViewHeight - clip[3]);
    call.scissorBox[2] = int(clip[2] - clip[0]);
    call.scissorBox[3] = int(clip[3] - clip[1]);
    call.sourceFactor = mState.sourceFactor;
    call.destinationFactor = mState.destinationFactor;
    return true;
}

void Renderer::Fill(Color color) {
    Fill(ColorPaint(color));
}

void Renderer::Fill(const Paint& paint) {
    float minX, minY, maxX, maxY;
    if (!mPath.Bounds(minX, minY, maxX, maxY)) return;
    Call call;
    if (!BeginCall(CallKind::kFill, paint, minX, minY, maxX, maxY, call)) return;
    call.first = int(mVertices.size());
    float* box = call.paint.rectangle;
    if ((mFlags & kAntialias) && IsUprightRectangle(mPath, box)) {
        call.rectangle = true;
        AppendRectangle(std::floor(box[0]), std::floor(box[1]), std::ceil(box[2]),
                        std::ceil(box[3]), mVertices);
        call.count = int(mVertices.size()) - call.first;
        mCalls.push_back(call);
        return;
    }
    AppendWindingFans(mPath, mVertices);
    call.count = int(mVertices.size()) - call.first;
    if (call.count == 0) return;
    bool clockwise = false;
    call.convex = IsConvexLoop(mPath, clockwise);
    call.fringeFirst = int(mVertices.size());
    if ((mFlags & kAntialias) && call.convex) {
        AppendOuterFringes(mPath, clockwise, mVertices);
    } else if (mFlags & kAntialias) {
        AppendEdgeFringes(mPath, mVertices);
    }
    call.fringeCount = int(mVertices.size()) - call.fringeFirst;
    call.coverFirst = int(mVertices.size());
    AppendRectangle(minX - 2.0f, minY - 2.0f, maxX + 2.0f, maxY + 2.0f, mVertices);
    mCalls.push_back(call);
}

void Renderer::Stroke(Color color, float width) {
    Stroke(ColorPaint(color), width);
}

void Renderer::Stroke(const Paint& paint, float width) {
    const float pixels = width * mState.transform.MeanScale() * mPixelRatio;
    if (!(pixels > 0.0f) || !Finite(pixels)) return;
    float minX, minY, maxX, maxY;
    if (!mPath.Bounds(minX, minY, maxX, maxY)) return;
    const float halfWidth = pixels / 2.0f;
    const float reach = halfWidth * 1.5f + 2.0f;  // square joins reach past the half width
    Call call;
    if (!BeginCall(CallKind::kStroke, paint, minX - reach, minY - reach, maxX + reach, maxY + reach,
                   call)) {
        return;
    }
    // Below a pixel the band peaks under full coverage; scale it so it still adds
    // up to the asked width.
    call.paint.strokeScale =
        pixels < 1.0f ? 4.0f * pixels / ((pixels + 1.0f) * (pixels + 1.0f)) : 1.0f;
    call.first = int(mVertices.size());
    AppendStrokeBands(mPath, halfWidth, mVertices);
    call.count = int(mVertices.size()) - call.first;
    if (call.count == 0) return;
    call.coverFirst = int(mVertices.size());
    AppendRectangle(minX - reach, minY - reach, maxX + reach, maxY + reach, mVertices);
    mCalls.push_back(call);
}

// ---- Text

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
    if (Finite(size) && size > 0.0f) mState.fontSize = size;
}

void Renderer::TextAlign(int align) {
    mState.align = align;
}

// Walks the text once to measure it and, given a colour, once more to add the glyph quads.
float Renderer::LayoutText(float x, float y, const char* text, const char* end, const Color* color,
                           TextBounds* bounds) {
    if (bounds) *bounds = TextBounds{};
    if (!text || mState.font < 0 || !Finite(x) || !Finite(y)) return x;
    if (!end) end = text + std::strlen(text);
    const Transform device = DeviceTransform();
    const float scale = device.MeanScale();
    if (!(scale > 0.0f) || !Finite(scale)) return x;
    const float pixelSize = std::clamp(mState.fontSize * scale, kMinFontPixels, kMaxFontPixels);
    const FontMetrics metrics = mFonts.Metrics(mState.font, pixelSize);

    float advancePixels = 0.0f;
    int previous = -1;
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

float Renderer::Text(float x, float y, Color color, const char* text, const char* end) {
    return LayoutText(x, y, text, end, &color, nullptr);
}

TextBounds Renderer::MeasureText(float x, float y, const char* text, const char* end) {
    TextBounds bounds;
    LayoutText(x, y, text, end, nullptr, &bounds);
    return bounds;
}

// ---- Rendering

void Renderer::Render() {
    const unsigned atlas = mFonts.Upload();
    glViewport(0, 0, GLsizei(mViewWidth), GLsizei(mViewHeight));
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilMask(0xFF);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, atlas);
    glActiveTexture(GL_TEXTURE0);

    glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);
    const std::size_t bytes = mVertices.size() * sizeof(Vertex);
    if (bytes > mVertexBufferBytes) {
        mVertexBufferBytes = std::max(bytes, mVertexBufferBytes * 2);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(mVertexBufferBytes), nullptr, GL_STREAM_DRAW);
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(bytes), mVertices.data());
    glEnableVertexAttribArray(kPositionAttribute);
    glEnableVertexAttribArray(kParameterAttribute);
    glVertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glVertexAttribPointer(kParameterAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(2 * sizeof(float)));
    mProgram.Use(mViewWidth, mViewHeight, float(mFonts.Width()), float(mFonts.Height()));

    for (const Call& call : mCalls) {
        if (call.scissor) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(call.scissorBox[0], call.scissorBox[1], call.scissorBox[2],
                      call.scissorBox[3]);
        } else {
            glDisable(GL_SCISSOR_TEST);
        }
        glBlendFunc(call.sourceFactor, call.destinationFactor);
        glBindTexture(GL_TEXTURE_2D, call.paint.texture);

        switch (call.kind) {
            case CallKind::kFill:
                if (call.rectangle) {
                    mProgram.SetPaint(call.paint, Coverage::kRectangle);
                    glDrawArrays(GL_TRIANGLES, call.first, call.count);
                    break;
                }
                if (call.convex) {
                    // One convex loop: its fan is the inside, its outer fringes the edge.
                    mProgram.SetPaint(call.paint, Coverage::kFull);
                    glDrawArrays(GL_TRIANGLES, call.first, call.count);
                    if (call.fringeCount > 0) {
                        mProgram.SetPaint(call.paint, Coverage::kEdgeFringe);
                        glDrawArrays(GL_TRIANGLES, call.fringeFirst, call.fringeCount);
                    }
                    break;
                }
                // Winding numbers into the low seven stencil bits.
                glEnable(GL_STENCIL_TEST);
                glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
                glStencilMask(0x7F);
                glStencilFunc(GL_ALWAYS, 0, 0xFF);
                glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_KEEP, GL_INCR_WRAP);
                glStencilOpSeparate(GL_BACK, GL_KEEP, GL_KEEP, GL_DECR_WRAP);
                mProgram.SetPaint(kStencilOnly, Coverage::kFull);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
                if (call.fringeCount > 0) {
                    // Fringes only on outside pixels, each pixel once (marked in bit 7).
                    glStencilMask(0x80);
                    glStencilFunc(GL_EQUAL, 0, 0xFF);
                    glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
                    mProgram.SetPaint(call.paint, Coverage::kEdgeFringe);
                    glDrawArrays(GL_TRIANGLES, call.fringeFirst, call.fringeCount);
                }
                // Cover the inside and clear the stencil everywhere under the cover.
                glStencilMask(0xFF);
                glStencilFunc(GL_NOTEQUAL, 0, 0x7F);
                glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
                mProgram.SetPaint(call.paint, Coverage::kFull);
                glDrawArrays(GL_TRIANGLES, call.coverFirst, 6);
                glDisable(GL_STENCIL_TEST);
                break;
            case CallKind::kStroke:
                // Fully covered cores first, then the fringes, each pixel once.
                glEnable(GL_STENCIL_TEST);
                glStencilMask(0xFF);
                glStencilFunc(GL_EQUAL, 0, 0xFF);
                glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
                mProgram.SetPaint(call.paint, Coverage::kStrokeCore);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                mProgram.SetPaint(call.paint, Coverage::kStroke);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
                glStencilFunc(GL_ALWAYS, 0, 0xFF);
                glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
                mProgram.SetPaint(kStencilOnly, Coverage::kFull);
                glDrawArrays(GL_TRIANGLES, call.coverFirst, 6);
                glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
                glDisable(GL_STENCIL_TEST);
                break;
            case CallKind::kText:
                mProgram.SetPaint(call.paint, Coverage::kGlyph);
                glDrawArrays(GL_TRIANGLES, call.first, call.count);
                break;
        }
    }

    glDisableVertexAttribArray(kPositionAttribute);
    glDisableVertexAttribArray(kParameterAttribute);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glUseProgram(0);
}

}  // namespace drawing
