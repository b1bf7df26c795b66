#include "standalone/jack_client.h"

#include <cstdio>
#include <cstring>

#include "standalone/poll_run_loop.h"
#include "standalone/standalone_adapter.h"

JackClient::JackClient(StandaloneAdapter& adapter, PollRunLoop& loop)
    : mAdapter(adapter), mLoop(loop) {}

std::unique_ptr<JackClient> JackClient::Open(StandaloneAdapter& adapter, const std::string& name,
                                             PollRunLoop& loop, std::string* error) {
    std::unique_ptr<JackClient> self(new JackClient(adapter, loop));
    jack_status_t status{};
    self->mClient = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (self->mClient == nullptr) {
        *error = (status & JackServerFailed) != 0
                     ? "no JACK server is running (cannot connect to it)"
                 : (status & JackInvalidOption) != 0
                     ? "the client name '" + name + "' is not allowed"
                     : "the JACK server refused the client (status 0x" +
                           [&] {
                               char hex[16];
                               std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(status));
                               return std::string(hex);
                           }() +
                           ")";
        return nullptr;
    }
    jack_client_t* client = self->mClient;
    for (int c = 0; c < adapter.Channels(); ++c) {
        const std::string in = "in_" + std::to_string(c + 1);
        const std::string out = "out_" + std::to_string(c + 1);
        self->mInputs[c] =
            jack_port_register(client, in.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        self->mOutputs[c] =
            jack_port_register(client, out.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (self->mInputs[c] == nullptr || self->mOutputs[c] == nullptr) {
            *error = "the JACK server refused the port " + in + " or " + out;
            return nullptr;
        }
    }
    JackClient* raw = self.get();
    jack_set_process_callback(client, OnProcess, raw);
    jack_set_buffer_size_callback(client, OnBufferSize, raw);
    jack_set_sample_rate_callback(client, OnSampleRate, raw);
    jack_set_latency_callback(client, OnLatency, raw);
    jack_set_xrun_callback(client, OnXrun, raw);
    jack_on_info_shutdown(client, OnShutdown, raw);
    adapter.Prepare(jack_get_sample_rate(client), static_cast<int>(jack_get_buffer_size(client)));
    return self;
}

JackClient::~JackClient() {
    if (mClient == nullptr) return;
    if (mActive && !ServerGone()) jack_deactivate(mClient);
    jack_client_close(mClient);
}

bool JackClient::Activate(std::string* error) {
    if (jack_activate(mClient) != 0) {
        *error = "the JACK server would not activate the client";
        return false;
    }
    mActive = true;
    return true;
}

int JackClient::ConnectToSystem() {
    int made = 0;
    auto physical = [&](unsigned long flags) {
        return jack_get_ports(mClient, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                              JackPortIsPhysical | flags);
    };
    const int channels = mAdapter.Channels();
    if (const char** captures = physical(JackPortIsOutput)) {
        for (int c = 0; c < channels && captures[c] != nullptr; ++c) {
            if (jack_connect(mClient, captures[c], jack_port_name(mInputs[c])) == 0) ++made;
        }
        jack_free(captures);
    }
    if (const char** playbacks = physical(JackPortIsInput)) {
        // A mono output feeds both speakers.
        for (int p = 0; p < 2 && playbacks[p] != nullptr; ++p) {
            if (p >= channels && channels != 1) break;
            if (jack_connect(mClient, jack_port_name(mOutputs[channels == 1 ? 0 : p]),
                             playbacks[p]) == 0)
                ++made;
        }
        jack_free(playbacks);
    }
    return made;
}

void JackClient::FollowLatency() {
    if (mAdapter.TakeLatencyChange() && !ServerGone()) jack_recompute_total_latencies(mClient);
}

std::string JackClient::Name() const {
    return jack_get_client_name(mClient);
}

double JackClient::SampleRate() const {
    return mAdapter.SampleRate();
}

int JackClient::BufferSize() const {
    return mAdapter.BlockSize();
}

std::string JackClient::ShutdownReason() const {
    return mShutdownReason;
}

int JackClient::OnProcess(jack_nframes_t frames, void* self) {
    auto* client = static_cast<JackClient*>(self);
    const float* inputs[2] = {nullptr, nullptr};
    float* outputs[2] = {nullptr, nullptr};
    for (int c = 0; c < client->mAdapter.Channels(); ++c) {
        inputs[c] = static_cast<const float*>(jack_port_get_buffer(client->mInputs[c], frames));
        outputs[c] = static_cast<float*>(jack_port_get_buffer(client->mOutputs[c], frames));
    }
    client->mAdapter.Process(inputs, outputs, static_cast<int>(frames));
    return 0;
}

int JackClient::OnBufferSize(jack_nframes_t frames, void* self) {
    auto* client = static_cast<JackClient*>(self);
    client->mAdapter.Prepare(jack_get_sample_rate(client->mClient), static_cast<int>(frames));
    return 0;
}

int JackClient::OnSampleRate(jack_nframes_t rate, void* self) {
    auto* client = static_cast<JackClient*>(self);
    client->mAdapter.Prepare(rate, static_cast<int>(jack_get_buffer_size(client->mClient)));
    return 0;
}

void JackClient::OnLatency(jack_latency_callback_mode_t mode, void* self) {
    auto* client = static_cast<JackClient*>(self);
    const auto latency = static_cast<jack_nframes_t>(client->mAdapter.Latency());
    for (int c = 0; c < client->mAdapter.Channels(); ++c) {
        jack_latency_range_t range{};
        // Downstream of an input lies our output, and upstream of an output our input.
        if (mode == JackCaptureLatency) {
            jack_port_get_latency_range(client->mInputs[c], JackCaptureLatency, &range);
            range.min += latency;
            range.max += latency;
            jack_port_set_latency_range(client->mOutputs[c], JackCaptureLatency, &range);
        } else {
            jack_port_get_latency_range(client->mOutputs[c], JackPlaybackLatency, &range);
            range.min += latency;
            range.max += latency;
            jack_port_set_latency_range(client->mInputs[c], JackPlaybackLatency, &range);
        }
    }
}

int JackClient::OnXrun(void* self) {
    static_cast<JackClient*>(self)->mXruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

void JackClient::OnShutdown(jack_status_t, const char* reason, void* self) {
    auto* client = static_cast<JackClient*>(self);
    std::snprintf(client->mShutdownReason, sizeof client->mShutdownReason, "%s",
                  reason != nullptr ? reason : "");
    client->mServerGone.store(true, std::memory_order_release);
    client->mLoop.Wake();
}
