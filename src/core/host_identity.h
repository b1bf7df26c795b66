#pragma once
// Recognising the host application from the name it reports, so a plug-in can
// work around a particular host's habits. Codes are stable numbers; 0 means
// the host was not recognised.
#include <cstdint>

inline constexpr int32_t kHostUnknown = 0;
// Characters of a host name that take part in the search; the rest is cut.
inline constexpr int kMaxHostNameChars = 255;

// [any] The code of the first known text found in the lowercased name;
// kHostUnknown for no match or a null name. Allocates nothing.
int32_t HostCodeOfName(const char* name);
