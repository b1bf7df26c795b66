#pragma once
// The magnitude response of the strip's linear path, computed from the same
// section designs the engine runs: input colouring, the preamp's half-band
// pair when oversampling is on, high-pass and low band at the host rate, mid
// and high bands at twice the rate closed by their decimator, output
// colouring, band-pass and trim. It is what a small signal hears: both
// preamp curves have unit slope at rest, so neither the curve selection nor
// the drive changes it (PreampDrive in preamp_drive.h tells how far a given
// level leaves that).
//
// The bands are taken at their targets, as the engine settles on them.
//
// Threads: plain functions of their arguments, [any]; they allocate nothing.
#include "product/engine_settings.h"

// A snapshot of the settings that shape the response.
struct StripResponseSettings {
    double sampleRate = 48000.0;
    int highPassSelection = 0;      // 0 (off) .. 4
    int lowFrequencySelection = 0;  // 0 (off) .. 4
    double lowPosition = 0.5;       // 0.05 .. 0.95, 0.5 flat
    int midFrequencySelection = 0;  // 0 (off) .. 6
    double midPosition = 0.5;       // 0.95 .. 0.05, 0.5 flat, lower boosts
    double highPosition = 0.5;      // 0 .. 1, 0.5 flat
    bool oversampling = false;
    double trim = 1.0;       // linear output gain
    bool processing = true;  // false: the input passes unchanged
};

// [any] The settings' current targets (relaxed loads) at sampleRate.
StripResponseSettings ResponseSettingsOf(const EngineSettings& settings, double sampleRate);

// [any] magnitudesDb[i] = the strip's gain in dB at frequenciesHz[i], for
// count frequencies (none when count <= 0). Frequencies are clamped into
// 0 .. just below half the sample rate (NaN reads as 0). A gain of zero reads
// as -300 dB. With processing off, or a sample rate that is not a positive
// finite number, every gain is 0 dB: the input passes unchanged.
// frequenciesHz and magnitudesDb may not overlap.
void StripResponseDb(const StripResponseSettings& settings, const double* frequenciesHz,
                     double* magnitudesDb, int count);
