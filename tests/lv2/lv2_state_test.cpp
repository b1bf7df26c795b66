// Sessions through lilv, as LV2 hosts keep them: the built module saves its
// state, a new instance restores it and plays exactly alike; and a state
// saved by an earlier build still restores.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "lv2_lilv_support.h"
#include "lv2_test_host.h"

namespace {

using lv2_test::LilvTestWorld;
using lv2_test::Pointers;
using lv2_test::TestSignal;
using lv2_test::UridMap;

const char kStereo[] = "urn:quernstoneworks:tarnwhistle:stereo";
const char kMono[] = "urn:quernstoneworks:tarnwhistle:mono";
const char* const kSymbols[kNumChannelParams] = {"preamp_gain", "output_trim", "highpass",  "low_freq",
                                                 "low_gain",    "mid_freq",    "mid_gain",  "high_gain",
                                                 "bypass",      "mic_pre",     "oversampling"};

int IndexOfSymbol(const char* symbol) {
    for (int i = 0; i < kNumChannelParams; ++i) {
        if (std::strcmp(kSymbols[i], symbol) == 0) {
            return i;
        }
    }
    return -1;
}

// One instance of the built module, loaded by lilv, with its ports on
// buffers of its own.
class LoadedInstance {
public:
    LoadedInstance(LilvTestWorld& world, UridMap& map, const char* uri)
        : mMap(map), mPlugin(world.Plugin(uri)), mFeatures(map, true) {
        if (mPlugin == nullptr) {
            return;
        }
        mChannels = std::strcmp(uri, kMono) == 0 ? 1 : 2;
        mInstance = lilv_plugin_instantiate(mPlugin, 48000.0, mFeatures.List());
        if (mInstance == nullptr) {
            return;
        }
        LilvNode* def = nullptr;
        for (uint32_t i = 0; i < kNumChannelParams; ++i) {
            lilv_port_get_range(mPlugin, lilv_plugin_get_port_by_index(mPlugin, i), &def, nullptr, nullptr);
            mControls[i] = lilv_node_as_float(def);
            lilv_node_free(def);
            lilv_instance_connect_port(mInstance, i, &mControls[i]);
        }
        lilv_instance_connect_port(mInstance, kNumChannelParams, &mLatency);
    }
    ~LoadedInstance() {
        if (mInstance != nullptr) {
            lilv_instance_free(mInstance);
        }
    }
    LoadedInstance(const LoadedInstance&) = delete;
    LoadedInstance& operator=(const LoadedInstance&) = delete;

    bool Valid() const { return mInstance != nullptr; }
    float& Control(int paramIdx) { return mControls[static_cast<std::size_t>(paramIdx)]; }
    float Latency() const { return mLatency; }
    void Activate() { lilv_instance_activate(mInstance); }
    void Deactivate() { lilv_instance_deactivate(mInstance); }

    std::vector<std::vector<float>> Render(int frames) {
        auto input = TestSignal(mChannels, frames);
        std::vector<std::vector<float>> output(input.size(), std::vector<float>(static_cast<std::size_t>(frames)));
        for (int c = 0; c < mChannels; ++c) {
            lilv_instance_connect_port(mInstance, kNumChannelParams + 1 + c, input[static_cast<std::size_t>(c)].data());
            lilv_instance_connect_port(mInstance, kNumChannelParams + 1 + mChannels + c,
                                       output[static_cast<std::size_t>(c)].data());
        }
        lilv_instance_run(mInstance, static_cast<uint32_t>(frames));
        return output;
    }

    // The state with the control ports' values, as a host saves a session.
    LilvState* Save() {
        return lilv_state_new_from_instance(mPlugin, mInstance, mMap.MapFeatureData(), nullptr, nullptr, nullptr,
                                            nullptr, GetPortValue, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                            mFeatures.List());
    }
    // Restores state; with ports, the saved port values are written too.
    void Restore(const LilvState* state, bool withPorts) {
        lilv_state_restore(state, mInstance, withPorts ? SetPortValue : nullptr, this, 0, mFeatures.List());
    }

