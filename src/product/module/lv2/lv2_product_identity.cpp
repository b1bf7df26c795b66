// How Tarnwhistle presents itself as an LV2 bundle.
#include "factory_presets.h"
#include "product/channel_parameters.h"
#include "product/module/lv2/lv2_module.h"

LV2ProductDescription LV2ProductIdentity() {
    const PluginConfig config = TarnwhistleConfig();
    LV2ProductDescription product;
    product.uriBase = "urn:quernstoneworks:tarnwhistle";
    product.name = config.pluginName;
    product.maintainer = "Quernstone Works";
    product.description =
        "Console-style channel strip: a saturating microphone/line preamp with two curves and "
        "optional 2x "
        "oversampling, a switchable high-pass filter, low, mid and high bands, output colouring "
        "and an output "
        "trim.";
    // ISC, as LICENSE at the repository root; hosts know the licence by this URI.
    product.licenseURI = "http://opensource.org/licenses/isc";
    product.pluginClass = "EQPlugin";
    product.binary = "tarnwhistle.so";
    product.uiBinary = "tarnwhistle_ui.so";
    product.turtleFile = "tarnwhistle.ttl";
    product.presetFile = "presets.ttl";
    product.version = config.pluginVersion;
    product.channelIOString = config.channelIOString;
    product.enabledParam = kBypass;
    product.inlineDisplay = true;
    return product;
}

std::vector<LV2Preset> LV2FactoryPresets() {
    std::vector<LV2Preset> presets;
    for (const FactoryPreset& preset : FactoryPresets()) {
        presets.push_back({preset.id, preset.label, FactoryPresetValues(preset)});
    }
    return presets;
}
