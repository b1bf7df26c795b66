#pragma once
// A minimal LV2 host for the tests: a URID map, a feature list, and an
// instance of one of the module's descriptors (linked into the test, so the
// handle is the Tarnwhistle object itself) with its ports connected to
// buffers the test owns.
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "product/channel_parameters.h"
#include "product/module/lv2/lv2_module.h"
#include "tarnwhistle.h"

namespace lv2_test {

inline constexpr uint32_t kMonoIndex = 0;
inline constexpr uint32_t kStereoIndex = 1;
inline constexpr int kLatencyPort = kNumChannelParams;

// URIs to URIDs, 1 upwards, and back.
class UridMap {
public:
    UridMap() {
        mMap.handle = this;
        mMap.map = [](LV2_URID_Map_Handle handle, const char* uri) {
            return static_cast<UridMap*>(handle)->Map(uri);
        };
        mUnmap.handle = this;
        mUnmap.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
            return static_cast<UridMap*>(handle)->Unmap(urid);
        };
    }
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID Map(const char* uri) {
        const auto [at, added] = mIds.emplace(uri, static_cast<LV2_URID>(mUris.size() + 1));
        if (added) {
            mUris.push_back(uri);
        }
        return at->second;
    }
    const char* Unmap(LV2_URID urid) const {
        return urid >= 1 && urid <= mUris.size() ? mUris[urid - 1].c_str() : nullptr;
    }
    LV2_URID_Map* MapFeatureData() { return &mMap; }
    LV2_URID_Unmap* UnmapFeatureData() { return &mUnmap; }

private:
    std::map<std::string, LV2_URID> mIds;
    std::vector<std::string> mUris;
    LV2_URID_Map mMap{};
    LV2_URID_Unmap mUnmap{};
};

// The features an instance gets: the URID map (unless left out), when a
// length is given the block lengths as options, and any extra feature.
class Features {
public:
    Features(UridMap& map, bool withMap, int32_t maxBlockLength = 0, int32_t nominalBlockLength = 0,
             const LV2_Feature* extra = nullptr)
        : mMaxBlockLength(maxBlockLength), mNominalBlockLength(nominalBlockLength) {
        mMapFeature = {LV2_URID__map, map.MapFeatureData()};
        mUnmapFeature = {LV2_URID__unmap, map.UnmapFeatureData()};
        const LV2_URID intType = map.Map(LV2_ATOM__Int);
        if (maxBlockLength != 0) {
            mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, map.Map(LV2_BUF_SIZE__maxBlockLength),
                                sizeof(int32_t), intType, &mMaxBlockLength});
        }
        if (nominalBlockLength != 0) {
            mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, map.Map(LV2_BUF_SIZE__nominalBlockLength),
                                sizeof(int32_t), intType, &mNominalBlockLength});
        }
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
        mOptionsFeature = {LV2_OPTIONS__options, mOptions.data()};
        if (withMap) {
            mList.push_back(&mMapFeature);
            mList.push_back(&mUnmapFeature);
        }
        if (mOptions.size() > 1) {
            mList.push_back(&mOptionsFeature);
        }
        if (extra != nullptr) {
            mList.push_back(extra);
        }
        mList.push_back(nullptr);
    }
    Features(const Features&) = delete;
    Features& operator=(const Features&) = delete;

    const LV2_Feature* const* List() const { return mList.data(); }

private:
    int32_t mMaxBlockLength;
    int32_t mNominalBlockLength;
    LV2_Feature mMapFeature{};
    LV2_Feature mUnmapFeature{};
    LV2_Feature mOptionsFeature{};
    std::vector<LV2_Options_Option> mOptions;
    std::vector<const LV2_Feature*> mList;
};

