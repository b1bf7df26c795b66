#include "lv2/lv2_descriptor_table.h"

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "core/host_guard.h"
#include "lv2/lv2_inline_display.h"

namespace {

LV2Adapter* AdapterOf(LV2_Handle instance) {
    return static_cast<LV2Adapter*>(instance);
}

LV2_State_Status SaveCallback(LV2_Handle instance, LV2_State_Store_Function store,
                              LV2_State_Handle handle, uint32_t flags,
                              const LV2_Feature* const* features) {
    return GuardHostCall(LV2_STATE_ERR_UNKNOWN, [&] {
        return AdapterOf(instance)->SaveLV2State(store, handle, flags, features);
    });
}

LV2_State_Status RestoreCallback(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                                 LV2_State_Handle handle, uint32_t flags,
                                 const LV2_Feature* const* features) {
    return GuardHostCall(LV2_STATE_ERR_UNKNOWN, [&] {
        return AdapterOf(instance)->RestoreLV2State(retrieve, handle, flags, features);
    });
}

const LV2_State_Interface kStateInterface = {SaveCallback, RestoreCallback};

LV2InlineDisplayImageSurface* RenderCallback(LV2_Handle instance, uint32_t width,
                                             uint32_t maxHeight) {
    return GuardHostCall<LV2InlineDisplayImageSurface*>(
        nullptr, [&] { return AdapterOf(instance)->RenderInlineDisplay(width, maxHeight); });
}

const LV2InlineDisplayInterface kInlineDisplayInterface = {RenderCallback};

}  // namespace

LV2DescriptorTable::LV2DescriptorTable(LV2ProductDescription product, LV2PluginFactory factory)
    : mProduct(std::move(product)), mFactory(factory) {
    static_assert(std::is_standard_layout_v<Entry>,
                  "the descriptor must sit at the entry's address");
    mStateKeyURI = mProduct.StateKeyURI();
    mEditorSizeURI = mProduct.EditorSizeURI();
    mVariants = PluginVariants(mProduct);
    mEntries.reserve(mVariants.size());
    for (std::size_t i = 0; i < mVariants.size(); ++i) {
        Entry entry{};
        entry.descriptor.URI = mVariants[i].uri.c_str();
        entry.descriptor.instantiate = Instantiate;
        entry.descriptor.connect_port = ConnectPort;
        entry.descriptor.activate = Activate;
        entry.descriptor.run = Run;
        entry.descriptor.deactivate = Deactivate;
        entry.descriptor.cleanup = Cleanup;
        entry.descriptor.extension_data =
            mProduct.inlineDisplay ? ExtensionDataWithInlineDisplay : ExtensionData;
        entry.table = this;
        entry.variant = static_cast<uint32_t>(i);
        mEntries.push_back(entry);
    }
}

const LV2_Descriptor* LV2DescriptorTable::Descriptor(uint32_t index) const {
    return index < mEntries.size() ? &mEntries[index].descriptor : nullptr;
}

LV2_Handle LV2DescriptorTable::Instantiate(const LV2_Descriptor* descriptor, double sampleRate,
                                           const char* bundlePath,
                                           const LV2_Feature* const* features) {
    if (descriptor == nullptr) {
        return nullptr;
    }
    const auto* entry = reinterpret_cast<const Entry*>(descriptor);
    const LV2DescriptorTable& table = *entry->table;
    const LV2PluginVariant& variant = table.mVariants[entry->variant];
    LV2InstanceInfo info;
    info.sampleRate = sampleRate;
    info.bundlePath = bundlePath != nullptr ? bundlePath : "";
    info.features = features;
    info.audioInputs = variant.audioInputs;
    info.audioOutputs = variant.audioOutputs;
    info.stateKeyURI = table.mStateKeyURI.c_str();
    info.editorSizeURI = table.mEditorSizeURI.c_str();
    return GuardHostCall<LV2_Handle>(nullptr, [&]() -> LV2_Handle {
        std::unique_ptr<LV2Adapter> plug(table.mFactory != nullptr ? table.mFactory(info)
                                                                   : nullptr);
        if (plug == nullptr || !plug->Usable()) {
            return nullptr;
        }
        plug->SetHost(kLV2HostName, 0);
        return plug.release();
    });
}

void LV2DescriptorTable::ConnectPort(LV2_Handle instance, uint32_t port, void* data) {
    GuardHostCall([&] { AdapterOf(instance)->ConnectPort(port, data); });
}

void LV2DescriptorTable::Activate(LV2_Handle instance) {
    GuardHostCall([&] { AdapterOf(instance)->Activate(); });
}

void LV2DescriptorTable::Run(LV2_Handle instance, uint32_t frames) {
    GuardHostCall([&] { AdapterOf(instance)->Run(frames); });
}

void LV2DescriptorTable::Deactivate(LV2_Handle instance) {
    GuardHostCall([&] { AdapterOf(instance)->Deactivate(); });
}

void LV2DescriptorTable::Cleanup(LV2_Handle instance) {
    GuardHostCall([&] { delete AdapterOf(instance); });
}

const void* LV2DescriptorTable::ExtensionData(const char* uri) {
    return GuardHostCall<const void*>(nullptr, [&]() -> const void* {
        if (uri != nullptr && std::strcmp(uri, LV2_STATE__interface) == 0) {
            return &kStateInterface;
        }
        return nullptr;
    });
}

const void* LV2DescriptorTable::ExtensionDataWithInlineDisplay(const char* uri) {
    if (uri != nullptr && std::strcmp(uri, kLV2InlineDisplayInterfaceURI) == 0) {
        return &kInlineDisplayInterface;
    }
    return ExtensionData(uri);
}
