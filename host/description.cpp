#include "description.h"

#include <algorithm>
#include <cstdio>

namespace hpihost {
namespace {

template <typename T>
bool Contains(const std::vector<T*>& list, const void* item) {
    return std::find_if(list.begin(), list.end(), [item](T* entry) { return entry == item; }) != list.end();
}

template <typename T>
void ReleaseAll(std::vector<T*>& list) {
    for (T* item : list) {
        item->Release();
    }
    list.clear();
}

bool ValidField(int32_t index) { return index >= 0 && index < HPI_eRenderField_Count; }

}  // namespace

const char* FieldKindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::PrivateData: return "private";
        case FieldKind::MIDINode: return "midi-node";
        case FieldKind::AudioIn: return "audio-in";
        case FieldKind::AudioOut: return "audio-out";
        case FieldKind::BufferLength: return "buffer-length";
        case FieldKind::SampleLocation: return "sample-location";
        case FieldKind::Meters: return "meters";
        case FieldKind::SideChainIn: return "side-chain-in";
        case FieldKind::DataInPort: return "data-in-port";
    }
    return "?";
}

std::string PackageVersionText(uint32_t version) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u", version >> 16, (version >> 8) & 0xFFu, version & 0xFFu);
    return text;
}

// ---------------------------------------------------------------------------

std::optional<int32_t> ComponentDescription::Property(uint32_t number) const {
    for (const PropertyEntry& entry : mProperties) {
        if (entry.mNumber == number) {
            return entry.mValue;
        }
    }
    return std::nullopt;
}

const FieldDeclaration* ComponentDescription::Field(int32_t index) const {
    for (const FieldDeclaration& field : mFields) {
        if (field.mIndex == index) {
            return &field;
        }
    }
    return nullptr;
}

int32_t ComponentDescription::InputStemFormat() const {
    return Property(HPI_eProperty_InputStemFormat).value_or(HPI_eStemFormat_None);
}

int32_t ComponentDescription::OutputStemFormat() const {
    return Property(HPI_eProperty_OutputStemFormat).value_or(HPI_eStemFormat_None);
}

int ComponentDescription::InputChannels() const { return HPI_ChannelCountOfStemFormat(InputStemFormat()); }
int ComponentDescription::OutputChannels() const { return HPI_ChannelCountOfStemFormat(OutputStemFormat()); }

uint32_t ComponentDescription::TypeID() const {
    return static_cast<uint32_t>(Property(HPI_eProperty_PluginTypeID).value_or(0));
}

HPI_FactoryProc EffectDescription::FactoryProc(uint32_t number) const {
    HPI_FactoryProc found = nullptr;
    for (const FactoryProcEntry& entry : mFactoryProcs) {
        if (entry.mNumber == number) {
            found = entry.mProc;
        }
    }
    return found;
}

