#pragma once
// The LV2 X11 UI: the product's editor without a plug-in instance behind it
// (hosts may run the UI in another process). The object is the editor's
// delegate, with Params defined as the plug-in's, and plays the host's side
// of the editor's world with what the LV2 host offers:
//
//   host -> editor  a control port's value (port_event, format 0) is set on
//                   its Param and sent to the controls as a real value, as
//                   the plug-in applies it (Param::SetValue; NaN ignored)
//   editor -> host  a user change writes the Param's real value to its port
//                   (write_function, format 0); gestures go to ui:touch
//   size            every new editor size, larger or smaller, goes to
//                   ui:resize (else the editor resizes its parent itself);
//                   the host's ui:resize request scales the editor to fit,
//                   and one for the size the editor has is no change (hosts
//                   echo sizes back from their own resize events)
//   options         ui:scaleFactor is the screen scale (over Xft.dpi),
//                   ui:windowTitle names the editor's own window; from
//                   options:options and later through the options interface
//   own window      without ui:parent the editor's top-level window is
//                   mapped on the host's show (ui:showInterface), and at the
//                   first idle call when the host neither showed nor hid it
//   editor size     patch messages over the plug-in's atom ports: a patch:Get
//   persistence     at opening, a patch:Set from "notify" resizes the editor
//                   (not while the user drags the corner), a size the user
//                   chose is sent as patch:Set to "control"
//   reset           Alt+click on a control, or a double click on a knob,
//                   writes its default in one gesture
//   keys            embedded, the editor leaves the keyboard to the host (its
//                   shortcuts keep working after a click in the editor)
//
// Each UI has its own run loop, handed to its editor window for the frame
// timer and pumped from the host's idle calls with the monotonic clock, so
// UIs of several instances never drive or stop each other's timers.
//
// Threads: [ui] throughout (the host's UI thread).
#include <lv2/ui/ui.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/graphics_editor_delegate.h"
#include "core/run_loop.h"
#include "editor/platform/editor_window.h"
#include "lv2/lv2_patch_messages.h"
#include "lv2/lv2_ports.h"
#include "lv2/ui/lv2_ui_features.h"
#include "lv2/ui/lv2_ui_host_options.h"
#include "lv2/ui/lv2_ui_reset_click.h"

// How the UI reaches the plug-in through the host.
struct LV2UIHostLink {
    LV2UI_Write_Function write = nullptr;  // null: nothing is sent
    LV2UI_Controller controller = nullptr;
    LV2PortLayout layout;       // the plug-in variant's ports
    std::string editorSizeURI;  // the editor-size property of the patch messages
    std::string pluginName;     // the variant's name, for an own window without a title
    bool trace = false;         // every value written is printed to stderr too
};

class LV2UIAdapter : public GraphicsEditorDelegate {
public:
    // [ui] The product defines the Params and installs its editor in its own
    // constructor.
    explicit LV2UIAdapter(const PluginConfig& config);
    // [ui] Closes the editor when still open.
    ~LV2UIAdapter() override;

    // [ui] Opens the editor through its window handle in features.parent (a
    // top-level window without one, named after the host's title or the
    // plug-in variant), tells the host its size and asks the plug-in for the
    // stored editor size. Returns the
    // editor's X window, or null when it could not open (nothing was sent).
    void* Open(const LV2UIHostLink& link, const LV2UIFeatures& features);
    // [ui] Ends the gestures still open and closes the editor.
    void Close();

    // [ui] The host's port_event. Ports and formats it does not know are
    // ignored, as are short buffers.
    void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    // [ui] The host's idle call: runs the editor's timers that are due.
    // 1 once the window manager closed the editor's own top-level window
    // (opened without ui:parent), else 0.
    int Idle();
    // [ui] The host's ui:resize request, in pixels: the editor's draw scale
    // that fits it, the aspect ratio kept. 0 when applied, 1 for a size
    // that is not positive or no open editor.
    int HostResize(int width, int height);

    // [ui] The host's show and hide (ui:showInterface): 0 when done, 1
    // without an open editor.
    int ShowWindow();
    int HideWindow();
    // [ui] The options interface: LV2_Options_Status values.
    uint32_t SetOptions(const LV2_Options_Option* options);
    uint32_t GetOptions(LV2_Options_Option* options) const;

    // [ui] The options the host gave, as far as the UI could read them.
    const LV2UIHostOptions& HostOptions() const { return mOptions; }
    // [ui] Whether the host link traces (decided once, when the UI opened).
    bool Traces() const { return mLink.trace; }

    // [ui] The editor's window handle.
    const EditorWindow& Window() const { return mWindow; }
    // [ui] The UI's own run loop (its frame timer lives there).
    const ManualRunLoop& Loop() const { return mLoop; }

    // [ui] Overrides of the delegate, see above.
    void BeginUIParamGesture(int paramIdx) override;
    // [ui]
    void EndUIParamGesture(int paramIdx) override;
    // [ui]
    void SendUIParamValue(int paramIdx, double normalizedValue) override;
    // [ui] Sends a size the editor was not given by the plug-in as
    // patch:Set; the window asks the host for the pixel size (ui:resize).
    bool NegotiateEditorSize(int width, int height, bool needsWindowResize) override;

private:
    bool ResetToDefault(int paramIdx);
    void WritePort(uint32_t port, uint32_t size, uint32_t format, const void* data);
    void SendEditorSize();
    void ApplyEditorSize(const EditorSizeMessage& size);
    void ApplyHostOptions();
    bool KnownSizeIs(const EditorSizeMessage& size) const;
    static int64_t MonotonicMs();

    ManualRunLoop mLoop;
    EditorWindow mWindow;
    LV2UIHostLink mLink;
    LV2UIFeatures mFeatures;
    LV2UIResetClick mResetClick;
    LV2PatchURIDs mUrids;
    LV2UIOptionURIDs mOptionUrids;
    LV2UIHostOptions mOptions;
    bool mShownOrHidden = false;  // the host called show or hide
    bool mPatchReady = false;     // urid:map, write function and atom ports known
    bool mApplyingPluginSize = false;
    EditorSizeMessage mKnownSize;  // the size the plug-in holds, as far as we know
    std::vector<char> mTouching;   // per Param: a gesture is open at the host
};
