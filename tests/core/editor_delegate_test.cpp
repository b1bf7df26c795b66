#include "core/editor_delegate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/byte_chunk.h"
#include "core/graphics_editor_delegate.h"
#include "core/midi_message.h"
#include "core/param.h"

namespace {

PluginConfig ConfigWith(int parameterCount) {
    PluginConfig config;
    config.parameterCount = parameterCount;
    config.editorWidth = 248;
    config.editorHeight = 662;
    config.editorMinWidth = 124;
    config.editorMaxWidth = 496;
    config.editorMinHeight = 331;
    config.editorMaxHeight = 1324;
    return config;
}

// Records every hook as one line, so a test compares the whole sequence.
class RecordingDelegate : public EditorDelegate {
public:
    using EditorDelegate::OnParamChange;
    explicit RecordingDelegate(const PluginConfig& config) : EditorDelegate(config) {}

    void OnEditorOpened() override {
        Log("opened");
        EditorDelegate::OnEditorOpened();
    }
    void OnEditorClosed() override { Log("closed"); }
    void OnParamChange(int paramIdx) override { Log("change " + std::to_string(paramIdx)); }
    void OnParamChange(int paramIdx, ParamSource source, int sampleOffset) override {
        Log("change " + std::to_string(paramIdx) + " " + ParamSourceName(source) + " " + std::to_string(sampleOffset));
        EditorDelegate::OnParamChange(paramIdx, source, sampleOffset);
    }
    void OnParamChangeInEditor(int paramIdx, ParamSource source) override {
        Log("in editor " + std::to_string(paramIdx) + " " + ParamSourceName(source));
    }
    void OnMidiInEditor(const MidiMessage& message) override { Log("midi " + std::to_string(message.status)); }
    void OnSysExInEditor(const SysExMessage& message) override { Log("sysex " + std::to_string(message.size)); }
    bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void*) override {
        Log("message " + std::to_string(msgTag) + " " + std::to_string(ctrlTag) + " " + std::to_string(dataSize));
        return false;
    }
    void SendParamValueToEditor(int paramIdx, double value, bool isNormalized) override {
        char text[64];
        std::snprintf(text, sizeof(text), "to editor %d %.3f %s", paramIdx, value, isNormalized ? "norm" : "real");
        Log(text);
        EditorDelegate::SendParamValueToEditor(paramIdx, value, isNormalized);
    }
    void BeginUIParamGesture(int paramIdx) override { Log("begin " + std::to_string(paramIdx)); }
    void EndUIParamGesture(int paramIdx) override { Log("end " + std::to_string(paramIdx)); }

    std::vector<std::string> TakeLog() { return std::exchange(mLog, {}); }

private:
    void Log(std::string line) { mLog.push_back(std::move(line)); }
    std::vector<std::string> mLog;
};

using Lines = std::vector<std::string>;

TEST(EditorDelegateTest, SizeLimitsAreStoredSortedOrKeptAtTheirDefaults) {
    struct Case {
        int minW, maxW, minH, maxH;
        int wantMinW, wantMaxW, wantMinH, wantMaxH;
    };
    const Case kCases[] = {
        {124, 496, 331, 1324, 124, 496, 331, 1324},
        {496, 124, 1324, 331, 124, 496, 331, 1324},
        {0, 0, 0, 0, kDefaultMinEditorSize, kDefaultMaxEditorSize, kDefaultMinEditorSize, kDefaultMaxEditorSize},
        {0, 300, 200, 0, 0, 300, 0, 200},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.minW << "/" << c.maxW << " " << c.minH << "/" << c.maxH);
        PluginConfig config = ConfigWith(0);
        config.editorMinWidth = c.minW;
        config.editorMaxWidth = c.maxW;
        config.editorMinHeight = c.minH;
        config.editorMaxHeight = c.maxH;
        RecordingDelegate delegate(config);
        EXPECT_EQ(delegate.MinEditorWidth(), c.wantMinW);
        EXPECT_EQ(delegate.MaxEditorWidth(), c.wantMaxW);
        EXPECT_EQ(delegate.MinEditorHeight(), c.wantMinH);
        EXPECT_EQ(delegate.MaxEditorHeight(), c.wantMaxH);
        EXPECT_EQ(delegate.EditorWidth(), 248);
        EXPECT_EQ(delegate.EditorHeight(), 662);
    }
}

