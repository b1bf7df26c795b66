#include "dsp/circuit_biquad.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>

namespace {

using Complex = std::complex<double>;

const double kRates[] = {44100.0, 48000.0};

// The knob's dB position turned into each band's control position.
double LowPosition(double gainDb) { return (gainDb + 15.0) / 30.0 * 0.9 + 0.05; }
double MidPosition(double gainDb) { return (gainDb + 15.0) / 30.0 * (0.05 - 0.95) + 0.95; }
double HighPosition(double gainDb) { return (gainDb + 15.0) / 30.0; }

// H(z) = (b0 + b1 z⁻¹ + b2 z⁻²) / (a0 + a1 z⁻¹ + a2 z⁻²) at f for a section run at runRate.
Complex Response(const CircuitCoefficients& c, double f, double runRate) {
    const Complex z1 = std::polar(1.0, -2.0 * M_PI * f / runRate);
    const Complex z2 = z1 * z1;
    return (c.b0 + c.b1 * z1 + c.b2 * z2) / (c.a0 + c.a1 * z1 + c.a2 * z2);
}

double GainDb(const CircuitCoefficients& c, double f, double runRate) {
    return 20.0 * std::log10(std::abs(Response(c, f, runRate)));
}

// Each band as the strip runs it: the low band designed at 3·fs and run at fs,
// the mid and high bands designed and run at 2·fs.
CircuitCoefficients LowBand(double fs, double p, int selection) {
    CircuitBiquad s;
    DesignLowBand(s, 3.0 * fs, p, selection);
    return s.Coefficients();
}
CircuitCoefficients MidBand(double fs, double p, int selection) {
    CircuitBiquad s;
    DesignMidBand(s, 2.0 * fs, p, selection);
    return s.Coefficients();
}
CircuitCoefficients HighBand(double fs, double p) {
    CircuitBiquad s;
    DesignHighBand(s, 2.0 * fs, p);
    return s.Coefficients();
}
CircuitCoefficients HighPass(double fs, int selection) {
    CircuitBiquad s;
    DesignHighPass(s, fs, selection);
    return s.Coefficients();
}

// Frequency where fn crosses target between lo and hi (fn monotonic there).
double Crossing(const std::function<double(double)>& fn, double lo, double hi, double target) {
    const bool loBelow = fn(lo) < target;
    for (int i = 0; i < 100; ++i) {
        const double mid = std::sqrt(lo * hi);
        if ((fn(mid) < target) == loBelow) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return std::sqrt(lo * hi);
}

struct Extremum {
    double frequency;
    double gainDb;
};

// Largest (sign +1) or smallest (sign −1) gain over 20 Hz .. 20 kHz.
Extremum FindExtremum(const CircuitCoefficients& c, double runRate, double sign) {
    Extremum best{0.0, -1e300};
    for (double f = 20.0; f <= 20000.0; f *= 1.0005) {
        const double g = sign * GainDb(c, f, runRate);
        if (g > best.gainDb) best = {f, g};
    }
    best.gainDb *= sign;
    return best;
}

struct BandCase {
    const char* name;
    CircuitCoefficients coefficients;
    double runRate;
};

// Every band at its centre position, and the "OFF" selections at any position.
std::vector<BandCase> FlatCases(double fs) {
    std::vector<BandCase> cases;
    for (int sel = 1; sel <= 4; ++sel) cases.push_back({"low", LowBand(fs, 0.5, sel), fs});
    for (int sel = 1; sel <= 6; ++sel) cases.push_back({"mid", MidBand(fs, 0.5, sel), 2.0 * fs});
    cases.push_back({"high", HighBand(fs, 0.5), 2.0 * fs});
    for (double p : {0.05, 0.5, 0.95}) {
        cases.push_back({"low OFF", LowBand(fs, p, 0), fs});
        cases.push_back({"mid OFF", MidBand(fs, p, 0), 2.0 * fs});
    }
    return cases;
}

TEST(CircuitBandsTest, CentrePositionsAndOffSelectionsAreFlatAndInverting) {
    for (double fs : kRates) {
        for (const BandCase& c : FlatCases(fs)) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << fs);
            double worstDb = 0.0;
            double worstPhase = 0.0;  // distance from an exact inversion, radians
            for (double f = 20.0; f <= 20000.0; f *= 1.01) {
                const Complex h = Response(c.coefficients, f, c.runRate);
                worstDb = std::max(worstDb, std::abs(20.0 * std::log10(std::abs(h))));
                worstPhase = std::max(worstPhase, std::abs(std::arg(-h)));
            }
            EXPECT_LT(worstDb, 0.001);
            EXPECT_LT(worstPhase, 0.001);
        }
    }
}

