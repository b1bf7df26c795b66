#pragma once
// The value record of a parameter: its identifier and its real value. The
// parameter keeps one; a clone travels to the render thread with a
// synchronized change.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#include "hpi/sdk/hpi_library.h"

// Identifier texts hold at most kMaxIdentifierSize - 1 characters.
constexpr std::size_t kMaxIdentifierSize = 32;

class HPI_IParameterValue {
public:
    virtual ~HPI_IParameterValue() = default;

    // [any] allocates
    virtual std::unique_ptr<HPI_IParameterValue> Clone() const = 0;
    // [any] never null
    virtual const char* Identifier() const = 0;
    // [any] Only the accessor of the record's own type answers true and writes the
    // value; the others answer false and leave `out` alone.
    virtual bool GetValueAsBool(bool& out) const = 0;
    // [any]
    virtual bool GetValueAsInt32(int32_t& out) const = 0;
    // [any]
    virtual bool GetValueAsFloat(float& out) const = 0;
    // [any]
    virtual bool GetValueAsDouble(double& out) const = 0;
    // [any]
    virtual bool GetValueAsString(std::string& out) const = 0;
};

// T is bool, int32_t or double.
template <typename T>
class HPI_CParameterValue final : public HPI_IParameterValue {
    static_assert(std::is_same_v<T, bool> || std::is_same_v<T, int32_t> || std::is_same_v<T, double>);

public:
    // [main] An identifier of kMaxIdentifierSize characters or more is reported and
    // cut to its first kMaxIdentifierSize - 1; null counts as "".
    HPI_CParameterValue(const char* identifier, T value) : mValue(value) {
        static_assert(std::atomic<T>::is_always_lock_free);
        const std::size_t len = identifier != nullptr ? std::strlen(identifier) : 0;
        HPI::Check(len < kMaxIdentifierSize, "len < kMaxIdentifierSize");
        const std::size_t kept = len < kMaxIdentifierSize ? len : kMaxIdentifierSize - 1;
        if (kept > 0) {
            std::memcpy(mIdentifier, identifier, kept);
        }
        mIdentifier[kept] = '\0';
    }

    // [any]
    HPI_CParameterValue(const HPI_CParameterValue& other) : mValue(other.Value()) {
        std::memcpy(mIdentifier, other.mIdentifier, sizeof mIdentifier);
    }
    HPI_CParameterValue& operator=(const HPI_CParameterValue&) = delete;

    // [any]
    std::unique_ptr<HPI_IParameterValue> Clone() const override {
        return std::make_unique<HPI_CParameterValue<T>>(*this);
    }
    // [any]
    const char* Identifier() const override { return mIdentifier; }

    // [any]
    bool GetValueAsBool(bool& out) const override { return Get(out); }
    // [any]
    bool GetValueAsInt32(int32_t& out) const override { return Get(out); }
    // [any]
    bool GetValueAsFloat(float& out) const override { return Get(out); }
    // [any]
    bool GetValueAsDouble(double& out) const override { return Get(out); }
    // [any]
    bool GetValueAsString(std::string&) const override { return false; }

    // [any] The value is atomic, so the render thread may read it while the main
    // thread writes.
    T Value() const { return mValue.load(std::memory_order_relaxed); }
    // [main]
    void SetValue(T value) { mValue.store(value, std::memory_order_relaxed); }

private:
    template <typename U>
    bool Get(U& out) const {
        if constexpr (std::is_same_v<U, T>) {
            out = Value();
            return true;
        } else {
            return false;
        }
    }

    char mIdentifier[kMaxIdentifierSize] = {};
    std::atomic<T> mValue;
};
