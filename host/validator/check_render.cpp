#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

#include "checks.h"
#include "crash_report.h"
#include "impulse.h"
#include "tallies.h"

namespace hpihost::validation {
namespace {

// The impulse sits after some silence; its response is searched this far.
constexpr int64_t kImpulseAt = 128;
constexpr float kImpulseAmplitude = 0.5f;
constexpr int64_t kLatencySearch = 8192;

}  // namespace

CheckResult CheckRender(CheckContext& context) {
    const std::string name = "render";
    Session& session = *context.mSession;
    Random& random = context.mRandom;
    const std::vector<double> rates = Rates(context.mOptions.mStrict);
    const std::vector<int32_t> blocks = context.mOptions.mStrict ? kStrictBlocks : kBlocks;
    const int32_t largest = context.mOptions.mStrict ? kMaxBlock : 4096;

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
    std::map<int32_t, int> latencies;            // reported latency -> runs
    int64_t onsets[2] = {INT64_MAX, INT64_MIN};  // smallest and largest measured
    int64_t peaks[2] = {INT64_MAX, INT64_MIN};
    int silentResponses = 0;
    const int settingsRuns = context.mOptions.mStrict ? 48 : 6;
    int settingsRunsDone = 0;
    std::string layouts;
    // One run: a fresh instance (with random settings when `settings` >= 0)
    // renders the test signal in blocks of `block` frames (0: random sizes).
    auto run = [&](const ComponentDescription& component, const Signal& input, double rate,
                   int32_t block, int settings) {
        const int inputs = std::max(component.InputChannels(), 0);
        const std::string where = Format(
            "%s, %s, block %s%s", RateText(rate).c_str(), LayoutName(component).c_str(),
            BlockPlanName(block).c_str(),
            settings < 0
                ? ""
                : Format(", %s settings %d", settings % 2 == 0 ? "corner" : "random", settings)
                      .c_str());
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
            SignalRenderer(*instance).All(input, kFrames, plan, output);
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
            if (!LatencyFits(response, reported)) {
                failures.Add(Format(
                    "latency %d reported but the impulse response starts %lld and peaks %lld "
                    "samples late on channel %zu (%s%s)",
                    reported, static_cast<long long>(response.mOnset),
                    static_cast<long long>(response.mPeak), c, where.c_str(),
                    // A response lost at a block boundary shows in where the first block ends.
                    block == 0 ? Format(", first block %d frames", plan.front()).c_str() : ""));
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
                channel[static_cast<std::size_t>(kNoiseAt + i)] =
                    static_cast<float>(random.Uniform(-1.0, 1.0));
            }
        }
        for (double rate : rates) {
            for (int c = 0; c < inputs; ++c) {
                auto& channel = input[static_cast<std::size_t>(c)];
                for (int64_t i = 0; i < kSineFrames; ++i) {
                    channel[static_cast<std::size_t>(kNoiseAt + kNoiseFrames + i)] =
                        static_cast<float>(
                            0.99 * std::sin(2.0 * M_PI * 997.0 * static_cast<double>(i) / rate));
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
    const std::string figures = Format(
        "%d runs = %zu rates x %zu block sizes (%s) x %zu layouts (%s) + %d with random and corner "
        "settings, %s frames",
        runs, rates.size(), blocks.size(), Join(blockNames, ", ").c_str(),
        session.mComponents.size(), layouts.c_str(), settingsRunsDone, Millions(frames).c_str());
    if (failures.Any()) {
        return Failed(name, Format("%zu problem(s) in %s: %s", failures.Count(), figures.c_str(),
                                   failures.Text().c_str()));
    }
    std::vector<std::string> latencyTexts;
    for (const auto& [latency, count] : latencies) {
        latencyTexts.push_back(Format("%d samples (%d runs)", latency, count));
    }
    auto range = [](const int64_t* bounds) {
        return bounds[0] == bounds[1] ? std::to_string(bounds[0])
                                      : Format("%lld..%lld", static_cast<long long>(bounds[0]),
                                               static_cast<long long>(bounds[1]));
    };
    std::string latencyText = "reported latency " + Join(latencyTexts, ", ");
    if (onsets[0] <= onsets[1]) {
        latencyText += " lies between the impulse response's onset (" + range(onsets) +
                       ") and peak (" + range(peaks) + ")";
    }
    if (silentResponses > 0) {
        latencyText +=
            Format("; %d channel(s) gave no impulse response to measure", silentResponses);
    }
    return Passed(
        name, figures +
                  Format(": finite, no subnormal, |x| < %g; ", static_cast<double>(kOutputBound)) +
                  latencyText);
}

}  // namespace hpihost::validation
