#pragma once
// Keeps exceptions (in practice std::bad_alloc) from crossing into a host.
// Every host-facing entry of an adapter runs its work through GuardHostCall,
// so a failed allocation answers the interface's error code instead of
// unwinding through the host. The work itself must build what it needs before
// it commits anything, so a failure leaves the plug-in's state as it was.
#include <utility>

// [any] Answers work(), or failure when work() throws.
template <typename Result, typename Work>
Result GuardHostCall(Result failure, Work&& work) noexcept {
    try {
        return std::forward<Work>(work)();
    } catch (...) {
        return failure;
    }
}

// [any] For callbacks that cannot report a failure: a throwing work() is
// abandoned and the call does nothing more.
template <typename Work>
void GuardHostCall(Work&& work) noexcept {
    try {
        std::forward<Work>(work)();
    } catch (...) {
    }
}
