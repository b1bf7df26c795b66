// Rendering through the real module on the host's render thread: a sine end
// to end, latency compensation, bit-exact agreement between the tool and a
// second instance, bypass, and timed changes that land on their exact frame.
#include <gtest/gtest.h>

#include <cmath>

#include "host.h"
#include "host_test_support.h"
#include "renderer.h"

namespace {

using hosttest::Channels;
using hpihost::Host;
using hpihost::PluginInstance;

struct RenderSetup {
    bool mCompensate = false;
    int32_t mBlock = 512;
    int64_t mTail = 0;
    std::vector<hpihost::TimedAction> mActions;
};

RenderSetup Compensated(int32_t block = 512, int64_t tail = 0) {
    RenderSetup setup;
    setup.mCompensate = true;
    setup.mBlock = block;
    setup.mTail = tail;
    return setup;
}

class HostRender : public ::testing::Test {
protected:
    void SetUp() override {
        mHost = std::make_unique<Host>();
        ASSERT_EQ(mHost->Load(hosttest::kModulePath).mStatus, hpihost::LoadStatus::Ok);
    }
    void TearDown() override {
        const hpihost::CloseReport report = mHost->Close();
        EXPECT_EQ(report.mLiveObjectsBeforeShutdown, 0);
        EXPECT_EQ(mHost->Library().AssertionCount(), 0u);
    }

    std::unique_ptr<PluginInstance> Make(int channels, int32_t block = 512) {
        std::string message;
        auto instance = mHost->CreateInstance(*mHost->Effect().ComponentForChannels(channels), 48000.0f, block,
                                              &message);
        EXPECT_NE(instance, nullptr) << message;
        return instance;
    }

    Channels Render(PluginInstance& instance, const Channels& input, RenderSetup setup = {}) {
        hpihost::RenderOptions options;
        options.mBlockFrames = setup.mBlock;
        options.mInputFrames = static_cast<int64_t>(input.front().size());
        options.mTailFrames = setup.mTail;
        hpihost::OfflineRenderer renderer(mHost->RunLoop(), options);
        Channels output(input.size());
        std::size_t read = 0;
        hpihost::RenderTrack track;
        track.mInstance = &instance;
        track.mCompensate = setup.mCompensate;
        track.mRead = [&](float* const* channels, int32_t frames) {
            for (std::size_t c = 0; c < input.size(); ++c) {
                std::copy_n(input[c].begin() + static_cast<std::ptrdiff_t>(read), frames, channels[c]);
            }
            read += static_cast<std::size_t>(frames);
            return frames;
        };
        track.mWrite = [&](const float* const* channels, int32_t frames) {
            for (std::size_t c = 0; c < output.size(); ++c) {
                output[c].insert(output[c].end(), channels[c], channels[c] + frames);
            }
            return true;
        };
        renderer.AddTrack(track);
        for (hpihost::TimedAction& action : setup.mActions) {
            renderer.AddAction(std::move(action));
        }
        const hpihost::RenderResult result = renderer.Run();
        EXPECT_TRUE(result.mOk) << result.mError;
        return output;
    }

