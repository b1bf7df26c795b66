#include "hpi/sdk/hpi_taper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct NormalizedToRealCase {
    int32_t minValue;
    int32_t maxValue;
    double normalized;
    int32_t real;
};

TEST(LinearTaper, NormalizedToRealRoundsHalfUpAndStaysInRange) {
    const NormalizedToRealCase kCases[] = {
        {0, 3, 0.0, 0},
        {0, 3, 0.5, 2},          // floor(1.5 + 0.5)
        {0, 3, 0.166, 0},        // 0.498 rounds down
        {0, 3, 0.167, 1},        // 0.501 rounds up
        {0, 3, 1.0, 3},
        {0, 3, -0.5, 0},
        {0, 3, 2.0, 3},
        {0, 3, kNaN, 0},         // NaN lands on min, never converts to int
        {0, 3, kInf, 3},
        {0, 3, -kInf, 0},
        {0, 3, 1e300, 3},        // huge values clamp before the conversion
        {3, 0, 0.0, 3},          // reversed range
        {3, 0, 1.0, 0},
        {3, 0, 0.5, 2},          // floor(-1.5 + 3 + 0.5)
        {-5, 5, 0.5, 0},
        {4, 4, 0.0, 4},          // min = max: always min
        {4, 4, 0.7, 4},
        {4, 4, kNaN, 4},
        {INT32_MIN, INT32_MAX, 0.0, INT32_MIN},
        {INT32_MIN, INT32_MAX, 1.0, INT32_MAX},
        {INT32_MIN, INT32_MAX, 0.5, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.minValue << ".." << c.maxValue << " n=" << c.normalized);
        const HPI_CLinearTaperDelegate<int32_t, 1> taper(c.minValue, c.maxValue);
        EXPECT_EQ(taper.NormalizedToReal(c.normalized), c.real);
    }
}

struct RealToNormalizedCase {
    int32_t minValue;
    int32_t maxValue;
    int32_t real;
    double normalized;
};

TEST(LinearTaper, RealToNormalizedConstrainsFirst) {
    const RealToNormalizedCase kCases[] = {
        {0, 3, 2, 2.0 / 3.0},
        {0, 3, 0, 0.0},
        {0, 3, 3, 1.0},
        {0, 3, 7, 1.0},    // above max
        {0, 3, -4, 0.0},   // below min
        {3, 0, 1, 2.0 / 3.0},
        {4, 4, 4, 0.5},    // min = max: always 0.5
        {4, 4, -100, 0.5},
        {INT32_MIN, INT32_MAX, INT32_MAX, 1.0},
        {INT32_MIN, INT32_MAX, INT32_MIN, 0.0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.minValue << ".." << c.maxValue << " v=" << c.real);
        const HPI_CLinearTaperDelegate<int32_t, 1> taper(c.minValue, c.maxValue);
        EXPECT_NEAR(taper.RealToNormalized(c.real), c.normalized, 1e-12);
    }
}

TEST(LinearTaper, EveryStepOfAnIntegerRangeSurvivesTheRoundTrip) {
    const HPI_CLinearTaperDelegate<int32_t, 1> taper(-12, 12);
    for (int32_t v = -12; v <= 12; ++v) {
        SCOPED_TRACE(v);
        EXPECT_EQ(taper.NormalizedToReal(taper.RealToNormalized(v)), v);
    }
}

TEST(LinearTaper, DoubleValuesRoundToTheResolution) {
    const HPI_CLinearTaperDelegate<double, 100> taper(0.0, 1.0);
    EXPECT_DOUBLE_EQ(taper.NormalizedToReal(0.12345), 0.12);
    EXPECT_DOUBLE_EQ(taper.ConstrainRealValue(0.126), 0.13);
    EXPECT_DOUBLE_EQ(taper.ConstrainRealValue(kNaN), 0.0);
    EXPECT_DOUBLE_EQ(taper.ConstrainRealValue(kInf), 1.0);
}

TEST(LinearTaper, CloneKeepsTheRange) {
    const HPI_CLinearTaperDelegate<int32_t, 1> taper(2, 9);
    const auto clone = taper.Clone();
    EXPECT_EQ(clone->GetMinimum(), 2);
    EXPECT_EQ(clone->GetMaximum(), 9);
    EXPECT_EQ(clone->NormalizedToReal(1.0), 9);
}

TEST(BinaryTaper, AnythingAboveZeroIsTrue) {
    const struct {
        double normalized;
        bool real;
    } kCases[] = {{0.0, false}, {1e-12, true}, {0.5, true}, {1.0, true}, {-0.2, false}, {kNaN, false}};
    const HPI_CBinaryTaperDelegate<bool> taper;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.normalized);
        EXPECT_EQ(taper.NormalizedToReal(c.normalized), c.real);
    }
    EXPECT_EQ(taper.RealToNormalized(true), 1.0);
    EXPECT_EQ(taper.RealToNormalized(false), 0.0);
}

}  // namespace
