#include "lv2/lv2_adapter.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2_util.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "lv2/lv2_atom_sequence.h"

namespace {

// An options list longer than this is taken as unterminated.
constexpr int kMaxOptions = 1024;

bool UsableSampleRate(double sampleRate) {
    return std::isfinite(sampleRate) && sampleRate > 0.0;
}

bool KnownSize(const EditorSizeMessage& size) {
    return size.width > 0 && size.height > 0 && std::isfinite(size.scale) && size.scale > 0.0f;
}

}  // namespace

LV2Adapter::LV2Adapter(const PluginConfig& config, const LV2InstanceInfo& info)
    : PluginAPIBase(config, kApiLV2),
      PluginProcessor(config),
      mLayout{NParams(), std::max(info.audioInputs, 0), std::max(info.audioOutputs, 0)},
      mStateKeyURI(info.stateKeyURI != nullptr ? info.stateKeyURI : "") {
    mUsable = UsableSampleRate(info.sampleRate) && mLayout.audioInputs <= MaxChannels(DirInput) &&
              mLayout.audioOutputs <= MaxChannels(DirOutput) &&
              LegalIO(mLayout.audioInputs, mLayout.audioOutputs);
    SetSampleRate(info.sampleRate);
    mMap = static_cast<const LV2_URID_Map*>(lv2_features_data(info.features, LV2_URID__map));
    mHasUrids =
        MapPatchURIDs(mMap, info.editorSizeURI != nullptr ? info.editorSizeURI : "", mUrids);

    const int inputs = std::min(mLayout.audioInputs, MaxChannels(DirInput));
    const int outputs = std::min(mLayout.audioOutputs, MaxChannels(DirOutput));
    ConnectChannels(DirInput, 0, inputs, true);
    ConnectChannels(DirInput, inputs, MaxChannels(DirInput) - inputs, false);
    ConnectChannels(DirOutput, 0, outputs, true);
    ConnectChannels(DirOutput, outputs, MaxChannels(DirOutput) - outputs, false);
    ReadHostBlockLength(info.features);
    mQueueDraw = static_cast<const LV2InlineDisplayQueue*>(
        lv2_features_data(info.features, kLV2QueueDrawURI));
    if (mQueueDraw != nullptr && mQueueDraw->queue_draw == nullptr) {
        mQueueDraw = nullptr;
    }

    // The delay line grows only past its largest length so far: size it
    // now, then go back to the configured latency.
    PluginProcessor::ReportLatency(kLV2LatencyReserve);
    PluginProcessor::ReportLatency(config.latency);

    const auto params = static_cast<std::size_t>(mLayout.params);
    mControlPorts.assign(params, nullptr);
    mPortShadow.assign(params, 0);
    mPortSeen.assign(params, 0);
    mAudioInputs.assign(static_cast<std::size_t>(mLayout.audioInputs), nullptr);
    mAudioOutputs.assign(static_cast<std::size_t>(mLayout.audioOutputs), nullptr);
    mInputPiece.assign(mAudioInputs.size(), nullptr);
    mOutputPiece.assign(mAudioOutputs.size(), nullptr);
}

LV2Adapter::~LV2Adapter() = default;

void LV2Adapter::ReadHostBlockLength(const LV2_Feature* const* features) {
    int blockSize = kLV2DefaultBlockSize;
    const auto* options =
        static_cast<const LV2_Options_Option*>(lv2_features_data(features, LV2_OPTIONS__options));
    if (options != nullptr && mMap != nullptr) {
        const LV2_URID maxKey = mMap->map(mMap->handle, LV2_BUF_SIZE__maxBlockLength);
        const LV2_URID nominalKey = mMap->map(mMap->handle, LV2_BUF_SIZE__nominalBlockLength);
        const LV2_URID intType = mMap->map(mMap->handle, LV2_ATOM__Int);
        int32_t maxLength = 0;
        int32_t nominalLength = 0;
        for (int i = 0; i < kMaxOptions && (options[i].key != 0 || options[i].value != nullptr);
             ++i) {
            const LV2_Options_Option& option = options[i];
            if (option.context != LV2_OPTIONS_INSTANCE || option.type != intType ||
                option.type == 0 || option.size != sizeof(int32_t) || option.value == nullptr) {
                continue;
            }
            int32_t value = 0;
            std::memcpy(&value, option.value, sizeof value);
            if (option.key == maxKey) {
                maxLength = value;
            } else if (option.key == nominalKey) {
                nominalLength = value;
            }
        }
        if (maxLength > 0) {
            blockSize = maxLength;
        } else if (nominalLength > 0) {
            blockSize = nominalLength;
        }
    }
    SetBlockSize(std::clamp(blockSize, 1, kMaxBlockSize));
}

