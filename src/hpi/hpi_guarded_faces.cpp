#include "hpi/hpi_guarded_faces.h"

#include <memory>
#include <utility>

#include "core/host_guard.h"
#include "hpi/parameters.h"

namespace {

template <typename Work>
HPI_Result Guarded(Work&& work) noexcept {
    return GuardHostCall(kHPI_GuardedCallFailure, std::forward<Work>(work));
}

template <typename Face, typename Interface>
HPI_IUnknown* MakeFace(Interface* inner) {
    if (inner == nullptr) {
        return nullptr;
    }
    std::unique_ptr<Interface, void (*)(Interface*)> owned(
        inner, [](Interface* object) { object->Release(); });
    Interface* face = new Face(owned.get());
    owned.release();
    return static_cast<HPI_IUnknown*>(face);
}

}  // namespace

HPI_IUnknown* HPI_GuardedFace(HPI_IEffectParameters* inner) {
    return MakeFace<HPI_CGuardedEffectParameters>(inner);
}

HPI_IUnknown* HPI_GuardedFace(HPI_IEffectGUI* inner) {
    return MakeFace<HPI_CGuardedEffectGUI>(inner);
}

// ---- HPI_IEffectParameters ----------------------------------------------------

HPI_CGuardedEffectParameters::HPI_CGuardedEffectParameters(HPI_IEffectParameters* inner)
    : mInner(inner) {}

HPI_CGuardedEffectParameters::~HPI_CGuardedEffectParameters() {
    mInner->Release();
}

HPI_Result HPI_CGuardedEffectParameters::Initialize(HPI_IUnknown* instanceObject) {
    return Guarded([&] { return mInner->Initialize(instanceObject); });
}

HPI_Result HPI_CGuardedEffectParameters::Uninitialize() {
    return Guarded([&] { return mInner->Uninitialize(); });
}

HPI_Result HPI_CGuardedEffectParameters::GetNumberOfParameters(int32_t* outCount) {
    return Guarded([&] { return mInner->GetNumberOfParameters(outCount); });
}

