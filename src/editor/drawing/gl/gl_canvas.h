#pragma once
// The editor's canvas on our OpenGL 2 vector renderer. The window's
// content lives in a retained off-screen frame buffer: a frame redraws only the
// dirty regions into it, then copies the whole buffer to the window, so what
// is not redrawn keeps its pixels. Where the driver cannot make that buffer
// (larger than its textures may be), every frame draws the whole editor
// straight into the window: slower, never blank. Pictures go to the renderer
// once per open editor; the renderer reads fonts from the bytes of the
// editor's process-wide font cache (editor/font_cache.h).
//
// The window that owns it creates the GL context and hands it over as a
// GLContextAccess: the canvas makes it current around its own loading,
// resizing and releasing; the window does so around each frame. It calls
// CreateRenderer when it opens and ReleaseBackEnd when it closes. Without a
// renderer (or a scene) every drawing call does nothing. GL objects are
// deleted only with the canvas's own context current: when it cannot be made
// current they are forgotten (they went with the context) and the memory
// behind them is freed.
//
// Units: the renderer's logical unit is one pixel / screen scale; controls draw
// under the draw scale, so one graphics unit is the total scale in pixels.
//
// Threads: [ui] throughout, with the editor's GL context current.
#include <memory>
#include <string>

#include "editor/canvas.h"

namespace drawing {
class Renderer;
}

// The context the canvas's GL calls need, as the platform window gives it.
class GLContextAccess {
public:
    virtual ~GLContextAccess() = default;
    // [ui] Makes the context current (remembering what was); false, with
    // nothing changed, when it cannot be. Calls nest.
    virtual bool Enter() = 0;
    // [ui] Ends a successful Enter: the outermost puts back what was current.
    virtual void Leave() = 0;
};

class GLCanvas : public Canvas {
public:
    // [ui]
    GLCanvas();
    // [ui] Releases what is left.
    ~GLCanvas() override;

    // [ui] The context to make current around the canvas's own GL work;
    // null: the caller keeps the right context current itself.
    void UseContext(GLContextAccess* context) { mContext = context; }
    // [ui] The GL frame buffer object the window shows (0, the default: the
    // context's own, which is the window's drawable).
    void SetWindowFramebuffer(unsigned framebuffer) { mWindowFramebuffer = framebuffer; }

    // [ui] Creates the renderer (anti-aliased) on the context; false, and
    // no drawing, when the context cannot carry it.
    bool CreateRenderer();
    // [ui] The texture side limit of renderers made from now on, within the driver's
    // (0: the product's own cap; see drawing::Renderer::Options), so a test on a
    // lenient driver draws as a strict one.
    void SetMaxTextureSize(int pixels) { mMaxTextureSize = pixels; }
    // [ui] The release at window close: the scene's cached bitmaps and their
    // images, the retained frame buffer, then the renderer.
    void ReleaseBackEnd();
    // [ui] Null while the window is closed or the renderer could not be made.
    drawing::Renderer* Renderer() const { return mRenderer.get(); }

    // [ui] false: the retained frame reaches the window as a textured rectangle even
    // where the context could blit it (both show the same pixels).
    void UseBlitCopy(bool use) { mBlitCopy = use; }
    // [ui] true: behave as a driver that cannot make the retained buffer (from the
    // next resize on).
    void RefuseRetainedBuffer(bool refuse) { mRefuseRetainedBuffer = refuse; }

    // ---- Canvas
    // [ui] Clears the window, binds the retained buffer (or, without one, the
    // window) and starts a frame.
    void BeginFrame() override;
    // [ui] Renders the regions into the retained buffer, then copies it whole to
    // the window.
    void EndFrame() override;
    // [ui] A new retained buffer of the scene's pixel size; its content starts
    // empty (every size change also marks all controls dirty).
    void Resize() override;
    // [ui] True while there is no retained buffer.
    bool DrawsWholeFrames() const override;
    // [ui]
    void DrawBitmap(const BitmapStrip& strip, const Bounds& dest, int srcX, int srcY,
                    const BlendStyle* blend) override;
    // [ui]
    void FillTriangle(const Color& color, float x1, float y1, float x2, float y2, float x3,
                      float y3, const BlendStyle* blend) override;
    // [ui]
    void FillCircle(const Color& color, float cx, float cy, float r,
                    const BlendStyle* blend) override;
    // [ui] area: the text's box for the style's alignment in the given area;
    // empty for an empty text.
    void MeasureText(const TextStyle& style, const char* text, Bounds& area) override;
    // [ui]
    void DrawText(const TextStyle& style, const char* text, const Bounds& area,
                  const BlendStyle* blend) override;
    // [ui]
    void DrawFastDropShadow(const Bounds& inner, const Bounds& outer, float offset, float roundness,
                            float blur, const BlendStyle* blend) override;
    // [ui]
    void PathClear() override;
    // [ui]
    void PathMoveTo(float x, float y) override;
    // [ui]
    void PathLineTo(float x, float y) override;
    // [ui]
    void PathArc(float cx, float cy, float r, float startDegrees, float endDegrees) override;
    // [ui]
    void PathClose() override;
    // [ui]
    void PathFill(const Color& color, const BlendStyle* blend) override;
    // [ui]
    void PathStroke(const Color& color, float width, const BlendStyle* blend) override;
    // [ui] The draw scale over the identity.
    void ResetTransform() override;
    // [ui]
    void SetClipRegion(const Bounds& clip) override;
    // [ui]
    int CreateImage(const DecodedPicture& picture) override;
    // [ui]
    void FreeImage(int image) override;
    // [ui]
    bool LoadFont(const std::string& fontId, const unsigned char* data, std::size_t size,
                  const FontTables& tables) override;

private:
    class Entered;

    void ApplyBlend(const BlendStyle* blend);
    void DeleteMainBuffer();

    std::unique_ptr<drawing::Renderer> mRenderer;
    GLContextAccess* mContext = nullptr;
    unsigned mWindowFramebuffer = 0;
    int mMainBuffer = 0;
    bool mBlitCopy = true;
    bool mRefuseRetainedBuffer = false;
    int mMaxTextureSize = 0;
};
