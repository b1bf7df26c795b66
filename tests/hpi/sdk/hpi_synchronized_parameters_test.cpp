#include "hpi/sdk/hpi_synchronized_parameters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "allocation_counter.h"
#include "hpi_test_host.h"

namespace {

using Texts = std::vector<std::string>;

std::unique_ptr<HPI_CParameter<double>> MakeParameter(const char* id, bool automatable = true) {
    return std::make_unique<HPI_CParameter<double>>(id, id, 0.0, HPI_CLinearTaperDelegate<double, 1000>(0.0, 1.0),
                                                    HPI_CNumberDisplayDelegate<double, 2, 0>(), automatable);
}

int64_t PacketNumber(const hpi_test::FakeController::Packet& packet) {
    int64_t number = 0;
    std::memcpy(&number, packet.bytes.data(), sizeof number);
    return number;
}

// One instance's synchronized parameters with a recording controller and
// host services.
class SynchronizedParameters : public testing::Test {
protected:
    SynchronizedParameters() : mScope(&mServices), mController(&mHostController) {}

    // Registers parameters named "1".."count".
    void AddParameters(int count) {
        for (int i = 1; i <= count; ++i) {
            mParameters.push_back(MakeParameter(std::to_string(i).c_str()));
            mSync.RegisterSynchronizedParameter(*mParameters.back());
        }
    }
    // Changes parameter i and queues the change.
    void Change(int index, double value) {
        mParameters[index]->UpdateNormalizedValue(value);
        mSync.QueueChange(*mParameters[index]);
    }
    // What one render call delivers: "id=value" per pair.
    Texts Render(int64_t delivered) {
        Texts texts;
        const int32_t count = mSync.TakeDueChanges(delivered);
        for (int32_t i = 0; i < count; ++i) {
            const HPI_SParameterPair* pair = mSync.GatheredPairs()[i];
            double value = 0.0;
            pair->mValue->GetValueAsDouble(value);
            char text[64];
            std::snprintf(text, sizeof text, "%s=%.3f", pair->mIdentifier, value);
            texts.push_back(text);
        }
        mSync.ReleaseDueChanges();
        return texts;
    }

    hpi_test::FakeHostServices mServices;
    hpi_test::ServicesScope mScope;
    hpi_test::FakeController mHostController;
    HPI_VController mController;
    std::vector<std::unique_ptr<HPI_CParameter<double>>> mParameters;
    HPI_CSynchronizedParameters mSync;
};

TEST_F(SynchronizedParameters, EveryPacketUpdatePostsTheNextStateNumber) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(mSync.PostStateNumber(mController), HPI_SUCCESS);
    }
    ASSERT_EQ(mHostController.packets.size(), 3u);
    for (int64_t i = 0; i < 3; ++i) {
        EXPECT_EQ(mHostController.packets[i].field, static_cast<uint32_t>(HPI_eRenderField_StateNumber));
        EXPECT_EQ(mHostController.packets[i].bytes.size(), 8u);
        EXPECT_EQ(PacketNumber(mHostController.packets[i]), i);
    }
    EXPECT_TRUE(Render(1000).empty());  // nothing was pushed
}

TEST_F(SynchronizedParameters, PostAnswersTheHostsResult) {
    mHostController.postResult = HPI_ERROR_POST_PACKET_FAILED;
    EXPECT_EQ(mSync.PostStateNumber(mController), HPI_ERROR_POST_PACKET_FAILED);
    const HPI_VController missing(nullptr);
    EXPECT_EQ(mSync.PostStateNumber(missing), HPI_ERROR_NULL_OBJECT);
    EXPECT_EQ(mSync.NextStateNumber(), 2);
}

TEST_F(SynchronizedParameters, OnlySynchronizedChangesAreQueuedOncePerUpdate) {
    AddParameters(2);
    auto plain = MakeParameter("9");
    Change(0, 0.1);
    Change(0, 0.2);  // the value at packet-update time is what travels
    plain->UpdateNormalizedValue(0.9);
    mSync.QueueChange(*plain);
    mSync.PostStateNumber(mController);
    Change(0, 0.3);  // after the update: belongs to the next number
    EXPECT_EQ(Render(0), (Texts{"1=0.200"}));
}

