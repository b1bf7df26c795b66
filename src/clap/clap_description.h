#pragma once
// How a product presents itself to CLAP hosts: its ids, names, vendor,
// version, features and factory presets, and the plug-ins it offers (one per
// channel configuration of its channel I/O string, all in one file).
//
// Threads: plain data and pure functions, [any].
#include <cstdint>
#include <string>
#include <vector>

// One factory preset: a value for every Param, in index order.
struct ClapPreset {
    std::string id;     // the preset's load key; stable
    std::string label;  // what preset browsers show
    std::vector<double> values;
};

struct ClapProductDescription {
    std::string idBase;  // plug-in ids are idBase + "." + variant suffix
    std::string name;    // plug-in names are name + " " + variant label
    std::string vendor;
    std::string url;                    // "" when the product has none
    std::string description;            // one sentence for plug-in browsers
    int32_t version = 0;                // packed: major << 16 | minor << 8 | patch
    std::string channelIOString;        // e.g. "1-1 2-2"
    std::vector<std::string> features;  // before the variant's own ("mono", "stereo")
    std::vector<ClapPreset> presets;

    // [any] The preset provider's id.
    std::string PresetProviderId() const { return idBase + ".factory-presets"; }
};

struct ClapPluginVariant {
    std::string id;
    std::string name;
    std::string channelFeature;  // "mono", "stereo" or ""
    int audioInputs = 0;
    int audioOutputs = 0;
};

// [any] The plug-ins of a product, in the order of its channel configurations:
// suffix "mono" / label "Mono" for 1-1, "stereo" / "Stereo" for 2-2, "N_M" /
// "N-M" otherwise. Configurations with "*" buses, more than one bus per
// direction, no channels at all, or repeats are left out.
std::vector<ClapPluginVariant> ClapPluginVariants(const ClapProductDescription& product);

// [any] "major.minor.patch" of a packed version.
std::string ClapVersionText(int32_t packedVersion);
