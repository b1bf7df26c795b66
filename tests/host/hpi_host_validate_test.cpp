// `hpi-host validate` as a user runs it, against the fixture plug-in built
// once per fault: a clean build passes every check, each faulty build fails
// exactly the checks its fault shows up in, a crash is still named, and the
// command line refuses what it cannot use with its own exit codes. The short
// form against Tarnwhistle itself runs as the CTest test HpiHostValidate.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "cli.h"
#include "host_test_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TW_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TW_TEST_SANITIZED 1
#endif
#endif
#ifndef TW_TEST_SANITIZED
#define TW_TEST_SANITIZED 0
#endif

namespace {

using hosttest::RunTool;
using hosttest::ScratchDir;

// Every check but the 2-second parameter fuzz, which only the clean and NaN
// cases need.
const char kQuickChecks[] = "lifecycle,render,state,garbage-state,realtime,determinism";

std::string Fixture(const std::string& fault) {
    return std::string(TW_VALIDATOR_FIXTURES) + "/validator_fixture_" + fault + ".so";
}

struct CheckLine {
    std::string mStatus;
    std::string mText;
};

// The check lines of a run by check name.
std::map<std::string, CheckLine> CheckLines(const std::string& out) {
    std::map<std::string, CheckLine> lines;
    std::istringstream text(out);
    std::string line;
    while (std::getline(text, line)) {
        std::istringstream words(line);
        std::string status;
        std::string name;
        words >> status >> name;
        if (status == "PASS" || status == "FAIL" || status == "SKIP") {
            lines[name] = CheckLine{status, line};
        }
    }
    return lines;
}

class HpiHostValidate : public ::testing::Test {
protected:
    ScratchDir mScratch;
};

TEST_F(HpiHostValidate, CleanPluginPassesEveryCheck) {
    const hosttest::ToolRun run = RunTool({"validate", Fixture("Clean")}, mScratch);
    EXPECT_EQ(run.mExitCode, 0) << run.mOut << run.mErr;
    const auto lines = CheckLines(run.mOut);
    ASSERT_EQ(lines.size(), 7u) << run.mOut;
    for (const auto& [name, line] : lines) {
        SCOPED_TRACE(line.mText);
        // Sanitizer builds count no heap or lock calls and say why.
        const bool probeMissing = TW_TEST_SANITIZED && name == "realtime";
        EXPECT_EQ(line.mStatus, probeMissing ? "SKIP" : "PASS");
        if (probeMissing) {
            EXPECT_NE(line.mText.find("sanitizer"), std::string::npos);
        }
    }
    EXPECT_NE(run.mOut.find("seed 1, short form"), std::string::npos);
}

TEST_F(HpiHostValidate, EachFaultFailsExactlyTheChecksItShowsIn) {
    struct FaultCase {
        const char* mFault;
        std::set<std::string> mFailing;
        const char* mReason;  // in the first failing check's line
        const char* mOnly = kQuickChecks;
    };
    const FaultCase cases[] = {
        {"Allocates", {"realtime"}, "300 heap allocation(s), 300 free(s)"},
        {"Locks", {"realtime"}, "300 lock call(s)"},
        {"Waits", {"realtime"}, "300 wait(s)"},
        {"MakesNaN", {"render", "garbage-state"}, "NaN"},
        {"MakesNaN", {"param-fuzz"}, "NaN", "param-fuzz"},
        {"LiesAboutLatency", {"render"}, "latency 10 reported but the impulse response starts 0 and peaks 0"},
        {"UnstableState", {"state"}, "two chunks in a row differ"},
        {"TrustsState", {"garbage-state"}, "\"Gain\" holds the normalised value"},
        {"Leaks", {"lifecycle"}, "HPICanUnloadNow answered 1 after every instance was released"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(std::string(c.mFault) + " --only " + c.mOnly);
        const hosttest::ToolRun run = RunTool({"validate", Fixture(c.mFault), "--only", c.mOnly}, mScratch);
        std::set<std::string> failing = c.mFailing;
        if (TW_TEST_SANITIZED) {
            failing.erase("realtime");
        }
        // A deliberate leak also makes LeakSanitizer fail the process.
        if (!TW_TEST_SANITIZED || std::string(c.mFault) != "Leaks") {
            EXPECT_EQ(run.mExitCode, failing.empty() ? hpihost::kExitOk : hpihost::kExitValidationFailed)
                << run.mOut << run.mErr;
        }
        bool reasonSeen = failing.empty();
        for (const auto& [name, line] : CheckLines(run.mOut)) {
            SCOPED_TRACE(line.mText);
            if (failing.count(name) != 0) {
                EXPECT_EQ(line.mStatus, "FAIL");
                reasonSeen = reasonSeen || line.mText.find(c.mReason) != std::string::npos;
            } else {
                EXPECT_NE(line.mStatus, "FAIL");
            }
        }
        EXPECT_TRUE(reasonSeen) << run.mOut;
    }
}

TEST_F(HpiHostValidate, CrashIsReportedAsAFailOfTheCheckThatRan) {
    if (TW_TEST_SANITIZED) {
        GTEST_SKIP() << "the sanitizer reports the crash itself";
    }
    const hosttest::ToolRun run =
        RunTool({"validate", Fixture("CrashesOnShortState"), "--only", "state,garbage-state"}, mScratch);
    EXPECT_EQ(run.mExitCode, hpihost::kExitValidationFailed) << run.mOut << run.mErr;
    const auto lines = CheckLines(run.mOut);
    EXPECT_EQ(lines.at("state").mStatus, "PASS");
    EXPECT_NE(lines.at("garbage-state").mText.find("crashed during setting a chunk of 0 bytes at 48000 Hz (signal 11)"),
              std::string::npos)
        << run.mOut;
}

TEST_F(HpiHostValidate, CommandLineProblemsHaveTheirOwnExitCodes) {
    struct UsageCase {
        std::vector<std::string> mArgs;
        int mExitCode;
        const char* mPart;
    };
    const UsageCase cases[] = {
        {{"validate"}, hpihost::kExitUsage, "needs a MODULE"},
        {{"validate", Fixture("Clean"), "--only", "render,speed"}, hpihost::kExitUsage, "unknown check 'speed'"},
        {{"validate", Fixture("Clean"), "--seed", "-3"}, hpihost::kExitUsage, "--seed needs a whole number"},
        {{"validate", Fixture("Clean"), "--seed"}, hpihost::kExitUsage, "--seed needs a whole number"},
        {{"validate", Fixture("Clean"), "--fast"}, hpihost::kExitUsage, "unknown option '--fast'"},
        {{"validate", mScratch / "absent.so"}, hpihost::kExitModuleMissing, "module missing"},
        {{"validate", hosttest::kNotAPlugin}, hpihost::kExitNotPlugin, "not an HPI plug-in"},
        {{"validate", hosttest::kFailingPlugin}, hpihost::kExitRegistrationFailed, "registration failed"},
        {{"validate", "--help"}, hpihost::kExitOk, "--strict"},
        {{"validate", "--help"}, hpihost::kExitOk, "13 a check failed"},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.mPart);
        const hosttest::ToolRun run = RunTool(c.mArgs, mScratch);
        EXPECT_EQ(run.mExitCode, c.mExitCode) << run.mOut << run.mErr;
        EXPECT_NE((run.mOut + run.mErr).find(c.mPart), std::string::npos) << run.mOut << run.mErr;
    }
}

TEST_F(HpiHostValidate, SeedRepeatsTheRandomChoices) {
    // The garbage-state figures count accepted and refused random chunks, so
    // equal seeds give equal lines and another seed a different one.
    auto figures = [&](const char* seed) {
        const hosttest::ToolRun run =
            RunTool({"validate", Fixture("Clean"), "--only", "garbage-state", "--seed", seed}, mScratch);
        std::string line = CheckLines(run.mOut)["garbage-state"].mText;
        return line.substr(0, line.rfind('['));
    };
    const std::string first = figures("7");
    EXPECT_EQ(first, figures("7"));
    EXPECT_NE(first, figures("8"));
}

}  // namespace
