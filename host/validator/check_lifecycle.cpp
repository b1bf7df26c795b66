#include <dlfcn.h>

#include "checks.h"
#include "crash_report.h"
#include "tallies.h"

namespace hpihost::validation {
namespace {

// True when the library at `path` is still mapped into the process.
bool IsResident(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

}  // namespace

CheckResult CheckLifecycle(CheckContext& context) {
    const std::string name = "lifecycle";
    Random& random = context.mRandom;
    constexpr int64_t kFrames = 16384;
    const Signal input = Noise(random, 2, kFrames, 0.5f);
    const std::vector<int32_t> plan = {512};

    Failures failures;
    const char* passNames[] = {"cold", "warm"};
    std::string digests[2];
    std::vector<Signal> outputs[2];
    int instances = 0;
    bool resident[2] = {false, false};
    const int liveBefore = LiveHostObjectCount();
    for (int pass = 0; pass < 2; ++pass) {
        SetCrashContext(name, Format("the %s load", passNames[pass]));
        {
            Host host;
            const LoadResult loaded = host.Load(context.mOptions.mModulePath);
            if (loaded.mStatus != LoadStatus::Ok) {
                if (pass == 0) {
                    context.mLoadFailure = loaded;
                }
                return Failed(
                    name, Format("%s load: %s: %s", passNames[pass], LoadStatusText(loaded.mStatus),
                                 loaded.mMessage.c_str()));
            }
            const EffectDescription& effect = host.Effect();
            std::string& digest = digests[pass];
            digest = effect.mID + "|" + Join(effect.mNames, ",");
            for (const ComponentDescription& component : effect.mComponents) {
                digest += Format("|%d>%d:%08X", component.InputChannels(),
                                 component.OutputChannels(), component.TypeID());
                std::string message;
                HPI_Result code = HPI_SUCCESS;
                SetCrashContext(name, Format("creating a %s instance (%s load)",
                                             LayoutName(component).c_str(), passNames[pass]));
                auto instance = host.CreateInstance(component, static_cast<float>(kSessionRate),
                                                    512, &message, &code);
                if (!instance) {
                    failures.Add(Format("%s load: cannot create a %s instance: %s", passNames[pass],
                                        LayoutName(component).c_str(), message.c_str()));
                    continue;
                }
                ++instances;
                for (const ParameterInfo& p : instance->ListParameters()) {
                    digest += "," + p.mID;
                }
                Signal output;
                WithRenderThread(host.RunLoop(), [&](const std::atomic<bool>&) {
                    SignalRenderer(*instance).All(input, kFrames, plan, output);
                });
                outputs[pass].push_back(std::move(output));
                SetCrashContext(name, Format("releasing a %s instance (%s load)",
                                             LayoutName(component).c_str(), passNames[pass]));
                instance.reset();
            }
            const std::size_t assertions = host.Library().AssertionCount();
            const std::vector<AssertionRecord> records = host.Library().Assertions();
            SetCrashContext(name, Format("closing the %s load", passNames[pass]));
            const CloseReport report = host.Close();
            if (report.mLiveObjectsBeforeShutdown != 0) {
                failures.Add(
                    Format("%s load: HPICanUnloadNow answered %d after every instance was released",
                           passNames[pass], report.mLiveObjectsBeforeShutdown));
            }
            if (report.mShutdownResult != HPI_SUCCESS) {
                failures.Add(Format("%s load: HPIShutdown answered %d %s", passNames[pass],
                                    report.mShutdownResult,
                                    HPI_ResultName(report.mShutdownResult)));
            }
            if (report.mEntriesLeft != 0) {
                failures.Add(
                    Format("%s load: the plug-in left %zu timer(s)/descriptor(s) registered",
                           passNames[pass], report.mEntriesLeft));
            }
            if (report.mOffThreadCalls != 0) {
                failures.Add(
                    Format("%s load: %zu run-loop call(s) from a thread other than the main one",
                           passNames[pass], report.mOffThreadCalls));
            }
            if (assertions > 0) {
                failures.Add(Format("%s load: the plug-in reported %zu failed assertion(s)%s",
                                    passNames[pass], assertions,
                                    records.empty() ? ""
                                                    : (", first \"" + records.front().mExpression +
                                                       "\" at " + records.front().mFile + ":" +
                                                       std::to_string(records.front().mLine))
                                                          .c_str()));
            }
        }
        if (LiveHostObjectCount() != liveBefore) {
            failures.Add(Format("%s load: the plug-in still holds host objects after shutdown: %s",
                                passNames[pass], LiveHostObjectSummary().c_str()));
        }
        resident[pass] = IsResident(context.mOptions.mModulePath);
    }
    if (digests[0] != digests[1]) {
        failures.Add(
            "the warm load described a different effect, components or parameters than the cold "
            "one");
    }
    if (outputs[0].size() == outputs[1].size()) {
        for (std::size_t i = 0; i < outputs[0].size(); ++i) {
            if (!SameBits(outputs[0][i], outputs[1][i])) {
                failures.Add(Format(
                    "the warm load rendered different output than the cold one (component %zu)",
                    i));
            }
        }
    }
    if (failures.Any()) {
        return Failed(name, failures.Text());
    }
    return Passed(
        name,
        Format(
            "2 loads (cold, warm), %d instances created, initialised, rendered and released; "
            "HPICanUnloadNow 0 after release, nothing left registered; warm output = cold output "
            "(%lld frames each); library %s",
            instances, static_cast<long long>(kFrames),
            resident[0] || resident[1] ? "stays resident after dlclose" : "unloaded by dlclose"));
}

}  // namespace hpihost::validation
