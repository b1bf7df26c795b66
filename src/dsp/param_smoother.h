#pragma once
// One-pole smoother that glides a control value towards its target, so knob
// moves do not click. Shared by both channels (scalar only): every Advance
// counts, and the caller decides how often per sample or block it runs.
//
// A state that decays into the subnormal range is flushed to 0, so a smoother
// gliding towards 0 never slows the audio thread down with denormal numbers.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "dsp/lanes.h"

struct ParamSmoother {
    // z := b * target + a * z per advance. The defaults follow the target at
    // once until SetTime has run.
    double a = 0.0;
    double b = 1.0;
    double z = 0.0;

    // [audio] Time constant of `seconds` at `sampleRate`: after seconds *
    // sampleRate advances a step has covered 1 - e^-2pi of its way. A product
    // that is not a positive finite number (a host's nonsense rate) makes the
    // smoother follow the target at once instead of producing NaN.
    void SetTime(double seconds, double sampleRate) {
        const double samples = seconds * sampleRate;
        if (!(samples > 0.0) || !IsFinite(samples)) {
            a = 0.0;
            b = 1.0;
            return;
        }
        a = std::exp(-2.0 * std::numbers::pi / samples);
        b = 1.0 - a;
    }

    // [audio] Moves z one step towards target and returns it. A zero or
    // subnormal result becomes 0; a non-finite result (from a non-finite
    // target) is dropped and z keeps its previous value.
    double Advance(double target) {
        const double next = b * target + a * z;
        uint64_t bits;
        std::memcpy(&bits, &next, sizeof bits);
        const uint64_t exponent = bits & 0x7ff0000000000000ull;
        if (exponent == 0) {
            z = 0.0;
        } else if (exponent != 0x7ff0000000000000ull) {
            z = next;
        }
        return z;
    }
};
