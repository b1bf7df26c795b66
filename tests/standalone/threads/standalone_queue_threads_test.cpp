// The control-to-audio path of the standalone adapter with each side on its
// own thread, as JACK runs them: the control thread changes parameters and
// loads state, the process thread runs blocks, the notification thread
// prepares for new buffer sizes. Every block must be whole (finite), and
// once the traffic stops one block brings the signal chain's settings to
// the parameters' last values. The ThreadSanitizer stage runs this suite.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "core/param.h"
#include "product/channel_parameters.h"
#include "tarnwhistle.h"

namespace {

constexpr int kMaxFrames = 512;

class Lcg {
public:
    explicit Lcg(uint32_t seed) : mState(seed) {}
    uint32_t Next() {
        mState = mState * 1664525u + 1013904223u;
        return mState >> 8;
    }
    double Unit() { return static_cast<double>(Next()) / 16777216.0; }

private:
    uint32_t mState;
};

bool SameSettings(const EngineSettings& a, const EngineSettings& b) {
    constexpr auto r = std::memory_order_relaxed;
    return a.driveTarget.load(r) == b.driveTarget.load(r) &&
           a.trimTarget.load(r) == b.trimTarget.load(r) &&
           a.highPassSelection.load(r) == b.highPassSelection.load(r) &&
           a.lowFrequencySelection.load(r) == b.lowFrequencySelection.load(r) &&
           a.lowPositionTarget.load(r) == b.lowPositionTarget.load(r) &&
           a.midFrequencySelection.load(r) == b.midFrequencySelection.load(r) &&
           a.midPositionTarget.load(r) == b.midPositionTarget.load(r) &&
           a.highPositionTarget.load(r) == b.highPositionTarget.load(r) &&
           a.processingSwitch.load(r) == b.processingSwitch.load(r) &&
           a.micCurveSelection.load(r) == b.micCurveSelection.load(r) &&
           a.oversamplingPasses.load(r) == b.oversamplingPasses.load(r) &&
           a.latencyBase.load(r) == b.latencyBase.load(r);
}

TEST(StandaloneQueueThreads, ControlChangesReachTheAudioSideWhole) {
    std::unique_ptr<Tarnwhistle> strip(
        static_cast<Tarnwhistle*>(MakePlug(StandaloneInstanceInfo{2})));
    strip->Prepare(48000.0, kMaxFrames);
    const std::vector<uint8_t> saved = strip->StateBytes();

    std::atomic<bool> stop{false};
    std::atomic<int> nonFinite{0};
    std::atomic<int> blocks{0};
    std::atomic<int> preparedFrames{kMaxFrames};
    std::thread audio([&] {
        std::vector<float> in(kMaxFrames), left(kMaxFrames), right(kMaxFrames);
        for (int i = 0; i < kMaxFrames; ++i)
            in[static_cast<std::size_t>(i)] = 0.7f * std::sin(0.03f * i);
        const float* inputs[2] = {in.data(), in.data()};
        float* outputs[2] = {left.data(), right.data()};
        while (!stop.load()) {
            // The server calls with the size it last announced.
            const int frames = preparedFrames.load();
            strip->Process(inputs, outputs, frames);
            for (int i = 0; i < frames; ++i) {
                if (!std::isfinite(left[static_cast<std::size_t>(i)]) ||
                    !std::isfinite(right[static_cast<std::size_t>(i)])) {
                    nonFinite.fetch_add(1);
                }
            }
            blocks.fetch_add(1);
        }
    });
    std::thread notification([&] {
        for (int round = 0; round < 20 && !stop.load(); ++round) {
            const int frames = round % 2 == 0 ? 128 : kMaxFrames;
            // Smaller first, so no block is ever longer than prepared.
            if (frames < preparedFrames.load()) preparedFrames.store(frames);
            strip->Prepare(round % 3 == 0 ? 44100.0 : 48000.0, frames);
            preparedFrames.store(frames);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    Lcg random(7);
    for (int change = 0; change < 5000; ++change) {
        const int index = static_cast<int>(random.Next() % kNumChannelParams);
        const Param& param = *strip->GetParam(index);
        strip->SetParamValue(index, param.FromNorm(random.Unit()));
        if (change % 1000 == 0) strip->LoadStateBytes(saved, nullptr);
        if (change % 64 == 0) std::this_thread::yield();
    }
    notification.join();
    const int seen = blocks.load();
    while (blocks.load() < seen + 2) std::this_thread::yield();
    stop.store(true);
    audio.join();

    EngineSettings expected;
    for (int i = 0; i < kNumChannelParams; ++i) ApplyParamChange(i, strip->Params(), expected);
    EXPECT_TRUE(SameSettings(strip->Settings(), expected));
    EXPECT_EQ(nonFinite.load(), 0);
    EXPECT_GT(blocks.load(), 0);
}

}  // namespace
