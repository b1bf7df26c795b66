#include "hpi/sdk/hpi_host_wrappers.h"

#include <cstdio>

namespace {

// Makes a host object with the factory the library object offers.
template <typename I>
HPI_Ref<I> CreateHostObject(HPI_IUnknown* libraryObject) {
    HPI_Ref<HPI_IHostObjectFactory> factory = HPI_Ref<HPI_IHostObjectFactory>::Query(libraryObject);
    if (!factory) {
        return {};
    }
    void* created = nullptr;
    if (factory->CreateHostObject(I::kInterfaceID, &created) != HPI_SUCCESS) {
        return {};
    }
    return HPI_Ref<I>::Adopt(static_cast<I*>(created));
}

}  // namespace

// --- host services ---------------------------------------------------------

HPI_VHostServices::HPI_VHostServices(HPI_IUnknown* libraryObject)
    : mServices(HPI_Ref<HPI_IHostServices>::Query(libraryObject)) {}

HPI_Result HPI_VHostServices::HandleAssertFailure(const char* file, int32_t line, const char* expression,
                                                  int32_t option) const {
    if (!mServices) {
        return HPI_ERROR_NULL_OBJECT;
    }
    return mServices->HandleAssertFailure(file, line, expression, option);
}

HPI_Result HPI_VHostServices::Trace(int32_t priority, const char* format, ...) const {
    va_list arguments;
    va_start(arguments, format);
    const HPI_Result result = TraceArgs(priority, format, arguments);
    va_end(arguments);
    return result;
}

HPI_Result HPI_VHostServices::TraceArgs(int32_t priority, const char* format, va_list arguments) const {
    char text[kHPI_TraceTextSize];
    if (format == nullptr || std::vsnprintf(text, sizeof text, format, arguments) < 0) {
        return kHPI_TraceFormatFailed;
    }
    if (!mServices) {
        return HPI_ERROR_NULL_OBJECT;
    }
    return mServices->Trace(priority, text);
}

// --- run loop --------------------------------------------------------------

HPI_VRunLoop::HPI_VRunLoop(HPI_IUnknown* libraryObject) : mRunLoop(HPI_Ref<HPI_IRunLoop>::Query(libraryObject)) {}

