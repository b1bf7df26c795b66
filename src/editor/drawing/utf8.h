#pragma once
// A forgiving UTF-8 reader for drawn text: a malformed sequence (a stray
// continuation byte, a truncated, overlong or surrogate sequence, a value beyond
// U+10FFFF) reads as U+FFFD and consumes one byte, so any bytes decode without
// reading past `end`.
#include <cstdint>

namespace drawing {

inline constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

// [any] Decodes the code point at `text` (text < end) and returns the byte after it.
const char* NextCodePoint(const char* text, const char* end, std::uint32_t& codePoint);

}  // namespace drawing
