#pragma once
// A platform window without a window: opening it does what a real one does
// around its window (screen scale, layout, everything dirty, the delegate
// told), frame ticks collect and draw dirty regions into the recording back
// end, and the cursor and window sizes it would set are remembered. Tests
// open the product's editor through its delegate with it.
#include "editor/headless/recording_graphics.h"

class HeadlessWindow : public RecordingGraphics {
public:
    // [ui]
    HeadlessWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps, float scale);

    // [main] Makes every editor of the process a HeadlessWindow reporting
    // screenScale until called again.
    static void InstallAsPlatform(float screenScale = 1.0f);
    // [ui] The open headless window of delegate, or null.
    static HeadlessWindow* Of(const GraphicsEditorDelegate& delegate);

    // [ui]
    void* OpenWindow(void* parent) override;
    // [ui] Empties the editor like a closing window (the controls go).
    void CloseWindow() override;
    // [ui]
    float ScreenScale() const override { return mReportedScreenScale; }
    // [ui]
    void ResizePlatformWindow(bool parentResized) override;

    // [ui] One frame: runs the animations, collects the dirty regions, marks
    // everything clean and draws them. Whether anything was drawn.
    bool Tick();
    // [ui] The screen scale the "display" reports at the next opening.
    void SetReportedScreenScale(float scale) { mReportedScreenScale = scale; }

    // [ui] Pointer input as one mouse would give it (touch id 0).
    Control* Press(float x, float y, MouseModifiers mods = {});
    // [ui]
    void Drag(float dX, float dY, MouseModifiers mods = {});
    // [ui]
    void Release(MouseModifiers mods = {});
    // [ui]
    bool DoubleClick(float x, float y, MouseModifiers mods = {});
    // [ui]
    void Wheel(float x, float y, float notches, MouseModifiers mods = {});

    // [ui]
    bool IsOpen() const { return mOpen; }
    // [ui] The window's pixel size after its last resize.
    int WindowPixelWidth() const { return mWindowWidth; }
    // [ui]
    int WindowPixelHeight() const { return mWindowHeight; }
    // [ui]
    int WindowResizes() const { return mWindowResizes; }
    // [ui]
    bool PlatformCursorVisible() const { return mCursorVisible; }
    // [ui] Where the pointer was last moved to by the editor, and how often.
    float WarpX() const { return mWarpX; }
    // [ui]
    float WarpY() const { return mWarpY; }
    // [ui]
    int Warps() const { return mWarps; }

protected:
    void ShowPlatformCursor(bool visible) override { mCursorVisible = visible; }
    void MovePlatformCursor(float x, float y) override;

private:
    float mReportedScreenScale = 1.0f;
    bool mOpen = false;
    int mWindowWidth = 0;
    int mWindowHeight = 0;
    int mWindowResizes = 0;
    bool mCursorVisible = true;
    float mWarpX = -1.0f;
    float mWarpY = -1.0f;
    int mWarps = 0;
    float mPointerX = 0.0f;
    float mPointerY = 0.0f;
};
