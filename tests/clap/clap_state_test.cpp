// Tarnwhistle.clap's state through our CLAP test host: the state moves
// between two instances through streams that take and give a few bytes at a
// time, and a damaged stream is refused with the instance left exactly as it
// was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "clap_test_host.h"
#include "product/channel_parameters.h"

namespace {

using clap_test::Instance;
using clap_test::Module;
using clap_test::ParamChange;

constexpr char kStereo[] = "com.quernstoneworks.tarnwhistle.stereo";
constexpr char kMono[] = "com.quernstoneworks.tarnwhistle.mono";

// A value away from the default for every parameter.
const std::vector<ParamChange> kSettings = {
    {0, kPreampGain, -7.25}, {0, kOutputTrim, 2.5}, {0, kHighPass, 4},    {0, kLowFreq, 1},
    {0, kLowGain, -15},      {0, kMidFreq, 6},      {0, kMidGain, 11.5},  {0, kHighGain, 0.5},
    {0, kBypass, 0},         {0, kMicPre, 1},       {0, kOversampling, 1}};

std::vector<double> Values(const Instance& instance) {
    std::vector<double> values;
    for (ClapId id = 0; id < kNumChannelParams; ++id) values.push_back(instance.Value(id));
    return values;
}

TEST(ClapState, MovesBetweenInstancesThroughStreamsOfAFewBytes) {
    const Module module(TW_CLAP_MODULE);
    Instance source(module, kStereo);
    Instance target(module, kMono);
    ASSERT_TRUE(source.Valid() && target.Valid());
    source.Flush(kSettings);
    bool saved = false;
    const std::vector<uint8_t> state = source.Save(7, &saved);
    ASSERT_TRUE(saved);
    EXPECT_EQ(source.Save(), state) << "two saves of the same settings differ";

    ASSERT_TRUE(target.Load(state, 3));
    EXPECT_EQ(Values(target), Values(source));
    EXPECT_EQ(target.Save(), state);
    EXPECT_EQ(target.Record().rescans, std::vector<uint32_t>{kClapParamRescanValues});
}

TEST(ClapState, ALoadWhileProcessingReachesTheAudio) {
    const Module module(TW_CLAP_MODULE);
    Instance source(module, kStereo);
    source.Flush({{0, kOutputTrim, -24.0}, {0, kBypass, 1}});
    const std::vector<uint8_t> quiet = source.Save();
    Instance running(module, kStereo);
    ASSERT_TRUE(running.Activate(48000.0, 256));
    const clap_test::Channels loud(2, std::vector<float>(48000, 0.5f));
    const auto before = running.Render(loud, 256);
    ASSERT_TRUE(running.Load(quiet));
    const auto after = running.Render(loud, 256);
    // -24 dB after the trim's glide: well under half the level before.
    EXPECT_LT(std::fabs(after[0].back()), 0.5f * std::fabs(before[0].back()));
}

TEST(ClapState, ASaveIntoAFailingStreamAnswersFalse) {
    const Module module(TW_CLAP_MODULE);
    Instance instance(module, kStereo);
    ClapOutputStream failing{
        nullptr, [](const ClapOutputStream*, const void*, uint64_t) { return int64_t{-1}; }};
    EXPECT_FALSE(instance.State()->save(instance.Plugin(), &failing));
    ClapOutputStream stuck{
        nullptr, [](const ClapOutputStream*, const void*, uint64_t) { return int64_t{0}; }};
    EXPECT_FALSE(instance.State()->save(instance.Plugin(), &stuck));
}

void PutDouble(std::vector<uint8_t>& state, int param, double value) {
    // The values close the state, one double per parameter.
    const std::size_t at = state.size() - 8 * (kNumChannelParams - param);
    std::memcpy(state.data() + at, &value, sizeof value);
}

struct DamagedState {
    const char* fault;
    std::function<void(std::vector<uint8_t>&)> damage;
    uint64_t failAt = UINT64_MAX;  // the stream answers -1 from this byte on
};

TEST(ClapState, ADamagedStreamIsRefusedAndChangesNothing) {
    const DamagedState kFixtures[] = {
        {"empty", [](auto& s) { s.clear(); }},
        {"truncated by one byte", [](auto& s) { s.pop_back(); }},
        {"truncated to the editor size", [](auto& s) { s.resize(12); }},
        {"one byte too many", [](auto& s) { s.push_back(0); }},
        {"garbage",
         [](auto& s) {
             uint32_t x = 99;
             for (auto& byte : s) byte = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
         }},
        {"a value that is no number",
         [](auto& s) { PutDouble(s, kLowGain, std::numeric_limits<double>::quiet_NaN()); }},
        {"a value out of range", [](auto& s) { PutDouble(s, kPreampGain, 100.0); }},
        {"a selection between positions", [](auto& s) { PutDouble(s, kMidFreq, 2.5); }},
        {"a read error half-way", [](auto&) {}, 50},
    };
    const Module module(TW_CLAP_MODULE);
    Instance source(module, kStereo);
    source.Flush(kSettings);
    const std::vector<uint8_t> good = source.Save();
    for (const DamagedState& fixture : kFixtures) {
        SCOPED_TRACE(fixture.fault);
        Instance target(module, kStereo);
        target.Flush({{0, kPreampGain, 3.0}, {0, kHighPass, 1}});
        const std::vector<double> before = Values(target);
        const std::vector<uint8_t> stateBefore = target.Save();
        std::vector<uint8_t> damaged = good;
        fixture.damage(damaged);
        EXPECT_FALSE(target.Load(damaged, 5, fixture.failAt));
        EXPECT_EQ(Values(target), before);
        EXPECT_EQ(target.Save(), stateBefore);
        EXPECT_TRUE(target.Record().rescans.empty());
        EXPECT_EQ(target.Record().logs.size(), 1u) << "the host's log hears why";
    }
}

}  // namespace
