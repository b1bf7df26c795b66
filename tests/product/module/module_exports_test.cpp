// The built Tarnwhistle.so as a host finds it: exactly the seven entry points.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "module_exports.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "hpi/sdk/hpi_entry_points.h"

namespace {

const std::set<std::string> kEntryPoints = {
    "HPIRegisterPlugin", "HPIRegisterComponent", "HPIGetClassFactory", "HPICanUnloadNow",
    "HPIStartup",        "HPIShutdown",          "HPIGetSDKVersion"};

TEST(ModuleExports, NmListsExactlyTheSevenEntryPoints) {
    if (std::system("command -v nm > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "nm is not installed";
    }
    const auto defined = testsupport::DefinedDynamicSymbols(TW_HPI_MODULE_PATH);
    ASSERT_TRUE(defined.has_value()) << "nm could not list " << TW_HPI_MODULE_PATH;
    EXPECT_EQ(*defined, kEntryPoints);
}

TEST(ModuleExports, TheModuleLoadsAndAnswersThroughItsExports) {
    void* module = dlopen(TW_HPI_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    for (const std::string& name : kEntryPoints) {
        EXPECT_NE(dlsym(module, name.c_str()), nullptr) << name;
    }
    auto version = reinterpret_cast<HPI_GetSDKVersionFunc>(dlsym(module, kHPI_GetSDKVersionSymbol));
    auto canUnload = reinterpret_cast<HPI_CanUnloadNowFunc>(dlsym(module, kHPI_CanUnloadNowSymbol));
    ASSERT_NE(version, nullptr);
    ASSERT_NE(canUnload, nullptr);
    uint64_t answered = 0;
    EXPECT_EQ(version(&answered), HPI_SUCCESS);
    EXPECT_EQ(answered, kHPI_SDKVersion);
    EXPECT_EQ(canUnload(), 0);
    EXPECT_EQ(dlclose(module), 0);
}

// Loads and unloads the module; 0 when it stays mapped afterwards (a host's
// X error handler may still lead into it), else where it went wrong.
int LoadAndUnloadTheModule() {
    // Not loaded yet, as RTLD_NOLOAD tells.
    if (dlopen(TW_HPI_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD) != nullptr) return 10;
    void* module = dlopen(TW_HPI_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return 11;
    void* loaded = dlopen(TW_HPI_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (loaded == nullptr) return 12;
    dlclose(loaded);
    if (dlclose(module) != 0) return 13;
    void* resident = dlopen(TW_HPI_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (resident == nullptr) return 14;
    dlclose(resident);
    return 0;
}

TEST(ModuleExports, TheModuleStaysMappedAfterItsLastUnload) {
    // A fresh process, where no earlier test loaded the module.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(LoadAndUnloadTheModule()), testing::ExitedWithCode(0), "");
}

}  // namespace
