#include "core/plugin_api_base.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/host_identity.h"
#include "core/param.h"
#include "core/run_loop.h"

namespace {

PluginConfig TestConfig(bool hasEditor = true) {
    PluginConfig config;
    config.parameterCount = 3;
    config.presetCount = 1;
    config.pluginName = "Tarnwhistle";
    config.productName = "Tarnwhistle";
    config.manufacturerName = "Quernstoneworks";
    config.pluginVersion = 0x70000;
    config.uniqueID = FourCharCode("Twh1");
    config.manufacturerID = FourCharCode("Qnst");
    config.hasEditor = hasEditor;
    config.editorWidth = 248;
    config.editorHeight = 662;
    return config;
}

// Records what a host adapter and an editor would see, one line per call.
class RecordingPlugin : public PluginAPIBase {
public:
    using PluginAPIBase::OnParamChange;

    explicit RecordingPlugin(const PluginConfig& config = TestConfig()) : PluginAPIBase(config, kApiHPI) {
        GetParam(0)->DefineFrequency("Frequency", 1000.0, 20.0, 20000.0, 1.0);
        GetParam(1)->DefineNumber("Level", 0.0, -10.0, 10.0, 0.5);
        GetParam(2)->DefineBool("Switch", false);
    }

    void NotifyHostParamBegin(int paramIdx) override { Log("host begin %d", paramIdx); }
    void NotifyHostParamEnd(int paramIdx) override { Log("host end %d", paramIdx); }
    void NotifyHostParamValue(int paramIdx, double value) override {
        Log("host value %d %.3f (param %.3f)", paramIdx, value, GetParam(paramIdx)->GetNorm());
    }
    void OnParamChange(int paramIdx, ParamSource source, int sampleOffset) override {
        Log("change %d %s %d (param %.3f)", paramIdx, ParamSourceName(source), sampleOffset,
            GetParam(paramIdx)->GetNorm());
    }
    void OnParamChangeInEditor(int paramIdx, ParamSource source) override {
        Log("in editor %d %s", paramIdx, ParamSourceName(source));
    }
    void SendParamValueToEditor(int paramIdx, double value, bool isNormalized) override {
        editorValues.push_back({paramIdx, value, isNormalized});
    }
    void OnMidiInEditor(const MidiMessage& message) override { midiSeen.push_back(message); }
    void OnSysExInEditor(const SysExMessage& message) override {
        sysexSeen.emplace_back(message.data, message.data + message.size);
    }
    bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void*) override {
        Log("message %d %d %d", msgTag, ctrlTag, dataSize);
        return true;
    }
    bool RequestEditorSize(int width, int height) override {
        Log("request size %d %d", width, height);
        return true;
    }
    void PrepareForHost() override { Log("prepare for host %d", HostType()); }
    void OnHostKnown() override { Log("host known %d", HostType()); }
    void OnIdle() override { ++idleTicks; }

    std::vector<std::string> TakeLog() { return std::exchange(mLog, {}); }

    struct EditorValue {
        int paramIdx;
        double value;
        bool isNormalized;
    };
    std::vector<EditorValue> editorValues;
    std::vector<MidiMessage> midiSeen;
    std::vector<std::vector<uint8_t>> sysexSeen;
    int idleTicks = 0;

private:
    __attribute__((format(printf, 2, 3))) void Log(const char* format, ...) {
        char text[128];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof(text), format, args);
        va_end(args);
        mLog.emplace_back(text);
    }
    std::vector<std::string> mLog;
};

using Lines = std::vector<std::string>;

// The plug-in's idle timer runs on a loop that the test pumps.
class PluginAPIBaseTest : public ::testing::Test {
protected:
    PluginAPIBaseTest() { SetProcessRunLoop(&loop); }
    ~PluginAPIBaseTest() override { SetProcessRunLoop(nullptr); }

    void Tick() { loop.Advance(kIdleTimerPeriodMs); }

    ManualRunLoop loop;
};

TEST_F(PluginAPIBaseTest, QueueHolds512UpdatesBetweenTicksAndDropsTheNext) {
    RecordingPlugin plugin;
    plugin.CreateIdleTimer();
    for (int i = 0; i < 513; ++i) plugin.PostParamToEditor(1, -10.0 + 0.5 * (i % 41), false);
    Tick();
    ASSERT_EQ(plugin.editorValues.size(), 512u);
    for (int i = 0; i < 512; ++i) {
        EXPECT_EQ(plugin.editorValues[i].paramIdx, 1);
        EXPECT_EQ(plugin.editorValues[i].value, -10.0 + 0.5 * (i % 41)) << i;
        EXPECT_FALSE(plugin.editorValues[i].isNormalized);
    }
    plugin.editorValues.clear();
    Tick();
    EXPECT_TRUE(plugin.editorValues.empty());
    plugin.PostParamToEditor(2, 1.0, false);
    Tick();
    EXPECT_EQ(plugin.editorValues.size(), 1u);
}

