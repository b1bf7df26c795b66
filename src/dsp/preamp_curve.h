#pragma once
// The preamp's two memoryless saturation curves and the drive shaping around
// them. Both curves are asymmetric (even powers), so they add even harmonics
// and a little DC, which the strip's band-pass removes later.
//
// Powers are left-to-right products of u (u² = u·u, u³ = u²·u, u⁴ = u³·u,
// u⁷ = u⁴·u·u·u); the curves' exact output depends on that order.
//
// tanh is the strip's own (curve_tanh.h: polynomials and an exponential in
// plain IEEE arithmetic), atan SLEEF's (libsleef) 1-ulp function in the forms
// without fused multiply-add; both are within one ulp. The one-value form and
// the 2-, 4- and 8-lane forms give the same bits for every value, so a curve
// gives the same output one value at a time or many at once, at any lane
// width and on any x86-64 CPU. Below 2^-27 in magnitude, where tanh and atan
// round to their argument, the argument itself is the result. `PreampCurves`
// evaluates a whole run of values at a width the CPU runs; the scalar curves
// are the same arithmetic one value at a time.
//
// For an infinite u both curves are finite (tanh and atan saturate; a power
// that overflows just saturates them earlier). A NaN u gives NaN, which
// `ShapePreamp` turns into 0.
//
// Threads: plain functions of their arguments, callable from any thread
// ([any]); the engine calls them on the audio thread. No allocation, no lock.

// [any] The curves' tanh and atan (1 ulp; tiny arguments returned as they
// are), one value.
struct CurveMath {
    static double Tanh(double x);
    static double Atan(double x);
};

// The three parts of each curve combined, in the curves' order of terms.
inline double CombineCurve0(double tanhU, double tanhU3, double tanhU4) {
    return tanhU - 0.1 * tanhU3 + 0.6 * tanhU4;
}
inline double CombineCurve1(double tanhU, double tanhU3, double tanhU2, double atanU7) {
    return tanhU - 0.7 * tanhU3 - 0.05 * tanhU2 + 0.6 * atanU7;
}

// [any] Curve 0: tanh(u) − 0.1·tanh(u³) + 0.6·tanh(u⁴). Tends to +1.5 for
// large positive u and to −0.3 for large negative u. Math supplies tanh.
template <typename Math = CurveMath>
inline double PreampCurve0(double u) {
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double u4 = u3 * u;
    return CombineCurve0(Math::Tanh(u), Math::Tanh(u3), Math::Tanh(u4));
}

// [any] Curve 1: tanh(u) − 0.7·tanh(u³) − 0.05·tanh(u²) + 0.6·atan(u⁷).
// Tends to 0.25 + 0.3π for large positive u and to −(0.35 + 0.3π) for large
// negative u. Math supplies tanh and atan.
template <typename Math = CurveMath>
inline double PreampCurve1(double u) {
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double u4 = u3 * u;
    const double u7 = u4 * u * u * u;
    return CombineCurve1(Math::Tanh(u), Math::Tanh(u3), Math::Tanh(u2), Math::Atan(u7));
}

// [any] Shapes one driven value: f(v · g1) / g2, with f curve 0 when
// curveSelection is 0 and curve 1 for any other selection. g1 and g2 are two
// successive values of the smoothed drive: the first drives the curve, the
// second scales its output back, so small signals pass at about unit gain
// whatever the drive. Always finite: a result that is not (NaN input, a zero
// or non-finite drive) becomes 0.
template <typename Math = CurveMath>
inline double ShapePreamp(double v, int curveSelection, double g1, double g2) {
    const double u = v * g1;
    const double shaped =
        (curveSelection == 0 ? PreampCurve0<Math>(u) : PreampCurve1<Math>(u)) / g2;
    return (shaped - shaped == 0.0) ? shaped : 0.0;
}

// How many values one vector call of tanh or atan takes.
enum class CurveLanes { kTwo = 2, kFour = 4, kEight = 8 };

// [any] Whether this CPU (and its operating system) runs `lanes`; two lanes
// run everywhere, four need AVX, eight AVX-512 F, DQ and VL.
bool CurveLanesSupported(CurveLanes lanes);

// [any] The widest width this CPU runs.
CurveLanes WidestCurveLanes();

// [any] out[i] = curve `curveSelection` (0, or 1 for any other) of u[i] for
// count values (none when count <= 0), bit for bit what PreampCurve0 and
// PreampCurve1 give, evaluated `lanes` at a time (which the CPU must run).
// out may be u.
void PreampCurves(const double* u, double* out, int count, int curveSelection, CurveLanes lanes);
