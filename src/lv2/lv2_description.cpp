#include "lv2/lv2_description.h"

#include <algorithm>

#include "core/channel_config.h"

std::vector<LV2PluginVariant> PluginVariants(const LV2ProductDescription& product) {
    std::vector<ChannelConfig> configs;
    int maxInputs = 0;
    int maxOutputs = 0;
    int maxInputBuses = 0;
    int maxOutputBuses = 0;
    ParseChannelConfigs(product.channelIOString.c_str(), configs, maxInputs, maxOutputs,
                        maxInputBuses, maxOutputBuses);

    std::vector<LV2PluginVariant> variants;
    for (const ChannelConfig& config : configs) {
        if (config.inputBuses.size() > 1 || config.outputBuses.size() > 1 ||
            config.inputTotal < 0 || config.outputTotal < 1) {
            continue;
        }
        LV2PluginVariant variant;
        variant.audioInputs = config.inputTotal;
        variant.audioOutputs = config.outputTotal;
        std::string suffix;
        std::string label;
        if (variant.audioInputs == 1 && variant.audioOutputs == 1) {
            suffix = "mono";
            label = "Mono";
        } else if (variant.audioInputs == 2 && variant.audioOutputs == 2) {
            suffix = "stereo";
            label = "Stereo";
        } else {
            suffix =
                std::to_string(variant.audioInputs) + "_" + std::to_string(variant.audioOutputs);
            label =
                std::to_string(variant.audioInputs) + "-" + std::to_string(variant.audioOutputs);
        }
        variant.uri = product.uriBase + ":" + suffix;
        variant.name = product.name + " " + label;
        const bool repeated =
            std::any_of(variants.begin(), variants.end(),
                        [&](const LV2PluginVariant& v) { return v.uri == variant.uri; });
        if (!repeated) {
            variants.push_back(variant);
        }
    }
    return variants;
}

int32_t LV2MinorVersion(int32_t packedVersion) {
    const int32_t major = (packedVersion >> 16) & 0xffff;
    const int32_t minor = (packedVersion >> 8) & 0xff;
    return major * 1000 + minor * 2;
}

int32_t LV2MicroVersion(int32_t packedVersion) {
    return packedVersion & 0xff;
}

std::string VersionText(int32_t packedVersion) {
    return std::to_string((packedVersion >> 16) & 0xffff) + "." +
           std::to_string((packedVersion >> 8) & 0xff) + "." + std::to_string(packedVersion & 0xff);
}

std::string PresetURI(const LV2ProductDescription& product, const LV2Preset& preset) {
    return product.uriBase + ":preset:" + preset.id;
}
