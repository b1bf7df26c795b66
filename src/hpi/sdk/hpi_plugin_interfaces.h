#pragma once
// Interfaces the PLUG-IN implements and the host calls: the effect
// parameters object (factory procedure 0) and the GUI object (factory
// procedure 1). Both are reference-counted; the factory answers them with one
// reference owned by the host, which asks for these interfaces with
// QueryInterface.
//
// Host call sequence for one instance:
//   obj = factory 0 (); params = QueryInterface(HPI_IEffectParameters)
//   params->Initialize(instanceObject)           // registers its parameters
//   params->ResetFieldData(f, block, size)       // each private field, before the first render
//   ... render procedure on the render thread; parameter calls, chunk calls,
//       UpdatePackets and TimerWakeup on the main thread ...
//   gui = factory 1 (); gui->Initialize(instanceObject); gui->SetViewContainer(c) ...
//   gui->SetViewContainer(null); gui->Uninitialize(); gui->Release()
//   params->Uninitialize(); params->Release(); obj->Release()
//
// Identifiers are NUL-terminated texts; an identifier no parameter has
// answers HPI_ERROR_INVALID_PARAMETER_ID. Output texts follow the buffer
// rule of hpi_types.h (capacity in bytes, always NUL-terminated).
#include <cstdint>

#include "hpi/sdk/hpi_chunk.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

class HPI_IParameter;

// Notification codes of HPI_IEffectParameters::Notification.
enum HPI_ENotification : int32_t {
    // Rendering faster than real time (bounce) starts / ends; no data.
    HPI_eNotification_EnterOfflineMode = static_cast<int32_t>(HPI_FourCharCode("HPof")),
    HPI_eNotification_ExitOfflineMode = static_cast<int32_t>(HPI_FourCharCode("HPox")),
    // The track's name changed; data: const HPI_ITextValue*.
    HPI_eNotification_TrackNameChanged = static_cast<int32_t>(HPI_FourCharCode("HPtn")),
    // Preview on or off; data: int32, non-zero for on.
    HPI_eNotification_PreviewState = static_cast<int32_t>(HPI_FourCharCode("HPpv")),
};

// A text the host hands with a notification; valid during the call.
class HPI_ITextValue {
public:
    // [main] never null
    virtual const char* GetText() const = 0;

protected:
    ~HPI_ITextValue() = default;
};

// Kinds of parameter (GetParameterType).
enum HPI_EParameterType : int32_t {
    HPI_eParameterType_Discrete = 0,
    HPI_eParameterType_Continuous = 1,
};

