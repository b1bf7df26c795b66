#pragma once
// A parameter as the host sees it: a real value of type bool, int32 or double
// with an identifier, a name (and shorter names), a taper to the normalised
// range, a display for texts, a number of steps, and a link to the host's
// automation delegate.
//
// Changing a value is a round trip: a setter turns the new value into a
// normalised value and, with an automation delegate attached, only asks the
// host for it (touch, set-value request, release); the value changes when the
// host answers with UpdateNormalizedValue, which stores it and reports it
// back with PostCurrentValue. Without a delegate a setter updates at once.
//
// Every operation runs on the host's main thread except GetValue, which the
// render thread may call. Non-finite numbers never reach the stored value:
// they are ignored by setters and updates; normalised inputs are clamped to
// 0..1.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

#include "hpi/sdk/hpi_display.h"
#include "hpi/sdk/hpi_host_wrappers.h"
#include "hpi/sdk/hpi_library.h"
#include "hpi/sdk/hpi_parameter_value.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_taper.h"

class HPI_IParameter {
public:
    virtual ~HPI_IParameter() = default;  // unregisters from the automation delegate

    // [main] A copy of the value record (identifier and real value). [main] allocates
    virtual std::unique_ptr<HPI_IParameterValue> CloneValue() const = 0;
    // [main]
    virtual const char* Identifier() const = 0;

    // [main] Full name; may hold several variants separated by "\n".
    virtual void SetName(const std::string& name) = 0;
    // [main]
    virtual const std::string& Name() const = 0;
    // [main] Files a shorter name under its own length (replacing one of equal length).
    virtual void AddShortenedName(const std::string& name) = 0;
    // [main] The full name when numChars is negative, at least the full name's length
    // or there are no shorter names; otherwise the longest shorter name of at
    // most numChars characters, or the shortest one when none is that short.
    virtual std::string ShortenedName(int32_t numChars) const = 0;
    // [main]
    virtual void ClearShortenedNames() = 0;

    // [main]
    virtual bool Automatable() const = 0;
    // [main] Unregisters from the previous delegate and registers with the new one
    // (null detaches). The delegate is not owned and must outlive the link.
    virtual void SetAutomationDelegate(const HPI_VAutomationDelegate* delegate) = 0;
    // [main] Gesture bracket, sent to the automation delegate when one is attached.
    virtual void Touch() = 0;
    // [main]
    virtual void Release() = 0;

    // [main]
    virtual void SetNormalizedValue(double normalizedValue) = 0;
    // [main]
    virtual double GetNormalizedValue() const = 0;
    // [main] Changes the default only, never the value.
    virtual void SetNormalizedDefaultValue(double normalizedValue) = 0;
    // [main]
    virtual double GetNormalizedDefaultValue() const = 0;
    // [main]
    virtual void SetToDefaultValue() = 0;

    // [main] 0 is refused (reported) and keeps the old number.
    virtual void SetNumberOfSteps(uint32_t numSteps) = 0;
    // [main]
    virtual uint32_t GetNumberOfSteps() const = 0;
    // [main] Step k of s lies at normalised k / (s - 1); with fewer than 2 steps
    // everything is step 0 at normalised 0.
    virtual int32_t GetStepValue() const = 0;
    // [main]
    virtual double GetNormalizedValueFromStep(int32_t step) const = 0;
    // [main]
    virtual int32_t GetStepValueFromNormalizedValue(double normalizedValue) const = 0;
    // [main] Nothing with fewer than 2 steps.
    virtual void SetStepValue(int32_t step) = 0;

    // [main] Display text of the stored value (at most maxChars characters).
    virtual bool GetValueString(int32_t maxChars, std::string& out) const = 0;
    // [main]
    virtual bool GetValueString(std::string& out) const = 0;

