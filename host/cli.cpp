#include "cli.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include "audio_file.h"
#include "host.h"
#include "renderer.h"
#include "validator.h"

namespace hpihost {
namespace {

constexpr float kInfoSampleRate = 48000.0f;
constexpr int32_t kMaxBlockFrames = 65536;

const char kMainHelp[] =
    "hpi-host - load an HPI plug-in module and describe it or process audio through it\n"
    "\n"
    "Usage:\n"
    "  hpi-host info MODULE [--json]\n"
    "  hpi-host render MODULE IN OUT [options]     (hpi-host render --help for the options)\n"
    "  hpi-host validate MODULE [--seed N] [--strict] [--only CHECKS]   (hpi-host validate --help)\n"
    "  hpi-host --help\n"
    "\n"
    "info    prints the effect (identifier, names, manufacturer, version, category), each\n"
    "        component (type codes, stem formats, properties by number, render-context fields)\n"
    "        and, from an initialised instance, every parameter (identifier, name, default, steps).\n"
    "        --json prints the same as one JSON object.\n"
    "render  reads IN (WAV, FLAC, AIFF; mono or stereo picks the component), renders it block by\n"
    "        block on a render thread and writes OUT.\n"
    "validate runs MODULE through the validator's checks (lifecycle, render, parameter fuzz,\n"
    "        state, garbage state, real-time safety, determinism), one line per check.\n"
    "\n"
    "Exit codes:\n"
    "   0  success\n"
    "   1  bad command line\n"
    "   2  module file missing\n"
    "   3  not a plug-in module (not a shared object, or HPI entry points missing)\n"
    "   4  registration failed (HPIStartup or HPIRegisterPlugin answered an error code)\n"
    "   5  the plug-in instance could not be created or initialised\n"
    "   6  input file unreadable\n"
    "   7  input channel count not supported by any component\n"
    "   8  unknown parameter\n"
    "   9  a value text the plug-in does not convert, or a value out of range\n"
    "  10  output file unwritable, or the same file as the input\n"
    "  11  state file unreadable or unwritable, or state refused by the plug-in\n"
    "  12  rendering failed\n"
    "  13  validate: a check failed, or the plug-in crashed during one\n";

const char kRenderHelp[] =
    "Usage: hpi-host render MODULE IN OUT [options]\n"
    "\n"
    "Reads IN with libsndfile (WAV, FLAC, AIFF, ...), picks the component whose input and output\n"
    "have IN's channel count, renders IN through the plug-in's render procedure on a render thread\n"
    "and writes OUT. The main thread meanwhile runs the host's run loop: the plug-in's timers,\n"
    "packet updates, and the answers to its automation requests.\n"
    "\n"
    "Options:\n"
    "  --block N                 frames per render call (1..65536, default 512)\n"
    "  --format F                output format: wav (32-bit float, default), wav16, wav24,\n"
    "                            flac (24-bit), flac16, aiff (24-bit), aiff16\n"
    "  --set NAME_OR_ID=TEXT     set a parameter from a text, through the plug-in's own\n"
    "                            conversion (\"Preamp Gain=6\", \"Preamp Gain=6 dB\", HighPass=2);\n"
    "                            a text that fails is tried once more without a trailing unit.\n"
    "                            Integer parameters read as numbers. Repeatable, applied in order.\n"
    "  --set-norm ID=N           set a parameter to a normalised value 0..1 (by id or name)\n"
    "  --state FILE              restore this state (chunk data) before the --set options\n"
    "  --save-state FILE         write the state after rendering (chunk data, no host header)\n"
    "  --bypass                  turn the master bypass on (audio passes through, delayed by\n"
    "                            the plug-in's latency)\n"
    "  --compensate              drop the reported latency from the start and render as much\n"
    "                            longer, so OUT lines up with IN sample for sample\n"
    "  --automate NAME_OR_ID=TEXT@SECONDS\n"
    "                            change a parameter when the render reaches SECONDS (of the\n"
    "                            render position); applied by the main thread while the render\n"
    "                            thread waits at that frame. Repeatable.\n"
    "  --tail SECONDS            render this much silence after IN (default 0)\n"
    "  --quiet                   no progress bar and no summary\n"
    "  --help                    this text\n"
    "\n"
    "Parameters are found by identifier first, then by exact name; `hpi-host info MODULE` lists\n"
    "them. A progress bar goes to stderr when it is a terminal; a summary (frames, latency, peak\n"
    "and RMS per channel in dBFS, real-time factor) goes to stdout.\n"
    "\n"
    "Exit codes: 0 success, 1 bad command line, 2 module missing, 3 not a plug-in module,\n"
    "4 registration failed, 5 instance failed, 6 input unreadable, 7 unsupported channel count,\n"
    "8 unknown parameter, 9 value text does not convert or is out of range, 10 output unwritable,\n"
    "11 state file or state refused, 12 rendering failed.\n";

const char kValidateHelp[] =
    "Usage: hpi-host validate MODULE [--seed N] [--strict] [--only CHECKS]\n"
    "\n"
    "Runs the plug-in module through these checks and prints one line per check: PASS, FAIL or\n"
    "SKIP, its name, the figures behind it (or the reason) and the time it took.\n"
    "\n"
    "  lifecycle      load, register, create, initialise, render, uninitialise and unload twice\n"
    "                 (cold and warm): HPICanUnloadNow 0 after release, no timer or host object\n"
    "                 left behind, the warm load renders exactly what the cold one did\n"
    "  render         22050 to 192000 Hz x blocks of 1, 17, 64, 512, 4096 and random sizes x every\n"
    "                 channel layout, plus runs with random and corner settings: no NaN,\n"
    "                 infinity or subnormal, |x| < 1000, and the reported latency lies between\n"
    "                 the impulse response's onset and its peak\n"
    "  param-fuzz     random value changes on every parameter from the main thread while the\n"
    "                 render thread runs (2 s; 20 s with --strict): output finite and bounded\n"
    "  state          chunk -> fresh instance -> chunk is byte-identical; random settings come\n"
    "                 back with the same display texts\n"
    "  garbage-state  empty, truncated, over-long, random and 1 MB chunks, NaN/inf/extreme numbers\n"
    "                 at every offset, byte mutations: no crash, parameters finite in 0..1,\n"
    "                 the next render finite\n"
    "  realtime       no heap allocation, free, lock or wait on the render thread in steady state\n"
    "                 and while parameters change (skipped in sanitizer builds, whose runtime\n"
    "                 owns malloc and the lock functions)\n"
    "  determinism    two instances with equal settings and input render bit-identical output\n"
    "\n"
    "Options:\n"
    "  --seed N        seed of every random choice (default 1); a failing run repeats with it\n"
    "  --strict        the long form: more rates (8 kHz to 384 kHz) and block sizes, 20 s of\n"
    "                  fuzz, every truncation at every rate, more random and mutated chunks\n"
    "  --only CHECKS   run only these checks (names separated by commas)\n"
    "  --help          this text\n"
    "\n"
    "A plug-in that crashes is reported as a FAIL line naming the check and what it was doing.\n"
    "\n"
    "Exit codes: 0 every check passed or was skipped, 13 a check failed, 1 bad command line,\n"
    "2 module missing, 3 not a plug-in module, 4 registration failed.\n";

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "hpi-host: error: %s\n", message.c_str());
    return code;
}

