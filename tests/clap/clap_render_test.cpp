// Tarnwhistle.clap's audio through our CLAP test host: renders equal
// `hpi-host render` of the same input and settings sample for sample, at
// several block sizes and with changes inside blocks; factory presets loaded
// through preset-load sound as hpi-host with the same settings; process never
// allocates; the latency follows the settings across a restart.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "float_wav.h"
#include "clap_test_host.h"
#include "factory_presets.h"
#include "product/channel_parameters.h"

namespace {

using clap_test::Channels;
using clap_test::Instance;
using clap_test::Module;
using clap_test::ParamChange;

constexpr double kRate = 48000.0;
constexpr char kStereo[] = "com.quernstoneworks.tarnwhistle.stereo";
constexpr char kMono[] = "com.quernstoneworks.tarnwhistle.mono";

Channels TestSignal(std::size_t channels, std::size_t frames) {
    Channels signal(channels, std::vector<float>(frames));
    uint32_t noise = 12345;
    for (std::size_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        for (std::size_t c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double random = static_cast<double>(noise >> 8) / 16777216.0 - 0.5;
            signal[c][f] = static_cast<float>(
                0.4 * std::sin(2.0 * M_PI * (110.0 + 40.0 * c) * t * (1.0 + t)) + 0.1 * random);
        }
    }
    return signal;
}

#if defined(TW_HPI_HOST)



const char* NameOf(ClapId id) {
    static ParamTable* params = [] {
        auto* table = new ParamTable(kNumChannelParams);
        DefineChannelParameters(*table);
        return table;
    }();
    return params->GetParam(static_cast<int>(id))->Name();
}

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

class ScratchFolder {
public:
    ScratchFolder()
        : mPath(std::filesystem::temp_directory_path() /
                ("tw_clap_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(mPath);
    }
    ~ScratchFolder() { std::filesystem::remove_all(mPath); }
    std::string File(const std::string& name) const { return (mPath / name).string(); }

private:
    std::filesystem::path mPath;
};

// hpi-host's render of input with the settings before the first block and
// the changes at their frames.
Channels HpiHostRender(const ScratchFolder& folder, const Channels& input, uint32_t block,
                       const std::vector<ParamChange>& settings,
                       const std::vector<ParamChange>& changes) {
    const std::string in = folder.File("in.wav");
    const std::string out = folder.File("hpi.wav");
    if (!testsupport::WriteFloatWav(in, input)) return {};
    std::string command = std::string(TW_HPI_HOST) + " render " + TW_HPI_MODULE + " " + in + " " +
                          out + " --quiet --block " + std::to_string(block);
    for (const ParamChange& setting : settings) {
        command += " --set '" + std::string(NameOf(setting.id)) + "=" + Number(setting.value) + "'";
    }
    for (const ParamChange& change : changes) {
        command += " --automate '" + std::string(NameOf(change.id)) + "=" + Number(change.value) +
                   "@" + Number(change.frame / kRate) + "'";
    }
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << command;
        return {};
    }
    return testsupport::ReadFloatWav(out);
}

void ExpectSameSamples(const Channels& actual, const Channels& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t c = 0; c < actual.size(); ++c) {
        ASSERT_EQ(actual[c].size(), expected[c].size());
        for (std::size_t f = 0; f < actual[c].size(); ++f) {
            ASSERT_EQ(actual[c][f], expected[c][f]) << "channel " << c << " frame " << f;
        }
    }
}

// Settings the strip starts on: everything away from its default.
const std::vector<ParamChange> kStartSettings = {
    {0, kPreampGain, 6.0}, {0, kOutputTrim, -3.0}, {0, kHighPass, 2.0},
    {0, kLowFreq, 3.0},    {0, kLowGain, 7.5},     {0, kMidFreq, 4.0},
    {0, kMidGain, -7.5},   {0, kHighGain, 3.75},   {0, kMicPre, 1.0}};

struct RenderCase {
    const char* name;
    const char* pluginId;
    std::size_t channels;
    uint32_t block;
    bool settingsByFlush;  // else as events at time 0 of the first block
    // Changes of values the strip reads per sample, at frames inside blocks.
    std::vector<ParamChange> changes;
};