TEST(EditorDelegateTest, CreatesTheConfiguredNumberOfDefaultParameters) {
    RecordingDelegate delegate(ConfigWith(11));
    EXPECT_EQ(delegate.NParams(), 11);
    ASSERT_NE(delegate.GetParam(10), nullptr);
    EXPECT_EQ(delegate.GetParam(10)->Type(), TypeNone);
    EXPECT_EQ(delegate.GetParam(11), nullptr);
    EXPECT_EQ(delegate.GetParam(-1), nullptr);
}

TEST(EditorDelegateTest, NotifyAllParamsChangedVisitsEveryParameterInOrderWithOffsetMinusOne) {
    RecordingDelegate delegate(ConfigWith(3));
    delegate.NotifyAllParamsChanged(ParamSource::Preset);
    EXPECT_EQ(delegate.TakeLog(), (Lines{
                                      "change 0 Preset -1", "change 0", "in editor 0 Preset",
                                      "change 1 Preset -1", "change 1", "in editor 1 Preset",
                                      "change 2 Preset -1", "change 2", "in editor 2 Preset",
                                  }));
}

TEST(EditorDelegateTest, DefaultOperationsLandInTheirHooks) {
    struct Case {
        const char* name;
        std::function<void(RecordingDelegate&)> call;
        Lines want;
    };
    const uint8_t sysexBytes[3] = {0xF0, 0x01, 0xF7};
    const Case kCases[] = {
        {"control message", [](RecordingDelegate& d) { d.SendControlMsgToEditor(7, 3, 12, nullptr); },
         {"message 3 7 12"}},
        {"arbitrary message", [](RecordingDelegate& d) { d.SendArbitraryMsgToEditor(5, 2, nullptr); },
         {"message 5 -1 2"}},
        {"midi", [](RecordingDelegate& d) { d.SendMidiToEditor(MidiMessage{0, 0x90, 60, 100}); }, {"midi 144"}},
        {"sysex", [&](RecordingDelegate& d) { d.SendSysExToEditor(SysExMessage{0, 3, sysexBytes}); },
         {"sysex 3"}},
        {"param value", [](RecordingDelegate& d) { d.SendParamValueToEditor(1, 0.25, true); },
         {"to editor 1 0.250 norm", "in editor 1 Editor Delegate"}},
        {"ui value", [](RecordingDelegate& d) { d.SendUIParamValue(1, 1.0); }, {"in editor 1 UI"}},
        {"ui value outside the table", [](RecordingDelegate& d) { d.SendUIParamValue(9, 1.0); }, {}},
        {"close", [](RecordingDelegate& d) { d.CloseWindow(); }, {"closed"}},
        {"state restored", [](RecordingDelegate& d) { d.NotifyEditorStateRestored(); },
         {"to editor 0 0.000 norm", "in editor 0 Editor Delegate", "to editor 1 0.000 norm",
          "in editor 1 Editor Delegate"}},
        {"ui message", [](RecordingDelegate& d) { d.SendUIMessage(1, 2, 3, nullptr); }, {}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        RecordingDelegate delegate(ConfigWith(2));
        c.call(delegate);
        EXPECT_EQ(delegate.TakeLog(), c.want);
    }
}

TEST(EditorDelegateTest, OpenWindowSendsCurrentValuesAndGivesNoView) {
    RecordingDelegate delegate(ConfigWith(2));
    delegate.GetParam(1)->DefineNumber("Level", 5.0, 0.0, 10.0, 0.5);
    int parent = 0;
    EXPECT_EQ(delegate.OpenWindow(&parent), nullptr);
    EXPECT_EQ(delegate.TakeLog(), (Lines{"opened", "to editor 0 0.000 norm", "in editor 0 Editor Delegate",
                                         "to editor 1 0.500 norm", "in editor 1 Editor Delegate"}));
}

TEST(EditorDelegateTest, UIValueSetsTheParameterFromItsNormalisedValue) {
    RecordingDelegate delegate(ConfigWith(1));
    delegate.GetParam(0)->DefineNumber("Level", 0.0, -10.0, 10.0, 0.1);
    delegate.SendUIParamValue(0, 0.75);
    EXPECT_DOUBLE_EQ(delegate.GetParam(0)->GetValue(), 5.0);
}

TEST(EditorDelegateTest, BaseEditorStateIsEmpty) {
    RecordingDelegate delegate(ConfigWith(1));
    ByteChunk chunk;
    EXPECT_TRUE(delegate.SaveEditorState(chunk));
    EXPECT_EQ(chunk.Size(), 0);
    EXPECT_EQ(delegate.LoadEditorState(chunk, 7), 7);
}

// ---- Graphics-owning delegate -------------------------------------------------

// Stands in for the editor's graphics context; the delegate only ever sees
// it as an opaque Graphics pointer.
struct FakeGraphics {
    int width = 248;
    int height = 662;
    float scale = 1.0f;
    bool windowOpen = false;
    std::vector<std::pair<int, double>> paramValues;
};

FakeGraphics& Fake(Graphics& graphics) { return *reinterpret_cast<FakeGraphics*>(&graphics); }
const FakeGraphics& Fake(const Graphics& graphics) { return *reinterpret_cast<const FakeGraphics*>(&graphics); }

class FakeBinding : public GraphicsBinding {
public:
    void DestroyGraphics(Graphics* graphics) override {
        ++destroyed;
        delete reinterpret_cast<FakeGraphics*>(graphics);
    }
    void EditorSize(const Graphics& graphics, int& width, int& height, float& scale) const override {
        width = Fake(graphics).width;
        height = Fake(graphics).height;
        scale = Fake(graphics).scale;
    }
    void Resize(Graphics& graphics, int width, int height, float scale, bool) override {
        ++resizes;
        Fake(graphics).width = width;
        Fake(graphics).height = height;
        Fake(graphics).scale = scale;
    }
    void* OpenPlatformWindow(Graphics& graphics, void*) override {
        Fake(graphics).windowOpen = true;
        if (onOpen) onOpen();
        return &graphics;
    }
    void ClosePlatformWindow(Graphics& graphics) override {
        Fake(graphics).windowOpen = false;
        if (onClose) onClose();
    }
    void SendParamValue(Graphics& graphics, int paramIdx, double normalizedValue) override {
        Fake(graphics).paramValues.emplace_back(paramIdx, normalizedValue);
    }

    int destroyed = 0;
    int resizes = 0;
    std::function<void()> onOpen;
    std::function<void()> onClose;
};

class TestGraphicsDelegate : public GraphicsEditorDelegate {
public:
    explicit TestGraphicsDelegate(const PluginConfig& config) : GraphicsEditorDelegate(config) {}
    void BeginUIParamGesture(int) override {}
    void EndUIParamGesture(int) override {}
};

class GraphicsEditorDelegateTest : public ::testing::Test {
protected:
    GraphicsEditorDelegateTest() : delegate(ConfigWith(2)) {
        delegate.SetGraphicsBinding(&binding);
        delegate.SetMakeGraphicsFunc([this]() {
            ++made;
            return reinterpret_cast<Graphics*>(new FakeGraphics);
        });
    }

    FakeGraphics* Live() { return reinterpret_cast<FakeGraphics*>(delegate.GetGraphics()); }

    static ByteChunk EditorState(int32_t width, int32_t height, float scale) {
        ByteChunk chunk;
        chunk.Put(&width);
        chunk.Put(&height);
        chunk.Put(&scale);
        return chunk;
    }

    FakeBinding binding;
    TestGraphicsDelegate delegate;
    int made = 0;
};

TEST_F(GraphicsEditorDelegateTest, ClosedEditorSavesZerosUntilASizeIsKnown) {
    ByteChunk chunk;
    EXPECT_TRUE(delegate.SaveEditorState(chunk));
    EXPECT_EQ(chunk, EditorState(0, 0, 0.0f));
}

TEST_F(GraphicsEditorDelegateTest, ClosedEditorRemembersALoadedSizeAndSavesItAgain) {
    ByteChunk state;
    const int32_t prefix = 99;
    state.Put(&prefix);
    state.PutChunk(EditorState(300, 800, 1.5f));
    EXPECT_EQ(delegate.LoadEditorState(state, 4), 16);
    EXPECT_EQ(delegate.SavedWidth(), 300);
    EXPECT_EQ(delegate.SavedHeight(), 800);
    EXPECT_FLOAT_EQ(delegate.SavedScale(), 1.5f);
    ByteChunk saved;
    delegate.SaveEditorState(saved);
    EXPECT_EQ(saved, EditorState(300, 800, 1.5f));
    EXPECT_EQ(made, 0);
}

TEST_F(GraphicsEditorDelegateTest, TruncatedEditorStateFailsAndZeroesWhatWasMissing) {
    const ByteChunk full = EditorState(300, 800, 1.5f);
    struct Case {
        int size;
        int wantWidth, wantHeight;
    };
    const Case kCases[] = {{0, 0, 0}, {3, 0, 0}, {4, 300, 0}, {8, 300, 800}, {11, 300, 800}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.size);
        ByteChunk cut = full;
        cut.Resize(c.size);
        EXPECT_EQ(delegate.LoadEditorState(cut, 0), -1);
        EXPECT_EQ(delegate.SavedWidth(), c.wantWidth);
        EXPECT_EQ(delegate.SavedHeight(), c.wantHeight);
        EXPECT_EQ(delegate.SavedScale(), 0.0f);
    }
    EXPECT_EQ(delegate.LoadEditorState(full, -1), -1);
}

