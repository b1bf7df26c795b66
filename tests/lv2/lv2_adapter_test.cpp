// The LV2 adapter under Tarnwhistle, driven through the module's own
// descriptors in this process: control ports reaching the Params, the
// latency output, block lengths, port wiring, real-time behaviour and the
// state interface.
#include "lv2/lv2_adapter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "allocation_counter.h"
#include "core/byte_chunk.h"
#include "lv2_test_host.h"

namespace {

using lv2_test::Instance;
using lv2_test::kMonoIndex;
using lv2_test::kStereoIndex;
using lv2_test::Pointers;
using lv2_test::TestSignal;
using lv2_test::UridMap;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Runs a stereo or mono block of the test signal; returns the outputs.
std::vector<std::vector<float>> Render(Instance& instance, int frames, int offset = 0) {
    auto input = TestSignal(instance.Channels(), frames + offset);
    for (auto& channel : input) {
        channel.erase(channel.begin(), channel.begin() + offset);
    }
    std::vector<std::vector<float>> output(input.size(),
                                           std::vector<float>(static_cast<std::size_t>(frames)));
    instance.Run(Pointers(input), Pointers(output), static_cast<uint32_t>(frames));
    return output;
}

// Applies the control ports, then restarts processing on them, so what
// follows does not depend on how settings glided in.
void Settle(Instance& instance) {
    instance.Run({nullptr, nullptr}, {nullptr, nullptr}, 0);
    instance.Reactivate();
}

// ---- control ports -----------------------------------------------------------------

struct PortCase {
    const char* what;
    int param;
    float first;   // written and run before
    float second;  // then this
    double expected;
};

const PortCase kPortCases[] = {
    {"a value in range", kPreampGain, 0.0f, 6.0f, 6.0},
    {"above the range", kPreampGain, 0.0f, 30.0f, 24.0},
    {"+inf", kOutputTrim, 0.0f, kInf, 24.0},
    {"-inf", kOutputTrim, 0.0f, -kInf, -24.0},
    {"NaN keeps the value", kLowGain, 5.0f, kNaN, 5.0},
    {"an integer between steps", kHighPass, 0.0f, 2.6f, 3.0},
    {"an integer below the range", kMidFreq, 3.0f, -1.0f, 0.0},
    {"a switch beyond 1", kOversampling, 0.0f, 7.0f, 1.0},
};

TEST(LV2ControlPorts, ReachTheParamsRestrictedAndNeverNonFinite) {
    UridMap map;
    for (const PortCase& c : kPortCases) {
        SCOPED_TRACE(c.what);
        Instance instance(kStereoIndex, map);
        ASSERT_TRUE(instance.Valid());
        instance.Control(c.param) = c.first;
        Render(instance, 64);
        instance.Control(c.param) = c.second;
        const auto output = Render(instance, 64);
        EXPECT_EQ(instance.Plug().GetParam(c.param)->GetValue(), c.expected);
        for (const auto& channel : output) {
            for (const float sample : channel) {
                ASSERT_TRUE(std::isfinite(sample));
            }
        }
    }
}

TEST(LV2ControlPorts, ChangedPortsReachTheEngineSettings) {
    UridMap map;
    Instance instance(kStereoIndex, map);
    instance.Control(kHighPass) = 4.0f;
    instance.Control(kOversampling) = 1.0f;
    instance.Control(kOutputTrim) = 20.0f;
    Render(instance, 16);
    const EngineSettings& settings = instance.Plug().Settings();
    EXPECT_EQ(settings.highPassSelection.load(), 4);
    EXPECT_EQ(settings.oversamplingPasses.load(), 2);
    EXPECT_DOUBLE_EQ(settings.trimTarget.load(), std::pow(10.0, 20.0 / 20.0));
}

TEST(LV2ControlPorts, AnUnchangedPortDoesNotOverwriteAValueSetElsewhere) {
    UridMap map;
    Instance instance(kStereoIndex, map);
    instance.Control(kPreampGain) = 6.0f;
    Render(instance, 32);
    instance.Plug().GetParam(kPreampGain)->SetValue(-3.0);
    Render(instance, 32);
    EXPECT_EQ(instance.Plug().GetParam(kPreampGain)->GetValue(), -3.0);
    instance.Control(kPreampGain) = 7.0f;
    Render(instance, 32);
    EXPECT_EQ(instance.Plug().GetParam(kPreampGain)->GetValue(), 7.0);
}

// ---- latency ------------------------------------------------------------------------

TEST(LV2Latency, TheOutputCarriesTheEnginesLatencyEvenForAnEmptyRun) {
    struct Case {
        float oversampling;
        float bypass;
        float latency;
    };
    const Case kCases[] = {{0, 1, 16}, {1, 1, 80}, {0, 0, 0}, {1, 0, 0}};
    UridMap map;
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message()
                     << "oversampling " << c.oversampling << " bypass " << c.bypass);
        Instance instance(kStereoIndex, map);
        instance.Control(kOversampling) = c.oversampling;
        instance.Control(kBypass) = c.bypass;
        instance.Run({nullptr, nullptr}, {nullptr, nullptr}, 0);
        EXPECT_EQ(instance.Latency(), c.latency);
        Render(instance, 100);
        EXPECT_EQ(instance.Latency(), c.latency);
    }
}

