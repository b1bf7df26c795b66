#include "core/channel_config.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <utility>

namespace {

// Reads a bus field the way "%d" would, without its overflow: white space, an
// optional "+", then digits; anything else ends the number. Values saturate at
// kMaxChannelsPerDirection.
int32_t ReadChannelCount(std::string_view field) {
    if (field == "*") {
        return kAnyChannels;
    }
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) {
        ++i;
    }
    if (i < field.size() && field[i] == '+') {
        ++i;
    }
    int64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = std::min<int64_t>(value * 10 + (field[i] - '0'), kMaxChannelsPerDirection);
    }
    return static_cast<int32_t>(value);
}

// Adds the "."-separated bus fields of one side of a configuration.
void ParseSide(std::string_view side, Direction direction, std::vector<BusSpec>& buses,
               int32_t& total) {
    int64_t sum = 0;
    std::size_t start = 0;
    while (start <= side.size()) {
        std::size_t end = side.find('.', start);
        if (end == std::string_view::npos) {
            end = side.size();
        }
        int32_t count = ReadChannelCount(side.substr(start, end - start));
        if (count > 0) {
            count = static_cast<int32_t>(std::min<int64_t>(count, kMaxChannelsPerDirection - sum));
        }
        if (count != 0) {
            sum += count;
            buses.push_back({direction, count});
        }
        start = end + 1;
    }
    total = static_cast<int32_t>(std::max<int64_t>(sum, INT32_MIN));
}

}  // namespace

int ParseChannelConfigs(const char* text, std::vector<ChannelConfig>& configs,
                        int& maxInputChannels, int& maxOutputChannels,
                        int& maxInputBuses, int& maxOutputBuses) {
    configs.clear();
    maxInputChannels = maxOutputChannels = maxInputBuses = maxOutputBuses = 0;
    std::string_view rest = text != nullptr ? std::string_view(text) : std::string_view();

    while (!rest.empty()) {
        const std::size_t blank = rest.find(' ');
        const std::string_view token = rest.substr(0, blank);
        rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
        if (token.empty()) {
            continue;
        }

        const std::size_t dash = token.find('-');
        const std::string_view inputs = token.substr(0, dash);
        std::string_view outputs;
        if (dash != std::string_view::npos) {
            outputs = token.substr(dash + 1);
            outputs = outputs.substr(0, outputs.find('-'));
        }

        ChannelConfig config;
        ParseSide(inputs, DirInput, config.inputBuses, config.inputTotal);
        ParseSide(outputs, DirOutput, config.outputBuses, config.outputTotal);

        maxInputChannels = std::max(maxInputChannels, config.inputTotal);
        maxOutputChannels = std::max(maxOutputChannels, config.outputTotal);
        maxInputBuses = std::max(maxInputBuses, config.BusCount(DirInput));
        maxOutputBuses = std::max(maxOutputBuses, config.BusCount(DirOutput));
        configs.push_back(std::move(config));
    }
    return static_cast<int>(configs.size());
}