HPI_Result HPI_VRunLoop::RegisterTimer(uint32_t periodMs, HPI_TimerProc proc, void* context,
                                       uint64_t* outToken) const {
    return mRunLoop ? mRunLoop->RegisterTimer(periodMs, proc, context, outToken) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VRunLoop::UnregisterTimer(uint64_t token) const {
    return mRunLoop ? mRunLoop->UnregisterTimer(token) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VRunLoop::RegisterFileDescriptor(int32_t fd, uint32_t events, HPI_FileDescriptorProc proc,
                                                void* context, uint64_t* outToken) const {
    return mRunLoop ? mRunLoop->RegisterFileDescriptor(fd, events, proc, context, outToken) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VRunLoop::UnregisterFileDescriptor(uint64_t token) const {
    return mRunLoop ? mRunLoop->UnregisterFileDescriptor(token) : HPI_ERROR_NULL_OBJECT;
}

// --- description -----------------------------------------------------------

HPI_VPropertyMap::HPI_VPropertyMap(HPI_IPropertyMap* adopted) : mMap(HPI_Ref<HPI_IPropertyMap>::Adopt(adopted)) {}

HPI_Result HPI_VPropertyMap::AddProperty(uint32_t property, int32_t value) const {
    return mMap ? mMap->AddProperty(property, value) : HPI_ERROR_NULL_OBJECT;
}

HPI_VComponentDescriptor::HPI_VComponentDescriptor(HPI_IComponentDescriptor* adopted)
    : mComponent(HPI_Ref<HPI_IComponentDescriptor>::Adopt(adopted)) {}

HPI_Result HPI_VComponentDescriptor::AddPrivateData(int32_t fieldIndex, int32_t dataSize, uint32_t options) const {
    return mComponent ? mComponent->AddPrivateData(fieldIndex, dataSize, options) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddMIDINode(int32_t fieldIndex, int32_t nodeType, const char* name,
                                                 uint32_t channelMask) const {
    return mComponent ? mComponent->AddMIDINode(fieldIndex, nodeType, name, channelMask) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddAudioIn(int32_t fieldIndex) const {
    return mComponent ? mComponent->AddAudioIn(fieldIndex) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddAudioOut(int32_t fieldIndex) const {
    return mComponent ? mComponent->AddAudioOut(fieldIndex) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddAudioBufferLength(int32_t fieldIndex) const {
    return mComponent ? mComponent->AddAudioBufferLength(fieldIndex) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddSampleLocation(int32_t fieldIndex) const {
    return mComponent ? mComponent->AddSampleLocation(fieldIndex) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddMeters(int32_t fieldIndex, const uint32_t* meterIDs, uint32_t count) const {
    return mComponent ? mComponent->AddMeters(fieldIndex, meterIDs, count) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddSideChainIn(int32_t fieldIndex) const {
    return mComponent ? mComponent->AddSideChainIn(fieldIndex) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddAuxOutputStem(int32_t fieldIndex, int32_t stemFormat,
                                                      const char* name) const {
    return mComponent ? mComponent->AddAuxOutputStem(fieldIndex, stemFormat, name) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VComponentDescriptor::AddDataInPort(int32_t fieldIndex, uint32_t packetSize, int32_t portType) const {
    return mComponent ? mComponent->AddDataInPort(fieldIndex, packetSize, portType) : HPI_ERROR_NULL_OBJECT;
}

HPI_VPropertyMap* HPI_VComponentDescriptor::NewPropertyMap() {
    HPI_IPropertyMap* created = nullptr;
    if (!mComponent || mComponent->NewPropertyMap(&created) != HPI_SUCCESS || created == nullptr) {
        return nullptr;
    }
    mPropertyMaps.push_back(std::make_unique<HPI_VPropertyMap>(created));
    return mPropertyMaps.back().get();
}

HPI_Result HPI_VComponentDescriptor::AddProcessProc(const HPI_VPropertyMap* properties, HPI_RenderProc render) const {
    if (!mComponent) {
        return HPI_ERROR_NULL_OBJECT;
    }
    return mComponent->AddProcessProc(properties != nullptr ? properties->Get() : nullptr, render);
}

HPI_VEffectDescriptor::HPI_VEffectDescriptor(HPI_IEffectDescriptor* adopted)
    : mEffect(HPI_Ref<HPI_IEffectDescriptor>::Adopt(adopted)) {}

HPI_VComponentDescriptor* HPI_VEffectDescriptor::NewComponentDescriptor() {
    HPI_IComponentDescriptor* created = nullptr;
    if (!mEffect || mEffect->NewComponentDescriptor(&created) != HPI_SUCCESS || created == nullptr) {
        return nullptr;
    }
    mComponents.push_back(std::make_unique<HPI_VComponentDescriptor>(created));
    return mComponents.back().get();
}

HPI_Result HPI_VEffectDescriptor::AddComponent(const HPI_VComponentDescriptor* component) const {
    if (!mEffect || component == nullptr || component->Get() == nullptr) {
        return HPI_ERROR_NULL_OBJECT;
    }
    return mEffect->AddComponent(component->Get());
}

HPI_Result HPI_VEffectDescriptor::AddName(const char* name) const {
    return mEffect ? mEffect->AddName(name) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VEffectDescriptor::AddCategory(uint32_t category) const {
    return mEffect ? mEffect->AddCategory(category) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VEffectDescriptor::AddFactoryProc(HPI_FactoryProc proc, uint32_t procNumber) const {
    return mEffect ? mEffect->AddFactoryProc(proc, procNumber) : HPI_ERROR_NULL_OBJECT;
}

HPI_VCollection::HPI_VCollection(HPI_IUnknown* libraryObject)
    : mCollection(CreateHostObject<HPI_ICollection>(libraryObject)) {}

HPI_VEffectDescriptor* HPI_VCollection::NewEffectDescriptor() {
    HPI_IEffectDescriptor* created = nullptr;
    if (!mCollection || mCollection->NewEffectDescriptor(&created) != HPI_SUCCESS || created == nullptr) {
        return nullptr;
    }
    mEffects.push_back(std::make_unique<HPI_VEffectDescriptor>(created));
    return mEffects.back().get();
}

HPI_Result HPI_VCollection::AddEffect(const char* effectID, const HPI_VEffectDescriptor* effect) const {
    if (!mCollection || effect == nullptr || effect->Get() == nullptr) {
        return HPI_ERROR_NULL_OBJECT;
    }
    return mCollection->AddEffect(effectID, effect->Get());
}

HPI_Result HPI_VCollection::SetManufacturerName(const char* name) const {
    return mCollection ? mCollection->SetManufacturerName(name) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VCollection::AddPackageName(const char* name) const {
    return mCollection ? mCollection->AddPackageName(name) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VCollection::SetPackageVersion(uint32_t version) const {
    return mCollection ? mCollection->SetPackageVersion(version) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VCollection::GetPluginDefinition(void** outDefinition) const {
    if (outDefinition == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outDefinition = nullptr;
    if (!mCollection) {
        return HPI_ERROR_NULL_OBJECT;
    }
    return mCollection->QueryInterface(HPI_IPluginDefinition::kInterfaceID, outDefinition);
}

// --- instance --------------------------------------------------------------

HPI_VController::HPI_VController(HPI_IUnknown* instanceObject)
    : mController(HPI_Ref<HPI_IController>::Query(instanceObject)) {}

HPI_Result HPI_VController::GetSampleRate(float* outRate) const {
    return mController ? mController->GetSampleRate(outRate) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VController::GetInputStemFormat(int32_t* outStemFormat) const {
    return mController ? mController->GetInputStemFormat(outStemFormat) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VController::GetOutputStemFormat(int32_t* outStemFormat) const {
    return mController ? mController->GetOutputStemFormat(outStemFormat) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VController::PostPacket(uint32_t fieldIndex, const void* data, uint32_t size) const {
    return mController ? mController->PostPacket(fieldIndex, data, size) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VController::SetSignalLatency(int32_t samples) const {
    return mController ? mController->SetSignalLatency(samples) : HPI_ERROR_NULL_OBJECT;
}

HPI_VAutomationDelegate::HPI_VAutomationDelegate(HPI_IUnknown* instanceObject)
    : mDelegate(HPI_Ref<HPI_IAutomationDelegate>::Query(instanceObject)) {}

HPI_Result HPI_VAutomationDelegate::RegisterParameter(const char* id) const {
    return mDelegate ? mDelegate->RegisterParameter(id) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VAutomationDelegate::UnregisterParameter(const char* id) const {
    return mDelegate ? mDelegate->UnregisterParameter(id) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VAutomationDelegate::PostSetValueRequest(const char* id, double normalizedValue) const {
    return mDelegate ? mDelegate->PostSetValueRequest(id, normalizedValue) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VAutomationDelegate::PostCurrentValue(const char* id, double normalizedValue) const {
    return mDelegate ? mDelegate->PostCurrentValue(id, normalizedValue) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VAutomationDelegate::PostTouchRequest(const char* id) const {
    return mDelegate ? mDelegate->PostTouchRequest(id) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VAutomationDelegate::PostReleaseRequest(const char* id) const {
    return mDelegate ? mDelegate->PostReleaseRequest(id) : HPI_ERROR_NULL_OBJECT;
}

HPI_VTransport::HPI_VTransport(HPI_IUnknown* instanceObject)
    : mTransport(HPI_Ref<HPI_ITransport>::Query(instanceObject)) {}

HPI_Result HPI_VTransport::GetCurrentTempo(double* outBeatsPerMinute) const {
    return mTransport ? mTransport->GetCurrentTempo(outBeatsPerMinute) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VTransport::GetCurrentMeter(int32_t* outNumerator, int32_t* outDenominator) const {
    return mTransport ? mTransport->GetCurrentMeter(outNumerator, outDenominator) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VTransport::IsTransportPlaying(bool* outIsPlaying) const {
    return mTransport ? mTransport->IsTransportPlaying(outIsPlaying) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VTransport::GetCurrentTickPosition(int64_t* outTicks) const {
    return mTransport ? mTransport->GetCurrentTickPosition(outTicks) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VTransport::GetCurrentNativeSampleLocation(int64_t* outSampleLocation) const {
    return mTransport ? mTransport->GetCurrentNativeSampleLocation(outSampleLocation) : HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_VTransport::GetCurrentLoopPosition(bool* outIsLoopEnabled, int64_t* outStartTick,
                                                  int64_t* outEndTick) const {
    return mTransport ? mTransport->GetCurrentLoopPosition(outIsLoopEnabled, outStartTick, outEndTick)
                      : HPI_ERROR_NULL_OBJECT;
}

// --- view ------------------------------------------------------------------

HPI_VViewContainer::HPI_VViewContainer(HPI_IUnknown* container)
    : mContainer(HPI_Ref<HPI_IViewContainer>::Query(container)),
      mContainerV2(HPI_Ref<HPI_IViewContainerV2>::Query(container)) {}

void* HPI_VViewContainer::GetNativeParentView() const {
    return mContainer ? mContainer->GetNativeParentView() : nullptr;
}

HPI_Result HPI_VViewContainer::SetViewSize(const HPI_SViewPoint& size) const {
    return mContainer ? mContainer->SetViewSize(size) : HPI_SUCCESS;
}

HPI_Result HPI_VViewContainer::GetModifiers(uint32_t* outModifiers) const {
    return mContainerV2 ? mContainerV2->GetModifiers(outModifiers) : HPI_ERROR_UNIMPLEMENTED;
}

HPI_Result HPI_VViewContainer::HandleParameterMouseDown(const char* id, uint32_t modifiers) const {
    return mContainerV2 ? mContainerV2->HandleParameterMouseDown(id, modifiers) : HPI_ERROR_UNIMPLEMENTED;
}

HPI_VPageTable::HPI_VPageTable(HPI_IUnknown* pageTable) : mTable(HPI_Ref<HPI_IPageTable>::Query(pageTable)) {}

HPI_Result HPI_VPageTable::Clear() const { return mTable ? mTable->Clear() : HPI_ERROR_NULL_OBJECT; }

HPI_Result HPI_VPageTable::MapParameter(const char* id, int32_t page, int32_t slot) const {
    return mTable ? mTable->MapParameter(id, page, slot) : HPI_ERROR_NULL_OBJECT;
}
