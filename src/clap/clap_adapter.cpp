#include "clap/clap_adapter.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/byte_chunk.h"
#include "core/param.h"

namespace {

// Bytes asked of the host's stream per read.
constexpr uint64_t kStateReadPiece = 4096;

bool UsableSampleRate(double sampleRate) {
    return std::isfinite(sampleRate) && sampleRate > 0.0;
}

template <typename Extension>
const Extension* HostExtension(const ClapHost* host, const char* id) {
    if (host == nullptr || host->getExtension == nullptr) return nullptr;
    return static_cast<const Extension*>(host->getExtension(host, id));
}

bool Stepped(const Param& param) {
    return param.Type() == TypeBool || param.Type() == TypeInt || param.Type() == TypeEnum;
}

// Every position from min to max has a display text of its own.
bool NamesEveryPosition(const Param& param) {
    if (!Stepped(param) || param.DisplayTextCount() == 0) return false;
    for (double v = param.Min(); v <= param.Max(); v += 1.0) {
        if (param.FindDisplayText(v)[0] == '\0') return false;
    }
    return true;
}

std::string Trimmed(const char* text) {
    std::string s(text);
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && blank(static_cast<unsigned char>(s.back()))) s.pop_back();
    std::size_t first = 0;
    while (first < s.size() && blank(static_cast<unsigned char>(s[first]))) ++first;
    return s.substr(first);
}

bool EqualIgnoringCase(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The whole of text as one number (no "nan", "inf" or hexadecimal).
bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' ||
              c == '+' || c == 'e' || c == 'E'))
            return false;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

ClapAdapter::ClapAdapter(const PluginConfig& config, const ClapInstanceInfo& info)
    : PluginAPIBase(config, kApiCLAP),
      PluginProcessor(config),
      mHost(info.host),
      mPresets(info.presets),
      mAudioInputs(std::max(info.audioInputs, 0)),
      mAudioOutputs(std::max(info.audioOutputs, 0)) {
    mUsable = mAudioInputs <= MaxChannels(DirInput) && mAudioOutputs <= MaxChannels(DirOutput) &&
              LegalIO(mAudioInputs, mAudioOutputs);
    const int inputs = std::min(mAudioInputs, MaxChannels(DirInput));
    const int outputs = std::min(mAudioOutputs, MaxChannels(DirOutput));
    ConnectChannels(DirInput, 0, inputs, true);
    ConnectChannels(DirInput, inputs, MaxChannels(DirInput) - inputs, false);
    ConnectChannels(DirOutput, 0, outputs, true);
    ConnectChannels(DirOutput, outputs, MaxChannels(DirOutput) - outputs, false);
    mInputPiece.assign(static_cast<std::size_t>(inputs), nullptr);
    mOutputPiece.assign(static_cast<std::size_t>(outputs), nullptr);
    // The delay line grows only past its largest length so far: size it now.
    PluginProcessor::ReportLatency(kClapLatencyReserve);
    PluginProcessor::ReportLatency(config.latency);
    mPluginObject.pluginData = this;
}

ClapAdapter::~ClapAdapter() = default;

void ClapAdapter::CheckMainThread() const {
#ifndef NDEBUG
    assert(mThreadCheck == nullptr || mThreadCheck->isMainThread == nullptr ||
           mThreadCheck->isMainThread(mHost));
#endif
}

void ClapAdapter::Log(int32_t severity, const char* message) const {
    if (mHostLog != nullptr && mHostLog->log != nullptr) {
        mHostLog->log(mHost, severity, message);
    }
}

// ---- lifecycle ---------------------------------------------------------------------

