// The editor's size settled between its scene, a fake window and a fake host,
// without any window system: what the host is asked, what the window takes
// and the draw scale the scene ends at, for each way a size changes.
#include "editor/size_negotiation.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "editor/graphics.h"
#include "editor_test_support.h"

namespace {

using editor_test::TestDelegate;

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

void PrintTo(const Size& size, std::ostream* out) {
    *out << size.width << "x" << size.height;
}

// A host that takes (or refuses) what it is asked and may echo it back as
// its own resize, as toolkit wrappers do.
class FakeHost : public SizeNegotiation::HostSide {
public:
    bool EditorSized(int width, int height, bool askHost) override {
        if (!askHost) return true;
        asked.push_back({width, height});
        if (accepts && echoes && negotiation != nullptr) negotiation->HostResize(width, height);
        return accepts;
    }
    SizeNegotiation* negotiation = nullptr;
    bool accepts = true;
    bool echoes = false;
    std::vector<Size> asked;
};

// A window that takes every size; withHost: it grew the host's windows too.
class FakeWindow : public SizeNegotiation::WindowSide, public SceneWindow {
public:
    void ResizeWindow(int width, int height, bool withHost) override {
        resized.push_back({width, height});
        if (withHost) hostGrown.push_back({width, height});
    }
    void SceneResized(bool hostSized) override { negotiation->SceneResized(hostSized); }
    SizeNegotiation* negotiation = nullptr;
    std::vector<Size> resized;
    std::vector<Size> hostGrown;
};

enum class Step {
    kHostResize,   // the host resized its window to a x b
    kCornerDrag,   // the user dragged the corner to draw scale s
    kHome,         // the corner's double click: draw scale 1
    kConfigure,    // the embedder sized our window to a x b
    kScreenScale,  // the screen (or the host's) scale became s
};

struct Action {
    Step step;
    int a = 0;
    int b = 0;
    float s = 0.0f;
};

struct NegotiationCase {
    const char* what;
    std::vector<Action> actions;
    bool accepts = true;
    bool echoes = false;
    std::vector<Size> asked;      // what the host was asked, in order
    std::vector<Size> resized;    // what the window took, in order
    std::vector<Size> hostGrown;  // where the window grew the host's windows itself
    Size window;                  // the window's size at the end
    float drawScale = 1.0f;
};

// The test delegate's editor: 248 x 662 units, draw scales 0.5 to 2.
const NegotiationCase kCases[] = {
    {"the host resizes: the scene fits it, the host is asked nothing",
     {{Step::kHostResize, 496, 1324}},
     true,
     false,
     {},
     {{496, 1324}},
     {},
     {496, 1324},
     2.0f},
    {"a host size of another aspect ratio: the smaller ratio wins",
     {{Step::kHostResize, 496, 2000}},
     true,
     false,
     {},
     {{496, 1324}},
     {},
     {496, 1324},
     2.0f},
    {"the host resizes to the size the editor has (an echo): no change",
     {{Step::kHostResize, 248, 662}},
     true,
     false,
     {},
     {},
     {},
     {248, 662},
     1.0f},
    {"a host that echoes every size back leaves it as asked",
     {{Step::kCornerDrag, 0, 0, 1.5f}},
     true,
     true,
     {{372, 993}},
     {{372, 993}},
     {},
     {372, 993},
     1.5f},
    {"corner drag larger, then smaller",
     {{Step::kCornerDrag, 0, 0, 1.5f}, {Step::kCornerDrag, 0, 0, 0.75f}},
     true,
     false,
     {{372, 993}, {186, 496}},
     {{372, 993}, {186, 496}},
     {},
     {186, 496},
     0.75f},
    {"home after the host's resize asks the host for the home size",
     {{Step::kHostResize, 496, 1324}, {Step::kHome}},
     true,
     false,
     {{248, 662}},
     {{496, 1324}, {248, 662}},
     {},
     {248, 662},
     1.0f},
    {"a host that refuses: the window resizes the host's windows itself, both ways",
     {{Step::kCornerDrag, 0, 0, 1.5f}, {Step::kHome}},
     false,
     false,
     {{372, 993}, {248, 662}},
     {{372, 993}, {248, 662}},
     {{372, 993}, {248, 662}},
     {248, 662},
     1.0f},
    {"an embedder that holds its own size is undone four times, then kept",
     {{Step::kConfigure, 300, 800},
      {Step::kConfigure, 300, 800},
      {Step::kConfigure, 300, 800},
      {Step::kConfigure, 300, 800},
      {Step::kConfigure, 300, 800},
      {Step::kConfigure, 300, 800}},
     true,
     false,
     {},
     {{248, 662}, {248, 662}, {248, 662}, {248, 662}},
     {},
     {300, 800},
     1.0f},
    {"an embedder's size is undone again after the editor's own change",
     {{Step::kConfigure, 300, 800},
      {Step::kConfigure, 300, 800},
      {Step::kCornerDrag, 0, 0, 1.5f},
      {Step::kConfigure, 300, 800}},
     true,
     false,
     {{372, 993}},
     {{248, 662}, {248, 662}, {372, 993}, {372, 993}},
     {},
     {372, 993},
     1.5f},
    {"screen scale 2 doubles window and host",
     {{Step::kScreenScale, 0, 0, 2.0f}},
     true,
     false,
     {{496, 1324}},
     {{496, 1324}},
     {},
     {496, 1324},
     1.0f},
    {"a host scale of 1.5 and back",
     {{Step::kScreenScale, 0, 0, 1.5f}, {Step::kScreenScale, 0, 0, 1.0f}},
     true,
     false,
     {{372, 993}, {248, 662}},
     {{372, 993}, {248, 662}},
     {},
     {248, 662},
     1.0f},
    {"a host resize at screen scale 2 fits in pixels",
     {{Step::kScreenScale, 0, 0, 2.0f}, {Step::kHostResize, 744, 1986}},
     true,
     false,
     {{496, 1324}},
     {{496, 1324}, {744, 1986}},
     {},
     {744, 1986},
     1.5f},
    {"a host far too large or small: the scale's limits",
     {{Step::kHostResize, 10000, 10000}, {Step::kHostResize, 10, 10}},
     true,
     false,
     {},
     {{496, 1324}, {124, 331}},
     {},
     {124, 331},
     0.5f},
    {"a corner drag beyond the limit asks for the largest size",
     {{Step::kCornerDrag, 0, 0, 5.0f}},
     true,
     false,
     {{496, 1324}},
     {{496, 1324}},
     {},
     {496, 1324},
     2.0f},
};

TEST(SizeNegotiation, SettlesEachChangeBetweenSceneWindowAndHost) {
    for (const NegotiationCase& c : kCases) {
        SCOPED_TRACE(c.what);
        TestDelegate delegate;
        Graphics scene(delegate, 248, 662, 60, 1.0f);
        FakeHost host;
        FakeWindow window;
        SizeNegotiation negotiation(scene, host, window);
        host.negotiation = window.negotiation = &negotiation;
        host.accepts = c.accepts;
        host.echoes = c.echoes;
        scene.SetWindow(&window);
        negotiation.Opened(248, 662);
        scene.OpenScene();
        // Opening tells the host the editor's size once.
        ASSERT_EQ(host.asked, (std::vector<Size>{{248, 662}}));
        host.asked.clear();
        for (const Action& action : c.actions) {
            switch (action.step) {
                case Step::kHostResize:
                    EXPECT_TRUE(negotiation.HostResize(action.a, action.b));
                    break;
                case Step::kCornerDrag:
                    scene.Resize(248, 662, action.s, true);
                    break;
                case Step::kHome:
                    scene.Resize(248, 662, 1.0f, true);
                    break;
                case Step::kConfigure:
                    negotiation.WindowConfigured(action.a, action.b);
                    break;
                case Step::kScreenScale:
                    scene.SetScreenScale(action.s);
                    break;
            }
        }
        EXPECT_EQ(host.asked, c.asked);
        EXPECT_EQ(window.resized, c.resized);
        EXPECT_EQ(window.hostGrown, c.hostGrown);
        EXPECT_EQ((Size{negotiation.WindowWidth(), negotiation.WindowHeight()}), c.window);
        EXPECT_FLOAT_EQ(scene.DrawScale(), c.drawScale);
        scene.SetWindow(nullptr);
    }
}

TEST(SizeNegotiation, RefusesAHostSizeThatIsNotPositive) {
    TestDelegate delegate;
    Graphics scene(delegate, 248, 662, 60, 1.0f);
    FakeHost host;
    FakeWindow window;
    SizeNegotiation negotiation(scene, host, window);
    negotiation.Opened(248, 662);
    for (const Size size : {Size{0, 662}, Size{248, -1}, Size{0, 0}}) {
        EXPECT_FALSE(negotiation.HostResize(size.width, size.height));
    }
    EXPECT_TRUE(window.resized.empty());
    EXPECT_EQ(scene.DrawScale(), 1.0f);
}

}  // namespace
