#pragma once
// Keeps non-finite samples out of filter state. A NaN or infinity that reaches
// a recursive filter's memory never leaves it again, so every filter passes its
// input through FiniteOrZero before storing anything.
//
// The test ends in a branch that is never taken for real audio: predicted, it
// stays off the sample's dependency chain, where a compare-and-mask blend
// would lengthen every chain of sections by a few cycles per section.
#include <cfloat>
#include <cstdint>
#include <cstring>

#include "dsp/lanes.h"

// [any] x when it is finite, else 0 (per lane for Double2).
inline double FiniteOrZero(double x) {
    constexpr uint64_t kExponent = 0x7ff0000000000000ull;
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    if (__builtin_expect((bits & kExponent) == kExponent, 0)) return 0.0;
    return x;
}

// [any]
inline Double2 FiniteOrZero(Double2 x) {
    using Int2 = int64_t __attribute__((vector_size(16)));
    const Int2 bits = reinterpret_cast<Int2>(x);
    const Double2 magnitude = reinterpret_cast<Double2>(bits & INT64_MAX);
    const Int2 keep = magnitude <= DBL_MAX;  // all ones where finite; NaN compares false
#if defined(__SSE2__)
    const bool allFinite = __builtin_ia32_movmskpd(reinterpret_cast<Double2>(keep)) == 3;
#else
    const bool allFinite = (keep[0] & keep[1]) != 0;
#endif
    if (__builtin_expect(allFinite, 1)) return x;
    return reinterpret_cast<Double2>(bits & keep);
}