// ---- blocks and wiring ------------------------------------------------------------

TEST(LV2Blocks, ARunLongerThanTheBlockLengthEqualsOneLongBlock) {
    struct Case {
        const char* what;
        int32_t maxBlockLength;
    };
    const Case kCases[] = {{"pieces of 64", 64}, {"pieces of 1", 1}, {"no length given", 0}};
    UridMap map;
    Instance whole(kStereoIndex, map, 48000.0, 4096);
    whole.Control(kPreampGain) = 12.0f;
    whole.Control(kHighPass) = 3.0f;
    whole.Control(kOversampling) = 1.0f;
    Settle(whole);
    const auto expected = Render(whole, 1000);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Instance pieced(kStereoIndex, map, 48000.0, c.maxBlockLength);
        pieced.Control(kPreampGain) = 12.0f;
        pieced.Control(kHighPass) = 3.0f;
        pieced.Control(kOversampling) = 1.0f;
        Settle(pieced);
        const auto output = Render(pieced, 1000);
        for (std::size_t ch = 0; ch < 2; ++ch) {
            for (std::size_t f = 0; f < 1000; ++f) {
                ASSERT_NEAR(output[ch][f], expected[ch][f], 1e-6)
                    << "channel " << ch << " frame " << f;
            }
        }
    }
}

TEST(LV2Blocks, InPlaceBuffersGiveTheSameResultAsSeparateOnes) {
    UridMap map;
    Instance separate(kStereoIndex, map);
    Instance inPlace(kStereoIndex, map);
    for (Instance* instance : {&separate, &inPlace}) {
        instance->Control(kPreampGain) = 9.0f;
        instance->Control(kMidFreq) = 3.0f;
        instance->Control(kMidGain) = 10.0f;
    }
    const auto expected = Render(separate, 700);
    auto buffers = TestSignal(2, 700);
    inPlace.Run(Pointers(buffers), Pointers(buffers), 700);
    EXPECT_EQ(buffers, expected);
}