    // [main] Conversions of a given value; false unless the type is the parameter's
    // own (texts work for every parameter).
    virtual bool GetNormalizedValueFromBool(bool value, double& out) const = 0;
    // [main]
    virtual bool GetNormalizedValueFromInt32(int32_t value, double& out) const = 0;
    // [main]
    virtual bool GetNormalizedValueFromFloat(float value, double& out) const = 0;
    // [main]
    virtual bool GetNormalizedValueFromDouble(double value, double& out) const = 0;
    // [main]
    virtual bool GetNormalizedValueFromString(const std::string& text, double& out) const = 0;
    // [main]
    virtual bool GetBoolFromNormalizedValue(double normalizedValue, bool& out) const = 0;
    // [main]
    virtual bool GetInt32FromNormalizedValue(double normalizedValue, int32_t& out) const = 0;
    // [main]
    virtual bool GetFloatFromNormalizedValue(double normalizedValue, float& out) const = 0;
    // [main]
    virtual bool GetDoubleFromNormalizedValue(double normalizedValue, double& out) const = 0;
    // [main] True only when the display has a text and the real value lies in the
    // taper's range.
    virtual bool GetStringFromNormalizedValue(double normalizedValue, int32_t maxChars, std::string& out) const = 0;
    // [main]
    virtual bool GetStringFromNormalizedValue(double normalizedValue, std::string& out) const = 0;
    // [main]
    virtual bool SetValueFromString(const std::string& text) = 0;

    // [main] The stored value; false unless the type is the parameter's own (the
    // text is the display text).
    virtual bool GetValueAsBool(bool& out) const = 0;
    // [main]
    virtual bool GetValueAsInt32(int32_t& out) const = 0;
    // [main]
    virtual bool GetValueAsFloat(float& out) const = 0;
    // [main]
    virtual bool GetValueAsDouble(double& out) const = 0;
    // [main]
    virtual bool GetValueAsString(std::string& out) const = 0;
    // [main] Setters; false unless the type is the parameter's own (or the text
    // could be read).
    virtual bool SetValueAsBool(bool value) = 0;
    // [main]
    virtual bool SetValueAsInt32(int32_t value) = 0;
    // [main]
    virtual bool SetValueAsFloat(float value) = 0;
    // [main]
    virtual bool SetValueAsDouble(double value) = 0;
    // [main]
    virtual bool SetValueAsString(const std::string& text) = 0;

    // [main] HPI_EParameterType; also what the host reads as the type code.
    virtual void SetType(int32_t type) = 0;
    // [main]
    virtual int32_t GetType() const = 0;
    // [main]
    virtual void SetSecondCode(int32_t code) = 0;
    // [main]
    virtual int32_t GetSecondCode() const = 0;

    // [main] Replace the taper or display with a clone of the given one; false when
    // it is for another value type. A new taper keeps the real value
    // (preserveRealValue, sent as a set-value request) or the normalised one.
    virtual bool SetTaperDelegate(const HPI_ITaperDelegateBase& taper, bool preserveRealValue) = 0;
    // [main]
    virtual bool SetDisplayDelegate(const HPI_IDisplayDelegateBase& display) = 0;

    // [main] The host's value: stored when it differs (or a notification is due)
    // and then reported back with PostCurrentValue.
    virtual void UpdateNormalizedValue(double normalizedValue) = 0;
};

template <typename T>
class HPI_CParameter final : public HPI_IParameter {
    static_assert(std::is_same_v<T, bool> || std::is_same_v<T, int32_t> || std::is_same_v<T, double>);

public:
    // [main] Steps start at 128 (continuous type); the value starts at the default.
    HPI_CParameter(const char* identifier, const char* name, T defaultValue, const HPI_ITaperDelegate<T>& taper,
                   const HPI_IDisplayDelegate<T>& display, bool automatable)
        : mName(name != nullptr ? name : ""),
          mAutomatable(automatable),
          mTaper(taper.Clone()),
          mDisplay(display.Clone()),
          mValue(identifier, mTaper->ConstrainRealValue(Finite(defaultValue))),
          mDefaultValue(mTaper->ConstrainRealValue(Finite(defaultValue))) {
        if (mNumberOfSteps == 0) {
            if (mType == HPI_eParameterType_Discrete) {
                mNumberOfSteps = 2;
            } else if (mType == HPI_eParameterType_Continuous) {
                mNumberOfSteps = 128;
            } else {
                HPI::Check(false, "0");
            }
        }
        UpdateNormalizedValue(mTaper->RealToNormalized(mDefaultValue));
    }
    HPI_CParameter(const HPI_CParameter&) = delete;
    HPI_CParameter& operator=(const HPI_CParameter&) = delete;

