#pragma once
// The renderer's one GLSL 1.20 program and the GL state each kind of pass needs.
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
    float strokeScale = 1.0f;
};

class GlProgram {
public:
    GlProgram() = default;
    GlProgram(const GlProgram&) = delete;
    GlProgram& operator=(const GlProgram&) = delete;
    // [ui] Deletes the program.
    ~GlProgram();

    // [ui] Compiles and links; false (with the reason in `error`) when the context
    // cannot run GLSL 1.20.
    bool Build(const char*& error);
    // [ui] Binds the program with the view size in pixels and the atlas size.
    void Use(float viewWidth, float viewHeight, float atlasWidth, float atlasHeight) const;
    // [ui] Sets the paint and the coverage for the next draw calls.
    void SetPaint(const PaintUniforms& paint, Coverage coverage) const;

private:
    unsigned mProgram = 0;
    int mViewSize = -1, mPaintMatrix = -1, mInner = -1, mOuter = -1, mExtent = -1, mRadius = -1,
        mFeather = -1, mKind = -1, mCoverage = -1, mStrokeScale = -1, mFlipY = -1, mImage = -1,
        mAtlas = -1, mAtlasSize = -1;
};

// Vertex attribute slots of the program.
inline constexpr unsigned kPositionAttribute = 0;
inline constexpr unsigned kParameterAttribute = 1;

}  // namespace drawing
