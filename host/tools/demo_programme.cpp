// Writes the demo's test programme: a stereo mix of a drum-like transient
// pattern (kick, snare, hi-hat at 120 bpm), a bass line and a slow
// logarithmic sine sweep, about 8 seconds at 48 kHz, peaking at -6 dBFS.
// Deterministic: the same file every time.
//
//   tw-demo-programme OUT.wav [SECONDS]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio_file.h"

namespace {

constexpr int kRate = 48000;
constexpr double kBeat = 0.5;  // 120 bpm

// Small deterministic noise source.
class Noise {
public:
    double Next() {
        mState = mState * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(mState >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
    }

private:
    unsigned long long mState = 0x5EED;
};

void Pan(std::vector<float>& left, std::vector<float>& right, std::size_t i, double sample, double position) {
    // position -1 (left) .. 1 (right), constant power
    const double angle = (position + 1.0) * M_PI / 4.0;
    left[i] += static_cast<float>(sample * std::cos(angle));
    right[i] += static_cast<float>(sample * std::sin(angle));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string(argv[1]) == "--help") {
        std::fprintf(stderr, "usage: tw-demo-programme OUT.wav [SECONDS]\n");
        return argc == 2 ? 0 : 1;
    }
    const double seconds = argc == 3 ? std::atof(argv[2]) : 8.0;
    if (!(seconds > 0.0 && seconds <= 600.0)) {
        std::fprintf(stderr, "tw-demo-programme: SECONDS must be above 0 and at most 600\n");
        return 1;
    }
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> left(frames, 0.0f);
    std::vector<float> right(frames, 0.0f);
    Noise noise;

    // Bass notes per beat (Hz): E1 E1 G1 A1 | E1 E1 D2 B1
    const double bassNotes[] = {41.20, 41.20, 49.00, 55.00, 41.20, 41.20, 73.42, 61.74};
    double bassPhase = 0.0;
    double hatState = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double beatTime = std::fmod(t, kBeat);
        const int beat = static_cast<int>(t / kBeat);
        const double eighthTime = std::fmod(t, kBeat / 2.0);

        // Kick on every beat: a falling sine with a fast decay.
        const double kickFrequency = 50.0 + 110.0 * std::exp(-beatTime * 30.0);
        const double kick = std::sin(2.0 * M_PI * kickFrequency * beatTime) * std::exp(-beatTime * 9.0);
        Pan(left, right, i, 0.9 * kick, 0.0);

        // Snare on beats 2 and 4: noise and a 190 Hz body.
        if (beat % 2 == 1) {
            const double envelope = std::exp(-beatTime * 22.0);
            const double snare = (0.6 * noise.Next() + 0.4 * std::sin(2.0 * M_PI * 190.0 * beatTime)) * envelope;
            Pan(left, right, i, 0.5 * snare, -0.3);
        }

        // Hi-hat on every eighth: high-passed noise, very short.
        const double white = noise.Next();
        const double highPassed = white - hatState;
        hatState = white;
        Pan(left, right, i, 0.12 * highPassed * std::exp(-eighthTime * 60.0), 0.5);

        // Bass line: a few harmonics of a saw, one note per beat.
        const double bassFrequency = bassNotes[beat % 8];
        bassPhase += 2.0 * M_PI * bassFrequency / kRate;
        double bass = 0.0;
        for (int h = 1; h <= 6; ++h) {
            bass += std::sin(bassPhase * h) / h;
        }
        const double bassEnvelope = std::min(beatTime * 200.0, 1.0) * std::exp(-beatTime * 2.5);
        Pan(left, right, i, 0.35 * bass * bassEnvelope, 0.0);

        // Logarithmic sweep 40 Hz -> 16 kHz over the whole programme, moving
        // from left to right.
        const double k = std::log(16000.0 / 40.0) / seconds;
        const double sweepPhase = 2.0 * M_PI * 40.0 * (std::exp(k * t) - 1.0) / k;
        Pan(left, right, i, 0.15 * std::sin(sweepPhase), -0.8 + 1.6 * t / seconds);
    }

    float peak = 0.0f;
    for (std::size_t i = 0; i < frames; ++i) {
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    const float gain = peak > 0.0f ? 0.5f / peak : 1.0f;  // -6 dBFS
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] *= gain;
        right[i] *= gain;
    }

    std::string message;
    auto writer = hpihost::AudioWriter::Create(argv[1], hpihost::OutputFormat::Wav24, 2, kRate, &message);
    const float* channels[] = {left.data(), right.data()};
    if (!writer || !writer->Write(channels, static_cast<int32_t>(frames)) || !writer->Close(&message)) {
        std::fprintf(stderr, "tw-demo-programme: %s\n", message.empty() ? "writing failed" : message.c_str());
        return 1;
    }
    return 0;
}
