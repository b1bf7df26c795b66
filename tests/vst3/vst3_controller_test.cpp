// The controller as hosts read and drive it: parameter infos, texts both
// ways, plain values at the steps, the host bypass, the program list, the
// latency and its restart flag, and the editor's gestures reaching the host.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/param_table.h"
#include "factory_presets.h"
#include "product/channel_parameters.h"
#include "vst3/vst3_adapter.h"
#include "vst3_test_host.h"

extern "C" vst3::PluginFactory* GetPluginFactory();

namespace {

using vst3_test::Instance;
using vst3_test::Module;
using vst3_test::Narrow;
using vst3_test::Wide;

constexpr vst3::ParamId kHostBypassId = kNumChannelParams;
constexpr vst3::ParamId kProgramId = kNumChannelParams + 1;

class VST3Controller : public ::testing::Test {
protected:
    Module mModule{TW_VST3_MODULE};
    Instance mInstance{mModule};
    vst3::EditController* Controller() { return mInstance.Controller(); }

    vst3::ParameterInfo Info(int32_t index) {
        vst3::ParameterInfo info{};
        EXPECT_EQ(Controller()->getParameterInfo(index, info), vst3::kResultOk);
        return info;
    }
    std::string Text(vst3::ParamId id, double normalized) {
        vst3::String128 text{};
        EXPECT_EQ(Controller()->getParamStringByValue(id, normalized, text), vst3::kResultOk);
        return Narrow(text);
    }
};

TEST_F(VST3Controller, ElevenParametersThenTheHostBypassAndTheProgram) {
    ASSERT_TRUE(mInstance.Valid());
    ASSERT_EQ(Controller()->getParameterCount(), kNumChannelParams + 2);
    ParamTable table(kNumChannelParams);
    DefineChannelParameters(table);
    int bypassFlagged = 0;
    for (int32_t i = 0; i < Controller()->getParameterCount(); ++i) {
        const vst3::ParameterInfo info = Info(i);
        EXPECT_EQ(info.id, static_cast<vst3::ParamId>(i));
        bypassFlagged += (info.flags & vst3::kIsBypass) != 0 ? 1 : 0;
        if (i >= kNumChannelParams) {
            continue;
        }
        const Param& param = *table.GetParam(i);
        SCOPED_TRACE(param.Name());
        EXPECT_EQ(Narrow(info.title), param.Name());
        EXPECT_EQ(Narrow(info.units), param.Label());
        EXPECT_EQ(info.defaultNormalizedValue, param.ToNorm(param.Default()));
        EXPECT_EQ(info.flags & vst3::kCanAutomate, vst3::kCanAutomate);
        const bool stepped = (param.Flags() & FlagStepped) != 0;
        EXPECT_EQ(info.stepCount, stepped ? static_cast<int32_t>(param.Max() - param.Min()) : 0);
        EXPECT_EQ((info.flags & vst3::kIsList) != 0, stepped && param.HasDisplayTexts());
    }
    EXPECT_EQ(bypassFlagged, 1);
    EXPECT_EQ(Info(kHostBypassId).flags & vst3::kIsBypass, vst3::kIsBypass);
    EXPECT_EQ(Info(kHostBypassId).stepCount, 1);
    const vst3::ParameterInfo program = Info(kProgramId);
    EXPECT_EQ(program.flags & vst3::kIsProgramChange, vst3::kIsProgramChange);
    EXPECT_EQ(program.stepCount, static_cast<int32_t>(FactoryPresets().size()) - 1);
    vst3::ParameterInfo none{};
    EXPECT_EQ(Controller()->getParameterInfo(kNumChannelParams + 2, none), vst3::kInvalidArgument);
}

TEST_F(VST3Controller, EveryParametersTextsRoundTripThroughItsOwnDisplayTexts) {
    for (int32_t i = 0; i < Controller()->getParameterCount(); ++i) {
        const vst3::ParameterInfo info = Info(i);
        const int positions = info.stepCount > 0 ? info.stepCount + 1 : 49;
        for (int k = 0; k < positions; ++k) {
            const double normalized = static_cast<double>(k) / (positions - 1);
            const std::string text = Text(info.id, normalized);
            SCOPED_TRACE(testing::Message()
                         << Narrow(info.title) << " " << normalized << " '" << text << "'");
            std::u16string wide = Wide(text);
            double back = -1.0;
            ASSERT_EQ(Controller()->getParamValueByString(info.id, wide.data(), back),
                      vst3::kResultOk);
            EXPECT_EQ(Text(info.id, back), text);
            if (info.stepCount > 0) {
                EXPECT_EQ(back, normalized);
            }
        }
    }
    EXPECT_EQ(Text(kHighPass, 0.25), "50Hz");
    EXPECT_EQ(Text(kProgramId, 0.0), FactoryPresets().front().label);
    std::u16string unknown = Wide("no such program");
    double value = 0.0;
    EXPECT_EQ(Controller()->getParamValueByString(kProgramId, unknown.data(), value),
              vst3::kResultFalse);
}

TEST_F(VST3Controller, SteppedParametersMapExactlyAtTheirSteps) {
    for (int32_t i = 0; i < Controller()->getParameterCount(); ++i) {
        const vst3::ParameterInfo info = Info(i);
        if (info.stepCount == 0) {
            continue;
        }
        SCOPED_TRACE(Narrow(info.title));
        const double base = Controller()->normalizedParamToPlain(info.id, 0.0);
        for (int k = 0; k <= info.stepCount; ++k) {
            const double normalized = static_cast<double>(k) / info.stepCount;
            EXPECT_EQ(Controller()->normalizedParamToPlain(info.id, normalized), base + k);
            EXPECT_EQ(Controller()->plainParamToNormalized(info.id, base + k), normalized);
        }
    }
    // A continuous one: -24..24 dB.
    EXPECT_EQ(Controller()->normalizedParamToPlain(kPreampGain, 0.75), 12.0);
    EXPECT_EQ(Controller()->plainParamToNormalized(kPreampGain, -24.0), 0.0);
}

TEST_F(VST3Controller, HostBypassIsTheInverseOfTheStripsSwitchBothWays) {
    EXPECT_EQ(Controller()->getParamNormalized(kHostBypassId), 0.0);
    EXPECT_EQ(Controller()->getParamNormalized(kBypass), 1.0);
    ASSERT_EQ(Controller()->setParamNormalized(kHostBypassId, 1.0), vst3::kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(kBypass), 0.0);
    ASSERT_EQ(Controller()->setParamNormalized(kBypass, 1.0), vst3::kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(kHostBypassId), 0.0);
    EXPECT_EQ(Controller()->setParamNormalized(kPreampGain, std::nan("")), vst3::kInvalidArgument);
    EXPECT_EQ(Controller()->setParamNormalized(kProgramId + 1, 0.5), vst3::kInvalidArgument);
}

TEST_F(VST3Controller, ProgramListShowsTheFactoryPresetsAndSelectingOneSetsItsValues) {
    auto* units = vst3_test::Query<vst3::UnitInfoSource>(mInstance.Component(), vst3::kUnitInfoId);
    ASSERT_NE(units, nullptr);
    vst3::UnitInfo unit{};
    ASSERT_EQ(units->getUnitInfo(0, unit), vst3::kResultOk);
    EXPECT_EQ(unit.id, vst3::kRootUnitId);
    EXPECT_EQ(Info(kProgramId).unitId, unit.id);
    ASSERT_EQ(units->getProgramListCount(), 1);
    vst3::ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), vst3::kResultOk);
    EXPECT_EQ(list.id, unit.programListId);
    const auto& presets = FactoryPresets();
    ASSERT_EQ(list.programCount, static_cast<int32_t>(presets.size()));
    for (int32_t i = 0; i < list.programCount; ++i) {
        vst3::String128 name{};
        ASSERT_EQ(units->getProgramName(list.id, i, name), vst3::kResultOk);
        EXPECT_EQ(Narrow(name), presets[static_cast<std::size_t>(i)].label);
    }

    mInstance.Processor()->getLatencySamples();
    const std::size_t chosen = 1;
    ASSERT_EQ(Controller()->setParamNormalized(kProgramId,
                                               static_cast<double>(chosen) / (presets.size() - 1)),
              vst3::kResultOk);
    const std::vector<double> values = FactoryPresetValues(presets[chosen]);
    for (int i = 0; i < kNumChannelParams; ++i) {
        EXPECT_NEAR(Controller()->normalizedParamToPlain(i, Controller()->getParamNormalized(i)),
                    values[static_cast<std::size_t>(i)], 1e-9)
            << i;
    }
    const std::vector<int32_t>& restarts = mInstance.Handler().mRestarts;
    ASSERT_FALSE(restarts.empty());
    EXPECT_EQ(restarts.front() & vst3::kParamValuesChanged, vst3::kParamValuesChanged);
    units->release();
}

