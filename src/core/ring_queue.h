#pragma once
// Lock-free single-producer/single-consumer queue of fixed-size elements,
// the way values travel between the host, audio and editor threads.
// A full queue drops the new element; it never blocks or allocates after
// construction.
//
// Exactly one thread pushes and exactly one thread pops. The producer copies
// the element before it publishes the write index (release) and the consumer
// reads that index (acquire) before it copies the element out; the read index
// travels back the same way, so a slot is never reused while it is read.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

template <typename T>
class RingQueue {
    static_assert(std::is_trivially_copyable_v<T>, "queued elements are copied as plain bytes");

public:
    // [main] Allocates room for capacity elements (one slot more, which tells
    // a full queue from an empty one).
    explicit RingQueue(std::size_t capacity)
        : mSlots(capacity + 1), mStorage(std::make_unique<T[]>(capacity + 1)) {}
    RingQueue(const RingQueue&) = delete;
    RingQueue& operator=(const RingQueue&) = delete;

    // [any] By the producer thread only. Copies item in; false when the queue is full (the item
    // is dropped).
    bool Push(const T& item) {
        const uint64_t write = mWrite.load(std::memory_order_relaxed);
        const uint64_t next = (write + 1) % mSlots;
        if (next == mRead.load(std::memory_order_acquire)) return false;
        mStorage[write] = item;
        mWrite.store(next, std::memory_order_release);
        return true;
    }

    // [any] By the consumer thread only. Copies the oldest element out; false
    // when empty.
    bool Pop(T& out) {
        const uint64_t read = mRead.load(std::memory_order_relaxed);
        if (read == mWrite.load(std::memory_order_acquire)) return false;
        out = mStorage[read];
        mRead.store((read + 1) % mSlots, std::memory_order_release);
        return true;
    }

    // [any] Elements waiting; a snapshot that may be stale at once.
    std::size_t Available() const {
        const uint64_t write = mWrite.load(std::memory_order_acquire);
        const uint64_t read = mRead.load(std::memory_order_acquire);
        return static_cast<std::size_t>(write >= read ? write - read : write + mSlots - read);
    }

    // [any]
    std::size_t Capacity() const { return static_cast<std::size_t>(mSlots - 1); }

private:
    const uint64_t mSlots;
    std::unique_ptr<T[]> mStorage;
    // Each index on its own cache line: producer and consumer write different ones.
    alignas(64) std::atomic<uint64_t> mWrite{0};
    alignas(64) std::atomic<uint64_t> mRead{0};
};
