#include "core/plugin_base.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/base64.h"
#include "core/param.h"
#include "core/param_table.h"
#include "core/trace.h"

namespace {

constexpr char kUserPresetName[] = "user preset";

void SetPresetName(PresetSlot& slot, const char* name) { CopyTextField(slot.name, name); }

// Bool, int and enum values travel through variadic lists as int.
bool TakesIntArgument(const Param& param) {
    const ParamType type = param.Type();
    return type == TypeBool || type == TypeInt || type == TypeEnum;
}

// Source text of one value: "true"/"false", an integer, or six decimals.
std::string ValueSource(const Param& param) {
    const double value = param.GetValue();
    switch (param.Type()) {
        case TypeBool:
            return value >= 0.5 ? "true" : "false";
        case TypeInt:
        case TypeEnum:
            return std::to_string(static_cast<int>(value));
        default: {
            // Sized by a first pass: large values need more than a fixed buffer.
            const int length = std::snprintf(nullptr, 0, "%.6f", value);
            std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
            std::snprintf(text.data(), text.size() + 1, "%.6f", value);
            return text;
        }
    }
}

}  // namespace

PluginBase::PluginBase(const PluginConfig& config)
    : GraphicsEditorDelegate(config),
      mPluginName(config.pluginName),
      mProductName(config.productName),
      mManufacturerName(config.manufacturerName),
      mBundleID(config.bundleID),
      mUniqueID(config.uniqueID),
      mManufacturerID(config.manufacturerID),
      mPluginVersion(config.pluginVersion),
      mHasEditor(config.hasEditor),
      mStateChunks(config.stateChunks) {
    for (int i = 0; i < config.presetCount; ++i) {
        mPresets.push_back(std::make_unique<PresetSlot>());
    }
}

PluginBase::~PluginBase() = default;

// ---- State hooks ---------------------------------------------------------------

bool PluginBase::SaveState(ByteChunk& chunk) const { return SerializeParams(chunk); }

int PluginBase::LoadState(const ByteChunk& chunk, int startPos) { return UnserializeParams(chunk, startPos); }

bool PluginBase::SaveControllerState(ByteChunk& /*chunk*/) const { return true; }

int PluginBase::LoadControllerState(const ByteChunk& /*chunk*/, int startPos) { return startPos; }

void PluginBase::OnPresetFileLoaded() {}

void PluginBase::OnPresetRestored() {}

// ---- Serialised parameters and presets ----------------------------------------

bool PluginBase::SerializeParams(ByteChunk& chunk) const {
    const int n = NParams();
    for (int i = 0; i < n; ++i) {
        const Param* param = GetParam(i);
        const double value = param->GetValue();
        Trace("%d %s %f", i, param->Name(), value);
        const int before = chunk.Size();
        if (chunk.Put(&value) == before) {
            return false;
        }
    }
    return true;
}

int PluginBase::UnserializeParams(const ByteChunk& chunk, int startPos) {
    int pos = startPos;
    const int n = NParams();
    for (int i = 0; i < n && pos >= 0; ++i) {
        Param* param = GetParam(i);
        double value = 0.0;
        pos = chunk.Get(&value, pos);
        param->SetValue(value);
        Trace("%d %s %f", i, param->Name(), param->GetValue());
    }
    NotifyAllParamsChanged(ParamSource::Preset);
    return pos;
}

bool PluginBase::SerializePresets(ByteChunk& chunk) const {
    const int before = chunk.Size();
    for (int i = 0; i < PresetCount(); ++i) {
        const PresetSlot& slot = *mPresets[static_cast<std::size_t>(i)];
        Trace("%d %s", i, slot.name);
        chunk.PutString(slot.name);
        const uint8_t initialised = slot.initialised ? 1 : 0;
        chunk.Put(&initialised);
        if (slot.initialised) {
            chunk.PutChunk(slot.chunk);
        }
    }
    return chunk.Size() > before;
}

int PluginBase::UnserializePresets(const ByteChunk& chunk, int startPos) {
    int pos = startPos;
    // Kept across slots: a name that cannot be read leaves the last good one.
    std::string name;
    for (int i = 0; i < PresetCount() && pos >= 0; ++i) {
        PresetSlot& slot = *mPresets[static_cast<std::size_t>(i)];
        pos = chunk.GetString(name, pos);
        SetPresetName(slot, name.c_str());
        Trace("%d %s", i, slot.name);
        uint8_t initialised = slot.initialised ? 1 : 0;
        pos = chunk.Get(&initialised, pos);
        slot.initialised = initialised != 0;
        if (slot.initialised) {
            pos = LoadState(chunk, pos);
            if (pos > 0) {
                slot.chunk.Clear();
                SaveState(slot.chunk);
            }
        }
    }
    RestorePreset(mCurrentPresetIdx);
    return pos;
}

