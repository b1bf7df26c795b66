#include "hpi/hpi_effect_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

constexpr const char* kMasterBypassID = "MasterBypassID";
constexpr const char* kPreviewID = "PreviewID";
// Longest part of a parameter name considered for the name of a length.
constexpr std::size_t kMaxNameChars = 255;

double Clamp01(double value) { return value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value); }

// The shape of every read-one-value query: an unregistered identifier answers
// -20001, a null out pointer -20044, otherwise the value is written.
template <typename Out, typename Read>
HPI_Result AnswerFromParameter(const HPI_CParameterManager& manager, const char* id, Out* out, Read read) {
    const HPI_IParameter* parameter = manager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (out == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *out = read(*parameter);
    return HPI_SUCCESS;
}

}  // namespace

void HPI_CopyText(const std::string& text, char* out, int32_t capacity) {
    if (out == nullptr || capacity < 1) {
        return;
    }
    const std::size_t kept = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity) - 1);
    std::memcpy(out, text.data(), kept);
    out[kept] = '\0';
}

// ---- parameter manager --------------------------------------------------------

HPI_CParameterManager::~HPI_CParameterManager() { RemoveAllParameters(); }

void HPI_CParameterManager::SetAutomationDelegate(const HPI_VAutomationDelegate* delegate) {
    mAutomationDelegate = delegate;
    for (const auto& parameter : mParameters) {
        parameter->SetAutomationDelegate(delegate);
    }
}

HPI_IParameter* HPI_CParameterManager::AddParameter(std::unique_ptr<HPI_IParameter> parameter) {
    if (!parameter || mByIdentifier.count(parameter->Identifier()) != 0) {
        return nullptr;
    }
    HPI_IParameter* kept = parameter.get();
    mByIdentifier.emplace(kept->Identifier(), kept);
    mParameters.push_back(std::move(parameter));
    if (mAutomationDelegate != nullptr) {
        kept->SetAutomationDelegate(mAutomationDelegate);
    }
    return kept;
}

void HPI_CParameterManager::RemoveAllParameters() {
    mByIdentifier.clear();
    mParameters.clear();
}

HPI_IParameter* HPI_CParameterManager::GetParameter(const char* id) const {
    if (id == nullptr) {
        return nullptr;
    }
    const auto found = mByIdentifier.find(std::string_view(id));
    return found != mByIdentifier.end() ? found->second : nullptr;
}

HPI_IParameter* HPI_CParameterManager::GetParameterByIndex(int32_t index) const {
    if (index < 0 || index >= NumParameters()) {
        return nullptr;
    }
    return mParameters[static_cast<std::size_t>(index)].get();
}

