// tw-audio-check: makes test signals and compares rendered audio files, for
// the scripts that run the LV2 bundle through outside hosts. See --help.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitUnreadable = 2;
constexpr int kExitUnwritable = 3;
constexpr int kExitDifferent = 4;

const char kHelp[] =
    "Usage:\n"
    "  tw-audio-check generate OUT --channels N [--seconds S] [--rate R]\n"
    "  tw-audio-check compare A B [--tolerance T] [--delay N] [--from F]\n"
    "\n"
    "generate  writes a 32-bit float WAV test signal: a rising sine sweep, a low tone and\n"
    "          deterministic noise, different per channel, peaking near -6 dBFS (default\n"
    "          2 s at 48000 Hz).\n"
    "compare   reads A and B and checks that B equals A delayed by N frames (default 0):\n"
    "          same rate and channels, B at least as long as A plus N, and every sample of\n"
    "          A matching its counterpart in B within T (default 1e-6). Prints the largest\n"
    "          difference and where it is. --from F compares from frame F of A on.\n"
    "\n"
    "Exit codes: 0 equal (or written), 1 bad command line, 2 a file is unreadable,\n"
    "3 the output is unwritable, 4 the files differ.\n";

struct Audio {
    int channels = 0;
    int rate = 0;
    std::vector<float> samples;  // interleaved
    long long Frames() const {
        return channels > 0 ? static_cast<long long>(samples.size()) / channels : 0;
    }
};

bool Read(const std::string& path, Audio& audio) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "tw-audio-check: error: cannot read '%s': %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    audio.channels = info.channels;
    audio.rate = info.samplerate;
    audio.samples.resize(static_cast<std::size_t>(info.frames) *
                         static_cast<std::size_t>(info.channels));
    const sf_count_t read = sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    audio.samples.resize(static_cast<std::size_t>(read) * static_cast<std::size_t>(info.channels));
    return true;
}

int Generate(const std::string& path, int channels, double seconds, int rate) {
    const auto frames = static_cast<long long>(std::llround(seconds * rate));
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    uint32_t noise = 0x12345678u;
    for (long long f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / rate;
        // Sweep from 20 Hz to 20 kHz over the whole signal (exponential).
        const double k = std::log(1000.0) / seconds;
        const double sweepPhase = 2.0 * M_PI * 20.0 * (std::exp(k * t) - 1.0) / k;
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double white = (static_cast<double>(noise >> 8) / 16777216.0) * 2.0 - 1.0;
            const double tone = std::sin(2.0 * M_PI * (55.0 + 30.0 * c) * t);
            const double sweep = std::sin(sweepPhase + 0.7 * c);
            samples[static_cast<std::size_t>(f * channels + c)] =
                static_cast<float>(0.25 * sweep + 0.15 * tone + 0.08 * white);
        }
    }
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "tw-audio-check: error: cannot write '%s': %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return kExitUnwritable;
    }
    const sf_count_t written = sf_writef_float(file, samples.data(), frames);
    sf_close(file);
    if (written != frames) {
        std::fprintf(stderr, "tw-audio-check: error: short write to '%s'\n", path.c_str());
        return kExitUnwritable;
    }
    return kExitOk;
}

int Compare(const std::string& pathA, const std::string& pathB, double tolerance, long long delay,
            long long from) {
    Audio a;
    Audio b;
    if (!Read(pathA, a) || !Read(pathB, b)) {
        return kExitUnreadable;
    }
    if (a.channels != b.channels || a.rate != b.rate) {
        std::printf("differ: '%s' has %d channels at %d Hz, '%s' %d channels at %d Hz\n",
                    pathA.c_str(), a.channels, a.rate, pathB.c_str(), b.channels, b.rate);
        return kExitDifferent;
    }
    if (b.Frames() < a.Frames() + delay) {
        std::printf("differ: '%s' has %lld frames, needs %lld ('%s' has %lld, delay %lld)\n",
                    pathB.c_str(), b.Frames(), a.Frames() + delay, pathA.c_str(), a.Frames(),
                    delay);
        return kExitDifferent;
    }
    double largest = 0.0;
    long long where = -1;
    int channel = 0;
    double peak = 0.0;
    for (long long f = from; f < a.Frames(); ++f) {
        for (int c = 0; c < a.channels; ++c) {
            const double x = a.samples[static_cast<std::size_t>(f * a.channels + c)];
            const double y = b.samples[static_cast<std::size_t>((f + delay) * b.channels + c)];
            peak = std::fmax(peak, std::fabs(x));
            // NaN compares unequal to everything, so it always counts.
            const double difference =
                std::isfinite(x) && std::isfinite(y) ? std::fabs(x - y) : INFINITY;
            if (difference > largest || where < 0) {
                largest = std::fmax(largest, difference);
                where = f;
                channel = c;
            }
        }
    }
    std::printf(
        "%lld frames x %d channels compared (delay %lld): largest difference %.3g at frame %lld "
        "channel %d, peak %.3g\n",
        a.Frames(), a.channels, delay, largest, where, channel, peak);
    if (!(largest <= tolerance)) {
        std::printf("differ: %.3g exceeds the tolerance %.3g\n", largest, tolerance);
        return kExitDifferent;
    }
    if (peak == 0.0) {
        std::printf("differ: '%s' is silent, which proves nothing\n", pathA.c_str());
        return kExitDifferent;
    }
    return kExitOk;
}

bool ParseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(out);
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "tw-audio-check: error: %s (see --help)\n", message.c_str());
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kHelp, argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    const std::string command = argv[1];
    std::vector<std::string> positional;
    double channels = 0.0;
    double seconds = 2.0;
    double rate = 48000.0;
    double tolerance = 1e-6;
    double delay = 0.0;
    double from = 0.0;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        double* target = arg == "--channels"    ? &channels
                         : arg == "--seconds"   ? &seconds
                         : arg == "--rate"      ? &rate
                         : arg == "--tolerance" ? &tolerance
                         : arg == "--delay"     ? &delay
                         : arg == "--from"      ? &from
                                                : nullptr;
        if (target != nullptr) {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], *target)) {
                return Usage(arg + " needs a number");
            }
            ++i;
        } else if (arg.rfind("--", 0) == 0) {
            return Usage("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (command == "generate") {
        if (positional.size() != 1) {
            return Usage("generate needs OUT");
        }
        if (channels < 1 || channels > 8 || seconds <= 0 || seconds > 600 || rate < 8000 ||
            rate > 384000) {
            return Usage("--channels 1..8, --seconds 0..600 and --rate 8000..384000 are needed");
        }
        return Generate(positional[0], static_cast<int>(channels), seconds, static_cast<int>(rate));
    }
    if (command == "compare") {
        if (positional.size() != 2) {
            return Usage("compare needs A and B");
        }
        if (delay < 0 || tolerance < 0 || from < 0) {
            return Usage("--delay, --tolerance and --from may not be negative");
        }
        return Compare(positional[0], positional[1], tolerance, static_cast<long long>(delay),
                       static_cast<long long>(from));
    }
    return Usage("unknown command '" + command + "'");
}
