#include "impulse.h"

#include <algorithm>
#include <cmath>

namespace hpihost::validation {

ImpulseResponse MeasureImpulse(const std::vector<float>& channel, int64_t impulseAt,
                               int64_t count) {
    ImpulseResponse response;
    const int64_t end = std::min<int64_t>(impulseAt + count, static_cast<int64_t>(channel.size()));
    auto at = [&](int64_t i) {
        return i >= impulseAt && i < end ? channel[static_cast<std::size_t>(i)] : 0.0f;
    };
    float largest = 0.0f;
    float smoothedLargest = 0.0f;
    for (int64_t i = impulseAt; i < end; ++i) {
        largest = std::max(largest, std::fabs(at(i)));
        const float smoothed = std::fabs(0.25f * at(i - 1) + 0.5f * at(i) + 0.25f * at(i + 1));
        if (smoothed > smoothedLargest) {
            smoothedLargest = smoothed;
            response.mPeak = i - impulseAt;
        }
    }
    // Far above the offsets some plug-ins add against subnormals (~1e-15).
    if (!(largest > 1e-6f)) {
        return response;
    }
    response.mHeard = true;
    for (int64_t i = impulseAt; i < end; ++i) {
        if (std::fabs(at(i)) > 1e-3f * largest) {
            response.mOnset = i - impulseAt;
            break;
        }
    }
    return response;
}

bool LatencyFits(const ImpulseResponse& response, int32_t reported) {
    return reported >= response.mOnset - kLatencyTolerance &&
           reported <= response.mPeak + kLatencyTolerance;
}

}  // namespace hpihost::validation
