#include "product/editor/tarnwhistle_editor.h"

#include "editor/bitmap_knob.h"
#include "editor/bitmap_switch.h"
#include "editor/graphics.h"
#include "editor/graphics_binding.h"
#include "editor/value_bubble_action.h"
#include "product/channel_parameters.h"

namespace {

enum ControlKind { kSwitch, kKnob };

struct ControlPlace {
    ControlKind kind;
    const char* file;
    int frames;
    float x;
    float y;
    int paramIdx;
    bool showsBubble;
};

// In attach order, which is also the drawing order.
const ControlPlace kControls[] = {
    {kSwitch, "SWITCH.png", 2, 159, 621, kBypass, false},
    {kSwitch, "SWITCH.png", 2, 49, 621, kMicPre, false},
    {kSwitch, "OVER.png", 2, 64, 647, kOversampling, true},
    {kKnob, "GAIN.png", 61, 31, 518, kPreampGain, true},
    {kKnob, "TRIM.png", 61, 141, 518, kOutputTrim, true},
    {kKnob, "HPF.png", 5, 31, 395, kHighPass, true},
    {kKnob, "LF.png", 5, 31, 271, kLowFreq, true},
    {kKnob, "BGAIN.png", 61, 141, 271, kLowGain, true},
    {kKnob, "MF.png", 7, 30, 150, kMidFreq, true},
    {kKnob, "BGAIN.png", 61, 141, 148, kMidGain, true},
    {kKnob, "BGAIN.png", 61, 141, 25, kHighGain, true},
};

constexpr float kKnobGearing = 4.0f;
constexpr float kCornerHandleSize = 20.0f;

}  // namespace

void InstallTarnwhistleEditor(GraphicsEditorDelegate& delegate) {
    delegate.SetMakeGraphicsFunc([&delegate] { return MakeTarnwhistleGraphics(delegate); });
    delegate.SetLayoutFunc(LayoutTarnwhistleEditor);
    delegate.SetGraphicsBinding(&EditorGraphicsBinding());
}

Graphics* MakeTarnwhistleGraphics(GraphicsEditorDelegate& delegate) {
    auto* graphics = new Graphics(delegate, kTarnwhistleEditorWidth, kTarnwhistleEditorHeight,
                                  kTarnwhistleEditorFps, 1.0f);
    graphics->SetResourceTable(TarnwhistleResourceTable());
    return graphics;
}

void LayoutTarnwhistleEditor(Graphics* graphics) {
    if (graphics == nullptr) return;
    // A faint handle that turns opaque black under the pointer and while dragged.
    graphics->AddCornerResizer(kResizeModeScale, false, Color{10, 0, 0, 0}, Color{255, 0, 0, 0},
                               Color{255, 0, 0, 0}, kCornerHandleSize);
    graphics->AddBackground("BG.png");
    graphics->SetMouseOverEnabled(true);
    graphics->SetMultiTouchEnabled(graphics->PlatformSupportsMultiTouch());
    graphics->AddBubbleControl(TextStyle{});
    graphics->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
    for (const ControlPlace& place : kControls) {
        const BitmapStrip strip = graphics->LoadBitmap(place.file, place.frames, false, 0);
        Control* control = nullptr;
        if (place.kind == kKnob) {
            control = new BitmapKnob(place.x, place.y, strip, place.paramIdx, kKnobVertical,
                                     kKnobGearing);
        } else {
            control = new BitmapSwitch(place.x, place.y, strip, place.paramIdx);
        }
        control = graphics->AddControl(control);
        if (control != nullptr && place.showsBubble)
            control->SetActionFunction(ShowValueBubbleAction);
    }
}
