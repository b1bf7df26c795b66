// Once its buffers have grown, a frame that repeats earlier work allocates nothing.
#include <cstdio>

#include "allocation_counter.h"
#include "font_file.h"
#include "renderer_fixture.h"

namespace {

using drawing::Color;
using drawing::Renderer;

TEST_F(RendererTest, SteadyFramesAllocateNothing) {
    const int font =
        renderer->CreateFontFromMemory("Roboto", RobotoBytes().data(), RobotoBytes().size(), 0);
    ASSERT_GE(font, 0);
    const unsigned char pixel[4] = {10, 200, 30, 255};
    const int image = renderer->CreateImageRGBA(1, 1, 0, pixel);
    const auto scene = [&](Renderer& r) {
        for (int i = 0; i < 20; ++i) {
            r.ResetState();
            r.Scissor(float(i), 0, 40, 40);
            r.BeginPath();
            r.Arc(20, 20, 8, 0, 3.14159f, true);
            r.Arc(30, 20, 8, 3.14159f, 0, true);
            r.ClosePath();
            r.Fill(Color{1, 0, 0, 0.5f});
            r.Stroke(Color{1, 1, 1, 1}, 2);
            r.BeginPath();
            r.Rect(0, 0, 40, 40);
            r.Fill(drawing::BoxGradient(20, 20, 10, 10, 3, 4, Color{0, 0, 0, 1}, Color{}));
            r.Fill(drawing::ImagePattern(0, 0, 40, 40, 0, image, 0.5f));
            r.FontFaceId(font);
            r.FontSize(12);
            r.TextAlign(drawing::kAlignCenter | drawing::kAlignMiddle);
            r.Text(20, 20, Color{1, 1, 1, 1}, "-12.5 dB");
            r.MeasureText(20, 20, "-12.5 dB");
        }
    };
    for (int warmUp = 0; warmUp < 3; ++warmUp) Frame(scene);

    test_support::AllocationScope recording;
    renderer->BeginFrame(kWidth, kHeight, 1);
    scene(*renderer);
    EXPECT_EQ(recording.Count(), 0u);
    test_support::AllocationScope rendering;
    renderer->EndFrame();
    glFinish();
    // The GL driver's own bookkeeping is not ours to count; print it for the record.
    std::printf("allocations of one steady frame: %zu while recording, %zu inside the GL driver\n",
                recording.Count() - rendering.Count(), rendering.Count());
}

}  // namespace
