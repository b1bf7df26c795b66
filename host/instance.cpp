#include "instance.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace hpihost {

// ===========================================================================
// Nodes of the render context

class PluginInstance::MIDINode final : public HPI_IMIDINode {
public:
    static constexpr std::size_t kCapacity = 1024;

    explicit MIDINode(int32_t nodeType) : mNodeType(nodeType) {}

    const HPI_SMIDIStream* GetNodeBuffer() override { return &mStream; }
    HPI_Result PostMIDIPacket(const HPI_SMIDIPacket& packet) override {
        if (mNodeType != HPI_eMIDINodeType_Output) {
            return HPI_ERROR_UNIMPLEMENTED;
        }
        if (mBlockCount >= kCapacity) {
            return HPI_ERROR_FIFO_FULL;
        }
        mPackets[mBlockCount++] = packet;
        mTotal.fetch_add(1, std::memory_order_relaxed);
        return HPI_SUCCESS;
    }
    void BeginBlock() { mBlockCount = 0; }
    std::size_t Total() const { return mTotal.load(std::memory_order_relaxed); }

private:
    const int32_t mNodeType;
    HPI_SMIDIPacket mNone{};
    HPI_SMIDIStream mStream{0, &mNone};  // this host sends no MIDI: always empty
    std::array<HPI_SMIDIPacket, kCapacity> mPackets{};
    std::size_t mBlockCount = 0;
    std::atomic<std::size_t> mTotal{0};
};

class PluginInstance::TransportNode final : public HPI_ITransportNode {
public:
    explicit TransportNode(HPI_ITransport* transport) : mTransport(transport) {}
    HPI_ITransport* GetTransport() override { return mTransport; }

private:
    HPI_ITransport* mTransport;
};

// ===========================================================================
// PluginInstance

PluginInstance::PluginInstance(const ComponentDescription& component, HostRunLoop& runLoop,
                               int32_t maxBlockFrames)
    : mComponent(component), mRunLoop(runLoop), mMaxBlockFrames(maxBlockFrames) {}

