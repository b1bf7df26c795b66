// The library's exports and the description the host receives.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_host.h"
#include "hpi/describe.h"
#include "product/module/hpi/hpi_module.h"
#include "hpi/sdk/hpi_entry_points.h"
#include "hpi/sdk/hpi_library.h"
#include "hpi/sdk/hpi_unknown.h"
#include "test_plugins.h"

namespace {

using fake_host::FakeCollection;
using fake_host::FakeLibrary;

std::string Property(const char* component, uint32_t number, uint32_t value) {
    char text[64];
    std::snprintf(text, sizeof text, "%s: property %u = 0x%08X", component, number, value);
    return text;
}

// Every call the product's description makes for one component.
void AppendComponent(std::vector<std::string>& lines, int index, uint32_t stemFormat, uint32_t typeCode,
                     uint32_t secondTypeCode) {
    const std::string c = "c" + std::to_string(index);
    const auto line = [&](const std::string& text) { lines.push_back(c + ": " + text); };
    lines.push_back("effect: new component");
    line("field 6 private 4 options 0");
    line("field 4 private 4 options 0");
    line("field 5 private 4 options 0");
    line("field 7 midi type 3 \"Transport\" mask 65535");
    for (int field = 8; field <= 22; ++field) {
        line("field " + std::to_string(field) + " private 4 options 0");
    }
    line("field 0 audio in");
    line("field 1 audio out");
    line("field 2 buffer length");
    line("field 3 sample location");
    line("field 24 private 4 options 0");
    line("field 23 private 8 options 0");
    line("field 25 data port 8 type 1");
    line("new property map");
    lines.push_back(Property(c.c_str(), 56, 0));
    lines.push_back(Property(c.c_str(), 51, stemFormat));
    lines.push_back(Property(c.c_str(), 52, stemFormat));
    lines.push_back(Property(c.c_str(), 60, 1));
    lines.push_back(Property(c.c_str(), 300, 1));
    lines.push_back(Property(c.c_str(), 306, 1));
    lines.push_back(Property(c.c_str(), 11, HPI_FourCharCode("Qnst")));
    lines.push_back(Property(c.c_str(), 12, HPI_FourCharCode("Twh1")));
    lines.push_back(Property(c.c_str(), 13, typeCode));
    lines.push_back(Property(c.c_str(), 14, secondTypeCode));
    line("process proc with properties");
    lines.push_back("effect: add component " + std::to_string(index));
}

std::vector<std::string> ExpectedDescription() {
    std::vector<std::string> lines = {"collection: new effect", "effect: name Tarnwhistle",
                                      "collection: package Tarnwhistle", "effect: category 1"};
    AppendComponent(lines, 0, 0x00000001, HPI_FourCharCode("IEF1"), HPI_FourCharCode("IEA1"));
    AppendComponent(lines, 1, 0x00010002, HPI_FourCharCode("IEF2"), HPI_FourCharCode("IEA2"));
    lines.insert(lines.end(), {"effect: factory proc 0", "effect: factory proc 1",
                               "collection: add effect com.Quernstoneworks.hpi.Tarnwhistle",
                               "collection: manufacturer Quernstone Works", "collection: version 0x00070000"});
    return lines;
}

// Holds the library's host services for one test.
class Started : public testing::Test {
protected:
    Started() { HPIStartup(static_cast<HPI_IHostServices*>(&mLibrary)); }
    ~Started() override { HPIShutdown(); }

    HPI_Result Register(void** definition) {
        return HPIRegisterPlugin(static_cast<HPI_IHostServices*>(&mLibrary), definition);
    }
    FakeCollection& Collection() { return *mLibrary.collections.back(); }
    bool Traced(const std::string& text) const {
        for (const auto& line : mLibrary.traces) {
            if (line.text == text) {
                return true;
            }
        }
        return false;
    }

