#pragma once
// Interfaces the HOST implements and the plug-in calls.
//
// How a plug-in reaches them:
// - The object the host passes to HPIStartup (and again to HPIRegisterPlugin)
//   is the host's library object. It answers QueryInterface for
//   HPI_IHostServices, HPI_IRunLoop and HPI_IHostObjectFactory.
// - At registration the plug-in asks the factory for an HPI_ICollection and
//   describes its effects through it (effect, component descriptors,
//   property maps); then it asks the collection for HPI_IPluginDefinition and
//   hands that back to the host as the result of HPIRegisterPlugin.
// - Per plug-in instance the host makes one instance object and passes it to
//   HPI_IEffectParameters::Initialize and HPI_IEffectGUI::Initialize. It
//   answers QueryInterface for HPI_IController, HPI_IAutomationDelegate and
//   HPI_ITransport, and (for the GUI) for the instance's
//   HPI_IEffectParameters object.
// - The GUI receives an HPI_IViewContainer (optionally HPI_IViewContainerV2)
//   through HPI_IEffectGUI::SetViewContainer.
//
// Every operation answers an HPI result code (0 success) unless it says
// otherwise. Identifiers of parameters are NUL-terminated texts.
#include <cstdint>

#include "hpi/sdk/hpi_render.h"
#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

class HPI_IEffectDescriptor;
class HPI_IComponentDescriptor;
class HPI_IPropertyMap;

// ---------------------------------------------------------------------------
// Library-wide services

// Trace priorities used by the SDK.
constexpr int32_t kHPI_TracePriority_Exception = 0x08000000;
constexpr int32_t kHPI_TracePriority_CheckedResult = 0x04000000;
// Longest trace text, NUL included; longer texts are cut.
constexpr int32_t kHPI_TraceTextSize = 512;

// Assertion reports and traces of the plug-in. Both must return quickly and
// may be called on the render thread, so a host should queue the text
// rather than write it out in the call.
class HPI_IHostServices : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504953'65727669ull, 0x00000000'00000002ull};

    // [any] A failed check inside the plug-in: source path (relative, e.g.
    // "src/hpi/sdk/hpi_parameter.h"), line, expression text, option (always
    // 1: report and continue). The plug-in carries on after the call.
    virtual HPI_Result HandleAssertFailure(const char* file, int32_t line, const char* expression,
                                           int32_t option) = 0;
    // [any] A diagnostic text (at most kHPI_TraceTextSize - 1 characters).
    virtual HPI_Result Trace(int32_t priority, const char* message) = 0;
};

// Callbacks of the run loop; `context` is what the plug-in registered.
using HPI_TimerProc = void (*)(void* context);
using HPI_FileDescriptorProc = void (*)(void* context, int32_t fd, uint32_t events);

// File-descriptor event bits.
enum HPI_EFileDescriptorEvent : uint32_t {
    HPI_eFileDescriptorEvent_Readable = 1u << 0,
    HPI_eFileDescriptorEvent_Writable = 1u << 1,
    HPI_eFileDescriptorEvent_Error = 1u << 2,  // hang-up or error; always reported, never asked for
};

// The host's main-thread run loop, which replaces the platform's timer and
// window-message machinery: the plug-in's idle timer, frame timers and the
// editor's display connection are driven from here.
// Contract the host keeps:
// - callbacks run on the host's main thread, one at a time, never on the
//   render thread and never inside a Register/Unregister call;
// - a timer fires about every periodMs (late ticks are not queued up: at
//   most one tick per period is delivered);
// - a descriptor callback runs while any of the asked events (or an error)
//   is pending on the descriptor;
// - after Unregister... returns the callback never runs again, and a
//   callback may unregister itself or any other entry;
// - tokens are never 0 and never reused while the host runs.
class HPI_IRunLoop : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504952'756E4C70ull, 0x00000000'00000003ull};

    // [main] periodMs 0 or a null proc: HPI_ERROR_INVALID_ARGUMENT; a null outToken:
    // HPI_ERROR_NULL_ARGUMENT.
    virtual HPI_Result RegisterTimer(uint32_t periodMs, HPI_TimerProc proc, void* context, uint64_t* outToken) = 0;
    // [main] An unknown token answers HPI_ERROR_UNKNOWN_ID.
    virtual HPI_Result UnregisterTimer(uint64_t token) = 0;
    // [main] events: HPI_EFileDescriptorEvent bits (Readable and/or Writable). A
    // negative fd, no events or a null proc: HPI_ERROR_INVALID_ARGUMENT.
    virtual HPI_Result RegisterFileDescriptor(int32_t fd, uint32_t events, HPI_FileDescriptorProc proc, void* context,
                                              uint64_t* outToken) = 0;
    // [main] An unknown token answers HPI_ERROR_UNKNOWN_ID.
    virtual HPI_Result UnregisterFileDescriptor(uint64_t token) = 0;
};

