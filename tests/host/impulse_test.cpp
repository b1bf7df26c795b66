// The validator's latency check: a correct latency fits the impulse response
// even where treble rings at Nyquist or a twice-rate path rounds the delay,
// while a latency that is off by more than a frame does not.
#include "validator/impulse.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using hpihost::validation::LatencyFits;
using hpihost::validation::MeasureImpulse;

constexpr int64_t kImpulseAt = 8;

std::vector<float> Response(const std::map<int, float>& samples) {
    std::vector<float> channel(kImpulseAt + 64, 0.0f);
    for (const auto& [frame, value] : samples) {
        channel[static_cast<std::size_t>(kImpulseAt + frame)] = value;
    }
    return channel;
}

TEST(ImpulseResponse, LatencyFitsBetweenOnsetAndPeak) {
    struct LatencyCase {
        const char* mName;
        std::map<int, float> mResponse;
        int32_t mReported;
        bool mFits;
    };
    const LatencyCase cases[] = {
        {"pure delay", {{16, 0.5f}}, 16, true},
        {"minimum-phase smear after the delay", {{16, 0.3f}, {17, 0.4f}, {18, 0.2f}}, 16, true},
        {"linear phase with pre-ringing",
         {{12, -0.01f}, {14, 0.05f}, {16, 0.5f}, {18, 0.05f}},
         16,
         true},
        // The largest raw sample sits a frame early; smoothed, the peak is at the delay.
        {"treble ringing at Nyquist",
         {{14, -0.3f}, {15, 0.55f}, {16, 0.5f}, {17, -0.2f}},
         16,
         true},
        {"twice-rate path a frame early", {{15, 0.5f}}, 16, true},
        {"two frames early", {{14, 0.5f}}, 16, false},
        {"response later than reported", {{20, 0.5f}}, 16, false},
        {"no latency but some reported", {{0, 0.5f}}, 10, false},
    };
    for (const LatencyCase& c : cases) {
        SCOPED_TRACE(c.mName);
        const auto response = MeasureImpulse(Response(c.mResponse), kImpulseAt, 64);
        EXPECT_TRUE(response.mHeard);
        EXPECT_EQ(LatencyFits(response, c.mReported), c.mFits)
            << "onset " << response.mOnset << ", peak " << response.mPeak;
    }
}

TEST(ImpulseResponse, SilenceAndSubnormalGuardsAreNotHeard) {
    EXPECT_FALSE(MeasureImpulse(Response({}), kImpulseAt, 64).mHeard);
    EXPECT_FALSE(MeasureImpulse(Response({{3, 1e-15f}, {4, -1e-15f}}), kImpulseAt, 64).mHeard);
}

}  // namespace
