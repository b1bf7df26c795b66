// The product rendering on its own thread while the host's main thread
// changes parameters and state: every output sample stays finite, and once
// the traffic stops the host's parameters, the Params and the engine settings
// all tell the same story.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "core/param_table.h"
#include "hpi/sdk/hpi_chunk.h"
#include "thread_test_support.h"

namespace {

using thread_tests::Lcg;
using thread_tests::Product;
using thread_tests::RenderThread;

const char* IdOf(const Tarnwhistle& plug, int paramIdx) { return plug.ParamIdentifier(paramIdx); }

// One kind of main-thread traffic, as a host or the editor sends it.
struct HostAction {
    const char* name;
    void (*run)(Tarnwhistle& plug, Lcg& random);
};

const HostAction kHostActions[] = {
    {"update normalised value",
     [](Tarnwhistle& plug, Lcg& random) {
         plug.UpdateParameterNormalizedValue(IdOf(plug, random.Below(kNumChannelParams)), random.Unit());
     }},
    {"update relative",
     [](Tarnwhistle& plug, Lcg& random) {
         plug.UpdateParameterNormalizedRelative(IdOf(plug, random.Below(kNumChannelParams)), random.Unit() - 0.5);
     }},
    {"set-value request answered by an update",
     [](Tarnwhistle& plug, Lcg& random) {
         plug.SetParameterNormalizedValue(IdOf(plug, random.Below(kNumChannelParams)), random.Unit());
     }},
    {"set relative",
     [](Tarnwhistle& plug, Lcg& random) {
         plug.SetParameterNormalizedRelative(IdOf(plug, random.Below(kNumChannelParams)), random.Unit() - 0.5);
     }},
    {"editor gesture",
     [](Tarnwhistle& plug, Lcg& random) {
         const int paramIdx = random.Below(kNumChannelParams);
         plug.BeginUIParamGesture(paramIdx);
         for (int step = 0; step < 3; ++step) {
             plug.SendUIParamValue(paramIdx, random.Unit());
         }
         plug.EndUIParamGesture(paramIdx);
     }},
    {"master bypass",
     [](Tarnwhistle& plug, Lcg& random) { plug.UpdateParameterNormalizedValue("", random.Unit() < 0.25 ? 1.0 : 0.0); }},
    {"oversampling switch",
     [](Tarnwhistle& plug, Lcg& random) {
         plug.UpdateParameterNormalizedValue(IdOf(plug, kOversampling), random.Unit() < 0.5 ? 0.0 : 1.0);
     }},
    {"packet update and wake-up",
     [](Tarnwhistle& plug, Lcg&) {
         plug.UpdatePackets();
         plug.TimerWakeup();
     }},
    {"offline notification",
     [](Tarnwhistle& plug, Lcg& random) {
         plug.Notification(random.Unit() < 0.5 ? HPI_eNotification_EnterOfflineMode
                                               : HPI_eNotification_ExitOfflineMode,
                           nullptr, 0);
     }},
    {"host queries",
     [](Tarnwhistle& plug, Lcg& random) {
         const char* id = IdOf(plug, random.Below(kNumChannelParams));
         char text[64];
         double value = 0.0;
         int32_t size = 0;
         plug.GetParameterValueString(id, 16, text, sizeof text);
         plug.GetParameterNormalizedValue(id, &value);
         plug.GetChunkSize(HPI_FourCharCode("Twh1"), &size);
     }},
};

// After the traffic: each host parameter holds its Param's value, and the
// engine settings are those the final values map to.
void ExpectOneStory(const Tarnwhistle& plug) {
    ParamTable expectedParams(kNumChannelParams);
    DefineChannelParameters(expectedParams);
    EngineSettings expected;
    for (int i = 0; i < kNumChannelParams; ++i) {
        SCOPED_TRACE(i);
        const Param& param = *plug.GetParam(i);
        ASSERT_TRUE(std::isfinite(param.GetValue()));
        EXPECT_GE(param.GetValue(), param.Min());
        EXPECT_LE(param.GetValue(), param.Max());
        double hostNorm = -1.0;
        ASSERT_EQ(const_cast<Tarnwhistle&>(plug).GetParameterNormalizedValue(IdOf(plug, i), &hostNorm), HPI_SUCCESS);
        EXPECT_NEAR(hostNorm, param.GetNorm(), 1e-9);
        expectedParams.GetParam(i)->SetValue(param.GetValue());
    }
    for (int i = 0; i < kNumChannelParams; ++i) {
        ApplyParamChange(i, expectedParams, expected);
    }
    const EngineSettings& actual = plug.Settings();
    EXPECT_EQ(actual.driveTarget.load(), expected.driveTarget.load());
    EXPECT_EQ(actual.trimTarget.load(), expected.trimTarget.load());
    EXPECT_EQ(actual.highPassSelection.load(), expected.highPassSelection.load());
    EXPECT_EQ(actual.lowFrequencySelection.load(), expected.lowFrequencySelection.load());
    EXPECT_EQ(actual.lowPositionTarget.load(), expected.lowPositionTarget.load());
    EXPECT_EQ(actual.midFrequencySelection.load(), expected.midFrequencySelection.load());
    EXPECT_EQ(actual.midPositionTarget.load(), expected.midPositionTarget.load());
    EXPECT_EQ(actual.highPositionTarget.load(), expected.highPositionTarget.load());
    EXPECT_EQ(actual.processingSwitch.load(), expected.processingSwitch.load());
    EXPECT_EQ(actual.micCurveSelection.load(), expected.micCurveSelection.load());
    EXPECT_EQ(actual.oversamplingPasses.load(), expected.oversamplingPasses.load());
    EXPECT_EQ(actual.latencyBase.load(), expected.latencyBase.load());
}

void ExpectCleanRender(RenderThread& render) {
    EXPECT_EQ(render.NonFiniteSamples(), 0);
    EXPECT_EQ(render.HugeSamples(), 0) << "peak " << render.Peak();
    render.RenderOnce();
    EXPECT_EQ(render.NonFiniteSamples(), 0) << "a block after the traffic";
}

class RenderThreads : public testing::Test {
protected:
    RenderThreads() : mRender(*mProduct.plug, static_cast<HPI_ITransport*>(&mProduct.instance)) {}

