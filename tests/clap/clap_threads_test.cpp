// Tarnwhistle.clap's state loaded on the main thread while the audio thread
// processes, as a host restores a preset during playback (ThreadSanitizer runs
// this suite).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "clap_test_host.h"
#include "product/channel_parameters.h"

namespace {

using clap_test::Instance;
using clap_test::Module;

constexpr char kStereo[] = "com.quernstoneworks.tarnwhistle.stereo";

TEST(ClapStateThreads, LoadsWhileTheAudioThreadProcesses) {
    const Module module(TW_CLAP_MODULE);
    Instance a(module, kStereo);
    Instance b(module, kStereo);
    a.Flush({{0, kPreampGain, 18.0}, {0, kOversampling, 1}, {0, kMidFreq, 3}});
    b.Flush({{0, kOutputTrim, -20.0}, {0, kBypass, 0}, {0, kHighPass, 4}});
    const std::vector<std::vector<uint8_t>> states = {a.Save(), b.Save()};

    Instance running(module, kStereo);
    ASSERT_TRUE(running.Activate(48000.0, 128));
    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::thread audio([&] {
        std::vector<float> left(128, 0.25f), right(128, -0.25f), outLeft(128), outRight(128);
        float* in[] = {left.data(), right.data()};
        float* out[] = {outLeft.data(), outRight.data()};
        while (!stop.load()) {
            running.ProcessBlock(in, out, 2, 128, {});
            for (float sample : outLeft) {
                if (!std::isfinite(sample)) finite = false;
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        EXPECT_TRUE(running.Load(states[static_cast<std::size_t>(i % 2)]));
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(finite.load());
    EXPECT_EQ(running.Save(), states[1]);
}

}  // namespace
