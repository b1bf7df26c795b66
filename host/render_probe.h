#pragma once
// Counts heap calls (malloc family, operator new and delete) and lock calls
// (mutexes, read-write locks, spin locks, condition and semaphore waits,
// futex waits) per thread, and can make a thread's allocations fail.
//
// The counting is done by the interposer (host/interposer/), linked into
// hpi-host and into every test binary: it replaces those functions for the
// whole process and counts every call on the thread that makes it, which
// costs a thread-local increment. The validator's real-time check arms the
// probe around the plug-in's render call and reads what happened while
// armed; the tests' allocation counter reads the thread's totals.
//
// Programs without the interposer count nothing. Sanitizer builds, whose
// runtime owns malloc and the lock functions, count operator new only;
// Available() then answers false with the reason.
#include <cstdint>
#include <string>

namespace hpihost {

struct ProbeCounts {
    uint64_t mAllocations = 0;  // malloc, calloc, realloc, aligned forms, operator new
    uint64_t mFrees = 0;        // free and operator delete of a non-null pointer
    uint64_t mLocks = 0;        // mutex, read-write and spin lock calls, tries included
    uint64_t mWaits = 0;        // condition, semaphore and futex waits

    // [any]
    bool Any() const { return mAllocations + mFrees + mLocks + mWaits != 0; }
    // [any]
    ProbeCounts operator-(const ProbeCounts& earlier) const {
        return {mAllocations - earlier.mAllocations, mFrees - earlier.mFrees,
                mLocks - earlier.mLocks, mWaits - earlier.mWaits};
    }
    // [any]
    ProbeCounts& operator+=(const ProbeCounts& more) {
        mAllocations += more.mAllocations;
        mFrees += more.mFrees;
        mLocks += more.mLocks;
        mWaits += more.mWaits;
        return *this;
    }
};

class RenderProbe {
public:
    // [any] True when heap and lock calls are counted in this program.
    static bool Available();
    // [any] Why they are not ("" when they are).
    static std::string UnavailableReason();
    // [any] True when the malloc family is counted (operator new is counted
    // wherever an interposer is linked).
    static bool MallocCounted();

    // [audio] Arm and Disarm bracket the plug-in's render call; the calls in
    // between add to ThreadCounts.
    static void Arm();
    // [audio]
    static void Disarm();
    // [audio] Calls this thread made while armed, since the thread started.
    static ProbeCounts ThreadCounts();
    // [any] by the calling thread: every call it made since it started,
    // armed or not.
    static ProbeCounts ThreadTotals();

    // [any] by the calling thread: while set, every heap allocation on this
    // thread fails (operator new throws std::bad_alloc, malloc answers null).
    static void FailAllocations(bool fail);
    // [any] by the calling thread.
    static bool AllocationsFail();
};

// For the interposer only.
namespace probe_detail {

enum class Call { Allocation, Free, Lock, Wait };

// [any] Counts one call of the calling thread; never allocates, locks or
// calls the system.
void Note(Call call);
// [any] True while the calling thread's allocations are to fail.
bool AllocationsFail();
// [any] The interposer tells at start-up what it replaced.
void MarkInterposed(bool heap, bool locks);
// [any] The interposer's reason for replacing only operator new (a
// sanitizer build).
void MarkUnavailable(const char* reason);

}  // namespace probe_detail

}  // namespace hpihost
