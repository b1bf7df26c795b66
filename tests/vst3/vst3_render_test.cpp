// Rendering through the bundle as a VST3 host renders: equal, sample for
// sample, to `hpi-host render` of the same file with the same settings, at
// several block sizes, in place and not, with changes inside a block; the
// 0-frame flush; the host bypass giving the input back; no allocation in
// process.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "float_wav.h"
#include "product/channel_parameters.h"
#include "vst3_test_host.h"

namespace {

using vst3_test::Channels;
using vst3_test::Instance;
using vst3_test::Module;
using vst3_test::TimedChange;

constexpr int kFrames = 24000;
constexpr vst3::ParamId kHostBypassId = kNumChannelParams;
constexpr vst3::ParamId kProgramId = kNumChannelParams + 1;



// One setting: a parameter's name and value text, as `hpi-host render`
// takes it, and where it lands (frame 0 is before the first block).
struct Setting {
    int param;
    const char* name;
    const char* text;
    int64_t frame;
};

struct RenderCase {
    const char* what;
    int block;
    bool inPlace;
    int channels;
    std::vector<Setting> settings;
    int prepared = 0;  // the block size given to setupProcessing; 0: block
};

class VST3Render : public ::testing::Test {
protected:
    void SetUp() override {
        mFolder = std::filesystem::temp_directory_path() /
                  ("tw_vst3_render_" + std::to_string(::getpid()));
        std::filesystem::create_directories(mFolder);
    }
    void TearDown() override { std::filesystem::remove_all(mFolder); }

    Channels HpiHostRender(const RenderCase& c, const Channels& input) {
        const std::string in = (mFolder / "in.wav").string();
        const std::string out = (mFolder / "out.wav").string();
        EXPECT_TRUE(testsupport::WriteFloatWav(in, input));
        std::string command = std::string(TW_HPI_HOST) + " render " + TW_HPI_MODULE + " " + in +
                              " " + out + " --quiet --block " + std::to_string(c.block);
        for (const Setting& s : c.settings) {
            if (s.frame == 0) {
                command += std::string(" --set '") + s.name + "=" + s.text + "'";
            } else {
                char seconds[64];
                std::snprintf(seconds, sizeof seconds, "%.9f",
                              static_cast<double>(s.frame) / 48000.0);
                command +=
                    std::string(" --automate '") + s.name + "=" + s.text + "@" + seconds + "'";
            }
        }
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return testsupport::ReadFloatWav(out);
    }

    // The settings as processor changes, their values converted by the
    // controller's own text conversion, as hpi-host converts them.
    static std::vector<TimedChange> Changes(Instance& instance, const RenderCase& c) {
        std::vector<TimedChange> changes;
        for (const Setting& s : c.settings) {
            std::u16string text = vst3_test::Wide(s.text);
            double normalized = 0.0;
            EXPECT_EQ(
                instance.Controller()->getParamValueByString(s.param, text.data(), normalized),
                vst3::kResultOk);
            changes.push_back({s.frame, static_cast<vst3::ParamId>(s.param), normalized});
        }
        return changes;
    }

