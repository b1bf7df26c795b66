#include "validator.h"

#include <algorithm>

#include "validator/checks.h"
#include "validator/crash_report.h"

namespace hpihost {

using namespace validation;

namespace validation {

const std::vector<CheckEntry>& Checks() {
    static const std::vector<CheckEntry> checks = {
        {"lifecycle", CheckLifecycle, false},       {"render", CheckRender, true},
        {"param-fuzz", CheckParameterFuzz, true},   {"state", CheckState, true},
        {"garbage-state", CheckGarbageState, true}, {"realtime", CheckRealtime, true},
        {"determinism", CheckDeterminism, true},
    };
    return checks;
}

}  // namespace validation

const std::vector<std::string>& Validator::CheckNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const CheckEntry& check : Checks()) {
            list.push_back(check.mName);
        }
        return list;
    }();
    return names;
}

const char* CheckStatusText(CheckStatus status) {
    switch (status) {
        case CheckStatus::Pass:
            return "PASS";
        case CheckStatus::Fail:
            return "FAIL";
        case CheckStatus::Skip:
            return "SKIP";
    }
    return "?";
}

Validator::Validator(ValidateOptions options) : mOptions(std::move(options)) {}

Validator::~Validator() = default;

bool Validator::OpenSession() {
    if (mSession) {
        return true;
    }
    auto session = std::make_unique<Session>();
    if (!session->Open(mOptions.mModulePath, &mLoadFailure)) {
        return false;
    }
    mSession = std::move(session);
    return true;
}

std::vector<CheckResult> Validator::Run(
    const std::function<void(const std::string& name)>& starting,
    const std::function<void(const CheckResult&)>& finished) {
    InstallCrashHandler();
    std::vector<CheckResult> results;
    for (const CheckEntry& check : Checks()) {
        const std::string name = check.mName;
        if (!mOptions.mOnly.empty() &&
            std::find(mOptions.mOnly.begin(), mOptions.mOnly.end(), name) == mOptions.mOnly.end()) {
            continue;
        }
        // The lifecycle check loads the module itself, before anything else
        // has: that is its cold load.
        if (check.mNeedsSession && !OpenSession()) {
            break;
        }
        if (starting) {
            starting(name);
        }
        SetCrashContext(name, "the check");
        const auto start = Clock::now();
        Session* session = check.mNeedsSession ? mSession.get() : nullptr;
        const std::size_t assertionsBefore =
            session != nullptr ? session->mHost.Library().AssertionCount() : 0;
        CheckContext context{name, mOptions, session, mLoadFailure, Random(mOptions.mSeed, name)};
        CheckResult result = check.mRun(context);
        result.mName = name;
        result.mSeconds = Seconds(start);
        if (session != nullptr && result.mStatus != CheckStatus::Fail) {
            const std::size_t assertions =
                session->mHost.Library().AssertionCount() - assertionsBefore;
            if (assertions > 0) {
                const std::vector<AssertionRecord> records = session->mHost.Library().Assertions();
                result.mStatus = CheckStatus::Fail;
                result.mSummary =
                    Format("the plug-in reported %zu failed assertion(s)", assertions);
                if (!records.empty()) {
                    const AssertionRecord& last = records.back();
                    result.mSummary += Format(", last \"%s\" at %s:%d", last.mExpression.c_str(),
                                              last.mFile.c_str(), last.mLine);
                }
            }
        }
        if (finished) {
            finished(result);
        }
        results.push_back(result);
        if (mLoadFailure.mStatus != LoadStatus::Ok) {
            break;
        }
    }
    if (mSession) {
        mSession->mHost.Close();
        mSession.reset();
    }
    RemoveCrashHandler();
    return results;
}

}  // namespace hpihost