const LV2_URID_Map* LV2Adapter::MapOf(const LV2_Feature* const* features) const {
    if (mMap != nullptr) {
        return mMap;
    }
    return static_cast<const LV2_URID_Map*>(lv2_features_data(features, LV2_URID__map));
}

// ---- ports and processing ----------------------------------------------------------

void LV2Adapter::ConnectPort(uint32_t port, void* data) {
    const int index = mLayout.ChannelOrParamOf(port);
    switch (mLayout.KindOf(port)) {
        case LV2PortKind::kControlInput:
            mControlPorts[static_cast<std::size_t>(index)] = static_cast<const float*>(data);
            break;
        case LV2PortKind::kLatencyOutput:
            mLatencyPort = static_cast<float*>(data);
            break;
        case LV2PortKind::kAudioInput:
            mAudioInputs[static_cast<std::size_t>(index)] = static_cast<float*>(data);
            break;
        case LV2PortKind::kAudioOutput:
            mAudioOutputs[static_cast<std::size_t>(index)] = static_cast<float*>(data);
            break;
        case LV2PortKind::kEventInput:
            mControlEvents = static_cast<const LV2_Atom_Sequence*>(data);
            break;
        case LV2PortKind::kEventOutput:
            mNotifyEvents = static_cast<LV2_Atom_Sequence*>(data);
            break;
        case LV2PortKind::kNone:
        default:
            break;
    }
}

void LV2Adapter::Activate() {
    // The signal chain starts its next block on the settings it finds then:
    // those of every port, which the next run() applies before that block.
    ResetProcessing();
    mApplyAllPorts.store(true, std::memory_order_release);
}

void LV2Adapter::Deactivate() {}

void LV2Adapter::ApplyControlPorts() {
    const bool all = mApplyAllPorts.exchange(false, std::memory_order_acq_rel);
    for (int i = 0; i < mLayout.params; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const float* port = mControlPorts[slot];
        if (port == nullptr) {
            continue;
        }
        const float value = *port;
        const auto bits = std::bit_cast<uint32_t>(value);
        if (!all && mPortSeen[slot] != 0 && mPortShadow[slot] == bits) {
            continue;
        }
        mPortSeen[slot] = 1;
        mPortShadow[slot] = bits;
        Param* param = GetParam(i);
        if (std::isnan(value) || param == nullptr) {
            continue;
        }
        param->SetValue(value);
        OnParamChange(i, ParamSource::Host, -1);
        mInlineDisplayStale = true;
    }
}

void LV2Adapter::ProcessSpan(uint32_t offset, int frames) {
    for (std::size_t i = 0; i < mAudioInputs.size(); ++i) {
        mInputPiece[i] = mAudioInputs[i] != nullptr ? mAudioInputs[i] + offset : nullptr;
    }
    for (std::size_t i = 0; i < mAudioOutputs.size(); ++i) {
        mOutputPiece[i] = mAudioOutputs[i] != nullptr ? mAudioOutputs[i] + offset : nullptr;
    }
    // Inputs are converted into the processor's own buffers before anything
    // is written, so in-place ports are safe.
    AttachHostBuffers(DirInput, 0, mLayout.audioInputs, mInputPiece.data(), frames);
    AttachHostBuffers(DirOutput, 0, mLayout.audioOutputs, mOutputPiece.data(), frames);
    ProcessHostBuffers(frames);
}

bool LV2Adapter::ReadControlEvents() {
    if (mControlEvents == nullptr || !mHasUrids) {
        return false;
    }
    bool asked = false;
    LV2SequenceReader reader(mControlEvents, mUrids.atomSequence);
    for (LV2SequenceEvent event; reader.Next(event);) {
        EditorSizeMessage message;
        switch (ReadEditorSizeMessage(mUrids, event.atom, event.atomBytes, message)) {
            case LV2PatchKind::kSetEditorSize:
                mEditorSize.Store(message);
                break;
            case LV2PatchKind::kGetEditorSize:
                asked = true;
                break;
            case LV2PatchKind::kOther:
            default:
                break;
        }
    }
    return asked;
}

void LV2Adapter::WriteNotifyEvents(bool sendSize) {
    if (mNotifyEvents == nullptr || !mHasUrids) {
        return;
    }
    LV2SequenceWriter writer(mNotifyEvents, mUrids.atomSequence);
    const EditorSizeMessage size = mEditorSize.Load();
    if (!sendSize || !KnownSize(size)) {
        return;
    }
    const bool sent = writer.Append(0, [&](void* buffer, uint32_t capacity) {
        return WriteEditorSizeSet(mUrids, size, buffer, capacity);
    });
    if (!sent) {
        // Too little room this time: the next run() tries again.
        mSendEditorSize.store(true, std::memory_order_relaxed);
    }
}

