#include "tarnwhistle.h"

#include <cmath>

#include "core/byte_chunk.h"
#include "product/editor/tarnwhistle_editor.h"

Tarnwhistle::Tarnwhistle(const InstanceInfo& info) : PluginAdapter(TarnwhistleConfig(), info) {
    DefineChannelParameters(Params());
    InstallTarnwhistleEditor(*this);
    for (int i = 0; i < kNumChannelParams; ++i) {
        OnParamChange(i);
    }
    // The bypass delay line grows (allocates) the first time a longer latency
    // is reported. Grow it here to the oversampled latency, so that switching
    // oversampling on during playback does not allocate on the render thread;
    // the reported latency stays 0 until the first block.
    PluginProcessor::ReportLatency(kOversampledStripLatencySamples);
    PluginProcessor::ReportLatency(0);
}

// Stop ticking before the engine goes: a tick must never see a half-destroyed
// product.
Tarnwhistle::~Tarnwhistle() {
    StopIdleTimer();
}

void Tarnwhistle::OnParamChange(int paramIdx) {
    ApplyParamChange(paramIdx, Params(), mSettings);
}

bool Tarnwhistle::SaveState(ByteChunk& chunk) const {
    SaveEditorState(chunk);
    SerializeParams(chunk);
    return true;
}

int Tarnwhistle::LoadState(const ByteChunk& chunk, int startPos) {
    const int position = LoadEditorState(chunk, startPos);
    return UnserializeParams(chunk, position);
}

void Tarnwhistle::ProcessAudioBlock(double** inputs, double** outputs, int frames) {
    // Read before the engine runs: the buffers may be shared. A rate that
    // is no number lets the peak fall at once rather than stick at NaN.
    const double fall = frames > 0 ? std::exp(-frames / (kPeakFallSeconds * SampleRate())) : 1.0;
    double peak = fall >= 0.0 ? mInputPeak.load(std::memory_order_relaxed) * fall : 0.0;
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < frames; ++i) {
            const double level = std::fabs(inputs[c][i]);
            if (level > peak && std::isfinite(level)) peak = level;
        }
    }
    mInputPeak.store(peak, std::memory_order_relaxed);
    const int latency = mEngine.ProcessAudioBlock(inputs, outputs, frames, SampleRate(), mSettings,
                                                  *GetParam(kMicPre));
    if (latency != Latency()) {
        ReportLatency(latency);
    }
}

void Tarnwhistle::ResetProcessing() {
    mEngine.ResetProcessing(mSettings);
}

int Tarnwhistle::LatencyForSettings() const {
    return ReportedLatency(mSettings);
}

std::mutex& PlugFactoryLock() {
    static std::mutex lock;
    return lock;
}

PluginAdapter* MakePlug(const InstanceInfo& info) {
    std::lock_guard<std::mutex> lock(PlugFactoryLock());
    return new Tarnwhistle(info);
}