const ComponentDescription* EffectDescription::ComponentForChannels(int channels) const {
    for (const ComponentDescription& component : mComponents) {
        if (component.InputChannels() == channels && component.OutputChannels() == channels) {
            return &component;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------

HPI_Result HostPropertyMap::AddProperty(uint32_t property, int32_t value) {
    for (PropertyEntry& entry : mProperties) {
        if (entry.mNumber == property) {
            entry.mValue = value;
            return HPI_SUCCESS;
        }
    }
    mProperties.push_back(PropertyEntry{property, value});
    return HPI_SUCCESS;
}

// ---------------------------------------------------------------------------

HostComponentDescriptor::~HostComponentDescriptor() {
    ReleaseAll(mProcessMaps);
    ReleaseAll(mMadeMaps);
}

HPI_Result HostComponentDescriptor::AddFieldOfKind(int32_t fieldIndex, FieldKind kind) {
    FieldDeclaration field;
    field.mIndex = fieldIndex;
    field.mKind = kind;
    return AddField(std::move(field));
}

HPI_Result HostComponentDescriptor::AddField(FieldDeclaration field) {
    if (!ValidField(field.mIndex)) {
        return HPI_ERROR_INVALID_FIELD_INDEX;
    }
    for (const FieldDeclaration& existing : mFields) {
        if (existing.mIndex == field.mIndex) {
            return HPI_ERROR_INVALID_FIELD_INDEX;
        }
    }
    mFields.push_back(std::move(field));
    return HPI_SUCCESS;
}

HPI_Result HostComponentDescriptor::AddPrivateData(int32_t fieldIndex, int32_t dataSize, uint32_t options) {
    if (dataSize <= 0) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    FieldDeclaration field;
    field.mIndex = fieldIndex;
    field.mKind = FieldKind::PrivateData;
    field.mDataSize = dataSize;
    field.mOptions = options;
    return AddField(std::move(field));
}

HPI_Result HostComponentDescriptor::AddMIDINode(int32_t fieldIndex, int32_t nodeType, const char* name,
                                                uint32_t channelMask) {
    if (nodeType < HPI_eMIDINodeType_Input || nodeType > HPI_eMIDINodeType_Transport) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    FieldDeclaration field;
    field.mIndex = fieldIndex;
    field.mKind = FieldKind::MIDINode;
    field.mNodeType = nodeType;
    field.mName = name != nullptr ? name : "";
    field.mChannelMask = channelMask;
    return AddField(std::move(field));
}

HPI_Result HostComponentDescriptor::AddAudioIn(int32_t fieldIndex) { return AddFieldOfKind(fieldIndex, FieldKind::AudioIn); }

HPI_Result HostComponentDescriptor::AddAudioOut(int32_t fieldIndex) { return AddFieldOfKind(fieldIndex, FieldKind::AudioOut); }

HPI_Result HostComponentDescriptor::AddAudioBufferLength(int32_t fieldIndex) { return AddFieldOfKind(fieldIndex, FieldKind::BufferLength); }

HPI_Result HostComponentDescriptor::AddSampleLocation(int32_t fieldIndex) { return AddFieldOfKind(fieldIndex, FieldKind::SampleLocation); }

HPI_Result HostComponentDescriptor::AddMeters(int32_t fieldIndex, const uint32_t* meterIDs, uint32_t count) {
    if (count == 0) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    if (meterIDs == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    FieldDeclaration field;
    field.mIndex = fieldIndex;
    field.mKind = FieldKind::Meters;
    field.mMeterIDs.assign(meterIDs, meterIDs + count);
    return AddField(std::move(field));
}

HPI_Result HostComponentDescriptor::AddSideChainIn(int32_t fieldIndex) { return AddFieldOfKind(fieldIndex, FieldKind::SideChainIn); }

HPI_Result HostComponentDescriptor::AddAuxOutputStem(int32_t fieldIndex, int32_t stemFormat, const char* name) {
    if (fieldIndex != 0) {
        return HPI_ERROR_INVALID_FIELD_INDEX;
    }
    if (HPI_ChannelCountOfStemFormat(stemFormat) == 0) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    mAuxOutputStems.push_back(AuxOutputStem{fieldIndex, stemFormat, name != nullptr ? name : ""});
    return HPI_SUCCESS;
}

HPI_Result HostComponentDescriptor::AddDataInPort(int32_t fieldIndex, uint32_t packetSize, int32_t portType) {
    if (packetSize == 0 || packetSize > kMaxPacketSize ||
        (portType != HPI_eDataInPortType_Immediate && portType != HPI_eDataInPortType_Synchronized)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    FieldDeclaration field;
    field.mIndex = fieldIndex;
    field.mKind = FieldKind::DataInPort;
    field.mPacketSize = packetSize;
    field.mPortType = portType;
    return AddField(std::move(field));
}

HPI_Result HostComponentDescriptor::NewPropertyMap(HPI_IPropertyMap** out) {
    if (out == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    auto* map = new HostPropertyMap();
    map->AddRef();
    mMadeMaps.push_back(map);
    *out = map;
    return HPI_SUCCESS;
}

bool HostComponentDescriptor::Owns(HPI_IPropertyMap* map) const { return Contains(mMadeMaps, map); }

HPI_Result HostComponentDescriptor::AddProcessProc(HPI_IPropertyMap* properties, HPI_RenderProc render) {
    if (properties == nullptr || render == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    if (!Owns(properties)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    auto* map = static_cast<HostPropertyMap*>(properties);
    map->AddRef();
    mProcessMaps.push_back(map);
    mProcessProcs.push_back(render);
    return HPI_SUCCESS;
}

std::vector<PropertyEntry> HostComponentDescriptor::Properties() const {
    return mProcessMaps.empty() ? std::vector<PropertyEntry>{} : mProcessMaps.front()->Properties();
}

ComponentDescription HostComponentDescriptor::Snapshot() const {
    ComponentDescription description;
    description.mFields = mFields;
    description.mAuxOutputStems = mAuxOutputStems;
    description.mProperties = Properties();
    description.mRenderProc = mProcessProcs.empty() ? nullptr : mProcessProcs.front();
    description.mProcessProcCount = static_cast<int>(mProcessProcs.size());
    return description;
}

// ---------------------------------------------------------------------------

HostEffectDescriptor::~HostEffectDescriptor() {
    ReleaseAll(mComponents);
    ReleaseAll(mMade);
}

HostComponentDescriptor* HostEffectDescriptor::Find(HPI_IComponentDescriptor* component) const {
    for (HostComponentDescriptor* made : mMade) {
        if (static_cast<HPI_IComponentDescriptor*>(made) == component) {
            return made;
        }
    }
    return nullptr;
}

HPI_Result HostEffectDescriptor::NewComponentDescriptor(HPI_IComponentDescriptor** out) {
    if (out == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    auto* component = new HostComponentDescriptor();
    component->AddRef();
    mMade.push_back(component);
    *out = component;
    return HPI_SUCCESS;
}

HPI_Result HostEffectDescriptor::AddComponent(HPI_IComponentDescriptor* component) {
    if (component == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    HostComponentDescriptor* ours = Find(component);
    if (ours == nullptr || Contains(mComponents, ours)) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    const ComponentDescription added = ours->Snapshot();
    if (added.mRenderProc == nullptr) {
        return HPI_ERROR_NULL_COMPONENT;
    }
    if (const auto typeID = added.Property(HPI_eProperty_PluginTypeID)) {
        for (HostComponentDescriptor* existing : mComponents) {
            if (existing->Snapshot().Property(HPI_eProperty_PluginTypeID) == typeID) {
                return HPI_ERROR_DUPLICATE_TYPE_ID;
            }
        }
    }
    ours->AddRef();
    mComponents.push_back(ours);
    return HPI_SUCCESS;
}

HPI_Result HostEffectDescriptor::AddName(const char* name) {
    if (name == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    mNames.emplace_back(name);
    return HPI_SUCCESS;
}

HPI_Result HostEffectDescriptor::AddCategory(uint32_t category) {
    mCategories.push_back(category);
    return HPI_SUCCESS;
}

HPI_Result HostEffectDescriptor::AddFactoryProc(HPI_FactoryProc proc, uint32_t procNumber) {
    if (proc == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    mFactoryProcs.push_back(FactoryProcEntry{procNumber, proc});
    return HPI_SUCCESS;
}

EffectDescription HostEffectDescriptor::Snapshot() const {
    EffectDescription description;
    description.mNames = mNames;
    description.mCategories = mCategories;
    description.mFactoryProcs = mFactoryProcs;
    for (const HostComponentDescriptor* component : mComponents) {
        description.mComponents.push_back(component->Snapshot());
    }
    return description;
}

// ---------------------------------------------------------------------------

HostCollection::~HostCollection() {
    for (Added& added : mEffects) {
        added.mEffect->Release();
    }
    mEffects.clear();
    ReleaseAll(mMade);
}

HPI_Result HostCollection::NewEffectDescriptor(HPI_IEffectDescriptor** out) {
    if (out == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    auto* effect = new HostEffectDescriptor();
    effect->AddRef();
    mMade.push_back(effect);
    *out = effect;
    return HPI_SUCCESS;
}

HPI_Result HostCollection::AddEffect(const char* effectID, HPI_IEffectDescriptor* effect) {
    if (effectID == nullptr || effect == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    HostEffectDescriptor* ours = nullptr;
    for (HostEffectDescriptor* made : mMade) {
        if (static_cast<HPI_IEffectDescriptor*>(made) == effect) {
            ours = made;
        }
    }
    if (ours == nullptr || *effectID == '\0') {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    for (const Added& added : mEffects) {
        if (added.mID == effectID || added.mEffect == ours) {
            return HPI_ERROR_DUPLICATE_EFFECT_ID;
        }
    }
    if (ours->NameCount() == 0) {
        return HPI_ERROR_EMPTY_EFFECT_NAME;
    }
    if (ours->ComponentCount() == 0) {
        return HPI_ERROR_NO_COMPONENTS;
    }
    ours->AddRef();
    mEffects.push_back(Added{effectID, ours});
    return HPI_SUCCESS;
}

HPI_Result HostCollection::SetManufacturerName(const char* name) {
    if (name == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    mManufacturerName = name;
    return HPI_SUCCESS;
}

HPI_Result HostCollection::AddPackageName(const char* name) {
    if (name == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    mPackageNames.emplace_back(name);
    return HPI_SUCCESS;
}

HPI_Result HostCollection::SetPackageVersion(uint32_t version) {
    mPackageVersion = version;
    return HPI_SUCCESS;
}

LibraryDescription HostCollection::Snapshot() const {
    LibraryDescription description;
    for (const Added& added : mEffects) {
        EffectDescription effect = added.mEffect->Snapshot();
        effect.mID = added.mID;
        description.mEffects.push_back(std::move(effect));
    }
    description.mManufacturerName = mManufacturerName;
    description.mPackageNames = mPackageNames;
    description.mPackageVersion = mPackageVersion;
    return description;
}

}  // namespace hpihost
