#pragma once
// The LV2 descriptors of one module: one per plug-in variant of the product
// (lv2_description.h), each creating its instances through the product's
// factory and offering the state interface. The module's lv2_descriptor
// export answers from one table.
//
// Instantiation refuses (answers null) when the factory throws or returns
// null, or when the new object is not Usable(); the host is then recorded as
// kLV2HostName.
//
// Extension data: the state interface, and the inline display's interface
// when the product offers one (its render draws through the instance's
// LV2Adapter::RenderInlineDisplay).
//
// No exception crosses into the host: every callback runs through
// GuardHostCall. One that throws (in practice a failed allocation) does
// nothing more: instantiate, extension_data and render answer null, state save and
// restore LV2_STATE_ERR_UNKNOWN with the plug-in's values as they were, the
// others return having changed nothing.
//
// Threads: the table is built on first use and read-only afterwards [any];
// the descriptor callbacks run on the threads LV2 assigns (see
// lv2_adapter.h).
#include <lv2/core/lv2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lv2/lv2_adapter.h"
#include "lv2/lv2_description.h"

// The host name recorded for every instance: LV2 does not tell it.
inline constexpr const char* kLV2HostName = "LV2 Host";

using LV2PluginFactory = LV2Adapter* (*)(const LV2InstanceInfo& info);

class LV2DescriptorTable {
public:
    // [main] One descriptor per variant of product.
    LV2DescriptorTable(LV2ProductDescription product, LV2PluginFactory factory);
    LV2DescriptorTable(const LV2DescriptorTable&) = delete;
    LV2DescriptorTable& operator=(const LV2DescriptorTable&) = delete;

    // [any] The descriptor at index, null past the last.
    const LV2_Descriptor* Descriptor(uint32_t index) const;
    // [any] How many descriptors there are, and the product they describe.
    uint32_t Count() const { return static_cast<uint32_t>(mEntries.size()); }
    const LV2ProductDescription& Product() const { return mProduct; }

private:
    // A descriptor first, so the callbacks find their entry from the
    // descriptor the host hands back.
    struct Entry {
        LV2_Descriptor descriptor;
        const LV2DescriptorTable* table;
        uint32_t variant;
    };

    static LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate,
                                  const char* bundlePath, const LV2_Feature* const* features);
    static void ConnectPort(LV2_Handle instance, uint32_t port, void* data);
    static void Activate(LV2_Handle instance);
    static void Run(LV2_Handle instance, uint32_t frames);
    static void Deactivate(LV2_Handle instance);
    static void Cleanup(LV2_Handle instance);
    static const void* ExtensionData(const char* uri);
    static const void* ExtensionDataWithInlineDisplay(const char* uri);

    LV2ProductDescription mProduct;
    LV2PluginFactory mFactory;
    std::string mStateKeyURI;
    std::string mEditorSizeURI;
    std::vector<LV2PluginVariant> mVariants;
    std::vector<Entry> mEntries;
};
