#pragma once
// 32-bit float WAV files for the tests that compare a format's render with
// `hpi-host render`: one vector of samples per channel. The including test
// links libsndfile.
#include <sndfile.h>

#include <string>
#include <vector>

namespace testsupport {

using WavChannels = std::vector<std::vector<float>>;

// Writes the channels (all of one length) at the given rate; false when the
// file cannot be written.
inline bool WriteFloatWav(const std::string& path, const WavChannels& channels,
                          int sampleRate = 48000) {
    if (channels.empty()) return false;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = static_cast<int>(channels.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    std::vector<float> interleaved;
    for (std::size_t f = 0; f < channels[0].size(); ++f) {
        for (const auto& channel : channels) interleaved.push_back(channel[f]);
    }
    const auto frames = static_cast<sf_count_t>(channels[0].size());
    const bool written = sf_writef_float(file, interleaved.data(), frames) == frames;
    sf_close(file);
    return written;
}

// The file's channels; empty when it cannot be read.
inline WavChannels ReadFloatWav(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return {};
    if (info.channels < 1) {
        sf_close(file);
        return {};
    }
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    WavChannels channels(static_cast<std::size_t>(info.channels));
    for (std::size_t i = 0; i < interleaved.size(); ++i) {
        channels[i % channels.size()].push_back(interleaved[i]);
    }
    return channels;
}

}  // namespace testsupport