void Warn(const std::string& message) { std::fprintf(stderr, "hpi-host: warning: %s\n", message.c_str()); }

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string FourChar(uint32_t code) { return HPI_FourCharCodeText(code).mText; }

std::string PropertyValueText(uint32_t number, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    switch (number) {
        case HPI_eProperty_ManufacturerID:
        case HPI_eProperty_ProductID:
        case HPI_eProperty_PluginTypeID:
        case HPI_eProperty_SecondPluginTypeID: return "'" + FourChar(bits) + "'";
        case HPI_eProperty_InputStemFormat:
        case HPI_eProperty_OutputStemFormat:
        case HPI_eProperty_HybridInputStemFormat:
        case HPI_eProperty_HybridOutputStemFormat: return Hex32(bits);
        default: return std::to_string(value);
    }
}

std::string ChannelWord(int channels) {
    return channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + " channels";
}

std::string FieldText(const FieldDeclaration& field) {
    std::string text = std::to_string(field.mIndex) + " " + FieldKindName(field.mKind);
    switch (field.mKind) {
        case FieldKind::PrivateData: text += " " + std::to_string(field.mDataSize) + " B"; break;
        case FieldKind::MIDINode:
            text += " type " + std::to_string(field.mNodeType) + " \"" + field.mName + "\" mask " +
                    Hex32(field.mChannelMask);
            break;
        case FieldKind::DataInPort:
            text += " " + std::to_string(field.mPacketSize) + " B port type " + std::to_string(field.mPortType);
            break;
        case FieldKind::Meters: text += " x" + std::to_string(field.mMeterIDs.size()); break;
        default: break;
    }
    return text;
}

