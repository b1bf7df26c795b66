#pragma once
// Tarnwhistle's two-channel signal chain: input colouring, preamp saturation
// (optionally at twice the host rate), high-pass, low band, mid and high bands
// at twice the rate with their decimator, output colouring, DC-blocking
// band-pass, output trim and the processing switch.
//
// A value type: the product holds one as a member, and nothing is allocated
// after construction. The engine settings are not part of it; the caller owns
// them and passes them to every call (OnParamChange writes them on another
// thread, the engine reads them with relaxed loads).
//
// Left and right run side by side in the two lanes of Double2 filters; every
// lane does exactly the arithmetic of a one-channel chain. Where the CPU has
// wider vectors (a run-time check), the preamp curves take many values per
// call, the interpolation filter sums two windows at once and, with AVX-512,
// the stages run in a build of the same code for it; every lane rounds every
// operation as the two-lane chain does. Within a stretch of samples the
// stages run one after another over the whole stretch (colouring, then the
// curves, then the equaliser with its decimator and the output stage in one
// loop), which keeps every object's own order of operations and every
// smoother's sequence of advances, so the result equals the sample-by-sample
// chain bit for bit.
// Settings that may change from sample to sample (drive, trim and high
// targets, curve, oversampling, processing switch) are read per sample by the
// stage that uses them; selections and the low and mid targets once per block.
//
// Denormal numbers: the channel offset (alternating +-1e-15) is added to both
// inputs and subtracted from both outputs, the half-band filters carry their
// own offsets, and the smoothers flush subnormal states.
//
// Non-finite input (NaN, infinity) is taken as 0 by the filters before it
// reaches their state; the processed output stays finite and the strip
// recovers at once.
#include <cstdint>

#include "core/param.h"
#include "dsp/circuit_biquad.h"
#include "dsp/halfband_filter.h"
#include "dsp/lanes.h"
#include "dsp/param_smoother.h"
#include "dsp/preamp_curve.h"
#include "dsp/tone_biquad.h"
#include "product/engine_settings.h"
#include "product/response/strip_sections.h"

class ChannelStripEngine {
public:
    // [main] Offsets 1e-15, half-band filters and decimators cleared, circuit
    // sections zeroed, tone biquads passing their input; the first block
    // starts every smoother on its target.
    ChannelStripEngine();

    // [audio] Processes n samples (none when n <= 0) of channels 0 and 1 of
    // inputs into channels 0 and 1 of outputs; both must hold two valid
    // buffers of n doubles. An output buffer may be its input buffer.
    // micPre is the "Mic Pre" parameter, read per sample by the oversampled
    // preamp. Returns the latency to report, read after the last sample:
    // latency base x processing switch.
    int ProcessAudioBlock(double* const* inputs, double* const* outputs, int n, double sampleRate,
                          const EngineSettings& settings, const Param& micPre);

    // [main] Test hook: runs the preamp curves `lanes` values per vector call,
    // and from four lanes on the interpolation filter's sums two windows at a
    // time and the stages in their AVX (four) or AVX-512 (eight) build; the
    // CPU must run that width (CurveLanesSupported). A new engine uses the
    // widest its CPU runs; every width gives the same output.
    void SelectLanes(CurveLanes lanes);

    // [main, audio] Clears the half-band lines and the decimators (the
    // half-band offsets keep their sign) and moves every smoother onto its
    // target. The next block starts every smoother on the targets it finds
    // then, so settings a host restores between a reset and the first block
    // sound as set from that block's first sample. Circuit and tone
    // sections, the channel offset and the settings are untouched.
    void ResetProcessing(const EngineSettings& settings);

    // [any] For tests only. Runs the once-per-block equaliser designs and, per sample,
    // the high-pass, low, mid and high bands and their decimator on channels
    // 0 and 1 of inputs, writing the decimator's output. Shares the code of
    // ProcessAudioBlock, so the stages' own response can be measured.
    void ProcessEqualiser(double* const* inputs, double* const* outputs, int n, double sampleRate,
                          const EngineSettings& settings);

private:
    // Samples per stretch over which the stages run one after another.
    static constexpr int kStretch = 64;
    // Inputs kept from one stretch to the next: the 129-tap filter reads the
    // 127 before its newest; the equaliser's decimator reads 32 zero-phase
    // and 16 sample-phase values back.
    static constexpr int kFilterHistory = 128;
    static constexpr int kDecimatorZeroHistory = 32;
    static constexpr int kDecimatorSampleHistory = 16;

