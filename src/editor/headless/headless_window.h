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

    void* OpenWindow(void* parent) override;
    // [ui] Empties the editor like a closing window (the controls go).
    void CloseWindow() override;
    float ScreenScale() const override { return mReportedScreenScale; }
    void ResizePlatformWindow(bool parentResized) override;

    // [ui] One frame: runs the animations, collects the dirty regions, marks
    // everything clean and draws them. Whether anything was drawn.
    bool Tick();
    // [ui] The screen scale the "display" reports at the next opening.
    void SetReportedScreenScale(float scale) { mReportedScreenScale = scale; }

    // [ui] Pointer input as one mouse would give it (touch id 0).
    Control* Press(float x, float y, MouseModifiers mods = {});
    void Drag(float dX, float dY, MouseModifiers mods = {});
    void Release(MouseModifiers mods = {});
    bool DoubleClick(float x, float y, MouseModifiers mods = {});
    void Wheel(float x, float y, float notches, MouseModifiers mods = {});

    bool IsOpen() const { return mOpen; }
    // The window's pixel size after its last resize.
    int WindowPixelWidth() const { return mWindowWidth; }
    int WindowPixelHeight() const { return mWindowHeight; }
    int WindowResizes() const { return mWindowResizes; }
    bool PlatformCursorVisible() const { return mCursorVisible; }
    // Where the pointer was last moved to by the editor, and how often.
    float WarpX() const { return mWarpX; }
    float WarpY() const { return mWarpY; }
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