int32_t HPI_CParameterManager::GetParameterIndex(const char* id) const {
    if (id == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < mParameters.size(); ++i) {
        if (std::strcmp(mParameters[i]->Identifier(), id) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

// ---- packet dispatcher --------------------------------------------------------

void HPI_CPacketDispatcher::SetController(const HPI_VController* controller) {
    std::lock_guard<std::mutex> lock(mLock);
    mController = controller;
}

void HPI_CPacketDispatcher::RegisterPacket(const char* id, uint32_t fieldIndex, uint32_t packetSize,
                                           Generator generator) {
    if (id == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(mLock);
    Packet& packet = mPackets[id];
    packet.fieldIndex = fieldIndex;
    packet.bytes.assign(packetSize, 0);
    packet.generator = std::move(generator);
    packet.dirty = true;
}

void HPI_CPacketDispatcher::SetDirty(const char* id) {
    if (id == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(mLock);
    const auto found = mPackets.find(std::string_view(id));
    if (found != mPackets.end()) {
        found->second.dirty = true;
    }
}

HPI_Result HPI_CPacketDispatcher::Dispatch() {
    std::lock_guard<std::mutex> lock(mLock);
    for (auto& [id, packet] : mPackets) {
        if (!packet.dirty) {
            continue;
        }
        if (mController == nullptr) {
            return HPI_ERROR_NULL_OBJECT;
        }
        const std::size_t size = packet.bytes.size();
        if (packet.generator) {
            packet.generator(packet.bytes);
        }
        packet.bytes.resize(size);
        const HPI_Result result =
            mController->PostPacket(packet.fieldIndex, packet.bytes.data(), static_cast<uint32_t>(size));
        if (result != HPI_SUCCESS) {
            return result;
        }
        packet.dirty = false;
    }
    return HPI_SUCCESS;
}

// ---- effect parameters --------------------------------------------------------

HPI_CEffectParameters::HPI_CEffectParameters() = default;

HPI_CEffectParameters::~HPI_CEffectParameters() { Uninitialize(); }

HPI_Result HPI_CEffectParameters::Initialize(HPI_IUnknown* instanceObject) {
    // The host objects are made before anything is dropped, so a failure to
    // make them leaves the object as it was.
    auto controller = std::make_unique<HPI_VController>(instanceObject);
    auto automationDelegate = std::make_unique<HPI_VAutomationDelegate>(instanceObject);
    auto transport = std::make_unique<HPI_VTransport>(instanceObject);
    // A second Initialize starts over instead of adding every parameter twice.
    Uninitialize();
    mController = std::move(controller);
    mAutomationDelegate = std::move(automationDelegate);
    mTransport = std::move(transport);
    mParameterManager.SetAutomationDelegate(mAutomationDelegate.get());
    mPacketDispatcher.SetController(mController.get());
    try {
        return EffectInit();
    } catch (...) {
        // No half-made parameter list stays behind.
        Uninitialize();
        throw;
    }
}

HPI_Result HPI_CEffectParameters::Uninitialize() {
    // Parameters unregister through the delegate, so they go first.
    mParameterManager.RemoveAllParameters();
    ReleaseHostObjects();
    return HPI_SUCCESS;
}

void HPI_CEffectParameters::ReleaseHostObjects() {
    mParameterManager.SetAutomationDelegate(nullptr);
    mPacketDispatcher.SetController(nullptr);
    mTransport.reset();
    mAutomationDelegate.reset();
    mController.reset();
}

HPI_Result HPI_CEffectParameters::EffectInit() { return HPI_SUCCESS; }

HPI_Result HPI_CEffectParameters::GetNumberOfParameters(int32_t* outCount) {
    if (outCount == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outCount = mParameterManager.NumParameters();
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetMasterBypassParameter(char* outID, int32_t capacity) {
    if (outID == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    HPI_CopyText(mParameterManager.GetParameter(kMasterBypassID) != nullptr ? kMasterBypassID : "", outID, capacity);
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetParameterIsAutomatable(const char* id, bool* outIsAutomatable) {
    return AnswerFromParameter(mParameterManager, id, outIsAutomatable, [](const HPI_IParameter& p) { return p.Automatable(); });
}

HPI_Result HPI_CEffectParameters::GetParameterNumberOfSteps(const char* id, int32_t* outSteps) {
    return AnswerFromParameter(mParameterManager, id, outSteps, [](const HPI_IParameter& p) { return static_cast<int32_t>(std::min<uint32_t>(p.GetNumberOfSteps(), INT32_MAX)); });
}

HPI_Result HPI_CEffectParameters::GetParameterType(const char* id, int32_t* outType) {
    return AnswerFromParameter(mParameterManager, id, outType, [](const HPI_IParameter& p) { return p.GetType(); });
}

HPI_Result HPI_CEffectParameters::GetParameterSecondCode(const char* id, int32_t* outCode) {
    return AnswerFromParameter(mParameterManager, id, outCode, [](const HPI_IParameter& p) { return p.GetSecondCode(); });
}

HPI_Result HPI_CEffectParameters::GetParameterNormalizedValue(const char* id, double* outValue) {
    return AnswerFromParameter(mParameterManager, id, outValue, [](const HPI_IParameter& p) { return p.GetNormalizedValue(); });
}

HPI_Result HPI_CEffectParameters::GetParameterDefaultNormalizedValue(const char* id, double* outValue) {
    return AnswerFromParameter(mParameterManager, id, outValue, [](const HPI_IParameter& p) { return p.GetNormalizedDefaultValue(); });
}

HPI_Result HPI_CEffectParameters::SetParameterDefaultNormalizedValue(const char* id, double value) {
    HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (!std::isfinite(value)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    parameter->SetNormalizedDefaultValue(value);
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::TouchParameter(const char* id) {
    HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    parameter->Touch();
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::ReleaseParameter(const char* id) {
    HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    parameter->Release();
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetParameterName(const char* id, char* outName, int32_t capacity) {
    const HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    HPI_CopyText(parameter != nullptr ? parameter->Name() : std::string(), outName, capacity);
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetParameterNameOfLength(const char* id, int32_t numChars, char* outName,
                                                           int32_t capacity) {
    if (outName == nullptr) {
        return HPI_ERROR_INVALID_STRING_CONVERSION;
    }
    const HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        HPI_CopyText("", outName, capacity);
        return HPI_SUCCESS;
    }
    const std::string shortened = parameter->ShortenedName(numChars);
    const std::string considered = shortened.substr(0, std::min(shortened.size(), kMaxNameChars));
    std::string best;
    bool found = false;
    std::size_t start = 0;
    while (start <= considered.size()) {
        std::size_t end = considered.find('\n', start);
        if (end == std::string::npos) {
            end = considered.size();
        }
        const std::size_t length = end - start;
        if (static_cast<int64_t>(length) <= numChars && (!found || length > best.size())) {
            best = considered.substr(start, length);
            found = true;
        }
        start = end + 1;
    }
    if (!found) {
        best = numChars <= 0 ? std::string() : shortened.substr(0, static_cast<std::size_t>(numChars));
    }
    HPI_CopyText(best, outName, capacity);
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetParameter(const char* id, HPI_IParameter** outParameter) {
    HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (outParameter != nullptr) {
        *outParameter = parameter;
    }
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    return outParameter != nullptr ? HPI_SUCCESS : HPI_ERROR_NULL_ARGUMENT;
}

HPI_Result HPI_CEffectParameters::GetParameterIndex(const char* id, int32_t* outIndex) {
    const int32_t index = mParameterManager.GetParameterIndex(id);
    if (outIndex != nullptr) {
        *outIndex = index;
    }
    if (index < 0) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    return outIndex != nullptr ? HPI_SUCCESS : HPI_ERROR_NULL_ARGUMENT;
}

HPI_Result HPI_CEffectParameters::GetParameterIDFromIndex(int32_t index, char* outID, int32_t capacity) {
    const HPI_IParameter* parameter = mParameterManager.GetParameterByIndex(index);
    HPI_CopyText(parameter != nullptr ? parameter->Identifier() : "", outID, capacity);
    return parameter != nullptr ? HPI_SUCCESS : HPI_ERROR_INVALID_PARAMETER_ID;
}

HPI_Result HPI_CEffectParameters::GetParameterValueFromString(const char* id, const char* text, double* outValue) {
    const HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (outValue == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    double value = 0.0;
    if (text == nullptr || !parameter->GetNormalizedValueFromString(text, value)) {
        return HPI_ERROR_INVALID_STRING_CONVERSION;
    }
    *outValue = value;
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetParameterStringFromValue(const char* id, double value, int32_t maxChars,
                                                              char* outText, int32_t capacity) {
    const HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    std::string text;
    const bool converted = std::isfinite(value) && parameter->GetStringFromNormalizedValue(value, maxChars, text);
    HPI_CopyText(text, outText, capacity);
    return converted ? HPI_SUCCESS : HPI_ERROR_INVALID_STRING_CONVERSION;
}

HPI_Result HPI_CEffectParameters::GetParameterValueString(const char* id, int32_t maxChars, char* outText,
                                                          int32_t capacity) {
    const HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    std::string text;
    parameter->GetValueString(maxChars, text);
    HPI_CopyText(text, outText, capacity);
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetParameterValueInfo(const char*, int32_t, int32_t*) {
    return HPI_ERROR_UNIMPLEMENTED;
}

HPI_Result HPI_CEffectParameters::SetParameterNormalizedValue(const char* id, double value) {
    HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (!std::isfinite(value)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    parameter->SetNormalizedValue(value);
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::SetParameterNormalizedRelative(const char* id, double delta) {
    const HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (!std::isfinite(delta)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    return SetParameterNormalizedValue(id, Clamp01(parameter->GetNormalizedValue() + delta));
}

HPI_Result HPI_CEffectParameters::UpdateParameterNormalizedValue(const char* id, double value) {
    HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (!std::isfinite(value)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    parameter->UpdateNormalizedValue(value);
    mPacketDispatcher.SetDirty(id);
    CountChange();
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::UpdateParameterNormalizedRelative(const char* id, double delta) {
    const HPI_IParameter* parameter = mParameterManager.GetParameter(id);
    if (parameter == nullptr) {
        return HPI_ERROR_INVALID_PARAMETER_ID;
    }
    if (!std::isfinite(delta)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    // Virtual, so a plug-in's own update also serves relative updates.
    return UpdateParameterNormalizedValue(id, Clamp01(parameter->GetNormalizedValue() + delta));
}

HPI_Result HPI_CEffectParameters::GetNumberOfChanges(int32_t* outChanges) {
    if (outChanges == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (mNumberOfChanges >= 0) {
        *outChanges = mNumberOfChanges;
    }
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::Notification(int32_t code, const void* data, uint32_t dataSize) {
    if (code == HPI_eNotification_PreviewState && data != nullptr && dataSize >= sizeof(int32_t)) {
        if (HPI_IParameter* preview = mParameterManager.GetParameter(kPreviewID)) {
            int32_t on = 0;
            std::memcpy(&on, data, sizeof on);
            preview->SetValueAsBool(on != 0);
        }
    }
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::UpdatePageTable(uint32_t, int32_t, HPI_IUnknown* pageTable) {
    const HPI_VPageTable table(pageTable);
    return table.IsValid() ? HPI_ERROR_UNIMPLEMENTED : HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::TimerWakeup() { return HPI_SUCCESS; }

HPI_Result HPI_CEffectParameters::UpdatePackets() { return mPacketDispatcher.Dispatch(); }

HPI_Result HPI_CEffectParameters::ResetFieldData(int32_t, void* data, uint32_t dataSize) {
    if (data != nullptr && dataSize > 0) {
        std::memset(data, 0, dataSize);
    }
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetNumberOfChunks(int32_t* outCount) {
    if (outCount == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outCount = 0;
    return HPI_SUCCESS;
}

HPI_Result HPI_CEffectParameters::GetChunkIDFromIndex(int32_t, uint32_t* outChunkID) {
    if (outChunkID != nullptr) {
        *outChunkID = 0;
    }
    return HPI_ERROR_INVALID_CHUNK_INDEX;
}

HPI_Result HPI_CEffectParameters::GetChunkSize(uint32_t, int32_t* outSize) {
    if (outSize != nullptr) {
        *outSize = 0;
    }
    return HPI_ERROR_INVALID_CHUNK_ID;
}

HPI_Result HPI_CEffectParameters::GetChunk(uint32_t, HPI_SChunkHeader*) { return HPI_ERROR_INVALID_CHUNK_ID; }

HPI_Result HPI_CEffectParameters::SetChunk(uint32_t, const HPI_SChunkHeader*) { return HPI_ERROR_INVALID_CHUNK_ID; }

HPI_Result HPI_CEffectParameters::CompareActiveChunk(const HPI_SChunkHeader*, bool* outIsEqual) {
    if (outIsEqual == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outIsEqual = true;
    return HPI_SUCCESS;
}
