#include "validator.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "cli.h"
#include "render_probe.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TW_VALIDATOR_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TW_VALIDATOR_SANITIZED 1
#endif
#endif
#ifndef TW_VALIDATOR_SANITIZED
#define TW_VALIDATOR_SANITIZED 0
#endif

namespace hpihost {
namespace {

using Clock = std::chrono::steady_clock;
using Signal = std::vector<std::vector<float>>;

// Sample rates and block sizes of the render check; 0 stands for a random
// size per block.
const std::vector<double> kRates = {22050, 44100, 48000, 88200, 96000, 192000};
const std::vector<double> kStrictExtraRates = {8000, 11025, 16000, 32000, 176400, 384000};
const std::vector<int32_t> kBlocks = {1, 17, 64, 512, 4096, 0};
const std::vector<int32_t> kStrictBlocks = {1,   2,   3,   7,   16,   17,   31,   32,   64,   100,  128, 256,
                                            441, 512, 999, 1000, 1024, 2048, 4096, 8192, 0,    0};
constexpr int32_t kMaxBlock = 8192;
constexpr double kSessionRate = 48000.0;

// Output must stay below this for input within +-1: 60 dB of gain is more
// than any channel strip gives, and far less than a runaway filter makes.
constexpr float kOutputBound = 1000.0f;

// The impulse sits after some silence; its response is searched this far.
constexpr int64_t kImpulseAt = 128;
constexpr float kImpulseAmplitude = 0.5f;
constexpr int64_t kLatencySearch = 8192;

constexpr uint64_t kMegabyte = 1 << 20;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::string Millions(int64_t count) { return Format("%.2f M", static_cast<double>(count) / 1e6); }

std::string RateText(double rate) { return Format("%g Hz", rate); }

std::string LayoutName(const ComponentDescription& component) {
    const int in = component.InputChannels();
    const int out = component.OutputChannels();
    auto word = [](int channels) {
        return channels == 1 ? std::string("mono") : channels == 2 ? std::string("stereo") : std::to_string(channels) + " ch";
    };
    return in == out ? word(out) : word(in) + "->" + word(out);
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

std::string BlockPlanName(int32_t block) { return block == 0 ? "random" : std::to_string(block); }

// --- crash reports ------------------------------------------------------------------
// A plug-in that crashes takes the validator with it; the handler still names
// the check and what it was doing. Sanitizer builds keep their own handlers.

char gCrashContext[512] = "";

void SetCrashContext(const std::string& check, const std::string& detail) {
    std::snprintf(gCrashContext, sizeof gCrashContext, "FAIL  %-14s crashed during %s", check.c_str(),
                  detail.c_str());
}

extern "C" void OnCrash(int signal) {
    char text[640];
    const int length = std::snprintf(text, sizeof text, "\n%s (signal %d)\n", gCrashContext, signal);
    if (length > 0) {
        const ssize_t ignored = write(STDOUT_FILENO, text, static_cast<std::size_t>(std::min<int>(length, sizeof text - 1)));
        (void)ignored;
    }
    _exit(kExitValidationFailed);
}

class CrashHandler {
public:
    CrashHandler() {
        if (TW_VALIDATOR_SANITIZED) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = OnCrash;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &action, &mPrevious[i]);
        }
        mInstalled = true;
    }
    ~CrashHandler() {
        if (mInstalled) {
            for (std::size_t i = 0; i < std::size(kSignals); ++i) {
                sigaction(kSignals[i], &mPrevious[i], nullptr);
            }
        }
    }
    CrashHandler(const CrashHandler&) = delete;
    CrashHandler& operator=(const CrashHandler&) = delete;

private:
    static constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
    struct sigaction mPrevious[std::size(kSignals)] {};
    bool mInstalled = false;
};

// --- randomness ----------------------------------------------------------------------

class Random {
public:
    explicit Random(uint64_t seed) : mEngine(seed) {}
    double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(mEngine); }
    int64_t Integer(int64_t low, int64_t high) { return std::uniform_int_distribution<int64_t>(low, high)(mEngine); }
    bool Chance(double probability) { return Uniform(0.0, 1.0) < probability; }
    unsigned char Byte() { return static_cast<unsigned char>(Integer(0, 255)); }
    // A normalised value that often sits on an end of the range.
    double Normalized() {
        const double pick = Uniform(0.0, 1.0);
        return pick < 0.15 ? 0.0 : pick < 0.3 ? 1.0 : Uniform(0.0, 1.0);
    }
    std::vector<unsigned char> Bytes(std::size_t count) {
        std::vector<unsigned char> bytes(count);
        for (std::size_t i = 0; i < count; i += 8) {
            const uint64_t word = mEngine();
            std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(8, count - i));
        }
        return bytes;
    }
    std::mt19937_64& Engine() { return mEngine; }

private:
    std::mt19937_64 mEngine;
};

// Each check draws from its own stream, so running a subset repeats the
// choices of the full run.
uint64_t CheckSeed(uint64_t seed, const std::string& name) {
    uint64_t hash = 1469598103934665603ull;
    for (char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return seed ^ hash;
}

Signal Noise(Random& random, int channels, int64_t frames, float amplitude) {
    Signal signal(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames)));
    for (auto& channel : signal) {
        for (float& sample : channel) {
            sample = static_cast<float>(random.Uniform(-amplitude, amplitude));
        }
    }
    return signal;
}

// Block sizes for a plan: the size itself, or random sizes up to `largest`.
std::vector<int32_t> BlockPlan(Random& random, int32_t block, int32_t largest, std::size_t count = 512) {
    if (block > 0) {
        return {block};
    }
    std::vector<int32_t> plan(count);
    for (int32_t& size : plan) {
        size = static_cast<int32_t>(random.Integer(1, largest));
    }
    return plan;
}

// --- rendering -------------------------------------------------------------------------

// Renders one instance block by block on the thread that calls it, through
// buffers of its own (the plug-in never sees the caller's signal, so it
// cannot change it).
class BlockRunner {
public:
    explicit BlockRunner(PluginInstance& instance)
        : mInstance(instance),
          mIn(static_cast<std::size_t>(std::max(instance.InputChannels(), 0)),
              std::vector<float>(static_cast<std::size_t>(instance.MaxBlockFrames()))),
          mOut(static_cast<std::size_t>(instance.OutputChannels()),
               std::vector<float>(static_cast<std::size_t>(instance.MaxBlockFrames()))) {
        for (auto& channel : mIn) {
            mInPointers.push_back(channel.data());
        }
        for (auto& channel : mOut) {
            mOutPointers.push_back(channel.data());
        }
    }

    // [audio] One block of `frames` frames of `input` from inputAt (silence
    // past its end); the output lands in Output(). The probe is armed around
    // the render call when `armed`.
    void Block(const Signal& input, int64_t inputAt, int32_t frames, int64_t timeline, bool armed = false) {
        for (std::size_t c = 0; c < mIn.size(); ++c) {
            const std::vector<float>* source = c < input.size() ? &input[c] : nullptr;
            for (int32_t i = 0; i < frames; ++i) {
                const auto at = static_cast<std::size_t>(inputAt + i);
                mIn[c][static_cast<std::size_t>(i)] = source != nullptr && at < source->size() ? (*source)[at] : 0.0f;
            }
        }
        for (auto& channel : mOut) {
            std::fill(channel.begin(), channel.begin() + frames, 0.0f);
        }
        mInstance.BeginBlock(mInPointers.data(), mOutPointers.data(), frames, timeline);
        HPI_SRenderContext* context = mInstance.Context();
        const HPI_RenderProc render = mInstance.RenderProc();
        if (armed) {
            RenderProbe::Arm();
        }
        render(&context, &context + 1);
        if (armed) {
            RenderProbe::Disarm();
        }
    }

