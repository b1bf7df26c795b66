#pragma once
// The editor delegate: the one interface through which the editor and the
// plug-in talk to each other, and the owner of the parameter table and the
// editor size limits. The editor calls the Send/Begin/End "UI" operations; the
// plug-in calls the "ToEditor" operations; both land in the On... hooks, whose
// defaults do nothing (or answer false / the given position).
//
// The plug-in object derives from this class (through GraphicsEditorDelegate,
// PluginBase and PluginAPIBase). The virtual operations are declared in the
// order of their slots; keep it when adding one.
//
// Threads: the table's parameter values are atomic and may be read and written
// from [any] thread; the table itself is built in the constructor and never
// changes size. Everything else is [main] or [ui] as tagged.
//
// OnParamChange is overloaded: a derived class that overrides one overload
// should bring the other in with `using EditorDelegate::OnParamChange;`.
#include <cstdint>

#include "core/param_source.h"
#include "core/param_table.h"
#include "core/plugin_config.h"

class ByteChunk;
struct KeyStroke;  // the editor's key value, defined by the editor layer
struct MidiMessage;
struct SysExMessage;

// Editor size limits used when the configuration gives none.
inline constexpr int32_t kDefaultMinEditorSize = 10;
inline constexpr int32_t kDefaultMaxEditorSize = 100000;

class EditorDelegate {
public:
    // [main] Creates parameterCount default parameters and takes the editor
    // size and its limits from the configuration. Each min/max pair is stored
    // sorted; a pair given as 0/0 keeps the defaults (10 / 100000).
    explicit EditorDelegate(const PluginConfig& config);
    EditorDelegate(const EditorDelegate&) = delete;
    EditorDelegate& operator=(const EditorDelegate&) = delete;

    // ---- Parameter table -------------------------------------------------
    // [any]
    ParamTable& Params() { return mParams; }
    // [any]
    const ParamTable& Params() const { return mParams; }
    // [any]
    int NParams() const { return mParams.Count(); }
    // [any] null outside
    Param* GetParam(int paramIdx) { return mParams.GetParam(paramIdx); }
    // [any] null outside
    const Param* GetParam(int paramIdx) const { return mParams.GetParam(paramIdx); }

    // ---- Editor size, in graphics units -----------------------------------
    // [any]
    int EditorWidth() const { return mEditorWidth; }
    // [any]
    int EditorHeight() const { return mEditorHeight; }
    // [any]
    int MinEditorWidth() const { return mMinWidth; }
    // [any]
    int MaxEditorWidth() const { return mMaxWidth; }
    // [any]
    int MinEditorHeight() const { return mMinHeight; }
    // [any]
    int MaxEditorHeight() const { return mMaxHeight; }
    // [main, ui]
    void SetEditorSize(int width, int height);
    // [main] Each pair is stored sorted, so min <= max always holds.
    void SetEditorSizeLimits(int minWidth, int maxWidth, int minHeight, int maxHeight);

