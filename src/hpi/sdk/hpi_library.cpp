#include "hpi/sdk/hpi_library.h"

#include <atomic>
#include <cstring>

namespace {

struct LibraryHost {
    explicit LibraryHost(HPI_IUnknown* libraryObject) : mServices(libraryObject), mRunLoop(libraryObject) {}
    HPI_VHostServices mServices;
    HPI_VRunLoop mRunLoop;
};

// Written on the main thread only; read from any thread (reports from the
// render thread), which the host guarantees has stopped before HPIShutdown.
std::atomic<LibraryHost*> gHost{nullptr};

}  // namespace

namespace HPI {

HPI_Result Startup(HPI_IUnknown* libraryObject) {
    LibraryHost* held = gHost.load(std::memory_order_acquire);
    if (held == nullptr && libraryObject != nullptr) {
        gHost.store(new LibraryHost(libraryObject), std::memory_order_release);
    } else if (held != nullptr && libraryObject == nullptr) {
        Shutdown();
    }
    return HPI_SUCCESS;
}

HPI_Result Shutdown() {
    delete gHost.exchange(nullptr, std::memory_order_acq_rel);
    return HPI_SUCCESS;
}

const HPI_VHostServices* HostServices() {
    LibraryHost* held = gHost.load(std::memory_order_acquire);
    return held != nullptr ? &held->mServices : nullptr;
}

const HPI_VRunLoop* RunLoop() {
    LibraryHost* held = gHost.load(std::memory_order_acquire);
    return held != nullptr ? &held->mRunLoop : nullptr;
}

bool Check(bool condition, const char* expressionText, std::source_location location) {
    if (!condition) {
        if (const HPI_VHostServices* services = HostServices()) {
            services->HandleAssertFailure(SourcePath(location.file_name()), static_cast<int32_t>(location.line()),
                                          expressionText, 1);
        }
    }
    return condition;
}

HPI_Result Trace(int32_t priority, const char* format, ...) {
    const HPI_VHostServices* services = HostServices();
    if (services == nullptr) {
        return HPI_ERROR_NULL_OBJECT;
    }
    va_list arguments;
    va_start(arguments, format);
    const HPI_Result result = services->TraceArgs(priority, format, arguments);
    va_end(arguments);
    return result;
}

const char* SourcePath(const char* file) {
    if (file == nullptr) {
        return "";
    }
    const char* found = nullptr;
    for (const char* at = std::strstr(file, "src/"); at != nullptr; at = std::strstr(at + 1, "src/")) {
        if (at == file || at[-1] == '/' || at[-1] == '\\') {
            found = at;
        }
    }
    return found != nullptr ? found : file;
}

}  // namespace HPI
