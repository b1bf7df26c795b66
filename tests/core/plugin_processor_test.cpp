#include "core/plugin_processor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "allocation_counter.h"

namespace {

PluginConfig MakeConfig(const char* channelIO, int latency = 0) {
    PluginConfig config;
    config.channelIOString = channelIO;
    config.latency = latency;
    return config;
}

// Float buffers as a host hands them over, one vector per channel.
struct HostBuffers {
    std::vector<std::vector<float>> channels;
    std::vector<float*> pointers;

    HostBuffers(int channelCount, int frames, float fill = 0.0f)
        : channels(static_cast<std::size_t>(channelCount), std::vector<float>(static_cast<std::size_t>(frames), fill)) {
        for (auto& channel : channels) {
            pointers.push_back(channel.data());
        }
    }
    float* const* Data() { return pointers.data(); }
    std::vector<float>& operator[](int i) { return channels[static_cast<std::size_t>(i)]; }
};

// One block the way the host adapter drives it: nIn / nOut host channels,
// the remaining slots unconnected.
void RunBlock(PluginProcessor& processor, float* const* inputs, int nIn, float* const* outputs, int nOut,
              int frames, bool bypass) {
    const int maxIn = processor.MaxChannels(DirInput);
    const int maxOut = processor.MaxChannels(DirOutput);
    processor.ConnectChannels(DirInput, 0, nIn, true);
    processor.ConnectChannels(DirInput, nIn, maxIn - nIn, false);
    processor.AttachHostBuffers(DirInput, 0, nIn, inputs, frames);
    processor.ConnectChannels(DirOutput, 0, nOut, true);
    processor.ConnectChannels(DirOutput, nOut, maxOut - nOut, false);
    processor.AttachHostBuffers(DirOutput, 0, maxOut, outputs, frames);
    if (bypass) {
        processor.BypassHostBuffers(frames);
    } else {
        processor.ProcessHostBuffers(frames);
    }
}

// Signal chain that records what it is handed and writes a marker into every
// output, so tests see exactly what reaches the chain and what reaches the host.
class ProbeProcessor : public PluginProcessor {
public:
    using PluginProcessor::PluginProcessor;

    void ProcessAudioBlock(double** inputs, double** outputs, int frames) override {
        lastFrames = frames;
        seenInputs.assign(static_cast<std::size_t>(MaxChannels(DirInput)), {});
        for (int c = 0; c < MaxChannels(DirInput); ++c) {
            seenInputs[static_cast<std::size_t>(c)].assign(inputs[c], inputs[c] + frames);
        }
        for (int c = 0; c < MaxChannels(DirOutput); ++c) {
            for (int f = 0; f < frames; ++f) {
                outputs[c][f] = c < MaxChannels(DirInput) ? 2.0 * inputs[c][f] : 7.0;
            }
        }
    }

    int lastFrames = -1;
    std::vector<std::vector<double>> seenInputs;
};

bool AllZero(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return v == 0.0; });
}

// ---- Configurations --------------------------------------------------------

TEST(PluginProcessorConfig, LegalIOMatchesChannelTotals) {
    struct Case { const char* io; int inputs, outputs; bool legal; };
    const Case kCases[] = {
        {"1-1 2-2", 1, 1, true},   {"1-1 2-2", 2, 2, true},   {"1-1 2-2", 1, 2, false},
        {"1-1 2-2", -1, 2, true},  {"1-1 2-2", 2, -1, true},  {"1-1 2-2", 0, 0, false},
        {"2-2 *-*", 64, 64, false}, {"2-2 *-*", 2, 2, true},
        {"0-2", 0, 2, true},       {"0-2", 2, 2, false},
        {"", -1, -1, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.io) + " " + std::to_string(c.inputs) + ":" + std::to_string(c.outputs));
        PluginProcessor processor(MakeConfig(c.io));
        EXPECT_EQ(processor.LegalIO(c.inputs, c.outputs), c.legal);
    }
}

