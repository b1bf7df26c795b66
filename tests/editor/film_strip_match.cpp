#include "film_strip_match.h"

#include <cmath>
#include <cstddef>

namespace {

double Channel(const DecodedPicture& p, int x, int y, int c) {
    return p.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                   static_cast<std::size_t>(x)) *
                      4 +
                  static_cast<std::size_t>(c)];
}

}  // namespace

double StripFrameDifference(const DecodedPicture& shot, int shotX, int shotY,
                            const StripOnPanel& knob, int frame, int screenScale) {
    const int frameHeight = knob.strip.height / knob.frames;
    // Picture pixels per screen pixel along each side.
    const int step = screenScale == 1 ? 2 : 1;
    const int width = knob.strip.width / step, height = frameHeight / step;
    if (shotX < 0 || shotY < 0 || shotX + width > shot.width || shotY + height > shot.height ||
        2 * knob.unitX + knob.strip.width > knob.background.width ||
        2 * knob.unitY + frameHeight > knob.background.height) {
        return 255.0;
    }
    double sum = 0.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                double expected = 0.0;
                for (int d = 0; d < step * step; ++d) {
                    const int px = step * x + d % step, py = step * y + d / step;
                    const int sy = frame * frameHeight + py;
                    const double a = Channel(knob.strip, px, sy, 3) / 255.0;
                    expected +=
                        Channel(knob.strip, px, sy, c) * a +
                        Channel(knob.background, 2 * knob.unitX + px, 2 * knob.unitY + py, c) *
                            (1.0 - a);
                }
                expected /= step * step;
                sum += std::abs(Channel(shot, shotX + x, shotY + y, c) - expected);
            }
        }
    }
    return sum / (3.0 * width * height);
}

int ClosestStripFrame(const DecodedPicture& shot, int shotX, int shotY, const StripOnPanel& knob,
                      int screenScale) {
    int best = -1;
    double bestDifference = 1e300;
    for (int frame = 0; frame < knob.frames; ++frame) {
        const double difference =
            StripFrameDifference(shot, shotX, shotY, knob, frame, screenScale);
        if (difference < bestDifference) {
            bestDifference = difference;
            best = frame;
        }
    }
    return best;
}
