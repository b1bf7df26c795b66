#include "command.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace hpihost {
namespace {

// What each value option needs, by name, for the error when its value is
// missing.
std::map<std::string, std::string>& Needs() {
    static std::map<std::string, std::string> needs;
    return needs;
}

CLI::Validator Accepting(const std::string& name, const std::string& needs,
                         const std::function<bool(const std::string&)>& accepts) {
    return CLI::Validator(
        [name, needs, accepts](std::string& value) {
            return !accepts || accepts(value) ? std::string()
                                              : name + " needs " + needs + ", not '" + value + "'";
        },
        "");
}

}  // namespace

CLI::Option* AddValueOption(CLI::App& command, const std::string& name, std::string* target,
                            const std::string& help, const std::string& needs,
                            const std::function<bool(const std::string&)>& accepts) {
    Needs()[name] = needs;
    return command.add_option(name, *target, help)->check(Accepting(name, needs, accepts));
}

CLI::Option* AddListOption(CLI::App& command, const std::string& name,
                           std::vector<std::string>* target, const std::string& help,
                           const std::string& needs,
                           const std::function<bool(const std::string&)>& accepts) {
    Needs()[name] = needs;
    return command.add_option(name, *target, help)
        ->check(Accepting(name, needs, accepts))
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

std::string ParseErrorText(const CLI::ParseError& error) {
    const std::string text = error.what();
    const std::size_t colon = text.find(": ");
    const std::string name = colon == std::string::npos ? "" : text.substr(0, colon);
    // A value check already wrote the whole message after CLI11's "NAME: ".
    if (error.get_name() == "ValidationError" && colon != std::string::npos) {
        return text.substr(colon + 2);
    }
    if (error.get_name() == "ArgumentMismatch" && Needs().count(name) != 0) {
        return name + " needs " + Needs()[name];
    }
    return text;
}

std::string ExtraArgumentText(const CLI::App& command, const std::string& takes) {
    const std::vector<std::string> extras = command.remaining();
    for (const std::string& extra : extras) {
        if (extra.size() > 1 && extra[0] == '-') {
            return "unknown option '" + extra + "' for " + command.get_name() + " (see hpi-host " +
                   command.get_name() + " --help)";
        }
    }
    return extras.empty()
               ? ""
               : command.get_name() + " takes " + takes + ", not also '" + extras.front() + "'";
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "hpi-host: error: %s\n", message.c_str());
    return code;
}

void Warn(const std::string& message) {
    std::fprintf(stderr, "hpi-host: warning: %s\n", message.c_str());
}

int LoadExitCode(LoadStatus status) {
    switch (status) {
        case LoadStatus::Ok:
            return kExitOk;
        case LoadStatus::FileMissing:
            return kExitModuleMissing;
        case LoadStatus::NotSharedObject:
        case LoadStatus::MissingEntryPoints:
            return kExitNotPlugin;
        default:
            return kExitRegistrationFailed;
    }
}

int LoadModule(Host& host, const std::string& path) {
    const LoadResult loaded = host.Load(path);
    if (loaded.mStatus != LoadStatus::Ok) {
        return Fail(LoadExitCode(loaded.mStatus),
                    std::string(LoadStatusText(loaded.mStatus)) + ": " + loaded.mMessage);
    }
    return kExitOk;
}

void CloseHost(Host& host) {
    if (!host.IsLoaded()) {
        return;
    }
    const std::size_t assertions = host.Library().AssertionCount();
    const std::vector<AssertionRecord> records = host.Library().Assertions();
    const CloseReport report = host.Close();
    if (assertions > 0) {
        Warn("the plug-in reported " + std::to_string(assertions) + " failed check(s)" +
             (records.empty()
                  ? ""
                  : ", first: " + records.front().mExpression + " at " + records.front().mFile +
                        ":" + std::to_string(records.front().mLine)));
    }
    if (report.mLiveObjectsBeforeShutdown != 0) {
        Warn("HPICanUnloadNow answered " + std::to_string(report.mLiveObjectsBeforeShutdown) +
             " live object(s) at the end");
    }
    if (report.mEntriesLeft != 0) {
        Warn("the plug-in left " + std::to_string(report.mEntriesLeft) +
             " timer(s)/descriptor(s) registered");
    }
    if (report.mOffThreadCalls != 0) {
        Warn(std::to_string(report.mOffThreadCalls) +
             " run-loop call(s) came from a thread other than the main one");
    }
}

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string FourChar(uint32_t code) {
    return HPI_FourCharCodeText(code).mText;
}

std::string ChannelWord(int channels) {
    return channels == 1   ? "mono"
           : channels == 2 ? "stereo"
                           : std::to_string(channels) + " channels";
}

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

}  // namespace hpihost