TEST_F(GraphicsEditorDelegateTest, NonFiniteScaleFromTheStateCountsAsNone) {
    for (float scale : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(scale);
        EXPECT_EQ(delegate.LoadEditorState(EditorState(300, 800, scale), 0), 12);
        EXPECT_EQ(delegate.SavedScale(), 0.0f);
    }
}

TEST_F(GraphicsEditorDelegateTest, OpeningBuildsTheContextAtTheRememberedSize) {
    delegate.LoadEditorState(EditorState(300, 800, 1.5f), 0);
    int parent = 0;
    void* view = delegate.OpenWindow(&parent);
    ASSERT_NE(Live(), nullptr);
    EXPECT_EQ(view, Live());
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(Live()->windowOpen);
    EXPECT_EQ(Live()->width, 300);
    EXPECT_EQ(Live()->height, 800);
    EXPECT_FLOAT_EQ(Live()->scale, 1.5f);
}

TEST_F(GraphicsEditorDelegateTest, OpeningWithoutARememberedSizeKeepsTheContextsOwn) {
    int parent = 0;
    delegate.OpenWindow(&parent);
    ASSERT_NE(Live(), nullptr);
    EXPECT_EQ(binding.resizes, 0);
    EXPECT_EQ(Live()->width, 248);
}

