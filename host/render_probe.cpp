#include "render_probe.h"

#include <atomic>

namespace hpihost {
namespace {

// Static TLS of the executable: reading it from inside malloc never
// allocates. All are constant-initialised, so no TLS init call either.
thread_local ProbeCounts tTotals __attribute__((tls_model("initial-exec")));
thread_local ProbeCounts tArmed __attribute__((tls_model("initial-exec")));
thread_local ProbeCounts tArmedAt __attribute__((tls_model("initial-exec")));
thread_local bool tFailing __attribute__((tls_model("initial-exec"))) = false;

std::atomic<bool> gHeapInterposed{false};
std::atomic<bool> gLocksInterposed{false};
std::atomic<const char*> gUnavailableReason{nullptr};

}  // namespace

bool RenderProbe::Available() {
    return gHeapInterposed.load() && gLocksInterposed.load();
}

std::string RenderProbe::UnavailableReason() {
    if (Available()) {
        return "";
    }
    if (const char* reason = gUnavailableReason.load()) {
        return reason;
    }
    return "this program links no allocation and lock interposer (hpi-host does)";
}

bool RenderProbe::MallocCounted() {
    return gHeapInterposed.load();
}

void RenderProbe::Arm() {
    tArmedAt = tTotals;
}

void RenderProbe::Disarm() {
    tArmed += tTotals - tArmedAt;
}

ProbeCounts RenderProbe::ThreadCounts() {
    return tArmed;
}

ProbeCounts RenderProbe::ThreadTotals() {
    return tTotals;
}

void RenderProbe::FailAllocations(bool fail) {
    tFailing = fail;
}

bool RenderProbe::AllocationsFail() {
    return tFailing;
}

namespace probe_detail {

// The counter of each Call, in the order of the enumeration.
constexpr uint64_t ProbeCounts::*kCounters[] = {&ProbeCounts::mAllocations, &ProbeCounts::mFrees,
                                                &ProbeCounts::mLocks, &ProbeCounts::mWaits};

void Note(Call call) {
    ++(tTotals.*kCounters[static_cast<int>(call)]);
}

bool AllocationsFail() {
    return tFailing;
}

void MarkInterposed(bool heap, bool locks) {
    gHeapInterposed.store(heap);
    gLocksInterposed.store(locks);
}

void MarkUnavailable(const char* reason) {
    gUnavailableReason.store(reason);
}

}  // namespace probe_detail

}  // namespace hpihost