bool ClapAdapter::Init() {
    mHostParams = HostExtension<ClapHostParams>(mHost, kClapExtParams);
    mHostLatency = HostExtension<ClapHostLatency>(mHost, kClapExtLatency);
    mHostLog = HostExtension<ClapHostLog>(mHost, kClapExtLog);
    mThreadCheck = HostExtension<ClapHostThreadCheck>(mHost, kClapExtThreadCheck);
    mHostState = HostExtension<ClapHostState>(mHost, kClapExtState);
    mHostPresetLoad = HostExtension<ClapHostPresetLoad>(mHost, kClapExtPresetLoad);
    if (mHostPresetLoad == nullptr) {
        mHostPresetLoad = HostExtension<ClapHostPresetLoad>(mHost, kClapExtPresetLoadCompat);
    }
    CheckMainThread();
    SetHost(mHost != nullptr && mHost->name != nullptr ? mHost->name : "", 0);
    return true;
}

bool ClapAdapter::Activate(double sampleRate, uint32_t, uint32_t maxFrames) {
    CheckMainThread();
    if (!UsableSampleRate(sampleRate)) {
        Log(kClapLogHostMisbehaving, "activate: the sample rate is not a positive number");
        return false;
    }
    SetSampleRate(sampleRate);
    SetBlockSize(static_cast<int>(std::clamp<uint32_t>(maxFrames, 1, kMaxBlockSize)));
    // An empty block makes the signal chain report the latency of the current
    // settings; the reset after it leaves the first real block starting on
    // the settings it finds then, as a fresh chain does.
    ResetProcessing();
    AttachHostBuffers(DirInput, 0, mAudioInputs, static_cast<float* const*>(nullptr), 0);
    AttachHostBuffers(DirOutput, 0, mAudioOutputs, static_cast<float* const*>(nullptr), 0);
    ProcessHostBuffers(0);
    ResetProcessing();
    mActivatedLatency = Latency();
    if (mActivatedLatency != mToldLatency) {
        if (mToldLatency >= 0 && mHostLatency != nullptr && mHostLatency->changed != nullptr) {
            mHostLatency->changed(mHost);
        }
        mToldLatency = mActivatedLatency;
    }
    mRestartRequested.store(false, std::memory_order_relaxed);
    mActive.store(true, std::memory_order_release);
    return true;
}

void ClapAdapter::Deactivate() {
    CheckMainThread();
    mActive.store(false, std::memory_order_release);
}

bool ClapAdapter::StartProcessing() {
    mProcessing.store(true, std::memory_order_release);
    return true;
}

void ClapAdapter::StopProcessing() {
    mProcessing.store(false, std::memory_order_release);
}

void ClapAdapter::Reset() {
    ResetProcessing();
}

void ClapAdapter::OnMainThread() {}

// ---- processing ------------------------------------------------------------------------

void ClapAdapter::FillTimeInfo(const ClapEventTransport* transport) {
    ::TimeInfo& time = GetTimeInfo();
    if (transport == nullptr) {
        time.transportIsRunning = false;
        return;
    }
    const uint32_t flags = transport->flags;
    if ((flags & kClapTransportHasTempo) != 0 && transport->tempo > 0.0)
        time.tempo = transport->tempo;
    if ((flags & kClapTransportHasBeatsTimeline) != 0) {
        const auto beats = [](int64_t fixed) {
            return static_cast<double>(fixed) / static_cast<double>(kClapTimeFactor);
        };
        time.ppqPos = beats(transport->songPosBeats);
        time.lastBar = beats(transport->barStart);
        time.cycleStart = beats(transport->loopStartBeats);
        time.cycleEnd = beats(transport->loopEndBeats);
    }
    if ((flags & kClapTransportHasSecondsTimeline) != 0) {
        time.samplePos = static_cast<double>(transport->songPosSeconds) /
                         static_cast<double>(kClapTimeFactor) * SampleRate();
    }
    if ((flags & kClapTransportHasTimeSignature) != 0 && transport->timeSignatureNumerator > 0 &&
        transport->timeSignatureDenominator > 0) {
        time.numerator = transport->timeSignatureNumerator;
        time.denominator = transport->timeSignatureDenominator;
    }
    time.transportIsRunning = (flags & kClapTransportIsPlaying) != 0;
    time.transportLoopEnabled = (flags & kClapTransportIsLoopActive) != 0;
}

