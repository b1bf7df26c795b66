#include "product/channel_strip_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "channel_controls.h"
#include "core/param_table.h"
#include "dsp/circuit_biquad.h"
#include "dsp/halfband_filter.h"
#include "dsp/preamp_curve.h"
#include "dsp/tone_biquad.h"
#include "product/channel_parameters.h"

namespace {

// ---------------------------------------------------------------------------
// A plain one-channel-at-a-time model of the strip, written straight from the
// description of the chain: shifting delay lines, one object per channel, every
// stage in its documented order. The optimised engine must match it bit for bit.

struct ModelSmoother {
    double a = std::exp(-std::numbers::pi / 120.0);
    double b = 1.0 - std::exp(-std::numbers::pi / 120.0);
    double z = 0.0;

    void SetTime(double T, double fs) {
        a = std::exp(-2.0 * std::numbers::pi / (T * fs));
        b = 1.0 - a;
    }
    double Advance(double target) {
        z = b * target + a * z;
        if (std::fpclassify(z) == FP_SUBNORMAL || z == 0.0) z = 0.0;
        return z;
    }
};

struct ModelSection {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double a0 = 0, a1 = 0, a2 = 0, b0 = 0, b1 = 0, b2 = 0;

    double Process(double x) {
        const double y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void Design(double N2, double N1, double N0, double D2, double D1, double D0, double X) {
        const double X2 = X * X;
        b0 = N2 * X2 + N1 * X + N0;
        b1 = 2 * N0 - 2 * N2 * X2;
        b2 = N2 * X2 - N1 * X + N0;
        a0 = D2 * X2 + D1 * X + D0;
        a1 = 2 * D0 - 2 * D2 * X2;
        a2 = D2 * X2 - D1 * X + D0;
    }
};

void ModelHighPass(ModelSection& s, double X, int selection) {
    const double divisor[] = {1.0, 1.0, 1.6, 3.2, 6.4};
    s.Design(4.32284220699621e-10, 0, 0, 4.32284220699621e-10, 8.33690997063555e-8,
             5.4387221678436e-6, X / divisor[selection]);
}

void ModelLowRule(ModelSection& s, double X, double p, const circuit_constants::LowBandRow& k) {
    const double pp = p * p;
    s.Design(k.alpha * (pp - p), k.beta * (pp - p) - k.delta, -(k.gamma * p + k.epsilon),
             k.alphaPrime * (p - pp), k.betaPrime * (p - pp) + k.deltaPrime,
             k.eta - k.gamma * p - k.zeta * pp, X);
}

void ModelLowBand(ModelSection& s, double X, double p, int selection) {
    if (selection == 0)
        ModelLowRule(s, X, 0.5, circuit_constants::kLowBand[1]);
    else
        ModelLowRule(s, X, p, circuit_constants::kLowBand[selection]);
}

void ModelMidBand(ModelSection& s, double X, double p, int selection) {
    if (selection == 0) {
        ModelLowRule(s, X, 0.5, circuit_constants::kLowBand[1]);
        return;
    }
    const auto& k = circuit_constants::kMidBand[selection];
    const double pp = p * p;
    s.Design(-k.kappa, k.mu * pp + k.nu * p - k.lambda, -k.sigma, k.kappaPrime,
             k.phi * p - k.psi * pp + k.tau, k.rho, X);
}

void ModelHighBand(ModelSection& s, double X, double p) {
    const double pp = p * p;
    s.Design(-5.68570106117114e-11 - 9.90879243374448e-10 * p + 6.81147611116674e-10 * pp,
             -2.42315123226797e-6, -0.00351832443758613,
             3.66592877326021e-10 + 3.71429601811122e-10 * p - 6.81161234068896e-10 * pp,
             2.42319969529262e-6, 0.00351839480407488, X);
}

struct ModelHalfband {
    double v[129] = {};  // v[0] newest
    double o = 1e-15;

