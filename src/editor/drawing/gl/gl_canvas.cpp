#include "editor/drawing/gl/gl_canvas.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/trace.h"
#include "editor/drawing/renderer.h"
#include "editor/graphics.h"
#include "editor/picture_decoder.h"

namespace {

using drawing::BlendFactor;

// Whether the context copies between frame buffers (GL 3.0 or the blit extension).
bool CanBlit() {
    static const bool can = epoxy_gl_version() >= 30 ||
                            epoxy_has_gl_extension("GL_EXT_framebuffer_blit") ||
                            epoxy_has_gl_extension("GL_ARB_framebuffer_object");
    return can;
}

drawing::Color ToColor(const Color& c, const BlendStyle* blend) {
    const float weight = blend != nullptr ? blend->weight : 1.0f;
    auto unit = [](int v) { return static_cast<float>(std::clamp(v, 0, 255)) / 255.0f; };
    return {unit(c.R), unit(c.G), unit(c.B), unit(c.A) * weight};
}

int HorizontalAlign(int align) {
    if (align == kAlignNear) return drawing::kAlignLeft;
    if (align == kAlignFar) return drawing::kAlignRight;
    return drawing::kAlignCenter;
}

int VerticalAlign(int align) {
    if (align == kVAlignTop) return drawing::kAlignTop;
    if (align == kVAlignBottom) return drawing::kAlignBottom;
    return drawing::kAlignMiddle;
}

// Where text anchors in area for the style's alignment.
void TextAnchor(const TextStyle& style, const Bounds& area, float& x, float& y) {
    x = style.align == kAlignNear  ? area.left
        : style.align == kAlignFar ? area.right
                                   : (area.left + area.right) / 2.0f;
    y = style.vAlign == kVAlignTop      ? area.top
        : style.vAlign == kVAlignBottom ? area.bottom
                                        : (area.top + area.bottom) / 2.0f;
}

}  // namespace

// The back end's context current for a scope, when one was handed over.
class GLCanvas::Entered {
public:
    explicit Entered(GLContextAccess* context)
        : mContext(context), mCurrent(context == nullptr || context->Enter()) {}
    ~Entered() {
        if (mContext != nullptr && mCurrent) mContext->Leave();
    }
    Entered(const Entered&) = delete;
    Entered& operator=(const Entered&) = delete;
    bool Current() const { return mCurrent; }

private:
    GLContextAccess* mContext;
    bool mCurrent;
};

GLCanvas::GLCanvas() = default;

GLCanvas::~GLCanvas() {
    ReleaseBackEnd();
}

bool GLCanvas::CreateRenderer() {
    const Entered context(mContext);
    if (!context.Current()) return false;
    if (mRenderer == nullptr) {
        mRenderer = drawing::Renderer::Create({drawing::Renderer::kAntialias, mMaxTextureSize});
    }
    return mRenderer != nullptr;
}

void GLCanvas::ReleaseBackEnd() {
    const Entered context(mContext);
    if (!context.Current()) {
        // Deleting by number would hit whatever context is current (the
        // host's): the names went with our context, the memory goes here.
        Trace("editor: GL context lost; its objects went with it");
        if (mRenderer != nullptr) mRenderer->ForgetContext();
        mRenderer.reset();
        if (Scene() != nullptr) Scene()->ReleaseBitmaps();
        mMainBuffer = 0;
        return;
    }
    if (Scene() != nullptr) Scene()->ReleaseBitmaps();
    if (mRenderer == nullptr) return;
    DeleteMainBuffer();
    mRenderer.reset();
}

void GLCanvas::DeleteMainBuffer() {
    if (mMainBuffer != 0 && mRenderer != nullptr) mRenderer->DeleteFramebuffer(mMainBuffer);
    mMainBuffer = 0;
}

void GLCanvas::Resize() {
    const Entered context(mContext);
    if (mRenderer == nullptr || Scene() == nullptr || !context.Current()) return;
    DeleteMainBuffer();
    if (!mRefuseRetainedBuffer) {
        mMainBuffer = mRenderer->CreateFramebuffer(Scene()->PixelWidth(), Scene()->PixelHeight());
    }
}

