// Feeds arbitrary text to the host's value-from-text call for every
// parameter object of the product (the master bypass and the eleven
// parameters), and arbitrary numbers, lengths and buffer capacities to the
// text-from-value call. Checked: a value read from text is a finite
// normalised value; applying it keeps every parameter finite and in range;
// output texts stay inside the host's buffer, NUL-terminated; and a value's
// full text reads back as the same value (to the display's two decimals for
// numbers, exactly for steps and texts).
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/param.h"
#include "fake_host.h"
#include "tarnwhistle.h"

namespace {

void Check(bool condition, const char* what, const char* id) {
    if (!condition) {
        std::fprintf(stderr, "host text fuzzer: %s (parameter \"%s\")\n", what, id);
        std::abort();
    }
}

// The same real value, as the host's parameter object maps normalised values.
bool SameReal(const HPI_IParameter& parameter, double a, double b) {
    double realA = 0.0, realB = 0.0;
    if (parameter.GetDoubleFromNormalizedValue(a, realA) && parameter.GetDoubleFromNormalizedValue(b, realB)) {
        return std::fabs(realA - realB) <= 0.005 * (1.0 + 1e-9) + 1e-12 * std::fabs(realA);
    }
    int32_t intA = 0, intB = 0;
    if (parameter.GetInt32FromNormalizedValue(a, intA) && parameter.GetInt32FromNormalizedValue(b, intB)) {
        return intA == intB;
    }
    bool boolA = false, boolB = false;
    if (parameter.GetBoolFromNormalizedValue(a, boolA) && parameter.GetBoolFromNormalizedValue(b, boolB)) {
        return boolA == boolB;
    }
    return false;
}

// Text of normalised value n into a heap buffer of exactly `capacity` bytes.
HPI_Result TextOf(HPI_IEffectParameters& host, const char* id, double n, int32_t maxChars, int32_t capacity,
                  std::string& out) {
    std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(capacity)]);
    if (capacity > 0) {
        std::memset(buffer.get(), 'x', static_cast<size_t>(capacity));
    }
    const HPI_Result result = host.GetParameterStringFromValue(id, n, maxChars, buffer.get(), capacity);
    if (capacity > 0) {
        const size_t length = strnlen(buffer.get(), static_cast<size_t>(capacity));
        Check(length < static_cast<size_t>(capacity), "text not terminated inside the buffer", id);
        out.assign(buffer.get(), length);
    } else {
        out.clear();
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const double number = input.ConsumeFloatingPoint<double>();
    const double unit = input.ConsumeProbability<double>();
    const int32_t maxChars = input.ConsumeIntegralInRange<int32_t>(-2, 40);
    const int32_t capacity = input.ConsumeIntegralInRange<int32_t>(0, 48);
    const std::string text = input.ConsumeRemainingBytesAsString();

    fake_host::FakeInstance instance;
    Tarnwhistle* plug = static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}));
    instance.answerRequests = plug;
    HPI_IEffectParameters& host = *plug;
    host.Initialize(static_cast<HPI_IController*>(&instance));

    int32_t count = 0;
    host.GetNumberOfParameters(&count);
    for (int32_t index = 0; index < count; ++index) {
        char id[32] = {};
        Check(host.GetParameterIDFromIndex(index, id, sizeof id) == HPI_SUCCESS, "identifier of an index", "");
        HPI_IParameter* parameter = nullptr;
        Check(host.GetParameter(id, &parameter) == HPI_SUCCESS && parameter != nullptr, "parameter object", id);

        double n = -1.0;
        const HPI_Result parsed = host.GetParameterValueFromString(id, text.c_str(), &n);
        Check(parsed == HPI_SUCCESS || parsed == HPI_ERROR_INVALID_STRING_CONVERSION, "value-from-text answer", id);
        if (parsed == HPI_SUCCESS) {
            Check(std::isfinite(n) && n >= 0.0 && n <= 1.0, "value from text outside 0..1", id);
            host.UpdateParameterNormalizedValue(id, n);
        }

        // Any number, length and capacity: the text stays inside the buffer.
        std::string shown;
        const HPI_Result shownResult = TextOf(host, id, number, maxChars, capacity, shown);
        Check(shownResult == HPI_SUCCESS || shownResult == HPI_ERROR_INVALID_STRING_CONVERSION, "text answer", id);
        Check(maxChars < 0 || shown.size() <= static_cast<size_t>(maxChars) || shownResult != HPI_SUCCESS,
              "text longer than asked", id);

        // A value's full text reads back as that value.
        std::string full;
        if (TextOf(host, id, unit, 64, 128, full) == HPI_SUCCESS) {
            double again = -1.0;
            Check(host.GetParameterValueFromString(id, full.c_str(), &again) == HPI_SUCCESS,
                  "a value's own text does not read", id);
            Check(SameReal(*parameter, unit, again), "a value's own text reads as another value", id);
        }
    }

    for (int i = 0; i < plug->NParams(); ++i) {
        const Param& param = *plug->GetParam(i);
        const double value = param.GetValue();
        Check(std::isfinite(value) && value >= param.Min() && value <= param.Max(), "parameter outside its range",
              plug->ParamIdentifier(i));
    }

    host.Uninitialize();
    host.Release();
    return 0;
}
