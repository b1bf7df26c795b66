#include "editor/editor_clock.h"

#include <atomic>
#include <chrono>

namespace {
std::atomic<const EditorClock*> gClock{nullptr};
}  // namespace

double EditorNowMs() {
    if (const EditorClock* clock = gClock.load()) return clock->NowMs();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double, std::milli>(now).count();
}

void SetEditorClock(const EditorClock* clock) {
    gClock.store(clock);
}
