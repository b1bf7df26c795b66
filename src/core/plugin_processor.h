#pragma once
// The audio side of the plug-in object. It knows which channel configurations
// the plug-in accepts, keeps one slot per possible input and output channel,
// turns the host's buffers into the 64-bit buffers the signal chain processes
// and back, passes audio through latency-compensated when bypassed, and holds
// sample rate, block size, latency and transport.
//
// Each block the host adapter, on the audio thread:
//   ConnectChannels (which slots the host feeds) -> AttachHostBuffers (inputs,
//   then outputs) -> ProcessHostBuffers or BypassHostBuffers.
// The signal chain sees one pointer per slot in each direction. An unconnected
// input slot reads zeros; an unconnected output slot is written and discarded.
//
// Frames and buffers: every slot owns a scratch buffer of BlockSize() doubles.
// The adapter raises the block size before a longer block arrives; should a
// longer block get here anyway, only the first BlockSize() frames are
// processed and the rest of each overwritten host output is written as
// silence, so nothing is ever read or written past a buffer.
//
// Real time: per block only conversion loops and copies run; nothing is
// allocated while block size and latency stay the same. Buffers grow only in
// SetBlockSize and ReportLatency. Nothing here takes a lock.
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/channel_config.h"
#include "core/midi_message.h"
#include "core/plugin_config.h"
#include "core/text_buf.h"
#include "core/time_info.h"

// Longest latency the bypass delay line compensates (about 5.5 s at 192 kHz).
// Larger reports are cut to it, so a wild value cannot exhaust memory.
inline constexpr int kMaxLatencySamples = 1 << 20;
// Largest block size; larger requests are cut to it.
inline constexpr int kMaxBlockSize = 1 << 18;
// Characters a channel label holds.
inline constexpr int kMaxChannelLabelChars = 32;

class PluginProcessor {
public:
    // [main] Parses the configuration's channel I/O string, creates the channel
    // slots (all unconnected, empty scratch) and, when the plug-in has at least
    // one input channel, the bypass delay line sized for the configured latency.
    explicit PluginProcessor(const PluginConfig& config);
    // [main]
    virtual ~PluginProcessor();

    PluginProcessor(const PluginProcessor&) = delete;
    PluginProcessor& operator=(const PluginProcessor&) = delete;

    // ---- Hooks, in slot order -------------------------------------------

    // [audio] The signal chain: one pointer per slot in each direction, each
    // valid for frames doubles. Default: output i copies input i where that
    // input exists; the other outputs are zero-filled.
    virtual void ProcessAudioBlock(double** inputs, double** outputs, int frames);
    // [audio] Each MIDI message for this block, before it is processed.
    // Default: forwards it unchanged to SendMidi.
    virtual void ProcessMidi(const MidiMessage& message);
    // [audio] A SysEx message for this block. Nothing delivers SysEx yet.
    virtual void ProcessSysEx(const SysExMessage& message);
    // [main, audio] after the sample rate or block size changed. Default: nothing.
    virtual void ResetProcessing();
    // [main] Processing is switched on or off. Nothing calls it yet.
    virtual void OnActivate(bool active);
    // [audio] Sends a MIDI message to the host; the host adapter supplies it.
    // Default: false (not sent).
    virtual bool SendMidi(const MidiMessage& message);
    // [audio] SendMidi for each message in order; true when all were sent.
    virtual bool SendMidiList(std::span<const MidiMessage> messages);
    // [audio] Sends a SysEx message to the host. Default and so far: false.
    virtual bool SendSysEx(const SysExMessage& message);
    // [main] Name of a bus as the host shows it: "Output" / "Output %i";
    // "Input" / "Main", "Aux" (two buses) / "Input %i". The index is printed
    // as given.
    virtual void BusName(Direction direction, int busIndex, int busCount, TextBuf& out) const;
    // [main, audio] The signal chain's latency changed. Cut to
    // 0..kMaxLatencySamples. A new value restarts the delay line from zeros
    // (allocating only when it grows past its largest size so far); reporting
    // the current value again keeps its content. The host adapter extends this
    // to tell the host first.
    virtual void ReportLatency(int samples);
    // [any] The latency the signal chain will report for the settings it
    // has now, before a block has run on them, for hosts that ask between
    // blocks. Default: Latency().
    virtual int LatencyForSettings() const;

