// Speed of the channel strip against the cost of its preamp curves alone.
//
// BM_Engine runs the whole strip on stereo 512-frame blocks at 48 kHz;
// BM_CurveFloor evaluates the same preamp curve as often per stereo sample as
// the strip must (2 shapings without oversampling, 6 with it) on similar
// values. Both report `rtf`: seconds of audio processed per second of CPU.
// Engine time / floor time is the overhead of everything around the curves.
//
// BM_SixtyFourStrips is a mixing session: 64 stereo strips, each on its own
// material, at 48 kHz in 128-frame blocks on one thread. It reports
// `core_share`: the part of one core they take (1.0: the core is full).
//
// Arguments: oversampling (0 off, 1 on), mic curve (0 or 1), and for the
// engine the curves' lanes per vector call (0: the widest the CPU runs).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "core/param_table.h"
#include "dsp/preamp_curve.h"
#include "product/channel_parameters.h"
#include "product/channel_strip_engine.h"

namespace {

constexpr double kSampleRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocks = 32;  // distinct blocks cycled through, so the data moves

// The floor's curve runs on the standard library's tanh and atan: a yardstick
// that stays put whatever math the strip itself uses.
struct StandardMath {
    static double Tanh(double x) { return std::tanh(x); }
    static double Atan(double x) { return std::atan(x); }
};

// Two channels of programme-like material: a few partials and some noise,
// peaking around half scale.
struct Signal {
    std::vector<double> left, right;
    Signal() : left(kBlock * kBlocks + 1), right(kBlock * kBlocks + 1) {
        uint32_t seed = 12345;
        auto noise = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<double>(seed >> 8) / 16777216.0 - 0.5;
        };
        for (size_t i = 0; i < left.size(); ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            left[i] = 0.35 * std::sin(2 * std::numbers::pi * 220.0 * t) +
                      0.12 * std::sin(2 * std::numbers::pi * 3300.0 * t) + 0.05 * noise();
            right[i] = 0.3 * std::sin(2 * std::numbers::pi * 330.0 * t + 1.0) +
                       0.15 * std::sin(2 * std::numbers::pi * 1700.0 * t) + 0.05 * noise();
        }
    }
};

const Signal& TestSignal() {
    static const Signal signal;
    return signal;
}

void SetRtf(benchmark::State& state) {
    state.counters["rtf"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kSampleRate,
                           benchmark::Counter::kIsRate);
}

void BM_Engine(benchmark::State& state) {
    const int oversampling = static_cast<int>(state.range(0));
    const int curve = static_cast<int>(state.range(1));
    // Curve lanes: 0 the widest this CPU runs.
    const int lanes = state.range(2);
    if (lanes != 0 && !CurveLanesSupported(static_cast<CurveLanes>(lanes))) {
        state.SkipWithError("this CPU does not run that many lanes");
        return;
    }

    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    params.GetParam(kOversampling)->SetValue(oversampling);
    params.GetParam(kMicPre)->SetValue(curve);
    EngineSettings settings;
    for (int i = 0; i < kNumChannelParams; ++i) ApplyParamChange(i, params, settings);

    auto engine = std::make_unique<ChannelStripEngine>();
    if (lanes != 0) engine->SelectLanes(static_cast<CurveLanes>(lanes));
    engine->ResetProcessing(settings);

    const Signal& signal = TestSignal();
    std::vector<double> outL(kBlock), outR(kBlock);
    int block = 0;
    for (auto _ : state) {
        double* inputs[2] = {const_cast<double*>(&signal.left[block * kBlock]),
                             const_cast<double*>(&signal.right[block * kBlock])};
        double* outputs[2] = {outL.data(), outR.data()};
        engine->ProcessAudioBlock(inputs, outputs, kBlock, kSampleRate, settings,
                                  *params.GetParam(kMicPre));
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        block = (block + 1) % kBlocks;
    }
    SetRtf(state);
}

