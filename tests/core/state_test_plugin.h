#pragma once
// A small plug-in for state, preset and file tests: three parameters with
// hand-checkable doubles and normalised floats, two preset slots, and counters
// for the hooks the state code drives. Shared by the core tests and the state
// fuzzer.
//
//   0 "Gain"  double 0..1, step 0.001, default 0.5   (norm 0.5)
//   1 "Mode"  int 0..4, default 1                     (norm 0.25)
//   2 "On"    bool, default true                      (norm 1.0)
#include <vector>

#include "core/byte_chunk.h"
#include "core/param.h"
#include "core/param_table.h"
#include "core/plugin_base.h"
#include "core/plugin_config.h"

namespace state_test {

inline constexpr int kParamCount = 3;
inline constexpr int kPresetCount = 2;
// Packed 1.2.3, written into files as 10203.
inline constexpr int32_t kVersion = 0x00010203;

inline PluginConfig TestConfig(bool stateChunks) {
    PluginConfig config;
    config.parameterCount = kParamCount;
    config.presetCount = kPresetCount;
    config.pluginName = "StateTest";
    config.productName = "StateTest";
    config.manufacturerName = "Tester";
    config.pluginVersion = kVersion;
    config.uniqueID = FourCharCode("Tst1");
    config.manufacturerID = FourCharCode("Tstm");
    config.stateChunks = stateChunks;
    return config;
}

class TestPlugin : public PluginBase {
public:
    explicit TestPlugin(bool stateChunks = false) : PluginBase(TestConfig(stateChunks)) {
        GetParam(0)->DefineNumber("Gain", 0.5, 0.0, 1.0, 0.001);
        GetParam(1)->DefineInt("Mode", 1, 0, 4);
        GetParam(2)->DefineBool("On", true);
    }

    void BeginUIParamGesture(int /*paramIdx*/) override {}
    void EndUIParamGesture(int /*paramIdx*/) override {}

    using PluginBase::OnParamChange;
    void OnParamChange(int paramIdx, ParamSource source, int sampleOffset) override {
        changes.push_back({paramIdx, source, sampleOffset});
        PluginBase::OnParamChange(paramIdx, source, sampleOffset);
    }
    void OnParamChangeInEditor(int /*paramIdx*/, ParamSource source) override {
        if (source == ParamSource::EditorDelegate) ++editorUpdates;
    }
    void OnPresetRestored() override { ++presetsRestored; }
    void OnPresetFileLoaded() override { ++filesLoaded; }

    std::vector<double> Values() const {
        std::vector<double> values;
        for (int i = 0; i < NParams(); ++i) values.push_back(GetParam(i)->GetValue());
        return values;
    }
    void SetValues(const std::vector<double>& values) {
        for (int i = 0; i < NParams() && i < static_cast<int>(values.size()); ++i) {
            GetParam(i)->SetValue(values[static_cast<std::size_t>(i)]);
        }
    }
    void ResetCounters() {
        changes.clear();
        editorUpdates = 0;
        presetsRestored = 0;
        filesLoaded = 0;
    }

    struct Change {
        int index;
        ParamSource source;
        int sampleOffset;
    };
    std::vector<Change> changes;
    int editorUpdates = 0;
    int presetsRestored = 0;
    int filesLoaded = 0;
};

// The product's way of storing state: editor size and scale, then the values.
class EditorStatePlugin : public TestPlugin {
public:
    EditorStatePlugin() = default;
    bool SaveState(ByteChunk& chunk) const override {
        SaveEditorState(chunk);
        SerializeParams(chunk);
        return true;
    }
    int LoadState(const ByteChunk& chunk, int startPos) override {
        return UnserializeParams(chunk, LoadEditorState(chunk, startPos));
    }
};

}  // namespace state_test
