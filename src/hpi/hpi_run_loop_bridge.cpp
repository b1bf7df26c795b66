#include "hpi/hpi_run_loop_bridge.h"

#include <algorithm>

#include "core/host_guard.h"
#include "hpi/sdk/hpi_library.h"

HPIRunLoopBridge& HPIRunLoopBridge::Instance() {
    static HPIRunLoopBridge bridge;
    return bridge;
}

bool HPIRunLoopBridge::InstallIfHostOffersRunLoop() {
    const HPI_VRunLoop* hostLoop = HPI::RunLoop();
    if (hostLoop == nullptr || !hostLoop->IsValid()) {
        return false;
    }
    SetProcessRunLoop(&Instance());
    return true;
}

void HPIRunLoopBridge::Uninstall() {
    if (&ProcessRunLoop() == &Instance()) {
        SetProcessRunLoop(nullptr);
    }
}

RunLoop::TimerId HPIRunLoopBridge::AddTimer(int periodMs, Callback callback) {
    const HPI_VRunLoop* hostLoop = HPI::RunLoop();
    if (!callback || hostLoop == nullptr || !hostLoop->IsValid()) {
        return 0;
    }
    auto entry = std::make_unique<Entry>();
    entry->callback = std::move(callback);
    uint64_t token = 0;
    // The host never fires a timer inside its Register call, so the entry may
    // be filed after it.
    if (hostLoop->RegisterTimer(static_cast<uint32_t>(std::max(periodMs, 1)), &TimerProc,
                                entry.get(), &token) != HPI_SUCCESS ||
        token == 0) {
        return 0;
    }
    entry->id = token;
    std::lock_guard<std::mutex> lock(mLock);
    mEntries[token] = std::move(entry);
    return token;
}

void HPIRunLoopBridge::RemoveTimer(TimerId id) {
    std::unique_ptr<Entry> removed;
    {
        std::lock_guard<std::mutex> lock(mLock);
        const auto found = mEntries.find(id);
        if (found == mEntries.end()) {
            return;
        }
        removed = std::move(found->second);
        mEntries.erase(found);
    }
    if (const HPI_VRunLoop* hostLoop = HPI::RunLoop()) {
        hostLoop->UnregisterTimer(id);
    }
}

RunLoop::WatchId HPIRunLoopBridge::AddReadableWatch(int fd, ReadableCallback callback) {
    const HPI_VRunLoop* hostLoop = HPI::RunLoop();
    if (fd < 0 || !callback || hostLoop == nullptr || !hostLoop->IsValid()) {
        return 0;
    }
    auto watch = std::make_unique<Watch>();
    watch->callback = std::move(callback);
    uint64_t token = 0;
    if (hostLoop->RegisterFileDescriptor(fd, HPI_eFileDescriptorEvent_Readable, &DescriptorProc,
                                         watch.get(), &token) != HPI_SUCCESS ||
        token == 0) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(mLock);
    mWatches[token] = std::move(watch);
    return token;
}

void HPIRunLoopBridge::RemoveReadableWatch(WatchId id) {
    std::unique_ptr<Watch> removed;
    {
        std::lock_guard<std::mutex> lock(mLock);
        const auto found = mWatches.find(id);
        if (found == mWatches.end()) {
            return;
        }
        removed = std::move(found->second);
        mWatches.erase(found);
    }
    if (const HPI_VRunLoop* hostLoop = HPI::RunLoop()) {
        hostLoop->UnregisterFileDescriptor(id);
    }
}

void HPIRunLoopBridge::DescriptorProc(void* context, int32_t, uint32_t) {
    // The host calls this; a callback that throws is abandoned for this event.
    GuardHostCall([context] {
        HPIRunLoopBridge& bridge = Instance();
        ReadableCallback callback;
        {
            std::lock_guard<std::mutex> lock(bridge.mLock);
            const auto found =
                std::find_if(bridge.mWatches.begin(), bridge.mWatches.end(),
                             [context](const auto& item) { return item.second.get() == context; });
            if (found == bridge.mWatches.end()) {
                return;
            }
            callback = found->second->callback;
        }
        callback();
    });
}

std::size_t HPIRunLoopBridge::TimerCount() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mEntries.size();
}

void HPIRunLoopBridge::TimerProc(void* context) {
    // The host calls this; a callback that throws is abandoned for this tick.
    GuardHostCall([context] {
        HPIRunLoopBridge& bridge = Instance();
        Callback callback;
        TimerId id = 0;
        {
            // Found by address, so a context the bridge no longer holds is
            // never read.
            std::lock_guard<std::mutex> lock(bridge.mLock);
            const auto found = std::find_if(bridge.mEntries.begin(), bridge.mEntries.end(),
                                            [context](const auto& item) { return item.second.get() == context; });
            if (found == bridge.mEntries.end()) {
                return;
            }
            // A copy, so the callback may remove its own timer.
            callback = found->second->callback;
            id = found->first;
        }
        callback(id);
    });
}
