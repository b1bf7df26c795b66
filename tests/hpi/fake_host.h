#pragma once
// A small fake HPI host for the module tests: a library object (services, run
// loop, object factory), a collection that writes every description call into
// one log, an instance object (controller, automation delegate, transport),
// MIDI and transport nodes, and a render context with its buffers.
//
// Host objects count references instead of deleting themselves; the test
// owns them.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_host_logs.h"
#include "fake_host_object.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_render.h"
#include "hpi/sdk/hpi_result.h"

namespace fake_host {

using test_support::HostObject;

// Every description call, in order, as one text line each.
struct DescriptionLog {
    std::vector<std::string> lines;
    // A call whose line starts with this text answers failResult.
    std::string failPrefix;
    HPI_Result failResult = HPI_SUCCESS;

    HPI_Result Add(const std::string& line) {
        lines.push_back(line);
        return !failPrefix.empty() && line.rfind(failPrefix, 0) == 0 ? failResult : HPI_SUCCESS;
    }
};

inline std::string Code(uint32_t code) {
    return HPI_FourCharCodeText(code).mText;
}

class FakePropertyMap : public HostObject<HPI_IPropertyMap> {
public:
    FakePropertyMap(DescriptionLog& log, std::string prefix)
        : mLog(log), mPrefix(std::move(prefix)) {}
    HPI_Result AddProperty(uint32_t property, int32_t value) override {
        char text[64];
        std::snprintf(text, sizeof text, "property %u = 0x%08X", property,
                      static_cast<uint32_t>(value));
        return mLog.Add(mPrefix + text);
    }

private:
    DescriptionLog& mLog;
    std::string mPrefix;
};

class FakeComponent : public HostObject<HPI_IComponentDescriptor> {
public:
    FakeComponent(DescriptionLog& log, std::string prefix)
        : mLog(log), mPrefix(std::move(prefix)) {}

    HPI_Result AddPrivateData(int32_t field, int32_t size, uint32_t options) override {
        return Log("field %d private %d options %u", field, size, options);
    }
    HPI_Result AddMIDINode(int32_t field, int32_t type, const char* name, uint32_t mask) override {
        return mLog.Add(mPrefix + "field " + std::to_string(field) + " midi type " +
                        std::to_string(type) + " \"" + name + "\" mask " + std::to_string(mask));
    }
    HPI_Result AddAudioIn(int32_t field) override { return Log("field %d audio in", field); }
    HPI_Result AddAudioOut(int32_t field) override { return Log("field %d audio out", field); }
    HPI_Result AddAudioBufferLength(int32_t field) override {
        return Log("field %d buffer length", field);
    }
    HPI_Result AddSampleLocation(int32_t field) override {
        return Log("field %d sample location", field);
    }
    HPI_Result AddMeters(int32_t field, const uint32_t*, uint32_t count) override {
        return Log("field %d meters %u", field, count);
    }
    HPI_Result AddSideChainIn(int32_t field) override { return Log("field %d side chain", field); }
    HPI_Result AddAuxOutputStem(int32_t field, int32_t stem, const char* name) override {
        return mLog.Add(mPrefix + "aux " + std::to_string(field) + " " + std::to_string(stem) +
                        " " + name);
    }
    HPI_Result AddDataInPort(int32_t field, uint32_t size, int32_t type) override {
        return Log("field %d data port %d type %d", field, static_cast<int>(size), type);
    }
    HPI_Result NewPropertyMap(HPI_IPropertyMap** out) override {
        maps.push_back(std::make_unique<FakePropertyMap>(mLog, mPrefix));
        maps.back()->AddRef();
        *out = maps.back().get();
        return mLog.Add(mPrefix + "new property map");
    }
    HPI_Result AddProcessProc(HPI_IPropertyMap* properties, HPI_RenderProc proc) override {
        render = proc;
        return mLog.Add(mPrefix +
                        (properties != nullptr ? "process proc with properties" : "process proc"));
    }

    HPI_RenderProc render = nullptr;
    std::vector<std::unique_ptr<FakePropertyMap>> maps;

private:
    template <typename... A>
    HPI_Result Log(const char* format, A... arguments) {
        char text[96];
        std::snprintf(text, sizeof text, format, arguments...);
        return mLog.Add(mPrefix + text);
    }
    DescriptionLog& mLog;
    std::string mPrefix;
};

class FakeEffect : public HostObject<HPI_IEffectDescriptor> {
public:
    explicit FakeEffect(DescriptionLog& log) : mLog(log) {}

