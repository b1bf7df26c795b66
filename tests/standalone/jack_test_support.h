#pragma once
// A JACK server of the test's own: `jackd -d dummy` without real-time
// scheduling, under a private name (JACK_DEFAULT_SERVER, set for the whole
// test process so its own clients and the programs it starts find it), never
// a server of the system. Plus small helpers for the test's own clients.
#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "../lv2/hosts/host_process.h"

namespace jack_test {

inline constexpr int kSampleRate = 48000;
inline constexpr int kPeriod = 256;

// [main] A client of the test's server; null when there is none.
inline jack_client_t* OpenClient(const std::string& name) {
    jack_status_t status{};
    return jack_client_open(name.c_str(), JackNoStartServer, &status);
}

class PrivateServer {
public:
    // [main] Starts the server in folder and waits until a client can connect.
    // The server dies with the test, even one that aborts (a sanitizer's
    // report), so no server outlives it.
    explicit PrivateServer(const std::filesystem::path& folder)
        : mName("tw-test-" + std::to_string(getpid()) + "-" + std::to_string(sCount++)),
          mLogPath(folder / (mName + ".log")) {
        setenv("JACK_DEFAULT_SERVER", mName.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        const std::string rate = std::to_string(kSampleRate);
        const std::string period = std::to_string(kPeriod);
        mPid = fork();
        if (mPid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int log = open(mLogPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(log, 1);
            dup2(log, 2);
            execlp("jackd", "jackd", "--no-realtime", "-d", "dummy", "-r", rate.c_str(), "-p",
                   period.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (mPid > 0 && std::chrono::steady_clock::now() < deadline &&
               waitpid(mPid, nullptr, WNOHANG) == 0) {
            if (jack_client_t* probe = OpenClient("tw-probe")) {
                jack_client_close(probe);
                mReady = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    // [main]
    ~PrivateServer() { Stop(); }

    // [main]
    bool Ready() const { return mReady; }
    // [main] Ends the server (SIGTERM, SIGKILL after 3 s), as a user's
    // session would.
    void Stop() {
        if (mPid <= 0) return;
        kill(mPid, SIGTERM);
        for (int waited = 0; waited < 3000 && waitpid(mPid, nullptr, WNOHANG) == 0; waited += 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(mPid, SIGKILL);
        waitpid(mPid, nullptr, 0);
        mPid = -1;
    }
    // [main]
    std::string Log() const {
        std::ifstream file(mLogPath);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

private:
    static inline int sCount = 0;
    std::string mName;
    std::filesystem::path mLogPath;
    pid_t mPid = -1;
    bool mReady = false;
};

// [main] Waits until the port exists; false after timeoutMs.
inline bool WaitForPort(jack_client_t* client, const std::string& port, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (jack_port_by_name(client, port.c_str()) != nullptr) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// [main] The port's latency range in mode; {-1, -1} without the port.
inline std::pair<int, int> LatencyOf(jack_client_t* client, const std::string& port,
                                     jack_latency_callback_mode_t mode) {
    jack_port_t* p = jack_port_by_name(client, port.c_str());
    if (p == nullptr) return {-1, -1};
    jack_latency_range_t range{};
    jack_port_get_latency_range(p, mode, &range);
    return {static_cast<int>(range.min), static_cast<int>(range.max)};
}

}  // namespace jack_test
