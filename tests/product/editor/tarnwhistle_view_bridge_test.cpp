// The editor as an HPI host opens it: through the GUI object and a view
// container of the host's, with the host's sizes, highlights, modifier keys
// and the clicks the host takes for itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/run_loop.h"
#include "editor/control.h"
#include "editor/editor_clock.h"
#include "editor/graphics_binding.h"
#include "editor/headless/headless_window.h"
#include "fake_host.h"
#include "hpi/plugin_gui.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "product/channel_parameters.h"
#include "tarnwhistle.h"
#include "test_pictures.h"
#include "test_plugins.h"

namespace {

using test_plugins::PlugRef;

class StepClock : public EditorClock {
public:
    double NowMs() const override { return now; }
    double now = 1000.0;
};

// The host's instance object as a GUI object meets it: the fake host's
// controller and automation, and the plug-in as its effect parameters.
class GuiInstance : public fake_host::FakeInstance {
public:
    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override {
        if (out != nullptr && iid == HPI_IEffectParameters::kInterfaceID && effect != nullptr) {
            effect->AddRef();
            *out = effect;
            return HPI_SUCCESS;
        }
        return fake_host::FakeInstance::QueryInterface(iid, out);
    }
    HPI_IEffectParameters* effect = nullptr;
};

// A host view container that records what the editor asks of it.
class FakeViewContainer final : public HPI_IViewContainerV2 {
public:
    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override {
        if (out == nullptr) return HPI_ERROR_NULL_ARGUMENT;
        *out = nullptr;
        if (iid == HPI_IUnknown::kInterfaceID || iid == HPI_IViewContainer::kInterfaceID ||
            (iid == HPI_IViewContainerV2::kInterfaceID && offersSecondVersion)) {
            *out = static_cast<HPI_IViewContainerV2*>(this);
            AddRef();
            return HPI_SUCCESS;
        }
        return HPI_ERROR_UNKNOWN_ID;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++references); }
    uint32_t Release() override { return static_cast<uint32_t>(--references); }
    void* GetNativeParentView() override { return parent; }
    HPI_Result SetViewSize(const HPI_SViewPoint& size) override {
        sizes.push_back(size);
        return HPI_SUCCESS;
    }
    HPI_Result GetModifiers(uint32_t* outModifiers) override {
        *outModifiers = hostModifiers;
        return HPI_SUCCESS;
    }
    HPI_Result HandleParameterMouseDown(const char* id, uint32_t modifiers) override {
        mouseDowns.push_back(std::string(id) + ":" + std::to_string(modifiers));
        return takesClicks ? HPI_SUCCESS : HPI_ERROR_UNIMPLEMENTED;
    }

    void* parent = reinterpret_cast<void*>(uintptr_t{0x51});
    bool offersSecondVersion = true;
    bool takesClicks = false;
    uint32_t hostModifiers = 0;
    int references = 0;
    std::vector<HPI_SViewPoint> sizes;
    std::vector<std::string> mouseDowns;
};

class ViewBridge : public testing::Test {
protected:
    ViewBridge() {
        SetProcessRunLoop(&loop);
        SetEditorClock(&clock);
        HeadlessWindow::Attach(*plug);
        instance.answerRequests = plug;
        plug->Initialize(static_cast<HPI_IController*>(&instance));
        instance.effect = plug;
        EXPECT_EQ(gui->Initialize(static_cast<HPI_IController*>(&instance)), HPI_SUCCESS);
    }
    ~ViewBridge() override {
        gui->Uninitialize();
        gui->Release();
        EXPECT_EQ(container.references, 0);
        owner.reset();
        SetEditorClock(nullptr);
        SetProcessRunLoop(nullptr);
    }

    HeadlessWindow* Window() { return HeadlessWindow::Of(*plug); }
    HeadlessWindow& OpenInContainer() {
        EXPECT_EQ(gui->SetViewContainer(&container), HPI_SUCCESS);
        HeadlessWindow* window = Window();
        if (window == nullptr) std::abort();
        window->Tick();
        return *window;
    }
    Control* ControlOf(HeadlessWindow& window, int paramIdx) {
        for (int i = 1; i < window.NControls(); ++i) {
            if (window.GetControl(i)->GetParamIdx() == paramIdx) return window.GetControl(i);
        }
        return nullptr;
    }

    test_pictures::ScopedWorkingDirectory pictures{test_pictures::ProductPictureFolder()};
    ManualRunLoop loop;
    StepClock clock;
    GuiInstance instance;
    std::unique_ptr<PlugRef<Tarnwhistle>> owner =
        std::make_unique<PlugRef<Tarnwhistle>>(static_cast<Tarnwhistle*>(MakePlug(InstanceInfo{})));
    Tarnwhistle* plug = owner->get();
    HPI_CPluginGUI* gui = new HPI_CPluginGUI();  // one reference, ours
    FakeViewContainer container;
};

