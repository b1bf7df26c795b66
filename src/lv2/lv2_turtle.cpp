#include "lv2/lv2_turtle.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <sstream>
#include <vector>

#include "core/param_table.h"
#include "core/plugin_processor.h"
#include "lv2/lv2_inline_display.h"
#include "lv2/lv2_ports.h"

namespace {

const char kPrefixes[] =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix patch: <http://lv2plug.in/ns/ext/patch#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rsz:   <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n";

std::string Uri(const std::string& uri) {
    return "<" + uri + ">";
}

std::string AppliesTo(const std::vector<LV2PluginVariant>& variants) {
    std::string list;
    for (const LV2PluginVariant& variant : variants) {
        list += (list.empty() ? "" : " , ") + Uri(variant.uri);
    }
    return list;
}

bool IsIntegerParam(const Param& param) {
    return param.Type() == TypeInt || param.Type() == TypeEnum || param.Type() == TypeBool;
}

bool IsZeroOneParam(const Param& param) {
    return IsIntegerParam(param) && param.Min() == 0.0 && param.Max() == 1.0;
}

// The units:unit object for a label, or "" for none.
std::string UnitOfLabel(const char* label) {
    struct Known {
        const char* label;
        const char* unit;
    };
    static const Known kKnown[] = {{"dB", "units:db"}, {"Hz", "units:hz"}, {"kHz", "units:khz"},
                                   {"ms", "units:ms"}, {"%", "units:pc"},  {"Seconds", "units:s"},
                                   {"s", "units:s"}};
    if (label == nullptr || *label == '\0') {
        return "";
    }
    for (const Known& known : kKnown) {
        if (std::strcmp(label, known.label) == 0) {
            return known.unit;
        }
    }
    const std::string text = TurtleString(label);
    const std::string render = TurtleString(std::string("%f ") + label);
    return "[ a units:Unit ; rdfs:label " + text + " ; units:symbol " + text + " ; units:render " +
           render + " ]";
}

// The index of the Param that is designated the enable switch, or -1.
int EnabledParam(const LV2ProductDescription& product, const ParamTable& params) {
    const Param* param = params.GetParam(product.enabledParam);
    return param != nullptr && IsZeroOneParam(*param) ? product.enabledParam : -1;
}

std::string ControlPort(const Param& param, int index, const std::string& symbol, bool enabled) {
    std::vector<std::string> properties;
    if (IsIntegerParam(param)) {
        properties.emplace_back("lv2:integer");
    }
    // An on/off switch is toggled even where its two positions have names
    // (hosts then draw a check box); the names stay as its scale points.
    const bool enumeration =
        param.HasDisplayTexts() && (param.Type() == TypeInt || param.Type() == TypeEnum);
    if (IsZeroOneParam(param)) {
        properties.emplace_back("lv2:toggled");
    } else if (enumeration) {
        properties.emplace_back("lv2:enumeration");
    }
    // Hosts then draw the knob on a logarithmic scale, as the Param maps it.
    if (param.GetShape().CurveKind() == 1 && param.Min() > 0.0) {
        properties.emplace_back("pprops:logarithmic");
    }
    if ((param.Flags() & FlagNotAutomatable) != 0) {
        properties.emplace_back("pprops:notAutomatic");
    }

    std::ostringstream out;
    out << "    lv2:port [\n"
        << "        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << TurtleString(symbol) << " ;\n"
        << "        lv2:name " << TurtleString(enabled ? kEnablePortName : param.Name()) << " ;\n"
        << "        lv2:default " << TurtleNumber(param.Restrict(param.Default())) << " ;\n"
        << "        lv2:minimum " << TurtleNumber(param.Min()) << " ;\n"
        << "        lv2:maximum " << TurtleNumber(param.Max());
    if (!properties.empty()) {
        out << " ;\n        lv2:portProperty ";
        for (std::size_t i = 0; i < properties.size(); ++i) {
            out << (i > 0 ? " , " : "") << properties[i];
        }
    }
    if (enabled) {
        out << " ;\n        lv2:designation lv2:enabled";
    }
    if (const std::string unit = UnitOfLabel(param.Label()); !unit.empty()) {
        out << " ;\n        units:unit " << unit;
    }
    for (int i = 0; i < param.DisplayTextCount(); ++i) {
        double value = 0.0;
        const char* text = param.DisplayTextAt(i, &value);
        out << (i == 0 ? " ;\n        lv2:scalePoint " : " ,\n            ") << "[ rdfs:label "
            << TurtleString(text) << " ; rdf:value " << TurtleNumber(value) << " ]";
    }
    out << "\n    ]";
    return out.str();
}

std::string AudioPort(bool input, int index, int channel, int count) {
    std::ostringstream out;
    out << "    lv2:port [\n"
        << "        a " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " , lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << TurtleString(AudioPortSymbol(input, channel, count)) << " ;\n"
        << "        lv2:name " << TurtleString(AudioPortName(input, channel, count)) << "\n"
        << "    ]";
    return out.str();
}

std::string LatencyPort(int index) {
    std::ostringstream out;
    out << "    lv2:port [\n"
        << "        a lv2:OutputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << TurtleString(kLatencyPortSymbol) << " ;\n"
        << "        lv2:name \"Latency\" ;\n"
        << "        lv2:minimum " << TurtleNumber(0.0) << " ;\n"
        << "        lv2:maximum " << TurtleNumber(kMaxLatencySamples) << " ;\n"
        << "        lv2:portProperty lv2:reportsLatency , lv2:integer , pprops:notOnGUI ;\n"
        << "        lv2:designation lv2:latency ;\n"
        << "        units:unit units:frame\n"
        << "    ]";
    return out.str();
}

// The "control" and "notify" sequences of patch messages, optional so hosts
// without atom support still run the plug-in. The editor size
// they carry is deliberately not declared patch:writable: hosts would show
// it as a parameter. Nor does "notify" say it carries patch messages: hosts
// that read those as changes of the plug-in's properties (Ardour) warn about
// one they cannot show; the UI receives them all the same.
std::string EventPort(bool input, int index) {
    std::ostringstream out;
    out << "    lv2:port [\n"
        << "        a " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " , atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << (input ? "        atom:supports patch:Message ;\n" : "")
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:portProperty lv2:connectionOptional ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol "
        << TurtleString(input ? kEventInputPortSymbol : kEventOutputPortSymbol) << " ;\n"
        << "        lv2:name " << (input ? "\"Control\"" : "\"Notify\"") << " ;\n"
        << "        rsz:minimumSize " << kLV2EventPortMinimumBytes << "\n"
        << "    ]";
    return out.str();
}

// The X11 UI: what it needs, and every port whose changes the host sends it
// (one notification per plug-in variant, as each names one plug-in).
void WriteUi(std::ostringstream& out, const LV2ProductDescription& product,
             const ParamTable& params) {
    out << "\n"
        << Uri(product.UiURI()) << "\n"
        << "    a ui:X11UI ;\n"
        << "    ui:binary " << Uri(product.uiBinary) << " ;\n"
        << "    lv2:requiredFeature ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:parent , ui:resize , ui:touch , urid:map , opts:options ;\n"
        << "    lv2:extensionData ui:idleInterface , ui:resize , ui:showInterface , opts:interface "
           ";\n"
        << "    opts:supportedOption ui:scaleFactor , ui:updateRate , ui:windowTitle";
    for (const LV2PluginVariant& variant : PluginVariants(product)) {
        const LV2PortLayout layout{params.Count(), variant.audioInputs, variant.audioOutputs};
        const std::vector<std::string> symbols =
            ParamSymbols(params, layout, EnabledParam(product, params));
        for (const std::string& symbol : symbols) {
            out << " ;\n    ui:portNotification [ ui:plugin " << Uri(variant.uri)
                << " ; lv2:symbol " << TurtleString(symbol) << " ; ui:protocol ui:floatProtocol ]";
        }
        out << " ;\n    ui:portNotification [ ui:plugin " << Uri(variant.uri) << " ; lv2:symbol "
            << TurtleString(kEventOutputPortSymbol) << " ; ui:protocol atom:eventTransfer ]";
    }
    out << " .\n";
}

void WritePlugin(std::ostringstream& out, const LV2ProductDescription& product,
                 const LV2PluginVariant& variant, const ParamTable& params) {
    const LV2PortLayout layout{params.Count(), variant.audioInputs, variant.audioOutputs};
    const int enabledParam = EnabledParam(product, params);
    const std::vector<std::string> symbols = ParamSymbols(params, layout, enabledParam);

    out << "\n"
        << Uri(variant.uri) << "\n"
        << "    a lv2:Plugin"
        << (product.pluginClass.empty() ? "" : " , lv2:" + product.pluginClass)
        << " , doap:Project ;\n"
        << "    doap:name " << TurtleString(variant.name) << " ;\n";
    if (!product.description.empty()) {
        out << "    rdfs:comment " << TurtleString(product.description) << " ;\n";
    }
    if (!product.maintainer.empty()) {
        std::string maker = "[ a foaf:Organization ; foaf:name " + TurtleString(product.maintainer);
        if (!product.homepage.empty()) {
            maker += " ; foaf:homepage " + Uri(product.homepage);
        }
        maker += " ]";
        out << "    doap:maintainer " << maker << " ;\n"
            << "    doap:developer " << maker << " ;\n";
    }
    if (!product.licenseURI.empty()) {
        out << "    doap:license " << Uri(product.licenseURI) << " ;\n";
    }
    out << "    doap:release [ doap:revision " << TurtleString(VersionText(product.version))
        << " ] ;\n";
    out << "    lv2:minorVersion " << LV2MinorVersion(product.version) << " ;\n"
        << "    lv2:microVersion " << LV2MicroVersion(product.version) << " ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options"
        << (product.inlineDisplay ? " , " + Uri(kLV2QueueDrawURI) : "") << " ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
        << "    lv2:extensionData state:interface"
        << (product.inlineDisplay ? " , " + Uri(kLV2InlineDisplayInterfaceURI) : "") << " ;\n";
    if (!product.uiBinary.empty()) {
        out << "    ui:ui " << Uri(product.UiURI()) << " ;\n";
    }

    // Ports in index order, so a reader sees the layout as the host does.
    std::vector<std::string> ports;
    for (int i = 0; i < params.Count(); ++i) {
        const Param& param = *params.GetParam(i);
        const bool enabled = i == enabledParam;
        ports.push_back(ControlPort(param, i, symbols[static_cast<std::size_t>(i)], enabled));
    }
    ports.push_back(LatencyPort(layout.LatencyPort()));
    for (int c = 0; c < variant.audioInputs; ++c) {
        ports.push_back(AudioPort(true, layout.FirstAudioInput() + c, c, variant.audioInputs));
    }
    for (int c = 0; c < variant.audioOutputs; ++c) {
        ports.push_back(AudioPort(false, layout.FirstAudioOutput() + c, c, variant.audioOutputs));
    }
    ports.push_back(EventPort(true, layout.EventInputPort()));
    ports.push_back(EventPort(false, layout.EventOutputPort()));
    for (std::size_t i = 0; i < ports.size(); ++i) {
        out << ports[i] << (i + 1 < ports.size() ? " ;\n" : " .\n");
    }
}

}  // namespace

