#pragma once
// The parameter options of `render` (--set, --set-norm, --automate): a
// parameter named by identifier or exact name and a value, resolved against
// an instance into a normalised value through the plug-in's own text
// conversion.
#include <optional>
#include <string>
#include <vector>

#include "instance.h"

namespace hpihost {

struct ParameterChange {
    std::string mTarget;       // identifier or name as given
    std::string mText;         // for --set and --automate
    bool mNormalized = false;  // --set-norm
    double mSeconds = 0.0;     // --automate
    std::string mOption;       // the option as given, for messages
    // Resolved:
    std::string mID;
    std::string mName;
    double mValue = 0.0;
};

// [main] Reads "--set NAME_OR_ID=TEXT", "--set-norm NAME_OR_ID=N" or
// "--automate NAME_OR_ID=TEXT@SECONDS" (option is the name, value what
// followed it); nullopt when the value has not that form.
std::optional<ParameterChange> ParseParameterChange(const std::string& option,
                                                    const std::string& value);

// [main] Finds the parameter and converts the text; answers an exit code
// after printing what is at fault.
int ResolveParameterChange(PluginInstance& instance, const std::vector<ParameterInfo>& parameters,
                           ParameterChange& change);

// [main] Restores the state read from statePath (when statePath is not empty),
// then applies the resolved changes in order; answers an exit code after
// printing what the plug-in refused.
int ApplyStartingSettings(PluginInstance& instance, const std::string& statePath,
                          const std::vector<unsigned char>& state,
                          const std::vector<ParameterChange>& changes);

// [main] Reads a whole file; false when it cannot be read (errno says why).
bool ReadFile(const std::string& path, std::vector<unsigned char>* data);

// [main] Writes the instance's state to path (nothing when path is empty);
// answers an exit code after printing what failed.
int SaveStateFile(PluginInstance& instance, const std::string& path);

}  // namespace hpihost
