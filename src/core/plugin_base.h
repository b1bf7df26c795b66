#pragma once
// The plug-in base: the plug-in's identity, its persistent state and its
// preset slots.
//
// State is a flat byte string in the machine's (little-endian) order. By
// default it is the parameter values, one 8-byte double per parameter in index
// order, with no header; a product that also stores its editor size overrides
// SaveState/LoadState to put SaveEditorState/LoadEditorState in front.
//
// Preset slots: a fixed number created at construction (only
// DropEmptyPresetSlots removes any), each with a name of at most 255
// characters, an initialised flag and a chunk holding the preset's state.
// Preset and bank files use the FXP/FXB layouts with big-endian headers; a
// state-chunks plug-in writes its state opaquely ("FPCh"/"FBCh"), the others
// write normalised parameter values ("FxCk"/"FxBk"). Loading a file is all or
// nothing: a truncated, lying or foreign file answers false and leaves
// parameters, editor state and presets as they were.
//
// Table-wide parameter operations (DefineRange, CloneRange, CopyValues,
// ResetAllToDefault, RandomizeAll ...) live on the table: Params().
//
// Threads: state and preset operations run on [main] (host calls) or [ui];
// parameter values are atomic, so serialising may run while audio runs, but
// preset slots and the current preset index are not protected and are never
// touched from [audio]. Everything here may allocate.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/byte_chunk.h"
#include "core/graphics_editor_delegate.h"
#include "core/param_source.h"
#include "core/plugin_config.h"
#include "core/text_buf.h"

// Longest preset name; longer names are cut.
inline constexpr int kMaxPresetNameChars = 255;

struct PresetSlot {
    bool initialised = false;
    char name[kMaxPresetNameChars + 1] = "empty";  // always NUL-terminated
    ByteChunk chunk;                                // the preset's state
};

class PluginBase : public GraphicsEditorDelegate {
public:
    // [main] Creates config.presetCount uninitialised slots named "empty" and
    // takes the identity (names, IDs, version, bundle ID, editor flag) and the
    // state-chunks flag from the configuration.
    explicit PluginBase(const PluginConfig& config);
    // [main]
    ~PluginBase() override;

    // ---- Identity [any]. The host-facing base fills in the host and API
    // [any] fields; the members are protected for it.
    const char* PluginName() const { return mPluginName.Get(); }
    // [any]
    const char* ProductName() const { return mProductName.Get(); }
    // [any]
    const char* ManufacturerName() const { return mManufacturerName.Get(); }
    // [any]
    const char* BundleID() const { return mBundleID.Get(); }
    // [any]
    int32_t UniqueID() const { return mUniqueID; }
    // [any]
    int32_t ManufacturerID() const { return mManufacturerID; }
    // [any]
    int32_t PackedPluginVersion() const { return mPluginVersion; }  // major << 16 | minor << 8 | patch
    // [any]
    int32_t ApiCode() const { return mApiCode; }
    // [any]
    bool HasEditor() const { return mHasEditor; }
    // [any]
    bool DoesStateChunks() const { return mStateChunks; }

    // ---- State hooks, virtual, in slot order [main] ------------------------
    // [main] Appends the plug-in state; default SerializeParams.
    virtual bool SaveState(ByteChunk& chunk) const;
    // [main] Reads the plug-in state at startPos; returns the position after it, or
    // -1 when the data ran out. Default UnserializeParams.
    virtual int LoadState(const ByteChunk& chunk, int startPos);
    // [main] A second state pair nothing in the framework calls; defaults do nothing.
    virtual bool SaveControllerState(ByteChunk& chunk) const;
    // [main]
    virtual int LoadControllerState(const ByteChunk& chunk, int startPos);
    // [main] Called after a preset or bank file was loaded.
    virtual void OnPresetFileLoaded();
    // [main] Called after a preset was restored.
    virtual void OnPresetRestored();

    // ---- Serialised parameters and presets [main] ----------------------------
    // [main] One double per parameter (its real value), index order. False only when
    // the chunk cannot grow.
    bool SerializeParams(ByteChunk& chunk) const;
    // [main] SetValue of one double per parameter from startPos. The first parameter
    // with fewer than 8 bytes left becomes Restrict(0.0) and reading stops.
    // Always ends with NotifyAllParamsChanged(Preset). Returns the position
    // after the last value, or -1 when the data ran out.
    int UnserializeParams(const ByteChunk& chunk, int startPos);
    // [main] Per slot: name (int32 length + bytes), initialised byte, and for an
    // initialised slot its chunk raw. True when the chunk grew.
    bool SerializePresets(ByteChunk& chunk) const;
    // [main] Reads what SerializePresets wrote, loading each initialised preset
    // through LoadState (which finds its end) and re-saving it into its slot;
    // then restores the current preset. Returns the last position or -1;
    // slots after the point where the data ran out keep their contents.
    int UnserializePresets(const ByteChunk& chunk, int startPos);

    // [main] True when every parameter equals the stored double within 1e-5,
    // both taken in single precision. The stored values start at double
    // element startPos of data (which holds dataSize bytes); fewer stored
    // values than parameters, or a negative startPos, never match.
    virtual bool MatchesStoredState(const uint8_t* data, int dataSize, int startPos) const;

