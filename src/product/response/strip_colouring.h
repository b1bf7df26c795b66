#pragma once
// The strip's fixed colouring: three tone sections before the preamp, three
// after the equaliser and the DC-blocking band-pass before the trim. The
// engine runs them and the response calculation evaluates them, both from
// this one table.
//
// Threads: constants and a design call, [any].
#include "dsp/tone_biquad.h"

namespace strip_colouring {

// One tone section; frequency in Hz.
struct ToneSetting {
    int type;
    double frequency;
    double Q;
    double gainDb;
};
inline constexpr ToneSetting kInput1{kToneLowShelf, 200.0, 0.4, -3.0};
inline constexpr ToneSetting kInput2{kTonePeaking, 830.0, 0.38, 2.0};
inline constexpr ToneSetting kInput3{kToneHighShelf, 5000.0, 0.28, -3.0};
inline constexpr ToneSetting kOutput1{kToneLowShelf, 140.0, 0.4, 3.1};
inline constexpr ToneSetting kOutput2{kTonePeaking, 830.0, 0.38, -1.1};
inline constexpr ToneSetting kOutput3{kToneHighShelf, 5000.0, 0.28, 2.8};
inline constexpr ToneSetting kBandPass{kToneBandPass, 700.0, 0.009, 0.0};

// [any] Designs section for setting at sampleRate; the state is kept.
template <typename T>
void Configure(ToneBiquadT<T>& section, const ToneSetting& setting, double sampleRate) {
    section.Configure(setting.type, setting.frequency / sampleRate, setting.Q, setting.gainDb);
}

}  // namespace strip_colouring
