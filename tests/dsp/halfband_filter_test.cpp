#include "dsp/halfband_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace {

// Coefficients measured from the filters themselves.

// The 129-tap filter's impulse response (the offset adds at most ~1e-16).
std::vector<double> FilterTaps() {
    HalfbandFilter filter;
    std::vector<double> taps;
    for (int i = 0; i < 129; ++i) taps.push_back(filter.Process(i == 0 ? 1.0 : 0.0));
    return taps;
}

// The decimator's 65 double-rate taps: an impulse as the later sample of a
// call reaches the even taps, as the earlier sample the odd ones.
std::vector<double> DecimatorTaps() {
    std::vector<double> taps(65, 0.0);
    HalfbandDecimator even, odd;
    for (int n = 0; n < 33; ++n) {
        taps[2 * n] = even.Decimate(0.0, n == 0 ? 1.0 : 0.0) / 2.0;
        if (2 * n + 1 < 65) taps[2 * n + 1] = odd.Decimate(n == 0 ? 1.0 : 0.0, 0.0) / 2.0;
    }
    return taps;
}

double GainDb(const std::vector<double>& taps, double hz, double rate) {
    std::complex<double> h = 0.0;
    for (std::size_t k = 0; k < taps.size(); ++k) {
        h += taps[k] * std::polar(1.0, -2.0 * std::numbers::pi * hz * static_cast<double>(k) / rate);
    }
    return 20.0 * std::log10(std::abs(h));
}

// Worst deviation from 0 dB (passband) or loudest gain (stopband) over a range.
double MaxAbsDb(const std::vector<double>& taps, double fromHz, double toHz, double rate) {
    double worst = 0.0;
    for (double hz = fromHz; hz <= toHz; hz += 10.0) worst = std::max(worst, std::abs(GainDb(taps, hz, rate)));
    return worst;
}
double MaxDb(const std::vector<double>& taps, double fromHz, double toHz, double rate) {
    double loudest = -std::numeric_limits<double>::infinity();
    for (double hz = fromHz; hz <= toHz; hz += 10.0) loudest = std::max(loudest, GainDb(taps, hz, rate));
    return loudest;
}

TEST(HalfbandFilter, ConstantInputSettlesAtTheCoefficientSum) {
    HalfbandFilter filter;
    HalfbandDecimator decimator;
    double filtered = 0.0, decimated = 0.0;
    for (int i = 0; i < 300; ++i) {
        filtered = filter.Process(1.0);
        decimated = decimator.Decimate(1.0, 1.0);
    }
    EXPECT_NEAR(filtered, 1.0 - 6e-6, 1e-12);
    EXPECT_NEAR(decimated, 2.0 * (1.0 - 6e-6), 1e-12);
}

TEST(HalfbandFilter, ImpulseComesOutCentredAfter64Calls) {
    struct Case {
        int call;
        double value;
    };
    const Case kCases[] = {
        {64, 0.5},        {63, 0.317956}, {65, 0.317956}, {61, -0.105047}, {67, -0.105047},
        {31, 0.002635},   {97, 0.002635}, {1, -5e-6},     {127, -5e-6},    {0, 0.0},
        {2, 0.0},         {62, 0.0},      {66, 0.0},      {126, 0.0},      {128, 0.0},
    };
    HalfbandFilter filter;
    std::vector<double> out;
    for (int i = 0; i < 400; ++i) out.push_back(filter.Process(i == 0 ? 1.0 : 0.0));
    for (const Case& c : kCases) EXPECT_NEAR(out[c.call], c.value, 1e-14) << "call " << c.call;
    for (int i = 129; i < 400; ++i) ASSERT_NEAR(out[i], 0.0, 1e-14) << "call " << i;
}

// The decimator delays by 16 host samples: the earlier sample of call 0 is at
// the centre of call 16; the later one straddles it at distance 1 in calls 16
// and 17 and leaves the line after call 32.
TEST(HalfbandDecimator, ImpulseResponse) {
    struct Case {
        bool earlier;
        int call;
        double value;  // twice the tap
    };
    const Case kCases[] = {
        {true, 16, 1.0},        {true, 15, 0.0},        {true, 17, 0.0},          {true, 0, 0.0},
        {false, 16, 0.633794},  {false, 17, 0.633794},  {false, 15, -0.203866},   {false, 18, -0.203866},
        {false, 1, -3.2e-5},    {false, 32, -3.2e-5},   {false, 0, 0.0},          {false, 33, 0.0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << (c.earlier ? "earlier" : "later") << " call " << c.call);
        HalfbandDecimator decimator;
        double out = 0.0;
        for (int n = 0; n <= c.call; ++n) {
            const double impulse = n == 0 ? 1.0 : 0.0;
            out = c.earlier ? decimator.Decimate(impulse, 0.0) : decimator.Decimate(0.0, impulse);
        }
        EXPECT_NEAR(out, c.value, 1e-15);
    }
}

