// How Tarnwhistle presents itself to CLAP hosts.
#include "factory_presets.h"
#include "product/channel_parameters.h"
#include "product/module/clap/clap_module.h"

ClapProductDescription ClapProductIdentity() {
    const PluginConfig config = TarnwhistleConfig();
    ClapProductDescription product;
    product.idBase = "com.quernstoneworks.tarnwhistle";
    product.name = config.pluginName;
    product.vendor = "Quernstone Works";
    product.description =
        "Console-style channel strip: a saturating microphone/line preamp, a high-pass filter, "
        "low, mid and high bands, output colouring and an output trim.";
    product.version = config.pluginVersion;
    product.channelIOString = config.channelIOString;
    product.features = {"audio-effect", "equalizer"};
    for (const FactoryPreset& preset : FactoryPresets()) {
        product.presets.push_back({preset.id, preset.label, FactoryPresetValues(preset)});
    }
    return product;
}
