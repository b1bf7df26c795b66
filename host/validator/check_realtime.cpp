#include <atomic>

#include "checks.h"
#include "crash_report.h"
#include "render_probe.h"
#include "tallies.h"

namespace hpihost::validation {

CheckResult CheckRealtime(CheckContext& context) {
    const std::string name = "realtime";
    Session& session = *context.mSession;
    if (!RenderProbe::Available()) {
        return Skipped(name, RenderProbe::UnavailableReason());
    }
    Random& random = context.mRandom;
    const int blocksPerPhase = context.mOptions.mStrict ? 4000 : 300;
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
            SetCrashContext(
                name, Format("rendering %s %s", LayoutName(*component).c_str(), phaseNames[phase]));
            std::atomic<bool> rendering{true};
            int64_t phaseFrames = 0;
            WithRenderThread(
                session.mHost.RunLoop(),
                [&](const std::atomic<bool>&) {
                    SignalRenderer runner(*instance);
                    int64_t position = 0;
                    if (phase == 0) {
                        // Settle first: the largest block, then a few of every size.
                        runner.Block(input, 0, kLargest, position);
                        position += kLargest;
                        for (int i = 0; i < 64; ++i) {
                            runner.Block(input, position % 32768, plan[static_cast<std::size_t>(i)],
                                         position);
                            position += plan[static_cast<std::size_t>(i)];
                        }
                    }
                    const ProbeCounts before = RenderProbe::ThreadCounts();
                    for (int i = 0; i < blocksPerPhase; ++i) {
                        const int32_t size =
                            plan[static_cast<std::size_t>(i + phase * 31) % plan.size()];
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
                        const ParameterInfo& p =
                            session.mParameters[static_cast<std::size_t>(random.Integer(
                                0, static_cast<int64_t>(session.mParameters.size()) - 1))];
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
                failures.Add(
                    Format("%s, %s: %llu heap allocation(s), %llu free(s), %llu lock call(s), %llu "
                           "wait(s) "
                           "in %d render calls",
                           LayoutName(*component).c_str(), phaseNames[phase],
                           static_cast<unsigned long long>(phases[phase].mAllocations),
                           static_cast<unsigned long long>(phases[phase].mFrees),
                           static_cast<unsigned long long>(phases[phase].mLocks),
                           static_cast<unsigned long long>(phases[phase].mWaits), blocksPerPhase));
            }
        }
    }
    const std::string figures = Format(
        "%lld render calls of 1..%d frames (%s frames) on %zu layouts, half of them while %lld "
        "parameter "
        "changes ran",
        static_cast<long long>(calls), kLargest, Millions(frames).c_str(),
        session.mComponents.size(), static_cast<long long>(changes));
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(
        name,
        "0 heap allocations, 0 frees, 0 lock calls, 0 waits on the render thread in " + figures);
}

}  // namespace hpihost::validation
