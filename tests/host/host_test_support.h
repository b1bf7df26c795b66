#pragma once
// Helpers shared by the host tests: paths of the built module and tool,
// a scratch folder, WAV files in and out, running hpi-host as a process, and
// reading its --json output.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "audio_file.h"

namespace hosttest {

inline const std::string kModulePath = TW_TARNWHISTLE_MODULE;
inline const std::string kHostTool = TW_HPI_HOST;
inline const std::string kNotAPlugin = TW_NOT_A_PLUGIN;
inline const std::string kFailingPlugin = TW_FAILING_PLUGIN;

// A folder of its own under the system's temporary folder, removed at the end.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tw_host_test_XXXXXX").string();
        mPath = mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    std::string operator/(const std::string& name) const {
        return (std::filesystem::path(mPath) / name).string();
    }

private:
    std::string mPath;
};

using Channels = std::vector<std::vector<float>>;

// Writes channels (all of equal length) as a 32-bit float WAV.
inline bool WriteWav(const std::string& path, const Channels& channels, int sampleRate = 48000) {
    std::string message;
    auto writer =
        hpihost::AudioWriter::Create(path, hpihost::OutputFormat::WavFloat,
                                     static_cast<int>(channels.size()), sampleRate, &message);
    if (!writer) {
        return false;
    }
    std::vector<const float*> pointers;
    for (const auto& channel : channels) {
        pointers.push_back(channel.data());
    }
    return writer->Write(pointers.data(), static_cast<int32_t>(channels.front().size())) &&
           writer->Close(&message);
}

inline Channels ReadWav(const std::string& path, int* sampleRate = nullptr) {
    std::string message;
    auto reader = hpihost::AudioReader::Open(path, &message);
    if (!reader) {
        return {};
    }
    if (sampleRate != nullptr) {
        *sampleRate = reader->SampleRate();
    }
    Channels channels(static_cast<std::size_t>(reader->Channels()),
                      std::vector<float>(static_cast<std::size_t>(reader->Frames())));
    std::vector<float*> pointers;
    for (auto& channel : channels) {
        pointers.push_back(channel.data());
    }
    reader->Read(pointers.data(), static_cast<int32_t>(reader->Frames()));
    return channels;
}

inline std::vector<float> Sine(double frequency, double amplitude, int frames,
                               int sampleRate = 48000, double phase = 0.0) {
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        samples[static_cast<std::size_t>(i)] = static_cast<float>(
            amplitude * std::sin(2.0 * M_PI * frequency * i / sampleRate + phase));
    }
    return samples;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
    const std::string text = ReadText(path);
    return std::vector<unsigned char>(text.begin(), text.end());
}

struct ToolRun {
    int mExitCode = -1;
    std::string mOut;
    std::string mErr;
};

inline void AppendQuoted(std::ostringstream& out, const std::string& text) {
    out << '\'';
    for (char c : text) {
        if (c == '\'') {
            out << "'\\''";
        } else {
            out << c;
        }
    }
    out << '\'';
}

// Runs hpi-host with these arguments, standard input closed.
inline ToolRun RunTool(const std::vector<std::string>& args, const ScratchDir& scratch) {
    const std::string out = scratch / "tool.out";
    const std::string err = scratch / "tool.err";
    std::ostringstream command;
    AppendQuoted(command, kHostTool);
    for (const std::string& arg : args) {
        command << ' ';
        AppendQuoted(command, arg);
    }
    command << " </dev/null >";
    AppendQuoted(command, out);
    command << " 2>";
    AppendQuoted(command, err);
    ToolRun run;
    const int status = std::system(command.str().c_str());
    run.mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.mOut = ReadText(out);
    run.mErr = ReadText(err);
    return run;
}

// --- reading --json output --------------------------------------------------

// A JSON value; a missing key or index reads as null.
struct Json {
    nlohmann::json mValue;

    Json operator[](const std::string& key) const {
        return {mValue.is_object() && mValue.contains(key) ? mValue.at(key) : nlohmann::json()};
    }
    Json operator[](std::size_t index) const {
        return {mValue.is_array() && index < mValue.size() ? mValue.at(index) : nlohmann::json()};
    }
    std::size_t Size() const { return mValue.is_array() ? mValue.size() : 0; }
    std::string Text() const {
        return mValue.is_string() ? mValue.get<std::string>() : "<not a string>";
    }
    double Number() const { return mValue.is_number() ? mValue.get<double>() : std::nan(""); }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : mText(text) {}

    // False when the text is not exactly one JSON value.
    bool Read(Json* out) const {
        out->mValue = nlohmann::json::parse(mText, nullptr, false);
        return !out->mValue.is_discarded();
    }

private:
    const std::string& mText;
};

}  // namespace hosttest