    // [audio] The whole of `input` (frames long) into `output`, block sizes
    // taken from `plan` in turn.
    void All(const Signal& input, int64_t frames, const std::vector<int32_t>& plan, Signal& output) {
        output.assign(mOut.size(), std::vector<float>(static_cast<std::size_t>(frames)));
        int64_t position = 0;
        for (std::size_t i = 0; position < frames; ++i) {
            const auto size = static_cast<int32_t>(std::min<int64_t>(plan[i % plan.size()], frames - position));
            Block(input, position, size, position);
            for (std::size_t c = 0; c < mOut.size(); ++c) {
                std::copy(mOut[c].begin(), mOut[c].begin() + size, output[c].begin() + position);
            }
            position += size;
        }
    }

    const Signal& Output() const { return mOut; }

private:
    PluginInstance& mInstance;
    Signal mIn;
    Signal mOut;
    std::vector<float*> mInPointers;
    std::vector<float*> mOutPointers;
};

// Runs `render` on a new render thread. The main thread meanwhile runs
// `main` when given (then sets `stop`, which `render` should watch) and
// services the run loop until the render thread is done, as a host does.
void WithRenderThread(HostRunLoop& loop, const std::function<void(const std::atomic<bool>& stop)>& render,
                      const std::function<void()>& main = {}) {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::thread thread([&] {
        render(stop);
        done.store(true);
        loop.Wake();
    });
    if (main) {
        main();
    }
    stop.store(true);
    while (!done.load()) {
        loop.RunOnce(5);
    }
    thread.join();
    loop.RunPosted();
}

// The first sample that is not finite, is subnormal (when asked) or reaches
// the bound; empty text when there is none.
std::string FindFault(const Signal& output, int64_t frames, bool subnormals, int64_t* where = nullptr) {
    for (std::size_t c = 0; c < output.size(); ++c) {
        const std::size_t count = std::min<std::size_t>(output[c].size(), static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < count; ++i) {
            const float x = output[c][i];
            const char* what = nullptr;
            if (std::isnan(x)) {
                what = "NaN";
            } else if (std::isinf(x)) {
                what = x > 0 ? "+inf" : "-inf";
            } else if (subnormals && std::fpclassify(x) == FP_SUBNORMAL) {
                what = "subnormal";
            } else if (std::fabs(x) >= kOutputBound) {
                what = "out of bounds";
            }
            if (what != nullptr) {
                if (where != nullptr) {
                    *where = static_cast<int64_t>(i);
                }
                return Format("%s (%g) at frame %zu of channel %zu", what, static_cast<double>(x), i, c);
            }
        }
    }
    return "";
}

// Where an impulse response starts and where it peaks, in frames after the
// impulse. A linear-phase path peaks at its latency and starts earlier
// (pre-ringing); a minimum-phase path behind a delay starts at the delay and
// may peak a little later, as its energy smears. Either way the true latency
// lies between the two.
struct ImpulseResponse {
    bool mHeard = false;  // false: no response above the floor
    int64_t mOnset = 0;   // first frame above a thousandth of the peak
    int64_t mPeak = 0;    // frame of the largest magnitude
};

ImpulseResponse MeasureImpulse(const std::vector<float>& channel, int64_t impulseAt, int64_t count) {
    ImpulseResponse response;
    const int64_t end = std::min<int64_t>(impulseAt + count, static_cast<int64_t>(channel.size()));
    float largest = 0.0f;
    for (int64_t i = impulseAt; i < end; ++i) {
        const float magnitude = std::fabs(channel[static_cast<std::size_t>(i)]);
        if (magnitude > largest) {
            largest = magnitude;
            response.mPeak = i - impulseAt;
        }
    }
    // Far above the offsets some plug-ins add against subnormals (~1e-15).
    if (!(largest > 1e-6f)) {
        return response;
    }
    response.mHeard = true;
    for (int64_t i = impulseAt; i < end; ++i) {
        if (std::fabs(channel[static_cast<std::size_t>(i)]) > 1e-3f * largest) {
            response.mOnset = i - impulseAt;
            break;
        }
    }
    return response;
}

// Collects the failures of a check: the first few are kept with their
// context, the rest only counted.
class Failures {
public:
    void Add(const std::string& text) {
        if (mTexts.size() < 3) {
            mTexts.push_back(text);
        }
        ++mCount;
    }
    bool Any() const { return mCount > 0; }
    std::size_t Count() const { return mCount; }
    std::string Text() const {
        std::string text = Join(mTexts, "; ");
        if (mCount > mTexts.size()) {
            text += Format(" (and %zu more)", mCount - mTexts.size());
        }
        return text;
    }

private:
    std::vector<std::string> mTexts;
    std::size_t mCount = 0;
};

// Counts by kind, listed in the order the kinds first came.
class Tally {
public:
    void Add(const std::string& kind) {
        for (auto& [known, count] : mCounts) {
            if (known == kind) {
                ++count;
                return;
            }
        }
        mCounts.emplace_back(kind, 1);
    }
    std::string Text() const {
        std::vector<std::string> parts;
        for (const auto& [kind, count] : mCounts) {
            parts.push_back(Format("%s (%lld)", kind.c_str(), static_cast<long long>(count)));
        }
        return Join(parts, ", ");
    }

private:
    std::vector<std::pair<std::string, int64_t>> mCounts;
};

CheckResult Passed(const std::string& name, const std::string& summary) {
    return CheckResult{name, CheckStatus::Pass, summary, 0.0};
}
CheckResult Failed(const std::string& name, const std::string& summary) {
    return CheckResult{name, CheckStatus::Fail, summary, 0.0};
}
CheckResult Skipped(const std::string& name, const std::string& summary) {
    return CheckResult{name, CheckStatus::Skip, summary, 0.0};
}

// Bit for bit, so that equal NaNs count as equal.
bool SameBits(const Signal& a, const Signal& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].size() != b[c].size() || std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(float)) != 0) {
            return false;
        }
    }
    return true;
}

// True when the library at `path` is still mapped into the process.
bool IsResident(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

}  // namespace

// The module as loaded once for every check after the lifecycle check, with
// what the checks keep asking for.
struct Validator::Session {
    Host mHost;
    std::vector<const ComponentDescription*> mComponents;
    const ComponentDescription* mMain = nullptr;  // stereo when offered, else the first
    std::vector<ParameterInfo> mParameters;

    std::unique_ptr<PluginInstance> Make(const ComponentDescription& component, double rate, std::string* problem,
                                         int32_t maxBlock = kMaxBlock) {
        std::string message;
        HPI_Result code = HPI_SUCCESS;
        auto instance = mHost.CreateInstance(component, static_cast<float>(rate), maxBlock, &message, &code);
        if (!instance && problem != nullptr) {
            *problem = Format("cannot create a %s instance at %s: %s", LayoutName(component).c_str(),
                              RateText(rate).c_str(), message.c_str());
        }
        return instance;
    }