TEST(LV2Blocks, MonoIsTheStereoChainsLeftChannel) {
    UridMap map;
    Instance mono(kMonoIndex, map);
    Instance stereo(kStereoIndex, map);
    for (Instance* instance : {&mono, &stereo}) {
        instance->Control(kPreampGain) = 10.0f;
        instance->Control(kLowFreq) = 2.0f;
        instance->Control(kLowGain) = 6.0f;
        Settle(*instance);
    }
    auto left = TestSignal(2, 512);
    std::vector<std::vector<float>> monoIn{left[0]};
    std::vector<std::vector<float>> monoOut(1, std::vector<float>(512));
    std::vector<std::vector<float>> stereoOut(2, std::vector<float>(512));
    mono.Run(Pointers(monoIn), Pointers(monoOut), 512);
    stereo.Run(Pointers(left), Pointers(stereoOut), 512);
    EXPECT_EQ(monoOut[0], stereoOut[0]);
    EXPECT_NE(monoOut[0], left[0]);
}

TEST(LV2Blocks, AMissingInputReadsAsSilenceAndAMissingOutputIsSkipped) {
    UridMap map;
    Instance instance(kStereoIndex, map);
    std::vector<std::vector<float>> output(2, std::vector<float>(256, 0.5f));
    instance.Run({nullptr, nullptr}, Pointers(output), 256);
    for (const auto& channel : output) {
        for (const float sample : channel) {
            ASSERT_LT(std::fabs(sample), 1e-9f);
        }
    }
    auto input = TestSignal(2, 256);
    std::vector<float> right(256, 0.5f);
    instance.Run(Pointers(input), {nullptr, right.data()}, 256);
    EXPECT_NE(right, std::vector<float>(256, 0.5f));
}

TEST(LV2Blocks, RunAllocatesNothingWhateverTheHostDoes) {
    UridMap map;
    Instance instance(kStereoIndex, map, 48000.0, 256);
    auto input = TestSignal(2, 2000);
    std::vector<std::vector<float>> output(2, std::vector<float>(2000));
    auto in = Pointers(input);
    auto out = Pointers(output);
    test_support::AllocationScope scope;
    instance.Run(in, out, 100);              // first run: every port applied
    instance.Control(kOversampling) = 1.0f;  // the latency grows
    instance.Control(kPreampGain) = -12.0f;
    instance.Run(in, out, 2000);       // longer than the block length
    instance.Control(kBypass) = 0.0f;  // the latency drops to 0
    instance.Run(in, out, 0);
    instance.Run(in, in, 300);  // in place
    EXPECT_EQ(scope.Count(), 0u);
}

// ---- state --------------------------------------------------------------------------

struct StoredProperty {
    std::vector<uint8_t> bytes;
    uint32_t type = 0;
    uint32_t flags = 0;
};

// Properties as a host keeps them between save and restore.
struct PropertyStore {
    std::map<uint32_t, StoredProperty> properties;

    static LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value,
                                  size_t size, uint32_t type, uint32_t flags) {
        auto* self = static_cast<PropertyStore*>(handle);
        const auto* bytes = static_cast<const uint8_t*>(value);
        self->properties[key] = {std::vector<uint8_t>(bytes, bytes + size), type, flags};
        return LV2_STATE_SUCCESS;
    }
    static const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                uint32_t* flags) {
        auto* self = static_cast<PropertyStore*>(handle);
        const auto found = self->properties.find(key);
        if (found == self->properties.end()) {
            return nullptr;
        }
        *size = found->second.bytes.size();
        *type = found->second.type;
        *flags = found->second.flags;
        return found->second.bytes.data();
    }
};

PropertyStore SaveOf(Instance& instance) {
    PropertyStore store;
    const LV2_State_Status status = instance.State()->save(instance.Handle(), PropertyStore::Store,
                                                           &store, LV2_STATE_IS_POD, nullptr);
    EXPECT_EQ(status, LV2_STATE_SUCCESS);
    return store;
}

LV2_State_Status RestoreInto(Instance& instance, PropertyStore& store) {
    return instance.State()->restore(instance.Handle(), PropertyStore::Retrieve, &store, 0,
                                     nullptr);
}