    Tarnwhistle& Plug() { return *mProduct.plug; }

    Product mProduct;
    RenderThread mRender;
};

TEST_F(RenderThreads, HostAndEditorTrafficWhileRendering) {
    constexpr int kRounds = 3000;
    std::vector<int> runs(std::size(kHostActions), 0);
    Lcg random(7);
    mRender.Start();
    for (int round = 0; round < kRounds; ++round) {
        const int action = random.Below(static_cast<int>(std::size(kHostActions)));
        kHostActions[action].run(Plug(), random);
        ++runs[static_cast<std::size_t>(action)];
        if (round % 64 == 0) {
            std::this_thread::yield();  // lets the render thread in on one core
        }
    }
    mRender.WaitForBlocks(50);
    mRender.Stop();

    for (std::size_t i = 0; i < std::size(kHostActions); ++i) {
        EXPECT_GT(runs[i], 0) << kHostActions[i].name;
    }
    ExpectCleanRender(mRender);
    ExpectOneStory(Plug());
}

// What the host may hand over as a chunk: a state written by the plug-in
// with new values, or one damaged in a way hosts and files damage them.
enum class ChunkKind { Valid, NaNValues, Infinities, HugeValues, Truncated, RandomBytes, Empty };

struct ChunkCase {
    const char* name;
    ChunkKind kind;
};

const ChunkCase kChunkCases[] = {
    {"valid state with new values", ChunkKind::Valid},
    {"NaN values", ChunkKind::NaNValues},
    {"infinite values", ChunkKind::Infinities},
    {"values far outside every range", ChunkKind::HugeValues},
    {"truncated state", ChunkKind::Truncated},
    {"random bytes", ChunkKind::RandomBytes},
    {"empty state", ChunkKind::Empty},
};

// A chunk record holding the plug-in's current state changed as kind says.
std::vector<unsigned char> MakeChunk(Tarnwhistle& plug, ChunkKind kind, Lcg& random) {
    const uint32_t id = HPI_FourCharCode("Twh1");
    int32_t size = 0;
    plug.GetChunkSize(id, &size);
    std::vector<unsigned char> record(HPI_ChunkRecordSize(size));
    auto* header = reinterpret_cast<HPI_SChunkHeader*>(record.data());
    header->mSize = size;
    header->mChunkID = id;
    plug.GetChunk(id, header);
    unsigned char* data = HPI_ChunkData(header);
    // The values close the state, one double per parameter.
    const int valuesAt = header->mSize - 8 * kNumChannelParams;
    const auto putValue = [&](int paramIdx, double value) {
        std::memcpy(data + valuesAt + 8 * paramIdx, &value, sizeof value);
    };
    for (int i = 0; i < kNumChannelParams; ++i) {
        const Param& param = *plug.GetParam(i);
        switch (kind) {
            case ChunkKind::Valid:
            case ChunkKind::Truncated:
                putValue(i, param.Restrict(param.Min() + random.Unit() * (param.Max() - param.Min())));
                break;
            case ChunkKind::NaNValues:
                putValue(i, std::numeric_limits<double>::quiet_NaN());
                break;
            case ChunkKind::Infinities:
                putValue(i, (i % 2 == 0 ? 1.0 : -1.0) * std::numeric_limits<double>::infinity());
                break;
            case ChunkKind::HugeValues:
                putValue(i, (i % 2 == 0 ? 1.0 : -1.0) * 1e300);
                break;
            case ChunkKind::RandomBytes:
            case ChunkKind::Empty:
                break;
        }
    }
    if (kind == ChunkKind::Truncated) {
        header->mSize = random.Below(header->mSize);
    } else if (kind == ChunkKind::RandomBytes) {
        for (int32_t i = 0; i < header->mSize; ++i) {
            data[i] = static_cast<unsigned char>(random.Next());
        }
    } else if (kind == ChunkKind::Empty) {
        header->mSize = 0;
    }
    return record;
}

TEST_F(RenderThreads, ChunksSetWhileRendering) {
    constexpr int kRounds = 600;
    const uint32_t id = HPI_FourCharCode("Twh1");
    Lcg random(11);
    mRender.Start();
    for (int round = 0; round < kRounds; ++round) {
        const ChunkCase& chunkCase = kChunkCases[round % std::size(kChunkCases)];
        std::vector<unsigned char> record = MakeChunk(Plug(), chunkCase.kind, random);
        auto* header = reinterpret_cast<HPI_SChunkHeader*>(record.data());
        ASSERT_EQ(Plug().SetChunk(id, header), HPI_SUCCESS) << chunkCase.name;
        bool equal = false;
        Plug().CompareActiveChunk(header, &equal);
        if (chunkCase.kind == ChunkKind::Valid) {
            EXPECT_TRUE(equal) << "a valid chunk just set matches the live state";
        }
        if (round % 8 == 0) {
            std::this_thread::yield();
        }
    }
    mRender.WaitForBlocks(50);
    mRender.Stop();

    ExpectCleanRender(mRender);
    ExpectOneStory(Plug());
}

}  // namespace