// A whole-text number ("48000", "0.5"); nullopt otherwise.
std::optional<double> ParseNumber(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The number a text starts with ("6 dB" -> 6); nullopt when it starts otherwise.
std::optional<double> LeadingNumber(const std::string& text) {
    const char* start = text.c_str();
    while (*start == ' ' || *start == '\t') {
        ++start;
    }
    if (!(std::isdigit(static_cast<unsigned char>(*start)) || *start == '-' || *start == '+' || *start == '.')) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string DbText(double db) {
    if (!std::isfinite(db)) {
        return "-inf";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", db);
    return text;
}

bool ReadFile(const std::string& path, std::vector<unsigned char>* data) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    data->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& data) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    file.close();
    return !file.fail();
}

int LoadExitCode(LoadStatus status) {
    switch (status) {
        case LoadStatus::Ok: return kExitOk;
        case LoadStatus::FileMissing: return kExitModuleMissing;
        case LoadStatus::NotSharedObject:
        case LoadStatus::MissingEntryPoints: return kExitNotPlugin;
        default: return kExitRegistrationFailed;
    }
}

// Closes the session and warns about what a well-behaved plug-in leaves
// clean: live objects, registered run-loop entries, calls on wrong threads.
void CloseHost(Host& host) {
    if (!host.IsLoaded()) {
        return;
    }
    const std::size_t assertions = host.Library().AssertionCount();
    const std::vector<AssertionRecord> records = host.Library().Assertions();
    const CloseReport report = host.Close();
    if (assertions > 0) {
        Warn("the plug-in reported " + std::to_string(assertions) + " failed check(s)" +
             (records.empty() ? "" : ", first: " + records.front().mExpression + " at " + records.front().mFile +
                                         ":" + std::to_string(records.front().mLine)));
    }
    if (report.mLiveObjectsBeforeShutdown != 0) {
        Warn("HPICanUnloadNow answered " + std::to_string(report.mLiveObjectsBeforeShutdown) +
             " live object(s) at the end");
    }
    if (report.mEntriesLeft != 0) {
        Warn("the plug-in left " + std::to_string(report.mEntriesLeft) + " timer(s)/descriptor(s) registered");
    }
    if (report.mOffThreadCalls != 0) {
        Warn(std::to_string(report.mOffThreadCalls) + " run-loop call(s) came from a thread other than the main one");
    }
}

// --- info -------------------------------------------------------------------

int RunInfo(const std::vector<std::string>& args) {
    std::string modulePath;
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs("Usage: hpi-host info MODULE [--json]\n\n", stdout);
            std::fputs(kMainHelp, stdout);
            return kExitOk;
        }
        if (arg == "--json") {
            json = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return Fail(kExitUsage, "unknown option '" + arg + "' for info (see hpi-host --help)");
        } else if (modulePath.empty()) {
            modulePath = arg;
        } else {
            return Fail(kExitUsage, "info takes one MODULE");
        }
    }
    if (modulePath.empty()) {
        return Fail(kExitUsage, "info needs a MODULE (see hpi-host --help)");
    }

    Host host;
    const LoadResult loaded = host.Load(modulePath);
    if (loaded.mStatus != LoadStatus::Ok) {
        return Fail(LoadExitCode(loaded.mStatus), std::string(LoadStatusText(loaded.mStatus)) + ": " + loaded.mMessage);
    }
    const LibraryDescription& library = host.Description();
    const EffectDescription& effect = host.Effect();

    std::vector<ParameterInfo> parameters;
    std::string instanceComponent;
    {
        std::string message;
        HPI_Result code = HPI_SUCCESS;
        if (effect.mComponents.empty()) {
            CloseHost(host);
            return Fail(kExitInstanceFailed, "the effect has no components");
        }
        const ComponentDescription& component = effect.mComponents.front();
        std::unique_ptr<PluginInstance> instance =
            host.CreateInstance(component, kInfoSampleRate, 512, &message, &code);
        if (!instance) {
            instance.reset();
            CloseHost(host);
            return Fail(kExitInstanceFailed, "cannot create an instance: " + message);
        }
        parameters = instance->ListParameters();
        instanceComponent = FourChar(component.TypeID());
    }

    const uint32_t version = library.mPackageVersion.value_or(0);
    std::string names;
    for (const std::string& name : effect.mNames) {
        names += (names.empty() ? "" : ", ") + name;
    }

    if (json) {
        std::ostringstream out;
        out << "{\n  \"module\": " << JsonString(host.ModulePath()) << ",\n";
        char sdk[32];
        std::snprintf(sdk, sizeof sdk, "0x%016llX", static_cast<unsigned long long>(host.SDKVersion()));
        out << "  \"sdk_version\": " << JsonString(sdk) << ",\n";
        out << "  \"effect\": {\n    \"id\": " << JsonString(effect.mID) << ",\n    \"names\": [";
        for (std::size_t i = 0; i < effect.mNames.size(); ++i) {
            out << (i ? ", " : "") << JsonString(effect.mNames[i]);
        }
        out << "],\n    \"manufacturer\": " << JsonString(library.mManufacturerName) << ",\n";
        out << "    \"version\": " << JsonString(PackageVersionText(version)) << ",\n";
        out << "    \"version_code\": " << version << ",\n";
        out << "    \"package_names\": [";
        for (std::size_t i = 0; i < library.mPackageNames.size(); ++i) {
            out << (i ? ", " : "") << JsonString(library.mPackageNames[i]);
        }
        uint32_t category = 0;
        for (uint32_t bits : effect.mCategories) {
            category |= bits;
        }
        out << "],\n    \"category\": " << category << "\n  },\n  \"components\": [";
        for (std::size_t c = 0; c < effect.mComponents.size(); ++c) {
            const ComponentDescription& component = effect.mComponents[c];
            out << (c ? "," : "") << "\n    {\n      \"type_codes\": [";
            bool firstCode = true;
            for (uint32_t number : {HPI_eProperty_PluginTypeID, HPI_eProperty_SecondPluginTypeID}) {
                if (const auto code = component.Property(number)) {
                    out << (firstCode ? "" : ", ") << JsonString(FourChar(static_cast<uint32_t>(*code)));
                    firstCode = false;
                }
            }
            out << "],\n      \"stem_formats\": [" << component.InputStemFormat() << ", "
                << component.OutputStemFormat() << "],\n      \"channels\": [" << component.InputChannels() << ", "
                << component.OutputChannels() << "],\n      \"properties\": [";
            for (std::size_t p = 0; p < component.mProperties.size(); ++p) {
                out << (p ? ", " : "") << "[" << component.mProperties[p].mNumber << ", "
                    << component.mProperties[p].mValue << "]";
            }
            out << "],\n      \"fields\": [";
            for (std::size_t f = 0; f < component.mFields.size(); ++f) {
                out << (f ? ", " : "") << "[" << component.mFields[f].mIndex << ", "
                    << JsonString(FieldKindName(component.mFields[f].mKind)) << "]";
            }
            out << "]\n    }";
        }
        out << "\n  ],\n  \"parameters\": [";
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            const ParameterInfo& p = parameters[i];
            out << (i ? "," : "") << "\n    {\"id\": " << JsonString(p.mID) << ", \"name\": " << JsonString(p.mName)
                << ", \"default_text\": " << JsonString(p.mDefaultText) << ", \"steps\": " << p.mSteps << "}";
        }
        out << "\n  ]\n}\n";
        std::fputs(out.str().c_str(), stdout);
    } else {
        std::printf("Module        %s\n", host.ModulePath().c_str());
        std::printf("SDK version   0x%016llX\n", static_cast<unsigned long long>(host.SDKVersion()));
        std::string packages;
        for (const std::string& name : library.mPackageNames) {
            packages += (packages.empty() ? "" : ", ") + name;
        }
        std::printf("Package       %s, version %s (%s)\n\n", packages.c_str(), PackageVersionText(version).c_str(),
                    Hex32(version).c_str());
        std::printf("Effect        %s\n", effect.mID.c_str());
        std::printf("  names         %s\n", names.c_str());
        std::printf("  manufacturer  %s\n", library.mManufacturerName.c_str());
        std::printf("  version       %s\n", PackageVersionText(version).c_str());
        std::string categories;
        for (uint32_t bits : effect.mCategories) {
            categories += (categories.empty() ? "" : ", ") + std::to_string(bits);
        }
        std::printf("  category      %s\n", categories.c_str());
        std::string factories;
        for (const FactoryProcEntry& entry : effect.mFactoryProcs) {
            factories += (factories.empty() ? "" : ", ") + std::to_string(entry.mNumber) +
                         (entry.mNumber == HPI_eFactoryProc_EffectParameters ? " (effect parameters)"
                          : entry.mNumber == HPI_eFactoryProc_EffectGUI      ? " (editor)"
                                                                               : "");
        }
        std::printf("  factories     %s\n", factories.c_str());
        for (std::size_t c = 0; c < effect.mComponents.size(); ++c) {
            const ComponentDescription& component = effect.mComponents[c];
            std::string codes = FourChar(component.TypeID());
            if (const auto second = component.Property(HPI_eProperty_SecondPluginTypeID)) {
                codes += " / " + FourChar(static_cast<uint32_t>(*second));
            }
            std::printf("\nComponent %zu of %zu: %s, %s in -> %s out\n", c + 1, effect.mComponents.size(),
                        codes.c_str(), ChannelWord(component.InputChannels()).c_str(),
                        ChannelWord(component.OutputChannels()).c_str());
            std::printf("  stem formats  in %s, out %s\n", Hex32(static_cast<uint32_t>(component.InputStemFormat())).c_str(),
                        Hex32(static_cast<uint32_t>(component.OutputStemFormat())).c_str());
            std::string properties;
            for (const PropertyEntry& entry : component.mProperties) {
                properties += (properties.empty() ? "" : "  ") + std::to_string(entry.mNumber) + "=" +
                              PropertyValueText(entry.mNumber, entry.mValue);
            }
            std::printf("  properties    %s\n", properties.c_str());
            // Fields in the order declared, wrapped at about 100 columns.
            std::string line = "  fields        ";
            for (std::size_t f = 0; f < component.mFields.size(); ++f) {
                const std::string item = FieldText(component.mFields[f]) + (f + 1 < component.mFields.size() ? "," : "");
                if (line.size() + item.size() > 100 && line.size() > 16) {
                    std::printf("%s\n", line.c_str());
                    line = "                ";
                }
                line += item + " ";
            }
            std::printf("%s\n", line.c_str());
        }
        std::printf("\nParameters (%zu, from an instance of %s at %.0f Hz)\n", parameters.size(),
                    instanceComponent.c_str(), static_cast<double>(kInfoSampleRate));
        std::size_t idWidth = 2;
        std::size_t nameWidth = 4;
        std::size_t defaultWidth = 7;
        for (const ParameterInfo& p : parameters) {
            idWidth = std::max(idWidth, p.mID.size());
            nameWidth = std::max(nameWidth, p.mName.size());
            defaultWidth = std::max(defaultWidth, p.mDefaultText.size());
        }
        std::printf("  %3s  %-*s  %-*s  %-*s  %s\n", "#", static_cast<int>(idWidth), "id", static_cast<int>(nameWidth),
                    "name", static_cast<int>(defaultWidth), "default", "steps");
        for (const ParameterInfo& p : parameters) {
            std::printf("  %3d  %-*s  %-*s  %-*s  %d\n", p.mIndex, static_cast<int>(idWidth), p.mID.c_str(),
                        static_cast<int>(nameWidth), p.mName.c_str(), static_cast<int>(defaultWidth),
                        p.mDefaultText.c_str(), p.mSteps);
        }
    }
    CloseHost(host);
    return kExitOk;
}

