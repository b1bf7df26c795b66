#pragma once
// `hpi-host validate`: runs an HPI module through the checks a careful host
// would want a plug-in to survive, each answering pass, fail or skip with the
// figures behind it:
//
//   lifecycle      load, register, create, initialise, uninitialise and unload
//                  twice (cold and warm); HPICanUnloadNow 0 after release,
//                  nothing left registered, warm output equal to cold
//   render         every rate x block size x channel layout: no NaN, infinity
//                  or subnormal, bounded, reported latency = impulse peak
//   param-fuzz     random value changes on every parameter from the main
//                  thread while the render thread runs: output finite, bounded
//   state          chunk -> fresh instance -> chunk is byte-identical; random
//                  values come back with the same display texts
//   garbage-state  empty, truncated, random, NaN/infinity-laced and mutated
//                  chunks: parameters stay finite in 0..1, next render finite
//   realtime       no heap or lock call on the render thread in steady state,
//                  also while parameters change (needs the render probe)
//   determinism    two instances with equal settings and input render
//                  identical output
//
// Everything runs on the calling thread (the host's main thread) plus one
// render thread at a time. The random choices all come from one seed, so a
// run can be repeated exactly (apart from the thread timing of param-fuzz and
// realtime).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host.h"

namespace hpihost {

namespace validation {
struct Session;
}  // namespace validation

enum class CheckStatus { Pass, Fail, Skip };

struct CheckResult {
    std::string mName;
    CheckStatus mStatus = CheckStatus::Pass;
    std::string mSummary;  // the figures, or why it failed or was skipped
    double mSeconds = 0.0;
};

struct ValidateOptions {
    std::string mModulePath;
    uint64_t mSeed = 1;
    bool mStrict = false;  // longer fuzz, more rates and sizes, every truncation at every rate
    std::vector<std::string> mOnly;  // check names to run; empty: all
};

class Validator {
public:
    // [any] Check names in the order they run.
    static const std::vector<std::string>& CheckNames();

    // [main]
    explicit Validator(ValidateOptions options);
    // [main]
    ~Validator();
    Validator(const Validator&) = delete;
    Validator& operator=(const Validator&) = delete;

    // [main] Runs the selected checks in order. `starting` hears each check's name
    // before it runs, `finished` its result. Stops early only when the module
    // cannot be loaded at all (see LoadFailure).
    std::vector<CheckResult> Run(const std::function<void(const std::string& name)>& starting,
                                 const std::function<void(const CheckResult&)>& finished);

    // [main] The failed load that stopped Run; status Ok when none did.
    const LoadResult& LoadFailure() const { return mLoadFailure; }

private:
    bool OpenSession();

    ValidateOptions mOptions;
    LoadResult mLoadFailure;
    std::unique_ptr<validation::Session> mSession;
};

// [any] "PASS", "FAIL" or "SKIP".
const char* CheckStatusText(CheckStatus status);

}  // namespace hpihost
