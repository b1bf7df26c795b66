#pragma once
// One plug-in instance as the host runs it: PluginInstance creates the plug-in
// object with factory procedure 0 of a component, initialises it, runs the field
// initialisation of every private field, keeps the render context of 27 fields
// and offers the host's operations on parameters and state. Its main-thread
// operations run on the run loop's thread; BeginBlock and the render procedure
// run on the render thread. The host's side of the instance is
// HostInstanceObject (instance_object.h).
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "description.h"
#include "host_object.h"
#include "hpi/sdk/hpi_chunk.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_render.h"
#include "instance_object.h"
#include "run_loop.h"

namespace hpihost {

// A parameter as the host lists it.
struct ParameterInfo {
    int32_t mIndex = 0;
    std::string mID;
    std::string mName;
    std::string mDefaultText;  // display text of the default value
    std::string mValueText;    // display text of the current value
    int32_t mSteps = 0;
    int32_t mType = 0;  // HPI_EParameterType
    bool mAutomatable = false;
    double mDefault = 0.0;  // normalised
    double mValue = 0.0;    // normalised
};

// The result of turning a user's text into a normalised value.
struct TextConversion {
    HPI_Result mResult = HPI_SUCCESS;
    double mNormalized = 0.0;
    std::string mTextUsed;  // the text the plug-in accepted (maybe without its unit)
};

class PluginInstance {
public:
    // Longest text the host asks the plug-in for.
    static constexpr int32_t kTextCapacity = 256;
    // Characters asked for in display texts.
    static constexpr int32_t kDisplayChars = 32;

    // [main] Creates, initialises and prepares one instance of `component`. Blocks
    // of up to maxBlockFrames frames may then be rendered. On failure answers
    // null with a message and the failing result code (0 when no call
    // failed).
    static std::unique_ptr<PluginInstance> Create(const EffectDescription& effect,
                                                  const ComponentDescription& component,
                                                  HostRunLoop& runLoop, float sampleRate,
                                                  int32_t maxBlockFrames, std::string* message,
                                                  HPI_Result* code);
    // [main] Answers what is pending, uninitialises and releases the plug-in
    // objects.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // [main]
    HPI_IEffectParameters* Parameters() const { return mParameters.Get(); }
    // [any]
    HostInstanceObject& Object() const { return *mObject.Get(); }
    // [any]
    const ComponentDescription& Component() const { return mComponent; }
    // [main]
    HostRunLoop& RunLoop() const { return mRunLoop; }

    // --- parameters ---
    // [main]
    std::vector<ParameterInfo> ListParameters() const;
    // [main]
    std::string MasterBypassID() const;
    // [main] The identifier of the parameter whose identifier or (else) exact name
    // is `idOrName`.
    std::optional<std::string> FindParameter(const std::string& idOrName) const;
    // [main]
    std::string DisplayText(const std::string& id, double normalized) const;
    // [main] The plug-in's own conversion of `text`; when it fails, the text once
    // more without a trailing unit ("6 dB" -> "6").
    TextConversion ConvertText(const std::string& id, const std::string& text) const;
    // [main] The host's own automation: the plug-in stores the value. Non-finite
    // values answer HPI_ERROR_INVALID_ARGUMENT; others are clamped to 0..1.
    HPI_Result Update(const std::string& id, double normalized);
    // [main] Runs the answers to the plug-in's set-value requests posted so far.
    void AnswerRequests() { mRunLoop.RunPosted(); }

    // --- state ---
    // [main] The identifier of chunk 0.
    HPI_Result ChunkID(uint32_t* outID) const;
    // [main] The state bytes of chunk 0, without the host's header.
    HPI_Result SaveState(std::vector<unsigned char>* outData) const;
    // [main] Sets chunk 0 from state bytes and answers the requests it causes.
    HPI_Result LoadState(const std::vector<unsigned char>& data);
    // [main]
    HPI_Result CompareState(const std::vector<unsigned char>& data, bool* outEqual) const;

    // --- host events ---
    // [main]
    HPI_Result Notify(int32_t code, const void* data = nullptr, uint32_t size = 0);
    // [main] The host's regular calls: packet update, then timer wake-up.
    void Service();
    // Results of the field initialisation calls, by field.
    const std::vector<std::pair<int32_t, HPI_Result>>& FieldInitialisations() const {
        return mFieldResults;
    }

    // --- rendering ---
    // [any]
    int InputChannels() const { return mInputChannels; }
    // [any] main output channels
    int OutputChannels() const { return mOutputChannels; }
    // [any]
    int32_t MaxBlockFrames() const { return mMaxBlockFrames; }
    // [any]
    HPI_RenderProc RenderProc() const { return mComponent.mRenderProc; }
    // Points the context at these buffers (InputChannels() and
    // OutputChannels() of them, frames <= MaxBlockFrames()), sets the frame
    // count, sample location and transport, and delivers posted packets.
    void BeginBlock(const float* const* inputs, float* const* outputs, int32_t frames,
                    int64_t samplePosition);
    // [audio]
    HPI_SRenderContext* Context() { return &mContext; }
    // [any] MIDI packets the plug-in posted to an output node, in all.
    std::size_t MIDIPacketsPosted() const;

private:
    class MIDINode;
    class TransportNode;

    PluginInstance(const ComponentDescription& component, HostRunLoop& runLoop,
                   int32_t maxBlockFrames);
    bool BuildContext(std::string* message);
    HPI_SChunkHeader* PrepareRecord(std::vector<uint64_t>& storage, uint32_t chunkID,
                                    int32_t dataSize) const;
    // A chunk record holding data, handed to use; the size limit and the
    // chunk identifier are checked first.
    HPI_Result WithStateRecord(
        const std::vector<unsigned char>& data,
        const std::function<HPI_Result(uint32_t, HPI_SChunkHeader*)>& use) const;

    const ComponentDescription mComponent;
    HostRunLoop& mRunLoop;
    const int32_t mMaxBlockFrames;
    int mInputChannels = 0;
    int mOutputChannels = 0;

    HPI_Ref<HostInstanceObject> mObject;
    HPI_Ref<HPI_IUnknown> mPlugin;
    HPI_Ref<HPI_IEffectParameters> mParameters;
    bool mInitialized = false;
    HostRunLoop::Token mServiceTimer = 0;
    std::vector<std::pair<int32_t, HPI_Result>> mFieldResults;

    // Render context and the storage its fields point to.
    HPI_SRenderContext mContext{};
    std::array<void*, HPI_eRenderField_Count> mFieldStorage{};
    std::vector<float*> mInputPointers;
    std::vector<float*> mOutputPointers;
    std::vector<std::vector<float>> mAuxOutputs;
    int32_t mFrames = 0;
    int64_t mSampleLocation = 0;
    int32_t mSideChainIndex = 0;
    std::vector<std::vector<uint64_t>> mPrivateBlocks;
    std::vector<std::vector<float>> mMeterBlocks;
    std::array<uint64_t, HPI_eRenderField_Count> mPortStorage{};
    std::vector<std::unique_ptr<MIDINode>> mMIDINodes;
    std::unique_ptr<TransportNode> mTransportNode;
};

}  // namespace hpihost
