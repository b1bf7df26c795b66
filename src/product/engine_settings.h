#pragma once
// Engine settings: plain values that OnParamChange writes on a host, editor or
// reset thread and the audio thread reads without a lock. Each member is a
// naturally aligned 32- or 64-bit value, so a read sees either the old or the
// new value; a change takes effect at the engine's next read.
#include <cstdint>

struct EngineSettings {
    double driveTarget = 0.0;          // linear preamp drive, 0.01 .. 10
    double trimTarget = 0.0;           // linear output gain
    int32_t highPassSelection = 0;     // 0 (off) .. 4
    int32_t lowFrequencySelection = 0; // 0 (off) .. 4
    double lowPositionTarget = 0.0;    // 0.05 .. 0.95, 0.5 flat
    int32_t midFrequencySelection = 0; // 0 (off) .. 6
    double midPositionTarget = 0.0;    // 0.95 .. 0.05, 0.5 flat, lower boosts
    double highPositionTarget = 0.0;   // 0 .. 1, 0.5 flat
    int32_t processingSwitch = 0;      // 1 process, 0 pass the input through
    int32_t micCurveSelection = 0;     // 0 or 1
    int32_t oversamplingPasses = 0;    // 0 (off) or 2 (on)
    int32_t latencyBase = 0;           // samples: 16 without, 80 with oversampling
};
