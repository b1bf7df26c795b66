#include "editor/pixel_size.h"

#include <cmath>

int PixelSize(float units, float totalScale) {
    // In double, so the product of two floats cannot overflow; a product a hair
    // below a whole pixel (10 x 0.7f) is float error, not a part pixel.
    const double pixels = std::floor(static_cast<double>(units) * totalScale + 1e-3);
    if (!(pixels > 0.0)) return 0;  // also NaN
    if (pixels >= kMaxPixelSize) return kMaxPixelSize;
    return static_cast<int>(pixels);
}
