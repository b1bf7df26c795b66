#include "product/response/preamp_drive.h"

#include <algorithm>
#include <cmath>

#include "dsp/preamp_curve.h"

PreampDrive PreampDriveAt(const EngineSettings& settings, double inputPeak) {
    const double drive = settings.driveTarget.load(std::memory_order_relaxed);
    const double u = inputPeak * drive;
    if (!(u > 0.0) || !std::isfinite(u)) return {};
    const int curve = settings.micCurveSelection.load(std::memory_order_relaxed);
    auto shaped = [&](double v) { return curve == 0 ? PreampCurve0(v) : PreampCurve1(v); };
    const double positive = std::fabs(shaped(u) / u - 1.0);
    const double negative = std::fabs(shaped(-u) / -u - 1.0);
    return {u, std::max(positive, negative)};
}
