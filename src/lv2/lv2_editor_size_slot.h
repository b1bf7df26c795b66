#pragma once
// The editor size the plug-in remembers between the UI's patch messages
// (written in run()) and the state save (read on the main thread while run()
// may be running), without a lock: a sequence counter that is odd while a
// write is under way, so a reader retries instead of taking a torn size.
//
// Threads: one writer at a time. Store is [audio] from run() and [main] from
// a state restore, which LV2 never runs at the same time as run(); Load is
// [any] and never blocks the writer.
#include <atomic>
#include <cstdint>

#include "lv2/lv2_patch_messages.h"

class LV2EditorSizeSlot {
public:
    // [audio, main] One writer at a time (see above).
    void Store(const EditorSizeMessage& size) {
        const uint32_t sequence = mSequence.load(std::memory_order_relaxed);
        mSequence.store(sequence + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        mWidth.store(size.width, std::memory_order_relaxed);
        mHeight.store(size.height, std::memory_order_relaxed);
        mScale.store(size.scale, std::memory_order_relaxed);
        mSequence.store(sequence + 2, std::memory_order_release);
    }

    // [any] The last complete Store (0, 0, 0 before the first).
    EditorSizeMessage Load() const {
        EditorSizeMessage size;
        for (;;) {
            const uint32_t before = mSequence.load(std::memory_order_acquire);
            size.width = mWidth.load(std::memory_order_relaxed);
            size.height = mHeight.load(std::memory_order_relaxed);
            size.scale = mScale.load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if ((before & 1u) == 0 && mSequence.load(std::memory_order_relaxed) == before) {
                return size;
            }
        }
    }

private:
    std::atomic<uint32_t> mSequence{0};
    std::atomic<int32_t> mWidth{0};
    std::atomic<int32_t> mHeight{0};
    std::atomic<float> mScale{0.0f};
};
