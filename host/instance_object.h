#pragma once
// HostInstanceObject is the host's side of one plug-in instance, handed to
// the plug-in's Initialize: the controller (sample rate, stem formats,
// data-port packets, signal latency), the automation delegate (registered
// identifiers, set-value requests, current values, touch and release, all
// recorded; every request is answered on the main thread with an update, as
// a real host does) and the transport (tempo, meter, playing, ticks at
// 960000 per quarter note, sample location, loop).
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "description.h"
#include "host_object.h"
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
    HPI_Result Admit(AutomationRecord::Kind kind, const char* id, double value = 0.0);
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

}  // namespace hpihost
