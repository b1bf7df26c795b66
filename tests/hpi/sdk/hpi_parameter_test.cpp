#include "hpi/sdk/hpi_parameter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "hpi_test_host.h"

namespace {

using Calls = std::vector<std::string>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

HPI_CParameter<int32_t> MakeIntParameter(int32_t minValue, int32_t maxValue, int32_t defaultValue) {
    return HPI_CParameter<int32_t>("5", "Mid Freq", defaultValue, HPI_CLinearTaperDelegate<int32_t, 1>(minValue, maxValue),
                                   HPI_CNumberDisplayDelegate<int32_t, 0, 0>(), true);
}

// A parameter linked to a recording automation delegate.
class AutomatedParameter : public testing::Test {
protected:
    AutomatedParameter()
        : mDelegate(&mHost),
          mParameter("3", "Low Gain", 0, HPI_CLinearTaperDelegate<int32_t, 1>(-10, 10),
                     HPI_CNumberDisplayDelegate<int32_t, 0, 0>(), true) {
        mParameter.SetAutomationDelegate(&mDelegate);
        mHost.calls.clear();
    }

    hpi_test::FakeAutomationDelegate mHost;
    HPI_VAutomationDelegate mDelegate;
    HPI_CParameter<int32_t> mParameter;
};

TEST(Parameter, StartsAtTheDefaultWith128StepsAndContinuousType) {
    const HPI_CParameter<double> parameter("1", "Preamp Gain", 0.25, HPI_CLinearTaperDelegate<double, 100>(0.0, 1.0),
                                           HPI_CNumberDisplayDelegate<double, 2, 0>(), true);
    EXPECT_EQ(parameter.GetValue(), 0.25);
    EXPECT_EQ(parameter.GetNumberOfSteps(), 128u);
    EXPECT_EQ(parameter.GetType(), HPI_eParameterType_Continuous);
    EXPECT_EQ(parameter.GetSecondCode(), 0);
    EXPECT_DOUBLE_EQ(parameter.GetNormalizedDefaultValue(), 0.25);
    EXPECT_STREQ(parameter.Identifier(), "1");
    EXPECT_EQ(parameter.Name(), "Preamp Gain");
}

TEST(Parameter, NonFiniteOrOutOfRangeDefaultsAreConstrained) {
    const auto kTaper = HPI_CLinearTaperDelegate<double, 100>(-1.0, 1.0);
    const HPI_CNumberDisplayDelegate<double, 2, 0> kDisplay;
    const struct {
        double defaultValue;
        double value;
    } kCases[] = {{kNaN, 0.0}, {kInf, 0.0}, {5.0, 1.0}, {-5.0, -1.0}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.defaultValue);
        const HPI_CParameter<double> parameter("1", "Trim", c.defaultValue, kTaper, kDisplay, true);
        EXPECT_EQ(parameter.GetValue(), c.value);
        EXPECT_EQ(parameter.GetDefaultValue(), c.value);
    }
}

TEST(Parameter, StepMaths) {
    const struct {
        uint32_t steps;
        double normalized;
        int32_t step;
    } kStepOf[] = {
        {1, 0.0, 0},   {1, 0.7, 0},  {1, 1.0, 0},                    // one step: always step 0
        {2, 0.49, 0},  {2, 0.5, 1},  {2, 1.0, 1},
        {5, 0.3, 1},   {5, 0.375, 2}, {5, 1.0, 4},  {5, -0.5, 0}, {5, 3.0, 4}, {5, kNaN, 0},
        {128, 1.0, 127}, {128, 0.5, 64},
        {4294967295u, 1.0, INT32_MAX},                               // no overflow into int32
    };
    for (const auto& c : kStepOf) {
        SCOPED_TRACE(testing::Message() << c.steps << " steps, n=" << c.normalized);
        auto parameter = MakeIntParameter(0, 10, 0);
        parameter.SetNumberOfSteps(c.steps);
        EXPECT_EQ(parameter.GetStepValueFromNormalizedValue(c.normalized), c.step);
    }
    const struct {
        uint32_t steps;
        int32_t step;
        double normalized;
    } kNormalizedOf[] = {{1, 0, 0.0}, {1, 3, 0.0}, {5, 2, 0.5}, {5, 4, 1.0}, {5, 9, 1.0}, {5, -1, 0.0}, {3, 1, 0.5}};
    for (const auto& c : kNormalizedOf) {
        SCOPED_TRACE(testing::Message() << c.steps << " steps, step " << c.step);
        auto parameter = MakeIntParameter(0, 10, 0);
        parameter.SetNumberOfSteps(c.steps);
        EXPECT_DOUBLE_EQ(parameter.GetNormalizedValueFromStep(c.step), c.normalized);
    }
}

