#include "product/channel_parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double Db(double db) { return std::pow(10.0, db / 20.0); }

// The product's table with every parameter applied once, as construction does.
class ChannelParams : public ::testing::Test {
protected:
    ChannelParams() : params(kNumChannelParams) {
        DefineChannelParameters(params);
        ApplyAll();
    }
    void ApplyAll() {
        for (int i = 0; i < kNumChannelParams; ++i) ApplyParamChange(i, params, settings);
    }
    void Set(int index, double value) {
        params.GetParam(index)->SetValue(value);
        ApplyParamChange(index, params, settings);
    }
    std::string Format(int index, double value) const {
        TextBuf out;
        params.GetParam(index)->FormatValue(value, false, out, true);
        return out.Str();
    }

    ParamTable params;
    EngineSettings settings;
};

TEST_F(ChannelParams, DefinitionsMatchTheProduct) {
    struct Case {
        int index;
        const char* name;
        ParamType type;
        double defaultValue, min, max, step;
        const char* label;
        int displayTexts;
    };
    const Case kCases[] = {
        {kPreampGain, "Preamp Gain", TypeDouble, 0, -24, 24, 0.1, "dB", 0},
        {kOutputTrim, "Output Trim", TypeDouble, 0, -24, 24, 0.1, "dB", 0},
        {kHighPass, "HighPass", TypeInt, 0, 0, 4, 1, "", 5},
        {kLowFreq, "Low Freq", TypeInt, 0, 0, 4, 1, "", 5},
        {kLowGain, "Low Gain", TypeDouble, 0, -15, 15, 0.1, "dB", 0},
        {kMidFreq, "Mid Freq", TypeInt, 0, 0, 6, 1, "", 7},
        {kMidGain, "Mid Gain", TypeDouble, 0, -15, 15, 0.1, "dB", 0},
        {kHighGain, "High Gain", TypeDouble, 0, -15, 15, 0.1, "dB", 0},
        {kBypass, "Bypass", TypeInt, 1, 0, 1, 1, "", 0},
        {kMicPre, "Mic Pre", TypeInt, 0, 0, 1, 1, "", 0},
        {kOversampling, "Oversampling", TypeInt, 0, 0, 1, 1, "", 2},
    };
    ASSERT_EQ(std::size(kCases), static_cast<std::size_t>(kNumChannelParams));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Param& p = *params.GetParam(c.index);
        EXPECT_STREQ(p.Name(), c.name);
        EXPECT_EQ(p.Type(), c.type);
        EXPECT_DOUBLE_EQ(p.Default(), c.defaultValue);
        EXPECT_DOUBLE_EQ(p.GetValue(), c.defaultValue);
        EXPECT_DOUBLE_EQ(p.Min(), c.min);
        EXPECT_DOUBLE_EQ(p.Max(), c.max);
        EXPECT_DOUBLE_EQ(p.Step(), c.step);
        EXPECT_STREQ(p.Label(), c.label);
        EXPECT_STREQ(p.Group(), "");
        EXPECT_EQ(p.Unit(), UnitCustom);
        EXPECT_EQ(p.GetShape().CurveKind(), 0);
        EXPECT_FALSE(p.HasDisplayFormatter());
        EXPECT_EQ(p.DisplayTextCount(), c.displayTexts);
        EXPECT_EQ(p.Flags(), c.type == TypeInt ? FlagStepped : 0);
    }
}

TEST_F(ChannelParams, DefaultsGiveTheNeutralEngineSettings) {
    EXPECT_NEAR(settings.driveTarget, Db(-10), 1e-12);
    EXPECT_DOUBLE_EQ(settings.trimTarget, 1.0);
    EXPECT_DOUBLE_EQ(settings.lowPositionTarget, 0.5);
    EXPECT_DOUBLE_EQ(settings.midPositionTarget, 0.5);
    EXPECT_DOUBLE_EQ(settings.highPositionTarget, 0.5);
    EXPECT_EQ(settings.highPassSelection, 0);
    EXPECT_EQ(settings.lowFrequencySelection, 0);
    EXPECT_EQ(settings.midFrequencySelection, 0);
    EXPECT_EQ(settings.processingSwitch, 1);
    EXPECT_EQ(settings.micCurveSelection, 0);
    EXPECT_EQ(settings.oversamplingPasses, 0);
    EXPECT_EQ(settings.latencyBase, kStripLatencySamples);
}