struct SpotGain {
    double rate;  // double rate the filter runs at
    double hz;
    double expectedDb;
    double tolerance;  // half a unit of the figure's last digit
};

TEST(HalfbandFilter, FrequencyResponse) {
    const std::vector<double> taps = FilterTaps();
    const SpotGain kSpots[] = {
        {88200.0, 21000.0, -0.5, 0.05}, {88200.0, 22000.0, -5.5, 0.05}, {88200.0, 23000.0, -22.0, 0.5},
        {96000.0, 22000.0, -0.01, 0.005}, {96000.0, 23000.0, -0.8, 0.05}, {96000.0, 26000.0, -60.0, 0.5},
    };
    for (const SpotGain& s : kSpots) {
        EXPECT_NEAR(GainDb(taps, s.hz, s.rate), s.expectedDb, s.tolerance) << s.hz << " Hz at " << s.rate;
    }
    EXPECT_LE(MaxAbsDb(taps, 0.0, 20000.0, 88200.0), 0.001);
    EXPECT_LE(MaxDb(taps, 26000.0, 44100.0, 88200.0), -101.0);
}

TEST(HalfbandDecimator, FrequencyResponse) {
    const std::vector<double> taps = DecimatorTaps();
    const SpotGain kSpots[] = {
        {88200.0, 19000.0, -0.07, 0.005}, {88200.0, 20000.0, -0.56, 0.005}, {88200.0, 22000.0, -5.8, 0.05},
        {96000.0, 20000.0, -0.01, 0.005}, {96000.0, 21000.0, -0.15, 0.005}, {96000.0, 22000.0, -0.8, 0.05},
    };
    for (const SpotGain& s : kSpots) {
        EXPECT_NEAR(GainDb(taps, s.hz, s.rate), s.expectedDb, s.tolerance) << s.hz << " Hz at " << s.rate;
    }
    EXPECT_LE(MaxAbsDb(taps, 0.0, 18000.0, 88200.0), 0.002);
    // Stopband bounds are whole-dB figures: the edge at 26 kHz is -71.8 dB.
    EXPECT_LE(MaxDb(taps, 26000.0, 44100.0, 88200.0), -72.0 + 0.5);
    EXPECT_LE(MaxDb(taps, 27000.0, 44100.0, 88200.0), -95.0 + 0.5);
}

// Clear empties the line but keeps the offset's phase: after an odd number of
// calls the cleared filter's offset runs opposite to a fresh filter's. Once the
// line holds nothing but offsets, the filter cancels them and returns -offset.
TEST(HalfbandFilter, ClearKeepsTheAlternatingOffset) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    HalfbandFilter cleared;
    HalfbandDecimator decimator;
    for (int i = 0; i < 301; ++i) {
        cleared.Process(dist(rng));
        decimator.Decimate(dist(rng), dist(rng));
    }
    cleared.Clear();
    decimator.Clear();
    HalfbandFilter fresh;
    for (int i = 0; i < 300; ++i) {
        const double out = cleared.Process(0.0);
        fresh.Process(0.0);
        ASSERT_EQ(cleared.Offset(), -fresh.Offset()) << i;
        ASSERT_EQ(std::abs(cleared.Offset()), 1e-15);
        if (i >= 128) {
            ASSERT_NEAR(out, -cleared.Offset(), 1e-20) << i;
        }
        ASSERT_EQ(decimator.Decimate(0.0, 0.0), 0.0) << i;
    }
}

