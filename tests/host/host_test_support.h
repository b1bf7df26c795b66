#pragma once
// Helpers shared by the host tests: paths of the built module and tool,
// a scratch folder, WAV files in and out, running hpi-host as a process, and
// a small JSON reader for its --json output.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
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
        std::string pattern = (std::filesystem::temp_directory_path() / "tw_host_test_XXXXXX").string();
        mPath = mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    std::string operator/(const std::string& name) const { return (std::filesystem::path(mPath) / name).string(); }

private:
    std::string mPath;
};

using Channels = std::vector<std::vector<float>>;

// Writes channels (all of equal length) as a 32-bit float WAV.
inline bool WriteWav(const std::string& path, const Channels& channels, int sampleRate = 48000) {
    std::string message;
    auto writer = hpihost::AudioWriter::Create(path, hpihost::OutputFormat::WavFloat,
                                               static_cast<int>(channels.size()), sampleRate, &message);
    if (!writer) {
        return false;
    }
    std::vector<const float*> pointers;
    for (const auto& channel : channels) {
        pointers.push_back(channel.data());
    }
    return writer->Write(pointers.data(), static_cast<int32_t>(channels.front().size())) && writer->Close(&message);
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

inline std::vector<float> Sine(double frequency, double amplitude, int frames, int sampleRate = 48000,
                               double phase = 0.0) {
    std::vector<float> samples(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        samples[static_cast<std::size_t>(i)] =
            static_cast<float>(amplitude * std::sin(2.0 * M_PI * frequency * i / sampleRate + phase));
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

// --- a small JSON reader ------------------------------------------------------

struct Json {
    using Array = std::vector<Json>;
    using Object = std::map<std::string, Json>;
    std::variant<std::nullptr_t, bool, double, std::string, Array, Object> mValue;

    bool IsObject() const { return std::holds_alternative<Object>(mValue); }
    bool IsArray() const { return std::holds_alternative<Array>(mValue); }
    const Json& operator[](const std::string& key) const {
        static const Json kNone;
        const auto* object = std::get_if<Object>(&mValue);
        if (object == nullptr) {
            return kNone;
        }
        auto found = object->find(key);
        return found == object->end() ? kNone : found->second;
    }
    const Json& operator[](std::size_t index) const {
        static const Json kNone;
        const auto* array = std::get_if<Array>(&mValue);
        return array == nullptr || index >= array->size() ? kNone : (*array)[index];
    }
    std::size_t Size() const {
        if (const auto* array = std::get_if<Array>(&mValue)) {
            return array->size();
        }
        return 0;
    }
    std::string Text() const {
        const auto* text = std::get_if<std::string>(&mValue);
        return text != nullptr ? *text : "<not a string>";
    }
    double Number() const {
        const auto* number = std::get_if<double>(&mValue);
        return number != nullptr ? *number : std::nan("");
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : mText(text) {}

    // False when the text is not exactly one JSON value.
    bool Read(Json* out) {
        if (!Value(out)) {
            return false;
        }
        Space();
        return mPos == mText.size();
    }

private:
    void Space() {
        while (mPos < mText.size() && std::isspace(static_cast<unsigned char>(mText[mPos]))) {
            ++mPos;
        }
    }
    bool Take(char c) {
        Space();
        if (mPos < mText.size() && mText[mPos] == c) {
            ++mPos;
            return true;
        }
        return false;
    }
    bool Literal(const char* word) {
        const std::string w = word;
        if (mText.compare(mPos, w.size(), w) == 0) {
            mPos += w.size();
            return true;
        }
        return false;
    }
    bool String(std::string* out) {
        if (!Take('"')) {
            return false;
        }
        while (mPos < mText.size()) {
            const char c = mText[mPos++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (mPos >= mText.size()) {
                return false;
            }
            const char e = mText[mPos++];
            switch (e) {
                case '"': *out += '"'; break;
                case '\\': *out += '\\'; break;
                case '/': *out += '/'; break;
                case 'n': *out += '\n'; break;
                case 't': *out += '\t'; break;
                case 'r': *out += '\r'; break;
                case 'b': *out += '\b'; break;
                case 'f': *out += '\f'; break;
                case 'u': {
                    if (mPos + 4 > mText.size()) {
                        return false;
                    }
                    *out += static_cast<char>(std::stoi(mText.substr(mPos, 4), nullptr, 16));
                    mPos += 4;
                    break;
                }
                default: return false;
            }
        }
        return false;
    }
    bool Value(Json* out) {
        Space();
        if (mPos >= mText.size()) {
            return false;
        }
        const char c = mText[mPos];
        if (c == '{') {
            ++mPos;
            Json::Object object;
            if (Take('}')) {
                out->mValue = object;
                return true;
            }
            do {
                std::string key;
                Json value;
                if (!String(&key) || !Take(':') || !Value(&value)) {
                    return false;
                }
                object[key] = value;
            } while (Take(','));
            out->mValue = object;
            return Take('}');
        }
        if (c == '[') {
            ++mPos;
            Json::Array array;
            if (Take(']')) {
                out->mValue = array;
                return true;
            }
            do {
                Json value;
                if (!Value(&value)) {
                    return false;
                }
                array.push_back(value);
            } while (Take(','));
            out->mValue = array;
            return Take(']');
        }
        if (c == '"') {
            std::string text;
            if (!String(&text)) {
                return false;
            }
            out->mValue = text;
            return true;
        }
        if (Literal("true")) {
            out->mValue = true;
            return true;
        }
        if (Literal("false")) {
            out->mValue = false;
            return true;
        }
        if (Literal("null")) {
            out->mValue = nullptr;
            return true;
        }
        const char* start = mText.c_str() + mPos;
        char* end = nullptr;
        const double number = std::strtod(start, &end);
        if (end == start) {
            return false;
        }
        mPos += static_cast<std::size_t>(end - start);
        out->mValue = number;
        return true;
    }

    const std::string& mText;
    std::size_t mPos = 0;
};

}  // namespace hosttest