TEST(PluginProcessorConfig, SlotsAndBusMaxima) {
    struct Case {
        const char* io;
        int inputSlots, outputSlots;
        int maxInputBuses, lastConfigWithMaxInputBuses;
        int bus0Inputs, bus1Inputs, farBusInputs, bus0Outputs;
    };
    const Case kCases[] = {
        {"1-1 2-2", 2, 2, 1, 1, 2, 0, 0, 2},
        {"2-2 *-*", 2, 2, 1, 1, 2, 0, 0, 2},
        {"*-* 2-2", 2, 2, 1, 1, -1, -1, -1, -1},   // "*" in the first configuration
        {"0-2", 0, 2, 0, 0, 0, 0, 0, 2},
        {"2.1-2 2-2", 3, 2, 2, 0, 2, 1, 0, 2},
        {"", 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.io);
        PluginProcessor processor(MakeConfig(c.io));
        EXPECT_EQ(processor.MaxChannels(DirInput), c.inputSlots);
        EXPECT_EQ(processor.MaxChannels(DirOutput), c.outputSlots);
        int index = -1;
        EXPECT_EQ(processor.MaxBusCount(DirInput, &index), c.maxInputBuses);
        EXPECT_EQ(index, c.lastConfigWithMaxInputBuses);
        EXPECT_EQ(processor.MaxChannelsOfBus(DirInput, 0), c.bus0Inputs);
        EXPECT_EQ(processor.MaxChannelsOfBus(DirInput, 1), c.bus1Inputs);
        EXPECT_EQ(processor.MaxChannelsOfBus(DirInput, 1000), c.farBusInputs);
        EXPECT_EQ(processor.MaxChannelsOfBus(DirOutput, 0), c.bus0Outputs);
        EXPECT_EQ(processor.ConnectedChannelCount(DirInput), 0);
    }
}

TEST(PluginProcessorConfig, ConfigIndexForBusChannels) {
    PluginProcessor processor(MakeConfig("1-1 2-2 2.1-2"));
    struct Case { std::vector<int> inputs, outputs; int index; };
    const Case kCases[] = {
        {{1}, {1}, 0}, {{2}, {2}, 1}, {{2, 1}, {2}, 2},
        {{1}, {2}, -1}, {{2}, {}, -1}, {{}, {}, -1}, {{2, 1, 1}, {2}, -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(processor.ConfigIndexForBusChannels(c.inputs, c.outputs), c.index);
    }
}

TEST(PluginProcessorConfig, BusNames) {
    struct Case { Direction direction; int index, count; const char* name; };
    const Case kCases[] = {
        {DirInput, 0, 1, "Input"},   {DirInput, 0, 2, "Main"},    {DirInput, 1, 2, "Aux"},
        {DirInput, 0, 3, "Input 0"}, {DirInput, 2, 3, "Input 2"}, {DirOutput, 0, 1, "Output"},
        {DirOutput, 1, 2, "Output 1"},
    };
    PluginProcessor processor(MakeConfig("1-1 2-2"));
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TextBuf name("stale");
        processor.BusName(c.direction, c.index, c.count, name);
        EXPECT_STREQ(name.Get(), c.name);
    }
}

// ---- Channel slots and host buffers ---------------------------------------

TEST(PluginProcessorChannels, DefaultBlockCopiesInputsAndSilencesTheRest) {
    PluginProcessor processor(MakeConfig("2-3"));
    double in0[4] = {1, 2, 3, 4}, in1[4] = {-1, -2, -3, -4};
    double out0[4], out1[4], out2[4];
    std::fill_n(out0, 4, 9.0); std::fill_n(out1, 4, 9.0); std::fill_n(out2, 4, 9.0);
    double* inputs[] = {in0, in1};
    double* outputs[] = {out0, out1, out2};
    processor.ProcessAudioBlock(inputs, outputs, 4);
    EXPECT_EQ(std::vector<double>(out0, out0 + 4), std::vector<double>(in0, in0 + 4));
    EXPECT_EQ(std::vector<double>(out1, out1 + 4), std::vector<double>(in1, in1 + 4));
    EXPECT_EQ(std::vector<double>(out2, out2 + 4), std::vector<double>(4, 0.0));
}

