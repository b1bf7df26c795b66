#pragma once
// Whether this build runs under a sanitizer, whose runtime owns malloc, the
// lock functions and the fatal-signal handlers: the host then replaces none
// of them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TW_HOST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define TW_HOST_SANITIZED 1
#endif
#endif
#ifndef TW_HOST_SANITIZED
#define TW_HOST_SANITIZED 0
#endif

namespace hpihost {

inline constexpr bool kSanitizedBuild = TW_HOST_SANITIZED != 0;

}  // namespace hpihost
