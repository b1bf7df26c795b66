#pragma once
// Watches what a plug-in does on the render thread while the host is inside
// its render procedure: heap calls (malloc family, operator new and delete)
// and lock calls (mutexes, read-write locks, spin locks, condition and
// semaphore waits, futex waits).
//
// The counting is done by the interposer linked into hpi-host
// (host/interposer/): it replaces those functions for the whole process and
// counts a call only on a thread that has armed the probe, so the host's own
// work and every other thread cost nothing but a thread-local read. Programs
// without the interposer, and sanitizer builds (where the sanitizer owns
// malloc and the lock functions), link no interposer; Available() then
// answers false with the reason.
#include <cstdint>
#include <string>

namespace hpihost {

struct ProbeCounts {
    uint64_t mAllocations = 0;  // malloc, calloc, realloc, aligned forms, operator new
    uint64_t mFrees = 0;        // free and operator delete of a non-null pointer
    uint64_t mLocks = 0;        // mutex, read-write and spin lock calls, tries included
    uint64_t mWaits = 0;        // condition, semaphore and futex waits

    bool Any() const { return mAllocations + mFrees + mLocks + mWaits != 0; }
    ProbeCounts operator-(const ProbeCounts& earlier) const {
        return {mAllocations - earlier.mAllocations, mFrees - earlier.mFrees,
                mLocks - earlier.mLocks, mWaits - earlier.mWaits};
    }
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

    // [audio] Counting on this thread starts with Arm and stops with Disarm; arm
    // only around the plug-in's render call.
    static void Arm();
    static void Disarm();
    // [audio] Calls this thread made while armed, since the thread started.
    static ProbeCounts ThreadCounts();
};

// For the interposer only.
namespace probe_detail {

enum class Call { Allocation, Free, Lock, Wait };

// [any] Counts one call when the calling thread is armed; never allocates,
// locks or calls the system.
void Note(Call call);
// [any] The interposer tells at start-up what it replaced.
void MarkInterposed(bool heap, bool locks);
// [any] The interposer's reason for replacing nothing (a sanitizer build).
void MarkUnavailable(const char* reason);

}  // namespace probe_detail

}  // namespace hpihost