bool PluginBase::MatchesStoredState(const uint8_t* data, int dataSize, int startPos) const {
    const int n = NParams();
    if (startPos < 0 || dataSize < 0 || (data == nullptr && n > 0)) {
        return false;
    }
    const int64_t storedCount = static_cast<int64_t>(dataSize) / 8 - startPos;
    if (storedCount < n) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        double stored = 0.0;
        std::memcpy(&stored, data + (static_cast<int64_t>(startPos) + i) * 8, sizeof stored);
        const float current = static_cast<float>(GetParam(i)->GetValue());
        if (!(std::fabs(current - static_cast<float>(stored)) <= 1e-5f)) {
            return false;
        }
    }
    return true;
}

// ---- Preset slots ------------------------------------------------------------------

const PresetSlot* PluginBase::GetPreset(int index) const {
    if (index < 0 || index >= PresetCount()) {
        return nullptr;
    }
    return mPresets[static_cast<std::size_t>(index)].get();
}

const char* PluginBase::PresetName(int index) const {
    const PresetSlot* slot = GetPreset(index);
    return slot != nullptr ? slot->name : "";
}

bool PluginBase::RestorePreset(int index) {
    if (index < 0 || index >= PresetCount()) {
        return false;
    }
    PresetSlot& slot = *mPresets[static_cast<std::size_t>(index)];
    bool restored = false;
    if (slot.initialised) {
        restored = LoadState(slot.chunk, 0) > 0;
    } else {
        int userPresets = 0;
        for (const auto& other : mPresets) {
            if (std::strstr(other->name, kUserPresetName) != nullptr) {
                ++userPresets;
            }
        }
        slot.initialised = true;
        char name[64];
        std::snprintf(name, sizeof name, "%s %d", kUserPresetName, userPresets + 1);
        SetPresetName(slot, name);
        slot.chunk.Clear();
        restored = SaveState(slot.chunk);
    }
    if (restored) {
        mCurrentPresetIdx = index;
        OnPresetRestored();
        NotifyEditorStateRestored();
    }
    return restored;
}

bool PluginBase::RestorePresetByName(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return false;
    }
    for (int i = 0; i < PresetCount(); ++i) {
        if (std::strcmp(mPresets[static_cast<std::size_t>(i)]->name, name) == 0) {
            return RestorePreset(i);
        }
    }
    return false;
}

void PluginBase::ModifyCurrentPreset(const char* name) {
    if (mCurrentPresetIdx < 0 || mCurrentPresetIdx >= PresetCount()) {
        return;
    }
    PresetSlot& slot = *mPresets[static_cast<std::size_t>(mCurrentPresetIdx)];
    // The slot holds a state from now on; left uninitialised, the next restore
    // would overwrite it and its new name with a "user preset".
    slot.initialised = true;
    slot.chunk.Clear();
    SaveState(slot.chunk);
    if (name != nullptr && name[0] != '\0') {
        SetPresetName(slot, name);
    }
    Trace("%d %s", mCurrentPresetIdx, slot.name);
}

void PluginBase::DropEmptyPresetSlots() {
    const PresetSlot* current = GetPreset(mCurrentPresetIdx);
    std::vector<std::unique_ptr<PresetSlot>> kept;
    int newCurrent = 0;
    for (auto& slot : mPresets) {
        if (slot->initialised) {
            if (slot.get() == current) {
                newCurrent = static_cast<int>(kept.size());
            }
            kept.push_back(std::move(slot));
        }
    }
    mPresets = std::move(kept);
    mCurrentPresetIdx = newCurrent;
}

// ---- Preset creation -----------------------------------------------------------

PresetSlot* PluginBase::ClaimEmptyPreset(const char* name) {
    for (auto& slot : mPresets) {
        if (!slot->initialised) {
            slot->initialised = true;
            SetPresetName(*slot, name);
            slot->chunk.Clear();
            return slot.get();
        }
    }
    return nullptr;
}

void PluginBase::FillEmptyPresets(const char* name, int count) {
    for (int i = 0; i < count; ++i) {
        PresetSlot* slot = ClaimEmptyPreset(name != nullptr ? name : "Empty");
        if (slot == nullptr) {
            return;
        }
        SaveState(slot->chunk);
    }
}

bool PluginBase::HasEmptyPreset() const {
    for (const auto& slot : mPresets) {
        if (!slot->initialised) {
            return true;
        }
    }
    return false;
}

std::vector<double> PluginBase::CurrentValues() const {
    std::vector<double> values(static_cast<std::size_t>(NParams()));
    for (int i = 0; i < NParams(); ++i) {
        values[static_cast<std::size_t>(i)] = GetParam(i)->GetValue();
    }
    return values;
}

