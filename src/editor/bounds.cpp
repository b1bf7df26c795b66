#include "editor/bounds.h"

#include <algorithm>
#include <cmath>

bool Bounds::Inside(const Bounds& outer) const {
    return left >= outer.left && top >= outer.top && right <= outer.right && bottom <= outer.bottom;
}

bool Bounds::Overlaps(const Bounds& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
}

Bounds Bounds::Aligned(float s) const {
    return {std::floor(left * s) / s, std::floor(top * s) / s, std::ceil(right * s) / s,
            std::ceil(bottom * s) / s};
}

Bounds Bounds::Union(const Bounds& other) const {
    return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
            std::max(bottom, other.bottom)};
}

Bounds Bounds::Intersection(const Bounds& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
}
