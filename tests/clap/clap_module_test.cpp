// Tarnwhistle.clap as a CLAP host finds it: one export, two plug-ins with
// their descriptors and ports, the eleven parameters with their flags and
// texts, the factory presets through the preset-discovery factory; and the
// editor's gestures reaching the host as output events.
#include <gtest/gtest.h>

#include "module_exports.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "clap/clap_adapter.h"
#include "clap_test_host.h"
#include "product/channel_parameters.h"

// The module's own objects are linked in too, for the editor's side.
extern "C" const ClapPluginEntry clap_entry;

namespace {

using clap_test::Instance;
using clap_test::Module;
using clap_test::OutputEvent;

constexpr char kStereo[] = "com.quernstoneworks.tarnwhistle.stereo";
constexpr char kMono[] = "com.quernstoneworks.tarnwhistle.mono";

TEST(ClapModule, NmListsClapEntryAlone) {
    if (std::system("command -v nm > /dev/null 2>&1") != 0) GTEST_SKIP() << "nm is not installed";
    const auto defined = testsupport::DefinedDynamicSymbols(TW_CLAP_MODULE);
    ASSERT_TRUE(defined.has_value()) << "nm could not list " << TW_CLAP_MODULE;
    EXPECT_EQ(*defined, std::set<std::string>{"clap_entry"});
}

std::vector<std::string> Features(const ClapPluginDescriptor& descriptor) {
    std::vector<std::string> features;
    for (const char* const* f = descriptor.features; *f != nullptr; ++f) features.push_back(*f);
    return features;
}

TEST(ClapModule, TheFactoryOffersMonoAndStereoWithTheirPorts) {
    struct PluginCase {
        const char* id;
        const char* name;
        const char* channelFeature;
        uint32_t channels;
        const char* portType;
    };
    const PluginCase kPlugins[] = {{kMono, "Tarnwhistle Mono", "mono", 1, "mono"},
                                   {kStereo, "Tarnwhistle Stereo", "stereo", 2, "stereo"}};
    const Module module(TW_CLAP_MODULE);
    ASSERT_NE(module.Entry(), nullptr);
    EXPECT_EQ(module.Entry()->clapVersion.major, 1u);
    EXPECT_EQ(module.Entry()->getFactory("clap.no-such-factory"), nullptr);
    const ClapPluginFactory* factory = module.PluginFactory();
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->getPluginCount(factory), 2u);
    EXPECT_EQ(factory->getPluginDescriptor(factory, 2), nullptr);
    for (uint32_t i = 0; i < 2; ++i) {
        const PluginCase& c = kPlugins[i];
        SCOPED_TRACE(c.id);
        const ClapPluginDescriptor* descriptor = factory->getPluginDescriptor(factory, i);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->id, c.id);
        EXPECT_STREQ(descriptor->name, c.name);
        EXPECT_STREQ(descriptor->vendor, "Quernstone Works");
        EXPECT_STREQ(descriptor->version, "7.0.0");
        EXPECT_EQ(Features(*descriptor),
                  (std::vector<std::string>{"audio-effect", "equalizer", c.channelFeature}));

        Instance instance(module, c.id);
        ASSERT_TRUE(instance.Valid());
        const auto* ports = instance.Ext<ClapPluginAudioPorts>(kClapExtAudioPorts);
        ASSERT_NE(ports, nullptr);
        for (bool isInput : {true, false}) {
            ASSERT_EQ(ports->count(instance.Plugin(), isInput), 1u);
            ClapAudioPortInfo info{};
            ASSERT_TRUE(ports->get(instance.Plugin(), 0, isInput, &info));
            EXPECT_EQ(info.channelCount, c.channels);
            EXPECT_STREQ(info.portType, c.portType);
            EXPECT_EQ(info.flags, kClapAudioPortIsMain);
            EXPECT_EQ(info.inPlacePair, 0u);
            EXPECT_FALSE(ports->get(instance.Plugin(), 1, isInput, &info));
        }
    }
    clap_test::TestHost host;
    EXPECT_EQ(factory->createPlugin(factory, host.Host(), "com.quernstoneworks.tarnwhistle"),
              nullptr);
    EXPECT_EQ(factory->createPlugin(factory, nullptr, kStereo), nullptr);
}

