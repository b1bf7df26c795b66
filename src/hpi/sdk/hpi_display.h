#pragma once
// Displays: how a parameter's real value becomes text and text a value. A
// parameter owns a clone of the display it is given. Texts with a length
// limit ("maxChars") never exceed it; a negative limit counts as 0.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

// Type-free base so a parameter can be handed a display through HPI_IParameter.
class HPI_IDisplayDelegateBase {
public:
    virtual ~HPI_IDisplayDelegateBase() = default;
};

template <typename T>
class HPI_IDisplayDelegate : public HPI_IDisplayDelegateBase {
public:
    // [main]
    virtual std::unique_ptr<HPI_IDisplayDelegate<T>> Clone() const = 0;
    // [main] False when the value has no text (the text written says why).
    virtual bool ValueToString(T value, int32_t maxChars, std::string& out) const = 0;
    // [main]
    virtual bool ValueToString(T value, std::string& out) const = 0;
    // [main] False (and a value of 0) when the text is not one of this display's.
    virtual bool StringToValue(const std::string& text, T& out) const = 0;
};

namespace HPI::Display {

// [main] The first maxChars characters (none for a negative limit).
inline std::string Cut(const std::string& text, int32_t maxChars) {
    const std::size_t limit = maxChars > 0 ? static_cast<std::size_t>(maxChars) : 0u;
    return text.size() > limit ? text.substr(0, limit) : text;
}

// [main] Whitespace trimmed from both ends.
inline std::string Trim(const std::string& text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isSpace(text[first])) {
        ++first;
    }
    while (last > first && isSpace(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

// [main] A whole decimal number, surrounding blanks and a leading '+' allowed,
// independent of the locale. Integers accept no fraction; doubles must be
// finite. False (out = 0) otherwise, also for values out of T's range.
template <typename T>
bool ParseNumber(const std::string& text, T& out) {
    out = T{};
    std::string trimmed = Trim(text);
    std::size_t start = 0;
    if (!trimmed.empty() && trimmed[0] == '+') {
        start = 1;
        if (trimmed.size() > 1 && (trimmed[1] == '-' || trimmed[1] == '+')) {
            return false;
        }
    }
    const char* first = trimmed.data() + start;
    const char* last = trimmed.data() + trimmed.size();
    if (first == last) {
        return false;
    }
    T value{};
    std::from_chars_result result{};
    if constexpr (std::is_floating_point_v<T>) {
        result = std::from_chars(first, last, value, std::chars_format::general);
        if (result.ec == std::errc() && !std::isfinite(value)) {
            return false;
        }
    } else {
        result = std::from_chars(first, last, value, 10);
    }
    if (result.ec != std::errc() || result.ptr != last) {
        return false;
    }
    out = value;
    return true;
}

// Fixed-point text with `precision` decimals, independent of the locale; a
// value that rounds to zero shows no minus sign. False ("" written) for a
// value that is not finite.
inline bool FormatFixed(double value, int precision, bool forceSign, std::string& out) {
    out.clear();
    if (!std::isfinite(value)) {
        return false;
    }
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (result.ec != std::errc()) {
        return false;
    }
    std::string text(buffer, result.ptr);
    const bool isZero = text.find_first_not_of("-0.") == std::string::npos;
    if (isZero && !text.empty() && text[0] == '-') {
        text.erase(0, 1);
    }
    if (forceSign && !isZero && text[0] != '-') {
        text.insert(0, 1, '+');
    }
    out = std::move(text);
    return true;
}

}  // namespace HPI::Display

// Fixed-point numbers with kPrecision decimals; kForceSign 1 puts "+" before
// positive values. A text cut to a length loses a "." left at its end.
template <typename T, int32_t kPrecision = 0, int32_t kForceSign = 0>
class HPI_CNumberDisplayDelegate final : public HPI_IDisplayDelegate<T> {
    static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, double>);
    static_assert(kPrecision >= 0 && kPrecision <= 17);

public:
    // [main]
    std::unique_ptr<HPI_IDisplayDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CNumberDisplayDelegate<T, kPrecision, kForceSign>>(*this);
    }

