#pragma once
// The built module loaded through lilv, as LV2 hosts load it: one instance
// with its control ports on buffers of its own, sessions saved and restored
// through lilv's state functions.
#include <lilv/lilv.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "lv2_lilv_support.h"
#include "lv2_test_host.h"

namespace lv2_test {

inline constexpr char kStereo[] = "urn:quernstoneworks:tarnwhistle:stereo";
inline constexpr char kMono[] = "urn:quernstoneworks:tarnwhistle:mono";
inline constexpr const char* kSymbols[kNumChannelParams] = {
    "preamp_gain", "output_trim", "highpass", "low_freq", "low_gain",    "mid_freq",
    "mid_gain",    "high_gain",   "enable",   "mic_pre",  "oversampling"};

inline int IndexOfSymbol(const char* symbol) {
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
            lilv_port_get_range(mPlugin, lilv_plugin_get_port_by_index(mPlugin, i), &def, nullptr,
                                nullptr);
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
    // Disconnects control port paramIdx, as a host that does not drive it.
    void Disconnect(int paramIdx) {
        lilv_instance_connect_port(mInstance, static_cast<uint32_t>(paramIdx), nullptr);
    }
    void Deactivate() { lilv_instance_deactivate(mInstance); }
    // Connects any port, the atom ports included (null disconnects).
    void Connect(uint32_t port, void* data) { lilv_instance_connect_port(mInstance, port, data); }
    int Channels() const { return mChannels; }

    // Runs frames frames of the test signal (or of input) in runs of block
    // frames (0: one run); returns the outputs.
    std::vector<std::vector<float>> Render(int frames, int block = 0,
                                           std::vector<std::vector<float>> input = {}) {
        if (input.empty()) {
            input = TestSignal(mChannels, frames);
        }
        std::vector<std::vector<float>> output(
            input.size(), std::vector<float>(static_cast<std::size_t>(frames)));
        const int step = block > 0 ? block : std::max(frames, 1);
        for (int done = 0; done < frames || (frames == 0 && done == 0); done += step) {
            for (int c = 0; c < mChannels; ++c) {
                const auto slot = static_cast<std::size_t>(c);
                lilv_instance_connect_port(mInstance, kNumChannelParams + 1 + c,
                                           input[slot].data() + done);
                lilv_instance_connect_port(mInstance, kNumChannelParams + 1 + mChannels + c,
                                           output[slot].data() + done);
            }
            lilv_instance_run(mInstance, static_cast<uint32_t>(std::min(step, frames - done)));
            if (frames == 0) {
                break;
            }
        }
        return output;
    }

    // The state with the control ports' values, as a host saves a session.
    LilvState* Save() {
        return lilv_state_new_from_instance(
            mPlugin, mInstance, mMap.MapFeatureData(), nullptr, nullptr, nullptr, nullptr,
            GetPortValue, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, mFeatures.List());
    }
    // Restores state; with ports, the saved port values are written too.
    void Restore(const LilvState* state, bool withPorts) {
        lilv_state_restore(state, mInstance, withPorts ? SetPortValue : nullptr, this, 0,
                           mFeatures.List());
    }

    // The Param values as the module itself saves them: what follows the
    // editor state in its state property.
    std::vector<double> StoredValues() {
        const auto* interface = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
        std::vector<uint8_t> bytes;
        interface->save(
            lilv_instance_get_handle(mInstance),
            [](LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t,
               uint32_t) {
                auto* out = static_cast<std::vector<uint8_t>*>(handle);
                out->assign(static_cast<const uint8_t*>(value),
                            static_cast<const uint8_t*>(value) + size);
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
    static const void* GetPortValue(const char* symbol, void* self, uint32_t* size,
                                    uint32_t* type) {
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
    static void SetPortValue(const char* symbol, void* self, const void* value, uint32_t size,
                             uint32_t type) {
        auto* instance = static_cast<LoadedInstance*>(self);
        const int index = IndexOfSymbol(symbol);
        if (index >= 0 && size == sizeof(float) && type == instance->mMap.Map(LV2_ATOM__Float)) {
            std::memcpy(&instance->mControls[static_cast<std::size_t>(index)], value,
                        sizeof(float));
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

}  // namespace lv2_test