// A mono host on a stereo-capable plug-in: slot 1 is unconnected in both
// directions. The chain reads silence from input 1 (even after a stereo block
// left audio in that slot) and its output 1 reaches no host buffer.
TEST(PluginProcessorChannels, MonoHostOnStereoPlugin) {
    ProbeProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetBlockSize(8);
    HostBuffers stereoIn(2, 8, 0.5f), stereoOut(2, 8);
    RunBlock(processor, stereoIn.Data(), 2, stereoOut.Data(), 2, 8, false);
    EXPECT_EQ(stereoOut[1][0], 1.0f);

    HostBuffers monoIn(1, 8, 0.25f);
    HostBuffers monoOut(2, 8, -3.0f);   // element 1 stands for memory the host never offered
    RunBlock(processor, monoIn.Data(), 1, monoOut.Data(), 1, 8, false);
    EXPECT_EQ(processor.ConnectedChannelCount(DirInput), 1);
    EXPECT_EQ(processor.ConnectedChannelCount(DirOutput), 1);
    EXPECT_TRUE(AllZero(processor.seenInputs[1]));
    EXPECT_EQ(monoOut[0], std::vector<float>(8, 0.5f));
    EXPECT_EQ(monoOut[1], std::vector<float>(8, -3.0f));
}

TEST(PluginProcessorChannels, AccumulateAddsToHostOutputs) {
    ProbeProcessor processor(MakeConfig("1-1"));
    processor.SetBlockSize(4);
    HostBuffers in(1, 4, 0.25f), out(1, 4, 1.0f);
    processor.ConnectChannels(DirInput, 0, 1, true);
    processor.ConnectChannels(DirOutput, 0, 1, true);
    processor.AttachHostBuffers(DirInput, 0, 1, in.Data(), 4);
    processor.AttachHostBuffers(DirOutput, 0, 1, out.Data(), 4);
    processor.ProcessHostBuffersAccumulate(4);
    EXPECT_EQ(out[0], std::vector<float>(4, 1.5f));
    processor.ProcessHostBuffers(4);
    EXPECT_EQ(out[0], std::vector<float>(4, 0.5f));
}

TEST(PluginProcessorChannels, SixtyFourBitBuffersArePublishedDirectly) {
    ProbeProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetBlockSize(4);
    std::vector<double> in0(4, 0.5), out0(4, 0.0), out1(4, 9.0);
    double* inputs[] = {in0.data()};
    double* outputs[] = {out0.data(), out1.data()};
    processor.ConnectChannels(DirInput, 0, 1, true);
    processor.ConnectChannels(DirInput, 1, 1, false);
    processor.ConnectChannels(DirOutput, 0, 2, true);
    processor.AttachHostBuffers(DirInput, 0, 2, inputs, 4);
    processor.AttachHostBuffers(DirOutput, 0, 2, outputs, 4);
    processor.ProcessHostBuffers64(4);
    EXPECT_EQ(out0, std::vector<double>(4, 1.0));
    EXPECT_EQ(out1, std::vector<double>(4, 0.0));   // twice the silent input 1
    EXPECT_TRUE(AllZero(processor.seenInputs[1]));
}

// A block longer than the block size is processed up to the block size; the
// rest of an overwritten host output is silence, an accumulated one is left.
TEST(PluginProcessorChannels, FramesBeyondBlockSizeStayInsideBuffers) {
    ProbeProcessor processor(MakeConfig("1-1"));
    processor.SetBlockSize(8);
    HostBuffers in(1, 16, 0.25f), out(1, 16, 9.0f);
    RunBlock(processor, in.Data(), 1, out.Data(), 1, 16, false);
    EXPECT_EQ(processor.lastFrames, 8);
    EXPECT_EQ(std::vector<float>(out[0].begin(), out[0].begin() + 8), std::vector<float>(8, 0.5f));
    EXPECT_EQ(std::vector<float>(out[0].begin() + 8, out[0].end()), std::vector<float>(8, 0.0f));

    HostBuffers sum(1, 16, 1.0f);
    processor.AttachHostBuffers(DirOutput, 0, 1, sum.Data(), 16);
    processor.ProcessHostBuffersAccumulate(16);
    EXPECT_EQ(std::vector<float>(sum[0].begin(), sum[0].begin() + 8), std::vector<float>(8, 1.5f));
    EXPECT_EQ(std::vector<float>(sum[0].begin() + 8, sum[0].end()), std::vector<float>(8, 1.0f));

    const std::vector<float> before = out[0];
    RunBlock(processor, in.Data(), 1, out.Data(), 1, -5, true);   // a negative count does nothing
    EXPECT_EQ(out[0], before);
}

