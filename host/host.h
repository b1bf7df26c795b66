#pragma once
// The host: loads one plug-in library through its seven entry points, starts
// it with the host's library object, records its registration and makes
// instances of its components. At the end it checks that the library may be
// unloaded, shuts it down and closes it.
//
// Order of a session: Load -> CreateInstance ... (destroy every instance) ->
// Close. Everything runs on the thread that made the Host, which is also the
// thread of its run loop.
#include <cstdint>
#include <memory>
#include <string>

#include "description.h"
#include "host_library.h"
#include "instance.h"
#include "module.h"
#include "run_loop.h"

namespace hpihost {

enum class LoadStatus {
    Ok,
    FileMissing,
    NotSharedObject,
    MissingEntryPoints,
    StartupFailed,       // HPIStartup answered non-zero
    RegistrationFailed,  // HPIRegisterPlugin answered non-zero or gave no definition of ours
    NoEffect,            // registration described no effect
};

struct LoadResult {
    LoadStatus mStatus = LoadStatus::Ok;
    HPI_Result mCode = HPI_SUCCESS;  // the failing answer of the plug-in, if any
    std::string mMessage;
};

// What Close found.
struct CloseReport {
    int32_t mLiveObjectsBeforeShutdown = 0;  // HPICanUnloadNow
    HPI_Result mShutdownResult = HPI_SUCCESS;
    std::size_t mEntriesLeft = 0;  // timers and descriptors the plug-in left registered
    std::size_t mOffThreadCalls = 0;
};

class Host {
public:
    // [main]
    Host();
    // [main] Close()
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // [main] Opens the library, calls HPIStartup with the library object and
    // HPIRegisterPlugin, and keeps what was described.
    LoadResult Load(const std::string& path);
    bool IsLoaded() const { return static_cast<bool>(mModule); }

    const LibraryDescription& Description() const { return mDescription; }
    // [main] The first effect described (Load guarantees there is one).
    const EffectDescription& Effect() const { return mDescription.mEffects.front(); }
    const EntryPoints& Entries() const { return mModule->Entries(); }
    const std::string& ModulePath() const { return mModule->Path(); }
    uint64_t SDKVersion() const { return mSDKVersion; }

    HostRunLoop& RunLoop() { return mRunLoop; }
    HostLibrary& Library() { return *mLibrary.Get(); }

    // [main] An initialised instance of `component` of the first effect; null with a
    // message (and the failing code) when it cannot be made.
    std::unique_ptr<PluginInstance> CreateInstance(const ComponentDescription& component,
                                                   float sampleRate, int32_t maxBlockFrames,
                                                   std::string* message,
                                                   HPI_Result* code = nullptr);

    // [main] Runs what is pending, asks HPICanUnloadNow, calls HPIShutdown, drops
    // the entries the plug-in left in the run loop and closes the library.
    // Every instance must be gone. Safe to call twice.
    CloseReport Close();

private:
    HostRunLoop mRunLoop;
    HPI_Ref<HostLibrary> mLibrary;
    std::unique_ptr<PluginModule> mModule;
    bool mStarted = false;
    uint64_t mSDKVersion = 0;
    LibraryDescription mDescription;
};

// [any] Text of a load status ("module missing", ...).
const char* LoadStatusText(LoadStatus status);

}  // namespace hpihost