TEST(Parameter, SetStepValueNeedsTwoSteps) {
    auto parameter = MakeIntParameter(0, 4, 0);
    parameter.SetNumberOfSteps(5);
    parameter.SetStepValue(3);
    EXPECT_EQ(parameter.GetValue(), 3);
    EXPECT_EQ(parameter.GetStepValue(), 3);
    parameter.SetNumberOfSteps(1);
    parameter.SetStepValue(1);
    EXPECT_EQ(parameter.GetValue(), 3);
}

TEST(Parameter, ZeroStepsIsReportedAndIgnored) {
    hpi_test::FakeHostServices services;
    hpi_test::ServicesScope scope(&services);
    auto parameter = MakeIntParameter(0, 4, 0);
    parameter.SetNumberOfSteps(7);
    parameter.SetNumberOfSteps(0);
    EXPECT_EQ(parameter.GetNumberOfSteps(), 7u);
    EXPECT_EQ(services.Expressions(), Calls{"0 < numSteps"});
}

TEST(Parameter, WithoutADelegateSettersApplyAtOnce) {
    auto parameter = MakeIntParameter(0, 3, 0);
    parameter.SetNormalizedValue(0.5);
    EXPECT_EQ(parameter.GetValue(), 2);
    parameter.SetValue(1);
    EXPECT_EQ(parameter.GetValue(), 1);
    parameter.SetToDefaultValue();
    EXPECT_EQ(parameter.GetValue(), 0);
    EXPECT_TRUE(parameter.SetValueFromString("3"));
    EXPECT_EQ(parameter.GetValue(), 3);
    EXPECT_FALSE(parameter.SetValueFromString("three"));
    EXPECT_EQ(parameter.GetValue(), 3);
}

TEST_F(AutomatedParameter, AttachingRegistersAndDestructionUnregisters) {
    hpi_test::FakeAutomationDelegate host;
    {
        const HPI_VAutomationDelegate delegate(&host);
        {
            auto parameter = MakeIntParameter(0, 3, 0);
            parameter.SetAutomationDelegate(&delegate);
            parameter.SetAutomationDelegate(&mDelegate);
        }
        EXPECT_EQ(host.calls, (Calls{"register:5", "unregister:5"}));
        EXPECT_EQ(mHost.calls, (Calls{"register:5", "unregister:5"}));
    }
    EXPECT_EQ(host.References(), 0);
}

TEST_F(AutomatedParameter, SetterOnlyRequestsTheValueFromTheHost) {
    mParameter.SetNormalizedValue(0.75);
    EXPECT_EQ(mParameter.GetValue(), 0);  // unchanged until the host answers
    EXPECT_EQ(mHost.calls, (Calls{"touch:3", "request:3:0.7500", "release:3"}));
}

TEST_F(AutomatedParameter, SetterRequestsTheTaperedValue) {
    mParameter.SetNormalizedValue(0.52);  // real 0.4 rounds to 0, normalised 0.5
    EXPECT_EQ(mHost.calls, (Calls{"touch:3", "request:3:0.5000", "release:3"}));
}

TEST_F(AutomatedParameter, UpdateStoresAndEchoesOnlyChanges) {
    mParameter.UpdateNormalizedValue(0.75);
    EXPECT_EQ(mParameter.GetValue(), 5);
    mParameter.UpdateNormalizedValue(0.76);  // still real 5: nothing sent
    EXPECT_EQ(mHost.calls, (Calls{"current:3:0.7500"}));
}

TEST_F(AutomatedParameter, NonFiniteUpdatesAreIgnored) {
    mParameter.UpdateNormalizedValue(0.75);
    mHost.calls.clear();
    for (double bad : {kNaN, kInf, -kInf}) {
        mParameter.UpdateNormalizedValue(bad);
        mParameter.SetNormalizedValue(bad);
        mParameter.SetNormalizedDefaultValue(bad);
    }
    EXPECT_EQ(mParameter.GetValue(), 5);
    EXPECT_EQ(mParameter.GetDefaultValue(), 0);
    EXPECT_TRUE(mHost.calls.empty());
}

