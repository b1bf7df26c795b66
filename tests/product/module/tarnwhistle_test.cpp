// The product class on the HPI adapter: construction, state, host traffic
// reaching the engine, and rendering.
#include "tarnwhistle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "allocation_counter.h"
#include "core/byte_chunk.h"
#include "fake_host.h"
#include "hpi/hpi_guarded_faces.h"
#include "product/module/hpi/hpi_module.h"
#include "test_plugins.h"

namespace {

using test_plugins::PlugRef;

// A Tarnwhistle made by the factory and initialised with a fake host.
struct Product {
    Product() : plug(static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}))) {
        instance.answerRequests = plug.get();
        plug->Initialize(static_cast<HPI_IController*>(&instance));
    }
    fake_host::FakeInstance instance;
    PlugRef<Tarnwhistle> plug;
};

// The state of a fresh instance, byte for byte: width 0, height 0, scale 0.0f,
// then the eleven defaults as little-endian doubles (only "Bypass" is 1.0).
const uint8_t kFreshState[100] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,           // editor width, height, scale
    0, 0, 0, 0, 0, 0, 0, 0,                       // Preamp Gain 0.0
    0, 0, 0, 0, 0, 0, 0, 0,                       // Output Trim 0.0
    0, 0, 0, 0, 0, 0, 0, 0,                       // HighPass 0
    0, 0, 0, 0, 0, 0, 0, 0,                       // Low Freq 0
    0, 0, 0, 0, 0, 0, 0, 0,                       // Low Gain 0.0
    0, 0, 0, 0, 0, 0, 0, 0,                       // Mid Freq 0
    0, 0, 0, 0, 0, 0, 0, 0,                       // Mid Gain 0.0
    0, 0, 0, 0, 0, 0, 0, 0,                       // High Gain 0.0
    0, 0, 0, 0, 0, 0, 0xF0, 0x3F,                 // Bypass 1.0
    0, 0, 0, 0, 0, 0, 0, 0,                       // Mic Pre 0
    0, 0, 0, 0, 0, 0, 0, 0,                       // Oversampling 0
};

TEST(Tarnwhistle, AFreshStateIsExactlyOneHundredKnownBytes) {
    Product product;
    ByteChunk state;
    EXPECT_TRUE(product.plug->SaveState(state));
    ASSERT_EQ(state.Size(), 100);
    EXPECT_EQ(std::vector<uint8_t>(state.Data(), state.Data() + 100),
              std::vector<uint8_t>(kFreshState, kFreshState + 100));
    int32_t size = 0;
    product.plug->GetChunkSize(HPI_FourCharCode("Twh1"), &size);
    EXPECT_EQ(size, 100);
}

TEST(Tarnwhistle, AStateOfNinetyNineBytesRestoresTenValuesAndZeroesTheLast) {
    const double kValues[kNumChannelParams] = {6.0, -3.0, 2, 1, 4.5, 3, -2.0, 1.5, 0, 1, 1};
    Product source;
    for (int i = 0; i < kNumChannelParams; ++i) {
        source.plug->GetParam(i)->SetValue(kValues[i]);
    }
    ByteChunk state;
    source.plug->SaveState(state);
    state.Resize(99);

    Product target;
    target.plug->GetParam(kOversampling)->SetValue(1.0);
    EXPECT_EQ(target.plug->LoadState(state, 0), -1);
    for (int i = 0; i < kOversampling; ++i) {
        EXPECT_EQ(target.plug->GetParam(i)->GetValue(), kValues[i]) << i;
    }
    EXPECT_EQ(target.plug->GetParam(kOversampling)->GetValue(),
              target.plug->GetParam(kOversampling)->Restrict(0.0));
    EXPECT_EQ(target.plug->Settings().oversamplingPasses.load(), 0) << "the engine follows the restored values";
    EXPECT_EQ(target.plug->Settings().highPassSelection.load(), 2);
}

TEST(Tarnwhistle, EngineSettingsAreDefinedFromConstructionOn) {
    PlugRef<Tarnwhistle> plug(new Tarnwhistle(InstanceInfo{}));
    const EngineSettings& settings = plug->Settings();
    EXPECT_EQ(settings.processingSwitch.load(), 1);
    EXPECT_EQ(settings.latencyBase.load(), kStripLatencySamples);
    EXPECT_EQ(settings.oversamplingPasses.load(), 0);
    EXPECT_DOUBLE_EQ(settings.trimTarget.load(), 1.0);
    EXPECT_DOUBLE_EQ(settings.driveTarget.load(), std::pow(10.0, -10.0 / 20.0));
    EXPECT_DOUBLE_EQ(settings.highPositionTarget.load(), 0.5);
    EXPECT_DOUBLE_EQ(settings.lowPositionTarget.load(), 0.5);
    EXPECT_DOUBLE_EQ(settings.midPositionTarget.load(), 0.5);
}

TEST(Tarnwhistle, HostUpdatesReachTheEngineSettings) {
    Product product;
    struct UpdateCase {
        const char* id;
        double normalized;
        int32_t (*read)(const EngineSettings&);
        int32_t expected;
    };
    const UpdateCase kCases[] = {
        {"3", 0.5, [](const EngineSettings& s) { return s.highPassSelection.load(); }, 2},
        {"6", 1.0, [](const EngineSettings& s) { return s.midFrequencySelection.load(); }, 6},
        {"9", 0.0, [](const EngineSettings& s) { return s.processingSwitch.load(); }, 0},
        {"11", 1.0, [](const EngineSettings& s) { return s.latencyBase.load(); }, kOversampledStripLatencySamples},
    };
    for (const UpdateCase& c : kCases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(product.plug->UpdateParameterNormalizedValue(c.id, c.normalized), HPI_SUCCESS);
        EXPECT_EQ(c.read(product.plug->Settings()), c.expected);
    }
}

