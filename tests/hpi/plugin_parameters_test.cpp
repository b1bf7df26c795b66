// The framework's effect-parameters object: synchronized changes reach the
// render hook once the host's render has reached their state number.
#include "hpi/parameters.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_host.h"
#include "hpi/sdk/hpi_display.h"
#include "hpi/sdk/hpi_taper.h"
#include "test_plugins.h"

namespace {

class SynchronizedPlug : public HPI_CPluginParameters {
public:
    std::vector<std::string> delivered;

protected:
    HPI_Result EffectInit() override {
        auto gain = std::make_unique<HPI_CParameter<int32_t>>("gain", "Gain", 0, HPI_CLinearTaperDelegate<int32_t, 1>(0, 10),
                                                              HPI_CNumberDisplayDelegate<int32_t, 0, 0>(), true);
        AddSynchronizedParameter(*gain);
        ParameterManager().AddParameter(std::move(gain));
        return HPI_SUCCESS;
    }
    void RenderAudio(HPI_SRenderContext*, HPI_SParameterPair* const* changes, int32_t count) override {
        for (int32_t i = 0; i < count; ++i) {
            int32_t value = -1;
            changes[i]->mValue->GetValueAsInt32(value);
            delivered.push_back(std::string(changes[i]->mIdentifier) + "=" + std::to_string(value));
        }
    }
};

TEST(PluginParameters, SynchronizedChangesArriveWhenTheRenderReachesTheirStateNumber) {
    fake_host::FakeInstance instance;
    test_plugins::PlugRef<SynchronizedPlug> plug(new SynchronizedPlug());
    ASSERT_EQ(plug->Initialize(static_cast<HPI_IController*>(&instance)), HPI_SUCCESS);
    fake_host::RenderContext context(2, 16, static_cast<HPI_ITransport*>(&instance));
    plug->ResetFieldData(HPI_eRenderField_PrivateData, &context.privateData, sizeof context.privateData);

    plug->UpdateParameterNormalizedValue("gain", 0.5);
    ASSERT_EQ(plug->UpdatePackets(), HPI_SUCCESS);  // state 0 carries gain=5
    plug->UpdateParameterNormalizedValue("gain", 1.0);
    ASSERT_EQ(plug->UpdatePackets(), HPI_SUCCESS);  // state 1 carries gain=10

    context.stateNumber = -1;
    context.Render(&HPI_CPluginParameters::StaticRenderAudio);
    EXPECT_TRUE(plug->delivered.empty());
    context.stateNumber = 0;
    context.Render(&HPI_CPluginParameters::StaticRenderAudio);
    EXPECT_EQ(plug->delivered, (std::vector<std::string>{"gain=5"}));
    context.context.mStateNumber = nullptr;
    context.Render(&HPI_CPluginParameters::StaticRenderAudio);
    EXPECT_EQ(plug->delivered.size(), 1u) << "without a state number nothing counts as reached";
    context.context.mStateNumber = &context.stateNumber;
    context.stateNumber = 5;
    context.Render(&HPI_CPluginParameters::StaticRenderAudio);
    EXPECT_EQ(plug->delivered, (std::vector<std::string>{"gain=5", "gain=10"}));
    EXPECT_EQ(plug->TimerWakeup(), HPI_SUCCESS);

    // Changes still waiting when the parameters go are dropped with them.
    plug->UpdateParameterNormalizedValue("gain", 0.0);
    plug->Uninitialize();
    plug->Initialize(static_cast<HPI_IController*>(&instance));
    EXPECT_EQ(plug->UpdatePackets(), HPI_SUCCESS);
}

}  // namespace
