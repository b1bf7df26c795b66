#pragma once
// One `hpi-host edit` session, step by step: the instance with its starting
// settings, the plug-in's GUI object in the host's top-level window, the run
// loop serviced until the user or an option ends the session (logging what
// the editor sends, taking the screenshot), then the editor closed and every
// parameter's value printed.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host.h"
#include "parameter_changes.h"

namespace hpihost {

struct EditSessionOptions {
    std::vector<ParameterChange> mChanges;  // --set, in order; resolved by the session
    // --highlight: the parameter's identifier or name, and the colour
    // (HPI_EHighlightColor).
    std::vector<std::pair<std::string, int32_t>> mHighlights;
    std::string mState;        // restored before the changes; empty: none
    std::string mSaveState;    // written when the session ends; empty: none
    std::string mScreenshot;   // PNG written once the editor has settled; empty: none
    double mQuitAfter = -1.0;  // seconds; negative: no limit
    bool mLog = false;         // one line per event the host receives
};

// [main] Runs the session on the loaded module; answers its exit code. Every
// object that talks to the plug-in is gone when it returns.
int RunEditSession(Host& host, EditSessionOptions& options);

}  // namespace hpihost