    // ---- Channel configurations -------------------------------------------

    // [any] True when a configuration has exactly these channel totals; a
    // negative count accepts any total.
    bool LegalIO(int inputs, int outputs) const;
    // [any] Index of the first configuration whose buses have exactly these
    // channel counts, in order; -1 when none has.
    int ConfigIndexForBusChannels(std::span<const int> inputBusChannels,
                                  std::span<const int> outputBusChannels) const;
    // [any] Largest bus count of any configuration in this direction; when
    // configIndex is given it receives the index of the last configuration
    // with that many buses (0 when there is no configuration).
    int MaxBusCount(Direction direction, int* configIndex = nullptr) const;
    // [any] Largest channel count of this bus over all configurations (a
    // configuration without the bus counts 0, so any index out of every
    // configuration's range gives 0); -1 when the first configuration has a
    // "*" bus in this direction.
    int MaxChannelsOfBus(Direction direction, int busIndex) const;
    // [any]
    int ConfigCount() const { return static_cast<int>(mChannelConfigs.size()); }
    // [any]
    const std::vector<ChannelConfig>& ChannelConfigs() const { return mChannelConfigs; }

    // ---- Channel slots ----------------------------------------------------

    // [any] Number of slots in this direction: the largest channel total of
    // any configuration (0 for an invalid direction).
    int MaxChannels(Direction direction) const;
    // [any]
    int ConnectedChannelCount(Direction direction) const;
    // [any]
    bool IsChannelConnected(Direction direction, int index) const;

    // [main, audio] Marks slots first .. first + count - 1 (those that
    // exist) connected or not. Every touched slot publishes its own scratch
    // buffer until host buffers are attached; an unconnected input slot's
    // scratch is zero-filled so the signal chain reads silence from it.
    void ConnectChannels(Direction direction, int first, int count, bool connected);

    // [audio] Hands the host's buffers to the connected slots among first ..
    // first + count - 1, one pointer per connected slot, in order (the array
    // must hold that many; unconnected slots consume none). A null array or a
    // null pointer reads as silence (input) or discards the results (output).
    // Single precision: inputs are converted into the slot's scratch buffer;
    // outputs publish the scratch buffer and remember the host buffer for
    // ProcessHostBuffers / BypassHostBuffers.
    void AttachHostBuffers(Direction direction, int first, int count,
                           float* const* hostBuffers, int frames);
    // [audio] 64-bit: the host's buffers are published to the signal chain
    // directly, nothing is converted.
    void AttachHostBuffers(Direction direction, int first, int count,
                           double* const* hostBuffers, int frames);

    // [audio] Runs ProcessAudioBlock over the attached buffers, then writes the
    // connected outputs into the host's float buffers (overwriting them).
    void ProcessHostBuffers(int frames);
    // [audio] As ProcessHostBuffers, for buffers attached as 64-bit.
    void ProcessHostBuffers64(int frames);
    // [audio] As ProcessHostBuffers, but adds the results to the host's float
    // buffers instead of overwriting them.
    void ProcessHostBuffersAccumulate(int frames);

    // [audio] Passes input i to output i unchanged, delayed by the reported
    // latency so that switching bypass keeps the timing; outputs without an
    // input are silent. Then writes the connected outputs to the host's float
    // buffers.
    void BypassHostBuffers(int frames);
    // [audio] As BypassHostBuffers, for buffers attached as 64-bit.
    void BypassHostBuffers64(int frames);

