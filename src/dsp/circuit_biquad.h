#pragma once
// Second-order sections modelled on the strip's analog tone circuits: the
// high-pass filter and the low, mid and high bands.
//
// Each circuit is an analog transfer function
//   (N2·s²/4 + N1·s/2 + N0) / (D2·s²/4 + D1·s/2 + D0)
// whose six numbers come from fixed constants and, for the bands, from a
// control position p in 0..1. The bilinear transform at a design rate X turns
// it into the section's coefficients. The coefficients stay unnormalised and
// `Process` divides by a0 on every call, so a section designed from a moving
// p never needs a separate normalisation pass.
//
// `CircuitBiquadT<T>` runs one channel with T = double, or the left and right
// channels side by side with T = Double2, each lane carrying its own
// coefficients (the two channels are designed from different smoothed
// positions). Every lane does the scalar arithmetic in the scalar order, so
// both forms agree bit for bit per channel.
//
// Non-finite numbers: a NaN or infinite input is taken as 0 before it reaches
// the history, and an output that is not finite (a finite input so large that
// the sum overflows) is stored and returned as 0. For every input whose result
// is finite the arithmetic is exactly the plain recurrence; one bad sample can
// therefore never keep a section producing NaN.
//
// Threads: a section belongs to the audio thread that runs it ([audio]); the
// design routines and `Process` allocate nothing and take no lock.
#include "dsp/lanes.h"
#include "dsp/sample_guard.h"

#include <type_traits>

// The six coefficients of one section (or, with T = Double2, of both lanes).
template <typename T>
struct CircuitCoefficientsT {
    T a0{}, a1{}, a2{};  // denominator
    T b0{}, b1{}, b2{};  // numerator
};
using CircuitCoefficients = CircuitCoefficientsT<double>;

namespace circuit_detail {

// [any] v where v is finite, else 0; exact for finite values. The two-lane
// form tests with a predicted branch, which keeps the test off the
// recurrence's dependency chain (a compare-and-mask there costs every sample).
inline double ZeroIfNotFinite(double v) { return (v - v == 0.0) ? v : 0.0; }
// [any]
inline Double2 ZeroIfNotFinite(Double2 v) { return FiniteOrZero(v); }

}  // namespace circuit_detail

template <typename T>
class CircuitBiquadT {
public:
    CircuitBiquadT() = default;  // history and coefficients all zero

    // [audio] One sample through the section:
    // y = (b0·x + b1·x1 + b2·x2 − a1·y1 − a2·y2) / a0, then the history shifts.
    T Process(T x) { return ProcessFinite(circuit_detail::ZeroIfNotFinite(x)); }

    // [audio] Process for an input known to be finite (every lane), such as
    // another section's output: the same arithmetic without the input's test.
    T ProcessFinite(T x) {
        T y = (mB0 * x + mB1 * mX1 + mB2 * mX2 - mA1 * mY1 - mA2 * mY2) / mA0;
        y = circuit_detail::ZeroIfNotFinite(y);
        mX2 = mX1;
        mX1 = x;
        mY2 = mY1;
        mY1 = y;
        return y;
    }

    // [audio] Replace the coefficients; the history is kept.
    void SetCoefficients(const CircuitCoefficientsT<T>& c) {
        mA0 = c.a0;
        mA1 = c.a1;
        mA2 = c.a2;
        mB0 = c.b0;
        mB1 = c.b1;
        mB2 = c.b2;
    }

    // [audio] Replace one lane's coefficients (lane 0 = left, 1 = right) of a
    // two-lane section; the other lane and the history are kept.
    void SetLaneCoefficients(int lane, const CircuitCoefficients& c)
        requires std::is_same_v<T, Double2>
    {
        mA0[lane] = c.a0;
        mA1[lane] = c.a1;
        mA2[lane] = c.a2;
        mB0[lane] = c.b0;
        mB1[lane] = c.b1;
        mB2[lane] = c.b2;
    }

