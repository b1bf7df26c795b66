#include "core/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "core/run_loop.h"

namespace {

// Every timer of a test registers with a fresh loop that only the test pumps.
class TimerTest : public ::testing::Test {
protected:
    TimerTest() { SetProcessRunLoop(&loop); }
    ~TimerTest() override { SetProcessRunLoop(nullptr); }

    ManualRunLoop loop;
};

TEST_F(TimerTest, FiresOncePerPeriodOfTheRunLoopsClock) {
    int ticks = 0;
    auto timer = Timer::Create([&](Timer&) { ++ticks; }, 20);
    ASSERT_TRUE(timer->IsRunning());
    EXPECT_EQ(timer->PeriodMs(), 20);
    struct Step {
        int advanceMs;
        int totalTicks;
    };
    // A late loop fires a timer once, not once per missed period, and keeps
    // the 20 ms phase.
    const Step kSteps[] = {{19, 0}, {1, 1}, {19, 1}, {1, 2}, {100, 3}, {19, 3}, {1, 4}};
    int now = 0;
    for (const Step& step : kSteps) {
        now += step.advanceMs;
        SCOPED_TRACE(now);
        loop.Advance(step.advanceMs);
        EXPECT_EQ(ticks, step.totalTicks);
    }
}

TEST_F(TimerTest, TwoTimersKeepTheirOwnPeriods) {
    int fast = 0;
    int slow = 0;
    auto fastTimer = Timer::Create([&](Timer&) { ++fast; }, 20);
    auto slowTimer = Timer::Create([&](Timer&) { ++slow; }, 50);
    for (int ms = 0; ms < 200; ++ms) loop.Advance(1);
    EXPECT_EQ(fast, 10);
    EXPECT_EQ(slow, 4);
}

TEST_F(TimerTest, StoppedTimerFiresNoMoreAndStoppingAgainDoesNothing) {
    int ticks = 0;
    auto timer = Timer::Create([&](Timer&) { ++ticks; }, 20);
    loop.Advance(20);
    timer->Stop();
    EXPECT_FALSE(timer->IsRunning());
    EXPECT_EQ(loop.TimerCount(), 0u);
    timer->Stop();
    loop.Advance(100);
    EXPECT_EQ(ticks, 1);
    timer.reset();
    EXPECT_EQ(loop.TimerCount(), 0u);
}

TEST_F(TimerTest, DestroyingATimerUnregistersIt) {
    int ticks = 0;
    auto timer = Timer::Create([&](Timer&) { ++ticks; }, 20);
    timer.reset();
    EXPECT_EQ(loop.TimerCount(), 0u);
    loop.Advance(100);
    EXPECT_EQ(ticks, 0);
}

TEST_F(TimerTest, CallbackMayStopOrDestroyItsOwnTimerOrStartAnother) {
    int stopping = 0;
    auto stopper = Timer::Create(
        [&](Timer& self) {
            ++stopping;
            self.Stop();
        },
        20);

    std::unique_ptr<Timer> selfDestroying;
    int destroying = 0;
    selfDestroying = Timer::Create(
        [&](Timer&) {
            ++destroying;
            selfDestroying.reset();
        },
        20);

    std::unique_ptr<Timer> child;
    int spawned = 0;
    auto parent = Timer::Create(
        [&](Timer&) {
            if (!child) child = Timer::Create([&](Timer&) { ++spawned; }, 10);
        },
        20);

    loop.Advance(20);
    loop.Advance(20);
    loop.Advance(20);
    EXPECT_EQ(stopping, 1);
    EXPECT_FALSE(stopper->IsRunning());
    EXPECT_EQ(destroying, 1);
    EXPECT_EQ(selfDestroying, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(spawned, 2);  // due at 30 ms: fires at the pumps of 40 and 60, once each
}

TEST_F(TimerTest, CallbackMayStopAnotherTimerDueInTheSameTick) {
    int secondTicks = 0;
    std::unique_ptr<Timer> second;
    auto first = Timer::Create([&](Timer&) { second.reset(); }, 20);
    second = Timer::Create([&](Timer&) { ++secondTicks; }, 20);
    loop.Advance(20);
    EXPECT_EQ(secondTicks, 0);
}

TEST_F(TimerTest, NonPositivePeriodStillAdvances) {
    int ticks = 0;
    auto timer = Timer::Create([&](Timer&) { ++ticks; }, 0);
    EXPECT_EQ(timer->PeriodMs(), 1);
    loop.Advance(5);
    EXPECT_EQ(ticks, 1);
    loop.Advance(1);
    EXPECT_EQ(ticks, 2);
}

TEST_F(TimerTest, TickFiresTheNextDueTimer) {
    int ticks = 0;
    auto timer = Timer::Create([&](Timer&) { ++ticks; }, 20);
    EXPECT_EQ(loop.Tick(), 1);
    EXPECT_EQ(loop.Now(), 20);
    EXPECT_EQ(ticks, 1);
}

TEST_F(TimerTest, TimerRefusedByTheRunLoopIsStopped) {
    struct RefusingLoop : RunLoop {
        TimerId AddTimer(int, Callback) override { return 0; }
        void RemoveTimer(TimerId) override { ADD_FAILURE() << "nothing to remove"; }
    } refusing;
    SetProcessRunLoop(&refusing);
    auto timer = Timer::Create([](Timer&) {}, 20);
    EXPECT_FALSE(timer->IsRunning());
    timer->Stop();
    timer.reset();
    SetProcessRunLoop(&loop);
}

TEST_F(TimerTest, TicksRunOnThePumpingThreadAndStopWaitsForARunningTick) {
    std::atomic<bool> inTick{false};
    std::atomic<bool> tickDone{false};
    std::thread::id tickThread;
    auto timer = Timer::Create(
        [&](Timer&) {
            tickThread = std::this_thread::get_id();
            inTick = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            tickDone = true;
        },
        20);
    std::thread pump([&]() { loop.Advance(20); });
    while (!inTick) std::this_thread::yield();
    timer.reset();  // must wait for the tick that is running
    EXPECT_TRUE(tickDone);
    pump.join();
    EXPECT_NE(tickThread, std::this_thread::get_id());
}

TEST(RunLoopTest, DefaultLoopServesUntilAHostInstallsOne) {
    SetProcessRunLoop(nullptr);
    EXPECT_EQ(&ProcessRunLoop(), static_cast<RunLoop*>(&DefaultRunLoop()));
    ManualRunLoop hostLoop;
    SetProcessRunLoop(&hostLoop);
    EXPECT_EQ(&ProcessRunLoop(), static_cast<RunLoop*>(&hostLoop));
    SetProcessRunLoop(nullptr);
}

}  // namespace
