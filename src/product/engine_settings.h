#pragma once
// Engine settings: values that OnParamChange writes on a host, editor or reset
// thread and the audio thread reads without a lock. Each member is a lock-free
// atomic used with relaxed ordering (a plain load or store on x86-64), so a
// read sees either the old or the new value and a change takes effect at the
// engine's next read.
#include <atomic>
#include <cstdint>

// The latency the strip reports, in samples: the band filters' decimator
// alone, and with the preamp's oversampling on its filters as well.
inline constexpr int32_t kStripLatencySamples = 16;
inline constexpr int32_t kOversampledStripLatencySamples = 80;

struct EngineSettings {
    std::atomic<double> driveTarget{0.0};          // linear preamp drive, 0.01 .. 10
    std::atomic<double> trimTarget{0.0};           // linear output gain
    std::atomic<int32_t> highPassSelection{0};     // 0 (off) .. 4
    std::atomic<int32_t> lowFrequencySelection{0}; // 0 (off) .. 4
    std::atomic<double> lowPositionTarget{0.0};    // 0.05 .. 0.95, 0.5 flat
    std::atomic<int32_t> midFrequencySelection{0}; // 0 (off) .. 6
    std::atomic<double> midPositionTarget{0.0};    // 0.95 .. 0.05, 0.5 flat, lower boosts
    std::atomic<double> highPositionTarget{0.0};   // 0 .. 1, 0.5 flat
    std::atomic<int32_t> processingSwitch{0};      // 1 process, 0 pass the input through
    std::atomic<int32_t> micCurveSelection{0};     // 0 or 1
    std::atomic<int32_t> oversamplingPasses{0};    // 0 (off) or 2 (on)
    std::atomic<int32_t> latencyBase{0};           // kStripLatencySamples or kOversampledStripLatencySamples

    static_assert(std::atomic<double>::is_always_lock_free);
};

// [any] The latency the engine reports for these settings: the latency base
// while processing, none while the input passes through.
inline int32_t ReportedLatency(const EngineSettings& settings) {
    return settings.latencyBase.load(std::memory_order_relaxed) *
           settings.processingSwitch.load(std::memory_order_relaxed);
}
