#pragma once
// The program's main loop: timers and readable descriptors, waited for with
// poll() on the main thread. The framework's timers (the idle tick) and the
// editor's window register with it as the process run loop; the program adds
// its own housekeeping timer and the session manager's socket.
//
// Wake may be called from any thread and from a signal handler: it writes
// one byte to a pipe the loop watches, so a wait ends at once.
//
// Threads: [main] throughout (the thread that calls RunOnce), except Wake
// [any].
#include <cstdint>
#include <map>

#include "core/run_loop.h"

class PollRunLoop final : public RunLoop {
public:
    // [main] Opens the wake pipe (both ends non-blocking, close-on-exec).
    PollRunLoop();
    // [main]
    ~PollRunLoop() override;
    PollRunLoop(const PollRunLoop&) = delete;
    PollRunLoop& operator=(const PollRunLoop&) = delete;

    // [main]
    TimerId AddTimer(int periodMs, Callback callback) override;
    // [main] Also from a callback.
    void RemoveTimer(TimerId id) override;
    // [main]
    WatchId AddReadableWatch(int fd, ReadableCallback callback) override;
    // [main] Also from a callback.
    void RemoveReadableWatch(WatchId id) override;

    // [main] Waits at most timeoutMs (less when a timer is due sooner) for a
    // descriptor, a wake or a timer, then runs what is ready: each readable
    // watch once, each due timer once.
    void RunOnce(int timeoutMs);
    // [any] Async-signal-safe: ends the current or next wait early.
    void Wake();

private:
    struct TimerEntry {
        int64_t periodMs = 0;
        int64_t dueMs = 0;
        Callback callback;
    };
    struct WatchEntry {
        int fd = -1;
        ReadableCallback callback;
    };
    static int64_t NowMs();

    int mWakeRead = -1;
    int mWakeWrite = -1;
    uint64_t mNextId = 1;
    std::map<TimerId, TimerEntry> mTimers;
    std::map<WatchId, WatchEntry> mWatches;
};
