#pragma once
// A plug-in that crashes takes the validator with it; the handler still
// prints a FAIL line naming the check and what it was doing, and exits with
// the validation-failed code. Sanitizer builds keep their own handlers.
#include <string>

namespace hpihost::validation {

// [main] What the next crash report names: the check and what it is doing.
void SetCrashContext(const std::string& check, const std::string& detail);

// [main] Installs the handler for fatal signals (not in sanitizer builds).
void InstallCrashHandler();
// [main] Puts back the handlers InstallCrashHandler replaced.
void RemoveCrashHandler();

}  // namespace hpihost::validation