struct LatencyCase {
    const char* what;
    vst3::ParamId id;
    double normalized;
    uint32_t latency;
};

TEST_F(VST3Controller, LatencyFollowsTheSwitchesAndEachChangeRestarts) {
    // As hpi-host reports: 16, 80 oversampled, 0 with the strip's switch out.
    const LatencyCase cases[] = {
        {"oversampling on", kOversampling, 1.0, 80}, {"strip bypassed", kBypass, 0.0, 0},
        {"strip back in", kBypass, 1.0, 80},         {"host bypass", kHostBypassId, 1.0, 0},
        {"host bypass off", kHostBypassId, 0.0, 80}, {"oversampling off", kOversampling, 0.0, 16},
    };
    vst3::AudioProcessor* processor = mInstance.Processor();
    mInstance.Activate();
    EXPECT_EQ(processor->getLatencySamples(), 16u);
    for (const LatencyCase& c : cases) {
        SCOPED_TRACE(c.what);
        mInstance.Handler().mRestarts.clear();
        ASSERT_EQ(Controller()->setParamNormalized(c.id, c.normalized), vst3::kResultOk);
        ASSERT_EQ(mInstance.Handler().mRestarts.size(), 1u);
        EXPECT_EQ(mInstance.Handler().mRestarts[0], vst3::kLatencyChanged);
        // The host's answer: deactivate, activate, ask.
        mInstance.Component()->setActive(0);
        mInstance.Component()->setActive(1);
        EXPECT_EQ(processor->getLatencySamples(), c.latency);
    }
    // A change that leaves the latency alone asks for no restart.
    mInstance.Handler().mRestarts.clear();
    Controller()->setParamNormalized(kPreampGain, 0.9);
    EXPECT_TRUE(mInstance.Handler().mRestarts.empty());
}

