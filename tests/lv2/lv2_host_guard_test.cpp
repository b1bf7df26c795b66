// Every LV2 callback survives a failed allocation: nothing unwinds into the
// host, a callback that can fail says so, and the plug-in's values and sound
// stay as they were.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "allocation_counter.h"
#include "lv2_test_host.h"

namespace {

using lv2_test::Features;
using lv2_test::Instance;
using lv2_test::kStereoIndex;
using lv2_test::Pointers;
using lv2_test::TestSignal;
using lv2_test::UridMap;
using test_support::AllocationFailureScope;

struct Property {
    std::vector<uint8_t> bytes;
    uint32_t type = 0;
};
using Properties = std::map<uint32_t, Property>;

LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                       uint32_t type, uint32_t) {
    const auto* bytes = static_cast<const uint8_t*>(value);
    (*static_cast<Properties*>(handle))[key] = {std::vector<uint8_t>(bytes, bytes + size), type};
    return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                     uint32_t* flags) {
    const auto& properties = *static_cast<const Properties*>(handle);
    const auto found = properties.find(key);
    if (found == properties.end()) {
        return nullptr;
    }
    *size = found->second.bytes.size();
    *type = found->second.type;
    *flags = LV2_STATE_IS_POD;
    return found->second.bytes.data();
}

std::vector<double> ValuesOf(Instance& instance) {
    std::vector<double> values;
    for (int i = 0; i < kNumChannelParams; ++i) {
        values.push_back(instance.Plug().GetParam(i)->GetValue());
    }
    return values;
}

TEST(LV2HostGuard, InstantiateAnswersNullWhenItCannotAllocate) {
    UridMap map;
    Features features(map, true, 512);
    const LV2_Descriptor* descriptor = lv2_descriptor(kStereoIndex);
    LV2_Handle handle = nullptr;
    {
        AllocationFailureScope failing;
        handle = descriptor->instantiate(descriptor, 48000.0, "/nowhere/", features.List());
    }
    EXPECT_EQ(handle, nullptr);
}

TEST(LV2HostGuard, StateSaveAndRestoreFailWithoutChangingAnything) {
    UridMap map;
    Instance source(kStereoIndex, map);
    source.Control(kPreampGain) = 8.0f;
    source.Control(kHighPass) = 3.0f;
    source.Run({nullptr, nullptr}, {nullptr, nullptr}, 0);
    Properties saved;
    ASSERT_EQ(source.State()->save(source.Handle(), Store, &saved, 0, nullptr), LV2_STATE_SUCCESS);

    Instance target(kStereoIndex, map);
    target.Control(kPreampGain) = -5.0f;
    target.Run({nullptr, nullptr}, {nullptr, nullptr}, 0);
    const std::vector<double> before = ValuesOf(target);
    Properties unsaved;
    LV2_State_Status saveStatus = LV2_STATE_SUCCESS;
    LV2_State_Status restoreStatus = LV2_STATE_SUCCESS;
    {
        AllocationFailureScope failing;
        saveStatus = target.State()->save(target.Handle(), Store, &unsaved, 0, nullptr);
        restoreStatus = target.State()->restore(target.Handle(), Retrieve, &saved, 0, nullptr);
    }
    EXPECT_EQ(saveStatus, LV2_STATE_ERR_UNKNOWN);
    EXPECT_TRUE(unsaved.empty());
    EXPECT_EQ(restoreStatus, LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(ValuesOf(target), before);
}

// The real-time callbacks never allocate: under a failing allocator they
// render exactly what they render otherwise, and the instance is freed.
TEST(LV2HostGuard, TheOtherCallbacksWorkUnderAFailingAllocator) {
    UridMap map;
    Instance normal(kStereoIndex, map, 48000.0, 256);
    Instance failing(kStereoIndex, map, 48000.0, 256);
    for (Instance* instance : {&normal, &failing}) {
        instance->Control(kMidFreq) = 4.0f;
        instance->Control(kMidGain) = 9.0f;
        instance->Control(kOversampling) = 1.0f;
    }
    auto input = TestSignal(2, 1000);
    std::vector<std::vector<float>> expected(2, std::vector<float>(1000));
    std::vector<std::vector<float>> output(2, std::vector<float>(1000));
    const std::vector<float*> in = Pointers(input);
    const std::vector<float*> out = Pointers(output);
    normal.Reactivate();
    normal.Run(in, Pointers(expected), 1000);
    const LV2_Descriptor* descriptor = lv2_descriptor(kStereoIndex);
    const void* stateInterface = nullptr;
    {
        AllocationFailureScope scope;
        failing.Reactivate();        // deactivate, activate
        failing.Run(in, out, 1000);  // connect_port, run
        stateInterface = descriptor->extension_data(LV2_STATE__interface);
    }
    EXPECT_EQ(output, expected);
    EXPECT_EQ(failing.Latency(), 80.0f);
    EXPECT_NE(stateInterface, nullptr);

    Features features(map, true);
    LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, "/nowhere/", features.List());
    ASSERT_NE(handle, nullptr);
    AllocationFailureScope scope;
    descriptor->cleanup(handle);
}

}  // namespace
