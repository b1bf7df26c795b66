#pragma once
// A plug-in library opened with dlopen and its seven entry points. Nothing
// else of the library is looked at. [main] throughout.
#include <memory>
#include <string>
#include <vector>

#include "hpi/sdk/hpi_entry_points.h"

namespace hpihost {

enum class ModuleError {
    None,
    FileMissing,         // no file at the path
    NotSharedObject,     // a file, but dlopen refused it
    MissingEntryPoints,  // opened, but one or more of the seven symbols are absent
};

struct EntryPoints {
    HPI_RegisterPluginFunc mRegisterPlugin = nullptr;
    HPI_RegisterComponentFunc mRegisterComponent = nullptr;
    HPI_GetClassFactoryFunc mGetClassFactory = nullptr;
    HPI_CanUnloadNowFunc mCanUnloadNow = nullptr;
    HPI_StartupFunc mStartup = nullptr;
    HPI_ShutdownFunc mShutdown = nullptr;
    HPI_GetSDKVersionFunc mGetSDKVersion = nullptr;
};

class PluginModule {
public:
    // Opens the library at `path` (RTLD_NOW | RTLD_LOCAL). On failure answers
    // null, sets *error and a message naming the file (and the missing
    // symbols, or the loader's own text).
    static std::unique_ptr<PluginModule> Open(const std::string& path, ModuleError* error,
                                              std::string* message);

    ~PluginModule();  // dlclose
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const EntryPoints& Entries() const { return mEntries; }
    const std::string& Path() const { return mPath; }  // as resolved

private:
    PluginModule(void* handle, std::string path, const EntryPoints& entries);

    void* mHandle;
    std::string mPath;
    EntryPoints mEntries;
};

}  // namespace hpihost