    std::string ParameterName(const std::string& id) const {
        for (const ParameterInfo& p : mParameters) {
            if (p.mID == id) {
                return "\"" + p.mName + "\"";
            }
        }
        return "\"" + id + "\"";
    }

    // Sets every parameter to a random value through the host's automation
    // (only to 0 or 1 with `corners`: switches and extremes together);
    // answers the values set, for the same settings elsewhere.
    std::vector<double> Randomize(PluginInstance& instance, Random& random, bool corners = false) const {
        std::vector<double> values;
        for (const ParameterInfo& p : mParameters) {
            values.push_back(corners ? (random.Chance(0.5) ? 1.0 : 0.0) : random.Normalized());
            instance.Update(p.mID, values.back());
        }
        return values;
    }
    void Apply(PluginInstance& instance, const std::vector<double>& values) const {
        for (std::size_t i = 0; i < values.size() && i < mParameters.size(); ++i) {
            instance.Update(mParameters[i].mID, values[i]);
        }
    }

    // A parameter whose normalised value is not finite or outside 0..1, and
    // values posted to the host that were; empty text when all is well.
    std::string CheckParameters(PluginInstance& instance) const {
        for (const ParameterInfo& p : mParameters) {
            double value = 0.0;
            const HPI_Result result = instance.Parameters()->GetParameterNormalizedValue(p.mID.c_str(), &value);
            if (result != HPI_SUCCESS) {
                return Format("%s answered %d reading its value", ParameterName(p.mID).c_str(), result);
            }
            if (!std::isfinite(value) || value < 0.0 || value > 1.0) {
                return Format("%s holds the normalised value %g", ParameterName(p.mID).c_str(), value);
            }
        }
        const HostInstanceObject& object = instance.Object();
        if (object.InvalidValuesPosted() > 0 && object.FirstInvalidValue()) {
            const AutomationRecord& record = *object.FirstInvalidValue();
            return Format("the plug-in posted %zu invalid value(s) to the host, first %g for %s",
                          object.InvalidValuesPosted(), record.mValue, ParameterName(record.mID).c_str());
        }
        return "";
    }
};

const std::vector<std::string>& Validator::CheckNames() {
    static const std::vector<std::string> names = {"lifecycle",     "render",   "param-fuzz", "state",
                                                   "garbage-state", "realtime", "determinism"};
    return names;
}

const char* CheckStatusText(CheckStatus status) {
    switch (status) {
        case CheckStatus::Pass: return "PASS";
        case CheckStatus::Fail: return "FAIL";
        case CheckStatus::Skip: return "SKIP";
    }
    return "?";
}

Validator::Validator(ValidateOptions options) : mOptions(std::move(options)) {}

Validator::~Validator() = default;

bool Validator::OpenSession() {
    if (mSession) {
        return true;
    }
    auto session = std::make_unique<Session>();
    const LoadResult loaded = session->mHost.Load(mOptions.mModulePath);
    if (loaded.mStatus != LoadStatus::Ok) {
        mLoadFailure = loaded;
        return false;
    }
    for (const ComponentDescription& component : session->mHost.Effect().mComponents) {
        session->mComponents.push_back(&component);
    }
    const ComponentDescription* stereo = session->mHost.Effect().ComponentForChannels(2);
    session->mMain = stereo != nullptr ? stereo : session->mComponents.front();
    std::string problem;
    if (auto instance = session->Make(*session->mMain, kSessionRate, &problem)) {
        session->mParameters = instance->ListParameters();
    }
    mSession = std::move(session);
    return true;
}

std::vector<CheckResult> Validator::Run(const std::function<void(const std::string& name)>& starting,
                                        const std::function<void(const CheckResult&)>& finished) {
    using Method = CheckResult (Validator::*)();
    const std::vector<std::pair<std::string, Method>> checks = {
        {"lifecycle", &Validator::CheckLifecycle},       {"render", &Validator::CheckRender},
        {"param-fuzz", &Validator::CheckParameterFuzz},  {"state", &Validator::CheckState},
        {"garbage-state", &Validator::CheckGarbageState}, {"realtime", &Validator::CheckRealtime},
        {"determinism", &Validator::CheckDeterminism},
    };
    CrashHandler crashHandler;
    std::vector<CheckResult> results;
    for (const auto& [name, method] : checks) {
        if (!mOptions.mOnly.empty() &&
            std::find(mOptions.mOnly.begin(), mOptions.mOnly.end(), name) == mOptions.mOnly.end()) {
            continue;
        }
        // The lifecycle check loads the module itself, before anything else
        // has: that is its cold load.
        if (name != "lifecycle" && !OpenSession()) {
            break;
        }
        if (starting) {
            starting(name);
        }
        SetCrashContext(name, "the check");
        const auto start = Clock::now();
        const std::size_t assertionsBefore = mSession ? mSession->mHost.Library().AssertionCount() : 0;
        CheckResult result = (this->*method)();
        result.mName = name;
        result.mSeconds = Seconds(start);
        if (mSession && name != "lifecycle" && result.mStatus != CheckStatus::Fail) {
            const std::size_t assertions = mSession->mHost.Library().AssertionCount() - assertionsBefore;
            if (assertions > 0) {
                const std::vector<AssertionRecord> records = mSession->mHost.Library().Assertions();
                result.mStatus = CheckStatus::Fail;
                result.mSummary = Format("the plug-in reported %zu failed assertion(s)", assertions);
                if (!records.empty()) {
                    const AssertionRecord& last = records.back();
                    result.mSummary += Format(", last \"%s\" at %s:%d", last.mExpression.c_str(), last.mFile.c_str(),
                                              last.mLine);
                }
            }
        }
        if (finished) {
            finished(result);
        }
        results.push_back(result);
        if (mLoadFailure.mStatus != LoadStatus::Ok) {
            break;
        }
    }
    if (mSession) {
        mSession->mHost.Close();
        mSession.reset();
    }
    return results;
}

// --- lifecycle ----------------------------------------------------------------------------