TEST(ClapModule, TakesBothRenderModesAndNoOther) {
    const Module module(TW_CLAP_MODULE);
    Instance instance(module, kStereo);
    const auto* render = instance.Ext<ClapPluginRender>(kClapExtRender);
    ASSERT_NE(render, nullptr);
    EXPECT_FALSE(render->hasHardRealtimeRequirement(instance.Plugin()));
    EXPECT_TRUE(render->set(instance.Plugin(), kClapRenderOffline));
    EXPECT_TRUE(render->set(instance.Plugin(), kClapRenderRealtime));
    EXPECT_FALSE(render->set(instance.Plugin(), 2));
}

struct ParamCase {
    const char* name;
    double min, max, defaultValue;
    uint32_t flags;
};

constexpr uint32_t kAutomatable = kClapParamIsAutomatable;
constexpr uint32_t kStepped = kClapParamIsAutomatable | kClapParamIsStepped;
constexpr uint32_t kEnum = kStepped | kClapParamIsEnum;

// By id: ids are the parameters' indices and never change.
const ParamCase kParams[] = {
    {"Preamp Gain", -24, 24, 0, kAutomatable},
    {"Output Trim", -24, 24, 0, kAutomatable},
    {"HighPass", 0, 4, 0, kEnum},
    {"Low Freq", 0, 4, 0, kEnum},
    {"Low Gain", -15, 15, 0, kAutomatable},
    {"Mid Freq", 0, 6, 0, kEnum},
    {"Mid Gain", -15, 15, 0, kAutomatable},
    {"High Gain", -15, 15, 0, kAutomatable},
    {"Bypass", 0, 1, 1, kStepped},
    {"Mic Pre", 0, 1, 0, kStepped},
    {"Oversampling", 0, 1, 0, kEnum},
};

TEST(ClapModule, ExactlyTheElevenParametersWithStableIdsAndFlags) {
    const Module module(TW_CLAP_MODULE);
    Instance instance(module, kStereo);
    const ClapPluginParams* params = instance.Params();
    ASSERT_NE(params, nullptr);
    ASSERT_EQ(params->count(instance.Plugin()), 11u);
    for (uint32_t i = 0; i < 11; ++i) {
        const ParamCase& c = kParams[i];
        SCOPED_TRACE(c.name);
        ClapParamInfo info{};
        ASSERT_TRUE(params->getInfo(instance.Plugin(), i, &info));
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, c.name);
        EXPECT_EQ(info.flags, c.flags);
        EXPECT_EQ(info.minValue, c.min);
        EXPECT_EQ(info.maxValue, c.max);
        EXPECT_EQ(info.defaultValue, c.defaultValue);
        EXPECT_EQ(instance.Value(i), c.defaultValue);
    }
    ClapParamInfo info{};
    EXPECT_FALSE(params->getInfo(instance.Plugin(), 11, &info));
    double value = 0;
    EXPECT_FALSE(params->getValue(instance.Plugin(), 11, &value));
}

struct TextCase {
    ClapId id;
    double value;
    const char* text;  // as hpi-host info shows it
};

TEST(ClapModule, EveryParameterTextReadsBackAsItsValue) {
    const TextCase kTexts[] = {
        {kPreampGain, -24, "-24.00dB"},
        {kPreampGain, 6.5, "6.50dB"},
        {kOutputTrim, 0, "0.00dB"},
        {kHighPass, 0, "OFF"},
        {kHighPass, 4, "300Hz"},
        {kLowFreq, 2, "60Hz"},
        {kLowGain, 15, "15.00dB"},
        {kMidFreq, 1, ".36kHz"},
        {kMidFreq, 6, "7.2kHz"},
        {kMidGain, -7.25, "-7.25dB"},
        {kHighGain, 3.75, "3.75dB"},
        {kBypass, 0, "0"},
        {kBypass, 1, "1"},
        {kMicPre, 1, "1"},
        {kOversampling, 1, "Oversampling On"},
    };
    const Module module(TW_CLAP_MODULE);
    Instance instance(module, kStereo);
    const ClapPluginParams* params = instance.Params();
    for (const TextCase& c : kTexts) {
        SCOPED_TRACE(c.text);
        char text[64] = "untouched";
        ASSERT_TRUE(params->valueToText(instance.Plugin(), c.id, c.value, text, sizeof text));
        EXPECT_STREQ(text, c.text);
        double value = -1e9;
        ASSERT_TRUE(params->textToValue(instance.Plugin(), c.id, text, &value));
        EXPECT_EQ(value, c.value);
    }
    // Numbers and names as people type them.
    const TextCase kTyped[] = {{kPreampGain, 6, "6"},   {kPreampGain, -3.5, " -3.5 dB "},
                               {kHighPass, 2, "80hz"},  {kHighPass, 3, "3"},
                               {kOversampling, 1, "1"}, {kMidGain, 0, "0dB"}};
    for (const TextCase& c : kTyped) {
        SCOPED_TRACE(c.text);
        double value = -1e9;
        ASSERT_TRUE(params->textToValue(instance.Plugin(), c.id, c.text, &value));
        EXPECT_EQ(value, c.value);
    }
    struct Refused {
        ClapId id;
        const char* text;
    };
    const Refused kRefused[] = {
        {kPreampGain, "24.5"}, {kPreampGain, "loud"}, {kPreampGain, ""}, {kPreampGain, "6 dBx"},
        {kPreampGain, "nan"},  {kPreampGain, "inf"},  {kHighPass, "5"},  {kHighPass, "2.5"},
        {kHighPass, "-1"},     {kLowGain, "1e3"},     {11, "0"}};
    for (const Refused& c : kRefused) {
        SCOPED_TRACE(c.text);
        double value = 42;
        EXPECT_FALSE(params->textToValue(instance.Plugin(), c.id, c.text, &value));
        EXPECT_EQ(value, 42);
    }
    char text[8];
    EXPECT_FALSE(params->valueToText(instance.Plugin(), kPreampGain, 30.0, text, sizeof text));
    EXPECT_FALSE(params->valueToText(instance.Plugin(), 11, 0.0, text, sizeof text));
    // A short buffer gets what fits, terminated.
    ASSERT_TRUE(params->valueToText(instance.Plugin(), kOversampling, 1, text, 5));
    EXPECT_STREQ(text, "Over");
}

