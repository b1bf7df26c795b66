#include "product/response/strip_response.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>

#include "dsp/circuit_biquad.h"
#include "dsp/halfband_filter.h"
#include "dsp/tone_biquad.h"
#include "product/response/strip_colouring.h"
#include "product/response/strip_sections.h"

namespace {

using Complex = std::complex<double>;

constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

// Below this a gain reads as the floor.
constexpr double kSmallestGain = 1e-15;

// A section's response at z^-1 = e^-jw, given e^-jw and e^-2jw.
Complex CircuitAt(const CircuitCoefficients& c, Complex z1, Complex z2) {
    return (c.b0 + c.b1 * z1 + c.b2 * z2) / (c.a0 + c.a1 * z1 + c.a2 * z2);
}

Complex ToneAt(const ToneBiquad& t, Complex z1, Complex z2) {
    return (t.a0 + t.a1 * z1 + t.a2 * z2) / (1.0 + t.b1 * z1 + t.b2 * z2);
}

// The zero-phase amplitude of a half-band filter with its centre tap 0.5
// and taps at odd distances m: 0.5 + 2 sum c(m) cos(m w). The cosines of
// the odd multiples follow cos((m + 2)w) = 2 cos(2w) cos(mw) - cos((m - 2)w).
template <std::size_t Taps>
double HalfbandAmplitude(const std::array<double, Taps>& taps, double w) {
    const double twiceCos2w = 2.0 * std::cos(2.0 * w);
    double previous = std::cos(w);  // cos(-w)
    double current = previous;      // cos(w)
    double sum = 0.0;
    for (std::size_t t = 0; t < Taps; ++t) {
        sum += taps[t] * current;
        const double next = twiceCos2w * current - previous;
        previous = current;
        current = next;
    }
    return 0.5 + 2.0 * sum;
}

// The strip's sections designed for one setting, as the engine designs them.
struct Sections {
    StripSections<double> strip;
    CircuitCoefficients highPass;
    CircuitCoefficients lowBand;
    CircuitCoefficients midBand;
    CircuitCoefficients highBand;
};

Sections Design(const StripResponseSettings& s) {
    Sections d;
    DesignStripSections(
        d.strip, StripSectionSettings<double>{s.sampleRate, s.highPassSelection, s.lowPosition,
                                              s.lowFrequencySelection, s.midPosition,
                                              s.midFrequencySelection});
    d.highPass = d.strip.highPass.Coefficients();
    d.lowBand = d.strip.lowBand.Coefficients();
    d.midBand = d.strip.midBand.Coefficients();
    CircuitBiquad section;
    DesignHighBand(section, StripBandRate(s.sampleRate), s.highPosition);
    d.highBand = section.Coefficients();
    return d;
}

double GainAt(const Sections& d, const StripResponseSettings& s, double frequency) {
    // Host-rate sections at w = 2 pi f / fs; double-rate ones at half that.
    const double w = 2.0 * std::numbers::pi * frequency / s.sampleRate;
    const Complex z1 = std::polar(1.0, -w);
    const Complex z2 = z1 * z1;
    double gain = std::abs(ToneAt(d.strip.input1, z1, z2) * ToneAt(d.strip.input2, z1, z2) *
                           ToneAt(d.strip.input3, z1, z2));

    // The preamp's pair: zero stuffing, interpolation, curve (unit slope),
    // decimation. The image at fs - f comes back onto f in phase, so the
    // pair passes A^2 + (1 - A)^2.
    const double half = 0.5 * w;
    if (s.oversampling) {
        const double a = HalfbandAmplitude(kHalfbandTaps, half);
        gain *= a * a + (1.0 - a) * (1.0 - a);
    }

    Complex equaliser = CircuitAt(d.lowBand, z1, z2);
    if (s.highPassSelection != 0) equaliser *= CircuitAt(d.highPass, z1, z2);

    // Mid and high at twice the rate on the zero-stuffed signal, then the
    // decimator: the band's response at f weighted by the decimator's
    // amplitude A, plus its response at the image (w + pi) weighted by 1 - A.
    const Complex b1 = std::polar(1.0, -half);
    const Complex b2 = b1 * b1;
    const Complex i1 = -b1;  // e^-j(w + pi)
    const Complex i2 = b2;
    const Complex atSignal = CircuitAt(d.midBand, b1, b2) * CircuitAt(d.highBand, b1, b2);
    const Complex atImage = CircuitAt(d.midBand, i1, i2) * CircuitAt(d.highBand, i1, i2);
    const double a = HalfbandAmplitude(kDecimatorTaps, half);
    equaliser *= atSignal * a + atImage * (1.0 - a);
    gain *= std::abs(equaliser);

    gain *= std::abs(ToneAt(d.strip.output1, z1, z2) * ToneAt(d.strip.output2, z1, z2) *
                     ToneAt(d.strip.output3, z1, z2) * ToneAt(d.strip.bandPass, z1, z2));
    return gain * std::fabs(s.trim);
}

}  // namespace

StripResponseSettings ResponseSettingsOf(const EngineSettings& settings, double sampleRate) {
    StripResponseSettings s;
    s.sampleRate = sampleRate;
    s.highPassSelection = settings.highPassSelection.load(kRelaxed);
    s.lowFrequencySelection = settings.lowFrequencySelection.load(kRelaxed);
    s.lowPosition = settings.lowPositionTarget.load(kRelaxed);
    s.midFrequencySelection = settings.midFrequencySelection.load(kRelaxed);
    s.midPosition = settings.midPositionTarget.load(kRelaxed);
    s.highPosition = settings.highPositionTarget.load(kRelaxed);
    s.oversampling = settings.oversamplingPasses.load(kRelaxed) == 2;
    s.trim = settings.trimTarget.load(kRelaxed);
    s.processing = settings.processingSwitch.load(kRelaxed) != 0;
    return s;
}

void StripResponseDb(const StripResponseSettings& settings, const double* frequenciesHz,
                     double* magnitudesDb, int count) {
    if (count <= 0) return;
    if (!settings.processing ||
        !(settings.sampleRate > 0.0 && std::isfinite(settings.sampleRate))) {
        std::fill(magnitudesDb, magnitudesDb + count, 0.0);
        return;
    }
    const Sections sections = Design(settings);
    const double highest = 0.4999 * settings.sampleRate;
    for (int i = 0; i < count; ++i) {
        // Written so that NaN reads as 0 Hz.
        const double f = frequenciesHz[i] > 0.0 ? std::min(frequenciesHz[i], highest) : 0.0;
        const double gain = GainAt(sections, settings, f);
        magnitudesDb[i] = 20.0 * std::log10(std::max(gain, kSmallestGain));
    }
}
