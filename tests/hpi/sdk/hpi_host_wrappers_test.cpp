#include "hpi/sdk/hpi_host_wrappers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hpi_test_host.h"

namespace {

using hpi_test::HostObject;

// Every forwarding call of every wrapper on a missing host object.
TEST(HostWrappers, AMissingHostObjectAnswersNullObject) {
    const HPI_VHostServices services(nullptr);
    const HPI_VRunLoop runLoop(nullptr);
    HPI_VCollection collection(nullptr);
    const HPI_VController controller(nullptr);
    const HPI_VAutomationDelegate automation(nullptr);
    const HPI_VTransport transport(nullptr);
    const HPI_VPageTable pageTable(nullptr);
    const HPI_VPropertyMap propertyMap(nullptr);
    HPI_VComponentDescriptor component(nullptr);
    HPI_VEffectDescriptor effect(nullptr);
    float rate = 0.0f;
    int32_t format = 0;
    int32_t numerator = 0;
    int64_t ticks = 0;
    double tempo = 0.0;
    bool flag = false;
    uint64_t token = 0;
    void* definition = &token;
    const struct {
        const char* call;
        std::function<HPI_Result()> run;
    } kCalls[] = {
        {"HandleAssertFailure", [&] { return services.HandleAssertFailure("f", 1, "e", 1); }},
        {"Trace", [&] { return services.Trace(0, "%d", 1); }},
        {"RegisterTimer", [&] { return runLoop.RegisterTimer(20, [](void*) {}, nullptr, &token); }},
        {"UnregisterTimer", [&] { return runLoop.UnregisterTimer(1); }},
        {"RegisterFileDescriptor",
         [&] { return runLoop.RegisterFileDescriptor(0, 1, [](void*, int32_t, uint32_t) {}, nullptr, &token); }},
        {"UnregisterFileDescriptor", [&] { return runLoop.UnregisterFileDescriptor(1); }},
        {"AddEffect", [&] { return collection.AddEffect("id", nullptr); }},
        {"SetManufacturerName", [&] { return collection.SetManufacturerName("m"); }},
        {"AddPackageName", [&] { return collection.AddPackageName("p"); }},
        {"SetPackageVersion", [&] { return collection.SetPackageVersion(1); }},
        {"GetPluginDefinition", [&] { return collection.GetPluginDefinition(&definition); }},
        {"AddName", [&] { return effect.AddName("n"); }},
        {"AddCategory", [&] { return effect.AddCategory(1); }},
        {"AddFactoryProc", [&] { return effect.AddFactoryProc(nullptr, 0); }},
        {"AddComponent", [&] { return effect.AddComponent(&component); }},
        {"AddPrivateData", [&] { return component.AddPrivateData(23, 8, 0); }},
        {"AddMIDINode", [&] { return component.AddMIDINode(4, 0, "n", 1); }},
        {"AddAudioIn", [&] { return component.AddAudioIn(0); }},
        {"AddAudioOut", [&] { return component.AddAudioOut(1); }},
        {"AddAudioBufferLength", [&] { return component.AddAudioBufferLength(2); }},
        {"AddSampleLocation", [&] { return component.AddSampleLocation(3); }},
        {"AddMeters", [&] { return component.AddMeters(24, nullptr, 0); }},
        {"AddSideChainIn", [&] { return component.AddSideChainIn(26); }},
        {"AddAuxOutputStem", [&] { return component.AddAuxOutputStem(0, 1, "Output 2"); }},
        {"AddDataInPort", [&] { return component.AddDataInPort(25, 8, 1); }},
        {"AddProcessProc", [&] { return component.AddProcessProc(nullptr, nullptr); }},
        {"AddProperty", [&] { return propertyMap.AddProperty(51, 1); }},
        {"GetSampleRate", [&] { return controller.GetSampleRate(&rate); }},
        {"GetInputStemFormat", [&] { return controller.GetInputStemFormat(&format); }},
        {"GetOutputStemFormat", [&] { return controller.GetOutputStemFormat(&format); }},
        {"PostPacket", [&] { return controller.PostPacket(25, &ticks, 8); }},
        {"SetSignalLatency", [&] { return controller.SetSignalLatency(16); }},
        {"RegisterParameter", [&] { return automation.RegisterParameter("1"); }},
        {"UnregisterParameter", [&] { return automation.UnregisterParameter("1"); }},
        {"PostSetValueRequest", [&] { return automation.PostSetValueRequest("1", 0.5); }},
        {"PostCurrentValue", [&] { return automation.PostCurrentValue("1", 0.5); }},
        {"PostTouchRequest", [&] { return automation.PostTouchRequest("1"); }},
        {"PostReleaseRequest", [&] { return automation.PostReleaseRequest("1"); }},
        {"GetCurrentTempo", [&] { return transport.GetCurrentTempo(&tempo); }},
        {"GetCurrentMeter", [&] { return transport.GetCurrentMeter(&numerator, &numerator); }},
        {"IsTransportPlaying", [&] { return transport.IsTransportPlaying(&flag); }},
        {"GetCurrentTickPosition", [&] { return transport.GetCurrentTickPosition(&ticks); }},
        {"GetCurrentNativeSampleLocation", [&] { return transport.GetCurrentNativeSampleLocation(&ticks); }},
        {"GetCurrentLoopPosition", [&] { return transport.GetCurrentLoopPosition(&flag, &ticks, &ticks); }},
        {"Clear", [&] { return pageTable.Clear(); }},
        {"MapParameter", [&] { return pageTable.MapParameter("1", 0, 0); }},
    };
    for (const auto& c : kCalls) {
        SCOPED_TRACE(c.call);
        EXPECT_EQ(c.run(), HPI_ERROR_NULL_OBJECT);
    }
    EXPECT_EQ(definition, nullptr);
    EXPECT_EQ(rate, 0.0f);  // outputs untouched
    EXPECT_EQ(collection.NewEffectDescriptor(), nullptr);
    EXPECT_EQ(effect.NewComponentDescriptor(), nullptr);
    EXPECT_EQ(component.NewPropertyMap(), nullptr);
}

TEST(HostWrappers, AHostObjectWithoutTheInterfaceCountsAsMissing) {
    struct PageTableOnly : HostObject<HPI_IPageTable> {
        HPI_Result Clear() override { return HPI_SUCCESS; }
        HPI_Result MapParameter(const char*, int32_t, int32_t) override { return HPI_SUCCESS; }
    } pageTableOnly;
    const HPI_VController controller(&pageTableOnly);
    float rate = 0.0f;
    EXPECT_FALSE(controller.IsValid());
    EXPECT_EQ(controller.GetSampleRate(&rate), HPI_ERROR_NULL_OBJECT);
    EXPECT_EQ(pageTableOnly.References(), 0);
    const HPI_VPageTable pageTable(&pageTableOnly);
    EXPECT_EQ(pageTable.Clear(), HPI_SUCCESS);
    EXPECT_EQ(pageTableOnly.References(), 1);
}

struct ViewContainerV1 : HostObject<HPI_IViewContainer> {
    void* GetNativeParentView() override { return parent; }
    HPI_Result SetViewSize(const HPI_SViewPoint& size) override {
        sizes.push_back(size);
        return HPI_SUCCESS;
    }
    void* parent = reinterpret_cast<void*>(0x1234);
    std::vector<HPI_SViewPoint> sizes;
};

struct ViewContainerV2 : HostObject<HPI_IViewContainerV2> {
    void* GetNativeParentView() override { return nullptr; }
    HPI_Result SetViewSize(const HPI_SViewPoint&) override { return HPI_SUCCESS; }
    HPI_Result GetModifiers(uint32_t* out) override {
        *out = HPI_eModifierKey_Shift | HPI_eModifierKey_Alt;
        return HPI_SUCCESS;
    }
    HPI_Result HandleParameterMouseDown(const char* id, uint32_t) override {
        return std::string(id) == "3" ? HPI_SUCCESS : HPI_ERROR_UNIMPLEMENTED;
    }
    // A V2 container is found under both identifiers.
    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override {
        if (iid == HPI_IViewContainer::kInterfaceID) {
            *out = static_cast<HPI_IViewContainer*>(this);
            AddRef();
            return HPI_SUCCESS;
        }
        return HostObject<HPI_IViewContainerV2>::QueryInterface(iid, out);
    }
};

TEST(HostWrappers, ViewContainerVersions) {
    uint32_t modifiers = 0;
    {
        const HPI_VViewContainer none(nullptr);
        EXPECT_EQ(none.GetNativeParentView(), nullptr);
        EXPECT_EQ(none.SetViewSize({662.0f, 248.0f}), HPI_SUCCESS);
        EXPECT_EQ(none.GetModifiers(&modifiers), HPI_ERROR_UNIMPLEMENTED);
        EXPECT_EQ(none.HandleParameterMouseDown("3", 0), HPI_ERROR_UNIMPLEMENTED);
    }
    ViewContainerV1 v1;
    {
        const HPI_VViewContainer wrapper(&v1);
        EXPECT_EQ(wrapper.GetNativeParentView(), v1.parent);
        EXPECT_EQ(wrapper.SetViewSize({662.0f, 248.0f}), HPI_SUCCESS);
        ASSERT_EQ(v1.sizes.size(), 1u);
        EXPECT_EQ(v1.sizes[0].mVertical, 662.0f);
        EXPECT_EQ(v1.sizes[0].mHorizontal, 248.0f);
        EXPECT_EQ(wrapper.GetModifiers(&modifiers), HPI_ERROR_UNIMPLEMENTED);
    }
    EXPECT_EQ(v1.References(), 0);
    ViewContainerV2 v2;
    {
        const HPI_VViewContainer wrapper(&v2);
        EXPECT_EQ(wrapper.GetModifiers(&modifiers), HPI_SUCCESS);
        EXPECT_EQ(modifiers, HPI_eModifierKey_Shift | HPI_eModifierKey_Alt);
        EXPECT_EQ(wrapper.HandleParameterMouseDown("3", 0), HPI_SUCCESS);
        EXPECT_EQ(wrapper.HandleParameterMouseDown("4", 0), HPI_ERROR_UNIMPLEMENTED);
        EXPECT_EQ(v2.References(), 2);  // one per interface version
    }
    EXPECT_EQ(v2.References(), 0);
}

// A host collection that records the description and hands out one
// descriptor object per request.
struct RecordingHost {
    struct PropertyMap : HostObject<HPI_IPropertyMap> {
        HPI_Result AddProperty(uint32_t property, int32_t value) override {
            log->push_back("property " + std::to_string(property) + "=" + std::to_string(value));
            return HPI_SUCCESS;
        }
        std::vector<std::string>* log = nullptr;
    };
    struct Component : HostObject<HPI_IComponentDescriptor> {
        HPI_Result AddPrivateData(int32_t f, int32_t size, uint32_t) override { return Log("private", f, size); }
        HPI_Result AddMIDINode(int32_t f, int32_t type, const char*, uint32_t) override { return Log("midi", f, type); }
        HPI_Result AddAudioIn(int32_t f) override { return Log("in", f, 0); }
        HPI_Result AddAudioOut(int32_t f) override { return Log("out", f, 0); }
        HPI_Result AddAudioBufferLength(int32_t f) override { return Log("length", f, 0); }
        HPI_Result AddSampleLocation(int32_t f) override { return Log("location", f, 0); }
        HPI_Result AddMeters(int32_t f, const uint32_t*, uint32_t count) override {
            return Log("meters", f, static_cast<int32_t>(count));
        }
        HPI_Result AddSideChainIn(int32_t f) override { return Log("sidechain", f, 0); }
        HPI_Result AddAuxOutputStem(int32_t f, int32_t format, const char*) override { return Log("aux", f, format); }
        HPI_Result AddDataInPort(int32_t f, uint32_t size, int32_t) override {
            return Log("port", f, static_cast<int32_t>(size));
        }
        HPI_Result NewPropertyMap(HPI_IPropertyMap** out) override {
            map.log = log;
            map.AddRef();
            *out = &map;
            return HPI_SUCCESS;
        }
        HPI_Result AddProcessProc(HPI_IPropertyMap* properties, HPI_RenderProc) override {
            log->push_back(properties == &map ? "process with map" : "process without map");
            return HPI_SUCCESS;
        }
        HPI_Result Log(const char* what, int32_t f, int32_t value) {
            log->push_back(std::string(what) + " " + std::to_string(f) + " " + std::to_string(value));
            return HPI_SUCCESS;
        }
        PropertyMap map;
        std::vector<std::string>* log = nullptr;
    };
    struct Effect : HostObject<HPI_IEffectDescriptor> {
        HPI_Result NewComponentDescriptor(HPI_IComponentDescriptor** out) override {
            component.log = log;
            component.AddRef();
            *out = &component;
            return HPI_SUCCESS;
        }
        HPI_Result AddComponent(HPI_IComponentDescriptor* c) override {
            log->push_back(c == &component ? "component" : "foreign component");
            return HPI_SUCCESS;
        }
        HPI_Result AddName(const char* name) override { return Log("name ", name); }
        HPI_Result AddCategory(uint32_t category) override { return Log("category ", std::to_string(category)); }
        HPI_Result AddFactoryProc(HPI_FactoryProc, uint32_t number) override {
            return Log("factory ", std::to_string(number));
        }
        HPI_Result Log(const char* what, const std::string& text) {
            log->push_back(what + text);
            return HPI_SUCCESS;
        }
        Component component;
        std::vector<std::string>* log = nullptr;
    };
    struct Collection : HostObject<HPI_ICollection, HPI_IPluginDefinition> {
        HPI_Result NewEffectDescriptor(HPI_IEffectDescriptor** out) override {
            effect.log = log;
            effect.AddRef();
            *out = &effect;
            return HPI_SUCCESS;
        }
        HPI_Result AddEffect(const char* id, HPI_IEffectDescriptor* e) override {
            log->push_back(std::string("effect ") + id + (e == &effect ? "" : " foreign"));
            return HPI_SUCCESS;
        }
        HPI_Result SetManufacturerName(const char* name) override { return Log("manufacturer ", name); }
        HPI_Result AddPackageName(const char* name) override { return Log("package ", name); }
        HPI_Result SetPackageVersion(uint32_t v) override { return Log("version ", std::to_string(v)); }
        HPI_Result Log(const char* what, const std::string& text) {
            log->push_back(what + text);
            return HPI_SUCCESS;
        }
        Effect effect;
        std::vector<std::string>* log = nullptr;
    };
    struct Library : HostObject<HPI_IHostObjectFactory> {
        HPI_Result CreateHostObject(const HPI_IID& iid, void** out) override {
            if (iid != HPI_ICollection::kInterfaceID) {
                *out = nullptr;
                return HPI_ERROR_UNKNOWN_ID;
            }
            collection.log = log;
            collection.AddRef();
            *out = static_cast<HPI_ICollection*>(&collection);
            return HPI_SUCCESS;
        }
        Collection collection;
        std::vector<std::string>* log = nullptr;
    };

