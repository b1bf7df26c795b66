#include "editor/platform/double_click.h"

#include <cstdlib>

bool DoubleClickDetector::Press(int button, int x, int y, uint64_t timeMs) {
    const bool isDouble = mButton == button && timeMs >= mTimeMs &&
                          timeMs - mTimeMs <= kIntervalMs && std::abs(x - mX) <= kDistancePixels &&
                          std::abs(y - mY) <= kDistancePixels;
    if (isDouble) {
        mButton = 0;
        return true;
    }
    mButton = button;
    mX = x;
    mY = y;
    mTimeMs = timeMs;
    return false;
}
