#pragma once
// The hpi-host command-line tool: `info` describes a plug-in module,
// `render` processes an audio file through it, `validate` runs it through
// the validator's checks (validator.h). Each command lives in commands/.
// Everything runs on the calling thread, which becomes the host's main
// thread; `render` and `validate` start one render thread at a time.

namespace hpihost {

// Exit codes, distinct per failure, as the --help text lists them.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,               // bad command line
    kExitModuleMissing = 2,       // no file at the module path
    kExitNotPlugin = 3,           // not a shared object, or entry points missing
    kExitRegistrationFailed = 4,  // HPIStartup/HPIRegisterPlugin failed or described nothing
    kExitInstanceFailed = 5,      // the plug-in object could not be made or initialised
    kExitInputUnreadable = 6,
    kExitUnsupportedChannels = 7,  // no component for the input's channel count
    kExitUnknownParameter = 8,
    kExitBadValue = 9,  // a text the plug-in does not convert, or out of range
    kExitOutputUnwritable = 10,
    kExitStateFailed = 11,  // state file unreadable/unwritable, or the plug-in refused it
    kExitRenderFailed = 12,
    kExitValidationFailed = 13,  // validate: at least one check failed (or the plug-in crashed)
    kExitNoDisplay = 14,         // edit: no X display could be opened
    kExitNoEditor = 15,          // edit: the plug-in offers no editor, or it did not open
    kExitEditorNotSettled = 16,  // edit: the editor's pixels did not settle for --screenshot
};

// [main] Runs the tool with the usual argument vector; answers the exit code.
int HpiHostMain(int argc, char** argv);

}  // namespace hpihost