TEST(PluginProcessorChannels, NullHostPointersReadSilenceAndDiscard) {
    ProbeProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetBlockSize(8);
    HostBuffers in(2, 8, 0.5f), out(2, 8);
    RunBlock(processor, in.Data(), 2, out.Data(), 2, 8, false);   // leave audio in the scratch buffers

    float* inputs[] = {nullptr, in[1].data()};
    float* outputs[] = {out[0].data(), nullptr};
    RunBlock(processor, inputs, 2, outputs, 2, 8, false);
    EXPECT_TRUE(AllZero(processor.seenInputs[0]));
    EXPECT_EQ(processor.seenInputs[1], std::vector<double>(8, 0.5));
    EXPECT_EQ(out[0], std::vector<float>(8, 0.0f));

    RunBlock(processor, nullptr, 2, nullptr, 2, 8, false);
    RunBlock(processor, nullptr, 2, nullptr, 2, 8, true);
    EXPECT_TRUE(AllZero(processor.seenInputs[1]));
}

// Growing the block moves every scratch buffer; the chain must get the new,
// zeroed buffers even before the next attach.
TEST(PluginProcessorChannels, SetBlockSizeZeroFillsAndRepublishes) {
    ProbeProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetBlockSize(4);
    HostBuffers in(2, 4, 0.5f), out(2, 4);
    RunBlock(processor, in.Data(), 2, out.Data(), 2, 4, false);
    for (int size : {4096, 3}) {
        SCOPED_TRACE(size);
        processor.SetBlockSize(size);
        EXPECT_EQ(processor.BlockSize(), size);
        processor.ProcessHostBuffers(size);
        EXPECT_EQ(processor.lastFrames, size);
        EXPECT_TRUE(AllZero(processor.seenInputs[0]));
        EXPECT_TRUE(AllZero(processor.seenInputs[1]));
    }
    EXPECT_EQ(out[0], std::vector<float>(4, 1.0f));   // host buffers of the old block are let go
}

TEST(PluginProcessorChannels, ChannelLabels) {
    PluginProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetChannelLabel(DirInput, 1, "In %i", false);
    processor.SetChannelLabel(DirOutput, 1, "Out %i", true);
    processor.SetChannelLabel(DirOutput, 0, "A very long channel label number %i of many", false);
    processor.SetChannelLabel(DirOutput, 2, "Missing %i", false);
    processor.SetChannelLabel(DirInput, -1, "Missing %i", false);
    EXPECT_STREQ(processor.ChannelLabel(DirInput, 1), "In 2");
    EXPECT_STREQ(processor.ChannelLabel(DirOutput, 1), "Out 1");
    EXPECT_EQ(std::string(processor.ChannelLabel(DirOutput, 0)), std::string("A very long channel label number 1 of many").substr(0, 32));
    EXPECT_STREQ(processor.ChannelLabel(DirOutput, 2), "");
    EXPECT_STREQ(processor.ChannelLabel(DirInput, 0), "");
}

// ---- Bypass and latency ------------------------------------------------------

// Each channel carries its own ramp, so a frame or channel mix-up shows.
float Ramp(int channel, int t) { return (channel == 0 ? 1.0f : -1.0f) * static_cast<float>(t + 1); }

// Runs totalFrames of ramps through bypass in blocks of blockFrames and
// returns what the host received per channel.
std::vector<std::vector<float>> BypassRamp(PluginProcessor& processor, int blockFrames, int totalFrames) {
    std::vector<std::vector<float>> received(2);
    HostBuffers in(2, blockFrames), out(2, blockFrames);
    for (int start = 0; start < totalFrames; start += blockFrames) {
        const int frames = std::min(blockFrames, totalFrames - start);
        for (int c = 0; c < 2; ++c) {
            for (int f = 0; f < frames; ++f) {
                in[c][static_cast<std::size_t>(f)] = Ramp(c, start + f);
            }
        }
        RunBlock(processor, in.Data(), 2, out.Data(), 2, frames, true);
        for (int c = 0; c < 2; ++c) {
            received[static_cast<std::size_t>(c)].insert(received[static_cast<std::size_t>(c)].end(), out[c].begin(), out[c].begin() + frames);
        }
    }
    return received;
}

void ExpectDelayedRamp(const std::vector<std::vector<float>>& received, int latency) {
    for (int c = 0; c < 2; ++c) {
        const auto& channel = received[static_cast<std::size_t>(c)];
        for (int t = 0; t < static_cast<int>(channel.size()); ++t) {
            const float expected = t < latency ? 0.0f : Ramp(c, t - latency);
            ASSERT_EQ(channel[static_cast<std::size_t>(t)], expected) << "channel " << c << " frame " << t;
        }
    }
}