TEST_F(AutomatedParameter, OutOfRangeUpdatesAreClamped) {
    mParameter.UpdateNormalizedValue(1.7);
    EXPECT_EQ(mParameter.GetValue(), 10);
    mParameter.UpdateNormalizedValue(-3.0);
    EXPECT_EQ(mParameter.GetValue(), -10);
    EXPECT_EQ(mHost.calls, (Calls{"current:3:1.0000", "current:3:0.0000"}));
}

TEST_F(AutomatedParameter, DefaultChangesLeaveTheValue) {
    mParameter.SetNormalizedDefaultValue(1.0);
    EXPECT_EQ(mParameter.GetDefaultValue(), 10);
    EXPECT_EQ(mParameter.GetValue(), 0);
    EXPECT_TRUE(mHost.calls.empty());
    mParameter.SetToDefaultValue();
    EXPECT_EQ(mHost.calls, (Calls{"touch:3", "request:3:1.0000", "release:3"}));
}

TEST_F(AutomatedParameter, NewTaperKeepsTheNormalisedOrTheRealValue) {
    mParameter.UpdateNormalizedValue(0.75);  // real 5 on -10..10
    mHost.calls.clear();

    mParameter.SetTaperDelegate(HPI_CLinearTaperDelegate<int32_t, 1>(0, 100), false);
    EXPECT_EQ(mParameter.GetValue(), 75);  // normalised 0.75 kept
    EXPECT_EQ(mHost.calls, (Calls{"current:3:0.7500"}));  // sent although needs notify forced it

    mHost.calls.clear();
    mParameter.SetTaperDelegate(HPI_CLinearTaperDelegate<int32_t, 1>(0, 300), true);
    EXPECT_EQ(mParameter.GetValue(), 75);  // real value asked for again
    EXPECT_EQ(mHost.calls, (Calls{"touch:3", "request:3:0.2500", "release:3"}));

    EXPECT_FALSE(mParameter.SetTaperDelegate(HPI_CBinaryTaperDelegate<bool>(), false));
}

TEST_F(AutomatedParameter, NewDisplayReportsTheCurrentValue) {
    EXPECT_TRUE(mParameter.SetDisplayDelegate(
        HPI_CUnitDisplayDelegateDecorator<int32_t>(HPI_CNumberDisplayDelegate<int32_t, 0, 0>(), "Hz")));
    EXPECT_EQ(mHost.calls, (Calls{"current:3:0.5000"}));
    std::string text;
    mParameter.GetValueString(text);
    EXPECT_EQ(text, "0Hz");
    EXPECT_FALSE(mParameter.SetDisplayDelegate(HPI_CBinaryDisplayDelegate<bool>("a", "b")));
}

TEST_F(AutomatedParameter, TouchAndReleaseGoToTheHost) {
    mParameter.Touch();
    mParameter.Release();
    mParameter.SetAutomationDelegate(nullptr);
    mParameter.Touch();
    EXPECT_EQ(mHost.calls, (Calls{"touch:3", "release:3", "unregister:3"}));
}

TEST(Parameter, ShortenedNameByLength) {
    auto parameter = MakeIntParameter(0, 3, 0);
    parameter.SetName("Preamp Gain");  // 11 characters
    parameter.AddShortenedName("G");
    parameter.AddShortenedName("Gain");
    parameter.AddShortenedName("PreGain");
    const struct {
        int32_t length;
        const char* name;
    } kCases[] = {{-1, "Preamp Gain"}, {11, "Preamp Gain"}, {40, "Preamp Gain"}, {10, "PreGain"},
                  {7, "PreGain"},      {6, "Gain"},         {4, "Gain"},         {3, "G"},
                  {1, "G"},            {0, "G"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.length);
        EXPECT_EQ(parameter.ShortenedName(c.length), c.name);
    }
    parameter.AddShortenedName("Gn 2");  // same length replaces "Gain"
    EXPECT_EQ(parameter.ShortenedName(5), "Gn 2");
    parameter.ClearShortenedNames();
    EXPECT_EQ(parameter.ShortenedName(2), "Preamp Gain");
}

