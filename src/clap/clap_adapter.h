#pragma once
// The CLAP host adapter: one object that is the framework's plug-in
// (PluginAPIBase, PluginProcessor) behind one CLAP plug-in instance. A
// product derives from it; the module's factory (clap_plugin_table.h) makes
// instances and routes the ABI's calls to the operations below.
//
// Parameters: parameter id i is Param i (ids never change, as indices do
// not). Bool and int Params are stepped, those with a display text for every
// position also enums; every Param is automatable. No Param is the host's
// bypass: hosts bypass by not processing.
// Texts: ParamValueToText writes what the Param's own display gives (its
// display text, else the number with its label); ParamTextToValue reads a
// display text (case aside) or a number with or without the label, and
// refuses what is malformed, not on a step of a stepped Param, or out of
// range.
//
// Events: a parameter value event applies Param::SetValue and
// OnParamChange(i, Host, time) at its frame: Process splits the block there,
// so the output changes from that frame on (after the strip's smoothing).
// Events at time 0 of the first block after Activate, and values flushed
// before it, sound from frame 0. Other events are ignored.
// The editor's gestures (NotifyHostParamBegin/Value/End) are queued and leave
// as PARAM_GESTURE_BEGIN, PARAM_VALUE and PARAM_GESTURE_END output events in
// the next Process or Flush, each at time 0; while the host is not
// processing, each one asks it for a flush (request_flush).
//
// State: exactly the product's SaveState bytes, written and read through the
// host's streams in whatever pieces they take or give. A load reads the
// whole stream first; a stream that fails, is empty, is longer than
// kClapMaxStateBytes, has another length than a fresh state, or holds a value
// that is no number or off its Param's range or steps (the values close the
// state) is refused before anything changes.
//
// Latency: taken from the signal chain at Activate (it reports it for the
// current settings) and fixed until the next Activate; when the chain reports
// another while active, the host is asked once to restart. The host's
// latency.changed() is called only inside Activate.
//
// Editor: the gui extension is not offered by this adapter yet; it would sit
// beside the others in the plug-in table (clap_plugin_table.cpp) and drive the
// editor-window handle from the host's main thread.
//
// Threads, as CLAP assigns them: construction, Init, Activate, Deactivate,
// the parameter queries, state, presets and OnMainThread on [main];
// StartProcessing, StopProcessing, Reset and Process on [audio]; Flush on
// [audio] while active, [main] while not; the editor's Notify hooks on [ui]
// (CLAP's main thread).
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "clap/clap_abi.h"
#include "clap/clap_description.h"
#include "core/plugin_api_base.h"
#include "core/plugin_processor.h"
#include "core/ring_queue.h"

// Largest state the adapter reads; a longer stream is refused.
inline constexpr uint64_t kClapMaxStateBytes = 16u * 1024u * 1024u;
// Latency the bypass delay line is sized for at construction, so a signal
// chain that reports up to this much never makes Process allocate.
inline constexpr int kClapLatencyReserve = 4096;
// Editor gesture events waiting for the host; more are dropped.
inline constexpr int kClapGestureQueueSize = 512;

// What the module's factory hands the product's constructor.
struct ClapInstanceInfo {
    const ClapHost* host = nullptr;
    int audioInputs = 2;
    int audioOutputs = 2;
    // The product's factory presets, for preset-load; may be null.
    const std::vector<ClapPreset>* presets = nullptr;
};

class ClapAdapter : public PluginAPIBase, public PluginProcessor {
public:
    using EditorDelegate::OnParamChange;

    // [main] Connects the slots of the instance's channel configuration and
    // sizes the bypass delay line. Calls nothing of the host.
    ClapAdapter(const PluginConfig& config, const ClapInstanceInfo& info);
    // [main]
    ~ClapAdapter() override;

    // [main] False when the channel counts are not one of the plug-in's
    // configurations; the factory then refuses the instance.
    bool Usable() const { return mUsable; }

    // ---- Lifecycle ---------------------------------------------------------------
    // [main] Records the host and finds its extensions (params, latency, log,
    // thread-check, preset-load, state). Always true.
    bool Init();
    // [main] Takes the sample rate (false for one that is not finite and
    // positive) and maxFrames as the block size, resets the signal chain and
    // takes its latency.
    bool Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
    // [main]
    void Deactivate();
    // [audio]
    bool StartProcessing();
    // [audio]
    void StopProcessing();
    // [audio] Clears the signal chain's running state; values stay.
    void Reset();
    // [audio] Applies the input events at their frames, processes the audio
    // and sends the editor's gestures. Any frame count, 0 included; in place
    // or not. Never allocates.
    int32_t Process(const ClapProcess& process);
    // [main] Nothing is deferred to the main thread yet.
    void OnMainThread();
    // [any]
    bool IsActive() const { return mActive.load(std::memory_order_acquire); }