void ClapAdapter::ApplyEvent(const ClapEventHeader& event, int frame) {
    if (event.spaceId != kClapCoreEventSpace || event.type != kClapEventParamValue ||
        event.size < sizeof(ClapEventParamValue)) {
        return;
    }
    const auto& change = reinterpret_cast<const ClapEventParamValue&>(event);
    const int paramIdx =
        change.paramId < static_cast<uint32_t>(NParams()) ? static_cast<int>(change.paramId) : -1;
    Param* param = GetParam(paramIdx);
    if (param == nullptr || !std::isfinite(change.value)) return;
    param->SetValue(change.value);
    PostParamToEditor(paramIdx, param->GetValue(), false);
    OnParamChange(paramIdx, ParamSource::Host, frame);
}

void ClapAdapter::ProcessSpan(const ClapProcess& process, uint32_t offset, int frames) {
    const ClapAudioBuffer* in = process.audioInputsCount > 0 ? process.audioInputs : nullptr;
    const ClapAudioBuffer* out = process.audioOutputsCount > 0 ? process.audioOutputs : nullptr;
    for (std::size_t c = 0; c < mInputPiece.size(); ++c) {
        const bool there = in != nullptr && in->data32 != nullptr && c < in->channelCount &&
                           in->data32[c] != nullptr;
        mInputPiece[c] = there ? in->data32[c] + offset : nullptr;
    }
    for (std::size_t c = 0; c < mOutputPiece.size(); ++c) {
        const bool there = out != nullptr && out->data32 != nullptr && c < out->channelCount &&
                           out->data32[c] != nullptr;
        mOutputPiece[c] = there ? out->data32[c] + offset : nullptr;
    }
    // Inputs are converted into the processor's own buffers before anything
    // is written, so in-place buffers are safe.
    AttachHostBuffers(DirInput, 0, mAudioInputs, mInputPiece.data(), frames);
    AttachHostBuffers(DirOutput, 0, mAudioOutputs, mOutputPiece.data(), frames);
    ProcessHostBuffers(frames);
}

int32_t ClapAdapter::Process(const ClapProcess& process) {
    FillTimeInfo(process.transport);
    const ClapInputEvents* events = process.inEvents;
    const uint32_t eventCount =
        events != nullptr && events->size != nullptr && events->get != nullptr
            ? events->size(events)
            : 0;
    const uint32_t frames = process.framesCount;
    const auto piece = static_cast<uint32_t>(std::max(BlockSize(), 1));
    uint32_t next = 0;
    uint32_t done = 0;
    for (;;) {
        // The events due by this frame, then the audio up to the next one.
        uint32_t until = frames;
        for (; next < eventCount; ++next) {
            const ClapEventHeader* event = events->get(events, next);
            if (event == nullptr) continue;
            if (event->time > done) {
                until = std::min(event->time, frames);
                break;
            }
            ApplyEvent(*event, static_cast<int>(done));
        }
        if (done >= frames) break;
        const uint32_t count = std::min(until - done, piece);
        ProcessSpan(process, done, static_cast<int>(count));
        done += count;
    }
    // Events past the block (a host's mistake) still count, after its audio.
    for (; next < eventCount; ++next) {
        if (const ClapEventHeader* event = events->get(events, next)) {
            ApplyEvent(*event, static_cast<int>(frames));
        }
    }
    if (process.outEvents != nullptr) SendGestures(process.outEvents);
    return kClapProcessContinue;
}

void ClapAdapter::Flush(const ClapInputEvents* in, const ClapOutputEvents* out) {
    if (!IsActive()) CheckMainThread();
    if (in != nullptr && in->size != nullptr && in->get != nullptr) {
        const uint32_t count = in->size(in);
        for (uint32_t i = 0; i < count; ++i) {
            if (const ClapEventHeader* event = in->get(in, i)) ApplyEvent(*event, 0);
        }
    }
    SendGestures(out);
}