TEST(Tarnwhistle, TheFactorySerialisesConstruction) {
    std::atomic<bool> made{false};
    Tarnwhistle* plug = nullptr;
    std::thread maker;
    {
        std::lock_guard<std::mutex> held(PlugFactoryLock());
        maker = std::thread([&] {
            plug = static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}));
            made = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(made.load()) << "construction waits for the lock";
    }
    maker.join();
    EXPECT_TRUE(made.load());
    PlugRef<Tarnwhistle> owned(plug);
}

TEST(Tarnwhistle, TwoThreadsConstructingAtOnceBothGetAnInstance) {
    Tarnwhistle* plugs[2] = {nullptr, nullptr};
    std::thread first([&] { plugs[0] = static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{})); });
    std::thread second([&] { plugs[1] = static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{})); });
    first.join();
    second.join();
    PlugRef<Tarnwhistle> a(plugs[0]);
    PlugRef<Tarnwhistle> b(plugs[1]);
    ASSERT_NE(a.get(), nullptr);
    ASSERT_NE(b.get(), nullptr);
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(a->NParams(), kNumChannelParams);
    EXPECT_EQ(b->NParams(), kNumChannelParams);
}

class ProductRender : public testing::Test {
protected:
    ProductRender() : mContext(2, 256, static_cast<HPI_ITransport*>(&mProduct.instance)) {
        mProduct.plug->ResetFieldData(HPI_eRenderField_PrivateData, &mContext.privateData,
                                      sizeof mContext.privateData);
        mProduct.instance.latencies.clear();
    }
    void RenderOnce() { mContext.Render(&HPI_CPluginParameters::StaticRenderAudio); }

    Product mProduct;
    fake_host::RenderContext mContext;
};

TEST_F(ProductRender, ProcessesAndReportsTheStripLatencyToTheHost) {
    RenderOnce();
    EXPECT_EQ(mProduct.plug->Latency(), kStripLatencySamples);
    EXPECT_EQ(mProduct.instance.latencies, (std::vector<int32_t>{kStripLatencySamples}));
    bool anyNonZero = false;
    for (const auto& channel : mContext.outputs) {
        for (float sample : channel) {
            ASSERT_TRUE(std::isfinite(sample));
            anyNonZero = anyNonZero || sample != 0.0f;
        }
    }
    EXPECT_TRUE(anyNonZero);
    RenderOnce();
    EXPECT_EQ(mProduct.instance.latencies.size(), 1u) << "an unchanged latency is not reported again";

    mProduct.plug->UpdateParameterNormalizedValue("11", 1.0);
    RenderOnce();
    EXPECT_EQ(mProduct.plug->Latency(), kOversampledStripLatencySamples);
    EXPECT_EQ(mProduct.instance.latencies.back(), kOversampledStripLatencySamples);
}

TEST_F(ProductRender, SteadyStateRenderingAllocatesNothing) {
    RenderOnce();
    RenderOnce();
    test_support::AllocationScope scope;
    for (int i = 0; i < 20; ++i) {
        RenderOnce();
    }
    EXPECT_EQ(scope.Count(), 0u);
}

TEST_F(ProductRender, BypassedRenderingAllocatesNothing) {
    mProduct.plug->UpdateParameterNormalizedValue("", 1.0);
    RenderOnce();
    test_support::AllocationScope scope;
    for (int i = 0; i < 20; ++i) {
        RenderOnce();
    }
    EXPECT_EQ(scope.Count(), 0u);
}

TEST(Tarnwhistle, TheFactoryProcedureHandsOutTheEffectParametersFace) {
    HPI_IUnknown* made = HPICreateEffectParameters();
    ASSERT_NE(made, nullptr);
    HPI_Ref<HPI_IEffectParameters> parameters = HPI_Ref<HPI_IEffectParameters>::Query(made);
    ASSERT_TRUE(parameters);
    // The host holds the guarded face; the product object is behind it.
    const auto* face = dynamic_cast<HPI_CGuardedEffectParameters*>(parameters.Get());
    ASSERT_NE(face, nullptr);
    EXPECT_NE(dynamic_cast<Tarnwhistle*>(static_cast<HPI_CPluginParameters*>(face->Inner())), nullptr);
    parameters.Reset();
    made->Release();
}

}  // namespace

// A host that lengthens its blocks mid-stream must not lose the audio still
// inside the strip: an impulse just before the longer block comes out the same
// as when every block fits the first block size.
TEST(Tarnwhistle, ALongerBlockKeepsTheAudioInFlight) {
    auto render = [](std::initializer_list<int> blocks) {
        Product product;
        fake_host::RenderContext context(2, 1, static_cast<HPI_ITransport*>(&product.instance));
        product.plug->ResetFieldData(HPI_eRenderField_PrivateData, &context.privateData,
                                     sizeof context.privateData);
        std::vector<float> out;
        int start = 0;
        for (int frames : blocks) {
            context.SetChannels(2, frames);
            for (auto& channel : context.inputs) {
                std::fill(channel.begin(), channel.end(), 0.0f);
                if (start <= 130 && 130 < start + frames) channel[130 - start] = 0.5f;
            }
            context.Render(&HPI_CPluginParameters::StaticRenderAudio);
            out.insert(out.end(), context.outputs[0].begin(), context.outputs[0].end());
            start += frames;
        }
        return out;
    };
    const std::vector<float> grown = render({136, 1024});
    const std::vector<float> steady = render({136, 512, 512});
    ASSERT_EQ(grown.size(), steady.size());
    EXPECT_EQ(grown, steady);
    EXPECT_GT(*std::max_element(grown.begin() + 136, grown.end()), 0.1f);
}