// --- render -----------------------------------------------------------------

struct ParameterChange {
    std::string mTarget;      // identifier or name as given
    std::string mText;        // for --set / --automate
    bool mNormalized = false; // --set-norm
    double mSeconds = 0.0;    // --automate
    std::string mOption;      // the option as given, for messages
    // Resolved:
    std::string mID;
    std::string mName;
    double mValue = 0.0;
};

struct RenderCommand {
    std::string mModule, mInput, mOutput;
    int32_t mBlock = 512;
    OutputFormat mFormat = OutputFormat::WavFloat;
    std::vector<ParameterChange> mChanges;   // --set and --set-norm, in order
    std::vector<ParameterChange> mAutomation;
    std::string mState, mSaveState;
    bool mBypass = false;
    bool mCompensate = false;
    double mTailSeconds = 0.0;
    bool mQuiet = false;
};

bool SplitAssignment(const std::string& text, std::string* name, std::string* value) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    *name = text.substr(0, equals);
    *value = text.substr(equals + 1);
    return true;
}

// Parses the render options; answers kExitOk, or an exit code after printing
// the reason (or the help, with `help` set).
int ParseRender(const std::vector<std::string>& args, RenderCommand* command, bool* help) {
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t equals = arg.find('=');
            if (equals != std::string::npos) {
                inlineValue = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
                hasInline = true;
            }
        }
        auto value = [&](std::string* out) {
            if (hasInline) {
                *out = inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                return false;
            }
            *out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            *help = true;
            return kExitOk;
        } else if (arg == "--bypass" || arg == "--compensate" || arg == "--quiet") {
            if (hasInline) {
                return Fail(kExitUsage, arg + " takes no value");
            }
            (arg == "--bypass" ? command->mBypass : arg == "--compensate" ? command->mCompensate : command->mQuiet) =
                true;
        } else if (arg == "--block" || arg == "--format" || arg == "--set" || arg == "--set-norm" ||
                   arg == "--state" || arg == "--save-state" || arg == "--automate" || arg == "--tail") {
            if (!value(&text)) {
                return Fail(kExitUsage, arg + " needs a value (see hpi-host render --help)");
            }
            if (arg == "--block") {
                const auto number = ParseNumber(text);
                if (!number || *number != std::floor(*number) || *number < 1 || *number > kMaxBlockFrames) {
                    return Fail(kExitUsage, "--block takes a whole number of frames from 1 to 65536, not '" + text + "'");
                }
                command->mBlock = static_cast<int32_t>(*number);
            } else if (arg == "--format") {
                if (!ParseOutputFormat(text, &command->mFormat)) {
                    return Fail(kExitUsage, "unknown output format '" + text + "'; use one of " + OutputFormatList());
                }
            } else if (arg == "--tail") {
                const auto number = ParseNumber(text);
                if (!number || *number < 0 || *number > 3600) {
                    return Fail(kExitUsage, "--tail takes seconds from 0 to 3600, not '" + text + "'");
                }
                command->mTailSeconds = *number;
            } else if (arg == "--state") {
                command->mState = text;
            } else if (arg == "--save-state") {
                command->mSaveState = text;
            } else {
                ParameterChange change;
                change.mOption = arg + " " + text;
                if (!SplitAssignment(text, &change.mTarget, &change.mText)) {
                    return Fail(kExitUsage, arg + " takes NAME_OR_ID=" +
                                                (arg == "--set-norm" ? "N" : arg == "--set" ? "TEXT" : "TEXT@SECONDS") +
                                                ", not '" + text + "'");
                }
                if (arg == "--set-norm") {
                    change.mNormalized = true;
                    command->mChanges.push_back(change);
                } else if (arg == "--set") {
                    command->mChanges.push_back(change);
                } else {
                    const std::size_t at = change.mText.rfind('@');
                    const auto seconds = at == std::string::npos ? std::nullopt : ParseNumber(change.mText.substr(at + 1));
                    if (!seconds || *seconds < 0) {
                        return Fail(kExitUsage, "--automate takes NAME_OR_ID=TEXT@SECONDS, not '" + text + "'");
                    }
                    change.mSeconds = *seconds;
                    change.mText = change.mText.substr(0, at);
                    command->mAutomation.push_back(change);
                }
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail(kExitUsage, "unknown option '" + arg + "' (see hpi-host render --help)");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 3) {
        return Fail(kExitUsage, "render needs MODULE IN OUT (see hpi-host render --help)");
    }
    command->mModule = positional[0];
    command->mInput = positional[1];
    command->mOutput = positional[2];
    return kExitOk;
}

