#pragma once
// A small VST3 host for the tests, built from our own declarations: it loads
// a module as hosts do (dlopen, ModuleEntry, GetPluginFactory), makes the
// component, finds its controller (a separate class connected through
// IConnectionPoint, or the component's own IEditController), hands it a
// recording component handler, and renders float buffers with parameter
// changes at sample offsets.
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "vst3/vst3_abi.h"

namespace vst3_test {

using Channels = std::vector<std::vector<float>>;

// An object of ours with the FUnknown basics; never deleted by its count.
template <typename Interface>
class Local : public Interface {
public:
    vst3::Result queryInterface(const vst3::Id iid, void** object) override {
        if (vst3::SameId(iid, vst3::kUnknownId) || vst3::SameId(iid, OwnId())) {
            *object = this;
            return vst3::kResultOk;
        }
        *object = nullptr;
        return vst3::kNoInterface;
    }
    uint32_t addRef() override { return ++mReferences; }
    uint32_t release() override { return --mReferences; }
    virtual const vst3::InterfaceId& OwnId() const = 0;
    uint32_t mReferences = 1;
};

// A growing byte stream, read from the start.
class MemoryStream final : public Local<vst3::Stream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : mBytes(std::move(bytes)) {}
    const vst3::InterfaceId& OwnId() const override { return vst3::kStreamId; }
    vst3::Result read(void* buffer, int32_t bytes, int32_t* bytesRead) override {
        const auto count = static_cast<int32_t>(std::min<std::size_t>(
            static_cast<std::size_t>(std::max(bytes, 0)), mBytes.size() - mAt));
        if (count > 0) std::memcpy(buffer, mBytes.data() + mAt, static_cast<std::size_t>(count));
        mAt += static_cast<std::size_t>(count);
        if (bytesRead != nullptr) *bytesRead = count;
        return vst3::kResultOk;
    }
    vst3::Result write(void* buffer, int32_t bytes, int32_t* bytesWritten) override {
        const auto* data = static_cast<const uint8_t*>(buffer);
        mBytes.insert(mBytes.end(), data, data + std::max(bytes, 0));
        if (bytesWritten != nullptr) *bytesWritten = bytes;
        return vst3::kResultOk;
    }
    vst3::Result seek(int64_t position, int32_t mode, int64_t* result) override {
        const int64_t base = mode == vst3::kSeekSet   ? 0
                             : mode == vst3::kSeekCur ? static_cast<int64_t>(mAt)
                                                      : static_cast<int64_t>(mBytes.size());
        mAt = static_cast<std::size_t>(std::clamp<int64_t>(base + position, 0, mBytes.size()));
        if (result != nullptr) *result = static_cast<int64_t>(mAt);
        return vst3::kResultOk;
    }
    vst3::Result tell(int64_t* position) override {
        *position = static_cast<int64_t>(mAt);
        return vst3::kResultOk;
    }
    const std::vector<uint8_t>& Bytes() const { return mBytes; }

private:
    std::vector<uint8_t> mBytes;
    std::size_t mAt = 0;
};

// Records what the plug-in tells its host.
class RecordingHandler final : public Local<vst3::ComponentHandler> {
public:
    struct Call {
        char kind;  // 'b' begin, 'p' perform, 'e' end
        vst3::ParamId id;
        double value;
        bool operator==(const Call&) const = default;
    };
    const vst3::InterfaceId& OwnId() const override { return vst3::kComponentHandlerId; }
    vst3::Result beginEdit(vst3::ParamId id) override {
        mCalls.push_back({'b', id, 0.0});
        return vst3::kResultOk;
    }
    vst3::Result performEdit(vst3::ParamId id, vst3::ParamValue value) override {
        mCalls.push_back({'p', id, value});
        return vst3::kResultOk;
    }
    vst3::Result endEdit(vst3::ParamId id) override {
        mCalls.push_back({'e', id, 0.0});
        return vst3::kResultOk;
    }
    vst3::Result restartComponent(int32_t flags) override {
        mRestarts.push_back(flags);
        return vst3::kResultOk;
    }
    std::vector<Call> mCalls;
    std::vector<int32_t> mRestarts;
};

