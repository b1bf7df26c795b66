#pragma once
// The eleven parameters and the engine settings they drive, as the product
// keeps them: for tests that run the engine at chosen settings.
#include "core/param_table.h"
#include "product/channel_parameters.h"
#include "product/engine_settings.h"

struct ChannelControls {
    ParamTable params{kNumChannelParams};
    EngineSettings settings;

    ChannelControls() {
        DefineChannelParameters(params);
        for (int i = 0; i < kNumChannelParams; ++i) ApplyParamChange(i, params, settings);
    }
    // [main] Sets parameter index to its real value and the settings with it.
    void Set(int index, double value) {
        params.GetParam(index)->SetValue(value);
        ApplyParamChange(index, params, settings);
    }
    const Param& MicPre() const { return *params.GetParam(kMicPre); }
};
