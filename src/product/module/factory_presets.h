#pragma once
// Tarnwhistle's factory presets: the named settings a user tries first. One
// table; the LV2 bundle's presets are written from it at build time, so they
// always match the parameters.
#include <vector>

#include "product/channel_parameters.h"

struct FactoryPresetSetting {
    int param;     // a ChannelParamIndex
    double value;  // in the parameter's own units (dB, selection index, 0/1)
};

struct FactoryPreset {
    const char* id;     // a stable, lower-case identifier: "warm-vocal"
    const char* label;  // what preset menus show: "Warm Vocal"
    // The parameters that differ from their defaults.
    std::vector<FactoryPresetSetting> settings;
};

// [any] Every factory preset, in menu order.
const std::vector<FactoryPreset>& FactoryPresets();

// [any] A value for each of the kNumChannelParams parameters: the defaults
// with the preset's settings over them.
std::vector<double> FactoryPresetValues(const FactoryPreset& preset);
