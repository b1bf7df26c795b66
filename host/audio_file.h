#pragma once
// Audio files through libsndfile: reading WAV, FLAC, AIFF (anything
// libsndfile reads) into separate float channels, and writing them in one of
// a few output formats. Integer outputs clip rather than wrap. [main] or the
// render thread, one thread per object.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace hpihost {

enum class OutputFormat { WavFloat, Wav16, Wav24, Flac16, Flac24, Aiff16, Aiff24 };

// "wav" (32-bit float), "wav16", "wav24", "flac" (24-bit), "flac16",
// "aiff" (24-bit), "aiff16". False for other names.
bool ParseOutputFormat(const std::string& name, OutputFormat* format);
const char* OutputFormatName(OutputFormat format);
// Names accepted by ParseOutputFormat, for help texts.
const char* OutputFormatList();

class AudioReader {
public:
    // Null with a message naming the file when it cannot be read.
    static std::unique_ptr<AudioReader> Open(const std::string& path, std::string* message);
    ~AudioReader();

    int Channels() const { return mChannels; }
    int SampleRate() const { return mSampleRate; }
    int64_t Frames() const { return mFrames; }
    const std::string& FormatText() const { return mFormatText; }  // e.g. "WAV 24-bit"

    // Reads up to `frames` frames into `channels` (Channels() of them);
    // answers the frames read (0 at the end or on an error).
    int32_t Read(float* const* channels, int32_t frames);

private:
    AudioReader() = default;

    SNDFILE* mFile = nullptr;
    int mChannels = 0;
    int mSampleRate = 0;
    int64_t mFrames = 0;
    std::string mFormatText;
    std::vector<float> mInterleaved;
};

class AudioWriter {
public:
    // Null with a message naming the file when it cannot be created.
    static std::unique_ptr<AudioWriter> Create(const std::string& path, OutputFormat format,
                                               int channels, int sampleRate, std::string* message);
    ~AudioWriter();  // closes; errors of a close here go unreported

    bool Write(const float* const* channels, int32_t frames);
    // Flushes and closes; false with a message when that failed.
    bool Close(std::string* message);

private:
    AudioWriter() = default;

    SNDFILE* mFile = nullptr;
    int mChannels = 0;
    std::string mPath;
    std::vector<float> mInterleaved;
};

// Peak and RMS of each channel of what passed through.
class LevelMeter {
public:
    explicit LevelMeter(int channels);
    void Add(const float* const* channels, int32_t frames);  // one thread
    int Channels() const { return static_cast<int>(mPeak.size()); }
    double PeakDb(int channel) const;  // dBFS, -inf for silence
    double RmsDb(int channel) const;   // dBFS, -inf for silence
    int64_t Frames() const { return mFrames; }

private:
    std::vector<double> mPeak;
    std::vector<double> mSumOfSquares;
    int64_t mFrames = 0;
};

}  // namespace hpihost
