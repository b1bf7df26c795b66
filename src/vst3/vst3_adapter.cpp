#include "vst3/vst3_adapter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "core/text_buf.h"
#include "vst3/vst3_strings.h"

namespace {

// The delay line is sized for this much latency at construction, so a
// signal chain that reports up to this never makes process allocate.
constexpr int kLatencyReserve = 4096;
constexpr int kStreamPiece = 4096;

bool IsStepped(const Param& param) {
    return (param.Flags() & FlagStepped) != 0 || param.Type() == TypeBool ||
           param.Type() == TypeInt || param.Type() == TypeEnum;
}

int32_t StepCountOf(const Param& param) {
    if (!IsStepped(param) || param.Step() <= 0.0) {
        return 0;
    }
    return static_cast<int32_t>(std::llround((param.Max() - param.Min()) / param.Step()));
}

vst3::SpeakerArrangement ArrangementOf(int channels) {
    return channels == 1 ? vst3::kSpeakerArrangementMono : vst3::kSpeakerArrangementStereo;
}

}  // namespace

VST3Adapter::VST3Adapter(const PluginConfig& config, const VST3InstanceInfo& info)
    : PluginAPIBase(config, kApiVST3), PluginProcessor(config), mProduct(info.product) {
    SetBlockSize(kVST3DefaultBlockSize);
    // The delay line grows only past its largest length so far: size it now,
    // then go back to the configured latency.
    PluginProcessor::ReportLatency(kLatencyReserve);
    PluginProcessor::ReportLatency(config.latency);
    mQueueCursor.assign(kVST3MaxParameterQueues, 0);
    mInputPiece.assign(static_cast<std::size_t>(std::max(MaxChannels(DirInput), 0)), nullptr);
    mOutputPiece.assign(static_cast<std::size_t>(std::max(MaxChannels(DirOutput), 0)), nullptr);
    mChannels = std::min({2, MaxChannels(DirInput), MaxChannels(DirOutput)});
    for (const Direction direction : {DirInput, DirOutput}) {
        ConnectChannels(direction, 0, mChannels, true);
        ConnectChannels(direction, mChannels, MaxChannels(direction) - mChannels, false);
    }
}

VST3Adapter::~VST3Adapter() {
    if (mHandler != nullptr) {
        mHandler->release();
    }
}

// ---- FUnknown ------------------------------------------------------------------------

vst3::Result VST3Adapter::queryInterface(const vst3::Id iid, void** object) {
    if (object == nullptr) {
        return vst3::kInvalidArgument;
    }
    void* face = nullptr;
    if (vst3::SameId(iid, vst3::kUnknownId) || vst3::SameId(iid, vst3::kPluginBaseId) ||
        vst3::SameId(iid, vst3::kComponentId)) {
        face = static_cast<vst3::Component*>(this);
    } else if (vst3::SameId(iid, vst3::kAudioProcessorId)) {
        face = static_cast<vst3::AudioProcessor*>(this);
    } else if (vst3::SameId(iid, vst3::kEditControllerId)) {
        face = static_cast<vst3::EditController*>(this);
    } else if (vst3::SameId(iid, vst3::kUnitInfoId)) {
        face = static_cast<vst3::UnitInfoSource*>(this);
    }
    *object = face;
    if (face == nullptr) {
        return vst3::kNoInterface;
    }
    addRef();
    return vst3::kResultOk;
}