    std::unique_ptr<Host> mHost;
};

double Rms(const std::vector<float>& samples, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST_F(HostRender, SineComesThroughTheStripAtItsLevelAndFrequency) {
    const int frames = 48000;
    const Channels input = {hosttest::Sine(1000.0, 0.25, frames)};
    std::unique_ptr<PluginInstance> instance = Make(1);
    const Channels output = Render(*instance, input, Compensated());
    ASSERT_EQ(output[0].size(), input[0].size());

    // Settled part: the same level within 1.5 dB, the same pitch (zero crossings).
    const double inRms = Rms(input[0], 4800, frames);
    const double outRms = Rms(output[0], 4800, frames);
    EXPECT_NEAR(20.0 * std::log10(outRms / inRms), 0.0, 1.5);
    int crossings = 0;
    for (std::size_t i = 4801; i < output[0].size(); ++i) {
        crossings += (output[0][i - 1] < 0.0f) != (output[0][i] < 0.0f);
    }
    EXPECT_NEAR(crossings, 2 * 1000 * (frames - 4800) / 48000, 4);
    for (float sample : output[0]) {
        ASSERT_TRUE(std::isfinite(sample));
    }
}

TEST_F(HostRender, CompensationDropsTheLatencyAndKeepsTheLength) {
    const Channels input = {hosttest::Sine(300.0, 0.3, 10000), hosttest::Sine(500.0, 0.3, 10000)};
    std::unique_ptr<PluginInstance> plain = Make(2);
    std::unique_ptr<PluginInstance> compensated = Make(2);
    const Channels delayed = Render(*plain, input);
    const Channels aligned = Render(*compensated, input, Compensated(512, 100));
    ASSERT_EQ(delayed[0].size(), 10000u);
    ASSERT_EQ(aligned[0].size(), 10100u);
    const std::size_t latency = 16;
    for (std::size_t c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i + latency < delayed[c].size(); ++i) {
            ASSERT_EQ(aligned[c][i], delayed[c][i + latency]) << "channel " << c << " frame " << i;
        }
    }
}

TEST_F(HostRender, BypassWithCompensationReturnsTheInputUnchanged) {
    const Channels input = {hosttest::Sine(440.0, 0.8, 9000), hosttest::Sine(91.0, 0.5, 9000, 48000, 1.0)};
    for (const int32_t block : {512, 37}) {
        SCOPED_TRACE(block);
        std::unique_ptr<PluginInstance> instance = Make(2);
        ASSERT_EQ(instance->Update(instance->MasterBypassID(), 1.0), HPI_SUCCESS);
        EXPECT_EQ(Render(*instance, input, Compensated(block)), input);
    }
}

TEST_F(HostRender, TimedChangeLandsOnItsFrameEvenInsideABlock) {
    const Channels input = {hosttest::Sine(200.0, 0.5, 20000)};
    const int64_t changeFrame = 10000;  // inside block 19 (9728..10239)
    std::unique_ptr<PluginInstance> steady = Make(1);
    std::unique_ptr<PluginInstance> automated = Make(1);
    const Channels reference = Render(*steady, input, Compensated());
    PluginInstance* target = automated.get();
    RenderSetup setup = Compensated();
    setup.mActions.push_back(hpihost::TimedAction{changeFrame, [target] { target->Update("2", 0.0); }});
    const Channels changed = Render(*automated, input, std::move(setup));

    ASSERT_EQ(changed[0].size(), reference[0].size());
    std::size_t firstDifference = 0;
    while (firstDifference < changed[0].size() && changed[0][firstDifference] == reference[0][firstDifference]) {
        ++firstDifference;
    }
    // The trim acts at the end of the chain: the first frame rendered after the
    // change is the first that differs, 16 frames earlier once compensated.
    EXPECT_EQ(firstDifference, static_cast<std::size_t>(changeFrame - 16));
    EXPECT_LT(Rms(changed[0], 15000, 20000), Rms(reference[0], 15000, 20000) * 0.1);  // -24 dB trim
}

// A setting the host makes before the first block sounds from frame 0, at
// every block size: a +15 dB high boost on noise is at its full level in the
// first 50 ms (the high band's half-second glide from the default would leave
// them several dB low), and renders in blocks of 1, 64 and 4096 frames agree.
TEST_F(HostRender, SettingsMadeBeforeTheFirstBlockSoundFromFrameZeroAtEveryBlockSize) {
    constexpr int kFrames = 12000;
    constexpr std::size_t k50Ms = 2400;
    Channels noise(2, std::vector<float>(kFrames));
    uint32_t seed = 12345;
    for (std::vector<float>& channel : noise) {
        for (float& sample : channel) {
            seed = seed * 1664525u + 1013904223u;
            sample = static_cast<float>(seed >> 8) / static_cast<float>(1u << 24) * 0.5f - 0.25f;
        }
    }
    std::vector<Channels> renders;
    for (const int32_t block : {1, 64, 4096}) {
        SCOPED_TRACE(block);
        std::unique_ptr<PluginInstance> instance = Make(2, block);
        ASSERT_EQ(instance->Update("8", 1.0), HPI_SUCCESS);  // High Gain +15 dB
        Channels out = Render(*instance, noise, Compensated(block));
        const double startDb = 20.0 * std::log10(Rms(out[0], 0, k50Ms));
        const double endDb = 20.0 * std::log10(Rms(out[0], kFrames - k50Ms, kFrames));
        EXPECT_NEAR(startDb, endDb, 0.5);
        renders.push_back(std::move(out));
    }
    for (std::size_t r = 1; r < renders.size(); ++r) {
        for (std::size_t c = 0; c < 2; ++c) {
            for (std::size_t i = 0; i < kFrames; ++i) {
                ASSERT_NEAR(renders[r][c][i], renders[0][c][i], 1e-6f) << r << " channel " << c << " frame " << i;
            }
        }
    }
}

TEST_F(HostRender, ToolAndASecondInstanceAgreeBitForBit) {
    hosttest::ScratchDir scratch;
    const Channels input = {hosttest::Sine(110.0, 0.7, 30000), hosttest::Sine(2500.0, 0.2, 30000, 48000, 0.5)};
    const std::string in = scratch / "in.wav";
    const std::string out = scratch / "out.wav";
    ASSERT_TRUE(hosttest::WriteWav(in, input));

    struct AgreementCase {
        const char* mName;
        std::vector<std::string> mOptions;
        std::vector<std::pair<std::string, double>> mSettings;  // applied to the second instance
    };
    const AgreementCase cases[] = {
        {"defaults", {}, {}},
        {"warm", {"--set", "Preamp Gain=12", "--set", "Mic Pre=1", "--set", "HighPass=2", "--set", "Oversampling=1"},
         {{"1", 0.75}, {"10", 1.0}, {"3", 0.5}, {"11", 1.0}}},
    };
    for (const AgreementCase& c : cases) {
        SCOPED_TRACE(c.mName);
        std::vector<std::string> args = {"render", hosttest::kModulePath, in, out, "--compensate", "--quiet"};
        args.insert(args.end(), c.mOptions.begin(), c.mOptions.end());
        const hosttest::ToolRun run = hosttest::RunTool(args, scratch);
        ASSERT_EQ(run.mExitCode, 0) << run.mErr;

        std::unique_ptr<PluginInstance> instance = Make(2);
        for (const auto& [id, value] : c.mSettings) {
            ASSERT_EQ(instance->Update(id, value), HPI_SUCCESS);
        }
        const Channels expected = Render(*instance, input, Compensated());
        const Channels written = hosttest::ReadWav(out);
        ASSERT_EQ(written.size(), 2u);
        ASSERT_EQ(written[0].size(), input[0].size());
        EXPECT_EQ(written, expected);
        EXPECT_NE(written, input);
    }
}

}  // namespace
