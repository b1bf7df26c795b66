#include "dsp/preamp_curve.h"

#include <immintrin.h>
#include <sleef.h>

#include <cmath>

#include "dsp/curve_tanh.h"

// sleef.h declares the 4- and 8-lane forms only to files built for AVX as a
// whole; here only the functions below that call them are.
extern "C" {
__m256d Sleef_cinz_atand4_u10avx(__m256d);
__m512d Sleef_cinz_atand8_u10avx512fnofma(__m512d);
}

namespace {

// Below this magnitude tanh(x) and atan(x) round to x itself (x - x³/3 is
// within half an ulp of x), so the argument is the exact result and the
// library call is skipped: silence and quiet passages cost next to nothing.
constexpr double kTiny = 0x1p-27;

}  // namespace

namespace {

// The two-lane form with the value in the first lane: the same arithmetic.
double TanhOne(double x) {
    double lanes[2] = {x, 0.0};
    curve_tanh::Tanh<2>(lanes);
    return lanes[0];
}

}  // namespace

double CurveMath::Tanh(double x) {
    return std::fabs(x) < kTiny ? x : TanhOne(x);
}
double CurveMath::Atan(double x) {
    return std::fabs(x) < kTiny ? x : Sleef_cinz_atand1_u10purec(x);
}

namespace {

// Each kernel replaces count values (a multiple of its block) in place, every
// lane by the rule of CurveMath. A vector whose lanes are all tiny skips the
// call.
using Kernel = void (*)(double* values, int count);

template <typename F>
void Two(double* values, int count, F f) {
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d tiny = _mm_set1_pd(kTiny);
    for (int i = 0; i < count; i += 2) {
        const __m128d x = _mm_loadu_pd(values + i);
        const __m128d keep = _mm_cmplt_pd(_mm_andnot_pd(sign, x), tiny);
        if (_mm_movemask_pd(keep) == 3) continue;
        const __m128d r = f(x);
        _mm_storeu_pd(values + i, _mm_or_pd(_mm_and_pd(keep, x), _mm_andnot_pd(keep, r)));
    }
}

template <typename F>
__attribute__((target("avx"))) void Four(double* values, int count, F f) {
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d tiny = _mm256_set1_pd(kTiny);
    for (int i = 0; i < count; i += 4) {
        const __m256d x = _mm256_loadu_pd(values + i);
        const __m256d keep = _mm256_cmp_pd(_mm256_andnot_pd(sign, x), tiny, _CMP_LT_OQ);
        if (_mm256_movemask_pd(keep) == 15) continue;
        _mm256_storeu_pd(values + i, _mm256_blendv_pd(f(x), x, keep));
    }
}

template <typename F>
__attribute__((target("avx512f"))) void Eight(double* values, int count, F f) {
    const __m512d tiny = _mm512_set1_pd(kTiny);
    for (int i = 0; i < count; i += 8) {
        const __m512d x = _mm512_loadu_pd(values + i);
        const __mmask8 keep = _mm512_cmp_pd_mask(_mm512_abs_pd(x), tiny, _CMP_LT_OQ);
        if (keep == 0xff) continue;
        _mm512_storeu_pd(values + i, _mm512_mask_blend_pd(keep, f(x), x));
    }
}

void TanhTwo(double* values, int count) {
    for (int i = 0; i < count; i += 8) curve_tanh::Tanh<2, 4>(values + i);
}
void AtanTwo(double* values, int count) {
    Two(values, count, Sleef_cinz_atand2_u10sse2);
}
__attribute__((target("avx"))) void TanhFour(double* values, int count) {
    for (int i = 0; i < count; i += 16) curve_tanh::Tanh<4, 4>(values + i);
}
__attribute__((target("avx"))) void AtanFour(double* values, int count) {
    Four(values, count, Sleef_cinz_atand4_u10avx);
}
// Doubleword and quadword instructions turn the comparisons' masks into lanes.
__attribute__((target("avx512f,avx512dq,avx512vl"))) void TanhEight(double* values, int count) {
    for (int i = 0; i < count; i += 32) curve_tanh::Tanh<8, 4>(values + i);
}
__attribute__((target("avx512f"))) void AtanEight(double* values, int count) {
    Eight(values, count, Sleef_cinz_atand8_u10avx512fnofma);
}

// The tanh kernels take four registers' worth of values per step.
struct Kernels {
    Kernel tanh;
    Kernel atan;
    int tanhBlock;
};

Kernels KernelsFor(CurveLanes lanes) {
    switch (lanes) {
        case CurveLanes::kEight:
            return {TanhEight, AtanEight, 32};
        case CurveLanes::kFour:
            return {TanhFour, AtanFour, 16};
        case CurveLanes::kTwo:
            break;
    }
    return {TanhTwo, AtanTwo, 8};
}

// Values per round: every width divides it, so only the last round pads.
constexpr int kRound = 128;
constexpr int kWidest = 32;  // the widest block

// Zero-fills from `used` up to the next multiple of `width`; returns that.
int Pad(double* values, int used, int width) {
    const int padded = (used + width - 1) / width * width;
    for (int i = used; i < padded; ++i) values[i] = 0.0;
    return padded;
}

}  // namespace

bool CurveLanesSupported(CurveLanes lanes) {
    __builtin_cpu_init();
    switch (lanes) {
        case CurveLanes::kEight:
            // The engine's eight-lane build also uses the 128- and 256-bit forms.
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                   __builtin_cpu_supports("avx512vl");
        case CurveLanes::kFour:
            return __builtin_cpu_supports("avx");
        case CurveLanes::kTwo:
            break;
    }
    return true;
}

CurveLanes WidestCurveLanes() {
    static const CurveLanes widest = CurveLanesSupported(CurveLanes::kEight)  ? CurveLanes::kEight
                                     : CurveLanesSupported(CurveLanes::kFour) ? CurveLanes::kFour
                                                                              : CurveLanes::kTwo;
    return widest;
}

void PreampCurves(const double* u, double* out, int count, int curveSelection, CurveLanes lanes) {
    const Kernels kernels = KernelsFor(lanes);
    const int width = static_cast<int>(lanes);
    const bool curve1 = curveSelection != 0;
    // One tanh call for all three tanh terms of the round: u, then u³, then
    // u⁴ (curve 0) or u² (curve 1); the atan terms of curve 1 in a second.
    alignas(64) double tanhTerms[3 * kRound + kWidest];
    alignas(64) double atanTerms[kRound + kWidest];
    for (int start = 0; start < count; start += kRound) {
        const int n = count - start < kRound ? count - start : kRound;
        for (int i = 0; i < n; ++i) {
            const double v = u[start + i];
            const double v2 = v * v;
            const double v3 = v2 * v;
            const double v4 = v3 * v;
            tanhTerms[i] = v;
            tanhTerms[n + i] = v3;
            tanhTerms[2 * n + i] = curve1 ? v2 : v4;
            atanTerms[i] = v4 * v * v * v;
        }
        kernels.tanh(tanhTerms, Pad(tanhTerms, 3 * n, kernels.tanhBlock));
        if (curve1) {
            kernels.atan(atanTerms, Pad(atanTerms, n, width));
            for (int i = 0; i < n; ++i) {
                out[start + i] = CombineCurve1(tanhTerms[i], tanhTerms[n + i], tanhTerms[2 * n + i],
                                               atanTerms[i]);
            }
        } else {
            for (int i = 0; i < n; ++i) {
                out[start + i] =
                    CombineCurve0(tanhTerms[i], tanhTerms[n + i], tanhTerms[2 * n + i]);
            }
        }
    }
}