// ---- editor gestures ------------------------------------------------------------------

void ClapAdapter::QueueGesture(uint16_t type, int paramIdx, double value) {
    if (GetParam(paramIdx) == nullptr) return;
    mGestures.Push(GestureEvent{type, static_cast<ClapId>(paramIdx), value});
    // While processing, the next block takes them anyway.
    if (!mProcessing.load(std::memory_order_acquire) && mHostParams != nullptr &&
        mHostParams->requestFlush != nullptr) {
        mHostParams->requestFlush(mHost);
    }
}

void ClapAdapter::NotifyHostParamBegin(int paramIdx) {
    QueueGesture(kClapEventParamGestureBegin, paramIdx, 0.0);
}

void ClapAdapter::NotifyHostParamValue(int paramIdx, double normalizedValue) {
    if (const Param* param = GetParam(paramIdx)) {
        QueueGesture(kClapEventParamValue, paramIdx, param->FromNorm(normalizedValue));
    }
}

void ClapAdapter::NotifyHostParamEnd(int paramIdx) {
    QueueGesture(kClapEventParamGestureEnd, paramIdx, 0.0);
}

void ClapAdapter::SendGestures(const ClapOutputEvents* out) {
    if (out == nullptr || out->tryPush == nullptr) return;
    for (GestureEvent gesture; mGestures.Pop(gesture);) {
        if (gesture.type == kClapEventParamValue) {
            ClapEventParamValue event{};
            event.header = {sizeof event, 0, kClapCoreEventSpace, kClapEventParamValue,
                            kClapEventIsLive};
            event.paramId = gesture.paramId;
            event.noteId = -1;
            event.portIndex = -1;
            event.channel = -1;
            event.key = -1;
            event.value = gesture.value;
            out->tryPush(out, &event.header);
        } else {
            ClapEventParamGesture event{};
            event.header = {sizeof event, 0, kClapCoreEventSpace, gesture.type, kClapEventIsLive};
            event.paramId = gesture.paramId;
            out->tryPush(out, &event.header);
        }
    }
}

// ---- audio ports ---------------------------------------------------------------------------

uint32_t ClapAdapter::AudioPortCount(bool isInput) const {
    return (isInput ? mAudioInputs : mAudioOutputs) > 0 ? 1 : 0;
}

bool ClapAdapter::AudioPortInfo(uint32_t index, bool isInput, ClapAudioPortInfo& info) const {
    if (index >= AudioPortCount(isInput)) return false;
    const int channels = isInput ? mAudioInputs : mAudioOutputs;
    info = ClapAudioPortInfo{};
    info.id = 0;
    std::snprintf(info.name, sizeof info.name, "%s", isInput ? "Input" : "Output");
    info.flags = kClapAudioPortIsMain;
    info.channelCount = static_cast<uint32_t>(channels);
    info.portType = channels == 1 ? kClapPortMono : channels == 2 ? kClapPortStereo : nullptr;
    // The other direction's port with the same id.
    info.inPlacePair = AudioPortCount(!isInput) > 0 ? 0 : kClapInvalidId;
    return true;
}

// ---- params ------------------------------------------------------------------------------------

uint32_t ClapAdapter::ParamCount() const {
    return static_cast<uint32_t>(NParams());
}

bool ClapAdapter::ParamInfo(uint32_t index, ClapParamInfo& info) const {
    const Param* param = index < ParamCount() ? GetParam(static_cast<int>(index)) : nullptr;
    if (param == nullptr) return false;
    info = ClapParamInfo{};
    info.id = index;
    info.flags = kClapParamIsAutomatable;
    if (Stepped(*param)) info.flags |= kClapParamIsStepped;
    if (NamesEveryPosition(*param)) info.flags |= kClapParamIsEnum;
    if ((param->Flags() & FlagNotAutomatable) != 0) info.flags &= ~kClapParamIsAutomatable;
    std::snprintf(info.name, sizeof info.name, "%s", param->Name());
    std::snprintf(info.module, sizeof info.module, "%s", param->Group());
    info.minValue = param->Min();
    info.maxValue = param->Max();
    info.defaultValue = param->Default();
    return true;
}

