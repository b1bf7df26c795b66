// The bundle's Turtle as a host reads it (through lilv): Tarnwhistle's
// ports and properties, and what the writer makes of other parameter kinds.
#include "lv2/lv2_turtle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/param_table.h"
#include "factory_presets.h"
#include "lv2/lv2_inline_display.h"
#include "lv2/lv2_ports.h"
#include "lv2_lilv_support.h"
#include "product/channel_parameters.h"
#include "product/module/lv2/lv2_module.h"

namespace {

using lv2_test::LilvTestWorld;
using lv2_test::PortView;
using lv2_test::ViewPort;

const std::string kLV2 = lv2_test::kLV2;
const std::string kDb = std::string(lv2_test::kUnits) + "db";

TEST(LV2Turtle, NumbersAreFloatsInTheirShortestText) {
    struct Case {
        double value;
        const char* text;
    };
    const Case kCases[] = {
        {-24.0, "-24.0"},
        {0.0, "0.0"},
        {0.1, "0.1"},
        {1048576.0, "1048576.0"},
        {1e-8, "1e-08"},
        {std::numeric_limits<double>::quiet_NaN(), "0.0"},
        {std::numeric_limits<double>::infinity(), "0.0"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TurtleNumber(c.value), c.text);
    }
}

TEST(LV2Turtle, StringsEscapeWhatWouldEndThem) {
    EXPECT_EQ(TurtleString("plain"), "\"plain\"");
    EXPECT_EQ(TurtleString("say \"hi\"\\\n"), "\"say \\\"hi\\\"\\\\\\n\"");
}

// ---- Tarnwhistle's bundle ------------------------------------------------------------

struct ExpectedPort {
    const char* symbol;
    const char* name;
    float minimum;
    float maximum;
    float defaultValue;
    bool integer;
    bool toggled;
    bool enumeration;
    std::size_t scalePoints;
    bool decibels;
};

const ExpectedPort kControls[] = {
    {"preamp_gain", "Preamp Gain", -24, 24, 0, false, false, false, 0, true},
    {"output_trim", "Output Trim", -24, 24, 0, false, false, false, 0, true},
    {"highpass", "HighPass", 0, 4, 0, true, false, true, 5, false},
    {"low_freq", "Low Freq", 0, 4, 0, true, false, true, 5, false},
    {"low_gain", "Low Gain", -15, 15, 0, false, false, false, 0, true},
    {"mid_freq", "Mid Freq", 0, 6, 0, true, false, true, 7, false},
    {"mid_gain", "Mid Gain", -15, 15, 0, false, false, false, 0, true},
    {"high_gain", "High Gain", -15, 15, 0, false, false, false, 0, true},
    {"enable", "Enable", 0, 1, 1, true, true, false, 0, false},
    {"mic_pre", "Mic Pre", 0, 1, 0, true, true, false, 0, false},
    {"oversampling", "Oversampling", 0, 1, 0, true, true, false, 2, false},
};

TEST(LV2Bundle, EachParameterIsAControlPortAsTheHostSeesIt) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    ASSERT_EQ(world.PluginCount(), 2u);
    for (const char* uri :
         {"urn:quernstoneworks:tarnwhistle:mono", "urn:quernstoneworks:tarnwhistle:stereo"}) {
        SCOPED_TRACE(uri);
        const LilvPlugin* plugin = world.Plugin(uri);
        ASSERT_NE(plugin, nullptr);
        for (uint32_t i = 0; i < std::size(kControls); ++i) {
            const ExpectedPort& e = kControls[i];
            SCOPED_TRACE(e.symbol);
            ASSERT_TRUE(lilv_port_is_a(plugin, lilv_plugin_get_port_by_index(plugin, i),
                                       world.Uri(kLV2 + "ControlPort")));
            ASSERT_TRUE(lilv_port_is_a(plugin, lilv_plugin_get_port_by_index(plugin, i),
                                       world.Uri(kLV2 + "InputPort")));
            const PortView port = ViewPort(world, plugin, i);
            EXPECT_EQ(port.symbol, e.symbol);
            EXPECT_EQ(port.name, e.name);
            EXPECT_EQ(port.minimum, e.minimum);
            EXPECT_EQ(port.maximum, e.maximum);
            EXPECT_EQ(port.defaultValue, e.defaultValue);
            EXPECT_EQ(port.integer, e.integer);
            EXPECT_EQ(port.toggled, e.toggled);
            EXPECT_EQ(port.enumeration, e.enumeration);
            EXPECT_EQ(port.scalePoints.size(), e.scalePoints);
            EXPECT_EQ(port.unit, e.decibels ? kDb : "");
        }
    }
}

