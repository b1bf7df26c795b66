#pragma once
// Base of the fake HPI host objects in the tests: QueryInterface for the
// interfaces I... (each of which a test may withhold), and a reference count
// that never deletes, so the test owns the object and can check that every
// reference the plug-in side took was given back.
#include <atomic>
#include <cstdint>
#include <vector>

#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

namespace test_support {

template <typename... I>
class HostObject : public I... {
public:
    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override {
        if (out == nullptr) {
            return HPI_ERROR_NULL_ARGUMENT;
        }
        *out = nullptr;
        if (iid == HPI_IUnknown::kInterfaceID) {
            *out = static_cast<HPI_IUnknown*>(static_cast<First*>(this));
        } else if (Offers(iid)) {
            ((iid == I::kInterfaceID && *out == nullptr ? (*out = static_cast<I*>(this), true) : false), ...);
        }
        if (*out == nullptr) {
            return HPI_ERROR_UNKNOWN_ID;
        }
        AddRef();
        return HPI_SUCCESS;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++mReferences); }
    uint32_t Release() override { return static_cast<uint32_t>(--mReferences); }
    // References taken and not yet given back.
    int References() const { return mReferences.load(); }

    // Interfaces QueryInterface refuses, to play a host that lacks them.
    std::vector<HPI_IID> withheld;

private:
    bool Offers(const HPI_IID& iid) const {
        for (const HPI_IID& w : withheld) {
            if (w == iid) {
                return false;
            }
        }
        return true;
    }
    template <typename T, typename...>
    struct FirstOf {
        using Type = T;
    };
    using First = typename FirstOf<I...>::Type;
    std::atomic<int> mReferences{0};
};

}  // namespace test_support
