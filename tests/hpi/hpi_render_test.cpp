// The render bridge: contexts in, the processor's blocks out.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fake_host.h"
#include "hpi/hpi_adapter.h"
#include "hpi/sdk/hpi_entry_points.h"
#include "test_plugins.h"

namespace {

using fake_host::RenderContext;
using test_plugins::InitialisedTestPlug;
using test_plugins::TestFlags;
using test_plugins::TestPlug;

constexpr HPI_RenderProc kRender = &HPI_CPluginParameters::StaticRenderAudio;

// An initialised plug-in with one stereo context whose private block holds it.
class Render : public testing::Test {
protected:
    explicit Render(const TestFlags& flags = {}, int channels = 2, int frames = 64)
        : mSetup(flags), mContext(channels, frames, static_cast<HPI_ITransport*>(&mSetup.instance)) {
        Plug().ResetFieldData(HPI_eRenderField_PrivateData, &mContext.privateData, sizeof mContext.privateData);
    }

    TestPlug& Plug() { return *mSetup.plug; }
    fake_host::FakeInstance& Host() { return mSetup.instance; }
    void RenderOnce() { mContext.Render(kRender); }
    bool OutputsEqualInputs() const {
        for (std::size_t c = 0; c < mContext.outputs.size(); ++c) {
            if (mContext.outputs[c] != mContext.inputs[c]) {
                return false;
            }
        }
        return true;
    }

