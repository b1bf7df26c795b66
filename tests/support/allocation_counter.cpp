// The test allocation counter over the process's one interposer
// (host/interposer/), which the real-time check of hpi-host uses too.
#include "allocation_counter.h"

#include "render_probe.h"

namespace test_support {

using hpihost::RenderProbe;

std::size_t ThreadAllocationCount() {
    return RenderProbe::ThreadTotals().mAllocations;
}

bool MallocIsCounted() {
    return RenderProbe::MallocCounted();
}

AllocationFailureScope::AllocationFailureScope() : mWasFailing(RenderProbe::AllocationsFail()) {
    RenderProbe::FailAllocations(true);
}

AllocationFailureScope::~AllocationFailureScope() {
    RenderProbe::FailAllocations(mWasFailing);
}

}  // namespace test_support
