// Feeds arbitrary text to ParseChannelConfigs, then builds a processor from
// it and asks every channel-configuration question of it with the parsed
// configurations themselves and with out-of-range indices, and runs one block
// through its channel slots. Checked: the count and maxima agree with the
// configurations, bus counts and totals stay within their limits, every
// configuration is legal for its own totals and found by its own bus lists.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/channel_config.h"
#include "core/plugin_config.h"
#include "core/plugin_processor.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "channel config fuzzer: %s\n", what);
        std::abort();
    }
}

std::vector<int> BusChannels(const std::vector<BusSpec>& buses) {
    std::vector<int> counts;
    for (const BusSpec& bus : buses) {
        counts.push_back(bus.channelCount);
    }
    return counts;
}

void CheckSide(const std::vector<BusSpec>& buses, Direction direction, int32_t total) {
    int64_t sum = 0;
    for (const BusSpec& bus : buses) {
        Check(bus.direction == direction, "bus filed under the wrong direction");
        Check(bus.channelCount == kAnyChannels || (bus.channelCount > 0 && bus.channelCount <= kMaxChannelsPerDirection),
              "bus channel count out of range");
        sum += bus.channelCount;
    }
    Check(sum == total, "total is not the sum of the buses");
    Check(total <= kMaxChannelsPerDirection, "total above the limit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4096));

    std::vector<ChannelConfig> configs;
    int maxIn = -1, maxOut = -1, maxInBuses = -1, maxOutBuses = -1;
    const int count = ParseChannelConfigs(text.c_str(), configs, maxIn, maxOut, maxInBuses, maxOutBuses);
    Check(count == static_cast<int>(configs.size()), "count is not the number of configurations");
    int expectIn = 0, expectOut = 0, expectInBuses = 0, expectOutBuses = 0;
    for (const ChannelConfig& config : configs) {
        CheckSide(config.inputBuses, DirInput, config.inputTotal);
        CheckSide(config.outputBuses, DirOutput, config.outputTotal);
        expectIn = std::max(expectIn, config.inputTotal);
        expectOut = std::max(expectOut, config.outputTotal);
        expectInBuses = std::max(expectInBuses, config.BusCount(DirInput));
        expectOutBuses = std::max(expectOutBuses, config.BusCount(DirOutput));
    }
    Check(maxIn == expectIn && maxOut == expectOut, "channel maxima");
    Check(maxInBuses == expectInBuses && maxOutBuses == expectOutBuses, "bus maxima");

    PluginConfig pluginConfig;
    pluginConfig.channelIOString = text.c_str();
    pluginConfig.latency = 3;
    PluginProcessor processor(pluginConfig);
    Check(processor.ConfigCount() == count, "processor configuration count");
    Check(processor.MaxChannels(DirInput) == maxIn && processor.MaxChannels(DirOutput) == maxOut, "slot counts");
    for (int i = 0; i < count; ++i) {
        const ChannelConfig& config = configs[static_cast<size_t>(i)];
        Check(processor.LegalIO(config.inputTotal, config.outputTotal), "a configuration is illegal for its totals");
        const std::vector<int> in = BusChannels(config.inputBuses);
        const std::vector<int> out = BusChannels(config.outputBuses);
        const int found = processor.ConfigIndexForBusChannels(in, out);
        Check(found >= 0 && found <= i, "a configuration is not found by its own buses");
        const ChannelConfig& match = configs[static_cast<size_t>(found)];
        Check(BusChannels(match.inputBuses) == in && BusChannels(match.outputBuses) == out, "found the wrong buses");
    }
    for (const Direction direction : {DirInput, DirOutput}) {
        int last = -1;
        const int buses = processor.MaxBusCount(direction, &last);
        Check(buses == (direction == DirInput ? maxInBuses : maxOutBuses), "MaxBusCount");
        Check(last >= 0 && (count == 0 || last < count), "MaxBusCount index");
        for (int bus = -2; bus <= buses + 2; ++bus) {
            const int channels = processor.MaxChannelsOfBus(direction, bus);
            Check(channels >= -1 && channels <= kMaxChannelsPerDirection, "MaxChannelsOfBus");
        }
    }
    processor.LegalIO(-1, -1);
    processor.LegalIO(kMaxChannelsPerDirection + 1, 0);

    // One block through every slot, the host supplying no buffers at all.
    constexpr int kFrames = 16;
    processor.SetBlockSize(kFrames);
    processor.ConnectChannels(DirInput, 0, maxIn, true);
    processor.ConnectChannels(DirOutput, 0, maxOut, true);
    processor.AttachHostBuffers(DirInput, 0, maxIn, static_cast<float* const*>(nullptr), kFrames);
    processor.AttachHostBuffers(DirOutput, 0, maxOut, static_cast<float* const*>(nullptr), kFrames);
    processor.ProcessHostBuffers(kFrames);
    processor.BypassHostBuffers(kFrames);
    return 0;
}
