#include "dsp/tone_biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kRates[] = {44100.0, 48000.0};

// Gain in dB of the configured section at frequency hz, from its coefficients.
double GainDb(const ToneBiquad& s, double hz, double fs) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * hz / fs);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> h = (s.a0 + s.a1 * z1 + s.a2 * z2) / (1.0 + s.b1 * z1 + s.b2 * z2);
    return 20.0 * std::log10(std::abs(h));
}

struct Setting {
    int type;
    double hz;
    double q;
    double gainDb;
};

// The strip's fixed colouring and DC-blocking sections.
constexpr Setting kInput[] = {{kToneLowShelf, 200.0, 0.4, -3.0},
                              {kTonePeaking, 830.0, 0.38, 2.0},
                              {kToneHighShelf, 5000.0, 0.28, -3.0}};
constexpr Setting kOutput[] = {{kToneLowShelf, 140.0, 0.4, 3.1},
                               {kTonePeaking, 830.0, 0.38, -1.1},
                               {kToneHighShelf, 5000.0, 0.28, 2.8}};
constexpr Setting kBandPass = {kToneBandPass, 700.0, 0.009, 0.0};

ToneBiquad Make(const Setting& s, double fs) {
    ToneBiquad biquad;
    EXPECT_TRUE(biquad.Configure(s.type, s.hz / fs, s.q, s.gainDb));
    return biquad;
}

// Steady-state gain in dB of a chain of sections run through Process on a
// sine at hz (a whole number of periods in one second of fs).
double MeasuredChainGainDb(std::vector<ToneBiquad> chain, double hz, double fs) {
    const int n = static_cast<int>(fs);
    double sinSum = 0.0, cosSum = 0.0;
    for (int i = 0; i < 2 * n; ++i) {
        const double phase = 2.0 * std::numbers::pi * hz * i / fs;
        float x = static_cast<float>(0.5 * std::sin(phase));
        for (ToneBiquad& s : chain) x = s.Process(x);
        if (i >= n) {  // the first second lets the sections settle
            sinSum += x * std::sin(phase);
            cosSum += x * std::cos(phase);
        }
    }
    const double amplitude = 2.0 / n * std::hypot(sinSum, cosSum);
    return 20.0 * std::log10(amplitude / 0.5);
}

TEST(ToneBiquad, DefaultSectionPassesInputUnchanged) {
    ToneBiquad biquad;
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> dist(-2.0f, 2.0f);
    for (int i = 0; i < 1000; ++i) {
        const float x = dist(rng);
        ASSERT_EQ(biquad.Process(x), x);
    }
}

// The design formulas land exactly on the configured gain at the frequency
// where each type is defined by it.
TEST(ToneBiquad, GainIsExactWhereTheTypeDefinesIt) {
    enum Where { kAtFc, kAtDc, kAtNyquist };
    struct Case {
        Setting setting;
        Where where;
        double expectedDb;
    };
    const Case kCases[] = {
        {{kTonePeaking, 830.0, 0.38, 2.0}, kAtFc, 2.0},
        {{kTonePeaking, 830.0, 0.38, -1.1}, kAtFc, -1.1},
        {{kTonePeaking, 3000.0, 2.0, 12.0}, kAtFc, 12.0},
        {{kTonePeaking, 3000.0, 2.0, -12.0}, kAtFc, -12.0},
        {{kToneLowShelf, 200.0, 0.4, -3.0}, kAtDc, -3.0},
        {{kToneLowShelf, 140.0, 0.4, 3.1}, kAtDc, 3.1},
        {{kToneHighShelf, 5000.0, 0.28, -3.0}, kAtNyquist, -3.0},
        {{kToneHighShelf, 5000.0, 0.28, 2.8}, kAtNyquist, 2.8},
        {{kToneBandPass, 700.0, 0.009, 0.0}, kAtFc, 0.0},
        {{kToneBandPass, 2000.0, 3.0, 5.0}, kAtFc, 0.0},  // band-pass ignores the gain
    };
    for (double fs : kRates) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(testing::Message() << "type " << c.setting.type << " " << c.setting.hz
                                            << " Hz " << c.setting.gainDb << " dB at " << fs);
            const ToneBiquad biquad = Make(c.setting, fs);
            const double hz = c.where == kAtFc ? c.setting.hz : c.where == kAtDc ? 0.0 : fs / 2.0;
            EXPECT_NEAR(GainDb(biquad, hz, fs), c.expectedDb, 1e-9);
        }
    }
}