    // ---- audio-ports [main] --------------------------------------------------------
    // [main] One main port each way (none where the configuration has no channels).
    uint32_t AudioPortCount(bool isInput) const;
    // [main]
    bool AudioPortInfo(uint32_t index, bool isInput, ClapAudioPortInfo& info) const;

    // ---- params ----------------------------------------------------------------------
    // [main]
    uint32_t ParamCount() const;
    // [main]
    bool ParamInfo(uint32_t index, ClapParamInfo& info) const;
    // [main] The Param's value: what was last flushed, processed, loaded or
    // set by the editor.
    bool ParamValue(ClapId id, double& value) const;
    // [main]
    bool ParamValueToText(ClapId id, double value, char* text, uint32_t capacity) const;
    // [main]
    bool ParamTextToValue(ClapId id, const char* text, double& value) const;
    // [audio] while active, [main] while not: applies the input events (their
    // times aside) and sends the editor's gestures.
    void Flush(const ClapInputEvents* in, const ClapOutputEvents* out);

    // ---- state [main] ---------------------------------------------------------------------
    // [main]
    bool SaveClapState(const ClapOutputStream& stream) const;
    // [main] Safe while processing: values reach the signal chain as a host's
    // changes do.
    bool LoadClapState(const ClapInputStream& stream);

    // ---- latency, render, presets [main] -------------------------------------------------
    // [main] The latency fixed at the last Activate.
    uint32_t LatencySamples() const;
    // [main] True for realtime and offline.
    bool SetRenderMode(int32_t mode);
    // [main] A factory preset by its id (locationKind kClapPresetLocationPlugin,
    // location null); the host's preset-load hears of the result.
    bool LoadPreset(uint32_t locationKind, const char* location, const char* loadKey);

    // ---- PluginAPIBase hooks: the editor's gestures [ui] ----------------------------------
    // [main, ui]
    void NotifyHostParamBegin(int paramIdx) override;
    // [ui]
    void NotifyHostParamValue(int paramIdx, double normalizedValue) override;
    // [ui]
    void NotifyHostParamEnd(int paramIdx) override;

    // ---- PluginProcessor hooks ---------------------------------------------------------------
    // [main, audio] Cut to 0..kMaxLatencySamples, then the processor's own
    // handling; a value other than the activated one asks for a restart.
    void ReportLatency(int samples) override;

    // [any] The CLAP object the host holds; the plug-in table fills it.
    ClapPlugin& PluginObject() { return mPluginObject; }
    // [any]
    const ClapHost* Host() const { return mHost; }

protected:
    // [main] Logs through the host when it offers log.
    void Log(int32_t severity, const char* message) const;

private:
    struct GestureEvent {
        uint16_t type = 0;  // ClapEventType
        ClapId paramId = 0;
        double value = 0.0;
    };

    // [main] Asserts in debug builds that the host says this is its main thread.
    void CheckMainThread() const;
    // [audio, main] One input event, when it is a value of one of ours.
    void ApplyEvent(const ClapEventHeader& event, int frame);
    // [audio, main]
    void SendGestures(const ClapOutputEvents* out);
    // [ui]
    void QueueGesture(uint16_t type, int paramIdx, double value);
    // [audio]
    void ProcessSpan(const ClapProcess& process, uint32_t offset, int frames);
    void FillTimeInfo(const ClapEventTransport* transport);
    // [main] Whether bytes are a state this plug-in would write.
    bool PlausibleState(const ByteChunk& state, std::string& why) const;
    // [main] Host-side consequences of values changed on the main thread.
    void AfterMainThreadValues();

    ClapPlugin mPluginObject{};
    const ClapHost* mHost = nullptr;
    const ClapHostParams* mHostParams = nullptr;
    const ClapHostLatency* mHostLatency = nullptr;
    const ClapHostLog* mHostLog = nullptr;
    const ClapHostThreadCheck* mThreadCheck = nullptr;
    const ClapHostPresetLoad* mHostPresetLoad = nullptr;
    const ClapHostState* mHostState = nullptr;
    const std::vector<ClapPreset>* mPresets = nullptr;

    int mAudioInputs = 0;
    int mAudioOutputs = 0;
    bool mUsable = true;
    std::atomic<bool> mActive{false};
    std::atomic<bool> mProcessing{false};
    int mActivatedLatency = 0;
    // What latency.changed() last told the host; -1 before the first activation.
    int mToldLatency = -1;
    std::atomic<bool> mRestartRequested{false};

    RingQueue<GestureEvent> mGestures{kClapGestureQueueSize};
    // The pointers of the piece being processed (sized once).
    std::vector<float*> mInputPiece;
    std::vector<float*> mOutputPiece;
};