    InitialisedTestPlug mSetup;
    RenderContext mContext;
};

TEST_F(Render, FieldInitialisationStoresTheInstanceAndZeroFillsOtherFields) {
    EXPECT_EQ(mContext.privateData.mEffectParameters, static_cast<HPI_IEffectParameters*>(&Plug()));
    unsigned char block[16];
    std::memset(block, 0xAB, sizeof block);
    EXPECT_EQ(Plug().ResetFieldData(HPI_eRenderField_Meters, block, sizeof block), HPI_SUCCESS);
    for (unsigned char byte : block) {
        EXPECT_EQ(byte, 0);
    }
}

TEST_F(Render, AWrongPrivateBlockSizeIsReportedAndAShortBlockKeepsNoPointer) {
    fake_host::FakeLibrary library;
    HPIStartup(static_cast<HPI_IHostServices*>(&library));
    struct SizeCase {
        uint32_t size;
        bool stored;
    };
    for (SizeCase c : {SizeCase{16, true}, SizeCase{4, false}}) {
        SCOPED_TRACE(c.size);
        library.assertions.clear();
        unsigned char block[16];
        std::memset(block, 0xAB, sizeof block);
        EXPECT_EQ(Plug().ResetFieldData(HPI_eRenderField_PrivateData, block, c.size), HPI_SUCCESS);
        ASSERT_EQ(library.assertions.size(), 1u);
        EXPECT_EQ(library.assertions[0].expression, "iDataSize == sizeof(HPI_SPluginPrivateData)");
        EXPECT_EQ(library.assertions[0].file.rfind("src/hpi/parameters", 0), 0u) << library.assertions[0].file;
        if (c.stored) {
            HPI_IEffectParameters* stored = nullptr;
            std::memcpy(&stored, block, sizeof stored);
            EXPECT_EQ(stored, static_cast<HPI_IEffectParameters*>(&Plug()));
        } else {
            for (uint32_t i = 0; i < c.size; ++i) {
                EXPECT_EQ(block[i], 0) << "zero-filled, no pointer";
            }
        }
        if (c.size < sizeof block) {
            EXPECT_EQ(block[c.size], 0xAB) << "nothing written past the block";
        }
    }
    HPIShutdown();
}

TEST_F(Render, ProcessesTheBlockThroughTheProcessor) {
    RenderOnce();
    EXPECT_EQ(Plug().blocksProcessed, 1);
    EXPECT_TRUE(OutputsEqualInputs());
}

// Contexts the host cannot back: nothing is written and nothing processed.
TEST_F(Render, UnusableContextsWriteNothing) {
    struct SkipCase {
        const char* what;
        void (*spoil)(RenderContext&);
    };
    const SkipCase kCases[] = {
        {"no private block", [](RenderContext& r) { r.context.mPrivateData = nullptr; }},
        {"no instance in the block", [](RenderContext& r) { r.privateData.mEffectParameters = nullptr; }},
        {"no frame count", [](RenderContext& r) { r.context.mNumSamples = nullptr; }},
        {"zero frames", [](RenderContext& r) { r.SetFrames(0); }},
        {"negative frames", [](RenderContext& r) { r.SetFrames(-64); }},
        {"no input array", [](RenderContext& r) { r.context.mInputs = nullptr; }},
        {"no output array", [](RenderContext& r) { r.context.mOutputs = nullptr; }},
        {"a null input channel", [](RenderContext& r) { r.inputPointers[1] = nullptr; }},
        {"a null output channel", [](RenderContext& r) { r.outputPointers[1] = nullptr; }},
    };
    for (const SkipCase& c : kCases) {
        SCOPED_TRACE(c.what);
        RenderContext context(2, 64, static_cast<HPI_ITransport*>(&Host()));
        Plug().ResetFieldData(HPI_eRenderField_PrivateData, &context.privateData, sizeof context.privateData);
        c.spoil(context);
        context.Render(kRender);
        EXPECT_TRUE(context.OutputsUntouched());
        EXPECT_EQ(Plug().blocksProcessed, 0);
    }
}

TEST_F(Render, NullContextArraysAndEntriesAreSkipped) {
    kRender(nullptr, nullptr);
    HPI_SRenderContext* contexts[3] = {nullptr, &mContext.context, nullptr};
    kRender(contexts + 2, contexts);  // end before begin
    kRender(contexts, contexts + 1);
    EXPECT_TRUE(mContext.OutputsUntouched());
    kRender(contexts, contexts + 3);
    EXPECT_EQ(Plug().blocksProcessed, 1);
}

class MonoRender : public Render {
protected:
    MonoRender() : Render({}, 1, 64) {
        Host().inputStem = HPI_eStemFormat_Mono;
        Host().outputStem = HPI_eStemFormat_Mono;
    }
};

TEST_F(MonoRender, ConnectsOneChannelEachWay) {
    RenderOnce();
    EXPECT_TRUE(Plug().IsChannelConnected(DirInput, 0));
    EXPECT_FALSE(Plug().IsChannelConnected(DirInput, 1));
    EXPECT_TRUE(Plug().IsChannelConnected(DirOutput, 0));
    EXPECT_FALSE(Plug().IsChannelConnected(DirOutput, 1));
    EXPECT_TRUE(OutputsEqualInputs());
}

TEST_F(Render, ALongerBlockGrowsTheBlockSizeOnceWithoutAReset) {
    ASSERT_EQ(Plug().BlockSize(), 512);
    const int resets = Plug().resets;
    mContext.SetChannels(2, 1024);
    RenderOnce();
    EXPECT_EQ(Plug().BlockSize(), 1024);
    EXPECT_EQ(Plug().resets, resets);
    EXPECT_TRUE(OutputsEqualInputs());
    RenderOnce();
    mContext.SetChannels(2, 256);
    RenderOnce();
    EXPECT_EQ(Plug().BlockSize(), 1024);
    EXPECT_EQ(Plug().resets, resets);
    EXPECT_TRUE(OutputsEqualInputs());
}

TEST_F(Render, BypassPassesAudioAndLeavesTimeInfoAndEditorMidiAlone) {
    Plug().UpdateParameterNormalizedValue("", 1.0);
    Plug().GetTimeInfo().tempo = 77.0;
    Host().tempo = 140.0;
    Plug().QueueUIMidi(MidiMessage{3, 0x90, 60, 100});
    RenderOnce();
    EXPECT_TRUE(OutputsEqualInputs());
    EXPECT_EQ(Plug().blocksProcessed, 0);
    EXPECT_EQ(Plug().GetTimeInfo().tempo, 77.0);
    EXPECT_TRUE(Plug().midiProcessed.empty());

    Plug().UpdateParameterNormalizedValue("", 0.0);
    RenderOnce();
    EXPECT_EQ(Plug().blocksProcessed, 1);
    EXPECT_EQ(Plug().GetTimeInfo().tempo, 140.0);
    ASSERT_EQ(Plug().midiProcessed.size(), 1u);
    EXPECT_EQ(Plug().midiProcessed[0].data1, 60);
}

class LatentRender : public Render {
protected:
    LatentRender() : Render(TestFlags{false, false, 16}) {}
};

TEST_F(LatentRender, BypassDelaysByTheLatency) {
    Plug().UpdateParameterNormalizedValue("", 1.0);
    RenderOnce();
    for (std::size_t c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < 64; ++i) {
            const float expected = i < 16 ? 0.0f : mContext.inputs[c][i - 16];
            ASSERT_EQ(mContext.outputs[c][i], expected) << c << ":" << i;
        }
    }
}

