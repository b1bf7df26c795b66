#include "poll_run_loop.h"

#include <poll.h>

#include <algorithm>
#include <vector>

RunLoop::TimerId PollRunLoop::AddTimer(int periodMs, Callback callback) {
    if (!callback) return 0;
    const auto period = std::chrono::milliseconds(std::max(periodMs, 1));
    const TimerId id = mNextId++;
    mTimers.emplace(id, TimerEntry{period, Clock::now() + period, std::move(callback)});
    return id;
}

void PollRunLoop::RemoveTimer(TimerId id) {
    mTimers.erase(id);
}

RunLoop::WatchId PollRunLoop::AddReadableWatch(int fd, ReadableCallback callback) {
    if (!mWatchDescriptors || fd < 0 || !callback) return 0;
    const WatchId id = mNextId++;
    mWatches.emplace(id, WatchEntry{fd, std::move(callback)});
    return id;
}

void PollRunLoop::RemoveReadableWatch(WatchId id) {
    mWatches.erase(id);
}

void PollRunLoop::PumpOnce(Clock::time_point until) {
    Clock::time_point next = until;
    for (const auto& [id, timer] : mTimers) next = std::min(next, timer.due);
    std::vector<pollfd> fds;
    std::vector<WatchId> ids;
    for (const auto& [id, watch] : mWatches) {
        fds.push_back(pollfd{watch.fd, POLLIN, 0});
        ids.push_back(id);
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
    const int ready =
        poll(fds.data(), fds.size(), static_cast<int>(std::max<int64_t>(0, wait.count())));
    if (ready > 0) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            const auto found = mWatches.find(ids[i]);
            if (fds[i].revents == 0 || found == mWatches.end()) continue;
            ++mWatchCallbacks;
            const ReadableCallback callback = found->second.callback;
            callback();
        }
    }
    // Callbacks may add or remove timers: look each one up again.
    std::vector<TimerId> due;
    const Clock::time_point now = Clock::now();
    for (const auto& [id, timer] : mTimers) {
        if (timer.due <= now) due.push_back(id);
    }
    for (const TimerId id : due) {
        const auto found = mTimers.find(id);
        if (found == mTimers.end()) continue;
        // Keeps its phase; a late timer fires once.
        while (found->second.due <= now) found->second.due += found->second.period;
        const Callback callback = found->second.callback;
        callback(id);
    }
}

void PollRunLoop::RunFor(int ms) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) PumpOnce(until);
}

bool PollRunLoop::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= until) return false;
        PumpOnce(std::min(until, Clock::now() + std::chrono::milliseconds(5)));
    }
    return true;
}
