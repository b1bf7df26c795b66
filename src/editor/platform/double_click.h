#pragma once
// Double clicks, which X does not report: a second press of the same button
// within 400 ms and 4 pixels of the first. The press after a double click
// starts a new pair.
#include <cstdint>

class DoubleClickDetector {
public:
    static constexpr uint64_t kIntervalMs = 400;
    static constexpr int kDistancePixels = 4;

    // [ui] A press of button at pixel (x, y) at timeMs (the server's clock);
    // true when it completes a double click.
    bool Press(int button, int x, int y, uint64_t timeMs);
    // [ui] Forgets the last press (after a window closes or the pointer leaves).
    void Reset() { mButton = 0; }

private:
    int mButton = 0;
    int mX = 0;
    int mY = 0;
    uint64_t mTimeMs = 0;
};