TEST_F(Render, TransportFillsTheTimeInfo) {
    struct TickCase {
        int64_t ticks;
        double quarterNotes;
    };
    const TickCase kCases[] = {{-960000, 0.0}, {2 * 960000, 2.0}, {480000, 0.5}, {0, 0.0}};
    for (const TickCase& c : kCases) {
        SCOPED_TRACE(c.ticks);
        Host().ticks = c.ticks;
        RenderOnce();
        EXPECT_EQ(Plug().GetTimeInfo().ppqPos, c.quarterNotes);
    }
    Host().tempo = 90.0;
    Host().meterNumerator = 7;
    Host().meterDenominator = 8;
    Host().playing = true;
    Host().looping = true;
    Host().loopStartTicks = 960000;
    Host().loopEndTicks = 4 * 960000;
    Host().sampleLocation = 48000;
    RenderOnce();
    const TimeInfo& info = Plug().GetTimeInfo();
    EXPECT_EQ(info.tempo, 90.0);
    EXPECT_EQ(info.numerator, 7);
    EXPECT_EQ(info.denominator, 8);
    EXPECT_TRUE(info.transportIsRunning);
    EXPECT_TRUE(info.transportLoopEnabled);
    EXPECT_EQ(info.cycleStart, 1.0);
    EXPECT_EQ(info.cycleEnd, 4.0);
    EXPECT_EQ(info.samplePos, 48000.0);
    EXPECT_EQ(info.lastBar, -1.0);

    for (double bad : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN()}) {
        Host().tempo = bad;
        RenderOnce();
        EXPECT_EQ(Plug().GetTimeInfo().tempo, 120.0) << "an unusable tempo keeps the start value";
    }
}

TEST_F(Render, NoTransportNodeLeavesTheStartValues) {
    mContext.context.mTransportNode = nullptr;
    Host().ticks = 960000;
    RenderOnce();
    EXPECT_EQ(Plug().HostTransport(), nullptr);
    EXPECT_EQ(Plug().GetTimeInfo().ppqPos, -1.0);
    EXPECT_EQ(Plug().GetTimeInfo().tempo, 120.0);
}

TEST_F(Render, ReportLatencyTellsTheHostFirst) {
    std::vector<int> latencySeenByHost;
    Host().onLatency = [&](int32_t) { latencySeenByHost.push_back(Plug().Latency()); };
    struct LatencyCase {
        int reported;
        int32_t told;
    };
    const LatencyCase kCases[] = {{32, 32}, {-5, 0}, {kMaxLatencySamples + 10, kMaxLatencySamples}};
    int previous = Plug().Latency();
    for (const LatencyCase& c : kCases) {
        SCOPED_TRACE(c.reported);
        Host().latencies.clear();
        latencySeenByHost.clear();
        Plug().ReportLatency(c.reported);
        EXPECT_EQ(Host().latencies, (std::vector<int32_t>{c.told}));
        EXPECT_EQ(latencySeenByHost, (std::vector<int>{previous}));
        EXPECT_EQ(Plug().Latency(), c.told);
        previous = Plug().Latency();
    }
    Plug().ReportLatency(0);
}

