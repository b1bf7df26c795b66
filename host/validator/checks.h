#pragma once
// The validator's checks, in the order they run. Each is one function over
// the harness (harness.h) in a file of its own, answering pass, fail or skip
// with the figures behind it. Every check runs on the main thread and starts
// one render thread at a time.
#include <string>
#include <vector>

#include "harness.h"

namespace hpihost::validation {

using CheckFunction = CheckResult (*)(CheckContext& context);

struct CheckEntry {
    const char* mName;
    CheckFunction mRun;
    bool mNeedsSession;  // false: the check loads the module itself
};

// [any] Every check in the order it runs.
const std::vector<CheckEntry>& Checks();

// [main] Load, register, create, initialise, render, uninitialise and unload
// twice (cold and warm).
CheckResult CheckLifecycle(CheckContext& context);
// [main] Every rate x block size x channel layout, and random and corner
// settings: no NaN, infinity or subnormal, bounded, the latency fits.
CheckResult CheckRender(CheckContext& context);
// [main] Random value changes on every parameter while the render thread
// runs.
CheckResult CheckParameterFuzz(CheckContext& context);
// [main] Chunk -> fresh instance -> chunk is byte-identical; random settings
// come back with the same display texts.
CheckResult CheckState(CheckContext& context);
// [main] Empty, truncated, random, NaN-laced and mutated chunks.
CheckResult CheckGarbageState(CheckContext& context);
// [main] No heap or lock call on the render thread.
CheckResult CheckRealtime(CheckContext& context);
// [main] Two instances with equal settings and input render the same.
CheckResult CheckDeterminism(CheckContext& context);

}  // namespace hpihost::validation