std::unique_ptr<PluginInstance> PluginInstance::Create(const EffectDescription& effect,
                                                       const ComponentDescription& component,
                                                       HostRunLoop& runLoop, float sampleRate,
                                                       int32_t maxBlockFrames, std::string* message,
                                                       HPI_Result* code) {
    auto fail = [&](std::string text, HPI_Result result) {
        if (message != nullptr) {
            *message = std::move(text);
        }
        if (code != nullptr) {
            *code = result;
        }
        return std::unique_ptr<PluginInstance>();
    };
    if (maxBlockFrames <= 0 || !(sampleRate > 0.0f)) {
        return fail("invalid block size or sample rate", HPI_ERROR_INVALID_ARGUMENT);
    }
    HPI_FactoryProc factory = effect.FactoryProc(HPI_eFactoryProc_EffectParameters);
    if (factory == nullptr) {
        return fail("the effect registered no factory procedure 0", HPI_SUCCESS);
    }

    std::unique_ptr<PluginInstance> instance(
        new PluginInstance(component, runLoop, maxBlockFrames));
    std::string contextProblem;
    if (!instance->BuildContext(&contextProblem)) {
        return fail(contextProblem, HPI_SUCCESS);
    }
    instance->mPlugin = HPI_Ref<HPI_IUnknown>::Adopt(factory());
    if (!instance->mPlugin) {
        return fail("factory procedure 0 made no object", HPI_SUCCESS);
    }
    instance->mParameters = HPI_Ref<HPI_IEffectParameters>::Query(instance->mPlugin.Get());
    if (!instance->mParameters) {
        return fail("the object of factory procedure 0 offers no effect parameters",
                    HPI_ERROR_UNKNOWN_ID);
    }

    instance->mObject =
        HPI_Ref<HostInstanceObject>::Adopt(new HostInstanceObject(component, sampleRate, runLoop));
    instance->mObject->SetAnswerTarget(instance->mParameters.Get());
    instance->mTransportNode =
        std::make_unique<TransportNode>(static_cast<HPI_ITransport*>(instance->mObject.Get()));
    if (const FieldDeclaration* transport = component.Field(HPI_eRenderField_TransportNode);
        transport != nullptr && transport->mKind == FieldKind::MIDINode &&
        transport->mNodeType == HPI_eMIDINodeType_Transport) {
        instance->mFieldStorage[HPI_eRenderField_TransportNode] = instance->mTransportNode.get();
    }
    for (const FieldDeclaration& field : component.mFields) {
        if (field.mKind == FieldKind::MIDINode && field.mNodeType == HPI_eMIDINodeType_Transport &&
            field.mIndex != HPI_eRenderField_TransportNode) {
            instance->mFieldStorage[static_cast<std::size_t>(field.mIndex)] =
                instance->mTransportNode.get();
        }
    }
    std::memcpy(&instance->mContext, instance->mFieldStorage.data(), sizeof(instance->mContext));

    const HPI_Result initialized =
        instance->mParameters->Initialize(instance->mObject->AsUnknown());
    if (initialized != HPI_SUCCESS) {
        return fail("Initialize answered " + std::to_string(initialized) + " " +
                        HPI_ResultName(initialized),
                    initialized);
    }
    instance->mInitialized = true;
    instance->AnswerRequests();

    // Private fields are zero-filled by the plug-in when it asks for field
    // initialisation (property 300); otherwise they stay as the host made them.
    if (component.Property(HPI_eProperty_UsesFieldInitialization).value_or(0) != 0) {
        for (std::size_t i = 0; i < component.mFields.size(); ++i) {
            const FieldDeclaration& field = component.mFields[i];
            if (field.mKind != FieldKind::PrivateData) {
                continue;
            }
            void* block = instance->mFieldStorage[static_cast<std::size_t>(field.mIndex)];
            const HPI_Result result = instance->mParameters->ResetFieldData(
                field.mIndex, block, static_cast<uint32_t>(field.mDataSize));
            instance->mFieldResults.emplace_back(field.mIndex, result);
        }
    }

    PluginInstance* self = instance.get();
    instance->mServiceTimer = runLoop.AddTimer(20, [self] { self->Service(); });
    instance->Service();  // the first state number reaches the context before the first block
    return instance;
}

PluginInstance::~PluginInstance() {
    mRunLoop.Remove(mServiceTimer);
    if (mParameters) {
        AnswerRequests();
        if (mInitialized) {
            mParameters->Uninitialize();
        }
    }
    if (mObject) {
        mObject->SetAnswerTarget(nullptr);
    }
    mParameters.Reset();
    mPlugin.Reset();
    mObject.Reset();
}

