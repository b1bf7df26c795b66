#include "editor/drawing/drawing_types.h"

#include <cmath>

namespace drawing {

Transform Transform::Combine(const Transform& first, const Transform& then) {
    Transform t;
    t.a = then.a * first.a + then.c * first.b;
    t.b = then.b * first.a + then.d * first.b;
    t.c = then.a * first.c + then.c * first.d;
    t.d = then.b * first.c + then.d * first.d;
    t.e = then.a * first.e + then.c * first.f + then.e;
    t.f = then.b * first.e + then.d * first.f + then.f;
    return t;
}

Transform Transform::Rotation(float radians) {
    const float cs = std::cos(radians);
    const float sn = std::sin(radians);
    return {cs, sn, -sn, cs, 0.0f, 0.0f};
}

bool Transform::Invert(Transform& inverse) const {
    const double det = double(a) * d - double(b) * c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) {
        inverse = Transform{};
        return false;
    }
    const double inv = 1.0 / det;
    inverse.a = float(d * inv);
    inverse.b = float(-b * inv);
    inverse.c = float(-c * inv);
    inverse.d = float(a * inv);
    inverse.e = float((double(c) * f - double(d) * e) * inv);
    inverse.f = float((double(b) * e - double(a) * f) * inv);
    return std::isfinite(inverse.e) && std::isfinite(inverse.f);
}

float Transform::MeanScale() const {
    return std::sqrt(std::fabs(a * d - b * c));
}

Paint ColorPaint(Color color) {
    Paint p;
    p.inner = color;
    p.outer = color;
    return p;
}

Paint BoxGradient(float centreX, float centreY, float halfWidth, float halfHeight, float radius,
                  float feather, Color inner, Color outer) {
    Paint p;
    p.kind = Paint::Kind::kBoxGradient;
    p.transform = Transform::Translation(centreX, centreY);
    p.extent = {halfWidth, halfHeight};
    p.radius = radius;
    p.feather = std::fmax(feather, 1e-3f);
    p.inner = inner;
    p.outer = outer;
    return p;
}

Paint ImagePattern(float originX, float originY, float width, float height, float angle, int image,
                   float alpha) {
    Paint p;
    p.kind = Paint::Kind::kImage;
    p.transform =
        Transform::Combine(Transform::Rotation(angle), Transform::Translation(originX, originY));
    p.extent = {width, height};
    p.inner = {1.0f, 1.0f, 1.0f, alpha};
    p.outer = p.inner;
    p.image = image;
    return p;
}

}  // namespace drawing
