#pragma once
// The host's main-thread run loop: timers, file descriptors and posted tasks,
// waited for with poll(). The plug-in reaches it through HPI_IRunLoop (see
// host_library.h); the host adds its own timers (packet updates, progress)
// and posts the answers to automation requests here.
//
// Guarantees (the HPI_IRunLoop contract): callbacks run on the thread that
// calls RunOnce, one at a time, never inside a Register/Unregister call; a
// timer fires at most once per period (late ticks are not queued); after an
// Unregister returns the callback never runs again, and any callback may
// unregister itself or another entry; tokens are never 0 and never reused.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace hpihost {

class HostRunLoop {
public:
    using Token = uint64_t;
    using TimerCallback = std::function<void()>;
    using DescriptorCallback = std::function<void(int fd, uint32_t events)>;

    // [main] the constructing thread is the loop's thread
    HostRunLoop();
    // [main]
    ~HostRunLoop();
    HostRunLoop(const HostRunLoop&) = delete;
    HostRunLoop& operator=(const HostRunLoop&) = delete;

    // [main] A timer first due periodMs from now; 0 when periodMs is 0 or the
    // callback is empty.
    Token AddTimer(uint32_t periodMs, TimerCallback callback);
    // [main] Calls back while any of `events` (HPI_EFileDescriptorEvent bits) or an
    // error is pending on fd; 0 for a negative fd, no events or an empty
    // callback.
    Token AddDescriptor(int fd, uint32_t events, DescriptorCallback callback);
    // [main] False for an unknown token.
    bool Remove(Token token);
    // [main]
    bool IsTimer(Token token) const;
    // [main]
    bool IsDescriptor(Token token) const;

    // [any] Runs `task` on the loop's thread at the next RunOnce, after the tasks
    // posted before it; wakes a waiting RunOnce.
    void Post(std::function<void()> task);
    // [any] Ends the current or next wait of RunOnce early.
    void Wake();

    // [main] Runs the posted tasks, then waits at most timeoutMs (less when a timer
    // is due sooner; not at all when tasks are pending) for a descriptor, a
    // wake or a timer, runs what is ready and the tasks posted meanwhile.
    // Answers the number of callbacks and tasks run.
    int RunOnce(int timeoutMs);
    // [main] Runs the posted tasks until none is left (they may post more); answers
    // how many ran.
    int RunPosted();

    // [main]
    std::size_t TimerCount() const;
    // [main]
    std::size_t DescriptorCount() const;
    // [any]
    std::size_t PostedCount() const;
    // [main] Forgets every timer and descriptor, e.g. those a plug-in left behind
    // before its library is closed; answers how many there were.
    std::size_t RemoveAll();

    // [any]
    bool IsLoopThread() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        bool mIsTimer = true;
        std::chrono::milliseconds mPeriod{0};
        Clock::time_point mDue{};
        int mFd = -1;
        uint32_t mEvents = 0;
        TimerCallback mTimer;
        DescriptorCallback mDescriptor;
    };

    Token NextToken() { return mNextToken++; }

    std::map<Token, Entry> mEntries;
    Token mNextToken = 1;
    int mWakeFd = -1;
    mutable std::mutex mPostedLock;
    std::deque<std::function<void()>> mPosted;
    std::thread::id mLoopThread;
};

}  // namespace hpihost
