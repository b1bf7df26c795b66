#pragma once
// The plug-in factory of one CLAP module: one descriptor per plug-in variant
// of the product (clap_description.h), each creating its instances through
// the product's factory, and the ABI's plug-in callbacks and extension tables
// routed to the instance's ClapAdapter.
//
// Extensions offered: audio-ports, params, state, latency, render and
// preset-load (under its id and its draft id). The gui extension would join
// them in ExtensionOf.
//
// No exception crosses into the host: every callback runs through
// GuardHostCall; one that throws (in practice a failed allocation) answers
// the ABI's failure value (false, null, 0) or does nothing more.
//
// Threads: the table is built on first use and read-only afterwards [any];
// the callbacks run on the threads CLAP assigns (see clap_adapter.h).
#include <cstdint>
#include <string>
#include <vector>

#include "clap/clap_abi.h"
#include "clap/clap_adapter.h"
#include "clap/clap_description.h"

using ClapPlugFactory = ClapAdapter* (*)(const ClapInstanceInfo& info);

class ClapPluginTable {
public:
    // [main] One descriptor per variant of product.
    ClapPluginTable(ClapProductDescription product, ClapPlugFactory factory);
    ClapPluginTable(const ClapPluginTable&) = delete;
    ClapPluginTable& operator=(const ClapPluginTable&) = delete;

    // [any] The factory the module's get_factory answers for the plug-in
    // factory id.
    const ClapPluginFactory* Factory() const { return &mFactoryObject.factory; }
    // [any]
    uint32_t Count() const { return static_cast<uint32_t>(mVariants.size()); }
    // [any] Null past the last.
    const ClapPluginDescriptor* Descriptor(uint32_t index) const;
    // [any]
    const ClapProductDescription& Product() const { return mProduct; }
    // [any]
    const std::vector<ClapPluginVariant>& Variants() const { return mVariants; }

    // [main] A new instance of the variant with this id, or null (unknown id,
    // no host, the factory failed or the instance is not usable). The host
    // destroys it through the plug-in object.
    const ClapPlugin* Create(const ClapHost* host, const char* pluginId) const;

private:
    // The factory first, so the callbacks find the table from it.
    struct FactoryObject {
        ClapPluginFactory factory;
        const ClapPluginTable* table;
    };

    ClapProductDescription mProduct;
    ClapPlugFactory mPlugFactory;
    std::vector<ClapPluginVariant> mVariants;
    std::string mVersionText;
    // Per variant: its features (owned texts, then the null-terminated list).
    std::vector<std::vector<std::string>> mFeatureTexts;
    std::vector<std::vector<const char*>> mFeatureLists;
    std::vector<ClapPluginDescriptor> mDescriptors;
    FactoryObject mFactoryObject{};
};