bool PluginInstance::BuildContext(std::string* message) {
    const FieldDeclaration* in = mComponent.Field(HPI_eRenderField_AudioIn);
    const FieldDeclaration* out = mComponent.Field(HPI_eRenderField_AudioOut);
    const FieldDeclaration* length = mComponent.Field(HPI_eRenderField_BufferLength);
    if (mComponent.mRenderProc == nullptr) {
        *message = "the component registered no render procedure";
        return false;
    }
    if (out == nullptr || out->mKind != FieldKind::AudioOut || length == nullptr ||
        length->mKind != FieldKind::BufferLength ||
        (in != nullptr && in->mKind != FieldKind::AudioIn)) {
        *message = "the component declares no audio output and buffer length in fields 1 and 2";
        return false;
    }
    mInputChannels = mComponent.InputChannels();
    mOutputChannels = mComponent.OutputChannels();
    if (mOutputChannels <= 0) {
        *message = "the component's output stem format has no channels";
        return false;
    }

    mInputPointers.assign(static_cast<std::size_t>(std::max(mInputChannels, 1)), nullptr);
    std::size_t auxChannels = 0;
    for (const AuxOutputStem& stem : mComponent.mAuxOutputStems) {
        auxChannels += static_cast<std::size_t>(HPI_ChannelCountOfStemFormat(stem.mStemFormat));
    }
    mOutputPointers.assign(static_cast<std::size_t>(mOutputChannels) + auxChannels, nullptr);
    mAuxOutputs.assign(auxChannels,
                       std::vector<float>(static_cast<std::size_t>(mMaxBlockFrames), 0.0f));
    for (std::size_t i = 0; i < auxChannels; ++i) {
        mOutputPointers[static_cast<std::size_t>(mOutputChannels) + i] = mAuxOutputs[i].data();
    }

    for (const FieldDeclaration& field : mComponent.mFields) {
        const auto index = static_cast<std::size_t>(field.mIndex);
        switch (field.mKind) {
            case FieldKind::AudioIn:
                mFieldStorage[index] = mInputPointers.data();
                break;
            case FieldKind::AudioOut:
                mFieldStorage[index] = mOutputPointers.data();
                break;
            case FieldKind::BufferLength:
                mFieldStorage[index] = &mFrames;
                break;
            case FieldKind::SampleLocation:
                mFieldStorage[index] = &mSampleLocation;
                break;
            case FieldKind::SideChainIn:
                mFieldStorage[index] = &mSideChainIndex;
                break;
            case FieldKind::DataInPort:
                mFieldStorage[index] = &mPortStorage[index];
                break;
            case FieldKind::PrivateData: {
                mPrivateBlocks.emplace_back((static_cast<std::size_t>(field.mDataSize) + 7) / 8, 0);
                mFieldStorage[index] = mPrivateBlocks.back().data();
                break;
            }
            case FieldKind::Meters: {
                mMeterBlocks.emplace_back(field.mMeterIDs.size(), 0.0f);
                mFieldStorage[index] = mMeterBlocks.back().data();
                break;
            }
            case FieldKind::MIDINode: {
                if (field.mNodeType !=
                    HPI_eMIDINodeType_Transport) {  // transport nodes come with the object
                    mMIDINodes.push_back(std::make_unique<MIDINode>(field.mNodeType));
                    mFieldStorage[index] = static_cast<HPI_IMIDINode*>(mMIDINodes.back().get());
                }
                break;
            }
        }
    }
    return true;
}

std::vector<ParameterInfo> PluginInstance::ListParameters() const {
    std::vector<ParameterInfo> list;
    int32_t count = 0;
    if (mParameters->GetNumberOfParameters(&count) != HPI_SUCCESS) {
        return list;
    }
    for (int32_t i = 0; i < count; ++i) {
        char text[kTextCapacity] = {};
        ParameterInfo info;
        info.mIndex = i;
        if (mParameters->GetParameterIDFromIndex(i, text, kTextCapacity) != HPI_SUCCESS) {
            continue;
        }
        info.mID = text;
        const char* id = info.mID.c_str();
        text[0] = '\0';
        mParameters->GetParameterName(id, text, kTextCapacity);
        info.mName = text;
        mParameters->GetParameterNumberOfSteps(id, &info.mSteps);
        mParameters->GetParameterType(id, &info.mType);
        mParameters->GetParameterIsAutomatable(id, &info.mAutomatable);
        mParameters->GetParameterDefaultNormalizedValue(id, &info.mDefault);
        mParameters->GetParameterNormalizedValue(id, &info.mValue);
        info.mDefaultText = DisplayText(info.mID, info.mDefault);
        text[0] = '\0';
        mParameters->GetParameterValueString(id, kDisplayChars, text, kTextCapacity);
        info.mValueText = text;
        list.push_back(std::move(info));
    }
    return list;
}

std::string PluginInstance::MasterBypassID() const {
    char text[kTextCapacity] = {};
    mParameters->GetMasterBypassParameter(text, kTextCapacity);
    return text;
}

std::optional<std::string> PluginInstance::FindParameter(const std::string& idOrName) const {
    const std::vector<ParameterInfo> list = ListParameters();
    for (const ParameterInfo& info : list) {
        if (info.mID == idOrName) {
            return info.mID;
        }
    }
    for (const ParameterInfo& info : list) {
        if (info.mName == idOrName) {
            return info.mID;
        }
    }
    return std::nullopt;
}

