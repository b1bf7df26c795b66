// State as hosts save and restore it: between two instances (component and
// controller), and damaged streams, which are refused and change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "product/channel_parameters.h"
#include "vst3_test_host.h"

namespace {

using vst3_test::Instance;
using vst3_test::MemoryStream;
using vst3_test::Module;

std::vector<double> Values(Instance& instance) {
    std::vector<double> values;
    for (int32_t i = 0; i < instance.Controller()->getParameterCount(); ++i) {
        values.push_back(instance.Controller()->getParamNormalized(static_cast<vst3::ParamId>(i)));
    }
    return values;
}

TEST(VST3State, RoundTripBetweenTwoInstancesControllerIncluded) {
    Module module(TW_VST3_MODULE);
    Instance first(module);
    ASSERT_TRUE(first.Valid());
    first.Activate();
    // Set through the processor only, as automation does, and flushed.
    first.PendingChanges().Add(kPreampGain, 0, 0.8125);
    first.PendingChanges().Add(kHighPass, 0, 0.75);
    first.PendingChanges().Add(kMidFreq, 0, 1.0);
    first.PendingChanges().Add(kOversampling, 0, 1.0);
    ASSERT_EQ(first.ProcessBlock(nullptr, nullptr, 0), vst3::kResultOk);
    const std::vector<uint8_t> component = first.ComponentState();
    const std::vector<uint8_t> controller = first.ControllerState();
    ASSERT_FALSE(component.empty());

    Instance second(module);
    ASSERT_TRUE(second.Valid());
    ASSERT_EQ(second.Restore(component, controller), vst3::kResultOk);
    EXPECT_EQ(Values(second), Values(first));
    EXPECT_EQ(second.ComponentState(), component);
    // The latency of the restored settings, right from activation.
    second.Component()->setActive(1);
    EXPECT_EQ(second.Processor()->getLatencySamples(), 80u);
}

// A stream whose reads fail after some bytes.
class FailingStream final : public vst3_test::Local<vst3::Stream> {
public:
    explicit FailingStream(std::vector<uint8_t> bytes) : mInner(std::move(bytes)) {}
    const vst3::InterfaceId& OwnId() const override { return vst3::kStreamId; }
    vst3::Result read(void* buffer, int32_t bytes, int32_t* bytesRead) override {
        if (mReads++ > 0) {
            if (bytesRead != nullptr) *bytesRead = 0;
            return vst3::kInternalError;
        }
        return mInner.read(buffer, std::min(bytes, 8), bytesRead);
    }
    vst3::Result write(void*, int32_t, int32_t*) override { return vst3::kResultFalse; }
    vst3::Result seek(int64_t, int32_t, int64_t*) override { return vst3::kResultFalse; }
    vst3::Result tell(int64_t*) override { return vst3::kResultFalse; }

private:
    MemoryStream mInner;
    int mReads = 0;
};

struct DamagedCase {
    const char* what;
    std::size_t keep;  // bytes kept of a good state; SIZE_MAX keeps them all
    bool failingReads;
};

TEST(VST3State, DamagedStreamsAreRefusedAndChangeNothing) {
    Module module(TW_VST3_MODULE);
    Instance donor(module);
    donor.Controller()->setParamNormalized(kPreampGain, 0.1);
    donor.Controller()->setParamNormalized(kOversampling, 1.0);
    const std::vector<uint8_t> good = donor.ComponentState();
    const DamagedCase cases[] = {
        {"empty", 0, false},
        {"one byte", 1, false},
        {"last value cut", good.size() - 1, false},
        {"half", good.size() / 2, false},
        {"reads fail after eight bytes", SIZE_MAX, true},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.what);
        Instance instance(module);
        instance.Controller()->setParamNormalized(kLowGain, 0.3);
        const std::vector<double> before = Values(instance);
        const std::vector<uint8_t> beforeState = instance.ComponentState();
        std::vector<uint8_t> bytes = good;
        bytes.resize(std::min(c.keep, good.size()));
        if (c.failingReads) {
            FailingStream stream(bytes);
            EXPECT_EQ(instance.Component()->setState(&stream), vst3::kResultFalse);
        } else {
            MemoryStream stream(bytes);
            EXPECT_EQ(instance.Component()->setState(&stream), vst3::kResultFalse);
            MemoryStream again(bytes);
            EXPECT_EQ(instance.Controller()->setComponentState(&again), vst3::kResultFalse);
        }
        EXPECT_EQ(Values(instance), before);
        EXPECT_EQ(instance.ComponentState(), beforeState);
        EXPECT_TRUE(instance.Handler().mRestarts.empty());
    }
}

TEST(VST3State, NonFiniteValuesInAStateNeverReachTheParameters) {
    Module module(TW_VST3_MODULE);
    Instance instance(module);
    std::vector<uint8_t> bytes = instance.ComponentState();
    // The values are the last eleven doubles; poison them all.
    const double poison[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()};
    for (int i = 0; i < kNumChannelParams; ++i) {
        std::memcpy(bytes.data() + bytes.size() - 8 * (kNumChannelParams - i), &poison[i % 2], 8);
    }
    MemoryStream stream(bytes);
    instance.Component()->setState(&stream);
    for (const double value : Values(instance)) {
        EXPECT_TRUE(std::isfinite(value) && value >= 0.0 && value <= 1.0) << value;
    }
}

}  // namespace
