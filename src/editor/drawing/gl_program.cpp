#include "editor/drawing/gl_program.h"

#include <epoxy/gl.h>

namespace drawing {

namespace {

const char* const kVertexShader = R"(#version 120
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

const char* const kFragmentShader = R"(#version 120
uniform mat3 uPaintMatrix;
uniform vec4 uInner;
uniform vec4 uOuter;
uniform vec2 uExtent;
uniform float uRadius;
uniform float uFeather;
uniform int uKind;
uniform int uCoverage;
uniform float uStrokeScale;
uniform bool uFlipY;
uniform sampler2D uImage;
uniform sampler2D uAtlas;
uniform vec2 uAtlasSize;
varying vec2 vPosition;
varying vec2 vParameter;

// Signed distance from a rounded rectangle centred at the origin.
float RoundedBoxDistance(vec2 p, vec2 halfExtent, float radius) {
    vec2 q = abs(p) - (halfExtent - vec2(radius));
    return min(max(q.x, q.y), 0.0) + length(max(q, 0.0)) - radius;
}

void main() {
    float coverage = 1.0;
    if (uCoverage == 1) {
        coverage = clamp(0.5 - abs(vParameter.x), 0.0, 1.0);
        if (coverage <= 0.0) discard;
    } else if (uCoverage == 2) {
        coverage = clamp(vParameter.y - abs(vParameter.x), 0.0, 1.0) * uStrokeScale;
        if (coverage <= 0.0) discard;
    } else if (uCoverage == 3) {
        if (vParameter.y - abs(vParameter.x) < 1.0) discard;
        coverage = uStrokeScale;
    } else if (uCoverage == 4) {
        coverage = texture2D(uAtlas, vParameter / uAtlasSize).a;
    }
    vec2 p = (uPaintMatrix * vec3(vPosition, 1.0)).xy;
    vec4 color = uInner;
    if (uKind == 1) {
        float t = clamp((RoundedBoxDistance(p, uExtent, uRadius) + 0.5 * uFeather) / uFeather, 0.0, 1.0);
        color = mix(uInner, uOuter, t);
    } else if (uKind == 2) {
        vec2 uv = p / uExtent;
        if (uFlipY) uv.y = 1.0 - uv.y;
        color = texture2D(uImage, uv) * uInner;
    }
    gl_FragColor = color * coverage;
}
)";

unsigned Compile(GLenum type, const char* source, const char*& error) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
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
    if (mProgram) glDeleteProgram(mProgram);
}

bool GlProgram::Build(const char*& error) {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexShader, error);
    if (!vertex) return false;
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, kFragmentShader, error);
    if (!fragment) {
        glDeleteShader(vertex);
        return false;
    }
    mProgram = glCreateProgram();
    glAttachShader(mProgram, vertex);
    glAttachShader(mProgram, fragment);
    glBindAttribLocation(mProgram, kPositionAttribute, "aPosition");
    glBindAttribLocation(mProgram, kParameterAttribute, "aParameter");
    glLinkProgram(mProgram);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(mProgram, GL_LINK_STATUS, &ok);
    if (!ok) {
        error = "shader program does not link";
        glDeleteProgram(mProgram);
        mProgram = 0;
        return false;
    }
    const auto location = [this](const char* name) { return glGetUniformLocation(mProgram, name); };
    mViewSize = location("uViewSize");
    mPaintMatrix = location("uPaintMatrix");
    mInner = location("uInner");
    mOuter = location("uOuter");
    mExtent = location("uExtent");
    mRadius = location("uRadius");
    mFeather = location("uFeather");
    mKind = location("uKind");
    mCoverage = location("uCoverage");
    mStrokeScale = location("uStrokeScale");
    mFlipY = location("uFlipY");
    mImage = location("uImage");
    mAtlas = location("uAtlas");
    mAtlasSize = location("uAtlasSize");
    return true;
}

void GlProgram::Use(float viewWidth, float viewHeight, float atlasWidth, float atlasHeight) const {
    glUseProgram(mProgram);
    glUniform2f(mViewSize, viewWidth, viewHeight);
    glUniform2f(mAtlasSize, atlasWidth, atlasHeight);
    glUniform1i(mImage, 0);
    glUniform1i(mAtlas, 1);
}

void GlProgram::SetPaint(const PaintUniforms& paint, Coverage coverage) const {
    const Transform& t = paint.deviceToPaint;
    const float matrix[9] = {t.a, t.b, 0.0f, t.c, t.d, 0.0f, t.e, t.f, 1.0f};
    glUniformMatrix3fv(mPaintMatrix, 1, GL_FALSE, matrix);
    glUniform4fv(mInner, 1, paint.inner);
    glUniform4fv(mOuter, 1, paint.outer);
    glUniform2fv(mExtent, 1, paint.extent);
    glUniform1f(mRadius, paint.radius);
    glUniform1f(mFeather, paint.feather);
    glUniform1i(mKind, paint.kind);
    glUniform1i(mCoverage, int(coverage));
    glUniform1f(mStrokeScale, paint.strokeScale);
    glUniform1i(mFlipY, paint.flipY ? 1 : 0);
}

}  // namespace drawing
