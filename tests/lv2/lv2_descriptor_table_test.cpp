// The module's descriptors: one per channel configuration, and the
// instances they refuse to make.
#include "lv2/lv2_descriptor_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "lv2_test_host.h"

namespace {

using lv2_test::Features;
using lv2_test::UridMap;

TEST(LV2Descriptors, OneURIPerChannelConfigurationAndNothingBeyond) {
    ASSERT_NE(lv2_descriptor(0), nullptr);
    ASSERT_NE(lv2_descriptor(1), nullptr);
    EXPECT_STREQ(lv2_descriptor(0)->URI, "urn:quernstoneworks:tarnwhistle:mono");
    EXPECT_STREQ(lv2_descriptor(1)->URI, "urn:quernstoneworks:tarnwhistle:stereo");
    EXPECT_EQ(lv2_descriptor(2), nullptr);
    EXPECT_EQ(lv2_descriptor(UINT32_MAX), nullptr);
    EXPECT_NE(lv2_descriptor(0)->extension_data(LV2_STATE__interface), nullptr);
    EXPECT_EQ(lv2_descriptor(0)->extension_data("urn:nothing"), nullptr);
}

TEST(LV2Descriptors, AnUnusableSampleRateIsRefused) {
    UridMap map;
    Features features(map, true);
    const LV2_Descriptor* descriptor = lv2_descriptor(1);
    for (const double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(descriptor->instantiate(descriptor, rate, "/", features.List()), nullptr);
    }
    LV2_Handle handle =
        descriptor->instantiate(descriptor, 44100.0, "/", nullptr);  // no features at all
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(static_cast<LV2Adapter*>(handle)->SampleRate(), 44100.0);
    descriptor->cleanup(handle);
}

LV2Adapter* ThrowingFactory(const LV2InstanceInfo&) {
    throw std::bad_alloc();
}
LV2Adapter* NullFactory(const LV2InstanceInfo&) {
    return nullptr;
}

TEST(LV2Descriptors, AFailingFactoryOrAConfigurationThePluginLacksGivesNoInstance) {
    UridMap map;
    Features features(map, true);
    LV2ProductDescription product = LV2ProductIdentity();
    struct Case {
        const char* what;
        LV2PluginFactory factory;
        const char* channels;
        uint32_t variant;
    };
    const Case kCases[] = {
        {"factory throws", ThrowingFactory, "2-2", 0},
        {"factory answers null", NullFactory, "2-2", 0},
        {"4-4 on a 1-1 2-2 product", MakePlug, "1-1 2-2 4-4", 2},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        product.channelIOString = c.channels;
        LV2DescriptorTable table(product, c.factory);
        const LV2_Descriptor* descriptor = table.Descriptor(c.variant);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_EQ(descriptor->instantiate(descriptor, 48000.0, "/", features.List()), nullptr);
    }
}

TEST(LV2Descriptors, AnInstanceRecordsItsHostAndChannels) {
    UridMap map;
    Features features(map, true);
    const LV2_Descriptor* descriptor = lv2_descriptor(0);
    LV2_Handle handle = descriptor->instantiate(descriptor, 96000.0, "/", features.List());
    ASSERT_NE(handle, nullptr);
    auto* adapter = static_cast<LV2Adapter*>(handle);
    EXPECT_EQ(adapter->HostType(), 0);  // recorded, not identified
    EXPECT_EQ(adapter->SampleRate(), 96000.0);
    EXPECT_EQ(adapter->Layout().audioInputs, 1);
    EXPECT_EQ(adapter->Layout().audioOutputs, 1);
    EXPECT_EQ(adapter->ConnectedChannelCount(DirInput), 1);
    EXPECT_EQ(adapter->ConnectedChannelCount(DirOutput), 1);
    descriptor->cleanup(handle);
}

TEST(LV2Descriptors, TheHostsBlockLengthSizesTheBuffers) {
    struct Case {
        const char* what;
        int32_t maxBlockLength;
        int32_t nominalBlockLength;
        int expected;
    };
    const Case kCases[] = {
        {"none given", 0, 0, kLV2DefaultBlockSize},
        {"maximum", 1024, 0, 1024},
        {"nominal only", 0, 300, 300},
        {"maximum wins", 2048, 256, 2048},
        {"nonsense maximum", -5, 0, kLV2DefaultBlockSize},
        {"beyond the processor's limit", kMaxBlockSize + 1, 0, kMaxBlockSize},
    };
    UridMap map;
    const LV2_Descriptor* descriptor = lv2_descriptor(1);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Features features(map, true, c.maxBlockLength, c.nominalBlockLength);
        LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, "/", features.List());
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(static_cast<LV2Adapter*>(handle)->BlockSize(), c.expected);
        descriptor->cleanup(handle);
    }
}

}  // namespace
