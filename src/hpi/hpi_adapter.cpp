#include "hpi/hpi_adapter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "hpi/hpi_param_taper.h"
#include "hpi/hpi_run_loop_bridge.h"
#include "hpi/sdk/hpi_display.h"
#include "hpi/sdk/hpi_taper.h"

namespace {

constexpr int kInitialBlockSize = 512;
constexpr const char* kDefaultHostName = "HPI Host";

double TicksToQuarterNotes(int64_t ticks) {
    return static_cast<double>(ticks) / static_cast<double>(kHPI_TicksPerQuarterNote);
}

int32_t Truncated(double value) {
    if (!(value > static_cast<double>(INT32_MIN))) {
        return value == value ? INT32_MIN : 0;
    }
    if (!(value < static_cast<double>(INT32_MAX))) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

// The Param's display texts by value; the first text of a value wins.
std::map<int32_t, std::string> DisplayTextsOf(const Param& param) {
    std::map<int32_t, std::string> texts;
    for (int i = 0; i < param.DisplayTextCount(); ++i) {
        double value = 0.0;
        const char* text = param.DisplayTextAt(i, &value);
        texts.emplace(Truncated(value), text);
    }
    return texts;
}

// The host parameter object of one Param, or null for a Param without type.
std::unique_ptr<HPI_IParameter> MakeHostParameter(const Param& param, const char* id) {
    const bool automatable = (param.Flags() & FlagNotAutomatable) == 0;
    switch (param.Type()) {
        case TypeBool:
        case TypeEnum: {
            const std::map<int32_t, std::string> texts = DisplayTextsOf(param);
            auto parameter = std::make_unique<HPI_CParameter<int32_t>>(
                id, param.Name(), Truncated(param.Default()),
                HPI_CLinearTaperDelegate<int32_t, 1>(Truncated(param.Min()),
                                                     Truncated(param.Max())),
                HPI_CStringDisplayDelegate<int32_t>(texts), automatable);
            parameter->SetNumberOfSteps(static_cast<uint32_t>(param.DisplayTextCount()));
            parameter->SetType(HPI_eParameterType_Discrete);
            return parameter;
        }
        case TypeInt: {
            // Values the Param names (a selector's positions) show their names;
            // numbers still read back.
            const HPI_CUnitDisplayDelegateDecorator<int32_t> number(
                HPI_CNumberDisplayDelegate<int32_t, 0, 0>(), param.LabelFor());
            auto parameter = std::make_unique<HPI_CParameter<int32_t>>(
                id, param.Name(), Truncated(param.Default()),
                HPI_CLinearTaperDelegate<int32_t, 1>(Truncated(param.Min()),
                                                     Truncated(param.Max())),
                HPI_CNamedValueDisplayDelegateDecorator<int32_t>(number, DisplayTextsOf(param)),
                automatable);
            parameter->SetNumberOfSteps(128);
            parameter->SetType(HPI_eParameterType_Continuous);
            return parameter;
        }
        case TypeDouble: {
            auto parameter = std::make_unique<HPI_CParameter<double>>(
                id, param.Name(), param.Default(), HPI_CParamTaperDelegate<double>(param),
                HPI_CUnitDisplayDelegateDecorator<double>(
                    HPI_CNumberDisplayDelegate<double, 2, 0>(), param.LabelFor()),
                automatable);
            parameter->SetNumberOfSteps(128);
            parameter->SetType(HPI_eParameterType_Continuous);
            return parameter;
        }
        case TypeNone:
        default:
            return nullptr;
    }
}

}  // namespace

HPIAdapter::HPIAdapter(const PluginConfig& config, const HPIInstanceInfo&)
    : PluginAPIBase(config, kApiHPI), PluginProcessor(config) {
    mMidiOutPending.reserve(kMidiOutPendingCapacity);
    mParamIdentifiers.reserve(static_cast<std::size_t>(NParams()));
    for (int i = 0; i < NParams(); ++i) {
        mParamIdentifiers.push_back(std::to_string(i + 1));
    }
    ConnectChannels(DirInput, 0, MaxChannels(DirInput), true);
    ConnectChannels(DirOutput, 0, MaxChannels(DirOutput), true);
    SetBlockSize(kInitialBlockSize);
    mMainInputChannelsMax = MaxChannelsOfBus(DirInput, 0);
    HPIRunLoopBridge::InstallIfHostOffersRunLoop();
    CreateIdleTimer();
}

HPIAdapter::~HPIAdapter() {
    StopIdleTimer();
}

// ---- parameters -----------------------------------------------------------------

HPI_Result HPIAdapter::EffectInit() {
    if (HostType() == -1) {
        SetHost(kDefaultHostName, 0);
    }

    char bypassID[kMaxIdentifierSize] = {};
    GetMasterBypassParameter(bypassID, sizeof bypassID);
    auto bypass = std::make_unique<HPI_CParameter<bool>>(
        bypassID, "Master Bypass", false, HPI_CBinaryTaperDelegate<bool>(),
        HPI_CBinaryDisplayDelegate<bool>("bypass", "on"), true);
    bypass->SetNumberOfSteps(2);
    bypass->SetType(HPI_eParameterType_Discrete);
    HPI_CParameter<bool>* kept = bypass.get();
    if (ParameterManager().AddParameter(std::move(bypass)) != nullptr) {
        mMasterBypass.store(kept, std::memory_order_release);
    }

    for (int i = 0; i < NParams(); ++i) {
        if (std::unique_ptr<HPI_IParameter> parameter =
                MakeHostParameter(*GetParam(i), ParamIdentifier(i))) {
            ParameterManager().AddParameter(std::move(parameter));
        }
    }

    float sampleRate = 0.0f;
    if (Controller() != nullptr) {
        Controller()->GetSampleRate(&sampleRate);
    }
    SetSampleRate(sampleRate);
    ResetProcessing();
    return HPI_SUCCESS;
}

HPI_Result HPIAdapter::Uninitialize() {
    mMasterBypass.store(nullptr, std::memory_order_release);
    return HPI_CPluginParameters::Uninitialize();
}

HPI_Result HPIAdapter::UpdateParameterNormalizedValue(const char* id, double value) {
    HPI_IParameter* parameter = ParameterManager().GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (!std::isfinite(value)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    const double normalized = std::clamp(value, 0.0, 1.0);
    parameter->UpdateNormalizedValue(normalized);
    const int paramIdx = ParamIndexOfIdentifier(id);
    if (Param* param = GetParam(paramIdx)) {
        param->SetNorm(normalized);
        PostParamToEditor(paramIdx, normalized, true);
        OnParamChange(paramIdx, ParamSource::Host, -1);
    }
    PacketDispatcher().SetDirty(id);
    CountChange();
    return HPI_SUCCESS;
}

HPI_Result HPIAdapter::Notification(int32_t code, const void* data, uint32_t dataSize) {
    switch (code) {
        case HPI_eNotification_EnterOfflineMode:
            SetRenderingOffline(true);
            break;
        case HPI_eNotification_ExitOfflineMode:
            SetRenderingOffline(false);
            break;
        case HPI_eNotification_TrackNameChanged:
            if (data != nullptr) {
                const char* name = static_cast<const HPI_ITextValue*>(data)->GetText();
                mHostTrackName.Set(name != nullptr ? name : "");
            }
            break;
        default:
            break;
    }
    return HPI_CPluginParameters::Notification(code, data, dataSize);
}

const char* HPIAdapter::ParamIdentifier(int paramIdx) const {
    if (paramIdx < 0 || paramIdx >= static_cast<int>(mParamIdentifiers.size())) {
        return "";
    }
    return mParamIdentifiers[static_cast<std::size_t>(paramIdx)].c_str();
}

int HPIAdapter::ParamIndexOfIdentifier(const char* id) const {
    if (id == nullptr || *id == '\0') {
        return -1;
    }
    const char* end = id + std::strlen(id);
    int value = 0;
    const auto [last, error] = std::from_chars(id, end, value, 10);
    if (error != std::errc() || last != end || value < 1 || value > NParams()) {
        return -1;
    }
    return value - 1;
}

bool HPIAdapter::MasterBypass() const {
    const HPI_CParameter<bool>* bypass = mMasterBypass.load(std::memory_order_acquire);
    return bypass != nullptr && bypass->GetValue();
}

// ---- editor and host hooks -------------------------------------------------------

Graphics* HPIAdapter::ViewInterface() {
    return GetGraphics();
}

void HPIAdapter::TrackName(TextBuf& out) {
    out.Set(mHostTrackName.Get());
}

bool HPIAdapter::RequestEditorSize(int width, int height) {
    if (!HasEditor()) return true;
    bool resized = true;
    if (width != EditorWidth() || height != EditorHeight()) {
        // Without a container that took the size nobody resized the editor's
        // parents, and the editor's window must do it itself.
        resized = GetGraphics() != nullptr && mViewContainer != nullptr &&
                  mViewContainer->SetViewSize(width, height) == HPI_SUCCESS;
    }
    SetEditorSize(width, height);
    return resized;
}

void HPIAdapter::AttachViewContainer(HPIViewContainer* container) {
    mViewContainer = container;
    SetHostViewContainer(container);
}

void HPIAdapter::NotifyHostParamBegin(int paramIdx) {
    if (GetParam(paramIdx) != nullptr) {
        TouchParameter(ParamIdentifier(paramIdx));
    }
}

void HPIAdapter::NotifyHostParamEnd(int paramIdx) {
    if (GetParam(paramIdx) != nullptr) {
        ReleaseParameter(ParamIdentifier(paramIdx));
    }
}

void HPIAdapter::NotifyHostParamValue(int paramIdx, double normalizedValue) {
    if (GetParam(paramIdx) != nullptr) {
        SetParameterNormalizedValue(ParamIdentifier(paramIdx), normalizedValue);
    }
}

// ---- state chunk --------------------------------------------------------------------

HPI_Result HPIAdapter::GetNumberOfChunks(int32_t* outCount) {
    if (outCount == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outCount = 1;
    return HPI_SUCCESS;
}

HPI_Result HPIAdapter::GetChunkIDFromIndex(int32_t index, uint32_t* outChunkID) {
    if (outChunkID == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (index != 0) {
        *outChunkID = 0;
        return HPI_ERROR_INVALID_CHUNK_INDEX;
    }
    *outChunkID = static_cast<uint32_t>(UniqueID());
    return HPI_SUCCESS;
}

HPI_Result HPIAdapter::GetChunkSize(uint32_t chunkID, int32_t* outSize) {
    if (outSize == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (chunkID != static_cast<uint32_t>(UniqueID())) {
        *outSize = 0;
        return HPI_ERROR_INVALID_CHUNK_ID;
    }
    ByteChunk state;
    if (SaveState(state)) {
        *outSize = state.Size();
    }
    return HPI_SUCCESS;
}

HPI_Result HPIAdapter::GetChunk(uint32_t chunkID, HPI_SChunkHeader* chunk) {
    if (chunk == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (chunkID != static_cast<uint32_t>(UniqueID())) {
        return HPI_ERROR_INVALID_CHUNK_ID;
    }
    ByteChunk state;
    if (!SaveState(state)) {
        return HPI_ERROR_INVALID_CHUNK_ID;
    }
    const int32_t capacity = chunk->mSize;
    if (capacity < 0 || state.Size() > capacity || state.Size() > kMaxChunkDataSize) {
        return HPI_ERROR_INCORRECT_CHUNK_SIZE;
    }
    chunk->mSize = state.Size();
    if (state.Size() > 0) {
        std::memcpy(HPI_ChunkData(chunk), state.Data(), static_cast<std::size_t>(state.Size()));
    }
    return HPI_SUCCESS;
}

HPI_Result HPIAdapter::SetChunk(uint32_t chunkID, const HPI_SChunkHeader* chunk) {
    if (chunk == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (chunkID != static_cast<uint32_t>(UniqueID())) {
        return HPI_ERROR_INVALID_CHUNK_ID;
    }
    const int32_t dataSize = chunk->mSize;
    if (dataSize < 0 || dataSize > kMaxChunkDataSize) {
        return HPI_ERROR_INCORRECT_CHUNK_SIZE;
    }
    ByteChunk state;
    state.PutBytes(HPI_ChunkData(chunk), dataSize);
    // A short state restores what it holds; the result tells nothing more.
    LoadState(state, 0);
    for (int i = 0; i < NParams(); ++i) {
        const Param* param = GetParam(i);
        SetParameterNormalizedValue(ParamIdentifier(i), param->ToNorm(param->GetValue()));
    }
    NotifyEditorStateRestored();
    CountChange();
    return HPI_SUCCESS;
}

HPI_Result HPIAdapter::CompareActiveChunk(const HPI_SChunkHeader* chunk, bool* outIsEqual) {
    if (chunk == nullptr || outIsEqual == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (chunk->mChunkID != static_cast<uint32_t>(UniqueID())) {
        *outIsEqual = true;
        return HPI_SUCCESS;
    }
    const int32_t dataSize = chunk->mSize;
    if (dataSize < 0 || dataSize > kMaxChunkDataSize) {
        *outIsEqual = false;
        return HPI_ERROR_INCORRECT_CHUNK_SIZE;
    }
    const int offset = StoredValuesOffset();
    *outIsEqual = dataSize >= offset &&
                  MatchesStoredState(HPI_ChunkData(chunk) + offset, dataSize - offset, 0);
    return HPI_SUCCESS;
}

int HPIAdapter::StoredValuesOffset() const {
    // The values close the state, so whatever the plug-in writes in front of
    // them (the editor state, for the product) is skipped.
    ByteChunk state;
    SaveState(state);
    return std::max(state.Size() - 8 * NParams(), 0);
}

// ---- render -----------------------------------------------------------------------

bool HPIAdapter::SendMidi(const MidiMessage& message) {
    if (!SendsMidi() ||
        mMidiOutPending.size() >= static_cast<std::size_t>(kMidiOutPendingCapacity)) {
        return false;
    }
    const auto at = std::upper_bound(
        mMidiOutPending.begin(), mMidiOutPending.end(), message,
        [](const MidiMessage& a, const MidiMessage& b) { return a.offset < b.offset; });
    mMidiOutPending.insert(at, message);  // within the reserved capacity: no allocation
    return true;
}

void HPIAdapter::ReportLatency(int samples) {
    const int latency = std::clamp(samples, 0, kMaxLatencySamples);
    if (Controller() != nullptr) {
        Controller()->SetSignalLatency(latency);
    }
    PluginProcessor::ReportLatency(latency);
}

bool HPIAdapter::HostBuffersUsable(const HPI_SRenderContext& context, int inputs,
                                   int outputs) const {
    const auto allThere = [](float* const* buffers, int count) {
        if (count <= 0) {
            return true;
        }
        if (buffers == nullptr) {
            return false;
        }
        return std::all_of(buffers, buffers + count,
                           [](const float* buffer) { return buffer != nullptr; });
    };
    return allThere(context.mInputs, inputs) && allThere(context.mOutputs, outputs);
}

void HPIAdapter::RenderAudio(HPI_SRenderContext* context, HPI_SParameterPair* const*, int32_t) {
    const bool bypass = MasterBypass();

    int32_t inputStem = 0;
    int32_t outputStem = 0;
    if (const HPI_VController* controller = Controller()) {
        controller->GetInputStemFormat(&inputStem);
        controller->GetOutputStemFormat(&outputStem);
    }
    const int numInputs = HPI_ChannelCountOfStemFormat(inputStem);
    const int numOutputs = HPI_ChannelCountOfStemFormat(outputStem);
    const int frames = context->mNumSamples != nullptr ? *context->mNumSamples : 0;

    const int inputSlots = MaxChannels(DirInput);
    const int outputSlots = MaxChannels(DirOutput);
    const bool singleOutputBus = MaxBusCount(DirOutput) == 1;
    const int connectedOutputs = singleOutputBus ? std::min(numOutputs, outputSlots) : outputSlots;
    const bool sideChain = !IsInstrument() && MaxBusCount(DirInput) > 1 &&
                           context->mSideChainIndex != nullptr && *context->mSideChainIndex > 0;
    const int usedInputs =
        IsInstrument() ? 0
        : sideChain    ? std::max(std::min(numInputs, inputSlots), *context->mSideChainIndex + 1)
                       : std::min(numInputs, inputSlots);
    // A block the host cannot back with buffers is skipped whole, so nothing
    // is written anywhere.
    if (frames < 1 || !HostBuffersUsable(*context, usedInputs, connectedOutputs)) {
        mHostTransport = nullptr;
        return;
    }

    if (ReceivesMidi()) {
        ReceiveMidi(context->mInputNode);
    }

    mHostTransport =
        context->mTransportNode != nullptr ? context->mTransportNode->GetTransport() : nullptr;

    // A longer block only grows the buffers: a reset here would throw away
    // the audio still inside the strip and click mid-stream.
    if (frames > BlockSize() && BlockSize() < kMaxBlockSize) {
        SetBlockSize(frames);
    }

    if (!IsInstrument()) {
        ConnectChannels(DirInput, 0, numInputs, true);
        ConnectChannels(DirInput, numInputs, inputSlots - numInputs, false);
        if (sideChain) {
            ConnectChannels(DirInput, mMainInputChannelsMax, 1, true);
            AttachHostBuffers(DirInput, 0, numInputs, context->mInputs, frames);
            float* sideChainBuffer = context->mInputs[*context->mSideChainIndex];
            AttachHostBuffers(DirInput, mMainInputChannelsMax, 1, &sideChainBuffer, frames);
        } else {
            AttachHostBuffers(DirInput, 0, numInputs, context->mInputs, frames);
        }
    }

    ConnectChannels(DirOutput, 0, outputSlots, true);
    if (singleOutputBus) {
        ConnectChannels(DirOutput, numOutputs, outputSlots - numOutputs, false);
    }
    AttachHostBuffers(DirOutput, 0, outputSlots, context->mOutputs, frames);

    if (bypass) {
        BypassHostBuffers(frames);
    } else {
        FillTimeInfo();
        MidiMessage message;
        while (PopMidiFromEditor(message)) {
            ProcessMidi(message);
        }
        ProcessHostBuffers(frames);
    }

    if (SendsMidi() && context->mOutputNode != nullptr) {
        PostMidiOut(context->mOutputNode);
    }
}

void HPIAdapter::FillTimeInfo() {
    ::TimeInfo info;
    if (mHostTransport != nullptr) {
        double tempo = info.tempo;
        int64_t sampleLocation = 0;
        int64_t ticks = 0;
        int64_t loopStart = 0;
        int64_t loopEnd = 0;
        int32_t numerator = info.numerator;
        int32_t denominator = info.denominator;
        bool playing = false;
        bool looping = false;
        const bool hasTempo = mHostTransport->GetCurrentTempo(&tempo) == HPI_SUCCESS;
        const bool hasLocation =
            mHostTransport->GetCurrentNativeSampleLocation(&sampleLocation) == HPI_SUCCESS;
        const bool hasTicks = mHostTransport->GetCurrentTickPosition(&ticks) == HPI_SUCCESS;
        const bool hasLoop =
            mHostTransport->GetCurrentLoopPosition(&looping, &loopStart, &loopEnd) == HPI_SUCCESS;
        const bool hasMeter =
            mHostTransport->GetCurrentMeter(&numerator, &denominator) == HPI_SUCCESS;
        const bool hasPlaying = mHostTransport->IsTransportPlaying(&playing) == HPI_SUCCESS;
        // A tempo the processor could not divide by keeps the start value.
        if (hasTempo && std::isfinite(tempo) && tempo > 0.0) {
            info.tempo = tempo;
        }
        if (hasLocation) {
            info.samplePos = static_cast<double>(sampleLocation);
        }
        if (hasTicks) {
            info.ppqPos = std::max(TicksToQuarterNotes(ticks), 0.0);
        }
        if (hasLoop) {
            info.cycleStart = TicksToQuarterNotes(loopStart);
            info.cycleEnd = TicksToQuarterNotes(loopEnd);
            info.transportLoopEnabled = looping;
        }
        if (hasMeter) {
            info.numerator = numerator;
            info.denominator = denominator;
        }
        if (hasPlaying) {
            info.transportIsRunning = playing;
        }
    }
    GetTimeInfo() = info;
}

void HPIAdapter::ReceiveMidi(HPI_IMIDINode* node) {
    if (node == nullptr) {
        return;
    }
    const HPI_SMIDIStream* stream = node->GetNodeBuffer();
    if (stream == nullptr || stream->mBuffer == nullptr) {
        return;
    }
    for (uint32_t i = 0; i < stream->mBufferSize; ++i) {
        const HPI_SMIDIPacket& packet = stream->mBuffer[i];
        MidiMessage message;
        message.offset = static_cast<int32_t>(std::min<uint32_t>(packet.mTimestamp, INT32_MAX));
        message.status = packet.mData[0];
        message.data1 = packet.mData[1];
        message.data2 = packet.mData[2];
        ProcessMidi(message);
        PostMidiToEditor(message);
    }
}

void HPIAdapter::PostMidiOut(HPI_IMIDINode* node) {
    for (const MidiMessage& message : mMidiOutPending) {
        HPI_SMIDIPacket packet{};
        packet.mTimestamp = static_cast<uint32_t>(std::max(message.offset, 0));
        packet.mLength = 3;
        packet.mData[0] = message.status;
        packet.mData[1] = message.data1;
        packet.mData[2] = message.data2;
        packet.mIsImmediate = 1;
        node->PostMIDIPacket(packet);
    }
    mMidiOutPending.clear();

    while (PopSysExFromEditor(mSysExStaging)) {
        const int size = std::clamp(mSysExStaging.size, 0, kMaxSysExBytes);
        for (int start = 0; start < size; start += 4) {
            HPI_SMIDIPacket packet{};
            packet.mTimestamp = static_cast<uint32_t>(std::max(mSysExStaging.offset, 0));
            packet.mLength = static_cast<uint32_t>(std::min(4, size - start));
            std::memcpy(packet.mData, mSysExStaging.data + start, packet.mLength);
            packet.mIsImmediate = 1;
            node->PostMIDIPacket(packet);
        }
    }
}