    ~HPI_CParameter() override {
        if (mAutomationDelegate != nullptr) {
            mAutomationDelegate->UnregisterParameter(Identifier());
        }
    }

    // [any] The stored real value.
    T GetValue() const { return mValue.Value(); }
    // [main] Asks for (or, without a delegate, sets) a real value.
    void SetValue(T value) {
        if constexpr (std::is_floating_point_v<T>) {
            if (!std::isfinite(value)) {
                return;
            }
        }
        const double normalized = mTaper->RealToNormalized(value);
        if (mAutomationDelegate != nullptr) {
            Touch();
            mAutomationDelegate->PostSetValueRequest(Identifier(), normalized);
            Release();
        } else {
            mNeedsNotify = true;
            UpdateNormalizedValue(normalized);
        }
    }
    T GetDefaultValue() const { return mDefaultValue; }
    const HPI_ITaperDelegate<T>& Taper() const { return *mTaper; }
    const HPI_IDisplayDelegate<T>& Display() const { return *mDisplay; }

    std::unique_ptr<HPI_IParameterValue> CloneValue() const override { return mValue.Clone(); }
    const char* Identifier() const override { return mValue.Identifier(); }

    void SetName(const std::string& name) override { mName = name; }
    const std::string& Name() const override { return mName; }
    void AddShortenedName(const std::string& name) override {
        mShortenedNames[static_cast<int32_t>(std::min<std::size_t>(name.size(), INT32_MAX))] = name;
    }
    std::string ShortenedName(int32_t numChars) const override {
        if (numChars < 0 || mShortenedNames.empty() || static_cast<std::size_t>(numChars) >= mName.size()) {
            return mName;
        }
        auto above = mShortenedNames.upper_bound(numChars);
        if (above == mShortenedNames.begin()) {
            return above->second;
        }
        return std::prev(above)->second;
    }
    void ClearShortenedNames() override { mShortenedNames.clear(); }

    bool Automatable() const override { return mAutomatable; }
    void SetAutomationDelegate(const HPI_VAutomationDelegate* delegate) override {
        if (mAutomationDelegate != nullptr) {
            mAutomationDelegate->UnregisterParameter(Identifier());
        }
        mAutomationDelegate = delegate;
        if (mAutomationDelegate != nullptr) {
            mAutomationDelegate->RegisterParameter(Identifier());
        }
    }
    void Touch() override {
        if (mAutomationDelegate != nullptr) {
            mAutomationDelegate->PostTouchRequest(Identifier());
        }
    }
    void Release() override {
        if (mAutomationDelegate != nullptr) {
            mAutomationDelegate->PostReleaseRequest(Identifier());
        }
    }

    void SetNormalizedValue(double normalizedValue) override {
        if (std::isfinite(normalizedValue)) {
            SetValue(mTaper->NormalizedToReal(Clamp01(normalizedValue)));
        }
    }
    double GetNormalizedValue() const override { return mTaper->RealToNormalized(mValue.Value()); }
    void SetNormalizedDefaultValue(double normalizedValue) override {
        if (std::isfinite(normalizedValue)) {
            mDefaultValue = mTaper->ConstrainRealValue(mTaper->NormalizedToReal(Clamp01(normalizedValue)));
        }
    }
    double GetNormalizedDefaultValue() const override { return mTaper->RealToNormalized(mDefaultValue); }
    void SetToDefaultValue() override { SetValue(mDefaultValue); }