    // The Param values as the module itself saves them: what follows the
    // editor state in its state property.
    std::vector<double> StoredValues() {
        const auto* interface = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
        std::vector<uint8_t> bytes;
        interface->save(lilv_instance_get_handle(mInstance),
                        [](LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t, uint32_t) {
                            auto* out = static_cast<std::vector<uint8_t>*>(handle);
                            out->assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
                            return LV2_STATE_SUCCESS;
                        },
                        &bytes, 0, mFeatures.List());
        std::vector<double> values;
        for (std::size_t at = 12; at + 8 <= bytes.size(); at += 8) {
            double value = 0.0;
            std::memcpy(&value, bytes.data() + at, 8);
            values.push_back(value);
        }
        return values;
    }

private:
    static const void* GetPortValue(const char* symbol, void* self, uint32_t* size, uint32_t* type) {
        auto* instance = static_cast<LoadedInstance*>(self);
        const int index = IndexOfSymbol(symbol);
        if (index < 0) {
            *size = 0;
            *type = 0;
            return nullptr;
        }
        *size = sizeof(float);
        *type = instance->mMap.Map(LV2_ATOM__Float);
        return &instance->mControls[static_cast<std::size_t>(index)];
    }
    static void SetPortValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type) {
        auto* instance = static_cast<LoadedInstance*>(self);
        const int index = IndexOfSymbol(symbol);
        if (index >= 0 && size == sizeof(float) && type == instance->mMap.Map(LV2_ATOM__Float)) {
            std::memcpy(&instance->mControls[static_cast<std::size_t>(index)], value, sizeof(float));
        }
    }

    UridMap& mMap;
    const LilvPlugin* mPlugin;
    lv2_test::Features mFeatures;
    LilvInstance* mInstance = nullptr;
    int mChannels = 2;
    std::array<float, kNumChannelParams> mControls{};
    float mLatency = -1.0f;
};

TEST(LV2Session, ARestoredInstancePlaysExactlyLikeOneSetUpWithTheSavedSettings) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    const float kSettings[kNumChannelParams] = {9.5f, -4.0f, 2, 3, 6.5f, 4, -7.5f, 3.5f, 1, 1, 1};

    LoadedInstance saved(world, map, kStereo);
    ASSERT_TRUE(saved.Valid());
    for (int i = 0; i < kNumChannelParams; ++i) {
        saved.Control(i) = kSettings[i];
    }
    saved.Activate();
    saved.Render(300);
    LilvState* state = saved.Save();
    ASSERT_NE(state, nullptr);

    // The reference starts on the settings without a glide: applied by an
    // empty run, then processing restarted on them.
    LoadedInstance reference(world, map, kStereo);
    ASSERT_TRUE(reference.Valid());
    for (int i = 0; i < kNumChannelParams; ++i) {
        reference.Control(i) = kSettings[i];
    }
    reference.Activate();
    reference.Render(0);
    reference.Deactivate();
    reference.Activate();
    const auto expected = reference.Render(4000);
    EXPECT_EQ(reference.Latency(), 80.0f);

    for (const bool withPorts : {true, false}) {
        SCOPED_TRACE(withPorts ? "ports restored too" : "ports left at their defaults");
        LoadedInstance restored(world, map, kStereo);
        ASSERT_TRUE(restored.Valid());
        restored.Restore(state, withPorts);
        restored.Activate();
        EXPECT_EQ(restored.Render(4000), expected);
        EXPECT_EQ(restored.Latency(), 80.0f);
        EXPECT_EQ(restored.Control(kPreampGain), withPorts ? 9.5f : 0.0f);
    }
    lilv_state_free(state);
}

TEST(LV2Session, AStateSavedByTheFirstLV2BuildStillRestores) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    UridMap map;
    LilvNode* subject = lilv_new_uri(world.World(), "urn:quernstoneworks:tarnwhistle:test-state");
    LilvState* state = lilv_state_new_from_file(world.World(), map.MapFeatureData(), subject,
                                                TW_LV2_TEST_DATA_DIR "/tarnwhistle_7_0_0_state.ttl");
    lilv_node_free(subject);
    ASSERT_NE(state, nullptr);
    const std::vector<double> kValues = {7.5, -1.5, 3, 2, -4.5, 5, 6, -2, 1, 1, 1};
    for (const char* uri : {kStereo, kMono}) {
        SCOPED_TRACE(uri);
        LoadedInstance instance(world, map, uri);
        ASSERT_TRUE(instance.Valid());
        instance.Restore(state, false);
        EXPECT_EQ(instance.StoredValues(), kValues);
        instance.Activate();
        instance.Render(64);
        EXPECT_EQ(instance.Latency(), 80.0f);
        EXPECT_EQ(instance.StoredValues(), kValues);   // the default ports did not overwrite them
    }
    lilv_state_free(state);
}

}  // namespace