// Creates the host's registration objects.
class HPI_IHostObjectFactory : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504946'6163746Full, 0x00000000'00000004ull};

    // [main] A new host object offering `iid` (HPI_ICollection) with one reference
    // owned by the caller; null and HPI_ERROR_UNKNOWN_ID for other iids.
    virtual HPI_Result CreateHostObject(const HPI_IID& iid, void** out) = 0;
};

// ---------------------------------------------------------------------------
// Registration: what HPIRegisterPlugin describes

// [main] Creates one plug-in object and answers it with one reference owned by the
// caller, or null when it cannot be made.
using HPI_FactoryProc = HPI_IUnknown* (*)();

// Numbers under which the factory procedures of an effect are registered.
enum HPI_EFactoryProc : uint32_t {
    HPI_eFactoryProc_EffectParameters = 0,  // object offers HPI_IEffectParameters
    HPI_eFactoryProc_EffectGUI = 1,         // object offers HPI_IEffectGUI
};

// Kinds of MIDI node field.
enum HPI_EMIDINodeType : int32_t {
    HPI_eMIDINodeType_Input = 0,
    HPI_eMIDINodeType_Output = 1,
    HPI_eMIDINodeType_Global = 2,
    HPI_eMIDINodeType_Transport = 3,
};

// Kinds of data input port.
enum HPI_EDataInPortType : int32_t {
    HPI_eDataInPortType_Immediate = 0,     // the latest packet is visible at the next render
    HPI_eDataInPortType_Synchronized = 1,  // a packet is visible once the render reached the point it was posted at
};

// Effect category bits.
enum HPI_EEffectCategory : uint32_t {
    HPI_eEffectCategory_EQ = 1,
    HPI_eEffectCategory_Dynamics = 2,
    HPI_eEffectCategory_Reverb = 4,
    HPI_eEffectCategory_Delay = 8,
};

// Property numbers of a component's property map. Codes (four-character)
// are passed as their 32-bit pattern.
enum HPI_EProperty : uint32_t {
    HPI_eProperty_ManufacturerID = 11,          // code
    HPI_eProperty_ProductID = 12,               // code
    HPI_eProperty_PluginTypeID = 13,            // code, unique per component of the effect
    HPI_eProperty_SecondPluginTypeID = 14,      // code of the same component in the host's offline renderer
    HPI_eProperty_InputStemFormat = 51,
    HPI_eProperty_OutputStemFormat = 52,
    HPI_eProperty_ProcessingOptions = 56,       // bits; 0 for none
    HPI_eProperty_CanBypass = 60,               // 0/1
    HPI_eProperty_HybridOutputStemFormat = 90,
    HPI_eProperty_HybridInputStemFormat = 91,
    HPI_eProperty_SupportsSideChainInput = 116, // 0/1
    HPI_eProperty_UsesFieldInitialization = 300,// 0/1: the host calls ResetFieldData for private fields
    HPI_eProperty_AllowsBackgroundRender = 304, // 0/1, 1 when absent
    HPI_eProperty_UsesTransport = 306,          // 0/1
    HPI_eProperty_OfflineOnly = 151,            // 0/1
};

// Handed back to the host as the result of registration; its content is the
// host's (normally the collection itself).
class HPI_IPluginDefinition : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504950'6C446566ull, 0x00000000'00000005ull};
};

// The host's collection: everything one library registers. Also answers
// QueryInterface for HPI_IPluginDefinition.
class HPI_ICollection : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504943'6F6C6C65ull, 0x00000000'00000006ull};

    // [main] A new, empty effect descriptor with one reference owned by the caller.
    virtual HPI_Result NewEffectDescriptor(HPI_IEffectDescriptor** out) = 0;
    // [main] Adds a described effect under its bundle identifier; a second effect
    // with the same identifier answers HPI_ERROR_DUPLICATE_EFFECT_ID, an
    // effect without names HPI_ERROR_EMPTY_EFFECT_NAME, without components
    // HPI_ERROR_NO_COMPONENTS. The collection takes its own reference.
    virtual HPI_Result AddEffect(const char* effectID, HPI_IEffectDescriptor* effect) = 0;
    // [main]
    virtual HPI_Result SetManufacturerName(const char* name) = 0;
    // [main] Names of the package, longest first by convention; each call adds one.
    virtual HPI_Result AddPackageName(const char* name) = 0;
    // [main] 0xMMMMmmpp.
    virtual HPI_Result SetPackageVersion(uint32_t version) = 0;
};