// The framework's delegate driven as the editor drives it, in this process.
TEST(VST3Gestures, EditorGesturesReachTheHostAsBeginPerformEnd) {
    vst3::PluginFactory* factory = GetPluginFactory();
    vst3::ClassInfo info{};
    ASSERT_EQ(factory->getClassInfo(0, &info), vst3::kResultOk);
    void* made = nullptr;
    ASSERT_EQ(factory->createInstance(reinterpret_cast<const char*>(info.cid),
                                      reinterpret_cast<const char*>(vst3::kEditControllerId.bytes),
                                      &made),
              vst3::kResultOk);
    auto* controller = static_cast<vst3::EditController*>(made);
    auto* plugin = dynamic_cast<VST3Adapter*>(controller);
    ASSERT_NE(plugin, nullptr);
    vst3_test::RecordingHandler handler;
    controller->setComponentHandler(&handler);
    plugin->getLatencySamples();

    using Call = vst3_test::RecordingHandler::Call;
    plugin->BeginUIParamGesture(kPreampGain);
    plugin->SendUIParamValue(kPreampGain, 0.625);
    plugin->SendUIParamValue(kPreampGain, 0.75);
    plugin->EndUIParamGesture(kPreampGain);
    EXPECT_EQ(handler.mCalls, (std::vector<Call>{{'b', kPreampGain, 0.0},
                                                 {'p', kPreampGain, 0.625},
                                                 {'p', kPreampGain, 0.75},
                                                 {'e', kPreampGain, 0.0}}));
    EXPECT_EQ(controller->getParamNormalized(kPreampGain), 0.75);
    EXPECT_TRUE(handler.mRestarts.empty());

    // The strip's switch moves the host bypass with it, and the latency.
    handler.mCalls.clear();
    plugin->BeginUIParamGesture(kBypass);
    plugin->SendUIParamValue(kBypass, 0.0);
    plugin->EndUIParamGesture(kBypass);
    EXPECT_EQ(handler.mCalls, (std::vector<Call>{{'b', kBypass, 0.0},
                                                 {'b', kHostBypassId, 0.0},
                                                 {'p', kBypass, 0.0},
                                                 {'p', kHostBypassId, 1.0},
                                                 {'e', kBypass, 0.0},
                                                 {'e', kHostBypassId, 0.0}}));
    EXPECT_EQ(handler.mRestarts, (std::vector<int32_t>{vst3::kLatencyChanged}));
    controller->setComponentHandler(nullptr);
    EXPECT_EQ(handler.mReferences, 1u);
    controller->release();
    factory->release();
}

}  // namespace