TEST(CircuitBandsTest, EveryBandInvertsAtEveryPosition) {
    // Gain at DC, H(1) = Σb / Σa, is negative.
    auto dcGain = [](const CircuitCoefficients& c) { return (c.b0 + c.b1 + c.b2) / (c.a0 + c.a1 + c.a2); };
    const double fs = 48000.0;
    for (double p : {0.0, 0.05, 0.25, 0.5, 0.75, 0.95, 1.0}) {
        SCOPED_TRACE(p);
        for (int sel = 0; sel <= 4; ++sel) EXPECT_LT(dcGain(LowBand(fs, p, sel)), 0.0) << "low " << sel;
        for (int sel = 0; sel <= 6; ++sel) EXPECT_LT(dcGain(MidBand(fs, p, sel)), 0.0) << "mid " << sel;
        EXPECT_LT(dcGain(HighBand(fs, p)), 0.0);
    }
}

TEST(CircuitBandsTest, NegatedChainOfFlatBandsKeepsPolarity) {
    for (double fs : kRates) {
        const CircuitCoefficients low = LowBand(fs, 0.5, 2);
        const CircuitCoefficients mid = MidBand(fs, 0.5, 3);
        const CircuitCoefficients high = HighBand(fs, 0.5);
        for (double f : {20.0, 100.0, 1000.0, 10000.0, 20000.0}) {
            SCOPED_TRACE(f);
            const Complex h = -Response(low, f, fs) * Response(mid, f, 2.0 * fs) * Response(high, f, 2.0 * fs);
            EXPECT_NEAR(h.real(), 1.0, 0.001);
            EXPECT_NEAR(h.imag(), 0.0, 0.001);
        }
    }
}

TEST(CircuitHighPassTest, CornersAreTheSameAtEverySampleRate) {
    struct Corner {
        int selection;
        double minusThreeDbHz;
    };
    // -3 dB exactly; the "160Hz" corner measures 144.15 Hz.
    const Corner kCorners[] = {{1, 45.0}, {2, 72.0}, {3, 144.15}, {4, 288.2}};
    for (double fs : kRates) {
        for (const Corner& c : kCorners) {
            SCOPED_TRACE(testing::Message() << "selection " << c.selection << " at " << fs);
            const CircuitCoefficients hp = HighPass(fs, c.selection);
            const double corner = Crossing([&](double f) { return GainDb(hp, f, fs); }, 5.0, 2000.0, -3.0);
            EXPECT_NEAR(corner, c.minusThreeDbHz, 0.1);
            // A high-pass, not an inverter: in phase well above the corner.
            EXPECT_GT(Response(hp, 10000.0, fs).real(), 0.99);
        }
        EXPECT_NEAR(GainDb(HighPass(fs, 1), 20.0, fs), -11.5, 0.05);
    }
}

TEST(CircuitHighPassTest, OffIsDesignedAsFiftyHertz) {
    const CircuitCoefficients off = HighPass(48000.0, 0);
    const CircuitCoefficients fifty = HighPass(48000.0, 1);
    EXPECT_EQ(off.b0, fifty.b0);
    EXPECT_EQ(off.a1, fifty.a1);
    EXPECT_EQ(off.a2, fifty.a2);
}

TEST(CircuitLowBandTest, BoostReachesFifteenDbAndHalvesAtTheSelectedFrequency) {
    struct HalfGain {
        int selection;
        double frequencyHz;
    };
    const HalfGain kHalfGain[] = {{1, 37.8}, {2, 71.0}, {3, 138.9}, {4, 353.3}};
    for (double fs : kRates) {
        for (const HalfGain& c : kHalfGain) {
            SCOPED_TRACE(testing::Message() << "selection " << c.selection << " at " << fs);
            for (double sign : {1.0, -1.0}) {
                const CircuitCoefficients low = LowBand(fs, LowPosition(sign * 15.0), c.selection);
                const double extreme = GainDb(low, 5.0, fs);
                EXPECT_GE(sign * extreme, 15.0);
                EXPECT_LE(sign * extreme, 15.5);
                const double half = Crossing([&](double f) { return GainDb(low, f, fs); }, 5.0, 5000.0, extreme / 2.0);
                // Measured 37.74, 70.84, 138.81 and 352.94 Hz with 5 Hz as the full boost.
                EXPECT_NEAR(half, c.frequencyHz, 0.003 * c.frequencyHz);
            }
        }
    }
}

