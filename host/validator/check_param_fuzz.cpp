#include <atomic>

#include "checks.h"
#include "crash_report.h"
#include "tallies.h"

namespace hpihost::validation {

CheckResult CheckParameterFuzz(CheckContext& context) {
    const std::string name = "param-fuzz";
    Session& session = *context.mSession;
    Random& random = context.mRandom;
    if (session.mParameters.empty()) {
        return Skipped(name, "the plug-in has no parameters");
    }
    const double totalSeconds = context.mOptions.mStrict ? 20.0 : 2.0;
    const double seconds = totalSeconds / static_cast<double>(session.mComponents.size());

    Failures failures;
    int64_t changes = 0;
    int64_t blocks = 0;
    int64_t frames = 0;
    double fuzzed = 0.0;
    std::string bypassID;
    for (const ComponentDescription* component : session.mComponents) {
        const double rate =
            context.mOptions.mStrict && component != session.mMain ? 96000.0 : kSessionRate;
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
            size = static_cast<int32_t>(pick < 0.7    ? random.Integer(1, 256)
                                        : pick < 0.95 ? random.Integer(257, 2048)
                                                      : 4096);
        }

        std::atomic<bool> faulted{false};
        std::string fault;  // written by the render thread before `faulted`
        std::atomic<int64_t> renderedBlocks{0};
        std::atomic<int64_t> renderedFrames{0};
        std::vector<std::string> recent;  // the last changes, for the report
        int64_t componentChanges = 0;
        SetCrashContext(
            name, Format("fuzzing parameters while rendering %s", LayoutName(*component).c_str()));
        const auto start = Clock::now();
        WithRenderThread(
            session.mHost.RunLoop(),
            [&](const std::atomic<bool>& stop) {
                SignalRenderer runner(*instance);
                int64_t position = 0;
                for (std::size_t i = 0; !stop.load(std::memory_order_relaxed); ++i) {
                    const int32_t size = plan[i % plan.size()];
                    runner.Block(input, position % (65536 - 4096), size, position);
                    if (std::string text = FindFault(runner.Output(), size, false); !text.empty()) {
                        fault = Format("%s in block %zu (%d frames, render position %lld)",
                                       text.c_str(), i, size, static_cast<long long>(position));
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
                    const ParameterInfo& p = session.mParameters[static_cast<std::size_t>(
                        random.Integer(0, static_cast<int64_t>(session.mParameters.size()) - 1))];
                    // A bypassed plug-in renders a copy; keep it processing most of the time.
                    const double value =
                        p.mID == bypassID ? (random.Chance(0.1) ? 1.0 : 0.0) : random.Normalized();
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
            failures.Add(Format("%s: %s, soon after %s", LayoutName(*component).c_str(),
                                fault.c_str(), Join(recent, ", ").c_str()));
        }
        if (const std::string wrong = session.CheckParameters(*instance); !wrong.empty()) {
            failures.Add(LayoutName(*component) + ": after the fuzz " + wrong);
        }
    }
    const std::string figures = Format(
        "%.1f s on %zu layouts: %lld value changes on %zu parameters (updates, set-value requests, "
        "relative "
        "updates) while %lld blocks (%s frames) rendered",
        fuzzed, session.mComponents.size(), static_cast<long long>(changes),
        session.mParameters.size(), static_cast<long long>(blocks), Millions(frames).c_str());
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(name, figures + Format(": output finite, |x| < %g; values finite in 0..1",
                                         static_cast<double>(kOutputBound)));
}

}  // namespace hpihost::validation
