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
    call.paint.strokeEdge = halfWidth + 0.5f;
    call.first = int(mVertices.size());
    AppendStrokeBands(mPath, halfWidth, mVertices);
    call.count = int(mVertices.size()) - call.first;
    if (call.count == 0) return;
    call.coverFirst = int(mVertices.size());
    AppendRectangle(minX - reach, minY - reach, maxX + reach, maxY + reach, mVertices);
    mCalls.push_back(call);
}

}  // namespace drawing
