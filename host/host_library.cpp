#include "host_library.h"

#include <algorithm>

namespace hpihost {

HostLibrary::HostLibrary(HostRunLoop& runLoop) : HostObject("HostLibrary"), mRunLoop(runLoop) {}

HostLibrary::~HostLibrary() {
    for (HostCollection* collection : mCollections) {
        collection->Release();
    }
}

HPI_Result HostLibrary::HandleAssertFailure(const char* file, int32_t line, const char* expression,
                                            int32_t option) {
    std::lock_guard<std::mutex> lock(mLock);
    ++mAssertionCount;
    if (mAssertions.size() < kMaxRecords) {
        mAssertions.push_back(
            AssertionRecord{file != nullptr ? file : "", line, expression != nullptr ? expression : "", option});
    }
    return HPI_SUCCESS;
}

HPI_Result HostLibrary::Trace(int32_t priority, const char* message) {
    std::lock_guard<std::mutex> lock(mLock);
    ++mTraceCount;
    if (mTraces.size() < kMaxRecords) {
        mTraces.push_back(TraceRecord{priority, message != nullptr ? message : ""});
    }
    return HPI_SUCCESS;
}

bool HostLibrary::CheckThread() {
    if (mRunLoop.IsLoopThread()) {
        return true;
    }
    std::lock_guard<std::mutex> lock(mLock);
    ++mOffThreadCalls;
    return false;
}

HPI_Result HostLibrary::RegisterTimer(uint32_t periodMs, HPI_TimerProc proc, void* context, uint64_t* outToken) {
    if (outToken == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outToken = 0;
    if (periodMs == 0 || proc == nullptr) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    if (!CheckThread()) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    const HostRunLoop::Token token = mRunLoop.AddTimer(periodMs, [proc, context] { proc(context); });
    mPluginEntries.push_back(token);
    *outToken = token;
    return HPI_SUCCESS;
}

HPI_Result HostLibrary::UnregisterTimer(uint64_t token) {
    if (!CheckThread()) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    auto found = std::find(mPluginEntries.begin(), mPluginEntries.end(), token);
    if (found == mPluginEntries.end() || !mRunLoop.IsTimer(token)) {
        return HPI_ERROR_UNKNOWN_ID;
    }
    mPluginEntries.erase(found);
    mRunLoop.Remove(token);
    return HPI_SUCCESS;
}

HPI_Result HostLibrary::RegisterFileDescriptor(int32_t fd, uint32_t events, HPI_FileDescriptorProc proc,
                                               void* context, uint64_t* outToken) {
    if (outToken == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *outToken = 0;
    const uint32_t asked = events & (HPI_eFileDescriptorEvent_Readable | HPI_eFileDescriptorEvent_Writable);
    if (fd < 0 || asked == 0 || proc == nullptr) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    if (!CheckThread()) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    const HostRunLoop::Token token = mRunLoop.AddDescriptor(
        fd, asked, [proc, context](int readyFd, uint32_t readyEvents) { proc(context, readyFd, readyEvents); });
    mPluginEntries.push_back(token);
    *outToken = token;
    return HPI_SUCCESS;
}

HPI_Result HostLibrary::UnregisterFileDescriptor(uint64_t token) {
    if (!CheckThread()) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    auto found = std::find(mPluginEntries.begin(), mPluginEntries.end(), token);
    if (found == mPluginEntries.end() || !mRunLoop.IsDescriptor(token)) {
        return HPI_ERROR_UNKNOWN_ID;
    }
    mPluginEntries.erase(found);
    mRunLoop.Remove(token);
    return HPI_SUCCESS;
}

HPI_Result HostLibrary::CreateHostObject(const HPI_IID& iid, void** out) {
    if (out == nullptr) {
        return HPI_ERROR_NULL_ARGUMENT;
    }
    *out = nullptr;
    if (iid != HPI_ICollection::kInterfaceID) {
        return HPI_ERROR_UNKNOWN_ID;
    }
    auto* collection = new HostCollection();
    collection->AddRef();
    mCollections.push_back(collection);
    *out = static_cast<HPI_ICollection*>(collection);
    return HPI_SUCCESS;
}

HPI_Ref<HostCollection> HostLibrary::TakeCollection(HPI_IUnknown* definition) {
    HPI_Ref<HostCollection> found;
    if (auto asCollection = HPI_Ref<HPI_ICollection>::Query(definition)) {
        for (HostCollection* collection : mCollections) {
            if (static_cast<HPI_ICollection*>(collection) == asCollection.Get()) {
                collection->AddRef();
                found = HPI_Ref<HostCollection>::Adopt(collection);
            }
        }
    }
    for (HostCollection* collection : mCollections) {
        collection->Release();
    }
    mCollections.clear();
    return found;
}

std::vector<AssertionRecord> HostLibrary::Assertions() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mAssertions;
}

std::vector<TraceRecord> HostLibrary::Traces() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mTraces;
}

std::size_t HostLibrary::AssertionCount() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mAssertionCount;
}

std::size_t HostLibrary::TraceCount() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mTraceCount;
}

std::size_t HostLibrary::OffThreadCallCount() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mOffThreadCalls;
}

}  // namespace hpihost
