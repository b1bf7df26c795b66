// What one inline-display picture costs the host's GUI thread: the strip's
// response at every column, the copy of the kept background and the painting
// of the shading, the curve and the drive bar, at the widths Ardour's mixer
// strips ask for (height half the width). Every call draws a new setting
// (High Gain steps through its range), so nothing is left over from the last
// picture but the kept picture and background. BM_StripResponse is the
// response alone at as many frequencies: the rest is the drawing's.
#include <benchmark/benchmark.h>

#include <cmath>
#include <utility>
#include <vector>

#include "core/param_table.h"
#include "product/channel_parameters.h"
#include "product/display/strip_display.h"

namespace {

// Settings with every band in use and oversampling on.
struct BusySettings {
    ParamTable params{kNumChannelParams};
    EngineSettings settings;

    BusySettings() {
        DefineChannelParameters(params);
        for (int i = 0; i < kNumChannelParams; ++i) ApplyParamChange(i, params, settings);
        for (const auto& [index, value] : {std::pair{kHighPass, 2.0},
                                           {kLowFreq, 3.0},
                                           {kLowGain, -6.0},
                                           {kMidFreq, 3.0},
                                           {kMidGain, 7.0},
                                           {kOversampling, 1.0}}) {
            Set(index, value);
        }
    }
    void Set(int index, double value) {
        params.GetParam(index)->SetValue(value);
        ApplyParamChange(index, params, settings);
    }
};

void BM_InlineDisplay(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    BusySettings busy;
    StripDisplay display;
    int step = 0;
    for (auto _ : state) {
        busy.Set(kHighGain, -15.0 + (step++ % 31));
        StripDisplayState picture;
        picture.response = ResponseSettingsOf(busy.settings, 48000.0);
        picture.drive = PreampDriveAt(busy.settings, 0.3);
        benchmark::DoNotOptimize(display.Render(picture, width, width));
    }
}
BENCHMARK(BM_InlineDisplay)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_StripResponse(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    BusySettings busy;
    std::vector<double> frequencies(static_cast<std::size_t>(count));
    std::vector<double> gains(frequencies.size());
    for (int i = 0; i < count; ++i) frequencies[i] = 20.0 * std::pow(1000.0, (i + 0.5) / count);
    int step = 0;
    for (auto _ : state) {
        busy.Set(kHighGain, -15.0 + (step++ % 31));
        StripResponseDb(ResponseSettingsOf(busy.settings, 48000.0), frequencies.data(),
                        gains.data(), count);
        benchmark::DoNotOptimize(gains.data());
    }
}
BENCHMARK(BM_StripResponse)->Arg(100)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace
