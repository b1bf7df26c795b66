#include "hpi/describe.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "hpi/sdk/hpi_library.h"

namespace {

// The first bus of a direction's stem format (no bus: no format).
int32_t StemFormatOfBus(const std::vector<BusSpec>& buses, std::size_t index) {
    return index < buses.size() ? HPI_StemFormatOfChannelCount(buses[index].channelCount) : HPI_eStemFormat_None;
}

std::vector<std::string> SplitLines(const char* text) {
    std::vector<std::string> lines;
    const std::string all = text != nullptr ? text : "";
    std::size_t start = 0;
    while (true) {
        const std::size_t end = all.find('\n', start);
        lines.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

uint32_t CodeAt(const std::vector<uint32_t>& codes, std::size_t index) {
    return index < codes.size() ? codes[index] : kHPI_NoCode;
}

}  // namespace

void FillSetupInfo(ComponentSetupInfo& setupInfo, const ChannelConfig& config, const HPIProductDescription& product,
                   uint32_t typeCode, uint32_t secondTypeCode) {
    setupInfo.mInputStemFormat = StemFormatOfBus(config.inputBuses, 0);
    setupInfo.mOutputStemFormat = StemFormatOfBus(config.outputBuses, 0);
    setupInfo.mNumAuxOutputStems = std::max(config.BusCount(DirOutput) - 1, 0);
    const int32_t describedAux = std::min(setupInfo.mNumAuxOutputStems, kMaxAuxOutputStems);
    for (int32_t k = 0; k < describedAux; ++k) {
        setupInfo.mAuxOutputStemFormats[k] = StemFormatOfBus(config.outputBuses, static_cast<std::size_t>(k) + 1);
        char name[kMaxAuxOutputNameChars + 1];
        std::snprintf(name, sizeof name, "Output %i", k + 2);
        setupInfo.mAuxOutputStemNames[k] = name;
    }
    setupInfo.mInputMIDIWanted = product.receivesMidi;
    setupInfo.mInputMIDINodeName = product.midiNodeName != nullptr ? product.midiNodeName : "";
    setupInfo.mInputMIDIMask = product.midiChannelMask;
    setupInfo.mOutputMIDIWanted = product.sendsMidi;
    setupInfo.mOutputMIDINodeName = setupInfo.mInputMIDINodeName;
    setupInfo.mOutputMIDIMask = product.midiChannelMask;
    setupInfo.mTransportWanted = product.wantsTransport;
    setupInfo.mManufacturerID = product.manufacturerCode;
    setupInfo.mProductID = product.productCode;
    setupInfo.mPluginID = typeCode;
    setupInfo.mAudioSuiteID = secondTypeCode;
}

HPI_Result DescribeComponent(HPI_VEffectDescriptor& effect, const ComponentSetupInfo& setupInfo,
                             HPI_RenderProc render) {
    HPI_VComponentDescriptor* component = effect.NewComponentDescriptor();
    if (component == nullptr) {
        return HPI_ERROR_NULL_OBJECT;
    }
    HPI_CheckedResult err;

    // Node fields; a node that is not wanted is a private placeholder.
    if (setupInfo.mGlobalMIDIWanted) {
        err = component->AddMIDINode(HPI_eRenderField_GlobalMIDINode, HPI_eMIDINodeType_Global,
                                     setupInfo.mGlobalMIDINodeName.c_str(), setupInfo.mGlobalMIDIMask);
    } else {
        err = component->AddPrivateData(HPI_eRenderField_GlobalMIDINode, 4, 0);
    }
    if (setupInfo.mInputMIDIWanted) {
        err = component->AddMIDINode(HPI_eRenderField_InputMIDINode, HPI_eMIDINodeType_Input,
                                     setupInfo.mInputMIDINodeName.c_str(), setupInfo.mInputMIDIMask);
    } else {
        err = component->AddPrivateData(HPI_eRenderField_InputMIDINode, 4, 0);
    }
    if (setupInfo.mOutputMIDIWanted) {
        err = component->AddMIDINode(HPI_eRenderField_OutputMIDINode, HPI_eMIDINodeType_Output,
                                     setupInfo.mOutputMIDINodeName.c_str(), setupInfo.mOutputMIDIMask);
    } else {
        err = component->AddPrivateData(HPI_eRenderField_OutputMIDINode, 4, 0);
    }
    if (setupInfo.mTransportWanted) {
        err = component->AddMIDINode(HPI_eRenderField_TransportNode, HPI_eMIDINodeType_Transport,
                                     setupInfo.mTransportNodeName.c_str(), 0xFFFF);
    } else {
        err = component->AddPrivateData(HPI_eRenderField_TransportNode, 4, 0);
    }

    HPI::Check(setupInfo.mNumAdditionalInputMIDINodes <= kMaxAdditionalMIDINodes,
               "setupInfo.mNumAdditionalInputMIDINodes <= kMaxAdditionalMIDINodes");
    for (int32_t i = 0; i < kMaxAdditionalMIDINodes; ++i) {
        const int32_t field = HPI_eRenderField_AdditionalInputMIDINode0 + i;
        if (i < setupInfo.mNumAdditionalInputMIDINodes) {
            err = component->AddMIDINode(field, HPI_eMIDINodeType_Input, setupInfo.mInputMIDINodeName.c_str(),
                                         setupInfo.mInputMIDIMask);
        } else {
            err = component->AddPrivateData(field, 4, 0);
        }
    }

    err = component->AddAudioIn(HPI_eRenderField_AudioIn);
    err = component->AddAudioOut(HPI_eRenderField_AudioOut);
    err = component->AddAudioBufferLength(HPI_eRenderField_BufferLength);
    err = component->AddSampleLocation(HPI_eRenderField_SampleLocation);

    if (setupInfo.mNumMeters > 0) {
        err = component->AddMeters(HPI_eRenderField_Meters, setupInfo.mMeterIDs,
                                   static_cast<uint32_t>(setupInfo.mNumMeters));
    } else {
        err = component->AddPrivateData(HPI_eRenderField_Meters, 4, 0);
    }
    if (setupInfo.mWantsSideChain) {
        err = component->AddSideChainIn(HPI_eRenderField_SideChainIndex);
    }

    HPI::Check(setupInfo.mNumAuxOutputStems <= kMaxAuxOutputStems,
               "setupInfo.mNumAuxOutputStems <= kMaxAuxOutputStems");
    const int32_t describedAux = std::clamp(setupInfo.mNumAuxOutputStems, 0, kMaxAuxOutputStems);
    for (int32_t k = 0; k < describedAux; ++k) {
        err = component->AddAuxOutputStem(0, setupInfo.mAuxOutputStemFormats[k],
                                          setupInfo.mAuxOutputStemNames[k].c_str());
    }

    // The instance pointer (field initialisation fills it) and the state
    // number port of the synchronized parameters.
    err = component->AddPrivateData(HPI_eRenderField_PrivateData, sizeof(HPI_SPluginPrivateData), 0);
    err = component->AddDataInPort(HPI_eRenderField_StateNumber, sizeof(int64_t), HPI_eDataInPortType_Synchronized);

    HPI_VPropertyMap* properties = component->NewPropertyMap();
    if (properties == nullptr) {
        return HPI_ERROR_NULL_OBJECT;
    }
    if (setupInfo.mOfflineOnly) {
        err = properties->AddProperty(HPI_eProperty_OfflineOnly, 1);
    }
    const bool hybridIn = setupInfo.mHybridInputStemFormat != HPI_eStemFormat_None;
    const bool hybridOut = setupInfo.mHybridOutputStemFormat != HPI_eStemFormat_None;
    HPI::Check(hybridIn == hybridOut,
               "(HPI_eStemFormat_None != setupInfo.mHybridInputStemFormat) == "
               "(HPI_eStemFormat_None != setupInfo.mHybridOutputStemFormat)");
    if (hybridIn && hybridOut) {
        err = properties->AddProperty(HPI_eProperty_HybridInputStemFormat, setupInfo.mHybridInputStemFormat);
        err = properties->AddProperty(HPI_eProperty_HybridOutputStemFormat, setupInfo.mHybridOutputStemFormat);
    }
    if (setupInfo.mWantsSideChain) {
        err = properties->AddProperty(HPI_eProperty_SupportsSideChainInput, 1);
    }
    err = properties->AddProperty(HPI_eProperty_ProcessingOptions, setupInfo.mProcessingOptions);
    err = properties->AddProperty(HPI_eProperty_InputStemFormat, setupInfo.mInputStemFormat);
    err = properties->AddProperty(HPI_eProperty_OutputStemFormat, setupInfo.mOutputStemFormat);
    err = properties->AddProperty(HPI_eProperty_CanBypass, setupInfo.mCanBypass ? 1 : 0);
    err = properties->AddProperty(HPI_eProperty_UsesFieldInitialization, 1);
    if (setupInfo.mTransportWanted) {
        err = properties->AddProperty(HPI_eProperty_UsesTransport, 1);
    }
    err = properties->AddProperty(HPI_eProperty_ManufacturerID, static_cast<int32_t>(setupInfo.mManufacturerID));
    err = properties->AddProperty(HPI_eProperty_ProductID, static_cast<int32_t>(setupInfo.mProductID));
    err = properties->AddProperty(HPI_eProperty_PluginTypeID, static_cast<int32_t>(setupInfo.mPluginID));
    if (setupInfo.mAudioSuiteID != kHPI_NoCode) {
        err = properties->AddProperty(HPI_eProperty_SecondPluginTypeID, static_cast<int32_t>(setupInfo.mAudioSuiteID));
    }
    if (!setupInfo.mAllowsBackgroundRender) {
        err = properties->AddProperty(HPI_eProperty_AllowsBackgroundRender, 0);
    }

    err = component->AddProcessProc(properties, render);
    err = effect.AddComponent(component);
    return HPI_SUCCESS;
}

HPI_Result DescribeEffect(HPI_VCollection& collection, const HPIProductDescription& product) {
    HPI_VEffectDescriptor* effect = collection.NewEffectDescriptor();
    if (effect == nullptr) {
        return HPI_ERROR_NULL_OBJECT;
    }
    HPI_Result err = HPI_SUCCESS;
    for (const std::string& line : SplitLines(product.pluginName)) {
        err |= effect->AddName(line.c_str());
        err |= collection.AddPackageName(line.c_str());
    }
    err |= effect->AddCategory(product.category);

    std::vector<ChannelConfig> configs;
    int maxInputChannels = 0;
    int maxOutputChannels = 0;
    int maxInputBuses = 0;
    int maxOutputBuses = 0;
    ParseChannelConfigs(product.channelIOString, configs, maxInputChannels, maxOutputChannels, maxInputBuses,
                        maxOutputBuses);
    // With side-chain buses only the configurations with one input bus are
    // described, each taking the side chain.
    const bool sideChain = maxInputBuses > 1;
    std::size_t described = 0;
    for (const ChannelConfig& config : configs) {
        if (sideChain && config.BusCount(DirInput) != 1) {
            continue;
        }
        ComponentSetupInfo setupInfo;
        FillSetupInfo(setupInfo, config, product, CodeAt(product.typeCodes, described),
                      CodeAt(product.secondTypeCodes, described));
        setupInfo.mWantsSideChain = sideChain;
        ++described;
        const HPI_Result componentResult = DescribeComponent(*effect, setupInfo, product.render);
        err |= componentResult;
        HPI::Check(componentResult == HPI_SUCCESS, "err == HPI_SUCCESS");
    }

    err |= effect->AddFactoryProc(product.createEffectParameters, HPI_eFactoryProc_EffectParameters);
    err |= effect->AddFactoryProc(product.createGUI, HPI_eFactoryProc_EffectGUI);

    if (err != HPI_SUCCESS) {
        HPI::Check(false, "err == HPI_SUCCESS");
    } else {
        err = collection.AddEffect(product.effectID, effect);
        HPI::Check(err == HPI_SUCCESS, "err == HPI_SUCCESS");
    }
    collection.SetManufacturerName(product.manufacturerName);
    collection.SetPackageVersion(product.packageVersion);
    return err;
}

HPI_Result RegisterPlugin(HPI_IUnknown* libraryObject, void** outDefinition, const HPIProductDescription& product) {
    try {
        if (outDefinition == nullptr) {
            return HPI_ERROR_NULL_ARGUMENT;
        }
        *outDefinition = nullptr;
        HPI_VCollection collection(libraryObject);
        HPI_CheckedResult err = DescribeEffect(collection, product);
        *outDefinition = nullptr;
        if (collection.GetPluginDefinition(outDefinition) != HPI_SUCCESS) {
            err = HPI_ERROR_NULL_OBJECT;
        }
        return HPI_SUCCESS;
    } catch (const HPI::Exception::ResultError& error) {
        HPI::Trace(kHPI_TracePriority_Exception, "HPIRegisterPlugin exception caught: %s", error.what());
        return error.Result();
    } catch (const HPI::Exception::Any& error) {
        HPI::Trace(kHPI_TracePriority_Exception, "HPIRegisterPlugin exception caught: %s", error.what());
        return HPI_ERROR_UNKNOWN_EXCEPTION;
    } catch (const std::exception& error) {
        HPI::Trace(kHPI_TracePriority_Exception, "HPIRegisterPlugin exception caught: %s", error.what());
        return HPI_ERROR_UNKNOWN_EXCEPTION;
    } catch (...) {
        HPI::Trace(kHPI_TracePriority_Exception, "HPIRegisterPlugin exception caught: unknown");
        return HPI_ERROR_UNKNOWN_EXCEPTION;
    }
}
