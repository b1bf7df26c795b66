#include "core/plugin_processor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/trace.h"

namespace {

void ZeroFill(double* buffer, int frames) {
    if (buffer != nullptr && frames > 0) {
        std::fill(buffer, buffer + frames, 0.0);
    }
}

// memmove: a 64-bit host may hand the same buffer for input and output.
void CopyFrames(const double* from, double* to, int frames) {
    if (to == nullptr || frames <= 0) {
        return;
    }
    if (from == nullptr) {
        ZeroFill(to, frames);
    } else if (from != to) {
        std::memmove(to, from, static_cast<std::size_t>(frames) * sizeof(double));
    }
}

}  // namespace

PluginProcessor::PluginProcessor(const PluginConfig& config)
    : mPluginKind(config.pluginKind),
      mReceivesMidi(config.receivesMidi),
      mSendsMidi(config.sendsMidi),
      mHandlesMPE(config.handlesMPE) {
    int maxInputs = 0, maxOutputs = 0, maxInputBuses = 0, maxOutputBuses = 0;
    ParseChannelConfigs(config.channelIOString, mChannelConfigs, maxInputs, maxOutputs,
                        maxInputBuses, maxOutputBuses);
    mChannelData[DirInput].assign(static_cast<std::size_t>(maxInputs), nullptr);
    mChannelData[DirOutput].assign(static_cast<std::size_t>(maxOutputs), nullptr);
    mChannels[DirInput].resize(static_cast<std::size_t>(maxInputs));
    mChannels[DirOutput].resize(static_cast<std::size_t>(maxOutputs));

    // Created here rather than by the host adapter so that bypass works for
    // every plug-in with inputs, whichever adapter drives it.
    if (maxInputs > 0) {
        mLatencyDelay = std::make_unique<LatencyDelay>();
        mLatencyDelay->inputChannels = maxInputs;
        mLatencyDelay->outputChannels = maxOutputs;
    }
    const int latency = std::clamp(config.latency, 0, kMaxLatencySamples);
    mLatency.store(latency, std::memory_order_relaxed);
    ResizeLatencyDelay(latency);
}

PluginProcessor::~PluginProcessor() = default;

// ---- Hooks ----------------------------------------------------------------

void PluginProcessor::ProcessAudioBlock(double** inputs, double** outputs, int frames) {
    const int inputCount = inputs != nullptr ? MaxChannels(DirInput) : 0;
    const int outputCount = outputs != nullptr ? MaxChannels(DirOutput) : 0;
    for (int i = 0; i < outputCount; ++i) {
        if (i < inputCount) {
            CopyFrames(inputs[i], outputs[i], frames);
        } else {
            ZeroFill(outputs[i], frames);
        }
    }
}

void PluginProcessor::ProcessMidi(const MidiMessage& message) { SendMidi(message); }

void PluginProcessor::ProcessSysEx(const SysExMessage& /*message*/) {}

void PluginProcessor::ResetProcessing() {}

void PluginProcessor::OnActivate(bool /*active*/) {}

bool PluginProcessor::SendMidi(const MidiMessage& /*message*/) { return false; }

bool PluginProcessor::SendMidiList(std::span<const MidiMessage> messages) {
    bool allSent = true;
    for (const MidiMessage& message : messages) {
        allSent = SendMidi(message) && allSent;
    }
    return allSent;
}

bool PluginProcessor::SendSysEx(const SysExMessage& /*message*/) { return false; }

void PluginProcessor::BusName(Direction direction, int busIndex, int busCount, TextBuf& out) const {
    if (direction == DirOutput) {
        if (busCount == 1) {
            out.Set("Output");
        } else {
            out.SetFormatted(kMaxDisplayChars, "Output %i", busIndex);
        }
        return;
    }
    if (busCount == 1) {
        out.Set("Input");
    } else if (busCount == 2 && (busIndex == 0 || busIndex == 1)) {
        out.Set(busIndex == 0 ? "Main" : "Aux");
    } else {
        out.SetFormatted(kMaxDisplayChars, "Input %i", busIndex);
    }
}

int PluginProcessor::LatencyForSettings() const {
    return Latency();
}

void PluginProcessor::ReportLatency(int samples) {
    const int latency = std::clamp(samples, 0, kMaxLatencySamples);
    if (latency == mLatency.load(std::memory_order_relaxed) &&
        (mLatencyDelay == nullptr || mLatencyDelay->length == latency)) {
        return;
    }
    mLatency.store(latency, std::memory_order_relaxed);
    ResizeLatencyDelay(latency);
}

