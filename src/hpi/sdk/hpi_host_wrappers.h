#pragma once
// The plug-in's wrappers of host objects. Each wrapper asks the host object
// it is given for its interface once, at construction, keeps that reference
// until it is destroyed and forwards every call. When the host object (or the
// interface) is missing, every call answers HPI_ERROR_NULL_OBJECT (-20004)
// and leaves its outputs untouched, unless the operation says otherwise.
// Wrappers are neither copied nor moved; the objects they hand out
// (descriptors, property maps) belong to the wrapper that made them.
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <vector>

#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

#if defined(__GNUC__)
#define HPI_PRINTF_FORMAT(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define HPI_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

class HPI_VNonCopyable {
public:
    HPI_VNonCopyable(const HPI_VNonCopyable&) = delete;
    HPI_VNonCopyable& operator=(const HPI_VNonCopyable&) = delete;

protected:
    HPI_VNonCopyable() = default;
    ~HPI_VNonCopyable() = default;
};

// Assertion reports and traces.
class HPI_VHostServices : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VHostServices(HPI_IUnknown* libraryObject);

    // [any]
    bool IsValid() const { return static_cast<bool>(mServices); }
    // [any]
    HPI_Result HandleAssertFailure(const char* file, int32_t line, const char* expression, int32_t option) const;
    // [any] Formats into kHPI_TraceTextSize bytes (longer texts are cut); a
    // formatting failure answers kHPI_TraceFormatFailed without calling the
    // host.
    HPI_Result Trace(int32_t priority, const char* format, ...) const HPI_PRINTF_FORMAT(3, 4);
    // [any]
    HPI_Result TraceArgs(int32_t priority, const char* format, va_list arguments) const;

private:
    HPI_Ref<HPI_IHostServices> mServices;
};

// The host's main-thread run loop (timers and file descriptors).
class HPI_VRunLoop : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VRunLoop(HPI_IUnknown* libraryObject);

    // [any]
    bool IsValid() const { return static_cast<bool>(mRunLoop); }
    // [main]
    HPI_Result RegisterTimer(uint32_t periodMs, HPI_TimerProc proc, void* context, uint64_t* outToken) const;
    // [main]
    HPI_Result UnregisterTimer(uint64_t token) const;
    // [main]
    HPI_Result RegisterFileDescriptor(int32_t fd, uint32_t events, HPI_FileDescriptorProc proc, void* context,
                                      uint64_t* outToken) const;
    // [main]
    HPI_Result UnregisterFileDescriptor(uint64_t token) const;

private:
    HPI_Ref<HPI_IRunLoop> mRunLoop;
};

class HPI_VPropertyMap : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VPropertyMap(HPI_IPropertyMap* adopted);  // takes over the reference

    // [any]
    HPI_IPropertyMap* Get() const { return mMap.Get(); }
    // [main]
    HPI_Result AddProperty(uint32_t property, int32_t value) const;

private:
    HPI_Ref<HPI_IPropertyMap> mMap;
};

class HPI_VComponentDescriptor : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VComponentDescriptor(HPI_IComponentDescriptor* adopted);  // takes over the reference

    // [any]
    HPI_IComponentDescriptor* Get() const { return mComponent.Get(); }
    // [main]
    HPI_Result AddPrivateData(int32_t fieldIndex, int32_t dataSize, uint32_t options) const;
    // [main]
    HPI_Result AddMIDINode(int32_t fieldIndex, int32_t nodeType, const char* name, uint32_t channelMask) const;
    // [main]
    HPI_Result AddAudioIn(int32_t fieldIndex) const;
    // [main]
    HPI_Result AddAudioOut(int32_t fieldIndex) const;
    // [main]
    HPI_Result AddAudioBufferLength(int32_t fieldIndex) const;
    // [main]
    HPI_Result AddSampleLocation(int32_t fieldIndex) const;
    // [main]
    HPI_Result AddMeters(int32_t fieldIndex, const uint32_t* meterIDs, uint32_t count) const;
    // [main]
    HPI_Result AddSideChainIn(int32_t fieldIndex) const;
    // [main]
    HPI_Result AddAuxOutputStem(int32_t fieldIndex, int32_t stemFormat, const char* name) const;
    // [main]
    HPI_Result AddDataInPort(int32_t fieldIndex, uint32_t packetSize, int32_t portType) const;
    // [main] A new property map owned by this wrapper; null when the host gives none.
    HPI_VPropertyMap* NewPropertyMap();
    // [main] A null map is passed to the host as null.
    HPI_Result AddProcessProc(const HPI_VPropertyMap* properties, HPI_RenderProc render) const;

private:
    HPI_Ref<HPI_IComponentDescriptor> mComponent;
    std::vector<std::unique_ptr<HPI_VPropertyMap>> mPropertyMaps;
};

class HPI_VEffectDescriptor : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VEffectDescriptor(HPI_IEffectDescriptor* adopted);  // takes over the reference

    // [any]
    HPI_IEffectDescriptor* Get() const { return mEffect.Get(); }
    // [main] A new component descriptor owned by this wrapper; null when the host
    // gives none.
    HPI_VComponentDescriptor* NewComponentDescriptor();
    // [main] A null component answers HPI_ERROR_NULL_OBJECT.
    HPI_Result AddComponent(const HPI_VComponentDescriptor* component) const;
    // [main]
    HPI_Result AddName(const char* name) const;
    // [main]
    HPI_Result AddCategory(uint32_t category) const;
    // [main]
    HPI_Result AddFactoryProc(HPI_FactoryProc proc, uint32_t procNumber) const;