class MidiRender : public Render {
protected:
    MidiRender() : Render(TestFlags{true, true, 0}) {}
    std::vector<std::vector<uint8_t>> PostedBytes() const {
        std::vector<std::vector<uint8_t>> packets;
        for (const HPI_SMIDIPacket& p : mContext.outputNode.posted) {
            packets.emplace_back(p.mData, p.mData + p.mLength);
        }
        return packets;
    }
};

TEST_F(MidiRender, QueuedMessagesArePostedInOffsetOrder) {
    EXPECT_TRUE(Plug().SendMidi(MidiMessage{5, 0x90, 1, 1}));
    EXPECT_TRUE(Plug().SendMidi(MidiMessage{1, 0x90, 2, 2}));
    EXPECT_TRUE(Plug().SendMidi(MidiMessage{5, 0x90, 3, 3}));
    RenderOnce();
    const auto& posted = mContext.outputNode.posted;
    ASSERT_EQ(posted.size(), 3u);
    const uint32_t kTimes[] = {1, 5, 5};
    const uint8_t kNotes[] = {2, 1, 3};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(posted[i].mTimestamp, kTimes[i]);
        EXPECT_EQ(posted[i].mLength, 3u);
        EXPECT_EQ(posted[i].mData[1], kNotes[i]);
        EXPECT_EQ(posted[i].mIsImmediate, 1);
    }
    EXPECT_EQ(Plug().MidiOutPendingCount(), 0);
}

TEST_F(MidiRender, AFullQueueDropsInsteadOfGrowing) {
    for (int i = 0; i < kMidiOutPendingCapacity; ++i) {
        ASSERT_TRUE(Plug().SendMidi(MidiMessage{i, 0x80, 0, 0}));
    }
    EXPECT_FALSE(Plug().SendMidi(MidiMessage{0, 0x80, 0, 0}));
    RenderOnce();
    EXPECT_EQ(mContext.outputNode.posted.size(), static_cast<std::size_t>(kMidiOutPendingCapacity));
}

TEST_F(MidiRender, ASysExOfTenBytesBecomesPacketsOfFourFourAndTwo) {
    const uint8_t bytes[10] = {0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7};
    Plug().QueueUISysEx(SysExMessage{9, 10, bytes});
    RenderOnce();
    EXPECT_EQ(PostedBytes(), (std::vector<std::vector<uint8_t>>{{0xF0, 1, 2, 3}, {4, 5, 6, 7}, {8, 0xF7}}));
    for (const HPI_SMIDIPacket& p : mContext.outputNode.posted) {
        EXPECT_EQ(p.mTimestamp, 9u);
        EXPECT_EQ(p.mIsImmediate, 1);
    }
}

TEST_F(MidiRender, IncomingPacketsReachTheProcessorAndPassThrough) {
    HPI_SMIDIPacket in{};
    in.mTimestamp = 12;
    in.mLength = 3;
    in.mData[0] = 0xB0;
    in.mData[1] = 7;
    in.mData[2] = 99;
    mContext.inputNode.incoming = {in};
    RenderOnce();
    ASSERT_EQ(Plug().midiProcessed.size(), 1u);
    EXPECT_EQ(Plug().midiProcessed[0].offset, 12);
    EXPECT_EQ(Plug().midiProcessed[0].status, 0xB0);
    EXPECT_EQ(Plug().midiProcessed[0].data2, 99);
    EXPECT_EQ(PostedBytes(), (std::vector<std::vector<uint8_t>>{{0xB0, 7, 99}}));
}

TEST_F(Render, APluginThatSendsNoMidiQueuesNone) {
    EXPECT_FALSE(Plug().SendMidi(MidiMessage{0, 0x90, 1, 1}));
    mContext.inputNode.incoming.resize(2);
    RenderOnce();
    EXPECT_TRUE(mContext.outputNode.posted.empty());
    EXPECT_TRUE(Plug().midiProcessed.empty());
}

}  // namespace