    RecordingHost() { library.log = &log; }
    std::vector<std::string> log;
    Library library;
};

TEST(HostWrappers, DescriptionReachesTheHostAndEveryReferenceIsGivenBack) {
    RecordingHost host;
    void* definition = nullptr;
    {
        HPI_VCollection collection(&host.library);
        ASSERT_TRUE(collection.IsValid());
        HPI_VEffectDescriptor* effect = collection.NewEffectDescriptor();
        ASSERT_NE(effect, nullptr);
        effect->AddName("Tarnwhistle");
        effect->AddCategory(HPI_eEffectCategory_EQ);
        HPI_VComponentDescriptor* component = effect->NewComponentDescriptor();
        ASSERT_NE(component, nullptr);
        component->AddPrivateData(HPI_eRenderField_PrivateData, 8, 0);
        component->AddDataInPort(HPI_eRenderField_StateNumber, 8, HPI_eDataInPortType_Synchronized);
        HPI_VPropertyMap* properties = component->NewPropertyMap();
        ASSERT_NE(properties, nullptr);
        properties->AddProperty(HPI_eProperty_InputStemFormat, HPI_eStemFormat_Mono);
        component->AddProcessProc(properties, nullptr);
        effect->AddComponent(component);
        effect->AddFactoryProc(nullptr, HPI_eFactoryProc_EffectGUI);
        collection.AddEffect("com.Quernstoneworks.hpi.Tarnwhistle", effect);
        collection.SetManufacturerName("Quernstone Works");
        EXPECT_EQ(collection.GetPluginDefinition(&definition), HPI_SUCCESS);
    }
    EXPECT_EQ(definition, static_cast<HPI_IPluginDefinition*>(&host.library.collection));
    EXPECT_EQ(host.log, (std::vector<std::string>{
                            "name Tarnwhistle", "category 1", "private 23 8", "port 25 8", "property 51=1",
                            "process with map", "component", "factory 1",
                            "effect com.Quernstoneworks.hpi.Tarnwhistle", "manufacturer Quernstone Works"}));
    // Only the definition handed to the caller is still held.
    EXPECT_EQ(host.library.References(), 0);
    EXPECT_EQ(host.library.collection.References(), 1);
    EXPECT_EQ(host.library.collection.effect.References(), 0);
    EXPECT_EQ(host.library.collection.effect.component.References(), 0);
    EXPECT_EQ(host.library.collection.effect.component.map.References(), 0);
}

TEST(HostWrappers, TraceFormatsAndCutsTo511Characters) {
    hpi_test::FakeHostServices host;
    const HPI_VHostServices services(&host);
    EXPECT_EQ(services.Trace(7, "idx:%i src:%s\n", 3, "Host"), HPI_SUCCESS);
    const std::string longText(600, 'a');
    EXPECT_EQ(services.Trace(8, "%s", longText.c_str()), HPI_SUCCESS);
    EXPECT_EQ(services.Trace(9, nullptr), kHPI_TraceFormatFailed);
    ASSERT_EQ(host.traces.size(), 2u);
    EXPECT_EQ(host.traces[0].priority, 7);
    EXPECT_EQ(host.traces[0].message, "idx:3 src:Host\n");
    EXPECT_EQ(host.traces[1].message, std::string(511, 'a'));
}

}  // namespace