TEST(LV2State, IsOneChunkPropertyHoldingTheProductsStateBytes) {
    UridMap map;
    Instance instance(kStereoIndex, map);
    instance.Control(kPreampGain) = 4.5f;
    instance.Control(kMidFreq) = 6.0f;
    Render(instance, 8);
    const PropertyStore store = SaveOf(instance);
    ASSERT_EQ(store.properties.size(), 1u);
    const auto& [key, property] = *store.properties.begin();
    EXPECT_STREQ(map.Unmap(key), "urn:quernstoneworks:tarnwhistle:state");
    EXPECT_STREQ(map.Unmap(property.type), LV2_ATOM__Chunk);
    EXPECT_EQ(property.flags, static_cast<uint32_t>(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
    ByteChunk expected;
    instance.Plug().SaveState(expected);
    ASSERT_EQ(expected.Size(), 100);
    EXPECT_EQ(property.bytes,
              std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Size()));
}

TEST(LV2State, ARefusedRestoreChangesNothing) {
    UridMap map;
    const LV2_URID key = map.Map("urn:quernstoneworks:tarnwhistle:state");
    const LV2_URID chunk = map.Map(LV2_ATOM__Chunk);
    const LV2_URID other = map.Map(LV2_ATOM__String);
    struct Case {
        const char* what;
        LV2_URID key;
        LV2_URID type;
        std::size_t size;
        LV2_State_Status expected;
    };
    const Case kCases[] = {
        {"no property", map.Map("urn:someone:else"), chunk, 100, LV2_STATE_ERR_NO_PROPERTY},
        {"another type", key, other, 100, LV2_STATE_ERR_BAD_TYPE},
        {"larger than any state", key, chunk, kLV2MaxStateBytes + 1, LV2_STATE_ERR_UNKNOWN},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Instance instance(kStereoIndex, map);
        instance.Control(kPreampGain) = 5.0f;
        Render(instance, 8);
        PropertyStore store;
        store.properties[c.key] = {std::vector<uint8_t>(c.size, 0x7f), c.type, LV2_STATE_IS_POD};
        EXPECT_EQ(RestoreInto(instance, store), c.expected);
        EXPECT_EQ(instance.Plug().GetParam(kPreampGain)->GetValue(), 5.0);
        EXPECT_EQ(instance.Plug().GetParam(kBypass)->GetValue(), 1.0);
    }
}

TEST(LV2State, WithoutAUridMapSaveAndRestoreAreRefused) {
    UridMap map;
    Instance instance(kStereoIndex, map, 48000.0, 0, /*withMap=*/false);
    ASSERT_TRUE(instance.Valid());
    PropertyStore store;
    EXPECT_EQ(instance.State()->save(instance.Handle(), PropertyStore::Store, &store, 0, nullptr),
              LV2_STATE_ERR_NO_FEATURE);
    EXPECT_EQ(RestoreInto(instance, store), LV2_STATE_ERR_NO_FEATURE);
    EXPECT_TRUE(store.properties.empty());
}

TEST(LV2State, ATruncatedStateLeavesEveryValueInItsRange) {
    UridMap map;
    Instance source(kStereoIndex, map);
    source.Control(kOutputTrim) = 12.0f;
    PropertyStore saved = SaveOf(source);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{5}, std::size_t{13}, std::size_t{27}, std::size_t{99}}) {
        SCOPED_TRACE(size);
        PropertyStore cut = saved;
        cut.properties.begin()->second.bytes.resize(size);
        Instance target(kStereoIndex, map);
        EXPECT_EQ(RestoreInto(target, cut), LV2_STATE_SUCCESS);
        for (int i = 0; i < kNumChannelParams; ++i) {
            const Param& param = *target.Plug().GetParam(i);
            EXPECT_GE(param.GetValue(), param.Min()) << i;
            EXPECT_LE(param.GetValue(), param.Max()) << i;
        }
        for (const auto& channel : Render(target, 64)) {
            for (const float sample : channel) {
                ASSERT_TRUE(std::isfinite(sample));
            }
        }
    }
}

}  // namespace