class HostContext final : public Local<vst3::HostApplication> {
public:
    const vst3::InterfaceId& OwnId() const override { return vst3::kHostApplicationId; }
    vst3::Result getName(vst3::String128 name) override {
        const char text[] = "Tarnwhistle test host";
        for (std::size_t i = 0; i < sizeof text; ++i) name[i] = static_cast<char16_t>(text[i]);
        return vst3::kResultOk;
    }
    vst3::Result createInstance(vst3::Id, vst3::Id, void** object) override {
        *object = nullptr;
        return vst3::kResultFalse;
    }
};

// A fixed set of parameter queues, filled before a block.
class Queue final : public Local<vst3::ParamValueQueue> {
public:
    const vst3::InterfaceId& OwnId() const override { return vst3::kParamValueQueueId; }
    vst3::ParamId getParameterId() override { return mId; }
    int32_t getPointCount() override { return static_cast<int32_t>(mPoints.size()); }
    vst3::Result getPoint(int32_t index, int32_t& offset, vst3::ParamValue& value) override {
        if (index < 0 || index >= getPointCount()) return vst3::kInvalidArgument;
        offset = mPoints[static_cast<std::size_t>(index)].first;
        value = mPoints[static_cast<std::size_t>(index)].second;
        return vst3::kResultOk;
    }
    vst3::Result addPoint(int32_t offset, vst3::ParamValue value, int32_t& index) override {
        index = getPointCount();
        mPoints.emplace_back(offset, value);
        return vst3::kResultOk;
    }
    vst3::ParamId mId = 0;
    std::vector<std::pair<int32_t, double>> mPoints;
};

class Changes final : public Local<vst3::ParameterChanges> {
public:
    Changes() { mQueues.reserve(64); }
    const vst3::InterfaceId& OwnId() const override { return vst3::kParameterChangesId; }
    int32_t getParameterCount() override { return static_cast<int32_t>(mUsed); }
    vst3::ParamValueQueue* getParameterData(int32_t index) override {
        return index >= 0 && static_cast<std::size_t>(index) < mUsed
                   ? &mQueues[static_cast<std::size_t>(index)]
                   : nullptr;
    }
    vst3::ParamValueQueue* addParameterData(const vst3::ParamId& id, int32_t& index) override {
        for (std::size_t i = 0; i < mUsed; ++i) {
            if (mQueues[i].mId == id) {
                index = static_cast<int32_t>(i);
                return &mQueues[i];
            }
        }
        if (mUsed == mQueues.size()) mQueues.emplace_back();
        index = static_cast<int32_t>(mUsed);
        Queue& queue = mQueues[mUsed++];
        queue.mId = id;
        queue.mPoints.clear();
        return &queue;
    }
    void Add(vst3::ParamId id, int32_t offset, double value) {
        int32_t index = 0;
        int32_t point = 0;
        addParameterData(id, index)->addPoint(offset, value, point);
    }
    void Clear() { mUsed = 0; }

private:
    std::vector<Queue> mQueues;
    std::size_t mUsed = 0;
};

// One parameter change of a render, at an absolute frame.
struct TimedChange {
    int64_t frame;
    vst3::ParamId id;
    double normalized;
};

template <typename T>
T* Query(vst3::Unknown* object, const vst3::InterfaceId& id) {
    void* found = nullptr;
    if (object == nullptr || object->queryInterface(id.bytes, &found) != vst3::kResultOk) {
        return nullptr;
    }
    return static_cast<T*>(found);
}