    void SetNumberOfSteps(uint32_t numSteps) override {
        if (HPI::Check(0 < numSteps, "0 < numSteps")) {
            mNumberOfSteps = numSteps;
        }
    }
    uint32_t GetNumberOfSteps() const override { return mNumberOfSteps; }
    int32_t GetStepValue() const override { return GetStepValueFromNormalizedValue(GetNormalizedValue()); }
    double GetNormalizedValueFromStep(int32_t step) const override {
        if (mNumberOfSteps < 2) {
            return 0.0;
        }
        return Clamp01(static_cast<double>(step) / (static_cast<double>(mNumberOfSteps) - 1.0));
    }
    int32_t GetStepValueFromNormalizedValue(double normalizedValue) const override {
        if (mNumberOfSteps < 2 || std::isnan(normalizedValue)) {
            return 0;
        }
        const double last = static_cast<double>(mNumberOfSteps) - 1.0;
        double step = normalizedValue * last + 0.5;
        step = step < 0.0 ? 0.0 : (step > last ? last : step);
        step = step > static_cast<double>(INT32_MAX) ? static_cast<double>(INT32_MAX) : step;
        return static_cast<int32_t>(step);
    }
    void SetStepValue(int32_t step) override {
        if (mNumberOfSteps >= 2) {
            SetNormalizedValue(GetNormalizedValueFromStep(step));
        }
    }

    bool GetValueString(int32_t maxChars, std::string& out) const override {
        return mDisplay->ValueToString(mValue.Value(), maxChars, out);
    }
    bool GetValueString(std::string& out) const override { return mDisplay->ValueToString(mValue.Value(), out); }

    bool GetNormalizedValueFromBool(bool value, double& out) const override { return NormalizedFrom(value, out); }
    bool GetNormalizedValueFromInt32(int32_t value, double& out) const override { return NormalizedFrom(value, out); }
    bool GetNormalizedValueFromFloat(float value, double& out) const override { return NormalizedFrom(value, out); }
    bool GetNormalizedValueFromDouble(double value, double& out) const override { return NormalizedFrom(value, out); }
    bool GetNormalizedValueFromString(const std::string& text, double& out) const override {
        T value{};
        if (!mDisplay->StringToValue(text, value)) {
            return false;
        }
        out = mTaper->RealToNormalized(value);
        return true;
    }
    bool GetBoolFromNormalizedValue(double normalizedValue, bool& out) const override {
        return RealFrom(normalizedValue, out);
    }
    bool GetInt32FromNormalizedValue(double normalizedValue, int32_t& out) const override {
        return RealFrom(normalizedValue, out);
    }
    bool GetFloatFromNormalizedValue(double normalizedValue, float& out) const override {
        return RealFrom(normalizedValue, out);
    }
    bool GetDoubleFromNormalizedValue(double normalizedValue, double& out) const override {
        return RealFrom(normalizedValue, out);
    }
    bool GetStringFromNormalizedValue(double normalizedValue, int32_t maxChars, std::string& out) const override {
        const T real = mTaper->NormalizedToReal(normalizedValue);
        return mDisplay->ValueToString(real, maxChars, out) && InRange(real);
    }
    bool GetStringFromNormalizedValue(double normalizedValue, std::string& out) const override {
        const T real = mTaper->NormalizedToReal(normalizedValue);
        return mDisplay->ValueToString(real, out) && InRange(real);
    }
    bool SetValueFromString(const std::string& text) override {
        T value{};
        if (!mDisplay->StringToValue(text, value)) {
            return false;
        }
        SetValue(value);
        return true;
    }

    bool GetValueAsBool(bool& out) const override { return mValue.GetValueAsBool(out); }
    bool GetValueAsInt32(int32_t& out) const override { return mValue.GetValueAsInt32(out); }
    bool GetValueAsFloat(float& out) const override { return mValue.GetValueAsFloat(out); }
    bool GetValueAsDouble(double& out) const override { return mValue.GetValueAsDouble(out); }
    bool GetValueAsString(std::string& out) const override { return GetValueString(out); }
    bool SetValueAsBool(bool value) override { return SetOwnType(value); }
    bool SetValueAsInt32(int32_t value) override { return SetOwnType(value); }
    bool SetValueAsFloat(float value) override { return SetOwnType(value); }
    bool SetValueAsDouble(double value) override { return SetOwnType(value); }
    bool SetValueAsString(const std::string& text) override { return SetValueFromString(text); }

    void SetType(int32_t type) override { mType = type; }
    int32_t GetType() const override { return mType; }
    void SetSecondCode(int32_t code) override { mSecondCode = code; }
    int32_t GetSecondCode() const override { return mSecondCode; }