TEST(Parameter, ConversionsAnswerOnlyForTheOwnType) {
    const HPI_CParameter<double> parameter("2", "Gain", 0.5, HPI_CLinearTaperDelegate<double, 100>(0.0, 2.0),
                                           HPI_CNumberDisplayDelegate<double, 2, 0>(), true);
    double normalized = -1.0;
    EXPECT_TRUE(parameter.GetNormalizedValueFromDouble(1.0, normalized));
    EXPECT_DOUBLE_EQ(normalized, 0.5);
    EXPECT_FALSE(parameter.GetNormalizedValueFromDouble(kNaN, normalized));
    EXPECT_FALSE(parameter.GetNormalizedValueFromFloat(1.0f, normalized));
    EXPECT_FALSE(parameter.GetNormalizedValueFromInt32(1, normalized));
    EXPECT_FALSE(parameter.GetNormalizedValueFromBool(true, normalized));
    EXPECT_TRUE(parameter.GetNormalizedValueFromString("1.5", normalized));
    EXPECT_DOUBLE_EQ(normalized, 0.75);

    double real = 0.0;
    float realFloat = 0.0f;
    EXPECT_TRUE(parameter.GetDoubleFromNormalizedValue(0.25, real));
    EXPECT_DOUBLE_EQ(real, 0.5);
    EXPECT_FALSE(parameter.GetFloatFromNormalizedValue(0.25, realFloat));
    EXPECT_TRUE(parameter.GetValueAsDouble(real));
    EXPECT_FALSE(parameter.GetValueAsFloat(realFloat));
    std::string text;
    EXPECT_TRUE(parameter.GetValueAsString(text));
    EXPECT_EQ(text, "0.50");
}

TEST(Parameter, SettersOfOtherTypesChangeNothing) {
    HPI_CParameter<bool> parameter("", "Master Bypass", false, HPI_CBinaryTaperDelegate<bool>(),
                                   HPI_CBinaryDisplayDelegate<bool>("bypass", "on"), true);
    EXPECT_FALSE(parameter.SetValueAsDouble(1.0));
    EXPECT_FALSE(parameter.SetValueAsInt32(1));
    EXPECT_FALSE(parameter.GetValue());
    EXPECT_TRUE(parameter.SetValueAsBool(true));
    EXPECT_TRUE(parameter.GetValue());
    EXPECT_TRUE(parameter.SetValueAsString("bypass"));
    EXPECT_FALSE(parameter.GetValue());
}

TEST(Parameter, TextOfANormalisedValue) {
    HPI_CParameter<int32_t> parameter("6", "HighPass", 0, HPI_CLinearTaperDelegate<int32_t, 1>(0, 5),
                                      HPI_CStringDisplayDelegate<int32_t>({{0, "OFF"}, {1, "50"}, {2, "80"}}), true);
    const struct {
        double normalized;
        int32_t maxChars;
        bool ok;
        const char* text;
    } kCases[] = {{0.0, 10, true, "OFF"}, {0.2, 10, true, "50"}, {0.2, 1, true, "5"},
                  {1.0, 20, false, "String Not Found"}, {1.0, 6, false, "String"}, {kNaN, 10, true, "OFF"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.normalized);
        std::string text;
        EXPECT_EQ(parameter.GetStringFromNormalizedValue(c.normalized, c.maxChars, text), c.ok);
        EXPECT_EQ(text, c.text);
    }
    parameter.UpdateNormalizedValue(0.4);
    std::string text;
    EXPECT_TRUE(parameter.GetValueString(2, text));
    EXPECT_EQ(text, "80");
}

// The host answers every set-value request at once, as a real host may.
TEST(Parameter, RoundTripThroughAnAnsweringHost) {
    struct AnsweringHost : hpi_test::FakeAutomationDelegate {
        HPI_Result PostSetValueRequest(const char* id, double n) override {
            FakeAutomationDelegate::PostSetValueRequest(id, n);
            parameter->UpdateNormalizedValue(n);
            return HPI_SUCCESS;
        }
        HPI_IParameter* parameter = nullptr;
    } host;
    const HPI_VAutomationDelegate delegate(&host);
    auto parameter = MakeIntParameter(0, 4, 0);
    host.parameter = &parameter;
    parameter.SetAutomationDelegate(&delegate);
    parameter.SetValue(3);
    EXPECT_EQ(parameter.GetValue(), 3);
    EXPECT_EQ(host.calls, (Calls{"register:5", "touch:5", "request:5:0.7500", "current:5:0.7500", "release:5"}));
    parameter.SetAutomationDelegate(nullptr);
}

}  // namespace
