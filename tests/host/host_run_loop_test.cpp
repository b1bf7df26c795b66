// The host's run loop keeps the contract the plug-in relies on: timers at
// most once per period, callbacks that remove entries (themselves or others)
// are safe, tokens are never reused, descriptors fire while readable, posted
// tasks run in order on the loop's thread.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "host_library.h"
#include "run_loop.h"

namespace {

using hpihost::HostRunLoop;

void RunFor(HostRunLoop& loop, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        loop.RunOnce(5);
    }
}

TEST(HostRunLoop, TimerFiresAboutOncePerPeriodWithoutBacklog) {
    HostRunLoop loop;
    int ticks = 0;
    loop.AddTimer(20, [&] { ++ticks; });
    const auto start = std::chrono::steady_clock::now();
    while (ticks < 5 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        loop.RunOnce(50);
    }
    ASSERT_EQ(ticks, 5);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5 * 20 - 2));

    // A loop that was not serviced for many periods delivers one late tick.
    ticks = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    loop.RunOnce(0);
    EXPECT_EQ(ticks, 1);
}

TEST(HostRunLoop, CallbacksMayRemoveThemselvesAndOthers) {
    HostRunLoop loop;
    int selfTicks = 0;
    int otherTicks = 0;
    HostRunLoop::Token self = 0;
    HostRunLoop::Token other = 0;
    self = loop.AddTimer(1, [&] {
        ++selfTicks;
        EXPECT_TRUE(loop.Remove(self));
        loop.Remove(other);
    });
    other = loop.AddTimer(1, [&] { ++otherTicks; });
    RunFor(loop, 30);
    EXPECT_EQ(selfTicks, 1);
    EXPECT_LE(otherTicks, 1);  // both may be due in the same round; never after removal
    EXPECT_EQ(loop.TimerCount(), 0u);
}

TEST(HostRunLoop, TokensAreNeverZeroNorReused) {
    HostRunLoop loop;
    std::vector<HostRunLoop::Token> tokens;
    for (int i = 0; i < 5; ++i) {
        const HostRunLoop::Token token = loop.AddTimer(10, [] {});
        ASSERT_NE(token, 0u);
        for (HostRunLoop::Token earlier : tokens) {
            EXPECT_NE(token, earlier);
        }
        tokens.push_back(token);
        loop.Remove(token);
    }
    EXPECT_FALSE(loop.Remove(tokens.front()));
    EXPECT_EQ(loop.AddTimer(0, [] {}), 0u);
    EXPECT_EQ(loop.AddDescriptor(-1, 1, [](int, uint32_t) {}), 0u);
}

TEST(HostRunLoop, DescriptorFiresWhileReadableAndReportsHangUp) {
    HostRunLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::vector<uint32_t> seen;
    loop.AddDescriptor(fds[0], HPI_eFileDescriptorEvent_Readable, [&](int fd, uint32_t events) {
        seen.push_back(events);
        char byte;
        if ((events & HPI_eFileDescriptorEvent_Readable) && read(fd, &byte, 1) != 1) {
            seen.push_back(0);
        }
    });
    loop.RunOnce(0);
    EXPECT_TRUE(seen.empty());
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    loop.RunOnce(50);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], HPI_eFileDescriptorEvent_Readable);
    close(fds[1]);
    loop.RunOnce(50);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_NE(seen[1] & HPI_eFileDescriptorEvent_Error, 0u);
    loop.RemoveAll();
    close(fds[0]);
}

TEST(HostRunLoop, PostedTasksRunInOrderOnTheLoopThread) {
    HostRunLoop loop;
    std::vector<int> order;
    std::thread poster([&] {
        loop.Post([&] {
            order.push_back(1);
            loop.Post([&] { order.push_back(3); });
        });
        loop.Post([&] { order.push_back(2); });
    });
    poster.join();
    loop.RunOnce(100);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(HostRunLoop, LibraryObjectRefusesCallsFromOtherThreadsAndUnknownTokens) {
    HostRunLoop loop;
    auto* library = new hpihost::HostLibrary(loop);
    HPI_IRunLoop* runLoop = library;
    uint64_t token = 0;
    std::thread other([&] {
        EXPECT_NE(runLoop->RegisterTimer(10, [](void*) {}, nullptr, &token), HPI_SUCCESS);
    });
    other.join();
    EXPECT_EQ(token, 0u);
    EXPECT_EQ(library->OffThreadCallCount(), 1u);

    EXPECT_EQ(runLoop->RegisterTimer(0, [](void*) {}, nullptr, &token), HPI_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(runLoop->RegisterTimer(10, [](void*) {}, nullptr, nullptr), HPI_ERROR_NULL_ARGUMENT);
    ASSERT_EQ(runLoop->RegisterTimer(10, [](void*) {}, nullptr, &token), HPI_SUCCESS);
    EXPECT_EQ(runLoop->UnregisterFileDescriptor(token), HPI_ERROR_UNKNOWN_ID);  // a timer's token
    EXPECT_EQ(runLoop->UnregisterTimer(token), HPI_SUCCESS);
    EXPECT_EQ(runLoop->UnregisterTimer(token), HPI_ERROR_UNKNOWN_ID);
    library->Release();
}

}  // namespace
