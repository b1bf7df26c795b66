#pragma once
// The preset-discovery factory of one CLAP module: one provider that lists
// the product's factory presets as presets inside the plug-in (location kind
// kClapPresetLocationPlugin, no location), each with its id as the load key
// and every variant's plug-in id. Hosts load one through the plug-in's
// preset-load extension (ClapAdapter::LoadPreset).
//
// Threads: the factory is built on first use and read-only afterwards [any];
// a provider is used by one thread at a time, as the ABI says.
#include <cstdint>
#include <string>
#include <vector>

#include "clap/clap_abi.h"
#include "clap/clap_description.h"

class ClapPresetDiscovery {
public:
    // [main]
    explicit ClapPresetDiscovery(ClapProductDescription product);
    ClapPresetDiscovery(const ClapPresetDiscovery&) = delete;
    ClapPresetDiscovery& operator=(const ClapPresetDiscovery&) = delete;

    // [any]
    const ClapPresetDiscoveryFactory* Factory() const { return &mFactoryObject.factory; }

private:
    struct FactoryObject {
        ClapPresetDiscoveryFactory factory;
        const ClapPresetDiscovery* owner;
    };

    static uint32_t Count(const ClapPresetDiscoveryFactory* factory);
    static const ClapPresetProviderDescriptor* GetDescriptor(
        const ClapPresetDiscoveryFactory* factory, uint32_t index);
    static const ClapPresetProvider* Create(const ClapPresetDiscoveryFactory* factory,
                                            const ClapPresetIndexer* indexer,
                                            const char* providerId);

    ClapProductDescription mProduct;
    std::vector<std::string> mPluginIds;
    std::string mProviderId;
    std::string mProviderName;
    ClapPresetProviderDescriptor mDescriptor{};
    FactoryObject mFactoryObject{};
};
