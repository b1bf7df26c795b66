#pragma once
// Tarnwhistle's eleven parameters, its configuration record and the mapping
// of parameter values to engine settings.
//
// Indices are stable: hosts, the saved state and the editor layout address
// parameters by these numbers.
//
// Threads: TarnwhistleConfig and DefineChannelParameters are [main] at
// construction. ApplyParamChange is [any] (host, editor or reset thread): it
// reads one atomic parameter value and stores engine settings with relaxed
// atomic stores, which the audio thread picks up at its next read.
#include "core/param_table.h"
#include "core/plugin_config.h"
#include "product/engine_settings.h"

enum ChannelParamIndex {
    kPreampGain = 0,  // "Preamp Gain", -24..24 dB
    kOutputTrim,      // "Output Trim", -24..24 dB
    kHighPass,        // "HighPass", OFF/50/80/160/300 Hz
    kLowFreq,         // "Low Freq", OFF/35/60/110/220 Hz
    kLowGain,         // "Low Gain", -15..15 dB
    kMidFreq,         // "Mid Freq", OFF/.36/.7/1.6/3.2/4.8/7.2 kHz
    kMidGain,         // "Mid Gain", -15..15 dB
    kHighGain,        // "High Gain", -15..15 dB
    kBypass,          // "Bypass", 1 processes, 0 passes the input through
    kMicPre,          // "Mic Pre", preamp curve 0 or 1
    kOversampling,    // "Oversampling", off/on
    kNumChannelParams
};

// [main] The product's configuration record; its texts are static.
PluginConfig TarnwhistleConfig();

// [main] Defines parameters 0..10 of params (which must hold at least eleven) with
// their names, ranges, defaults, labels and display texts. Parameters the
// table does not have are skipped.
void DefineChannelParameters(ParamTable& params);

// [main] Turns the current value of parameter index into the engine settings it
// drives. Any other index (or one the table lacks) changes nothing.
void ApplyParamChange(int index, const ParamTable& params, EngineSettings& settings);