    // [any] The current coefficients.
    CircuitCoefficientsT<T> Coefficients() const { return {mA0, mA1, mA2, mB0, mB1, mB2}; }

private:
    // Input history, output history, then the coefficients.
    T mX1{}, mX2{};
    T mY1{}, mY2{};
    T mA0{}, mA1{}, mA2{};
    T mB0{}, mB1{}, mB2{};
};

using CircuitBiquad = CircuitBiquadT<double>;
using CircuitBiquad2 = CircuitBiquadT<Double2>;

// The analog numerator N2, N1, N0 and denominator D2, D1, D0 of one circuit.
template <typename T>
struct CircuitPolynomialsT {
    T n2, n1, n0;
    T d2, d1, d0;
};

// [any] The bilinear transform at design rate X.
template <typename T>
CircuitCoefficientsT<T> BilinearCoefficients(const CircuitPolynomialsT<T>& c, double X) {
    const double xx = X * X;
    CircuitCoefficientsT<T> r;
    r.b0 = c.n2 * xx + c.n1 * X + c.n0;
    r.b1 = 2.0 * c.n0 - 2.0 * c.n2 * xx;
    r.b2 = c.n2 * xx - c.n1 * X + c.n0;
    r.a0 = c.d2 * xx + c.d1 * X + c.d0;
    r.a1 = 2.0 * c.d0 - 2.0 * c.d2 * xx;
    r.a2 = c.d2 * xx - c.d1 * X + c.d0;
    return r;
}