HPI_Result HPI_CGuardedEffectParameters::GetMasterBypassParameter(char* outID, int32_t capacity) {
    return Guarded([&] { return mInner->GetMasterBypassParameter(outID, capacity); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterIsAutomatable(const char* id,
                                                                   bool* outIsAutomatable) {
    return Guarded([&] { return mInner->GetParameterIsAutomatable(id, outIsAutomatable); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterNumberOfSteps(const char* id,
                                                                   int32_t* outSteps) {
    return Guarded([&] { return mInner->GetParameterNumberOfSteps(id, outSteps); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterType(const char* id, int32_t* outType) {
    return Guarded([&] { return mInner->GetParameterType(id, outType); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterSecondCode(const char* id, int32_t* outCode) {
    return Guarded([&] { return mInner->GetParameterSecondCode(id, outCode); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterNormalizedValue(const char* id,
                                                                     double* outValue) {
    return Guarded([&] { return mInner->GetParameterNormalizedValue(id, outValue); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterDefaultNormalizedValue(const char* id,
                                                                            double* outValue) {
    return Guarded([&] { return mInner->GetParameterDefaultNormalizedValue(id, outValue); });
}

HPI_Result HPI_CGuardedEffectParameters::SetParameterDefaultNormalizedValue(const char* id,
                                                                            double value) {
    return Guarded([&] { return mInner->SetParameterDefaultNormalizedValue(id, value); });
}

HPI_Result HPI_CGuardedEffectParameters::TouchParameter(const char* id) {
    return Guarded([&] { return mInner->TouchParameter(id); });
}

HPI_Result HPI_CGuardedEffectParameters::ReleaseParameter(const char* id) {
    return Guarded([&] { return mInner->ReleaseParameter(id); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterName(const char* id, char* outName,
                                                          int32_t capacity) {
    return Guarded([&] { return mInner->GetParameterName(id, outName, capacity); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterNameOfLength(const char* id, int32_t numChars,
                                                                  char* outName, int32_t capacity) {
    return Guarded(
        [&] { return mInner->GetParameterNameOfLength(id, numChars, outName, capacity); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameter(const char* id,
                                                      HPI_IParameter** outParameter) {
    return Guarded([&] { return mInner->GetParameter(id, outParameter); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterIndex(const char* id, int32_t* outIndex) {
    return Guarded([&] { return mInner->GetParameterIndex(id, outIndex); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterIDFromIndex(int32_t index, char* outID,
                                                                 int32_t capacity) {
    return Guarded([&] { return mInner->GetParameterIDFromIndex(index, outID, capacity); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterValueFromString(const char* id,
                                                                     const char* text,
                                                                     double* outValue) {
    return Guarded([&] { return mInner->GetParameterValueFromString(id, text, outValue); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterStringFromValue(const char* id, double value,
                                                                     int32_t maxChars,
                                                                     char* outText,
                                                                     int32_t capacity) {
    return Guarded([&] {
        return mInner->GetParameterStringFromValue(id, value, maxChars, outText, capacity);
    });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterValueString(const char* id, int32_t maxChars,
                                                                 char* outText, int32_t capacity) {
    return Guarded(
        [&] { return mInner->GetParameterValueString(id, maxChars, outText, capacity); });
}

HPI_Result HPI_CGuardedEffectParameters::GetParameterValueInfo(const char* id, int32_t selector,
                                                               int32_t* outValue) {
    return Guarded([&] { return mInner->GetParameterValueInfo(id, selector, outValue); });
}

HPI_Result HPI_CGuardedEffectParameters::SetParameterNormalizedValue(const char* id, double value) {
    return Guarded([&] { return mInner->SetParameterNormalizedValue(id, value); });
}

HPI_Result HPI_CGuardedEffectParameters::SetParameterNormalizedRelative(const char* id,
                                                                        double delta) {
    return Guarded([&] { return mInner->SetParameterNormalizedRelative(id, delta); });
}

HPI_Result HPI_CGuardedEffectParameters::UpdateParameterNormalizedValue(const char* id,
                                                                        double value) {
    return Guarded([&] { return mInner->UpdateParameterNormalizedValue(id, value); });
}

HPI_Result HPI_CGuardedEffectParameters::UpdateParameterNormalizedRelative(const char* id,
                                                                           double delta) {
    return Guarded([&] { return mInner->UpdateParameterNormalizedRelative(id, delta); });
}

HPI_Result HPI_CGuardedEffectParameters::GetNumberOfChanges(int32_t* outChanges) {
    return Guarded([&] { return mInner->GetNumberOfChanges(outChanges); });
}

HPI_Result HPI_CGuardedEffectParameters::Notification(int32_t code, const void* data,
                                                      uint32_t dataSize) {
    return Guarded([&] { return mInner->Notification(code, data, dataSize); });
}

HPI_Result HPI_CGuardedEffectParameters::UpdatePageTable(uint32_t tableType, int32_t pageSize,
                                                         HPI_IUnknown* pageTable) {
    return Guarded([&] { return mInner->UpdatePageTable(tableType, pageSize, pageTable); });
}

HPI_Result HPI_CGuardedEffectParameters::TimerWakeup() {
    return Guarded([&] { return mInner->TimerWakeup(); });
}

HPI_Result HPI_CGuardedEffectParameters::UpdatePackets() {
    return Guarded([&] { return mInner->UpdatePackets(); });
}

HPI_Result HPI_CGuardedEffectParameters::ResetFieldData(int32_t fieldIndex, void* data,
                                                        uint32_t dataSize) {
    return Guarded([&] { return mInner->ResetFieldData(fieldIndex, data, dataSize); });
}

HPI_Result HPI_CGuardedEffectParameters::GetNumberOfChunks(int32_t* outCount) {
    return Guarded([&] { return mInner->GetNumberOfChunks(outCount); });
}

HPI_Result HPI_CGuardedEffectParameters::GetChunkIDFromIndex(int32_t index, uint32_t* outChunkID) {
    return Guarded([&] { return mInner->GetChunkIDFromIndex(index, outChunkID); });
}

HPI_Result HPI_CGuardedEffectParameters::GetChunkSize(uint32_t chunkID, int32_t* outSize) {
    return Guarded([&] { return mInner->GetChunkSize(chunkID, outSize); });
}

HPI_Result HPI_CGuardedEffectParameters::GetChunk(uint32_t chunkID, HPI_SChunkHeader* chunk) {
    return Guarded([&] { return mInner->GetChunk(chunkID, chunk); });
}

HPI_Result HPI_CGuardedEffectParameters::SetChunk(uint32_t chunkID, const HPI_SChunkHeader* chunk) {
    return Guarded([&] { return mInner->SetChunk(chunkID, chunk); });
}

HPI_Result HPI_CGuardedEffectParameters::CompareActiveChunk(const HPI_SChunkHeader* chunk,
                                                            bool* outIsEqual) {
    return Guarded([&] { return mInner->CompareActiveChunk(chunk, outIsEqual); });
}

// ---- HPI_IEffectGUI -----------------------------------------------------------

HPI_CGuardedEffectGUI::HPI_CGuardedEffectGUI(HPI_IEffectGUI* inner) : mInner(inner) {}

HPI_CGuardedEffectGUI::~HPI_CGuardedEffectGUI() {
    mInner->Release();
}

HPI_Result HPI_CGuardedEffectGUI::Initialize(HPI_IUnknown* instanceObject) {
    return Guarded([&] { return mInner->Initialize(instanceObject); });
}

HPI_Result HPI_CGuardedEffectGUI::Uninitialize() {
    return Guarded([&] { return mInner->Uninitialize(); });
}

HPI_Result HPI_CGuardedEffectGUI::SetViewOptions(uint32_t options) {
    return Guarded([&] { return mInner->SetViewOptions(options); });
}

HPI_Result HPI_CGuardedEffectGUI::SetViewContainer(HPI_IUnknown* container) {
    return Guarded([&] { return mInner->SetViewContainer(container); });
}

HPI_Result HPI_CGuardedEffectGUI::GetViewSize(HPI_SViewPoint* outSize) {
    return Guarded([&] { return mInner->GetViewSize(outSize); });
}

HPI_Result HPI_CGuardedEffectGUI::Draw(float left, float top, float right, float bottom) {
    return Guarded([&] { return mInner->Draw(left, top, right, bottom); });
}

HPI_Result HPI_CGuardedEffectGUI::TimerWakeup() {
    return Guarded([&] { return mInner->TimerWakeup(); });
}

HPI_Result HPI_CGuardedEffectGUI::ParameterUpdated(const char* id) {
    return Guarded([&] { return mInner->ParameterUpdated(id); });
}

HPI_Result HPI_CGuardedEffectGUI::GetCustomLabel(const char* id, char* outLabel, int32_t capacity) {
    return Guarded([&] { return mInner->GetCustomLabel(id, outLabel, capacity); });
}

HPI_Result HPI_CGuardedEffectGUI::SetControlHighlightInfo(const char* id, int32_t isHighlighted,
                                                          int32_t color) {
    return Guarded([&] { return mInner->SetControlHighlightInfo(id, isHighlighted, color); });
}

HPI_Result HPI_CGuardedEffectGUI::CreateViewContents() {
    return Guarded([&] { return mInner->CreateViewContents(); });
}

HPI_Result HPI_CGuardedEffectGUI::CreateViewContainer() {
    return Guarded([&] { return mInner->CreateViewContainer(); });
}

HPI_Result HPI_CGuardedEffectGUI::DeleteViewContainer() {
    return Guarded([&] { return mInner->DeleteViewContainer(); });
}

HPI_Result HPI_CGuardedEffectGUI::UpdateAllParameters() {
    return Guarded([&] { return mInner->UpdateAllParameters(); });
}

void HPI_GuardedRenderAudio(HPI_SRenderContext* const* contexts, HPI_SRenderContext* const* end) {
    GuardHostCall([&] { HPI_CPluginParameters::StaticRenderAudio(contexts, end); });
}