TEST(PluginProcessorBypass, OutputIsInputDelayedByLatency) {
    struct Case { int latency; int blockFrames; bool fromConfig; };
    const Case kCases[] = {
        {64, 37, false}, {64, 64, false}, {64, 101, false}, {64, 1, false},
        {0, 37, false}, {0, 128, false}, {16, 33, true}, {3, 7, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::to_string(c.latency) + " in blocks of " + std::to_string(c.blockFrames));
        PluginProcessor processor(MakeConfig("1-1 2-2", c.fromConfig ? c.latency : 0));
        processor.SetBlockSize(c.blockFrames);
        if (!c.fromConfig) {
            processor.ReportLatency(c.latency);
        }
        EXPECT_EQ(processor.Latency(), c.latency);
        ExpectDelayedRamp(BypassRamp(processor, c.blockFrames, 500), c.latency);
    }
}

TEST(PluginProcessorBypass, LatencyChangesRestartTheLine) {
    PluginProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetBlockSize(50);
    processor.ReportLatency(64);
    BypassRamp(processor, 50, 200);

    processor.ReportLatency(0);   // empties the line: a plain copy from now on
    ExpectDelayedRamp(BypassRamp(processor, 50, 200), 0);

    processor.ReportLatency(64);  // starts again from zeros
    ExpectDelayedRamp(BypassRamp(processor, 50, 200), 64);
}

// Reporting the current latency again must not drop the delayed audio.
TEST(PluginProcessorBypass, RepeatedLatencyReportKeepsTheLine) {
    PluginProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetBlockSize(10);
    processor.ReportLatency(24);
    std::vector<std::vector<float>> received(2);
    HostBuffers in(2, 10), out(2, 10);
    for (int start = 0; start < 100; start += 10) {
        for (int c = 0; c < 2; ++c) {
            for (int f = 0; f < 10; ++f) {
                in[c][static_cast<std::size_t>(f)] = Ramp(c, start + f);
            }
        }
        processor.ReportLatency(24);
        RunBlock(processor, in.Data(), 2, out.Data(), 2, 10, true);
        for (int c = 0; c < 2; ++c) {
            received[static_cast<std::size_t>(c)].insert(received[static_cast<std::size_t>(c)].end(), out[c].begin(), out[c].end());
        }
    }
    ExpectDelayedRamp(received, 24);
}

// A 64-bit host may process in place: input and output are the same buffer.
TEST(PluginProcessorBypass, InPlaceSixtyFourBitBuffers) {
    for (int latency : {0, 5}) {
        SCOPED_TRACE(latency);
        PluginProcessor processor(MakeConfig("1-1"));
        processor.SetBlockSize(8);
        processor.ReportLatency(latency);
        std::vector<double> received;
        for (int start = 0; start < 24; start += 8) {
            std::vector<double> buffer(8);
            for (int f = 0; f < 8; ++f) {
                buffer[static_cast<std::size_t>(f)] = start + f + 1;
            }
            double* pointers[] = {buffer.data()};
            processor.ConnectChannels(DirInput, 0, 1, true);
            processor.ConnectChannels(DirOutput, 0, 1, true);
            processor.AttachHostBuffers(DirInput, 0, 1, pointers, 8);
            processor.AttachHostBuffers(DirOutput, 0, 1, pointers, 8);
            processor.BypassHostBuffers64(8);
            received.insert(received.end(), buffer.begin(), buffer.end());
        }
        for (int t = 0; t < 24; ++t) {
            EXPECT_EQ(received[static_cast<std::size_t>(t)], t < latency ? 0.0 : t - latency + 1) << t;
        }
    }
}

// Outputs without a matching input are silent in bypass, with and without
// latency, and a plug-in without inputs has no line at all.
TEST(PluginProcessorBypass, OutputsWithoutInputAreSilent) {
    for (const char* io : {"1-2", "0-2"}) {
        for (int latency : {0, 16}) {
            SCOPED_TRACE(std::string(io) + " latency " + std::to_string(latency));
            ProbeProcessor processor(MakeConfig(io));
            processor.SetBlockSize(8);
            processor.ReportLatency(latency);
            const int nIn = processor.MaxChannels(DirInput);
            HostBuffers in(1, 8, 0.5f), out(2, 8);
            RunBlock(processor, in.Data(), nIn, out.Data(), 2, 8, false);   // chain writes 7 to output 1
            RunBlock(processor, in.Data(), nIn, out.Data(), 2, 8, true);
            EXPECT_EQ(out[1], std::vector<float>(8, 0.0f));
        }
    }
}

