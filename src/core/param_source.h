#pragma once
// Where a parameter change came from. Hooks receive it so that a reaction can
// depend on the origin (for instance, not echoing a value back to its sender);
// trace lines print its name.
#include <cstdint>

enum class ParamSource : int32_t {
    Reset = 0,
    Host = 1,
    Preset = 2,
    UI = 3,
    EditorDelegate = 4,
    Recompile = 5,
    Unknown = 6,
};

// [any] The name used in trace lines; "Unknown" for a value outside the list.
constexpr const char* ParamSourceName(ParamSource source) {
    switch (source) {
        case ParamSource::Reset: return "Reset";
        case ParamSource::Host: return "Host";
        case ParamSource::Preset: return "Preset";
        case ParamSource::UI: return "UI";
        case ParamSource::EditorDelegate: return "Editor Delegate";
        case ParamSource::Recompile: return "Recompile";
        case ParamSource::Unknown: return "Unknown";
    }
    return "Unknown";
}
