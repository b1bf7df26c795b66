#include "hpi/sdk/hpi_synchronized_parameters.h"

#include <cstring>

#include "hpi/sdk/hpi_library.h"
#include "hpi/sdk/hpi_render.h"

namespace {

// The host's counter wraps from the top of the int64 range to the bottom; a
// delivered number that far below zero has passed every group numbered
// above 65535.
bool IsReached(int64_t delivered, int64_t groupNumber) {
    if (delivered >= groupNumber) {
        return true;
    }
    return delivered < -65535 && groupNumber >= 65536;
}

}  // namespace

bool HPI_CSynchronizedParameters::ByIdentifier::operator()(const HPI_IParameter* a, const HPI_IParameter* b) const {
    return std::strcmp(a->Identifier(), b->Identifier()) < 0;
}

HPI_CSynchronizedParameters::HPI_CSynchronizedParameters() = default;

HPI_CSynchronizedParameters::~HPI_CSynchronizedParameters() {
    ReleaseDelivered();
    for (int32_t i = 0; i < mGatheredCount; ++i) {
        delete mGathered[i];
    }
    while (HPI_SNumberedStateList* list = mRenderQueue.Pop()) {
        delete list;
    }
}

void HPI_CSynchronizedParameters::RegisterSynchronizedParameter(const HPI_IParameter& parameter) {
    mSynchronizedParameters.insert(parameter.Identifier());
    HPI::Check(parameter.Automatable(), "inParameter.Automatable()");
    HPI::Check(kSynchronizedParameterQueueSize >= mSynchronizedParameters.size(),
               "kSynchronizedParameterQueueSize >= mSynchronizedParameters.size()");
}

bool HPI_CSynchronizedParameters::IsSynchronized(const char* id) const {
    return id != nullptr && mSynchronizedParameters.count(id) != 0;
}

void HPI_CSynchronizedParameters::QueueChange(const HPI_IParameter& parameter) {
    if (IsSynchronized(parameter.Identifier())) {
        mQueuedChanges.insert(&parameter);
    }
}

void HPI_CSynchronizedParameters::ForgetQueuedChanges() { mQueuedChanges.clear(); }

HPI_Result HPI_CSynchronizedParameters::PostStateNumber(const HPI_VController& controller) {
    // Freeing what the render side finished with first bounds the released
    // lists by the render queue, so they cannot overflow even when the host
    // is slow with its wake-up calls.
    ReleaseDelivered();
    const int64_t number = mStateCounter;
    // Wraps instead of overflowing; the render side knows the wrap.
    mStateCounter = static_cast<int64_t>(static_cast<uint64_t>(number) + 1u);

    auto list = std::make_unique<HPI_SNumberedStateList>();
    list->mStateNumber = number;
    for (const HPI_IParameter* parameter : mQueuedChanges) {
        if (parameter != nullptr) {
            list->mPairs.push_back(std::make_unique<HPI_SParameterPair>(parameter->CloneValue()));
        }
    }
    mQueuedChanges.clear();
    if (!list->mPairs.empty()) {
        const HPI_IContainer::EStatus pushResult = mRenderQueue.Push(list.get());
        if (HPI::Check(HPI_IContainer::eStatus_Success == pushResult,
                       "HPI_IContainer::eStatus_Success == pushResult")) {
            list.release();  // now the render side's
        }
    }
    return controller.PostPacket(HPI_eRenderField_StateNumber, &number, sizeof number);
}

int32_t HPI_CSynchronizedParameters::TakeDueChanges(int64_t deliveredStateNumber) {
    mGatheredCount = 0;
    bool deferred = false;
    while (HPI_SNumberedStateList* head = mRenderQueue.Peek()) {
        if (!IsReached(deliveredStateNumber, head->mStateNumber)) {
            break;
        }
        // Pairs that do not fit stay in the group, which stays at the head of
        // the queue for the next render call: late, but never lost.
        for (std::unique_ptr<HPI_SParameterPair>& pair : head->mPairs) {
            if (!pair) {
                continue;
            }
            if (mGatheredCount == kMaxSynchronizedPairsPerRender) {
                deferred = true;
                break;
            }
            mGathered[mGatheredCount++] = pair.release();
        }
        if (deferred) {
            break;
        }
        HPI_SNumberedStateList* popped = mRenderQueue.Pop();
        HPI::Check(popped == head, "poppedPair == numberedStateList");
        if (popped == nullptr) {
            break;
        }
        const HPI_IContainer::EStatus pushResult = mReleasedLists.Push(popped);
        HPI::Check(HPI_IContainer::eStatus_Success == pushResult, "HPI_IContainer::eStatus_Success == pushResult");
    }
    HPI::Check(!deferred, "sCap > mSize");
    return mGatheredCount;
}

void HPI_CSynchronizedParameters::ReleaseDueChanges() {
    for (int32_t i = 0; i < mGatheredCount; ++i) {
        const HPI_IContainer::EStatus pushResult = mReleasedPairs.Push(mGathered[i]);
        HPI::Check(HPI_IContainer::eStatus_Success == pushResult, "HPI_IContainer::eStatus_Success == pushResult");
        mGathered[i] = nullptr;
    }
    mGatheredCount = 0;
}

HPI_Result HPI_CSynchronizedParameters::ReleaseDelivered() {
    while (HPI_SNumberedStateList* list = mReleasedLists.Pop()) {
        delete list;
    }
    while (HPI_SParameterPair* pair = mReleasedPairs.Pop()) {
        delete pair;
    }
    return HPI_SUCCESS;
}