    std::filesystem::path mFolder;
};

TEST_F(VST3Render, EqualsHpiHostRenderSampleForSample) {
    const std::vector<Setting> warm = {{kPreampGain, "Preamp Gain", "9", 0},
                                       {kHighPass, "HighPass", "2", 0},
                                       {kMidFreq, "Mid Freq", "4", 0},
                                       {kMidGain, "Mid Gain", "3", 0},
                                       {kMicPre, "Mic Pre", "1", 0},
                                       {kOversampling, "Oversampling", "1", 0},
                                       {kPreampGain, "Preamp Gain", "15", 10007},
                                       {kLowFreq, "Low Freq", "3", 10007},
                                       {kHighGain, "High Gain", "-6", 17001}};
    const std::vector<Setting> plain = {{kOutputTrim, "Output Trim", "-3", 0},
                                        {kLowFreq, "Low Freq", "2", 0},
                                        {kLowGain, "Low Gain", "6", 0},
                                        {kBypass, "Bypass", "0", 12345},
                                        {kBypass, "Bypass", "1", 20000}};
    const RenderCase cases[] = {
        {"block 1", 1, false, 2, warm},
        {"block 64, in place", 64, true, 2, warm},
        {"block 4096", 4096, false, 2, warm},
        {"block 4096, in place, bypass switched inside blocks", 4096, true, 2, plain},
        {"mono, block 64", 64, false, 1, plain},
        {"blocks of 4096 on a processor prepared for 100", 4096, false, 2, warm, 100},
    };
    Module module(TW_VST3_MODULE);
    ASSERT_NE(module.Factory(), nullptr) << module.Error();
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Channels input = vst3_test::TestSignal(c.channels, kFrames);
        const Channels expected = HpiHostRender(c, input);
        ASSERT_EQ(expected.size(), input.size());
        ASSERT_EQ(expected[0].size(), input[0].size());

        Instance instance(module, c.channels, c.prepared > 0 ? c.prepared : c.block);
        ASSERT_TRUE(instance.Valid());
        ASSERT_TRUE(instance.Arranged());
        instance.Activate();
        const Channels rendered = instance.Render(input, c.block, c.inPlace, Changes(instance, c));
        for (std::size_t ch = 0; ch < rendered.size(); ++ch) {
            for (std::size_t f = 0; f < rendered[ch].size(); ++f) {
                ASSERT_EQ(rendered[ch][f], expected[ch][f]) << "channel " << ch << " frame " << f;
            }
        }
    }
}

TEST_F(VST3Render, ZeroFramesAppliesTheChangesOnly) {
    Module module(TW_VST3_MODULE);
    Instance instance(module);
    instance.Activate();
    instance.PendingChanges().Add(kOutputTrim, 0, 0.25);
    instance.PendingChanges().Add(kHostBypassId, 0, 1.0);
    ASSERT_EQ(instance.ProcessBlock(nullptr, nullptr, 0), vst3::kResultOk);
    EXPECT_EQ(instance.Controller()->getParamNormalized(kOutputTrim), 0.25);
    EXPECT_EQ(instance.Controller()->getParamNormalized(kBypass), 0.0);
}

TEST_F(VST3Render, HostBypassAtOneGivesTheInputBack) {
    Module module(TW_VST3_MODULE);
    for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "in place" : "separate buffers");
        Instance instance(module, 2, 256);
        instance.Activate();
        const Channels input = vst3_test::TestSignal(2, 4096);
        const Channels output = instance.Render(
            input, 256, inPlace,
            {{0, kHostBypassId, 1.0}, {0, kPreampGain, 1.0}, {0, kOversampling, 1.0}});
        EXPECT_EQ(instance.Processor()->getLatencySamples(), 0u);
        EXPECT_EQ(output, input);
    }
}

TEST_F(VST3Render, ProcessAllocatesNothingWithChangesInsideBlocks) {
    Module module(TW_VST3_MODULE);
    Instance instance(module, 2, 512);
    instance.Activate();
    Channels buffers = vst3_test::TestSignal(2, 512);
    float* channels[] = {buffers[0].data(), buffers[1].data()};
    std::size_t allocations = 0;
    for (int block = 0; block < 40; ++block) {
        // Queued outside the count: the test's own queues may grow.
        instance.PendingChanges().Add(kPreampGain, 17, block % 2 == 0 ? 0.9 : 0.2);
        instance.PendingChanges().Add(kOversampling, 300, block % 3 == 0 ? 1.0 : 0.0);
        instance.PendingChanges().Add(kHostBypassId, 400, block % 5 == 0 ? 1.0 : 0.0);
        instance.PendingChanges().Add(kProgramId, 450, (block % 6) / 5.0);
        test_support::AllocationScope scope;
        instance.ProcessBlock(channels, channels, block % 4 == 0 ? 0 : 512);
        allocations += scope.Count();
    }
    EXPECT_EQ(allocations, 0u);
}

}  // namespace