// Finds the parameter and converts the text; answers an exit code.
int Resolve(PluginInstance& instance, const std::vector<ParameterInfo>& parameters, ParameterChange& change) {
    const auto id = instance.FindParameter(change.mTarget);
    if (!id) {
        std::string known;
        for (const ParameterInfo& p : parameters) {
            known += (known.empty() ? "" : ", ") + ("\"" + p.mName + "\"") + (p.mID.empty() ? "" : " (" + p.mID + ")");
        }
        return Fail(kExitUnknownParameter,
                    "unknown parameter '" + change.mTarget + "' in " + change.mOption + "; known: " + known);
    }
    change.mID = *id;
    for (const ParameterInfo& p : parameters) {
        if (p.mID == change.mID) {
            change.mName = p.mName;
        }
    }
    if (change.mNormalized) {
        const auto number = ParseNumber(change.mText);
        if (!number || *number < 0.0 || *number > 1.0) {
            return Fail(kExitBadValue, "'" + change.mText + "' is not a normalised value from 0 to 1 (" +
                                           change.mOption + ")");
        }
        change.mValue = *number;
        return kExitOk;
    }
    const TextConversion conversion = instance.ConvertText(change.mID, change.mText);
    if (conversion.mResult != HPI_SUCCESS) {
        return Fail(kExitBadValue, "\"" + change.mName + "\" does not take '" + change.mText + "' (" +
                                       change.mOption + "): the plug-in answered " +
                                       std::to_string(conversion.mResult) + " " + HPI_ResultName(conversion.mResult) +
                                       "; for example '" + instance.DisplayText(change.mID, 1.0) + "'");
    }
    // A number outside the displayed range would be clamped silently.
    const auto asked = LeadingNumber(change.mText);
    const std::string lowText = instance.DisplayText(change.mID, 0.0);
    const std::string highText = instance.DisplayText(change.mID, 1.0);
    const auto low = LeadingNumber(lowText);
    const auto high = LeadingNumber(highText);
    if (asked && low && high) {
        const double smallest = std::min(*low, *high);
        const double largest = std::max(*low, *high);
        const double slack = 1e-9 * (std::fabs(smallest) + std::fabs(largest) + 1.0);
        if (*asked < smallest - slack || *asked > largest + slack) {
            return Fail(kExitBadValue, "'" + change.mText + "' is outside the range of \"" + change.mName + "\" (" +
                                           lowText + " .. " + highText + ") in " + change.mOption);
        }
    }
    change.mValue = conversion.mNormalized;
    return kExitOk;
}

