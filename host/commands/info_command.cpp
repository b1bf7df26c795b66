// `hpi-host info MODULE [--json]`: one record of the module (effect,
// components, parameters from an instance), printed as text or JSON.
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "command.h"

namespace hpihost {
namespace {

constexpr float kInfoSampleRate = 48000.0f;
constexpr int32_t kInfoBlockFrames = 512;

// What info reports; the descriptions belong to the loaded host.
struct InfoRecord {
    std::string mModule;
    uint64_t mSDKVersion = 0;
    const LibraryDescription* mLibrary = nullptr;
    const EffectDescription* mEffect = nullptr;
    uint32_t mVersion = 0;
    std::vector<ParameterInfo> mParameters;  // from an instance of the first component
    std::string mInstanceComponent;
};

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

std::string PropertyValueText(uint32_t number, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    switch (number) {
        case HPI_eProperty_ManufacturerID:
        case HPI_eProperty_ProductID:
        case HPI_eProperty_PluginTypeID:
        case HPI_eProperty_SecondPluginTypeID:
            return "'" + FourChar(bits) + "'";
        case HPI_eProperty_InputStemFormat:
        case HPI_eProperty_OutputStemFormat:
        case HPI_eProperty_HybridInputStemFormat:
        case HPI_eProperty_HybridOutputStemFormat:
            return Hex32(bits);
        default:
            return std::to_string(value);
    }
}

std::string FieldText(const FieldDeclaration& field) {
    std::string text = std::to_string(field.mIndex) + " " + FieldKindName(field.mKind);
    switch (field.mKind) {
        case FieldKind::PrivateData:
            text += " " + std::to_string(field.mDataSize) + " B";
            break;
        case FieldKind::MIDINode:
            text += " type " + std::to_string(field.mNodeType) + " \"" + field.mName + "\" mask " +
                    Hex32(field.mChannelMask);
            break;
        case FieldKind::DataInPort:
            text += " " + std::to_string(field.mPacketSize) + " B port type " +
                    std::to_string(field.mPortType);
            break;
        case FieldKind::Meters:
            text += " x" + std::to_string(field.mMeterIDs.size());
            break;
        default:
            break;
    }
    return text;
}

std::string SDKVersionText(uint64_t version) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(version));
    return text;
}

nlohmann::ordered_json InfoJson(const InfoRecord& info) {
    const EffectDescription& effect = *info.mEffect;
    uint32_t category = 0;
    for (uint32_t bits : effect.mCategories) {
        category |= bits;
    }
    nlohmann::ordered_json json;
    json["module"] = info.mModule;
    json["sdk_version"] = SDKVersionText(info.mSDKVersion);
    json["effect"] = {{"id", effect.mID},
                      {"names", effect.mNames},
                      {"manufacturer", info.mLibrary->mManufacturerName},
                      {"version", PackageVersionText(info.mVersion)},
                      {"version_code", info.mVersion},
                      {"package_names", info.mLibrary->mPackageNames},
                      {"category", category}};
    json["components"] = nlohmann::ordered_json::array();
    for (const ComponentDescription& component : effect.mComponents) {
        nlohmann::ordered_json codes = nlohmann::ordered_json::array();
        for (uint32_t number : {HPI_eProperty_PluginTypeID, HPI_eProperty_SecondPluginTypeID}) {
            if (const auto code = component.Property(number)) {
                codes.push_back(FourChar(static_cast<uint32_t>(*code)));
            }
        }
        nlohmann::ordered_json properties = nlohmann::ordered_json::array();
        for (const PropertyEntry& entry : component.mProperties) {
            properties.push_back({entry.mNumber, entry.mValue});
        }
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        for (const FieldDeclaration& field : component.mFields) {
            fields.push_back({field.mIndex, FieldKindName(field.mKind)});
        }
        json["components"].push_back(
            {{"type_codes", codes},
             {"stem_formats", {component.InputStemFormat(), component.OutputStemFormat()}},
             {"channels", {component.InputChannels(), component.OutputChannels()}},
             {"properties", properties},
             {"fields", fields}});
    }
    json["parameters"] = nlohmann::ordered_json::array();
    for (const ParameterInfo& p : info.mParameters) {
        json["parameters"].push_back({{"id", p.mID},
                                      {"name", p.mName},
                                      {"default_text", p.mDefaultText},
                                      {"steps", p.mSteps}});
    }
    return json;
}

