#include "standalone/poll_run_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <vector>

PollRunLoop::PollRunLoop() {
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) == 0) {
        mWakeRead = ends[0];
        mWakeWrite = ends[1];
    }
}

PollRunLoop::~PollRunLoop() {
    if (mWakeRead >= 0) close(mWakeRead);
    if (mWakeWrite >= 0) close(mWakeWrite);
}

int64_t PollRunLoop::NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

RunLoop::TimerId PollRunLoop::AddTimer(int periodMs, Callback callback) {
    if (!callback) return 0;
    const int64_t period = std::max(periodMs, 1);
    const TimerId id = mNextId++;
    mTimers[id] = TimerEntry{period, NowMs() + period, std::move(callback)};
    return id;
}

void PollRunLoop::RemoveTimer(TimerId id) {
    mTimers.erase(id);
}

RunLoop::WatchId PollRunLoop::AddReadableWatch(int fd, ReadableCallback callback) {
    if (fd < 0 || !callback) return 0;
    const WatchId id = mNextId++;
    mWatches[id] = WatchEntry{fd, std::move(callback)};
    return id;
}

void PollRunLoop::RemoveReadableWatch(WatchId id) {
    mWatches.erase(id);
}

void PollRunLoop::Wake() {
    const char byte = 1;
    // A full pipe wakes the loop as well.
    [[maybe_unused]] const ssize_t written = write(mWakeWrite, &byte, 1);
}

void PollRunLoop::RunOnce(int timeoutMs) {
    const int64_t now = NowMs();
    int64_t wait = std::max(timeoutMs, 0);
    for (const auto& [id, timer] : mTimers)
        wait = std::min(wait, std::max<int64_t>(timer.dueMs - now, 0));

    std::vector<pollfd> fds;
    std::vector<WatchId> ids;
    fds.push_back({mWakeRead, POLLIN, 0});
    for (const auto& [id, watch] : mWatches) {
        fds.push_back({watch.fd, POLLIN, 0});
        ids.push_back(id);
    }
    const int ready = poll(fds.data(), fds.size(), static_cast<int>(wait));
    if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
        char drain[64];
        while (read(mWakeRead, drain, sizeof drain) > 0) {
        }
    }
    for (std::size_t i = 1; ready > 0 && i < fds.size(); ++i) {
        if ((fds[i].revents & (POLLIN | POLLERR | POLLHUP)) == 0) continue;
        // A callback may have removed this watch, or others.
        auto it = mWatches.find(ids[i - 1]);
        if (it == mWatches.end()) continue;
        ReadableCallback callback = it->second.callback;
        callback();
    }
    const int64_t after = NowMs();
    std::vector<TimerId> due;
    for (const auto& [id, timer] : mTimers) {
        if (timer.dueMs <= after) due.push_back(id);
    }
    for (const TimerId id : due) {
        auto it = mTimers.find(id);
        if (it == mTimers.end()) continue;
        // Late by several periods: fire once, keep the phase.
        it->second.dueMs +=
            ((after - it->second.dueMs) / it->second.periodMs + 1) * it->second.periodMs;
        Callback callback = it->second.callback;
        callback(id);
    }
}