void BM_CurveFloor(benchmark::State& state) {
    const int oversampling = static_cast<int>(state.range(0));
    const int curve = static_cast<int>(state.range(1));
    // The default drive (-10 dB); the strip's smoothed drive settles there.
    const double g = std::pow(10.0, -10.0 / 20.0);

    const Signal& signal = TestSignal();
    std::vector<double> outL(kBlock), outR(kBlock);
    int block = 0;
    for (auto _ : state) {
        const double* xL = &signal.left[block * kBlock];
        const double* xR = &signal.right[block * kBlock];
        if (oversampling == 0) {
            for (int i = 0; i < kBlock; ++i) {
                outL[i] = ShapePreamp<StandardMath>(xL[i], curve, g, g);
                outR[i] = ShapePreamp<StandardMath>(xR[i], curve, g, g);
            }
        } else {
            // Double-rate values: the sample and the point between it and the next.
            for (int i = 0; i < kBlock; ++i) {
                const double midL = 0.5 * (xL[i] + xL[i + 1]);
                const double midR = 0.5 * (xR[i] + xR[i + 1]);
                const double evenL = ShapePreamp<StandardMath>(xL[i], curve, g, g);
                const double evenR = ShapePreamp<StandardMath>(xR[i], curve, g, g);
                const double oddL = ShapePreamp<StandardMath>(midL, curve, g, g);
                const double oddR = ShapePreamp<StandardMath>(midR, curve, g, g);
                // The host-rate path sees nearly the same value (not the same, so the
                // compiler cannot share the evaluation).
                outL[i] = evenL + oddL + ShapePreamp<StandardMath>(0.98 * xL[i], curve, g, g);
                outR[i] = evenR + oddR + ShapePreamp<StandardMath>(0.98 * xR[i], curve, g, g);
            }
        }
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        block = (block + 1) % kBlocks;
    }
    SetRtf(state);
}

void BM_SixtyFourStrips(benchmark::State& state) {
    constexpr int kStrips = 64;
    constexpr int kFrames = 128;
    const int oversampling = static_cast<int>(state.range(0));

    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    params.GetParam(kOversampling)->SetValue(oversampling);
    EngineSettings settings;
    for (int i = 0; i < kNumChannelParams; ++i) ApplyParamChange(i, params, settings);

    std::vector<std::unique_ptr<ChannelStripEngine>> engines;
    for (int s = 0; s < kStrips; ++s) {
        engines.push_back(std::make_unique<ChannelStripEngine>());
        engines.back()->ResetProcessing(settings);
    }
    std::vector<double> outL(kStrips * kFrames), outR(kStrips * kFrames);

    // Each strip starts at its own place in the material, so no two tracks are alike.
    const Signal& signal = TestSignal();
    const int length = kBlock * kBlocks;
    int position = 0;
    for (auto _ : state) {
        for (int s = 0; s < kStrips; ++s) {
            const int start = (position + s * 251) % (length - kFrames);
            double* inputs[2] = {const_cast<double*>(&signal.left[start]),
                                 const_cast<double*>(&signal.right[start])};
            double* outputs[2] = {&outL[s * kFrames], &outR[s * kFrames]};
            engines[s]->ProcessAudioBlock(inputs, outputs, kFrames, kSampleRate, settings,
                                          *params.GetParam(kMicPre));
        }
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
        benchmark::ClobberMemory();
        position = (position + kFrames) % (length - kFrames);
    }
    // CPU seconds per second of audio.
    state.counters["core_share"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames / kSampleRate,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_SixtyFourStrips)->ArgName("oversampling")->Arg(0)->Arg(1);
BENCHMARK(BM_Engine)
    ->ArgNames({"oversampling", "curve", "lanes"})
    ->ArgsProduct({{0, 1}, {0, 1}, {0}})
    ->ArgsProduct({{0, 1}, {1}, {2, 4, 8}});
BENCHMARK(BM_CurveFloor)->ArgNames({"oversampling", "curve"})->ArgsProduct({{0, 1}, {0, 1}});
