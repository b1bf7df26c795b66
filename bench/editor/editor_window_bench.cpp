// The product's editor in a real X window (needs DISPLAY with GLX): the CPU
// an open idle editor costs with its host's loop, and the time from a
// pointer motion during a knob drag to the frame that shows it.
//
//   DISPLAY=:0 build/release/bench/tarnwhistle_editor_window_bench
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "editor/platform/editor_window.h"
#include "fake_host.h"
#include "poll_run_loop.h"
#include "tarnwhistle.h"
#include "test_plugins.h"

// After every editor header: Xlib's macros would break them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

// The Preamp Gain knob's centre in screen pixels (the host window at 0, 0).
constexpr int kGainKnobX = 69;
constexpr int kGainKnobY = 556;

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// A host's window holding the product's editor, open unless asked not to, on
// a loop of its own.
class OpenEditor {
public:
    explicit OpenEditor(bool open = true) {
        mDisplay = XOpenDisplay(nullptr);
        if (mDisplay == nullptr) return;
        SetProcessRunLoop(&mLoop);
        mInstance.answerRequests = mPlug.get();
        mPlug->Initialize(static_cast<HPI_IController*>(&mInstance));
        mParent =
            XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 248, 662, 0, 0, 0);
        XMapWindow(mDisplay, mParent);
        XSync(mDisplay, False);
        mOpen = open;
        if (!open) return;
        EditorWindowSettings settings;
        settings.parent = reinterpret_cast<void*>(static_cast<uintptr_t>(mParent));
        settings.loop = &mLoop;
        if (mEditor.Open(settings) == nullptr) return;
        mWindow = &mEditor;
        mLoop.RunUntil([this] { return mWindow->FramesDrawn() > 0; });
    }
    ~OpenEditor() {
        if (mDisplay == nullptr) return;
        mEditor.Close();
        SetProcessRunLoop(nullptr);
        XDestroyWindow(mDisplay, mParent);
        XCloseDisplay(mDisplay);
    }
    OpenEditor(const OpenEditor&) = delete;
    OpenEditor& operator=(const OpenEditor&) = delete;

    // Why the editor is not open; null when it is.
    const char* Failure() const {
        if (mDisplay != nullptr && !mOpen) return nullptr;
        if (mDisplay == nullptr) return "no X display";
        return mWindow == nullptr ? "the editor did not open" : nullptr;
    }

    Display* display() const { return mDisplay; }
    EditorWindow& window() const { return *mWindow; }
    PollRunLoop& loop() { return mLoop; }

private:
    PollRunLoop mLoop;
    fake_host::FakeInstance mInstance;
    test_plugins::PlugRef<Tarnwhistle> mPlug{static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{}))};
    EditorWindow mEditor{*mPlug};
    Display* mDisplay = nullptr;
    Window mParent = 0;
    EditorWindow* mWindow = nullptr;
    bool mOpen = false;
};

// One iteration: one second of the host's loop with the plug-in's idle timer
// alone (the editor closed), for comparison. Counter: CPU per second (ms).
void BM_HostLoopSecond(benchmark::State& state) {
    OpenEditor host(false);
    if (const char* failure = host.Failure()) {
        state.SkipWithError(failure);
        return;
    }
    const double cpuBefore = CpuMs();
    for (auto _ : state) host.loop().RunFor(1000);
    state.counters["cpu_ms_per_s"] =
        (CpuMs() - cpuBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HostLoopSecond)->Iterations(10)->Unit(benchmark::kMillisecond);

// One iteration: one second of the host's loop with the editor open and
// nothing to draw. Counters: CPU per second (ms), frames drawn, GL context
// switches.
void BM_IdleEditorSecond(benchmark::State& state) {
    OpenEditor editor;
    if (const char* failure = editor.Failure()) {
        state.SkipWithError(failure);
        return;
    }
    editor.loop().RunFor(200);
    const int framesBefore = editor.window().FramesDrawn();
    const int switchesBefore = editor.window().ContextSwitches();
    const double cpuBefore = CpuMs();
    for (auto _ : state) editor.loop().RunFor(1000);
    const double seconds = static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_s"] = (CpuMs() - cpuBefore) / seconds;
    state.counters["frames"] = editor.window().FramesDrawn() - framesBefore;
    state.counters["context_switches"] = editor.window().ContextSwitches() - switchesBefore;
}
BENCHMARK(BM_IdleEditorSecond)->Iterations(10)->Unit(benchmark::kMillisecond);

// One iteration: a motion of 2 pixels during a knob drag, until the frame
// that shows it is drawn (manual time: motion to frame).
void BM_PointerMotionToFrame(benchmark::State& state) {
    OpenEditor editor;
    if (const char* failure = editor.Failure()) {
        state.SkipWithError(failure);
        return;
    }
    Display* display = editor.display();
    const int screen = DefaultScreen(display);
    XTestFakeMotionEvent(display, screen, kGainKnobX, kGainKnobY, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    editor.loop().RunFor(50);
    int step = 0;
    int missed = 0;
    for (auto _ : state) {
        const int frames = editor.window().FramesDrawn();
        const auto start = std::chrono::steady_clock::now();
        XTestFakeMotionEvent(display, screen, kGainKnobX, kGainKnobY + (++step % 2 == 0 ? -2 : 2),
                             CurrentTime);
        XFlush(display);
        if (!editor.loop().RunUntil([&] { return editor.window().FramesDrawn() > frames; }, 500)) {
            ++missed;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        editor.loop().RunFor(7);  // drifts against the tick's phase
    }
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    state.counters["missed"] = missed;
}
BENCHMARK(BM_PointerMotionToFrame)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