// ---- Real-time safety ----------------------------------------------------------

// The chain reports its latency from inside the block, as the product does.
class LatencyReportingProcessor : public PluginProcessor {
public:
    using PluginProcessor::PluginProcessor;
    void ProcessAudioBlock(double** inputs, double** outputs, int frames) override {
        ReportLatency(latency);
        PluginProcessor::ProcessAudioBlock(inputs, outputs, frames);
    }
    int latency = 80;
};

TEST(PluginProcessorRealTime, BlocksAllocateNothingOnceSizesAreSettled) {
    LatencyReportingProcessor processor(MakeConfig("1-1 2-2"));
    processor.SetBlockSize(512);
    processor.ReportLatency(80);
    HostBuffers in(2, 512, 0.5f), out(2, 512);
    std::vector<double> in64(512, 0.5), out64(512);
    double* inputs64[] = {in64.data(), in64.data()};
    double* outputs64[] = {out64.data(), out64.data()};

    test_support::AllocationScope scope;
    for (int block = 0; block < 8; ++block) {
        const int frames = block % 2 == 0 ? 512 : 77;
        const int nIn = block % 3 == 0 ? 1 : 2;
        RunBlock(processor, in.Data(), nIn, out.Data(), nIn, frames, false);
        RunBlock(processor, in.Data(), nIn, out.Data(), nIn, frames, true);
        processor.ProcessHostBuffersAccumulate(frames);
        processor.AttachHostBuffers(DirInput, 0, 2, inputs64, frames);
        processor.AttachHostBuffers(DirOutput, 0, 2, outputs64, frames);
        processor.ProcessHostBuffers64(frames);
        processor.BypassHostBuffers64(frames);
        processor.latency = block < 4 ? 80 : 16;   // shrinking reuses the line's memory
    }
    EXPECT_EQ(scope.Count(), 0u);
    EXPECT_EQ(processor.Latency(), 16);
}

// ---- MIDI, transport, rate -----------------------------------------------------

class MidiRecorder : public PluginProcessor {
public:
    using PluginProcessor::PluginProcessor;
    bool SendMidi(const MidiMessage& message) override {
        sent.push_back(message.status);
        return message.status != 0xF8;
    }
    std::vector<int> sent;
};

TEST(PluginProcessorMidi, ProcessMidiForwardsAndListsReportFailure) {
    MidiRecorder processor(MakeConfig("1-1"));
    processor.ProcessMidi({3, 0x90, 60, 100});
    const MidiMessage ok[] = {{0, 0x80, 60, 0}, {1, 0xB0, 7, 10}};
    const MidiMessage mixed[] = {{0, 0xF8, 0, 0}, {1, 0x90, 1, 1}};
    EXPECT_TRUE(processor.SendMidiList(ok));
    EXPECT_FALSE(processor.SendMidiList(mixed));
    EXPECT_EQ(processor.sent, (std::vector<int>{0x90, 0x80, 0xB0, 0xF8, 0x90}));   // a failure stops nothing
    EXPECT_FALSE(PluginProcessor(MakeConfig("1-1")).SendMidi({}));
}

TEST(PluginProcessorTransport, SamplesPerBeatAndRate) {
    PluginProcessor processor(MakeConfig("1-1"));
    EXPECT_EQ(processor.SampleRate(), 48000.0);
    EXPECT_EQ(processor.GetTimeInfo().tempo, 120.0);
    EXPECT_EQ(processor.SamplesPerBeat(), 24000.0);
    for (double bad : {0.0, -44100.0, std::nan(""), HUGE_VAL}) {
        processor.SetSampleRate(bad);
    }
    EXPECT_EQ(processor.SampleRate(), 48000.0);
    processor.SetSampleRate(44100.0);
    processor.GetTimeInfo().tempo = 90.0;
    EXPECT_EQ(processor.SamplesPerBeat(), 29400.0);
    for (double tempo : {0.0, -10.0, std::nan("")}) {
        processor.GetTimeInfo().tempo = tempo;
        EXPECT_EQ(processor.SamplesPerBeat(), 0.0);
    }
}

}  // namespace
