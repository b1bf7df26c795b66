#pragma once
// Tarnwhistle, the product: one object that is at once the plug-in core, the
// audio processor, the editor delegate and the host adapter's object. It
// ties the channel-strip engine and its eleven parameters to the framework.
//
// The base is the adapter of the module being built: "plugin_adapter.h" of
// the module's folder (hpi/ or lv2/, the one on that module's include path)
// defines PluginAdapter and InstanceInfo, so the same sources build into
// every host's module.
//
// Threads: construction and the state hooks on [main]; OnParamChange on
// whichever thread delivers the change ([main] host updates, [ui] editor
// drags, a reset); ProcessAudioBlock and ResetProcessing on [audio] (or
// [main] during initialisation). Engine settings are atomics, read by the
// audio thread without a lock.
#include <atomic>
#include <mutex>

#include "plugin_adapter.h"
#include "product/channel_parameters.h"
#include "product/channel_strip_engine.h"
#include "product/engine_settings.h"

class Tarnwhistle final : public PluginAdapter {
public:
    using PluginAdapter::OnParamChange;

    // [main] Builds the adapter from the product's configuration, defines the
    // eleven parameters and computes every engine setting from their
    // defaults, so the engine has defined settings from construction on.
    explicit Tarnwhistle(const InstanceInfo& info);
    // [main]
    ~Tarnwhistle() override;

    // [any] Recomputes the engine settings that depend on parameter paramIdx;
    // other indices do nothing.
    void OnParamChange(int paramIdx) override;
    // [main] The editor state (width, height, scale), then the eleven values.
    // Always true.
    bool SaveState(ByteChunk& chunk) const override;
    // [main] Reads what SaveState wrote from startPos; a short state restores
    // what it holds. Returns the position after the values, or -1.
    int LoadState(const ByteChunk& chunk, int startPos) override;
    // [audio] Runs the engine and publishes the input's peak; a changed
    // latency is reported (to the host first).
    void ProcessAudioBlock(double** inputs, double** outputs, int frames) override;
    // [main, audio] Resets the engine's running state; its next block starts on
    // the settings it finds then.
    void ResetProcessing() override;
    // [any] The engine's latency for the current settings.
    int LatencyForSettings() const override;

    // [any] The settings OnParamChange wrote.
    const EngineSettings& Settings() const { return mSettings; }
    // [any] The larger of the two inputs' peaks (linear), held from block to
    // block and falling by a factor e every kPeakFallSeconds; non-finite
    // samples are left out.
    double InputPeak() const { return mInputPeak.load(std::memory_order_relaxed); }
    static constexpr double kPeakFallSeconds = 0.3;

private:
    EngineSettings mSettings;
    std::atomic<double> mInputPeak{0.0};
    ChannelStripEngine mEngine;
};

// [main] The product's factory: constructs one Tarnwhistle on the heap while
// holding PlugFactoryLock, so instances are built one after the other. May
// throw std::bad_alloc.
PluginAdapter* MakePlug(const InstanceInfo& info);

// [any] The process-wide lock that serialises construction.
std::mutex& PlugFactoryLock();