    HPI_Result NewComponentDescriptor(HPI_IComponentDescriptor** out) override {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "c%zu: ", components.size());
        components.push_back(std::make_unique<FakeComponent>(mLog, prefix));
        components.back()->AddRef();
        *out = components.back().get();
        return mLog.Add("effect: new component");
    }
    HPI_Result AddComponent(HPI_IComponentDescriptor* component) override {
        for (std::size_t i = 0; i < components.size(); ++i) {
            if (components[i].get() == component) {
                return mLog.Add("effect: add component " + std::to_string(i));
            }
        }
        return mLog.Add("effect: add unknown component");
    }
    HPI_Result AddName(const char* name) override {
        return mLog.Add(std::string("effect: name ") + name);
    }
    HPI_Result AddCategory(uint32_t category) override {
        return mLog.Add("effect: category " + std::to_string(category));
    }
    HPI_Result AddFactoryProc(HPI_FactoryProc proc, uint32_t number) override {
        procs[number] = proc;
        return mLog.Add("effect: factory proc " + std::to_string(number));
    }

    std::vector<std::unique_ptr<FakeComponent>> components;
    std::map<uint32_t, HPI_FactoryProc> procs;

private:
    DescriptionLog& mLog;
};

class FakeCollection : public HostObject<HPI_ICollection, HPI_IPluginDefinition> {
public:
    HPI_Result NewEffectDescriptor(HPI_IEffectDescriptor** out) override {
        if (!makesEffects) {
            *out = nullptr;
            return mLog.Add("collection: no effect");
        }
        effects.push_back(std::make_unique<FakeEffect>(mLog));
        effects.back()->AddRef();
        *out = effects.back().get();
        return mLog.Add("collection: new effect");
    }
    HPI_Result AddEffect(const char* id, HPI_IEffectDescriptor*) override {
        return mLog.Add(std::string("collection: add effect ") + id);
    }
    HPI_Result SetManufacturerName(const char* name) override {
        return mLog.Add(std::string("collection: manufacturer ") + name);
    }
    HPI_Result AddPackageName(const char* name) override {
        return mLog.Add(std::string("collection: package ") + name);
    }
    HPI_Result SetPackageVersion(uint32_t version) override {
        char text[64];
        std::snprintf(text, sizeof text, "collection: version 0x%08X", version);
        return mLog.Add(text);
    }

    DescriptionLog& Log() { return mLog; }
    bool makesEffects = true;
    std::vector<std::unique_ptr<FakeEffect>> effects;

private:
    DescriptionLog mLog;
};

using test_support::Assertion;

// The library object of HPIStartup and HPIRegisterPlugin.
class FakeLibrary : public HostObject<HPI_IHostServices, HPI_IRunLoop, HPI_IHostObjectFactory> {
public:
    HPI_Result HandleAssertFailure(const char* file, int32_t line, const char* expression,
                                   int32_t) override {
        assertions.push_back({file, line, expression, 0});
        return HPI_SUCCESS;
    }
    HPI_Result Trace(int32_t priority, const char* message) override {
        traces.push_back({priority, message});
        return HPI_SUCCESS;
    }

    HPI_Result RegisterTimer(uint32_t periodMs, HPI_TimerProc proc, void* context,
                             uint64_t* outToken) override {
        const uint64_t token = mNextToken++;
        timers[token] = Timer{periodMs, proc, context};
        *outToken = token;
        return HPI_SUCCESS;
    }
    HPI_Result UnregisterTimer(uint64_t token) override {
        return timers.erase(token) != 0 ? HPI_SUCCESS : HPI_ERROR_UNKNOWN_ID;
    }
    HPI_Result RegisterFileDescriptor(int32_t fd, uint32_t events, HPI_FileDescriptorProc proc, void* context,
                                      uint64_t* outToken) override {
        const uint64_t token = mNextToken++;
        descriptors[token] = Descriptor{fd, events, proc, context};
        *outToken = token;
        return HPI_SUCCESS;
    }
    HPI_Result UnregisterFileDescriptor(uint64_t token) override {
        return descriptors.erase(token) != 0 ? HPI_SUCCESS : HPI_ERROR_UNKNOWN_ID;
    }
    // Fires every registered timer once, in token order.
    void FireTimers() {
        const auto snapshot = timers;
        for (const auto& [token, timer] : snapshot) {
            if (timers.count(token) != 0) {
                timer.proc(timer.context);
            }
        }
    }

