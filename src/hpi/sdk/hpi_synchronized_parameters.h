#pragma once
// Synchronized parameters: changes the render thread must see at an exact
// point of the host's timeline rather than as soon as they are made.
//
// On the main thread every packet update groups the waiting changes under
// the next state number and posts that number to the host's synchronized
// data port (render field 25); the host hands the number back in the render
// context once the render has reached that point, and the render side then
// takes every group whose number has been reached. What the render side has
// finished with travels back through two queues and is deleted by the main
// thread's wake-up call, so the render side never allocates or frees.
//
// Owned by the effect-parameters object of one instance:
//   [main]  RegisterSynchronizedParameter, QueueChange (from the parameter
//           update), PostStateNumber (packet update, after the packet
//           dispatcher), ReleaseDelivered (wake-up call)
//   [audio] TakeDueChanges, then the render hook with GatheredPairs, then
//           ReleaseDueChanges, once per render context.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "hpi/sdk/hpi_atomic_queue.h"
#include "hpi/sdk/hpi_host_wrappers.h"
#include "hpi/sdk/hpi_parameter.h"
#include "hpi/sdk/hpi_parameter_value.h"

constexpr std::size_t kSynchronizedParameterQueueSize = 32;  // most synchronized parameters
constexpr int32_t kMaxSynchronizedPairsPerRender = 128;       // most changes one render call delivers

// One delivered change: the value record (owned) and its identifier, which
// points into the record.
struct HPI_SParameterPair {
    // [main]
    explicit HPI_SParameterPair(std::unique_ptr<HPI_IParameterValue> value)
        : mIdentifier(value->Identifier()), mValue(std::move(value)) {}
    const char* mIdentifier;
    std::unique_ptr<HPI_IParameterValue> mValue;
};

// The changes of one state number. Pairs the render side took are null.
struct HPI_SNumberedStateList {
    int64_t mStateNumber = 0;
    std::vector<std::unique_ptr<HPI_SParameterPair>> mPairs;
};

using HPI_CNumberedStateListQueue = HPI_CAtomicQueue<HPI_SNumberedStateList, 256>;
using HPI_CParameterPairQueue = HPI_CAtomicQueue<HPI_SParameterPair, 512>;

class HPI_CSynchronizedParameters {
public:
    // [main]
    HPI_CSynchronizedParameters();
    // [main] Deletes everything still held: released lists, released pairs, pairs
    // gathered and not handed back, then lists the render side never took.
    // The render side must have stopped.
    ~HPI_CSynchronizedParameters();
    HPI_CSynchronizedParameters(const HPI_CSynchronizedParameters&) = delete;
    HPI_CSynchronizedParameters& operator=(const HPI_CSynchronizedParameters&) = delete;

    // [main] Marks the parameter's identifier as synchronized. A parameter that is
    // not automatable, or more than kSynchronizedParameterQueueSize of them,
    // are reported.
    void RegisterSynchronizedParameter(const HPI_IParameter& parameter);
    // [main]
    bool IsSynchronized(const char* id) const;

    // [main] A synchronized parameter's value changed: it waits for the next state
    // number (once, however often it changes). Others are ignored. The
    // parameter must stay alive until PostStateNumber or ForgetQueuedChanges.
    void QueueChange(const HPI_IParameter& parameter);
    // [main] Drops waiting changes, e.g. before the parameters are deleted.
    void ForgetQueuedChanges();

    // [main] The packet update after the packet dispatcher: frees what the render
    // side has finished with (as ReleaseDelivered), takes the next state
    // number n (0, 1, 2, ...), hands the waiting changes with copies of their
    // current values to the render side under n (nothing when none wait),
    // and posts the 8 bytes of n to field 25 through the controller. Answers
    // the post's result.
    HPI_Result PostStateNumber(const HPI_VController& controller);
    // [main] The number the next PostStateNumber uses.
    int64_t NextStateNumber() const { return mStateCounter; }

    // [audio] Render side: gathers the pairs of every group whose number the host
    // has reached (deliveredStateNumber, the int64 of field 25), oldest
    // first, at most kMaxSynchronizedPairsPerRender. Pairs beyond that are
    // reported ("sCap > mSize") and wait, in order, for the next call. A
    // number far below zero reaches a group above 65535, as the counter has
    // wrapped. Answers the count of gathered pairs.
    int32_t TakeDueChanges(int64_t deliveredStateNumber);
    // [audio]
    HPI_SParameterPair* const* GatheredPairs() const { return mGathered; }
    // [audio]
    int32_t GatheredCount() const { return mGatheredCount; }
    // [audio] Hands the gathered pairs back for deletion on the main thread.
    void ReleaseDueChanges();

    // [main] The wake-up call: deletes every group and pair the render side has
    // finished with. Answers 0.
    HPI_Result ReleaseDelivered();

private:
    struct ByIdentifier {
        // [main]
        bool operator()(const HPI_IParameter* a, const HPI_IParameter* b) const;
    };

    std::set<std::string> mSynchronizedParameters;
    std::set<const HPI_IParameter*, ByIdentifier> mQueuedChanges;
    int64_t mStateCounter = 0;
    HPI_CNumberedStateListQueue mRenderQueue;
    HPI_CNumberedStateListQueue mReleasedLists;
    HPI_CParameterPairQueue mReleasedPairs;

    // Render-side scratch, sized once.
    HPI_SParameterPair* mGathered[kMaxSynchronizedPairsPerRender] = {};
    int32_t mGatheredCount = 0;
};
