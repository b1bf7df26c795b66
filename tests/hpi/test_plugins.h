#pragma once
// Plug-in objects for the module tests: an owning reference for the
// reference-counted plug-in objects, and a small adapter-based plug-in with
// one parameter of every kind that counts the hooks it sees.
#include <utility>
#include <vector>

#include "core/byte_chunk.h"
#include "core/midi_message.h"
#include "core/plugin_config.h"
#include "fake_host.h"
#include "hpi/hpi_adapter.h"

namespace test_plugins {

// Owns one reference of a plug-in object; uninitialises and releases it.
template <typename T>
class PlugRef {
public:
    explicit PlugRef(T* plug) : mPlug(plug) {}
    PlugRef(const PlugRef&) = delete;
    PlugRef& operator=(const PlugRef&) = delete;
    ~PlugRef() {
        if (mPlug != nullptr) {
            mPlug->Uninitialize();
            mPlug->Release();
        }
    }
    T* operator->() const { return mPlug; }
    T& operator*() const { return *mPlug; }
    T* get() const { return mPlug; }

private:
    T* mPlug;
};

enum TestParam {
    kMode = 0,    // enum 0..2, texts only for 0 and 1
    kPower,       // bool
    kGain,        // double -12..12 dB
    kSteps,       // int 0..10
    kNamed,       // double whose name holds shorter variants
    kNumTestParams
};

struct TestFlags {
    bool receivesMidi = false;
    bool sendsMidi = false;
    int latency = 0;
};

inline PluginConfig TestConfig(const TestFlags& flags) {
    PluginConfig config;
    config.parameterCount = kNumTestParams;
    config.presetCount = 1;
    config.channelIOString = "1-1 2-2";
    config.pluginName = "Test Plug";
    config.productName = "Test Plug";
    config.manufacturerName = "Tests";
    config.pluginVersion = 0x00010000;
    config.uniqueID = FourCharCode("Tst1");
    config.manufacturerID = FourCharCode("Tsts");
    config.latency = flags.latency;
    config.receivesMidi = flags.receivesMidi;
    config.sendsMidi = flags.sendsMidi;
    config.hasEditor = true;
    return config;
}

class TestPlug : public HPIAdapter {
public:
    using HPIAdapter::OnParamChange;

    explicit TestPlug(const TestFlags& flags = {}) : HPIAdapter(TestConfig(flags), HPIInstanceInfo{}) {
        // Only two texts for three values: value 2 has none.
        GetParam(kMode)->DefineEnum("Mode", 1, 3, "", 0, "", {"A", "B"});
        GetParam(kPower)->DefineBool("Power", true);
        GetParam(kGain)->DefineGain("Gain", 0.0, -12.0, 12.0, 0.1);
        GetParam(kSteps)->DefineInt("Steps", 3, 0, 10, "st");
        GetParam(kNamed)->DefineNumber("Preamp Gain\nGain\nPre", 0.5, 0.0, 1.0, 0.01);
    }

    // The product's layout: the editor state in front of the values.
    bool SaveState(ByteChunk& chunk) const override {
        SaveEditorState(chunk);
        return SerializeParams(chunk);
    }
    int LoadState(const ByteChunk& chunk, int startPos) override {
        return UnserializeParams(chunk, LoadEditorState(chunk, startPos));
    }
    void OnParamChange(int paramIdx, ParamSource source, int sampleOffset) override {
        paramChanges.push_back({paramIdx, source, sampleOffset});
        HPIAdapter::OnParamChange(paramIdx, source, sampleOffset);
    }
    void ResetProcessing() override { ++resets; }
    void ProcessMidi(const MidiMessage& message) override {
        midiProcessed.push_back(message);
        HPIAdapter::ProcessMidi(message);
    }
    void ProcessAudioBlock(double** inputs, double** outputs, int frames) override {
        ++blocksProcessed;
        HPIAdapter::ProcessAudioBlock(inputs, outputs, frames);
    }
    void OnIdle() override { ++idleTicks; }
    void NotifyEditorStateRestored() override {
        ++editorStateRestored;
        HPIAdapter::NotifyEditorStateRestored();
    }

    struct Change {
        int paramIdx;
        ParamSource source;
        int sampleOffset;
    };
    std::vector<Change> paramChanges;
    std::vector<MidiMessage> midiProcessed;
    int resets = 0;
    int blocksProcessed = 0;
    int idleTicks = 0;
    int editorStateRestored = 0;

private:
    ~TestPlug() override = default;
};

// A TestPlug initialised with a fake instance whose automation delegate
// answers every set-value request at once (as a host does).
struct InitialisedTestPlug {
    explicit InitialisedTestPlug(const TestFlags& flags = {}, bool answerRequests = true) : plug(new TestPlug(flags)) {
        if (answerRequests) {
            instance.answerRequests = plug.get();
        }
        plug->Initialize(static_cast<HPI_IController*>(&instance));
        instance.calls.clear();
    }
    fake_host::FakeInstance instance;
    PlugRef<TestPlug> plug;
};

}  // namespace test_plugins
