#include "factory_presets.h"

#include "core/param_table.h"

const std::vector<FactoryPreset>& FactoryPresets() {
    // Selections: HighPass OFF/50/80/160/300 Hz, Low Freq OFF/35/60/110/220 Hz,
    // Mid Freq OFF/.36/.7/1.6/3.2/4.8/7.2 kHz.
    static const std::vector<FactoryPreset> presets = {
        {"clean-line-input",
         "Clean Line Input",
         {{kPreampGain, -8.0}, {kHighPass, 1}, {kOversampling, 1}}},
        {"warm-vocal",
         "Warm Vocal",
         {{kPreampGain, 9.0},
          {kOutputTrim, -3.0},
          {kHighPass, 2},
          {kLowFreq, 3},
          {kLowGain, -2.0},
          {kMidFreq, 4},
          {kMidGain, 3.0},
          {kHighGain, 2.5},
          {kMicPre, 1},
          {kOversampling, 1}}},
        {"drum-bus-drive",
         "Drum Bus Drive",
         {{kPreampGain, 15.0},
          {kOutputTrim, -6.0},
          {kHighPass, 1},
          {kLowFreq, 2},
          {kLowGain, 4.0},
          {kMidFreq, 2},
          {kMidGain, -3.0},
          {kHighGain, 3.0},
          {kOversampling, 1}}},
        {"bass-tightener",
         "Bass Tightener",
         {{kPreampGain, 6.0},
          {kOutputTrim, -2.0},
          {kHighPass, 1},
          {kLowFreq, 3},
          {kLowGain, 3.0},
          {kMidFreq, 1},
          {kMidGain, -4.0},
          {kHighGain, -2.0}}},
        {"telephone-voice",
         "Telephone Voice",
         {{kPreampGain, 12.0},
          {kOutputTrim, -4.0},
          {kHighPass, 4},
          {kLowFreq, 4},
          {kLowGain, -15.0},
          {kMidFreq, 3},
          {kMidGain, 8.0},
          {kHighGain, -15.0},
          {kMicPre, 1}}},
        {"bright-acoustic",
         "Bright Acoustic",
         {{kPreampGain, 3.0},
          {kHighPass, 2},
          {kLowFreq, 4},
          {kLowGain, -3.0},
          {kMidFreq, 5},
          {kMidGain, 2.0},
          {kHighGain, 4.0}}},
    };
    return presets;
}

std::vector<double> FactoryPresetValues(const FactoryPreset& preset) {
    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    std::vector<double> values;
    for (int i = 0; i < kNumChannelParams; ++i) {
        values.push_back(params.GetParam(i)->Default());
    }
    for (const FactoryPresetSetting& setting : preset.settings) {
        if (setting.param >= 0 && setting.param < kNumChannelParams) {
            values[static_cast<std::size_t>(setting.param)] = setting.value;
        }
    }
    return values;
}
