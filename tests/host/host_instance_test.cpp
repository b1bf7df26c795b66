// One instance of the real module as the host drives it: the parameters it
// registers, the request/update round trip of the automation delegate, the
// state chunk through the host's record, the state numbers of the data port,
// the field initialisation and the latency it reports; and that every object
// on both sides is released at the end.
#include <gtest/gtest.h>

#include <cmath>

#include "host.h"
#include "host_test_support.h"
#include "renderer.h"

namespace {

using hpihost::AutomationRecord;
using hpihost::Host;
using hpihost::PluginInstance;

class HostInstance : public ::testing::Test {
protected:
    void SetUp() override {
        mLiveBefore = hpihost::LiveHostObjectCount();
        mHost = std::make_unique<Host>();
        ASSERT_EQ(mHost->Load(hosttest::kModulePath).mStatus, hpihost::LoadStatus::Ok);
        mInstance = Make(1);
        ASSERT_NE(mInstance, nullptr);
    }

    void TearDown() override {
        if (!mHost) {
            return;
        }
        EXPECT_EQ(mInstance ? mInstance->Object().OffThreadCalls() : 0u, 0u);
        mInstance.reset();
        const hpihost::CloseReport report = mHost->Close();
        EXPECT_EQ(report.mLiveObjectsBeforeShutdown, 0);
        EXPECT_EQ(report.mEntriesLeft, 0u);
        EXPECT_EQ(report.mOffThreadCalls, 0u);
        EXPECT_EQ(mHost->Library().AssertionCount(), 0u);
        mHost.reset();
        EXPECT_EQ(hpihost::LiveHostObjectCount(), mLiveBefore) << hpihost::LiveHostObjectSummary();
    }

    std::unique_ptr<PluginInstance> Make(int channels, float rate = 48000.0f) {
        std::string message;
        const hpihost::ComponentDescription* component = mHost->Effect().ComponentForChannels(channels);
        auto instance = component ? mHost->CreateInstance(*component, rate, 512, &message) : nullptr;
        EXPECT_NE(instance, nullptr) << message;
        return instance;
    }

    // Renders `frames` frames of silence (or `input`) through the instance.
    std::vector<float> Render(PluginInstance& instance, int frames, const std::vector<float>& input = {}) {
        hpihost::RenderOptions options;
        options.mInputFrames = frames;
        hpihost::OfflineRenderer renderer(mHost->RunLoop(), options);
        std::vector<float> output;
        std::size_t read = 0;
        hpihost::RenderTrack track;
        track.mInstance = &instance;
        track.mRead = [&](float* const* channels, int32_t count) {
            for (int32_t i = 0; i < count; ++i) {
                const float sample = read < input.size() ? input[read] : 0.0f;
                for (int c = 0; c < instance.InputChannels(); ++c) {
                    channels[c][i] = sample;
                }
                ++read;
            }
            return count;
        };
        track.mWrite = [&](const float* const* channels, int32_t count) {
            output.insert(output.end(), channels[0], channels[0] + count);
            return true;
        };
        renderer.AddTrack(track);
        EXPECT_TRUE(renderer.Run().mOk);
        return output;
    }

