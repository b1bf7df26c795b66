#pragma once
// Tapers: the mapping between a parameter's real value and the normalised
// range 0..1 the host and the editor work in. A parameter owns a clone of the
// taper it is given.
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>

// Type-free base so a parameter can be handed a taper through HPI_IParameter.
class HPI_ITaperDelegateBase {
public:
    virtual ~HPI_ITaperDelegateBase() = default;
};

template <typename T>
class HPI_ITaperDelegate : public HPI_ITaperDelegateBase {
public:
    // [main]
    virtual std::unique_ptr<HPI_ITaperDelegate<T>> Clone() const = 0;
    // [any]
    virtual T GetMaximum() const = 0;
    // [any]
    virtual T GetMinimum() const = 0;
    // [any] The nearest value the parameter can hold.
    virtual T ConstrainRealValue(T value) const = 0;
    // [any] Any double, finite or not, maps to a value the parameter can hold.
    virtual T NormalizedToReal(double normalizedValue) const = 0;
    // [any] Answers a value in 0..1.
    virtual double RealToNormalized(T realValue) const = 0;
};

// Two states: every normalised value above 0 is true.
template <typename T>
class HPI_CBinaryTaperDelegate final : public HPI_ITaperDelegate<T> {
    static_assert(std::is_same_v<T, bool>);

public:
    // [any]
    std::unique_ptr<HPI_ITaperDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CBinaryTaperDelegate<T>>(*this);
    }
    // [any]
    T GetMaximum() const override { return true; }
    // [any]
    T GetMinimum() const override { return false; }
    // [any]
    T ConstrainRealValue(T value) const override { return value; }
    // [any]
    T NormalizedToReal(double normalizedValue) const override { return normalizedValue > 0.0; }
    // [any]
    double RealToNormalized(T realValue) const override { return realValue ? 1.0 : 0.0; }
};

// Straight line from min (normalised 0) to max (normalised 1); min may lie
// above max. Real values are rounded to the nearest multiple of
// 1 / kResolution (the nearest integer for integer parameters, whose
// resolution must be 1). With min = max every real value is normalised 0.5
// and every normalised value is min.
template <typename T, int32_t kResolution = 1>
class HPI_CLinearTaperDelegate final : public HPI_ITaperDelegate<T> {
    static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, double>);
    static_assert(kResolution >= 1 && (std::is_floating_point_v<T> || kResolution == 1));

public:
    // [any]
    HPI_CLinearTaperDelegate(T minValue, T maxValue) : mMinValue(minValue), mMaxValue(maxValue) {}

    // [any]
    std::unique_ptr<HPI_ITaperDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CLinearTaperDelegate<T, kResolution>>(*this);
    }
    // [any]
    T GetMaximum() const override { return mMaxValue; }
    // [any]
    T GetMinimum() const override { return mMinValue; }

    // [any]
    T ConstrainRealValue(T value) const override {
        if (mMinValue == mMaxValue) {
            return mMinValue;
        }
        return Round(static_cast<double>(value));
    }

    // [any]
    T NormalizedToReal(double normalizedValue) const override {
        if (mMinValue == mMaxValue) {
            return mMinValue;
        }
        const double span = static_cast<double>(mMaxValue) - static_cast<double>(mMinValue);
        return Round(span * normalizedValue + static_cast<double>(mMinValue));
    }

    // [any]
    double RealToNormalized(T realValue) const override {
        if (mMinValue == mMaxValue) {
            return 0.5;
        }
        const double span = static_cast<double>(mMaxValue) - static_cast<double>(mMinValue);
        const double n = (static_cast<double>(ConstrainRealValue(realValue)) - static_cast<double>(mMinValue)) / span;
        return n < 0.0 ? 0.0 : (n > 1.0 ? 1.0 : n);
    }

private:
    // Rounds half up to the resolution and clamps into the range while still
    // a double, so no out-of-range double is ever converted to T. NaN lands
    // on min.
    T Round(double value) const {
        const double lower = static_cast<double>(mMinValue < mMaxValue ? mMinValue : mMaxValue);
        const double upper = static_cast<double>(mMinValue < mMaxValue ? mMaxValue : mMinValue);
        if (std::isnan(value)) {
            return mMinValue;
        }
        double rounded = std::floor(value * kResolution + 0.5) / kResolution;
        rounded = rounded < lower ? lower : (rounded > upper ? upper : rounded);
        return static_cast<T>(rounded);
    }

    T mMinValue;
    T mMaxValue;
};
