// Ardour's inline display through the module's own descriptor, the way the
// host uses it: the queue_draw feature at instantiation, the interface from
// extension_data, render on the instance's handle.
#include "lv2/lv2_inline_display.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "allocation_counter.h"
#include "lv2_test_host.h"
#include "product/channel_parameters.h"

namespace {

using lv2_test::Instance;
using lv2_test::UridMap;

// The host's queue_draw: counts the calls.
struct DrawQueue {
    int calls = 0;
    LV2InlineDisplayQueue data{this,
                               [](void* handle) { ++static_cast<DrawQueue*>(handle)->calls; }};
    LV2_Feature feature{kLV2QueueDrawURI, &data};
};

constexpr uint32_t kBlock = 256;

// A stereo instance that was offered queue_draw, with its audio buffers.
struct DisplayHost {
    UridMap map;
    DrawQueue queue;
    Instance instance{lv2_test::kStereoIndex, map, 48000.0, kBlock, true, &queue.feature};
    std::vector<std::vector<float>> in{2, std::vector<float>(kBlock)};
    std::vector<std::vector<float>> out{2, std::vector<float>(kBlock)};
    std::vector<float*> inputs = lv2_test::Pointers(in);
    std::vector<float*> outputs = lv2_test::Pointers(out);

    // Runs one block with every input sample at level; answers the draws
    // it queued.
    int RunBlock(float level = 0.0f) {
        for (auto& channel : in) std::fill(channel.begin(), channel.end(), level);
        const int before = queue.calls;
        instance.Run(inputs, outputs, kBlock);
        return queue.calls - before;
    }
    LV2InlineDisplayImageSurface* Render(uint32_t width, uint32_t maxHeight) {
        const auto* display = static_cast<const LV2InlineDisplayInterface*>(
            instance.ExtensionData(kLV2InlineDisplayInterfaceURI));
        return display != nullptr ? display->render(instance.Handle(), width, maxHeight) : nullptr;
    }
};

uint32_t PixelAt(const LV2InlineDisplayImageSurface& s, int x, int y) {
    uint32_t pixel = 0;
    std::memcpy(&pixel, s.data + y * s.stride + 4 * x, sizeof pixel);
    return pixel;
}

// The curve's ink is the only bright colour: every channel above 160.
bool IsCurveInk(uint32_t pixel) {
    return ((pixel >> 16) & 0xff) > 160 && ((pixel >> 8) & 0xff) > 160 && (pixel & 0xff) > 160;
}

// The topmost row of curve ink in the right-hand eighth (the high band's
// shelf), or -1.
int CurveTopAtRight(const LV2InlineDisplayImageSurface& s) {
    for (int y = 0; y < s.height; ++y) {
        for (int x = s.width * 7 / 8; x < s.width; ++x) {
            if (IsCurveInk(PixelAt(s, x, y))) return y;
        }
    }
    return -1;
}

TEST(LV2InlineDisplay, CurveFollowsHighGainAtEverySize) {
    struct Size {
        uint32_t width, maxHeight;
        int height;  // half the width, at most maxHeight
    };
    const Size kSizes[] = {{240, 200, 120}, {96, 30, 30}};
    DisplayHost host;
    for (const Size& size : kSizes) {
        SCOPED_TRACE(size.width);
        int topAt[3] = {};  // High Gain -15, 0, +15
        for (int g = 0; g < 3; ++g) {
            host.instance.Control(kHighGain) = static_cast<float>(15 * (g - 1));
            host.RunBlock();
            const LV2InlineDisplayImageSurface* s = host.Render(size.width, size.maxHeight);
            ASSERT_NE(s, nullptr);
            ASSERT_EQ(s->width, static_cast<int>(size.width));
            ASSERT_EQ(s->height, size.height);
            ASSERT_GE(s->stride, 4 * s->width);
            // Opaque, so premultiplied or not reads the same.
            for (int y = 0; y < s->height; ++y) {
                for (int x = 0; x < s->width; ++x) ASSERT_EQ(PixelAt(*s, x, y) >> 24, 0xffu);
            }
            topAt[g] = CurveTopAtRight(*s);
            ASSERT_GE(topAt[g], 0) << "no curve at High Gain " << 15 * (g - 1);
        }
        EXPECT_LT(topAt[2], topAt[1]) << "+15 dB rises";
        EXPECT_GT(topAt[0], topAt[1]) << "-15 dB falls";
    }
}

// The host may keep the pointer between draws at one size.
TEST(LV2InlineDisplay, KeepsItsPictureWhileTheSizeStands) {
    DisplayHost host;
    host.RunBlock();
    const LV2InlineDisplayImageSurface* first = host.Render(200, 100);
    ASSERT_NE(first, nullptr);
    unsigned char* const data = first->data;
    host.instance.Control(kLowGain) = 9.0f;
    host.RunBlock(0.3f);
    const LV2InlineDisplayImageSurface* second = host.Render(200, 100);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->data, data);
    const LV2InlineDisplayImageSurface* other = host.Render(150, 100);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->width, 150);
    EXPECT_EQ(other->height, 75);
}