    // [main]
    bool ValueToString(T value, int32_t maxChars, std::string& out) const override {
        std::string full;
        const bool ok = ValueToString(value, full);
        out = HPI::Display::Cut(full, maxChars);
        if (out.size() < full.size() && !out.empty() && out.back() == '.') {
            out.pop_back();
        }
        return ok;
    }
    // [main]
    bool ValueToString(T value, std::string& out) const override {
        return HPI::Display::FormatFixed(static_cast<double>(value), kPrecision, kForceSign != 0, out);
    }
    // [main]
    bool StringToValue(const std::string& text, T& out) const override { return HPI::Display::ParseNumber(text, out); }
};

// Puts a unit behind the text of an inner display ("-3.00" + "dB"). With a
// length limit the unit is added only when it fits whole behind the inner
// text; the inner text itself is cut to the limit.
template <typename T>
class HPI_CUnitDisplayDelegateDecorator final : public HPI_IDisplayDelegate<T> {
public:
    // [main]
    HPI_CUnitDisplayDelegateDecorator(const HPI_IDisplayDelegate<T>& inner, std::string unit)
        : mInner(inner.Clone()), mUnit(std::move(unit)) {}
    // [main]
    HPI_CUnitDisplayDelegateDecorator(const HPI_CUnitDisplayDelegateDecorator& other)
        : mInner(other.mInner->Clone()), mUnit(other.mUnit) {}

    // [main]
    std::unique_ptr<HPI_IDisplayDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CUnitDisplayDelegateDecorator<T>>(*this);
    }

    // [main]
    bool ValueToString(T value, int32_t maxChars, std::string& out) const override {
        const bool ok = mInner->ValueToString(value, maxChars, out);
        const int64_t room = static_cast<int64_t>(maxChars) - static_cast<int64_t>(out.size());
        if (room >= static_cast<int64_t>(mUnit.size())) {
            out += mUnit;
        }
        return ok;
    }
    // [main]
    bool ValueToString(T value, std::string& out) const override {
        const bool ok = mInner->ValueToString(value, out);
        out += mUnit;
        return ok;
    }
    // [main] A text longer than the unit that ends in exactly the unit is read
    // without it; any other text is handed to the inner display whole.
    bool StringToValue(const std::string& text, T& out) const override {
        if (text.size() > mUnit.size() && text.compare(text.size() - mUnit.size(), mUnit.size(), mUnit) == 0) {
            return mInner->StringToValue(text.substr(0, text.size() - mUnit.size()), out);
        }
        return mInner->StringToValue(text, out);
    }

    // [main]
    const std::string& Unit() const { return mUnit; }

private:
    std::unique_ptr<HPI_IDisplayDelegate<T>> mInner;
    std::string mUnit;
};

// A fixed text per value. Values without a text show "String Not Found";
// when several values share a text, reading it gives the smallest of them.
template <typename T>
class HPI_CStringDisplayDelegate final : public HPI_IDisplayDelegate<T> {
    static_assert(std::is_same_v<T, int32_t>);

public:
    // [main]
    explicit HPI_CStringDisplayDelegate(const std::map<T, std::string>& texts) : mTexts(texts) {
        for (const auto& [value, text] : mTexts) {
            mValues.emplace(text, value);  // keeps the first (smallest) value of a text
        }
    }

    // [main]
    std::unique_ptr<HPI_IDisplayDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CStringDisplayDelegate<T>>(*this);
    }

    // [main]
    bool ValueToString(T value, int32_t maxChars, std::string& out) const override {
        const bool ok = ValueToString(value, out);
        out = HPI::Display::Cut(out, maxChars);
        return ok;
    }
    // [main]
    bool ValueToString(T value, std::string& out) const override {
        const auto found = mTexts.find(value);
        if (found == mTexts.end()) {
            out = "String Not Found";
            return false;
        }
        out = found->second;
        return true;
    }
    // [main]
    bool StringToValue(const std::string& text, T& out) const override {
        const auto found = mValues.find(text);
        out = found != mValues.end() ? found->second : T{};
        return found != mValues.end();
    }

private:
    std::map<T, std::string> mTexts;
    std::map<std::string, T> mValues;
};

// A number display with names for some of its values: a value that has a
// name shows it, any other value shows as the inner display has it. A name
// reads back as its value; any other text goes to the inner display.
template <typename T>
class HPI_CNamedValueDisplayDelegateDecorator final : public HPI_IDisplayDelegate<T> {
public:
    // [main]
    HPI_CNamedValueDisplayDelegateDecorator(const HPI_IDisplayDelegate<T>& inner, const std::map<T, std::string>& names)
        : mInner(inner.Clone()), mNames(names) {
        for (const auto& [value, name] : mNames) {
            mValues.emplace(name, value);  // keeps the first (smallest) value of a name
        }
    }
    // [main]
    HPI_CNamedValueDisplayDelegateDecorator(const HPI_CNamedValueDisplayDelegateDecorator& other)
        : mInner(other.mInner->Clone()), mNames(other.mNames), mValues(other.mValues) {}