TEST_F(ViewBridge, TheViewSizeIsTheEditorsDefaultBeforeItFirstOpens) {
    HPI_SViewPoint size{-1.0f, -1.0f};
    EXPECT_EQ(gui->GetViewSize(&size), HPI_SUCCESS);
    EXPECT_EQ(size.mVertical, 662.0f);
    EXPECT_EQ(size.mHorizontal, 248.0f);
    EXPECT_EQ(gui->GetViewSize(nullptr), HPI_ERROR_NULL_ARGUMENT);
}

TEST_F(ViewBridge, AnInstanceWithoutControllerLeavesTheGuiUninitialised) {
    HPI_CPluginGUI* bare = new HPI_CPluginGUI();
    EXPECT_EQ(bare->Initialize(nullptr), HPI_ERROR_NOT_INITIALIZED);
    // Without the plug-in nothing opens and the size stays the host's.
    EXPECT_EQ(bare->SetViewContainer(&container), HPI_SUCCESS);
    HPI_SViewPoint size{1.0f, 2.0f};
    bare->GetViewSize(&size);
    EXPECT_EQ(size.mVertical, 1.0f);
    EXPECT_EQ(bare->SetViewContainer(nullptr), HPI_SUCCESS);
    bare->Release();
    EXPECT_EQ(Window(), nullptr);
}

TEST_F(ViewBridge, TheContainerOpensTheEditorItsWithdrawalClosesItAndItReopens) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        HeadlessWindow& window = OpenInContainer();
        EXPECT_TRUE(window.IsOpen());
        EXPECT_EQ(window.NControls(), 12);
        EXPECT_EQ(gui->SetViewContainer(nullptr), HPI_SUCCESS);
        EXPECT_EQ(Window(), nullptr);
        // A second withdrawal finds nothing to close.
        EXPECT_EQ(gui->SetViewContainer(nullptr), HPI_SUCCESS);
        EXPECT_EQ(container.references, 0);
    }
    // A container without a native parent view opens nothing but is kept.
    container.parent = nullptr;
    EXPECT_EQ(gui->SetViewContainer(&container), HPI_SUCCESS);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_GT(container.references, 0);
}

TEST_F(ViewBridge, AKnobDragThroughTheContainerIsOneTouchAndOneReleaseForTheHost) {
    HeadlessWindow& window = OpenInContainer();
    const Bounds gain = ControlOf(window, kPreampGain)->GetBounds();
    instance.calls.clear();
    window.Press((gain.left + gain.right) / 2, (gain.top + gain.bottom) / 2);
    for (int step = 0; step < 3; ++step) window.Drag(0, -10);
    window.Release();
    // One touch first and one release last around the editor's gesture.
    ASSERT_FALSE(instance.calls.empty());
    EXPECT_EQ(instance.calls.front(), "touch:1");
    EXPECT_EQ(instance.calls.back(), "release:1");
    EXPECT_GT(plug->GetParam(kPreampGain)->GetNorm(), 0.5);
    // The editor asked the host about the press, which left it to the editor.
    EXPECT_EQ(container.mouseDowns, std::vector<std::string>{"1:0"});
}

TEST_F(ViewBridge, TheHostSeesTheEditorsModifiersInItsOwnBitsAndMayTakeTheClick) {
    struct Case {
        const char* name;
        MouseModifiers editor;
        uint32_t hostHeld;
        bool takes;
        const char* expected;  // identifier and host bits
        bool moves;            // a left drag the host left to the knob
    };
    MouseModifiers alt;
    alt.alt = true;
    MouseModifiers control;
    control.control = true;
    MouseModifiers shiftRight;
    shiftRight.shift = true;
    shiftRight.right = true;
    const Case cases[] = {
        {"alt, taken", alt, 0, true, "2:4", false},
        {"control", control, 0, false, "2:2", true},
        {"shift and right button", shiftRight, 0, false, "2:17", false},
        {"host holds control and super",
         {},
         HPI_eModifierKey_Control | HPI_eModifierKey_Super,
         true,
         "2:2",
         false},
    };
    HeadlessWindow& window = OpenInContainer();
    Control* trim = ControlOf(window, kOutputTrim);
    const Bounds b = trim->GetBounds();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        container.mouseDowns.clear();
        container.hostModifiers = c.hostHeld;
        container.takesClicks = c.takes;
        const double before = plug->GetParam(kOutputTrim)->GetNorm();
        window.Press((b.left + b.right) / 2, (b.top + b.bottom) / 2, c.editor);
        window.Drag(0, -20, c.editor);
        window.Release(c.editor);
        EXPECT_EQ(container.mouseDowns, std::vector<std::string>{c.expected});
        // A click the host took leaves the knob alone.
        EXPECT_EQ(plug->GetParam(kOutputTrim)->GetNorm() != before, c.moves);
    }
}

