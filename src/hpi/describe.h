#pragma once
// Registration: how the library describes its effect to the host. One effect
// with one processing component per channel configuration; each component
// declares its render-context fields, its stem formats and a property map,
// and the effect registers factory procedure 0 (the plug-in object) and 1
// (the GUI object).
//
// Everything here runs on the host's main thread inside HPIRegisterPlugin.
// Host answers of a component description go through HPI_CheckedResult, so a
// failing answer throws; RegisterPlugin catches, traces and answers the code.
#include <cstdint>
#include <string>
#include <vector>

#include "core/channel_config.h"
#include "hpi/sdk/hpi_exception.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_host_wrappers.h"
#include "hpi/sdk/hpi_render.h"

// Characters of an auxiliary output's name.
inline constexpr int32_t kMaxAuxOutputNameChars = 32;

// What the product tells the host about itself. Texts are static.
struct HPIProductDescription {
    const char* effectID = "";           // bundle identifier
    const char* pluginName = "";         // one effect (and package) name per line
    const char* manufacturerName = "";
    uint32_t packageVersion = 0;         // 0xMMMMmmpp
    uint32_t category = 0;               // HPI_EEffectCategory bits
    uint32_t manufacturerCode = kHPI_NoCode;
    uint32_t productCode = kHPI_NoCode;
    const char* channelIOString = "";    // channel configurations, e.g. "1-1 2-2"
    // One component type code per described configuration, in order.
    std::vector<uint32_t> typeCodes;
    std::vector<uint32_t> secondTypeCodes;
    bool receivesMidi = false;
    bool sendsMidi = false;
    const char* midiNodeName = "";       // name of the input and output MIDI nodes
    uint32_t midiChannelMask = 0xFFFF;
    bool wantsTransport = true;
    HPI_FactoryProc createEffectParameters = nullptr;  // factory procedure 0
    HPI_FactoryProc createGUI = nullptr;               // factory procedure 1
    HPI_RenderProc render = nullptr;
};

// The record one component is described from.
struct ComponentSetupInfo {
    bool mGlobalMIDIWanted = false;
    std::string mGlobalMIDINodeName = "GlobalMIDI";
    uint32_t mGlobalMIDIMask = 0xFFFF;
    bool mInputMIDIWanted = false;
    std::string mInputMIDINodeName = "InputMIDI";
    uint32_t mInputMIDIMask = 0xFFFF;
    int32_t mNumAdditionalInputMIDINodes = 0;
    bool mOutputMIDIWanted = false;
    std::string mOutputMIDINodeName = "OutputMIDI";
    uint32_t mOutputMIDIMask = 0xFFFF;
    bool mTransportWanted = false;
    std::string mTransportNodeName = "Transport";
    int32_t mNumMeters = 0;
    const uint32_t* mMeterIDs = nullptr;
    int32_t mNumAuxOutputStems = 0;
    std::string mAuxOutputStemNames[kMaxAuxOutputStems];
    int32_t mAuxOutputStemFormats[kMaxAuxOutputStems] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                         1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int32_t mHybridInputStemFormat = HPI_eStemFormat_None;
    int32_t mHybridOutputStemFormat = HPI_eStemFormat_None;
    int32_t mInputStemFormat = HPI_eStemFormat_Mono;
    int32_t mOutputStemFormat = HPI_eStemFormat_Mono;
    bool mOfflineOnly = false;          // property 151
    bool mCanBypass = true;             // property 60
    bool mWantsSideChain = false;
    uint32_t mManufacturerID = kHPI_NoCode;
    uint32_t mProductID = kHPI_NoCode;
    uint32_t mPluginID = kHPI_NoCode;
    uint32_t mAudioSuiteID = kHPI_NoCode;
    bool mAllowsBackgroundRender = true;  // property 304
    int32_t mProcessingOptions = 0;       // property 56
};

// [main] Describes the effect into the collection; 0 or the first failure (the
// results gathered are OR-ed, as the host answers codes). A component whose
// host answer fails throws HPI::Exception::ResultError.
HPI_Result DescribeEffect(HPI_VCollection& collection, const HPIProductDescription& product);

// [main] Fills the record for one configuration: stem formats of the first input
// and output bus, the other output buses as auxiliary stems, then the
// product's values with the given type codes.
void FillSetupInfo(ComponentSetupInfo& setupInfo, const ChannelConfig& config,
                   const HPIProductDescription& product, uint32_t typeCode, uint32_t secondTypeCode);

// [main] Describes one component into the effect. 0, or HPI_ERROR_NULL_OBJECT when
// the host makes no component or property map; any other failing host answer
// throws.
HPI_Result DescribeComponent(HPI_VEffectDescriptor& effect, const ComponentSetupInfo& setupInfo,
                             HPI_RenderProc render);

// [main] The work of HPIRegisterPlugin: describes the product into the collection the
// library object makes and writes the collection's plug-in definition to
// *outDefinition. Every exception is caught and traced
// ("HPIRegisterPlugin exception caught: %s"): a host failure answers its
// code, anything else HPI_ERROR_UNKNOWN_EXCEPTION.
HPI_Result RegisterPlugin(HPI_IUnknown* libraryObject, void** outDefinition, const HPIProductDescription& product);