TEST(ClapRender, EqualsHpiHostRenderSampleForSample) {
    const RenderCase kCases[] = {
        {"block 1", kStereo, 2, 1, true, {{7001, kPreampGain, 12.0}}},
        {"block 64, changes mid-block",
         kStereo,
         2,
         64,
         false,
         {{10010, kPreampGain, 15.0},
          {10010, kOutputTrim, -6.0},
          {15003, kHighGain, -7.5},
          {20001, kMicPre, 0.0}}},
        {"block 4096, oversampling and bypass mid-block",
         kStereo,
         2,
         4096,
         true,
         {{5000, kOversampling, 1.0},
          {13000, kPreampGain, -12.0},
          {17777, kBypass, 0.0},
          {21111, kBypass, 1.0}}},
        {"mono, block 64", kMono, 1, 64, false, {{9999, kOutputTrim, 4.5}}},
    };
    const ScratchFolder folder;
    const Module module(TW_CLAP_MODULE);
    for (const RenderCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Channels input = TestSignal(c.channels, 24000);
        const Channels expected = HpiHostRender(folder, input, c.block, kStartSettings, c.changes);
        ASSERT_EQ(expected.size(), c.channels);

        Instance instance(module, c.pluginId);
        ASSERT_TRUE(instance.Valid());
        std::vector<ParamChange> changes = c.changes;
        if (c.settingsByFlush) {
            instance.Flush(kStartSettings);
            ASSERT_TRUE(instance.Activate(kRate, c.block));
        } else {
            ASSERT_TRUE(instance.Activate(kRate, c.block));
            changes.insert(changes.begin(), kStartSettings.begin(), kStartSettings.end());
        }
        ExpectSameSamples(instance.Render(input, c.block, changes), expected);
    }
}

TEST(ClapRender, FactoryPresetsLoadedThroughPresetLoadSoundAsHpiHostWithTheirSettings) {
    const ScratchFolder folder;
    const Module module(TW_CLAP_MODULE);
    const Channels input = TestSignal(2, 12000);
    for (const FactoryPreset& preset : FactoryPresets()) {
        SCOPED_TRACE(preset.id);
        std::vector<ParamChange> settings;
        for (const FactoryPresetSetting& setting : preset.settings) {
            settings.push_back({0, static_cast<ClapId>(setting.param), setting.value});
        }
        const Channels expected = HpiHostRender(folder, input, 512, settings, {});
        Instance instance(module, kStereo);
        ASSERT_TRUE(instance.Valid());
        const auto* presetLoad = instance.Ext<ClapPluginPresetLoad>(kClapExtPresetLoad);
        ASSERT_NE(presetLoad, nullptr);
        ASSERT_TRUE(instance.Activate(kRate, 512));
        ASSERT_TRUE(presetLoad->fromLocation(instance.Plugin(), kClapPresetLocationPlugin, nullptr,
                                             preset.id));
        EXPECT_EQ(instance.Record().presetsLoaded, std::vector<std::string>{preset.id});
        EXPECT_EQ(instance.Record().rescans, std::vector<uint32_t>{kClapParamRescanValues});
        EXPECT_EQ(instance.Record().dirty, 1);
        ExpectSameSamples(instance.Render(input, 512), expected);
    }
}

TEST(ClapRender, TheStateIsTheBytesHpiHostSaves) {
    const ScratchFolder folder;
    const Channels input = TestSignal(2, 64);
    ASSERT_TRUE(testsupport::WriteFloatWav(folder.File("in.wav"), input));
    std::string command = std::string(TW_HPI_HOST) + " render " + TW_HPI_MODULE + " " +
                          folder.File("in.wav") + " " + folder.File("out.wav") +
                          " --quiet --save-state " + folder.File("state.bin");
    for (const ParamChange& setting : kStartSettings) {
        command += " --set '" + std::string(NameOf(setting.id)) + "=" + Number(setting.value) + "'";
    }
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream file(folder.File("state.bin"), std::ios::binary);
    const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    ASSERT_FALSE(saved.empty());

    const Module module(TW_CLAP_MODULE);
    Instance loaded(module, kStereo);
    ASSERT_TRUE(loaded.Load(saved));
    for (const ParamChange& setting : kStartSettings)
        EXPECT_EQ(loaded.Value(setting.id), setting.value);
    Instance flushed(module, kMono);
    flushed.Flush(kStartSettings);
    EXPECT_EQ(flushed.Save(), saved);
}

#endif

TEST(ClapRender, AnUnknownPresetIsRefusedAndReported) {
    const Module module(TW_CLAP_MODULE);
    Instance instance(module, kStereo);
    ASSERT_TRUE(instance.Valid());
    const auto* presetLoad = instance.Ext<ClapPluginPresetLoad>(kClapExtPresetLoad);
    const double before = instance.Value(kPreampGain);
    EXPECT_FALSE(
        presetLoad->fromLocation(instance.Plugin(), kClapPresetLocationPlugin, nullptr, "no-such"));
    EXPECT_FALSE(presetLoad->fromLocation(instance.Plugin(), kClapPresetLocationFile, "/tmp/x",
                                          "warm-vocal"));
    EXPECT_EQ(instance.Record().presetErrors, (std::vector<std::string>{"no-such", "warm-vocal"}));
    EXPECT_EQ(instance.Value(kPreampGain), before);
}