std::string PluginInstance::DisplayText(const std::string& id, double normalized) const {
    char text[kTextCapacity] = {};
    mParameters->GetParameterStringFromValue(id.c_str(), normalized, kDisplayChars, text,
                                             kTextCapacity);
    return text;
}

namespace {

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) {
        ++first;
    }
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) {
        --last;
    }
    return text.substr(first, last - first);
}

// "6 dB" -> "6", "80Hz" -> "80", "-3.5 %" -> "-3.5"; "" when the text is not
// a number followed by a unit.
std::string WithoutUnit(const std::string& text) {
    std::size_t end = text.size();
    std::size_t unitStart = end;
    while (unitStart > 0) {
        const unsigned char c = static_cast<unsigned char>(text[unitStart - 1]);
        if (std::isalpha(c) || c == '%') {
            --unitStart;
        } else {
            break;
        }
    }
    if (unitStart == end || unitStart == 0) {
        return "";
    }
    const std::string number = Trim(text.substr(0, unitStart));
    if (number.empty() ||
        !(std::isdigit(static_cast<unsigned char>(number.back())) || number.back() == '.')) {
        return "";
    }
    return number;
}

}  // namespace

TextConversion PluginInstance::ConvertText(const std::string& id, const std::string& text) const {
    TextConversion conversion;
    conversion.mTextUsed = text;
    conversion.mResult =
        mParameters->GetParameterValueFromString(id.c_str(), text.c_str(), &conversion.mNormalized);
    if (conversion.mResult == HPI_SUCCESS && std::isfinite(conversion.mNormalized)) {
        return conversion;
    }
    for (const std::string& retry : {Trim(text), WithoutUnit(Trim(text))}) {
        if (retry.empty() || retry == conversion.mTextUsed) {
            continue;
        }
        double value = 0.0;
        const HPI_Result result =
            mParameters->GetParameterValueFromString(id.c_str(), retry.c_str(), &value);
        if (result == HPI_SUCCESS && std::isfinite(value)) {
            conversion.mResult = result;
            conversion.mNormalized = value;
            conversion.mTextUsed = retry;
            return conversion;
        }
    }
    if (conversion.mResult == HPI_SUCCESS) {
        conversion.mResult = HPI_ERROR_INVALID_STRING_CONVERSION;  // a non-finite value
    }
    return conversion;
}