void PrintInfoText(const InfoRecord& info) {
    const EffectDescription& effect = *info.mEffect;
    std::printf("Module        %s\n", info.mModule.c_str());
    std::printf("SDK version   %s\n", SDKVersionText(info.mSDKVersion).c_str());
    std::printf("Package       %s, version %s (%s)\n\n",
                Joined(info.mLibrary->mPackageNames, ", ").c_str(),
                PackageVersionText(info.mVersion).c_str(), Hex32(info.mVersion).c_str());
    std::printf("Effect        %s\n", effect.mID.c_str());
    std::printf("  names         %s\n", Joined(effect.mNames, ", ").c_str());
    std::printf("  manufacturer  %s\n", info.mLibrary->mManufacturerName.c_str());
    std::printf("  version       %s\n", PackageVersionText(info.mVersion).c_str());
    std::vector<std::string> categories;
    for (uint32_t bits : effect.mCategories) {
        categories.push_back(std::to_string(bits));
    }
    std::printf("  category      %s\n", Joined(categories, ", ").c_str());
    std::vector<std::string> factories;
    for (const FactoryProcEntry& entry : effect.mFactoryProcs) {
        factories.push_back(std::to_string(entry.mNumber) +
                            (entry.mNumber == HPI_eFactoryProc_EffectParameters
                                 ? " (effect parameters)"
                             : entry.mNumber == HPI_eFactoryProc_EffectGUI ? " (editor)"
                                                                           : ""));
    }
    std::printf("  factories     %s\n", Joined(factories, ", ").c_str());
    for (std::size_t c = 0; c < effect.mComponents.size(); ++c) {
        const ComponentDescription& component = effect.mComponents[c];
        std::string codes = FourChar(component.TypeID());
        if (const auto second = component.Property(HPI_eProperty_SecondPluginTypeID)) {
            codes += " / " + FourChar(static_cast<uint32_t>(*second));
        }
        std::printf("\nComponent %zu of %zu: %s, %s in -> %s out\n", c + 1,
                    effect.mComponents.size(), codes.c_str(),
                    ChannelWord(component.InputChannels()).c_str(),
                    ChannelWord(component.OutputChannels()).c_str());
        std::printf("  stem formats  in %s, out %s\n",
                    Hex32(static_cast<uint32_t>(component.InputStemFormat())).c_str(),
                    Hex32(static_cast<uint32_t>(component.OutputStemFormat())).c_str());
        std::vector<std::string> properties;
        for (const PropertyEntry& entry : component.mProperties) {
            properties.push_back(std::to_string(entry.mNumber) + "=" +
                                 PropertyValueText(entry.mNumber, entry.mValue));
        }
        std::printf("  properties    %s\n", Joined(properties, "  ").c_str());
        // Fields in the order declared, wrapped at about 100 columns.
        std::string line = "  fields        ";
        for (std::size_t f = 0; f < component.mFields.size(); ++f) {
            const std::string item =
                FieldText(component.mFields[f]) + (f + 1 < component.mFields.size() ? "," : "");
            if (line.size() + item.size() > 100 && line.size() > 16) {
                std::printf("%s\n", line.c_str());
                line = "                ";
            }
            line += item + " ";
        }
        std::printf("%s\n", line.c_str());
    }
    std::printf("\nParameters (%zu, from an instance of %s at %.0f Hz)\n", info.mParameters.size(),
                info.mInstanceComponent.c_str(), static_cast<double>(kInfoSampleRate));
    std::size_t idWidth = 2;
    std::size_t nameWidth = 4;
    std::size_t defaultWidth = 7;
    for (const ParameterInfo& p : info.mParameters) {
        idWidth = std::max(idWidth, p.mID.size());
        nameWidth = std::max(nameWidth, p.mName.size());
        defaultWidth = std::max(defaultWidth, p.mDefaultText.size());
    }
    const auto id = static_cast<int>(idWidth);
    const auto name = static_cast<int>(nameWidth);
    const auto text = static_cast<int>(defaultWidth);
    std::printf("  %3s  %-*s  %-*s  %-*s  %s\n", "#", id, "id", name, "name", text, "default",
                "steps");
    for (const ParameterInfo& p : info.mParameters) {
        std::printf("  %3d  %-*s  %-*s  %-*s  %d\n", p.mIndex, id, p.mID.c_str(), name,
                    p.mName.c_str(), text, p.mDefaultText.c_str(), p.mSteps);
    }
}

struct InfoCommand {
    std::string mModule;
    bool mJson = false;
};

// Loads the module, lists the parameters of an instance and prints.
int RunInfo(const InfoCommand& command) {
    Host host;
    if (const int loaded = LoadModule(host, command.mModule); loaded != kExitOk) {
        return loaded;
    }
    InfoRecord info;
    info.mModule = host.ModulePath();
    info.mSDKVersion = host.SDKVersion();
    info.mLibrary = &host.Description();
    info.mEffect = &host.Effect();
    info.mVersion = info.mLibrary->mPackageVersion.value_or(0);
    const int code = [&]() -> int {
        if (info.mEffect->mComponents.empty()) {
            return Fail(kExitInstanceFailed, "the effect has no components");
        }
        const ComponentDescription& component = info.mEffect->mComponents.front();
        std::string message;
        HPI_Result result = HPI_SUCCESS;
        const std::unique_ptr<PluginInstance> instance =
            host.CreateInstance(component, kInfoSampleRate, kInfoBlockFrames, &message, &result);
        if (!instance) {
            return Fail(kExitInstanceFailed, "cannot create an instance: " + message);
        }
        info.mParameters = instance->ListParameters();
        info.mInstanceComponent = FourChar(component.TypeID());
        return kExitOk;
    }();
    if (code == kExitOk) {
        if (command.mJson) {
            std::printf("%s\n", InfoJson(info).dump(2).c_str());
        } else {
            PrintInfoText(info);
        }
    }
    CloseHost(host);
    return code;
}

}  // namespace

CommandRun AddInfoCommand(CLI::App& app) {
    auto command = std::make_shared<InfoCommand>();
    CLI::App* info =
        app.add_subcommand("info", "describe the effect, its components and its parameters");
    info->add_option("MODULE", command->mModule, "the plug-in module (.so)");
    info->add_flag("--json", command->mJson, "print the same as one JSON object");
    info->allow_extras();
    return [command, info] {
        if (const std::string extra = ExtraArgumentText(*info, "one MODULE"); !extra.empty()) {
            return Fail(kExitUsage, extra);
        }
        if (command->mModule.empty()) {
            return Fail(kExitUsage, "info needs a MODULE (see hpi-host --help)");
        }
        return RunInfo(*command);
    };
}

}  // namespace hpihost