bool ClapAdapter::ParamValue(ClapId id, double& value) const {
    const Param* param = id < ParamCount() ? GetParam(static_cast<int>(id)) : nullptr;
    if (param == nullptr) return false;
    value = param->GetValue();
    return true;
}

bool ClapAdapter::ParamValueToText(ClapId id, double value, char* text, uint32_t capacity) const {
    const Param* param = id < ParamCount() ? GetParam(static_cast<int>(id)) : nullptr;
    if (param == nullptr || text == nullptr || capacity == 0 || !std::isfinite(value) ||
        value < param->Min() || value > param->Max()) {
        return false;
    }
    std::string shown;
    const double v = param->Restrict(value);
    const char* name = Stepped(*param) ? param->FindDisplayText(v) : "";
    if (name[0] != '\0') {
        shown = name;
    } else {
        char number[64];
        if (Stepped(*param)) {
            std::snprintf(number, sizeof number, "%d", static_cast<int>(v));
        } else {
            std::snprintf(number, sizeof number, "%.2f", v == 0.0 ? 0.0 : v);
        }
        shown = std::string(number) + param->Label();
    }
    std::snprintf(text, capacity, "%s", shown.c_str());
    return true;
}

bool ClapAdapter::ParamTextToValue(ClapId id, const char* text, double& value) const {
    const Param* param = id < ParamCount() ? GetParam(static_cast<int>(id)) : nullptr;
    if (param == nullptr || text == nullptr) return false;
    std::string typed = Trimmed(text);
    for (int i = 0; i < param->DisplayTextCount(); ++i) {
        double named = 0.0;
        const char* entry = param->DisplayTextAt(i, &named);
        if (entry[0] != '\0' && EqualIgnoringCase(typed, entry)) {
            value = named;
            return true;
        }
    }
    const std::string label = param->Label();
    if (!label.empty() && typed.size() > label.size() &&
        EqualIgnoringCase(typed.substr(typed.size() - label.size()), label.c_str())) {
        typed = Trimmed(typed.substr(0, typed.size() - label.size()).c_str());
    }
    double number = 0.0;
    if (!ParseNumber(typed, number) || number < param->Min() || number > param->Max()) return false;
    if (Stepped(*param) && number != std::floor(number)) return false;
    value = number;
    return true;
}

// ---- state -----------------------------------------------------------------------------------

bool ClapAdapter::SaveClapState(const ClapOutputStream& stream) const {
    CheckMainThread();
    if (stream.write == nullptr) return false;
    ByteChunk state;
    if (!SaveState(state)) return false;
    const auto size = static_cast<uint64_t>(state.Size());
    for (uint64_t written = 0; written < size;) {
        const int64_t took = stream.write(&stream, state.Data() + written, size - written);
        // No progress counts as a failure: a stream that never takes more
        // would hold the host's main thread for ever.
        if (took <= 0 || static_cast<uint64_t>(took) > size - written) {
            Log(kClapLogError, "state: the host's stream refused the state");
            return false;
        }
        written += static_cast<uint64_t>(took);
    }
    return true;
}

