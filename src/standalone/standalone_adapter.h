#pragma once
// The standalone adapter: the framework's plug-in (PluginAPIBase,
// PluginProcessor) behind a program of its own that feeds it audio from a
// sound server (JACK). A product derives from it; the program's JACK client
// (jack_client.h) calls the operations below.
//
// Two sides:
//   control [main]  the program's main thread, which is also the editor's
//                   thread ([ui]): command line, state, session manager and
//                   editor change parameters here.
//   audio [audio]   the server's process callback: Process only.
//
// Parameter changes: the control side stores the Param's value (an atomic,
// so the editor and the state see it at once) and queues its index on a
// RingQueue; Process takes the queue before each block and runs the
// product's OnParamChange there, so the signal chain's settings change only
// between blocks of the audio thread. A full queue is not lost: the next
// block applies every parameter.
//
// Preparing: Prepare sizes every buffer for the server's sample rate and
// largest block, outside the process callback. The two sides share one gate:
// Prepare waits (on the control side) until no block runs and keeps blocks
// out while it works; a block that finds the gate taken writes silence.
// A block longer than the prepared size is silenced as well and counted.
//
// Latency: the signal chain's latency (PluginProcessor::Latency) is known
// from Prepare on (it runs a block of no frames); a change made by a block is
// flagged for the control side, which tells the server (TakeLatencyChange).
//
// Threads: construction, Prepare, SetParamValue, the state operations and
// TakeLatencyChange on [main]; Process on [audio].
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/plugin_api_base.h"
#include "core/plugin_processor.h"
#include "core/ring_queue.h"

// What the program hands the product's constructor.
struct StandaloneInstanceInfo {
    int channels = 2;  // 1 mono, 2 stereo
};

// Parameter indices waiting for the audio side, at most.
inline constexpr int kStandaloneParamQueueSize = 1024;

// What LoadStateBytes made of outside bytes.
enum class StateLoad {
    Loaded,   // every value taken
    Damaged,  // refused: wrong length or a value that is no number; nothing changed
};

class StandaloneAdapter : public PluginAPIBase, public PluginProcessor {
public:
    using EditorDelegate::OnParamChange;

    // [main] Connects the channel slots of the instance's channel count (the
    // others stay unconnected: silent inputs, discarded outputs).
    StandaloneAdapter(const PluginConfig& config, const StandaloneInstanceInfo& info);
    // [main]
    ~StandaloneAdapter() override;

    // [any]
    int Channels() const { return mChannels; }

    // ---- Audio -----------------------------------------------------------------
    // [main] (or the server's notification thread; one caller at a time)
    // Waits until no block runs, then sets the sample rate and the
    // largest block (both cut to usable values), resets the signal chain and
    // runs a block of no frames so the latency is known. Allocates.
    void Prepare(double sampleRate, int maxFrames);
    // [audio] One block: takes the queued parameter changes, then processes
    // inputs (Channels() buffers of frames samples, a null one reads as
    // silence) into outputs (Channels() buffers). Silence while Prepare runs,
    // before the first Prepare, or for a block longer than prepared. Never
    // allocates, locks or calls the system.
    void Process(const float* const* inputs, float* const* outputs, int frames);
    // [any] Blocks silenced because they were longer than prepared.
    int64_t OversizedBlocks() const { return mOversizedBlocks.load(std::memory_order_relaxed); }

    // [main] True once after a block changed the latency; the caller then
    // tells the server.
    bool TakeLatencyChange();

    // ---- Parameters (control side) ----------------------------------------------
    // [main, ui] Stores value (Restrict) in Param paramIdx and queues the
    // change for the audio side; counts a change. An index outside the table
    // does nothing.
    void SetParamValue(int paramIdx, double value);
    // [any] Changes made on the control side since construction (parameters,
    // loaded state); a session manager reads it to mark the session dirty.
    uint64_t ChangeCount() const { return mChangeCount.load(std::memory_order_relaxed); }

    // ---- State ---------------------------------------------------------------------
    // [main] The product's state chunk (SaveState's bytes, the same as every
    // other adapter stores).
    std::vector<uint8_t> StateBytes() const;
    // [main] Loads bytes that SaveState wrote and tells an open editor.
    // Refused, with nothing changed,
    // unless they are exactly as long as this product's state and every
    // value in them is a finite number; why goes to *reason.
    StateLoad LoadStateBytes(std::span<const uint8_t> bytes, std::string* reason);

    // ---- Overrides ---------------------------------------------------------------
    // [main, ui] The change goes to the audio side through the queue (the
    // product's OnParamChange runs there), not on the calling thread.
    void OnParamChange(int paramIdx, ParamSource source, int sampleOffset) override;
    // [ui] The base's handling (the Param takes the value, the editor is
    // told, OnParamChange queues it); counts a change.
    void SendUIParamValue(int paramIdx, double normalizedValue) override;
    // [main, audio] Flags the change for TakeLatencyChange, then the
    // processor's own handling.
    void ReportLatency(int samples) override;

private:
    enum Gate : int32_t { kGateClosed, kGateIdle, kGateProcessing, kGatePreparing };

    // [audio]
    void TakeParamChanges();
    // [main, audio] Queues every parameter (after a full queue, or a load).
    void QueueParamChange(int paramIdx);

    const int mChannels;
    RingQueue<int32_t> mParamChanges{kStandaloneParamQueueSize};
    // Set when a change could not be queued: the next block applies all.
    std::atomic<bool> mApplyAllParams{false};
    std::atomic<int32_t> mGate{kGateClosed};
    std::atomic<bool> mLatencyChanged{false};
    std::atomic<uint64_t> mChangeCount{0};
    std::atomic<int64_t> mOversizedBlocks{0};
};
