#pragma once
// The channel configurations a plug-in accepts, parsed from its channel I/O
// string such as "1-1 2-2" (mono to mono, stereo to stereo).
//
// Grammar: configurations are separated by blanks; each is "inputs-outputs";
// each side lists its buses separated by "." and each bus is a channel count
// or "*" (any number, stored as kAnyChannels). "2.1-2" is a stereo main input
// with a mono side input and a stereo output.
//
// Parsing is pure and allocates only the configuration list: [any] thread,
// though it is meant for construction on [main].
#include <cstdint>
#include <vector>

enum Direction : int32_t {
    DirInput = 0,
    DirOutput = 1,
};

inline constexpr int kDirectionCount = 2;

// [any]
inline constexpr bool IsValidDirection(int direction) {
    return direction == DirInput || direction == DirOutput;
}

// Channel count of a "*" bus. It is added to the configuration's total like any
// count, so a "*" configuration never raises the channel maxima.
inline constexpr int32_t kAnyChannels = -64;

// No configuration holds more than this many channels per direction; larger
// counts are cut so that a typing error cannot make the processor allocate
// millions of channels.
inline constexpr int32_t kMaxChannelsPerDirection = 1024;

struct BusSpec {
    Direction direction = DirInput;
    int32_t channelCount = 0;   // > 0, or kAnyChannels
};

struct ChannelConfig {
    std::vector<BusSpec> inputBuses;    // in the order written
    std::vector<BusSpec> outputBuses;
    int32_t inputTotal = 0;             // sum of the bus counts, "*" adding kAnyChannels
    int32_t outputTotal = 0;

    // [any]
    const std::vector<BusSpec>& Buses(Direction direction) const {
        return direction == DirInput ? inputBuses : outputBuses;
    }
    // [any]
    int BusCount(Direction direction) const { return static_cast<int>(Buses(direction).size()); }
    // [any]
    int ChannelTotal(Direction direction) const {
        return direction == DirInput ? inputTotal : outputTotal;
    }
};

// [any] Parses text (null counts as "") into configs, replacing their content, and
// returns the number of configurations. The four maxima receive the largest
// input and output channel totals and bus counts of any configuration (0 when
// there is none).
//
// Malformed text never fails, it is read leniently:
// - empty tokens (repeated blanks) are skipped; an empty text gives none;
// - a token without "-" is all input: it has no output buses;
// - text after a second "-" is ignored ("1-2-3" is "1-2");
// - a bus field that does not start with a number (after optional white space
//   and "+") counts 0 channels and adds no bus; trailing junk is ignored
//   ("2ch" is 2);
// - a count that would take a direction's total above kMaxChannelsPerDirection
//   is cut to what still fits.
int ParseChannelConfigs(const char* text, std::vector<ChannelConfig>& configs,
                        int& maxInputChannels, int& maxOutputChannels,
                        int& maxInputBuses, int& maxOutputBuses);