bool ClapAdapter::PlausibleState(const ByteChunk& state, std::string& why) const {
    ByteChunk fresh;
    SaveState(fresh);
    if (state.Size() != fresh.Size()) {
        why = std::to_string(state.Size()) + " bytes where a state has " +
              std::to_string(fresh.Size());
        return false;
    }
    // The values close the state.
    const int first = state.Size() - 8 * NParams();
    if (first < 0) {
        why = "too short for the values";
        return false;
    }
    for (int i = 0; i < NParams(); ++i) {
        double value = 0.0;
        state.Get(&value, first + 8 * i);
        const Param* param = GetParam(i);
        if (!std::isfinite(value) || param->Restrict(value) != value) {
            why = std::string("the value of ") + param->Name() + " is not one it can take";
            return false;
        }
    }
    return true;
}

bool ClapAdapter::LoadClapState(const ClapInputStream& stream) {
    CheckMainThread();
    if (stream.read == nullptr) return false;
    ByteChunk state;
    uint8_t buffer[kStateReadPiece];
    for (;;) {
        const int64_t got = stream.read(&stream, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 || static_cast<uint64_t>(got) > sizeof buffer ||
            static_cast<uint64_t>(state.Size()) + static_cast<uint64_t>(got) > kClapMaxStateBytes) {
            Log(kClapLogError, "state refused: the host's stream failed or is too long");
            return false;
        }
        state.PutBytes(buffer, static_cast<int>(got));
    }
    std::string why;
    if (state.Size() == 0 || !PlausibleState(state, why)) {
        const std::string message =
            "state refused: " + (state.Size() == 0 ? std::string("the stream is empty") : why);
        Log(kClapLogError, message.c_str());
        return false;
    }
    LoadState(state, 0);
    NotifyEditorStateRestored();
    AfterMainThreadValues();
    return true;
}

void ClapAdapter::AfterMainThreadValues() {
    if (mHostParams != nullptr && mHostParams->rescan != nullptr) {
        mHostParams->rescan(mHost, kClapParamRescanValues);
    }
}

// ---- latency, render, presets ------------------------------------------------------------------

uint32_t ClapAdapter::LatencySamples() const {
    return static_cast<uint32_t>(IsActive() ? mActivatedLatency : std::max(mToldLatency, 0));
}

void ClapAdapter::ReportLatency(int samples) {
    const int latency = std::clamp(samples, 0, kMaxLatencySamples);
    PluginProcessor::ReportLatency(latency);
    if (IsActive() && latency != mActivatedLatency &&
        !mRestartRequested.exchange(true, std::memory_order_acq_rel) && mHost != nullptr &&
        mHost->requestRestart != nullptr) {
        mHost->requestRestart(mHost);
    }
}

bool ClapAdapter::SetRenderMode(int32_t mode) {
    if (mode != kClapRenderRealtime && mode != kClapRenderOffline) return false;
    SetRenderingOffline(mode == kClapRenderOffline);
    return true;
}

bool ClapAdapter::LoadPreset(uint32_t locationKind, const char* location, const char* loadKey) {
    CheckMainThread();
    const ClapPreset* found = nullptr;
    if (locationKind == kClapPresetLocationPlugin && loadKey != nullptr && mPresets != nullptr) {
        for (const ClapPreset& preset : *mPresets) {
            if (preset.id == loadKey) found = &preset;
        }
    }
    if (found == nullptr) {
        if (mHostPresetLoad != nullptr && mHostPresetLoad->onError != nullptr) {
            mHostPresetLoad->onError(mHost, locationKind, location, loadKey, 0,
                                     "no such factory preset");
        }
        return false;
    }
    for (int i = 0; i < NParams() && i < static_cast<int>(found->values.size()); ++i) {
        GetParam(i)->SetValue(found->values[static_cast<std::size_t>(i)]);
    }
    NotifyAllParamsChanged(ParamSource::Preset);
    AfterMainThreadValues();
    // The host did not set these values, so its project does not know of them yet.
    if (mHostState != nullptr && mHostState->markDirty != nullptr) mHostState->markDirty(mHost);
    if (mHostPresetLoad != nullptr && mHostPresetLoad->loaded != nullptr) {
        mHostPresetLoad->loaded(mHost, locationKind, location, loadKey);
    }
    return true;
}
