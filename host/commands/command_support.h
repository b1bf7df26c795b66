#pragma once
// What the hpi-host commands share that needs no command-line parser: the
// error and warning lines, opening and closing the host, and texts. Kept apart
// from command.h because the parser's header costs every file that includes
// it many seconds of compile time.
#include <cstdint>
#include <optional>
#include <string>

#include "cli.h"
#include "host.h"

namespace hpihost {

// [main] Prints "hpi-host: error: MESSAGE" and answers `code`.
int Fail(int code, const std::string& message);
// [main] Prints "hpi-host: warning: MESSAGE".
void Warn(const std::string& message);

// [main] Loads the module; on failure prints why and answers its exit code
// (kExitOk when loaded).
int LoadModule(Host& host, const std::string& path);
// [main] The exit code of a failed load.
int LoadExitCode(LoadStatus status);
// [main] Closes the session and warns about what a well-behaved plug-in
// leaves clean: live objects, registered run-loop entries, calls on wrong
// threads, failed checks.
void CloseHost(Host& host);

// [any] Texts.
std::string Hex32(uint32_t value);
std::string FourChar(uint32_t code);
std::string ChannelWord(int channels);
// [any] A whole-text number ("48000", "0.5"); nullopt otherwise.
std::optional<double> ParseNumber(const std::string& text);

}  // namespace hpihost
