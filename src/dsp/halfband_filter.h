#pragma once
// Linear-phase half-band FIR filters that let parts of the strip run at twice
// the host rate.
//
// HalfbandFilterT: 129 taps, one double-rate sample in, one out; delays by 64
// double-rate samples. Interpolates the zero-stuffed input of the oversampled
// preamp and removes the images after its curve. It carries an offset of
// 1e-15 whose sign flips on every call: added to the stored input and
// subtracted from the output, it keeps the line away from subnormal numbers.
//
// HalfbandDecimatorT: 65-sample line, two double-rate samples in, one host-rate
// sample out (times 2, restoring the level lost by zero stuffing); delays by
// 16 host samples. Closes the double-rate equaliser bands.
//
// Both are symmetric with every second tap zero and are evaluated with one
// multiplication per symmetric pair in one fixed order:
//   y := 0.5 * centre, then for m = 1, 3, 5, ... ascending
//   y := y + c(m) * (line[centre - m] + line[centre + m])
// The lines are doubled circular buffers (each sample written twice, N apart),
// so the window for the sum is always contiguous and nothing is shifted.
//
// T is double (one channel) or Double2 (left and right in the two lanes); each
// lane is bit-identical to a scalar filter fed the same samples. In the lane
// form of HalfbandFilterT both lanes share one offset, which equals the offsets
// of two scalar filters that are always called together.
//
// Non-finite input (NaN, infinity) is stored as 0, so one bad sample leaves the
// line after its length instead of poisoning the output for good.
#include <array>

#include "dsp/lanes.h"
#include "dsp/sample_guard.h"

// Taps at odd distance m = 1, 3, ..., 63 from the centre tap 0.5 of the
// 129-tap filter.
inline constexpr std::array<double, 32> kHalfbandTaps = {
    0.317956,  -0.105047, 0.061915,  -0.043056, 0.032309,  -0.025272, 0.020254,  -0.01647,
    0.013505,  -0.011119, 0.009163,  -0.007542, 0.006187,  -0.005051, 0.004099,  -0.003301,
    0.002635,  -0.002082, 0.001627,  -0.001255, 0.000954,  -0.000713, 0.000524,  -0.000377,
    0.000264,  -0.00018,  0.000118,  -7.5e-5,   4.5e-5,    -2.5e-5,   1.2e-5,    -5e-6};

// Taps at odd distance m = 1, 3, ..., 31 from the centre tap 0.5 of the
// decimator's 65-tap filter.
inline constexpr std::array<double, 16> kDecimatorTaps = {
    0.316897, -0.101933, 0.056928, -0.036479, 0.0245,    -0.016631, 0.011189, -0.007364,
    0.00469,  -0.002862, 0.001653, -0.000891, 0.000438,  -0.000189, 6.7e-5,   -1.6e-5};

template <typename T>
class HalfbandFilterT {
public:
    // [any]
    HalfbandFilterT() { Clear(); }

    // [audio] Zeroes the line; the offset keeps its current sign.
    void Clear() {
        mLine.fill(Splat<T>(0.0));
        mPos = 0;
    }

    // [audio] One double-rate sample in, the filtered sample out.
    // Process(x) is exactly Push(x) followed by Output().
    T Process(T x) {
        Push(x);
        return Output();
    }

    // [audio] Flips the offset and stores x + offset without computing the
    // sum: for calls whose output is discarded.
    void Push(T x) {
        mOffset = -mOffset;
        mPos = (mPos - 1) & (kSize - 1);
        const T stored = FiniteOrZero(x) + mOffset;
        mLine[mPos] = stored;
        mLine[mPos + kSize] = stored;
    }

    // [audio] The filter's output for the current line, offset removed.
    T Output() const {
        // w[k] is the sample stored k calls ago; the centre tap is w[64].
        const T* w = &mLine[mPos];
        T y = 0.5 * w[kCentre];
        for (int i = 0; i < static_cast<int>(kHalfbandTaps.size()); ++i) {
            const int m = 2 * i + 1;
            y = y + kHalfbandTaps[i] * (w[kCentre - m] + w[kCentre + m]);
        }
        return y - mOffset;
    }

    // [any] The offset used by the latest call (+-1e-15).
    double Offset() const { return mOffset; }

private:
    // 128 samples matter: the 129th tap, 64 places from the centre, weighs 0.
    static constexpr int kSize = 128;
    static constexpr int kCentre = 64;

    std::array<T, 2 * kSize> mLine;
    int mPos = 0;
    double mOffset = 1e-15;
};

template <typename T>
class HalfbandDecimatorT {
public:
    // [any]
    HalfbandDecimatorT() { Clear(); }

    // [audio] Zeroes the line.
    void Clear() {
        mLine.fill(Splat<T>(0.0));
        mPos = 0;
    }

    // [audio] a and b are two consecutive double-rate samples (a the earlier);
    // returns twice the filtered sample at the host rate.
    T Decimate(T a, T b) {
        mPos = mPos == 0 ? kSize - 2 : mPos - 2;
        const T newest = FiniteOrZero(b);
        const T earlier = FiniteOrZero(a);
        mLine[mPos] = newest;
        mLine[mPos + 1] = earlier;
        mLine[mPos + kSize] = newest;
        mLine[mPos + kSize + 1] = earlier;

        // w[k] is the k-th newest double-rate sample; the centre tap is w[33].
        const T* w = &mLine[mPos];
        T y = 0.5 * w[kCentre];
        for (int i = 0; i < static_cast<int>(kDecimatorTaps.size()); ++i) {
            const int m = 2 * i + 1;
            y = y + kDecimatorTaps[i] * (w[kCentre - m] + w[kCentre + m]);
        }
        return 2.0 * y;
    }

private:
    // 65 samples matter; an even ring size keeps the pairs together.
    static constexpr int kSize = 66;
    static constexpr int kCentre = 33;

    std::array<T, 2 * kSize> mLine;
    int mPos = 0;
};

using HalfbandFilter = HalfbandFilterT<double>;
using HalfbandDecimator = HalfbandDecimatorT<double>;