TEST_F(GraphicsEditorDelegateTest, OpenEditorSavesItsLiveSizeAndResizesOnlyForACompleteState) {
    int parent = 0;
    delegate.OpenWindow(&parent);
    Live()->width = 372;
    Live()->height = 993;
    Live()->scale = 1.5f;
    ByteChunk saved;
    delegate.SaveEditorState(saved);
    EXPECT_EQ(saved, EditorState(372, 993, 1.5f));

    struct Case {
        int32_t width, height;
        float scale;
        bool resizes;
    };
    const Case kCases[] = {{0, 662, 1.0f, false}, {248, 0, 1.0f, false}, {248, 662, 0.0f, false},
                           {200, 500, 0.75f, true}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << "@" << c.scale);
        const int before = binding.resizes;
        EXPECT_EQ(delegate.LoadEditorState(EditorState(c.width, c.height, c.scale), 0), 12);
        EXPECT_EQ(binding.resizes - before, c.resizes ? 1 : 0);
    }
    EXPECT_EQ(Live()->width, 200);
    EXPECT_EQ(Live()->height, 500);
}

TEST_F(GraphicsEditorDelegateTest, ClosingRemembersTheSizeAndDeletesTheContextOnce) {
    int parent = 0;
    delegate.OpenWindow(&parent);
    Live()->width = 496;
    Live()->height = 1324;
    Live()->scale = 2.0f;
    binding.onClose = [this]() { delegate.CloseWindow(); };  // a platform close that calls back
    delegate.CloseWindow();
    EXPECT_EQ(delegate.GetGraphics(), nullptr);
    EXPECT_EQ(binding.destroyed, 1);
    EXPECT_EQ(delegate.SavedWidth(), 496);
    EXPECT_EQ(delegate.SavedHeight(), 1324);
    EXPECT_FLOAT_EQ(delegate.SavedScale(), 2.0f);

    binding.onClose = nullptr;
    delegate.OpenWindow(&parent);
    EXPECT_EQ(made, 2);
    EXPECT_EQ(Live()->width, 496);
    delegate.CloseWindow();
    delegate.CloseWindow();
    EXPECT_EQ(binding.destroyed, 2);
}