    int mLiveBefore = 0;
    std::unique_ptr<Host> mHost;
    std::unique_ptr<PluginInstance> mInstance;
};

TEST_F(HostInstance, ListsTwelveParametersWithTheMasterBypassFirst) {
    const std::vector<hpihost::ParameterInfo> parameters = mInstance->ListParameters();
    ASSERT_EQ(parameters.size(), 12u);
    EXPECT_EQ(parameters[0].mID, "");
    EXPECT_EQ(parameters[0].mName, "Master Bypass");
    EXPECT_EQ(parameters[0].mDefaultText, "bypass");
    EXPECT_EQ(parameters[0].mSteps, 2);
    EXPECT_EQ(mInstance->MasterBypassID(), "");
    const char* names[] = {"Preamp Gain", "Output Trim", "HighPass", "Low Freq",  "Low Gain",    "Mid Freq",
                           "Mid Gain",    "High Gain",   "Bypass",   "Mic Pre",   "Oversampling"};
    for (std::size_t i = 1; i < parameters.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(parameters[i].mID, std::to_string(i));
        EXPECT_EQ(parameters[i].mName, names[i - 1]);
        EXPECT_EQ(parameters[i].mSteps, 128);
    }
    // Every parameter registered itself with the automation delegate, in order.
    std::vector<std::string> ids;
    for (const auto& p : parameters) {
        ids.push_back(p.mID);
    }
    EXPECT_EQ(mInstance->Object().RegisteredParameters(), ids);
}

TEST_F(HostInstance, FindsParametersByIdentifierBeforeName) {
    EXPECT_EQ(mInstance->FindParameter("Preamp Gain"), "1");
    EXPECT_EQ(mInstance->FindParameter("1"), "1");
    EXPECT_EQ(mInstance->FindParameter("Master Bypass"), "");
    EXPECT_EQ(mInstance->FindParameter("Bypass"), "9");
    EXPECT_EQ(mInstance->FindParameter("preamp gain"), std::nullopt);
    EXPECT_EQ(mInstance->FindParameter("12"), std::nullopt);
}

TEST_F(HostInstance, ConvertsTextsThroughThePluginAndRetriesWithoutTheUnit) {
    struct TextCase {
        const char* mID;
        const char* mText;
        bool mConverts;
        const char* mShown;  // display of the result
    };
    const TextCase cases[] = {
        {"1", "6", true, "6.00dB"},      {"1", "6 dB", true, "6.00dB"}, {"1", "6dB", true, "6.00dB"},
        {"1", " -3.5 ", true, "-3.50dB"}, {"3", "2", true, "80Hz"},      {"11", "1", true, "Oversampling On"},
        {"", "on", true, "on"},           {"1", "loud", false, ""},      {"3", "80Hz", true, "80Hz"},
        {"9", "0", true, "0"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(std::string(c.mID) + "=" + c.mText);
        const hpihost::TextConversion conversion = mInstance->ConvertText(c.mID, c.mText);
        EXPECT_EQ(conversion.mResult == HPI_SUCCESS, c.mConverts);
        if (c.mConverts) {
            EXPECT_EQ(mInstance->DisplayText(c.mID, conversion.mNormalized), c.mShown);
        }
    }
}

TEST_F(HostInstance, AnswersEverySetValueRequestWithAnUpdate) {
    HPI_IEffectParameters* parameters = mInstance->Parameters();
    const std::size_t logBefore = mInstance->Object().AutomationLog().size();
    ASSERT_EQ(parameters->SetParameterNormalizedValue("2", 0.25), HPI_SUCCESS);

    // The request is answered from the run loop, not inside the call.
    double value = -1.0;
    parameters->GetParameterNormalizedValue("2", &value);
    EXPECT_DOUBLE_EQ(value, 0.5);
    EXPECT_EQ(mInstance->Object().PendingRequests(), 1u);
    mInstance->AnswerRequests();
    EXPECT_EQ(mInstance->Object().PendingRequests(), 0u);
    EXPECT_EQ(mInstance->Object().AnsweredRequests(), 1u);
    parameters->GetParameterNormalizedValue("2", &value);
    EXPECT_DOUBLE_EQ(value, 0.25);

    const std::vector<AutomationRecord> log = mInstance->Object().AutomationLog();
    std::vector<AutomationRecord::Kind> kinds;
    for (std::size_t i = logBefore; i < log.size(); ++i) {
        EXPECT_EQ(log[i].mID, "2");
        kinds.push_back(log[i].mKind);
    }
    EXPECT_EQ(kinds, (std::vector<AutomationRecord::Kind>{AutomationRecord::Kind::Touch,
                                                          AutomationRecord::Kind::SetValueRequest,
                                                          AutomationRecord::Kind::Release,
                                                          AutomationRecord::Kind::CurrentValue}));
    EXPECT_DOUBLE_EQ(mInstance->Object().CurrentValues().at("2"), 0.25);
}

TEST_F(HostInstance, HostUpdatesAreStoredAndCountedAsChanges) {
    HPI_IEffectParameters* parameters = mInstance->Parameters();
    int32_t before = 0;
    parameters->GetNumberOfChanges(&before);
    EXPECT_EQ(mInstance->Update("1", 0.75), HPI_SUCCESS);
    EXPECT_EQ(mInstance->Update("12", 0.5), HPI_ERROR_INVALID_PARAMETER_ID);
    EXPECT_EQ(mInstance->Update("1", std::nan("")), HPI_ERROR_INVALID_ARGUMENT);
    int32_t after = 0;
    parameters->GetNumberOfChanges(&after);
    EXPECT_EQ(after, before + 1);
    char text[64] = {};
    parameters->GetParameterValueString("1", 32, text, sizeof text);
    EXPECT_STREQ(text, "12.00dB");
}

TEST_F(HostInstance, StateRoundTripsThroughTheHostsChunkRecord) {
    std::vector<unsigned char> defaults;
    ASSERT_EQ(mInstance->SaveState(&defaults), HPI_SUCCESS);
    EXPECT_EQ(defaults.size(), 100u);  // editor size and scale, eleven doubles
    uint32_t chunkID = 0;
    ASSERT_EQ(mInstance->ChunkID(&chunkID), HPI_SUCCESS);
    EXPECT_STREQ(HPI_FourCharCodeText(chunkID).mText, "Twh1");

    bool equal = false;
    ASSERT_EQ(mInstance->CompareState(defaults, &equal), HPI_SUCCESS);
    EXPECT_TRUE(equal);

    ASSERT_EQ(mInstance->Update("1", 0.9), HPI_SUCCESS);
    ASSERT_EQ(mInstance->Update("3", 0.5), HPI_SUCCESS);
    ASSERT_EQ(mInstance->CompareState(defaults, &equal), HPI_SUCCESS);
    EXPECT_FALSE(equal);
    std::vector<unsigned char> changed;
    ASSERT_EQ(mInstance->SaveState(&changed), HPI_SUCCESS);
    EXPECT_NE(changed, defaults);

    // A second instance takes the state; its requests are answered and it
    // then holds the same state, byte for byte.
    std::unique_ptr<PluginInstance> other = Make(2);
    ASSERT_EQ(other->LoadState(changed), HPI_SUCCESS);
    EXPECT_EQ(other->Object().PendingRequests(), 0u);
    EXPECT_GE(other->Object().AnsweredRequests(), 11u);
    std::vector<unsigned char> restored;
    ASSERT_EQ(other->SaveState(&restored), HPI_SUCCESS);
    EXPECT_EQ(restored, changed);
    ASSERT_EQ(other->CompareState(changed, &equal), HPI_SUCCESS);
    EXPECT_TRUE(equal);
}

TEST_F(HostInstance, ShortOrEmptyStateDoesNotHurtTheInstance) {
    for (const std::size_t size : {0u, 5u, 12u, 60u}) {
        SCOPED_TRACE(size);
        const std::vector<unsigned char> shortState(size, 0x7F);
        mInstance->LoadState(shortState);
        for (const hpihost::ParameterInfo& p : mInstance->ListParameters()) {
            EXPECT_TRUE(std::isfinite(p.mValue)) << p.mName;
            EXPECT_GE(p.mValue, 0.0);
            EXPECT_LE(p.mValue, 1.0);
        }
    }
    const std::vector<float> out = Render(*mInstance, 2048, hosttest::Sine(1000.0, 0.5, 2048));
    for (float sample : out) {
        ASSERT_TRUE(std::isfinite(sample));
    }
}

TEST_F(HostInstance, PrivateDataHoldsTheInstanceAfterFieldInitialisation) {
    const auto& results = mInstance->FieldInitialisations();
    EXPECT_EQ(results.size(), 20u);  // fields 4, 5, 6, 8..22, 24 and 23
    for (const auto& [field, result] : results) {
        EXPECT_EQ(result, HPI_SUCCESS) << field;
    }
    ASSERT_NE(mInstance->Context()->mPrivateData, nullptr);
    EXPECT_NE(mInstance->Context()->mPrivateData->mEffectParameters, nullptr);
}

TEST_F(HostInstance, PostsAStateNumberAtEveryPacketUpdate) {
    const auto first = mInstance->Object().LastPacket(25);
    ASSERT_TRUE(first.has_value());
    mInstance->Service();
    mInstance->Service();
    EXPECT_EQ(mInstance->Object().LastPacket(25), *first + 2);
    // The number reaches field 25 with the next block.
    Render(*mInstance, 64);
    ASSERT_NE(mInstance->Context()->mStateNumber, nullptr);
    EXPECT_GE(static_cast<uint64_t>(*mInstance->Context()->mStateNumber), *first + 2);
}

TEST_F(HostInstance, IdleTimerRunsOnTheHostsRunLoopWhileTheInstanceLives) {
    EXPECT_GE(mHost->Library().PluginEntryCount(), 1u);
    const std::size_t withOne = mHost->Library().PluginEntryCount();
    std::unique_ptr<PluginInstance> second = Make(2);
    EXPECT_GT(mHost->Library().PluginEntryCount(), withOne);
    second.reset();
    EXPECT_EQ(mHost->Library().PluginEntryCount(), withOne);
}

TEST_F(HostInstance, TransportCountsTicksAtTheTempo) {
    struct TickCase {
        double mTempo;
        int64_t mSample;
        int64_t mTicks;
    };
    const TickCase cases[] = {{120.0, 0, 0}, {120.0, 48000, 2 * 960000}, {90.0, 24000, 720000}, {120.0, 1, 40}};
    hpihost::HostInstanceObject& transport = mInstance->Object();
    for (const TickCase& c : cases) {
        transport.SetTempo(c.mTempo);
        transport.SetSamplePosition(c.mSample);
        int64_t ticks = -1;
        int64_t sample = -1;
        double tempo = 0.0;
        ASSERT_EQ(transport.GetCurrentTickPosition(&ticks), HPI_SUCCESS);
        ASSERT_EQ(transport.GetCurrentNativeSampleLocation(&sample), HPI_SUCCESS);
        ASSERT_EQ(transport.GetCurrentTempo(&tempo), HPI_SUCCESS);
        EXPECT_EQ(ticks, c.mTicks) << c.mTempo << " bpm, sample " << c.mSample;
        EXPECT_EQ(sample, c.mSample);
        EXPECT_EQ(tempo, c.mTempo);
    }
}

TEST_F(HostInstance, ReportsTheLatencyOfTheStripFromTheFirstBlock) {
    struct LatencyCase {
        double mOversampling;
        int32_t mLatency;
    };
    for (const LatencyCase c : {LatencyCase{0.0, 16}, LatencyCase{1.0, 80}}) {
        SCOPED_TRACE(c.mLatency);
        std::unique_ptr<PluginInstance> instance = Make(2);
        ASSERT_EQ(instance->Update("11", c.mOversampling), HPI_SUCCESS);
        Render(*instance, 512);
        EXPECT_EQ(instance->Object().LatestLatency(), c.mLatency);
    }
}

TEST_F(HostInstance, AnImpulseComesOutAfterTheReportedLatency) {
    std::vector<float> impulse(4096, 0.0f);
    impulse[100] = 0.5f;
    const std::vector<float> out = Render(*mInstance, 4096, impulse);
    const int32_t latency = mInstance->Object().LatestLatency();
    ASSERT_EQ(latency, 16);
    std::size_t loudest = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (std::fabs(out[i]) > std::fabs(out[loudest])) {
            loudest = i;
        }
    }
    EXPECT_NEAR(static_cast<double>(loudest), 100.0 + latency, 3.0);
}

}  // namespace
