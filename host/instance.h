#pragma once
// One plug-in instance as the host runs it.
//
// HostInstanceObject is the host's side of the instance, handed to the
// plug-in's Initialize: the controller (sample rate, stem formats, data-port
// packets, signal latency), the automation delegate (registered identifiers,
// set-value requests, current values, touch and release, all recorded; every
// request is answered on the main thread with an update, as a real host
// does) and the transport (tempo, meter, playing, ticks at 960000 per
// quarter note, sample location, loop).
//
// PluginInstance creates the plug-in object with factory procedure 0 of a
// component, initialises it, runs the field initialisation of every private
// field, keeps the render context of 27 fields and offers the host's
// operations on parameters and state. Its main-thread operations run on the
// run loop's thread; BeginBlock and the render procedure run on the render
// thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "description.h"
#include "host_object.h"
#include "hpi/sdk/hpi_chunk.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_render.h"
#include "run_loop.h"

namespace hpihost {

// What the automation delegate saw, in order of arrival.
struct AutomationRecord {
    enum class Kind { Register, Unregister, SetValueRequest, CurrentValue, Touch, Release };
    Kind mKind;
    std::string mID;
    double mValue = 0.0;  // requests and current values
};

class HostInstanceObject final
    : public HostObject<HPI_IController, HPI_IAutomationDelegate, HPI_ITransport> {
public:
    // [main] The loop's thread is the instance's main thread.
    HostInstanceObject(const ComponentDescription& component, float sampleRate,
                       HostRunLoop& runLoop);

    // HPI_IController
    // [any]
    HPI_Result GetSampleRate(float* outRate) override;
    // [any]
    HPI_Result GetInputStemFormat(int32_t* outStemFormat) override;
    // [any]
    HPI_Result GetOutputStemFormat(int32_t* outStemFormat) override;
    // [main]
    HPI_Result PostPacket(uint32_t fieldIndex, const void* data, uint32_t size) override;
    // [any]
    HPI_Result SetSignalLatency(int32_t samples) override;

    // HPI_IAutomationDelegate
    // [main]
    HPI_Result RegisterParameter(const char* id) override;
    // [main]
    HPI_Result UnregisterParameter(const char* id) override;
    // [main]
    HPI_Result PostSetValueRequest(const char* id, double normalizedValue) override;
    // [main]
    HPI_Result PostCurrentValue(const char* id, double normalizedValue) override;
    // [main]
    HPI_Result PostTouchRequest(const char* id) override;
    // [main]
    HPI_Result PostReleaseRequest(const char* id) override;

    // HPI_ITransport
    // [any]
    HPI_Result GetCurrentTempo(double* outBeatsPerMinute) override;
    // [any]
    HPI_Result GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) override;
    // [any]
    HPI_Result IsTransportPlaying(bool* outIsPlaying) override;
    // [any]
    HPI_Result GetCurrentTickPosition(int64_t* outTicks) override;
    // [any]
    HPI_Result GetCurrentNativeSampleLocation(int64_t* outSampleLocation) override;
    HPI_Result GetCurrentLoopPosition(bool* outIsLoopEnabled, int64_t* outStartTick,
                                      int64_t* outEndTick) override;

    // [main] The object that answers set-value requests (null: requests are only
    // recorded).
    void SetAnswerTarget(HPI_IEffectParameters* parameters) { mAnswerTarget = parameters; }

    // [any] Host side of the transport.
    void SetTempo(double beatsPerMinute) { mTempo.store(beatsPerMinute); }
    // [any]
    void SetMeter(int32_t numerator, int32_t denominator);
    // [any]
    void SetPlaying(bool playing) { mPlaying.store(playing); }
    // [any]
    void SetLoop(bool enabled, int64_t startTick, int64_t endTick);
    // [any] Moves the transport to a sample position; the tick position follows
    // from the tempo.
    void SetSamplePosition(int64_t samplePosition);

    // [audio] Copies each data port's newest packet, when one arrived since the last
    // call, into its field storage.
    void DeliverPackets(const std::array<void*, HPI_eRenderField_Count>& fieldStorage);

    // [any] -1 until reported
    int32_t LatestLatency() const { return mLatency.load(); }
    // [any]
    int LatencyReports() const { return mLatencyReports.load(); }
    // [any]
    float SampleRate() const { return mSampleRate; }