bool GLCanvas::DrawsWholeFrames() const {
    return mRenderer != nullptr && mMainBuffer == 0;
}

// ---- Frames

void GLCanvas::BeginFrame() {
    if (mRenderer == nullptr || Scene() == nullptr) return;
    const unsigned window = mWindowFramebuffer;
    glBindFramebuffer(GL_FRAMEBUFFER, window);
    glViewport(0, 0, Scene()->PixelWidth(), Scene()->PixelHeight());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    const unsigned main = mMainBuffer != 0 ? mRenderer->FramebufferObject(mMainBuffer) : window;
    glBindFramebuffer(GL_FRAMEBUFFER, main);
    // The retained buffer is not cleared: what is not redrawn stays as it was.
    // Without it, Graphics::Draw asks for the whole editor (DrawsWholeFrames).
    mRenderer->BeginFrameInPixels(Scene()->PixelWidth(), Scene()->PixelHeight(),
                                  Scene()->GetScreenScale());
}

void GLCanvas::EndFrame() {
    if (mRenderer == nullptr || Scene() == nullptr) return;
    mRenderer->EndFrame();
    const unsigned window = mWindowFramebuffer;
    const bool blit = mBlitCopy && CanBlit();
    if (mMainBuffer != 0 && blit) {
        // The same pixels as the textured rectangle below, copied without shading
        // each one, which is most of a small frame's cost on a software rasteriser.
        glBindFramebuffer(GL_READ_FRAMEBUFFER, mRenderer->FramebufferObject(mMainBuffer));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, window);
        glBlitFramebuffer(0, 0, Scene()->PixelWidth(), Scene()->PixelHeight(), 0, 0,
                          Scene()->PixelWidth(), Scene()->PixelHeight(), GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, window);
    if (mMainBuffer != 0 && !blit) {
        // The buffer's whole pixel size, in the renderer's logical units.
        const float w = static_cast<float>(Scene()->PixelWidth()) / Scene()->GetScreenScale();
        const float h = static_cast<float>(Scene()->PixelHeight()) / Scene()->GetScreenScale();
        mRenderer->BeginFrameInPixels(Scene()->PixelWidth(), Scene()->PixelHeight(),
                                      Scene()->GetScreenScale());
        mRenderer->ResetState();
        mRenderer->BeginPath();
        mRenderer->Rect(0.0f, 0.0f, w, h);
        mRenderer->Fill(drawing::ImagePattern(0.0f, 0.0f, w, h, 0.0f,
                                              mRenderer->FramebufferImage(mMainBuffer), 1.0f));
        mRenderer->EndFrame();
    }
}

// ---- State

void GLCanvas::ResetTransform() {
    if (mRenderer == nullptr || Scene() == nullptr) return;
    mRenderer->SetTransform(
        drawing::Transform::Scaling(Scene()->DrawScale(), Scene()->DrawScale()));
}

void GLCanvas::SetClipRegion(const Bounds& clip) {
    if (mRenderer == nullptr) return;
    mRenderer->Scissor(clip.left, clip.top, clip.W(), clip.H());
}

void GLCanvas::ApplyBlend(const BlendStyle* blend) {
    // Source and destination factors per mode; mode 0 is the normal source-over.
    static constexpr BlendFactor kFactors[10][2] = {
        {BlendFactor::kOne, BlendFactor::kOneMinusSourceAlpha},
        {BlendFactor::kDestinationAlpha, BlendFactor::kZero},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kZero},
        {BlendFactor::kDestinationAlpha, BlendFactor::kOneMinusSourceAlpha},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kOne},
        {BlendFactor::kZero, BlendFactor::kSourceAlpha},
        {BlendFactor::kZero, BlendFactor::kOneMinusSourceAlpha},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kSourceAlpha},
        {BlendFactor::kSourceAlpha, BlendFactor::kDestinationAlpha},
        {BlendFactor::kOneMinusDestinationAlpha, BlendFactor::kOneMinusSourceAlpha},
    };
    const int mode = blend != nullptr ? blend->mode : 0;
    // Any other mode keeps the composite in force.
    if (mode < 0 || mode > 9) return;
    mRenderer->GlobalCompositeBlendFunc(kFactors[mode][0], kFactors[mode][1]);
}

