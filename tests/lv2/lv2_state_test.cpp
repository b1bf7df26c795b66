// Sessions through lilv, as LV2 hosts keep them: after a restore the built
// module sounds as its control ports say, its first block starts at them,
// and a state saved by an earlier build still restores.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "lv2_lilv_instance.h"
#include "lv2_lilv_support.h"
#include "lv2_test_host.h"

namespace {

using lv2_test::kMono;
using lv2_test::kStereo;
using lv2_test::LilvTestWorld;
using lv2_test::LoadedInstance;
using lv2_test::Pointers;
using lv2_test::TestSignal;
using lv2_test::UridMap;

// A stereo instance of the built module with these control values, activated.
void Start(LoadedInstance& instance, const float (&settings)[kNumChannelParams]) {
    for (int i = 0; i < kNumChannelParams; ++i) {
        instance.Control(i) = settings[i];
    }
    instance.Activate();
}

const float kSaved[kNumChannelParams] = {9.5f, -12.0f, 2, 3, 6.5f, 4, -7.5f, 3.5f, 1, 1, 1};
const float kDefaults[kNumChannelParams] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};

// After a restore the plug-in sounds as its control ports say: the saved
// values when the host restores the ports with the state, whatever the ports
// hold otherwise, and a value the user sets afterwards.
TEST(LV2Session, AfterARestoreThePluginSoundsAsItsControlPortsSay) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    LoadedInstance saved(world, map, kStereo);
    ASSERT_TRUE(saved.Valid());
    Start(saved, kSaved);
    saved.Render(300);
    LilvState* state = saved.Save();
    ASSERT_NE(state, nullptr);

    struct Case {
        const char* what;
        bool portsRestored;
        float trimAfterwards;  // NaN: left as it is
        float expectedTrim;
        const float (&sounding)[kNumChannelParams];  // the other ports
    };
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    const Case kCases[] = {
        {"ports restored with the state", true, kNaN, -12.0f, kSaved},
        {"ports restored, then the trim moved", true, 0.0f, 0.0f, kSaved},
        {"ports left at their defaults", false, kNaN, 0.0f, kDefaults},
        {"ports left, the trim set to its old value again", false, 0.0f, 0.0f, kDefaults},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        float expected[kNumChannelParams];
        std::copy(std::begin(c.sounding), std::end(c.sounding), expected);
        expected[kOutputTrim] = c.expectedTrim;
        LoadedInstance reference(world, map, kStereo);
        Start(reference, expected);
        const auto sound = reference.Render(4000);

        // Restored before activation, as hosts load a session...
        LoadedInstance restored(world, map, kStereo);
        ASSERT_TRUE(restored.Valid());
        restored.Restore(state, c.portsRestored);
        if (!std::isnan(c.trimAfterwards)) {
            restored.Control(kOutputTrim) = c.trimAfterwards;
        }
        restored.Activate();
        EXPECT_EQ(restored.Render(4000), sound);
        EXPECT_EQ(restored.StoredValues()[kOutputTrim], c.expectedTrim);

        // ... and into a running instance, as a host loads a preset.
        LoadedInstance running(world, map, kStereo);
        Start(running, kDefaults);
        running.Render(64);
        running.Restore(state, c.portsRestored);
        if (!std::isnan(c.trimAfterwards)) {
            running.Control(kOutputTrim) = c.trimAfterwards;
        }
        running.Render(64);
        const std::vector<double> values = running.StoredValues();
        for (int i = 0; i < kNumChannelParams; ++i) {
            EXPECT_EQ(values[static_cast<std::size_t>(i)], expected[i]) << lv2_test::kSymbols[i];
        }
    }
    lilv_state_free(state);
}

// The chunk's values stand for a parameter whose port the host leaves
// unconnected.
TEST(LV2Session, ARestoreSetsTheParametersTheHostDoesNotDrive) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    LoadedInstance saved(world, map, kStereo);
    Start(saved, kSaved);
    saved.Render(64);
    LilvState* state = saved.Save();
    ASSERT_NE(state, nullptr);
    LoadedInstance restored(world, map, kStereo);
    restored.Disconnect(kPreampGain);
    restored.Restore(state, false);
    restored.Activate();
    restored.Render(64);
    EXPECT_EQ(restored.StoredValues()[kPreampGain], 9.5);
    EXPECT_EQ(restored.StoredValues()[kOutputTrim], 0.0);
    lilv_state_free(state);
}

// The first block after activation starts at the control values: renders in
// runs of 64 and 4096 frames agree from frame 0, and neither glides from the
// defaults.
TEST(LV2Session, TheFirstBlockStartsAtTheControlValuesWhateverTheBlockSize) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    const float kSettings[kNumChannelParams] = {6, 3, 0, 2, 5, 3, 12, -4, 1, 0, 0};
    LoadedInstance small(world, map, kStereo);
    Start(small, kSettings);
    const auto bySmallRuns = small.Render(8192, 64);
    LoadedInstance large(world, map, kStereo);
    Start(large, kSettings);
    const auto byLargeRuns = large.Render(8192, 4096);
    ASSERT_EQ(bySmallRuns.size(), byLargeRuns.size());
    for (std::size_t c = 0; c < bySmallRuns.size(); ++c) {
        for (std::size_t f = 0; f < bySmallRuns[c].size(); ++f) {
            ASSERT_NEAR(bySmallRuns[c][f], byLargeRuns[c][f], 1e-6f)
                << "channel " << c << " frame " << f;
        }
    }
    LoadedInstance flat(world, map, kStereo);
    Start(flat, kDefaults);
    EXPECT_NE(flat.Render(64), large.Render(64));
}

TEST(LV2Session, AStateSavedByTheFirstLV2BuildStillRestores) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    LilvNode* subject = lilv_new_uri(world.World(), "urn:quernstoneworks:tarnwhistle:test-state");
    LilvState* state =
        lilv_state_new_from_file(world.World(), map.MapFeatureData(), subject,
                                 TW_LV2_TEST_DATA_DIR "/tarnwhistle_7_0_0_state.ttl");
    lilv_node_free(subject);
    ASSERT_NE(state, nullptr);
    // Its enable switch was saved as "bypass"; it was on, as the default is.
    const std::vector<double> kValues = {7.5, -1.5, 3, 2, -4.5, 5, 6, -2, 1, 1, 1};
    for (const char* uri : {kStereo, kMono}) {
        SCOPED_TRACE(uri);
        LoadedInstance instance(world, map, uri);
        ASSERT_TRUE(instance.Valid());
        instance.Restore(state, true);
        EXPECT_EQ(instance.StoredValues(), kValues);
        instance.Activate();
        instance.Render(64);
        EXPECT_EQ(instance.Latency(), 80.0f);
        EXPECT_EQ(instance.StoredValues(), kValues);
    }
    lilv_state_free(state);
}

}  // namespace