private:
    HPI_Ref<HPI_IEffectDescriptor> mEffect;
    std::vector<std::unique_ptr<HPI_VComponentDescriptor>> mComponents;
};

// The host's collection, made through the library object's factory.
class HPI_VCollection : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VCollection(HPI_IUnknown* libraryObject);

    // [any]
    bool IsValid() const { return static_cast<bool>(mCollection); }
    // [main] A new effect descriptor owned by this wrapper; null when the host gives
    // none.
    HPI_VEffectDescriptor* NewEffectDescriptor();
    // [main] A null effect answers HPI_ERROR_NULL_OBJECT.
    HPI_Result AddEffect(const char* effectID, const HPI_VEffectDescriptor* effect) const;
    // [main]
    HPI_Result SetManufacturerName(const char* name) const;
    // [main]
    HPI_Result AddPackageName(const char* name) const;
    // [main]
    HPI_Result SetPackageVersion(uint32_t version) const;
    // [main] The collection's HPI_IPluginDefinition with one reference, written to
    // *outDefinition (null on failure); the host's answer.
    HPI_Result GetPluginDefinition(void** outDefinition) const;

private:
    HPI_Ref<HPI_ICollection> mCollection;
    std::vector<std::unique_ptr<HPI_VEffectDescriptor>> mEffects;
};

// The host's controller of one instance.
class HPI_VController : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VController(HPI_IUnknown* instanceObject);

    // [any]
    bool IsValid() const { return static_cast<bool>(mController); }
    // [any]
    HPI_Result GetSampleRate(float* outRate) const;
    // [any]
    HPI_Result GetInputStemFormat(int32_t* outStemFormat) const;
    // [any]
    HPI_Result GetOutputStemFormat(int32_t* outStemFormat) const;
    // [main]
    HPI_Result PostPacket(uint32_t fieldIndex, const void* data, uint32_t size) const;
    // [any]
    HPI_Result SetSignalLatency(int32_t samples) const;

private:
    HPI_Ref<HPI_IController> mController;
};

// The host's automation interface of one instance.
class HPI_VAutomationDelegate : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VAutomationDelegate(HPI_IUnknown* instanceObject);

    // [any]
    bool IsValid() const { return static_cast<bool>(mDelegate); }
    // [main]
    HPI_Result RegisterParameter(const char* id) const;
    // [main]
    HPI_Result UnregisterParameter(const char* id) const;
    // [main]
    HPI_Result PostSetValueRequest(const char* id, double normalizedValue) const;
    // [main]
    HPI_Result PostCurrentValue(const char* id, double normalizedValue) const;
    // [main]
    HPI_Result PostTouchRequest(const char* id) const;
    // [main]
    HPI_Result PostReleaseRequest(const char* id) const;

private:
    HPI_Ref<HPI_IAutomationDelegate> mDelegate;
};

// The host's transport of one instance.
class HPI_VTransport : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VTransport(HPI_IUnknown* instanceObject);

    // [any]
    bool IsValid() const { return static_cast<bool>(mTransport); }
    // [any] All
    HPI_Result GetCurrentTempo(double* outBeatsPerMinute) const;
    // [any]
    HPI_Result GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) const;
    // [any]
    HPI_Result IsTransportPlaying(bool* outIsPlaying) const;
    // [any]
    HPI_Result GetCurrentTickPosition(int64_t* outTicks) const;
    // [any]
    HPI_Result GetCurrentNativeSampleLocation(int64_t* outSampleLocation) const;
    // [any]
    HPI_Result GetCurrentLoopPosition(bool* outIsLoopEnabled, int64_t* outStartTick, int64_t* outEndTick) const;

private:
    HPI_Ref<HPI_ITransport> mTransport;
};

// The host's view container, through both of its versions. Without a
// container the parent view is null and SetViewSize answers 0; without the
// second version GetModifiers and HandleParameterMouseDown answer
// HPI_ERROR_UNIMPLEMENTED.
class HPI_VViewContainer : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VViewContainer(HPI_IUnknown* container);

    // [any]
    bool IsValid() const { return static_cast<bool>(mContainer); }
    // [main]
    void* GetNativeParentView() const;
    // [main]
    HPI_Result SetViewSize(const HPI_SViewPoint& size) const;
    // [main]
    HPI_Result GetModifiers(uint32_t* outModifiers) const;
    // [main]
    HPI_Result HandleParameterMouseDown(const char* id, uint32_t modifiers) const;

private:
    HPI_Ref<HPI_IViewContainer> mContainer;
    HPI_Ref<HPI_IViewContainerV2> mContainerV2;
};

// The host's control-surface page table.
class HPI_VPageTable : HPI_VNonCopyable {
public:
    // [main]
    explicit HPI_VPageTable(HPI_IUnknown* pageTable);

    // [any]
    bool IsValid() const { return static_cast<bool>(mTable); }
    // [main]
    HPI_Result Clear() const;
    // [main]
    HPI_Result MapParameter(const char* id, int32_t page, int32_t slot) const;

private:
    HPI_Ref<HPI_IPageTable> mTable;
};
