#include "clap/clap_plugin_table.h"

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "core/host_guard.h"

namespace {

ClapAdapter* AdapterOf(const ClapPlugin* plugin) {
    return static_cast<ClapAdapter*>(plugin->pluginData);
}

// ---- plug-in callbacks ---------------------------------------------------------------

bool Init(const ClapPlugin* plugin) {
    return GuardHostCall(false, [&] { return AdapterOf(plugin)->Init(); });
}

void Destroy(const ClapPlugin* plugin) {
    GuardHostCall([&] { delete AdapterOf(plugin); });
}

bool Activate(const ClapPlugin* plugin, double sampleRate, uint32_t minFrames, uint32_t maxFrames) {
    return GuardHostCall(
        false, [&] { return AdapterOf(plugin)->Activate(sampleRate, minFrames, maxFrames); });
}

void Deactivate(const ClapPlugin* plugin) {
    GuardHostCall([&] { AdapterOf(plugin)->Deactivate(); });
}

bool StartProcessing(const ClapPlugin* plugin) {
    return GuardHostCall(false, [&] { return AdapterOf(plugin)->StartProcessing(); });
}

void StopProcessing(const ClapPlugin* plugin) {
    GuardHostCall([&] { AdapterOf(plugin)->StopProcessing(); });
}

void Reset(const ClapPlugin* plugin) {
    GuardHostCall([&] { AdapterOf(plugin)->Reset(); });
}

int32_t Process(const ClapPlugin* plugin, const ClapProcess* process) {
    if (process == nullptr) return kClapProcessError;
    return GuardHostCall(static_cast<int32_t>(kClapProcessError),
                         [&] { return AdapterOf(plugin)->Process(*process); });
}

void OnMainThread(const ClapPlugin* plugin) {
    GuardHostCall([&] { AdapterOf(plugin)->OnMainThread(); });
}

// ---- extensions ------------------------------------------------------------------------

uint32_t AudioPortCount(const ClapPlugin* plugin, bool isInput) {
    return GuardHostCall(0u, [&] { return AdapterOf(plugin)->AudioPortCount(isInput); });
}

bool AudioPortGet(const ClapPlugin* plugin, uint32_t index, bool isInput, ClapAudioPortInfo* info) {
    if (info == nullptr) return false;
    return GuardHostCall(false,
                         [&] { return AdapterOf(plugin)->AudioPortInfo(index, isInput, *info); });
}

const ClapPluginAudioPorts kAudioPorts = {AudioPortCount, AudioPortGet};

uint32_t ParamCount(const ClapPlugin* plugin) {
    return GuardHostCall(0u, [&] { return AdapterOf(plugin)->ParamCount(); });
}

bool ParamGetInfo(const ClapPlugin* plugin, uint32_t index, ClapParamInfo* info) {
    if (info == nullptr) return false;
    return GuardHostCall(false, [&] { return AdapterOf(plugin)->ParamInfo(index, *info); });
}

bool ParamGetValue(const ClapPlugin* plugin, ClapId id, double* value) {
    if (value == nullptr) return false;
    return GuardHostCall(false, [&] { return AdapterOf(plugin)->ParamValue(id, *value); });
}

bool ParamValueToText(const ClapPlugin* plugin, ClapId id, double value, char* text,
                      uint32_t capacity) {
    return GuardHostCall(
        false, [&] { return AdapterOf(plugin)->ParamValueToText(id, value, text, capacity); });
}

bool ParamTextToValue(const ClapPlugin* plugin, ClapId id, const char* text, double* value) {
    if (value == nullptr) return false;
    return GuardHostCall(false,
                         [&] { return AdapterOf(plugin)->ParamTextToValue(id, text, *value); });
}

void ParamFlush(const ClapPlugin* plugin, const ClapInputEvents* in, const ClapOutputEvents* out) {
    GuardHostCall([&] { AdapterOf(plugin)->Flush(in, out); });
}

const ClapPluginParams kParams = {ParamCount,       ParamGetInfo,     ParamGetValue,
                                  ParamValueToText, ParamTextToValue, ParamFlush};

bool StateSave(const ClapPlugin* plugin, const ClapOutputStream* stream) {
    if (stream == nullptr) return false;
    return GuardHostCall(false, [&] { return AdapterOf(plugin)->SaveClapState(*stream); });
}

bool StateLoad(const ClapPlugin* plugin, const ClapInputStream* stream) {
    if (stream == nullptr) return false;
    return GuardHostCall(false, [&] { return AdapterOf(plugin)->LoadClapState(*stream); });
}

const ClapPluginState kState = {StateSave, StateLoad};

uint32_t LatencyGet(const ClapPlugin* plugin) {
    return GuardHostCall(0u, [&] { return AdapterOf(plugin)->LatencySamples(); });
}

const ClapPluginLatency kLatency = {LatencyGet};

bool HasHardRealtimeRequirement(const ClapPlugin*) {
    return false;
}

bool RenderSet(const ClapPlugin* plugin, int32_t mode) {
    return GuardHostCall(false, [&] { return AdapterOf(plugin)->SetRenderMode(mode); });
}

const ClapPluginRender kRender = {HasHardRealtimeRequirement, RenderSet};

bool PresetFromLocation(const ClapPlugin* plugin, uint32_t locationKind, const char* location,
                        const char* loadKey) {
    return GuardHostCall(
        false, [&] { return AdapterOf(plugin)->LoadPreset(locationKind, location, loadKey); });
}

const ClapPluginPresetLoad kPresetLoad = {PresetFromLocation};

const void* GetExtension(const ClapPlugin*, const char* id) {
    if (id == nullptr) return nullptr;
    const auto is = [id](const char* name) { return std::strcmp(id, name) == 0; };
    if (is(kClapExtAudioPorts)) return &kAudioPorts;
    if (is(kClapExtParams)) return &kParams;
    if (is(kClapExtState)) return &kState;
    if (is(kClapExtLatency)) return &kLatency;
    if (is(kClapExtRender)) return &kRender;
    if (is(kClapExtPresetLoad) || is(kClapExtPresetLoadCompat)) return &kPresetLoad;
    return nullptr;
}

// ---- factory callbacks --------------------------------------------------------------------

template <typename Object>
const ClapPluginTable& TableOf(const ClapPluginFactory* factory) {
    return *reinterpret_cast<const Object*>(factory)->table;
}

}  // namespace

