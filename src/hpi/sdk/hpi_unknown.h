#pragma once
// Reference counting for the library's own objects handed to the host, and
// the library-wide count of such objects that HPICanUnloadNow answers.
#include <atomic>
#include <cstdint>

#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

// Base of every reference-counted object of the library. Construction adds
// one to the live-object count and destruction takes it away again; an
// object starts with one reference, owned by its creator.
class HPI_CUnknown {
public:
    HPI_CUnknown(const HPI_CUnknown&) = delete;
    HPI_CUnknown& operator=(const HPI_CUnknown&) = delete;

    // [any] Objects of the library alive now (0: the library may be unloaded).
    static int32_t LiveObjectCount();

protected:
    HPI_CUnknown();
    virtual ~HPI_CUnknown();

    // [any] answers the new count
    uint32_t AddReference();
    // [any] deletes the object when the count reaches 0
    uint32_t ReleaseReference();

private:
    std::atomic<uint32_t> mReferenceCount{1};
};

// Implements HPI_IUnknown for a class of the library that offers the
// interfaces I...: QueryInterface answers HPI_IUnknown (as the first
// interface) and each I. A derived class offering more overrides
// QueryInterface and falls back to this one.
template <typename... I>
class HPI_TUnknown : public I..., public HPI_CUnknown {
    static_assert(sizeof...(I) > 0);

public:
    // [any]
    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override {
        if (out == nullptr) {
            return HPI_ERROR_NULL_ARGUMENT;
        }
        *out = nullptr;
        if (iid == HPI_IUnknown::kInterfaceID) {
            *out = static_cast<HPI_IUnknown*>(static_cast<First*>(this));
        } else {
            ((iid == I::kInterfaceID && *out == nullptr ? (*out = static_cast<I*>(this), true) : false), ...);
        }
        if (*out == nullptr) {
            return HPI_ERROR_UNKNOWN_ID;
        }
        AddReference();
        return HPI_SUCCESS;
    }
    uint32_t AddRef() override { return AddReference(); }
    uint32_t Release() override { return ReleaseReference(); }

private:
    template <typename T, typename...>
    struct FirstOf {
        using Type = T;
    };
    using First = typename FirstOf<I...>::Type;
};
