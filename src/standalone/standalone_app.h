#pragma once
// The standalone program of a product: its command line, its state file,
// its session manager and its main loop around one JACK client. The product
// module's main() hands over what is the product's own (its adapter, its
// presets, its editor) and returns what RunStandalone answers.
//
// Threads: [main]. The main thread runs the loop; the JACK client's threads
// are described in jack_client.h.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "standalone/standalone_adapter.h"
#include "standalone/standalone_editor.h"

// Exit codes, as --help lists them.
enum StandaloneExit : int {
    kStandaloneOk = 0,
    kStandaloneBadCommandLine = 1,
    kStandaloneUnknownParameter = 2,
    kStandaloneBadValue = 3,
    kStandaloneUnknownPreset = 4,
    kStandaloneStateUnwritable = 5,
    kStandaloneNoServer = 6,
    kStandaloneClientFailed = 7,
    kStandaloneServerGone = 8,
    kStandaloneSessionFailed = 9,
};

// A named setting of every parameter.
struct StandalonePreset {
    std::string id;              // "warm-vocal"
    std::string label;           // "Warm Vocal"
    std::vector<double> values;  // one per parameter, real values
};

struct StandaloneProduct {
    std::string programName;  // "tarnwhistle-jack": the JACK client's default name too
    std::string displayName;  // "Tarnwhistle": the window's title, NSM's application name
    std::string version;      // "7.0.0"
    std::function<std::unique_ptr<StandaloneAdapter>(const StandaloneInstanceInfo&)> makeAdapter;
    std::vector<StandalonePreset> presets;
    // Null: no editor in this build.
    std::function<std::unique_ptr<StandaloneEditor>(StandaloneAdapter&)> makeEditor;
};

// [main] Runs the program; answers its exit code. Output goes to stdout
// (what it does) and stderr (what went wrong).
int RunStandalone(int argc, char** argv, const StandaloneProduct& product);