    // [main]
    std::unique_ptr<HPI_IDisplayDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CNamedValueDisplayDelegateDecorator<T>>(*this);
    }
    // [main]
    bool ValueToString(T value, int32_t maxChars, std::string& out) const override {
        const auto found = mNames.find(value);
        if (found == mNames.end()) {
            return mInner->ValueToString(value, maxChars, out);
        }
        out = HPI::Display::Cut(found->second, maxChars);
        return true;
    }
    // [main]
    bool ValueToString(T value, std::string& out) const override {
        const auto found = mNames.find(value);
        if (found == mNames.end()) {
            return mInner->ValueToString(value, out);
        }
        out = found->second;
        return true;
    }
    // [main]
    bool StringToValue(const std::string& text, T& out) const override {
        const auto found = mValues.find(text);
        if (found == mValues.end()) {
            return mInner->StringToValue(text, out);
        }
        out = found->second;
        return true;
    }

private:
    std::unique_ptr<HPI_IDisplayDelegate<T>> mInner;
    std::map<T, std::string> mNames;
    std::map<std::string, T> mValues;
};

// Two texts, for false and true, with optional shorter pairs for narrow
// places: for a length limit L the pair with the largest maximum length not
// above L is used, the pair of the smallest maximum when none fits, and the
// full texts when L reaches the longer full text or there are no pairs; the
// chosen text is then cut to L like every limited text.
template <typename T>
class HPI_CBinaryDisplayDelegate final : public HPI_IDisplayDelegate<T> {
    static_assert(std::is_same_v<T, bool>);

public:
    // [main]
    HPI_CBinaryDisplayDelegate(std::string falseText, std::string trueText)
        : mFalseText(std::move(falseText)), mTrueText(std::move(trueText)) {}

    // [main]
    std::unique_ptr<HPI_IDisplayDelegate<T>> Clone() const override {
        return std::make_unique<HPI_CBinaryDisplayDelegate<T>>(*this);
    }

    // [main]
    bool ValueToString(T value, int32_t maxChars, std::string& out) const override {
        const std::size_t longest = std::max(mFalseText.size(), mTrueText.size());
        if (mShortTexts.empty() || (maxChars >= 0 && static_cast<std::size_t>(maxChars) >= longest)) {
            out = HPI::Display::Cut(value ? mTrueText : mFalseText, maxChars);
            return true;
        }
        const ShortTexts* chosen = &mShortTexts.front();
        for (const ShortTexts& pair : mShortTexts) {
            if (pair.mMaxChars <= maxChars) {
                chosen = &pair;
            }
        }
        out = HPI::Display::Cut(value ? chosen->mTrueText : chosen->mFalseText, maxChars);
        return true;
    }
    // [main]
    bool ValueToString(T value, std::string& out) const override {
        out = value ? mTrueText : mFalseText;
        return true;
    }
    // [main]
    bool StringToValue(const std::string& text, T& out) const override {
        out = text == mTrueText;
        return text == mTrueText || text == mFalseText;
    }

    // [main] A pair for places of at most maxChars characters (kept sorted; an equal
    // maxChars replaces the earlier pair).
    void AddShortenedStrings(std::string falseText, std::string trueText, int32_t maxChars) {
        auto at = std::lower_bound(mShortTexts.begin(), mShortTexts.end(), maxChars,
                                   [](const ShortTexts& pair, int32_t limit) { return pair.mMaxChars < limit; });
        if (at != mShortTexts.end() && at->mMaxChars == maxChars) {
            *at = ShortTexts{std::move(falseText), std::move(trueText), maxChars};
        } else {
            mShortTexts.insert(at, ShortTexts{std::move(falseText), std::move(trueText), maxChars});
        }
    }

private:
    struct ShortTexts {
        std::string mFalseText;
        std::string mTrueText;
        int32_t mMaxChars;
    };
    std::string mFalseText;
    std::string mTrueText;
    std::vector<ShortTexts> mShortTexts;
};
