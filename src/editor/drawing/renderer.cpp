#include "editor/drawing/renderer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

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

}  // namespace

std::unique_ptr<Renderer> Renderer::Create(int flags, const char** error) {
    return Create(Options{flags, 0}, error);
}

std::unique_ptr<Renderer> Renderer::Create(const Options& options, const char** error) {
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
        GLint driverLimit = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &driverLimit);
        const int cap = options.maxTextureSize > 0
                            ? std::max(options.maxTextureSize, kMinTextureSide)
                            : kMaxTextureSide;
        const int limit = std::min(int(driverLimit), cap);
        renderer.reset(new Renderer(options.flags, limit));
        if (!renderer->mProgram.Build(reason)) renderer.reset();
    }
    if (error) *error = reason;
    return renderer;
}

Renderer::Renderer(int flags, int maxTextureSize)
    : mFlags(flags), mImages(maxTextureSize), mFonts(maxTextureSize) {
    glGenBuffers(1, &mVertexBuffer);
    ResetState();
}

Renderer::~Renderer() {
    if (mVertexBuffer) glDeleteBuffers(1, &mVertexBuffer);
}

void Renderer::ForgetContext() {
    mVertexBuffer = 0;
    mVertexBufferBytes = 0;
    mProgram.ForgetContext();
    mFramebuffers.ForgetContext();
    mImages.ForgetContext();
    mFonts.ForgetContext();
}

// ---- Frames

void Renderer::BeginFrame(float width, float height, float devicePixelRatio) {
    const float pixelWidth = std::round(width * devicePixelRatio);
    const float pixelHeight = std::round(height * devicePixelRatio);
    StartFrame(pixelWidth, pixelHeight, devicePixelRatio);
}

void Renderer::BeginFrameInPixels(int pixelWidth, int pixelHeight, float devicePixelRatio) {
    StartFrame(float(pixelWidth), float(pixelHeight), devicePixelRatio);
}

void Renderer::StartFrame(float pixelWidth, float pixelHeight, float devicePixelRatio) {
    mVertices.clear();
    mCalls.clear();
    mPath.Clear();
    ResetState();
    mInFrame = Finite(pixelWidth) && Finite(pixelHeight) && pixelWidth >= 1.0f &&
               pixelHeight >= 1.0f && devicePixelRatio > 0.0f && Finite(devicePixelRatio);
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
        if (sampling.tileCount == 0 || !(std::fabs(paint.extent[0]) > 0.0f) ||
            !(std::fabs(paint.extent[1]) > 0.0f) || !Finite(paint.extent[0]) ||
            !Finite(paint.extent[1])) {
            return false;
        }
        out.flipY = sampling.flipY;
        out.extent[0] = paint.extent[0];
        out.extent[1] = paint.extent[1];
        const float width = float(sampling.width), height = float(sampling.height);
        out.imageSize[0] = width;
        out.imageSize[1] = height;
        float box[4] = {0.0f, 0.0f, width, height};
        const auto& asked = paint.sampleBox;
        const bool whole =
            asked[0] == 0.0f && asked[1] == 0.0f && asked[2] == 0.0f && asked[3] == 0.0f;
        if (!whole && Finite(asked[0]) && Finite(asked[1]) && Finite(asked[2]) &&
            Finite(asked[3])) {
            box[0] = std::clamp(asked[0], 0.0f, width);
            box[1] = std::clamp(asked[1], 0.0f, height);
            box[2] = std::clamp(asked[2], box[0], width);
            box[3] = std::clamp(asked[3], box[1], height);
        }
        // Pixel centres: linear filtering at them reads no pixel outside the box.
        out.sampleBox[0] = box[0] + 0.5f;
        out.sampleBox[1] = box[1] + 0.5f;
        out.sampleBox[2] = std::max(out.sampleBox[0], box[2] - 0.5f);
        out.sampleBox[3] = std::max(out.sampleBox[1], box[3] - 0.5f);
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
    call.image = paint.kind == Paint::Kind::kImage ? paint.image : 0;
    return true;
}

// An image paint becomes one call per tile its sampled box reaches; each draws
// only the pixels its tile answers for.
void Renderer::PushCall(const Call& call) {
    if (call.image == 0) {
        mCalls.push_back(call);
        return;
    }
    const ImageStore::Sampling sampling = mImages.Sample(call.image);
    const float* box = call.paint.sampleBox;
    for (int i = 0; i < sampling.tileCount; ++i) {
        const ImageStore::Tile& tile = sampling.tiles[i];
        if (float(tile.ownedX1) <= box[0] || float(tile.ownedX0) > box[2] ||
            float(tile.ownedY1) <= box[1] || float(tile.ownedY0) > box[3]) {
            continue;
        }
        Call tiled = call;
        PaintUniforms& paint = tiled.paint;
        paint.texture = tile.texture;
        paint.tileOwned[0] = float(tile.ownedX0);
        paint.tileOwned[1] = float(tile.ownedY0);
        paint.tileOwned[2] = float(tile.ownedX1);
        paint.tileOwned[3] = float(tile.ownedY1);
        paint.tileTexture[0] = float(tile.textureX);
        paint.tileTexture[1] = float(tile.textureY);
        paint.tileTexture[2] = float(tile.textureWidth);
        paint.tileTexture[3] = float(tile.textureHeight);
        mCalls.push_back(tiled);
    }
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
        PushCall(call);
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
    PushCall(call);
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
    call.paint.strokeEdge = halfWidth + 0.5f;
    call.first = int(mVertices.size());
    AppendStrokeBands(mPath, halfWidth, mVertices);
    call.count = int(mVertices.size()) - call.first;
    if (call.count == 0) return;
    call.coverFirst = int(mVertices.size());
    AppendRectangle(minX - reach, minY - reach, maxX + reach, maxY + reach, mVertices);
    PushCall(call);
}

}  // namespace drawing
