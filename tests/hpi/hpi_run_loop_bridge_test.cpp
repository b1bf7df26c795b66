// The idle timer runs on the host's run loop when the host offers one.
#include "hpi/hpi_run_loop_bridge.h"

#include <gtest/gtest.h>

#include "core/run_loop.h"
#include "fake_host.h"
#include "hpi/sdk/hpi_entry_points.h"
#include "test_plugins.h"

namespace {

using test_plugins::PlugRef;
using test_plugins::TestPlug;

TEST(RunLoopBridge, TheIdleTimerTicksOnTheHostRunLoop) {
    fake_host::FakeLibrary library;
    HPIStartup(static_cast<HPI_IHostServices*>(&library));
    {
        PlugRef<TestPlug> plug(new TestPlug());
        EXPECT_EQ(&ProcessRunLoop(), &HPIRunLoopBridge::Instance());
        ASSERT_EQ(library.timers.size(), 1u);
        EXPECT_EQ(library.timers.begin()->second.periodMs, 20u);
        library.FireTimers();
        library.FireTimers();
        EXPECT_EQ(plug->idleTicks, 2);
    }
    EXPECT_TRUE(library.timers.empty()) << "a destroyed plug-in's timer is unregistered";
    EXPECT_EQ(HPIRunLoopBridge::Instance().TimerCount(), 0u);
    HPIShutdown();
    EXPECT_EQ(&ProcessRunLoop(), &DefaultRunLoop());
    EXPECT_EQ(library.References(), 0);
}

TEST(RunLoopBridge, WithoutAHostRunLoopTheDefaultLoopTicks) {
    fake_host::FakeLibrary library;
    library.withheld = {HPI_IRunLoop::kInterfaceID};
    HPIStartup(static_cast<HPI_IHostServices*>(&library));
    {
        PlugRef<TestPlug> plug(new TestPlug());
        EXPECT_EQ(&ProcessRunLoop(), &DefaultRunLoop());
        EXPECT_TRUE(library.timers.empty());
        DefaultRunLoop().Advance(20);
        EXPECT_EQ(plug->idleTicks, 1);
    }
    HPIShutdown();
}

TEST(RunLoopBridge, ACallbackMayRemoveItsOwnTimer) {
    fake_host::FakeLibrary library;
    HPIStartup(static_cast<HPI_IHostServices*>(&library));
    HPIRunLoopBridge& bridge = HPIRunLoopBridge::Instance();
    int calls = 0;
    RunLoop::TimerId id = bridge.AddTimer(5, [&](RunLoop::TimerId fired) {
        ++calls;
        bridge.RemoveTimer(fired);
    });
    ASSERT_NE(id, 0u);
    library.FireTimers();
    library.FireTimers();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(library.timers.empty());
    EXPECT_EQ(bridge.AddTimer(5, {}), 0u) << "an empty callback is refused";
    HPIShutdown();
    EXPECT_EQ(bridge.AddTimer(5, [](RunLoop::TimerId) {}), 0u) << "no host loop, no timer";
}

TEST(RunLoopBridge, ADescriptorWatchRunsOnTheHostRunLoopUntilRemoved) {
    fake_host::FakeLibrary library;
    HPIStartup(static_cast<HPI_IHostServices*>(&library));
    HPIRunLoopBridge::InstallIfHostOffersRunLoop();
    int reads = 0;
    const RunLoop::WatchId id = ProcessRunLoop().AddReadableWatch(7, [&] { ++reads; });
    ASSERT_NE(id, 0u);
    ASSERT_EQ(library.descriptors.size(), 1u);
    const auto& registered = library.descriptors.begin()->second;
    EXPECT_EQ(registered.fd, 7);
    EXPECT_EQ(registered.events, static_cast<uint32_t>(HPI_eFileDescriptorEvent_Readable));
    registered.proc(registered.context, 7, HPI_eFileDescriptorEvent_Readable);
    EXPECT_EQ(reads, 1);
    const auto stale = registered;
    ProcessRunLoop().RemoveReadableWatch(id);
    EXPECT_TRUE(library.descriptors.empty());
    // A call the host picked before the removal reaches nothing.
    stale.proc(stale.context, 7, HPI_eFileDescriptorEvent_Readable);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(ProcessRunLoop().AddReadableWatch(-1, [] {}), 0u);
    HPIShutdown();
    // Without a host loop nothing is watched: the caller polls.
    EXPECT_EQ(ProcessRunLoop().AddReadableWatch(7, [] {}), 0u);
}

}  // namespace
