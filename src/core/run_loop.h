#pragma once
// Periodic callbacks on the thread that owns the plug-in's host calls. There is
// no window-message timer here, so timers register with a RunLoop: the host's
// run-loop service (installed by the host adapter) or a ManualRunLoop that the
// caller pumps. Callbacks run on the thread that pumps the loop, never on the
// audio thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class RunLoop {
public:
    using TimerId = uint64_t;  // 0 is never a valid identifier
    using Callback = std::function<void(TimerId id)>;

    virtual ~RunLoop() = default;

    // [main] Calls callback(id) every periodMs milliseconds (at least 1) on the
    // loop's thread until RemoveTimer(id); returns the id, or 0 on failure.
    virtual TimerId AddTimer(int periodMs, Callback callback) = 0;
    // [main] Also from a callback on the loop's thread. Stops the timer; an unknown id does
    // nothing. After it returns the loop picks the timer no more (a call that the pumping thread
    // picked just before may still arrive).
    virtual void RemoveTimer(TimerId id) = 0;

    using WatchId = uint64_t;  // 0 is never a valid identifier
    using ReadableCallback = std::function<void()>;
    // [main] Calls callback on the loop's thread whenever fd has data to read,
    // until RemoveReadableWatch(id). 0 when the loop does not watch descriptors
    // (the default): the caller then reads fd from a timer instead.
    virtual WatchId AddReadableWatch(int fd, ReadableCallback callback);
    // [main] [loop thread] Stops watching; an unknown id does nothing.
    virtual void RemoveReadableWatch(WatchId id);
};

// A run loop with its own clock that fires only when pumped. Several threads
// may add and remove timers; one thread pumps.
class ManualRunLoop : public RunLoop {
public:
    // [any]
    explicit ManualRunLoop(int64_t startMs = 0) : mNowMs(startMs) {}

    // [any] first due one period from Now()
    TimerId AddTimer(int periodMs, Callback callback) override;
    // [any]
    void RemoveTimer(TimerId id) override;

    // [any] By the pumping thread only. Moves the clock to nowMs (never backwards) and fires every
    // timer that is due, each at most once per call, in the order they were
    // added; a timer late by several periods fires once and keeps its phase.
    // Returns the number of callbacks run.
    int RunDue(int64_t nowMs);
    // [any] By the pumping thread only. RunDue(Now() + elapsedMs).
    int Advance(int64_t elapsedMs) { return RunDue(Now() + elapsedMs); }
    // [any] By the pumping thread only. Fires the next due timers at once, moving the clock to
    // them; 0 when there are no timers.
    int Tick();

    // [any]
    int64_t Now() const;
    // [any]
    std::size_t TimerCount() const;

private:
    struct Entry {
        TimerId id;
        int64_t periodMs;
        int64_t dueMs;
        Callback callback;
    };

    mutable std::mutex mLock;  // guards the entries and the clock, never held while a callback runs
    std::vector<Entry> mEntries;
    int64_t mNowMs;
    TimerId mNextId = 1;
};

// [main] Installs the run loop that new timers register with; null restores
// the process's default ManualRunLoop. Timers already running stay with the
// loop they were created on. The loop must outlive its timers.
void SetProcessRunLoop(RunLoop* loop);
// [any] The run loop new timers register with.
RunLoop& ProcessRunLoop();
// [any] The process's default loop, used until a host installs its own; a
// host without a run loop pumps this one.
ManualRunLoop& DefaultRunLoop();
