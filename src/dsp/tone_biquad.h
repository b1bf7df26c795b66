#pragma once
// Second-order section for the strip's fixed tone shaping (colouring shelves,
// mid bump, the DC-blocking band-pass). Configured by type, normalised
// frequency, Q and gain in dB through bilinear-transform formulas; filters
// single-precision samples in transposed direct form II with double-precision
// arithmetic and returns single-precision results, so chained sections always
// pass single-precision values to each other.
//
// ToneBiquadT<double> (alias ToneBiquad) runs one channel and takes and returns
// float. ToneBiquadT<Double2> runs left and right in the two lanes with shared
// coefficients; its lanes hold single-precision values and each lane is
// bit-identical to a ToneBiquad fed the same samples.
//
// Non-finite input (NaN, infinity) is taken as 0 before it reaches the state,
// so one bad sample can never silence the section for good.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <type_traits>

#include "dsp/lanes.h"
#include "dsp/sample_guard.h"

// Type codes of the section.
inline constexpr int32_t kToneBandPass = 2;   // unity gain at Fc, gain ignored
inline constexpr int32_t kTonePeaking = 4;
inline constexpr int32_t kToneLowShelf = 5;
inline constexpr int32_t kToneHighShelf = 6;

template <typename T>
class ToneBiquadT {
public:
    static constexpr bool kScalar = std::is_same_v<T, double>;

    // Settings and coefficients, shared by the lanes. a0..a2 numerator,
    // b1, b2 denominator (leading denominator coefficient 1). The defaults pass
    // the input unchanged.
    int32_t type = kTonePeaking;
    double a0 = 1.0, a1 = 0.0, a2 = 0.0;
    double b1 = 0.0, b2 = 0.0;
    double Fc = 0.5;     // f / fs
    double Q = 0.707;
    double gain = 0.0;   // dB
    // Per-lane filter state.
    T z1 = Splat<T>(0.0), z2 = Splat<T>(0.0);

    // [audio] Stores the settings and recomputes the coefficients; the state
    // is kept. A setting the bilinear design cannot realise (unknown type,
    // Fc outside (0, 0.5), Q <= 0, any non-finite value) leaves the section
    // unchanged and returns false.
    bool Configure(int type, double Fc, double Q, double gainDb);

    // [audio] One sample. Input and output are single-precision values.
    float Process(float x) requires kScalar { return static_cast<float>(Step(static_cast<double>(x))); }
    // [audio]
    T Process(T x) requires(!kScalar) { return RoundToSingle(Step(x)); }

private:
    T Step(T x) {
        x = FiniteOrZero(x);
        const T y = a0 * x + z1;
        z1 = a1 * x + z2 - b1 * y;
        z2 = a2 * x - b2 * y;
        return y;
    }
};

using ToneBiquad = ToneBiquadT<double>;

template <typename T>
bool ToneBiquadT<T>::Configure(int newType, double newFc, double newQ, double gainDb) {
    const bool known = newType == kToneBandPass || newType == kTonePeaking ||
                       newType == kToneLowShelf || newType == kToneHighShelf;
    // Written so that NaN fails every test.
    if (!known || !(newFc > 0.0 && newFc < 0.5) || !(newQ > 0.0) || !IsFinite(gainDb)) {
        return false;
    }
    type = newType;
    Fc = newFc;
    Q = newQ;
    gain = gainDb;

    const double V = std::pow(10.0, std::fabs(gainDb) / 20.0);
    const double K = std::tan(std::numbers::pi * newFc);
    const double KK = K * K;
    const double KQ = K / newQ;
    const double VKQ = V * K / newQ;
    const bool boost = gainDb >= 0.0;
    double n = 0.0;
    switch (newType) {
        case kToneBandPass:
            n = 1.0 / (1.0 + KQ + KK);
            a0 = KQ * n;
            a1 = 0.0;
            a2 = -a0;
            b1 = 2.0 * (KK - 1.0) * n;
            b2 = (1.0 - KQ + KK) * n;
            break;
        case kTonePeaking:
            if (boost) {
                n = 1.0 / (1.0 + KQ + KK);
                a0 = (1.0 + VKQ + KK) * n;
                a1 = 2.0 * (KK - 1.0) * n;
                a2 = (1.0 - VKQ + KK) * n;
                b1 = a1;
                b2 = (1.0 - KQ + KK) * n;
            } else {
                n = 1.0 / (1.0 + VKQ + KK);
                a0 = (1.0 + KQ + KK) * n;
                a1 = 2.0 * (KK - 1.0) * n;
                a2 = (1.0 - KQ + KK) * n;
                b1 = a1;
                b2 = (1.0 - VKQ + KK) * n;
            }
            break;
        case kToneLowShelf:
            if (boost) {
                n = 1.0 / (1.0 + KQ + KK);
                a0 = (1.0 + VKQ + V * KK) * n;
                a1 = 2.0 * (V * KK - 1.0) * n;
                a2 = (1.0 - VKQ + V * KK) * n;
                b1 = 2.0 * (KK - 1.0) * n;
                b2 = (1.0 - KQ + KK) * n;
            } else {
                n = 1.0 / (1.0 + VKQ + V * KK);
                a0 = (1.0 + KQ + KK) * n;
                a1 = 2.0 * (KK - 1.0) * n;
                a2 = (1.0 - KQ + KK) * n;
                b1 = 2.0 * (V * KK - 1.0) * n;
                b2 = (1.0 - VKQ + V * KK) * n;
            }
            break;
        case kToneHighShelf:
            if (boost) {
                n = 1.0 / (1.0 + KQ + KK);
                a0 = (V + VKQ + KK) * n;
                a1 = 2.0 * (KK - V) * n;
                a2 = (V - VKQ + KK) * n;
                b1 = 2.0 * (KK - 1.0) * n;
                b2 = (1.0 - KQ + KK) * n;
            } else {
                n = 1.0 / (V + VKQ + KK);
                a0 = (1.0 + KQ + KK) * n;
                a1 = 2.0 * (KK - 1.0) * n;
                a2 = (1.0 - KQ + KK) * n;
                b1 = 2.0 * (KK - V) * n;
                b2 = (V - VKQ + KK) * n;
            }
            break;
    }
    return true;
}
