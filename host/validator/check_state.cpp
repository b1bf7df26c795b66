#include <algorithm>

#include "checks.h"
#include "crash_report.h"
#include "tallies.h"

namespace hpihost::validation {

namespace {

std::string FirstDifference(const std::vector<unsigned char>& a,
                            const std::vector<unsigned char>& b) {
    if (a.size() != b.size()) {
        return Format("%zu bytes became %zu", a.size(), b.size());
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return Format("byte %zu of %zu was 0x%02X, came back 0x%02X", i, a.size(), a[i], b[i]);
        }
    }
    return "";
}

// The first parameter whose display text differs between two instances. The
// master bypass is left out: a host keeps it with the track, not in the chunk.
std::string TextDifference(const std::vector<ParameterInfo>& saved,
                           const std::vector<ParameterInfo>& restored,
                           const std::string& bypassID) {
    for (std::size_t i = 0; i < saved.size() && i < restored.size(); ++i) {
        if (saved[i].mID != bypassID && saved[i].mValueText != restored[i].mValueText) {
            return Format("\"%s\" was '%s', came back '%s'", saved[i].mName.c_str(),
                          saved[i].mValueText.c_str(), restored[i].mValueText.c_str());
        }
    }
    if (saved.size() != restored.size()) {
        return "the restored instance lists a different number of parameters";
    }
    return "";
}

}  // namespace

CheckResult CheckState(CheckContext& context) {
    const std::string name = "state";
    Session& session = *context.mSession;
    Random& random = context.mRandom;
    CheckResult refusal;
    auto source = session.MakeWithChunk(name, &refusal);
    if (!source) {
        return refusal;
    }
    std::string problem;
    const std::string bypassID = source->MasterBypassID();
    const int byteTrials = context.mOptions.mStrict ? 64 : 8;
    const int textTrials = context.mOptions.mStrict ? 1000 : 100;

    Failures failures;
    std::size_t chunkSize = 0;
    SetCrashContext(name, "round trips of the state chunk");
    for (int trial = 0; trial < byteTrials && failures.Count() < 3; ++trial) {
        const std::string label = trial == 0 ? "defaults" : Format("random settings %d", trial);
        if (trial > 0) {
            session.Randomize(*source, random);
        }
        std::vector<unsigned char> saved;
        std::vector<unsigned char> again;
        HPI_Result result = source->SaveState(&saved);
        if (result != HPI_SUCCESS || source->SaveState(&again) != HPI_SUCCESS) {
            failures.Add(Format("%s: getting the chunk answered %d %s", label.c_str(), result,
                                HPI_ResultName(result)));
            continue;
        }
        chunkSize = saved.size();
        if (saved != again) {
            failures.Add(Format("%s: two chunks in a row differ: %s", label.c_str(),
                                FirstDifference(saved, again).c_str()));
        }
        auto fresh = session.Make(*session.mMain, kSessionRate, &problem);
        if (!fresh) {
            failures.Add(problem);
            break;
        }
        result = fresh->LoadState(saved);
        if (result != HPI_SUCCESS) {
            failures.Add(Format("%s: a fresh instance refused the chunk: %d %s", label.c_str(),
                                result, HPI_ResultName(result)));
            continue;
        }
        std::vector<unsigned char> restored;
        fresh->SaveState(&restored);
        if (restored != saved) {
            std::string texts =
                TextDifference(source->ListParameters(), fresh->ListParameters(), bypassID);
            failures.Add(Format("%s: the chunk of the fresh instance differs: %s%s", label.c_str(),
                                FirstDifference(saved, restored).c_str(),
                                texts.empty() ? " (display texts agree)" : ("; " + texts).c_str()));
        }
        bool equal = false;
        if (fresh->CompareState(saved, &equal) == HPI_SUCCESS && !equal) {
            failures.Add(
                label +
                ": CompareActiveChunk calls the chunk just set different from the live state");
        }
    }

    auto restoredInstance = session.Make(*session.mMain, kSessionRate, &problem);
    if (!restoredInstance) {
        return Failed(name, problem);
    }
    for (int trial = 0; trial < textTrials && failures.Count() < 3; ++trial) {
        session.Randomize(*source, random);
        std::vector<unsigned char> saved;
        source->SaveState(&saved);
        restoredInstance->LoadState(saved);
        if (const std::string texts = TextDifference(source->ListParameters(),
                                                     restoredInstance->ListParameters(), bypassID);
            !texts.empty()) {
            failures.Add(Format("random settings %d: %s", trial, texts.c_str()));
        }
    }
    if (failures.Any()) {
        return Failed(name, failures.Text());
    }
    const bool bypassCounted =
        std::any_of(session.mParameters.begin(), session.mParameters.end(),
                    [&](const ParameterInfo& p) { return p.mID == bypassID; });
    return Passed(
        name,
        Format("%d chunks of %zu bytes (defaults and random settings) byte-identical after a round "
               "trip into a fresh instance, CompareActiveChunk equal; %d random settings restored "
               "with identical display texts on %zu parameters (the master bypass is the host's)",
               byteTrials, chunkSize, textTrials,
               session.mParameters.size() - (bypassCounted ? 1 : 0)));
}

}  // namespace hpihost::validation
