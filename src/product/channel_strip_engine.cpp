#include "product/channel_strip_engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "dsp/preamp_curve.h"

namespace {

constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

// Smoother times in seconds: the high position glides slowly, the rest follow
// within a millisecond.
constexpr double kFastSmoothing = 0.001;
constexpr double kHighPositionSmoothing = 0.5;

// Sums of a symmetric half-band filter for N windows at once. The window of
// sum j has its newest sample at newest[j * Stride] (w[k] = newest[j * Stride
// - k]). Each sum is taken in the filter's own order, the centre tap and then
// the pairs outwards; interleaving N independent sums keeps the adder busy
// instead of waiting on one long chain.
template <int N, int Centre, int Stride, std::size_t Taps>
inline void HalfbandSums(const std::array<double, Taps>& taps, const Double2* newest,
                         Double2* sums) {
    Double2 y[N];
    for (int j = 0; j < N; ++j) y[j] = 0.5 * newest[j * Stride - Centre];
    for (std::size_t t = 0; t < Taps; ++t) {
        const int m = 2 * static_cast<int>(t) + 1;
        for (int j = 0; j < N; ++j) {
            const Double2* w = newest + j * Stride;
            y[j] = y[j] + taps[t] * (w[m - Centre] + w[-Centre - m]);
        }
    }
    for (int j = 0; j < N; ++j) sums[j] = y[j];
}

template <int Centre, int Stride, std::size_t Taps>
void HalfbandSumsOf(const std::array<double, Taps>& taps, const Double2* firstNewest, int count,
                    Double2* sums) {
    int j = 0;
    for (; j + 4 <= count; j += 4)
        HalfbandSums<4, Centre, Stride>(taps, firstNewest + j * Stride, sums + j);
    for (; j < count; ++j)
        HalfbandSums<1, Centre, Stride>(taps, firstNewest + j * Stride, sums + j);
}

// Two adjacent samples of a two-lane line as one four-lane value.
__attribute__((target("avx"))) inline Double4 LoadPair(const Double2* p) {
    Double4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The same sums for consecutive windows (stride 1), two windows side by side
// in four lanes. Built for AVX, which has no fused multiply-add, so every lane
// rounds exactly as the two-lane sums do.
template <int Centre, std::size_t Taps>
__attribute__((target("avx"))) void ConsecutiveHalfbandSumsFour(
    const std::array<double, Taps>& taps, const Double2* firstNewest, int count, Double2* sums) {
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        const Double2* w = firstNewest + j;
        const Double4 c0 = LoadPair(w - Centre);
        const Double4 c1 = LoadPair(w + 2 - Centre);
        Double4 y0 = 0.5 * c0;
        Double4 y1 = 0.5 * c1;
        for (std::size_t t = 0; t < Taps; ++t) {
            const int m = 2 * static_cast<int>(t) + 1;
            const Double4 a0 = LoadPair(w + m - Centre);
            const Double4 b0 = LoadPair(w - Centre - m);
            const Double4 a1 = LoadPair(w + 2 + m - Centre);
            const Double4 b1 = LoadPair(w + 2 - Centre - m);
            y0 = y0 + taps[t] * (a0 + b0);
            y1 = y1 + taps[t] * (a1 + b1);
        }
        std::memcpy(sums + j, &y0, sizeof y0);
        std::memcpy(sums + j + 2, &y1, sizeof y1);
    }
    for (; j < count; ++j) HalfbandSums<1, Centre, 1>(taps, firstNewest + j, sums + j);
}

// Centre tap: the 129-tap filter's sits 64 samples back.
constexpr int kFilterCentre = 64;

// The equaliser decimator's sums for Group consecutive outputs side by side,
// the first numbered `first`: output i is the centre tap on the sample phase
// 16 back, then the pairs of taps on the zero phase at i + t - 16 and
// i - 17 - t, in the filter's order. Group 2 needs AVX, 4 AVX-512; wide values
// stay inside, so the form exists only in builds for its width.
template <int Group>
struct DecimatorVector;
template <>
struct DecimatorVector<1> {
    using Type = Double2;
};
template <>
struct DecimatorVector<2> {
    using Type = double __attribute__((vector_size(32)));
};
template <>
struct DecimatorVector<4> {
    using Type = double __attribute__((vector_size(64)));
};

template <int Group>
[[gnu::always_inline]] inline void DecimatorSums(const Double2* samplePhase,
                                                 const Double2* zeroPhase, int first,
                                                 Double2* sums) {
    using Lanes = typename DecimatorVector<Group>::Type;
    constexpr int kPairs = static_cast<int>(kDecimatorTaps.size());
    Lanes y, a, b;
    std::memcpy(&y, samplePhase + first - kPairs, sizeof y);
    y = 0.5 * y;
    for (int k = 0; k < kPairs; ++k) {
        std::memcpy(&a, zeroPhase + first + k - kPairs, sizeof a);
        std::memcpy(&b, zeroPhase + first - kPairs - 1 - k, sizeof b);
        y = y + kDecimatorTaps[k] * (a + b);
    }
    std::memcpy(sums, &y, sizeof y);
}

// Moves the newest `history` samples of a line that received `pushed` new
// ones to its front.
void KeepHistory(Double2* line, int history, int pushed) {
    if (pushed > 0) std::copy(line + pushed, line + pushed + history, line);
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Advances a smoother in place. An advance is a fixed function of the state
// and the target, so once one leaves the state as it was, every further
// advance towards the same target would too: those are skipped.
class SteadySmoother {
public:
    explicit SteadySmoother(ParamSmoother& smoother) : mSmoother(smoother) {}

    double Advance(double target) {
        if (mSettled && SameBits(target, mSettledTarget)) return mSmoother.z;
        const double before = mSmoother.z;
        const double after = mSmoother.Advance(target);
        mSettled = SameBits(before, after);
        mSettledTarget = target;
        return after;
    }

private:
    ParamSmoother& mSmoother;
    bool mSettled = false;
    double mSettledTarget = 0.0;
};

}  // namespace

ChannelStripEngine::ChannelStripEngine() {
    const Double2 zero{0.0, 0.0};
    std::fill(std::begin(mInterpolationLine), std::end(mInterpolationLine), zero);
    std::fill(std::begin(mDecimationLine), std::end(mDecimationLine), zero);
    std::fill(std::begin(mEqualiserSamplePhase), std::end(mEqualiserSamplePhase), zero);
    std::fill(std::begin(mEqualiserZeroPhase), std::end(mEqualiserZeroPhase), zero);
    for (int i = 0; i < kStretch; ++i) {
        mColoured[i] = mPassSignal[i] = mPassZero[i] = mPreamp[i] = zero;
        mOversampled[i] = false;
    }
}

void ChannelStripEngine::SelectLanes(CurveLanes lanes) {
    mCurveLanes = lanes;
}

void ChannelStripEngine::ResetProcessing(const EngineSettings& settings) {
    // The offsets keep their signs.
    const Double2 zero{0.0, 0.0};
    std::fill(std::begin(mInterpolationLine), std::end(mInterpolationLine), zero);
    std::fill(std::begin(mDecimationLine), std::end(mDecimationLine), zero);
    std::fill(std::begin(mEqualiserSamplePhase), std::end(mEqualiserSamplePhase), zero);
    std::fill(std::begin(mEqualiserZeroPhase), std::end(mEqualiserZeroPhase), zero);
    MoveSmoothersOntoTargets(settings);
    mStartOnTargets = true;
}

void ChannelStripEngine::MoveSmoothersOntoTargets(const EngineSettings& settings) {
    mDrive.z = settings.driveTarget.load(kRelaxed);
    mTrim.z = settings.trimTarget.load(kRelaxed);
    mLowPosition.z = settings.lowPositionTarget.load(kRelaxed);
    mMidPosition.z = settings.midPositionTarget.load(kRelaxed);
    mHighPosition.z = settings.highPositionTarget.load(kRelaxed);
}

int ChannelStripEngine::ProcessAudioBlock(double* const* inputs, double* const* outputs, int n,
                                          double sampleRate, const EngineSettings& settings,
                                          const Param& micPre) {
    BeginBlock(sampleRate, settings);
    switch (mCurveLanes) {
        case CurveLanes::kEight:
            RunStretchesEight(inputs, outputs, n, settings, micPre);
            break;
        case CurveLanes::kFour:
            RunStretchesFour(inputs, outputs, n, settings, micPre);
            break;
        case CurveLanes::kTwo:
            RunStretches<1>(inputs, outputs, n, settings, micPre);
            break;
    }
    return ReportedLatency(settings);
}

void ChannelStripEngine::ProcessEqualiser(double* const* inputs, double* const* outputs, int n,
                                          double sampleRate, const EngineSettings& settings) {
    BeginBlock(sampleRate, settings);
    for (int start = 0; start < n; start += kStretch) {
        const int count = std::min(kStretch, n - start);
        for (int i = 0; i < count; ++i)
            mPreamp[i] = Double2{inputs[0][start + i], inputs[1][start + i]};
        Smooth(count, settings);
        Equalise<1>(mPreamp, count, [&](int i, Double2 equalised) {
            outputs[0][start + i] = equalised[0];
            outputs[1][start + i] = equalised[1];
        });
    }
}

void ChannelStripEngine::BeginBlock(double sampleRate, const EngineSettings& settings) {
    const double fs = sampleRate;
    mDrive.SetTime(kFastSmoothing, fs);
    mTrim.SetTime(kFastSmoothing, fs);
    mLowPosition.SetTime(kFastSmoothing, fs);
    mMidPosition.SetTime(kFastSmoothing, fs);
    mHighPosition.SetTime(kHighPositionSmoothing, fs);
    if (mStartOnTargets) {
        MoveSmoothersOntoTargets(settings);
        mStartOnTargets = false;
    }

    const int highPassSelection = settings.highPassSelection.load(kRelaxed);
    mHighPassOn = highPassSelection != 0;

    // Each channel takes the next smoothed position, so L and R differ while
    // a position glides.
    const double lowTarget = settings.lowPositionTarget.load(kRelaxed);
    const double lowL = mLowPosition.Advance(lowTarget);
    const double lowR = mLowPosition.Advance(lowTarget);
    const double midTarget = settings.midPositionTarget.load(kRelaxed);
    const double midL = mMidPosition.Advance(midTarget);
    const double midR = mMidPosition.Advance(midTarget);
    DesignStripSections(
        mSections, StripSectionSettings<Double2>{fs, highPassSelection, Double2{lowL, lowR},
                                                 settings.lowFrequencySelection.load(kRelaxed),
                                                 Double2{midL, midR},
                                                 settings.midFrequencySelection.load(kRelaxed)});
    mBandRate = StripBandRate(fs);
    mHighDesignValid = false;
}

[[gnu::always_inline]] inline void ChannelStripEngine::ColourInput(const double* inL,
                                                                   const double* inR, int count,
                                                                   const EngineSettings& settings) {
    ToneBiquadT<Double2> input1 = mSections.input1, input2 = mSections.input2,
                         input3 = mSections.input3;
    double d = mOffset;
    for (int i = 0; i < count; ++i) {
        d = -d;
        const Double2 x = RoundToSingle(Double2{inL[i] + d, inR[i] + d});
        mColoured[i] = input3.Process(input2.Process(input1.Process(x)));
        mOversampled[i] = settings.oversamplingPasses.load(kRelaxed) == 2;
    }
    mSections.input1 = input1;
    mSections.input2 = input2;
    mSections.input3 = input3;
}

[[gnu::always_inline]] inline void ChannelStripEngine::Smooth(int count,
                                                              const EngineSettings& settings) {
    // Both follow their targets independently of the signal; run side by
    // side, their two chains of advances overlap.
    SteadySmoother trim(mTrim);
    SteadySmoother high(mHighPosition);
    for (int i = 0; i < count; ++i) {
        const double trimTarget = settings.trimTarget.load(kRelaxed);
        const double highTarget = settings.highPositionTarget.load(kRelaxed);
        // One advance per channel, L first.
        mHighPositions[2 * i] = high.Advance(highTarget);
        mHighPositions[2 * i + 1] = high.Advance(highTarget);
        mTrims[2 * i] = trim.Advance(trimTarget);
        mTrims[2 * i + 1] = trim.Advance(trimTarget);
    }
}

[[gnu::always_inline]] inline void ChannelStripEngine::Interpolate(int count) {
    // Zero stuffing: each sample, then a zero, at twice the rate, each plus
    // the filter's alternating offset.
    Double2* stretch = mInterpolationLine + kFilterHistory;
    const Double2 zero{0.0, 0.0};
    double offset = mInterpolationOffset;
    int pushed = 0;
    for (int i = 0; i < count; ++i) {
        if (!mOversampled[i]) continue;
        offset = -offset;
        stretch[pushed++] = FiniteOrZero(mColoured[i]) + offset;
        offset = -offset;
        stretch[pushed++] = zero + offset;
    }
    mOversampledCount = pushed / 2;
    if (pushed == 0) return;

    Double2 sums[2 * kStretch];
    if (mCurveLanes == CurveLanes::kTwo) {
        HalfbandSumsOf<kFilterCentre, 1>(kHalfbandTaps, stretch, pushed, sums);
    } else {
        ConsecutiveHalfbandSumsFour<kFilterCentre>(kHalfbandTaps, stretch, pushed, sums);
    }
    offset = mInterpolationOffset;
    int k = 0;
    for (int i = 0; i < count; ++i) {
        if (!mOversampled[i]) continue;
        offset = -offset;
        mPassSignal[i] = sums[k++] - offset;
        offset = -offset;
        mPassZero[i] = sums[k++] - offset;
    }
    mInterpolationOffset = offset;
    KeepHistory(mInterpolationLine, kFilterHistory, pushed);
}

[[gnu::always_inline]] inline void ChannelStripEngine::Shape(int count,
                                                             const EngineSettings& settings,
                                                             const Param& micPre) {
    // First the drive values, in the order the evaluations advance the drive
    // (per sample: pass 0 L, R and pass 1 L, R of the oversampled path, then
    // the direct path's L, R); then each curve over all its values at once;
    // then the results in place.
    constexpr int kMostPerSample = 6;
    double values[kMostPerSample * kStretch];    // v * g1, then the shaped value
    double divisors[kMostPerSample * kStretch];  // g2
    bool curveOne[kMostPerSample * kStretch];
    int curvesSeen = 0;  // bit c: curve c has values
    int evaluations = 0;

    SteadySmoother drive(mDrive);
    auto file = [&](double v, int curve, double target) {
        const double g1 = drive.Advance(target);
        const double g2 = drive.Advance(target);
        values[evaluations] = v * g1;
        divisors[evaluations] = g2;
        curveOne[evaluations++] = curve != 0;
        curvesSeen |= curve != 0 ? 2 : 1;
    };
    for (int i = 0; i < count; ++i) {
        const double target = settings.driveTarget.load(kRelaxed);
        if (mOversampled[i]) {
            const int curve = static_cast<int>(micPre.GetValue());
            // The factor 2 restores the level that zero stuffing halved.
            file(2.0 * mPassSignal[i][0], curve, target);
            file(2.0 * mPassSignal[i][1], curve, target);
            file(2.0 * mPassZero[i][0], curve, target);
            file(2.0 * mPassZero[i][1], curve, target);
        }
        // The host-rate path runs every sample, also while it is not selected.
        const int curve = settings.micCurveSelection.load(kRelaxed);
        file(mColoured[i][0], curve, target);
        file(mColoured[i][1], curve, target);
    }

    if (curvesSeen == 3) {
        // Both curves in one stretch: each runs over its own values.
        double grouped[kMostPerSample * kStretch];
        int origin[kMostPerSample * kStretch];
        for (int c = 0; c < 2; ++c) {
            int n = 0;
            for (int e = 0; e < evaluations; ++e) {
                if (curveOne[e] == (c == 1)) {
                    grouped[n] = values[e];
                    origin[n++] = e;
                }
            }
            PreampCurves(grouped, grouped, n, c, mCurveLanes);
            for (int k = 0; k < n; ++k) values[origin[k]] = grouped[k];
        }
    } else if (curvesSeen != 0) {
        PreampCurves(values, values, evaluations, curvesSeen == 2 ? 1 : 0, mCurveLanes);
    }
    for (int e = 0; e < evaluations; ++e) {
        const double y = values[e] / divisors[e];
        values[e] = (y - y == 0.0) ? y : 0.0;
    }

    int e = 0;
    for (int i = 0; i < count; ++i) {
        if (mOversampled[i]) {
            mPassSignal[i] = Double2{values[e], values[e + 1]};
            mPassZero[i] = Double2{values[e + 2], values[e + 3]};
            e += 4;
        }
        mPreamp[i] = Double2{values[e], values[e + 1]};
        e += 2;
    }
}

[[gnu::always_inline]] inline void ChannelStripEngine::DecimatePreamp(int count) {
    if (mOversampledCount == 0) return;
    Double2* stretch = mDecimationLine + kFilterHistory;
    double offset = mDecimationOffset;
    int pushed = 0;
    for (int i = 0; i < count; ++i) {
        if (!mOversampled[i]) continue;
        offset = -offset;
        stretch[pushed++] = FiniteOrZero(mPassSignal[i]) + offset;
        offset = -offset;
        stretch[pushed++] = FiniteOrZero(mPassZero[i]) + offset;
    }

    // Only the even-phase outputs are kept; the odd phase just enters the line.
    Double2 sums[kStretch];
    HalfbandSumsOf<kFilterCentre, 2>(kHalfbandTaps, stretch, mOversampledCount, sums);
    offset = mDecimationOffset;
    int k = 0;
    for (int i = 0; i < count; ++i) {
        if (!mOversampled[i]) continue;
        offset = -offset;
        mPreamp[i] = sums[k++] - offset;
        offset = -offset;
    }
    mDecimationOffset = offset;
    KeepHistory(mDecimationLine, kFilterHistory, pushed);
}

template <int Group, typename Sink>
[[gnu::always_inline]] inline void ChannelStripEngine::Equalise(const Double2* source, int count,
                                                                Sink&& sink) {
    // The high band follows its smoothed position sample by sample, one
    // design per channel; the designs do not depend on the signal, so they are
    // made for the whole stretch first. A design is a fixed function of the
    // positions and the rate, so while the positions stand still the last one
    // is reused, and a stretch whose positions all stand still (the usual
    // case) sets its one design once.
    auto designFor = [&](int i) {
        const double left = mHighPositions[2 * i], right = mHighPositions[2 * i + 1];
        if (!mHighDesignValid || !SameBits(left, mHighDesignPosition[0]) ||
            !SameBits(right, mHighDesignPosition[1])) {
            mHighDesign =
                BilinearCoefficients(HighBandPolynomials(Double2{left, right}), mBandRate);
            mHighDesignPosition = Double2{left, right};
            mHighDesignValid = true;
        }
        return mHighDesign;
    };
    bool highSteady = true;
    if (count > 0) designFor(0);
    for (int i = 1; i < count && highSteady; ++i) {
        highSteady = SameBits(mHighPositions[2 * i], mHighPositions[0]) &&
                     SameBits(mHighPositions[2 * i + 1], mHighPositions[1]);
    }
    if (!highSteady) {
        for (int i = 0; i < count; ++i) mHighDesigns[i] = designFor(i);
    }

    // The decimator's sums and whatever the sink does with them run in the
    // same loop as the bands: measured, that is faster than loops of their own.
    CircuitBiquadT<Double2> highPass = mSections.highPass;
    CircuitBiquadT<Double2> lowBand = mSections.lowBand;
    CircuitBiquadT<Double2> midBand = mSections.midBand;
    CircuitBiquadT<Double2> highBand = mHighBand;
    const bool highPassOn = mHighPassOn;
    const Double2 zero{0.0, 0.0};
    Double2* samplePhase = mEqualiserSamplePhase + kDecimatorSampleHistory;
    Double2* zeroPhase = mEqualiserZeroPhase + kDecimatorZeroHistory;
    // One output per host sample; the factor 2 restores the level the zero
    // stuffing removed. The sums are made a group at a time as soon as the
    // group's samples are through the bands; the sink trails the bands by a
    // few samples, so its inputs are ready when they enter the processor and
    // do not crowd out the bands' next samples.
    constexpr int kSinkLag = 4;
    static_assert(kSinkLag >= Group - 1, "a group's sums come before its first output");
    Double2 decimated[kStretch];
    auto bands = [&](auto perSampleDesigns) {
        for (int i = 0; i < count; ++i) {
            if constexpr (decltype(perSampleDesigns)::value) {
                highBand.SetCoefficients(mHighDesigns[i]);
            }
            Double2 x = FiniteOrZero(source[i]);
            if (highPassOn) x = highPass.ProcessFinite(x);
            const Double2 low = lowBand.ProcessFinite(x);
            // The bands each invert; the negation here keeps the strip's
            // polarity. The mid and high bands run at twice the rate: the
            // sample, then a zero. A section's output is finite, so the next
            // one skips its test.
            samplePhase[i] = highBand.ProcessFinite(midBand.ProcessFinite(-low));
            zeroPhase[i] = highBand.ProcessFinite(midBand.ProcessFinite(zero));
            if (i % Group == Group - 1) {
                const int first = i + 1 - Group;
                DecimatorSums<Group>(samplePhase, zeroPhase, first, decimated + first);
            }
            if (i >= kSinkLag) sink(i - kSinkLag, 2.0 * decimated[i - kSinkLag]);
        }
    };
    if (highSteady) {
        if (count > 0) highBand.SetCoefficients(mHighDesign);
        bands(std::false_type{});
    } else {
        bands(std::true_type{});
    }
    for (int i = count - count % Group; i < count; ++i)
        DecimatorSums<1>(samplePhase, zeroPhase, i, decimated + i);
    for (int i = std::max(0, count - kSinkLag); i < count; ++i) sink(i, 2.0 * decimated[i]);
    mSections.highPass = highPass;
    mSections.lowBand = lowBand;
    mSections.midBand = midBand;
    mHighBand = highBand;
    KeepHistory(mEqualiserSamplePhase, kDecimatorSampleHistory, count);
    KeepHistory(mEqualiserZeroPhase, kDecimatorZeroHistory, count);
}

template <int Group>
[[gnu::always_inline]] inline void ChannelStripEngine::EqualiseAndFinish(
    const double* inL, const double* inR, double* outL, double* outR, int count,
    const EngineSettings& settings) {
    ToneBiquadT<Double2> output1 = mSections.output1, output2 = mSections.output2,
                         output3 = mSections.output3;
    ToneBiquadT<Double2> bandPass = mSections.bandPass;
    double d = mOffset;
    Equalise<Group>(mPreamp, count, [&](int i, Double2 equalised) {
        d = -d;
        const Double2 coloured =
            output3.Process(output2.Process(output1.Process(RoundToSingle(equalised))));
        const Double2 y = bandPass.Process(coloured) * Double2{mTrims[2 * i], mTrims[2 * i + 1]};
        // Read the input before writing: the buffers may be the same.
        if (settings.processingSwitch.load(kRelaxed) == 0) {
            const double xL = inL[i];
            const double xR = inR[i];
            outL[i] = xL - d;
            outR[i] = xR - d;
        } else {
            outL[i] = y[0] - d;
            outR[i] = y[1] - d;
        }
    });
    mOffset = d;
    mSections.output1 = output1;
    mSections.output2 = output2;
    mSections.output3 = output3;
    mSections.bandPass = bandPass;
}

template <int Group>
[[gnu::always_inline]] inline void ChannelStripEngine::RunStretches(double* const* inputs,
                                                                    double* const* outputs, int n,
                                                                    const EngineSettings& settings,
                                                                    const Param& micPre) {
    for (int start = 0; start < n; start += kStretch) {
        const int count = std::min(kStretch, n - start);
        const double* inL = inputs[0] + start;
        const double* inR = inputs[1] + start;
        ColourInput(inL, inR, count, settings);
        Smooth(count, settings);
        Interpolate(count);
        Shape(count, settings, micPre);
        DecimatePreamp(count);
        EqualiseAndFinish<Group>(inL, inR, outputs[0] + start, outputs[1] + start, count, settings);
    }
}

// The same stretches built for AVX and for AVX-512 (whose 32 vector registers
// hold the filters' states and coefficients that otherwise go to memory every
// sample), with the equaliser's decimator summing two or four outputs at once.
// The library is built without contracting products and sums into fused
// multiply-adds, so every operation rounds as in the plain build.
__attribute__((target("avx"))) void ChannelStripEngine::RunStretchesFour(
    double* const* inputs, double* const* outputs, int n, const EngineSettings& settings,
    const Param& micPre) {
    RunStretches<2>(inputs, outputs, n, settings, micPre);
}

__attribute__((target("avx512f,avx512vl"))) void ChannelStripEngine::RunStretchesEight(
    double* const* inputs, double* const* outputs, int n, const EngineSettings& settings,
    const Param& micPre) {
    RunStretches<4>(inputs, outputs, n, settings, micPre);
}
