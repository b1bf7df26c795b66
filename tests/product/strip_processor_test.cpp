#include "product/strip_processor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "allocation_counter.h"

namespace {

constexpr int kBlock = 512;

// A stereo host: float buffers, both channels connected, 48 kHz, 512 frames.
struct StereoHost {
    std::unique_ptr<StripProcessor> strip = std::make_unique<StripProcessor>();
    std::vector<float> inL, inR, outL, outR;
    float* inputs[2];
    float* outputs[2];

    StereoHost() : inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock) {
        inputs[0] = inL.data();
        inputs[1] = inR.data();
        outputs[0] = outL.data();
        outputs[1] = outR.data();
        for (int i = 0; i < kBlock; ++i) {
            inL[i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440 * i / 48000.0));
            inR[i] = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 620 * i / 48000.0));
        }
        strip->SetSampleRate(48000.0);
        strip->SetBlockSize(kBlock);
        strip->ConnectChannels(DirInput, 0, 2, true);
        strip->ConnectChannels(DirOutput, 0, 2, true);
        strip->ResetProcessing();
    }
    void Process(int frames = kBlock) {
        strip->AttachHostBuffers(DirInput, 0, 2, inputs, frames);
        strip->AttachHostBuffers(DirOutput, 0, 2, outputs, frames);
        strip->ProcessHostBuffers(frames);
    }
    void Bypass(int frames = kBlock) {
        strip->AttachHostBuffers(DirInput, 0, 2, inputs, frames);
        strip->AttachHostBuffers(DirOutput, 0, 2, outputs, frames);
        strip->BypassHostBuffers(frames);
    }
};

TEST(StripProcessorTest, SettingsHoldTheDefaultsFromConstruction) {
    StripProcessor strip;
    const EngineSettings& s = strip.Settings();
    EXPECT_NEAR(s.driveTarget, std::pow(10.0, -10.0 / 20.0), 1e-12);
    EXPECT_EQ(s.trimTarget, 1.0);
    EXPECT_EQ(s.lowPositionTarget, 0.5);
    EXPECT_EQ(s.midPositionTarget, 0.5);
    EXPECT_EQ(s.highPositionTarget, 0.5);
    EXPECT_EQ(s.processingSwitch, 1);
    EXPECT_EQ(s.oversamplingPasses, 0);
    EXPECT_EQ(s.latencyBase, kStripLatencySamples);
}

struct LatencyStep {
    int index;
    double value;
    int latency;
};

// The strip's latency reaches the processor (and through it the host) at the
// end of the block in which the setting changed, also for an empty block.
TEST(StripProcessorTest, ReportsLatencyChangesAfterEachBlock) {
    StereoHost host;
    EXPECT_EQ(host.strip->Latency(), 0);  // the configured starting value
    const LatencyStep kSteps[] = {
        {kOversampling, 0, kStripLatencySamples},
        {kOversampling, 1, kOversampledStripLatencySamples},
        {kBypass, 0, 0},
        {kBypass, 1, kOversampledStripLatencySamples},
        {kOversampling, 0, kStripLatencySamples},
    };
    for (const LatencyStep& step : kSteps) {
        host.strip->SetParam(step.index, step.value);
        host.Process();
        EXPECT_EQ(host.strip->Latency(), step.latency);
    }
    host.strip->SetParam(kOversampling, 1);
    host.Process(0);
    EXPECT_EQ(host.strip->Latency(), kOversampledStripLatencySamples);
}

TEST(StripProcessorTest, ProcessesHostBuffersIntoFiniteSound) {
    StereoHost host;
    for (int block = 0; block < 4; ++block) host.Process();
    double peak = 0;
    for (int i = 0; i < kBlock; ++i) {
        ASSERT_TRUE(std::isfinite(host.outL[i]) && std::isfinite(host.outR[i]));
        peak = std::max(peak, static_cast<double>(std::fabs(host.outL[i])));
    }
    EXPECT_GT(peak, 0.3);  // about unity gain at the defaults
}

// Once block size and latency are settled the audio path allocates nothing:
// processing, bypassing and blocks whose latency stays the same.
TEST(StripProcessorTest, AllocatesNothingOnceBlockSizeAndLatencyAreSet) {
    for (int oversampling : {0, 1}) {
        SCOPED_TRACE(oversampling);
        StereoHost host;
        host.strip->SetParam(kOversampling, oversampling);
        host.Process();  // reports the latency: the delay line is sized here
        test_support::AllocationScope scope;
        for (int block = 0; block < 8; ++block) {
            host.Process();
            host.Bypass();
            host.Process(100);
        }
        EXPECT_EQ(scope.Count(), 0u);
    }
}

}  // namespace