    // [main]
    std::vector<AutomationRecord> AutomationLog() const;
    // [main] in order of registration
    std::vector<std::string> RegisteredParameters() const;
    // [main] latest per identifier
    std::map<std::string, double> CurrentValues() const;
    // [main]
    std::size_t AnsweredRequests() const { return mAnsweredRequests; }
    // [main]
    std::size_t PendingRequests() const { return mPendingRequests; }
    // [main]
    std::size_t PacketsPosted() const { return mPacketsPosted; }
    // [main] The last packet posted to a port, as a little-endian integer.
    std::optional<uint64_t> LastPacket(int32_t fieldIndex) const;
    // [any] Calls the plug-in made on the wrong thread (main-thread operations from
    // another thread).
    std::size_t OffThreadCalls() const { return mOffThreadCalls.load(); }
    // [main] Set-value requests and current values the plug-in posted that were not
    // finite or outside 0..1, and the first of them.
    std::size_t InvalidValuesPosted() const { return mInvalidValuesPosted; }
    // [any]
    const std::optional<AutomationRecord>& FirstInvalidValue() const { return mFirstInvalidValue; }

private:
    ~HostInstanceObject() override = default;
    bool OnMainThread();
    void Record(AutomationRecord::Kind kind, const char* id, double value = 0.0);
    HPI_Result RecordGesture(AutomationRecord::Kind kind, const char* id);
    void CheckValue(AutomationRecord::Kind kind, const char* id, double value);
    void Answer(const std::string& id, double value);

    const ComponentDescription mComponent;
    const float mSampleRate;
    HostRunLoop& mRunLoop;
    HPI_IEffectParameters* mAnswerTarget = nullptr;

    std::atomic<int32_t> mLatency{-1};
    std::atomic<int> mLatencyReports{0};
    std::atomic<std::size_t> mOffThreadCalls{0};

    struct Port {
        std::atomic<uint64_t> mPending{0};
        std::atomic<bool> mHasPending{false};
        uint32_t mSize = 0;
        std::optional<uint64_t> mLast;
    };
    std::array<Port, HPI_eRenderField_Count> mPorts;
    std::size_t mPacketsPosted = 0;

    std::vector<AutomationRecord> mLog;
    std::vector<std::string> mRegistered;
    std::map<std::string, double> mCurrentValues;
    std::size_t mAnsweredRequests = 0;
    std::size_t mPendingRequests = 0;
    std::size_t mInvalidValuesPosted = 0;
    std::optional<AutomationRecord> mFirstInvalidValue;

    std::atomic<double> mTempo{120.0};
    std::atomic<int32_t> mNumerator{4};
    std::atomic<int32_t> mDenominator{4};
    std::atomic<bool> mPlaying{false};
    std::atomic<int64_t> mSamplePosition{0};
    std::atomic<int64_t> mTickPosition{0};
    std::atomic<bool> mLoopEnabled{false};
    std::atomic<int64_t> mLoopStart{0};
    std::atomic<int64_t> mLoopEnd{0};
};

// A parameter as the host lists it.
struct ParameterInfo {
    int32_t mIndex = 0;
    std::string mID;
    std::string mName;
    std::string mDefaultText;  // display text of the default value
    std::string mValueText;    // display text of the current value
    int32_t mSteps = 0;
    int32_t mType = 0;  // HPI_EParameterType
    bool mAutomatable = false;
    double mDefault = 0.0;  // normalised
    double mValue = 0.0;    // normalised
};

// The result of turning a user's text into a normalised value.
struct TextConversion {
    HPI_Result mResult = HPI_SUCCESS;
    double mNormalized = 0.0;
    std::string mTextUsed;  // the text the plug-in accepted (maybe without its unit)
};

class PluginInstance {
public:
    // Longest text the host asks the plug-in for.
    static constexpr int32_t kTextCapacity = 256;
    // Characters asked for in display texts.
    static constexpr int32_t kDisplayChars = 32;

    // [main] Creates, initialises and prepares one instance of `component`. Blocks
    // of up to maxBlockFrames frames may then be rendered. On failure answers
    // null with a message and the failing result code (0 when no call
    // failed).
    static std::unique_ptr<PluginInstance> Create(const EffectDescription& effect,
                                                  const ComponentDescription& component,
                                                  HostRunLoop& runLoop, float sampleRate,
                                                  int32_t maxBlockFrames, std::string* message,
                                                  HPI_Result* code);
    // [main] Answers what is pending, uninitialises and releases the plug-in
    // objects.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // [main]
    HPI_IEffectParameters* Parameters() const { return mParameters.Get(); }
    // [any]
    HostInstanceObject& Object() const { return *mObject.Get(); }
    // [any]
    const ComponentDescription& Component() const { return mComponent; }
    // [main]
    HostRunLoop& RunLoop() const { return mRunLoop; }

