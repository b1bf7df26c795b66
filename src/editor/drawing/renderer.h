#pragma once
// A 2-D vector renderer of the path-and-paint kind on OpenGL 2.1 (GLSL 1.20 and
// frame buffer objects, core or extension), reached through libepoxy. It runs on
// the GL context current when it is created, and every call needs that context
// current, on the one thread that uses it.
//
// A frame records fills, strokes and text between BeginFrame and EndFrame; EndFrame
// renders them, in order, into the frame buffer bound at that moment. Fills follow
// the non-zero rule (concave paths, holes, overlapping sub-paths) by counting the
// winding in the stencil, which the target must have (the renderer's own frame
// buffers do); a single convex sub-path (a rectangle, a circle) needs none. Edges
// are anti-aliased by a one-pixel fringe whose coverage the shader computes, and an
// upright rectangle covers each pixel by its exact overlap, so a software GL draws
// the same picture as a GPU.
//
// Units: user units go through the transform into logical units; one logical unit
// is `devicePixelRatio` pixels. Colours are straight alpha; drawing composites
// premultiplied colours with the current blend factors. Buffers keep their capacity
// between frames, so a frame that repeats earlier work allocates nothing.
#include <cstddef>
#include <memory>
#include <vector>

#include "editor/drawing/drawing_types.h"
#include "editor/drawing/font_atlas.h"
#include "editor/drawing/framebuffer_store.h"
#include "editor/drawing/gl_program.h"
#include "editor/drawing/image_store.h"
#include "editor/drawing/path.h"
#include "editor/drawing/tessellation.h"

namespace drawing {

class Renderer {
public:
    enum CreateFlags : int {
        kAntialias = 1,  // smooth edges on fills (strokes and text are always smooth)
    };
    struct Options {
        int flags = 0;  // CreateFlags
        // The largest texture side made: 0 for the driver's limit but at most
        // kMaxTextureSide; a positive figure (at least kMinTextureSide) replaces that
        // cap, within the driver's limit, so tests can draw as a stricter or a
        // lenient driver would.
        int maxTextureSize = 0;
    };

    // [ui] A renderer on the current GL context; null when the context lacks OpenGL 2.1,
    // frame buffer objects or GLSL 1.20 (the reason goes to `error` when given).
    static std::unique_ptr<Renderer> Create(const Options& options, const char** error = nullptr);
    // [ui] The same with the usual texture limit (Options{flags, 0}).
    static std::unique_ptr<Renderer> Create(int flags, const char** error = nullptr);
    // [ui] Deletes every image, frame buffer, font texture and the program.
    ~Renderer();
    // [ui] Its GL context is gone: forgets every GL name without deleting it
    // (they went with the context), so the renderer can be destroyed with any
    // or no context current.
    void ForgetContext();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // ---- Frames
    // [ui] Starts recording a frame of width x height logical units at the ratio of
    // pixels per unit, and resets the state. A size or ratio that is not positive and
    // finite records nothing.
    void BeginFrame(float width, float height, float devicePixelRatio);
    // [ui] The same for a frame whose size the caller has already rounded to pixels,
    // so its viewport and scissors match the buffer it draws into exactly.
    void BeginFrameInPixels(int pixelWidth, int pixelHeight, float devicePixelRatio);
    // [ui] Renders the recorded frame into the bound frame buffer (viewport set to the
    // frame's pixel size) and leaves blending on, stencil and scissor tests off.
    void EndFrame();

    // [ui] No texture (image tile, frame buffer, glyph atlas) has a side larger than this.
    int MaxTextureSize() const { return mImages.MaxTextureSize(); }

    // ---- Images (handle 0 is never an image)
    // [ui] An image from straight-alpha RGBA rows, top row first. `flags` 0 is the only
    // kind: linear filtering, no mipmaps, clamped edges. Sides beyond MaxTextureSize()
    // are kept in tiles and drawn as one picture. 0 for a size that is not positive or
    // beyond kMaxImageSide, or missing bytes.
    int CreateImageRGBA(int width, int height, int flags, const unsigned char* pixels);
    // [ui] The size in pixels; false and 0 x 0 for an unknown handle.
    bool ImageSize(int image, int& width, int& height) const;
    // [ui] Unknown handles are ignored. Do not delete an image used in the current frame.
    void DeleteImage(int image);

    // ---- Off-screen frame buffers (handle 0 is never one)
    // [ui] A frame buffer with an 8-bit stencil whose colour texture is an image
    // (stored bottom-up; image patterns show it upright); 0 on failure, and for a side
    // beyond MaxTextureSize().
    int CreateFramebuffer(int width, int height);
    // [ui] Deletes the frame buffer and its image.
    void DeleteFramebuffer(int framebuffer);
    // [ui] The image showing the frame buffer's colour; 0 for an unknown handle.
    int FramebufferImage(int framebuffer) const;
    // [ui] The GL frame buffer object's name (for glBindFramebuffer); 0 for an unknown handle.
    unsigned FramebufferObject(int framebuffer) const;