TEST_F(PluginAPIBaseTest, NormalisedHostValueTravelsAsItsRealValue) {
    RecordingPlugin plugin;
    plugin.CreateIdleTimer();
    plugin.PostParamToEditor(0, 0.5, true);
    plugin.PostParamToEditor(9, 0.5, true);  // outside the table: dropped
    Tick();
    ASSERT_EQ(plugin.editorValues.size(), 1u);
    const double real = plugin.editorValues[0].value;
    EXPECT_NEAR(real, std::sqrt(20.0 * 20000.0), 1e-9);  // the geometric middle of 20..20000
    EXPECT_FALSE(plugin.editorValues[0].isNormalized);
    EXPECT_NEAR(plugin.GetParam(0)->ToNorm(real), 0.5, 1e-12);
}

TEST_F(PluginAPIBaseTest, TicksRunWithoutAnEditorButDeliverNothing) {
    RecordingPlugin plugin(TestConfig(false));
    plugin.CreateIdleTimer();
    plugin.PostParamToEditor(1, 5.0, false);
    plugin.PostMidiToEditor(MidiMessage{0, 0x90, 60, 100});
    Tick();
    Tick();
    EXPECT_EQ(plugin.idleTicks, 2);
    EXPECT_TRUE(plugin.editorValues.empty());
    EXPECT_TRUE(plugin.midiSeen.empty());
}

TEST_F(PluginAPIBaseTest, TicksKeepRunningAndDestructionStopsThem) {
    {
        RecordingPlugin plugin;
        plugin.CreateIdleTimer();
        for (int i = 0; i < 10; ++i) Tick();
        EXPECT_EQ(plugin.idleTicks, 10);
        plugin.CreateIdleTimer();  // replaces the running timer
        EXPECT_EQ(loop.TimerCount(), 1u);
        Tick();
        EXPECT_EQ(plugin.idleTicks, 11);
    }
    EXPECT_EQ(loop.TimerCount(), 0u);
    Tick();
}

TEST_F(PluginAPIBaseTest, MidiAndSysExForTheEditorArriveInOrderAndTheOverflowIsDropped) {
    RecordingPlugin plugin;
    plugin.CreateIdleTimer();
    for (int i = 0; i < kMidiQueueSize + 1; ++i) {
        EXPECT_EQ(plugin.PostMidiToEditor(MidiMessage{i, 0x90, static_cast<uint8_t>(i), 1}), i < kMidiQueueSize);
    }
    std::vector<std::vector<uint8_t>> sent;
    for (int i = 0; i < kSysExQueueSize + 1; ++i) {
        sent.push_back({0xF0, static_cast<uint8_t>(i), 0xF7});
        EXPECT_EQ(plugin.PostSysExToEditor(SysExMessage{i, 3, sent.back().data()}), i < kSysExQueueSize);
    }
    Tick();
    ASSERT_EQ(plugin.midiSeen.size(), static_cast<std::size_t>(kMidiQueueSize));
    for (int i = 0; i < kMidiQueueSize; ++i) EXPECT_EQ(plugin.midiSeen[i].data1, i);
    sent.pop_back();
    EXPECT_EQ(plugin.sysexSeen, sent);
}

