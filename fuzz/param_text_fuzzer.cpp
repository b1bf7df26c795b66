// Feeds arbitrary text to ParseText of every parameter of the product (what
// a user types into a value field or a host hands over as text) and arbitrary
// numbers to FormatValue. Checked: a parsed value is finite and inside the
// parameter's range; a display text holds at most 32 characters; and what the
// display shows, typed back, gives the value again (within half a displayed
// digit for numbers, exactly for display texts).
//
// Input: the first 8 bytes are also read as a double for FormatValue; the
// whole input is the text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/param.h"
#include "core/param_table.h"
#include "core/text_buf.h"
#include "product/channel_parameters.h"

namespace {

void Check(bool condition, const char* what, const Param& param) {
    if (!condition) {
        std::fprintf(stderr, "param text fuzzer: %s (%s)\n", what, param.Name());
        std::abort();
    }
}

const ParamTable& ProductParams() {
    static const ParamTable* table = [] {
        auto* params = new ParamTable(kNumChannelParams);
        DefineChannelParameters(*params);
        return params;
    }();
    return *table;
}

void CheckInRange(const Param& param, double value, const char* what) {
    Check(std::isfinite(value), what, param);
    Check(value >= param.Min() && value <= param.Max(), what, param);
}

// Formats value and parses the text again.
void CheckRoundTrip(const Param& param, double value) {
    TextBuf shown;
    param.FormatValue(value, false, shown);
    Check(shown.Length() <= 32 && std::strlen(shown.Get()) == static_cast<size_t>(shown.Length()),
          "display text too long", param);
    const double typed = param.ParseText(shown.Get());
    CheckInRange(param, typed, "typed-back value outside the range");
    if (param.FindDisplayText(value)[0] != '\0') {
        Check(typed == value, "a display text does not give its value back", param);
    } else if (param.Type() != TypeBool && param.Type() != TypeEnum) {
        const double halfDigit = 0.5 * std::pow(10.0, -param.DisplayPrecision());
        Check(std::fabs(typed - value) <= halfDigit * (1.0 + 1e-9) + 1e-12 * std::fabs(value),
              "a displayed number does not give its value back", param);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size > 1024 ? 1024 : size);
    double number = 0.0;
    if (size >= sizeof number) {
        std::memcpy(&number, data, sizeof number);
    }

    const ParamTable& params = ProductParams();
    for (int i = 0; i < params.Count(); ++i) {
        const Param& param = *params.GetParam(i);
        const double parsed = param.ParseText(text.c_str());
        CheckInRange(param, parsed, "parsed value outside the range");
        CheckRoundTrip(param, parsed);

        for (const bool normalised : {false, true}) {
            TextBuf shown;
            param.FormatValue(number, normalised, shown);
            Check(shown.Length() <= 32, "display text of a number too long", param);
        }
        CheckRoundTrip(param, param.Restrict(number));
        CheckRoundTrip(param, param.FromNorm(number));
    }
    return 0;
}
