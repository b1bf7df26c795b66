#pragma once
// The seven functions a plug-in library exports, as C symbols for dlsym,
// with their pointer types for the host.
//
// Host sequence:
//   lib = dlopen(path); look up the seven symbols by the k..Symbol names;
//   HPIStartup(libraryObject)          // offers HPI_IHostServices, HPI_IRunLoop, HPI_IHostObjectFactory
//   HPIRegisterPlugin(libraryObject, &definition)   // describes the effects into the host's collection
//   ... instances through the factory procedures of the description ...
//   once every object is released: HPICanUnloadNow() == 0
//   HPIShutdown(); dlclose(lib)
// Every export catches exceptions and then answers kHPI_ExportFailure.
#include <cstdint>

#include "hpi/sdk/hpi_result.h"
#include "hpi/sdk/hpi_types.h"

#if defined(_WIN32)
#define HPI_EXPORT __declspec(dllexport)
#else
#define HPI_EXPORT __attribute__((visibility("default")))
#endif

// Version of this interface, answered by HPIGetSDKVersion.
constexpr uint64_t kHPI_SDKVersion = 0x00000204013449EAull;

extern "C" {

// [main] Describes the library's effects into a collection the plug-in asks the
// host's HPI_IHostObjectFactory for, then writes the collection's
// HPI_IPluginDefinition (one reference, the host releases it) to
// *outDefinition. 0 or the first failing host answer.
using HPI_RegisterPluginFunc = HPI_Result (*)(HPI_IUnknown* libraryObject, void** outDefinition);
// [main] Unused by this interface version: writes null to *outObject, answers 0.
using HPI_RegisterComponentFunc = HPI_Result (*)(HPI_IUnknown* libraryObject, const HPI_IID* iid, void** outObject);
// [main] Unused: writes null to *outObject, answers HPI_ERROR_UNIMPLEMENTED.
using HPI_GetClassFactoryFunc = HPI_Result (*)(HPI_IUnknown* libraryObject, const HPI_IID* classID,
                                               const HPI_IID* iid, void** outObject);
// [main] Number of reference-counted objects of the library still alive; 0 means
// the library may be unloaded.
using HPI_CanUnloadNowFunc = int32_t (*)();
// [main] Gives the library the host's library object (kept until HPIShutdown or
// HPIStartup(null)); a second call with another object keeps the first. 0.
using HPI_StartupFunc = HPI_Result (*)(HPI_IUnknown* libraryObject);
// [main] Releases the library object. 0.
using HPI_ShutdownFunc = HPI_Result (*)();
// [any] Writes kHPI_SDKVersion. 0.
using HPI_GetSDKVersionFunc = HPI_Result (*)(uint64_t* outVersion);

// [main]
HPI_EXPORT HPI_Result HPIRegisterPlugin(HPI_IUnknown* libraryObject, void** outDefinition);
// [main]
HPI_EXPORT HPI_Result HPIRegisterComponent(HPI_IUnknown* libraryObject, const HPI_IID* iid, void** outObject);
// [main]
HPI_EXPORT HPI_Result HPIGetClassFactory(HPI_IUnknown* libraryObject, const HPI_IID* classID, const HPI_IID* iid,
                                         void** outObject);
// [main]
HPI_EXPORT int32_t HPICanUnloadNow();
// [main]
HPI_EXPORT HPI_Result HPIStartup(HPI_IUnknown* libraryObject);
// [main]
HPI_EXPORT HPI_Result HPIShutdown();
// [any]
HPI_EXPORT HPI_Result HPIGetSDKVersion(uint64_t* outVersion);

}  // extern "C"

constexpr const char* kHPI_RegisterPluginSymbol = "HPIRegisterPlugin";
constexpr const char* kHPI_RegisterComponentSymbol = "HPIRegisterComponent";
constexpr const char* kHPI_GetClassFactorySymbol = "HPIGetClassFactory";
constexpr const char* kHPI_CanUnloadNowSymbol = "HPICanUnloadNow";
constexpr const char* kHPI_StartupSymbol = "HPIStartup";
constexpr const char* kHPI_ShutdownSymbol = "HPIShutdown";
constexpr const char* kHPI_GetSDKVersionSymbol = "HPIGetSDKVersion";
