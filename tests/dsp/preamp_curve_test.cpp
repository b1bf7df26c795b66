#include "dsp/preamp_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(PreampCurveTest, SilenceStaysSilent) {
    EXPECT_EQ(PreampCurve0(0.0), 0.0);
    EXPECT_EQ(PreampCurve1(0.0), 0.0);
    for (int curve : {0, 1}) {
        for (double drive : {0.01, 0.316, 10.0}) {
            EXPECT_EQ(ShapePreamp(0.0, curve, drive, drive), 0.0) << curve << " " << drive;
        }
    }
}

// To the lowest orders the shaping is the identity plus the curve's own
// second- and third-order terms, scaled by the drive g:
//   curve 0: v − (0.1 + 1/3)·g²·v³ + 0.6·g³·v⁴
//   curve 1: v − 0.05·g·v² − (0.7 + 1/3)·g²·v³
// The next term is 2/15·g⁴·v⁵ from tanh(u) in both.
TEST(PreampCurveTest, SmallSignalsFollowTheLowOrderSeries) {
    struct SeriesCase {
        int curve;
        double v2, v3, v4;  // coefficients of g·v², g²·v³, g³·v⁴
    };
    const SeriesCase kCurves[] = {{0, 0.0, -(0.1 + 1.0 / 3.0), 0.6}, {1, -0.05, -(0.7 + 1.0 / 3.0), 0.0}};
    for (const SeriesCase& c : kCurves) {
        for (double g : {0.01, 0.316, 1.0, 10.0}) {
            for (double u : {-0.05, -0.01, 0.003, 0.02, 0.05}) {  // the driven value g·v
                SCOPED_TRACE(testing::Message() << "curve " << c.curve << " drive " << g << " u " << u);
                const double v = u / g;
                const double series = v + c.v2 * g * v * v + c.v3 * g * g * v * v * v + c.v4 * g * g * g * v * v * v * v;
                const double nextTerm = 2.0 / 15.0 * std::pow(u, 5) / g;
                EXPECT_NEAR(ShapePreamp(v, c.curve, g, g), series, 1.5 * std::abs(nextTerm) + 1e-14 * std::abs(v));
            }
        }
    }
}

TEST(PreampCurveTest, LargeValuesSaturateAsymmetrically) {
    struct LimitCase {
        int curve;
        double positive, negative;
    };
    const LimitCase kLimits[] = {{0, 1.5, -0.3}, {1, 0.25 + 0.3 * M_PI, -(0.35 + 0.3 * M_PI)}};
    for (const LimitCase& c : kLimits) {
        SCOPED_TRACE(c.curve);
        auto curve = [&](double u) { return c.curve == 0 ? PreampCurve0(u) : PreampCurve1(u); };
        for (double u : {40.0, 1e10, 1e200, kInf}) {
            EXPECT_NEAR(curve(u), c.positive, 1e-9) << u;
            EXPECT_NEAR(curve(-u), c.negative, 1e-9) << -u;
        }
        // The stage output is the limit divided by the drive.
        EXPECT_NEAR(ShapePreamp(1e6, c.curve, 2.0, 4.0), c.positive / 4.0, 1e-9);
        EXPECT_NEAR(ShapePreamp(-kInf, c.curve, 2.0, 4.0), c.negative / 4.0, 1e-9);
    }
}

TEST(PreampCurveTest, AnyNonZeroSelectionPicksCurveOne) {
    for (int selection : {1, 2, -1, 1000}) {
        EXPECT_EQ(ShapePreamp(0.7, selection, 3.0, 3.0), PreampCurve1(2.1) / 3.0) << selection;
    }
    EXPECT_EQ(ShapePreamp(0.7, 0, 3.0, 3.0), PreampCurve0(2.1) / 3.0);
}

TEST(PreampCurveTest, ShapingIsFiniteForAnyInput) {
    const double kValues[] = {0.0, 1e-300, 0.5, -0.5, 1e10, -1e10, 1e300, -1e300,
                              std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                              kInf, -kInf, kNaN};
    const double kDrives[] = {0.0, 4.9e-324, 1e-310, 0.01, 10.0, 1e300, kInf, -kInf, kNaN};
    for (int curve : {0, 1}) {
        for (double v : kValues) {
            for (double g1 : kDrives) {
                for (double g2 : kDrives) {
                    const double y = ShapePreamp(v, curve, g1, g2);
                    ASSERT_TRUE(std::isfinite(y)) << "curve " << curve << " v " << v << " g1 " << g1 << " g2 " << g2;
                }
            }
        }
    }
    // A NaN sample is dropped to silence rather than passed on.
    EXPECT_EQ(ShapePreamp(kNaN, 0, 1.0, 1.0), 0.0);
    EXPECT_EQ(ShapePreamp(kNaN, 1, 1.0, 1.0), 0.0);
}

