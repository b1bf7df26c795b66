#pragma once
// The strip's linear sections and how one setting designs them. The engine
// runs them on both channels at once and the response evaluates them; both
// design them here, so the two cannot drift apart. The high band is not
// among them: the engine designs it per sample as its position glides (at
// StripBandRate), the response at its target.
//
// Threads: a plain design call, [any]; it allocates nothing.
#include <type_traits>

#include "dsp/circuit_biquad.h"
#include "dsp/tone_biquad.h"
#include "product/response/strip_colouring.h"

// [any] The low band's design rate: three times the host's.
inline constexpr double StripLowBandRate(double sampleRate) {
    return 3.0 * sampleRate;
}
// [any] The rate the mid and high bands run at: twice the host's.
inline constexpr double StripBandRate(double sampleRate) {
    return 2.0 * sampleRate;
}

template <typename T>
struct StripSections {
    ToneBiquadT<T> input1, input2, input3;
    ToneBiquadT<T> output1, output2, output3;
    ToneBiquadT<T> bandPass;
    CircuitBiquadT<T> highPass;
    CircuitBiquadT<T> lowBand;
    CircuitBiquadT<T> midBand;
};

// What one design of the sections takes; a position per lane.
template <typename T>
struct StripSectionSettings {
    double sampleRate = 48000.0;
    int highPassSelection = 0;
    T lowPosition{};
    int lowFrequencySelection = 0;
    T midPosition{};
    int midFrequencySelection = 0;
};

// [any] Designs every section for settings; the sections' states are kept.
template <typename T>
void DesignStripSections(StripSections<T>& sections, const StripSectionSettings<T>& settings) {
    using namespace strip_colouring;
    const double fs = settings.sampleRate;
    DesignHighPass(sections.highPass, fs, settings.highPassSelection);
    DesignLowBand(sections.lowBand, StripLowBandRate(fs), settings.lowPosition,
                  settings.lowFrequencySelection);
    DesignMidBand(sections.midBand, StripBandRate(fs), settings.midPosition,
                  settings.midFrequencySelection);
    Configure(sections.input1, kInput1, fs);
    Configure(sections.input2, kInput2, fs);
    Configure(sections.input3, kInput3, fs);
    Configure(sections.output1, kOutput1, fs);
    Configure(sections.output2, kOutput2, fs);
    Configure(sections.output3, kOutput3, fs);
    Configure(sections.bandPass, kBandPass, fs);
}