HPI_Result PluginInstance::Update(const std::string& id, double normalized) {
    if (!std::isfinite(normalized)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    const HPI_Result result =
        mParameters->UpdateParameterNormalizedValue(id.c_str(), std::clamp(normalized, 0.0, 1.0));
    AnswerRequests();
    return result;
}

HPI_Result PluginInstance::ChunkID(uint32_t* outID) const {
    int32_t count = 0;
    HPI_Result result = mParameters->GetNumberOfChunks(&count);
    if (result != HPI_SUCCESS) {
        return result;
    }
    if (count < 1) {
        return HPI_ERROR_INVALID_CHUNK_INDEX;
    }
    return mParameters->GetChunkIDFromIndex(0, outID);
}

HPI_SChunkHeader* PluginInstance::PrepareRecord(std::vector<uint64_t>& storage, uint32_t chunkID,
                                                int32_t dataSize) const {
    storage.assign((HPI_ChunkRecordSize(dataSize) + 7) / 8, 0);
    auto* record = reinterpret_cast<HPI_SChunkHeader*>(storage.data());
    record->mSize = std::max(dataSize, 0);
    record->mVersion = 1;
    record->mManufacturerID =
        static_cast<uint32_t>(mComponent.Property(HPI_eProperty_ManufacturerID).value_or(0));
    record->mProductID =
        static_cast<uint32_t>(mComponent.Property(HPI_eProperty_ProductID).value_or(0));
    record->mPluginTypeID = mComponent.TypeID();
    record->mChunkID = chunkID;
    std::snprintf(record->mName, sizeof record->mName, "%s", "hpi-host state");
    return record;
}

HPI_Result PluginInstance::SaveState(std::vector<unsigned char>* outData) const {
    uint32_t chunkID = 0;
    HPI_Result result = ChunkID(&chunkID);
    if (result != HPI_SUCCESS) {
        return result;
    }
    int32_t size = 0;
    result = mParameters->GetChunkSize(chunkID, &size);
    if (result != HPI_SUCCESS) {
        return result;
    }
    if (size < 0) {
        return HPI_ERROR_INCORRECT_CHUNK_SIZE;
    }
    std::vector<uint64_t> storage;
    HPI_SChunkHeader* record = PrepareRecord(storage, chunkID, size);
    result = mParameters->GetChunk(chunkID, record);
    if (result != HPI_SUCCESS) {
        return result;
    }
    // The plug-in may write less than it announced, never more.
    if (record->mSize < 0 || record->mSize > size) {
        return HPI_ERROR_INCORRECT_CHUNK_SIZE;
    }
    const unsigned char* data = HPI_ChunkData(record);
    outData->assign(data, data + record->mSize);
    return HPI_SUCCESS;
}

HPI_Result PluginInstance::WithStateRecord(
    const std::vector<unsigned char>& data,
    const std::function<HPI_Result(uint32_t, HPI_SChunkHeader*)>& use) const {
    uint32_t chunkID = 0;
    HPI_Result result = ChunkID(&chunkID);
    if (result != HPI_SUCCESS) {
        return result;
    }
    if (data.size() > static_cast<std::size_t>(INT32_MAX) - kHPI_ChunkDataOffset) {
        return HPI_ERROR_INCORRECT_CHUNK_SIZE;
    }
    std::vector<uint64_t> storage;
    HPI_SChunkHeader* record = PrepareRecord(storage, chunkID, static_cast<int32_t>(data.size()));
    std::copy(data.begin(), data.end(), HPI_ChunkData(record));
    return use(chunkID, record);
}

HPI_Result PluginInstance::LoadState(const std::vector<unsigned char>& data) {
    const HPI_Result result =
        WithStateRecord(data, [this](uint32_t chunkID, HPI_SChunkHeader* record) {
            return mParameters->SetChunk(chunkID, record);
        });
    AnswerRequests();
    return result;
}

HPI_Result PluginInstance::CompareState(const std::vector<unsigned char>& data,
                                        bool* outEqual) const {
    return WithStateRecord(data, [this, outEqual](uint32_t, HPI_SChunkHeader* record) {
        return mParameters->CompareActiveChunk(record, outEqual);
    });
}

HPI_Result PluginInstance::Notify(int32_t code, const void* data, uint32_t size) {
    const HPI_Result result = mParameters->Notification(code, data, size);
    AnswerRequests();
    return result;
}

void PluginInstance::Service() {
    mParameters->UpdatePackets();
    mParameters->TimerWakeup();
}

void PluginInstance::BeginBlock(const float* const* inputs, float* const* outputs, int32_t frames,
                                int64_t samplePosition) {
    for (int c = 0; c < mInputChannels; ++c) {
        mInputPointers[static_cast<std::size_t>(c)] = const_cast<float*>(inputs[c]);
    }
    for (int c = 0; c < mOutputChannels; ++c) {
        mOutputPointers[static_cast<std::size_t>(c)] = outputs[c];
    }
    mFrames = frames;
    mSampleLocation = samplePosition;
    for (auto& node : mMIDINodes) {
        node->BeginBlock();
    }
    mObject->SetSamplePosition(samplePosition);
    mObject->DeliverPackets(mFieldStorage);
}

std::size_t PluginInstance::MIDIPacketsPosted() const {
    std::size_t total = 0;
    for (const auto& node : mMIDINodes) {
        total += node->Total();
    }
    return total;
}

}  // namespace hpihost
