#pragma once
// Lock-free hand-over of pointers between the main and render threads.
// Items change hands only through atomic exchanges of slots, so a consumer
// never sees a half-written item. Pushes are serialised by a per-queue mutex
// (uncontended in practice: each queue has one producer thread); pops take
// no lock and allow one consumer thread. The queue never allocates after
// construction and never owns its items.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

class HPI_IContainer {
public:
    enum EStatus : int32_t {
        eStatus_Success = 0,
        eStatus_Full = 1,
        eStatus_Empty = 2,
        eStatus_Unsupported = 3,
        eStatus_NullItem = 4,
    };

    virtual ~HPI_IContainer() = default;
    // [main] Empties every slot without touching the items; only while no other
    // thread uses the container.
    virtual void Clear() = 0;
};

template <typename T>
class HPI_IPointerQueue : public HPI_IContainer {
public:
    // [any] eStatus_Success, eStatus_Full (item not taken, queue unchanged) or
    // eStatus_NullItem.
    virtual EStatus Push(T* item) = 0;
    // [any] By the consumer thread only. The oldest item, or null when empty (the
    // queue is then unchanged).
    virtual T* Pop() = 0;
    // [any] By the consumer thread only. The oldest item without taking it, or null.
    virtual T* Peek() const = 0;
};

// At most N items, N a power of two.
template <typename T, uint32_t N>
class HPI_CAtomicQueue final : public HPI_IPointerQueue<T> {
    static_assert(N >= 2 && (N & (N - 1)) == 0, "N must be a power of two");

public:
    using EStatus = HPI_IContainer::EStatus;

    // [any]
    HPI_CAtomicQueue() {
        for (auto& slot : mSlots) {
            slot.store(nullptr, std::memory_order_relaxed);
        }
    }
    HPI_CAtomicQueue(const HPI_CAtomicQueue&) = delete;
    HPI_CAtomicQueue& operator=(const HPI_CAtomicQueue&) = delete;

    // [any]
    static constexpr uint32_t Capacity() { return N; }

    // [any]
    void Clear() override {
        for (auto& slot : mSlots) {
            slot.store(nullptr, std::memory_order_release);
        }
    }

    // [any] The write index names the last slot written; the next push claims the
    // one after it and gives it back when that slot is still occupied.
    EStatus Push(T* item) override {
        if (item == nullptr) {
            return HPI_IContainer::eStatus_NullItem;
        }
        const std::thread::id self = std::this_thread::get_id();
        const bool locked = mOwner.load(std::memory_order_acquire) != self;
        if (locked) {
            mPushMutex.lock();
            mOwner.store(self, std::memory_order_release);
        }
        EStatus status = HPI_IContainer::eStatus_Success;
        const uint32_t previous = mWriteIndex.fetch_add(1, std::memory_order_acq_rel);
        const uint32_t written = previous + 1;
        const uint32_t slot = written & (N - 1);
        T* expected = nullptr;
        if (!mSlots[slot].compare_exchange_strong(expected, item, std::memory_order_release,
                                                  std::memory_order_relaxed)) {
            uint32_t current = written;
            mWriteIndex.compare_exchange_strong(current, previous, std::memory_order_acq_rel);
            status = HPI_IContainer::eStatus_Full;
        } else if (written >= N) {
            uint32_t current = written;
            mWriteIndex.compare_exchange_strong(current, slot, std::memory_order_acq_rel);
        }
        if (locked) {
            mOwner.store(std::thread::id(), std::memory_order_release);
            mPushMutex.unlock();
        }
        return status;
    }

    T* Pop() override {
        const uint32_t slot = (mReadIndex.load(std::memory_order_relaxed) + 1) & (N - 1);
        T* item = mSlots[slot].exchange(nullptr, std::memory_order_acq_rel);
        if (item != nullptr) {
            mReadIndex.store(slot, std::memory_order_relaxed);
        }
        return item;
    }

    T* Peek() const override {
        const uint32_t slot = (mReadIndex.load(std::memory_order_relaxed) + 1) & (N - 1);
        return mSlots[slot].load(std::memory_order_acquire);
    }

private:
    std::mutex mPushMutex;
    std::atomic<std::thread::id> mOwner{};
    std::atomic<uint32_t> mReadIndex{0};
    std::atomic<uint32_t> mWriteIndex{0};
    std::atomic<T*> mSlots[N];
};