    // ---- State
    // [ui] Transform identity, global alpha 1, scissor off, normal composite
    // (one, one minus source alpha), font size 16, text aligned left on the baseline.
    void ResetState();
    // [ui] Replaces the transform from user units to logical units.
    void SetTransform(const Transform& transform);
    // [ui] Applies `transform` before the current one (it works in the current user units).
    void MultiplyTransform(const Transform& transform);
    // [ui]
    const Transform& CurrentTransform() const { return mState.transform; }
    // [ui] Clips to the rectangle in current user units, through the current transform
    // (a rotated rectangle clips to its bounding box), on whole pixels. Replaces any
    // previous scissor; an empty or non-finite rectangle clips everything away.
    void Scissor(float x, float y, float width, float height);
    // [ui]
    void ResetScissor();
    // [ui] Multiplies the alpha of everything drawn next (clamped to 0..1; NaN is ignored).
    void GlobalAlpha(float alpha);
    // [ui] The blend factors for the source and the destination of everything drawn next.
    void GlobalCompositeBlendFunc(BlendFactor source, BlendFactor destination);

    // ---- Paths (non-finite coordinates are dropped)
    // [ui]
    void BeginPath();
    // [ui]
    void Rect(float x, float y, float width, float height);
    // [ui]
    void Circle(float centreX, float centreY, float radius);
    // [ui]
    void MoveTo(float x, float y);
    // [ui]
    void LineTo(float x, float y);
    // [ui] Radians from +x, growing clockwise on screen; see Path::Arc.
    void Arc(float centreX, float centreY, float radius, float startAngle, float endAngle,
             bool clockwise);
    // [ui]
    void ClosePath();
    // [ui] Fills the path by the non-zero rule.
    void Fill(Color color);
    // [ui]
    void Fill(const Paint& paint);
    // [ui] Strokes the path `width` user units wide (smooth butt ends, square joins).
    void Stroke(Color color, float width);
    // [ui]
    void Stroke(const Paint& paint, float width);

    // ---- Text
    // [ui] Registers a font under `name` from bytes that stay the caller's and must
    // outlive this renderer; returns its id (>= 0), the id already registered under the
    // name, or -1 when the bytes are not a font.
    int CreateFontFromMemory(const char* name, const unsigned char* data, std::size_t size,
                             int faceIndex);
    // [ui] The id registered under `name`, or -1.
    int FindFont(const char* name) const;
    // [ui] Selects the font by id; an unknown id draws no text.
    void FontFaceId(int font);
    // [ui] The line height from descender to ascender in user units (clamped so glyphs
    // are 1 to 256 pixels).
    void FontSize(float size);
    // [ui] One horizontal and one vertical TextAlign flag.
    void TextAlign(int align);
    // [ui] Draws UTF-8 text (to `end`, or to its NUL when null) anchored at (x, y) in
    // `color`; returns x plus the advance. Upright glyphs sit on whole pixels; under a
    // rotating transform they turn with it. Malformed bytes draw as U+FFFD. When the
    // glyph atlas has no room for the text, what the frame recorded so far is rendered
    // into the bound frame buffer at once and the atlas starts anew (MeasureText too).
    float Text(float x, float y, Color color, const char* text, const char* end = nullptr);
    // [ui] The advance and the box (from ascender to descender) the text would have.
    TextBounds MeasureText(float x, float y, const char* text, const char* end = nullptr);
    // [ui] How often the glyph atlas started anew (for tests and figures).
    int AtlasClears() const { return mAtlasClears; }

private:
    struct State {
        Transform transform;
        float alpha = 1.0f;
        bool scissor = false;
        float scissorBox[4] = {};  // device pixels: minX, minY, maxX, maxY
        unsigned sourceFactor = 0;
        unsigned destinationFactor = 0;
        int font = -1;
        float fontSize = 16.0f;
        int align = kAlignLeft | kAlignBaseline;
    };
    enum class CallKind { kFill, kStroke, kText };
    struct Call {
        CallKind kind = CallKind::kFill;
        PaintUniforms paint;
        int first = 0, count = 0;              // fans, stroke bands or glyph quads
        int fringeFirst = 0, fringeCount = 0;  // edge fringes of a fill
        int coverFirst = 0;                    // a six-vertex cover rectangle
        bool convex = false;                   // a fill drawn without the stencil
        bool rectangle = false;                // an upright rectangle, in one pass
        bool scissor = false;
        int scissorBox[4] = {};  // pixels: x, y from the bottom, width, height
        unsigned sourceFactor = 0, destinationFactor = 0;
        int image = 0;  // the pattern's image, split into its tiles when recorded
    };

    Renderer(int flags, int maxTextureSize);
    void StartFrame(float pixelWidth, float pixelHeight, float devicePixelRatio);
    Transform DeviceTransform() const;
    bool PreparePaint(const Paint& paint, PaintUniforms& out) const;
    bool BeginCall(CallKind kind, const Paint& paint, float minX, float minY, float maxX,
                   float maxY, Call& call);
    float LayoutText(float x, float y, const char* text, const char* end, const Color* color,
                     TextBounds* bounds);
    void PushCall(const Call& call);
    void ClearAtlas();
    void Render();

    int mFlags;
    bool mInFrame = false;
    float mViewWidth = 0.0f, mViewHeight = 0.0f;  // pixels
    float mPixelRatio = 1.0f;
    State mState;
    Path mPath;
    std::vector<Vertex> mVertices;
    std::vector<Call> mCalls;
    unsigned mVertexBuffer = 0;
    std::size_t mVertexBufferBytes = 0;
    GlProgram mProgram;
    ImageStore mImages;
    FramebufferStore mFramebuffers{mImages};
    FontAtlas mFonts;
    int mAtlasClears = 0;
};

// [any] Textures never exceed this side, whatever the driver allows: what the
// many drivers of 4096 accept is what the editor is tested with.
inline constexpr int kMaxTextureSide = 4096;
// [any] The smallest limit Renderer::Options may set.
inline constexpr int kMinTextureSide = 16;

}  // namespace drawing
