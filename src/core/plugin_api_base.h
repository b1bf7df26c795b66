#pragma once
// The host-facing base of the plug-in object: the hooks a host adapter fills
// in to tell its host about parameter gestures and values, the queues that
// carry parameter values and MIDI between the host, audio and editor threads,
// the 20 ms idle timer that drains the queues towards the editor, and the
// recorded identity of the host.
//
// Threads and queues (each queue has exactly one producer and one consumer):
//   parameter updates  [main] or [audio] (PostParamToEditor) -> idle tick
//   MIDI from editor   [ui] (QueueUIMidi)                    -> [audio] (adapter)
//   MIDI for editor    [audio] (PostMidiToEditor)            -> idle tick
//   SysEx from editor  [ui] (QueueUISysEx)                   -> [audio] (adapter)
//   SysEx for editor   [audio] (PostSysExToEditor)           -> idle tick
// The idle tick runs on the thread that pumps the process run loop (the
// thread that owns the host calls, which is also the editor's thread), never
// on [audio]. A full queue drops the new element.
#include <cstdint>
#include <memory>

#include "core/midi_message.h"
#include "core/plugin_base.h"
#include "core/ring_queue.h"
#include "core/text_buf.h"
#include "core/timer.h"

// The plug-in API a build speaks; ApiName gives its text.
enum PluginApiCode : int32_t {
    kApiVST2 = 0,
    kApiVST3 = 1,
    kApiAU = 2,
    kApiAUv3 = 3,
    kApiHPI = 4,
    kApiAPP = 5,
    kApiWAM = 6,
    kApiWEB = 7,
    kApiLV2 = 8,
    kApiCLAP = 9,
};

// One parameter value on its way to the editor: a real value, not normalised.
struct ParamUpdate {
    int32_t paramIdx = 0;
    double value = 0.0;
};

inline constexpr int kParamUpdateQueueSize = 512;
inline constexpr int kMidiQueueSize = 32;
inline constexpr int kSysExQueueSize = 4;
inline constexpr int kIdleTimerPeriodMs = 20;
// Limits of the version and build texts, in characters.
inline constexpr int kMaxVersionTextChars = 32;
inline constexpr int kMaxBuildInfoChars = 256;

class PluginAPIBase : public PluginBase {
public:
    // [main] Takes the identity from the configuration (through PluginBase),
    // records apiCode and creates the queues. No timer yet: the host adapter
    // calls CreateIdleTimer.
    PluginAPIBase(const PluginConfig& config, int32_t apiCode);
    // [main] Stops the idle timer before anything else goes away.
    ~PluginAPIBase() override;

    // ---- Virtual operations after PluginBase's, in slot order ---------------
    // [any] Queries and hooks for other hosts; nothing in the framework asks or
    // calls them.
    virtual bool HostSupportsEditorResize() const;
    // [any]
    virtual bool HostSupportsSidechain() const;
    // [main] Called last by SetHost, once the host is recorded.
    virtual void OnHostKnown();
    // [main]
    virtual void OnActivate(bool active);
    // [main]
    virtual void OnTransportChanged();
    // [main]
    virtual void OnTrackColorChanged();
    // [main]
    virtual void OnHostSelectionChanged();
    // [main, ui] The open editor's graphics context, or null.
    virtual Graphics* ViewInterface();
    // [main] Called at the end of every idle tick, editor open or not.
    virtual void OnIdle();
    // [main]
    virtual void OnHelpRequested();
    // [main] The host's name for the plug-in's track; default leaves out alone.
    virtual void TrackName(TextBuf& out);
    // [main]
    virtual void OnTrackNumberChanged();
    // [main]
    virtual void OnHostRestart();
    // [main]
    virtual void OnPresetListChanged();
    // [main, audio] Queues a value for the editor; a normalised value is
    // turned into the real one first. One producer thread at a time; an
    // index outside the table, or a full queue, drops the value.
    virtual void PostParamToEditor(int paramIdx, double value, bool isNormalized);
    // [main] Called by SetHost before OnHostKnown.
    virtual void PrepareForHost();
    // [ui] Asks the host to resize the editor view (pixels); answers whether
    // it did. Default false.
    virtual bool RequestEditorSize(int width, int height);
    // [main, ui] Tell the host a parameter is touched, released or set
    // (normalised). Defaults do nothing.
    virtual void NotifyHostParamBegin(int paramIdx);
    // [ui]
    virtual void NotifyHostParamEnd(int paramIdx);
    // [ui]
    virtual void NotifyHostParamValue(int paramIdx, double normalizedValue);
    // [ui]
    virtual void OnContextMenuRequested(int paramIdx);
    // [ui]
    virtual void OnProcessingModeChanged();