// Circuit constants, kept to every digit: the flat positions and the corner
// frequencies depend on near-cancellations between them.
namespace circuit_constants {

// High-pass filter: one circuit, the frequency selections scale the design rate.
inline constexpr double kHighPassN2 = 4.32284220699621e-10;
inline constexpr double kHighPassD2 = 4.32284220699621e-10;
inline constexpr double kHighPassD1 = 8.33690997063555e-8;
inline constexpr double kHighPassD0 = 5.4387221678436e-6;
// Design-rate divisor per selection 0 ("OFF", designed as "50Hz") .. 4.
inline constexpr int kHighPassSelections = 5;
inline constexpr double kHighPassRateDivisor[kHighPassSelections] = {1.0, 1.0, 1.6, 3.2, 6.4};

// Low band: shelving boost/cut, one row per frequency selection 1..4.
struct LowBandRow {
    double alpha, beta, gamma, delta, epsilon;
    double alphaPrime, betaPrime, zeta, deltaPrime, eta;
};
inline constexpr int kLowBandSelections = 5;  // 0 "OFF" uses row 1 at p = 0.5
inline constexpr LowBandRow kLowBand[kLowBandSelections] = {
    {1.57474333015855e-9, 6.34977149257483e-7, 0.00138479059146578, 1.75902180496434e-6,
     0.00018267450355506, 1.57477482502516e-9, 6.34989848800468e-7, 3.21564180260798e-23,
     1.75905698540044e-6, 0.00156748259641683},
    {1.57474333015855e-9, 6.34977149257483e-7, 0.00138479059146578, 1.75902180496434e-6,
     0.00018267450355506, 1.57477482502516e-9, 6.34989848800468e-7, 3.21564180260798e-23,
     1.75905698540044e-6, 0.00156748259641683},
    {1.55521242147608e-9, 1.25420356570652e-6, 0.00280194413615286, 1.8199294293869e-6,
     0.00036961816264144, 1.55524352572451e-9, 1.25422864977784e-6, 6.50643407625152e-23,
     1.81996582797549e-6, 0.00317159771059892},
    {1.51266630140008e-9, 2.59551527350734e-6, 0.00610985940345774, 1.95160659076062e-6,
     0.000805981453222081, 1.5126965547261e-9, 2.59556718381281e-6, 1.41877908666465e-22,
     1.95164562289243e-6, 0.00691591807490292},
    {1.36003497538726e-9, 7.31201599670574e-6, 0.020743307792073, 2.41140953082847e-6,
     0.00273635124065642, 1.36006217608677e-9, 7.31216223702567e-6, 4.81683281729618e-22,
     2.41145775901909e-6, 0.0234799211928321},
};

// Mid band: peaking boost/cut, one row per frequency selection 1..6 (index 0
// unused: "OFF" is the flat low-band circuit).
struct MidBandRow {
    double kappa, lambda, mu, nu, sigma;
    double kappaPrime, tau, phi, psi, rho;
};
inline constexpr int kMidBandSelections = 7;
inline constexpr MidBandRow kMidBand[kMidBandSelections] = {
    {},
    {3.98747975822903e-10, 2.58978141862719e-6, 9.96869939557258e-7, 1.31586832021558e-6,
     0.000498434969778629, 3.9875595078242e-10, 2.77071827100122e-7, 3.30962813672889e-6,
     9.9688987695605e-7, 0.000498444938478025},
    {3.68500726268571e-10, 4.78666421652166e-6, 1.84250363134285e-6, 2.43210479337257e-6,
     0.00167500330122078, 3.68508096283096e-10, 5.12108779006323e-7, 6.1171489061309e-6,
     1.84254048141548e-6, 0.0016750368012868},
    {3.09641869633349e-10, 8.93802946586081e-6, 3.44046521814832e-6, 4.54141408795579e-6,
     0.00781923913215528, 3.09648062470742e-10, 9.56249101552956e-7, 1.14224133335568e-5,
     3.44053402745269e-6, 0.00781939551693793},
    {2.35841188484255e-10, 1.39248840852877e-5, 5.36002701100579e-6, 7.07523565452764e-6,
     0.0223334458791908, 2.35845905308024e-10, 1.48977556480935e-6, 1.77953968770794e-5,
     5.36013421154601e-6, 0.0223338925481084},
    {1.97660293813046e-10, 1.60470079835831e-5, 6.17688418165769e-6, 8.15348711978815e-6,
     0.0441206012975549, 1.97664247018922e-10, 1.71681431858387e-6, 2.05073790207872e-5,
     6.17700771934132e-6, 0.0441214837095809},
    {1.43263788849867e-10, 1.86093432855592e-5, 7.16318944249333e-6, 9.4554100640912e-6,
     0.0895398680311666, 1.43266654125644e-10, 1.99094977984531e-6, 2.37819322128667e-5,
     7.16333270628218e-6, 0.0895416588285273},
};

// High band: fixed shelving boost/cut; N2 and D2 are quadratics in p.
inline constexpr double kHighN2c0 = -5.68570106117114e-11;
inline constexpr double kHighN2c1 = 9.90879243374448e-10;
inline constexpr double kHighN2c2 = 6.81147611116674e-10;
inline constexpr double kHighN1 = -2.42315123226797e-6;
inline constexpr double kHighN0 = -0.00351832443758613;
inline constexpr double kHighD2c0 = 3.66592877326021e-10;
inline constexpr double kHighD2c1 = 3.71429601811122e-10;
inline constexpr double kHighD2c2 = 6.81161234068896e-10;
inline constexpr double kHighD1 = 2.42319969529262e-6;
inline constexpr double kHighD0 = 0.00351839480407488;

}  // namespace circuit_constants

// [any] Circuit polynomials. p is the control position (one per lane for Double2);
// the caller has checked the selection.
template <typename T>
CircuitPolynomialsT<T> LowBandPolynomials(const circuit_constants::LowBandRow& k, T p) {
    const T pp = p * p;
    CircuitPolynomialsT<T> c;
    c.n2 = k.alpha * (pp - p);
    c.n1 = k.beta * (pp - p) - k.delta;
    c.n0 = -(k.gamma * p + k.epsilon);
    c.d2 = k.alphaPrime * (p - pp);
    c.d1 = k.betaPrime * (p - pp) + k.deltaPrime;
    c.d0 = k.eta - k.gamma * p - k.zeta * pp;
    return c;
}