TEST(LV2Bundle, ScalePointsAreTheDisplayTexts) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    const LilvPlugin* plugin = world.Plugin("urn:quernstoneworks:tarnwhistle:stereo");
    ASSERT_NE(plugin, nullptr);
    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    for (const int index : {kHighPass, kLowFreq, kMidFreq, kOversampling}) {
        const Param& param = *params.GetParam(index);
        SCOPED_TRACE(param.Name());
        const PortView port = ViewPort(world, plugin, static_cast<uint32_t>(index));
        ASSERT_EQ(port.scalePoints.size(), static_cast<std::size_t>(param.DisplayTextCount()));
        for (const auto& [value, label] : port.scalePoints) {
            EXPECT_EQ(label, param.FindDisplayText(value));
        }
    }
}

TEST(LV2Bundle, LatencyEnableAndAudioPortsAreDesignated) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    struct Case {
        const char* uri;
        std::vector<std::string> audioSymbols;
    };
    const Case kCases[] = {
        {"urn:quernstoneworks:tarnwhistle:mono", {"in", "out"}},
        {"urn:quernstoneworks:tarnwhistle:stereo", {"in_l", "in_r", "out_l", "out_r"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.uri);
        const LilvPlugin* plugin = world.Plugin(c.uri);
        ASSERT_NE(plugin, nullptr);
        ASSERT_EQ(lilv_plugin_get_num_ports(plugin),
                  kNumChannelParams + 1 + c.audioSymbols.size() + 2);
        ASSERT_TRUE(lilv_plugin_has_latency(plugin));
        EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin),
                  static_cast<uint32_t>(kNumChannelParams));
        const LilvPort* latency = lilv_plugin_get_port_by_designation(
            plugin, world.Uri(kLV2 + "OutputPort"), world.Uri(kLV2 + "latency"));
        ASSERT_NE(latency, nullptr);
        EXPECT_EQ(lilv_port_get_index(plugin, latency), static_cast<uint32_t>(kNumChannelParams));
        const LilvPort* enabled = lilv_plugin_get_port_by_designation(
            plugin, world.Uri(kLV2 + "InputPort"), world.Uri(kLV2 + "enabled"));
        ASSERT_NE(enabled, nullptr);
        EXPECT_EQ(lilv_port_get_index(plugin, enabled), static_cast<uint32_t>(kBypass));
        for (std::size_t a = 0; a < c.audioSymbols.size(); ++a) {
            const auto index = static_cast<uint32_t>(kNumChannelParams + 1 + a);
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
            EXPECT_TRUE(lilv_port_is_a(plugin, port, world.Uri(kLV2 + "AudioPort")));
            EXPECT_EQ(ViewPort(world, plugin, index).symbol, c.audioSymbols[a]);
        }
        LilvNodes* required = lilv_plugin_get_required_features(plugin);
        EXPECT_EQ(lilv_nodes_size(required), 0u);
        lilv_nodes_free(required);
        LilvNodes* optional = lilv_plugin_get_optional_features(plugin);
        EXPECT_TRUE(lilv_nodes_contains(optional, world.Uri(kLV2 + "hardRTCapable")));
        EXPECT_TRUE(lilv_nodes_contains(optional, world.Uri(kLV2QueueDrawURI)));
        lilv_nodes_free(optional);
        EXPECT_TRUE(lilv_plugin_has_extension_data(
            plugin, world.Uri("http://lv2plug.in/ns/ext/state#interface")));
        EXPECT_TRUE(
            lilv_plugin_has_extension_data(plugin, world.Uri(kLV2InlineDisplayInterfaceURI)));
    }
}

// The first literal value of subject's predicate, or "".
std::string ValueOf(LilvTestWorld& world, const LilvNode* subject, const std::string& predicate) {
    LilvNode* value = lilv_world_get(world.World(), subject, world.Uri(predicate), nullptr);
    const std::string text = value != nullptr ? lilv_node_as_string(value) : "";
    lilv_node_free(value);
    return text;
}

