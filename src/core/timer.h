#pragma once
// Periodic callbacks for the plug-in's housekeeping (the 20 ms idle tick).
// A Timer registers with the process's run loop (see core/run_loop.h) and its
// callback runs on the thread that pumps that loop, which is the thread that
// owns the plug-in's host calls; never on the audio thread.
//
// All running timers of the process are listed under one process-wide lock,
// and each callback runs while that lock is held: ticks of all timers in the
// process run one at a time. The lock is recursive, so a callback may stop its
// own timer, stop others, or create new ones.
#include <functional>
#include <memory>

class Timer {
public:
    using Callback = std::function<void(Timer& timer)>;

    // [main] Starts a timer on ProcessRunLoop() that calls callback every
    // periodMs milliseconds (at least 1) until it is stopped or destroyed. If
    // the run loop refuses the timer, the result is a stopped timer.
    static std::unique_ptr<Timer> Create(Callback callback, int periodMs);

    // [main] Stops first; waits for a running tick of this timer to finish.
    virtual ~Timer() = default;
    // [main] [the timer's own callback] Unregisters the timer; no tick starts
    // after it returns. Stopping a stopped timer does nothing.
    virtual void Stop() = 0;
    // [any] False once stopped (or when the run loop refused it).
    virtual bool IsRunning() const = 0;
    // [any] The period asked for, in milliseconds.
    virtual int PeriodMs() const = 0;
};