// [any]
template <typename T>
CircuitPolynomialsT<T> MidBandPolynomials(const circuit_constants::MidBandRow& k, T p) {
    const T pp = p * p;
    CircuitPolynomialsT<T> c;
    c.n2 = Splat<T>(-k.kappa);
    c.n1 = k.mu * pp + k.nu * p - k.lambda;
    c.n0 = Splat<T>(-k.sigma);
    c.d2 = Splat<T>(k.kappaPrime);
    c.d1 = k.phi * p - k.psi * pp + k.tau;
    c.d0 = Splat<T>(k.rho);
    return c;
}

// [any]
template <typename T>
CircuitPolynomialsT<T> HighBandPolynomials(T p) {
    using namespace circuit_constants;
    const T pp = p * p;
    CircuitPolynomialsT<T> c;
    c.n2 = kHighN2c0 - kHighN2c1 * p + kHighN2c2 * pp;
    c.n1 = Splat<T>(kHighN1);
    c.n0 = Splat<T>(kHighN0);
    c.d2 = kHighD2c0 + kHighD2c1 * p - kHighD2c2 * pp;
    c.d1 = Splat<T>(kHighD1);
    c.d0 = Splat<T>(kHighD0);
    return c;
}

// Design routines. Each writes the six coefficients of its section and keeps
// the history. X is the design rate; p the smoothed control position (a
// Double2 gives each lane its own); selection the frequency selection. A
// selection outside the routine's table leaves the coefficients unchanged.

// [audio] High-pass, X = the sample rate. Selections 0 ("OFF") and 1 "50Hz"
// design the same circuit; 2..4 design it at X / 1.6, 3.2, 6.4, which moves
// the corner up by those factors.
template <typename T>
void DesignHighPass(CircuitBiquadT<T>& section, double X, int selection) {
    using namespace circuit_constants;
    if (selection < 0 || selection >= kHighPassSelections) return;
    const double rate = X / kHighPassRateDivisor[selection];
    const CircuitPolynomialsT<T> c{Splat<T>(kHighPassN2), T{}, T{},
                                   Splat<T>(kHighPassD2), Splat<T>(kHighPassD1),
                                   Splat<T>(kHighPassD0)};
    section.SetCoefficients(BilinearCoefficients(c, rate));
}

// [audio] Low band, X = 3 · sample rate, p in 0.05 .. 0.95 (0.5 flat, higher
// boosts). Selection 0 ("OFF") designs the "35Hz" circuit at p = 0.5: flat.
template <typename T>
void DesignLowBand(CircuitBiquadT<T>& section, double X, std::type_identity_t<T> p, int selection) {
    using namespace circuit_constants;
    if (selection < 0 || selection >= kLowBandSelections) return;
    if (selection == 0) p = Splat<T>(0.5);
    section.SetCoefficients(BilinearCoefficients(LowBandPolynomials(kLowBand[selection], p), X));
}

// [audio] Mid band, X = 2 · sample rate, p in 0.95 .. 0.05 (0.5 flat, lower
// boosts). Selection 0 ("OFF") designs the flat low-band circuit, which
// inverts like every other selection.
template <typename T>
void DesignMidBand(CircuitBiquadT<T>& section, double X, std::type_identity_t<T> p, int selection) {
    using namespace circuit_constants;
    if (selection < 0 || selection >= kMidBandSelections) return;
    if (selection == 0) {
        section.SetCoefficients(BilinearCoefficients(LowBandPolynomials(kLowBand[0], Splat<T>(0.5)), X));
    } else {
        section.SetCoefficients(BilinearCoefficients(MidBandPolynomials(kMidBand[selection], p), X));
    }
}

// [audio] High band, X = 2 · sample rate, p in 0 .. 1 (0.5 flat, higher
// boosts). Runs twice per sample: a few multiplications, no table, no
// transcendental function.
template <typename T>
void DesignHighBand(CircuitBiquadT<T>& section, double X, std::type_identity_t<T> p) {
    section.SetCoefficients(BilinearCoefficients(HighBandPolynomials(p), X));
}
