#pragma once
// An audio processor that runs the channel strip: the processor base with
// Tarnwhistle's configuration, its eleven parameters, the engine settings
// they drive and the engine. The product class holds the engine the same way;
// this one serves tests, benchmarks and tools that need the strip's sound
// without a host adapter or an editor.
//
// Threads: construction and SetParam are [main] (SetParam may also run while
// the audio thread processes: it writes one atomic parameter value and the
// settings' relaxed atomics). ProcessAudioBlock and ResetProcessing are
// called by the processor base and the adapter as documented there.
#include "core/param_table.h"
#include "core/plugin_processor.h"
#include "product/channel_parameters.h"
#include "product/channel_strip_engine.h"
#include "product/engine_settings.h"

class StripProcessor : public PluginProcessor {
public:
    // [main] Defines the parameters at their defaults and derives every engine
    // setting from them, so the settings hold real values before the first
    // reset or block.
    StripProcessor();

    // [main, ui] Sets parameter index (restricted to its range) and
    // updates the engine settings it drives. Other indices are ignored.
    void SetParam(int index, double value);

    // [any]
    const ParamTable& Params() const { return mParams; }
    // [any]
    const EngineSettings& Settings() const { return mSettings; }

    // [audio] Runs the engine on channels 0 and 1, then reports its latency
    // when it differs from the current one.
    void ProcessAudioBlock(double** inputs, double** outputs, int frames) override;
    // [main, audio] Resets the engine (half-band lines, smoothers).
    void ResetProcessing() override;

private:
    ParamTable mParams;
    EngineSettings mSettings;
    const Param* mMicPre = nullptr;
    ChannelStripEngine mEngine;
};