    double Process(double x) {
        o = -o;
        for (int k = 128; k >= 1; --k) v[k] = v[k - 1];
        v[0] = x + o;
        double y = 0.5 * v[64];
        for (int i = 0; i < 32; ++i) {
            const int m = 2 * i + 1;
            y = y + kHalfbandTaps[i] * (v[64 - m] + v[64 + m]);
        }
        return y - o;
    }
    void Clear() { std::fill(std::begin(v), std::end(v), 0.0); }
};

struct ModelDecimator {
    double L[65] = {};

    double Decimate(double a, double b) {
        for (int k = 64; k >= 2; --k) L[k] = L[k - 2];
        L[1] = a;
        L[0] = b;
        double y = 0.5 * L[33];
        for (int i = 0; i < 16; ++i) {
            const int m = 2 * i + 1;
            y = y + kDecimatorTaps[i] * (L[33 - m] + L[33 + m]);
        }
        return 2 * y;
    }
    void Clear() { std::fill(std::begin(L), std::end(L), 0.0); }
};

struct ModelChannel {
    ToneBiquad in1, in2, in3, out1, out2, out3, bandPass;
    ModelHalfband interpolation, decimation;
    ModelSection highPass, low, mid, high;
    ModelDecimator equaliserDecimator;
};

struct ModelStrip {
    ModelChannel ch[2];
    ModelSmoother drive, trim, lowPosition, midPosition, highPosition;
    double d = 1e-15;
    // A new strip and a reset one start their first block on the settings
    // made before it.
    bool startOnTargets = true;

    void OntoTargets(const EngineSettings& s) {
        drive.z = s.driveTarget;
        trim.z = s.trimTarget;
        lowPosition.z = s.lowPositionTarget;
        midPosition.z = s.midPositionTarget;
        highPosition.z = s.highPositionTarget;
    }

    void Reset(const EngineSettings& s) {
        for (ModelChannel& c : ch) {
            c.equaliserDecimator.Clear();
            c.interpolation.Clear();
            c.decimation.Clear();
        }
        OntoTargets(s);
        startOnTargets = true;
    }

    double ShapeOne(double v, int curve, const EngineSettings& s) {
        const double g1 = drive.Advance(s.driveTarget);
        const double g2 = drive.Advance(s.driveTarget);
        const double u = v * g1;
        return (curve == 0 ? PreampCurve0(u) : PreampCurve1(u)) / g2;
    }