TEST(CircuitLowBandTest, TenHertzGainFollowsTheKnob) {
    struct Ladder {
        int selection;
        double knobDb;
        double gainAt10Hz;
    };
    const Ladder kLadder[] = {{1, 3, 2.39},  {1, 6, 4.87},  {1, 9, 7.53}, {1, 12, 10.50},
                              {1, 15, 13.94}, {4, 3, 2.49}, {4, 15, 15.47}};
    for (double fs : kRates) {
        for (const Ladder& c : kLadder) {
            SCOPED_TRACE(testing::Message() << "selection " << c.selection << " knob " << c.knobDb << " at " << fs);
            EXPECT_NEAR(GainDb(LowBand(fs, LowPosition(c.knobDb), c.selection), 10.0, fs), c.gainAt10Hz, 0.01);
            EXPECT_NEAR(GainDb(LowBand(fs, LowPosition(-c.knobDb), c.selection), 10.0, fs), -c.gainAt10Hz, 0.01);
        }
    }
}

TEST(CircuitMidBandTest, FullBoostPeaksAtTheSelectedFrequency) {
    const double fs = 48000.0;
    const double kPeakHz[] = {356.0, 678.0, 1600.0, 3090.0, 4700.0, 7700.0};
    for (int sel = 1; sel <= 6; ++sel) {
        SCOPED_TRACE(sel);
        const Extremum boost = FindExtremum(MidBand(fs, MidPosition(15.0), sel), 2.0 * fs, 1.0);
        const Extremum cut = FindExtremum(MidBand(fs, MidPosition(-15.0), sel), 2.0 * fs, -1.0);
        // The top selection is measured at 7786 Hz.
        EXPECT_NEAR(boost.frequency, kPeakHz[sel - 1], 0.015 * kPeakHz[sel - 1]);
        EXPECT_NEAR(boost.gainDb, 15.16, 0.01);
        EXPECT_NEAR(cut.frequency, boost.frequency, 0.01 * boost.frequency);
        EXPECT_NEAR(cut.gainDb, -15.16, 0.01);
    }
}

TEST(CircuitMidBandTest, PeakGainFollowsTheKnobAndNarrowsAsItRises) {
    struct Ladder {
        double knobDb;
        double peakDb;
        double lowerHalfHz;  // half-gain points of ".36kHz", 0 where not checked
        double upperHalfHz;
    };
    const Ladder kLadder[] = {{3, 2.17, 89.0, 1416.0}, {6, 4.48, 0, 0}, {9, 7.11, 0, 0}, {15, 15.16, 130.0, 972.0}};
    const double fs = 48000.0;
    for (const Ladder& c : kLadder) {
        for (double sign : {1.0, -1.0}) {
            for (int sel = 1; sel <= 6; ++sel) {
                SCOPED_TRACE(testing::Message() << "knob " << sign * c.knobDb << " selection " << sel);
                const CircuitCoefficients mid = MidBand(fs, MidPosition(sign * c.knobDb), sel);
                const Extremum peak = FindExtremum(mid, 2.0 * fs, sign);
                EXPECT_NEAR(peak.gainDb, sign * c.peakDb, 0.01);
                if (sel != 1 || c.lowerHalfHz == 0) continue;
                auto gain = [&](double f) { return GainDb(mid, f, 2.0 * fs); };
                EXPECT_NEAR(Crossing(gain, 20.0, peak.frequency, peak.gainDb / 2.0), c.lowerHalfHz, 0.01 * c.lowerHalfHz);
                EXPECT_NEAR(Crossing(gain, peak.frequency, 20000.0, peak.gainDb / 2.0), c.upperHalfHz,
                            0.01 * c.upperHalfHz);
            }
        }
    }
}

TEST(CircuitHighBandTest, FullBoostShelvesUpTowardsTwentyKilohertz) {
    struct Point {
        double frequency;
        double gainDb;
        double tolerance;
    };
    const Point kPoints[] = {{1000.0, -0.61, 0.01}, {5000.0, 7.7, 0.05}, {10000.0, 12.1, 0.05}, {20000.0, 15.0, 0.05}};
    const double fs = 48000.0;
    for (const Point& c : kPoints) {
        SCOPED_TRACE(c.frequency);
        EXPECT_NEAR(GainDb(HighBand(fs, HighPosition(15.0)), c.frequency, 2.0 * fs), c.gainDb, c.tolerance);
        EXPECT_NEAR(GainDb(HighBand(fs, HighPosition(-15.0)), c.frequency, 2.0 * fs), -c.gainDb, c.tolerance);
    }
}

