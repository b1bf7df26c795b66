// tarnwhistle-jack as a process on a JACK server of the test's own: its
// ports, the latency it reports, its sound against hpi-host render, its
// state file, and how it ends.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "jack_test_support.h"

namespace {

namespace fs = std::filesystem;
using jack_test::LatencyOf;
using jack_test::OpenClient;
using jack_test::PrivateServer;
using jack_test::WaitForPort;

fs::path TestFolder(const std::string& name) {
    const fs::path folder =
        fs::temp_directory_path() / ("tw-standalone-" + std::to_string(getpid())) / name;
    fs::create_directories(folder);
    return folder;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// tarnwhistle-jack headless with extra arguments, output into folder.
std::unique_ptr<HostProcess> StartProgram(const fs::path& folder, std::vector<std::string> args,
                                          const std::string& name = "tarnwhistle-jack") {
    args.insert(args.begin(), {TW_TARNWHISTLE_JACK, "--no-gui"});
    return std::make_unique<HostProcess>(args, std::vector<std::string>{}, folder, name);
}

// Waits until the program says it runs (its ports and latency are set then).
bool WaitRunning(HostProcess& program, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline && program.Running()) {
        if (program.Out().find(" running at ") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The parameter values that close a state (one double each).
std::vector<double> StateValues(const std::vector<uint8_t>& state) {
    constexpr int kParams = 11;
    std::vector<double> values(kParams);
    if (state.size() < kParams * sizeof(double)) return {};
    std::memcpy(values.data(), state.data() + state.size() - kParams * sizeof(double),
                kParams * sizeof(double));
    return values;
}

class StandaloneJack : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sServer = new PrivateServer(TestFolder("server")); }
    static void TearDownTestSuite() {
        delete sServer;
        sServer = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(sServer->Ready()) << "jackd -d dummy did not start: " << sServer->Log();
        mClient = OpenClient("tw-test");
        ASSERT_NE(mClient, nullptr);
    }
    void TearDown() override {
        if (mClient != nullptr) jack_client_close(mClient);
    }

    static inline PrivateServer* sServer = nullptr;
    jack_client_t* mClient = nullptr;
};

TEST_F(StandaloneJack, PortsCarryTheirNamesAndTheStripsLatency) {
    struct Case {
        std::vector<std::string> args;
        std::string client;
        int channels;
        int latency;
    };
    const Case cases[] = {
        {{}, "tarnwhistle-jack", 2, 16},
        {{"--mono", "--name", "tw-mono"}, "tw-mono", 1, 16},
        {{"--name", "tw-os", "--set", "Oversampling=Oversampling On"}, "tw-os", 2, 80},
        {{"--name", "tw-preset", "--preset", "Clean Line Input"}, "tw-preset", 2, 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.client);
        auto program = StartProgram(TestFolder("ports"), c.args, c.client);
        ASSERT_TRUE(WaitRunning(*program)) << program->Err();
        for (int channel = 1; channel <= 2; ++channel) {
            const std::string in = c.client + ":in_" + std::to_string(channel);
            const std::string out = c.client + ":out_" + std::to_string(channel);
            if (channel > c.channels) {
                EXPECT_EQ(jack_port_by_name(mClient, in.c_str()), nullptr);
                continue;
            }
            // Nothing is connected, so the strip's latency is all there is.
            // The server sets the latencies in passes after activation.
            const auto want = std::make_pair(c.latency, c.latency);
            for (int tries = 0;
                 tries < 50 && (LatencyOf(mClient, out, JackCaptureLatency) != want ||
                                LatencyOf(mClient, in, JackPlaybackLatency) != want);
                 ++tries) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            EXPECT_EQ(LatencyOf(mClient, out, JackCaptureLatency), want);
            EXPECT_EQ(LatencyOf(mClient, in, JackPlaybackLatency), want);
            EXPECT_EQ(jack_port_connected(jack_port_by_name(mClient, in.c_str())), 0)
                << "connected unasked";
        }
        program->Stop();
        EXPECT_EQ(program->Wait(0), 0) << program->Err();
        EXPECT_NE(program->Out().find("xruns"), std::string::npos);
    }
}

TEST_F(StandaloneJack, ConnectsToTheSystemPortsOnlyWhenAsked) {
    auto program = StartProgram(TestFolder("connect"), {"--name", "tw-connect", "--connect"});
    ASSERT_TRUE(WaitRunning(*program)) << program->Err();
    // Connections follow activation; give them a moment.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const char* port :
         {"tw-connect:in_1", "tw-connect:in_2", "tw-connect:out_1", "tw-connect:out_2"}) {
        EXPECT_EQ(jack_port_connected(jack_port_by_name(mClient, port)), 1) << port;
    }
}

// Plays a signal into a program's inputs and records its outputs: a player
// and a recorder client, so the server runs player -> program -> recorder in
// one cycle and the recording lines up with what was played by frame time.
class PlayAndRecord {
public:
    PlayAndRecord(std::vector<std::vector<float>> signal, int recordFrames)
        : mSignal(std::move(signal)),
          mRecording(mSignal.size(), std::vector<float>(recordFrames, 0.0f)) {
        mPlayer = OpenClient("tw-player");
        mRecorder = OpenClient("tw-recorder");
        for (std::size_t c = 0; c < mSignal.size(); ++c) {
            const std::string n = std::to_string(c + 1);
            mOut.push_back(jack_port_register(mPlayer, ("out_" + n).c_str(),
                                              JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
            mIn.push_back(jack_port_register(mRecorder, ("in_" + n).c_str(),
                                             JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
        }
        jack_set_process_callback(mPlayer, Play, this);
        jack_set_process_callback(mRecorder, Record, this);
        jack_set_xrun_callback(mRecorder, CountXrun, this);
        jack_activate(mRecorder);
        jack_activate(mPlayer);
    }
    ~PlayAndRecord() {
        jack_client_close(mPlayer);
        jack_client_close(mRecorder);
    }

    void ConnectThrough(const std::string& program) {
        for (std::size_t c = 0; c < mSignal.size(); ++c) {
            const std::string n = std::to_string(c + 1);
            jack_connect(mPlayer, jack_port_name(mOut[c]), (program + ":in_" + n).c_str());
            jack_connect(mRecorder, (program + ":out_" + n).c_str(), jack_port_name(mIn[c]));
        }
    }
    // Plays the signal once (or over and over) from the next cycle on.
    void Start(bool loop = false) {
        mLoop.store(loop);
        mStart.store(true);
    }
    // Waits until the signal was played and recorded; false after timeoutMs.
    bool WaitPlayed(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            const int64_t t0 = mPlayedFrom.load();
            if (t0 >= 0 && mRecordedUntil.load() >= t0 + static_cast<int64_t>(mSignal[0].size()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // What came back for signal sample 0 onwards.
    std::vector<float> Recorded(int channel) const {
        const auto& rec = mRecording[static_cast<std::size_t>(channel)];
        const int64_t offset = mPlayedFrom.load() - mRecordedFrom.load();
        if (offset < 0 || offset >= static_cast<int64_t>(rec.size())) return {};
        return {rec.begin() + offset, rec.end()};
    }
    // Cycles the server missed (a busy machine) since the start.
    int Xruns() const { return mXruns.load(); }
    // RMS of the last cycle the recorder heard, channel 0.
    double LastCycleRms() const { return mLastRms.load(); }

private:
    static int Play(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<PlayAndRecord*>(arg);
        const auto now = static_cast<int64_t>(jack_last_frame_time(self->mPlayer));
        if (self->mStart.load() && self->mPlayedFrom.load() < 0) self->mPlayedFrom.store(now);
        const int64_t from = self->mPlayedFrom.load();
        for (std::size_t c = 0; c < self->mSignal.size(); ++c) {
            auto* out = static_cast<float*>(jack_port_get_buffer(self->mOut[c], frames));
            const auto& signal = self->mSignal[c];
            const auto length = static_cast<int64_t>(signal.size());
            for (jack_nframes_t i = 0; i < frames; ++i) {
                int64_t k = from < 0 ? -1 : now + i - from;
                if (k >= length && self->mLoop.load()) k %= length;
                out[i] = k >= 0 && k < length ? signal[static_cast<std::size_t>(k)] : 0.0f;
            }
        }
        return 0;
    }
    static int CountXrun(void* arg) {
        static_cast<PlayAndRecord*>(arg)->mXruns.fetch_add(1);
        return 0;
    }
    static int Record(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<PlayAndRecord*>(arg);
        const auto now = static_cast<int64_t>(jack_last_frame_time(self->mRecorder));
        if (self->mRecordedFrom.load() < 0) self->mRecordedFrom.store(now);
        const int64_t at = now - self->mRecordedFrom.load();
        double sum = 0.0;
        for (std::size_t c = 0; c < self->mIn.size(); ++c) {
            const auto* in = static_cast<const float*>(jack_port_get_buffer(self->mIn[c], frames));
            auto& rec = self->mRecording[c];
            for (jack_nframes_t i = 0; i < frames; ++i) {
                if (at + i < static_cast<int64_t>(rec.size()))
                    rec[static_cast<std::size_t>(at + i)] = in[i];
                if (c == 0) sum += static_cast<double>(in[i]) * in[i];
            }
        }
        self->mLastRms.store(std::sqrt(sum / std::max<jack_nframes_t>(frames, 1)));
        self->mRecordedUntil.store(now + frames);
        return 0;
    }

    std::vector<std::vector<float>> mSignal;
    std::vector<std::vector<float>> mRecording;
    jack_client_t* mPlayer = nullptr;
    jack_client_t* mRecorder = nullptr;
    std::vector<jack_port_t*> mOut, mIn;
    std::atomic<bool> mStart{false}, mLoop{false};
    std::atomic<int64_t> mPlayedFrom{-1}, mRecordedFrom{-1}, mRecordedUntil{-1};
    std::atomic<double> mLastRms{0.0};
    std::atomic<int> mXruns{0};
};

// A programme with lows, mids, highs and a level change: tones, a chirp and noise.
std::vector<std::vector<float>> TestProgramme(int frames) {
    std::vector<std::vector<float>> signal(2, std::vector<float>(static_cast<std::size_t>(frames)));
    uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / jack_test::kSampleRate;
        noise = noise * 1664525u + 1013904223u;
        const double white = (static_cast<double>(noise >> 8) / 8388608.0 - 1.0);
        const double swell = i < frames / 2 ? 0.25 : 0.7;
        signal[0][static_cast<std::size_t>(i)] = static_cast<float>(
            swell * (0.6 * std::sin(2 * M_PI * 110 * t) + 0.3 * std::sin(2 * M_PI * 2500 * t)));
        signal[1][static_cast<std::size_t>(i)] =
            static_cast<float>(0.4 * std::sin(2 * M_PI * (50 + 4000 * t) * t) + 0.1 * white);
    }
    return signal;
}

bool WriteWav(const fs::path& path, const std::vector<std::vector<float>>& signal) {
    SF_INFO info{};
    info.samplerate = jack_test::kSampleRate;
    info.channels = static_cast<int>(signal.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    std::vector<float> interleaved;
    for (std::size_t i = 0; i < signal[0].size(); ++i) {
        for (const auto& channel : signal) interleaved.push_back(channel[i]);
    }
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(signal[0].size()));
    return sf_close(file) == 0;
}

std::vector<std::vector<float>> ReadWav(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return {};
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    std::vector<std::vector<float>> signal(static_cast<std::size_t>(info.channels));
    for (std::size_t i = 0; i < interleaved.size(); ++i)
        signal[i % signal.size()].push_back(interleaved[i]);
    return signal;
}

// For a failure message: the shift of recorded against expected (in samples,
// positive: recorded later) with the smallest difference.
int BestLag(const std::vector<float>& recorded, const std::vector<float>& expected, int frames) {
    int best = 0;
    double bestError = 1e300;
    for (int lag = -2048; lag <= 2048; ++lag) {
        double error = 0.0;
        for (int i = 4096; i < frames - 4096; i += 7) {
            const double d =
                recorded[static_cast<std::size_t>(i + lag)] - expected[static_cast<std::size_t>(i)];
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = lag;
        }
    }
    return best;
}

// The same settings, by the same names and texts, in both programs.
constexpr jack_nframes_t kRenderPeriod = 1024;
TEST_F(StandaloneJack, SoundsAsHpiHostRenderOfTheSameSettings) {
    const std::vector<std::string> sets = {
        "Preamp Gain=9", "HighPass=80Hz",  "Mid Freq=3.2kHz", "Mid Gain=4",
        "Low Freq=4",    "Low Gain=-3 dB", "Mic Pre=1",       "Oversampling=Oversampling On"};
    const fs::path folder = TestFolder("render");
    std::vector<std::string> args = {"--name", "tw-render"};
    std::vector<std::string> renderArgs = {TW_HPI_HOST,
                                           "render",
                                           TW_TARNWHISTLE_MODULE,
                                           (folder / "in.wav").string(),
                                           (folder / "out.wav").string(),
                                           "--block",
                                           std::to_string(kRenderPeriod),
                                           "--quiet"};
    for (const std::string& set : sets) {
        for (auto* list : {&args, &renderArgs}) {
            list->push_back("--set");
            list->push_back(set);
        }
    }
    const int frames = jack_test::kSampleRate / 2;
    const auto signal = TestProgramme(frames);
    ASSERT_TRUE(WriteWav(folder / "in.wav", signal));

    auto program = StartProgram(folder, args, "tw-render");
    ASSERT_TRUE(WaitRunning(*program)) << program->Err();
    // A longer period leaves a busy machine (or a sanitizer build) room; a
    // cycle the server missed all the same (an xrun) is not the program's
    // fault, and such a take is played again.
    ASSERT_EQ(jack_set_buffer_size(mClient, kRenderPeriod), 0);
    std::unique_ptr<PlayAndRecord> take;
    int xruns = 1;
    for (int attempt = 0; attempt < 4 && xruns > 0; ++attempt) {
        take = std::make_unique<PlayAndRecord>(signal, frames * 4);
        take->ConnectThrough("tw-render");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const int before = take->Xruns();
        take->Start();
        ASSERT_TRUE(take->WaitPlayed(5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        xruns = take->Xruns() - before;
    }
    ASSERT_EQ(xruns, 0) << "every take had xruns";
    PlayAndRecord& loop = *take;

    HostProcess render(renderArgs, {}, folder, "hpi-host");
    ASSERT_EQ(render.Wait(30000), 0) << render.Err();
    const auto expected = ReadWav(folder / "out.wav");
    ASSERT_EQ(expected.size(), 2u);
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        const std::vector<float> recorded = loop.Recorded(c);
        ASSERT_GE(recorded.size(), static_cast<std::size_t>(frames));
        double worst = 0.0;
        double energy = 0.0;
        int worstAt = 0;
        for (int i = 0; i < frames; ++i) {
            const double d = std::fabs(static_cast<double>(recorded[i]) - expected[c][i]);
            if (d > worst) worstAt = i;
            worst = std::max(worst, d);
            energy += static_cast<double>(expected[c][i]) * expected[c][i];
        }
        EXPECT_GT(energy, 1.0) << "the render is silent";
        EXPECT_LE(worst, 1e-6) << "the recording matches best "
                               << BestLag(recorded, expected[c], frames)
                               << " samples later; worst at " << worstAt;
    }
}

TEST_F(StandaloneJack, KeepsRunningThroughBufferSizeChanges) {
    auto program = StartProgram(TestFolder("buffers"), {"--name", "tw-sizes"}, "tw-sizes");
    ASSERT_TRUE(WaitRunning(*program)) << program->Err();
    PlayAndRecord loop(TestProgramme(4096), 1);
    loop.ConnectThrough("tw-sizes");
    loop.Start(/*loop*/ true);
    for (const jack_nframes_t size :
         {1024u, 64u, static_cast<jack_nframes_t>(jack_test::kPeriod)}) {
        SCOPED_TRACE(size);
        ASSERT_EQ(jack_set_buffer_size(mClient, size), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(jack_get_buffer_size(mClient), size);
        EXPECT_TRUE(program->Running()) << program->Err();
        EXPECT_GT(loop.LastCycleRms(), 0.01) << "no sound after the change";
    }
    program->Stop();
    EXPECT_EQ(program->Wait(0), 0) << program->Err();
}

TEST(StandaloneJackServer, EndsWithItsExitCodeWhenTheServerGoesAway) {
    const fs::path folder = TestFolder("gone");
    PrivateServer server(folder);
    ASSERT_TRUE(server.Ready()) << server.Log();
    auto program = StartProgram(folder, {"--name", "tw-gone"}, "tw-gone");
    jack_client_t* client = OpenClient("tw-watch");
    ASSERT_TRUE(WaitRunning(*program)) << program->Err();
    ASSERT_TRUE(WaitForPort(client, "tw-gone:out_1"));
    jack_client_close(client);
    server.Stop();
    EXPECT_EQ(program->Wait(5000), 8) << program->Err();
    EXPECT_NE(program->Err().find("the JACK server went away"), std::string::npos)
        << program->Err();
}

TEST_F(StandaloneJack, SavesItsStateOnExitAndRestoresIt) {
    const fs::path folder = TestFolder("state");
    const fs::path state = folder / "strip.state";
    fs::remove(state);
    {
        auto program = StartProgram(folder, {"--name", "tw-state", "--state", state.string(),
                                             "--set", "HighPass=4", "--set", "Preamp Gain=-6.5"});
        ASSERT_TRUE(WaitRunning(*program)) << program->Err();
        program->Stop();
        ASSERT_EQ(program->Wait(0), 0) << program->Err();
    }
    const std::vector<uint8_t> saved = ReadBytes(state);
    ASSERT_EQ(saved.size(), 100u);
    EXPECT_EQ(StateValues(saved)[2], 4.0);
    EXPECT_EQ(StateValues(saved)[0], -6.5);
    {
        auto program = StartProgram(folder, {"--name", "tw-state", "--state", state.string()});
        ASSERT_TRUE(WaitRunning(*program)) << program->Err();
        program->Stop();
        ASSERT_EQ(program->Wait(0), 0) << program->Err();
    }
    EXPECT_EQ(ReadBytes(state), saved);
}

TEST_F(StandaloneJack, RefusesADamagedStateFileAndLeavesIt) {
    const fs::path folder = TestFolder("damaged");
    std::vector<uint8_t> good(100, 0);
    std::vector<uint8_t> notANumber = good;
    const double nan = std::nan("");
    std::memcpy(notANumber.data() + 100 - 8, &nan, sizeof nan);
    struct Case {
        const char* fault;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {{"truncated", std::vector<uint8_t>(7, 1)},
                          {"too long", std::vector<uint8_t>(101, 0)},
                          {"value no number", notANumber}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        const fs::path state = folder / "damaged.state";
        WriteBytes(state, c.bytes);
        auto program = StartProgram(
            folder, {"--name", "tw-damaged", "--state", state.string(), "--set", "HighPass=2"});
        ASSERT_TRUE(WaitRunning(*program)) << program->Err();
        program->Stop();
        EXPECT_EQ(program->Wait(0), 0) << program->Err();
        EXPECT_NE(program->Err().find("is damaged"), std::string::npos) << program->Err();
        EXPECT_EQ(ReadBytes(state), c.bytes) << "the damaged file was overwritten";
    }
}

// Refusals come before any server is asked for.
TEST(StandaloneCommandLine, NamesWhatIsWrongWithItsExitCode) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {{"--bogus"}, 1, "unknown option '--bogus'"},
        {{"--set"}, 1, "--set needs a value"},
        {{"--set", "HighPass"}, 1, "NAME=VALUE"},
        {{"--set", "Treble=3"}, 2, "unknown parameter 'Treble'"},
        {{"--set", "HighPass=5"}, 3, "outside its range"},
        {{"--set", "HighPass=2.5"}, 3, "not a whole position"},
        {{"--set", "Preamp Gain=6 Hz"}, 3, "after the number"},
        {{"--set", "Preamp Gain=30"}, 3, "outside its range"},
        {{"--preset", "loud"}, 4, "no preset 'loud'"},
        {{"--set", "HighPass=300 hz", "--preset", "warm-vocal"}, 6, "no JACK server"},
    };
    const fs::path folder = TestFolder("cli");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), TW_TARNWHISTLE_JACK);
        HostProcess program(
            args, {"JACK_DEFAULT_SERVER=tw-test-no-such-server", "JACK_NO_START_SERVER=1"}, folder,
            "cli");
        EXPECT_EQ(program.Wait(10000), c.code) << program.Err();
        EXPECT_NE(program.Err().find(c.says), std::string::npos) << program.Err();
    }
}

}  // namespace