TEST_F(ViewBridge, AContainerWithoutTheSecondVersionLeavesEveryClickToTheEditor) {
    container.offersSecondVersion = false;
    HeadlessWindow& window = OpenInContainer();
    const Bounds b = ControlOf(window, kOutputTrim)->GetBounds();
    MouseModifiers alt;
    alt.alt = true;
    window.Press((b.left + b.right) / 2, (b.top + b.bottom) / 2, alt);
    window.Drag(0, -20, alt);
    window.Release(alt);
    EXPECT_NE(plug->GetParam(kOutputTrim)->GetNorm(), 0.5);
}

TEST_F(ViewBridge, ADoubleClickOnAKnobReachesTheHostOnlyAsItsFirstPress) {
    HeadlessWindow& window = OpenInContainer();
    const Bounds b = ControlOf(window, kOutputTrim)->GetBounds();
    const float x = (b.left + b.right) / 2, y = (b.top + b.bottom) / 2;
    window.Press(x, y);
    window.Drag(0, -20);
    window.Release();
    const double moved = plug->GetParam(kOutputTrim)->GetNorm();
    container.mouseDowns.clear();
    instance.calls.clear();
    window.Press(x, y);
    window.Release();
    EXPECT_TRUE(window.DoubleClick(x, y));
    window.Release();
    // The HPI container has no double click: the knob keeps its value and
    // the host hears only the first click's touch and release.
    EXPECT_EQ(container.mouseDowns, std::vector<std::string>{"2:0"});
    EXPECT_EQ(plug->GetParam(kOutputTrim)->GetNorm(), moved);
    EXPECT_EQ(instance.calls, (std::vector<std::string>{"touch:2", "release:2"}));
}

TEST_F(ViewBridge, HighlightsMarkTheParametersControlsInTheHostsColour) {
    EXPECT_EQ(gui->SetControlHighlightInfo("3", 1, HPI_eHighlightColor_Red),
              HPI_ERROR_INVALID_PARAMETER_ID);
    HeadlessWindow& window = OpenInContainer();
    struct Case {
        int32_t colour;
        Color shown;
    };
    const Case cases[] = {
        {HPI_eHighlightColor_Yellow, {255, 255, 255, 0}},
        {HPI_eHighlightColor_Green, {255, 0, 255, 0}},
        {HPI_eHighlightColor_Blue, {255, 0, 0, 255}},
        {HPI_eHighlightColor_Red, {255, 255, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colour);
        // Identifier "3" is Param 2, "1" Param 0.
        EXPECT_EQ(gui->SetControlHighlightInfo("3", 1, c.colour), HPI_SUCCESS);
        EXPECT_TRUE(ControlOf(window, 2)->IsHighlighted());
        EXPECT_EQ(ControlOf(window, 2)->HighlightColor(), c.shown);
        EXPECT_FALSE(ControlOf(window, 0)->IsHighlighted());
    }
    EXPECT_EQ(gui->SetControlHighlightInfo("1", 1, HPI_eHighlightColor_Blue), HPI_SUCCESS);
    EXPECT_TRUE(ControlOf(window, 0)->IsHighlighted());
    EXPECT_EQ(gui->SetControlHighlightInfo("3", 0, HPI_eHighlightColor_Blue), HPI_SUCCESS);
    EXPECT_FALSE(ControlOf(window, 2)->IsHighlighted());
    for (const auto& [id, colour] :
         {std::pair<const char*, int32_t>{"99", 0}, {"", 0}, {"2", 4}, {"2", -1}}) {
        EXPECT_EQ(gui->SetControlHighlightInfo(id, 1, colour), HPI_ERROR_INVALID_ARGUMENT)
            << id << colour;
    }
    EXPECT_EQ(gui->SetControlHighlightInfo(nullptr, 1, 0), HPI_ERROR_INVALID_ARGUMENT);
}

TEST_F(ViewBridge, TheCornerResizerAsksTheHostForTheNewSizeOnlyWhenItChanges) {
    HeadlessWindow& window = OpenInContainer();
    container.sizes.clear();
    window.Press(238, 652);
    window.Drag(119, 652);  // one and a half times
    window.Release();
    ASSERT_FALSE(container.sizes.empty());
    EXPECT_EQ(container.sizes.back().mVertical, 993.0f);
    EXPECT_EQ(container.sizes.back().mHorizontal, 372.0f);
    HPI_SViewPoint size{};
    gui->GetViewSize(&size);
    EXPECT_EQ(size.mVertical, 993.0f);
    EXPECT_EQ(size.mHorizontal, 372.0f);
    // The size the host already has sends nothing, and is still agreed.
    const size_t sent = container.sizes.size();
    EXPECT_TRUE(plug->RequestEditorSize(372, 993));
    EXPECT_EQ(container.sizes.size(), sent);
    // Withdrawn and reopened, the editor keeps its size.
    gui->SetViewContainer(nullptr);
    // Nobody took it: the editor's window would resize its parents itself.
    EXPECT_FALSE(plug->RequestEditorSize(300, 800));
    EXPECT_EQ(container.sizes.size(), sent);
}

}  // namespace