// ---- Pictures and shapes

void GLCanvas::DrawBitmap(const BitmapStrip& strip, const Bounds& dest, int srcX, int srcY,
                          const BlendStyle* blend) {
    if (mRenderer == nullptr || strip.bitmap == nullptr || strip.bitmap->image == 0) return;
    const BackendBitmap& bitmap = *strip.bitmap;
    const float k = bitmap.scale;
    if (!(k > 0.0f)) return;
    // The whole strip lies at (left - srcX, top - srcY) in units; only the
    // frame under dest shows.
    const float x = dest.left - static_cast<float>(srcX);
    const float y = dest.top - static_cast<float>(srcY);
    drawing::Paint paint = drawing::ImagePattern(
        x, y, static_cast<float>(bitmap.width) / k, static_cast<float>(bitmap.height) / k, 0.0f,
        bitmap.image, blend != nullptr ? blend->weight : 1.0f);
    // Sampling stays inside the shown part (a film strip's frame): filtered at a
    // fractional scale, the next frame's edge would otherwise bleed into this one.
    paint.sampleBox = {static_cast<float>(srcX) * k, static_cast<float>(srcY) * k,
                       (static_cast<float>(srcX) + dest.W()) * k,
                       (static_cast<float>(srcY) + dest.H()) * k};
    ApplyBlend(blend);
    mRenderer->BeginPath();
    mRenderer->Rect(dest.left, dest.top, dest.W(), dest.H());
    mRenderer->Fill(paint);
}

void GLCanvas::FillTriangle(const Color& color, float x1, float y1, float x2, float y2, float x3,
                            float y3, const BlendStyle* blend) {
    if (mRenderer == nullptr) return;
    ApplyBlend(blend);
    mRenderer->BeginPath();
    mRenderer->MoveTo(x1, y1);
    mRenderer->LineTo(x2, y2);
    mRenderer->LineTo(x3, y3);
    mRenderer->ClosePath();
    mRenderer->Fill(ToColor(color, blend));
}

void GLCanvas::FillCircle(const Color& color, float cx, float cy, float r,
                          const BlendStyle* blend) {
    if (mRenderer == nullptr) return;
    ApplyBlend(blend);
    mRenderer->BeginPath();
    mRenderer->Circle(cx, cy, r);
    mRenderer->Fill(ToColor(color, blend));
}

void GLCanvas::DrawFastDropShadow(const Bounds& inner, const Bounds& outer, float offset,
                                  float roundness, float blur, const BlendStyle* blend) {
    if (mRenderer == nullptr) return;
    const float weight = blend != nullptr ? blend->weight : 1.0f;
    const drawing::Paint shadow = drawing::BoxGradient(
        (inner.left + inner.right) / 2.0f + offset, (inner.top + inner.bottom) / 2.0f + offset,
        inner.W() / 2.0f, inner.H() / 2.0f, roundness, std::max(blur, 1.0f),
        drawing::Color{0.0f, 0.0f, 0.0f, 128.0f / 255.0f * weight}, drawing::Color{});
    ApplyBlend(blend);
    mRenderer->BeginPath();
    mRenderer->Rect(outer.left, outer.top, outer.W(), outer.H());
    mRenderer->Fill(shadow);
}

void GLCanvas::PathClear() {
    if (mRenderer != nullptr) mRenderer->BeginPath();
}

void GLCanvas::PathMoveTo(float x, float y) {
    if (mRenderer != nullptr) mRenderer->MoveTo(x, y);
}

void GLCanvas::PathLineTo(float x, float y) {
    if (mRenderer != nullptr) mRenderer->LineTo(x, y);
}