CheckResult Validator::CheckLifecycle() {
    const std::string name = "lifecycle";
    Random random(CheckSeed(mOptions.mSeed, name));
    constexpr int64_t kFrames = 16384;
    const Signal input = Noise(random, 2, kFrames, 0.5f);
    const std::vector<int32_t> plan = {512};

    Failures failures;
    const char* passNames[] = {"cold", "warm"};
    std::string digests[2];
    std::vector<Signal> outputs[2];
    int instances = 0;
    bool resident[2] = {false, false};
    const int liveBefore = LiveHostObjectCount();
    for (int pass = 0; pass < 2; ++pass) {
        SetCrashContext(name, Format("the %s load", passNames[pass]));
        {
            Host host;
            const LoadResult loaded = host.Load(mOptions.mModulePath);
            if (loaded.mStatus != LoadStatus::Ok) {
                if (pass == 0) {
                    mLoadFailure = loaded;
                }
                return Failed(name, Format("%s load: %s: %s", passNames[pass], LoadStatusText(loaded.mStatus),
                                           loaded.mMessage.c_str()));
            }
            const EffectDescription& effect = host.Effect();
            std::string& digest = digests[pass];
            digest = effect.mID + "|" + Join(effect.mNames, ",");
            for (const ComponentDescription& component : effect.mComponents) {
                digest += Format("|%d>%d:%08X", component.InputChannels(), component.OutputChannels(), component.TypeID());
                std::string message;
                HPI_Result code = HPI_SUCCESS;
                SetCrashContext(name, Format("creating a %s instance (%s load)", LayoutName(component).c_str(),
                                             passNames[pass]));
                auto instance = host.CreateInstance(component, static_cast<float>(kSessionRate), 512, &message, &code);
                if (!instance) {
                    failures.Add(Format("%s load: cannot create a %s instance: %s", passNames[pass],
                                        LayoutName(component).c_str(), message.c_str()));
                    continue;
                }
                ++instances;
                for (const ParameterInfo& p : instance->ListParameters()) {
                    digest += "," + p.mID;
                }
                Signal output;
                WithRenderThread(host.RunLoop(), [&](const std::atomic<bool>&) {
                    BlockRunner(*instance).All(input, kFrames, plan, output);
                });
                outputs[pass].push_back(std::move(output));
                SetCrashContext(name, Format("releasing a %s instance (%s load)", LayoutName(component).c_str(),
                                             passNames[pass]));
                instance.reset();
            }
            const std::size_t assertions = host.Library().AssertionCount();
            const std::vector<AssertionRecord> records = host.Library().Assertions();
            SetCrashContext(name, Format("closing the %s load", passNames[pass]));
            const CloseReport report = host.Close();
            if (report.mLiveObjectsBeforeShutdown != 0) {
                failures.Add(Format("%s load: HPICanUnloadNow answered %d after every instance was released",
                                    passNames[pass], report.mLiveObjectsBeforeShutdown));
            }
            if (report.mShutdownResult != HPI_SUCCESS) {
                failures.Add(Format("%s load: HPIShutdown answered %d %s", passNames[pass], report.mShutdownResult,
                                    HPI_ResultName(report.mShutdownResult)));
            }
            if (report.mEntriesLeft != 0) {
                failures.Add(Format("%s load: the plug-in left %zu timer(s)/descriptor(s) registered", passNames[pass],
                                    report.mEntriesLeft));
            }
            if (report.mOffThreadCalls != 0) {
                failures.Add(Format("%s load: %zu run-loop call(s) from a thread other than the main one",
                                    passNames[pass], report.mOffThreadCalls));
            }
            if (assertions > 0) {
                failures.Add(Format("%s load: the plug-in reported %zu failed assertion(s)%s", passNames[pass],
                                    assertions,
                                    records.empty() ? ""
                                                    : (", first \"" + records.front().mExpression + "\" at " +
                                                       records.front().mFile + ":" + std::to_string(records.front().mLine))
                                                          .c_str()));
            }
        }
        if (LiveHostObjectCount() != liveBefore) {
            failures.Add(Format("%s load: the plug-in still holds host objects after shutdown: %s", passNames[pass],
                                LiveHostObjectSummary().c_str()));
        }
        resident[pass] = IsResident(mOptions.mModulePath);
    }
    if (digests[0] != digests[1]) {
        failures.Add("the warm load described a different effect, components or parameters than the cold one");
    }
    if (outputs[0].size() == outputs[1].size()) {
        for (std::size_t i = 0; i < outputs[0].size(); ++i) {
            if (!SameBits(outputs[0][i], outputs[1][i])) {
                failures.Add(Format("the warm load rendered different output than the cold one (component %zu)", i));
            }
        }
    }
    if (failures.Any()) {
        return Failed(name, failures.Text());
    }
    return Passed(name, Format("2 loads (cold, warm), %d instances created, initialised, rendered and released; "
                               "HPICanUnloadNow 0 after release, nothing left registered; warm output = cold output "
                               "(%lld frames each); library %s",
                               instances, static_cast<long long>(kFrames),
                               resident[0] || resident[1] ? "stays resident after dlclose" : "unloaded by dlclose"));
}

// --- render ----------------------------------------------------------------------------------