TEST(LV2Bundle, AtomPortsAndTheX11UIAreDescribed) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    const std::string kAtom = "http://lv2plug.in/ns/ext/atom#";
    const std::string kUi = "http://lv2plug.in/ns/extensions/ui#";
    const std::string kPatch = "http://lv2plug.in/ns/ext/patch#";
    const LV2ProductDescription product = LV2ProductIdentity();
    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    for (const LV2PluginVariant& variant : PluginVariants(product)) {
        SCOPED_TRACE(variant.uri);
        const LilvPlugin* plugin = world.Plugin(variant.uri);
        ASSERT_NE(plugin, nullptr);
        const LV2PortLayout layout{kNumChannelParams, variant.audioInputs, variant.audioOutputs};
        struct Case {
            int index;
            const char* direction;
            const char* symbol;
            bool patchMessages;  // hosts read patch messages on it as property changes
        };
        const Case kPorts[] = {{layout.EventInputPort(), "InputPort", "control", true},
                               {layout.EventOutputPort(), "OutputPort", "notify", false}};
        for (const Case& c : kPorts) {
            SCOPED_TRACE(c.symbol);
            const LilvPort* port = lilv_plugin_get_port_by_designation(
                plugin, world.Uri(kLV2 + c.direction), world.Uri(kLV2 + "control"));
            ASSERT_NE(port, nullptr);
            EXPECT_EQ(lilv_port_get_index(plugin, port), static_cast<uint32_t>(c.index));
            EXPECT_EQ(ViewPort(world, plugin, static_cast<uint32_t>(c.index)).symbol, c.symbol);
            EXPECT_TRUE(lilv_port_is_a(plugin, port, world.Uri(kAtom + "AtomPort")));
            EXPECT_EQ(lilv_port_supports_event(plugin, port, world.Uri(kPatch + "Message")),
                      c.patchMessages);
            EXPECT_TRUE(
                lilv_port_has_property(plugin, port, world.Uri(kLV2 + "connectionOptional")));
            LilvNodes* buffer = lilv_port_get_value(plugin, port, world.Uri(kAtom + "bufferType"));
            EXPECT_TRUE(lilv_nodes_contains(buffer, world.Uri(kAtom + "Sequence")));
            lilv_nodes_free(buffer);
        }
        // The size is the UI's business: hosts must not offer it as a parameter.
        for (const char* kind : {"writable", "readable"}) {
            LilvNodes* offered = lilv_plugin_get_value(plugin, world.Uri(kPatch + kind));
            EXPECT_EQ(lilv_nodes_size(offered), 0u) << kind;
            lilv_nodes_free(offered);
        }

        LilvUIs* uis = lilv_plugin_get_uis(plugin);
        ASSERT_EQ(lilv_uis_size(uis), 1u);
        const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
        EXPECT_EQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), product.UiURI());
        EXPECT_TRUE(lilv_ui_is_a(ui, world.Uri(kUi + "X11UI")));
        const std::string binary = lilv_node_as_uri(lilv_ui_get_binary_uri(ui));
        EXPECT_EQ(binary, "file://" + lv2_test::BuiltBundle() + product.uiBinary);
        const LilvNode* uiUri = lilv_ui_get_uri(ui);
        LilvNodes* required = lilv_world_find_nodes(world.World(), uiUri,
                                                    world.Uri(kLV2 + "requiredFeature"), nullptr);
        // Hosts that offer less still load the UI: only the idle calls are a must.
        EXPECT_EQ(lilv_nodes_size(required), 1u);
        EXPECT_TRUE(lilv_nodes_contains(required, world.Uri(kUi + "idleInterface")));
        lilv_nodes_free(required);
        LilvNodes* optional = lilv_world_find_nodes(world.World(), uiUri,
                                                    world.Uri(kLV2 + "optionalFeature"), nullptr);
        EXPECT_TRUE(lilv_nodes_contains(optional, world.Uri("http://lv2plug.in/ns/ext/urid#map")));
        EXPECT_TRUE(
            lilv_nodes_contains(optional, world.Uri("http://lv2plug.in/ns/ext/options#options")));
        lilv_nodes_free(optional);
        LilvNodes* extensions =
            lilv_world_find_nodes(world.World(), uiUri, world.Uri(kLV2 + "extensionData"), nullptr);
        for (const std::string& uri : {kUi + "idleInterface", kUi + "resize", kUi + "showInterface",
                                       std::string("http://lv2plug.in/ns/ext/options#interface")}) {
            EXPECT_TRUE(lilv_nodes_contains(extensions, world.Uri(uri))) << uri;
        }
        lilv_nodes_free(extensions);

        // The host sends the UI every control port of this variant and notify.
        std::vector<std::string> notified;
        LilvNodes* notifications = lilv_world_find_nodes(
            world.World(), uiUri, world.Uri(kUi + "portNotification"), nullptr);
        LILV_FOREACH(nodes, i, notifications) {
            const LilvNode* notification = lilv_nodes_get(notifications, i);
            LilvNode* of =
                lilv_world_get(world.World(), notification, world.Uri(kUi + "plugin"), nullptr);
            if (of != nullptr && variant.uri == lilv_node_as_uri(of)) {
                notified.push_back(ValueOf(world, notification, kLV2 + "symbol"));
            }
            lilv_node_free(of);
        }
        lilv_nodes_free(notifications);
        std::vector<std::string> expected = ParamSymbols(params, layout, product.enabledParam);
        expected.emplace_back(kEventOutputPortSymbol);
        std::sort(expected.begin(), expected.end());
        std::sort(notified.begin(), notified.end());
        EXPECT_EQ(notified, expected);
        lilv_uis_free(uis);
    }
}

