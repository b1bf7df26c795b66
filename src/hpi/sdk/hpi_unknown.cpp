#include "hpi/sdk/hpi_unknown.h"

namespace {
std::atomic<int32_t> gLiveObjects{0};
}

HPI_CUnknown::HPI_CUnknown() { gLiveObjects.fetch_add(1, std::memory_order_relaxed); }

HPI_CUnknown::~HPI_CUnknown() { gLiveObjects.fetch_sub(1, std::memory_order_relaxed); }

int32_t HPI_CUnknown::LiveObjectCount() { return gLiveObjects.load(std::memory_order_relaxed); }

uint32_t HPI_CUnknown::AddReference() { return mReferenceCount.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t HPI_CUnknown::ReleaseReference() {
    const uint32_t left = mReferenceCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}