TEST(CircuitHighBandTest, TwentyKilohertzGainFollowsTheKnob) {
    struct Ladder {
        double knobDb;
        double gainAt20kHz;
    };
    const Ladder kLadder[] = {{3, 1.43}, {6, 3.04}, {9, 5.13}, {12, 8.35}, {15, 15.03}};
    const double fs = 48000.0;
    for (const Ladder& c : kLadder) {
        SCOPED_TRACE(c.knobDb);
        EXPECT_NEAR(GainDb(HighBand(fs, HighPosition(c.knobDb)), 20000.0, 2.0 * fs), c.gainAt20kHz, 0.01);
        EXPECT_NEAR(GainDb(HighBand(fs, HighPosition(-c.knobDb)), 20000.0, 2.0 * fs), -c.gainAt20kHz, 0.01);
    }
}

// A sine run through Process settles at the amplitude and phase the
// coefficients promise.
TEST(CircuitBiquadTest, ProcessRealisesTheDesignedResponse) {
    struct SineCase {
        const char* name;
        CircuitCoefficients coefficients;
        double runRate;
        double frequency;  // a whole number of samples per period
    };
    const SineCase kCases[] = {
        {"mid boost", MidBand(48000.0, MidPosition(15.0), 3), 96000.0, 1600.0},
        {"high boost", HighBand(48000.0, HighPosition(15.0)), 96000.0, 12000.0},
        {"low cut", LowBand(48000.0, LowPosition(-15.0), 2), 48000.0, 100.0},
        {"high-pass", HighPass(48000.0, 4), 48000.0, 300.0},
    };
    for (const SineCase& c : kCases) {
        SCOPED_TRACE(c.name);
        CircuitBiquad section;
        section.SetCoefficients(c.coefficients);
        const double w = 2.0 * M_PI * c.frequency / c.runRate;
        const int period = static_cast<int>(std::lround(c.runRate / c.frequency));
        const int settle = static_cast<int>(c.runRate);  // one second
        Complex measured = 0.0;
        for (int n = 0; n < settle + 10 * period; ++n) {
            const double y = section.Process(std::sin(w * n));
            if (n >= settle) measured += y * std::polar(1.0, -w * n);
        }
        measured *= 2.0 / (10 * period);
        const Complex expected = Response(c.coefficients, c.frequency, c.runRate) * Complex(0.0, -1.0);
        EXPECT_NEAR(std::abs(measured - expected), 0.0, 1e-6 * std::abs(expected));
    }
}

TEST(CircuitBiquadTest, SelectionOutsideTheTableKeepsTheCoefficients) {
    struct Design {
        const char* name;
        std::function<void(CircuitBiquad&, int)> run;
        int badSelections[3];
    };
    const Design kDesigns[] = {
        {"high-pass", [](CircuitBiquad& s, int sel) { DesignHighPass(s, 48000.0, sel); }, {-1, 5, 1000}},
        {"low", [](CircuitBiquad& s, int sel) { DesignLowBand(s, 144000.0, 0.8, sel); }, {-1, 5, 1000}},
        {"mid", [](CircuitBiquad& s, int sel) { DesignMidBand(s, 96000.0, 0.2, sel); }, {-1, 7, 1000}},
    };
    for (const Design& d : kDesigns) {
        CircuitBiquad section;
        d.run(section, 2);
        const CircuitCoefficients before = section.Coefficients();
        for (int bad : d.badSelections) {
            SCOPED_TRACE(testing::Message() << d.name << " selection " << bad);
            d.run(section, bad);
            const CircuitCoefficients after = section.Coefficients();
            EXPECT_EQ(after.a0, before.a0);
            EXPECT_EQ(after.a1, before.a1);
            EXPECT_EQ(after.a2, before.a2);
            EXPECT_EQ(after.b0, before.b0);
            EXPECT_EQ(after.b1, before.b1);
            EXPECT_EQ(after.b2, before.b2);
        }
    }
}

TEST(CircuitBiquadTest, RedesignKeepsTheHistory) {
    CircuitBiquad kept;
    CircuitBiquad redesigned;
    DesignMidBand(kept, 96000.0, 0.1, 4);
    DesignMidBand(redesigned, 96000.0, 0.1, 4);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    for (int n = 0; n < 64; ++n) {
        const double x = sample(rng);
        if (n == 32) DesignMidBand(redesigned, 96000.0, 0.1, 4);
        ASSERT_EQ(redesigned.Process(x), kept.Process(x)) << n;
    }
}