// The plug-in's parameter, state and render-setup object of one instance.
class HPI_IEffectParameters : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504945'66665061ull, 0x00000000'00000010ull};

    // --- life ---
    // [main] instanceObject answers HPI_IController, HPI_IAutomationDelegate and
    // HPI_ITransport. Creates the parameters and registers each with the
    // automation delegate.
    virtual HPI_Result Initialize(HPI_IUnknown* instanceObject) = 0;
    // [main] Deletes the parameters (unregistering them) and releases the host
    // objects.
    virtual HPI_Result Uninitialize() = 0;

    // --- parameters ---
    // [main]
    virtual HPI_Result GetNumberOfParameters(int32_t* outCount) = 0;
    // [main] Identifier of the master bypass parameter ("" when it has none).
    virtual HPI_Result GetMasterBypassParameter(char* outID, int32_t capacity) = 0;
    // [main]
    virtual HPI_Result GetParameterIsAutomatable(const char* id, bool* outIsAutomatable) = 0;
    // [main]
    virtual HPI_Result GetParameterNumberOfSteps(const char* id, int32_t* outSteps) = 0;
    // [main] HPI_EParameterType.
    virtual HPI_Result GetParameterType(const char* id, int32_t* outType) = 0;
    // [main] A further attribute of the parameter, 0 when it has none.
    virtual HPI_Result GetParameterSecondCode(const char* id, int32_t* outCode) = 0;
    // [main]
    virtual HPI_Result GetParameterNormalizedValue(const char* id, double* outValue) = 0;
    // [main]
    virtual HPI_Result GetParameterDefaultNormalizedValue(const char* id, double* outValue) = 0;
    // [main]
    virtual HPI_Result SetParameterDefaultNormalizedValue(const char* id, double value) = 0;
    // [main] Gesture bracket sent on by the plug-in to the automation delegate.
    virtual HPI_Result TouchParameter(const char* id) = 0;
    // [main]
    virtual HPI_Result ReleaseParameter(const char* id) = 0;
    // [main] Full name; an unknown identifier writes "" and answers 0.
    virtual HPI_Result GetParameterName(const char* id, char* outName, int32_t capacity) = 0;
    // [main] The best name of at most numChars characters; an unknown identifier
    // writes "" and answers 0; a null outName answers
    // HPI_ERROR_INVALID_STRING_CONVERSION.
    virtual HPI_Result GetParameterNameOfLength(const char* id, int32_t numChars, char* outName,
                                                int32_t capacity) = 0;
    // [main] The plug-in's own parameter object, for in-process tools; no reference
    // is handed over.
    virtual HPI_Result GetParameter(const char* id, HPI_IParameter** outParameter) = 0;
    // [main] Position in the parameter list; -1 and HPI_ERROR_INVALID_PARAMETER_ID
    // when not found.
    virtual HPI_Result GetParameterIndex(const char* id, int32_t* outIndex) = 0;
    // [main] An index outside the list writes "" and answers
    // HPI_ERROR_INVALID_PARAMETER_ID.
    virtual HPI_Result GetParameterIDFromIndex(int32_t index, char* outID, int32_t capacity) = 0;
    // [main] Text to normalised value; a text the display cannot read answers
    // HPI_ERROR_INVALID_STRING_CONVERSION.
    virtual HPI_Result GetParameterValueFromString(const char* id, const char* text, double* outValue) = 0;
    // [main] Normalised value to a text of at most maxChars characters.
    virtual HPI_Result GetParameterStringFromValue(const char* id, double value, int32_t maxChars, char* outText,
                                                   int32_t capacity) = 0;
    // [main] Text of the current value, at most maxChars characters.
    virtual HPI_Result GetParameterValueString(const char* id, int32_t maxChars, char* outText,
                                               int32_t capacity) = 0;
    // [main] Extra information about a value (selector defined by the host); the
    // plug-in may answer HPI_ERROR_UNIMPLEMENTED.
    virtual HPI_Result GetParameterValueInfo(const char* id, int32_t selector, int32_t* outValue) = 0;
    // [main] Requests: the plug-in sends them on as set-value requests to the
    // automation delegate; the value changes when the host answers with an
    // update. Relative requests add to the current normalised value, clamped
    // to 0..1.
    virtual HPI_Result SetParameterNormalizedValue(const char* id, double value) = 0;
    // [main]
    virtual HPI_Result SetParameterNormalizedRelative(const char* id, double delta) = 0;
    // [main] Updates: the host's answer to a request, or its own automation. The
    // plug-in stores the value and reports it back with PostCurrentValue when
    // it changed. Non-finite values are ignored.
    virtual HPI_Result UpdateParameterNormalizedValue(const char* id, double value) = 0;
    // [main]
    virtual HPI_Result UpdateParameterNormalizedRelative(const char* id, double delta) = 0;
    // [main] Counter of changes since creation; the host compares it to see whether
    // the state must be saved again.
    virtual HPI_Result GetNumberOfChanges(int32_t* outChanges) = 0;

    // --- host events ---
    // [main] code: HPI_ENotification (others are ignored and answer 0).
    virtual HPI_Result Notification(int32_t code, const void* data, uint32_t dataSize) = 0;
    // [main] Control-surface layout: a plug-in without one answers
    // HPI_ERROR_UNIMPLEMENTED when pageTable is not null.
    virtual HPI_Result UpdatePageTable(uint32_t tableType, int32_t pageSize, HPI_IUnknown* pageTable) = 0;
    // [main] Regular main-thread call (about every 20..50 ms): the plug-in frees what
    // the render thread has finished with.
    virtual HPI_Result TimerWakeup() = 0;
    // [main] Regular main-thread call after parameter traffic: the plug-in posts its
    // dirty packets and the next state number (data port, field 25) through
    // the controller.
    virtual HPI_Result UpdatePackets() = 0;
    // [main] Field initialisation of a private-data field before the first render:
    // zero-fills `data` (dataSize bytes); for HPI_eRenderField_PrivateData it
    // stores the instance (HPI_SPluginPrivateData).
    virtual HPI_Result ResetFieldData(int32_t fieldIndex, void* data, uint32_t dataSize) = 0;

    // --- state ---
    // [main]
    virtual HPI_Result GetNumberOfChunks(int32_t* outCount) = 0;
    // [main] An index without a chunk writes 0 and answers HPI_ERROR_INVALID_CHUNK_INDEX.
    virtual HPI_Result GetChunkIDFromIndex(int32_t index, uint32_t* outChunkID) = 0;
    // [main] Data bytes of a chunk; an unknown chunk writes 0 and answers
    // HPI_ERROR_INVALID_CHUNK_ID.
    virtual HPI_Result GetChunkSize(uint32_t chunkID, int32_t* outSize) = 0;
    // [main] The host allocates HPI_ChunkRecordSize(GetChunkSize) bytes and sets
    // chunk->mSize to the data capacity before the call; the plug-in writes
    // mSize and the data, and answers HPI_ERROR_INCORRECT_CHUNK_SIZE (writing
    // nothing) when the state does not fit.
    virtual HPI_Result GetChunk(uint32_t chunkID, HPI_SChunkHeader* chunk) = 0;
    // [main] Restores from mSize bytes of data behind the header.
    virtual HPI_Result SetChunk(uint32_t chunkID, const HPI_SChunkHeader* chunk) = 0;
    // [main] Whether the record holds the live state.
    virtual HPI_Result CompareActiveChunk(const HPI_SChunkHeader* chunk, bool* outIsEqual) = 0;
};

