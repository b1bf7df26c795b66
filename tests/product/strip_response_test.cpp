#include "product/response/strip_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

#include "channel_controls.h"
#include "core/param_table.h"
#include "product/channel_parameters.h"
#include "product/channel_strip_engine.h"
#include "product/response/preamp_drive.h"

namespace {

using Controls = ChannelControls;

// The gain in dB of the real engine at frequency: a sine burst at -60 dBFS,
// where both preamp curves are straight to far better than 0.01 dB, half a
// second to settle (the band-pass's slowest pole decays in about 25 ms),
// then a least-squares fit of sine, cosine and DC over the next half second.
double EngineGainDb(const Controls& controls, double sampleRate, double frequency) {
    constexpr double kAmplitude = 1e-3;
    constexpr int kBlock = 1024;
    const int settle = static_cast<int>(0.5 * sampleRate);
    const int window = static_cast<int>(0.5 * sampleRate);
    ChannelStripEngine engine;
    engine.ResetProcessing(controls.settings);
    std::vector<double> in(kBlock), outLeft(kBlock), outRight(kBlock);
    double* inputs[2] = {in.data(), in.data()};
    double* outputs[2] = {outLeft.data(), outRight.data()};
    const double step = 2.0 * std::numbers::pi * frequency / sampleRate;
    // Normal equations of y = a sin + b cos + c.
    double ss = 0, sc = 0, s1 = 0, cc = 0, c1 = 0, n1 = 0, ys = 0, yc = 0, y1 = 0;
    for (int start = 0; start < settle + window; start += kBlock) {
        for (int i = 0; i < kBlock; ++i) in[i] = kAmplitude * std::sin(step * (start + i));
        engine.ProcessAudioBlock(inputs, outputs, kBlock, sampleRate, controls.settings,
                                 *controls.params.GetParam(kMicPre));
        for (int i = 0; i < kBlock; ++i) {
            const int n = start + i;
            if (n < settle || n >= settle + window) continue;
            const double s = std::sin(step * n), c = std::cos(step * n), y = outLeft[i];
            EXPECT_DOUBLE_EQ(outRight[i], y);
            ss += s * s, sc += s * c, s1 += s, cc += c * c, c1 += c, n1 += 1;
            ys += y * s, yc += y * c, y1 += y;
        }
    }
    // Cramer's rule on the 3 x 3 system.
    auto det = [](double a, double b, double c, double d, double e, double f, double g, double h,
                  double k) {
        return a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    };
    const double d = det(ss, sc, s1, sc, cc, c1, s1, c1, n1);
    const double a = det(ys, sc, s1, yc, cc, c1, y1, c1, n1) / d;
    const double b = det(ss, ys, s1, sc, yc, c1, s1, y1, n1) / d;
    return 20.0 * std::log10(std::hypot(a, b) / kAmplitude);
}

struct ResponseCase {
    const char* name;
    double sampleRate;
    std::vector<std::pair<int, double>> set;  // parameter, value
};

const ResponseCase kResponseCases[] = {
    {"defaults", 48000.0, {}},
    {"high-pass 80 Hz", 48000.0, {{kHighPass, 2}}},
    {"high-pass 300 Hz", 44100.0, {{kHighPass, 4}}},
    {"low boost at 60 Hz", 48000.0, {{kLowFreq, 2}, {kLowGain, 15}}},
    {"low cut at 220 Hz", 48000.0, {{kLowFreq, 4}, {kLowGain, -15}}},
    {"mid boost at 1.6 kHz", 48000.0, {{kMidFreq, 3}, {kMidGain, 15}}},
    {"mid cut at 7.2 kHz", 44100.0, {{kMidFreq, 6}, {kMidGain, -15}}},
    {"high boost", 48000.0, {{kHighGain, 15}}},
    {"high cut", 44100.0, {{kHighGain, -15}}},
    {"oversampling on", 44100.0, {{kOversampling, 1}, {kHighGain, 6}}},
    {"oversampling on, every band",
     96000.0,
     {{kOversampling, 1},
      {kHighPass, 3},
      {kLowFreq, 1},
      {kLowGain, -8},
      {kMidFreq, 1},
      {kMidGain, 9},
      {kHighGain, -4}}},
    {"trim up", 48000.0, {{kOutputTrim, 6}}},
    {"trim down, high boost", 48000.0, {{kOutputTrim, -12}, {kHighGain, 15}}},
    {"full drive on the mic curve", 48000.0, {{kPreampGain, 24}, {kMicPre, 1}}},
    {"processing off", 48000.0, {{kBypass, 0}, {kHighGain, 15}, {kHighPass, 4}}},
};

// The computed response must be what the engine does, at every frequency the
// display draws, for each kind of setting that shapes it.
TEST(StripResponseTest, MatchesTheEngineWithinATenthOfADecibel) {
    constexpr int kPoints = 30;
    std::vector<double> frequencies(kPoints), computed(kPoints);
    for (int i = 0; i < kPoints; ++i) frequencies[i] = 20.0 * std::pow(1000.0, i / (kPoints - 1.0));
    for (const ResponseCase& rc : kResponseCases) {
        SCOPED_TRACE(rc.name);
        Controls controls;
        for (const auto& [index, value] : rc.set) controls.Set(index, value);
        StripResponseDb(ResponseSettingsOf(controls.settings, rc.sampleRate), frequencies.data(),
                        computed.data(), kPoints);
        for (int i = 0; i < kPoints; ++i) {
            SCOPED_TRACE(frequencies[i]);
            EXPECT_NEAR(computed[i], EngineGainDb(controls, rc.sampleRate, frequencies[i]), 0.1);
        }
    }
}

// A host may hand anything as a sample rate or frequency: no NaN comes back.
TEST(StripResponseTest, OddRatesAndFrequenciesGiveFiniteGains) {
    Controls controls;
    controls.Set(kHighPass, 4);
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const double frequencies[] = {0.0, -5.0, kNaN, 1e9, kInfinity, 1000.0};
    for (const double rate : {48000.0, 0.0, -1.0, kNaN, kInfinity}) {
        SCOPED_TRACE(rate);
        double gains[std::size(frequencies)];
        StripResponseDb(ResponseSettingsOf(controls.settings, rate), frequencies, gains,
                        std::size(frequencies));
        for (const double gain : gains) EXPECT_TRUE(std::isfinite(gain)) << gain;
    }
}

struct DriveCase {
    const char* name;
    double preampGainDb;
    int micPre;
    double peak;
    double lowest, highest;  // expected deviation range
};

// The preamp's deviation from a straight line grows with level and drive:
// nothing at silence, well under a per cent at -40 dBFS and unity drive,
// plainly saturated at full level and drive.
TEST(PreampDriveTest, DeviationFollowsLevelAndDrive) {
    const DriveCase kCases[] = {
        {"silence", 24.0, 0, 0.0, 0.0, 0.0},
        {"quiet, drive 0 dB", 8.0, 0, 0.01, 1e-6, 0.01},
        {"full level, drive 0 dB, line curve", 8.0, 0, 1.0, 0.2, 10.0},
        {"full level, drive 0 dB, mic curve", 8.0, 1, 1.0, 0.2, 10.0},
        {"full level, lowest drive", -24.0, 0, 1.0, 0.0, 0.001},
        {"not a number", 0.0, 0, std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0},
    };
    for (const DriveCase& dc : kCases) {
        SCOPED_TRACE(dc.name);
        Controls controls;
        controls.Set(kPreampGain, dc.preampGainDb);
        controls.Set(kMicPre, dc.micPre);
        const PreampDrive drive = PreampDriveAt(controls.settings, dc.peak);
        EXPECT_GE(drive.deviation, dc.lowest);
        EXPECT_LE(drive.deviation, dc.highest);
    }
}

}  // namespace
