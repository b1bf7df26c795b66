#pragma once
// The preamp curves' tanh, many values at once. Only IEEE additions,
// subtractions, multiplications and divisions, never fused, and exact integer
// steps: every lane of every width rounds alike on every x86-64 CPU (the
// one-value form runs the two-lane code). Within one ulp of the exact value
// (the dsp tests check it against long double). With a = |x|:
//   a < 9/16       a + a·(z·P(z)), z = a·a
//   9/16 <= a < 2  twelve intervals of width 1/8 centred on m = 5/8 + j/8:
//                  high + (low + d·Q(d)), d = a − m (exact), high + low = tanh(m)
//   a >= 2         1 − 2 / (1 + e^(2a)), a capped at 20 (tanh rounds to 1 from 19.1)
// The sign is put back last; NaN stays NaN. The fits' coefficients come from
// tools/curve_fit/curve_tanh_fit.py (Chebyshev fits at 40 digits).
//
// Threads: plain functions of their arguments ([any]); no allocation, no lock.
// Every function is inlined into a caller built for its width, and no wide
// vector is passed or returned by value.
#include <bit>
#include <cstdint>

namespace curve_tanh {

// P, lowest power first: tanh(a) = a + a·z·P(z), z = a², for a < 9/16.
inline constexpr double kTanhSmall[12] = {
    -0x1.5555555555555p-2,  0x1.1111111111105p-3,  -0x1.ba1ba1ba19d5dp-5,  0x1.664f4881ec346p-6,
    -0x1.226e352b6a427p-7,  0x1.d6d3c26abcbe7p-9,  -0x1.7da216499f72dp-10, 0x1.354431e18ea6cp-11,
    -0x1.f3e303d937561p-13, 0x1.8b6e011d560bfp-14, -0x1.1798f633d339fp-15, 0x1.002b1e55e95d8p-17,
};

// Per interval j (centre m = 5/8 + j/8): tanh(m) as a high and a low part,
// then Q, lowest power first: tanh(m + d) = high + (low + d·Q(d)).
inline constexpr int kTanhIntervals = 12;
inline constexpr int kTanhMidTerms = 12;
inline constexpr double kTanhMid[kTanhMidTerms][kTanhIntervals] = {
    {0x1.1bf47eabb8f95p-1, 0x1.45323e552f228p-1, 0x1.686650b8c2015p-1, 0x1.85efab514f394p-1,
     0x1.9e5cb5ba44d69p-1, 0x1.b2523bb6b2deep-1, 0x1.c278a52a4e478p-1, 0x1.cf6f9786df577p-1,
     0x1.d9c6fafe61c78p-1, 0x1.e1fbf97e33527p-1, 0x1.e8789ecec0ddap-1, 0x1.ed9505e1bc3d4p-1},
    {0x1.2221cd286d060p-55, 0x1.39d5832bf78fbp-56, 0x1.9fa72eaddbf64p-57, 0x1.5618caf8a4f11p-55,
     0x1.7077d97de80bdp-56, 0x1.3b6dd4e6b805ap-56, -0x1.33e1519ca472fp-55, 0x1.834edd51ae31ep-55,
     0x1.478491cdd4ae2p-55, -0x1.f8e008ea19093p-56, 0x1.7e1eab8804de2p-55, -0x1.661de681e0bedp-56},
    {0x1.6284c3374f815p-1, 0x1.3173b1efa6ef5p-1, 0x1.02500a09f8d6ep-1, 0x1.ae0dc0f990c45p-2,
     0x1.615002a66a779p-2, 0x1.1f25131e3a8c0p-2, 0x1.cea744f805278p-3, 0x1.72165282c6f72p-3,
     0x1.265e33ad862f4p-3, 0x1.d22ca1c24a139p-4, 0x1.6fcfa6d9f1693p-4, 0x1.2162c262e051bp-4},
    {-0x1.893b59c35c881p-2, -0x1.8403d3dda87bfp-2, -0x1.6ba7cb757653ap-2, -0x1.4786c26f14a7dp-2,
     -0x1.1defabec5c7f5p-2, -0x1.e7291743d7556p-3, -0x1.970e081148d79p-3, -0x1.4efbd8fb38e3cp-3,
     -0x1.10646d7a0ac08p-3, -0x1.b6d85a01efb80p-4, -0x1.5ee891c870c35p-4, -0x1.16f9d2bcd3f63p-4},
    {-0x1.2426c751e81c4p-6, 0x1.568057c925147p-5, 0x1.4f152b2baf0f0p-4, 0x1.a85d22eb4aa3bp-4,
     0x1.c68cf16b2d0a3p-4, 0x1.bba40cbef7506p-4, 0x1.97d6fc1176990p-4, 0x1.67b1f6914a7fdp-4,
     0x1.33de79e58f59fp-4, 0x1.01ba038be69c6p-4, 0x1.a85b92b2bd714p-5, 0x1.58f4ff0eebb36p-5},
    {0x1.1a686f6ab201bp-3, 0x1.989565d81312ap-4, 0x1.f203c316d2b3bp-5, 0x1.c60915a5816ebp-6,
     0x1.ac2940d28895cp-9, -0x1.9c7a0278843e0p-7, -0x1.5dd575cd8aeebp-6, -0x1.99050d66636b3p-6,
     -0x1.9d2992591cfd9p-6, -0x1.8157e26e0d59cp-6, -0x1.55d5bf70247efp-6, -0x1.2520da0eb598ep-6},
    {-0x1.c3c02171de438p-5, -0x1.064adc7efddf5p-4, -0x1.e2196b83b7cedp-5, -0x1.7b59c0f6a9005p-5,
     -0x1.05e129adcbedfp-5, -0x1.3a7a011f1c206p-6, -0x1.337ccbd26ddadp-7, -0x1.5c9d3e5b464fap-9,
     0x1.82884f5b86d28p-10, 0x1.e4709c845978ep-9, 0x1.2fa92a9413ddap-8, 0x1.3957aeccdabe8p-8},
    {-0x1.87d27cde07de5p-6, -0x1.05c2566f11e8ap-10, 0x1.b2ca623996c60p-7, 0x1.3605fdefc16e8p-6,
     0x1.305f5e16aa494p-6, 0x1.f1cf6c825961bp-7, 0x1.6707143ebaf9ep-7, 0x1.d0ec38d5bff89p-8,
     0x1.0bc34e0c39f11p-8, 0x1.0379811b79cbdp-9, 0x1.4a735b32d3c12p-11, -0x1.4d954a7d21f60p-13},
    {0x1.e7f81c267fa43p-6, 0x1.62a691a8df2a1p-6, 0x1.6954d05d7885fp-7, 0x1.3f9478185196ep-9,
     -0x1.5a6a8b9b6322ap-9, -0x1.326be221c225bp-8, -0x1.3918b16c629c7p-8, -0x1.03e4fe84904dap-8,
     -0x1.7ce98dbca12b6p-9, -0x1.fc15d0c352993p-10, -0x1.36917082385d9p-10, -0x1.56f921af854e1p-11},
    {-0x1.31fd7dd79684cp-8, -0x1.54b02d3e0b44ep-7, -0x1.4a60370e85ebap-7, -0x1.c2564cd0b1cffp-8,
     -0x1.bc54bee050290p-9, -0x1.ca3fc588adec2p-11, 0x1.04b7f939ef31ap-11, 0x1.0a645392f9febp-10,
     0x1.12d29352f059dp-10, 0x1.c77e0fd04c61bp-11, 0x1.4e6b8c3955d74p-11, 0x1.c31fad83188bcp-12},
    {-0x1.1261348e03c84p-7, -0x1.07b2c27f309f5p-9, 0x1.0a20d07e109c5p-9, 0x1.aa2c23d48607cp-9,
     0x1.68607fbd43e04p-9, 0x1.bed34448daa6cp-10, 0x1.9bd5368fb5604p-11, 0x1.9d4689be3d39cp-13,
     -0x1.93804dd87d038p-14, -0x1.9fa19689099e1p-13, -0x1.a5b599d974d0ap-13,
     -0x1.5922b9e6faa9ep-13},
    {0x1.59ec023ee1117p-8, 0x1.21413f1a5a013p-8, 0x1.07f30ec9da977p-9, 0x1.bde25bc617b57p-14,
     -0x1.879dde7b050cdp-11, -0x1.b7917b7e6113dp-11, -0x1.3efb15db0d596p-11, -0x1.64994ca2c4cecp-12,
     -0x1.2da3888e73c82p-13, -0x1.09f97ff189333p-15, 0x1.43bb7944d7ed9p-16, 0x1.269b93b865042p-15},
};

// The same rows padded to 16 entries (the padding is never picked).
struct TanhMidRows {
    double rows[kTanhMidTerms][16];
    constexpr const double* operator[](int t) const { return rows[t]; }
};
inline constexpr TanhMidRows kTanhMidRows = [] {
    TanhMidRows padded{};
    for (int t = 0; t < kTanhMidTerms; ++t)
        for (int j = 0; j < kTanhIntervals; ++j) padded.rows[t][j] = kTanhMid[t][j];
    return padded;
}();

// e^f = 1 + f·(1 + f·(1/2 + f·(1/6 + ...))) up to f^13 for |f| <= ln(2)/2.
inline constexpr int kExpTerms = 13;
inline constexpr double kExpTaylor[kExpTerms] = {
    1.0,
    0x1p-1,
    0x1.5555555555555p-3,
    0x1.5555555555555p-5,
    0x1.1111111111111p-7,
    0x1.6c16c16c16c17p-10,
    0x1.a01a01a01a01ap-13,
    0x1.a01a01a01a01ap-16,
    0x1.71de3a556c734p-19,
    0x1.27e4fb7789f5cp-22,
    0x1.ae64567f544e4p-26,
    0x1.1eed8eff8d898p-29,
    0x1.6124613a86d09p-33,
};

// W lanes of doubles and their bit patterns.
template <int W>
struct Lanes {
    typedef double Doubles __attribute__((vector_size(8 * W)));
    typedef int64_t Bits __attribute__((vector_size(8 * W)));
    typedef uint64_t Unsigned __attribute__((vector_size(8 * W)));
};
template <int W>
using Doubles = typename Lanes<W>::Doubles;
template <int W>
using Bits = typename Lanes<W>::Bits;

// Whether any lane of any of the U masks is set.
template <int P, int U>
[[gnu::always_inline]] inline bool Any(const Bits<P> (&masks)[U]) {
    Bits<P> folded = masks[0];
    for (int u = 1; u < U; ++u) folded |= masks[u];
    int64_t any = 0;
    for (int i = 0; i < P; ++i) any |= folded[i];
    return any != 0;
}

// [any] Replaces U·P values by their tanh, as U vectors of P lanes (one
// register of the caller's build each), side by side so that the
// polynomials' chains overlap. Magnitudes below 2^-27, whose tanh rounds to
// the value itself, stay as they are.
template <int P, int U = 1>
[[gnu::always_inline]] inline void Tanh(double* values) {
    static_assert(P >= 2, "one-lane vectors are not used");
    using D = Doubles<P>;
    using B = Bits<P>;
    const D zero{};  // broadcasts a constant: zero + c
    // into = yes where the mask is set. Bitwise: the compilers' vector
    // conditionals fall back to one lane at a time on some builds.
    auto blend = [](const B& mask, const D& yes, D& into) {
        into = reinterpret_cast<D>((reinterpret_cast<B>(yes) & mask) |
                                   (reinterpret_cast<B>(into) & ~mask));
    };
    const B signBit = B{} + INT64_MIN;
    // Comparisons are made on the bit patterns: for numbers without their
    // sign they order as the values do, NaN above infinity. The mask comes
    // from the sign of the difference (no overflow for two non-negative
    // patterns): vector comparisons into lane masks fall back to single
    // lanes on some builds.
    auto bitsOf = [](double v) { return std::bit_cast<int64_t>(v); };
    auto below = [](const B& x, int64_t y, B& mask) {
        mask = -reinterpret_cast<B>(reinterpret_cast<typename Lanes<P>::Unsigned>(x - y) >> 63);
    };
    constexpr int64_t kInfinityBits = 0x7ff0000000000000;
    constexpr double kRound = 0x1.8p52;  // adding it rounds to an integer in the low bits
    D x[U], a[U], r[U];
    B sign[U], notTiny[U], small[U], mid[U], large[U];
    for (int u = 0; u < U; ++u) {
        __builtin_memcpy(&x[u], values + u * P, sizeof x[u]);
        const B bits = reinterpret_cast<B>(x[u]);
        sign[u] = bits & signBit;
        a[u] = reinterpret_cast<D>(bits & ~signBit);
        r[u] = a[u];
        const B magnitude = bits & ~signBit;
        B tiny, belowTwo;
        below(magnitude, bitsOf(0x1p-27), tiny);
        below(magnitude, bitsOf(0x1.2p-1), small[u]);
        below(magnitude, bitsOf(2.0), belowTwo);
        notTiny[u] = ~tiny;
        mid[u] = ~small[u] & belowTwo;
        large[u] = ~(small[u] | mid[u]);  // NaN too
    }
    if (!Any<P, U>(notTiny)) return;

    if (Any<P, U>(small)) {
        D z[U], p[U];
        for (int u = 0; u < U; ++u) {
            z[u] = a[u] * a[u];
            p[u] = zero + kTanhSmall[11];
        }
        for (int k = 10; k >= 0; --k) {
            for (int u = 0; u < U; ++u) p[u] = p[u] * z[u] + kTanhSmall[k];
        }
        for (int u = 0; u < U; ++u) {
            const D rs = a[u] + a[u] * (z[u] * p[u]);
            blend(small[u], rs, r[u]);
        }
    }
    if (Any<P, U>(mid)) {
        for (int u = 0; u < U; ++u) {
            // Interval j = round(8a − 5); out-of-range lanes are clamped only
            // to keep the table read in bounds.
            D v = a[u] * 8.0 - 5.0;
            B outside;
            below(reinterpret_cast<B>(v), 0, outside);  // negative, or -0
            blend(outside, zero, v);
            below(reinterpret_cast<B>(v), bitsOf(kTanhIntervals - 1.0) + 1, outside);
            blend(~outside, zero + (kTanhIntervals - 1.0), v);
            const D rounded = v + kRound;
            const B j = reinterpret_cast<B>(rounded) - reinterpret_cast<B>(zero + kRound);
            const D d = a[u] - ((rounded - kRound) * 0.125 + 0.625);
            // Each lane's coefficients from its interval's column: at eight
            // lanes a row is two registers and one two-register permute picks
            // the lanes' entries, elsewhere one load per lane. (Clang, which
            // builds only the fuzzers, has no variable two-vector shuffle.)
            auto term = [&j](int t, D& c) {
#if !defined(__clang__)
                if constexpr (P == 8) {
                    D low, high;
                    __builtin_memcpy(&low, kTanhMidRows[t], sizeof low);
                    __builtin_memcpy(&high, kTanhMidRows[t] + P, sizeof high);
                    c = __builtin_shuffle(low, high, j);
                    return;
                }
#endif
                double lanes[P];
                for (int i = 0; i < P; ++i) lanes[i] = kTanhMid[t][j[i]];
                __builtin_memcpy(&c, lanes, sizeof c);
            };
            D c, q;
            term(kTanhMidTerms - 1, q);
            for (int t = kTanhMidTerms - 2; t >= 2; --t) {
                term(t, c);
                q = q * d + c;
            }
            D high, low;
            term(0, high);
            term(1, low);
            const D rm = high + (low + d * q);
            blend(mid[u], rm, r[u]);
        }
    }
    if (Any<P, U>(large)) {
        // e^(2a) = 2^k · e^f, k = round(2a / ln 2), f = 2a − k·ln 2 in two
        // parts (k·ln2High is exact, and so is 2a minus it).
        constexpr double kInvLn2 = 0x1.71547652b82fep0;
        constexpr double kLn2High = 0x1.62e42fee00000p-1;
        constexpr double kLn2Low = 0x1.a39ef35793c76p-33;
        D kRounded[U], f[U], p[U];
        for (int u = 0; u < U; ++u) {
            D capped = a[u];
            B belowCap;
            below(reinterpret_cast<B>(a[u]), bitsOf(20.0), belowCap);
            blend(~belowCap, zero + 20.0, capped);
            const D y = capped * 2.0;
            kRounded[u] = y * kInvLn2 + kRound;
            const D k = kRounded[u] - kRound;
            f[u] = (y - k * kLn2High) - k * kLn2Low;
            p[u] = zero + kExpTaylor[kExpTerms - 1];
        }
        for (int t = kExpTerms - 2; t >= 0; --t) {
            for (int u = 0; u < U; ++u) p[u] = p[u] * f[u] + kExpTaylor[t];
        }
        for (int u = 0; u < U; ++u) {
            const D ef = p[u] * f[u] + 1.0;
            const B scale = (reinterpret_cast<B>(kRounded[u]) - reinterpret_cast<B>(zero + kRound))
                            << 52;
            const D e = reinterpret_cast<D>(reinterpret_cast<B>(ef) + scale);
            const D rl = 1.0 - 2.0 / (1.0 + e);
            blend(large[u], rl, r[u]);
        }
    }
    for (int u = 0; u < U; ++u) {
        D ru = r[u];
        B number;
        below(reinterpret_cast<B>(a[u]), kInfinityBits + 1, number);
        blend(~notTiny[u] | ~number, a[u], ru);
        const D result = reinterpret_cast<D>(reinterpret_cast<B>(ru) | sign[u]);
        __builtin_memcpy(values + u * P, &result, sizeof result);
    }
}

}  // namespace curve_tanh
