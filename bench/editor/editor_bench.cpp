// Frames of Tarnwhistle's editor drawn by the GL back end off-screen (Mesa's
// software rasteriser without a GPU): everything, one changed knob, and a
// tick where nothing changed. Each GL frame ends with glFinish, so the time is
// the drawing's, not the recording's.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <memory>

#include "core/graphics_editor_delegate.h"
#include "core/param.h"
#include "editor/drawing/offscreen/offscreen_window.h"
#include "product/channel_parameters.h"
#include "product/editor/editor_only_delegate.h"
#include "product/editor/tarnwhistle_editor.h"

namespace {

// The product's editor open at the given total scale, drawn once.
struct OpenEditor {
    explicit OpenEditor(float screenScale) {
        OffscreenWindow::Attach(delegate, screenScale);
        delegate.OpenWindow(nullptr);
        window = OffscreenWindow::Of(delegate);
        if (window == nullptr || !window->IsOpen()) std::abort();
        window->Tick();
        glFinish();
    }
    EditorOnlyDelegate delegate;
    OffscreenWindow* window = nullptr;
};

void FullFrame(benchmark::State& state) {
    OpenEditor editor(static_cast<float>(state.range(0)));
    for (auto _ : state) {
        editor.window->MarkAllDirty();
        editor.window->Tick();
        glFinish();
    }
}
BENCHMARK(FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void OneKnobFrame(benchmark::State& state) {
    OpenEditor editor(static_cast<float>(state.range(0)));
    double norm = 0.25;
    for (auto _ : state) {
        norm = 1.0 - norm;
        editor.delegate.GetParam(kPreampGain)->SetNorm(norm);
        editor.delegate.SendParamValueToEditor(kPreampGain, norm, true);
        editor.window->Tick();
        glFinish();
    }
}
BENCHMARK(OneKnobFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void IdleTick(benchmark::State& state) {
    OpenEditor editor(1.0f);
    for (auto _ : state) benchmark::DoNotOptimize(editor.window->Tick());
}
BENCHMARK(IdleTick);

}  // namespace

BENCHMARK_MAIN();