// One effect: names, category, factory procedures and its components (one
// per channel configuration).
class HPI_IEffectDescriptor : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504945'66664465ull, 0x00000000'00000007ull};

    // [main] A new, empty component descriptor with one reference owned by the caller.
    virtual HPI_Result NewComponentDescriptor(HPI_IComponentDescriptor** out) = 0;
    // [main] Adds a described component; the descriptor takes its own reference.
    // A component whose PluginTypeID another component already has answers
    // HPI_ERROR_DUPLICATE_TYPE_ID.
    virtual HPI_Result AddComponent(HPI_IComponentDescriptor* component) = 0;
    // [main] Names of the effect, longest first by convention; each call adds one.
    virtual HPI_Result AddName(const char* name) = 0;
    // [main] HPI_EEffectCategory bits; each call adds one.
    virtual HPI_Result AddCategory(uint32_t category) = 0;
    // [main] Registers a factory procedure under an HPI_EFactoryProc number.
    virtual HPI_Result AddFactoryProc(HPI_FactoryProc proc, uint32_t procNumber) = 0;
};

// Most auxiliary output stems a component declares.
constexpr int32_t kMaxAuxOutputStems = 32;

// One processing component: the layout of its render context, its
// properties and its render procedure. Field indices are HPI_ERenderField
// values; declaring a field twice answers HPI_ERROR_INVALID_FIELD_INDEX, an
// index outside 0..26 likewise.
class HPI_IComponentDescriptor : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504943'6F6D7044ull, 0x00000000'00000008ull};

    // [main] A private block of dataSize bytes, zero-filled by the plug-in's field
    // initialisation; options 0.
    virtual HPI_Result AddPrivateData(int32_t fieldIndex, int32_t dataSize, uint32_t options) = 0;
    // [main] A MIDI node (HPI_EMIDINodeType); the transport node is declared here
    // too, with type HPI_eMIDINodeType_Transport. channelMask: bit c for
    // MIDI channel c + 1.
    virtual HPI_Result AddMIDINode(int32_t fieldIndex, int32_t nodeType, const char* name, uint32_t channelMask) = 0;
    // [main] float** of the input stem
    virtual HPI_Result AddAudioIn(int32_t fieldIndex) = 0;
    // [main] float** of the output stem
    virtual HPI_Result AddAudioOut(int32_t fieldIndex) = 0;
    // [main] int32* frames
    virtual HPI_Result AddAudioBufferLength(int32_t fieldIndex) = 0;
    // [main] int64* position
    virtual HPI_Result AddSampleLocation(int32_t fieldIndex) = 0;
    // [main] Meters with the given identifiers; the field is a float array, one per
    // meter.
    virtual HPI_Result AddMeters(int32_t fieldIndex, const uint32_t* meterIDs, uint32_t count) = 0;
    // [main] int32* input channel index of the side chain.
    virtual HPI_Result AddSideChainIn(int32_t fieldIndex) = 0;
    // [main] One auxiliary output stem after the main output; fieldIndex is 0 (the
    // stems live behind the main output channels of field 1).
    virtual HPI_Result AddAuxOutputStem(int32_t fieldIndex, int32_t stemFormat, const char* name) = 0;
    // [main] A data port the plug-in posts packets to (HPI_IController::PostPacket);
    // the field points to packetSize bytes. portType: HPI_EDataInPortType.
    virtual HPI_Result AddDataInPort(int32_t fieldIndex, uint32_t packetSize, int32_t portType) = 0;
    // [main] A new, empty property map with one reference owned by the caller.
    virtual HPI_Result NewPropertyMap(HPI_IPropertyMap** out) = 0;
    // [main] The render procedure with the component's properties; the descriptor
    // takes its own reference to the map.
    virtual HPI_Result AddProcessProc(HPI_IPropertyMap* properties, HPI_RenderProc render) = 0;
};

// Numbered properties of a component (HPI_EProperty).
class HPI_IPropertyMap : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504950'726F704Dull, 0x00000000'00000009ull};

    // [main] Sets or replaces one property.
    virtual HPI_Result AddProperty(uint32_t property, int32_t value) = 0;
};

// ---------------------------------------------------------------------------
// Per instance

// The host's side of one plug-in instance.
class HPI_IController : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504943'74726C72ull, 0x00000000'0000000Aull};

    // [any]
    virtual HPI_Result GetSampleRate(float* outRate) = 0;
    // [any] Stem formats of the main buses; the low 16 bits are the channel count.
    virtual HPI_Result GetInputStemFormat(int32_t* outStemFormat) = 0;
    // [any]
    virtual HPI_Result GetOutputStemFormat(int32_t* outStemFormat) = 0;
    // [main] Copies `size` bytes for the data port of `fieldIndex`. A synchronized
    // port shows the packet in the render context once the render has
    // reached the time of posting; an immediate port at the next render.
    // Unknown field: HPI_ERROR_PORT_ID_OUT_OF_RANGE; size differing from the
    // declared packet size: HPI_ERROR_POST_PACKET_FAILED.
    virtual HPI_Result PostPacket(uint32_t fieldIndex, const void* data, uint32_t size) = 0;
    // [any] The plug-in's processing delay in samples; also called from inside the
    // render procedure, so it must not block.
    virtual HPI_Result SetSignalLatency(int32_t samples) = 0;
};