    HPI_Result CreateHostObject(const HPI_IID& iid, void** out) override {
        *out = nullptr;
        if (iid != HPI_ICollection::kInterfaceID) {
            return HPI_ERROR_UNKNOWN_ID;
        }
        collections.push_back(std::make_unique<FakeCollection>());
        collections.back()->AddRef();
        *out = static_cast<HPI_ICollection*>(collections.back().get());
        return HPI_SUCCESS;
    }

    struct TraceLine {
        int32_t priority;
        std::string text;
    };
    struct Timer {
        uint32_t periodMs = 0;
        HPI_TimerProc proc = nullptr;
        void* context = nullptr;
    };
    std::vector<Assertion> assertions;
    std::vector<TraceLine> traces;
    std::map<uint64_t, Timer> timers;
    struct Descriptor {
        int32_t fd = -1;
        uint32_t events = 0;
        HPI_FileDescriptorProc proc = nullptr;
        void* context = nullptr;
    };
    std::map<uint64_t, Descriptor> descriptors;
    std::vector<std::unique_ptr<FakeCollection>> collections;

private:
    uint64_t mNextToken = 1;
};

// The host's side of one instance.
class FakeInstance : public HostObject<HPI_IController, HPI_IAutomationDelegate, HPI_ITransport>,
                     public test_support::AutomationCallLog,
                     public test_support::PacketLog {
public:
    // Controller
    HPI_Result GetSampleRate(float* out) override {
        *out = sampleRate;
        return HPI_SUCCESS;
    }
    HPI_Result GetInputStemFormat(int32_t* out) override {
        *out = inputStem;
        return HPI_SUCCESS;
    }
    HPI_Result GetOutputStemFormat(int32_t* out) override {
        *out = outputStem;
        return HPI_SUCCESS;
    }
    HPI_Result PostPacket(uint32_t field, const void* data, uint32_t size) override {
        Record(field, data, size);
        return HPI_SUCCESS;
    }
    HPI_Result SetSignalLatency(int32_t samples) override {
        latencies.push_back(samples);
        if (onLatency) {
            onLatency(samples);
        }
        return HPI_SUCCESS;
    }

    // Automation delegate: every call is logged; set-value requests are
    // answered at once with an update when `answerRequests` holds a target.
    HPI_Result RegisterParameter(const char* id) override { return Log("register", id); }
    HPI_Result UnregisterParameter(const char* id) override { return Log("unregister", id); }
    HPI_Result PostSetValueRequest(const char* id, double n) override {
        Log("request", id, n);
        if (answerRequests != nullptr) {
            answerRequests->UpdateParameterNormalizedValue(id, n);
        }
        return HPI_SUCCESS;
    }
    HPI_Result PostCurrentValue(const char* id, double n) override { return Log("current", id, n); }
    HPI_Result PostTouchRequest(const char* id) override { return Log("touch", id); }
    HPI_Result PostReleaseRequest(const char* id) override { return Log("release", id); }

    // Transport
    HPI_Result GetCurrentTempo(double* out) override {
        *out = tempo;
        return HPI_SUCCESS;
    }
    HPI_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) override {
        *numerator = meterNumerator;
        *denominator = meterDenominator;
        return HPI_SUCCESS;
    }
    HPI_Result IsTransportPlaying(bool* out) override {
        *out = playing;
        return HPI_SUCCESS;
    }
    HPI_Result GetCurrentTickPosition(int64_t* out) override {
        *out = ticks;
        return HPI_SUCCESS;
    }
    HPI_Result GetCurrentNativeSampleLocation(int64_t* out) override {
        *out = sampleLocation;
        return HPI_SUCCESS;
    }
    HPI_Result GetCurrentLoopPosition(bool* enabled, int64_t* start, int64_t* end) override {
        *enabled = looping;
        *start = loopStartTicks;
        *end = loopEndTicks;
        return HPI_SUCCESS;
    }

    float sampleRate = 44100.0f;
    int32_t inputStem = HPI_eStemFormat_Stereo;
    int32_t outputStem = HPI_eStemFormat_Stereo;
    std::vector<int32_t> latencies;
    std::function<void(int32_t)> onLatency;
    HPI_IEffectParameters* answerRequests = nullptr;
    double tempo = 120.0;
    int32_t meterNumerator = 4;
    int32_t meterDenominator = 4;
    bool playing = false;
    int64_t ticks = 0;
    int64_t sampleLocation = 0;
    bool looping = false;
    int64_t loopStartTicks = 0;
    int64_t loopEndTicks = 0;
};

