#pragma once
// The faces the host holds of the plug-in's objects. A face forwards every
// interface call to the object behind it through GuardHostCall, so no
// exception (in practice std::bad_alloc) unwinds into the host: a call that
// throws answers HPI_ERROR_UNKNOWN_EXCEPTION instead. The objects behind build
// what they need before they change anything, so such a call leaves their
// state as it was. The factory procedures hand out faces, and the render
// procedure the module registers is guarded here too, so every host entry
// passes through this one place.
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_render.h"
#include "hpi/sdk/hpi_unknown.h"

// What a host call answers when the work behind it threw.
inline constexpr HPI_Result kHPI_GuardedCallFailure = HPI_ERROR_UNKNOWN_EXCEPTION;

class HPI_CGuardedEffectParameters final : public HPI_TUnknown<HPI_IEffectParameters> {
public:
    // [main] Takes over the one reference of inner (not null).
    explicit HPI_CGuardedEffectParameters(HPI_IEffectParameters* inner);

    // [any] The object behind the face; it lives as long as the face.
    HPI_IEffectParameters* Inner() const { return mInner; }

    // [main] Every call forwards to Inner() and answers what it answers.
    HPI_Result Initialize(HPI_IUnknown* instanceObject) override;
    // [main]
    HPI_Result Uninitialize() override;
    // [main]
    HPI_Result GetNumberOfParameters(int32_t* outCount) override;
    // [main]
    HPI_Result GetMasterBypassParameter(char* outID, int32_t capacity) override;
    // [main]
    HPI_Result GetParameterIsAutomatable(const char* id, bool* outIsAutomatable) override;
    // [main]
    HPI_Result GetParameterNumberOfSteps(const char* id, int32_t* outSteps) override;
    // [main]
    HPI_Result GetParameterType(const char* id, int32_t* outType) override;
    // [main]
    HPI_Result GetParameterSecondCode(const char* id, int32_t* outCode) override;
    // [main]
    HPI_Result GetParameterNormalizedValue(const char* id, double* outValue) override;
    // [main]
    HPI_Result GetParameterDefaultNormalizedValue(const char* id, double* outValue) override;
    // [main]
    HPI_Result SetParameterDefaultNormalizedValue(const char* id, double value) override;
    // [main]
    HPI_Result TouchParameter(const char* id) override;
    // [main]
    HPI_Result ReleaseParameter(const char* id) override;
    // [main]
    HPI_Result GetParameterName(const char* id, char* outName, int32_t capacity) override;
    // [main]
    HPI_Result GetParameterNameOfLength(const char* id, int32_t numChars, char* outName,
                                        int32_t capacity) override;
    // [main]
    HPI_Result GetParameter(const char* id, HPI_IParameter** outParameter) override;
    // [main]
    HPI_Result GetParameterIndex(const char* id, int32_t* outIndex) override;
    // [main]
    HPI_Result GetParameterIDFromIndex(int32_t index, char* outID, int32_t capacity) override;
    // [main]
    HPI_Result GetParameterValueFromString(const char* id, const char* text,
                                           double* outValue) override;
    // [main]
    HPI_Result GetParameterStringFromValue(const char* id, double value, int32_t maxChars,
                                           char* outText, int32_t capacity) override;
    // [main]
    HPI_Result GetParameterValueString(const char* id, int32_t maxChars, char* outText,
                                       int32_t capacity) override;
    // [main]
    HPI_Result GetParameterValueInfo(const char* id, int32_t selector, int32_t* outValue) override;
    // [main]
    HPI_Result SetParameterNormalizedValue(const char* id, double value) override;
    // [main]
    HPI_Result SetParameterNormalizedRelative(const char* id, double delta) override;
    // [main]
    HPI_Result UpdateParameterNormalizedValue(const char* id, double value) override;
    // [main]
    HPI_Result UpdateParameterNormalizedRelative(const char* id, double delta) override;
    // [main]
    HPI_Result GetNumberOfChanges(int32_t* outChanges) override;
    // [main]
    HPI_Result Notification(int32_t code, const void* data, uint32_t dataSize) override;
    // [main]
    HPI_Result UpdatePageTable(uint32_t tableType, int32_t pageSize,
                               HPI_IUnknown* pageTable) override;
    // [main]
    HPI_Result TimerWakeup() override;
    // [main]
    HPI_Result UpdatePackets() override;
    // [main]
    HPI_Result ResetFieldData(int32_t fieldIndex, void* data, uint32_t dataSize) override;
    // [main]
    HPI_Result GetNumberOfChunks(int32_t* outCount) override;
    // [main]
    HPI_Result GetChunkIDFromIndex(int32_t index, uint32_t* outChunkID) override;
    // [main]
    HPI_Result GetChunkSize(uint32_t chunkID, int32_t* outSize) override;
    // [main]
    HPI_Result GetChunk(uint32_t chunkID, HPI_SChunkHeader* chunk) override;
    // [main]
    HPI_Result SetChunk(uint32_t chunkID, const HPI_SChunkHeader* chunk) override;
    // [main]
    HPI_Result CompareActiveChunk(const HPI_SChunkHeader* chunk, bool* outIsEqual) override;

private:
    // Releases the reference to the object behind.
    ~HPI_CGuardedEffectParameters() override;

    HPI_IEffectParameters* mInner;
};

class HPI_CGuardedEffectGUI final : public HPI_TUnknown<HPI_IEffectGUI> {
public:
    // [main] Takes over the one reference of inner (not null).
    explicit HPI_CGuardedEffectGUI(HPI_IEffectGUI* inner);

    // [any] The object behind the face; it lives as long as the face.
    HPI_IEffectGUI* Inner() const { return mInner; }

    // [main] Every call forwards to Inner() and answers what it answers.
    HPI_Result Initialize(HPI_IUnknown* instanceObject) override;
    // [main]
    HPI_Result Uninitialize() override;
    // [main]
    HPI_Result SetViewOptions(uint32_t options) override;
    // [main]
    HPI_Result SetViewContainer(HPI_IUnknown* container) override;
    // [main]
    HPI_Result GetViewSize(HPI_SViewPoint* outSize) override;
    // [main]
    HPI_Result Draw(float left, float top, float right, float bottom) override;
    // [main]
    HPI_Result TimerWakeup() override;
    // [main]
    HPI_Result ParameterUpdated(const char* id) override;
    // [main]
    HPI_Result GetCustomLabel(const char* id, char* outLabel, int32_t capacity) override;
    // [main]
    HPI_Result SetControlHighlightInfo(const char* id, int32_t isHighlighted,
                                       int32_t color) override;
    // [main]
    HPI_Result CreateViewContents() override;
    // [main]
    HPI_Result CreateViewContainer() override;
    // [main]
    HPI_Result DeleteViewContainer() override;
    // [main]
    HPI_Result UpdateAllParameters() override;

private:
    // Releases the reference to the object behind.
    ~HPI_CGuardedEffectGUI() override;

    HPI_IEffectGUI* mInner;
};

// [main] What a factory procedure hands the host: a face on inner (null for
// a null inner), taking over inner's reference. Releases inner and throws
// std::bad_alloc when the face cannot be made.
HPI_IUnknown* HPI_GuardedFace(HPI_IEffectParameters* inner);
// [main]
HPI_IUnknown* HPI_GuardedFace(HPI_IEffectGUI* inner);

// [audio] The render procedure the module registers:
// HPI_CPluginParameters::StaticRenderAudio, abandoned for the rest of the
// call when it throws.
void HPI_GuardedRenderAudio(HPI_SRenderContext* const* contexts, HPI_SRenderContext* const* end);
