#include "instance_object.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace hpihost {

namespace {
// The shape of every query that answers one value: a null out pointer is
// refused, otherwise the value is written.
template <typename Out, typename Value>
HPI_Result AnswerValue(Out* out, Value value) {
    if (out == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *out = value;
    return HPI_SUCCESS;
}
}  // namespace

// ===========================================================================
// HostInstanceObject

HostInstanceObject::HostInstanceObject(const ComponentDescription& component, float sampleRate,
                                       HostRunLoop& runLoop)
    : HostObject("HostInstanceObject"),
      mComponent(component),
      mSampleRate(sampleRate),
      mRunLoop(runLoop) {
    for (const FieldDeclaration& field : mComponent.mFields) {
        if (field.mKind == FieldKind::DataInPort) {
            mPorts[static_cast<std::size_t>(field.mIndex)].mSize = field.mPacketSize;
        }
    }
}

bool HostInstanceObject::OnMainThread() {
    if (mRunLoop.IsLoopThread()) {
        return true;
    }
    mOffThreadCalls.fetch_add(1);
    return false;
}

HPI_Result HostInstanceObject::GetSampleRate(float* outRate) {
    return AnswerValue(outRate, mSampleRate);
}

HPI_Result HostInstanceObject::GetInputStemFormat(int32_t* outStemFormat) {
    return AnswerValue(outStemFormat, mComponent.InputStemFormat());
}

HPI_Result HostInstanceObject::GetOutputStemFormat(int32_t* outStemFormat) {
    return AnswerValue(outStemFormat, mComponent.OutputStemFormat());
}

HPI_Result HostInstanceObject::PostPacket(uint32_t fieldIndex, const void* data, uint32_t size) {
    if (!OnMainThread()) {
        return HPI_ERROR_POST_PACKET_FAILED;
    }
    if (fieldIndex >= static_cast<uint32_t>(HPI_eRenderField_Count) ||
        mPorts[fieldIndex].mSize == 0) {
        return HPI_ERROR_PORT_ID_OUT_OF_RANGE;
    }
    Port& port = mPorts[fieldIndex];
    if (data == nullptr || size != port.mSize) {
        return HPI_ERROR_POST_PACKET_FAILED;
    }
    uint64_t word = 0;
    std::memcpy(&word, data, size);
    port.mPending.store(word, std::memory_order_relaxed);
    port.mHasPending.store(true, std::memory_order_release);
    port.mLast = word;
    ++mPacketsPosted;
    return HPI_SUCCESS;
}

HPI_Result HostInstanceObject::SetSignalLatency(int32_t samples) {
    if (samples < 0) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    mLatency.store(samples);
    mLatencyReports.fetch_add(1);
    return HPI_SUCCESS;
}

void HostInstanceObject::Record(AutomationRecord::Kind kind, const char* id, double value) {
    mLog.push_back(AutomationRecord{kind, id, value});
}

void HostInstanceObject::CheckValue(AutomationRecord::Kind kind, const char* id, double value) {
    if (std::isfinite(value) && value >= 0.0 && value <= 1.0) {
        return;
    }
    if (mInvalidValuesPosted++ == 0) {
        mFirstInvalidValue = AutomationRecord{kind, id, value};
    }
}

// Every delegate call names a parameter and comes from the main thread; an
// admitted call is recorded, and a value it carries checked.
HPI_Result HostInstanceObject::Admit(AutomationRecord::Kind kind, const char* id, double value) {
    if (id == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (!OnMainThread()) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    Record(kind, id, value);
    if (kind == AutomationRecord::Kind::SetValueRequest ||
        kind == AutomationRecord::Kind::CurrentValue) {
        CheckValue(kind, id, value);
    }
    return HPI_SUCCESS;
}

HPI_Result HostInstanceObject::RegisterParameter(const char* id) {
    if (const HPI_Result admitted = Admit(AutomationRecord::Kind::Register, id);
        admitted != HPI_SUCCESS) {
        return admitted;
    }
    if (std::find(mRegistered.begin(), mRegistered.end(), id) != mRegistered.end()) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    mRegistered.emplace_back(id);
    return HPI_SUCCESS;
}

HPI_Result HostInstanceObject::UnregisterParameter(const char* id) {
    if (const HPI_Result admitted = Admit(AutomationRecord::Kind::Unregister, id);
        admitted != HPI_SUCCESS) {
        return admitted;
    }
    auto found = std::find(mRegistered.begin(), mRegistered.end(), id);
    if (found == mRegistered.end()) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    mRegistered.erase(found);
    return HPI_SUCCESS;
}

HPI_Result HostInstanceObject::PostSetValueRequest(const char* id, double normalizedValue) {
    if (const HPI_Result admitted =
            Admit(AutomationRecord::Kind::SetValueRequest, id, normalizedValue);
        admitted != HPI_SUCCESS) {
        return admitted;
    }
    if (!std::isfinite(normalizedValue)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    if (std::find(mRegistered.begin(), mRegistered.end(), id) == mRegistered.end()) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    // Answered from the loop, never inside the request, as a host's
    // automation system would.
    ++mPendingRequests;
    HPI_Ref<HostInstanceObject> self = HPI_Ref<HostInstanceObject>::Adopt(this);
    AddRef();
    const std::string name = id;
    const double value = std::clamp(normalizedValue, 0.0, 1.0);
    mRunLoop.Post([self, name, value] { self->Answer(name, value); });
    return HPI_SUCCESS;
}

void HostInstanceObject::Answer(const std::string& id, double value) {
    --mPendingRequests;
    if (mAnswerTarget != nullptr) {
        mAnswerTarget->UpdateParameterNormalizedValue(id.c_str(), value);
        ++mAnsweredRequests;
    }
}

HPI_Result HostInstanceObject::PostCurrentValue(const char* id, double normalizedValue) {
    if (const HPI_Result admitted =
            Admit(AutomationRecord::Kind::CurrentValue, id, normalizedValue);
        admitted != HPI_SUCCESS) {
        return admitted;
    }
    mCurrentValues[id] = normalizedValue;
    return HPI_SUCCESS;
}

HPI_Result HostInstanceObject::PostTouchRequest(const char* id) {
    return Admit(AutomationRecord::Kind::Touch, id);
}

HPI_Result HostInstanceObject::PostReleaseRequest(const char* id) {
    return Admit(AutomationRecord::Kind::Release, id);
}

HPI_Result HostInstanceObject::GetCurrentTempo(double* outBeatsPerMinute) {
    return AnswerValue(outBeatsPerMinute, mTempo.load());
}

HPI_Result HostInstanceObject::GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) {
    if (outNumerator == nullptr || outDenominator == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outNumerator = mNumerator.load();
    *outDenominator = mDenominator.load();
    return HPI_SUCCESS;
}

HPI_Result HostInstanceObject::IsTransportPlaying(bool* outIsPlaying) {
    return AnswerValue(outIsPlaying, mPlaying.load());
}

HPI_Result HostInstanceObject::GetCurrentTickPosition(int64_t* outTicks) {
    return AnswerValue(outTicks, mTickPosition.load());
}

HPI_Result HostInstanceObject::GetCurrentNativeSampleLocation(int64_t* outSampleLocation) {
    return AnswerValue(outSampleLocation, mSamplePosition.load());
}

HPI_Result HostInstanceObject::GetCurrentLoopPosition(bool* outIsLoopEnabled, int64_t* outStartTick,
                                                      int64_t* outEndTick) {
    if (outIsLoopEnabled == nullptr || outStartTick == nullptr || outEndTick == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outIsLoopEnabled = mLoopEnabled.load();
    *outStartTick = mLoopStart.load();
    *outEndTick = mLoopEnd.load();
    return HPI_SUCCESS;
}

void HostInstanceObject::SetMeter(int32_t numerator, int32_t denominator) {
    mNumerator.store(numerator);
    mDenominator.store(denominator);
}

void HostInstanceObject::SetLoop(bool enabled, int64_t startTick, int64_t endTick) {
    mLoopEnabled.store(enabled);
    mLoopStart.store(startTick);
    mLoopEnd.store(endTick);
}

void HostInstanceObject::SetSamplePosition(int64_t samplePosition) {
    mSamplePosition.store(samplePosition);
    const double quarterNotes =
        static_cast<double>(samplePosition) / mSampleRate * mTempo.load() / 60.0;
    mTickPosition.store(std::llround(quarterNotes * static_cast<double>(kHPI_TicksPerQuarterNote)));
}

void HostInstanceObject::DeliverPackets(
    const std::array<void*, HPI_eRenderField_Count>& fieldStorage) {
    for (std::size_t i = 0; i < mPorts.size(); ++i) {
        Port& port = mPorts[i];
        if (port.mSize == 0 || fieldStorage[i] == nullptr) {
            continue;
        }
        if (port.mHasPending.exchange(false, std::memory_order_acq_rel)) {
            const uint64_t word = port.mPending.load(std::memory_order_relaxed);
            std::memcpy(fieldStorage[i], &word, port.mSize);
        }
    }
}

std::vector<AutomationRecord> HostInstanceObject::AutomationLog() const {
    return mLog;
}
std::vector<std::string> HostInstanceObject::RegisteredParameters() const {
    return mRegistered;
}
std::map<std::string, double> HostInstanceObject::CurrentValues() const {
    return mCurrentValues;
}

std::optional<uint64_t> HostInstanceObject::LastPacket(int32_t fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= HPI_eRenderField_Count) {
        return std::nullopt;
    }
    return mPorts[static_cast<std::size_t>(fieldIndex)].mLast;
}

}  // namespace hpihost
