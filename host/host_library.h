#pragma once
// The host's library object: what HPIStartup and HPIRegisterPlugin receive.
// It offers the host services (assertion reports and traces, recorded for
// the tools and tests to read), the main-thread run loop (forwarded to a
// HostRunLoop) and the object factory that makes the registration
// collection.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "description.h"
#include "host_object.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "run_loop.h"

namespace hpihost {

struct AssertionRecord {
    std::string mFile;
    int32_t mLine = 0;
    std::string mExpression;
    int32_t mOption = 0;
};

struct TraceRecord {
    int32_t mPriority = 0;
    std::string mMessage;
};

class HostLibrary final
    : public HostObject<HPI_IHostServices, HPI_IRunLoop, HPI_IHostObjectFactory> {
public:
    // Records at most this many of each kind; later ones are only counted.
    static constexpr std::size_t kMaxRecords = 4096;

    // [main] The run loop must outlive every call the plug-in makes.
    explicit HostLibrary(HostRunLoop& runLoop);

    // HPI_IHostServices
    HPI_Result HandleAssertFailure(const char* file, int32_t line, const char* expression,
                                   int32_t option) override;
    // [any]
    HPI_Result Trace(int32_t priority, const char* message) override;

    // HPI_IRunLoop
    HPI_Result RegisterTimer(uint32_t periodMs, HPI_TimerProc proc, void* context,
                             uint64_t* outToken) override;
    // [main]
    HPI_Result UnregisterTimer(uint64_t token) override;
    HPI_Result RegisterFileDescriptor(int32_t fd, uint32_t events, HPI_FileDescriptorProc proc,
                                      void* context, uint64_t* outToken) override;
    // [main]
    HPI_Result UnregisterFileDescriptor(uint64_t token) override;

    // HPI_IHostObjectFactory
    // [main]
    HPI_Result CreateHostObject(const HPI_IID& iid, void** out) override;

    // [main] The collection a plug-in definition belongs to, when this library object
    // made it; empty otherwise. Forgets every collection it made.
    HPI_Ref<HostCollection> TakeCollection(HPI_IUnknown* definition);

    // [any]
    std::vector<AssertionRecord> Assertions() const;
    // [any]
    std::vector<TraceRecord> Traces() const;
    // [any] every report, recorded or not
    std::size_t AssertionCount() const;
    // [any]
    std::size_t TraceCount() const;
    // [any] Run-loop calls the plug-in made from a thread other than the loop's.
    std::size_t OffThreadCallCount() const;
    // [main] Timers and descriptors the plug-in registered and has not unregistered.
    std::size_t PluginEntryCount() const { return mPluginEntries.size(); }

private:
    ~HostLibrary() override;
    bool CheckThread();

    HostRunLoop& mRunLoop;
    mutable std::mutex mLock;  // guards the records and counts
    std::vector<AssertionRecord> mAssertions;
    std::vector<TraceRecord> mTraces;
    std::size_t mAssertionCount = 0;
    std::size_t mTraceCount = 0;
    std::size_t mOffThreadCalls = 0;
    std::vector<HostRunLoop::Token> mPluginEntries;
    std::vector<HostCollection*> mCollections;  // one reference each
};

}  // namespace hpihost