ClapPluginTable::ClapPluginTable(ClapProductDescription product, ClapPlugFactory factory)
    : mProduct(std::move(product)), mPlugFactory(factory) {
    static_assert(std::is_standard_layout_v<FactoryObject>,
                  "the factory must sit at the object's address");
    mVariants = ClapPluginVariants(mProduct);
    mVersionText = ClapVersionText(mProduct.version);
    mFeatureTexts.resize(mVariants.size());
    mFeatureLists.resize(mVariants.size());
    for (std::size_t i = 0; i < mVariants.size(); ++i) {
        mFeatureTexts[i] = mProduct.features;
        if (!mVariants[i].channelFeature.empty()) {
            mFeatureTexts[i].push_back(mVariants[i].channelFeature);
        }
        for (const std::string& feature : mFeatureTexts[i]) {
            mFeatureLists[i].push_back(feature.c_str());
        }
        mFeatureLists[i].push_back(nullptr);
    }
    for (std::size_t i = 0; i < mVariants.size(); ++i) {
        ClapPluginDescriptor descriptor{};
        descriptor.clapVersion = kClapVersion;
        descriptor.id = mVariants[i].id.c_str();
        descriptor.name = mVariants[i].name.c_str();
        descriptor.vendor = mProduct.vendor.c_str();
        descriptor.url = mProduct.url.c_str();
        descriptor.manualUrl = "";
        descriptor.supportUrl = "";
        descriptor.version = mVersionText.c_str();
        descriptor.description = mProduct.description.c_str();
        descriptor.features = mFeatureLists[i].data();
        mDescriptors.push_back(descriptor);
    }
    mFactoryObject.table = this;
    mFactoryObject.factory.getPluginCount = [](const ClapPluginFactory* self) {
        return TableOf<FactoryObject>(self).Count();
    };
    mFactoryObject.factory.getPluginDescriptor = [](const ClapPluginFactory* self, uint32_t index) {
        return TableOf<FactoryObject>(self).Descriptor(index);
    };
    mFactoryObject.factory.createPlugin = [](const ClapPluginFactory* self, const ClapHost* host,
                                             const char* pluginId) {
        return TableOf<FactoryObject>(self).Create(host, pluginId);
    };
}

const ClapPluginDescriptor* ClapPluginTable::Descriptor(uint32_t index) const {
    return index < mDescriptors.size() ? &mDescriptors[index] : nullptr;
}

const ClapPlugin* ClapPluginTable::Create(const ClapHost* host, const char* pluginId) const {
    if (host == nullptr || pluginId == nullptr || mPlugFactory == nullptr) return nullptr;
    for (std::size_t i = 0; i < mVariants.size(); ++i) {
        if (mVariants[i].id != pluginId) continue;
        ClapInstanceInfo info;
        info.host = host;
        info.audioInputs = mVariants[i].audioInputs;
        info.audioOutputs = mVariants[i].audioOutputs;
        info.presets = &mProduct.presets;
        return GuardHostCall<const ClapPlugin*>(nullptr, [&]() -> const ClapPlugin* {
            std::unique_ptr<ClapAdapter> plug(mPlugFactory(info));
            if (plug == nullptr || !plug->Usable()) return nullptr;
            ClapPlugin& object = plug->PluginObject();
            object.desc = &mDescriptors[i];
            object.init = Init;
            object.destroy = Destroy;
            object.activate = Activate;
            object.deactivate = Deactivate;
            object.startProcessing = StartProcessing;
            object.stopProcessing = StopProcessing;
            object.reset = Reset;
            object.process = Process;
            object.getExtension = GetExtension;
            object.onMainThread = OnMainThread;
            return &plug.release()->PluginObject();
        });
    }
    return nullptr;
}
