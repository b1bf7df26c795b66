#include "render_probe.h"

#include <atomic>

namespace hpihost {
namespace {

// Static TLS of the executable: reading it from inside malloc never
// allocates. Both are constant-initialised, so no TLS init call either.
thread_local bool tArmed __attribute__((tls_model("initial-exec"))) = false;
thread_local ProbeCounts tCounts __attribute__((tls_model("initial-exec")));

std::atomic<bool> gHeapInterposed{false};
std::atomic<bool> gLocksInterposed{false};
std::atomic<const char*> gUnavailableReason{nullptr};

}  // namespace

bool RenderProbe::Available() { return gHeapInterposed.load() && gLocksInterposed.load(); }

std::string RenderProbe::UnavailableReason() {
    if (Available()) {
        return "";
    }
    if (const char* reason = gUnavailableReason.load()) {
        return reason;
    }
    return "this program links no allocation and lock interposer (hpi-host does)";
}

void RenderProbe::Arm() { tArmed = true; }

void RenderProbe::Disarm() { tArmed = false; }

ProbeCounts RenderProbe::ThreadCounts() { return tCounts; }

namespace probe_detail {

void Note(Call call) {
    if (!tArmed) {
        return;
    }
    switch (call) {
        case Call::Allocation: ++tCounts.mAllocations; break;
        case Call::Free: ++tCounts.mFrees; break;
        case Call::Lock: ++tCounts.mLocks; break;
        case Call::Wait: ++tCounts.mWaits; break;
    }
}

void MarkInterposed(bool heap, bool locks) {
    gHeapInterposed.store(heap);
    gLocksInterposed.store(locks);
}

void MarkUnavailable(const char* reason) { gUnavailableReason.store(reason); }

}  // namespace probe_detail

}  // namespace hpihost