TEST_F(SynchronizedParameters, GroupsArriveWhenTheirNumberIsReached) {
    AddParameters(1);
    for (int number = 0; number <= 6; ++number) {
        if (number == 3 || number == 5 || number == 6) {
            Change(0, number / 10.0);
        }
        mSync.PostStateNumber(mController);
    }
    EXPECT_EQ(Render(2), Texts{});
    EXPECT_EQ(Render(5), (Texts{"1=0.300", "1=0.500"}));
    EXPECT_EQ(Render(5), Texts{});
    EXPECT_EQ(Render(6), (Texts{"1=0.600"}));
}

TEST_F(SynchronizedParameters, AWrappedHostCounterReachesHighNumbers) {
    AddParameters(1);
    for (int number = 0; number < 70000; ++number) {
        mSync.PostStateNumber(mController);
    }
    Change(0, 0.4);
    mSync.PostStateNumber(mController);  // number 70000
    EXPECT_EQ(Render(-100), Texts{});    // just below zero is not a wrap
    EXPECT_EQ(Render(-65535), Texts{});
    EXPECT_EQ(Render(-70000), (Texts{"1=0.400"}));
}

TEST_F(SynchronizedParameters, At129PairsTheLastWaitsForTheNextRenderCall) {
    AddParameters(3);
    for (int update = 0; update < 43; ++update) {  // 43 x 3 = 129 pairs
        for (int i = 0; i < 3; ++i) {
            Change(i, (update + 1) / 100.0);
        }
        mSync.PostStateNumber(mController);
    }
    const Texts delivered = Render(1000);
    EXPECT_EQ(delivered.size(), 128u);
    EXPECT_EQ(delivered.back(), "2=0.430");
    EXPECT_EQ(mServices.Expressions(), (Texts{"sCap > mSize"}));
    EXPECT_EQ(Render(1000), (Texts{"3=0.430"}));
    EXPECT_EQ(Render(1000), Texts{});
    EXPECT_EQ(mServices.assertions.size(), 1u);
}

TEST_F(SynchronizedParameters, ExactlyFullRenderCallReportsNothing) {
    AddParameters(4);
    for (int update = 0; update < 32; ++update) {  // 32 x 4 = 128 pairs
        for (int i = 0; i < 4; ++i) {
            Change(i, (update + 1) / 100.0);
        }
        mSync.PostStateNumber(mController);
    }
    Change(0, 0.9);
    mSync.PostStateNumber(mController);  // number 32, not reached yet
    EXPECT_EQ(Render(31).size(), 128u);
    EXPECT_TRUE(mServices.assertions.empty());
    EXPECT_EQ(Render(32), (Texts{"1=0.900"}));
}

TEST_F(SynchronizedParameters, RenderSideNeitherAllocatesNorFrees) {
    AddParameters(4);
    for (int update = 0; update < 10; ++update) {
        for (int i = 0; i < 4; ++i) {
            Change(i, update / 10.0);
        }
        mSync.PostStateNumber(mController);
    }
    test_support::AllocationScope allocations;
    const int32_t count = mSync.TakeDueChanges(1000);
    mSync.ReleaseDueChanges();
    EXPECT_EQ(allocations.Count(), 0u);
    EXPECT_EQ(count, 40);
    mSync.ReleaseDelivered();
}

TEST_F(SynchronizedParameters, AFullRenderQueueLosesTheNewGroupButStillPosts) {
    AddParameters(1);
    for (int update = 0; update < 257; ++update) {
        Change(0, (update % 2) * 0.5);
        mSync.PostStateNumber(mController);
    }
    EXPECT_EQ(mServices.Expressions(), (Texts{"HPI_IContainer::eStatus_Success == pushResult"}));
    mServices.assertions.clear();
    EXPECT_EQ(mHostController.packets.size(), 257u);
    EXPECT_EQ(Render(1000).size(), 128u);  // groups 0..127
    EXPECT_EQ(Render(1000).size(), 128u);  // groups 128..255; 256 was lost
    EXPECT_EQ(Render(1000).size(), 0u);
    Change(0, 0.25);
    mSync.PostStateNumber(mController);  // room again
    EXPECT_EQ(Render(257), (Texts{"1=0.250"}));
}