    FakeLibrary mLibrary;
};

TEST_F(Started, DescribesOneComponentPerChannelConfigurationInOrder) {
    void* definition = nullptr;
    ASSERT_EQ(Register(&definition), HPI_SUCCESS);
    EXPECT_EQ(definition, static_cast<HPI_IPluginDefinition*>(&Collection()));
    const std::vector<std::string> expected = ExpectedDescription();
    const std::vector<std::string>& actual = Collection().Log().lines;
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "call " << i;
    }
    EXPECT_TRUE(mLibrary.assertions.empty());
    static_cast<HPI_IPluginDefinition*>(definition)->Release();
}

TEST_F(Started, RegistrationGivesBackEveryHostReference) {
    void* definition = nullptr;
    ASSERT_EQ(Register(&definition), HPI_SUCCESS);
    static_cast<HPI_IPluginDefinition*>(definition)->Release();
    FakeCollection& collection = Collection();
    EXPECT_EQ(collection.References(), 0);
    for (const auto& effect : collection.effects) {
        EXPECT_EQ(effect->References(), 0);
        for (const auto& component : effect->components) {
            EXPECT_EQ(component->References(), 0);
            for (const auto& map : component->maps) {
                EXPECT_EQ(map->References(), 0);
            }
        }
    }
}