struct IndexedPreset {
    std::string name, key;
    std::vector<std::string> pluginIds;
    uint32_t flags = 0;
};

TEST(ClapModule, ThePresetDiscoveryFactoryListsTheSixFactoryPresets) {
    const Module module(TW_CLAP_MODULE);
    const auto* factory = static_cast<const ClapPresetDiscoveryFactory*>(
        module.Entry()->getFactory(kClapPresetDiscoveryFactoryId));
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->count(factory), 1u);
    const ClapPresetProviderDescriptor* descriptor = factory->getDescriptor(factory, 0);
    ASSERT_NE(descriptor, nullptr);

    struct Indexer {
        std::vector<ClapPresetLocation> locations;
        std::vector<IndexedPreset> presets;
    } seen;
    ClapPresetIndexer indexer{};
    indexer.clapVersion = kClapVersion;
    indexer.name = "test indexer";
    indexer.indexerData = &seen;
    indexer.declareFiletype = [](const ClapPresetIndexer*, const ClapPresetFiletype*) {
        return true;
    };
    indexer.declareLocation = [](const ClapPresetIndexer* self,
                                 const ClapPresetLocation* location) {
        static_cast<Indexer*>(self->indexerData)->locations.push_back(*location);
        return true;
    };
    indexer.declareSoundpack = [](const ClapPresetIndexer*, const ClapPresetSoundpack*) {
        return true;
    };
    indexer.getExtension = [](const ClapPresetIndexer*, const char*) -> const void* {
        return nullptr;
    };
    const ClapPresetProvider* provider = factory->create(factory, &indexer, descriptor->id);
    ASSERT_NE(provider, nullptr);
    ASSERT_TRUE(provider->init(provider));
    ASSERT_EQ(seen.locations.size(), 1u);
    EXPECT_EQ(seen.locations[0].kind, kClapPresetLocationPlugin);
    EXPECT_EQ(seen.locations[0].location, nullptr);

    ClapPresetMetadataReceiver receiver{};
    receiver.receiverData = &seen;
    auto& presets = seen.presets;
    (void)presets;
    receiver.onError = [](const ClapPresetMetadataReceiver*, int32_t, const char*) {
        ADD_FAILURE();
    };
    receiver.beginPreset = [](const ClapPresetMetadataReceiver* self, const char* name,
                              const char* key) {
        static_cast<Indexer*>(self->receiverData)->presets.push_back({name, key, {}, 0});
        return true;
    };
    receiver.addPluginId = [](const ClapPresetMetadataReceiver* self,
                              const ClapUniversalPluginId* id) {
        EXPECT_STREQ(id->abi, "clap");
        static_cast<Indexer*>(self->receiverData)->presets.back().pluginIds.push_back(id->id);
    };
    receiver.setSoundpackId = [](const ClapPresetMetadataReceiver*, const char*) {};
    receiver.setFlags = [](const ClapPresetMetadataReceiver* self, uint32_t flags) {
        static_cast<Indexer*>(self->receiverData)->presets.back().flags = flags;
    };
    receiver.addCreator = [](const ClapPresetMetadataReceiver*, const char*) {};
    receiver.setDescription = [](const ClapPresetMetadataReceiver*, const char*) {};
    receiver.setTimestamps = [](const ClapPresetMetadataReceiver*, uint64_t, uint64_t) {};
    receiver.addFeature = [](const ClapPresetMetadataReceiver*, const char*) {};
    receiver.addExtraInfo = [](const ClapPresetMetadataReceiver*, const char*, const char*) {};
    ASSERT_TRUE(provider->getMetadata(provider, kClapPresetLocationPlugin, nullptr, &receiver));
    EXPECT_FALSE(provider->getMetadata(provider, kClapPresetLocationFile, "/tmp", &receiver));
    provider->destroy(provider);

    const std::vector<std::pair<std::string, std::string>> kPresets = {
        {"Clean Line Input", "clean-line-input"}, {"Warm Vocal", "warm-vocal"},
        {"Drum Bus Drive", "drum-bus-drive"},     {"Bass Tightener", "bass-tightener"},
        {"Telephone Voice", "telephone-voice"},   {"Bright Acoustic", "bright-acoustic"}};
    ASSERT_EQ(seen.presets.size(), kPresets.size());
    for (std::size_t i = 0; i < kPresets.size(); ++i) {
        EXPECT_EQ(seen.presets[i].name, kPresets[i].first);
        EXPECT_EQ(seen.presets[i].key, kPresets[i].second);
        EXPECT_EQ(seen.presets[i].pluginIds, (std::vector<std::string>{kMono, kStereo}));
        EXPECT_EQ(seen.presets[i].flags, kClapPresetIsFactoryContent);
    }
}

