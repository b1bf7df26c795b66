// `hpi-host validate MODULE [--seed N] [--strict] [--only CHECKS]`: runs the
// module through the validator's checks, one line per check.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "command.h"
#include "validator.h"

namespace hpihost {
namespace {

const char kValidateFooter[] =
    "Checks, one line each: PASS, FAIL or SKIP, its name, the figures behind it (or the reason)\n"
    "and the time it took:\n"
    "  lifecycle      load, register, create, initialise, render, uninitialise and unload twice\n"
    "                 (cold and warm): HPICanUnloadNow 0 after release, no timer or host object\n"
    "                 left behind, the warm load renders exactly what the cold one did\n"
    "  render         22050 to 192000 Hz x blocks of 1, 17, 64, 512, 4096 and random sizes x "
    "every\n"
    "                 channel layout, plus runs with random and corner settings: no NaN,\n"
    "                 infinity or subnormal, |x| < 1000, and the reported latency lies between\n"
    "                 the impulse response's onset and its peak\n"
    "  param-fuzz     random value changes on every parameter from the main thread while the\n"
    "                 render thread runs (2 s; 20 s with --strict): output finite and bounded\n"
    "  state          chunk -> fresh instance -> chunk is byte-identical; random settings come\n"
    "                 back with the same display texts\n"
    "  garbage-state  empty, truncated, over-long, random and 1 MB chunks, NaN/inf/extreme "
    "numbers\n"
    "                 at every offset, byte mutations: no crash, parameters finite in 0..1,\n"
    "                 the next render finite\n"
    "  realtime       no heap allocation, free, lock or wait on the render thread in steady state\n"
    "                 and while parameters change (skipped in sanitizer builds, whose runtime\n"
    "                 owns malloc and the lock functions)\n"
    "  determinism    two instances with equal settings and input render bit-identical output\n"
    "\n"
    "A plug-in that crashes is reported as a FAIL line naming the check and what it was doing.\n"
    "\n"
    "Exit codes: 0 every check passed or was skipped, 13 a check failed, 1 bad command line,\n"
    "2 module missing, 3 not a plug-in module, 4 registration failed.\n";

// The largest whole number a double holds exactly.
constexpr double kLargestSeed = 9.007199254740992e15;

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, ',')) {
        parts.push_back(part);
    }
    return parts;
}

int RunValidate(const ValidateOptions& options) {
    std::printf("hpi-host validate %s (seed %llu, %s form)\n", options.mModulePath.c_str(),
                static_cast<unsigned long long>(options.mSeed),
                options.mStrict ? "strict" : "short");
    std::fflush(stdout);
    const bool terminal = isatty(STDERR_FILENO) != 0;
    const auto start = std::chrono::steady_clock::now();
    Validator validator(options);
    const std::vector<CheckResult> results = validator.Run(
        [terminal](const std::string& name) {
            if (terminal) {
                std::fprintf(stderr, "\r  running %s ...", name.c_str());
                std::fflush(stderr);
            }
        },
        [terminal](const CheckResult& result) {
            if (terminal) {
                std::fprintf(stderr, "\r%60s\r", "");
                std::fflush(stderr);
            }
            std::printf("%s  %-14s %s [%.1f s]\n", CheckStatusText(result.mStatus),
                        result.mName.c_str(), result.mSummary.c_str(), result.mSeconds);
            std::fflush(stdout);
        });
    const LoadResult& load = validator.LoadFailure();
    if (load.mStatus != LoadStatus::Ok) {
        return Fail(LoadExitCode(load.mStatus),
                    std::string(LoadStatusText(load.mStatus)) + ": " + load.mMessage);
    }
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    for (const CheckResult& result : results) {
        (result.mStatus == CheckStatus::Pass   ? passed
         : result.mStatus == CheckStatus::Fail ? failed
                                               : skipped) += 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu checks: %d passed, %d failed, %d skipped in %.1f s\n", results.size(), passed,
                failed, skipped, seconds);
    return failed > 0 ? kExitValidationFailed : kExitOk;
}

struct ValidateCommand {
    ValidateOptions mOptions;
    std::string mSeedText = "1";
    std::string mOnlyText;
};

}  // namespace

CommandRun AddValidateCommand(CLI::App& app) {
    auto command = std::make_shared<ValidateCommand>();
    CLI::App* validate =
        app.add_subcommand("validate", "run the plug-in through the validator's checks");
    validate->footer(kValidateFooter);
    validate->allow_extras();
    validate->add_option("MODULE", command->mOptions.mModulePath, "the plug-in module (.so)");
    AddValueOption(*validate, "--seed", &command->mSeedText,
                   "seed of every random choice (default 1); a failing run repeats with it",
                   "a whole number of at least 0",
                   [](const std::string& text) {
                       const auto number = ParseNumber(text);
                       return number && *number >= 0 && *number == std::floor(*number) &&
                              *number <= kLargestSeed;
                   })
        ->type_name("N");
    validate->add_flag(
        "--strict", command->mOptions.mStrict,
        "the long form: more rates (8 kHz to 384 kHz) and block sizes, 20 s of fuzz, every "
        "truncation at every rate, more random and mutated chunks");
    AddValueOption(*validate, "--only", &command->mOnlyText,
                   "run only these checks (names separated by commas)",
                   "check names separated by commas")
        ->type_name("CHECKS")
        ->check(CLI::Validator(
            [](std::string& text) {
                const std::vector<std::string>& known = Validator::CheckNames();
                for (const std::string& check : Split(text)) {
                    if (std::find(known.begin(), known.end(), check) == known.end()) {
                        std::string list;
                        for (const std::string& k : known) {
                            list += (list.empty() ? "" : ", ") + k;
                        }
                        return "unknown check '" + check + "' in --only; known: " + list;
                    }
                }
                return std::string();
            },
            ""));
    return [command, validate] {
        ValidateOptions& options = command->mOptions;
        if (const std::string extra = ExtraArgumentText(*validate, "one MODULE"); !extra.empty()) {
            return Fail(kExitUsage, extra);
        }
        if (options.mModulePath.empty()) {
            return Fail(kExitUsage, "validate needs a MODULE (see hpi-host validate --help)");
        }
        options.mSeed = static_cast<uint64_t>(*ParseNumber(command->mSeedText));
        options.mOnly = Split(command->mOnlyText);
        return RunValidate(options);
    };
}

}  // namespace hpihost
