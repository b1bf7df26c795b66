#pragma once
// What the scene (Graphics) draws on. Each back end implements it: the GL
// canvas of the X11 and off-screen windows, and the recording canvas of
// tests. The base draws nothing and keeps nothing, so a scene without a
// canvas (a closed or headless editor) still lays out and routes input.
//
// A canvas draws one scene at a time (Graphics::SetCanvas tells it which) and
// reads the scene's sizes and scales from it; images it creates belong to it
// and are freed through it before it goes (Graphics::ReleaseBitmaps).
//
// Units: graphics units, drawn under the scene's draw scale and screen scale.
//
// Threads: [ui] throughout.
#include <cstddef>
#include <string>

#include "editor/bitmap_strip.h"
#include "editor/bounds.h"
#include "editor/draw_style.h"

class Graphics;
struct DecodedPicture;
struct FontTables;

class Canvas {
public:
    virtual ~Canvas() = default;

    // [ui] The scene drawn from now on (null: none).
    void SetScene(Graphics* scene) { mScene = scene; }

    // ---- Frames -----------------------------------------------------------------
    // [ui]
    virtual void BeginFrame() {}
    // [ui]
    virtual void EndFrame() {}
    // [ui] The scene's pixel size or scale changed.
    virtual void Resize() {}
    // [ui] Whether the canvas keeps no pixels between frames, so every frame
    // must draw the whole editor.
    virtual bool DrawsWholeFrames() const { return false; }

    // ---- Drawing ----------------------------------------------------------------
    // [ui] Draws the part of strip's picture at source offset (srcX, srcY) units
    // into dest; blend null means normal, opaque.
    virtual void DrawBitmap(const BitmapStrip& strip, const Bounds& dest, int srcX, int srcY,
                            const BlendStyle* blend);
    // [ui]
    virtual void FillTriangle(const Color& color, float x1, float y1, float x2, float y2, float x3,
                              float y3, const BlendStyle* blend);
    // [ui]
    virtual void FillCircle(const Color& color, float cx, float cy, float r,
                            const BlendStyle* blend);
    // [ui] Fills area with the text's extent. Base: an estimate from the
    // style's size, placed at the origin.
    virtual void MeasureText(const TextStyle& style, const char* text, Bounds& area);
    // [ui]
    virtual void DrawText(const TextStyle& style, const char* text, const Bounds& area,
                          const BlendStyle* blend);
    // [ui]
    virtual void DrawFastDropShadow(const Bounds& inner, const Bounds& outer, float offset,
                                    float roundness, float blur, const BlendStyle* blend);
    // [ui]
    virtual void PathClear() {}
    // [ui]
    virtual void PathMoveTo(float x, float y);
    // [ui]
    virtual void PathLineTo(float x, float y);
    // [ui] Angles in degrees, clockwise, 0 pointing up.
    virtual void PathArc(float cx, float cy, float r, float startDegrees, float endDegrees);
    // [ui]
    virtual void PathClose() {}
    // [ui]
    virtual void PathFill(const Color& color, const BlendStyle* blend);
    // [ui]
    virtual void PathStroke(const Color& color, float width, const BlendStyle* blend);
    // [ui] Identity: the canvas draws under the total scale on its own.
    virtual void ResetTransform() {}
    // [ui] The clip of the control about to be drawn.
    virtual void SetClipRegion(const Bounds& clip);

    // ---- Images and fonts -------------------------------------------------------
    // [ui] A handle for the decoded picture (0: failed). Base: a counter.
    virtual int CreateImage(const DecodedPicture& picture);
    // [ui]
    virtual void FreeImage(int image);
    // [ui] Registers the font's bytes under fontId; they are the font cache's
    // and stay valid until the last scene of the process goes. Base: accepts.
    virtual bool LoadFont(const std::string& fontId, const unsigned char* data, std::size_t size,
                          const FontTables& tables);

protected:
    // [ui] Null while no scene is drawn.
    Graphics* Scene() const { return mScene; }

private:
    Graphics* mScene = nullptr;
    int mNextImage = 0;
};
