#include "editor/drawing/gl_program.h"

#include <epoxy/gl.h>

#include <cstdio>

namespace drawing {

namespace {

const char* const kVertexShader = R"(
uniform vec2 uViewSize;
attribute vec2 aPosition;
attribute vec2 aParameter;
varying vec2 vPosition;
varying vec2 vParameter;
void main() {
    vPosition = aPosition;
    vParameter = aParameter;
    gl_Position = vec4(2.0 * aPosition.x / uViewSize.x - 1.0, 1.0 - 2.0 * aPosition.y / uViewSize.y, 0.0, 1.0);
}
)";

// Compiled once per paint kind and coverage (KIND and COVERAGE are defined in front),
// so a software rasteriser runs only the code a pass needs.
const char* const kFragmentShader = R"(
uniform mat3 uPaintMatrix;
uniform vec4 uInner;
uniform vec4 uOuter;
uniform vec2 uExtent;
uniform float uRadius;
uniform float uFeather;
uniform float uStrokeScale;
uniform float uStrokeEdge;
uniform bool uFlipY;
uniform sampler2D uImage;
uniform sampler2D uAtlas;
uniform vec2 uAtlasSize;
uniform vec4 uRectangle;
uniform vec2 uImageSize;
uniform vec4 uSampleBox;
uniform vec4 uTileOwned;
uniform vec4 uTileTexture;
varying vec2 vPosition;
varying vec2 vParameter;

// Signed distance from a rounded rectangle centred at the origin.
float RoundedBoxDistance(vec2 p, vec2 halfExtent, float radius) {
    vec2 q = abs(p) - (halfExtent - vec2(radius));
    return min(max(q.x, q.y), 0.0) + length(max(q, 0.0)) - radius;
}

void main() {
    float coverage = 1.0;
#if COVERAGE == 1
    coverage = clamp(0.5 - abs(vParameter.x), 0.0, 1.0);
    if (coverage <= 0.0) discard;
#elif COVERAGE == 2
    coverage = clamp(uStrokeEdge - abs(vParameter.x), 0.0, 1.0) * clamp(vParameter.y, 0.0, 1.0) * uStrokeScale;
    if (coverage <= 0.0) discard;
#elif COVERAGE == 3
    if (uStrokeEdge - abs(vParameter.x) < 1.0 || vParameter.y < 1.0) discard;
    coverage = uStrokeScale;
#elif COVERAGE == 4
    coverage = texture2D(uAtlas, vParameter / uAtlasSize).a;
#elif COVERAGE == 5
    vec2 overlap = clamp(min(vPosition + 0.5, uRectangle.zw) - max(vPosition - 0.5, uRectangle.xy), 0.0, 1.0);
    coverage = overlap.x * overlap.y;
    if (coverage <= 0.0) discard;
#endif
#if KIND == 1
    vec2 p = (uPaintMatrix * vec3(vPosition, 1.0)).xy;
    float t = clamp((RoundedBoxDistance(p, uExtent, uRadius) + 0.5 * uFeather) / uFeather, 0.0, 1.0);
    vec4 color = mix(uInner, uOuter, t);
#elif KIND == 2
    // In image pixels, held inside the sampled box, then read from the one tile
    // that answers for them (the others discard the pixel).
    vec2 texel = clamp((uPaintMatrix * vec3(vPosition, 1.0)).xy / uExtent * uImageSize,
                       uSampleBox.xy, uSampleBox.zw);
    if (texel.x < uTileOwned.x || texel.y < uTileOwned.y || texel.x >= uTileOwned.z ||
        texel.y >= uTileOwned.w) {
        discard;
    }
    vec2 uv = (texel - uTileTexture.xy) / uTileTexture.zw;
    if (uFlipY) uv.y = 1.0 - uv.y;
    vec4 color = texture2D(uImage, uv) * uInner;
#else
    vec4 color = uInner;
#endif
    gl_FragColor = color * coverage;
}
)";

