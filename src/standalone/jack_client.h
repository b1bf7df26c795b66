#pragma once
// The program's JACK client: ports in_1/out_1 (and in_2/out_2 in stereo) of
// one StandaloneAdapter, the server's callbacks mapped onto it, and what the
// main thread needs to know of the server.
//
// Callbacks and their threads (JACK runs them, not us):
//   process           [audio] the server's real-time thread: the adapter's
//                     Process on the port buffers, nothing else.
//   buffer size,      the server's notification thread: the adapter's
//   sample rate       Prepare (which keeps blocks out while it works).
//   latency           the notification thread: each output's capture latency
//                     and each input's playback latency grow by the strip's.
//   xrun              the notification thread: counted.
//   shutdown          when the server goes away: flagged with its reason,
//                     and the main loop woken.
// The main thread tells the server a changed latency
// (jack_recompute_total_latencies may not run in a callback).
//
// Threads: everything below [main] except the counters [any].
#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class PollRunLoop;
class StandaloneAdapter;

class JackClient {
public:
    // [main] Opens a client called name on the server JACK_DEFAULT_SERVER
    // names (never starting one), registers the ports and the callbacks and
    // prepares the adapter for the server's rate and block size. Null with
    // the reason in *error when there is no server or a port is refused.
    // loop is woken when the server goes away.
    static std::unique_ptr<JackClient> Open(StandaloneAdapter& adapter, const std::string& name,
                                            PollRunLoop& loop, std::string* error);
    // [main] Deactivates and closes the client.
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // [main] Starts processing; false with the reason in *error.
    bool Activate(std::string* error);
    // [main] Connects the system's capture ports to the inputs and the
    // outputs to its playback ports (a mono output to the first two); answers
    // how many connections were made.
    int ConnectToSystem();
    // [main] Tells the server when a block changed the strip's latency.
    void FollowLatency();

    // [main] The name the server gave the client (it may add a number).
    std::string Name() const;
    // [any]
    double SampleRate() const;
    // [any]
    int BufferSize() const;
    // [any] Overruns and underruns the server reported.
    int64_t Xruns() const { return mXruns.load(std::memory_order_relaxed); }
    // [any] True once the server went away; the client is dead then.
    bool ServerGone() const { return mServerGone.load(std::memory_order_acquire); }
    // [main] What the server said when it went away.
    std::string ShutdownReason() const;

private:
    JackClient(StandaloneAdapter& adapter, PollRunLoop& loop);

    static int OnProcess(jack_nframes_t frames, void* self);
    static int OnBufferSize(jack_nframes_t frames, void* self);
    static int OnSampleRate(jack_nframes_t rate, void* self);
    static void OnLatency(jack_latency_callback_mode_t mode, void* self);
    static int OnXrun(void* self);
    static void OnShutdown(jack_status_t code, const char* reason, void* self);

    StandaloneAdapter& mAdapter;
    PollRunLoop& mLoop;
    jack_client_t* mClient = nullptr;
    jack_port_t* mInputs[2] = {nullptr, nullptr};
    jack_port_t* mOutputs[2] = {nullptr, nullptr};
    bool mActive = false;
    std::atomic<int64_t> mXruns{0};
    std::atomic<bool> mServerGone{false};
    char mShutdownReason[256] = {};
};