void PluginBase::WriteValuesPreset(const char* name, const std::vector<double>& values) {
    PresetSlot* slot = ClaimEmptyPreset(name);
    if (slot == nullptr) {
        return;
    }
    for (const double value : values) {
        slot->chunk.Put(&value);
    }
}

void PluginBase::MakePreset(const char* name, ...) {
    if (!HasEmptyPreset()) {
        return;
    }
    std::vector<double> values(static_cast<std::size_t>(NParams()));
    va_list args;
    va_start(args, name);
    for (int i = 0; i < NParams(); ++i) {
        values[static_cast<std::size_t>(i)] =
            TakesIntArgument(*GetParam(i)) ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
    }
    va_end(args);
    WriteValuesPreset(name, values);
}

void PluginBase::MakePreset(const char* name, std::initializer_list<double> values) {
    std::vector<double> all = CurrentValues();
    std::size_t i = 0;
    for (const double value : values) {
        if (i >= all.size()) {
            break;
        }
        all[i++] = value;
    }
    WriteValuesPreset(name, all);
}

void PluginBase::MakePresetFromNamedParams(const char* name, int n, ...) {
    if (!HasEmptyPreset()) {
        return;
    }
    // A flag per parameter rather than a marker value, so any value can be named.
    std::vector<double> values = CurrentValues();
    va_list args;
    va_start(args, n);
    for (int k = 0; k < n; ++k) {
        const int index = va_arg(args, int);
        const Param* param = GetParam(index);
        if (param == nullptr) {
            break;
        }
        values[static_cast<std::size_t>(index)] =
            TakesIntArgument(*param) ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
    }
    va_end(args);
    WriteValuesPreset(name, values);
}

void PluginBase::MakePresetFromNamedParams(const char* name,
                                           std::initializer_list<std::pair<int, double>> values) {
    std::vector<double> all = CurrentValues();
    for (const auto& [index, value] : values) {
        if (index >= 0 && index < NParams()) {
            all[static_cast<std::size_t>(index)] = value;
        }
    }
    WriteValuesPreset(name, all);
}

void PluginBase::MakePresetFromChunk(const char* name, const ByteChunk& chunk) {
    PresetSlot* slot = ClaimEmptyPreset(name);
    if (slot != nullptr) {
        slot->chunk.PutChunk(chunk);
    }
}

void PluginBase::MakePresetFromBlob(const char* name, const char* base64Text, int size) {
    PresetSlot* slot = ClaimEmptyPreset(name);
    if (slot == nullptr) {
        return;
    }
    slot->chunk.Resize(size);
    DecodeBase64(base64Text, slot->chunk.Data(), slot->chunk.Size());
}

// ---- Source dumps ---------------------------------------------------------------

namespace {

// Appends text to the file at path; nothing when it cannot be opened.
void AppendToFile(const char* path, const std::string& text) {
    if (path == nullptr || path[0] == '\0') {
        return;
    }
    std::FILE* file = std::fopen(path, "a");
    if (file == nullptr) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

}  // namespace

void PluginBase::DumpPresetSource(const char* path) const {
    std::string text = "MakePreset(\"";
    text += PresetName(mCurrentPresetIdx);
    text += "\"";
    for (int i = 0; i < NParams(); ++i) {
        text += ", " + ValueSource(*GetParam(i));
    }
    text += ");\n";
    AppendToFile(path, text);
}

void PluginBase::DumpNamedPresetSource(const char* path, const char* const* identifiers) const {
    std::string text = "  MakePresetFromNamedParams(\"";
    text += PresetName(mCurrentPresetIdx);
    text += "\", " + std::to_string(NParams());
    for (int i = 0; i < NParams(); ++i) {
        const char* identifier = identifiers != nullptr ? identifiers[i] : nullptr;
        text += ",\n    ";
        text += identifier != nullptr ? std::string(identifier) : std::to_string(i);
        text += ", " + ValueSource(*GetParam(i));
    }
    text += ");\n";
    AppendToFile(path, text);
}

void PluginBase::DumpBlobPresetSource(const char* path) const {
    const PresetSlot* slot = GetPreset(mCurrentPresetIdx);
    const ByteChunk empty;
    const ByteChunk& chunk = slot != nullptr ? slot->chunk : empty;
    std::string text = "MakePresetFromBlob(\"";
    text += PresetName(mCurrentPresetIdx);
    text += "\", \"";
    text += EncodeBase64(chunk.Data(), chunk.Size());
    text += "\", " + std::to_string(chunk.Size()) + ");\n";
    AppendToFile(path, text);
}
