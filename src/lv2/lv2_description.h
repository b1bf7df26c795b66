#pragma once
// How a product presents itself as an LV2 bundle: its URIs, names, class and
// version, and the plug-ins it offers. One plug-in (one URI) per channel
// configuration of the product's channel I/O string, all in one binary.
//
// Threads: plain data and pure functions, [any].
#include <cstdint>
#include <string>
#include <vector>

struct LV2ProductDescription {
    std::string uriBase;       // plug-in URIs are uriBase + ":" + variant suffix
    std::string name;          // plug-in names are name + " " + variant label
    std::string maintainer;    // doap:maintainer's and doap:developer's foaf:name
    std::string homepage;      // the maker's foaf:homepage, or ""
    std::string description;   // rdfs:comment: one or two sentences for plug-in browsers
    std::string licenseURI;    // doap:license
    std::string licenseLabel;  // rdfs:label of the licence, or ""
    std::string pluginClass;   // an lv2core class without prefix, e.g. "EQPlugin"
    std::string binary;        // the shared library in the bundle, e.g. "tarnwhistle.so"
    std::string uiBinary;      // the X11 UI's shared library, e.g. "tarnwhistle_ui.so"; "" = no UI
    std::string turtleFile;    // the plug-ins' description in the bundle
    std::string presetFile;    // the factory presets in the bundle
    int32_t version = 0;       // packed: major << 16 | minor << 8 | patch
    std::string channelIOString;  // e.g. "1-1 2-2"
    // The Param that is also the host's enable switch (lv2:enabled, 1 =
    // processing), or -1.
    int enabledParam = -1;
    // Whether each instance draws an inline display (lv2_inline_display.h):
    // the descriptors then answer its extension data and the Turtle declares
    // it and the host's queue_draw (optional).
    bool inlineDisplay = false;

    // [any] The one state property; the same for every variant, so a state moves
    // between a mono and a stereo instance.
    std::string StateKeyURI() const { return uriBase + ":state"; }
    // [any] The one X11 UI, shared by every variant.
    std::string UiURI() const { return uriBase + ":ui"; }
    // [any] The property of the patch messages that carry the editor size.
    std::string EditorSizeURI() const { return uriBase + ":editor-size"; }
};

struct LV2PluginVariant {
    std::string uri;
    std::string name;
    int audioInputs = 0;
    int audioOutputs = 0;
};

// One factory preset: a value for every control port (Param index order);
// the enabled Param's value is left to the host's switch and not stored.
struct LV2Preset {
    std::string id;     // URI suffix: uriBase + ":preset:" + id
    std::string label;  // what preset menus show
    std::vector<double> values;
};

// [any] The URI of a preset of product.
std::string PresetURI(const LV2ProductDescription& product, const LV2Preset& preset);

// [any] The plug-ins of a product, in the order of its channel configurations:
// suffix "mono" / label "Mono" for 1-1, "stereo" / "Stereo" for 2-2, "N_M" /
// "N-M" otherwise. Configurations with "*" buses, more than one bus per
// direction, or no channels at all are left out, as are repeats.
std::vector<LV2PluginVariant> PluginVariants(const LV2ProductDescription& product);

// [any] "major.minor.patch" of a packed version, for doap:revision.
std::string VersionText(int32_t packedVersion);

// [any] LV2's version pair for a packed version. Only even minor versions count as
// releases, so minor = major * 1000 + minor * 2 (7.0.0 -> 7000, 7.1.0 -> 7002)
// and micro = patch.
int32_t LV2MinorVersion(int32_t packedVersion);
int32_t LV2MicroVersion(int32_t packedVersion);