    // --- parameters ---
    // [main]
    std::vector<ParameterInfo> ListParameters() const;
    // [main]
    std::string MasterBypassID() const;
    // [main] The identifier of the parameter whose identifier or (else) exact name
    // is `idOrName`.
    std::optional<std::string> FindParameter(const std::string& idOrName) const;
    // [main]
    std::string DisplayText(const std::string& id, double normalized) const;
    // [main] The plug-in's own conversion of `text`; when it fails, the text once
    // more without a trailing unit ("6 dB" -> "6").
    TextConversion ConvertText(const std::string& id, const std::string& text) const;
    // [main] The host's own automation: the plug-in stores the value. Non-finite
    // values answer HPI_ERROR_INVALID_ARGUMENT; others are clamped to 0..1.
    HPI_Result Update(const std::string& id, double normalized);
    // [main] Runs the answers to the plug-in's set-value requests posted so far.
    void AnswerRequests() { mRunLoop.RunPosted(); }

    // --- state ---
    // [main] The identifier of chunk 0.
    HPI_Result ChunkID(uint32_t* outID) const;
    // [main] The state bytes of chunk 0, without the host's header.
    HPI_Result SaveState(std::vector<unsigned char>* outData) const;
    // [main] Sets chunk 0 from state bytes and answers the requests it causes.
    HPI_Result LoadState(const std::vector<unsigned char>& data);
    // [main]
    HPI_Result CompareState(const std::vector<unsigned char>& data, bool* outEqual) const;

    // --- host events ---
    // [main]
    HPI_Result Notify(int32_t code, const void* data = nullptr, uint32_t size = 0);
    // [main] The host's regular calls: packet update, then timer wake-up.
    void Service();
    // Results of the field initialisation calls, by field.
    const std::vector<std::pair<int32_t, HPI_Result>>& FieldInitialisations() const {
        return mFieldResults;
    }

    // --- rendering ---
    // [any]
    int InputChannels() const { return mInputChannels; }
    // [any] main output channels
    int OutputChannels() const { return mOutputChannels; }
    // [any]
    int32_t MaxBlockFrames() const { return mMaxBlockFrames; }
    // [any]
    HPI_RenderProc RenderProc() const { return mComponent.mRenderProc; }
    // Points the context at these buffers (InputChannels() and
    // OutputChannels() of them, frames <= MaxBlockFrames()), sets the frame
    // count, sample location and transport, and delivers posted packets.
    void BeginBlock(const float* const* inputs, float* const* outputs, int32_t frames,
                    int64_t samplePosition);
    // [audio]
    HPI_SRenderContext* Context() { return &mContext; }
    // [any] MIDI packets the plug-in posted to an output node, in all.
    std::size_t MIDIPacketsPosted() const;

private:
    class MIDINode;
    class TransportNode;

    PluginInstance(const ComponentDescription& component, HostRunLoop& runLoop,
                   int32_t maxBlockFrames);
    bool BuildContext(std::string* message);
    HPI_SChunkHeader* PrepareRecord(std::vector<uint64_t>& storage, uint32_t chunkID,
                                    int32_t dataSize) const;
    // A chunk record holding data, handed to use; the size limit and the
    // chunk identifier are checked first.
    HPI_Result WithStateRecord(
        const std::vector<unsigned char>& data,
        const std::function<HPI_Result(uint32_t, HPI_SChunkHeader*)>& use) const;

    const ComponentDescription mComponent;
    HostRunLoop& mRunLoop;
    const int32_t mMaxBlockFrames;
    int mInputChannels = 0;
    int mOutputChannels = 0;

    HPI_Ref<HostInstanceObject> mObject;
    HPI_Ref<HPI_IUnknown> mPlugin;
    HPI_Ref<HPI_IEffectParameters> mParameters;
    bool mInitialized = false;
    HostRunLoop::Token mServiceTimer = 0;
    std::vector<std::pair<int32_t, HPI_Result>> mFieldResults;

    // Render context and the storage its fields point to.
    HPI_SRenderContext mContext{};
    std::array<void*, HPI_eRenderField_Count> mFieldStorage{};
    std::vector<float*> mInputPointers;
    std::vector<float*> mOutputPointers;
    std::vector<std::vector<float>> mAuxOutputs;
    int32_t mFrames = 0;
    int64_t mSampleLocation = 0;
    int32_t mSideChainIndex = 0;
    std::vector<std::vector<uint64_t>> mPrivateBlocks;
    std::vector<std::vector<float>> mMeterBlocks;
    std::array<uint64_t, HPI_eRenderField_Count> mPortStorage{};
    std::vector<std::unique_ptr<MIDINode>> mMIDINodes;
    std::unique_ptr<TransportNode> mTransportNode;
};

}  // namespace hpihost
