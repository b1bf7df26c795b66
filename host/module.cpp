#include "module.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace hpihost {
namespace {

template <typename F>
F Symbol(void* handle, const char* name, std::vector<std::string>& missing) {
    void* address = dlsym(handle, name);
    if (address == nullptr) {
        missing.emplace_back(name);
    }
    return reinterpret_cast<F>(address);
}

}  // namespace

PluginModule::PluginModule(void* handle, std::string path, const EntryPoints& entries)
    : mHandle(handle), mPath(std::move(path)), mEntries(entries) {}

PluginModule::~PluginModule() {
    if (mHandle != nullptr) {
        dlclose(mHandle);
    }
}

std::unique_ptr<PluginModule> PluginModule::Open(const std::string& path, ModuleError* error, std::string* message) {
    auto fail = [&](ModuleError kind, std::string text) {
        if (error != nullptr) {
            *error = kind;
        }
        if (message != nullptr) {
            *message = std::move(text);
        }
        return std::unique_ptr<PluginModule>();
    };

    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        return fail(ModuleError::FileMissing, "no module file at '" + path + "'" +
                                                  (path.empty() ? "" : std::string(": ") + std::strerror(errno)));
    }
    if (!S_ISREG(info.st_mode)) {
        return fail(ModuleError::NotSharedObject, "'" + path + "' is not a file");
    }
    // A bare file name would make dlopen search the library path instead.
    char resolved[PATH_MAX];
    const std::string full = realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;

    dlerror();
    void* handle = dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        return fail(ModuleError::NotSharedObject,
                    "'" + path + "' is not a loadable shared object: " + (why != nullptr ? why : "unknown reason"));
    }

    std::vector<std::string> missing;
    EntryPoints entries;
    entries.mRegisterPlugin = Symbol<HPI_RegisterPluginFunc>(handle, kHPI_RegisterPluginSymbol, missing);
    entries.mRegisterComponent = Symbol<HPI_RegisterComponentFunc>(handle, kHPI_RegisterComponentSymbol, missing);
    entries.mGetClassFactory = Symbol<HPI_GetClassFactoryFunc>(handle, kHPI_GetClassFactorySymbol, missing);
    entries.mCanUnloadNow = Symbol<HPI_CanUnloadNowFunc>(handle, kHPI_CanUnloadNowSymbol, missing);
    entries.mStartup = Symbol<HPI_StartupFunc>(handle, kHPI_StartupSymbol, missing);
    entries.mShutdown = Symbol<HPI_ShutdownFunc>(handle, kHPI_ShutdownSymbol, missing);
    entries.mGetSDKVersion = Symbol<HPI_GetSDKVersionFunc>(handle, kHPI_GetSDKVersionSymbol, missing);
    if (!missing.empty()) {
        dlclose(handle);
        std::string list;
        for (const std::string& name : missing) {
            list += (list.empty() ? "" : ", ") + name;
        }
        return fail(ModuleError::MissingEntryPoints,
                    "'" + path + "' is not an HPI plug-in: missing entry point" + (missing.size() > 1 ? "s " : " ") +
                        list);
    }
    if (error != nullptr) {
        *error = ModuleError::None;
    }
    return std::unique_ptr<PluginModule>(new PluginModule(handle, full, entries));
}

}  // namespace hpihost
