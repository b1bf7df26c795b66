#pragma once
// Where an impulse response starts and where it peaks, and whether a
// reported latency fits them.
//
// A linear-phase path peaks at its latency and starts earlier (pre-ringing);
// a minimum-phase path behind a delay starts at the delay and may peak a
// little later, as its energy smears. Either way the true latency lies
// between the two. A latency that is wrong lies outside by its error.
#include <cstdint>
#include <vector>

namespace hpihost::validation {

struct ImpulseResponse {
    bool mHeard = false;  // false: no response above the floor
    int64_t mOnset = 0;   // frames after the impulse to the first above a thousandth of the peak
    int64_t mPeak = 0;    // frames after the impulse to the largest smoothed magnitude
};

// A path that runs at twice the rate places its delay to half a sample, so
// a correct latency may lie a frame outside onset..peak.
inline constexpr int64_t kLatencyTolerance = 1;

// [any] The response in `channel` to an impulse at frame `impulseAt`,
// searched `count` frames on. The peak is found on the response smoothed by
// (1 2 1)/4, which takes out the content at Nyquist without moving anything
// in time: a strong treble boost rings there and can put the largest raw
// sample a frame either side of the delay.
ImpulseResponse MeasureImpulse(const std::vector<float>& channel, int64_t impulseAt, int64_t count);

// [any] True when `reported` lies between the onset and the peak, within
// the tolerance.
bool LatencyFits(const ImpulseResponse& response, int32_t reported);

}  // namespace hpihost::validation
