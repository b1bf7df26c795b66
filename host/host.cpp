#include "host.h"

namespace hpihost {

const char* LoadStatusText(LoadStatus status) {
    switch (status) {
        case LoadStatus::Ok: return "loaded";
        case LoadStatus::FileMissing: return "module missing";
        case LoadStatus::NotSharedObject: return "not a shared object";
        case LoadStatus::MissingEntryPoints: return "not an HPI plug-in";
        case LoadStatus::StartupFailed: return "start-up failed";
        case LoadStatus::RegistrationFailed: return "registration failed";
        case LoadStatus::NoEffect: return "no effect registered";
    }
    return "?";
}

Host::Host() : mLibrary(HPI_Ref<HostLibrary>::Adopt(new HostLibrary(mRunLoop))) {}

Host::~Host() { Close(); }

LoadResult Host::Load(const std::string& path) {
    LoadResult result;
    if (mModule) {
        result.mStatus = LoadStatus::RegistrationFailed;
        result.mMessage = "a module is loaded already";
        return result;
    }
    ModuleError error = ModuleError::None;
    mModule = PluginModule::Open(path, &error, &result.mMessage);
    if (!mModule) {
        result.mStatus = error == ModuleError::FileMissing        ? LoadStatus::FileMissing
                         : error == ModuleError::NotSharedObject ? LoadStatus::NotSharedObject
                                                                   : LoadStatus::MissingEntryPoints;
        return result;
    }
    const EntryPoints& entries = mModule->Entries();
    entries.mGetSDKVersion(&mSDKVersion);

    HPI_IUnknown* libraryObject = mLibrary->AsUnknown();
    result.mCode = entries.mStartup(libraryObject);
    mStarted = true;
    if (result.mCode != HPI_SUCCESS) {
        result.mStatus = LoadStatus::StartupFailed;
        result.mMessage = "HPIStartup answered " + std::to_string(result.mCode) + " " + HPI_ResultName(result.mCode);
        Close();
        return result;
    }

    void* definition = nullptr;
    result.mCode = entries.mRegisterPlugin(libraryObject, &definition);
    HPI_Ref<HPI_IUnknown> held = HPI_Ref<HPI_IUnknown>::Adopt(static_cast<HPI_IUnknown*>(definition));
    HPI_Ref<HostCollection> collection = mLibrary->TakeCollection(held.Get());
    held.Reset();
    if (result.mCode != HPI_SUCCESS || !collection) {
        result.mStatus = LoadStatus::RegistrationFailed;
        if (result.mCode != HPI_SUCCESS) {
            result.mMessage = "HPIRegisterPlugin answered " + std::to_string(result.mCode) + " " +
                              HPI_ResultName(result.mCode);
        } else {
            result.mMessage = "HPIRegisterPlugin gave no plug-in definition of this host's collection";
        }
        collection.Reset();
        Close();
        return result;
    }
    mDescription = collection->Snapshot();
    collection.Reset();
    mRunLoop.RunPosted();
    if (mDescription.mEffects.empty()) {
        result.mStatus = LoadStatus::NoEffect;
        result.mMessage = "the module registered no effect";
        Close();
        return result;
    }
    return result;
}

std::unique_ptr<PluginInstance> Host::CreateInstance(const ComponentDescription& component, float sampleRate,
                                                     int32_t maxBlockFrames, std::string* message,
                                                     HPI_Result* code) {
    if (code != nullptr) {
        *code = HPI_SUCCESS;
    }
    if (!mModule || mDescription.mEffects.empty()) {
        if (message != nullptr) {
            *message = "no module loaded";
        }
        return nullptr;
    }
    return PluginInstance::Create(Effect(), component, mRunLoop, sampleRate, maxBlockFrames, message, code);
}

CloseReport Host::Close() {
    CloseReport report;
    if (!mModule) {
        return report;
    }
    mRunLoop.RunPosted();
    const EntryPoints& entries = mModule->Entries();
    report.mLiveObjectsBeforeShutdown = entries.mCanUnloadNow();
    if (mStarted) {
        report.mShutdownResult = entries.mShutdown();
        mStarted = false;
    }
    mRunLoop.RunPosted();
    // Callbacks into a closed library must never run.
    report.mEntriesLeft = mLibrary->PluginEntryCount();
    mRunLoop.RemoveAll();
    report.mOffThreadCalls = mLibrary->OffThreadCallCount();
    mModule.reset();
    return report;
}

}  // namespace hpihost
