#pragma once
// What the scene (Graphics) asks of the window it is shown in: its pixel
// size, the pointer's shape, visibility and position, and what the screen
// offers. The X11 window, the off-screen window and the headless window of
// tests implement it; a scene without a window asks nothing.
//
// Threads: [ui] throughout.
class SceneWindow {
public:
    virtual ~SceneWindow() = default;

    // [ui] The screen's pixel factor at opening.
    virtual float ScreenScale() const { return 1.0f; }
    // [ui] Whether a direct-touch device exists.
    virtual bool SupportsMultiTouch() const { return false; }
    // [ui] The scene's pixel size changed; hostSized: the host sized its
    // window already (its own resize).
    virtual void SceneResized(bool hostSized) = 0;
    // [ui] The pointer's shape (a PointerShape) over the window.
    virtual void SetPointerShape(int /*shape*/) {}
    // [ui] Hides or shows the pointer.
    virtual void ShowPointer(bool /*visible*/) {}
    // [ui] Moves the pointer to (x, y) graphics units.
    virtual void MovePointer(float /*x*/, float /*y*/) {}
};