TEST(LV2InlineDisplay, SizesWithoutAPictureAnswerNull) {
    struct Case {
        uint32_t width, maxHeight;
        bool picture;
    };
    const Case kCases[] = {
        {0, 100, false},     {100, 0, false},
        {100000, 50, false}, {UINT32_MAX, UINT32_MAX, false},
        {1, 1, true},        {300, UINT32_MAX, true},
    };
    DisplayHost host;
    host.RunBlock();
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.maxHeight);
        const LV2InlineDisplayImageSurface* s = host.Render(c.width, c.maxHeight);
        EXPECT_EQ(s != nullptr, c.picture);
        if (s != nullptr) {
            EXPECT_EQ(s->width, static_cast<int>(c.width));
        }
    }
}

// A host redraws on queue_draw: once when something the picture shows has
// changed, never again while nothing does.
TEST(LV2InlineDisplay, QueuesOneDrawPerChange) {
    struct Step {
        const char* what;
        int param;  // -1: none
        float value;
        float level;
        int draws;
    };
    const Step kSteps[] = {
        {"the first block applies every port", -1, 0, 0, 1},
        {"nothing changed", -1, 0, 0, 0},
        {"still nothing", -1, 0, 0, 0},
        {"High Gain moved", kHighGain, 6, 0, 1},
        {"after it", -1, 0, 0, 0},
        {"later still", -1, 0, 0, 0},
        {"HighPass moved", kHighPass, 3, 0, 1},
        {"the input peak rises", -1, 0, 0.5f, 1},
        {"the same level", -1, 0, 0.5f, 0},
        {"High Gain moved with the same level", kHighGain, -6, 0.5f, 1},
        {"the same level again", -1, 0, 0.5f, 0},
    };
    DisplayHost host;
    for (const Step& step : kSteps) {
        SCOPED_TRACE(step.what);
        if (step.param >= 0) host.instance.Control(step.param) = step.value;
        EXPECT_EQ(host.RunBlock(step.level), step.draws);
    }
}

// The host redraws on its GUI thread whenever the strip changes: past the
// first picture at a size, pictures of other settings take no heap memory.
TEST(LV2InlineDisplay, RedrawsAtADrawnSizeWithoutAllocating) {
    struct Redraw {
        const char* what;
        int param;
        float value;
        float level;
    };
    const Redraw kRedraws[] = {
        {"High Gain up, the input peak rising", kHighGain, 15, 0.9f},
        {"High Gain down, the input quiet", kHighGain, -15, 0.0f},
        {"processing off", kBypass, 0, 0.5f},
        {"processing on", kBypass, 1, 0.5f},
        {"a high-pass", kHighPass, 4, 0.5f},
    };
    const uint32_t kSizes[][2] = {{240, 200}, {96, 30}};
    DisplayHost host;
    const auto* display = static_cast<const LV2InlineDisplayInterface*>(
        host.instance.ExtensionData(kLV2InlineDisplayInterfaceURI));
    ASSERT_NE(display, nullptr);
    for (const auto& size : kSizes) {
        SCOPED_TRACE(size[0]);
        host.instance.Control(kHighGain) = 0.0f;
        host.instance.Control(kBypass) = 1.0f;
        host.instance.Control(kHighPass) = 0.0f;
        host.RunBlock();
        const LV2InlineDisplayImageSurface* first =
            display->render(host.instance.Handle(), size[0], size[1]);
        ASSERT_NE(first, nullptr);
        std::vector<unsigned char> last(first->data, first->data + first->stride * first->height);
        for (const Redraw& redraw : kRedraws) {
            SCOPED_TRACE(redraw.what);
            host.instance.Control(redraw.param) = redraw.value;
            host.RunBlock(redraw.level);
            test_support::AllocationScope scope;
            const LV2InlineDisplayImageSurface* s =
                display->render(host.instance.Handle(), size[0], size[1]);
            const std::size_t allocations = scope.Count();
            EXPECT_EQ(allocations, 0u);
            ASSERT_NE(s, nullptr);
            ASSERT_EQ(s->width, static_cast<int>(size[0]));
            const std::vector<unsigned char> now(s->data, s->data + s->stride * s->height);
            EXPECT_NE(now, last) << "the picture did not change";
            last = now;
        }
    }
}

TEST(LV2InlineDisplay, RunAllocatesNothingWhileTheDisplayFollows) {
    DisplayHost host;
    host.RunBlock();
    host.Render(120, 60);
    test_support::AllocationScope scope;
    for (int block = 0; block < 64; ++block) {
        host.instance.Control(kHighGain) = static_cast<float>(block % 7);
        host.RunBlock(block % 3 == 0 ? 0.9f : 0.01f);
    }
    EXPECT_EQ(scope.Count(), 0u);
    EXPECT_GT(host.queue.calls, 1);
}

}  // namespace
