#pragma once
// Forced into every fuzz build unit: clang 14 lacks the builtin that
// libstdc++'s std::source_location needs, so the standard header declares
// nothing there and the HPI SDK's checks would not compile. This fills in the
// same interface from the older builtins; with a compiler that has the real
// one it adds nothing.
#include <source_location>

#if !defined(__cpp_lib_source_location)
#include <cstdint>

namespace std {

struct source_location {
    static constexpr source_location current(const char* file = __builtin_FILE(),
                                             const char* function = __builtin_FUNCTION(),
                                             uint_least32_t line = __builtin_LINE(),
                                             uint_least32_t column = __builtin_COLUMN()) noexcept {
        source_location location;
        location.mFile = file;
        location.mFunction = function;
        location.mLine = line;
        location.mColumn = column;
        return location;
    }
    constexpr source_location() noexcept = default;
    constexpr const char* file_name() const noexcept { return mFile; }
    constexpr const char* function_name() const noexcept { return mFunction; }
    constexpr uint_least32_t line() const noexcept { return mLine; }
    constexpr uint_least32_t column() const noexcept { return mColumn; }

private:
    const char* mFile = "";
    const char* mFunction = "";
    uint_least32_t mLine = 0;
    uint_least32_t mColumn = 0;
};

}  // namespace std
#endif
