#pragma once
// The editor delegate that owns the editor's graphics context while the editor
// is open, remembers the editor size and scale while it is closed, and writes
// them into the plug-in state (width int32, height int32, draw scale float32,
// little-endian, in front of the parameter values).
//
// The graphics context (Graphics) belongs to the editor layer, which sits
// above this one; here it is an opaque pointer. Everything the delegate needs
// done to it goes through a GraphicsBinding that the editor layer implements
// and the product installs with its make-graphics and layout functions.
//
// Threads: all of it runs on [ui], which for this plug-in is the host's main
// thread; SaveEditorState/LoadEditorState run on [main].
#include <functional>
#include <utility>

#include "core/editor_delegate.h"

class Graphics;  // the editor's graphics context, defined by the editor layer
class HostViewContainer;

// What the delegate asks of a graphics context. Implemented once by the editor
// layer; the delegate never owns the binding.
class GraphicsBinding {
public:
    virtual ~GraphicsBinding() = default;

    // [ui] Deletes a context made by the make-graphics function.
    virtual void DestroyGraphics(Graphics* graphics) = 0;
    // [ui] The context's width and height in graphics units and its draw scale.
    virtual void EditorSize(const Graphics& graphics, int& width, int& height,
                            float& scale) const = 0;
    // [ui] Resizes the editor (limits are the context's business).
    virtual void Resize(Graphics& graphics, int width, int height, float scale,
                        bool needsPlatformResize) = 0;
    // [ui] Creates the platform window inside parent, lays out the controls and
    // calls the delegate's OnEditorOpened; returns the native view.
    virtual void* OpenPlatformWindow(Graphics& graphics, void* parent) = 0;
    // [ui] Closes the platform window; the context stays until DestroyGraphics.
    virtual void ClosePlatformWindow(Graphics& graphics) = 0;

    // [ui] Forwarding of delegate traffic to the controls; defaults drop it.
    virtual void SetScreenScale(Graphics& /*graphics*/, float /*scale*/) {}
    // [ui]
    virtual void SendParamValue(Graphics& /*graphics*/, int /*paramIdx*/,
                                double /*normalizedValue*/) {}
    // [ui]
    virtual void SendControlValue(Graphics& /*graphics*/, int /*ctrlTag*/,
                                  double /*normalizedValue*/) {}
    // [ui]
    virtual void SendControlMsg(Graphics& /*graphics*/, int /*ctrlTag*/, int /*msgTag*/,
                                int /*dataSize*/, const void* /*data*/) {}
    // [ui]
    virtual void SendMidi(Graphics& /*graphics*/, const MidiMessage& /*message*/) {}
    // [ui]
    virtual bool OnKeyDown(Graphics& /*graphics*/, const KeyStroke& /*key*/) { return false; }
    // [ui]
    virtual bool OnKeyUp(Graphics& /*graphics*/, const KeyStroke& /*key*/) { return false; }
    // [ui] Attaches the host's view container (null: none) to the context.
    virtual void SetHostViewContainer(Graphics& /*graphics*/, HostViewContainer* /*container*/) {}
    // [ui] Marks (or unmarks) every control linked to paramIdx in a host colour.
    virtual void SetHostParamHighlight(Graphics& /*graphics*/, int /*paramIdx*/,
                                       bool /*highlighted*/, int /*colourIndex*/) {}
};

class GraphicsEditorDelegate : public EditorDelegate {
public:
    // Makes a new graphics context for this delegate; null when it cannot.
    using MakeGraphicsFunc = std::function<Graphics*()>;
    // Fills a graphics context that has no controls yet.
    using LayoutFunc = std::function<void(Graphics* graphics)>;

    // [main]
    explicit GraphicsEditorDelegate(const PluginConfig& config);
    // [main] destroys an open context
    ~GraphicsEditorDelegate() override;

    // [main] Set by the product at construction. The binding must outlive the
    // delegate; without one no context is ever made.
    void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
    // [main] The make-graphics function set (empty: none).
    const MakeGraphicsFunc& MakeGraphics() const { return mMakeGraphicsFunc; }
    // [ui] The binding set (null: none).
    GraphicsBinding* Binding() const { return mBinding; }
    // [main]
    void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }
    // [main]
    void SetGraphicsBinding(GraphicsBinding* binding) { mBinding = binding; }

    // [ui] The open editor's graphics context, null while the editor is closed.
    Graphics* GetGraphics() const { return mGraphics; }

    // [ui] The host's view container for every context from now on (null:
    // none); attached at once to an open one. The delegate does not own it.
    void SetHostViewContainer(HostViewContainer* container);
    // [ui] Highlights the controls of paramIdx; false when no editor is open.
    bool SetHostParamHighlight(int paramIdx, bool highlighted, int colourIndex);

    // [any] The size and scale remembered for the next opening (0, 0, 0 until
    // an editor was open or a state was loaded).
    int SavedWidth() const { return mSavedWidth; }
    // [any]
    int SavedHeight() const { return mSavedHeight; }
    // [any]
    float SavedScale() const { return mSavedScale; }

    // [ui] Overrides of EditorDelegate.
    // [ui] Builds the context if there is none, restores a remembered size,
    // opens the platform window; returns the native view or null.
    void* OpenWindow(void* parent) override;
    // [ui] Remembers the size, closes the platform window and deletes the
    // context. A close that arrives while one is running is ignored.
    void CloseWindow() override;
    // [ui]
    bool OnKeyDown(const KeyStroke& key) override;
    // [ui]
    bool OnKeyUp(const KeyStroke& key) override;
    // [ui]
    void SendControlValueToEditor(int ctrlTag, double normalizedValue) override;
    // [ui]
    void SendControlMsgToEditor(int ctrlTag, int msgTag, int dataSize, const void* data) override;
    // [ui]
    void SendMidiToEditor(const MidiMessage& message) override;
    // [ui] Updates the controls linked to the parameter (nothing while the
    // editor is closed), then the base behaviour.
    void SendParamValueToEditor(int paramIdx, double value, bool isNormalized) override;
    // [main] Writes width, height and scale of the open editor, or the
    // remembered ones while it is closed. Always true.
    bool SaveEditorState(ByteChunk& chunk) const override;
    // [main] Reads width, height and scale; a failed read gives 0 and the
    // result -1. Closed editor: remembered for the next opening. Open editor:
    // resized at once when all three are non-zero (and finite).
    int LoadEditorState(const ByteChunk& chunk, int startPos) override;
    // [main]
    void SetScreenScale(double scale) override;

    // ---- Virtual operations added here, in slot order -----------------------
    // [ui] 36 [ui] Runs the make-graphics function when no context exists.
    virtual void BuildGraphics();
    // [ui] 37 [ui] Runs the layout function on graphics.
    virtual void ApplyLayout(Graphics* graphics);

private:
    void DestroyGraphics();

    MakeGraphicsFunc mMakeGraphicsFunc;
    LayoutFunc mLayoutFunc;
    GraphicsBinding* mBinding = nullptr;
    Graphics* mGraphics = nullptr;
    HostViewContainer* mHostViewContainer = nullptr;
    int32_t mSavedWidth = 0;
    int32_t mSavedHeight = 0;
    float mSavedScale = 0.0f;
    bool mClosing = false;
};