// The sums must be exactly those of the plain shifted line, including after
// the circular buffer has wrapped many times.
TEST(HalfbandFilter, MatchesTheShiftedLineBitForBit) {
    struct ShiftedFilter {
        double v[130] = {};
        double o = 1e-15;
        double Process(double x) {
            o = -o;
            for (int k = 129; k >= 2; --k) v[k] = v[k - 1];
            v[1] = x + o;
            double y = 0.5 * v[65];
            for (int i = 0; i < 32; ++i) y = y + kHalfbandTaps[i] * (v[64 - 2 * i] + v[66 + 2 * i]);
            return y - o;
        }
    };
    struct ShiftedDecimator {
        double l[65] = {};
        double Decimate(double a, double b) {
            for (int k = 64; k >= 2; --k) l[k] = l[k - 2];
            l[1] = a;
            l[0] = b;
            double y = 0.5 * l[33];
            for (int i = 0; i < 16; ++i) y = y + kDecimatorTaps[i] * (l[32 - 2 * i] + l[34 + 2 * i]);
            return 2.0 * y;
        }
    };
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    HalfbandFilter filter;
    ShiftedFilter filterReference;
    HalfbandDecimator decimator;
    ShiftedDecimator decimatorReference;
    for (int i = 0; i < 5000; ++i) {
        const double x = dist(rng), a = dist(rng), b = dist(rng);
        ASSERT_EQ(filter.Process(x), filterReference.Process(x)) << i;
        ASSERT_EQ(decimator.Decimate(a, b), decimatorReference.Decimate(a, b)) << i;
    }
}

// The oversampled preamp discards every second decimation output; Push must
// leave the filter exactly where Process would.
TEST(HalfbandFilter, PushThenOutputEqualsProcess) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    HalfbandFilter processed, pushed;
    for (int i = 0; i < 1000; ++i) {
        const double x = dist(rng);
        const double expected = processed.Process(x);
        pushed.Push(x);
        if (i % 2 == 0) {
            ASSERT_EQ(pushed.Output(), expected) << i;
        }
        ASSERT_EQ(pushed.Offset(), processed.Offset());
    }
}

TEST(HalfbandFilter, LanesMatchTwoScalarFiltersBitForBit) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    HalfbandFilter left, right;
    HalfbandFilterT<Double2> lanes;
    HalfbandDecimator leftDecimator, rightDecimator;
    HalfbandDecimatorT<Double2> laneDecimator;
    for (int i = 0; i < 3000; ++i) {
        const double l = dist(rng), r = dist(rng);
        if (i % 3 == 2) {
            left.Push(l);
            right.Push(r);
            lanes.Push(Double2{l, r});
        } else {
            const Double2 y = lanes.Process(Double2{l, r});
            ASSERT_EQ(y[0], left.Process(l)) << i;
            ASSERT_EQ(y[1], right.Process(r)) << i;
        }
        const double la = dist(rng), lb = dist(rng), ra = dist(rng), rb = dist(rng);
        const Double2 d = laneDecimator.Decimate(Double2{la, ra}, Double2{lb, rb});
        ASSERT_EQ(d[0], leftDecimator.Decimate(la, lb)) << i;
        ASSERT_EQ(d[1], rightDecimator.Decimate(ra, rb)) << i;
    }
}

// A non-finite sample is stored as silence: the filters go on exactly like
// twins that were fed 0, and in the lane form the other channel is untouched.
TEST(HalfbandFilter, NonFiniteInputNeverReachesTheLine) {
    const double kBad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
    for (double bad : kBad) {
        SCOPED_TRACE(bad);
        HalfbandFilter hit, twin, clean;
        HalfbandFilterT<Double2> lanes;
        HalfbandDecimator hitDecimator, twinDecimator, cleanDecimator;
        HalfbandDecimatorT<Double2> laneDecimator;
        for (int i = 0; i < 300; ++i) {
            const double x = std::sin(0.1 * i);
            const bool poisoned = i == 20;
            const double in = poisoned ? bad : x;
            const double expected = twin.Process(poisoned ? 0.0 : x);
            ASSERT_EQ(hit.Process(in), expected) << i;
            const Double2 both = lanes.Process(Double2{in, x});
            ASSERT_EQ(both[0], expected) << i;
            ASSERT_EQ(both[1], clean.Process(x)) << i;

            const double expectedDecimated = twinDecimator.Decimate(poisoned ? 0.0 : x, poisoned ? 0.0 : -x);
            ASSERT_EQ(hitDecimator.Decimate(in, poisoned ? -bad : -x), expectedDecimated) << i;
            const Double2 d = laneDecimator.Decimate(Double2{in, x}, Double2{poisoned ? bad : -x, -x});
            ASSERT_EQ(d[0], expectedDecimated) << i;
            ASSERT_EQ(d[1], cleanDecimator.Decimate(x, -x)) << i;
        }
    }
}

}  // namespace
