#include <cmath>
#include <cstring>

#include "checks.h"
#include "crash_report.h"
#include "tallies.h"

namespace hpihost::validation {

CheckResult CheckDeterminism(CheckContext& context) {
    const std::string name = "determinism";
    Session& session = *context.mSession;
    Random& random = context.mRandom;
    const int settingsCount = context.mOptions.mStrict ? 12 : 3;
    const int64_t kFrames = context.mOptions.mStrict ? 65536 : 16384;

    Failures failures;
    int pairs = 0;
    for (const ComponentDescription* component : session.mComponents) {
        const int inputs = std::max(component->InputChannels(), 0);
        for (int s = 0; s < settingsCount; ++s) {
            const double rate = context.mOptions.mStrict
                                    ? kRates[static_cast<std::size_t>(s) % kRates.size()]
                                    : kSessionRate;
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
                    channel[static_cast<std::size_t>(i)] += static_cast<float>(
                        0.4 * std::sin(2.0 * M_PI * 220.0 * static_cast<double>(i) / rate));
                }
            }
            const std::vector<int32_t> plan = BlockPlan(random, 0, 2048);
            Signal outputs[2];
            SetCrashContext(name, "rendering two instances, " + label);
            WithRenderThread(session.mHost.RunLoop(), [&](const std::atomic<bool>&) {
                SignalRenderer(*first).All(input, kFrames, plan, outputs[0]);
                SignalRenderer(*second).All(input, kFrames, plan, outputs[1]);
            });
            ++pairs;
            for (std::size_t c = 0; c < outputs[0].size(); ++c) {
                const auto& a = outputs[0][c];
                const auto& b = outputs[1][c];
                if (std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) != 0) {
                    std::size_t frame = 0;
                    while (frame < a.size() &&
                           std::memcmp(&a[frame], &b[frame], sizeof(float)) == 0) {
                        ++frame;
                    }
                    failures.Add(
                        Format("%s: the two instances part at frame %zu of channel %zu (%g vs %g)",
                               label.c_str(), frame, c, static_cast<double>(a[frame]),
                               static_cast<double>(b[frame])));
                    break;
                }
            }
        }
    }
    const std::string figures = Format(
        "%d pairs of instances (%zu layouts x %d settings: defaults and random), "
        "%lld frames each in random blocks",
        pairs, session.mComponents.size(), settingsCount, static_cast<long long>(kFrames));
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(name, figures + ": bit-identical output");
}

}  // namespace hpihost::validation