TEST_F(Started, FactoryProceduresMakeTheEffectAndItsGuiAndCountThemAlive) {
    void* definition = nullptr;
    ASSERT_EQ(Register(&definition), HPI_SUCCESS);
    static_cast<HPI_IPluginDefinition*>(definition)->Release();
    auto& effect = *Collection().effects.front();
    const int32_t aliveBefore = HPICanUnloadNow();

    HPI_IUnknown* plug = effect.procs.at(HPI_eFactoryProc_EffectParameters)();
    HPI_IUnknown* gui = effect.procs.at(HPI_eFactoryProc_EffectGUI)();
    ASSERT_NE(plug, nullptr);
    ASSERT_NE(gui, nullptr);
    // Each is a guarded face on the object behind it: two library objects.
    EXPECT_EQ(HPICanUnloadNow(), aliveBefore + 4);

    HPI_Ref<HPI_IEffectParameters> parameters = HPI_Ref<HPI_IEffectParameters>::Query(plug);
    HPI_Ref<HPI_IEffectGUI> view = HPI_Ref<HPI_IEffectGUI>::Query(gui);
    ASSERT_TRUE(parameters);
    ASSERT_TRUE(view);
    fake_host::FakeInstance instance;
    EXPECT_EQ(parameters->Initialize(static_cast<HPI_IController*>(&instance)), HPI_SUCCESS);
    int32_t count = 0;
    parameters->GetNumberOfParameters(&count);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(view->Initialize(static_cast<HPI_IController*>(&instance)), HPI_SUCCESS);
    EXPECT_EQ(view->Initialize(nullptr), HPI_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(view->SetViewContainer(nullptr), HPI_SUCCESS);
    // Without a container there is nothing to open.
    EXPECT_EQ(view->CreateViewContainer(), HPI_ERROR_NULL_OBJECT);

    parameters->Uninitialize();
    parameters.Reset();
    view.Reset();
    plug->Release();
    gui->Release();
    EXPECT_EQ(HPICanUnloadNow(), aliveBefore);
    EXPECT_EQ(instance.References(), 0);
}

// A library whose collections answer `answer` to the description call whose
// log line starts with `prefix`.
struct FailingLibrary : FakeLibrary {
    std::string prefix;
    HPI_Result answer = HPI_SUCCESS;
    HPI_Result CreateHostObject(const HPI_IID& iid, void** out) override {
        const HPI_Result made = FakeLibrary::CreateHostObject(iid, out);
        collections.back()->Log().failPrefix = prefix;
        collections.back()->Log().failResult = answer;
        return made;
    }
};

TEST_F(Started, FailingHostAnswersEndRegistrationWithTheirCodeAndATrace) {
    struct FailureCase {
        const char* failPrefix;
        HPI_Result answer;
        const char* text;
    };
    const FailureCase kCases[] = {
        {"collection: add effect", HPI_ERROR_DUPLICATE_EFFECT_ID, "HPI_ERROR_DUPLICATE_EFFECT_ID (-20035)"},
        {"c1: property 13", HPI_ERROR_DUPLICATE_TYPE_ID, "HPI_ERROR_DUPLICATE_TYPE_ID (-20036)"},
        {"c0: field 23", HPI_ERROR_INVALID_FIELD_INDEX, "HPI_ERROR_INVALID_FIELD_INDEX (-20025)"},
    };
    for (const FailureCase& c : kCases) {
        SCOPED_TRACE(c.failPrefix);
        mLibrary.traces.clear();
        FailingLibrary failing;
        failing.withheld = {HPI_IHostServices::kInterfaceID};
        failing.prefix = c.failPrefix;
        failing.answer = c.answer;
        void* definition = &failing;
        EXPECT_EQ(HPIRegisterPlugin(static_cast<HPI_IHostServices*>(&failing), &definition), c.answer);
        EXPECT_EQ(definition, nullptr);
        EXPECT_EQ(failing.collections.back()->References(), 0);
        EXPECT_TRUE(Traced(std::string("HPI_CheckedResult - throwing ") + c.text));
        EXPECT_TRUE(Traced(std::string("HPIRegisterPlugin exception caught: ") + c.text));
        ASSERT_FALSE(mLibrary.traces.empty());
        EXPECT_EQ(mLibrary.traces.back().priority, 0x08000000);
    }
}

TEST_F(Started, MissingHostObjectsAnswerNullObject) {
    struct NoEffects : FakeLibrary {
        HPI_Result CreateHostObject(const HPI_IID& iid, void** out) override {
            const HPI_Result made = FakeLibrary::CreateHostObject(iid, out);
            collections.back()->makesEffects = false;
            return made;
        }
    };
    NoEffects noEffects;
    void* definition = nullptr;
    EXPECT_EQ(HPIRegisterPlugin(static_cast<HPI_IHostServices*>(&noEffects), &definition), HPI_ERROR_NULL_OBJECT);

    FakeLibrary noFactory;
    noFactory.withheld = {HPI_IHostObjectFactory::kInterfaceID};
    EXPECT_EQ(HPIRegisterPlugin(static_cast<HPI_IHostServices*>(&noFactory), &definition), HPI_ERROR_NULL_OBJECT);
    EXPECT_TRUE(Traced("HPIRegisterPlugin exception caught: HPI_ERROR_NULL_OBJECT (-20004)"));
}

TEST_F(Started, ASecondStartupKeepsTheFirstServices) {
    FakeLibrary second;
    HPIStartup(static_cast<HPI_IHostServices*>(&second));
    HPI::Check(false, "reported to the first");
    ASSERT_EQ(mLibrary.assertions.size(), 1u);
    EXPECT_EQ(mLibrary.assertions[0].expression, "reported to the first");
    EXPECT_TRUE(second.assertions.empty());
    EXPECT_EQ(second.References(), 0);
}

TEST(Exports, WithoutServicesRegistrationWorksAndStaysSilent) {
    FakeLibrary library;
    library.withheld = {HPI_IHostServices::kInterfaceID, HPI_IRunLoop::kInterfaceID};
    HPIStartup(static_cast<HPI_IHostServices*>(&library));
    void* definition = nullptr;
    EXPECT_EQ(HPIRegisterPlugin(static_cast<HPI_IHostServices*>(&library), &definition), HPI_SUCCESS);
    static_cast<HPI_IPluginDefinition*>(definition)->Release();

    FailingLibrary failing;
    failing.prefix = "collection: add effect";
    failing.answer = HPI_ERROR_DUPLICATE_EFFECT_ID;
    EXPECT_EQ(HPIRegisterPlugin(static_cast<HPI_IHostServices*>(&failing), &definition),
              HPI_ERROR_DUPLICATE_EFFECT_ID);
    HPIShutdown();
    EXPECT_TRUE(library.traces.empty());
    EXPECT_TRUE(library.assertions.empty());
    EXPECT_TRUE(failing.traces.empty());
    EXPECT_EQ(library.References(), 0);
}

TEST(Exports, FixedAnswers) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(HPIGetClassFactory(nullptr, nullptr, nullptr, &object), HPI_ERROR_UNIMPLEMENTED);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(HPIRegisterComponent(nullptr, nullptr, &object), HPI_SUCCESS);
    EXPECT_EQ(object, nullptr);
    uint64_t version = 0;
    EXPECT_EQ(HPIGetSDKVersion(&version), HPI_SUCCESS);
    EXPECT_EQ(version, 0x00000204013449EAull);
    EXPECT_EQ(HPIGetSDKVersion(nullptr), HPI_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(HPIRegisterPlugin(nullptr, nullptr), HPI_ERROR_NULL_ARGUMENT);
    EXPECT_EQ(HPIShutdown(), HPI_SUCCESS);
}

TEST(Describe, StemFormatsFollowTheChannelCountOfTheFirstBus) {
    struct StemCase {
        const char* io;
        int32_t input;
        int32_t output;
        int32_t aux;
    };
    const StemCase kCases[] = {
        {"1-1", 0x00000001, 0x00000001, 0},         {"2-2", 0x00010002, 0x00010002, 0},
        {"6-8", 0x00060006, 0x000C0008, 0},         {"16-10", 0x00130010, 0x000D000A, 0},
        {"12-17", static_cast<int32_t>(0xFF9C0000), static_cast<int32_t>(0xFF9C0000), 0},
        {"2-2.1.2", 0x00010002, 0x00010002, 2},
    };
    for (const StemCase& c : kCases) {
        SCOPED_TRACE(c.io);
        std::vector<ChannelConfig> configs;
        int a = 0, b = 0, d = 0, e = 0;
        ParseChannelConfigs(c.io, configs, a, b, d, e);
        ComponentSetupInfo setup;
        FillSetupInfo(setup, configs.at(0), HPIProductDescription{}, 1, 2);
        EXPECT_EQ(setup.mInputStemFormat, c.input);
        EXPECT_EQ(setup.mOutputStemFormat, c.output);
        EXPECT_EQ(setup.mNumAuxOutputStems, c.aux);
        if (c.aux == 2) {
            EXPECT_EQ(setup.mAuxOutputStemFormats[0], 0x00000001);
            EXPECT_EQ(setup.mAuxOutputStemNames[0], "Output 2");
            EXPECT_EQ(setup.mAuxOutputStemFormats[1], 0x00010002);
            EXPECT_EQ(setup.mAuxOutputStemNames[1], "Output 3");
        }
    }
}

TEST(Describe, TwoLinePluginNamesAddTwoEffectAndPackageNames) {
    HPIProductDescription product = HPIModuleDescription();
    product.pluginName = "Tarnwhistle Strip\nTarnwhistle";
    FakeLibrary library;
    library.withheld = {HPI_IHostServices::kInterfaceID};
    HPI_VCollection described(static_cast<HPI_IHostServices*>(&library));
    ASSERT_EQ(DescribeEffect(described, product), HPI_SUCCESS);
    const auto& lines = library.collections.back()->Log().lines;
    const std::vector<std::string> names(lines.begin() + 1, lines.begin() + 5);
    EXPECT_EQ(names, (std::vector<std::string>{"effect: name Tarnwhistle Strip", "collection: package Tarnwhistle Strip",
                                               "effect: name Tarnwhistle", "collection: package Tarnwhistle"}));
}

}  // namespace