struct ProgressBar {
    bool mEnabled = false;
    double mRate = 48000.0;
    void Draw(int64_t done, int64_t total) const {
        if (!mEnabled || total <= 0) {
            return;
        }
        constexpr int kWidth = 30;
        const double fraction = std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0);
        const int filled = static_cast<int>(fraction * kWidth);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(kWidth - filled), '.');
        std::fprintf(stderr, "\r[%s] %3d%%  %.1f / %.1f s", bar.c_str(), static_cast<int>(fraction * 100.0),
                     static_cast<double>(done) / mRate, static_cast<double>(total) / mRate);
        std::fflush(stderr);
    }
    void Clear() const {
        if (mEnabled) {
            std::fprintf(stderr, "\r%60s\r", "");
            std::fflush(stderr);
        }
    }
};

int RunRender(const std::vector<std::string>& args) {
    RenderCommand command;
    bool help = false;
    if (const int parsed = ParseRender(args, &command, &help); parsed != kExitOk) {
        return parsed;
    }
    if (help) {
        std::fputs(kRenderHelp, stdout);
        return kExitOk;
    }

    Host host;
    const LoadResult loaded = host.Load(command.mModule);
    if (loaded.mStatus != LoadStatus::Ok) {
        return Fail(LoadExitCode(loaded.mStatus), std::string(LoadStatusText(loaded.mStatus)) + ": " + loaded.mMessage);
    }
    // Everything that talks to the plug-in lives in this scope, so that it is
    // gone before the library closes.
    const int code = [&]() -> int {
        std::string message;
        std::unique_ptr<AudioReader> reader = AudioReader::Open(command.mInput, &message);
        if (!reader) {
            return Fail(kExitInputUnreadable, message);
        }
        const EffectDescription& effect = host.Effect();
        const ComponentDescription* component = effect.ComponentForChannels(reader->Channels());
        if (component == nullptr) {
            std::string supported;
            for (const ComponentDescription& c : effect.mComponents) {
                supported += (supported.empty() ? "" : ", ") + ChannelWord(c.InputChannels());
            }
            return Fail(kExitUnsupportedChannels, "'" + command.mInput + "' has " + std::to_string(reader->Channels()) +
                                                      " channels; the plug-in takes " + supported);
        }
        std::vector<unsigned char> state;
        if (!command.mState.empty() && !ReadFile(command.mState, &state)) {
            return Fail(kExitStateFailed, "cannot read the state file '" + command.mState + "': " + std::strerror(errno));
        }

        const auto rate = static_cast<float>(reader->SampleRate());
        HPI_Result result = HPI_SUCCESS;
        std::unique_ptr<PluginInstance> instance = host.CreateInstance(*component, rate, command.mBlock, &message, &result);
        if (!instance) {
            return Fail(kExitInstanceFailed, "cannot create an instance: " + message);
        }
        const std::vector<ParameterInfo> parameters = instance->ListParameters();
        for (ParameterChange& change : command.mChanges) {
            if (const int resolved = Resolve(*instance, parameters, change); resolved != kExitOk) {
                return resolved;
            }
        }
        for (ParameterChange& change : command.mAutomation) {
            if (const int resolved = Resolve(*instance, parameters, change); resolved != kExitOk) {
                return resolved;
            }
        }

        // Writing over the file being read would destroy it before it is read.
        std::error_code sameError;
        if (std::filesystem::equivalent(command.mInput, command.mOutput, sameError)) {
            return Fail(kExitOutputUnwritable, "'" + command.mOutput + "' is the input file; choose another OUT");
        }
        std::unique_ptr<AudioWriter> writer =
            AudioWriter::Create(command.mOutput, command.mFormat, reader->Channels(), reader->SampleRate(), &message);
        if (!writer) {
            return Fail(kExitOutputUnwritable, message);
        }

        if (!command.mState.empty()) {
            result = instance->LoadState(state);
            if (result != HPI_SUCCESS) {
                return Fail(kExitStateFailed, "the plug-in refused the state in '" + command.mState + "': " +
                                                  std::to_string(result) + " " + HPI_ResultName(result));
            }
        }
        for (const ParameterChange& change : command.mChanges) {
            result = instance->Update(change.mID, change.mValue);
            if (result != HPI_SUCCESS) {
                return Fail(kExitBadValue, "the plug-in refused " + change.mOption + ": " + std::to_string(result) +
                                               " " + HPI_ResultName(result));
            }
        }
        if (command.mBypass) {
            result = instance->Update(instance->MasterBypassID(), 1.0);
            if (result != HPI_SUCCESS) {
                return Fail(kExitInstanceFailed,
                            "the plug-in refused the master bypass: " + std::to_string(result) + " " + HPI_ResultName(result));
            }
        }

        instance->Notify(HPI_eNotification_EnterOfflineMode);
        instance->Object().SetPlaying(true);

        RenderOptions options;
        options.mBlockFrames = command.mBlock;
        options.mInputFrames = reader->Frames();
        options.mTailFrames = std::llround(command.mTailSeconds * reader->SampleRate());
        OfflineRenderer renderer(host.RunLoop(), options);
        LevelMeter meter(reader->Channels());
        AudioReader* in = reader.get();
        AudioWriter* out = writer.get();
        RenderTrack track;
        track.mInstance = instance.get();
        track.mCompensate = command.mCompensate;
        track.mRead = [in](float* const* channels, int32_t frames) { return in->Read(channels, frames); };
        track.mWrite = [out, &meter](const float* const* channels, int32_t frames) {
            meter.Add(channels, frames);
            return out->Write(channels, frames);
        };
        renderer.AddTrack(track);
        PluginInstance* target = instance.get();
        for (const ParameterChange& change : command.mAutomation) {
            if (std::llround(change.mSeconds * reader->SampleRate()) >= options.mInputFrames + options.mTailFrames) {
                Warn(change.mOption + " lies at or after the end of the render and is not applied");
            }
            renderer.AddAction(TimedAction{std::llround(change.mSeconds * reader->SampleRate()),
                                           [target, change] { target->Update(change.mID, change.mValue); }});
        }

        ProgressBar bar;
        bar.mEnabled = !command.mQuiet && isatty(STDERR_FILENO) != 0;
        bar.mRate = reader->SampleRate();
        const RenderResult rendered = renderer.Run([&bar](int64_t done, int64_t total) { bar.Draw(done, total); });
        bar.Clear();
        instance->Object().SetPlaying(false);
        instance->Notify(HPI_eNotification_ExitOfflineMode);
        if (!rendered.mOk) {
            return Fail(rendered.mError.find("writing") != std::string::npos ? kExitOutputUnwritable : kExitRenderFailed,
                        rendered.mError + " ('" + command.mOutput + "')");
        }
        if (!writer->Close(&message)) {
            return Fail(kExitOutputUnwritable, message);
        }

        if (!command.mSaveState.empty()) {
            std::vector<unsigned char> saved;
            result = instance->SaveState(&saved);
            if (result != HPI_SUCCESS) {
                return Fail(kExitStateFailed, "the plug-in gave no state: " + std::to_string(result) + " " +
                                                  HPI_ResultName(result));
            }
            if (!WriteFile(command.mSaveState, saved)) {
                return Fail(kExitStateFailed,
                            "cannot write the state file '" + command.mSaveState + "': " + std::strerror(errno));
            }
        }

        if (!command.mQuiet) {
            const double seconds = static_cast<double>(rendered.mFramesWritten) / reader->SampleRate();
            const double renderedSeconds = static_cast<double>(rendered.mFramesRendered) / reader->SampleRate();
            const int32_t latency = instance->Object().LatestLatency();
            std::printf("Rendered %s -> %s\n", command.mInput.c_str(), command.mOutput.c_str());
            std::printf("  input       %s, %s, %d Hz, %lld frames\n", reader->FormatText().c_str(),
                        ChannelWord(reader->Channels()).c_str(), reader->SampleRate(),
                        static_cast<long long>(reader->Frames()));
            std::printf("  component   %s\n", FourChar(component->TypeID()).c_str());
            std::printf("  output      %s, %lld frames (%.3f s)\n", OutputFormatName(command.mFormat),
                        static_cast<long long>(rendered.mFramesWritten), seconds);
            if (latency < 0) {
                std::printf("  latency     not reported (0 assumed)\n");
            } else {
                std::printf("  latency     %d samples%s\n", latency,
                            command.mCompensate ? " (compensated)" : latency > 0 ? " (not compensated)" : "");
            }
            std::printf("  rendering   %lld frames in %lld calls of up to %d frames\n",
                        static_cast<long long>(rendered.mFramesRendered), static_cast<long long>(rendered.mRenderCalls),
                        command.mBlock);
            std::string changed;
            for (const ParameterInfo& p : instance->ListParameters()) {
                if (p.mValueText != p.mDefaultText) {
                    changed += (changed.empty() ? "" : ", ") + p.mName + " " + p.mValueText;
                }
            }
            std::printf("  settings    %s\n", changed.empty() ? "defaults" : changed.c_str());
            std::printf("  levels      channel  peak dBFS  RMS dBFS\n");
            for (int c = 0; c < meter.Channels(); ++c) {
                std::printf("              %7d  %9s  %8s\n", c + 1, DbText(meter.PeakDb(c)).c_str(),
                            DbText(meter.RmsDb(c)).c_str());
            }
            const double factor = rendered.mWallSeconds > 0.0 ? renderedSeconds / rendered.mWallSeconds : 0.0;
            std::printf("  speed       %.1fx real time (%.3f s for %.3f s of audio)\n", factor, rendered.mWallSeconds,
                        renderedSeconds);
        }
        return kExitOk;
    }();
    CloseHost(host);
    return code;
}