    void BeginBlock(double sampleRate, const EngineSettings& settings);
    void MoveSmoothersOntoTargets(const EngineSettings& settings);
    template <int Group>
    void RunStretches(double* const* inputs, double* const* outputs, int n,
                      const EngineSettings& settings, const Param& micPre);
    void RunStretchesFour(double* const* inputs, double* const* outputs, int n,
                          const EngineSettings& settings, const Param& micPre);
    void RunStretchesEight(double* const* inputs, double* const* outputs, int n,
                           const EngineSettings& settings, const Param& micPre);
    void ColourInput(const double* inL, const double* inR, int count,
                     const EngineSettings& settings);
    void Smooth(int count, const EngineSettings& settings);
    void Interpolate(int count);
    void Shape(int count, const EngineSettings& settings, const Param& micPre);
    void DecimatePreamp(int count);
    // The decimator's sums are made Group outputs at a time (1, or 2 and 4
    // in the AVX and AVX-512 builds).
    template <int Group, typename Sink>
    void Equalise(const Double2* source, int count, Sink&& sink);
    template <int Group>
    void EqualiseAndFinish(const double* inL, const double* inR, double* outL, double* outR,
                           int count, const EngineSettings& settings);

    // Smoothers shared by both channels.
    ParamSmoother mDrive;
    ParamSmoother mTrim;
    ParamSmoother mLowPosition;
    ParamSmoother mMidPosition;
    ParamSmoother mHighPosition;
    // Set by construction and reset: the next block starts the smoothers on
    // their targets instead of gliding from where they stand.
    bool mStartOnTargets = true;

    // Alternating +-1e-15 against denormal numbers; flipped once per sample.
    double mOffset = 1e-15;

    // Fixed colouring (three input sections, three output sections,
    // band-pass) and the equaliser's sections but the high band.
    StripSections<Double2> mSections;
    CircuitBiquadT<Double2> mHighBand;

    // The three half-band filters (oversampled preamp's interpolation and
    // decimation, the equaliser's decimator) keep their lines linear, oldest
    // first: the history, then the double-rate inputs of the current stretch.
    // A stretch's outputs are then summed several at a time, each in the
    // filter's own order, and the newest history moves to the front once per
    // stretch. The preamp filters carry their alternating offsets. The
    // equaliser's decimator keeps its two phases apart (the sample's and the
    // zero's): its pairs of taps read only the zero phase, so consecutive
    // outputs read consecutive values and several are summed side by side.
    Double2 mInterpolationLine[kFilterHistory + 2 * kStretch];
    Double2 mDecimationLine[kFilterHistory + 2 * kStretch];
    Double2 mEqualiserSamplePhase[kDecimatorSampleHistory + kStretch];
    Double2 mEqualiserZeroPhase[kDecimatorZeroHistory + kStretch];
    double mInterpolationOffset = 1e-15;
    double mDecimationOffset = 1e-15;

    // Values fixed for the current block.
    double mBandRate = 0.0;  // twice the sample rate: design rate of mid and high
    bool mHighPassOn = false;

    // The last high-band design and the positions it was made for; made
    // anew at the first sample of every block.
    CircuitCoefficientsT<Double2> mHighDesign;
    Double2 mHighDesignPosition{0.0, 0.0};
    bool mHighDesignValid = false;

    CurveLanes mCurveLanes = WidestCurveLanes();

    // Per-stretch working values, one entry per sample.
    Double2 mColoured[kStretch];          // input colouring output
    Double2 mPassSignal[kStretch];        // oversampled pass 0: interpolated, then shaped
    Double2 mPassZero[kStretch];          // oversampled pass 1: interpolated, then shaped
    Double2 mPreamp[kStretch];            // preamp output fed to the equaliser
    double mHighPositions[2 * kStretch];  // smoothed high position, L and R per sample
    // The high band's design per sample, for stretches where it glides.
    CircuitCoefficientsT<Double2> mHighDesigns[kStretch];
    double mTrims[2 * kStretch];  // smoothed trim, L and R per sample
    bool mOversampled[kStretch];  // oversampled path in use for the sample
    int mOversampledCount = 0;    // samples of the stretch that use it
};