TEST_F(ChannelParams, ContinuousControlsMapToTheirTargets) {
    struct Case {
        const char* what;
        int index;
        double value;
        std::atomic<double> EngineSettings::*setting;
        double expected;
    };
    const Case kCases[] = {
        {"preamp lowest", kPreampGain, -24, &EngineSettings::driveTarget, 0.01},
        {"preamp highest", kPreampGain, 24, &EngineSettings::driveTarget, 10},
        {"preamp middle", kPreampGain, 0, &EngineSettings::driveTarget, Db(-10)},
        {"trim lowest", kOutputTrim, -24, &EngineSettings::trimTarget, Db(-24)},
        {"trim highest", kOutputTrim, 24, &EngineSettings::trimTarget, Db(24)},
        {"low cut", kLowGain, -15, &EngineSettings::lowPositionTarget, 0.05},
        {"low boost", kLowGain, 15, &EngineSettings::lowPositionTarget, 0.95},
        {"mid boost", kMidGain, 15, &EngineSettings::midPositionTarget, 0.05},
        {"mid cut", kMidGain, -15, &EngineSettings::midPositionTarget, 0.95},
        {"mid half boost", kMidGain, 7.5, &EngineSettings::midPositionTarget, 0.275},
        {"high cut", kHighGain, -15, &EngineSettings::highPositionTarget, 0},
        {"high boost", kHighGain, 15, &EngineSettings::highPositionTarget, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Set(c.index, c.value);
        EXPECT_NEAR((settings.*c.setting).load(), c.expected, 1e-12);
    }
}

TEST_F(ChannelParams, SwitchesMapToTheirSelections) {
    Set(kHighPass, 3);
    Set(kLowFreq, 4);
    Set(kMidFreq, 6);
    Set(kMicPre, 1);
    Set(kBypass, 0);
    Set(kOversampling, 1);
    EXPECT_EQ(settings.highPassSelection, 3);
    EXPECT_EQ(settings.lowFrequencySelection, 4);
    EXPECT_EQ(settings.midFrequencySelection, 6);
    EXPECT_EQ(settings.micCurveSelection, 1);
    EXPECT_EQ(settings.processingSwitch, 0);
    EXPECT_EQ(settings.oversamplingPasses, 2);
    EXPECT_EQ(settings.latencyBase, kOversampledStripLatencySamples);

    Set(kOversampling, 0);
    EXPECT_EQ(settings.oversamplingPasses, 0);
    EXPECT_EQ(settings.latencyBase, kStripLatencySamples);
}

TEST_F(ChannelParams, HostValuesOutsideTheRangeClampBeforeReachingTheEngine) {
    Set(kOversampling, 7);
    EXPECT_DOUBLE_EQ(params.GetParam(kOversampling)->GetValue(), 1);
    EXPECT_EQ(settings.oversamplingPasses, 2);
    EXPECT_EQ(settings.latencyBase, kOversampledStripLatencySamples);

    Set(kBypass, -3);
    EXPECT_EQ(settings.processingSwitch, 0);

    Set(kHighPass, 1e9);
    EXPECT_EQ(settings.highPassSelection, 4);
    Set(kMidFreq, 2.6);  // stepped to the nearest selection
    EXPECT_EQ(settings.midFrequencySelection, 3);

    Set(kPreampGain, 100);
    EXPECT_NEAR(settings.driveTarget, 10, 1e-12);
    Set(kOutputTrim, -std::numeric_limits<double>::infinity());
    EXPECT_NEAR(settings.trimTarget, Db(-24), 1e-12);

    // NaN from a host normalised value or typed text lands on the default.
    params.GetParam(kPreampGain)->SetNorm(kNaN);
    ApplyParamChange(kPreampGain, params, settings);
    EXPECT_NEAR(settings.driveTarget, Db(-10), 1e-12);
    Set(kLowGain, params.GetParam(kLowGain)->ParseText("nan"));
    EXPECT_DOUBLE_EQ(settings.lowPositionTarget, 0.5);
}

TEST_F(ChannelParams, UnknownIndicesChangeNothing) {
    Set(kHighPass, 2);
    for (int index : {-1, static_cast<int>(kNumChannelParams), 1000}) ApplyParamChange(index, params, settings);
    EXPECT_EQ(settings.highPassSelection, 2);

    ParamTable shortTable(3);
    DefineChannelParameters(shortTable);  // defines what fits
    EXPECT_STREQ(shortTable.GetParam(2)->Name(), "HighPass");
    ApplyParamChange(kOversampling, shortTable, settings);
    EXPECT_EQ(settings.latencyBase, kStripLatencySamples);
}

TEST_F(ChannelParams, DisplayTexts) {
    struct Case {
        int index;
        double value;
        const char* text;
        const char* label;
    };
    const Case kCases[] = {
        {kHighPass, 0, "OFF", ""},
        {kHighPass, 4, "300Hz", ""},
        {kLowFreq, 3, "110Hz", ""},
        {kMidFreq, 1, ".36kHz", ""},
        {kMidFreq, 6, "7.2kHz", ""},
        {kOversampling, 0, "Oversampling Off", ""},
        {kOversampling, 1, "Oversampling On", ""},
        {kBypass, 1, "1", ""},
        {kMicPre, 0, "0", ""},
        {kPreampGain, 12.34, "12.3", "dB"},
        {kMidGain, -0.04, "0.0", "dB"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        params.GetParam(c.index)->SetValue(c.value);
        EXPECT_EQ(Format(c.index, c.value), c.text);
        EXPECT_STREQ(params.GetParam(c.index)->LabelFor(), c.label);
        if (params.GetParam(c.index)->DisplayTextCount() > 0) {
            EXPECT_DOUBLE_EQ(params.GetParam(c.index)->ParseText(c.text), c.value);
        }
    }
}

TEST(TarnwhistleConfigTest, DescribesTheProduct) {
    const PluginConfig config = TarnwhistleConfig();
    EXPECT_EQ(config.parameterCount, kNumChannelParams);
    EXPECT_EQ(config.presetCount, 1);
    EXPECT_STREQ(config.channelIOString, "1-1 2-2");
    EXPECT_STREQ(config.pluginName, "Tarnwhistle");
    EXPECT_STREQ(config.productName, "Tarnwhistle");
    EXPECT_STREQ(config.manufacturerName, "Quernstoneworks");
    EXPECT_EQ(config.pluginVersion, 0x00070000);
    EXPECT_EQ(config.uniqueID, 0x54776831);  // 'Twh1'
    EXPECT_EQ(config.manufacturerID, 0x516E7374);  // 'Qnst'
    EXPECT_EQ(config.latency, 0);
    EXPECT_FALSE(config.receivesMidi || config.sendsMidi || config.handlesMPE);
    EXPECT_TRUE(config.stateChunks);
    EXPECT_EQ(config.pluginKind, 0);
    EXPECT_TRUE(config.hasEditor);
    EXPECT_EQ(config.editorWidth, 248);
    EXPECT_EQ(config.editorHeight, 662);
    EXPECT_EQ(config.editorMinWidth, 124);
    EXPECT_EQ(config.editorMaxWidth, 496);
    EXPECT_EQ(config.editorMinHeight, 331);
    EXPECT_EQ(config.editorMaxHeight, 1324);
    EXPECT_FALSE(config.hostResize);
    EXPECT_STREQ(config.bundleID, "");
}

}  // namespace
