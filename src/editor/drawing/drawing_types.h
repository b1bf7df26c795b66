#pragma once
// Value types of the vector renderer: colours, affine transforms, paints, blend
// factors and text alignment. No OpenGL here; these are plain data.
#include <array>

namespace drawing {

// A colour with straight (not premultiplied) components in 0..1.
struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

// A 2-D affine transform [a c e; b d f; 0 0 1]: x' = a x + c y + e, y' = b x + d y + f.
struct Transform {
    float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f, e = 0.0f, f = 0.0f;

    // [any] The transform that applies `first`, then `then`.
    static Transform Combine(const Transform& first, const Transform& then);
    // [any]
    static Transform Translation(float x, float y) { return {1.0f, 0.0f, 0.0f, 1.0f, x, y}; }
    // [any]
    static Transform Scaling(float x, float y) { return {x, 0.0f, 0.0f, y, 0.0f, 0.0f}; }
    // [any] Radians, clockwise on a y-down screen.
    static Transform Rotation(float radians);

    // [any] The inverse; false (and the identity) when the transform is singular or not finite.
    bool Invert(Transform& inverse) const;
    // [any] The mean linear scale: the square root of the absolute determinant.
    float MeanScale() const;
    // [any]
    void Apply(float x, float y, float& outX, float& outY) const {
        outX = a * x + c * y + e;
        outY = b * x + d * y + f;
    }
};

// Blend factors of the global composite, applied to premultiplied colours.
enum class BlendFactor {
    kZero,
    kOne,
    kSourceColor,
    kOneMinusSourceColor,
    kDestinationColor,
    kOneMinusDestinationColor,
    kSourceAlpha,
    kOneMinusSourceAlpha,
    kDestinationAlpha,
    kOneMinusDestinationAlpha,
    kSourceAlphaSaturate,
};

// What a fill or a stroke is painted with. A plain colour, a box gradient or an
// image pattern; make them with the functions below.
struct Paint {
    enum class Kind { kColor, kBoxGradient, kImage };
    Kind kind = Kind::kColor;
    Transform transform;            // paint space to user space
    std::array<float, 2> extent{};  // gradient half extents, or the pattern's size
    float radius = 0.0f;            // gradient corner radius
    float feather = 1.0f;           // gradient width of the transition
    Color inner;                    // the colour, the gradient's inside, or the image tint
    Color outer;                    // the gradient's outside
    int image = 0;                  // image handle of a pattern
    // The image pixels a pattern samples (minX, minY, maxX, maxY): drawing outside
    // them repeats their edge, and filtering never reaches past them, so a film
    // strip's frame shows none of its neighbours. All zero: the whole image.
    std::array<float, 4> sampleBox{};
};

// [any] A paint of one colour.
Paint ColorPaint(Color color);
// [any] A rounded rectangle centred at (centreX, centreY) with the given half extents
// and corner radius, `inner` inside, blending to `outer` across `feather` units centred
// on its edge.
Paint BoxGradient(float centreX, float centreY, float halfWidth, float halfHeight, float radius,
                  float feather, Color inner, Color outer);
// [any] The image stretched over the rectangle (originX, originY, width, height) and
// repeated by clamping its edges, rotated by `angle` radians about the origin, at `alpha`.
Paint ImagePattern(float originX, float originY, float width, float height, float angle, int image,
                   float alpha);

// Text alignment: one horizontal and one vertical flag, or'ed.
enum TextAlign : int {
    kAlignLeft = 1,
    kAlignCenter = 2,
    kAlignRight = 4,
    kAlignTop = 8,
    kAlignMiddle = 16,
    kAlignBottom = 32,
    kAlignBaseline = 64,  // the default vertical anchor
};

// Text extent in user units: the advance and the box [minX, minY, maxX, maxY].
struct TextBounds {
    float advance = 0.0f;
    std::array<float, 4> box{};
};

}  // namespace drawing