// The curves' tanh and atan are within one ulp of the exact values, also
// below the magnitude where they return their argument unchanged.
TEST(PreampCurveTest, TanhAndAtanAreWithinOneUlp) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> exponent(-40.0, 8.0);
    auto withinOneUlp = [](double got, long double exact) {
        const double nearest = static_cast<double>(exact);
        return got == nearest || got == std::nextafter(nearest, got);
    };
    for (int i = 0; i < 200000; ++i) {
        const double x = (i % 2 ? -1.0 : 1.0) * std::pow(2.0, exponent(rng));
        ASSERT_TRUE(withinOneUlp(CurveMath::Tanh(x), std::tanh(static_cast<long double>(x)))) << x;
        ASSERT_TRUE(withinOneUlp(CurveMath::Atan(x), std::atan(static_cast<long double>(x)))) << x;
    }
}

// tanh switches between a polynomial near zero, twelve interval polynomials
// and an exponential form; each switch and the cap where tanh reaches 1 are
// checked a few ulps to either side, with both signs.
TEST(PreampCurveTest, TanhIsWithinOneUlpWhereItsPiecesMeet) {
    std::vector<double> boundaries = {9.0 / 16, 2.0, 19.0, 19.1, 20.0};
    for (int j = 0; j <= 12; ++j) boundaries.push_back(9.0 / 16 + j / 8.0);
    for (int j = 0; j < 12; ++j) boundaries.push_back(5.0 / 8 + j / 8.0);  // interval centres
    for (double b : boundaries) {
        double x = b;
        for (int i = 0; i < 4; ++i) x = std::nextafter(x, 0.0);
        for (int step = 0; step < 9; ++step, x = std::nextafter(x, 100.0)) {
            for (double v : {x, -x}) {
                const double got = CurveMath::Tanh(v);
                const long double exact = std::tanh(static_cast<long double>(v));
                const double nearest = static_cast<double>(exact);
                EXPECT_TRUE(got == nearest || got == std::nextafter(nearest, got))
                    << std::hexfloat << v << ": " << got << " / " << nearest;
            }
        }
    }
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Many values at once, at every width this CPU runs, give exactly what the
// one-value curves give, whatever their neighbours in the vector: tiny values
// next to ordinary ones, NaN and infinities, runs that fill no vector.
TEST(PreampCurveTest, EveryLaneWidthGivesTheOneValueCurvesBits) {
    const double kTiny = 0x1p-27;
    std::vector<double> values = {
        0.0,   -0.0,  4.9e-324, -1e-310, kTiny, -kTiny, std::nextafter(kTiny, 0.0),
        1e-9,  -3e-5, 0.1,      -0.7,    1.3,   -2.9,   40.0,
        -1e10, 1e200, kInf,     -kInf,   kNaN,  0.5625, -0.5625, 2.0,  -2.0, 20.0, 25.0};
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 400; ++i) {
        const double v = unit(rng);
        values.push_back(i % 5 == 0 ? v * 1e-8 : i % 5 == 1 ? v * 12.0 : v);
    }
    for (CurveLanes lanes : {CurveLanes::kTwo, CurveLanes::kFour, CurveLanes::kEight}) {
        if (!CurveLanesSupported(lanes)) continue;
        for (int curve : {0, 1}) {
            for (int count : {1, 3, 7, 130, static_cast<int>(values.size())}) {
                SCOPED_TRACE(testing::Message() << static_cast<int>(lanes) << " lanes, curve "
                                                << curve << ", " << count << " values");
                std::vector<double> out(count);
                PreampCurves(values.data(), out.data(), count, curve, lanes);
                for (int i = 0; i < count; ++i) {
                    const double expected =
                        curve == 0 ? PreampCurve0(values[i]) : PreampCurve1(values[i]);
                    ASSERT_TRUE(SameBits(out[i], expected))
                        << values[i] << ": " << out[i] << " / " << expected;
                }
            }
        }
    }
    EXPECT_TRUE(CurveLanesSupported(CurveLanes::kTwo));
    EXPECT_TRUE(CurveLanesSupported(WidestCurveLanes()));
}

}  // namespace

