#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>

#include "checks.h"
#include "crash_report.h"
#include "tallies.h"

namespace hpihost::validation {
namespace {

constexpr uint64_t kMegabyte = 1 << 20;

}  // namespace

CheckResult CheckGarbageState(CheckContext& context) {
    const std::string name = "garbage-state";
    Session& session = *context.mSession;
    Random& random = context.mRandom;
    const std::vector<double> rates =
        context.mOptions.mStrict ? Rates(true) : std::vector<double>{kSessionRate};
    std::string problem;
    std::vector<unsigned char> defaults;
    std::vector<unsigned char> randomState;
    {
        CheckResult refusal;
        auto instance = session.MakeWithChunk(name, &refusal);
        if (!instance) {
            return refusal;
        }
        if (instance->SaveState(&defaults) != HPI_SUCCESS) {
            return Failed(name, "the plug-in gives no chunk at its defaults");
        }
        session.Randomize(*instance, random);
        instance->SaveState(&randomState);
    }
    const std::size_t full = defaults.size();
    const Signal input = Noise(random, std::max(session.mMain->InputChannels(), 0), 256, 1.0f);
    const std::vector<int32_t> plan = {128};

    Failures failures;
    Tally tally;
    int64_t tried = 0;
    int64_t accepted = 0;
    int64_t checkedRates = 0;
    for (double rate : rates) {
        ++checkedRates;
        auto instance = session.Make(*session.mMain, rate, &problem);
        if (!instance) {
            failures.Add(problem);
            continue;
        }
        const std::string at = RateText(rate);
        // Sets the chunk, then checks the parameters and renders a little;
        // false once enough has failed.
        auto attempt = [&](const std::string& kind, const std::string& label,
                           const std::vector<unsigned char>& bytes) {
            if (failures.Count() >= 5) {
                return false;
            }
            SetCrashContext(name, "setting a chunk " + label + " at " + at);
            ++tried;
            tally.Add(kind);
            if (instance->LoadState(bytes) == HPI_SUCCESS) {
                ++accepted;
            }
            if (const std::string wrong = session.CheckParameters(*instance); !wrong.empty()) {
                failures.Add(
                    Format("after a chunk %s (%s): %s", label.c_str(), at.c_str(), wrong.c_str()));
                instance = session.Make(*session.mMain, rate,
                                        &problem);  // a fresh record of posted values
                return instance != nullptr;
            }
            SetCrashContext(name, "rendering after a chunk " + label + " at " + at);
            Signal output;
            WithRenderThread(session.mHost.RunLoop(), [&](const std::atomic<bool>&) {
                SignalRenderer(*instance).All(input, 256, plan, output);
            });
            if (const std::string fault = FindFault(output, 256, false); !fault.empty()) {
                failures.Add(Format("after a chunk %s (%s) the next render gave %s", label.c_str(),
                                    at.c_str(), fault.c_str()));
            }
            return true;
        };

        bool going = attempt("empty", "of 0 bytes", {});
        const bool everyLength = context.mOptions.mStrict || full <= 1024;
        const std::string truncated =
            Format("truncated to %s1..%zu bytes", everyLength ? "every length " : "", full - 1);
        for (std::size_t length = 1; going && length < full;
             length += everyLength ? 1 : std::max<std::size_t>(full / 1024, 1)) {
            going = attempt(
                truncated, Format("truncated to %zu of %zu bytes", length, full),
                std::vector<unsigned char>(defaults.begin(),
                                           defaults.begin() + static_cast<std::ptrdiff_t>(length)));
        }
        if (rate != kSessionRate && !context.mOptions.mStrict) {
            continue;
        }
        for (std::size_t extra : {1, 7, 64, 4096}) {
            std::vector<unsigned char> longer = randomState;
            const std::vector<unsigned char> tail = random.Bytes(extra);
            longer.insert(longer.end(), tail.begin(), tail.end());
            going =
                going &&
                attempt("over-long",
                        Format("of %zu bytes with %zu random bytes appended", full, extra), longer);
        }
        const int randomCount = context.mOptions.mStrict ? 1000 : 64;
        for (int i = 0; going && i < randomCount; ++i) {
            going = attempt("random of full size", Format("of %zu random bytes (%d)", full, i),
                            random.Bytes(full));
        }
        for (int i = 0; going && i < randomCount / 2; ++i) {
            const auto length =
                static_cast<std::size_t>(random.Integer(1, static_cast<int64_t>(4 * full + 16)));
            going = attempt("random of random size", Format("of %zu random bytes", length),
                            random.Bytes(length));
        }
        for (int i = 0; going && i < (context.mOptions.mStrict ? 3 : 1); ++i) {
            going = attempt("1 MB", "of 1 MB of random bytes", random.Bytes(kMegabyte));
        }
        if (going && context.mOptions.mStrict) {
            going = attempt("1 MB", "of 1 MB of 0xFF", std::vector<unsigned char>(kMegabyte, 0xFF));
        }

        // Non-finite and extreme numbers at every byte offset: the values
        // behind whatever header the plug-in writes are found at some offset.
        struct Planted {
            const char* mName;
            double mDouble;
        };
        const Planted doubles[] = {{"NaN", std::nan("")},      {"-NaN", -std::nan("")},
                                   {"+inf", HUGE_VAL},         {"-inf", -HUGE_VAL},
                                   {"1e308", 1e308},           {"-1e308", -1e308},
                                   {"subnormal", DBL_TRUE_MIN}};
        const Planted floats[] = {{"float NaN", std::nan("")},
                                  {"float +inf", HUGE_VAL},
                                  {"float -inf", -HUGE_VAL},
                                  {"float 3.4e38", 3.4e38}};
        const int32_t integers[] = {0, -1, INT32_MIN, INT32_MAX};
        std::vector<const std::vector<unsigned char>*> bases = {&defaults};
        if (context.mOptions.mStrict) {
            bases.push_back(&randomState);
        }
        for (const std::vector<unsigned char>* base : bases) {
            for (std::size_t offset = 0; going && offset + 8 <= full; ++offset) {
                for (const Planted& planted : doubles) {
                    std::vector<unsigned char> bytes = *base;
                    std::memcpy(bytes.data() + offset, &planted.mDouble, 8);
                    going = going && attempt("NaN/inf/extreme doubles",
                                             Format("with the double %s at offset %zu",
                                                    planted.mName, offset),
                                             bytes);
                }
            }
            for (std::size_t offset = 0; going && offset + 4 <= full; ++offset) {
                for (const Planted& planted : floats) {
                    std::vector<unsigned char> bytes = *base;
                    const auto value = static_cast<float>(planted.mDouble);
                    std::memcpy(bytes.data() + offset, &value, 4);
                    going =
                        going &&
                        attempt("NaN/inf/extreme floats",
                                Format("with the %s at offset %zu", planted.mName, offset), bytes);
                }
                for (int32_t value : integers) {
                    std::vector<unsigned char> bytes = *base;
                    std::memcpy(bytes.data() + offset, &value, 4);
                    going =
                        going &&
                        attempt("extreme int32s",
                                Format("with the int32 %d at offset %zu", value, offset), bytes);
                }
            }
        }
        const int mutations = context.mOptions.mStrict ? 5000 : 200;
        for (int i = 0; going && i < mutations && full > 0; ++i) {
            std::vector<unsigned char> bytes = random.Chance(0.5) ? defaults : randomState;
            const int64_t flips = random.Integer(1, 4);
            std::string where;
            for (int64_t f = 0; f < flips; ++f) {
                const auto offset = static_cast<std::size_t>(
                    random.Integer(0, static_cast<int64_t>(bytes.size()) - 1));
                bytes[offset] = random.Byte();
                if (!where.empty()) {
                    where += ',';
                }
                where += std::to_string(offset);
            }
            going = attempt("1..4 bytes changed", "with bytes " + where + " changed", bytes);
        }
    }
    const std::string figures = Format(
        "%lld chunks at %lld rate(s) from a %zu-byte chunk: %s (numbers planted at every byte "
        "offset); "
        "%lld accepted, %lld refused",
        static_cast<long long>(tried), static_cast<long long>(checkedRates), full,
        tally.Text().c_str(), static_cast<long long>(accepted),
        static_cast<long long>(tried - accepted));
    if (failures.Any()) {
        return Failed(name, failures.Text() + " [" + figures + "]");
    }
    return Passed(
        name,
        figures +
            ": no crash, parameters finite in 0..1, no invalid value posted, next render finite "
            "after every one");
}

}  // namespace hpihost::validation