TEST(LV2Bundle, CarriesTheDescriptionLicenceAuthorAndVersion) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    const LilvPlugin* plugin = world.Plugin("urn:quernstoneworks:tarnwhistle:stereo");
    ASSERT_NE(plugin, nullptr);
    const LilvNode* uri = lilv_plugin_get_uri(plugin);
    LilvNode* name = lilv_plugin_get_name(plugin);  // loads the plug-in's file
    lilv_node_free(name);
    EXPECT_NE(
        ValueOf(world, uri, "http://www.w3.org/2000/01/rdf-schema#comment").find("channel strip"),
        std::string::npos);
    EXPECT_EQ(ValueOf(world, uri, "http://usefulinc.com/ns/doap#license"),
              "http://opensource.org/licenses/isc");
    LilvNode* author = lilv_plugin_get_author_name(plugin);
    ASSERT_NE(author, nullptr);
    EXPECT_STREQ(lilv_node_as_string(author), "Quernstone Works");
    lilv_node_free(author);
    LilvNode* release = lilv_world_get(world.World(), uri,
                                       world.Uri("http://usefulinc.com/ns/doap#release"), nullptr);
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(ValueOf(world, release, "http://usefulinc.com/ns/doap#revision"), "7.0.0");
    lilv_node_free(release);
    EXPECT_EQ(ValueOf(world, uri, kLV2 + "minorVersion"), "7000");
}

// Every factory preset is listed for both plug-ins under its label, with the
// table's value on every port but the host's enable switch.
TEST(LV2Bundle, ListsEveryFactoryPresetWithTheTableValues) {
    LilvTestWorld world(lv2_test::BuiltBundle());
    const LilvNode* presetClass = world.Uri("http://lv2plug.in/ns/ext/presets#Preset");
    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    for (const char* plugin_uri :
         {"urn:quernstoneworks:tarnwhistle:mono", "urn:quernstoneworks:tarnwhistle:stereo"}) {
        SCOPED_TRACE(plugin_uri);
        const LilvPlugin* plugin = world.Plugin(plugin_uri);
        ASSERT_NE(plugin, nullptr);
        LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
        EXPECT_EQ(lilv_nodes_size(related), FactoryPresets().size());
        lilv_nodes_free(related);
    }
    for (const FactoryPreset& preset : FactoryPresets()) {
        SCOPED_TRACE(preset.id);
        const LilvNode* uri =
            world.Uri(std::string("urn:quernstoneworks:tarnwhistle:preset:") + preset.id);
        lilv_world_load_resource(world.World(), uri);
        EXPECT_EQ(ValueOf(world, uri, "http://www.w3.org/2000/01/rdf-schema#label"), preset.label);
        const std::vector<double> values = FactoryPresetValues(preset);
        LilvNodes* ports =
            lilv_world_find_nodes(world.World(), uri, world.Uri(kLV2 + "port"), nullptr);
        ASSERT_NE(ports, nullptr);
        EXPECT_EQ(lilv_nodes_size(ports), static_cast<std::size_t>(kNumChannelParams - 1));
        LILV_FOREACH(nodes, i, ports) {
            const LilvNode* port = lilv_nodes_get(ports, i);
            const std::string symbol = ValueOf(world, port, kLV2 + "symbol");
            LilvNode* value = lilv_world_get(
                world.World(), port, world.Uri("http://lv2plug.in/ns/ext/presets#value"), nullptr);
            ASSERT_NE(value, nullptr);
            const auto at = std::find_if(std::begin(kControls), std::end(kControls),
                                         [&](const ExpectedPort& e) { return symbol == e.symbol; });
            ASSERT_NE(at, std::end(kControls)) << symbol;
            EXPECT_NE(symbol, "enable");
            EXPECT_EQ(lilv_node_as_float(value),
                      static_cast<float>(values[static_cast<std::size_t>(at - kControls)]))
                << symbol;
            lilv_node_free(value);
        }
        lilv_nodes_free(ports);
    }
}