TEST(ClapRender, ProcessAllocatesNothingWithEventsInsideBlocks) {
    const Module module(TW_CLAP_MODULE);
    Instance instance(module, kStereo);
    ASSERT_TRUE(instance.Valid());
    constexpr uint32_t kBlock = 1024;
    ASSERT_TRUE(instance.Activate(kRate, kBlock));
    Channels input = TestSignal(2, kBlock);
    Channels output(2, std::vector<float>(kBlock));
    float* in[] = {input[0].data(), input[1].data()};
    float* out[] = {output[0].data(), output[1].data()};
    // Oversampling and bypass change the latency and the path; the frame
    // counts include 0 and odd ones.
    const clap_test::InputEvents events({{3, kPreampGain, 9.0},
                                         {100, kOversampling, 1.0},
                                         {517, kBypass, 0.0},
                                         {700, kBypass, 1.0},
                                         {900, kMidFreq, 5.0},
                                         {1000, kOversampling, 0.0}});
    ClapAudioBuffer inBuffer{in, nullptr, 2, 0, 0};
    ClapAudioBuffer outBuffer{out, nullptr, 2, 0, 0};
    ClapProcess process{};
    process.audioInputs = &inBuffer;
    process.audioOutputs = &outBuffer;
    process.audioInputsCount = process.audioOutputsCount = 1;
    process.inEvents = events.List();
    process.outEvents = instance.Out().List();
    const uint32_t kFrames[] = {kBlock, 0, 1, 333, kBlock};
    // A first block outside the count: the host's own first call.
    process.framesCount = kBlock;
    instance.Plugin()->process(instance.Plugin(), &process);
    const test_support::AllocationScope scope;
    for (uint32_t frames : kFrames) {
        process.framesCount = frames;
        EXPECT_EQ(instance.Plugin()->process(instance.Plugin(), &process), kClapProcessContinue);
    }
    EXPECT_EQ(scope.Count(), 0u);
    for (const auto& channel : output) {
        for (float sample : channel) ASSERT_TRUE(std::isfinite(sample));
    }
}

TEST(ClapRender, InPlaceBuffersRenderAsSeparateOnes) {
    const Module module(TW_CLAP_MODULE);
    const Channels input = TestSignal(2, 4096);
    Instance separate(module, kStereo);
    Instance inPlace(module, kStereo);
    ASSERT_TRUE(separate.Activate(kRate, 256) && inPlace.Activate(kRate, 256));
    const std::vector<ParamChange> changes = {{0, kPreampGain, 12.0}, {1000, kHighGain, 6.0}};
    const Channels expected = separate.Render(input, 256, changes);
    Channels buffer = input;
    float* channels[] = {buffer[0].data(), buffer[1].data()};
    for (uint32_t position = 0; position < 4096; position += 256) {
        float* at[] = {channels[0] + position, channels[1] + position};
        std::vector<ParamChange> due;
        for (ParamChange change : changes) {
            if (change.frame >= position && change.frame < position + 256) {
                change.frame -= position;
                due.push_back(change);
            }
        }
        inPlace.ProcessBlock(at, at, 2, 256, due);
    }
    EXPECT_EQ(buffer, expected);
}

TEST(ClapLatency, FollowsTheSwitchesAcrossARestart) {
    struct LatencyCase {
        double oversampling;
        double bypass;
        uint32_t latency;
    };
    const LatencyCase kCases[] = {{0, 1, 16}, {1, 1, 80}, {0, 0, 0}, {1, 0, 0}};
    const Module module(TW_CLAP_MODULE);
    Instance instance(module, kStereo);
    ASSERT_TRUE(instance.Activate(kRate, 512));
    EXPECT_EQ(instance.Latency()->get(instance.Plugin()), 16u);
    const Channels input = TestSignal(2, 512);
    for (const LatencyCase& c : kCases) {
        SCOPED_TRACE(::testing::Message()
                     << "oversampling " << c.oversampling << " bypass " << c.bypass);
        const uint32_t before = instance.Latency()->get(instance.Plugin());
        const int restarts = instance.Record().restarts;
        instance.Render(input, 512,
                        {{100, kOversampling, c.oversampling}, {100, kBypass, c.bypass}});
        // While active the latency stays; a new one asks for a restart.
        EXPECT_EQ(instance.Latency()->get(instance.Plugin()), before);
        EXPECT_EQ(instance.Value(kOversampling), c.oversampling);
        EXPECT_EQ(instance.Record().restarts, restarts + (c.latency != before ? 1 : 0));
        const int changes = instance.Record().latencyChanges;
        instance.Deactivate();
        ASSERT_TRUE(instance.Activate(kRate, 512));
        EXPECT_EQ(instance.Latency()->get(instance.Plugin()), c.latency);
        EXPECT_EQ(instance.Record().latencyChanges, changes + (c.latency != before ? 1 : 0));
    }
}

}  // namespace