CheckResult Validator::CheckRender() {
    const std::string name = "render";
    Session& session = *mSession;
    Random random(CheckSeed(mOptions.mSeed, name));
    std::vector<double> rates = kRates;
    std::vector<int32_t> blocks = kBlocks;
    if (mOptions.mStrict) {
        rates.insert(rates.end(), kStrictExtraRates.begin(), kStrictExtraRates.end());
        std::sort(rates.begin(), rates.end());
        blocks = kStrictBlocks;
    }
    const int32_t largest = mOptions.mStrict ? kMaxBlock : 4096;

    // Silence with one impulse, then loud noise, a full-scale sine and a long
    // silent tail, where decaying filters would turn subnormal.
    constexpr int64_t kNoiseAt = kImpulseAt + kLatencySearch;
    constexpr int64_t kNoiseFrames = 8192;
    constexpr int64_t kSineFrames = 4096;
    constexpr int64_t kTailFrames = 8192;
    constexpr int64_t kFrames = kNoiseAt + kNoiseFrames + kSineFrames + kTailFrames;

    Failures failures;
    int runs = 0;
    int64_t frames = 0;
    std::map<int32_t, int> latencies;  // reported latency -> runs
    int64_t onsets[2] = {INT64_MAX, INT64_MIN};  // smallest and largest measured
    int64_t peaks[2] = {INT64_MAX, INT64_MIN};
    int silentResponses = 0;
    const int settingsRuns = mOptions.mStrict ? 48 : 6;
    int settingsRunsDone = 0;
    std::string layouts;
    // One run: a fresh instance (with random settings when `settings` >= 0)
    // renders the test signal in blocks of `block` frames (0: random sizes).
    auto run = [&](const ComponentDescription& component, const Signal& input, double rate, int32_t block,
                   int settings) {
        const int inputs = std::max(component.InputChannels(), 0);
        const std::string where =
            Format("%s, %s, block %s%s", RateText(rate).c_str(), LayoutName(component).c_str(),
                   BlockPlanName(block).c_str(), settings < 0 ? "" : Format(", %s settings %d", settings % 2 == 0 ? "corner" : "random", settings).c_str());
        SetCrashContext(name, "rendering at " + where);
        std::string problem;
        auto instance = session.Make(component, rate, &problem);
        if (!instance) {
            failures.Add(problem);
            return;
        }
        if (settings >= 0) {
            session.Randomize(*instance, random, settings % 2 == 0);
            ++settingsRunsDone;
        }
        const std::vector<int32_t> plan = BlockPlan(random, block, largest);
        Signal output;
        WithRenderThread(session.mHost.RunLoop(), [&](const std::atomic<bool>&) {
            BlockRunner(*instance).All(input, kFrames, plan, output);
        });
        ++runs;
        frames += kFrames;
        if (const std::string fault = FindFault(output, kFrames, true); !fault.empty()) {
            failures.Add(fault + " (" + where + ")");
        }
        const int32_t reported = std::max(instance->Object().LatestLatency(), 0);
        ++latencies[reported];
        for (std::size_t c = 0; inputs > 0 && c < output.size(); ++c) {
            const ImpulseResponse response = MeasureImpulse(output[c], kImpulseAt, kLatencySearch);
            if (!response.mHeard) {
                ++silentResponses;
                continue;
            }
            onsets[0] = std::min(onsets[0], response.mOnset);
            onsets[1] = std::max(onsets[1], response.mOnset);
            peaks[0] = std::min(peaks[0], response.mPeak);
            peaks[1] = std::max(peaks[1], response.mPeak);
            if (reported < response.mOnset || reported > response.mPeak) {
                failures.Add(Format("latency %d reported but the impulse response starts %lld and peaks %lld "
                                    "samples late on channel %zu (%s)",
                                    reported, static_cast<long long>(response.mOnset),
                                    static_cast<long long>(response.mPeak), c, where.c_str()));
                break;
            }
        }
    };
    for (const ComponentDescription* component : session.mComponents) {
        layouts += (layouts.empty() ? "" : ", ") + LayoutName(*component);
        const int inputs = std::max(component->InputChannels(), 0);
        Signal input(static_cast<std::size_t>(inputs), std::vector<float>(kFrames, 0.0f));
        for (int c = 0; c < inputs; ++c) {
            auto& channel = input[static_cast<std::size_t>(c)];
            channel[kImpulseAt] = kImpulseAmplitude;
            for (int64_t i = 0; i < kNoiseFrames; ++i) {
                channel[static_cast<std::size_t>(kNoiseAt + i)] = static_cast<float>(random.Uniform(-1.0, 1.0));
            }
        }
        for (double rate : rates) {
            for (int c = 0; c < inputs; ++c) {
                auto& channel = input[static_cast<std::size_t>(c)];
                for (int64_t i = 0; i < kSineFrames; ++i) {
                    channel[static_cast<std::size_t>(kNoiseAt + kNoiseFrames + i)] =
                        static_cast<float>(0.99 * std::sin(2.0 * M_PI * 997.0 * static_cast<double>(i) / rate));
                }
            }
            for (int32_t block : blocks) {
                run(*component, input, rate, block, -1);
            }
        }
        // Random settings at every rate in turn: other processing paths and
        // the latencies they report.
        for (int r = 0; r < settingsRuns; ++r) {
            run(*component, input, rates[static_cast<std::size_t>(r) % rates.size()], 0, r);
        }
    }
    std::vector<std::string> blockNames;
    for (int32_t block : blocks) {
        blockNames.push_back(BlockPlanName(block));
    }
    const std::string figures =
        Format("%d runs = %zu rates x %zu block sizes (%s) x %zu layouts (%s) + %d with random and corner settings, %s frames",
               runs, rates.size(), blocks.size(), Join(blockNames, ", ").c_str(), session.mComponents.size(),
               layouts.c_str(), settingsRunsDone, Millions(frames).c_str());
    if (failures.Any()) {
        return Failed(name, Format("%zu problem(s) in %s: %s", failures.Count(), figures.c_str(), failures.Text().c_str()));
    }
    std::vector<std::string> latencyTexts;
    for (const auto& [latency, count] : latencies) {
        latencyTexts.push_back(Format("%d samples (%d runs)", latency, count));
    }
    auto range = [](const int64_t* bounds) {
        return bounds[0] == bounds[1] ? std::to_string(bounds[0]) : Format("%lld..%lld", static_cast<long long>(bounds[0]),
                                                                           static_cast<long long>(bounds[1]));
    };
    std::string latencyText = "reported latency " + Join(latencyTexts, ", ");
    if (onsets[0] <= onsets[1]) {
        latencyText += " lies between the impulse response's onset (" + range(onsets) + ") and peak (" + range(peaks) + ")";
    }
    if (silentResponses > 0) {
        latencyText += Format("; %d channel(s) gave no impulse response to measure", silentResponses);
    }
    return Passed(name, figures + Format(": finite, no subnormal, |x| < %g; ", static_cast<double>(kOutputBound)) +
                            latencyText);
}

// --- parameter fuzz -----------------------------------------------------------------------------

CheckResult Validator::CheckParameterFuzz() {
    const std::string name = "param-fuzz";
    Session& session = *mSession;
    Random random(CheckSeed(mOptions.mSeed, name));
    if (session.mParameters.empty()) {
        return Skipped(name, "the plug-in has no parameters");
    }
    const double totalSeconds = mOptions.mStrict ? 20.0 : 2.0;
    const double seconds = totalSeconds / static_cast<double>(session.mComponents.size());

    Failures failures;
    int64_t changes = 0;
    int64_t blocks = 0;
    int64_t frames = 0;
    double fuzzed = 0.0;
    std::string bypassID;
    for (const ComponentDescription* component : session.mComponents) {
        const double rate = mOptions.mStrict && component != session.mMain ? 96000.0 : kSessionRate;
        std::string problem;
        auto instance = session.Make(*component, rate, &problem, 4096);
        if (!instance) {
            failures.Add(problem);
            continue;
        }
        bypassID = instance->MasterBypassID();
        const Signal input = Noise(random, std::max(component->InputChannels(), 0), 65536, 1.0f);
        std::vector<int32_t> plan(509);
        for (int32_t& size : plan) {
            const double pick = random.Uniform(0.0, 1.0);
            size = static_cast<int32_t>(pick < 0.7 ? random.Integer(1, 256) : pick < 0.95 ? random.Integer(257, 2048) : 4096);
        }

        std::atomic<bool> faulted{false};
        std::string fault;  // written by the render thread before `faulted`
        std::atomic<int64_t> renderedBlocks{0};
        std::atomic<int64_t> renderedFrames{0};
        std::vector<std::string> recent;  // the last changes, for the report
        int64_t componentChanges = 0;
        SetCrashContext(name, Format("fuzzing parameters while rendering %s", LayoutName(*component).c_str()));
        const auto start = Clock::now();
        WithRenderThread(
            session.mHost.RunLoop(),
            [&](const std::atomic<bool>& stop) {
                BlockRunner runner(*instance);
                int64_t position = 0;
                for (std::size_t i = 0; !stop.load(std::memory_order_relaxed); ++i) {
                    const int32_t size = plan[i % plan.size()];
                    runner.Block(input, position % (65536 - 4096), size, position);
                    if (std::string text = FindFault(runner.Output(), size, false); !text.empty()) {
                        fault = Format("%s in block %zu (%d frames, render position %lld)", text.c_str(), i, size,
                                       static_cast<long long>(position));
                        faulted.store(true);
                        return;
                    }
                    position += size;
                    renderedBlocks.fetch_add(1, std::memory_order_relaxed);
                    renderedFrames.store(position, std::memory_order_relaxed);
                }
            },
            [&] {
                HPI_IEffectParameters* parameters = instance->Parameters();
                while (Seconds(start) < seconds && !faulted.load()) {
                    const ParameterInfo& p =
                        session.mParameters[static_cast<std::size_t>(random.Integer(0, static_cast<int64_t>(session.mParameters.size()) - 1))];
                    // A bypassed plug-in renders a copy; keep it processing most of the time.
                    const double value = p.mID == bypassID ? (random.Chance(0.1) ? 1.0 : 0.0) : random.Normalized();
                    const double pick = random.Uniform(0.0, 1.0);
                    if (pick < 0.8) {
                        instance->Update(p.mID, value);
                    } else if (pick < 0.9) {
                        // The plug-in's own request; the host answers it from the loop.
                        parameters->SetParameterNormalizedValue(p.mID.c_str(), value);
                    } else {
                        parameters->UpdateParameterNormalizedRelative(p.mID.c_str(), value - 0.5);
                    }
                    if (recent.size() == 4) {
                        recent.erase(recent.begin());
                    }
                    recent.push_back(Format("%s=%.4g", p.mName.c_str(), value));
                    if (++componentChanges % 8 == 0) {
                        session.mHost.RunLoop().RunOnce(0);
                    }
                }
            });
        fuzzed += Seconds(start);
        changes += componentChanges;
        blocks += renderedBlocks.load();
        frames += renderedFrames.load();
        if (faulted.load()) {
            failures.Add(Format("%s: %s, soon after %s", LayoutName(*component).c_str(), fault.c_str(),
                                Join(recent, ", ").c_str()));
        }
        if (const std::string wrong = session.CheckParameters(*instance); !wrong.empty()) {
            failures.Add(LayoutName(*component) + ": after the fuzz " + wrong);
        }
    }
    const std::string figures =
        Format("%.1f s on %zu layouts: %lld value changes on %zu parameters (updates, set-value requests, relative "
               "updates) while %lld blocks (%s frames) rendered",
               fuzzed, session.mComponents.size(), static_cast<long long>(changes), session.mParameters.size(),
               static_cast<long long>(blocks), Millions(frames).c_str());
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(name, figures + Format(": output finite, |x| < %g; values finite in 0..1",
                                         static_cast<double>(kOutputBound)));
}