// ---- other parameter kinds, written into a bundle of their own ---------------------

class WrittenBundle : public testing::Test {
protected:
    void SetUp() override {
        mFolder = std::filesystem::temp_directory_path() /
                  ("tw_lv2_turtle_" + std::to_string(::getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mFolder);
    }
    void TearDown() override { std::filesystem::remove_all(mFolder); }

    std::string Write(const LV2ProductDescription& product, const ParamTable& params) {
        std::ofstream(mFolder / "manifest.ttl") << ManifestTurtle(product, {});
        std::ofstream(mFolder / product.turtleFile) << PluginTurtle(product, params);
        return mFolder.string() + "/";
    }

    std::filesystem::path mFolder;
};

TEST_F(WrittenBundle, OtherParameterKindsReadBackAsWritten) {
    ParamTable params(6);
    params.GetParam(0)->DefineBool("Say \"On\"", true);
    params.GetParam(1)->DefineFrequency("Corner", 1000.0, 20.0, 20000.0, 1.0);
    params.GetParam(2)->DefineNumber("Widgets", 50.0, 0.0, 10.0, 0.5, "widgets");
    params.GetParam(3)->DefineInt("Steps", 3, 0, 8, "", FlagNotAutomatable);
    params.GetParam(4)->DefineEnumList("Mode", 1, {"Soft", "Hard", "Back\\slash"});
    params.GetParam(5)->DefineInt("Switch", 0, 0, 1);
    LV2ProductDescription product;
    product.uriBase = "urn:test:writer";
    product.name = "Writer";
    product.binary = "writer.so";
    product.turtleFile = "writer.ttl";
    product.channelIOString = "1-2";
    product.enabledParam = 2;  // not a 0..1 integer: not designated

    LilvTestWorld world(Write(product, params));
    const LilvPlugin* plugin = world.Plugin("urn:test:writer:1_2");
    ASSERT_NE(plugin, nullptr);
    LilvNode* name = lilv_plugin_get_name(plugin);
    EXPECT_STREQ(lilv_node_as_string(name), "Writer 1-2");
    lilv_node_free(name);

    const PortView toggle = ViewPort(world, plugin, 0);
    EXPECT_EQ(toggle.symbol, "say_on");
    EXPECT_EQ(toggle.name, "Say \"On\"");
    EXPECT_TRUE(toggle.toggled);
    EXPECT_EQ(toggle.defaultValue, 1.0f);
    EXPECT_EQ(toggle.scalePoints.size(), 2u);

    EXPECT_EQ(ViewPort(world, plugin, 1).unit, std::string(lv2_test::kUnits) + "hz");
    EXPECT_TRUE(
        lilv_port_has_property(plugin, lilv_plugin_get_port_by_index(plugin, 1),
                               world.Uri("http://lv2plug.in/ns/ext/port-props#logarithmic")));

    const PortView widgets = ViewPort(world, plugin, 2);
    EXPECT_EQ(widgets.unit, "widgets");
    EXPECT_EQ(widgets.defaultValue, 10.0f);  // restricted into the range

    EXPECT_TRUE(
        lilv_port_has_property(plugin, lilv_plugin_get_port_by_index(plugin, 3),
                               world.Uri("http://lv2plug.in/ns/ext/port-props#notAutomatic")));
    EXPECT_FALSE(ViewPort(world, plugin, 3).toggled);

    const PortView mode = ViewPort(world, plugin, 4);
    EXPECT_TRUE(mode.enumeration);
    ASSERT_EQ(mode.scalePoints.size(), 3u);
    EXPECT_EQ(mode.scalePoints[2].second, "Back\\slash");

    EXPECT_TRUE(ViewPort(world, plugin, 5).toggled);
    EXPECT_EQ(lilv_plugin_get_port_by_designation(plugin, world.Uri(kLV2 + "InputPort"),
                                                  world.Uri(kLV2 + "enabled")),
              nullptr);
    EXPECT_EQ(lilv_plugin_get_num_ports(plugin), 6u + 1u + 1u + 2u + 2u);
    EXPECT_EQ(ViewPort(world, plugin, 9).symbol, "out_r");
    EXPECT_EQ(ViewPort(world, plugin, 11).symbol, "notify");
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    EXPECT_EQ(lilv_uis_size(uis), 0u) << "no UI binary, no UI";
    lilv_uis_free(uis);
}

}  // namespace