TEST_F(GraphicsEditorDelegateTest, ParameterValuesReachTheContextNormalisedOnlyWhileOpen) {
    delegate.GetParam(1)->DefineNumber("Level", 0.0, -10.0, 10.0, 0.1);
    delegate.SendParamValueToEditor(1, 5.0, false);  // closed: dropped
    int parent = 0;
    delegate.OpenWindow(&parent);
    delegate.SendParamValueToEditor(1, 5.0, false);
    delegate.SendParamValueToEditor(1, 0.25, true);
    delegate.SendParamValueToEditor(7, 0.25, true);  // outside the table
    EXPECT_EQ(Live()->paramValues, (std::vector<std::pair<int, double>>{{1, 0.75}, {1, 0.25}}));
}

TEST_F(GraphicsEditorDelegateTest, NoContextWithoutABinding) {
    TestGraphicsDelegate unbound(ConfigWith(1));
    unbound.SetMakeGraphicsFunc([this]() {
        ++made;
        return reinterpret_cast<Graphics*>(new FakeGraphics);
    });
    int parent = 0;
    EXPECT_EQ(unbound.OpenWindow(&parent), nullptr);
    EXPECT_EQ(unbound.GetGraphics(), nullptr);
    EXPECT_EQ(made, 0);
}

TEST_F(GraphicsEditorDelegateTest, LayoutRunsOnTheGivenContext) {
    Graphics* laidOut = nullptr;
    delegate.SetLayoutFunc([&](Graphics* graphics) { laidOut = graphics; });
    binding.onOpen = [this]() { delegate.ApplyLayout(delegate.GetGraphics()); };
    int parent = 0;
    delegate.OpenWindow(&parent);
    EXPECT_NE(laidOut, nullptr);
    EXPECT_EQ(laidOut, delegate.GetGraphics());
}

TEST_F(GraphicsEditorDelegateTest, DestroyingTheDelegateDeletesAnOpenContext) {
    {
        TestGraphicsDelegate scoped(ConfigWith(1));
        scoped.SetGraphicsBinding(&binding);
        scoped.SetMakeGraphicsFunc([]() { return reinterpret_cast<Graphics*>(new FakeGraphics); });
        int parent = 0;
        scoped.OpenWindow(&parent);
    }
    EXPECT_EQ(binding.destroyed, 1);
}

}  // namespace