// The module's own objects in process: the editor's delegate is called as a
// knob calls it, and the host hears one gesture with its values.
TEST(ClapEditorGestures, ReachTheHostAsGestureAndValueEvents) {
    const auto* factory =
        static_cast<const ClapPluginFactory*>(clap_entry.getFactory(kClapPluginFactoryId));
    ASSERT_NE(factory, nullptr);
    clap_test::TestHost host;
    const ClapPlugin* plugin = factory->createPlugin(factory, host.Host(), kStereo);
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(plugin->init(plugin));
    auto* params =
        static_cast<const ClapPluginParams*>(plugin->getExtension(plugin, kClapExtParams));
    auto* delegate = static_cast<ClapAdapter*>(plugin->pluginData);
    clap_test::OutputEvents out;

    // Not processing: every event asks for a flush, which carries them.
    delegate->BeginUIParamGesture(kHighGain);
    delegate->SendUIParamValue(kHighGain, 0.75);
    delegate->SendUIParamValue(kHighGain, 1.0);
    delegate->EndUIParamGesture(kHighGain);
    EXPECT_EQ(host.record.flushRequests, 4);
    params->flush(plugin, nullptr, out.List());
    const std::vector<OutputEvent> events = out.Take();
    ASSERT_EQ(events.size(), 4u);
    const uint16_t kTypes[] = {kClapEventParamGestureBegin, kClapEventParamValue,
                               kClapEventParamValue, kClapEventParamGestureEnd};
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].type, kTypes[i]);
        EXPECT_EQ(events[i].paramId, static_cast<ClapId>(kHighGain));
    }
    EXPECT_EQ(events[1].value, 7.5);
    EXPECT_EQ(events[2].value, 15.0);
    double value = 0;
    ASSERT_TRUE(params->getValue(plugin, kHighGain, &value));
    EXPECT_EQ(value, 15.0);

    // Processing: the next block carries them, no flush is asked for.
    ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 64));
    ASSERT_TRUE(plugin->startProcessing(plugin));
    delegate->BeginUIParamGesture(kPreampGain);
    delegate->SendUIParamValue(kPreampGain, 0.25);
    delegate->EndUIParamGesture(kPreampGain);
    EXPECT_EQ(host.record.flushRequests, 4);
    ClapProcess process{};
    process.framesCount = 0;
    process.outEvents = out.List();
    EXPECT_EQ(plugin->process(plugin, &process), kClapProcessContinue);
    const std::vector<OutputEvent> processed = out.Take();
    ASSERT_EQ(processed.size(), 3u);
    EXPECT_EQ(processed[1].value, -12.0);
    plugin->stopProcessing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
}

}  // namespace
