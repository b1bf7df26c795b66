#include "standalone/standalone_adapter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "core/byte_chunk.h"
#include "core/param.h"

StandaloneAdapter::StandaloneAdapter(const PluginConfig& config, const StandaloneInstanceInfo& info)
    : PluginAPIBase(config, kApiAPP),
      PluginProcessor(config),
      mChannels(std::clamp(info.channels, 1, 2)) {
    ConnectChannels(DirInput, 0, MaxChannels(DirInput), false);
    ConnectChannels(DirOutput, 0, MaxChannels(DirOutput), false);
    ConnectChannels(DirInput, 0, mChannels, true);
    ConnectChannels(DirOutput, 0, mChannels, true);
}

StandaloneAdapter::~StandaloneAdapter() = default;

void StandaloneAdapter::Prepare(double sampleRate, int maxFrames) {
    // Take the gate from the audio side: a running block finishes first.
    for (int32_t state = mGate.load(std::memory_order_relaxed);;) {
        if (state != kGateProcessing &&
            mGate.compare_exchange_weak(state, kGatePreparing, std::memory_order_acquire)) {
            break;
        }
        std::this_thread::yield();
        state = mGate.load(std::memory_order_relaxed);
    }
    if (std::isfinite(sampleRate) && sampleRate > 0.0) SetSampleRate(sampleRate);
    SetBlockSize(std::clamp(maxFrames, 1, kMaxBlockSize));
    ResetProcessing();
    // Settings queued before the first block are current already: the
    // parameters hold them, so apply all of them now.
    int32_t drained = 0;
    while (mParamChanges.Pop(drained)) {
    }
    for (int i = 0; i < NParams(); ++i) OnParamChange(i);
    mApplyAllParams.store(false, std::memory_order_relaxed);
    AttachHostBuffers(DirInput, 0, mChannels, static_cast<float* const*>(nullptr), 0);
    AttachHostBuffers(DirOutput, 0, mChannels, static_cast<float* const*>(nullptr), 0);
    ProcessHostBuffers(0);
    mGate.store(kGateIdle, std::memory_order_release);
}

void StandaloneAdapter::Process(const float* const* inputs, float* const* outputs, int frames) {
    int32_t expected = kGateIdle;
    const bool open =
        mGate.compare_exchange_strong(expected, kGateProcessing, std::memory_order_acquire);
    if (!open || frames > BlockSize()) {
        if (open) {
            mOversizedBlocks.fetch_add(1, std::memory_order_relaxed);
            mGate.store(kGateIdle, std::memory_order_release);
        }
        for (int c = 0; c < mChannels; ++c) {
            if (outputs[c] != nullptr) std::fill_n(outputs[c], std::max(frames, 0), 0.0f);
        }
        return;
    }
    TakeParamChanges();
    // The processor only reads the inputs.
    float* in[2] = {const_cast<float*>(inputs[0]),
                    mChannels > 1 ? const_cast<float*>(inputs[1]) : nullptr};
    float* out[2] = {outputs[0], mChannels > 1 ? outputs[1] : nullptr};
    AttachHostBuffers(DirInput, 0, mChannels, in, frames);
    AttachHostBuffers(DirOutput, 0, mChannels, out, frames);
    ProcessHostBuffers(frames);
    mGate.store(kGateIdle, std::memory_order_release);
}

bool StandaloneAdapter::TakeLatencyChange() {
    return mLatencyChanged.exchange(false, std::memory_order_acq_rel);
}

void StandaloneAdapter::TakeParamChanges() {
    if (mApplyAllParams.exchange(false, std::memory_order_acquire)) {
        int32_t drained = 0;
        while (mParamChanges.Pop(drained)) {
        }
        for (int i = 0; i < NParams(); ++i) OnParamChange(i);
        return;
    }
    int32_t paramIdx = 0;
    while (mParamChanges.Pop(paramIdx)) OnParamChange(paramIdx);
}

void StandaloneAdapter::QueueParamChange(int paramIdx) {
    if (!mParamChanges.Push(paramIdx)) mApplyAllParams.store(true, std::memory_order_release);
}

void StandaloneAdapter::SetParamValue(int paramIdx, double value) {
    Param* param = GetParam(paramIdx);
    if (param == nullptr) return;
    param->SetValue(value);
    QueueParamChange(paramIdx);
    mChangeCount.fetch_add(1, std::memory_order_relaxed);
}

void StandaloneAdapter::OnParamChange(int paramIdx, ParamSource, int) {
    if (GetParam(paramIdx) == nullptr) return;
    QueueParamChange(paramIdx);
}

void StandaloneAdapter::SendUIParamValue(int paramIdx, double normalizedValue) {
    if (GetParam(paramIdx) == nullptr) return;
    // The base stores the value and calls OnParamChange, which queues it.
    PluginAPIBase::SendUIParamValue(paramIdx, normalizedValue);
    mChangeCount.fetch_add(1, std::memory_order_relaxed);
}

void StandaloneAdapter::ReportLatency(int samples) {
    const int cut = std::clamp(samples, 0, kMaxLatencySamples);
    if (cut != Latency()) mLatencyChanged.store(true, std::memory_order_release);
    PluginProcessor::ReportLatency(cut);
}

std::vector<uint8_t> StandaloneAdapter::StateBytes() const {
    ByteChunk chunk;
    SaveState(chunk);
    return std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size());
}

StateLoad StandaloneAdapter::LoadStateBytes(std::span<const uint8_t> bytes, std::string* reason) {
    const std::vector<uint8_t> current = StateBytes();
    auto refuse = [&](const std::string& why) {
        if (reason != nullptr) *reason = why;
        return StateLoad::Damaged;
    };
    if (bytes.size() != current.size()) {
        return refuse(std::to_string(bytes.size()) + " bytes where this state has " +
                      std::to_string(current.size()));
    }
    // The values close the state, one double per parameter.
    const std::size_t valuesAt =
        current.size() - static_cast<std::size_t>(NParams()) * sizeof(double);
    for (int i = 0; i < NParams(); ++i) {
        double value = 0.0;
        std::memcpy(&value, bytes.data() + valuesAt + static_cast<std::size_t>(i) * sizeof(double),
                    sizeof value);
        if (!std::isfinite(value))
            return refuse(std::string("the value of \"") + GetParam(i)->Name() + "\" is no number");
    }
    ByteChunk chunk;
    chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    if (LoadState(chunk, 0) != chunk.Size()) {
        ByteChunk previous;
        previous.PutBytes(current.data(), static_cast<int>(current.size()));
        LoadState(previous, 0);
        return refuse("its layout is not this program's state");
    }
    mChangeCount.fetch_add(1, std::memory_order_relaxed);
    // An open editor shows the loaded values.
    NotifyEditorStateRestored();
    return StateLoad::Loaded;
}