    int Process(const double* const* in, double* const* out, int n, double fs,
                const EngineSettings& s, const Param& micPre) {
        for (ModelSmoother* sm : {&drive, &trim, &lowPosition, &midPosition})
            sm->SetTime(0.001, fs);
        highPosition.SetTime(0.5, fs);
        if (startOnTargets) OntoTargets(s);
        startOnTargets = false;
        for (ModelChannel& c : ch) ModelHighPass(c.highPass, fs, s.highPassSelection);
        for (ModelChannel& c : ch)
            ModelLowBand(c.low, 3 * fs, lowPosition.Advance(s.lowPositionTarget),
                         s.lowFrequencySelection);
        for (ModelChannel& c : ch)
            ModelMidBand(c.mid, 2 * fs, midPosition.Advance(s.midPositionTarget),
                         s.midFrequencySelection);
        for (ModelChannel& c : ch) {
            c.in1.Configure(kToneLowShelf, 200 / fs, 0.4, -3.0);
            c.in2.Configure(kTonePeaking, 830 / fs, 0.38, 2.0);
            c.in3.Configure(kToneHighShelf, 5000 / fs, 0.28, -3.0);
            c.out1.Configure(kToneLowShelf, 140 / fs, 0.4, 3.1);
            c.out2.Configure(kTonePeaking, 830 / fs, 0.38, -1.1);
            c.out3.Configure(kToneHighShelf, 5000 / fs, 0.28, 2.8);
            c.bandPass.Configure(kToneBandPass, 700 / fs, 0.009, 0.0);
        }

        for (int i = 0; i < n; ++i) {
            for (ModelChannel& c : ch)
                ModelHighBand(c.high, 2 * fs, highPosition.Advance(s.highPositionTarget));
            d = -d;
            double coloured[2], preamp[2], oversampled[2] = {0, 0};
            for (int k = 0; k < 2; ++k) {
                ModelChannel& c = ch[k];
                const float x = static_cast<float>(in[k][i] + d);
                coloured[k] = c.in3.Process(c.in2.Process(c.in1.Process(x)));
            }
            if (s.oversamplingPasses == 2) {
                for (int j = 0; j < 2; ++j) {
                    double w[2];
                    for (int k = 0; k < 2; ++k)
                        w[k] = ch[k].interpolation.Process(j == 0 ? coloured[k] : 0.0);
                    const int curve = static_cast<int>(micPre.GetValue());
                    for (int k = 0; k < 2; ++k) w[k] = ShapeOne(2 * w[k], curve, s);
                    for (int k = 0; k < 2; ++k) w[k] = ch[k].decimation.Process(w[k]);
                    if (j == 0) oversampled[0] = w[0], oversampled[1] = w[1];
                }
            }
            for (int k = 0; k < 2; ++k) preamp[k] = ShapeOne(coloured[k], s.micCurveSelection, s);
            if (s.oversamplingPasses == 2) preamp[0] = oversampled[0], preamp[1] = oversampled[1];

            double low[2], v[2], z[2], y[2];
            for (int k = 0; k < 2; ++k) {
                double h = preamp[k];
                if (s.highPassSelection != 0) h = ch[k].highPass.Process(h);
                low[k] = ch[k].low.Process(h);
            }
            for (int k = 0; k < 2; ++k) v[k] = ch[k].high.Process(ch[k].mid.Process(-low[k]));
            for (int k = 0; k < 2; ++k) z[k] = ch[k].high.Process(ch[k].mid.Process(0.0));
            for (int k = 0; k < 2; ++k) {
                ModelChannel& c = ch[k];
                const double e = c.equaliserDecimator.Decimate(v[k], z[k]);
                const float o3 =
                    c.out3.Process(c.out2.Process(c.out1.Process(static_cast<float>(e))));
                const double t = trim.Advance(s.trimTarget);
                y[k] = c.bandPass.Process(o3) * t;
            }
            for (int k = 0; k < 2; ++k)
                out[k][i] = s.processingSwitch == 0 ? in[k][i] - d : y[k] - d;
        }
        return s.latencyBase * s.processingSwitch;
    }
};

// ---------------------------------------------------------------------------

using Controls = ChannelControls;

// Two channels of samples.
struct Stereo {
    std::vector<double> left, right;
    explicit Stereo(int n = 0) : left(n), right(n) {}
    int Size() const { return static_cast<int>(left.size()); }
    double* const* Pointers() {
        mPointers[0] = left.data();
        mPointers[1] = right.data();
        return mPointers;
    }

private:
    double* mPointers[2] = {};
};

int ProcessBlock(ChannelStripEngine& engine, Stereo& in, Stereo& out, double fs,
                 const Controls& c) {
    return engine.ProcessAudioBlock(in.Pointers(), out.Pointers(), in.Size(), fs, c.settings,
                                    c.MicPre());
}

Stereo Sine(int n, double frequency, double fs, double amplitude) {
    Stereo s(n);
    for (int i = 0; i < n; ++i) {
        s.left[i] = amplitude * std::sin(2 * std::numbers::pi * frequency * i / fs);
        s.right[i] = amplitude * std::sin(2 * std::numbers::pi * frequency * i / fs + 0.5);
    }
    return s;
}

double Peak(const std::vector<double>& v, int from, int to) {
    double peak = 0;
    for (int i = from; i < to; ++i) peak = std::max(peak, std::fabs(v[i]));
    return peak;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// ---------------------------------------------------------------------------

struct ModelCase {
    const char* name;
    int oversampling;  // -1: changed at random with everything else
    int micPre;        // -1: changed at random; 2: the parameter at 1 while the
                       // engine setting still holds 0, so the paths' curves differ
    double sampleRate;
};

const ModelCase kModelCases[] = {
    {"direct curve 0", 0, 0, 48000.0},
    {"direct curve 1", 0, 1, 44100.0},
    {"oversampled curve 0", 1, 0, 48000.0},
    {"oversampled curve 1", 1, 1, 96000.0},
    {"oversampled, the curves of the two paths differ", 1, 2, 48000.0},
    {"everything moving", -1, -1, 48000.0},
};

// The engine runs both channels in SIMD lanes, in stretches, with its own
// half-band lines and its preamp curves many values per vector call: whatever
// the parameters do, at every curve width this CPU runs (two lanes run
// everywhere), it must give exactly the numbers of the plain chain.
TEST(ChannelStripEngineTest, MatchesThePlainChainBitForBit) {
    for (const CurveLanes lanes : {CurveLanes::kTwo, CurveLanes::kFour, CurveLanes::kEight}) {
        if (!CurveLanesSupported(lanes)) continue;
        for (const ModelCase& mc : kModelCases) {
            SCOPED_TRACE(testing::Message()
                         << mc.name << ", curves " << static_cast<int>(lanes) << " lanes");
            std::mt19937 rng(1234);
            std::uniform_real_distribution<double> unit(0.0, 1.0);
            Controls controls;
            auto engine = std::make_unique<ChannelStripEngine>();
            engine->SelectLanes(lanes);
            auto model = std::make_unique<ModelStrip>();

            auto randomise = [&] {
                for (int index = 0; index < kNumChannelParams; ++index) {
                    if (index == kOversampling && mc.oversampling >= 0) continue;
                    if (index == kMicPre && mc.micPre >= 0) continue;
                    // Processing mostly on, so the chain's output is what is compared.
                    if (index == kBypass) {
                        controls.Set(index, unit(rng) < 0.85 ? 1 : 0);
                        continue;
                    }
                    controls.params.GetParam(index)->SetNorm(unit(rng));
                    ApplyParamChange(index, controls.params, controls.settings);
                }
            };
            if (mc.oversampling >= 0) controls.Set(kOversampling, mc.oversampling);
            if (mc.micPre == 2) {
                controls.Set(kMicPre, 0);
                controls.params.GetParam(kMicPre)->SetValue(1);
            } else if (mc.micPre >= 0) {
                controls.Set(kMicPre, mc.micPre);
            }

            int mismatches = 0;
            for (int block = 0; block < 120 && mismatches == 0; ++block) {
                // Settings move between blocks; sometimes only a few, sometimes all.
                if (block % 3 == 0) randomise();
                if (block % 17 == 5) {
                    engine->ResetProcessing(controls.settings);
                    model->Reset(controls.settings);
                }
                // Lengths across the engine's stretches, and empty blocks.
                const int lengths[] = {0, 1, 7, 63, 64, 65, 128, 200, 513};
                const int n = lengths[rng() % std::size(lengths)];
                Stereo in(n), expected(n), actual(n);
                // Loud enough to drive the curves, with a DC part.
                for (int i = 0; i < n; ++i) {
                    in.left[i] = 1.6 * unit(rng) - 0.7;
                    in.right[i] = 0.4 * std::sin(0.05 * i) + 0.3 * unit(rng);
                }
                const int expectedLatency =
                    model->Process(in.Pointers(), expected.Pointers(), n, mc.sampleRate,
                                   controls.settings, controls.MicPre());
                const int latency = ProcessBlock(*engine, in, actual, mc.sampleRate, controls);
                EXPECT_EQ(latency, expectedLatency);
                for (int i = 0; i < n && mismatches < 5; ++i) {
                    if (!SameBits(actual.left[i], expected.left[i]) ||
                        !SameBits(actual.right[i], expected.right[i])) {
                        ADD_FAILURE() << "block " << block << " sample " << i << ": "
                                      << actual.left[i] << " / " << expected.left[i] << ", "
                                      << actual.right[i] << " / " << expected.right[i];
                        ++mismatches;
                    }
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------

// Gain (dB) and the in-phase part of a sine of `frequency` run through the
// engine's high-pass, bands and decimator at their defaults, against the input
// delayed by the decimator's 16 samples.
struct Response {
    double gainDb;
    double inPhase;  // > 0: not inverted
};

Response MeasureEqualiser(double frequency, double fs) {
    Controls controls;
    auto engine = std::make_unique<ChannelStripEngine>();
    engine->ResetProcessing(controls.settings);
    const int n = static_cast<int>(fs);  // one second: the sections settle in the first half
    const double amplitude = 0.5;
    Stereo in = Sine(n, frequency, fs, amplitude), out(n);
    for (int start = 0; start < n; start += 512) {
        const int len = std::min(512, n - start);
        double* ins[2] = {in.left.data() + start, in.right.data() + start};
        double* outs[2] = {out.left.data() + start, out.right.data() + start};
        engine->ProcessEqualiser(ins, outs, len, fs, controls.settings);
    }
    // Least squares fit of a * sin + b * cos of the delayed input phase.
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    const double w = 2 * std::numbers::pi * frequency / fs;
    for (int i = n / 2; i < n; ++i) {
        const double sv = std::sin(w * (i - 16)), cv = std::cos(w * (i - 16));
        ss += sv * sv;
        sc += sv * cv;
        cc += cv * cv;
        ys += out.left[i] * sv;
        yc += out.left[i] * cv;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det;
    const double b = (yc * ss - ys * sc) / det;
    return {20 * std::log10(std::hypot(a, b) / amplitude), a / amplitude};
}

struct FlatnessCase {
    double sampleRate;
    double topHz;
    double toleranceDb;
};

// The equaliser at its defaults must not colour the sound: the colour comes
// from the preamp and the fixed colouring filters only.
TEST(ChannelStripEngineTest, EqualiserIsFlatAndKeepsPolarityAtDefaults) {
    const FlatnessCase kCases[] = {{44100.0, 18000.0, 0.002}, {48000.0, 20000.0, 0.01}};
    const double kFrequencies[] = {20,   31.5, 50,    100,   250,   500,   1000, 2000,
                                   4000, 8000, 12000, 16000, 18000, 19000, 20000};
    for (const FlatnessCase& fc : kCases) {
        for (double f : kFrequencies) {
            if (f > fc.topHz) continue;
            SCOPED_TRACE(testing::Message() << fc.sampleRate << " Hz rate, " << f << " Hz");
            const Response r = MeasureEqualiser(f, fc.sampleRate);
            EXPECT_NEAR(r.gainDb, 0.0, fc.toleranceDb);
            EXPECT_GT(r.inPhase, 0.9);
        }
    }
}

struct LatencyCase {
    int bypass;
    int oversampling;
    int latency;
};

TEST(ChannelStripEngineTest, ReportsLatencyFromProcessingSwitchAndOversampling) {
    const LatencyCase kCases[] = {{0, 0, 0},
                                  {0, 1, 0},
                                  {1, 0, kStripLatencySamples},
                                  {1, 1, kOversampledStripLatencySamples}};
    for (const LatencyCase& lc : kCases) {
        SCOPED_TRACE(testing::Message()
                     << "bypass " << lc.bypass << ", oversampling " << lc.oversampling);
        Controls controls;
        controls.Set(kBypass, lc.bypass);
        controls.Set(kOversampling, lc.oversampling);
        auto engine = std::make_unique<ChannelStripEngine>();
        Stereo in = Sine(100, 440, 48000, 0.5), out(100);
        EXPECT_EQ(ProcessBlock(*engine, in, out, 48000, controls), lc.latency);
        // Also without a sample: the latency follows the settings at once.
        Stereo empty;
        EXPECT_EQ(ProcessBlock(*engine, empty, empty, 48000, controls), lc.latency);
    }
}

// Passed through, the input comes out unchanged but for the alternating
// offset, whose first value is -1e-15; the chain keeps running meanwhile.
TEST(ChannelStripEngineTest, PassesTheInputThroughMinusTheOffset) {
    Controls controls;
    controls.Set(kBypass, 0);
    auto engine = std::make_unique<ChannelStripEngine>();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    double d = 1e-15;
    for (int block = 0; block < 3; ++block) {
        Stereo in(150), out(150);
        for (int i = 0; i < 150; ++i) in.left[i] = sample(rng), in.right[i] = sample(rng);
        ProcessBlock(*engine, in, out, 48000, controls);
        for (int i = 0; i < 150; ++i) {
            d = -d;
            ASSERT_TRUE(SameBits(out.left[i], in.left[i] - d)) << block << ":" << i;
            ASSERT_TRUE(SameBits(out.right[i], in.right[i] - d)) << block << ":" << i;
        }
    }
}

// An empty block still runs the once-per-block steps: two advances each of
// the low and mid smoothers, and the designs that follow from them.
TEST(ChannelStripEngineTest, EmptyBlockAdvancesLowAndMidPositionsTwice) {
    Controls controls;
    controls.Set(kLowFreq, 2);
    controls.Set(kLowGain, 12);
    controls.Set(kMidFreq, 3);
    controls.Set(kMidGain, -9);
    auto withEmpty = std::make_unique<ChannelStripEngine>();
    auto without = std::make_unique<ChannelStripEngine>();
    auto model = std::make_unique<ModelStrip>();
    // A first block, so that what follows glides.
    Stereo silence(64), ignored(64);
    ProcessBlock(*withEmpty, silence, ignored, 48000, controls);
    ProcessBlock(*without, silence, ignored, 48000, controls);
    model->Process(silence.Pointers(), ignored.Pointers(), 64, 48000, controls.settings,
                   controls.MicPre());
    controls.Set(kLowGain, -12);
    controls.Set(kMidGain, 9);

    Stereo empty;
    ProcessBlock(*withEmpty, empty, empty, 48000, controls);
    model->Process(empty.Pointers(), empty.Pointers(), 0, 48000, controls.settings,
                   controls.MicPre());

    Stereo in = Sine(64, 200, 48000, 0.5), a(64), b(64), expected(64);
    ProcessBlock(*withEmpty, in, a, 48000, controls);
    ProcessBlock(*without, in, b, 48000, controls);
    model->Process(in.Pointers(), expected.Pointers(), 64, 48000, controls.settings,
                   controls.MicPre());
    bool differs = false;
    for (int i = 0; i < 64; ++i) {
        EXPECT_TRUE(SameBits(a.left[i], expected.left[i])) << i;
        differs = differs || a.left[i] != b.left[i];
    }
    EXPECT_TRUE(differs) << "the empty block left the positions where they were";
}

// Oversampling switched back on resumes the half-band filters from the
// history they held; after a reset they start from silence.
TEST(ChannelStripEngineTest, OversamplingResumesItsHistoryUnlessReset) {
    for (bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset before switching on" : "no reset");
        Controls controls;
        controls.Set(kOversampling, 1);
        auto engine = std::make_unique<ChannelStripEngine>();
        engine->ResetProcessing(controls.settings);
        Stereo music = Sine(48000, 1000, 48000, 0.5), out(48000);
        ProcessBlock(*engine, music, out, 48000, controls);

        controls.Set(kOversampling, 0);
        Stereo silence(96000), quiet(96000);
        ProcessBlock(*engine, silence, quiet, 48000, controls);
        EXPECT_LT(Peak(quiet.left, 48000, 96000), 1e-9);

        if (reset) engine->ResetProcessing(controls.settings);
        controls.Set(kOversampling, 1);
        Stereo after(512);
        Stereo shortSilence(512);
        ProcessBlock(*engine, shortSilence, after, 48000, controls);
        if (reset) {
            EXPECT_LT(Peak(after.left, 0, 512), 1e-9);
        } else {
            EXPECT_GT(Peak(after.left, 0, 512), 0.01);
        }
    }
}

double RmsDb(const std::vector<double>& v, int from, int to) {
    double sum = 0;
    for (int i = from; i < to; ++i) sum += v[i] * v[i];
    return 10 * std::log10(sum / (to - from));
}

// Settings made between construction or a reset and the first block sound as
// set from that block's first sample: nothing glides in from the defaults
// (with the high band's half-second glide, the first 50 ms of a +15 dB high
// boost would otherwise come out several dB low), and as the low and mid
// positions advance once per block, any glide would also make the sound
// depend on the block size.
TEST(ChannelStripEngineTest, TheFirstBlockStartsOnTheSettingsWhateverTheBlockSize) {
    constexpr double kRate = 48000;
    constexpr int kFrames = 12000;
    constexpr int k50Ms = 2400;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(-0.25, 0.25);
    Stereo noise(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        noise.left[i] = unit(rng);
        noise.right[i] = unit(rng);
    }
    for (const bool afterReset : {false, true}) {
        SCOPED_TRACE(afterReset ? "reset after playing at the defaults" : "new engine");
        std::vector<Stereo> renders;
        for (const int block : {1, 64, 4096}) {
            SCOPED_TRACE(block);
            Controls controls;
            auto engine = std::make_unique<ChannelStripEngine>();
            if (afterReset) {
                Stereo music = Sine(4096, 300, kRate, 0.5), out(4096);
                ProcessBlock(*engine, music, out, kRate, controls);
                engine->ResetProcessing(controls.settings);
            }
            controls.Set(kHighGain, 15);
            controls.Set(kLowFreq, 3);
            controls.Set(kLowGain, -9);
            controls.Set(kMidFreq, 4);
            controls.Set(kMidGain, 6);
            controls.Set(kOutputTrim, -6);
            Stereo out(kFrames);
            for (int start = 0; start < kFrames; start += block) {
                const int n = std::min(block, kFrames - start);
                double* ins[2] = {noise.left.data() + start, noise.right.data() + start};
                double* outs[2] = {out.left.data() + start, out.right.data() + start};
                engine->ProcessAudioBlock(ins, outs, n, kRate, controls.settings,
                                          controls.MicPre());
            }
            EXPECT_NEAR(RmsDb(out.left, 0, k50Ms), RmsDb(out.left, kFrames - k50Ms, kFrames), 0.5);
            renders.push_back(std::move(out));
        }
        for (std::size_t r = 1; r < renders.size(); ++r) {
            for (int i = 0; i < kFrames; ++i) {
                ASSERT_NEAR(renders[r].left[i], renders[0].left[i], 1e-9) << r << " frame " << i;
                ASSERT_NEAR(renders[r].right[i], renders[0].right[i], 1e-9) << r << " frame " << i;
            }
        }
    }
}

struct BadInputCase {
    const char* name;
    int oversampling;
    int bypass;
};

// NaN and infinities from a host must not stick in the strip: the filters
// take them as 0, the processed output stays finite, and the next block is
// ordinary audio again.
TEST(ChannelStripEngineTest, RecoversFromNonFiniteInput) {
    const BadInputCase kCases[] = {
        {"direct", 0, 1}, {"oversampled", 1, 1}, {"passed through", 0, 0}};
    for (const BadInputCase& bc : kCases) {
        SCOPED_TRACE(bc.name);
        Controls controls;
        controls.Set(kOversampling, bc.oversampling);
        controls.Set(kBypass, bc.bypass);
        controls.Set(kHighPass, 2);
        auto engine = std::make_unique<ChannelStripEngine>();
        engine->ResetProcessing(controls.settings);

        Stereo bad = Sine(256, 500, 48000, 0.5), badOut(256);
        bad.left[10] = std::numeric_limits<double>::quiet_NaN();
        bad.left[11] = std::numeric_limits<double>::infinity();
        bad.right[12] = -std::numeric_limits<double>::infinity();
        bad.right[200] = std::numeric_limits<double>::quiet_NaN();
        ProcessBlock(*engine, bad, badOut, 48000, controls);
        if (bc.bypass == 1) {
            for (int i = 0; i < 256; ++i)
                ASSERT_TRUE(std::isfinite(badOut.left[i]) && std::isfinite(badOut.right[i])) << i;
        }

        // The processing switch turned on for the good block: the chain ran all along.
        controls.Set(kBypass, 1);
        Stereo good = Sine(512, 500, 48000, 0.5), goodOut(512);
        ProcessBlock(*engine, good, goodOut, 48000, controls);
        for (int i = 0; i < 512; ++i)
            ASSERT_TRUE(std::isfinite(goodOut.left[i]) && std::isfinite(goodOut.right[i])) << i;
        EXPECT_GT(Peak(goodOut.left, 256, 512), 0.1);
        EXPECT_GT(Peak(goodOut.right, 256, 512), 0.1);
    }
}

// A host may hand the same buffers in and out.
TEST(ChannelStripEngineTest, ProcessesInPlaceLikeSeparateBuffers) {
    Controls controls;
    controls.Set(kOversampling, 1);
    controls.Set(kHighGain, 6);
    auto inPlace = std::make_unique<ChannelStripEngine>();
    auto separate = std::make_unique<ChannelStripEngine>();
    for (int block = 0; block < 4; ++block) {
        controls.Set(kBypass, block % 2);  // passing through reads the input as well
        Stereo in = Sine(300, 300 + 100 * block, 48000, 0.7), out(300);
        Stereo buffer = in;
        ProcessBlock(*separate, in, out, 48000, controls);
        ProcessBlock(*inPlace, buffer, buffer, 48000, controls);
        for (int i = 0; i < 300; ++i) {
            ASSERT_TRUE(SameBits(buffer.left[i], out.left[i])) << block << ":" << i;
            ASSERT_TRUE(SameBits(buffer.right[i], out.right[i])) << block << ":" << i;
        }
    }
}

// Settings change on other threads while a block runs, so a stretch can mix
// samples with and without the oversampled path. Whatever mix the audio
// thread sees, it must stay within its buffers and keep producing sound.
TEST(ChannelStripEngineTest, SettingsChangingDuringBlocksKeepTheOutputFinite) {
    Controls controls;
    auto engine = std::make_unique<ChannelStripEngine>();
    engine->ResetProcessing(controls.settings);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        int step = 0;
        while (!done.load()) {
            controls.Set(kOversampling, step % 2);
            controls.Set(kMicPre, (step / 2) % 2);
            controls.Set(kHighPass, step % 5);
            controls.Set(kPreampGain, (step % 7) * 8.0 - 24.0);
            controls.Set(kHighGain, (step % 3) * 10.0 - 10.0);
            ++step;
        }
    });
    Stereo in = Sine(4096, 700, 48000, 0.8), out(4096);
    bool finite = true;
    for (int block = 0; block < 60 && finite; ++block) {
        ProcessBlock(*engine, in, out, 48000, controls);
        for (int i = 0; i < 4096; ++i)
            finite = finite && std::isfinite(out.left[i]) && std::isfinite(out.right[i]);
    }
    done.store(true);
    writer.join();
    EXPECT_TRUE(finite);
    EXPECT_GT(Peak(out.left, 2048, 4096), 0.1);
}

}  // namespace