    // ---- Overrides of the editor delegate ------------------------------------
    // [main] NotifyHostParamValue(i, GetNorm) for every parameter in order.
    void PushAllValuesToHost() override;
    // [ui] NotifyHostParamBegin.
    void BeginUIParamGesture(int paramIdx) override;
    // [ui] SetNorm, NotifyHostParamValue, OnParamChange(UI, -1) so the engine
    // follows at once; then the delegate's SetNorm and
    // OnParamChangeInEditor(UI). An index outside the table does nothing.
    void SendUIParamValue(int paramIdx, double normalizedValue) override;
    // [ui] NotifyHostParamEnd.
    void EndUIParamGesture(int paramIdx) override;
    // [ui] RequestEditorSize when the window must be resized, else true.
    bool NegotiateEditorSize(int width, int height, bool needsWindowResize) override;
    // [ui] Queued for the audio thread.
    void SendUIMidi(const MidiMessage& message) override;
    // [ui]
    void SendUISysEx(const SysExMessage& message) override;
    // [ui] OnMessage at once, on the calling thread.
    void SendUIMessage(int msgTag, int ctrlTag, int dataSize, const void* data) override;
    // [ui] Push to the MIDI / SysEx queue from the editor. SysEx longer than
    // kMaxSysExBytes is cut; a null data pointer gives zero bytes.
    void QueueUIMidi(const MidiMessage& message) override;
    // [ui]
    void QueueUISysEx(const SysExMessage& message) override;

    // ---- Queue ends for the host adapter ---------------------------------------
    // [audio]
    bool PopMidiFromEditor(MidiMessage& out);
    // [audio]
    bool PopSysExFromEditor(SysExRecord& out);
    // [audio] false when dropped
    bool PostMidiToEditor(const MidiMessage& message);
    // [audio] false when dropped
    bool PostSysExToEditor(const SysExMessage& message);

    // ---- Host and plug-in identity -----------------------------------------------
    // [main] Records the host: its code from the name (HostCodeOfName) and its
    // packed version (major << 16 | minor << 8 | patch); then PrepareForHost
    // and OnHostKnown. A null name counts as "".
    void SetHost(const char* name, int version);
    // [any] -1 until SetHost, 0 unknown
    int32_t HostType() const { return mHostType; }
    // [any] major * 10000 + minor * 100 + patch when asDecimal, else packed.
    int32_t HostVersion(bool asDecimal) const;
    // [main, ui] "v6.1.2"
    void HostVersionText(TextBuf& out) const;
    // [any] as HostVersion
    int32_t PluginVersion(bool asDecimal) const;
    // [main, ui] "v7.0.0"
    void PluginVersionText(TextBuf& out) const;
    // [any] "HPI" ...; "" for an unknown code
    const char* ApiName() const;
    // [any] "x86-64" on x86-64 builds
    static const char* ArchName();
    // [main, ui] "<version> <api> (<arch>), built on <date> at <hh:mm> ",
    // at most kMaxBuildInfoChars; null texts count as "".
    void BuildInfo(TextBuf& out, const char* date, const char* time) const;

    // [main] Starts the 20 ms idle timer on the process run loop, replacing
    // (and destroying) any previous one. Each tick: when the plug-in has an
    // editor, deliver the waiting parameter updates (SendParamValueToEditor
    // with real values), MIDI and SysEx, each queue in order; then OnIdle.
    void CreateIdleTimer();

protected:
    // [main] For a derived destructor whose OnIdle uses its own members.
    void StopIdleTimer();

    std::unique_ptr<Timer> mIdleTimer;
    RingQueue<ParamUpdate> mParamUpdatesForEditor{kParamUpdateQueueSize};
    RingQueue<MidiMessage> mMidiFromEditor{kMidiQueueSize};
    RingQueue<MidiMessage> mMidiForEditor{kMidiQueueSize};
    RingQueue<SysExRecord> mSysExFromEditor{kSysExQueueSize};
    RingQueue<SysExRecord> mSysExForEditor{kSysExQueueSize};
    // [audio] Where the adapter unpacks one SysEx record while draining.
    SysExRecord mSysExStaging;

private:
    void IdleTick();
};

// [any] "v%d.%d.%d" of a packed version, at most kMaxVersionTextChars.
void FormatPackedVersion(int32_t packed, TextBuf& out);
// [any] major * 10000 + minor * 100 + patch of a packed version.
int32_t DecimalVersion(int32_t packed);