unsigned Compile(GLenum type, const char* prefix, const char* source, const char*& error) {
    const GLuint shader = glCreateShader(type);
    const char* sources[2] = {prefix, source};
    glShaderSource(shader, 2, sources, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        error = type == GL_VERTEX_SHADER ? "vertex shader does not compile"
                                         : "fragment shader does not compile";
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

GlProgram::~GlProgram() {
    for (const Variant& v : mVariants) {
        if (v.program) glDeleteProgram(v.program);
    }
}

void GlProgram::ForgetContext() {
    for (Variant& v : mVariants) v = Variant{};
}

bool GlProgram::Build(const char*& error) {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, "#version 120\n", kVertexShader, error);
    if (!vertex) return false;
    bool ok = true;
    for (int kind = 0; kind < kKinds && ok; ++kind) {
        for (int coverage = 0; coverage < kCoverages && ok; ++coverage) {
            char prefix[96];  // room for any two ints
            std::snprintf(prefix, sizeof prefix,
                          "#version 120\n#define KIND %d\n#define COVERAGE %d\n", kind, coverage);
            ok = BuildVariant(mVariants[kind * kCoverages + coverage], vertex, prefix, error);
        }
    }
    glDeleteShader(vertex);
    return ok;
}

bool GlProgram::BuildVariant(Variant& v, unsigned vertex, const char* prefix, const char*& error) {
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, prefix, kFragmentShader, error);
    if (!fragment) return false;
    v.program = glCreateProgram();
    glAttachShader(v.program, vertex);
    glAttachShader(v.program, fragment);
    glBindAttribLocation(v.program, kPositionAttribute, "aPosition");
    glBindAttribLocation(v.program, kParameterAttribute, "aParameter");
    glLinkProgram(v.program);
    glDeleteShader(fragment);
    GLint linked = 0;
    glGetProgramiv(v.program, GL_LINK_STATUS, &linked);
    if (!linked) {
        error = "shader program does not link";
        return false;
    }
    const auto location = [&v](const char* name) { return glGetUniformLocation(v.program, name); };
    v.viewSize = location("uViewSize");
    v.paintMatrix = location("uPaintMatrix");
    v.inner = location("uInner");
    v.outer = location("uOuter");
    v.extent = location("uExtent");
    v.radius = location("uRadius");
    v.feather = location("uFeather");
    v.strokeScale = location("uStrokeScale");
    v.strokeEdge = location("uStrokeEdge");
    v.rectangle = location("uRectangle");
    v.flipY = location("uFlipY");
    v.atlasSize = location("uAtlasSize");
    v.imageSize = location("uImageSize");
    v.sampleBox = location("uSampleBox");
    v.tileOwned = location("uTileOwned");
    v.tileTexture = location("uTileTexture");
    glUseProgram(v.program);
    glUniform1i(location("uImage"), 0);
    glUniform1i(location("uAtlas"), 1);
    glUseProgram(0);
    return true;
}

void GlProgram::Use(float viewWidth, float viewHeight, float atlasWidth, float atlasHeight) {
    mFrameSizes[0] = viewWidth;
    mFrameSizes[1] = viewHeight;
    mFrameSizes[2] = atlasWidth;
    mFrameSizes[3] = atlasHeight;
    ++mFrame;
    mCurrent = nullptr;
}

void GlProgram::SetPaint(const PaintUniforms& paint, Coverage coverage) {
    const int kind = paint.kind >= 0 && paint.kind < kKinds ? paint.kind : 0;
    Variant& v = mVariants[kind * kCoverages + int(coverage)];
    if (&v != mCurrent) {
        glUseProgram(v.program);
        mCurrent = &v;
    }
    if (v.frame != mFrame) {
        glUniform2f(v.viewSize, mFrameSizes[0], mFrameSizes[1]);
        glUniform2f(v.atlasSize, mFrameSizes[2], mFrameSizes[3]);
        v.frame = mFrame;
    }
    const Transform& t = paint.deviceToPaint;
    const float matrix[9] = {t.a, t.b, 0.0f, t.c, t.d, 0.0f, t.e, t.f, 1.0f};
    glUniformMatrix3fv(v.paintMatrix, 1, GL_FALSE, matrix);
    glUniform4fv(v.inner, 1, paint.inner);
    glUniform4fv(v.outer, 1, paint.outer);
    glUniform2fv(v.extent, 1, paint.extent);
    glUniform1f(v.radius, paint.radius);
    glUniform1f(v.feather, paint.feather);
    glUniform1f(v.strokeScale, paint.strokeScale);
    glUniform1f(v.strokeEdge, paint.strokeEdge);
    glUniform4fv(v.rectangle, 1, paint.rectangle);
    glUniform1i(v.flipY, paint.flipY ? 1 : 0);
    if (v.imageSize >= 0) {
        glUniform2fv(v.imageSize, 1, paint.imageSize);
        glUniform4fv(v.sampleBox, 1, paint.sampleBox);
        glUniform4fv(v.tileOwned, 1, paint.tileOwned);
        glUniform4fv(v.tileTexture, 1, paint.tileTexture);
    }
}

}  // namespace drawing
