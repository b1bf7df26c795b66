#pragma once
// The editor layer's side of the delegate's GraphicsBinding: how the editor
// delegate of the core reaches a scene (Graphics) it cannot see.
//
// SceneBinding forwards every call to the scene; opening and closing go to
// the scene's own OpenWindow and CloseWindow (no window: the scene opens
// drawing nothing). A window that shows scenes (the platform's editor-window
// handle) derives from it and opens them itself; each delegate has its own
// binding, so nothing of one editor's window is process-wide.
#include <functional>

#include "core/graphics_editor_delegate.h"

class SceneBinding : public GraphicsBinding {
public:
    // [ui] Deletes the scene.
    void DestroyGraphics(Graphics* graphics) override;
    // [ui]
    void EditorSize(const Graphics& graphics, int& width, int& height, float& scale) const override;
    // [ui]
    void Resize(Graphics& graphics, int width, int height, float scale,
                bool needsPlatformResize) override;
    // [ui] graphics.OpenWindow(parent).
    void* OpenPlatformWindow(Graphics& graphics, void* parent) override;
    // [ui] graphics.CloseWindow().
    void ClosePlatformWindow(Graphics& graphics) override;
    // [ui]
    void SetScreenScale(Graphics& graphics, float scale) override;
    // [ui]
    void SendParamValue(Graphics& graphics, int paramIdx, double normalizedValue) override;
    // [ui]
    void SendControlValue(Graphics& graphics, int ctrlTag, double normalizedValue) override;
    // [ui]
    void SetHostViewContainer(Graphics& graphics, HostViewContainer* container) override;
    // [ui]
    void SetHostParamHighlight(Graphics& graphics, int paramIdx, bool highlighted,
                               int colourIndex) override;
    // [ui] Keys from the host arrive without a position: the pointer's last one.
    bool OnKeyDown(Graphics& graphics, const KeyStroke& key) override;
    // [ui]
    bool OnKeyUp(Graphics& graphics, const KeyStroke& key) override;
};

// [any] The binding of scenes shown without a window of their own (and of
// scenes that are their own window); it keeps no state.
SceneBinding& EditorGraphicsBinding();

// [main] Makes delegate's scenes through make from now on: make gets the
// scene the delegate's make-graphics function made and returns another of
// its size, frame rate and draw scale, which takes its resource table; the
// first is deleted. Tests and tools show scenes in windows of their own so.
void ReplaceScenes(GraphicsEditorDelegate& delegate,
                   std::function<Graphics*(const Graphics& made)> make);