void GLCanvas::PathArc(float cx, float cy, float r, float startDegrees, float endDegrees) {
    if (mRenderer == nullptr) return;
    // Degrees clockwise from straight up become radians clockwise from +x.
    constexpr float kPi = std::numbers::pi_v<float>;
    mRenderer->Arc(cx, cy, r, (startDegrees - 90.0f) / 180.0f * kPi,
                   (endDegrees - 90.0f) / 180.0f * kPi, true);
}

void GLCanvas::PathClose() {
    if (mRenderer != nullptr) mRenderer->ClosePath();
}

void GLCanvas::PathFill(const Color& color, const BlendStyle* blend) {
    if (mRenderer == nullptr) return;
    ApplyBlend(blend);
    mRenderer->Fill(ToColor(color, blend));
}

void GLCanvas::PathStroke(const Color& color, float width, const BlendStyle* blend) {
    if (mRenderer == nullptr) return;
    ApplyBlend(blend);
    mRenderer->Stroke(ToColor(color, blend), width);
}

// ---- Text

void GLCanvas::MeasureText(const TextStyle& style, const char* text, Bounds& area) {
    if (mRenderer == nullptr || Scene() == nullptr || text == nullptr || text[0] == '\0') {
        area = {};
        return;
    }
    float x = 0.0f, y = 0.0f;
    TextAnchor(style, area, x, y);
    // Measured under the draw scale, as drawn, so the box is in graphics units.
    const drawing::Transform saved = mRenderer->CurrentTransform();
    mRenderer->SetTransform(
        drawing::Transform::Scaling(Scene()->DrawScale(), Scene()->DrawScale()));
    mRenderer->FontFaceId(mRenderer->FindFont(style.font));
    mRenderer->FontSize(style.size);
    mRenderer->TextAlign(HorizontalAlign(style.align) | VerticalAlign(style.vAlign));
    const drawing::TextBounds bounds = mRenderer->MeasureText(x, y, text);
    mRenderer->SetTransform(saved);
    area = {bounds.box[0], bounds.box[1], bounds.box[2], bounds.box[3]};
}

void GLCanvas::DrawText(const TextStyle& style, const char* text, const Bounds& area,
                        const BlendStyle* blend) {
    if (mRenderer == nullptr || text == nullptr || text[0] == '\0') return;
    float x = 0.0f, y = 0.0f;
    TextAnchor(style, area, x, y);
    mRenderer->FontFaceId(mRenderer->FindFont(style.font));
    mRenderer->FontSize(style.size);
    mRenderer->TextAlign(HorizontalAlign(style.align) | VerticalAlign(style.vAlign));
    ApplyBlend(blend);
    const drawing::Color color = ToColor(style.foreground, blend);
    if (style.angleDegrees == 0.0f) {
        mRenderer->Text(x, y, color, text);
        return;
    }
    // Turned about the anchor.
    const drawing::Transform saved = mRenderer->CurrentTransform();
    mRenderer->MultiplyTransform(drawing::Transform::Translation(x, y));
    mRenderer->MultiplyTransform(
        drawing::Transform::Rotation(style.angleDegrees / 180.0f * std::numbers::pi_v<float>));
    mRenderer->Text(0.0f, 0.0f, color, text);
    mRenderer->SetTransform(saved);
}

// ---- Loading

int GLCanvas::CreateImage(const DecodedPicture& picture) {
    const Entered context(mContext);
    if (mRenderer == nullptr || !context.Current() || !picture.Valid()) return 0;
    return mRenderer->CreateImageRGBA(picture.width, picture.height, 0, picture.rgba.data());
}

void GLCanvas::FreeImage(int image) {
    if (mRenderer == nullptr) return;
    const Entered context(mContext);
    if (context.Current()) mRenderer->DeleteImage(image);
}

bool GLCanvas::LoadFont(const std::string& fontId, const unsigned char* data, std::size_t size,
                        const FontTables&) {
    if (mRenderer == nullptr || data == nullptr || size == 0) return false;
    const Entered context(mContext);
    if (!context.Current()) return false;
    // The renderer keeps pointers into the bytes: the font cache's, which stay
    // until the last editor goes, after this renderer.
    return mRenderer->CreateFontFromMemory(fontId.c_str(), data, size, 0) >= 0;
}