    // [main] The label becomes format applied to index + 1 (index when
    // zeroBased), cut to kMaxChannelLabelChars. format takes one int.
    // Out-of-range slots are ignored.
    void SetChannelLabel(Direction direction, int index, const char* format, bool zeroBased);
    // [main] "" for out-of-range slots.
    const char* ChannelLabel(Direction direction, int index) const;

    // ---- Rate, block, latency, transport ----------------------------------

    // [main] Ignores values that are not finite and positive.
    void SetSampleRate(double sampleRate);
    // [any]
    double SampleRate() const { return mSampleRate; }
    // [main, audio] (when a longer block arrives). A changed size resizes
    // and zero-fills every scratch buffer and republishes them; cut to
    // 0..kMaxBlockSize.
    void SetBlockSize(int blockSize);
    // [any]
    int BlockSize() const { return mBlockSize; }
    // [any]
    int Latency() const { return mLatency.load(std::memory_order_relaxed); }
    // [audio] sample rate * 60 / tempo; 0 without a positive tempo.
    double SamplesPerBeat() const;
    // [audio] Filled by the host adapter before each processed block.
    ::TimeInfo& GetTimeInfo() { return mTimeInfo; }
    // [audio]
    const ::TimeInfo& GetTimeInfo() const { return mTimeInfo; }

    // ---- Configuration flags ------------------------------------------------

    // [any] 0 effect, 1 instrument, 2 MIDI effect
    int32_t PluginKind() const { return mPluginKind; }
    // [any]
    bool IsInstrument() const { return mPluginKind == 1; }
    // [any]
    bool IsMidiEffect() const { return mPluginKind == 2; }
    // [any]
    bool ReceivesMidi() const { return mReceivesMidi; }
    // [any]
    bool SendsMidi() const { return mSendsMidi; }
    // [any]
    bool HandlesMPE() const { return mHandlesMPE; }
    // [any] Set by the host adapter while the host renders offline.
    void SetRenderingOffline(bool offline) { mRenderingOffline.store(offline, std::memory_order_relaxed); }
    // [any]
    bool RenderingOffline() const { return mRenderingOffline.load(std::memory_order_relaxed); }

private:
    struct ChannelSlot {
        bool connected = false;
        float* hostBuffer = nullptr;      // output, single precision: written back
        double* hostBuffer64 = nullptr;   // output, 64-bit: published directly
        std::vector<double> scratch;      // BlockSize() doubles
        TextBuf label;
    };

    // Holds the last `length` frames of every input slot, channel after
    // channel, to delay the bypassed signal by the latency.
    struct LatencyDelay {
        std::vector<double> buffer;
        int inputChannels = 0;
        int outputChannels = 0;
        int writePosition = 0;
        int length = 0;
    };

    ChannelSlot* Slot(Direction direction, int index);
    const ChannelSlot* Slot(Direction direction, int index) const;
    void PublishScratch(Direction direction, int index);
    int ClampFrames(int frames) const;
    void PassThrough(int frames);
    void DelayThroughLatency(int frames);
    void WriteHostOutputs(int frames, int hostFrames, bool accumulate);
    void SilenceHostTail64(int frames, int hostFrames);
    void ResizeLatencyDelay(int length);

    int32_t mPluginKind = 0;
    bool mReceivesMidi = false;
    bool mSendsMidi = false;
    bool mHandlesMPE = false;
    std::atomic<int> mLatency{0};
    double mSampleRate = 48000.0;
    int mBlockSize = 0;
    std::atomic<bool> mRenderingOffline{false};
    std::vector<ChannelConfig> mChannelConfigs;
    // What the signal chain sees: one buffer pointer per slot and direction.
    std::vector<double*> mChannelData[kDirectionCount];
    std::vector<ChannelSlot> mChannels[kDirectionCount];
    std::unique_ptr<LatencyDelay> mLatencyDelay;   // absent without inputs
    ::TimeInfo mTimeInfo;
};