// The plain recurrence, for comparing bits with the section.
struct ReferenceBiquad {
    CircuitCoefficients c;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double Process(double x) {
        const double y = (c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2) / c.a0;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

TEST(CircuitBiquadTest, FiniteInputRunsThePlainRecurrenceBitForBit) {
    CircuitBiquad section;
    DesignLowBand(section, 144000.0, 0.93, 3);
    ReferenceBiquad reference{section.Coefficients()};
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> sample(-2.0, 2.0);
    for (int n = 0; n < 10000; ++n) {
        const double x = sample(rng);
        ASSERT_EQ(Bits(section.Process(x)), Bits(reference.Process(x))) << n;
    }
}

TEST(CircuitBiquadTest, NonFiniteInputIsTakenAsSilence) {
    const double kBad[] = {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double bad : kBad) {
        SCOPED_TRACE(bad);
        CircuitBiquad hit;
        CircuitBiquad clean;
        DesignLowBand(hit, 144000.0, 0.95, 4);
        DesignLowBand(clean, 144000.0, 0.95, 4);
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> sample(-1.0, 1.0);
        for (int n = 0; n < 200; ++n) {
            const double x = sample(rng);
            const double y = hit.Process(n == 100 ? bad : x);
            ASSERT_EQ(Bits(y), Bits(clean.Process(n == 100 ? 0.0 : x))) << n;
            ASSERT_TRUE(std::isfinite(y)) << n;
        }
    }
}

TEST(CircuitBiquadTest, OverflowingInputLeavesNoInfinityBehind) {
    const double kHuge[] = {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), 1e306};
    for (double huge : kHuge) {
        SCOPED_TRACE(huge);
        CircuitBiquad section;
        DesignHighBand(section, 96000.0, 1.0);
        for (int n = 0; n < 100; ++n) {
            ASSERT_TRUE(std::isfinite(section.Process(n == 10 ? huge : 0.5))) << n;
        }
    }
}

TEST(CircuitBiquadTest, TwoLaneSectionMatchesTwoScalarSectionsBitForBit) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    std::uniform_real_distribution<double> position(0.0, 1.0);
    const double fs = 44100.0;

    // The chain as the engine runs it: per-block low/mid designs, the high
    // band redesigned every sample from each lane's own position.
    CircuitBiquad2 lowLanes, midLanes, highLanes;
    CircuitBiquad low[2], mid[2], high[2];
    for (int block = 0; block < 8; ++block) {
        const double pl[2] = {0.05 + 0.9 * position(rng), 0.05 + 0.9 * position(rng)};
        const double pm[2] = {0.05 + 0.9 * position(rng), 0.05 + 0.9 * position(rng)};
        DesignLowBand(lowLanes, 3.0 * fs, Double2{pl[0], pl[1]}, block % 5);
        DesignMidBand(midLanes, 2.0 * fs, Double2{pm[0], pm[1]}, block % 7);
        for (int k = 0; k < 2; ++k) {
            DesignLowBand(low[k], 3.0 * fs, pl[k], block % 5);
            DesignMidBand(mid[k], 2.0 * fs, pm[k], block % 7);
        }
        for (int n = 0; n < 256; ++n) {
            const double ph[2] = {position(rng), position(rng)};
            DesignHighBand(highLanes, 2.0 * fs, Double2{ph[0], ph[1]});
            const double in[2] = {sample(rng), sample(rng)};
            const Double2 lanes = highLanes.Process(midLanes.Process(-lowLanes.Process(Double2{in[0], in[1]})));
            for (int k = 0; k < 2; ++k) {
                DesignHighBand(high[k], 2.0 * fs, ph[k]);
                const double scalar = high[k].Process(mid[k].Process(-low[k].Process(in[k])));
                ASSERT_EQ(Bits(lanes[k]), Bits(scalar)) << "block " << block << " sample " << n << " lane " << k;
            }
        }
    }
}

TEST(CircuitBiquadTest, LaneCoefficientsAndGuardActPerLane) {
    CircuitBiquad2 lanes;
    CircuitBiquad scalar[2];
    DesignHighPass(scalar[0], 48000.0, 2);
    DesignLowBand(scalar[1], 144000.0, 0.2, 3);
    lanes.SetLaneCoefficients(0, scalar[0].Coefficients());
    lanes.SetLaneCoefficients(1, scalar[1].Coefficients());
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int n = 0; n < 300; ++n) {
        Double2 in{sample(rng), sample(rng)};
        if (n == 50) in[0] = nan;  // each lane meets its own fault
        if (n == 120) in[1] = -std::numeric_limits<double>::infinity();
        const Double2 out = lanes.Process(in);
        for (int k = 0; k < 2; ++k) {
            const double expected = scalar[k].Process(std::isfinite(in[k]) ? in[k] : 0.0);
            ASSERT_EQ(Bits(out[k]), Bits(expected)) << "sample " << n << " lane " << k;
        }
    }
}

}  // namespace
