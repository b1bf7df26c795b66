// How Tarnwhistle presents itself as a VST3 module.
#include "factory_presets.h"
#include "product/channel_parameters.h"
#include "product/module/vst3/vst3_module.h"

VST3ProductDescription VST3ProductIdentity() {
    const PluginConfig config = TarnwhistleConfig();
    VST3ProductDescription product;
    product.vendor = "Quernstone Works";
    product.url = "https://quernstoneworks.invalid/tarnwhistle";
    product.email = "mailto:packages@quernstoneworks.invalid";
    // Never changes: hosts find the plug-in in their sessions by it.
    product.classId = vst3::MakeId(0x3C0EEB1E, 0x97294160, 0xBAEE89DD, 0x43F45158);
    product.className = config.pluginName;
    product.subCategories = "Fx|EQ";
    product.version = "7.0.0";
    product.sdkVersion = "VST 3.7.14";
    for (const FactoryPreset& preset : FactoryPresets()) {
        product.programs.push_back({preset.label, FactoryPresetValues(preset)});
    }
    product.processingSwitchParam = kBypass;
    return product;
}