// --- state ---------------------------------------------------------------------------------------

namespace {

std::string FirstDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size()) {
        return Format("%zu bytes became %zu", a.size(), b.size());
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return Format("byte %zu of %zu was 0x%02X, came back 0x%02X", i, a.size(), a[i], b[i]);
        }
    }
    return "";
}

// The first parameter whose display text differs between two instances. The
// master bypass is left out: a host keeps it with the track, not in the chunk.
std::string TextDifference(const std::vector<ParameterInfo>& saved, const std::vector<ParameterInfo>& restored,
                           const std::string& bypassID) {
    for (std::size_t i = 0; i < saved.size() && i < restored.size(); ++i) {
        if (saved[i].mID != bypassID && saved[i].mValueText != restored[i].mValueText) {
            return Format("\"%s\" was '%s', came back '%s'", saved[i].mName.c_str(), saved[i].mValueText.c_str(),
                          restored[i].mValueText.c_str());
        }
    }
    if (saved.size() != restored.size()) {
        return "the restored instance lists a different number of parameters";
    }
    return "";
}

}  // namespace

CheckResult Validator::CheckState() {
    const std::string name = "state";
    Session& session = *mSession;
    Random random(CheckSeed(mOptions.mSeed, name));
    std::string problem;
    auto source = session.Make(*session.mMain, kSessionRate, &problem);
    if (!source) {
        return Failed(name, problem);
    }
    uint32_t chunkID = 0;
    if (source->ChunkID(&chunkID) != HPI_SUCCESS) {
        return Skipped(name, "the plug-in offers no state chunk");
    }
    const std::string bypassID = source->MasterBypassID();
    const int byteTrials = mOptions.mStrict ? 64 : 8;
    const int textTrials = mOptions.mStrict ? 1000 : 100;

    Failures failures;
    std::size_t chunkSize = 0;
    SetCrashContext(name, "round trips of the state chunk");
    for (int trial = 0; trial < byteTrials && failures.Count() < 3; ++trial) {
        const std::string label = trial == 0 ? "defaults" : Format("random settings %d", trial);
        if (trial > 0) {
            session.Randomize(*source, random);
        }
        std::vector<unsigned char> saved;
        std::vector<unsigned char> again;
        HPI_Result result = source->SaveState(&saved);
        if (result != HPI_SUCCESS || source->SaveState(&again) != HPI_SUCCESS) {
            failures.Add(Format("%s: getting the chunk answered %d %s", label.c_str(), result, HPI_ResultName(result)));
            continue;
        }
        chunkSize = saved.size();
        if (saved != again) {
            failures.Add(Format("%s: two chunks in a row differ: %s", label.c_str(), FirstDifference(saved, again).c_str()));
        }
        auto fresh = session.Make(*session.mMain, kSessionRate, &problem);
        if (!fresh) {
            failures.Add(problem);
            break;
        }
        result = fresh->LoadState(saved);
        if (result != HPI_SUCCESS) {
            failures.Add(Format("%s: a fresh instance refused the chunk: %d %s", label.c_str(), result,
                                HPI_ResultName(result)));
            continue;
        }
        std::vector<unsigned char> restored;
        fresh->SaveState(&restored);
        if (restored != saved) {
            std::string texts = TextDifference(source->ListParameters(), fresh->ListParameters(), bypassID);
            failures.Add(Format("%s: the chunk of the fresh instance differs: %s%s", label.c_str(),
                                FirstDifference(saved, restored).c_str(),
                                texts.empty() ? " (display texts agree)" : ("; " + texts).c_str()));
        }
        bool equal = false;
        if (fresh->CompareState(saved, &equal) == HPI_SUCCESS && !equal) {
            failures.Add(label + ": CompareActiveChunk calls the chunk just set different from the live state");
        }
    }

    auto restoredInstance = session.Make(*session.mMain, kSessionRate, &problem);
    if (!restoredInstance) {
        return Failed(name, problem);
    }
    for (int trial = 0; trial < textTrials && failures.Count() < 3; ++trial) {
        session.Randomize(*source, random);
        std::vector<unsigned char> saved;
        source->SaveState(&saved);
        restoredInstance->LoadState(saved);
        if (const std::string texts = TextDifference(source->ListParameters(), restoredInstance->ListParameters(), bypassID);
            !texts.empty()) {
            failures.Add(Format("random settings %d: %s", trial, texts.c_str()));
        }
    }
    if (failures.Any()) {
        return Failed(name, failures.Text());
    }
    const bool bypassCounted = std::any_of(session.mParameters.begin(), session.mParameters.end(),
                                           [&](const ParameterInfo& p) { return p.mID == bypassID; });
    return Passed(name, Format("%d chunks of %zu bytes (defaults and random settings) byte-identical after a round "
                               "trip into a fresh instance, CompareActiveChunk equal; %d random settings restored "
                               "with identical display texts on %zu parameters (the master bypass is the host's)",
                               byteTrials, chunkSize, textTrials, session.mParameters.size() - (bypassCounted ? 1 : 0)));
}

// --- garbage state --------------------------------------------------------------------------------