// --- validate -----------------------------------------------------------------

int RunValidate(const std::vector<std::string>& args) {
    ValidateOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= args.size()) {
                return false;
            }
            *out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kValidateHelp, stdout);
            return kExitOk;
        }
        if (arg == "--strict") {
            options.mStrict = true;
        } else if (arg == "--seed") {
            const bool given = value(&text);
            const auto number = given ? ParseNumber(text) : std::nullopt;
            if (!number || *number < 0 || *number != std::floor(*number) || *number > 9.007199254740992e15) {
                return Fail(kExitUsage, "--seed needs a whole number of at least 0" +
                                            (given ? ", not '" + text + "'" : std::string()));
            }
            options.mSeed = static_cast<uint64_t>(*number);
        } else if (arg == "--only") {
            if (!value(&text)) {
                return Fail(kExitUsage, "--only needs check names separated by commas");
            }
            std::stringstream names(text);
            std::string check;
            while (std::getline(names, check, ',')) {
                const auto& known = Validator::CheckNames();
                if (std::find(known.begin(), known.end(), check) == known.end()) {
                    std::string list;
                    for (const std::string& k : known) {
                        list += (list.empty() ? "" : ", ") + k;
                    }
                    return Fail(kExitUsage, "unknown check '" + check + "' in --only; known: " + list);
                }
                options.mOnly.push_back(check);
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return Fail(kExitUsage, "unknown option '" + arg + "' for validate (see hpi-host validate --help)");
        } else if (options.mModulePath.empty()) {
            options.mModulePath = arg;
        } else {
            return Fail(kExitUsage, "validate takes one MODULE");
        }
    }
    if (options.mModulePath.empty()) {
        return Fail(kExitUsage, "validate needs a MODULE (see hpi-host validate --help)");
    }

    std::printf("hpi-host validate %s (seed %llu, %s form)\n", options.mModulePath.c_str(),
                static_cast<unsigned long long>(options.mSeed), options.mStrict ? "strict" : "short");
    std::fflush(stdout);
    const bool terminal = isatty(STDERR_FILENO) != 0;
    const auto start = std::chrono::steady_clock::now();
    Validator validator(options);
    const std::vector<CheckResult> results = validator.Run(
        [terminal](const std::string& name) {
            if (terminal) {
                std::fprintf(stderr, "\r  running %s ...", name.c_str());
                std::fflush(stderr);
            }
        },
        [terminal](const CheckResult& result) {
            if (terminal) {
                std::fprintf(stderr, "\r%60s\r", "");
                std::fflush(stderr);
            }
            std::printf("%s  %-14s %s [%.1f s]\n", CheckStatusText(result.mStatus), result.mName.c_str(),
                        result.mSummary.c_str(), result.mSeconds);
            std::fflush(stdout);
        });
    const LoadResult& load = validator.LoadFailure();
    if (load.mStatus != LoadStatus::Ok) {
        return Fail(LoadExitCode(load.mStatus), std::string(LoadStatusText(load.mStatus)) + ": " + load.mMessage);
    }
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    for (const CheckResult& result : results) {
        (result.mStatus == CheckStatus::Pass ? passed : result.mStatus == CheckStatus::Fail ? failed : skipped) += 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu checks: %d passed, %d failed, %d skipped in %.1f s\n", results.size(), passed, failed, skipped,
                seconds);
    return failed > 0 ? kExitValidationFailed : kExitOk;
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

int HpiHostMain(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kMainHelp, stderr);
        return kExitUsage;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kMainHelp, stdout);
        return kExitOk;
    }
    if (command == "info") {
        return RunInfo(args);
    }
    if (command == "render") {
        return RunRender(args);
    }
    if (command == "validate") {
        return RunValidate(args);
    }
    return Fail(kExitUsage, "unknown command '" + command + "' (see hpi-host --help)");
}

}  // namespace hpihost
