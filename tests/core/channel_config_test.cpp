#include "core/channel_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes the parsed buses back in the I/O-string grammar, configurations
// joined by "|", so a case states its expected parse in one readable text.
std::string Describe(const std::vector<ChannelConfig>& configs) {
    std::string text;
    for (const ChannelConfig& config : configs) {
        if (!text.empty()) {
            text += "|";
        }
        for (Direction direction : {DirInput, DirOutput}) {
            if (direction == DirOutput) {
                text += "-";
            }
            bool first = true;
            for (const BusSpec& bus : config.Buses(direction)) {
                EXPECT_EQ(bus.direction, direction);
                text += first ? "" : ".";
                text += bus.channelCount == kAnyChannels ? "*" : std::to_string(bus.channelCount);
                first = false;
            }
        }
    }
    return text;
}

struct ParseCase {
    const char* text;
    const char* parsed;     // Describe() of the configurations
    int maxInputs, maxOutputs, maxInputBuses, maxOutputBuses;
};

const ParseCase kParseCases[] = {
    {"1-1 2-2", "1-1|2-2", 2, 2, 1, 1},
    {"2-2 *-*", "2-2|*-*", 2, 2, 1, 1},
    {"0-2", "-2", 0, 2, 0, 1},
    {"2.1-2", "2.1-2", 3, 2, 2, 1},
    {"1-1 2.2-2.2.2", "1-1|2.2-2.2.2", 4, 6, 2, 3},
    {"2-2.0.2", "2-2.2", 2, 4, 1, 2},          // a 0 field adds no bus
    // Lenient reading of text the product would never write.
    {"", "", 0, 0, 0, 0},
    {"   ", "", 0, 0, 0, 0},
    {"  1-1   2-2 ", "1-1|2-2", 2, 2, 1, 1},
    {"2", "2-", 2, 0, 1, 0},                   // no "-": all input
    {"-", "-", 0, 0, 0, 0},
    {"1-2-3", "1-2", 1, 2, 1, 1},              // a second "-" ends the outputs
    {"x-2 2ch-+1", "-2|2-1", 2, 2, 1, 1},      // leading number only, as "%d"
    {"**-*.2", "-*.2", 0, 0, 0, 2},            // only an exact "*" means any
    {"99999999999999999999-2", "1024-2", 1024, 2, 1, 1},
    {"1000.1000.5-1", "1000.24-1", 1024, 1, 2, 1},  // the total is cut, not wrapped
};

TEST(ParseChannelConfigs, ReadsBusesAndMaxima) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.text);
        std::vector<ChannelConfig> configs(3);   // stale content is replaced
        int maxIn = -1, maxOut = -1, maxInBuses = -1, maxOutBuses = -1;
        const int count = ParseChannelConfigs(c.text, configs, maxIn, maxOut, maxInBuses, maxOutBuses);
        EXPECT_EQ(count, static_cast<int>(configs.size()));
        EXPECT_EQ(Describe(configs), c.parsed);
        EXPECT_EQ(maxIn, c.maxInputs);
        EXPECT_EQ(maxOut, c.maxOutputs);
        EXPECT_EQ(maxInBuses, c.maxInputBuses);
        EXPECT_EQ(maxOutBuses, c.maxOutputBuses);
    }
}

TEST(ParseChannelConfigs, TotalsCountAnyAsMinus64) {
    struct TotalCase { const char* text; int inputTotal, outputTotal; };
    const TotalCase kTotals[] = {
        {"2-2", 2, 2}, {"*-*", -64, -64}, {"2.*-1", -62, 1}, {"0-2", 0, 2}, {"4", 4, 0},
    };
    for (const TotalCase& c : kTotals) {
        SCOPED_TRACE(c.text);
        std::vector<ChannelConfig> configs;
        int a, b, d, e;
        ASSERT_EQ(ParseChannelConfigs(c.text, configs, a, b, d, e), 1);
        EXPECT_EQ(configs[0].ChannelTotal(DirInput), c.inputTotal);
        EXPECT_EQ(configs[0].ChannelTotal(DirOutput), c.outputTotal);
    }
}

TEST(ParseChannelConfigs, NullTextGivesNoConfiguration) {
    std::vector<ChannelConfig> configs(2);
    int maxIn = 7, maxOut = 7, maxInBuses = 7, maxOutBuses = 7;
    EXPECT_EQ(ParseChannelConfigs(nullptr, configs, maxIn, maxOut, maxInBuses, maxOutBuses), 0);
    EXPECT_TRUE(configs.empty());
    EXPECT_EQ(maxIn + maxOut + maxInBuses + maxOutBuses, 0);
}

}  // namespace