// Highlight colours of SetControlHighlightInfo.
enum HPI_EHighlightColor : int32_t {
    HPI_eHighlightColor_Red = 0,
    HPI_eHighlightColor_Blue = 1,
    HPI_eHighlightColor_Green = 2,
    HPI_eHighlightColor_Yellow = 3,
};

// The plug-in's editor object of one instance.
class HPI_IEffectGUI : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504945'66664755ull, 0x00000000'00000011ull};

    // [main] instanceObject answers HPI_IController, HPI_ITransport and the
    // instance's HPI_IEffectParameters. Without it (or without a controller):
    // HPI_ERROR_NOT_INITIALIZED.
    virtual HPI_Result Initialize(HPI_IUnknown* instanceObject) = 0;
    // [main] Closes the editor if open and releases the host objects.
    virtual HPI_Result Uninitialize() = 0;
    // [main] Presentation hints of the host; a plug-in may ignore them.
    virtual HPI_Result SetViewOptions(uint32_t options) = 0;
    // [main] Hands the editor a container (opens the editor inside its native parent
    // view) or takes it away with null (closes the editor).
    virtual HPI_Result SetViewContainer(HPI_IUnknown* container) = 0;
    // [main] The editor's size in editor units; left unchanged without an editor.
    virtual HPI_Result GetViewSize(HPI_SViewPoint* outSize) = 0;
    // [main] The host redraws a rectangle of its window; editors drawing themselves
    // ignore it.
    virtual HPI_Result Draw(float left, float top, float right, float bottom) = 0;
    // [main] Regular main-thread call while the editor is open.
    virtual HPI_Result TimerWakeup() = 0;
    // [main] A parameter's value changed.
    virtual HPI_Result ParameterUpdated(const char* id) = 0;
    // [main] A label the editor shows for a parameter; HPI_ERROR_NULL_OBJECT when
    // it has none.
    virtual HPI_Result GetCustomLabel(const char* id, char* outLabel, int32_t capacity) = 0;
    // [main] Marks the controls of a parameter (HPI_EHighlightColor); without an
    // open editor HPI_ERROR_INVALID_PARAMETER_ID.
    virtual HPI_Result SetControlHighlightInfo(const char* id, int32_t isHighlighted, int32_t color) = 0;
    // [main] The steps of Initialize and SetViewContainer, callable on their own.
    virtual HPI_Result CreateViewContents() = 0;
    // [main]
    virtual HPI_Result CreateViewContainer() = 0;
    // [main]
    virtual HPI_Result DeleteViewContainer() = 0;
    // [main]
    virtual HPI_Result UpdateAllParameters() = 0;
};
