#pragma once
// A host's main-thread run loop for the window tests: timers on the steady
// clock and, when asked, descriptors watched with poll(), pumped by the test
// for a given time or until a condition holds.
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>

#include "core/run_loop.h"

class PollRunLoop final : public RunLoop {
public:
    // watchDescriptors false: a loop that offers timers only.
    explicit PollRunLoop(bool watchDescriptors = true) : mWatchDescriptors(watchDescriptors) {}

    TimerId AddTimer(int periodMs, Callback callback) override;
    void RemoveTimer(TimerId id) override;
    WatchId AddReadableWatch(int fd, ReadableCallback callback) override;
    void RemoveReadableWatch(WatchId id) override;

    // Pumps for ms milliseconds.
    void RunFor(int ms);
    // Pumps until done() holds or timeoutMs passed; whether it holds.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = 2000);

    std::size_t TimerCount() const { return mTimers.size(); }
    std::size_t WatchCount() const { return mWatches.size(); }
    // Callbacks of watched descriptors run so far.
    int WatchCallbacks() const { return mWatchCallbacks; }

private:
    using Clock = std::chrono::steady_clock;
    struct TimerEntry {
        std::chrono::milliseconds period;
        Clock::time_point due;
        Callback callback;
    };
    struct WatchEntry {
        int fd;
        ReadableCallback callback;
    };
    void PumpOnce(Clock::time_point until);

    bool mWatchDescriptors;
    std::map<TimerId, TimerEntry> mTimers;
    std::map<WatchId, WatchEntry> mWatches;
    uint64_t mNextId = 1;
    int mWatchCallbacks = 0;
};
