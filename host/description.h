#pragma once
// What a plug-in library described at registration, recorded by the host's
// registration objects: the collection (package names, manufacturer,
// version, effects), each effect descriptor (names, categories, factory
// procedures, components) and each component descriptor (render-context
// fields in the order declared, auxiliary stems, property map in the order
// added, render procedure).
//
// The registration objects live only while HPIRegisterPlugin runs and the
// host reads them; Snapshot() turns them into the plain records below, which
// the rest of the host uses. All calls come on the main thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host_object.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_render.h"

namespace hpihost {

enum class FieldKind {
    PrivateData,
    MIDINode,
    AudioIn,
    AudioOut,
    BufferLength,
    SampleLocation,
    Meters,
    SideChainIn,
    DataInPort,
};
// [any] "private", "midi", "audio-in", ...
const char* FieldKindName(FieldKind kind);

// One declared render-context field; only the members of its kind are set.
struct FieldDeclaration {
    int32_t mIndex = 0;
    FieldKind mKind = FieldKind::PrivateData;
    int32_t mDataSize = 0;            // PrivateData
    uint32_t mOptions = 0;            // PrivateData
    int32_t mNodeType = 0;            // MIDINode (HPI_EMIDINodeType)
    std::string mName;                // MIDINode
    uint32_t mChannelMask = 0;        // MIDINode
    std::vector<uint32_t> mMeterIDs;  // Meters
    uint32_t mPacketSize = 0;         // DataInPort
    int32_t mPortType = 0;            // DataInPort (HPI_EDataInPortType)
};

struct AuxOutputStem {
    int32_t mFieldIndex = 0;
    int32_t mStemFormat = 0;
    std::string mName;
};

struct PropertyEntry {
    uint32_t mNumber = 0;
    int32_t mValue = 0;
};

struct ComponentDescription {
    std::vector<FieldDeclaration> mFields;  // in the order declared
    std::vector<AuxOutputStem> mAuxOutputStems;
    std::vector<PropertyEntry> mProperties;  // of the first process procedure, in the order added
    HPI_RenderProc mRenderProc = nullptr;
    int mProcessProcCount = 0;

    // [any]
    std::optional<int32_t> Property(uint32_t number) const;
    // [any] null when not declared
    const FieldDeclaration* Field(int32_t index) const;
    // [any] property 51, None when absent
    int32_t InputStemFormat() const;
    // [any] property 52, None when absent
    int32_t OutputStemFormat() const;
    // [any]
    int InputChannels() const;
    // [any]
    int OutputChannels() const;
    // [any] property 13, 0 when absent
    uint32_t TypeID() const;
};

struct FactoryProcEntry {
    uint32_t mNumber = 0;
    HPI_FactoryProc mProc = nullptr;
};

struct EffectDescription {
    std::string mID;  // bundle identifier it was added under
    std::vector<std::string> mNames;
    std::vector<uint32_t> mCategories;
    std::vector<FactoryProcEntry> mFactoryProcs;  // in the order registered
    std::vector<ComponentDescription> mComponents;

    // [any] The last procedure registered under `number`, or null.
    HPI_FactoryProc FactoryProc(uint32_t number) const;
    // [any] The component whose main input and output both have `channels`
    // channels, or null.
    const ComponentDescription* ComponentForChannels(int channels) const;
};

struct LibraryDescription {
    std::vector<EffectDescription> mEffects;  // in the order added
    std::string mManufacturerName;
    std::vector<std::string> mPackageNames;
    std::optional<uint32_t> mPackageVersion;
};

// [any] "7.0.0" for 0x00070000 (0xMMMMmmpp).
std::string PackageVersionText(uint32_t version);

class HostPropertyMap;
class HostComponentDescriptor;
class HostEffectDescriptor;

// Record of one property map; a property set twice keeps its first place.
class HostPropertyMap final : public HostObject<HPI_IPropertyMap> {
public:
    HostPropertyMap() : HostObject("HostPropertyMap") {}
    HPI_Result AddProperty(uint32_t property, int32_t value) override;
    const std::vector<PropertyEntry>& Properties() const { return mProperties; }

private:
    std::vector<PropertyEntry> mProperties;
};

// Record of one component. Declaring a field twice, or outside 0..26,
// answers HPI_ERROR_INVALID_FIELD_INDEX; data ports larger than 8 bytes are
// refused with HPI_ERROR_INVALID_ARGUMENT (the host keeps each port's packet
// in one atomic word).
class HostComponentDescriptor final : public HostObject<HPI_IComponentDescriptor> {
public:
    static constexpr uint32_t kMaxPacketSize = 8;