CheckResult Validator::CheckGarbageState() {
    const std::string name = "garbage-state";
    Session& session = *mSession;
    Random random(CheckSeed(mOptions.mSeed, name));
    std::vector<double> rates = {kSessionRate};
    if (mOptions.mStrict) {
        rates = kRates;
        rates.insert(rates.end(), kStrictExtraRates.begin(), kStrictExtraRates.end());
        std::sort(rates.begin(), rates.end());
    }
    std::string problem;
    std::vector<unsigned char> defaults;
    std::vector<unsigned char> randomState;
    {
        auto instance = session.Make(*session.mMain, kSessionRate, &problem);
        if (!instance) {
            return Failed(name, problem);
        }
        uint32_t chunkID = 0;
        if (instance->ChunkID(&chunkID) != HPI_SUCCESS) {
            return Skipped(name, "the plug-in offers no state chunk");
        }
        if (instance->SaveState(&defaults) != HPI_SUCCESS) {
            return Failed(name, "the plug-in gives no chunk at its defaults");
        }
        session.Randomize(*instance, random);
        instance->SaveState(&randomState);
    }
    const std::size_t full = defaults.size();
    const Signal input = Noise(random, std::max(session.mMain->InputChannels(), 0), 256, 1.0f);
    const std::vector<int32_t> plan = {128};

    Failures failures;
    Tally tally;
    int64_t tried = 0;
    int64_t accepted = 0;
    int64_t checkedRates = 0;
    for (double rate : rates) {
        ++checkedRates;
        auto instance = session.Make(*session.mMain, rate, &problem);
        if (!instance) {
            failures.Add(problem);
            continue;
        }
        const std::string at = RateText(rate);
        // Sets the chunk, then checks the parameters and renders a little;
        // false once enough has failed.
        auto attempt = [&](const std::string& kind, const std::string& label, const std::vector<unsigned char>& bytes) {
            if (failures.Count() >= 5) {
                return false;
            }
            SetCrashContext(name, "setting a chunk " + label + " at " + at);
            ++tried;
            tally.Add(kind);
            if (instance->LoadState(bytes) == HPI_SUCCESS) {
                ++accepted;
            }
            if (const std::string wrong = session.CheckParameters(*instance); !wrong.empty()) {
                failures.Add(Format("after a chunk %s (%s): %s", label.c_str(), at.c_str(), wrong.c_str()));
                instance = session.Make(*session.mMain, rate, &problem);  // a fresh record of posted values
                return instance != nullptr;
            }
            SetCrashContext(name, "rendering after a chunk " + label + " at " + at);
            Signal output;
            WithRenderThread(session.mHost.RunLoop(), [&](const std::atomic<bool>&) {
                BlockRunner(*instance).All(input, 256, plan, output);
            });
            if (const std::string fault = FindFault(output, 256, false); !fault.empty()) {
                failures.Add(Format("after a chunk %s (%s) the next render gave %s", label.c_str(), at.c_str(),
                                    fault.c_str()));
            }
            return true;
        };

        bool going = attempt("empty", "of 0 bytes", {});
        const bool everyLength = mOptions.mStrict || full <= 1024;
        const std::string truncated = Format("truncated to %s1..%zu bytes", everyLength ? "every length " : "", full - 1);
        for (std::size_t length = 1; going && length < full; length += everyLength ? 1 : std::max<std::size_t>(full / 1024, 1)) {
            going = attempt(truncated, Format("truncated to %zu of %zu bytes", length, full),
                            std::vector<unsigned char>(defaults.begin(), defaults.begin() + static_cast<std::ptrdiff_t>(length)));
        }
        if (rate != kSessionRate && !mOptions.mStrict) {
            continue;
        }
        for (std::size_t extra : {1, 7, 64, 4096}) {
            std::vector<unsigned char> longer = randomState;
            const std::vector<unsigned char> tail = random.Bytes(extra);
            longer.insert(longer.end(), tail.begin(), tail.end());
            going = going && attempt("over-long", Format("of %zu bytes with %zu random bytes appended", full, extra), longer);
        }
        const int randomCount = mOptions.mStrict ? 1000 : 64;
        for (int i = 0; going && i < randomCount; ++i) {
            going = attempt("random of full size", Format("of %zu random bytes (%d)", full, i), random.Bytes(full));
        }
        for (int i = 0; going && i < randomCount / 2; ++i) {
            const auto length = static_cast<std::size_t>(random.Integer(1, static_cast<int64_t>(4 * full + 16)));
            going = attempt("random of random size", Format("of %zu random bytes", length), random.Bytes(length));
        }
        for (int i = 0; going && i < (mOptions.mStrict ? 3 : 1); ++i) {
            going = attempt("1 MB", "of 1 MB of random bytes", random.Bytes(kMegabyte));
        }
        if (going && mOptions.mStrict) {
            going = attempt("1 MB", "of 1 MB of 0xFF", std::vector<unsigned char>(kMegabyte, 0xFF));
        }

        // Non-finite and extreme numbers at every byte offset: the values
        // behind whatever header the plug-in writes are found at some offset.
        struct Planted {
            const char* mName;
            double mDouble;
        };
        const Planted doubles[] = {{"NaN", std::nan("")},        {"-NaN", -std::nan("")},  {"+inf", HUGE_VAL},
                                   {"-inf", -HUGE_VAL},          {"1e308", 1e308},         {"-1e308", -1e308},
                                   {"subnormal", DBL_TRUE_MIN}};
        const Planted floats[] = {{"float NaN", std::nan("")}, {"float +inf", HUGE_VAL}, {"float -inf", -HUGE_VAL},
                                  {"float 3.4e38", 3.4e38}};
        const int32_t integers[] = {0, -1, INT32_MIN, INT32_MAX};
        std::vector<const std::vector<unsigned char>*> bases = {&defaults};
        if (mOptions.mStrict) {
            bases.push_back(&randomState);
        }
        for (const std::vector<unsigned char>* base : bases) {
            for (std::size_t offset = 0; going && offset + 8 <= full; ++offset) {
                for (const Planted& planted : doubles) {
                    std::vector<unsigned char> bytes = *base;
                    std::memcpy(bytes.data() + offset, &planted.mDouble, 8);
                    going = going && attempt("NaN/inf/extreme doubles", Format("with the double %s at offset %zu", planted.mName, offset), bytes);
                }
            }
            for (std::size_t offset = 0; going && offset + 4 <= full; ++offset) {
                for (const Planted& planted : floats) {
                    std::vector<unsigned char> bytes = *base;
                    const auto value = static_cast<float>(planted.mDouble);
                    std::memcpy(bytes.data() + offset, &value, 4);
                    going = going && attempt("NaN/inf/extreme floats", Format("with the %s at offset %zu", planted.mName, offset), bytes);
                }
                for (int32_t value : integers) {
                    std::vector<unsigned char> bytes = *base;
                    std::memcpy(bytes.data() + offset, &value, 4);
                    going = going && attempt("extreme int32s", Format("with the int32 %d at offset %zu", value, offset), bytes);
                }
            }
        }
        const int mutations = mOptions.mStrict ? 5000 : 200;
        for (int i = 0; going && i < mutations && full > 0; ++i) {
            std::vector<unsigned char> bytes = random.Chance(0.5) ? defaults : randomState;
            const int64_t flips = random.Integer(1, 4);
            std::string where;
            for (int64_t f = 0; f < flips; ++f) {
                const auto offset = static_cast<std::size_t>(random.Integer(0, static_cast<int64_t>(bytes.size()) - 1));
                bytes[offset] = random.Byte();
                if (!where.empty()) {
                    where += ',';
                }
                where += std::to_string(offset);
            }
            going = attempt("1..4 bytes changed", "with bytes " + where + " changed", bytes);
        }
    }
    const std::string figures =
        Format("%lld chunks at %lld rate(s) from a %zu-byte chunk: %s (numbers planted at every byte offset); "
               "%lld accepted, %lld refused",
               static_cast<long long>(tried), static_cast<long long>(checkedRates), full, tally.Text().c_str(),
               static_cast<long long>(accepted), static_cast<long long>(tried - accepted));
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(name, figures + ": no crash, parameters finite in 0..1, no invalid value posted, next render finite "
                                  "after every one");
}