    bool SetTaperDelegate(const HPI_ITaperDelegateBase& taper, bool preserveRealValue) override {
        const auto* typed = dynamic_cast<const HPI_ITaperDelegate<T>*>(&taper);
        if (typed == nullptr) {
            return false;
        }
        const double oldNormalized = GetNormalizedValue();
        mTaper = typed->Clone();
        mNeedsNotify = true;
        if (preserveRealValue) {
            SetValue(mValue.Value());
        } else {
            UpdateNormalizedValue(oldNormalized);
        }
        return true;
    }
    bool SetDisplayDelegate(const HPI_IDisplayDelegateBase& display) override {
        const auto* typed = dynamic_cast<const HPI_IDisplayDelegate<T>*>(&display);
        if (typed == nullptr) {
            return false;
        }
        mDisplay = typed->Clone();
        if (mAutomationDelegate != nullptr) {
            mAutomationDelegate->PostCurrentValue(Identifier(), GetNormalizedValue());
        }
        return true;
    }

    void UpdateNormalizedValue(double normalizedValue) override {
        if (!std::isfinite(normalizedValue)) {
            return;
        }
        normalizedValue = Clamp01(normalizedValue);
        const T real = mTaper->NormalizedToReal(normalizedValue);
        if (!mNeedsNotify && real == mValue.Value()) {
            return;
        }
        mValue.SetValue(real);
        if (mAutomationDelegate != nullptr) {
            mAutomationDelegate->PostCurrentValue(Identifier(), normalizedValue);
        }
        mNeedsNotify = false;
    }

private:
    static double Clamp01(double value) { return value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value); }
    // A non-finite default would poison the value; it becomes T{} before the
    // taper constrains it.
    static T Finite(T value) {
        if constexpr (std::is_floating_point_v<T>) {
            return std::isfinite(value) ? value : T{};
        } else {
            return value;
        }
    }

    bool InRange(T real) const {
        const T lower = mTaper->GetMinimum() < mTaper->GetMaximum() ? mTaper->GetMinimum() : mTaper->GetMaximum();
        const T upper = mTaper->GetMinimum() < mTaper->GetMaximum() ? mTaper->GetMaximum() : mTaper->GetMinimum();
        return !(real < lower) && !(upper < real);
    }

    template <typename U>
    bool NormalizedFrom(U value, double& out) const {
        if constexpr (std::is_same_v<U, T>) {
            if constexpr (std::is_floating_point_v<T>) {
                if (!std::isfinite(value)) {
                    return false;
                }
            }
            out = mTaper->RealToNormalized(value);
            return true;
        } else {
            return false;
        }
    }
    template <typename U>
    bool RealFrom(double normalizedValue, U& out) const {
        if constexpr (std::is_same_v<U, T>) {
            out = mTaper->NormalizedToReal(std::isnan(normalizedValue) ? 0.0 : normalizedValue);
            return true;
        } else {
            return false;
        }
    }
    template <typename U>
    bool SetOwnType(U value) {
        if constexpr (std::is_same_v<U, T>) {
            if constexpr (std::is_floating_point_v<T>) {
                if (!std::isfinite(value)) {
                    return false;
                }
            }
            SetValue(value);
            return true;
        } else {
            return false;
        }
    }

    std::string mName;
    std::map<int32_t, std::string> mShortenedNames;
    bool mAutomatable;
    uint32_t mNumberOfSteps = 0;
    int32_t mType = HPI_eParameterType_Continuous;
    int32_t mSecondCode = 0;
    std::unique_ptr<HPI_ITaperDelegate<T>> mTaper;
    std::unique_ptr<HPI_IDisplayDelegate<T>> mDisplay;
    const HPI_VAutomationDelegate* mAutomationDelegate = nullptr;
    bool mNeedsNotify = true;
    HPI_CParameterValue<T> mValue;
    T mDefaultValue;
};

extern template class HPI_CParameter<bool>;
extern template class HPI_CParameter<int32_t>;
extern template class HPI_CParameter<double>;
