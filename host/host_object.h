#pragma once
// Reference counting for every object the host hands to a plug-in, and a
// process-wide register of the ones alive, so that a host object the plug-in
// (or the host) forgot to release shows up at the end of a session.
//
// A host object is created with one reference, owned by its creator; it
// deletes itself when the last reference is released. QueryInterface answers
// the root interface and every interface listed in the template arguments.
#include <atomic>
#include <cstdint>
#include <string>

#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

namespace hpihost {

// [any] Number of host objects alive now, over all kinds.
int LiveHostObjectCount();
// [any] The kinds alive now with their counts ("HostCollection x1, ..."), or ""
// when none is alive.
std::string LiveHostObjectSummary();

namespace detail {
// [any]
void CountHostObject(const char* kind, int delta);
}  // namespace detail

template <typename First, typename... Rest>
class HostObject : public First, public Rest... {
public:
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;

    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override {
        if (out == nullptr) {
            return HPI_ERROR_NULL_ARGUMENT;
        }
        void* found = nullptr;
        if (iid == HPI_IUnknown::kInterfaceID) {
            found = static_cast<HPI_IUnknown*>(static_cast<First*>(this));
        } else if (iid == First::kInterfaceID) {
            found = static_cast<First*>(this);
        } else {
            ((found == nullptr && iid == Rest::kInterfaceID
                  ? static_cast<void>(found = static_cast<Rest*>(this))
                  : static_cast<void>(0)),
             ...);
        }
        *out = found;
        if (found == nullptr) {
            return HPI_ERROR_UNKNOWN_ID;
        }
        AddRef();
        return HPI_SUCCESS;
    }
    uint32_t AddRef() override { return mReferences.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t Release() override {
        const uint32_t left = mReferences.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // [any] The object as the root interface, for calls that take HPI_IUnknown*.
    HPI_IUnknown* AsUnknown() { return static_cast<HPI_IUnknown*>(static_cast<First*>(this)); }
    // [any]
    uint32_t ReferenceCount() const { return mReferences.load(std::memory_order_relaxed); }

protected:
    explicit HostObject(const char* kind) : mKind(kind) { detail::CountHostObject(mKind, +1); }
    virtual ~HostObject() { detail::CountHostObject(mKind, -1); }

private:
    const char* mKind;
    std::atomic<uint32_t> mReferences{1};
};

}  // namespace hpihost
