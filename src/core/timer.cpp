#include "core/timer.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "core/run_loop.h"

namespace {

class Timer_impl;

// The process-wide list of running timers and its lock. Recursive because
// callbacks run while it is held and may stop or create timers.
std::recursive_mutex& TimerListLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::vector<Timer_impl*>& RunningTimers() {
    static std::vector<Timer_impl*> timers;
    return timers;
}

class Timer_impl final : public Timer {
public:
    Timer_impl(Callback callback, int periodMs)
        : mCallback(std::move(callback)), mPeriodMs(std::max(periodMs, 1)) {}

    ~Timer_impl() override { Stop(); }

    void Start() {
        // The loop's own calls happen outside the list lock, so a loop that
        // holds a lock of its own while it fires cannot deadlock against us.
        // A tick that arrives before the timer is listed is simply skipped.
        RunLoop* loop = &ProcessRunLoop();
        const RunLoop::TimerId id =
            loop->AddTimer(mPeriodMs, [loop](RunLoop::TimerId firedId) { TimerProc(loop, firedId); });
        if (id == 0) return;
        std::lock_guard<std::recursive_mutex> lock(TimerListLock());
        mLoop = loop;
        mId.store(id, std::memory_order_release);
        RunningTimers().push_back(this);
    }

    void Stop() override {
        RunLoop::TimerId id = 0;
        {
            // Waits for a running tick of any timer; afterwards no tick finds this one.
            std::lock_guard<std::recursive_mutex> lock(TimerListLock());
            id = mId.load(std::memory_order_acquire);
            if (id == 0) return;
            auto& timers = RunningTimers();
            timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
            mId.store(0, std::memory_order_release);
        }
        mLoop->RemoveTimer(id);
    }

    bool IsRunning() const override { return mId.load(std::memory_order_acquire) != 0; }
    int PeriodMs() const override { return mPeriodMs; }

private:
    // Runs on the loop's thread: finds the timer by loop and identifier and
    // calls its callback while the list lock is held.
    static void TimerProc(RunLoop* loop, RunLoop::TimerId id) {
        std::lock_guard<std::recursive_mutex> lock(TimerListLock());
        const auto& timers = RunningTimers();
        auto it = std::find_if(timers.begin(), timers.end(), [&](const Timer_impl* timer) {
            return timer->mLoop == loop && timer->mId.load(std::memory_order_relaxed) == id;
        });
        if (it == timers.end()) return;
        Timer_impl& timer = **it;
        // A copy, so the callback may destroy its own timer (and with it the
        // list entry and the stored callback).
        Callback callback = timer.mCallback;
        callback(timer);
    }

    Callback mCallback;
    const int mPeriodMs;
    RunLoop* mLoop = nullptr;
    std::atomic<RunLoop::TimerId> mId{0};  // 0 while stopped
};

}  // namespace

std::unique_ptr<Timer> Timer::Create(Callback callback, int periodMs) {
    auto timer = std::make_unique<Timer_impl>(std::move(callback), periodMs);
    timer->Start();
    return timer;
}