uint32_t VST3Adapter::addRef() {
    return mReferences.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t VST3Adapter::release() {
    const uint32_t left = mReferences.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

// ---- IPluginBase -------------------------------------------------------------------------

vst3::Result VST3Adapter::initialize(vst3::Unknown* context) {
    if (mInitializeCount++ > 0 || context == nullptr) {
        return vst3::kResultOk;
    }
    void* found = nullptr;
    if (context->queryInterface(vst3::kHostApplicationId.bytes, &found) == vst3::kResultOk &&
        found != nullptr) {
        auto* application = static_cast<vst3::HostApplication*>(found);
        vst3::String128 name{};
        if (application->getName(name) == vst3::kResultOk) {
            name[127] = 0;
            SetHost(Utf16ToUtf8(name).c_str(), 0);
        }
        application->release();
    }
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::terminate() {
    if (mInitializeCount > 0 && --mInitializeCount == 0) {
        setComponentHandler(nullptr);
    }
    return vst3::kResultOk;
}

// ---- IComponent -----------------------------------------------------------------------------

vst3::Result VST3Adapter::getControllerClassId(vst3::Id classId) {
    if (classId != nullptr) {
        std::memset(classId, 0, sizeof(vst3::Id));
    }
    return vst3::kResultFalse;
}

vst3::Result VST3Adapter::setIoMode(int32_t) {
    return vst3::kResultOk;
}

int32_t VST3Adapter::getBusCount(int32_t mediaType, int32_t direction) {
    const bool known = direction == vst3::kInput || direction == vst3::kOutput;
    return mediaType == vst3::kAudio && known ? 1 : 0;
}

vst3::Result VST3Adapter::getBusInfo(int32_t mediaType, int32_t direction, int32_t index,
                                     vst3::BusInfo& bus) {
    if (getBusCount(mediaType, direction) <= index || index < 0) {
        return vst3::kInvalidArgument;
    }
    bus = vst3::BusInfo{};
    bus.mediaType = vst3::kAudio;
    bus.direction = direction;
    bus.channelCount = mChannels;
    TextBuf name;
    BusName(direction == vst3::kInput ? DirInput : DirOutput, index, 1, name);
    CopyToString128(name.Get(), bus.name);
    bus.busType = vst3::kMainBus;
    bus.flags = vst3::kDefaultActive;
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::getRoutingInfo(vst3::RoutingInfo&, vst3::RoutingInfo&) {
    return vst3::kNotImplemented;
}

vst3::Result VST3Adapter::activateBus(int32_t mediaType, int32_t direction, int32_t index,
                                      vst3::Bool8) {
    return index >= 0 && index < getBusCount(mediaType, direction) ? vst3::kResultOk
                                                                   : vst3::kInvalidArgument;
}

vst3::Result VST3Adapter::setActive(vst3::Bool8 state) {
    mActive = state != 0;
    if (mActive) {
        // The chain starts its next block on the settings it finds then.
        ResetProcessing();
    }
    return vst3::kResultOk;
}

bool VST3Adapter::ReadStream(vst3::Stream* stream, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (stream == nullptr) {
        return false;
    }
    for (;;) {
        const std::size_t at = bytes.size();
        bytes.resize(at + kStreamPiece);
        int32_t read = 0;
        const vst3::Result result = stream->read(bytes.data() + at, kStreamPiece, &read);
        read = std::clamp(read, 0, kStreamPiece);
        bytes.resize(at + static_cast<std::size_t>(read));
        if (bytes.size() > static_cast<std::size_t>(kVST3MaxStateBytes)) {
            return false;
        }
        if (result != vst3::kResultOk || read == 0) {
            return true;
        }
    }
}

bool VST3Adapter::LoadStateBytes(const std::vector<uint8_t>& bytes) {
    ByteChunk current;
    if (bytes.empty() || !SaveState(current) ||
        bytes.size() < static_cast<std::size_t>(current.Size())) {
        return false;
    }
    ByteChunk incoming;
    incoming.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    if (incoming == current) {
        return true;
    }
    if (LoadState(incoming, 0) < 0) {
        LoadState(current, 0);
        return false;
    }
    NotifyEditorStateRestored();
    return true;
}

vst3::Result VST3Adapter::setState(vst3::Stream* state) {
    std::vector<uint8_t> bytes;
    if (!ReadStream(state, bytes) || !LoadStateBytes(bytes)) {
        return vst3::kResultFalse;
    }
    TellLatencyIfChanged();
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::getState(vst3::Stream* state) {
    ByteChunk chunk;
    if (state == nullptr || !SaveState(chunk)) {
        return vst3::kResultFalse;
    }
    int done = 0;
    while (done < chunk.Size()) {
        int32_t written = 0;
        const vst3::Result result =
            state->write(chunk.Data() + done, chunk.Size() - done, &written);
        if (result != vst3::kResultOk || written <= 0) {
            return vst3::kResultFalse;
        }
        done += std::min(written, chunk.Size() - done);
    }
    return vst3::kResultOk;
}

// ---- IAudioProcessor ----------------------------------------------------------------------

vst3::Result VST3Adapter::setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t inputCount,
                                             vst3::SpeakerArrangement* outputs,
                                             int32_t outputCount) {
    if (mActive || inputCount != 1 || outputCount != 1 || inputs == nullptr || outputs == nullptr ||
        inputs[0] != outputs[0]) {
        return vst3::kResultFalse;
    }
    int channels = 0;
    if (inputs[0] == vst3::kSpeakerArrangementMono) {
        channels = 1;
    } else if (inputs[0] == vst3::kSpeakerArrangementStereo) {
        channels = 2;
    }
    if (channels == 0 || !LegalIO(channels, channels)) {
        return vst3::kResultFalse;
    }
    mChannels = channels;
    for (const Direction direction : {DirInput, DirOutput}) {
        ConnectChannels(direction, 0, mChannels, true);
        ConnectChannels(direction, mChannels, MaxChannels(direction) - mChannels, false);
    }
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::getBusArrangement(int32_t direction, int32_t index,
                                            vst3::SpeakerArrangement& arrangement) {
    if (index != 0 || (direction != vst3::kInput && direction != vst3::kOutput)) {
        return vst3::kInvalidArgument;
    }
    arrangement = ArrangementOf(mChannels);
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::canProcessSampleSize(int32_t symbolicSampleSize) {
    return symbolicSampleSize == vst3::kSample32 ? vst3::kResultTrue : vst3::kResultFalse;
}

uint32_t VST3Adapter::getLatencySamples() {
    const int latency = std::clamp(LatencyForSettings(), 0, kMaxLatencySamples);
    mLatencyToldHost.store(latency, std::memory_order_relaxed);
    return static_cast<uint32_t>(latency);
}

vst3::Result VST3Adapter::setupProcessing(vst3::ProcessSetup& setup) {
    if (setup.symbolicSampleSize != vst3::kSample32 || !std::isfinite(setup.sampleRate) ||
        setup.sampleRate <= 0.0 || setup.maxSamplesPerBlock <= 0) {
        return vst3::kResultFalse;
    }
    SetSampleRate(setup.sampleRate);
    SetBlockSize(std::clamp(setup.maxSamplesPerBlock, 1, kMaxBlockSize));
    SetRenderingOffline(setup.processMode == vst3::kOffline);
    ResetProcessing();
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::setProcessing(vst3::Bool8) {
    return vst3::kResultOk;
}

uint32_t VST3Adapter::getTailSamples() {
    return vst3::kNoTail;
}

void VST3Adapter::ApplyPoint(vst3::ParamId id, double normalized) {
    if (!std::isfinite(normalized)) {
        return;
    }
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (id < static_cast<vst3::ParamId>(NParams())) {
        const int index = static_cast<int>(id);
        GetParam(index)->SetNorm(normalized);
        OnParamChange(index, ParamSource::Host, -1);
    } else if (id == HostBypassId()) {
        const int index = mProduct != nullptr ? mProduct->processingSwitchParam : -1;
        if (Param* param = GetParam(index)) {
            param->SetValue(normalized >= 0.5 ? 0.0 : 1.0);
            OnParamChange(index, ParamSource::Host, -1);
        }
    } else if (id == ProgramId() && ProgramCount() > 0) {
        ApplyProgram(static_cast<int>(std::lround(normalized * (ProgramCount() - 1))), -1);
    }
}

void VST3Adapter::ApplyProgram(int index, int sampleOffset) {
    if (ProgramCount() == 0) {
        return;
    }
    index = std::clamp(index, 0, ProgramCount() - 1);
    const std::vector<double>& values = mProduct->programs[static_cast<std::size_t>(index)].values;
    const int count = std::min(static_cast<int>(values.size()), NParams());
    for (int i = 0; i < count; ++i) {
        GetParam(i)->SetValue(values[static_cast<std::size_t>(i)]);
        OnParamChange(i, ParamSource::Preset, sampleOffset);
    }
    mProgram.store(index, std::memory_order_relaxed);
}

void VST3Adapter::ProcessSpan(const vst3::ProcessData& data, int offset, int frames) {
    const bool hasInput =
        data.numInputs > 0 && data.inputs != nullptr && data.inputs[0].channelBuffers32 != nullptr;
    const bool hasOutput = data.numOutputs > 0 && data.outputs != nullptr &&
                           data.outputs[0].channelBuffers32 != nullptr;
    const int piece = std::max(BlockSize(), 1);
    for (int done = 0; done < frames;) {
        const int count = std::min(frames - done, piece);
        const int at = offset + done;
        for (int c = 0; c < mChannels; ++c) {
            const auto slot = static_cast<std::size_t>(c);
            float* in = hasInput && c < data.inputs[0].numChannels
                            ? data.inputs[0].channelBuffers32[c]
                            : nullptr;
            float* out = hasOutput && c < data.outputs[0].numChannels
                             ? data.outputs[0].channelBuffers32[c]
                             : nullptr;
            mInputPiece[slot] = in != nullptr ? in + at : nullptr;
            mOutputPiece[slot] = out != nullptr ? out + at : nullptr;
        }
        // Inputs are converted into the processor's own buffers before any
        // output is written, so the host may pass the same buffers.
        AttachHostBuffers(DirInput, 0, mChannels, mInputPiece.data(), count);
        AttachHostBuffers(DirOutput, 0, mChannels, mOutputPiece.data(), count);
        ProcessHostBuffers(count);
        done += count;
    }
}

vst3::Result VST3Adapter::process(vst3::ProcessData& data) {
    if (data.symbolicSampleSize != vst3::kSample32 || data.numSamples < 0) {
        return vst3::kInvalidArgument;
    }
    const int frames = data.numSamples;
    vst3::ParameterChanges* changes = data.inputParameterChanges;
    const int queues = changes != nullptr
                           ? std::clamp(changes->getParameterCount(), 0, kVST3MaxParameterQueues)
                           : 0;
    std::fill_n(mQueueCursor.begin(), queues, 0);
    // Apply every point due at position, then process up to the next point;
    // points at or past the block's end are applied after its last frame.
    for (int position = 0;;) {
        int next = frames;
        for (int q = 0; q < queues; ++q) {
            vst3::ParamValueQueue* queue = changes->getParameterData(q);
            if (queue == nullptr) {
                continue;
            }
            const vst3::ParamId id = queue->getParameterId();
            const int32_t points = queue->getPointCount();
            int32_t& cursor = mQueueCursor[static_cast<std::size_t>(q)];
            while (cursor < points) {
                int32_t offset = 0;
                double value = 0.0;
                if (queue->getPoint(cursor, offset, value) != vst3::kResultOk) {
                    cursor = points;
                    break;
                }
                if (offset > position && position < frames) {
                    next = std::min(next, offset);
                    break;
                }
                ApplyPoint(id, value);
                ++cursor;
            }
        }
        if (position >= frames) {
            break;
        }
        ProcessSpan(data, position, next - position);
        position = next;
    }
    if (data.numOutputs > 0 && data.outputs != nullptr) {
        data.outputs[0].silenceFlags = 0;
    }
    return vst3::kResultOk;
}

// ---- IEditController ----------------------------------------------------------------------------

vst3::Result VST3Adapter::setComponentState(vst3::Stream* state) {
    return setState(state);
}

int32_t VST3Adapter::getParameterCount() {
    return NParams() + 2;
}

vst3::Result VST3Adapter::getParameterInfo(int32_t index, vst3::ParameterInfo& info) {
    if (index < 0 || index >= getParameterCount()) {
        return vst3::kInvalidArgument;
    }
    info = vst3::ParameterInfo{};
    info.id = static_cast<vst3::ParamId>(index);
    info.unitId = vst3::kRootUnitId;
    if (index < NParams()) {
        const Param& param = *GetParam(index);
        CopyToString128(param.Name(), info.title);
        CopyToString128(param.Name(), info.shortTitle);
        CopyToString128(param.Label(), info.units);
        info.stepCount = StepCountOf(param);
        info.defaultNormalizedValue = param.ToNorm(param.Default());
        info.flags = (param.Flags() & FlagNotAutomatable) != 0 ? 0 : vst3::kCanAutomate;
        if (info.stepCount > 0 && param.HasDisplayTexts()) {
            info.flags |= vst3::kIsList;
        }
    } else if (info.id == HostBypassId()) {
        CopyToString128("Host Bypass", info.title);
        CopyToString128("Bypass", info.shortTitle);
        info.stepCount = 1;
        info.defaultNormalizedValue = 0.0;
        info.flags = vst3::kCanAutomate | vst3::kIsBypass;
    } else {
        CopyToString128("Program", info.title);
        CopyToString128("Program", info.shortTitle);
        info.stepCount = std::max(ProgramCount() - 1, 0);
        info.defaultNormalizedValue = 0.0;
        info.flags = vst3::kIsList | vst3::kIsProgramChange;
    }
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::getParamStringByValue(vst3::ParamId id, vst3::ParamValue normalized,
                                                vst3::String128 text) {
    if (text == nullptr || !std::isfinite(normalized)) {
        return vst3::kInvalidArgument;
    }
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (id < static_cast<vst3::ParamId>(NParams())) {
        TextBuf out;
        GetParam(static_cast<int>(id))->FormatValue(normalized, true, out);
        CopyToString128(out.Get(), text);
    } else if (id == HostBypassId()) {
        CopyToString128(normalized >= 0.5 ? "on" : "off", text);
    } else if (id == ProgramId() && ProgramCount() > 0) {
        const auto index = static_cast<std::size_t>(std::lround(normalized * (ProgramCount() - 1)));
        CopyToString128(mProduct->programs[index].name.c_str(), text);
    } else {
        return vst3::kInvalidArgument;
    }
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::getParamValueByString(vst3::ParamId id, vst3::Char16* text,
                                                vst3::ParamValue& normalized) {
    if (text == nullptr) {
        return vst3::kInvalidArgument;
    }
    const std::string utf8 = Utf16ToUtf8(text);
    if (id < static_cast<vst3::ParamId>(NParams())) {
        const Param& param = *GetParam(static_cast<int>(id));
        normalized = param.ToNorm(param.ParseText(utf8.c_str()));
        return vst3::kResultOk;
    }
    if (id == HostBypassId()) {
        if (utf8 == "on" || utf8 == "1") {
            normalized = 1.0;
        } else if (utf8 == "off" || utf8 == "0") {
            normalized = 0.0;
        } else {
            return vst3::kResultFalse;
        }
        return vst3::kResultOk;
    }
    if (id == ProgramId()) {
        for (int i = 0; i < ProgramCount(); ++i) {
            if (mProduct->programs[static_cast<std::size_t>(i)].name == utf8) {
                normalized =
                    ProgramCount() > 1 ? static_cast<double>(i) / (ProgramCount() - 1) : 0.0;
                return vst3::kResultOk;
            }
        }
        return vst3::kResultFalse;
    }
    return vst3::kInvalidArgument;
}

vst3::ParamValue VST3Adapter::normalizedParamToPlain(vst3::ParamId id,
                                                     vst3::ParamValue normalized) {
    normalized = std::isfinite(normalized) ? std::clamp(normalized, 0.0, 1.0) : 0.0;
    if (id < static_cast<vst3::ParamId>(NParams())) {
        return GetParam(static_cast<int>(id))->FromNorm(normalized);
    }
    if (id == HostBypassId()) {
        return normalized >= 0.5 ? 1.0 : 0.0;
    }
    if (id == ProgramId() && ProgramCount() > 0) {
        return static_cast<double>(std::lround(normalized * (ProgramCount() - 1)));
    }
    return 0.0;
}

vst3::ParamValue VST3Adapter::plainParamToNormalized(vst3::ParamId id, vst3::ParamValue plain) {
    if (id < static_cast<vst3::ParamId>(NParams())) {
        return GetParam(static_cast<int>(id))->ToNorm(plain);
    }
    if (!std::isfinite(plain)) {
        return 0.0;
    }
    if (id == HostBypassId()) {
        return plain >= 0.5 ? 1.0 : 0.0;
    }
    if (id == ProgramId() && ProgramCount() > 1) {
        return std::clamp(std::round(plain), 0.0, ProgramCount() - 1.0) / (ProgramCount() - 1);
    }
    return 0.0;
}

double VST3Adapter::HostBypassNorm() const {
    const Param* param = GetParam(mProduct != nullptr ? mProduct->processingSwitchParam : -1);
    return param != nullptr && param->GetValue() < 0.5 ? 1.0 : 0.0;
}

int VST3Adapter::ProgramCount() const {
    return mProduct != nullptr ? static_cast<int>(mProduct->programs.size()) : 0;
}

vst3::ParamValue VST3Adapter::getParamNormalized(vst3::ParamId id) {
    if (id < static_cast<vst3::ParamId>(NParams())) {
        return GetParam(static_cast<int>(id))->GetNorm();
    }
    if (id == HostBypassId()) {
        return HostBypassNorm();
    }
    if (id == ProgramId() && ProgramCount() > 1) {
        return static_cast<double>(mProgram.load(std::memory_order_relaxed)) / (ProgramCount() - 1);
    }
    return 0.0;
}

vst3::Result VST3Adapter::setParamNormalized(vst3::ParamId id, vst3::ParamValue value) {
    if (!std::isfinite(value) || id >= static_cast<vst3::ParamId>(getParameterCount())) {
        return vst3::kInvalidArgument;
    }
    value = std::clamp(value, 0.0, 1.0);
    if (id == ProgramId()) {
        if (ProgramCount() == 0) {
            return vst3::kResultFalse;
        }
        ApplyProgram(static_cast<int>(std::lround(value * (ProgramCount() - 1))), -1);
        for (int i = 0; i < NParams(); ++i) {
            PostParamToEditor(i, GetParam(i)->GetValue(), false);
        }
        Restart(vst3::kParamValuesChanged);
    } else {
        ApplyPoint(id, value);
        const int index = id == HostBypassId() && mProduct != nullptr
                              ? mProduct->processingSwitchParam
                              : static_cast<int>(id);
        if (const Param* param = GetParam(index)) {
            PostParamToEditor(index, param->GetValue(), false);
        }
    }
    TellLatencyIfChanged();
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::setComponentHandler(vst3::ComponentHandler* handler) {
    if (handler == mHandler) {
        return vst3::kResultOk;
    }
    if (handler != nullptr) {
        handler->addRef();
    }
    if (mHandler != nullptr) {
        mHandler->release();
    }
    mHandler = handler;
    return vst3::kResultOk;
}

vst3::PlugView* VST3Adapter::createView(const char*) {
    // The editor's view (an IPlugView on the editor-window handle, run by
    // the host's IRunLoop) is created here once it exists.
    return nullptr;
}

void VST3Adapter::Restart(int32_t flags) {
    if (mHandler != nullptr) {
        mHandler->restartComponent(flags);
    }
}

void VST3Adapter::TellLatencyIfChanged() {
    // A host that never asked learns the latency when it activates.
    const int latency = std::clamp(LatencyForSettings(), 0, kMaxLatencySamples);
    const int told = mLatencyToldHost.load(std::memory_order_relaxed);
    if (told >= 0 && told != latency) {
        mLatencyToldHost.store(latency, std::memory_order_relaxed);
        Restart(vst3::kLatencyChanged);
    }
}

// ---- IUnitInfo --------------------------------------------------------------------------------

int32_t VST3Adapter::getUnitCount() {
    return 1;
}

vst3::Result VST3Adapter::getUnitInfo(int32_t unitIndex, vst3::UnitInfo& info) {
    if (unitIndex != 0) {
        return vst3::kInvalidArgument;
    }
    info = vst3::UnitInfo{};
    info.id = vst3::kRootUnitId;
    info.parentUnitId = vst3::kNoParentUnitId;
    CopyToString128("Root", info.name);
    info.programListId = ProgramCount() > 0 ? kVST3ProgramListId : vst3::kNoProgramListId;
    return vst3::kResultOk;
}

int32_t VST3Adapter::getProgramListCount() {
    return ProgramCount() > 0 ? 1 : 0;
}

vst3::Result VST3Adapter::getProgramListInfo(int32_t listIndex, vst3::ProgramListInfo& info) {
    if (listIndex != 0 || ProgramCount() == 0) {
        return vst3::kInvalidArgument;
    }
    info = vst3::ProgramListInfo{};
    info.id = kVST3ProgramListId;
    CopyToString128("Factory Presets", info.name);
    info.programCount = ProgramCount();
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::getProgramName(vst3::ProgramListId listId, int32_t programIndex,
                                         vst3::String128 name) {
    if (listId != kVST3ProgramListId || programIndex < 0 || programIndex >= ProgramCount() ||
        name == nullptr) {
        return vst3::kInvalidArgument;
    }
    CopyToString128(mProduct->programs[static_cast<std::size_t>(programIndex)].name.c_str(), name);
    return vst3::kResultOk;
}

vst3::Result VST3Adapter::getProgramInfo(vst3::ProgramListId, int32_t, const char*,
                                         vst3::String128) {
    return vst3::kResultFalse;
}

vst3::Result VST3Adapter::hasProgramPitchNames(vst3::ProgramListId, int32_t) {
    return vst3::kResultFalse;
}

vst3::Result VST3Adapter::getProgramPitchName(vst3::ProgramListId, int32_t, int16_t,
                                              vst3::String128) {
    return vst3::kResultFalse;
}

vst3::UnitId VST3Adapter::getSelectedUnit() {
    return vst3::kRootUnitId;
}

vst3::Result VST3Adapter::selectUnit(vst3::UnitId unitId) {
    return unitId == vst3::kRootUnitId ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::Result VST3Adapter::getUnitByBus(int32_t, int32_t, int32_t, int32_t, vst3::UnitId&) {
    return vst3::kResultFalse;
}

vst3::Result VST3Adapter::setUnitProgramData(int32_t, int32_t, vst3::Stream*) {
    return vst3::kResultFalse;
}

// ---- Gestures -----------------------------------------------------------------------------------

void VST3Adapter::NotifyHostParamBegin(int paramIdx) {
    if (mHandler == nullptr || GetParam(paramIdx) == nullptr) {
        return;
    }
    mHandler->beginEdit(static_cast<vst3::ParamId>(paramIdx));
    if (mProduct != nullptr && paramIdx == mProduct->processingSwitchParam) {
        mHandler->beginEdit(HostBypassId());
    }
}

void VST3Adapter::NotifyHostParamValue(int paramIdx, double normalizedValue) {
    if (mHandler == nullptr || GetParam(paramIdx) == nullptr) {
        return;
    }
    mHandler->performEdit(static_cast<vst3::ParamId>(paramIdx), normalizedValue);
    if (mProduct != nullptr && paramIdx == mProduct->processingSwitchParam) {
        mHandler->performEdit(HostBypassId(), HostBypassNorm());
    }
}

void VST3Adapter::SendUIParamValue(int paramIdx, double normalizedValue) {
    PluginAPIBase::SendUIParamValue(paramIdx, normalizedValue);
    // After the product has followed the value, so its latency is the new one.
    TellLatencyIfChanged();
}

void VST3Adapter::NotifyHostParamEnd(int paramIdx) {
    if (mHandler == nullptr || GetParam(paramIdx) == nullptr) {
        return;
    }
    mHandler->endEdit(static_cast<vst3::ParamId>(paramIdx));
    if (mProduct != nullptr && paramIdx == mProduct->processingSwitchParam) {
        mHandler->endEdit(HostBypassId());
    }
}
