#pragma once
// A scene with a window that is no window: opening it does what a real one
// does around its window (screen scale, layout, everything dirty, the
// delegate told), frame ticks collect and draw dirty regions onto its
// recording canvas, and the pointer and window sizes it would set are
// remembered. Tests open the product's editor through its delegate with it.
#include "editor/graphics.h"
#include "editor/headless/recording_canvas.h"
#include "editor/size_negotiation.h"

class HeadlessWindow : public Graphics, public SceneWindow, public SizeNegotiation::WindowSide {
public:
    // [ui] A scene drawn on its own recording canvas.
    HeadlessWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps, float scale);
    // [ui]
    ~HeadlessWindow() override;

    // [main] Makes delegate's editors HeadlessWindows reporting screenScale.
    static void Attach(GraphicsEditorDelegate& delegate, float screenScale = 1.0f);
    // [ui] The open headless window of delegate, or null.
    static HeadlessWindow* Of(const GraphicsEditorDelegate& delegate);

    // [ui]
    void* OpenWindow(void* parent) override;
    // [ui] Empties the editor like a closing window (the controls go).
    void CloseWindow() override;
    // [ui]
    bool IsOwnWindow() const override { return true; }

    // ---- SceneWindow
    // [ui]
    float ScreenScale() const override { return mReportedScreenScale; }
    // [ui] Settles the scene's pixel size with the delegate's host.
    void SceneResized(bool hostSized) override;
    // [ui] The window takes the size.
    void ResizeWindow(int width, int height, bool withHost) override;
    // [ui]
    void ShowPointer(bool visible) override { mCursorVisible = visible; }
    // [ui]
    void MovePointer(float x, float y) override;

    // ---- The recording canvas
    // [ui] The calls since the last ClearLog.
    const std::vector<DrawCall>& Log() const { return mRecording.Log(); }
    // [ui]
    void ClearLog() { mRecording.ClearLog(); }
    // [ui] The bitmap calls drawing the strip named name, in order.
    std::vector<DrawCall> BitmapCalls(const std::string& name) const {
        return mRecording.BitmapCalls(name);
    }
    // [ui] Canvas images alive now.
    int LiveImages() const { return mRecording.LiveImages(); }

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

private:
    RecordingCanvas mRecording;
    DelegateHostSide mSizeHost;
    SizeNegotiation mSizes;
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