TEST_F(PluginAPIBaseTest, EditorMidiAndSysExQueueForTheAudioThread) {
    RecordingPlugin plugin;
    for (int i = 0; i < kMidiQueueSize + 1; ++i) plugin.SendUIMidi(MidiMessage{i, 0xB0, 7, 64});
    MidiMessage midi;
    int midiCount = 0;
    while (plugin.PopMidiFromEditor(midi)) EXPECT_EQ(midi.offset, midiCount++);
    EXPECT_EQ(midiCount, kMidiQueueSize);

    std::vector<uint8_t> longMessage(600, 0x42);
    struct Case {
        const char* name;
        SysExMessage message;
        int wantSize;
        uint8_t wantByte;
    };
    const Case kCases[] = {
        {"cut to the record", SysExMessage{5, 600, longMessage.data()}, kMaxSysExBytes, 0x42},
        {"null data gives zeros", SysExMessage{6, 16, nullptr}, 16, 0},
        {"negative size", SysExMessage{7, -3, longMessage.data()}, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        plugin.SendUISysEx(c.message);
        SysExRecord record;
        ASSERT_TRUE(plugin.PopSysExFromEditor(record));
        EXPECT_EQ(record.offset, c.message.offset);
        EXPECT_EQ(record.size, c.wantSize);
        for (int i = 0; i < record.size; ++i) ASSERT_EQ(record.data[i], c.wantByte) << i;
    }
}

TEST_F(PluginAPIBaseTest, UIGestureTellsTheHostAndTheEngineBeforeTheEditor) {
    RecordingPlugin plugin;
    plugin.BeginUIParamGesture(1);
    plugin.SendUIParamValue(1, 0.75);
    plugin.EndUIParamGesture(1);
    plugin.SendUIParamValue(5, 0.75);  // outside the table
    EXPECT_EQ(plugin.TakeLog(), (Lines{
                                    "host begin 1",
                                    "host value 1 0.750 (param 0.750)",
                                    "change 1 UI -1 (param 0.750)",
                                    "in editor 1 UI",
                                    "host end 1",
                                }));
    EXPECT_DOUBLE_EQ(plugin.GetParam(1)->GetValue(), 5.0);
}

TEST_F(PluginAPIBaseTest, HostSideDefaults) {
    RecordingPlugin plugin;
    plugin.GetParam(1)->SetValue(5.0);
    plugin.PushAllValuesToHost();
    EXPECT_TRUE(plugin.NegotiateEditorSize(300, 800, false));
    EXPECT_TRUE(plugin.NegotiateEditorSize(372, 993, true));
    plugin.SendUIMessage(4, 9, 16, nullptr);
    EXPECT_EQ(plugin.TakeLog(), (Lines{
                                    "host value 0 0.566 (param 0.566)",
                                    "host value 1 0.750 (param 0.750)",
                                    "host value 2 0.000 (param 0.000)",
                                    "request size 372 993",
                                    "message 4 9 16",
                                }));
    EXPECT_EQ(plugin.ViewInterface(), nullptr);
}

TEST_F(PluginAPIBaseTest, SetHostRecordsCodeAndVersionThenTellsTheProduct) {
    RecordingPlugin plugin;
    EXPECT_EQ(plugin.HostType(), -1);
    EXPECT_EQ(plugin.HostVersion(false), 0);
    plugin.SetHost("REAPER64", (6 << 16) | (1 << 8) | 2);
    EXPECT_EQ(plugin.HostType(), 1);
    TextBuf text;
    plugin.HostVersionText(text);
    EXPECT_STREQ(text.Get(), "v6.1.2");
    EXPECT_EQ(plugin.HostVersion(true), 60102);
    EXPECT_EQ(plugin.HostVersion(false), 0x60102);
    EXPECT_EQ(plugin.TakeLog(), (Lines{"prepare for host 1", "host known 1"}));
    plugin.SetHost(nullptr, 0);
    EXPECT_EQ(plugin.HostType(), kHostUnknown);
}

// The editor's side, as seen by a graphics binding: values that reach the
// controls, normalised.
class ControlValuesBinding : public GraphicsBinding {
public:
    explicit ControlValuesBinding(EditorDelegate& delegate) : mDelegate(delegate) {}
    void DestroyGraphics(Graphics*) override {}
    void EditorSize(const Graphics&, int& width, int& height, float& scale) const override {
        width = 248;
        height = 662;
        scale = 1.0f;
    }
    void Resize(Graphics&, int, int, float, bool) override {}
    void* OpenPlatformWindow(Graphics& graphics, void*) override {
        mDelegate.OnEditorOpened();
        return &graphics;
    }
    void ClosePlatformWindow(Graphics&) override {}
    void SendParamValue(Graphics&, int paramIdx, double normalizedValue) override {
        values.emplace_back(paramIdx, normalizedValue);
    }

    std::vector<std::pair<int, double>> values;

private:
    EditorDelegate& mDelegate;
};

TEST_F(PluginAPIBaseTest, ValuesDrainedWhileClosedAreNotReplayedOnOpening) {
    PluginAPIBase plugin(TestConfig(), kApiHPI);
    plugin.GetParam(0)->DefineFrequency("Frequency", 1000.0, 20.0, 20000.0, 1.0);
    plugin.GetParam(1)->DefineNumber("Level", 0.0, -10.0, 10.0, 0.5);
    ControlValuesBinding binding(plugin);
    int graphicsStandIn = 0;
    plugin.SetGraphicsBinding(&binding);
    plugin.SetMakeGraphicsFunc([&]() { return reinterpret_cast<Graphics*>(&graphicsStandIn); });
    plugin.CreateIdleTimer();

    plugin.PostParamToEditor(1, 0.25, true);
    Tick();
    EXPECT_TRUE(binding.values.empty());

    plugin.GetParam(1)->SetValue(5.0);
    int parent = 0;
    ASSERT_NE(plugin.OpenWindow(&parent), nullptr);
    ASSERT_EQ(binding.values.size(), 3u);
    EXPECT_EQ(binding.values[1], std::make_pair(1, 0.75));
    binding.values.clear();
    Tick();
    EXPECT_TRUE(binding.values.empty());

    plugin.PostParamToEditor(0, 0.5, true);
    Tick();
    ASSERT_EQ(binding.values.size(), 1u);
    EXPECT_EQ(binding.values[0].first, 0);
    EXPECT_NEAR(binding.values[0].second, 0.5, 1e-12);
    plugin.CloseWindow();
}

TEST(HostIdentityTest, FirstKnownTextInTheLowercasedNameGivesTheCode) {
    struct Case {
        const char* name;
        int32_t code;
    };
    const Case kCases[] = {
        {"REAPER64", 1},
        {"Pro Tools", 0},  // the table knows only "protools"
        {"ProTools", 2},
        {"WaveLab Elements 11", 32},
        {"WaveLab 11", 31},
        {"Blue Cat's VST Host", 44},
        {"deliverer", 9},           // "live" comes early and wins
        {"Ableton Live 11", 9},
        {"Bitwig Studio", 34},
        {"iZotope RX 10", 42},
        {"Standalone", 24},
        {"www.example.com", 35},
        {"Reason Studios", 36},
        {"Reaper and Cubase", 1},   // order of the table, not of the name
        {"HPI Host", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name != nullptr ? c.name : "(null)");
        EXPECT_EQ(HostCodeOfName(c.name), c.code);
    }
}

TEST(HostIdentityTest, LongNamesAreCutNotOverflowed) {
    const std::string padding(994, 'x');
    EXPECT_EQ(HostCodeOfName(("Reaper" + padding).c_str()), 1);
    EXPECT_EQ(HostCodeOfName((padding + "Reaper").c_str()), 0);  // beyond the 255 characters searched
    EXPECT_EQ(HostCodeOfName((std::string(249, 'x') + "Reaper").c_str()), 1);
    EXPECT_EQ(HostCodeOfName((std::string(250, 'x') + "Reaper").c_str()), 0);
}

TEST_F(PluginAPIBaseTest, IdentityTexts) {
    RecordingPlugin plugin;
    TextBuf text;
    plugin.PluginVersionText(text);
    EXPECT_STREQ(text.Get(), "v7.0.0");
    EXPECT_EQ(plugin.PluginVersion(true), 70000);
    EXPECT_EQ(plugin.PluginVersion(false), 0x70000);
    EXPECT_STREQ(plugin.ApiName(), "HPI");
    EXPECT_STREQ(PluginAPIBase::ArchName(), "x86-64");
    plugin.BuildInfo(text, "Dec 10 2026", "03:39:22");
    EXPECT_STREQ(text.Get(), "v7.0.0 HPI (x86-64), built on Dec 10 2026 at 03:39 ");
    plugin.BuildInfo(text, nullptr, nullptr);
    EXPECT_STREQ(text.Get(), "v7.0.0 HPI (x86-64), built on  at  ");
    plugin.BuildInfo(text, std::string(400, 'd').c_str(), "03:39:22");
    EXPECT_EQ(text.Length(), kMaxBuildInfoChars);
}

TEST(PluginVersionTextTest, PackedVersionsReadAsMajorMinorPatch) {
    struct Case {
        int32_t packed;
        const char* text;
        int32_t decimal;
    };
    const Case kCases[] = {
        {0x70000, "v7.0.0", 70000}, {0x10203, "v1.2.3", 10203}, {0, "v0.0.0", 0}, {0x7FFFFFFF, "v32767.255.255", 327695755},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        TextBuf text;
        FormatPackedVersion(c.packed, text);
        EXPECT_STREQ(text.Get(), c.text);
        EXPECT_EQ(DecimalVersion(c.packed), c.decimal);
    }
}

TEST_F(PluginAPIBaseTest, ApiNamesByCode) {
    const char* const kNames[] = {"VST2", "VST3", "AU", "AUv3", "HPI", "APP", "WAM", "WEB", "LV2", "CLAP"};
    for (int32_t code = -1; code <= 10; ++code) {
        SCOPED_TRACE(code);
        PluginAPIBase plugin(TestConfig(), code);
        EXPECT_STREQ(plugin.ApiName(), (code >= 0 && code < 10) ? kNames[code] : "");
    }
}

}  // namespace