TEST(ToneBiquad, ZeroGainIsFlat) {
    for (int type : {kTonePeaking, kToneLowShelf, kToneHighShelf}) {
        SCOPED_TRACE(type);
        ToneBiquad biquad;
        ASSERT_TRUE(biquad.Configure(type, 1000.0 / 48000.0, 0.5, 0.0));
        EXPECT_NEAR(biquad.a0, 1.0, 1e-15);
        for (double hz = 0.0; hz <= 24000.0; hz += 250.0) {
            EXPECT_NEAR(GainDb(biquad, hz, 48000.0), 0.0, 1e-12) << hz << " Hz";
        }
    }
}

// With these low Q values the shelves overshoot their gain near the corner.
TEST(ToneBiquad, ColouringShelvesOvershootAtTheirCorners) {
    EXPECT_NEAR(GainDb(Make(kInput[0], 48000.0), 200.0, 48000.0), -3.06, 0.005);
    EXPECT_NEAR(GainDb(Make(kOutput[2], 48000.0), 5000.0, 48000.0), 2.83, 0.005);
}

TEST(ToneBiquad, InputAndOutputColouringCascade) {
    struct Case {
        double hz;
        double expectedDb;
        double tolerance;  // half a unit of the figure's last digit
    };
    const Case kCases[] = {{2.0, 0.1, 0.05}, {100.0, 0.2, 0.05}, {1000.0, 0.48, 0.005}, {20000.0, -0.2, 0.05}};
    for (double fs : kRates) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(testing::Message() << c.hz << " Hz at " << fs);
            double db = 0.0;
            for (const Setting& s : kInput) db += GainDb(Make(s, fs), c.hz, fs);
            for (const Setting& s : kOutput) db += GainDb(Make(s, fs), c.hz, fs);
            EXPECT_NEAR(db, c.expectedDb, c.tolerance);
        }
    }
}

TEST(ToneBiquad, DcBlockingBandPassResponse) {
    struct Case {
        double fs;
        double hz;
        double expectedDb;
    };
    const Case kCases[] = {
        {44100.0, 2.0, -10.4},  {48000.0, 2.0, -10.4},    {44100.0, 6.0, -3.2},
        {48000.0, 6.0, -3.2},   {44100.0, 10000.0, -0.1}, {48000.0, 10000.0, -0.1},
        {44100.0, 20000.0, -4.0}, {48000.0, 20000.0, -1.9},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.hz << " Hz at " << c.fs);
        EXPECT_NEAR(GainDb(Make(kBandPass, c.fs), c.hz, c.fs), c.expectedDb, 0.05);
    }
    for (double fs : kRates) {
        const ToneBiquad biquad = Make(kBandPass, fs);
        for (double hz = 100.0; hz <= 5000.0; hz *= 1.05) {
            EXPECT_NEAR(GainDb(biquad, hz, fs), 0.0, 0.02) << hz << " Hz at " << fs;
        }
    }
}

// Process must realise the response the coefficients describe; a sign slip in
// the transposed form would still pass the coefficient checks above.
TEST(ToneBiquad, ProcessedSinesFollowTheDesignedResponse) {
    struct Case {
        double hz;
        double fs;
    };
    const Case kCases[] = {{100.0, 44100.0}, {1000.0, 44100.0}, {1000.0, 48000.0}, {15000.0, 48000.0}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.hz << " Hz at " << c.fs);
        std::vector<ToneBiquad> chain;
        double designedDb = 0.0;
        for (const Setting& s : kInput) chain.push_back(Make(s, c.fs));
        for (const Setting& s : kOutput) chain.push_back(Make(s, c.fs));
        chain.push_back(Make(kBandPass, c.fs));
        for (const ToneBiquad& s : chain) designedDb += GainDb(s, c.hz, c.fs);
        EXPECT_NEAR(MeasuredChainGainDb(chain, c.hz, c.fs), designedDb, 1e-4);
    }
}

TEST(ToneBiquad, StateSurvivesReconfiguration) {
    ToneBiquad kept = Make(kOutput[0], 48000.0);
    ToneBiquad reconfigured = kept;
    for (int i = 0; i < 500; ++i) {
        const float x = static_cast<float>(std::sin(0.01 * i));
        ASSERT_EQ(kept.Process(x), reconfigured.Process(x));
        // The strip reconfigures every block with the same settings.
        if (i % 64 == 0) reconfigured.Configure(kOutput[0].type, 140.0 / 48000.0, 0.4, 3.1);
    }
}

