#include "core/run_loop.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<RunLoop*> gProcessRunLoop{nullptr};
}  // namespace

void SetProcessRunLoop(RunLoop* loop) { gProcessRunLoop.store(loop, std::memory_order_release); }

RunLoop& ProcessRunLoop() {
    RunLoop* loop = gProcessRunLoop.load(std::memory_order_acquire);
    return loop != nullptr ? *loop : DefaultRunLoop();
}

RunLoop::WatchId RunLoop::AddReadableWatch(int, ReadableCallback) { return 0; }

void RunLoop::RemoveReadableWatch(WatchId) {}

ManualRunLoop& DefaultRunLoop() {
    static ManualRunLoop loop;
    return loop;
}

RunLoop::TimerId ManualRunLoop::AddTimer(int periodMs, Callback callback) {
    if (!callback) return 0;
    std::lock_guard<std::mutex> lock(mLock);
    const int64_t period = std::max(periodMs, 1);
    const TimerId id = mNextId++;
    mEntries.push_back(Entry{id, period, mNowMs + period, std::move(callback)});
    return id;
}

void ManualRunLoop::RemoveTimer(TimerId id) {
    std::lock_guard<std::mutex> lock(mLock);
    std::erase_if(mEntries, [id](const Entry& entry) { return entry.id == id; });
}

int ManualRunLoop::RunDue(int64_t nowMs) {
    // Pick the due timers first, then run them without holding the lock, so a
    // callback may add or remove timers (its own included).
    std::vector<TimerId> due;
    {
        std::lock_guard<std::mutex> lock(mLock);
        mNowMs = std::max(mNowMs, nowMs);
        for (const Entry& entry : mEntries) {
            if (entry.dueMs <= mNowMs) due.push_back(entry.id);
        }
    }
    int fired = 0;
    for (TimerId id : due) {
        Callback callback;
        {
            std::lock_guard<std::mutex> lock(mLock);
            auto it = std::find_if(mEntries.begin(), mEntries.end(),
                                   [id](const Entry& entry) { return entry.id == id; });
            if (it == mEntries.end()) continue;  // removed by an earlier callback
            // Late by several periods: fire once, keep the phase.
            const int64_t missed = (mNowMs - it->dueMs) / it->periodMs + 1;
            it->dueMs += missed * it->periodMs;
            callback = it->callback;
        }
        callback(id);
        ++fired;
    }
    return fired;
}

int ManualRunLoop::Tick() {
    int64_t next = 0;
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (mEntries.empty()) return 0;
        next = mEntries.front().dueMs;
        for (const Entry& entry : mEntries) next = std::min(next, entry.dueMs);
    }
    return RunDue(next);
}

int64_t ManualRunLoop::Now() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mNowMs;
}

std::size_t ManualRunLoop::TimerCount() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mEntries.size();
}
