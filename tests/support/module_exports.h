#pragma once
// The dynamic symbols a built module defines, as `nm -D --defined-only`
// lists them: what a host can find in it.
#include <cstdio>
#include <optional>
#include <set>
#include <string>

namespace testsupport {

// The names, or nullopt when nm cannot list the module.
inline std::optional<std::set<std::string>> DefinedDynamicSymbols(const std::string& module) {
    const std::string command = "nm -D --defined-only '" + module + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::set<std::string> defined;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char address[64];
        char type[8];
        char name[512];
        if (std::sscanf(line, "%63s %7s %511s", address, type, name) == 3) defined.insert(name);
    }
    if (pclose(pipe) != 0) return std::nullopt;
    return defined;
}

}  // namespace testsupport