    // ---- Preset slots [main, ui] ---------------------------------------------
    // [main, ui]
    int PresetCount() const { return static_cast<int>(mPresets.size()); }
    // [main, ui]
    int CurrentPresetIndex() const { return mCurrentPresetIdx; }
    // [main, ui]
    const char* PresetName(int index) const;           // "" outside 0..count-1
    // [main, ui]
    const PresetSlot* GetPreset(int index) const;      // null outside 0..count-1

    // [main, ui] Loads an initialised slot (success: LoadState > 0); captures the current
    // state into an uninitialised one, naming it "user preset N". On success
    // the slot becomes current, then OnPresetRestored and
    // NotifyEditorStateRestored.
    bool RestorePreset(int index);
    // [main, ui]
    bool RestorePresetByName(const char* name);        // first exact match
    // [main, ui] Re-saves the current state into the current slot (which counts as
    // initialised from then on); renames it when name is non-empty.
    void ModifyCurrentPreset(const char* name = nullptr);
    // [main, ui] Removes every uninitialised slot, keeping the others in order. The
    // current index follows its slot, or becomes 0 when that slot went away.
    void DropEmptyPresetSlots();

    // ---- Preset creation [main], at construction. Each fills the first
    // uninitialised slot and does nothing when every slot is initialised. ----
    // [main] count slots named name ("Empty" when null) take the current state.
    void FillEmptyPresets(const char* name, int count);
    // [main] One value per parameter in index order: an int for bool, int and enum
    // parameters, a double for the others. Stores parameter values only.
    void MakePreset(const char* name, ...);
    // [main] Same with the values as doubles; missing values take the current value.
    void MakePreset(const char* name, std::initializer_list<double> values);
    // [main] n pairs of (int index, value typed as for MakePreset). Parameters not
    // named keep their current value. Reading stops at an index outside the
    // table, since its value's type is unknown.
    void MakePresetFromNamedParams(const char* name, int n, ...);
    // [main]
    void MakePresetFromNamedParams(const char* name, std::initializer_list<std::pair<int, double>> values);
    // [main]
    void MakePresetFromChunk(const char* name, const ByteChunk& chunk);
    // [main] The slot receives size bytes decoded from base64 text (zero beyond the
    // text's end).
    void MakePresetFromBlob(const char* name, const char* base64Text, int size);

    // ---- Source dumps [main]: each appends one statement to the file at path
    // (nothing when it cannot be opened) for the current preset. -------------
    // [main]
    void DumpPresetSource(const char* path) const;
    // [main] identifiers[i] names parameter i in the output (its index when the array
    // or the entry is null).
    void DumpNamedPresetSource(const char* path, const char* const* identifiers) const;
    // [main]
    void DumpBlobPresetSource(const char* path) const;

    // ---- Preset and bank files [main] -----------------------------------------
    // [main]
    bool SavePresetFile(const char* path) const;
    // [main]
    bool SaveBankFile(const char* path) const;
    // [main]
    bool LoadPresetFile(const char* path);
    // [main]
    bool LoadBankFile(const char* path);

protected:
    // [main] The first uninitialised slot, marked initialised with name and an
    // empty chunk; null when every slot is initialised.
    PresetSlot* ClaimEmptyPreset(const char* name);

    // Identity; set at construction.
    TextBuf mPluginName;
    TextBuf mProductName;
    TextBuf mManufacturerName;
    TextBuf mBundleID;
    int32_t mUniqueID = 0;
    int32_t mManufacturerID = 0;
    int32_t mPluginVersion = 0;   // major << 16 | minor << 8 | patch
    int32_t mHostVersion = 0;     // 0 until the host is known
    int32_t mHostType = -1;       // -1 until the host is known
    int32_t mApiCode = -1;        // 0 VST2 ... 4 HPI ... 7 WEB
    bool mHasEditor = false;
    bool mStateChunks = false;

private:
    // Everything a file load may change, for putting it back when it fails.
    struct Snapshot {
        std::vector<double> values;
        std::vector<PresetSlot> presets;
        int currentPresetIdx = 0;
        ByteChunk editorState;
    };
    Snapshot TakeSnapshot() const;
    void RestoreSnapshot(const Snapshot& snapshot);

    bool HasEmptyPreset() const;
    std::vector<double> CurrentValues() const;
    void WriteValuesPreset(const char* name, const std::vector<double>& values);
    // Decimal version for file headers: major * 10000 + minor * 100 + patch.
    int32_t DecimalPluginVersion() const;
    // The FXP program body (header from offset 0, values as floats).
    void AppendProgram(std::vector<uint8_t>& out, int32_t byteSize, const char* name,
                       const std::vector<float>& norms) const;
    // After new values arrived from a file: restore the current preset, or
    // tell everyone about the values when there is no current preset.
    void SettleAfterFileLoad();

    int32_t mCurrentPresetIdx = 0;
    std::vector<std::unique_ptr<PresetSlot>> mPresets;
};
