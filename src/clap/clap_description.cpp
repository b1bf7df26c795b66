#include "clap/clap_description.h"

#include <algorithm>

#include "core/channel_config.h"

std::vector<ClapPluginVariant> ClapPluginVariants(const ClapProductDescription& product) {
    std::vector<ChannelConfig> configs;
    int maxIn = 0;
    int maxOut = 0;
    int maxInBuses = 0;
    int maxOutBuses = 0;
    ParseChannelConfigs(product.channelIOString.c_str(), configs, maxIn, maxOut, maxInBuses,
                        maxOutBuses);
    std::vector<ClapPluginVariant> variants;
    for (const ChannelConfig& config : configs) {
        if (config.BusCount(DirInput) > 1 || config.BusCount(DirOutput) > 1) continue;
        const int inputs = config.inputTotal;
        const int outputs = config.outputTotal;
        if (inputs < 0 || outputs < 0 || inputs + outputs == 0) continue;
        const bool repeat = std::any_of(variants.begin(), variants.end(), [&](const auto& v) {
            return v.audioInputs == inputs && v.audioOutputs == outputs;
        });
        if (repeat) continue;
        ClapPluginVariant variant;
        std::string suffix;
        std::string label;
        if (inputs == 1 && outputs == 1) {
            suffix = "mono";
            label = "Mono";
            variant.channelFeature = "mono";
        } else if (inputs == 2 && outputs == 2) {
            suffix = "stereo";
            label = "Stereo";
            variant.channelFeature = "stereo";
        } else {
            suffix = std::to_string(inputs) + "_" + std::to_string(outputs);
            label = std::to_string(inputs) + "-" + std::to_string(outputs);
        }
        variant.id = product.idBase + "." + suffix;
        variant.name = product.name + " " + label;
        variant.audioInputs = inputs;
        variant.audioOutputs = outputs;
        variants.push_back(std::move(variant));
    }
    return variants;
}

std::string ClapVersionText(int32_t packedVersion) {
    const auto packed = static_cast<uint32_t>(packedVersion);
    return std::to_string(packed >> 16) + "." + std::to_string((packed >> 8) & 0xff) + "." +
           std::to_string(packed & 0xff);
}