// The module, opened as hosts open it.
class Module {
public:
    explicit Module(const std::string& path) {
        mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (mHandle == nullptr) {
            mError = dlerror();
            return;
        }
        auto entry = reinterpret_cast<vst3::ModuleEntryProc>(dlsym(mHandle, "ModuleEntry"));
        auto getFactory =
            reinterpret_cast<vst3::GetPluginFactoryProc>(dlsym(mHandle, "GetPluginFactory"));
        if (entry == nullptr || getFactory == nullptr || !entry(mHandle)) {
            mError = "missing or failing entry points";
            return;
        }
        mEntered = true;
        mFactory = getFactory();
    }
    ~Module() {
        if (mFactory != nullptr) mFactory->release();
        if (mEntered) {
            auto exit = reinterpret_cast<vst3::ModuleExitProc>(dlsym(mHandle, "ModuleExit"));
            if (exit != nullptr) exit();
        }
        if (mHandle != nullptr) dlclose(mHandle);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    vst3::PluginFactory* Factory() const { return mFactory; }
    const std::string& Error() const { return mError; }
    // The first class of the category, and its id.
    bool FindClass(const char* category, vst3::Id cid) const {
        for (int32_t i = 0; mFactory != nullptr && i < mFactory->countClasses(); ++i) {
            vst3::ClassInfo info{};
            if (mFactory->getClassInfo(i, &info) == vst3::kResultOk &&
                std::strcmp(info.category, category) == 0) {
                std::memcpy(cid, info.cid, sizeof info.cid);
                return true;
            }
        }
        return false;
    }

private:
    void* mHandle = nullptr;
    bool mEntered = false;
    vst3::PluginFactory* mFactory = nullptr;
    std::string mError;
};

// One plug-in instance, set up as a host does: component, controller,
// connection, handler, arrangement, setup, activation.
class Instance {
public:
    Instance(Module& module, int channels = 2, int maxBlock = 4096, double rate = 48000.0)
        : mChannels(channels) {
        vst3::Id cid{};
        if (!module.FindClass(vst3::kAudioModuleClass, cid)) return;
        void* made = nullptr;
        if (module.Factory()->createInstance(
                reinterpret_cast<const char*>(cid),
                reinterpret_cast<const char*>(vst3::kComponentId.bytes),
                &made) != vst3::kResultOk) {
            return;
        }
        mComponent = static_cast<vst3::Component*>(made);
        mComponent->initialize(&mContext);
        vst3::Id controllerId{};
        if (mComponent->getControllerClassId(controllerId) == vst3::kResultTrue) {
            void* controller = nullptr;
            module.Factory()->createInstance(
                reinterpret_cast<const char*>(controllerId),
                reinterpret_cast<const char*>(vst3::kEditControllerId.bytes), &controller);
            mController = static_cast<vst3::EditController*>(controller);
            if (mController != nullptr) mController->initialize(&mContext);
            mSeparate = true;
        } else {
            mController = Query<vst3::EditController>(mComponent, vst3::kEditControllerId);
        }
        mProcessor = Query<vst3::AudioProcessor>(mComponent, vst3::kAudioProcessorId);
        if (mController == nullptr || mProcessor == nullptr) return;
        mController->setComponentHandler(&mHandler);
        vst3::SpeakerArrangement arrangement =
            channels == 1 ? vst3::kSpeakerArrangementMono : vst3::kSpeakerArrangementStereo;
        vst3::SpeakerArrangement outArrangement = arrangement;
        mArranged =
            mProcessor->setBusArrangements(&arrangement, 1, &outArrangement, 1) == vst3::kResultOk;
        mComponent->activateBus(vst3::kAudio, vst3::kInput, 0, 1);
        mComponent->activateBus(vst3::kAudio, vst3::kOutput, 0, 1);
        vst3::ProcessSetup setup{vst3::kOffline, vst3::kSample32, maxBlock, rate};
        mSetUp = mProcessor->setupProcessing(setup) == vst3::kResultOk;
        mChanges.Clear();
    }
    ~Instance() {
        if (mComponent == nullptr) return;
        if (mActive) {
            mProcessor->setProcessing(0);
            mComponent->setActive(0);
        }
        if (mController != nullptr) mController->setComponentHandler(nullptr);
        if (mSeparate && mController != nullptr) {
            mController->terminate();
            mController->release();
        } else if (mController != nullptr) {
            mController->release();
        }
        if (mProcessor != nullptr) mProcessor->release();
        mComponent->terminate();
        mComponent->release();
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool Valid() const {
        return mComponent != nullptr && mController != nullptr && mProcessor != nullptr && mSetUp;
    }
    bool Arranged() const { return mArranged; }
    bool Separate() const { return mSeparate; }
    vst3::Component* Component() { return mComponent; }
    vst3::AudioProcessor* Processor() { return mProcessor; }
    vst3::EditController* Controller() { return mController; }
    RecordingHandler& Handler() { return mHandler; }
    Changes& PendingChanges() { return mChanges; }

    void Activate() {
        mComponent->setActive(1);
        mProcessor->setProcessing(1);
        mActive = true;
    }

    // Sets a value as a host's generic editor does: on the controller and,
    // through the next block's changes, on the processor at offset 0.
    void SetFromHost(vst3::ParamId id, double normalized) {
        mController->setParamNormalized(id, normalized);
        mChanges.Add(id, 0, normalized);
    }

    std::vector<uint8_t> ComponentState() {
        MemoryStream stream;
        mComponent->getState(&stream);
        return stream.Bytes();
    }
    std::vector<uint8_t> ControllerState() {
        MemoryStream stream;
        mController->getState(&stream);
        return stream.Bytes();
    }
    // The host's restore: the component, then the controller from the same bytes.
    vst3::Result Restore(const std::vector<uint8_t>& component,
                         const std::vector<uint8_t>& controller) {
        MemoryStream first(component);
        const vst3::Result result = mComponent->setState(&first);
        MemoryStream second(component);
        mController->setComponentState(&second);
        MemoryStream third(controller);
        mController->setState(&third);
        return result;
    }

    // Processes one block; input and output may be the same buffers.
    vst3::Result ProcessBlock(float** inputs, float** outputs, int frames) {
        vst3::AudioBusBuffers in{};
        in.numChannels = mChannels;
        in.channelBuffers32 = inputs;
        vst3::AudioBusBuffers out{};
        out.numChannels = mChannels;
        out.channelBuffers32 = outputs;
        vst3::ProcessData data{};
        data.processMode = vst3::kOffline;
        data.symbolicSampleSize = vst3::kSample32;
        data.numSamples = frames;
        data.numInputs = 1;
        data.numOutputs = 1;
        data.inputs = &in;
        data.outputs = &out;
        data.inputParameterChanges = &mChanges;
        const vst3::Result result = mProcessor->process(data);
        mChanges.Clear();
        return result;
    }

    // Renders input in blocks of block frames (a change cuts nothing: it goes
    // into its block at its offset), in place or into separate buffers.
    Channels Render(const Channels& input, int block, bool inPlace,
                    const std::vector<TimedChange>& changes = {}) {
        const auto frames = static_cast<int64_t>(input[0].size());
        Channels output(input.size(), std::vector<float>(input[0].size()));
        Channels scratch = input;
        std::vector<float*> in(input.size());
        std::vector<float*> out(input.size());
        std::size_t next = 0;
        for (int64_t at = 0; at < frames; at += block) {
            const int count = static_cast<int>(std::min<int64_t>(block, frames - at));
            for (; next < changes.size() && changes[next].frame < at + count; ++next) {
                mChanges.Add(changes[next].id, static_cast<int32_t>(changes[next].frame - at),
                             changes[next].normalized);
            }
            for (std::size_t c = 0; c < input.size(); ++c) {
                if (inPlace) {
                    std::copy_n(input[c].begin() + at, count, output[c].begin() + at);
                    in[c] = out[c] = output[c].data() + at;
                } else {
                    in[c] = scratch[c].data() + at;
                    out[c] = output[c].data() + at;
                }
            }
            ProcessBlock(in.data(), out.data(), count);
        }
        return output;
    }

private:
    int mChannels;
    HostContext mContext;
    RecordingHandler mHandler;
    Changes mChanges;
    vst3::Component* mComponent = nullptr;
    vst3::AudioProcessor* mProcessor = nullptr;
    vst3::EditController* mController = nullptr;
    bool mSeparate = false;
    bool mArranged = false;
    bool mSetUp = false;
    bool mActive = false;
};

// A text as UTF-16 and back, for the string calls.
inline std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}
inline std::string Narrow(const char16_t* text) {
    std::string out;
    for (int i = 0; i < 128 && text[i] != 0; ++i) out += static_cast<char>(text[i]);
    return out;
}

// Two channels of a signal that exercises the strip: a swept sine with
// steps of level, different per channel.
inline Channels TestSignal(int channels, int frames) {
    Channels signal(static_cast<std::size_t>(channels),
                    std::vector<float>(static_cast<std::size_t>(frames)));
    for (int c = 0; c < channels; ++c) {
        double phase = 0.0;
        for (int i = 0; i < frames; ++i) {
            const double hz = 60.0 + 6000.0 * i / frames + 37.0 * c;
            phase += 2.0 * M_PI * hz / 48000.0;
            const double level = (i / 4000) % 2 == 0 ? 0.5 : 0.05;
            signal[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                static_cast<float>(level * std::sin(phase));
        }
    }
    return signal;
}

}  // namespace vst3_test