// Automation: the parameters the host may record and play back, and the
// plug-in's requests to change them. A set-value request is answered by the
// host with HPI_IEffectParameters::UpdateParameterNormalizedValue (on the
// main thread; it may be inside the request call or later).
class HPI_IAutomationDelegate : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504941'75746F6Dull, 0x00000000'0000000Bull};

    // [main]
    virtual HPI_Result RegisterParameter(const char* id) = 0;
    // [main]
    virtual HPI_Result UnregisterParameter(const char* id) = 0;
    // [main] Asks the host to set the parameter to a normalised value (0..1).
    virtual HPI_Result PostSetValueRequest(const char* id, double normalizedValue) = 0;
    // [main] Tells the host the parameter's current normalised value.
    virtual HPI_Result PostCurrentValue(const char* id, double normalizedValue) = 0;
    // [main] Bracket a user gesture: touch before the first set-value request,
    // release after the last.
    virtual HPI_Result PostTouchRequest(const char* id) = 0;
    // [main]
    virtual HPI_Result PostReleaseRequest(const char* id) = 0;
};

// Ticks per quarter note of every tick position.
constexpr int64_t kHPI_TicksPerQuarterNote = 960000;

// The host's transport. All queries may come from the render thread and must
// not block.
class HPI_ITransport : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504954'72616E73ull, 0x00000000'0000000Cull};

    // [any]
    virtual HPI_Result GetCurrentTempo(double* outBeatsPerMinute) = 0;
    // [any]
    virtual HPI_Result GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) = 0;
    // [any]
    virtual HPI_Result IsTransportPlaying(bool* outIsPlaying) = 0;
    // [any]
    virtual HPI_Result GetCurrentTickPosition(int64_t* outTicks) = 0;
    // [any]
    virtual HPI_Result GetCurrentNativeSampleLocation(int64_t* outSampleLocation) = 0;
    // [any]
    virtual HPI_Result GetCurrentLoopPosition(bool* outIsLoopEnabled, int64_t* outStartTick,
                                              int64_t* outEndTick) = 0;
};

// ---------------------------------------------------------------------------
// The view

// A size or position, vertical first, in the editor's units.
struct HPI_SViewPoint {
    float mVertical;
    float mHorizontal;
};

// Modifier-key bits.
enum HPI_EModifierKey : uint32_t {
    HPI_eModifierKey_Shift = 1u << 0,
    HPI_eModifierKey_Control = 1u << 1,
    HPI_eModifierKey_Alt = 1u << 2,
    HPI_eModifierKey_Super = 1u << 3,
    // Only in a parameter mouse-down: the press came from the right button.
    HPI_eModifierKey_RightButton = 1u << 4,
};

// The host's container for a plug-in editor.
class HPI_IViewContainer : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504956'69657743ull, 0x00000000'0000000Dull};

    // [main] The native window to open the editor in, or null. On X11 this is the
    // Window id cast to a pointer; on Windows an HWND. It stays valid until
    // the host takes the container away (SetViewContainer(null)).
    virtual void* GetNativeParentView() = 0;
    // [main] The editor's new size; the host resizes its window to fit.
    virtual HPI_Result SetViewSize(const HPI_SViewPoint& size) = 0;
};

// Second version of the container: keyboard state and parameter clicks the
// host may want to take (automation lanes, learn modes).
class HPI_IViewContainerV2 : public HPI_IViewContainer {
public:
    static constexpr HPI_IID kInterfaceID{0x48504956'69657743ull, 0x00000000'0000000Eull};

    // [main] HPI_EModifierKey bits held now.
    virtual HPI_Result GetModifiers(uint32_t* outModifiers) = 0;
    // [main] A mouse press on a parameter's control: 0 when the host took the click
    // (the editor then ignores it), any other answer lets the editor handle it.
    virtual HPI_Result HandleParameterMouseDown(const char* id, uint32_t modifiers) = 0;
};

// Control-surface page layout offered by the host.
class HPI_IPageTable : public HPI_IUnknown {
public:
    static constexpr HPI_IID kInterfaceID{0x48504950'61676554ull, 0x00000000'0000000Full};

    // [main]
    virtual HPI_Result Clear() = 0;
    // [main]
    virtual HPI_Result MapParameter(const char* id, int32_t page, int32_t slot) = 0;
};
