#pragma once
// UTF-8 <-> UTF-16 for the format's strings.
//
// Threads: [any]; Utf16ToUtf8 allocates ([main] only).
#include <string>

#include "vst3/vst3_abi.h"

// Longest UTF-16 text read from a host, in code units; the rest is ignored,
// so a missing terminator cannot run off.
inline constexpr int kVST3MaxTextUnits = 4096;

// [any] Writes utf8 (null counts as "") into a String128, cut at a whole
// character so that it and its terminator fit. Malformed bytes become U+FFFD.
void CopyToString128(const char* utf8, vst3::Char16* out);

// [main] The text up to its terminator (at most kVST3MaxTextUnits units) as
// UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const vst3::Char16* text);
