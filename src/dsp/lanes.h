#pragma once
// Sample types for the strip's filters. Every filter with per-channel state is
// a template over its sample type: `double` runs one channel, `Double2` runs
// the left and right channels side by side in the two lanes of one SSE2
// register. Each lane does exactly the arithmetic the scalar filter does, in
// the same order, so the two forms give bit-identical results per channel.
#include <cstdint>
#include <cstring>

using Double2 = double __attribute__((vector_size(16)));
// Four lanes, only inside functions built for AVX (the run-time CPU check
// picks them); AVX has no fused multiply-add, so each lane rounds as Double2's.
using Double4 = double __attribute__((vector_size(32)));
using Float2 = float __attribute__((vector_size(8)));

// Rounds to the nearest single-precision value and widens again.
inline double RoundToSingle(double x) { return static_cast<double>(static_cast<float>(x)); }
inline Double2 RoundToSingle(Double2 x) {
    return __builtin_convertvector(__builtin_convertvector(x, Float2), Double2);
}

// Broadcast a scalar into every lane (identity for double).
template <typename T>
inline T Splat(double x) {
    if constexpr (sizeof(T) == sizeof(double)) {
        return x;
    } else {
        return T{x, x};
    }
}

// True when the value (every lane) is a finite number.
inline bool IsFinite(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits & 0x7ff0000000000000ull) != 0x7ff0000000000000ull;
}
inline bool IsFinite(Double2 x) { return IsFinite(x[0]) && IsFinite(x[1]); }
