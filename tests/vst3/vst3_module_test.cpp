// The built bundle as a VST3 host finds it: its exports, its factory and
// class, moduleinfo.json, and the one object that is component and
// controller.
#include <gtest/gtest.h>

#include "module_exports.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "vst3_test_host.h"

namespace {

using vst3_test::Instance;
using vst3_test::Module;
using vst3_test::Query;

TEST(VST3Module, NmListsExactlyTheThreeEntryPoints) {
    if (std::system("command -v nm > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "nm is not installed";
    }
    const auto defined = testsupport::DefinedDynamicSymbols(TW_VST3_MODULE);
    ASSERT_TRUE(defined.has_value()) << "nm could not list " << TW_VST3_MODULE;
    EXPECT_EQ(*defined, (std::set<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
}

TEST(VST3Module, FactoryDescribesOneAudioModuleClassInEveryForm) {
    Module module(TW_VST3_MODULE);
    ASSERT_NE(module.Factory(), nullptr) << module.Error();
    auto* factory3 = Query<vst3::PluginFactory3>(module.Factory(), vst3::kPluginFactory3Id);
    ASSERT_NE(factory3, nullptr);

    vst3::FactoryInfo info{};
    ASSERT_EQ(factory3->getFactoryInfo(&info), vst3::kResultOk);
    EXPECT_STREQ(info.vendor, "Quernstone Works");
    EXPECT_NE(std::string(info.email).find("@"), std::string::npos);
    EXPECT_EQ(info.flags & vst3::FactoryInfo::kUnicode, vst3::FactoryInfo::kUnicode);
    ASSERT_EQ(factory3->countClasses(), 1);

    vst3::ClassInfo2 info2{};
    ASSERT_EQ(factory3->getClassInfo2(0, &info2), vst3::kResultOk);
    EXPECT_STREQ(info2.category, "Audio Module Class");
    EXPECT_STREQ(info2.name, "Tarnwhistle");
    EXPECT_STREQ(info2.subCategories, "Fx|EQ");
    EXPECT_STREQ(info2.version, "7.0.0");
    EXPECT_EQ(std::string(info2.sdkVersion).rfind("VST 3", 0), 0u);
    vst3::ClassInfoW wide{};
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), vst3::kResultOk);
    EXPECT_EQ(vst3_test::Narrow(wide.name), "Tarnwhistle");
    EXPECT_EQ(vst3_test::Narrow(wide.vendor), "Quernstone Works");
    EXPECT_EQ(std::memcmp(wide.cid, info2.cid, 16), 0);
    EXPECT_EQ(factory3->getClassInfo2(1, &info2), vst3::kInvalidArgument);

    // Another class id, or an interface the class lacks, makes nothing.
    void* object = reinterpret_cast<void*>(1);
    vst3::Id other{};
    EXPECT_NE(
        factory3->createInstance(reinterpret_cast<const char*>(other),
                                 reinterpret_cast<const char*>(vst3::kComponentId.bytes), &object),
        vst3::kResultOk);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory3->createInstance(
                  reinterpret_cast<const char*>(info2.cid),
                  reinterpret_cast<const char*>(vst3::kConnectionPointId.bytes), &object),
              vst3::kNoInterface);
    EXPECT_EQ(object, nullptr);
    factory3->release();
}

TEST(VST3Module, ModuleInfoNamesTheFactorysClass) {
    std::ifstream file(std::string(TW_VST3_BUNDLE_DIR) + "/Contents/Resources/moduleinfo.json");
    ASSERT_TRUE(file.good());
    std::stringstream text;
    text << file.rdbuf();
    Module module(TW_VST3_MODULE);
    vst3::ClassInfo info{};
    ASSERT_EQ(module.Factory()->getClassInfo(0, &info), vst3::kResultOk);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(hex + 2 * i, 3, "%02X", static_cast<uint8_t>(info.cid[i]));
    EXPECT_NE(text.str().find(std::string("\"CID\": \"") + hex + "\""), std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("\"Sub Categories\": [\"Fx\", \"EQ\"]"), std::string::npos);
}

TEST(VST3Module, ComponentIsItsOwnControllerWithOneMainBusEachWay) {
    Module module(TW_VST3_MODULE);
    Instance instance(module);
    ASSERT_TRUE(instance.Valid());
    EXPECT_FALSE(instance.Separate());
    EXPECT_EQ(Query<vst3::ParamValueQueue>(instance.Component(), vst3::kConnectionPointId),
              nullptr);
    vst3::Component* component = instance.Component();
    EXPECT_EQ(component->getBusCount(vst3::kAudio, vst3::kInput), 1);
    EXPECT_EQ(component->getBusCount(vst3::kAudio, vst3::kOutput), 1);
    EXPECT_EQ(component->getBusCount(vst3::kEvent, vst3::kInput), 0);
    vst3::BusInfo bus{};
    ASSERT_EQ(component->getBusInfo(vst3::kAudio, vst3::kOutput, 0, bus), vst3::kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_EQ(bus.busType, vst3::kMainBus);
    EXPECT_EQ(component->getBusInfo(vst3::kAudio, vst3::kOutput, 1, bus), vst3::kInvalidArgument);
    EXPECT_EQ(instance.Processor()->canProcessSampleSize(vst3::kSample32), vst3::kResultTrue);
    EXPECT_EQ(instance.Processor()->canProcessSampleSize(vst3::kSample64), vst3::kResultFalse);
    EXPECT_EQ(instance.Controller()->createView(vst3::kEditorViewType), nullptr);
}

struct ArrangementCase {
    vst3::SpeakerArrangement in;
    vst3::SpeakerArrangement out;
    bool accepted;
};

TEST(VST3Module, BusArrangementsAcceptMonoAndStereoOnly) {
    constexpr vst3::SpeakerArrangement kSurround = 0x3F;
    const ArrangementCase cases[] = {
        {vst3::kSpeakerArrangementMono, vst3::kSpeakerArrangementMono, true},
        {vst3::kSpeakerArrangementStereo, vst3::kSpeakerArrangementStereo, true},
        {vst3::kSpeakerArrangementMono, vst3::kSpeakerArrangementStereo, false},
        {vst3::kSpeakerArrangementStereo, vst3::kSpeakerArrangementMono, false},
        {kSurround, kSurround, false},
        {vst3::kSpeakerArrangementEmpty, vst3::kSpeakerArrangementEmpty, false},
    };
    Module module(TW_VST3_MODULE);
    for (const ArrangementCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in << " -> " << c.out);
        Instance instance(module, 1);
        vst3::AudioProcessor* processor = instance.Processor();
        vst3::SpeakerArrangement in = c.in;
        vst3::SpeakerArrangement out = c.out;
        EXPECT_EQ(processor->setBusArrangements(&in, 1, &out, 1) == vst3::kResultOk, c.accepted);
        // A refusal leaves the mono arrangement of the instance.
        vst3::SpeakerArrangement now = 0;
        ASSERT_EQ(processor->getBusArrangement(vst3::kOutput, 0, now), vst3::kResultOk);
        EXPECT_EQ(now, c.accepted ? c.out : vst3::kSpeakerArrangementMono);
    }
}

}  // namespace
