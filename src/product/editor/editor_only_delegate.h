#pragma once
// Tarnwhistle's parameters and editor without an audio engine or a host: what
// a tool needs to draw the editor (pictures, benchmarks, tests of the drawing).
// Gestures go nowhere; values stay in the parameters.
#include "core/graphics_editor_delegate.h"
#include "product/channel_parameters.h"
#include "product/editor/tarnwhistle_editor.h"

class EditorOnlyDelegate : public GraphicsEditorDelegate {
public:
    // [ui]
    EditorOnlyDelegate() : GraphicsEditorDelegate(TarnwhistleConfig()) {
        DefineChannelParameters(Params());
        InstallTarnwhistleEditor(*this);
    }
    // [ui] Closes the editor first, so no window outlives its delegate.
    ~EditorOnlyDelegate() override { CloseWindow(); }
    // [ui]
    void BeginUIParamGesture(int) override {}
    // [ui]
    void EndUIParamGesture(int) override {}
};