    HostComponentDescriptor() : HostObject("HostComponentDescriptor") {}
    ~HostComponentDescriptor() override;

    HPI_Result AddPrivateData(int32_t fieldIndex, int32_t dataSize, uint32_t options) override;
    HPI_Result AddMIDINode(int32_t fieldIndex, int32_t nodeType, const char* name,
                           uint32_t channelMask) override;
    HPI_Result AddAudioIn(int32_t fieldIndex) override;
    HPI_Result AddAudioOut(int32_t fieldIndex) override;
    HPI_Result AddAudioBufferLength(int32_t fieldIndex) override;
    HPI_Result AddSampleLocation(int32_t fieldIndex) override;
    HPI_Result AddMeters(int32_t fieldIndex, const uint32_t* meterIDs, uint32_t count) override;
    HPI_Result AddSideChainIn(int32_t fieldIndex) override;
    HPI_Result AddAuxOutputStem(int32_t fieldIndex, int32_t stemFormat, const char* name) override;
    HPI_Result AddDataInPort(int32_t fieldIndex, uint32_t packetSize, int32_t portType) override;
    HPI_Result NewPropertyMap(HPI_IPropertyMap** out) override;
    HPI_Result AddProcessProc(HPI_IPropertyMap* properties, HPI_RenderProc render) override;

    // [main] The properties of the first process procedure's map, as they stand.
    std::vector<PropertyEntry> Properties() const;
    // [main]
    ComponentDescription Snapshot() const;
    // [main] made by NewPropertyMap of this descriptor
    bool Owns(HPI_IPropertyMap* map) const;

private:
    HPI_Result AddField(FieldDeclaration field);
    // A field that carries nothing but its index and kind.
    HPI_Result AddFieldOfKind(int32_t fieldIndex, FieldKind kind);

    std::vector<FieldDeclaration> mFields;
    std::vector<AuxOutputStem> mAuxOutputStems;
    std::vector<HostPropertyMap*> mMadeMaps;     // one reference each; for Owns()
    std::vector<HostPropertyMap*> mProcessMaps;  // one reference each
    std::vector<HPI_RenderProc> mProcessProcs;
};

// Record of one effect.
class HostEffectDescriptor final : public HostObject<HPI_IEffectDescriptor> {
public:
    HostEffectDescriptor() : HostObject("HostEffectDescriptor") {}
    ~HostEffectDescriptor() override;

    HPI_Result NewComponentDescriptor(HPI_IComponentDescriptor** out) override;
    HPI_Result AddComponent(HPI_IComponentDescriptor* component) override;
    HPI_Result AddName(const char* name) override;
    HPI_Result AddCategory(uint32_t category) override;
    HPI_Result AddFactoryProc(HPI_FactoryProc proc, uint32_t procNumber) override;

    // [main] without the identifier
    EffectDescription Snapshot() const;
    std::size_t NameCount() const { return mNames.size(); }
    std::size_t ComponentCount() const { return mComponents.size(); }

private:
    HostComponentDescriptor* Find(HPI_IComponentDescriptor* component) const;

    std::vector<std::string> mNames;
    std::vector<uint32_t> mCategories;
    std::vector<FactoryProcEntry> mFactoryProcs;
    std::vector<HostComponentDescriptor*> mMade;        // one reference each
    std::vector<HostComponentDescriptor*> mComponents;  // one reference each
};

// The collection one library registers into; it is also the plug-in
// definition handed back by HPIRegisterPlugin.
class HostCollection final : public HostObject<HPI_ICollection, HPI_IPluginDefinition> {
public:
    HostCollection() : HostObject("HostCollection") {}
    ~HostCollection() override;

    HPI_Result NewEffectDescriptor(HPI_IEffectDescriptor** out) override;
    HPI_Result AddEffect(const char* effectID, HPI_IEffectDescriptor* effect) override;
    HPI_Result SetManufacturerName(const char* name) override;
    HPI_Result AddPackageName(const char* name) override;
    HPI_Result SetPackageVersion(uint32_t version) override;

    // [main]
    LibraryDescription Snapshot() const;

private:
    struct Added {
        std::string mID;
        HostEffectDescriptor* mEffect;  // one reference
    };
    std::vector<HostEffectDescriptor*> mMade;  // one reference each
    std::vector<Added> mEffects;
    std::string mManufacturerName;
    std::vector<std::string> mPackageNames;
    std::optional<uint32_t> mPackageVersion;
};

}  // namespace hpihost
