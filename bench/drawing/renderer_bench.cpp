// A frame of many rounded shapes and labels on whatever GL the machine offers
// (Mesa's software rasteriser without a GPU), drawn off-screen.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "editor/drawing/renderer.h"
#include "offscreen_gl.h"

namespace {

using drawing::Color;
using drawing::Renderer;

constexpr float kPi = 3.14159265f;

struct Scene {
    std::unique_ptr<Renderer> renderer;
    int target = 0;
    int font = -1;
    std::vector<unsigned char> fontBytes;
};

Scene* GetScene() {
    static Scene* scene = [] {
        auto* s = new Scene;
        // Mesa's software rasteriser on every core, as a window would have it (the
        // context helper would otherwise keep it on one thread for the tests).
        const std::string threads = std::to_string(std::thread::hardware_concurrency());
        setenv("LP_NUM_THREADS", threads.c_str(), 0);
        if (!test_support::OffscreenGl::Current()) return s;
        s->renderer = Renderer::Create(Renderer::kAntialias);
        if (!s->renderer) return s;
        s->target = s->renderer->CreateFramebuffer(1600, 1200);
        std::ifstream file("/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf",
                           std::ios::binary);
        s->fontBytes.assign(std::istreambuf_iterator<char>(file), {});
        s->font = s->renderer->CreateFontFromMemory("Roboto", s->fontBytes.data(),
                                                    s->fontBytes.size(), 0);
        return s;
    }();
    return scene;
}

void RoundedRect(Renderer& r, float x, float y, float w, float h, float radius) {
    r.BeginPath();
    r.Arc(x + radius, y + radius, radius, kPi, 1.5f * kPi, true);
    r.Arc(x + w - radius, y + radius, radius, 1.5f * kPi, 0, true);
    r.Arc(x + w - radius, y + h - radius, radius, 0, 0.5f * kPi, true);
    r.Arc(x + radius, y + h - radius, radius, 0.5f * kPi, kPi, true);
    r.ClosePath();
}

// 200 rounded panels with a stroke, a soft shadow and a label, on an 800 x 600 unit frame.
void DrawScene(Scene& s, float ratio) {
    Renderer& r = *s.renderer;
    glBindFramebuffer(GL_FRAMEBUFFER, r.FramebufferObject(s.target));
    r.BeginFrame(800, 600, ratio);
    r.FontFaceId(s.font);
    r.FontSize(12);
    r.TextAlign(drawing::kAlignCenter | drawing::kAlignMiddle);
    for (int i = 0; i < 200; ++i) {
        const float x = float(i % 20) * 40.0f, y = float(i / 20) * 60.0f;
        r.BeginPath();
        r.Rect(x, y, 40, 60);
        r.Fill(drawing::BoxGradient(x + 21, y + 31, 16, 24, 4, 4, Color{0, 0, 0, 0.5f}, Color{}));
        RoundedRect(r, x + 4, y + 6, 32, 48, 5);
        r.Fill(Color{0.2f, 0.3f, 0.5f + float(i % 5) * 0.1f, 1});
        r.Stroke(Color{1, 1, 1, 0.8f}, 1.5f);
        char label[16];
        std::snprintf(label, sizeof label, "%d dB", i - 100);
        r.Text(x + 20, y + 30, Color{1, 1, 1, 1}, label);
    }
    r.EndFrame();
    glFinish();
}

void BM_ShapesAndTextFrame(benchmark::State& state) {
    Scene* s = GetScene();
    if (!s->renderer || s->font < 0) {
        state.SkipWithError("no OpenGL context or font");
        return;
    }
    const float ratio = float(state.range(0));
    DrawScene(*s, ratio);  // the glyphs reach the atlas once
    for (auto _ : state) DrawScene(*s, ratio);
}
BENCHMARK(BM_ShapesAndTextFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
