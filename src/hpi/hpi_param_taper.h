#pragma once
// A taper that maps through a framework Param, so the host, the editor and
// the engine share one shape per parameter: normalised to real is FromNorm,
// real to normalised ToNorm, constraining Restrict. The Param is not owned and
// must outlive every parameter object holding a clone of the taper.
#include <memory>
#include <type_traits>

#include "core/param.h"
#include "hpi/sdk/hpi_taper.h"

template <typename T>
class HPI_CParamTaperDelegate final : public HPI_ITaperDelegate<T> {
    static_assert(std::is_same_v<T, double>);

public:
    // [any]
    explicit HPI_CParamTaperDelegate(const Param& param) : mParam(&param) {}

    // [any]
    std::unique_ptr<HPI_ITaperDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CParamTaperDelegate<T>>(*this);
    }
    // [any]
    T GetMaximum() const override { return mParam->Max(); }
    // [any]
    T GetMinimum() const override { return mParam->Min(); }
    // [any]
    T ConstrainRealValue(T value) const override { return mParam->Restrict(value); }
    // [any]
    T NormalizedToReal(double normalizedValue) const override { return mParam->FromNorm(normalizedValue); }
    // [any]
    double RealToNormalized(T realValue) const override { return mParam->ToNorm(realValue); }

private:
    const Param* mParam;
};
