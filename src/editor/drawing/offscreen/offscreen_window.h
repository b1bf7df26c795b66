#pragma once
// A scene with a GL canvas whose window is a frame buffer instead of a
// screen: opening it makes the process's off-screen context current, creates
// the canvas's renderer and a window-sized frame buffer that plays the window
// (render buffers, as a window's own, so no texture limit applies to it),
// then does what a real window does (screen scale, layout, everything dirty,
// the delegate told). Ticks collect and draw the dirty regions; the window's
// pixels can be read back. Tests and the editor-picture tool use it.
#include <cstdint>
#include <memory>
#include <vector>

#include "editor/drawing/gl/gl_canvas.h"
#include "editor/graphics.h"

// Pixels read back from the window, top row first, straight RGBA bytes.
struct WindowPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    // [any] Channel c (0 red .. 3 alpha) of pixel (x, y) from the top left.
    int At(int x, int y, int c) const {
        return rgba[(static_cast<std::size_t>(y) * width + x) * 4 + c];
    }
};

class OffscreenWindow : public Graphics, public SceneWindow {
public:
    // [ui] canvas: the GL canvas to draw on (null: a plain one).
    OffscreenWindow(GraphicsEditorDelegate& delegate, int width, int height, int fps, float scale,
                    std::unique_ptr<GLCanvas> canvas = nullptr);
    // [ui] Closes the window when still open.
    ~OffscreenWindow() override;

    // [main] Makes delegate's editors OffscreenWindows reporting screenScale,
    // with textures of at most maxTextureSize pixels a side (0: as the
    // product caps them).
    static void Attach(GraphicsEditorDelegate& delegate, float screenScale = 1.0f,
                       int maxTextureSize = 0);
    // [ui] The open off-screen window of delegate, or null.
    static OffscreenWindow* Of(const GraphicsEditorDelegate& delegate);

    // [ui] Null (nothing opened) when no GL context or renderer can be had.
    void* OpenWindow(void* parent) override;
    // [ui] Removes the controls and releases the canvas and the window buffer.
    void CloseWindow() override;
    // [ui]
    bool IsOwnWindow() const override { return true; }
    // [ui]
    float ScreenScale() const override { return mReportedScreenScale; }
    // [ui] A new window buffer of the pixel size (its content starts empty).
    void SceneResized(bool hostSized) override;
    // [ui] The canvas drawn on.
    GLCanvas& GL() { return *mGL; }

    // [ui] One frame: runs the animations, collects the dirty regions, marks
    // everything clean and draws them. Whether anything was drawn. The region
    // list keeps its capacity, so a steady frame allocates nothing here.
    bool Tick();
    // [ui] The regions the last Tick drew, in graphics units.
    const BoundsList& LastRegions() const { return mRegions; }
    // [ui] The window's pixels as the screen would show them.
    WindowPixels ReadPixels();
    // [ui]
    bool IsOpen() const { return mOpen; }
    // [ui] The screen scale reported at the next opening.
    void SetReportedScreenScale(float scale) { mReportedScreenScale = scale; }

private:
    void DeleteWindowBuffer();

    std::unique_ptr<GLCanvas> mGL;
    float mReportedScreenScale = 1.0f;
    bool mOpen = false;
    unsigned mWindowBuffer = 0;  // GL frame buffer object
    unsigned mWindowColor = 0;   // its render buffers
    unsigned mWindowStencil = 0;
    BoundsList mRegions;
};
