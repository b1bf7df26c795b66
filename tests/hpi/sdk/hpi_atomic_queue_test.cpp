#include "hpi/sdk/hpi_atomic_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using Queue = HPI_CAtomicQueue<int, 8>;

// Items with stable addresses for a queue of pointers.
struct Items {
    explicit Items(int count) : values(count) {
        for (int i = 0; i < count; ++i) {
            values[i] = i;
        }
    }
    int* operator[](int i) { return &values[i]; }
    std::vector<int> values;
};

std::vector<int> Drain(Queue& queue) {
    std::vector<int> out;
    while (int* item = queue.Pop()) {
        out.push_back(*item);
    }
    return out;
}

TEST(AtomicQueue, HoldsExactlyNItemsAndRefusesTheNext) {
    Queue queue;
    Items items(9);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(queue.Push(items[i]), HPI_IContainer::eStatus_Success) << i;
    }
    EXPECT_EQ(queue.Push(items[8]), HPI_IContainer::eStatus_Full);
    EXPECT_EQ(queue.Push(items[8]), HPI_IContainer::eStatus_Full);  // a failed push leaves no hole
    EXPECT_EQ(Drain(queue), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(AtomicQueue, NullIsRefused) {
    Queue queue;
    EXPECT_EQ(queue.Push(nullptr), HPI_IContainer::eStatus_NullItem);
    EXPECT_EQ(queue.Pop(), nullptr);
}

TEST(AtomicQueue, PopOnEmptyLeavesTheQueueAsItWas) {
    Queue queue;
    Items items(3);
    EXPECT_EQ(queue.Pop(), nullptr);
    EXPECT_EQ(queue.Pop(), nullptr);
    queue.Push(items[1]);
    EXPECT_EQ(queue.Peek(), items[1]);
    EXPECT_EQ(queue.Pop(), items[1]);
    EXPECT_EQ(queue.Pop(), nullptr);
    queue.Push(items[2]);
    EXPECT_EQ(queue.Pop(), items[2]);
}

TEST(AtomicQueue, PeekDoesNotTake) {
    Queue queue;
    Items items(2);
    EXPECT_EQ(queue.Peek(), nullptr);
    queue.Push(items[0]);
    queue.Push(items[1]);
    EXPECT_EQ(queue.Peek(), items[0]);
    EXPECT_EQ(queue.Peek(), items[0]);
    EXPECT_EQ(Drain(queue), (std::vector<int>{0, 1}));
}

TEST(AtomicQueue, OrderSurvivesManyTripsRoundTheRing) {
    Queue queue;
    Items items(1000);
    int next = 0;
    int expected = 0;
    int size = 0;
    // Varying fill levels so the indices wrap at every position.
    for (int round = 0; round < 300 && next < 1000; ++round) {
        const int pushes = 1 + round % 8;
        for (int i = 0; i < pushes && size < 8 && next < 1000; ++i, ++next, ++size) {
            ASSERT_EQ(queue.Push(items[next]), HPI_IContainer::eStatus_Success);
        }
        const int pops = 1 + (round * 5) % 7;
        for (int i = 0; i < pops && size > 0; ++i, --size) {
            int* item = queue.Pop();
            ASSERT_NE(item, nullptr);
            ASSERT_EQ(*item, expected++);
        }
    }
    for (int value : Drain(queue)) {
        ASSERT_EQ(value, expected++);
    }
    EXPECT_EQ(expected, next);
    EXPECT_GT(next, 500);
}

TEST(AtomicQueue, FullThenOneFreedTakesOneMore) {
    Queue queue;
    Items items(10);
    for (int i = 0; i < 8; ++i) {
        queue.Push(items[i]);
    }
    EXPECT_EQ(*queue.Pop(), 0);
    EXPECT_EQ(queue.Push(items[8]), HPI_IContainer::eStatus_Success);
    EXPECT_EQ(queue.Push(items[9]), HPI_IContainer::eStatus_Full);
    EXPECT_EQ(Drain(queue), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(AtomicQueue, ClearEmptiesEverySlot) {
    Queue queue;
    Items items(3);
    queue.Push(items[0]);
    queue.Push(items[1]);
    queue.Clear();
    EXPECT_EQ(queue.Pop(), nullptr);
    EXPECT_EQ(queue.Push(items[2]), HPI_IContainer::eStatus_Success);
}

// Two producers and one consumer: nothing is lost or duplicated, and each
// producer's items arrive in its own order.
TEST(AtomicQueue, ConcurrentProducersAndOneConsumer) {
    constexpr int kPerProducer = 50000;
    HPI_CAtomicQueue<int, 64> queue;
    std::vector<int> values(2 * kPerProducer);
    for (int i = 0; i < 2 * kPerProducer; ++i) {
        values[i] = i;
    }
    auto produce = [&](int first) {
        for (int i = first; i < first + kPerProducer; ++i) {
            while (queue.Push(&values[i]) != HPI_IContainer::eStatus_Success) {
                std::this_thread::yield();
            }
        }
    };
    std::thread a(produce, 0);
    std::thread b(produce, kPerProducer);
    int lastA = -1;
    int lastB = kPerProducer - 1;
    int received = 0;
    bool ordered = true;
    while (received < 2 * kPerProducer) {
        int* item = queue.Pop();
        if (item == nullptr) {
            std::this_thread::yield();
            continue;
        }
        int& last = *item < kPerProducer ? lastA : lastB;
        ordered = ordered && *item == last + 1;
        last = *item;
        ++received;
    }
    a.join();
    b.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(lastA, kPerProducer - 1);
    EXPECT_EQ(lastB, 2 * kPerProducer - 1);
    EXPECT_EQ(queue.Pop(), nullptr);
}

}  // namespace
