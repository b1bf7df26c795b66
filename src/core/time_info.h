#pragma once
// Transport information for the block about to be processed. The host adapter
// fills it before each processed block; the signal chain reads it during the
// block. Unknown positions stay at -1.
#include <cstdint>

struct TimeInfo {
    double tempo = 120.0;          // beats per minute
    double samplePos = -1.0;       // samples since the start of the timeline
    double ppqPos = -1.0;          // quarter notes since the start of the timeline
    double lastBar = -1.0;         // quarter-note position of the current bar's start
    double cycleStart = -1.0;      // loop start, in quarter notes
    double cycleEnd = -1.0;        // loop end, in quarter notes
    int32_t numerator = 4;         // time signature
    int32_t denominator = 4;
    bool transportIsRunning = false;
    bool transportLoopEnabled = false;
};
