// The processor on a render thread while the host's main thread drives the
// controller and the state, as hosts do during playback: nothing races
// (the ThreadSanitizer stage runs this suite) and every value stays sound.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "product/channel_parameters.h"
#include "vst3_test_host.h"

namespace {

using vst3_test::Instance;
using vst3_test::MemoryStream;
using vst3_test::Module;

TEST(VST3Threads, ControllerAndStateOnMainWhileProcessRuns) {
    Module module(TW_VST3_MODULE);
    Instance instance(module, 2, 256);
    ASSERT_TRUE(instance.Valid());
    instance.Activate();
    const std::vector<uint8_t> saved = instance.ComponentState();
    constexpr vst3::ParamId kHostBypass = kNumChannelParams;
    constexpr vst3::ParamId kProgram = kNumChannelParams + 1;

    std::atomic<bool> stop{false};
    std::thread render([&] {
        vst3_test::Channels buffers = vst3_test::TestSignal(2, 256);
        float* channels[] = {buffers[0].data(), buffers[1].data()};
        for (int block = 0; !stop.load(); ++block) {
            instance.PendingChanges().Add(kPreampGain, block % 256, (block % 7) / 6.0);
            instance.PendingChanges().Add(kOversampling, 128, block % 2);
            instance.ProcessBlock(channels, channels, 256);
        }
    });
    vst3::EditController* controller = instance.Controller();
    for (int i = 0; i < 300; ++i) {
        controller->setParamNormalized(kLowGain, (i % 11) / 10.0);
        controller->setParamNormalized(i % 2 == 0 ? vst3::ParamId{kBypass} : kHostBypass, (i / 2) % 2);
        controller->setParamNormalized(kProgram, (i % 6) / 5.0);
        controller->getParamNormalized(kOversampling);
        instance.Processor()->getLatencySamples();
        instance.ComponentState();
        MemoryStream stream(saved);
        instance.Component()->setState(&stream);
    }
    stop.store(true);
    render.join();
    for (int32_t i = 0; i < controller->getParameterCount(); ++i) {
        const double value = controller->getParamNormalized(static_cast<vst3::ParamId>(i));
        EXPECT_TRUE(std::isfinite(value) && value >= 0.0 && value <= 1.0) << i;
    }
}

}  // namespace
