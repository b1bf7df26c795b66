// Port symbols and the port layout shared by the adapter and the Turtle.
#include "lv2/lv2_ports.h"

#include <gtest/gtest.h>

#include <set>

#include "core/param_table.h"

namespace {

TEST(LV2Symbols, ComeFromTheNamesAsCIdentifiers) {
    struct Case {
        const char* name;
        const char* symbol;
    };
    const Case kCases[] = {
        {"Preamp Gain", "preamp_gain"},
        {"HighPass", "highpass"},
        {"Mid Freq", "mid_freq"},
        {"3 Band EQ", "_3_band_eq"},
        {"  Drive (dB)  ", "drive_db"},
        {"a--b", "a_b"},
        {"\xC3\x96lpegel", "lpegel"},
        {"", "param"},
        {"%%%", "param"},
        {nullptr, "param"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name != nullptr ? c.name : "(null)");
        EXPECT_EQ(SymbolOfName(c.name), c.symbol);
    }
}

TEST(LV2Symbols, AreUniqueAcrossParamsLatencyAudioAndAtomPorts) {
    ParamTable params(7);
    params.GetParam(0)->DefineNumber("Gain", 0, -1, 1, 0.1);
    params.GetParam(1)->DefineNumber("gain", 0, -1, 1, 0.1);
    params.GetParam(2)->DefineNumber("Latency", 0, 0, 1, 0.1);
    params.GetParam(3)->DefineNumber("In", 0, 0, 1, 0.1);
    params.GetParam(4)->DefineNumber("Gain 2", 0, 0, 1, 0.1);
    params.GetParam(5)->DefineNumber("Control", 0, 0, 1, 0.1);
    params.GetParam(6)->DefineNumber("Notify", 0, 0, 1, 0.1);
    const LV2PortLayout layout{7, 1, 1};
    const std::vector<std::string> symbols = ParamSymbols(params, layout);
    EXPECT_EQ(symbols, (std::vector<std::string>{"gain", "gain_2", "latency_2", "in_2", "gain_2_2",
                                                 "control_2", "notify_2"}));
    std::set<std::string> all(symbols.begin(), symbols.end());
    all.insert({kLatencyPortSymbol, kEventInputPortSymbol, kEventOutputPortSymbol,
                AudioPortSymbol(true, 0, 1), AudioPortSymbol(false, 0, 1)});
    EXPECT_EQ(all.size(), symbols.size() + 5);
}

TEST(LV2Layout, ControlsThenLatencyThenInputsThenOutputsThenAtomPorts) {
    const LV2PortLayout layout{11, 2, 2};
    struct Case {
        int64_t index;
        LV2PortKind kind;
        int number;
    };
    const Case kCases[] = {
        {-1, LV2PortKind::kNone, -1},         {0, LV2PortKind::kControlInput, 0},
        {10, LV2PortKind::kControlInput, 10}, {11, LV2PortKind::kLatencyOutput, -1},
        {12, LV2PortKind::kAudioInput, 0},    {13, LV2PortKind::kAudioInput, 1},
        {14, LV2PortKind::kAudioOutput, 0},   {15, LV2PortKind::kAudioOutput, 1},
        {16, LV2PortKind::kEventInput, -1},   {17, LV2PortKind::kEventOutput, -1},
        {18, LV2PortKind::kNone, -1},         {int64_t{1} << 40, LV2PortKind::kNone, -1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(layout.KindOf(c.index), c.kind);
        EXPECT_EQ(layout.ChannelOrParamOf(c.index), c.number);
    }
    EXPECT_EQ(layout.EventInputPort(), 16);
    EXPECT_EQ(layout.EventOutputPort(), 17);
    EXPECT_EQ(layout.PortCount(), 18);
}

TEST(LV2AudioPorts, AreNamedByChannelCount) {
    EXPECT_EQ(AudioPortSymbol(true, 0, 1), "in");
    EXPECT_EQ(AudioPortName(false, 0, 1), "Output");
    EXPECT_EQ(AudioPortSymbol(false, 1, 2), "out_r");
    EXPECT_EQ(AudioPortName(true, 0, 2), "Input L");
    EXPECT_EQ(AudioPortSymbol(true, 3, 6), "in_4");
    EXPECT_EQ(AudioPortName(false, 5, 6), "Output 6");
}

}  // namespace