std::string TurtleNumber(double value) {
    if (!std::isfinite(value)) {
        return "0.0";
    }
    const auto single = static_cast<float>(value);
    char text[64] = {};
    const auto [end, error] = std::to_chars(text, text + sizeof text - 1, single);
    if (error != std::errc()) {
        return "0.0";
    }
    std::string result(text, end);
    // A bare integer would be read as xsd:integer; the host stores a float.
    // An exponent form ("1e-08") is a Turtle double as it is.
    if (result.find_first_of(".e") == std::string::npos) {
        result += ".0";
    }
    return result;
}

std::string TurtleString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
                break;
        }
    }
    return out + "\"";
}

std::string ManifestTurtle(const LV2ProductDescription& product,
                           const std::vector<LV2Preset>& presets) {
    const std::vector<LV2PluginVariant> variants = PluginVariants(product);
    std::ostringstream out;
    out << "@prefix lv2:  <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
    if (!product.uiBinary.empty()) {
        out << "@prefix ui:   <http://lv2plug.in/ns/extensions/ui#> .\n";
    }
    for (const LV2PluginVariant& variant : variants) {
        out << "\n"
            << Uri(variant.uri) << "\n"
            << "    a lv2:Plugin ;\n"
            << "    lv2:binary " << Uri(product.binary) << " ;\n"
            << "    rdfs:seeAlso " << Uri(product.turtleFile) << " .\n";
    }
    // The rest of the UI's description is with the plug-ins.
    if (!product.uiBinary.empty()) {
        out << "\n"
            << Uri(product.UiURI()) << "\n"
            << "    a ui:X11UI ;\n"
            << "    ui:binary " << Uri(product.uiBinary) << " ;\n"
            << "    rdfs:seeAlso " << Uri(product.turtleFile) << " .\n";
    }
    for (const LV2Preset& preset : presets) {
        out << "\n"
            << Uri(PresetURI(product, preset)) << "\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo " << AppliesTo(variants) << " ;\n"
            << "    rdfs:label " << TurtleString(preset.label) << " ;\n"
            << "    rdfs:seeAlso " << Uri(product.presetFile) << " .\n";
    }
    return out.str();
}

