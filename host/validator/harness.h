#pragma once
// What every validator check stands on: the module as loaded once for the
// checks (Session), the signals and block plans they render, rendering an
// instance on a render thread of its own while the main thread services the
// run loop, the faults looked for in output, and the texts of the results.
//
// Each check lives in a file of its own (check_*.cpp) and is one function
// over a CheckContext (checks.h).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "block_renderer.h"
#include "host.h"
#include "random_source.h"
#include "validator.h"

namespace hpihost::validation {

using Clock = std::chrono::steady_clock;
using Signal = std::vector<std::vector<float>>;

// Sample rates and block sizes of the render check; 0 stands for a random
// size per block.
inline const std::vector<double> kRates = {22050, 44100, 48000, 88200, 96000, 192000};
inline const std::vector<double> kStrictExtraRates = {8000, 11025, 16000, 32000, 176400, 384000};
inline const std::vector<int32_t> kBlocks = {1, 17, 64, 512, 4096, 0};
inline const std::vector<int32_t> kStrictBlocks = {1,    2,    3,    7,    16,  17,  31,  32,
                                                   64,   100,  128,  256,  441, 512, 999, 1000,
                                                   1024, 2048, 4096, 8192, 0,   0};
inline constexpr int32_t kMaxBlock = 8192;
inline constexpr double kSessionRate = 48000.0;

// Output must stay below this for input within +-1: 60 dB of gain is more
// than any channel strip gives, and far less than a runaway filter makes.
inline constexpr float kOutputBound = 1000.0f;

// [any] Every rate of the form: the strict one adds the extremes.
std::vector<double> Rates(bool strict);

// The module as loaded once for every check after the lifecycle check, with
// what the checks keep asking for. Every operation is [main].
struct Session {
    Host mHost;
    std::vector<const ComponentDescription*> mComponents;
    const ComponentDescription* mMain = nullptr;  // stereo when offered, else the first
    std::vector<ParameterInfo> mParameters;

    // [main] Loads the module; false leaves the failure in `failure`.
    bool Open(const std::string& modulePath, LoadResult* failure);

    // [main] A fresh instance; null with the reason in `problem`.
    std::unique_ptr<PluginInstance> Make(const ComponentDescription& component, double rate,
                                         std::string* problem, int32_t maxBlock = kMaxBlock);
    // [main] The parameter's name in quotes (its identifier when unknown).
    std::string ParameterName(const std::string& id) const;
    // [main] Sets every parameter to a random value through the host's
    // automation (only to 0 or 1 with `corners`: switches and extremes
    // together); answers the values set, for the same settings elsewhere.
    std::vector<double> Randomize(PluginInstance& instance, Random& random,
                                  bool corners = false) const;
    // [main] The values Randomize answered, on another instance.
    void Apply(PluginInstance& instance, const std::vector<double>& values) const;
    // [main] A parameter whose normalised value is not finite or outside
    // 0..1, and values posted to the host that were; empty when all is well.
    std::string CheckParameters(PluginInstance& instance) const;
    // [main] An instance of the main layout at the session rate that offers
    // a state chunk; null with the check `name`'s result (failed, or skipped
    // when there is no chunk) in `refusal` otherwise.
    std::unique_ptr<PluginInstance> MakeWithChunk(const std::string& name, CheckResult* refusal);
};

// What a check is handed.
struct CheckContext {
    const std::string& mName;
    const ValidateOptions& mOptions;
    Session* mSession;         // null for the lifecycle check, which loads the module itself
    LoadResult& mLoadFailure;  // a load that failed so that nothing else can run
    Random mRandom;            // the check's own stream
};

// [any] Noise within +-amplitude.
Signal Noise(Random& random, int channels, int64_t frames, float amplitude);
// [any] Block sizes for a plan: the size itself, or `count` random sizes up
// to `largest` when `block` is 0.
std::vector<int32_t> BlockPlan(Random& random, int32_t block, int32_t largest,
                               std::size_t count = 512);
// [any] "random" for 0, else the size.
std::string BlockPlanName(int32_t block);

// Renders a signal through an instance on the calling thread.
class SignalRenderer {
public:
    // [main]
    explicit SignalRenderer(PluginInstance& instance);
    // [audio] One block of `frames` frames of `input` from inputAt (silence
    // past its end) at render position `position`; the output lands in
    // Output(). The render probe counts the call when `probed`.
    void Block(const Signal& input, int64_t inputAt, int32_t frames, int64_t position,
               bool probed = false);
    // [audio] The whole of `input` (frames long) into `output`, block sizes
    // taken from `plan` in turn.
    void All(const Signal& input, int64_t frames, const std::vector<int32_t>& plan, Signal& output);
    // [audio] The last block's output.
    const Signal& Output() const;

private:
    BlockRenderer mBlocks;
};

// [main] Runs `render` on a new render thread. The main thread meanwhile
// runs `main` when given (then sets `stop`, which `render` should watch) and
// services the run loop until the render thread is done, as a host does.
void WithRenderThread(HostRunLoop& loop,
                      const std::function<void(const std::atomic<bool>& stop)>& render,
                      const std::function<void()>& main = {});

// [any] The first sample that is not finite, is subnormal (when asked) or
// reaches the bound; empty when there is none.
std::string FindFault(const Signal& output, int64_t frames, bool subnormals);
// [any] Bit for bit, so that equal NaNs count as equal.
bool SameBits(const Signal& a, const Signal& b);

// [any] Texts of the results.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Millions(int64_t count);
std::string RateText(double rate);
std::string LayoutName(const ComponentDescription& component);
std::string Join(const std::vector<std::string>& parts, const char* separator);
double Seconds(Clock::time_point since);

// [any] A result of the named check.
CheckResult Passed(const std::string& name, const std::string& summary);
CheckResult Failed(const std::string& name, const std::string& summary);
CheckResult Skipped(const std::string& name, const std::string& summary);

}  // namespace hpihost::validation
