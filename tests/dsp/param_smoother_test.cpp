#include "dsp/param_smoother.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

struct TimeCase {
    double seconds;
    double sampleRate;
};
constexpr TimeCase kTimes[] = {{0.001, 44100.0}, {0.001, 48000.0}, {0.5, 48000.0}, {0.5, 96000.0}};

TEST(ParamSmoother, CoefficientsFollowTheTimeConstant) {
    for (const TimeCase& c : kTimes) {
        SCOPED_TRACE(testing::Message() << c.seconds << " s at " << c.sampleRate);
        ParamSmoother smoother;
        smoother.SetTime(c.seconds, c.sampleRate);
        EXPECT_DOUBLE_EQ(smoother.a, std::exp(-2.0 * std::numbers::pi / (c.seconds * c.sampleRate)));
        EXPECT_EQ(smoother.b, 1.0 - smoother.a);
    }
}

// A unit step covers 1 - e^(-2 pi n / (T fs)) of its way in n advances: about
// 99.8 % after T seconds.
TEST(ParamSmoother, StepResponse) {
    for (const TimeCase& c : kTimes) {
        SCOPED_TRACE(testing::Message() << c.seconds << " s at " << c.sampleRate);
        ParamSmoother smoother;
        smoother.SetTime(c.seconds, c.sampleRate);
        const int samples = static_cast<int>(c.seconds * c.sampleRate);
        for (int n = 1; n <= samples; ++n) {
            const double z = smoother.Advance(1.0);
            ASSERT_NEAR(z, 1.0 - std::exp(-2.0 * std::numbers::pi * n / (c.seconds * c.sampleRate)), 1e-12) << n;
        }
        EXPECT_GT(smoother.z, 0.998);
    }
}

// Gliding to 0 must reach exactly 0 without ever holding a subnormal state.
TEST(ParamSmoother, FlushesSubnormalStatesToZero) {
    struct Case {
        double start;
        double target;
    };
    const Case kCases[] = {
        {1.0, 0.0},      {-1.0, 0.0},     {DBL_MIN, 0.0},      {-DBL_MIN, 0.0},
        {1e-310, 0.0},   {-1e-310, 0.0},  {DBL_TRUE_MIN, 0.0}, {0.0, 1e-310},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.start << " -> " << c.target);
        ParamSmoother smoother;
        smoother.SetTime(0.001, 48000.0);
        smoother.z = c.start;
        int steps = 0;
        while (smoother.z != 0.0 && steps < 100000) {
            const double z = smoother.Advance(c.target);
            ASSERT_NE(std::fpclassify(z), FP_SUBNORMAL) << steps;
            ASSERT_EQ(z, smoother.z);
            ++steps;
        }
        EXPECT_EQ(smoother.z, 0.0);
        // It stays there.
        EXPECT_EQ(smoother.Advance(c.target), 0.0);
    }
}

// A nonsense rate or time from a host must not put NaN into the strip: the
// smoother then follows its target at once.
TEST(ParamSmoother, NonsenseTimesFollowTheTargetAtOnce) {
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double kInf = std::numeric_limits<double>::infinity();
    const TimeCase kBad[] = {{0.001, 0.0}, {0.001, -48000.0}, {0.001, kNaN}, {0.001, kInf},
                             {0.0, 48000.0}, {-0.5, 48000.0}, {kNaN, 48000.0}, {kInf, 48000.0}};
    for (const TimeCase& c : kBad) {
        SCOPED_TRACE(testing::Message() << c.seconds << " s at " << c.sampleRate);
        ParamSmoother smoother;
        smoother.SetTime(c.seconds, c.sampleRate);
        EXPECT_EQ(smoother.Advance(0.7), 0.7);
        EXPECT_EQ(smoother.Advance(-0.25), -0.25);
    }
}

TEST(ParamSmoother, NonFiniteTargetLeavesTheStateAlone) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(bad);
        ParamSmoother hit, twin;
        hit.SetTime(0.001, 48000.0);
        twin.SetTime(0.001, 48000.0);
        for (int i = 0; i < 20; ++i) {
            ASSERT_EQ(hit.Advance(0.5), twin.Advance(0.5));
        }
        const double before = hit.z;
        EXPECT_EQ(hit.Advance(bad), before);
        for (int i = 0; i < 20; ++i) {
            ASSERT_EQ(hit.Advance(0.5), twin.Advance(0.5));
        }
    }
}

}  // namespace