void LV2Adapter::Run(uint32_t frames) {
    const bool asked = ReadControlEvents();
    ApplyControlPorts();
    if (frames == 0) {
        // Lets the signal chain report its latency for the current settings.
        ProcessSpan(0, 0);
    }
    const auto piece = static_cast<uint32_t>(std::max(BlockSize(), 1));
    for (uint32_t done = 0; done < frames;) {
        const uint32_t count = std::min(frames - done, piece);
        ProcessSpan(done, static_cast<int>(count));
        done += count;
    }
    if (mLatencyPort != nullptr) {
        *mLatencyPort = static_cast<float>(Latency());
    }
    if (mNotifyEvents != nullptr) {
        const bool restored = mSendEditorSize.exchange(false, std::memory_order_acq_rel);
        WriteNotifyEvents(asked || restored);
    }
    QueueInlineDisplayDraw();
}

void LV2Adapter::QueueInlineDisplayDraw() {
    // Moved() is asked every run, so a display can follow its level.
    const bool moved = mInlineDisplay != nullptr && mInlineDisplay->Moved();
    const bool stale = mInlineDisplayStale || moved;
    mInlineDisplayStale = false;
    if (stale && mQueueDraw != nullptr && mInlineDisplay != nullptr) {
        mQueueDraw->queue_draw(mQueueDraw->handle);
    }
}

void LV2Adapter::SetInlineDisplay(std::unique_ptr<LV2InlineDisplay> display) {
    mInlineDisplay = std::move(display);
}

LV2InlineDisplayImageSurface* LV2Adapter::RenderInlineDisplay(uint32_t width, uint32_t maxHeight) {
    return mInlineDisplay != nullptr ? mInlineDisplay->Render(width, maxHeight) : nullptr;
}

void LV2Adapter::ReportLatency(int samples) {
    PluginProcessor::ReportLatency(std::clamp(samples, 0, kMaxLatencySamples));
}

// ---- state ------------------------------------------------------------------------

bool LV2Adapter::SaveEditorState(ByteChunk& chunk) const {
    const EditorSizeMessage size = mEditorSize.Load();
    chunk.Put(&size.width);
    chunk.Put(&size.height);
    chunk.Put(&size.scale);
    return true;
}

int LV2Adapter::LoadEditorState(const ByteChunk& chunk, int startPos) {
    // The delegate reads the fields and remembers them for an editor opened
    // in this process; the UI elsewhere hears them on "notify".
    const int position = PluginAPIBase::LoadEditorState(chunk, startPos);
    EditorSizeMessage size{SavedWidth(), SavedHeight(), SavedScale()};
    if (!KnownSize(size)) {
        size = EditorSizeMessage{};
    }
    mEditorSize.Store(size);
    mSendEditorSize.store(KnownSize(size), std::memory_order_release);
    return position;
}

LV2_State_Status LV2Adapter::SaveLV2State(LV2_State_Store_Function store, LV2_State_Handle handle,
                                          uint32_t, const LV2_Feature* const* features) const {
    const LV2_URID_Map* map = MapOf(features);
    if (map == nullptr) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    if (store == nullptr) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    ByteChunk state;
    if (!SaveState(state)) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    const LV2_URID key = map->map(map->handle, mStateKeyURI);
    const LV2_URID chunkType = map->map(map->handle, LV2_ATOM__Chunk);
    if (key == 0 || chunkType == 0) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    return store(handle, key, state.Data(), static_cast<size_t>(state.Size()), chunkType,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status LV2Adapter::RestoreLV2State(LV2_State_Retrieve_Function retrieve,
                                             LV2_State_Handle handle, uint32_t,
                                             const LV2_Feature* const* features) {
    const LV2_URID_Map* map = MapOf(features);
    if (map == nullptr) {
        return LV2_STATE_ERR_NO_FEATURE;
    }
    if (retrieve == nullptr) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    const LV2_URID key = map->map(map->handle, mStateKeyURI);
    const LV2_URID chunkType = map->map(map->handle, LV2_ATOM__Chunk);
    size_t size = 0;
    uint32_t type = 0;
    uint32_t valueFlags = 0;
    const void* data = retrieve(handle, key, &size, &type, &valueFlags);
    if (data == nullptr) {
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    if (type != chunkType) {
        return LV2_STATE_ERR_BAD_TYPE;
    }
    if (size > kLV2MaxStateBytes) {
        return LV2_STATE_ERR_UNKNOWN;
    }
    ByteChunk state;
    state.PutBytes(data, static_cast<int>(size));
    // A short state restores what it holds; the position tells nothing more.
    LoadState(state, 0);
    NotifyEditorStateRestored();
    // The ports are the truth: the next block applies every connected port
    // over the values just loaded.
    mApplyAllPorts.store(true, std::memory_order_release);
    return LV2_STATE_SUCCESS;
}