class FakeMIDINode : public HPI_IMIDINode {
public:
    const HPI_SMIDIStream* GetNodeBuffer() override {
        stream.mBufferSize = static_cast<uint32_t>(incoming.size());
        stream.mBuffer = incoming.data();
        return &stream;
    }
    HPI_Result PostMIDIPacket(const HPI_SMIDIPacket& packet) override {
        posted.push_back(packet);
        return HPI_SUCCESS;
    }

    std::vector<HPI_SMIDIPacket> incoming;
    std::vector<HPI_SMIDIPacket> posted;
    HPI_SMIDIStream stream{};
};

class FakeTransportNode : public HPI_ITransportNode {
public:
    explicit FakeTransportNode(HPI_ITransport* transport) : mTransport(transport) {}
    HPI_ITransport* GetTransport() override { return mTransport; }

private:
    HPI_ITransport* mTransport;
};

// One render context with host-owned buffers of `frames` samples per channel,
// filled with a ramp on the inputs and a sentinel on the outputs.
class RenderContext {
public:
    static constexpr float kSentinel = 12345.0f;

    RenderContext(int channels, int frames, HPI_ITransport* transport)
        : mTransportNode(transport), mFrames(frames) {
        SetChannels(channels, frames);
        std::memset(&context, 0, sizeof context);
        context.mInputs = inputPointers.data();
        context.mOutputs = outputPointers.data();
        context.mNumSamples = &mFrames;
        context.mSampleLocation = &mSampleLocation;
        context.mTransportNode = &mTransportNode;
        context.mInputNode = &inputNode;
        context.mOutputNode = &outputNode;
        context.mPrivateData = &privateData;
        context.mStateNumber = &stateNumber;
    }

    void SetChannels(int channels, int frames) {
        inputs.assign(static_cast<std::size_t>(channels),
                      std::vector<float>(static_cast<std::size_t>(frames)));
        outputs.assign(static_cast<std::size_t>(channels),
                       std::vector<float>(static_cast<std::size_t>(frames), kSentinel));
        inputPointers.clear();
        outputPointers.clear();
        for (int c = 0; c < channels; ++c) {
            for (int i = 0; i < frames; ++i) {
                inputs[c][i] =
                    0.001f * static_cast<float>((i % 200) - 100) * (c == 0 ? 1.0f : -0.5f);
            }
            inputPointers.push_back(inputs[c].data());
            outputPointers.push_back(outputs[c].data());
        }
        context.mInputs = inputPointers.data();
        context.mOutputs = outputPointers.data();
        mFrames = frames;
    }
    void SetFrames(int frames) { mFrames = frames; }
    void FillOutputs(float value) {
        for (auto& channel : outputs) {
            std::fill(channel.begin(), channel.end(), value);
        }
    }
    bool OutputsUntouched() const {
        for (const auto& channel : outputs) {
            for (float sample : channel) {
                if (sample != kSentinel) {
                    return false;
                }
            }
        }
        return true;
    }
    // Runs render over this one context.
    void Render(HPI_RenderProc render) {
        HPI_SRenderContext* contexts[1] = {&context};
        render(contexts, contexts + 1);
    }

    HPI_SRenderContext context;
    HPI_SPluginPrivateData privateData{nullptr};
    int64_t stateNumber = 0;
    FakeMIDINode inputNode;
    FakeMIDINode outputNode;
    std::vector<std::vector<float>> inputs;
    std::vector<std::vector<float>> outputs;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;

private:
    FakeTransportNode mTransportNode;
    int32_t mFrames;
    int64_t mSampleLocation = 0;
};

}  // namespace fake_host