// --- realtime ---------------------------------------------------------------------------------------

CheckResult Validator::CheckRealtime() {
    const std::string name = "realtime";
    Session& session = *mSession;
    if (!RenderProbe::Available()) {
        return Skipped(name, RenderProbe::UnavailableReason());
    }
    Random random(CheckSeed(mOptions.mSeed, name));
    const int blocksPerPhase = mOptions.mStrict ? 4000 : 300;
    constexpr int32_t kLargest = 4096;

    Failures failures;
    ProbeCounts total;
    int64_t calls = 0;
    int64_t frames = 0;
    int64_t changes = 0;
    for (const ComponentDescription* component : session.mComponents) {
        std::string problem;
        auto instance = session.Make(*component, kSessionRate, &problem, kLargest);
        if (!instance) {
            failures.Add(problem);
            continue;
        }
        const Signal input = Noise(random, std::max(component->InputChannels(), 0), 65536, 1.0f);
        const std::vector<int32_t> plan = BlockPlan(random, 0, kLargest, 997);
        ProbeCounts phases[2];
        const char* phaseNames[] = {"steady", "while parameters change"};
        for (int phase = 0; phase < 2; ++phase) {
            SetCrashContext(name, Format("rendering %s %s", LayoutName(*component).c_str(), phaseNames[phase]));
            std::atomic<bool> rendering{true};
            int64_t phaseFrames = 0;
            WithRenderThread(
                session.mHost.RunLoop(),
                [&](const std::atomic<bool>&) {
                    BlockRunner runner(*instance);
                    int64_t position = 0;
                    if (phase == 0) {
                        // Settle first: the largest block, then a few of every size.
                        runner.Block(input, 0, kLargest, position);
                        position += kLargest;
                        for (int i = 0; i < 64; ++i) {
                            runner.Block(input, position % 32768, plan[static_cast<std::size_t>(i)], position);
                            position += plan[static_cast<std::size_t>(i)];
                        }
                    }
                    const ProbeCounts before = RenderProbe::ThreadCounts();
                    for (int i = 0; i < blocksPerPhase; ++i) {
                        const int32_t size = plan[static_cast<std::size_t>(i + phase * 31) % plan.size()];
                        runner.Block(input, position % 32768, size, position, true);
                        position += size;
                        phaseFrames += size;
                    }
                    phases[phase] = RenderProbe::ThreadCounts() - before;
                    rendering.store(false);
                },
                [&] {
                    if (phase == 0 || session.mParameters.empty()) {
                        return;
                    }
                    while (rendering.load()) {
                        const ParameterInfo& p = session.mParameters[static_cast<std::size_t>(
                            random.Integer(0, static_cast<int64_t>(session.mParameters.size()) - 1))];
                        instance->Update(p.mID, random.Normalized());
                        if (++changes % 8 == 0) {
                            session.mHost.RunLoop().RunOnce(0);
                        }
                    }
                });
            calls += blocksPerPhase;
            frames += phaseFrames;
            total += phases[phase];
            if (phases[phase].Any()) {
                failures.Add(Format("%s, %s: %llu heap allocation(s), %llu free(s), %llu lock call(s), %llu wait(s) "
                                    "in %d render calls",
                                    LayoutName(*component).c_str(), phaseNames[phase],
                                    static_cast<unsigned long long>(phases[phase].mAllocations),
                                    static_cast<unsigned long long>(phases[phase].mFrees),
                                    static_cast<unsigned long long>(phases[phase].mLocks),
                                    static_cast<unsigned long long>(phases[phase].mWaits), blocksPerPhase));
            }
        }
    }
    const std::string figures =
        Format("%lld render calls of 1..%d frames (%s frames) on %zu layouts, half of them while %lld parameter "
               "changes ran",
               static_cast<long long>(calls), kLargest, Millions(frames).c_str(), session.mComponents.size(),
               static_cast<long long>(changes));
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(name, "0 heap allocations, 0 frees, 0 lock calls, 0 waits on the render thread in " + figures);
}

// --- determinism --------------------------------------------------------------------------------------

CheckResult Validator::CheckDeterminism() {
    const std::string name = "determinism";
    Session& session = *mSession;
    Random random(CheckSeed(mOptions.mSeed, name));
    const int settingsCount = mOptions.mStrict ? 12 : 3;
    const int64_t kFrames = mOptions.mStrict ? 65536 : 16384;

    Failures failures;
    int pairs = 0;
    for (const ComponentDescription* component : session.mComponents) {
        const int inputs = std::max(component->InputChannels(), 0);
        for (int s = 0; s < settingsCount; ++s) {
            const double rate = mOptions.mStrict ? kRates[static_cast<std::size_t>(s) % kRates.size()] : kSessionRate;
            const std::string label =
                Format("%s, %s, %s", LayoutName(*component).c_str(), RateText(rate).c_str(),
                       s == 0 ? "defaults" : Format("random settings %d", s).c_str());
            std::string problem;
            auto first = session.Make(*component, rate, &problem);
            auto second = session.Make(*component, rate, &problem);
            if (!first || !second) {
                failures.Add(problem);
                continue;
            }
            if (s > 0) {
                const std::vector<double> values = session.Randomize(*first, random);
                session.Apply(*second, values);
            }
            Signal input = Noise(random, inputs, kFrames, 0.5f);
            for (auto& channel : input) {
                for (int64_t i = 0; i < kFrames; ++i) {
                    channel[static_cast<std::size_t>(i)] +=
                        static_cast<float>(0.4 * std::sin(2.0 * M_PI * 220.0 * static_cast<double>(i) / rate));
                }
            }
            const std::vector<int32_t> plan = BlockPlan(random, 0, 2048);
            Signal outputs[2];
            SetCrashContext(name, "rendering two instances, " + label);
            WithRenderThread(session.mHost.RunLoop(), [&](const std::atomic<bool>&) {
                BlockRunner(*first).All(input, kFrames, plan, outputs[0]);
                BlockRunner(*second).All(input, kFrames, plan, outputs[1]);
            });
            ++pairs;
            for (std::size_t c = 0; c < outputs[0].size(); ++c) {
                const auto& a = outputs[0][c];
                const auto& b = outputs[1][c];
                if (std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) != 0) {
                    std::size_t frame = 0;
                    while (frame < a.size() && std::memcmp(&a[frame], &b[frame], sizeof(float)) == 0) {
                        ++frame;
                    }
                    failures.Add(Format("%s: the two instances part at frame %zu of channel %zu (%g vs %g)", label.c_str(),
                                        frame, c, static_cast<double>(a[frame]), static_cast<double>(b[frame])));
                    break;
                }
            }
        }
    }
    const std::string figures = Format("%d pairs of instances (%zu layouts x %d settings: defaults and random), "
                                       "%lld frames each in random blocks",
                                       pairs, session.mComponents.size(), settingsCount, static_cast<long long>(kFrames));
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(name, figures + ": bit-identical output");
}

}  // namespace hpihost
