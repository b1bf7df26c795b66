#pragma once
// Runs the framework's timers (the idle tick) on the host's main-thread run
// loop: a RunLoop whose timers are registered with the HPI_IRunLoop service
// the host offered at HPIStartup. Installed as the process run loop while the
// host offers one, so ticks arrive on the host's main thread.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "core/run_loop.h"
#include "hpi/sdk/hpi_host_wrappers.h"

class HPIRunLoopBridge final : public RunLoop {
public:
    // [any] The process's bridge; lives as long as the library.
    static HPIRunLoopBridge& Instance();

    // [main] Makes the bridge the process run loop when the held host
    // services offer a run loop; answers whether they do.
    static bool InstallIfHostOffersRunLoop();
    // [main] Gives the process its default run loop back when the bridge is
    // installed (at shutdown, before the host's services go).
    static void Uninstall();

    // [main] Registers with the host's run loop; 0 when there is none or the
    // host refuses. The identifier is the host's token.
    TimerId AddTimer(int periodMs, Callback callback) override;
    // [main] Also from inside a timer callback. Unregisters; an unknown identifier does nothing.
    void RemoveTimer(TimerId id) override;

    // [main] Registers fd for readability with the host's run loop; 0 when
    // there is none or the host refuses (the caller then polls).
    WatchId AddReadableWatch(int fd, ReadableCallback callback) override;
    // [main] [a callback] Unregisters; an unknown identifier does nothing.
    void RemoveReadableWatch(WatchId id) override;

    // [any]
    std::size_t TimerCount() const;

private:
    HPIRunLoopBridge() = default;

    struct Entry {
        TimerId id = 0;
        Callback callback;
    };
    static void TimerProc(void* context);
    struct Watch {
        ReadableCallback callback;
    };
    static void DescriptorProc(void* context, int32_t fd, uint32_t events);

    mutable std::mutex mLock;  // guards the entries; never held while a callback runs
    std::map<TimerId, std::unique_ptr<Entry>> mEntries;
    std::map<WatchId, std::unique_ptr<Watch>> mWatches;
};