// One instance of a descriptor of the linked module, activated, with its
// control ports at the Params' defaults and the latency output connected.
// Audio ports are connected per Run call.
class Instance {
public:
    Instance(uint32_t descriptorIndex, UridMap& map, double sampleRate = 48000.0,
             int32_t maxBlockLength = 0, bool withMap = true, const LV2_Feature* extra = nullptr)
        : mFeatures(map, withMap, maxBlockLength, 0, extra),
          mDescriptor(lv2_descriptor(descriptorIndex)) {
        mHandle = mDescriptor->instantiate(mDescriptor, sampleRate, "/nowhere/", mFeatures.List());
        if (mHandle == nullptr) {
            return;
        }
        for (int i = 0; i < kNumChannelParams; ++i) {
            mControls[static_cast<std::size_t>(i)] =
                static_cast<float>(Plug().GetParam(i)->Default());
            mDescriptor->connect_port(mHandle, static_cast<uint32_t>(i),
                                      &mControls[static_cast<std::size_t>(i)]);
        }
        mDescriptor->connect_port(mHandle, kLatencyPort, &mLatency);
        mDescriptor->activate(mHandle);
    }
    ~Instance() {
        if (mHandle != nullptr) {
            mDescriptor->deactivate(mHandle);
            mDescriptor->cleanup(mHandle);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool Valid() const { return mHandle != nullptr; }
    Tarnwhistle& Plug() { return *static_cast<Tarnwhistle*>(static_cast<LV2Adapter*>(mHandle)); }
    float& Control(int paramIdx) { return mControls[static_cast<std::size_t>(paramIdx)]; }
    float Latency() const { return mLatency; }
    int Channels() const { return mDescriptor == lv2_descriptor(kMonoIndex) ? 1 : 2; }

    // Connects channel c of inputs and outputs (null entries too) and runs.
    void Run(const std::vector<float*>& inputs, const std::vector<float*>& outputs,
             uint32_t frames) {
        const uint32_t firstInput = kLatencyPort + 1;
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            mDescriptor->connect_port(mHandle, firstInput + static_cast<uint32_t>(c), inputs[c]);
        }
        const uint32_t firstOutput = firstInput + static_cast<uint32_t>(inputs.size());
        for (std::size_t c = 0; c < outputs.size(); ++c) {
            mDescriptor->connect_port(mHandle, firstOutput + static_cast<uint32_t>(c), outputs[c]);
        }
        mDescriptor->run(mHandle, frames);
    }

    // Connects any port, the atom ports included (null disconnects).
    void Connect(uint32_t port, void* data) { mDescriptor->connect_port(mHandle, port, data); }

    void Reactivate() {
        mDescriptor->deactivate(mHandle);
        mDescriptor->activate(mHandle);
    }

    // The extension data of uri, as the host asks for it.
    const void* ExtensionData(const char* uri) const { return mDescriptor->extension_data(uri); }

    const LV2_State_Interface* State() const {
        return static_cast<const LV2_State_Interface*>(
            mDescriptor->extension_data(LV2_STATE__interface));
    }
    LV2_Handle Handle() const { return mHandle; }

private:
    Features mFeatures;
    const LV2_Descriptor* mDescriptor;
    LV2_Handle mHandle = nullptr;
    std::array<float, kNumChannelParams> mControls{};
    float mLatency = -1.0f;
};

// Channels of frames samples of a deterministic signal near -6 dBFS.
inline std::vector<std::vector<float>> TestSignal(int channels, int frames) {
    std::vector<std::vector<float>> signal(static_cast<std::size_t>(channels),
                                           std::vector<float>(static_cast<std::size_t>(frames)));
    uint32_t noise = 0x2468ace1u;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double white = (static_cast<double>(noise >> 8) / 16777216.0) * 2.0 - 1.0;
            const double tone = std::sin(0.013 * f * (c + 1)) * 0.3;
            signal[static_cast<std::size_t>(c)][static_cast<std::size_t>(f)] =
                static_cast<float>(tone + 0.1 * white);
        }
    }
    return signal;
}

inline std::vector<float*> Pointers(std::vector<std::vector<float>>& buffers) {
    std::vector<float*> pointers;
    for (auto& buffer : buffers) {
        pointers.push_back(buffer.data());
    }
    return pointers;
}

}  // namespace lv2_test