void PluginProcessor::ResizeLatencyDelay(int length) {
    if (mLatencyDelay == nullptr) {
        return;
    }
    LatencyDelay& delay = *mLatencyDelay;
    delay.length = length;
    delay.buffer.assign(static_cast<std::size_t>(length) * static_cast<std::size_t>(delay.inputChannels), 0.0);
    delay.writePosition = 0;
}

// ---- Channel configurations -----------------------------------------------

bool PluginProcessor::LegalIO(int inputs, int outputs) const {
    bool legal = false;
    for (const ChannelConfig& config : mChannelConfigs) {
        if ((inputs < 0 || config.ChannelTotal(DirInput) == inputs) &&
            (outputs < 0 || config.ChannelTotal(DirOutput) == outputs)) {
            legal = true;
            break;
        }
    }
    Trace("%d:%d:%s", inputs, outputs, legal ? "legal" : "illegal");
    return legal;
}

int PluginProcessor::ConfigIndexForBusChannels(std::span<const int> inputBusChannels,
                                               std::span<const int> outputBusChannels) const {
    auto matches = [](const std::vector<BusSpec>& buses, std::span<const int> counts) {
        return std::equal(buses.begin(), buses.end(), counts.begin(), counts.end(),
                          [](const BusSpec& bus, int count) { return bus.channelCount == count; });
    };
    for (std::size_t i = 0; i < mChannelConfigs.size(); ++i) {
        const ChannelConfig& config = mChannelConfigs[i];
        if (matches(config.inputBuses, inputBusChannels) && matches(config.outputBuses, outputBusChannels)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int PluginProcessor::MaxBusCount(Direction direction, int* configIndex) const {
    int maxBuses = 0;
    int index = 0;
    if (IsValidDirection(direction)) {
        for (std::size_t i = 0; i < mChannelConfigs.size(); ++i) {
            const int buses = mChannelConfigs[i].BusCount(direction);
            if (buses >= maxBuses) {
                maxBuses = buses;
                index = static_cast<int>(i);
            }
        }
    }
    if (configIndex != nullptr) {
        *configIndex = index;
    }
    return maxBuses;
}

int PluginProcessor::MaxChannelsOfBus(Direction direction, int busIndex) const {
    if (!IsValidDirection(direction) || mChannelConfigs.empty()) {
        return 0;
    }
    for (const BusSpec& bus : mChannelConfigs.front().Buses(direction)) {
        if (bus.channelCount == kAnyChannels) {
            return -1;
        }
    }
    int maxChannels = 0;
    for (const ChannelConfig& config : mChannelConfigs) {
        const std::vector<BusSpec>& buses = config.Buses(direction);
        if (busIndex >= 0 && busIndex < static_cast<int>(buses.size())) {
            maxChannels = std::max(maxChannels, buses[static_cast<std::size_t>(busIndex)].channelCount);
        }
    }
    return maxChannels;
}

// ---- Channel slots --------------------------------------------------------

int PluginProcessor::MaxChannels(Direction direction) const {
    return IsValidDirection(direction) ? static_cast<int>(mChannels[direction].size()) : 0;
}

PluginProcessor::ChannelSlot* PluginProcessor::Slot(Direction direction, int index) {
    if (!IsValidDirection(direction) || index < 0 || index >= static_cast<int>(mChannels[direction].size())) {
        return nullptr;
    }
    return &mChannels[direction][static_cast<std::size_t>(index)];
}

const PluginProcessor::ChannelSlot* PluginProcessor::Slot(Direction direction, int index) const {
    return const_cast<PluginProcessor*>(this)->Slot(direction, index);
}

int PluginProcessor::ConnectedChannelCount(Direction direction) const {
    if (!IsValidDirection(direction)) {
        return 0;
    }
    return static_cast<int>(std::count_if(mChannels[direction].begin(), mChannels[direction].end(),
                                          [](const ChannelSlot& slot) { return slot.connected; }));
}

bool PluginProcessor::IsChannelConnected(Direction direction, int index) const {
    const ChannelSlot* slot = Slot(direction, index);
    return slot != nullptr && slot->connected;
}

void PluginProcessor::PublishScratch(Direction direction, int index) {
    ChannelSlot& slot = mChannels[direction][static_cast<std::size_t>(index)];
    mChannelData[direction][static_cast<std::size_t>(index)] = slot.scratch.empty() ? nullptr : slot.scratch.data();
    slot.hostBuffer = nullptr;
    slot.hostBuffer64 = nullptr;
}

void PluginProcessor::ConnectChannels(Direction direction, int first, int count, bool connected) {
    if (!IsValidDirection(direction) || count <= 0) {
        return;
    }
    const int begin = std::max(first, 0);
    const int end = static_cast<int>(std::min<int64_t>(int64_t{first} + count, MaxChannels(direction)));
    for (int i = begin; i < end; ++i) {
        ChannelSlot& slot = mChannels[direction][static_cast<std::size_t>(i)];
        slot.connected = connected;
        // Drops any host pointer of an earlier block, which may be gone by now.
        PublishScratch(direction, i);
        if (!connected && direction == DirInput) {
            std::fill(slot.scratch.begin(), slot.scratch.end(), 0.0);
        }
    }
}

int PluginProcessor::ClampFrames(int frames) const { return std::clamp(frames, 0, mBlockSize); }

void PluginProcessor::AttachHostBuffers(Direction direction, int first, int count,
                                        float* const* hostBuffers, int frames) {
    if (!IsValidDirection(direction) || count <= 0) {
        return;
    }
    const int n = ClampFrames(frames);
    const int begin = std::max(first, 0);
    const int end = static_cast<int>(std::min<int64_t>(int64_t{first} + count, MaxChannels(direction)));
    int next = 0;   // next host pointer to consume
    for (int i = begin; i < end; ++i) {
        ChannelSlot& slot = mChannels[direction][static_cast<std::size_t>(i)];
        if (!slot.connected) {
            continue;
        }
        float* host = hostBuffers != nullptr ? hostBuffers[next] : nullptr;
        ++next;
        PublishScratch(direction, i);
        if (direction == DirInput) {
            double* scratch = slot.scratch.data();
            if (host != nullptr) {
                for (int f = 0; f < n; ++f) {
                    scratch[f] = static_cast<double>(host[f]);
                }
            } else {
                ZeroFill(scratch, n);
            }
        } else {
            slot.hostBuffer = host;
        }
    }
}

void PluginProcessor::AttachHostBuffers(Direction direction, int first, int count,
                                        double* const* hostBuffers, int frames) {
    if (!IsValidDirection(direction) || count <= 0) {
        return;
    }
    const int n = ClampFrames(frames);
    const int begin = std::max(first, 0);
    const int end = static_cast<int>(std::min<int64_t>(int64_t{first} + count, MaxChannels(direction)));
    int next = 0;
    for (int i = begin; i < end; ++i) {
        ChannelSlot& slot = mChannels[direction][static_cast<std::size_t>(i)];
        if (!slot.connected) {
            continue;
        }
        double* host = hostBuffers != nullptr ? hostBuffers[next] : nullptr;
        ++next;
        PublishScratch(direction, i);
        if (host != nullptr) {
            mChannelData[direction][static_cast<std::size_t>(i)] = host;
            if (direction == DirOutput) {
                slot.hostBuffer64 = host;
            }
        } else if (direction == DirInput) {
            ZeroFill(slot.scratch.data(), n);
        }
    }
}

// ---- Processing -----------------------------------------------------------

void PluginProcessor::ProcessHostBuffers(int frames) {
    const int n = ClampFrames(frames);
    ProcessAudioBlock(mChannelData[DirInput].data(), mChannelData[DirOutput].data(), n);
    WriteHostOutputs(n, frames, false);
}

void PluginProcessor::ProcessHostBuffers64(int frames) {
    const int n = ClampFrames(frames);
    ProcessAudioBlock(mChannelData[DirInput].data(), mChannelData[DirOutput].data(), n);
    SilenceHostTail64(n, frames);
}

void PluginProcessor::ProcessHostBuffersAccumulate(int frames) {
    const int n = ClampFrames(frames);
    ProcessAudioBlock(mChannelData[DirInput].data(), mChannelData[DirOutput].data(), n);
    WriteHostOutputs(n, frames, true);
}

void PluginProcessor::BypassHostBuffers(int frames) {
    const int n = ClampFrames(frames);
    if (mLatencyDelay != nullptr && mLatencyDelay->length > 0) {
        DelayThroughLatency(n);
    } else {
        PassThrough(n);
    }
    WriteHostOutputs(n, frames, false);
}

void PluginProcessor::BypassHostBuffers64(int frames) {
    const int n = ClampFrames(frames);
    if (mLatencyDelay != nullptr && mLatencyDelay->length > 0) {
        DelayThroughLatency(n);
    } else {
        PassThrough(n);
    }
    SilenceHostTail64(n, frames);
}

void PluginProcessor::PassThrough(int frames) {
    const int inputCount = MaxChannels(DirInput);
    const int outputCount = MaxChannels(DirOutput);
    for (int i = 0; i < outputCount; ++i) {
        double* out = mChannelData[DirOutput][static_cast<std::size_t>(i)];
        if (i < inputCount) {
            CopyFrames(mChannelData[DirInput][static_cast<std::size_t>(i)], out, frames);
        } else {
            ZeroFill(out, frames);
        }
    }
}

void PluginProcessor::DelayThroughLatency(int frames) {
    LatencyDelay& delay = *mLatencyDelay;
    const int channels = std::min({delay.inputChannels, delay.outputChannels, MaxChannels(DirInput),
                                   MaxChannels(DirOutput)});
    const int start = delay.writePosition;
    for (int k = 0; k < channels; ++k) {
        const double* in = mChannelData[DirInput][static_cast<std::size_t>(k)];
        double* out = mChannelData[DirOutput][static_cast<std::size_t>(k)];
        double* line = delay.buffer.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(delay.length);
        int position = start;
        for (int f = 0; f < frames; ++f) {
            // Read the input first: in and out may be the same host buffer.
            const double sample = in != nullptr ? in[f] : 0.0;
            if (out != nullptr) {
                out[f] = line[position];
            }
            line[position] = sample;
            if (++position == delay.length) {
                position = 0;
            }
        }
    }
    delay.writePosition = static_cast<int>((int64_t{start} + frames) % delay.length);
    // Outputs without an input would otherwise repeat whatever the signal
    // chain last left in them.
    for (int i = channels; i < MaxChannels(DirOutput); ++i) {
        ZeroFill(mChannelData[DirOutput][static_cast<std::size_t>(i)], frames);
    }
}

void PluginProcessor::WriteHostOutputs(int frames, int hostFrames, bool accumulate) {
    const int tail = std::max(hostFrames, 0);
    for (std::size_t i = 0; i < mChannels[DirOutput].size(); ++i) {
        const ChannelSlot& slot = mChannels[DirOutput][i];
        float* host = slot.hostBuffer;
        const double* data = mChannelData[DirOutput][i];
        if (!slot.connected || host == nullptr) {
            continue;
        }
        int f = 0;
        if (data != nullptr) {
            if (accumulate) {
                for (; f < frames; ++f) {
                    host[f] += static_cast<float>(data[f]);
                }
            } else {
                for (; f < frames; ++f) {
                    host[f] = static_cast<float>(data[f]);
                }
            }
        }
        if (!accumulate) {
            std::fill(host + f, host + std::max(tail, f), 0.0f);
        }
    }
}

void PluginProcessor::SilenceHostTail64(int frames, int hostFrames) {
    if (hostFrames <= frames) {
        return;
    }
    for (const ChannelSlot& slot : mChannels[DirOutput]) {
        if (slot.connected && slot.hostBuffer64 != nullptr) {
            std::fill(slot.hostBuffer64 + frames, slot.hostBuffer64 + hostFrames, 0.0);
        }
    }
}

// ---- Labels, rate, block, transport ---------------------------------------

void PluginProcessor::SetChannelLabel(Direction direction, int index, const char* format, bool zeroBased) {
    ChannelSlot* slot = Slot(direction, index);
    if (slot == nullptr) {
        return;
    }
    if (format == nullptr) {
        slot->label.Clear();
        return;
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    slot->label.SetFormatted(kMaxChannelLabelChars, format, zeroBased ? index : index + 1);
#pragma GCC diagnostic pop
}

const char* PluginProcessor::ChannelLabel(Direction direction, int index) const {
    const ChannelSlot* slot = Slot(direction, index);
    return slot != nullptr ? slot->label.Get() : "";
}

void PluginProcessor::SetSampleRate(double sampleRate) {
    if (std::isfinite(sampleRate) && sampleRate > 0.0) {
        mSampleRate = sampleRate;
    }
}

void PluginProcessor::SetBlockSize(int blockSize) {
    const int size = std::clamp(blockSize, 0, kMaxBlockSize);
    if (size == mBlockSize) {
        return;
    }
    for (int direction = 0; direction < kDirectionCount; ++direction) {
        for (std::size_t i = 0; i < mChannels[direction].size(); ++i) {
            mChannels[direction][i].scratch.assign(static_cast<std::size_t>(size), 0.0);
            // The old scratch may have moved; never leave the chain a dangling pointer.
            PublishScratch(static_cast<Direction>(direction), static_cast<int>(i));
        }
    }
    mBlockSize = size;
}

double PluginProcessor::SamplesPerBeat() const {
    const double tempo = mTimeInfo.tempo;
    return tempo > 0.0 && std::isfinite(tempo) ? mSampleRate * 60.0 / tempo : 0.0;
}
