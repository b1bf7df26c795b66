#include "clap/clap_preset_discovery.h"

#include <cstring>
#include <type_traits>
#include <utility>

#include "core/host_guard.h"

namespace {

// One provider made for one indexer; the callbacks find it through the
// provider object's data pointer.
struct Provider {
    ClapPresetProvider provider;
    const ClapPresetIndexer* indexer;
    const ClapProductDescription* product;
    const std::vector<std::string>* pluginIds;
    std::string locationName;
};

const Provider& ProviderOf(const ClapPresetProvider* provider) {
    return *static_cast<const Provider*>(provider->providerData);
}

bool ProviderInit(const ClapPresetProvider* self) {
    const Provider& provider = ProviderOf(self);
    const ClapPresetIndexer* indexer = provider.indexer;
    if (indexer == nullptr || indexer->declareLocation == nullptr) return false;
    ClapPresetLocation location{};
    location.flags = kClapPresetIsFactoryContent;
    location.name = provider.locationName.c_str();
    location.kind = kClapPresetLocationPlugin;
    location.location = nullptr;
    return GuardHostCall(false, [&] { return indexer->declareLocation(indexer, &location); });
}

void ProviderDestroy(const ClapPresetProvider* self) {
    GuardHostCall([&] { delete &ProviderOf(self); });
}

bool ProviderGetMetadata(const ClapPresetProvider* self, uint32_t locationKind, const char*,
                         const ClapPresetMetadataReceiver* receiver) {
    if (locationKind != kClapPresetLocationPlugin || receiver == nullptr ||
        receiver->beginPreset == nullptr) {
        return false;
    }
    const Provider& provider = ProviderOf(self);
    return GuardHostCall(false, [&] {
        for (const ClapPreset& preset : provider.product->presets) {
            if (!receiver->beginPreset(receiver, preset.label.c_str(), preset.id.c_str())) break;
            if (receiver->addPluginId != nullptr) {
                for (const std::string& id : *provider.pluginIds) {
                    const ClapUniversalPluginId pluginId{"clap", id.c_str()};
                    receiver->addPluginId(receiver, &pluginId);
                }
            }
            if (receiver->setFlags != nullptr) {
                receiver->setFlags(receiver, kClapPresetIsFactoryContent);
            }
            if (receiver->addCreator != nullptr) {
                receiver->addCreator(receiver, provider.product->vendor.c_str());
            }
        }
        return true;
    });
}

const void* ProviderGetExtension(const ClapPresetProvider*, const char*) {
    return nullptr;
}

}  // namespace

ClapPresetDiscovery::ClapPresetDiscovery(ClapProductDescription product)
    : mProduct(std::move(product)) {
    static_assert(std::is_standard_layout_v<FactoryObject>,
                  "the factory must sit at the object's address");
    for (const ClapPluginVariant& variant : ClapPluginVariants(mProduct)) {
        mPluginIds.push_back(variant.id);
    }
    mProviderId = mProduct.PresetProviderId();
    mProviderName = mProduct.name + " factory presets";
    mDescriptor.clapVersion = kClapVersion;
    mDescriptor.id = mProviderId.c_str();
    mDescriptor.name = mProviderName.c_str();
    mDescriptor.vendor = mProduct.vendor.c_str();
    mFactoryObject.factory = {Count, GetDescriptor, Create};
    mFactoryObject.owner = this;
}

uint32_t ClapPresetDiscovery::Count(const ClapPresetDiscoveryFactory*) {
    return 1;
}

const ClapPresetProviderDescriptor* ClapPresetDiscovery::GetDescriptor(
    const ClapPresetDiscoveryFactory* factory, uint32_t index) {
    return index == 0 ? &reinterpret_cast<const FactoryObject*>(factory)->owner->mDescriptor
                      : nullptr;
}

const ClapPresetProvider* ClapPresetDiscovery::Create(const ClapPresetDiscoveryFactory* factory,
                                                      const ClapPresetIndexer* indexer,
                                                      const char* providerId) {
    const ClapPresetDiscovery& owner = *reinterpret_cast<const FactoryObject*>(factory)->owner;
    if (indexer == nullptr || providerId == nullptr || owner.mProviderId != providerId) {
        return nullptr;
    }
    return GuardHostCall<const ClapPresetProvider*>(nullptr, [&]() -> const ClapPresetProvider* {
        auto* provider = new Provider{};
        provider->provider.desc = &owner.mDescriptor;
        provider->provider.providerData = provider;
        provider->provider.init = ProviderInit;
        provider->provider.destroy = ProviderDestroy;
        provider->provider.getMetadata = ProviderGetMetadata;
        provider->provider.getExtension = ProviderGetExtension;
        provider->indexer = indexer;
        provider->product = &owner.mProduct;
        provider->pluginIds = &owner.mPluginIds;
        provider->locationName = owner.mProduct.name;
        return &provider->provider;
    });
}
