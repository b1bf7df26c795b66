#pragma once
// The renderer's GLSL 1.20 programs, one for each paint kind and coverage.
// The fragment shader computes a paint (colour, box gradient or image) at the
// pixel and multiplies it by a coverage: full, an edge fringe's distance falloff,
// a stroke's distance from its centre line, or a glyph's atlas value. That
// coverage is the anti-aliasing, so no multisampling is needed.
#include "editor/drawing/drawing_types.h"

namespace drawing {

// How a pass turns a vertex's parameters into coverage (values as the shader reads them).
enum class Coverage : int {
    kFull = 0,
    kEdgeFringe = 1,
    kStroke = 2,
    kStrokeCore = 3,  // only the fully covered inside of a stroke
    kGlyph = 4,
    kRectangle = 5,  // the exact overlap of each pixel with an upright rectangle
};

// The uniforms of one fill, stroke or text run.
struct PaintUniforms {
    Transform deviceToPaint;
    float inner[4] = {};  // premultiplied, global alpha applied
    float outer[4] = {};
    float extent[2] = {};
    float radius = 0.0f;
    float feather = 1.0f;
    int kind = 0;  // Paint::Kind as an int
    unsigned texture = 0;
    bool flipY = false;
    float imageSize[2] = {1.0f, 1.0f};  // pixels
    float sampleBox[4] = {};            // pixel centres sampling is clamped to
    float tileOwned[4] = {};            // image pixels this texture answers for
    float tileTexture[4] = {};          // the texture's origin and size in image pixels
    float strokeScale = 1.0f;
    float strokeEdge = 0.0f;  // the half width plus half a pixel
    float rectangle[4] = {};  // device pixels: minX, minY, maxX, maxY
};

class GlProgram {
public:
    // [ui] No program until Build().
    GlProgram() = default;
    GlProgram(const GlProgram&) = delete;
    GlProgram& operator=(const GlProgram&) = delete;
    // [ui] Deletes the programs.
    ~GlProgram();
    // [ui] The context is gone: forgets the programs without deleting them.
    void ForgetContext();

    // [ui] Compiles and links one program per paint kind and coverage; false (with the
    // reason in `error`) when the context cannot run GLSL 1.20.
    bool Build(const char*& error);
    // [ui] Starts a frame's draws with the view size in pixels and the atlas size.
    void Use(float viewWidth, float viewHeight, float atlasWidth, float atlasHeight);
    // [ui] Binds the program for the paint's kind and `coverage` and sets its uniforms.
    void SetPaint(const PaintUniforms& paint, Coverage coverage);

private:
    static constexpr int kKinds = 3;
    static constexpr int kCoverages = 6;
    struct Variant {
        unsigned program = 0;
        unsigned frame = 0;  // the frame whose sizes it holds
        int viewSize = -1, paintMatrix = -1, inner = -1, outer = -1, extent = -1, radius = -1,
            feather = -1, strokeScale = -1, flipY = -1, atlasSize = -1, rectangle = -1,
            strokeEdge = -1, imageSize = -1, sampleBox = -1, tileOwned = -1, tileTexture = -1;
    };
    bool BuildVariant(Variant& variant, unsigned vertex, const char* prefix, const char*& error);

    Variant mVariants[kKinds * kCoverages];
    const Variant* mCurrent = nullptr;
    unsigned mFrame = 0;
    float mFrameSizes[4] = {};
};

// Vertex attribute slots of the program.
inline constexpr unsigned kPositionAttribute = 0;
inline constexpr unsigned kParameterAttribute = 1;

}  // namespace drawing
