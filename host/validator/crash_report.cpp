#include "crash_report.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iterator>

#include "cli.h"
#include "sanitized.h"

namespace hpihost::validation {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction gPrevious[std::size(kSignals)]{};

char gCrashContext[512] = "";
bool gInstalled = false;

extern "C" void OnCrash(int signal) {
    char text[640];
    const int length =
        std::snprintf(text, sizeof text, "\n%s (signal %d)\n", gCrashContext, signal);
    if (length > 0) {
        const ssize_t ignored = write(
            STDOUT_FILENO, text, static_cast<std::size_t>(std::min<int>(length, sizeof text - 1)));
        (void)ignored;
    }
    _exit(kExitValidationFailed);
}

}  // namespace

void SetCrashContext(const std::string& check, const std::string& detail) {
    std::snprintf(gCrashContext, sizeof gCrashContext, "FAIL  %-14s crashed during %s",
                  check.c_str(), detail.c_str());
}

void InstallCrashHandler() {
    if (kSanitizedBuild || gInstalled) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnCrash;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &gPrevious[i]);
    }
    gInstalled = true;
}

void RemoveCrashHandler() {
    if (gInstalled) {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &gPrevious[i], nullptr);
        }
        gInstalled = false;
    }
}

}  // namespace hpihost::validation
