// Each factory preset, applied through lilv as hosts' preset menus apply it,
// renders what `hpi-host render` renders from the same file with the same
// settings given as --set options.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "factory_presets.h"
#include "lv2_lilv_instance.h"

namespace {

#if defined(TW_HPI_HOST)

using lv2_test::LoadedInstance;
using lv2_test::UridMap;

constexpr int kFrames = 24000;
constexpr int kBlock = 512;

bool WriteWav(const std::string& path, const std::vector<std::vector<float>>& channels) {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = static_cast<int>(channels.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    std::vector<float> interleaved;
    for (std::size_t f = 0; f < channels[0].size(); ++f) {
        for (const auto& channel : channels) {
            interleaved.push_back(channel[f]);
        }
    }
    const sf_count_t frames = static_cast<sf_count_t>(channels[0].size());
    const bool written = sf_writef_float(file, interleaved.data(), frames) == frames;
    sf_close(file);
    return written;
}

std::vector<std::vector<float>> ReadWav(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels < 1) {
        return {};
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    std::vector<std::vector<float>> channels(static_cast<std::size_t>(info.channels));
    for (std::size_t i = 0; i < interleaved.size(); ++i) {
        channels[i % channels.size()].push_back(interleaved[i]);
    }
    return channels;
}

std::string HpiHostCommand(const FactoryPreset& preset, const std::string& in,
                           const std::string& out) {
    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    std::string command = std::string(TW_HPI_HOST) + " render " + TW_HPI_MODULE + " " + in + " " +
                          out + " --quiet --block " + std::to_string(kBlock);
    for (const FactoryPresetSetting& setting : preset.settings) {
        char value[32];
        std::snprintf(value, sizeof value, "%g", setting.value);
        command +=
            " --set '" + std::string(params.GetParam(setting.param)->Name()) + "=" + value + "'";
    }
    return command;
}

TEST(LV2FactoryPresets, EachAppliedThroughLilvRendersAsHpiHostWithTheSameSettings) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tw_lv2_presets_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string in = (folder / "in.wav").string();
    const auto input = lv2_test::TestSignal(2, kFrames);
    ASSERT_TRUE(WriteWav(in, input));

    lv2_test::LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    for (const FactoryPreset& preset : FactoryPresets()) {
        SCOPED_TRACE(preset.id);
        const std::string out = (folder / (std::string(preset.id) + ".wav")).string();
        ASSERT_EQ(std::system(HpiHostCommand(preset, in, out).c_str()), 0);
        const auto expected = ReadWav(out);
        ASSERT_EQ(expected.size(), 2u);
        ASSERT_EQ(expected[0].size(), static_cast<std::size_t>(kFrames));

        LilvNode* uri = lilv_new_uri(
            world.World(),
            (std::string("urn:quernstoneworks:tarnwhistle:preset:") + preset.id).c_str());
        lilv_world_load_resource(world.World(), uri);
        LilvState* state = lilv_state_new_from_world(world.World(), map.MapFeatureData(), uri);
        lilv_node_free(uri);
        ASSERT_NE(state, nullptr);
        // Applied before the first block, as a host restores a session:
        // hpi-host sets its values between initialisation and its first block
        // too, so both strips start on them.
        LoadedInstance instance(world, map, lv2_test::kStereo);
        ASSERT_TRUE(instance.Valid());
        instance.Activate();
        instance.Restore(state, true);
        lilv_state_free(state);
        const auto rendered = instance.Render(kFrames, kBlock, input);
        for (std::size_t c = 0; c < 2; ++c) {
            ASSERT_EQ(rendered[c].size(), expected[c].size());
            for (std::size_t f = 0; f < rendered[c].size(); ++f) {
                ASSERT_NEAR(rendered[c][f], expected[c][f], 1e-6f)
                    << "channel " << c << " frame " << f;
            }
        }
    }
    std::filesystem::remove_all(folder);
}

#endif

}  // namespace
