#include "parameter_changes.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "command_support.h"

namespace hpihost {
namespace {

// The number a text starts with ("6 dB" -> 6); nullopt when it starts otherwise.
std::optional<double> LeadingNumber(const std::string& text) {
    const char* start = text.c_str();
    while (*start == ' ' || *start == '\t') {
        ++start;
    }
    if (!(std::isdigit(static_cast<unsigned char>(*start)) || *start == '-' || *start == '+' ||
          *start == '.')) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Whether a text names the position it converted to by that position's own
// display text ("300Hz", "300 hz"): a name, not a number to range-check.
bool NamesThePosition(const std::string& text, const std::string& display) {
    auto fold = [](const std::string& s) {
        std::string folded;
        for (const char c : s) {
            if (c != ' ' && c != '\t') {
                folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        return folded;
    };
    return !display.empty() && fold(text) == fold(display);
}

}  // namespace

std::optional<ParameterChange> ParseParameterChange(const std::string& option,
                                                    const std::string& value) {
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    ParameterChange change;
    change.mOption = option + " " + value;
    change.mTarget = value.substr(0, equals);
    change.mText = value.substr(equals + 1);
    change.mNormalized = option == "--set-norm";
    if (option == "--automate") {
        const std::size_t at = change.mText.rfind('@');
        const auto seconds =
            at == std::string::npos ? std::nullopt : ParseNumber(change.mText.substr(at + 1));
        if (!seconds || *seconds < 0) {
            return std::nullopt;
        }
        change.mSeconds = *seconds;
        change.mText = change.mText.substr(0, at);
    }
    return change;
}

int ResolveParameterChange(PluginInstance& instance, const std::vector<ParameterInfo>& parameters,
                           ParameterChange& change) {
    const auto id = instance.FindParameter(change.mTarget);
    if (!id) {
        std::string known;
        for (const ParameterInfo& p : parameters) {
            known += (known.empty() ? "" : ", ") + ("\"" + p.mName + "\"") +
                     (p.mID.empty() ? "" : " (" + p.mID + ")");
        }
        return Fail(kExitUnknownParameter, "unknown parameter '" + change.mTarget + "' in " +
                                               change.mOption + "; known: " + known);
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
            return Fail(kExitBadValue, "'" + change.mText +
                                           "' is not a normalised value from 0 to 1 (" +
                                           change.mOption + ")");
        }
        change.mValue = *number;
        return kExitOk;
    }
    const TextConversion conversion = instance.ConvertText(change.mID, change.mText);
    if (conversion.mResult != HPI_SUCCESS) {
        return Fail(kExitBadValue, "\"" + change.mName + "\" does not take '" + change.mText +
                                       "' (" + change.mOption + "): the plug-in answered " +
                                       std::to_string(conversion.mResult) + " " +
                                       HPI_ResultName(conversion.mResult) + "; for example '" +
                                       instance.DisplayText(change.mID, 1.0) + "'");
    }
    // A number outside the displayed range would be clamped silently.
    const auto asked = LeadingNumber(change.mText);
    const std::string lowText = instance.DisplayText(change.mID, 0.0);
    const std::string highText = instance.DisplayText(change.mID, 1.0);
    const auto low = LeadingNumber(lowText);
    const auto high = LeadingNumber(highText);
    bool outside = false;
    if (asked && low && high) {
        const double smallest = std::min(*low, *high);
        const double largest = std::max(*low, *high);
        const double slack = 1e-9 * (std::fabs(smallest) + std::fabs(largest) + 1.0);
        outside = *asked < smallest - slack || *asked > largest + slack;
    } else if (asked && (conversion.mNormalized <= 0.0 || conversion.mNormalized >= 1.0) &&
               !NamesThePosition(change.mText,
                                 instance.DisplayText(change.mID, conversion.mNormalized))) {
        // Ends shown by name (a selector's positions): a number at an end is
        // clamped when the next number inwards lands on the same end.
        char inwards[32];
        std::snprintf(inwards, sizeof inwards, "%.17g",
                      *asked + (conversion.mNormalized >= 1.0 ? -1.0 : 1.0));
        const TextConversion next = instance.ConvertText(change.mID, inwards);
        outside = next.mResult == HPI_SUCCESS && next.mNormalized == conversion.mNormalized;
    }
    if (outside) {
        return Fail(kExitBadValue, "'" + change.mText + "' is outside the range of \"" +
                                       change.mName + "\" (" + lowText + " .. " + highText +
                                       ") in " + change.mOption);
    }
    change.mValue = conversion.mNormalized;
    return kExitOk;
}

int ApplyStartingSettings(PluginInstance& instance, const std::string& statePath,
                          const std::vector<unsigned char>& state,
                          const std::vector<ParameterChange>& changes) {
    if (!statePath.empty()) {
        const HPI_Result result = instance.LoadState(state);
        if (result != HPI_SUCCESS) {
            return Fail(kExitStateFailed, "the plug-in refused the state in '" + statePath +
                                              "': " + std::to_string(result) + " " +
                                              HPI_ResultName(result));
        }
    }
    for (const ParameterChange& change : changes) {
        const HPI_Result result = instance.Update(change.mID, change.mValue);
        if (result != HPI_SUCCESS) {
            return Fail(kExitBadValue, "the plug-in refused " + change.mOption + ": " +
                                           std::to_string(result) + " " + HPI_ResultName(result));
        }
    }
    return kExitOk;
}

bool ReadFile(const std::string& path, std::vector<unsigned char>* data) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    data->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

namespace {
bool WriteFile(const std::string& path, const std::vector<unsigned char>& data) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
    file.close();
    return !file.fail();
}
}  // namespace

int SaveStateFile(PluginInstance& instance, const std::string& path) {
    if (path.empty()) return kExitOk;
    std::vector<unsigned char> saved;
    const HPI_Result result = instance.SaveState(&saved);
    if (result != HPI_SUCCESS) {
        return Fail(kExitStateFailed, "the plug-in gave no state: " + std::to_string(result) + " " +
                                          HPI_ResultName(result));
    }
    if (!WriteFile(path, saved)) {
        return Fail(kExitStateFailed,
                    "cannot write the state file '" + path + "': " + std::strerror(errno));
    }
    return kExitOk;
}

}  // namespace hpihost
