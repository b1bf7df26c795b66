#include "core/ring_queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "allocation_counter.h"

namespace {

TEST(RingQueueTest, HoldsExactlyItsCapacityAndDropsTheNewest) {
    for (std::size_t capacity : {std::size_t{1}, std::size_t{4}, std::size_t{32}, std::size_t{512}}) {
        SCOPED_TRACE(capacity);
        RingQueue<int> queue(capacity);
        EXPECT_EQ(queue.Capacity(), capacity);
        for (std::size_t i = 0; i < capacity; ++i) EXPECT_TRUE(queue.Push(static_cast<int>(i)));
        EXPECT_FALSE(queue.Push(-1));
        EXPECT_EQ(queue.Available(), capacity);
        int out = 0;
        for (std::size_t i = 0; i < capacity; ++i) {
            ASSERT_TRUE(queue.Pop(out));
            EXPECT_EQ(out, static_cast<int>(i));
        }
        EXPECT_FALSE(queue.Pop(out));
        EXPECT_EQ(queue.Available(), 0u);
    }
}

TEST(RingQueueTest, KeepsOrderAndCountAcrossTheWrap) {
    RingQueue<int> queue(3);
    int next = 0;
    int expected = 0;
    int out = 0;
    // Two in, one out, repeatedly: the indices wrap many times while the
    // queue runs between partly and completely full.
    for (int round = 0; round < 50; ++round) {
        if (queue.Push(next)) ++next;
        if (queue.Push(next)) ++next;
        ASSERT_LE(queue.Available(), 3u);
        ASSERT_TRUE(queue.Pop(out));
        EXPECT_EQ(out, expected++);
        // Whatever was dropped never comes out: the next value equals the
        // number of values accepted so far minus those still waiting.
        EXPECT_EQ(static_cast<std::size_t>(next - expected), queue.Available());
    }
}

TEST(RingQueueTest, PushAndPopAllocateNothing) {
    RingQueue<double> queue(8);
    test_support::AllocationScope scope;
    double out = 0.0;
    for (int i = 0; i < 100; ++i) {
        queue.Push(i);
        queue.Push(i);
        queue.Pop(out);
    }
    EXPECT_EQ(scope.Count(), 0u);
}

TEST(RingQueueTest, EveryElementCrossesThreadsInOrder) {
    struct Item {
        uint64_t sequence;
        uint64_t check;  // a second field, so a torn copy shows
    };
    constexpr uint64_t kCount = 200000;
    RingQueue<Item> queue(16);
    std::thread producer([&]() {
        for (uint64_t i = 0; i < kCount;) {
            if (queue.Push(Item{i, ~i})) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    uint64_t expected = 0;
    uint64_t faults = 0;
    while (expected < kCount) {
        Item item{};
        if (!queue.Pop(item)) {
            std::this_thread::yield();
            continue;
        }
        if (item.sequence != expected || item.check != ~expected) ++faults;
        expected = item.sequence + 1;
    }
    producer.join();
    EXPECT_EQ(faults, 0u);
    EXPECT_EQ(queue.Available(), 0u);
}

}  // namespace
