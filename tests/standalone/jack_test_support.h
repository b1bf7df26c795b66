#pragma once
// A JACK server of the test's own: `jackd -d dummy` without real-time
// scheduling, under a private name (JACK_DEFAULT_SERVER, set for the whole
// test process so its own clients and the programs it starts find it), never
// a server of the system. Plus small helpers for the test's own clients.
#include <jack/jack.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
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
    explicit PrivateServer(const std::filesystem::path& folder)
        : mName("tw-test-" + std::to_string(getpid()) + "-" + std::to_string(sCount++)) {
        setenv("JACK_DEFAULT_SERVER", mName.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        mProcess = std::make_unique<HostProcess>(
            std::vector<std::string>{"jackd", "--no-realtime", "-d", "dummy", "-r",
                                     std::to_string(kSampleRate), "-p", std::to_string(kPeriod)},
            std::vector<std::string>{"JACK_DEFAULT_SERVER=" + mName, "JACK_NO_AUDIO_RESERVATION=1"},
            folder, "jackd");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline && mProcess->Running()) {
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
    // [main] Ends the server (SIGTERM), as a user's session would.
    void Stop() { mProcess->Stop(); }
    // [main]
    std::string Log() const { return mProcess->Out() + mProcess->Err(); }

private:
    static inline int sCount = 0;
    std::string mName;
    std::unique_ptr<HostProcess> mProcess;
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
