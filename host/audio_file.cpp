#include "audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace hpihost {
namespace {

struct FormatEntry {
    const char* mName;
    OutputFormat mFormat;
    int mSndfileFormat;
};

const FormatEntry kFormats[] = {
    {"wav", OutputFormat::WavFloat, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
    {"wav16", OutputFormat::Wav16, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
    {"wav24", OutputFormat::Wav24, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
    {"flac", OutputFormat::Flac24, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    {"flac16", OutputFormat::Flac16, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
    {"aiff", OutputFormat::Aiff24, SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
    {"aiff16", OutputFormat::Aiff16, SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
};

std::string DescribeFormat(int format) {
    std::string container;
    switch (format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_WAV: container = "WAV"; break;
        case SF_FORMAT_WAVEX: container = "WAVEX"; break;
        case SF_FORMAT_AIFF: container = "AIFF"; break;
        case SF_FORMAT_FLAC: container = "FLAC"; break;
        case SF_FORMAT_OGG: container = "Ogg"; break;
        case SF_FORMAT_RF64: container = "RF64"; break;
        default: container = "audio"; break;
    }
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8: return container + " 8-bit";
        case SF_FORMAT_PCM_16: return container + " 16-bit";
        case SF_FORMAT_PCM_24: return container + " 24-bit";
        case SF_FORMAT_PCM_32: return container + " 32-bit";
        case SF_FORMAT_FLOAT: return container + " 32-bit float";
        case SF_FORMAT_DOUBLE: return container + " 64-bit float";
        default: return container;
    }
}

}  // namespace

bool ParseOutputFormat(const std::string& name, OutputFormat* format) {
    for (const FormatEntry& entry : kFormats) {
        if (name == entry.mName) {
            *format = entry.mFormat;
            return true;
        }
    }
    return false;
}

const char* OutputFormatName(OutputFormat format) {
    for (const FormatEntry& entry : kFormats) {
        if (entry.mFormat == format) {
            return entry.mName;
        }
    }
    return "?";
}

const char* OutputFormatList() { return "wav (32-bit float), wav16, wav24, flac (24-bit), flac16, aiff (24-bit), aiff16"; }

// ---------------------------------------------------------------------------

std::unique_ptr<AudioReader> AudioReader::Open(const std::string& path, std::string* message) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        *message = "cannot read '" + path + "': " + sf_strerror(nullptr);
        return nullptr;
    }
    std::unique_ptr<AudioReader> reader(new AudioReader());
    reader->mFile = file;
    reader->mChannels = info.channels;
    reader->mSampleRate = info.samplerate;
    reader->mFrames = info.frames;
    reader->mFormatText = DescribeFormat(info.format);
    if (info.channels <= 0 || info.samplerate <= 0) {
        *message = "cannot read '" + path + "': no channels or no sample rate";
        return nullptr;
    }
    return reader;
}

AudioReader::~AudioReader() {
    if (mFile != nullptr) {
        sf_close(mFile);
    }
}

int32_t AudioReader::Read(float* const* channels, int32_t frames) {
    if (frames <= 0) {
        return 0;
    }
    mInterleaved.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(mChannels));
    const sf_count_t got = sf_readf_float(mFile, mInterleaved.data(), frames);
    if (got <= 0) {
        return 0;
    }
    for (sf_count_t f = 0; f < got; ++f) {
        for (int c = 0; c < mChannels; ++c) {
            const float sample = mInterleaved[static_cast<std::size_t>(f * mChannels + c)];
            channels[c][f] = std::isfinite(sample) ? sample : 0.0f;
        }
    }
    return static_cast<int32_t>(got);
}

// ---------------------------------------------------------------------------

std::unique_ptr<AudioWriter> AudioWriter::Create(const std::string& path, OutputFormat format, int channels,
                                                 int sampleRate, std::string* message) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    for (const FormatEntry& entry : kFormats) {
        if (entry.mFormat == format) {
            info.format = entry.mSndfileFormat;
        }
    }
    if (!sf_format_check(&info)) {
        *message = "cannot write '" + path + "': " + OutputFormatName(format) + " does not take " +
                   std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz";
        return nullptr;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        *message = "cannot write '" + path + "': " + sf_strerror(nullptr);
        return nullptr;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::unique_ptr<AudioWriter> writer(new AudioWriter());
    writer->mFile = file;
    writer->mChannels = channels;
    writer->mPath = path;
    return writer;
}

AudioWriter::~AudioWriter() {
    if (mFile != nullptr) {
        sf_close(mFile);
    }
}

bool AudioWriter::Write(const float* const* channels, int32_t frames) {
    if (mFile == nullptr) {
        return false;
    }
    mInterleaved.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(mChannels));
    for (int32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < mChannels; ++c) {
            mInterleaved[static_cast<std::size_t>(f) * static_cast<std::size_t>(mChannels) +
                         static_cast<std::size_t>(c)] = channels[c][f];
        }
    }
    return sf_writef_float(mFile, mInterleaved.data(), frames) == frames;
}

bool AudioWriter::Close(std::string* message) {
    if (mFile == nullptr) {
        return true;
    }
    sf_write_sync(mFile);
    const int error = sf_error(mFile);
    const int closed = sf_close(mFile);
    mFile = nullptr;
    if (error != 0 || closed != 0) {
        *message = "writing '" + mPath + "' failed: " + sf_error_number(error != 0 ? error : closed);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

LevelMeter::LevelMeter(int channels)
    : mPeak(static_cast<std::size_t>(channels), 0.0), mSumOfSquares(static_cast<std::size_t>(channels), 0.0) {}

void LevelMeter::Add(const float* const* channels, int32_t frames) {
    for (std::size_t c = 0; c < mPeak.size(); ++c) {
        for (int32_t f = 0; f < frames; ++f) {
            const double sample = channels[c][f];
            mPeak[c] = std::max(mPeak[c], std::fabs(sample));
            mSumOfSquares[c] += sample * sample;
        }
    }
    mFrames += frames;
}

double LevelMeter::PeakDb(int channel) const {
    const double peak = mPeak[static_cast<std::size_t>(channel)];
    return peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

double LevelMeter::RmsDb(int channel) const {
    if (mFrames == 0) {
        return -std::numeric_limits<double>::infinity();
    }
    const double meanSquare = mSumOfSquares[static_cast<std::size_t>(channel)] / static_cast<double>(mFrames);
    return meanSquare > 0.0 ? 10.0 * std::log10(meanSquare) : -std::numeric_limits<double>::infinity();
}

}  // namespace hpihost