std::string PresetTurtle(const LV2ProductDescription& product, const ParamTable& params,
                         const std::vector<LV2Preset>& presets) {
    const std::vector<LV2PluginVariant> variants = PluginVariants(product);
    // Symbols do not depend on the channel count for these names.
    const LV2PortLayout layout{params.Count(), variants.empty() ? 0 : variants.front().audioInputs,
                               variants.empty() ? 0 : variants.front().audioOutputs};
    const int enabledParam = EnabledParam(product, params);
    const std::vector<std::string> symbols = ParamSymbols(params, layout, enabledParam);
    std::ostringstream out;
    out << "@prefix lv2:  <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
    for (const LV2Preset& preset : presets) {
        out << "\n"
            << Uri(PresetURI(product, preset)) << "\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo " << AppliesTo(variants) << " ;\n"
            << "    rdfs:label " << TurtleString(preset.label);
        for (int i = 0; i < params.Count(); ++i) {
            const auto slot = static_cast<std::size_t>(i);
            if (i == enabledParam || slot >= preset.values.size()) {
                continue;
            }
            const Param& param = *params.GetParam(i);
            out << " ;\n    lv2:port [ lv2:symbol " << TurtleString(symbols[slot])
                << " ; pset:value " << TurtleNumber(param.Restrict(preset.values[slot])) << " ]";
        }
        out << " .\n";
    }
    return out.str();
}

std::string PluginTurtle(const LV2ProductDescription& product, const ParamTable& params) {
    std::ostringstream out;
    out << kPrefixes;
    for (const LV2PluginVariant& variant : PluginVariants(product)) {
        WritePlugin(out, product, variant, params);
    }
    if (!product.uiBinary.empty()) {
        WriteUi(out, product, params);
    }
    // No installed schema describes the inline display's terms: say what
    // they are, so validators find them in range.
    if (product.inlineDisplay) {
        out << "\n"
            << Uri(kLV2QueueDrawURI) << "\n    a lv2:Feature .\n"
            << "\n"
            << Uri(kLV2InlineDisplayInterfaceURI) << "\n    a lv2:ExtensionData .\n";
    }
    if (!product.licenseURI.empty() && !product.licenseLabel.empty()) {
        out << "\n"
            << Uri(product.licenseURI) << "\n    rdfs:label " << TurtleString(product.licenseLabel)
            << " .\n";
    }
    return out.str();
}