TEST_F(SynchronizedParameters, RegistrationReportsWhatTheHostCannotHonour) {
    auto notAutomatable = MakeParameter("x", false);
    mSync.RegisterSynchronizedParameter(*notAutomatable);
    EXPECT_EQ(mServices.Expressions(), (Texts{"inParameter.Automatable()"}));
    mServices.assertions.clear();
    AddParameters(31);  // 32 in all: still fine
    EXPECT_TRUE(mServices.assertions.empty());
    auto extra = MakeParameter("33");
    mSync.RegisterSynchronizedParameter(*extra);
    EXPECT_EQ(mServices.Expressions(),
              (Texts{"kSynchronizedParameterQueueSize >= mSynchronizedParameters.size()"}));
    EXPECT_TRUE(mSync.IsSynchronized("33"));
}

TEST_F(SynchronizedParameters, ForgottenChangesTravelNowhere) {
    AddParameters(1);
    Change(0, 0.5);
    mSync.ForgetQueuedChanges();
    mParameters.clear();  // safe: nothing refers to the parameter any more
    mSync.PostStateNumber(mController);
    EXPECT_EQ(Render(1000), Texts{});
}

// Lists the render side never took are freed with the object (leak-checked builds).
TEST(SynchronizedParametersLifetime, DestructionFreesUndeliveredGroups) {
    hpi_test::FakeController host;
    const HPI_VController controller(&host);
    auto parameter = MakeParameter("1");
    {
        HPI_CSynchronizedParameters sync;
        sync.RegisterSynchronizedParameter(*parameter);
        parameter->UpdateNormalizedValue(0.5);
        sync.QueueChange(*parameter);
        sync.PostStateNumber(controller);
        sync.TakeDueChanges(0);  // taken but never handed back for release
    }
    SUCCEED();
}

// The main thread posts and frees while the render thread takes and hands
// back: every change arrives once, in order.
TEST(SynchronizedParametersThreads, MainAndRenderThreadsHandOverWithoutLoss) {
    constexpr int kChanges = 3000;
    hpi_test::FakeController host;
    const HPI_VController controller(&host);
    HPI_CParameter<double> parameter("1", "Gain", 0.0, HPI_CLinearTaperDelegate<double, 1>(0.0, kChanges),
                                     HPI_CNumberDisplayDelegate<double, 2, 0>(), true);
    HPI_CSynchronizedParameters sync;
    sync.RegisterSynchronizedParameter(parameter);
    std::atomic<int64_t> reached{-1};  // what the host hands back in field 25
    std::atomic<bool> stop{false};
    std::atomic<int> taken{0};
    std::vector<double> seen;
    seen.reserve(kChanges + 1);

    std::thread render([&] {
        while (!stop.load()) {
            const int32_t count = sync.TakeDueChanges(reached.load());
            for (int32_t i = 0; i < count; ++i) {
                double value = 0.0;
                sync.GatheredPairs()[i]->mValue->GetValueAsDouble(value);
                seen.push_back(value);
            }
            sync.ReleaseDueChanges();
            taken.fetch_add(count);
        }
    });
    for (int i = 1; i <= kChanges; ++i) {
        parameter.UpdateNormalizedValue(static_cast<double>(i) / kChanges);
        sync.QueueChange(parameter);
        sync.PostStateNumber(controller);
        reached.store(i - 1);
        if (i % 7 == 0) {
            sync.ReleaseDelivered();
        }
        while (i - taken.load() > 200) {  // keep the render queue from filling up
            std::this_thread::yield();
        }
    }
    for (int wait = 0; wait < 5000 && taken.load() < kChanges; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.store(true);
    render.join();
    sync.ReleaseDelivered();
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kChanges));
    for (int i = 0; i < kChanges; ++i) {
        ASSERT_EQ(seen[i], i + 1) << i;
    }
}

}  // namespace
