#pragma once
// The preamp's two memoryless saturation curves and the drive shaping around
// them. Both curves are asymmetric (even powers), so they add even harmonics
// and a little DC, which the strip's band-pass removes later.
//
// Powers are left-to-right products of u (u² = u·u, u³ = u²·u, u⁴ = u³·u,
// u⁷ = u⁴·u·u·u); the curves' exact output depends on that order.
//
// For an infinite u both curves are finite (tanh and atan saturate; a power
// that overflows just saturates them earlier). A NaN u gives NaN, which
// `ShapePreamp` turns into 0.
//
// Threads: plain functions of their arguments, callable from any thread
// ([any]); the engine calls them on the audio thread. No allocation, no lock.
#include <cmath>

// [any] Curve 0: tanh(u) − 0.1·tanh(u³) + 0.6·tanh(u⁴). Tends to +1.5 for
// large positive u and to −0.3 for large negative u.
inline double PreampCurve0(double u) {
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double u4 = u3 * u;
    return std::tanh(u) - 0.1 * std::tanh(u3) + 0.6 * std::tanh(u4);
}

// [any] Curve 1: tanh(u) − 0.7·tanh(u³) − 0.05·tanh(u²) + 0.6·atan(u⁷).
// Tends to 0.25 + 0.3π for large positive u and to −(0.35 + 0.3π) for large
// negative u.
inline double PreampCurve1(double u) {
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double u4 = u3 * u;
    const double u7 = u4 * u * u * u;
    return std::tanh(u) - 0.7 * std::tanh(u3) - 0.05 * std::tanh(u2) + 0.6 * std::atan(u7);
}

// [any] Shapes one driven value: f(v · g1) / g2, with f curve 0 when
// curveSelection is 0 and curve 1 for any other selection. g1 and g2 are two
// successive values of the smoothed drive: the first drives the curve, the
// second scales its output back, so small signals pass at about unit gain
// whatever the drive. Always finite: a result that is not (NaN input, a zero
// or non-finite drive) becomes 0.
inline double ShapePreamp(double v, int curveSelection, double g1, double g2) {
    const double u = v * g1;
    const double shaped = (curveSelection == 0 ? PreampCurve0(u) : PreampCurve1(u)) / g2;
    return (shaped - shaped == 0.0) ? shaped : 0.0;
}
