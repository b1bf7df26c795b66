#pragma once
// Keeps non-finite samples out of filter state. A NaN or infinity that reaches
// a recursive filter's memory never leaves it again, so every filter passes its
// input through FiniteOrZero before storing anything. Both forms are
// branch-free (a compare and a mask), cheap enough for every sample.
#include <cfloat>
#include <cstdint>

#include "dsp/lanes.h"

// [any] x when it is finite, else 0 (per lane for Double2).
inline double FiniteOrZero(double x) {
    // NaN compares false, infinities exceed DBL_MAX.
    return __builtin_fabs(x) <= DBL_MAX ? x : 0.0;
}

inline Double2 FiniteOrZero(Double2 x) {
    using Int2 = int64_t __attribute__((vector_size(16)));
    const Int2 bits = reinterpret_cast<Int2>(x);
    const Double2 magnitude = reinterpret_cast<Double2>(bits & INT64_MAX);
    const Int2 keep = magnitude <= DBL_MAX;  // all ones where finite
    return reinterpret_cast<Double2>(bits & keep);
}
