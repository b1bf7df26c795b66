// The seven functions the host finds in the library. Each catches every
// exception and then answers kHPI_ExportFailure.
#include <new>

#include "hpi/hpi_guarded_faces.h"
#include "hpi/hpi_run_loop_bridge.h"
#include "hpi/plugin_gui.h"
#include "hpi/sdk/hpi_entry_points.h"
#include "hpi/sdk/hpi_library.h"
#include "hpi/sdk/hpi_unknown.h"
#include "product/module/hpi/hpi_module.h"

HPI_IUnknown* HPICreateEffectParameters() {
    try {
        return HPI_GuardedFace(static_cast<HPI_IEffectParameters*>(MakePlug(HPIInstanceInfo{})));
    } catch (...) {
        return nullptr;
    }
}

HPI_IUnknown* HPICreateGUI() {
    try {
        return HPI_GuardedFace(new HPI_CPluginGUI());
    } catch (...) {
        return nullptr;
    }
}

HPIProductDescription HPIModuleDescription() {
    HPIProductDescription description = HPIProductIdentity();
    description.createEffectParameters = &HPICreateEffectParameters;
    description.createGUI = &HPICreateGUI;
    description.render = &HPI_GuardedRenderAudio;
    return description;
}

extern "C" {

HPI_EXPORT HPI_Result HPIRegisterPlugin(HPI_IUnknown* libraryObject, void** outDefinition) {
    try {
        return RegisterPlugin(libraryObject, outDefinition, HPIModuleDescription());
    } catch (...) {
        return kHPI_ExportFailure;
    }
}

HPI_EXPORT HPI_Result HPIRegisterComponent(HPI_IUnknown*, const HPI_IID*, void** outObject) {
    try {
        if (outObject != nullptr) {
            *outObject = nullptr;
        }
        return HPI_SUCCESS;
    } catch (...) {
        return kHPI_ExportFailure;
    }
}

HPI_EXPORT HPI_Result HPIGetClassFactory(HPI_IUnknown*, const HPI_IID*, const HPI_IID*,
                                         void** outObject) {
    try {
        if (outObject != nullptr) {
            *outObject = nullptr;
        }
        return HPI_ERROR_UNIMPLEMENTED;
    } catch (...) {
        return kHPI_ExportFailure;
    }
}

HPI_EXPORT int32_t HPICanUnloadNow() {
    try {
        return HPI_CUnknown::LiveObjectCount();
    } catch (...) {
        return kHPI_ExportFailure;
    }
}

HPI_EXPORT HPI_Result HPIStartup(HPI_IUnknown* libraryObject) {
    try {
        const bool held = HPI::HostServices() != nullptr;
        if (held && libraryObject == nullptr) {
            HPIRunLoopBridge::Uninstall();
        }
        return HPI::Startup(libraryObject);
    } catch (...) {
        return kHPI_ExportFailure;
    }
}

HPI_EXPORT HPI_Result HPIShutdown() {
    try {
        // Timers made from now on use the process's own loop, not a host
        // loop that is about to go.
        HPIRunLoopBridge::Uninstall();
        return HPI::Shutdown();
    } catch (...) {
        return kHPI_ExportFailure;
    }
}

HPI_EXPORT HPI_Result HPIGetSDKVersion(uint64_t* outVersion) {
    try {
        if (outVersion == nullptr) {
            return HPI_ERROR_NULL_ARGUMENT;
        }
        *outVersion = kHPI_SDKVersion;
        return HPI_SUCCESS;
    } catch (...) {
        return kHPI_ExportFailure;
    }
}

}  // extern "C"