// A sample rate the host should never give (0, below the corner frequency's
// double, NaN) must not turn the section into a NaN source or an unstable one.
TEST(ToneBiquad, UnrealisableSettingsLeaveTheSectionUnchanged) {
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double kInf = std::numeric_limits<double>::infinity();
    const Setting kBad[] = {
        {3, 0.1, 0.7, 0.0},                  // unknown type
        {kTonePeaking, 0.0, 0.7, 2.0},       // DC
        {kTonePeaking, 0.5, 0.7, 2.0},       // Nyquist
        {kToneHighShelf, 0.625, 0.28, 2.8},  // 5 kHz at 8 kHz
        {kTonePeaking, -0.1, 0.7, 2.0},
        {kTonePeaking, kNaN, 0.7, 2.0},
        {kTonePeaking, kInf, 0.7, 2.0},
        {kTonePeaking, 0.1, 0.0, 2.0},
        {kTonePeaking, 0.1, -0.5, 2.0},
        {kTonePeaking, 0.1, kNaN, 2.0},
        {kTonePeaking, 0.1, 0.7, kNaN},
        {kTonePeaking, 0.1, 0.7, kInf},
    };
    for (const Setting& s : kBad) {
        SCOPED_TRACE(testing::Message() << s.type << " " << s.hz << " " << s.q << " " << s.gainDb);
        ToneBiquad biquad = Make(kInput[1], 48000.0);
        const ToneBiquad before = biquad;
        EXPECT_FALSE(biquad.Configure(s.type, s.hz, s.q, s.gainDb));
        EXPECT_EQ(biquad.type, before.type);
        EXPECT_EQ(biquad.Fc, before.Fc);
        EXPECT_EQ(biquad.a0, before.a0);
        EXPECT_EQ(biquad.a1, before.a1);
        EXPECT_EQ(biquad.a2, before.a2);
        EXPECT_EQ(biquad.b1, before.b1);
        EXPECT_EQ(biquad.b2, before.b2);
    }
}

TEST(ToneBiquad, LanesMatchTwoScalarSectionsBitForBit) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (const Setting& s : {kInput[0], kInput[1], kInput[2], kOutput[0], kOutput[1], kOutput[2], kBandPass}) {
        SCOPED_TRACE(s.type);
        ToneBiquad left = Make(s, 44100.0);
        ToneBiquad right = Make(s, 44100.0);
        ToneBiquadT<Double2> lanes;
        ASSERT_TRUE(lanes.Configure(s.type, s.hz / 44100.0, s.q, s.gainDb));
        for (int i = 0; i < 2000; ++i) {
            const float l = dist(rng), r = dist(rng);
            const Double2 y = lanes.Process(Double2{l, r});
            ASSERT_EQ(y[0], static_cast<double>(left.Process(l))) << i;
            ASSERT_EQ(y[1], static_cast<double>(right.Process(r))) << i;
        }
    }
}

// A non-finite sample is taken as silence and leaves no trace in the state:
// the section goes on exactly like a twin that was fed 0 instead.
TEST(ToneBiquad, NonFiniteInputNeverReachesTheState) {
    const float kBad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()};
    for (float bad : kBad) {
        SCOPED_TRACE(bad);
        ToneBiquad hit = Make(kOutput[0], 48000.0);
        ToneBiquad twin = hit;
        ToneBiquad clean = hit;
        ToneBiquadT<Double2> lanes;
        lanes.Configure(kOutput[0].type, kOutput[0].hz / 48000.0, kOutput[0].q, kOutput[0].gainDb);
        for (int i = 0; i < 200; ++i) {
            const float x = static_cast<float>(std::sin(0.05 * i));
            const bool poisoned = i == 50;
            const float y = hit.Process(poisoned ? bad : x);
            const float expected = twin.Process(poisoned ? 0.0f : x);
            ASSERT_TRUE(std::isfinite(y)) << i;
            ASSERT_EQ(y, expected) << i;
            // Only the left lane is hit; the right lane runs on undisturbed.
            const Double2 both = lanes.Process(Double2{poisoned ? bad : x, x});
            ASSERT_EQ(both[0], static_cast<double>(expected)) << i;
            ASSERT_EQ(both[1], static_cast<double>(clean.Process(x))) << i;
        }
    }
}

}  // namespace
