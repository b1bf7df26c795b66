#include "product/channel_parameters.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

void DefineIfPresent(ParamTable& params, int index, auto&& define) {
    if (Param* param = params.GetParam(index)) define(*param);
}

}  // namespace

PluginConfig TarnwhistleConfig() {
    PluginConfig config;
    config.parameterCount = kNumChannelParams;
    config.presetCount = 1;
    config.channelIOString = "1-1 2-2";
    config.pluginName = "Tarnwhistle";
    config.productName = "Tarnwhistle";
    config.manufacturerName = "Quernstoneworks";
    config.pluginVersion = 0x00070000;
    config.uniqueID = FourCharCode("Twh1");
    config.manufacturerID = FourCharCode("Qnst");
    config.latency = 0;
    config.receivesMidi = false;
    config.sendsMidi = false;
    config.handlesMPE = false;
    config.stateChunks = true;
    config.pluginKind = 0;
    config.hasEditor = true;
    config.editorWidth = 248;
    config.editorHeight = 662;
    config.editorMinWidth = 124;
    config.editorMaxWidth = 496;
    config.editorMinHeight = 331;
    config.editorMaxHeight = 1324;
    config.hostResize = false;
    config.bundleID = "";
    return config;
}

void DefineChannelParameters(ParamTable& params) {
    auto gain = [&](int index, const char* name, double range) {
        DefineIfPresent(params, index, [&](Param& p) { p.DefineNumber(name, 0.0, -range, range, 0.1, "dB"); });
    };
    auto selection = [&](int index, const char* name, int max, int defaultValue,
                         std::initializer_list<const char*> texts) {
        DefineIfPresent(params, index, [&](Param& p) {
            p.DefineInt(name, defaultValue, 0, max, "");
            int value = 0;
            for (const char* text : texts) p.AddDisplayText(value++, text);
        });
    };

    gain(kPreampGain, "Preamp Gain", 24.0);
    gain(kOutputTrim, "Output Trim", 24.0);
    selection(kHighPass, "HighPass", 4, 0, {"OFF", "50Hz", "80Hz", "160Hz", "300Hz"});
    selection(kLowFreq, "Low Freq", 4, 0, {"OFF", "35Hz", "60Hz", "110Hz", "220Hz"});
    gain(kLowGain, "Low Gain", 15.0);
    selection(kMidFreq, "Mid Freq", 6, 0, {"OFF", ".36kHz", ".7kHz", "1.6kHz", "3.2kHz", "4.8kHz", "7.2kHz"});
    gain(kMidGain, "Mid Gain", 15.0);
    gain(kHighGain, "High Gain", 15.0);
    selection(kBypass, "Bypass", 1, 1, {});
    selection(kMicPre, "Mic Pre", 1, 0, {});
    selection(kOversampling, "Oversampling", 1, 0, {"Oversampling Off", "Oversampling On"});
}

void ApplyParamChange(int index, const ParamTable& params, EngineSettings& settings) {
    const Param* param = params.GetParam(index);
    if (param == nullptr) return;
    const double v = param->GetValue();
    const int32_t selection = static_cast<int32_t>(v);  // values are restricted, so the cast is in range

    switch (index) {
    case kPreampGain:
        // The knob's -24..+24 dB drive the curve from -40 to +20 dB.
        settings.driveTarget.store(DbToGain((v + 24.0) / 48.0 * 60.0 - 40.0), kRelaxed);
        break;
    case kOutputTrim:
        settings.trimTarget.store(DbToGain(v), kRelaxed);
        break;
    case kHighPass:
        settings.highPassSelection.store(selection, kRelaxed);
        break;
    case kLowFreq:
        settings.lowFrequencySelection.store(selection, kRelaxed);
        break;
    case kLowGain:
        settings.lowPositionTarget.store((v + 15.0) / 30.0 * 0.9 + 0.05, kRelaxed);
        break;
    case kMidFreq:
        settings.midFrequencySelection.store(selection, kRelaxed);
        break;
    case kMidGain:
        // Higher mid positions cut, so the mapping falls with gain.
        settings.midPositionTarget.store((v + 15.0) / 30.0 * (0.05 - 0.95) + 0.95, kRelaxed);
        break;
    case kHighGain:
        settings.highPositionTarget.store((v + 15.0) / 30.0, kRelaxed);
        break;
    case kBypass:
        if (selection == 0 || selection == 1) settings.processingSwitch.store(selection, kRelaxed);
        break;
    case kMicPre:
        settings.micCurveSelection.store(selection, kRelaxed);
        break;
    case kOversampling:
        if (selection == 0) {
            settings.oversamplingPasses.store(0, kRelaxed);
            settings.latencyBase.store(kStripLatencySamples, kRelaxed);
        } else if (selection == 1) {
            settings.oversamplingPasses.store(2, kRelaxed);
            settings.latencyBase.store(kOversampledStripLatencySamples, kRelaxed);
        }
        break;
    default:
        break;
    }
}
