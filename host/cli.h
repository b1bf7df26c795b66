#pragma once
// The hpi-host command-line tool: `info` describes a plug-in module,
// `render` processes an audio file through it. Everything runs on the
// calling thread, which becomes the host's main thread; `render` starts one
// render thread.
#include <string>

namespace hpihost {

// Exit codes, distinct per failure, as the --help text lists them.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,                 // bad command line
    kExitModuleMissing = 2,         // no file at the module path
    kExitNotPlugin = 3,             // not a shared object, or entry points missing
    kExitRegistrationFailed = 4,    // HPIStartup/HPIRegisterPlugin failed or described nothing
    kExitInstanceFailed = 5,        // the plug-in object could not be made or initialised
    kExitInputUnreadable = 6,
    kExitUnsupportedChannels = 7,   // no component for the input's channel count
    kExitUnknownParameter = 8,
    kExitBadValue = 9,              // a text the plug-in does not convert, or out of range
    kExitOutputUnwritable = 10,
    kExitStateFailed = 11,          // state file unreadable/unwritable, or the plug-in refused it
    kExitRenderFailed = 12,
};

// Runs the tool with the usual argument vector; answers the exit code. [main]
int HpiHostMain(int argc, char** argv);

// JSON text of a string, quotes included. [any]
std::string JsonString(const std::string& text);

}  // namespace hpihost