    // ---- Virtual operations, in slot order ----------------------------------
    // [main] Slot 1.
    virtual ~EditorDelegate();
    // [ui] Slot 2. Opens the editor inside parent; returns the native view or null.
    // Default: OnEditorOpened, then null.
    virtual void* OpenWindow(void* parent);
    // [ui] Slot 3. Default: OnEditorClosed.
    virtual void CloseWindow();
    // [ui] Slot 4. Not called by anything in the framework.
    virtual void OnParentWindowResize(int width, int height);
    // [ui] Slot 5. Sends every parameter's current value to the editor.
    virtual void OnEditorOpened();
    // [ui] Slot 6.
    virtual void OnEditorClosed();
    // [main, ui] Slot 7. The product's reaction to a changed value.
    virtual void OnParamChange(int paramIdx);
    // [main, ui] Slot 8. Emits a trace line, then OnParamChange(paramIdx).
    virtual void OnParamChange(int paramIdx, ParamSource source, int sampleOffset);
    // [ui] Slot 9.
    virtual void OnParamChangeInEditor(int paramIdx, ParamSource source);
    // [main, ui] Slot 10. For every parameter in index order:
    // OnParamChange(i, source, -1), then OnParamChangeInEditor(i, source).
    virtual void NotifyAllParamsChanged(ParamSource source);
    // [ui] Slots 11, 12.
    virtual void OnMidiInEditor(const MidiMessage& message);
    // [ui]
    virtual void OnSysExInEditor(const SysExMessage& message);
    // [ui] Slot 13. Answers whether the message was handled; default false.
    virtual bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* data);
    // [main, ui] Slot 14. Sends every parameter's current value to the editor.
    virtual void NotifyEditorStateRestored();
    // [ui] Slots 15, 16. Answer whether the key was used; default false.
    virtual bool OnKeyDown(const KeyStroke& key);
    // [ui]
    virtual bool OnKeyUp(const KeyStroke& key);
    // [ui] Slot 17. Default: nothing.
    virtual void SendControlValueToEditor(int ctrlTag, double normalizedValue);
    // [ui] Slot 18. Default: OnMessage(msgTag, ctrlTag, dataSize, data).
    virtual void SendControlMsgToEditor(int ctrlTag, int msgTag, int dataSize, const void* data);
    // [ui] Slot 19. Default: OnMessage(msgTag, -1, dataSize, data).
    virtual void SendArbitraryMsgToEditor(int msgTag, int dataSize, const void* data);
    // [ui] Slot 20. Default: OnMidiInEditor.
    virtual void SendMidiToEditor(const MidiMessage& message);
    // [ui] Slot 21. Default: OnSysExInEditor.
    virtual void SendSysExToEditor(const SysExMessage& message);
    // [ui] Slot 22. value is real unless isNormalized.
    // Default: OnParamChangeInEditor(paramIdx, ParamSource::EditorDelegate).
    virtual void SendParamValueToEditor(int paramIdx, double value, bool isNormalized);
    // [main] Slot 23. Default: nothing.
    virtual void PushAllValuesToHost();
    // [ui] Slot 24. A control starts changing a parameter (mouse down).
    virtual void BeginUIParamGesture(int paramIdx) = 0;
    // [ui] Slot 25. Default: SetNorm on the parameter, then
    // OnParamChangeInEditor(paramIdx, ParamSource::UI). An index outside the
    // table does nothing.
    virtual void SendUIParamValue(int paramIdx, double normalizedValue);
    // [ui] Slot 26. The control stops changing the parameter (mouse up).
    virtual void EndUIParamGesture(int paramIdx) = 0;
    // [ui] Slot 27. Asks for a new editor size in pixels; answers whether the parent
    // window already has it. Default false.
    virtual bool NegotiateEditorSize(int width, int height, bool needsWindowResize);
    // [ui] Slots 28, 29. Default: nothing.
    virtual void SendUIMidi(const MidiMessage& message);
    // [ui]
    virtual void SendUISysEx(const SysExMessage& message);
    // [ui] Slot 30. Default: nothing.
    virtual void SendUIMessage(int msgTag, int ctrlTag, int dataSize, const void* data);
    // [ui] Slots 31, 32. Default: nothing.
    virtual void QueueUIMidi(const MidiMessage& message);
    // [ui]
    virtual void QueueUISysEx(const SysExMessage& message);
    // [main] Slot 33. Appends the editor's part of the plug-in state; default writes
    // nothing and answers true.
    virtual bool SaveEditorState(ByteChunk& chunk) const;
    // [main] Slot 34. Reads the editor's part of the state at startPos and returns
    // the position after it (-1 on failure); default returns startPos.
    virtual int LoadEditorState(const ByteChunk& chunk, int startPos);
    // [ui] Slot 35. Default: nothing.
    virtual void SetScreenScale(double scale);

protected:
    // [main, ui] SendParamValueToEditor(i, GetNorm, true) for every parameter.
    void SendCurrentValuesToEditor();

private:
    ParamTable mParams;
    int32_t mEditorWidth = 0;
    int32_t mEditorHeight = 0;
    int32_t mMinWidth = kDefaultMinEditorSize;
    int32_t mMaxWidth = kDefaultMaxEditorSize;
    int32_t mMinHeight = kDefaultMinEditorSize;
    int32_t mMaxHeight = kDefaultMaxEditorSize;
};
