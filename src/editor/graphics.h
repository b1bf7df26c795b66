#pragma once
// The editor's graphics context: it owns every control, collects the parts
// of the editor that need redrawing, draws them through its drawing
// operations, converts between graphics units and pixels, resizes and
// rescales the editor, routes pointer and key input to the controls, and
// loads pictures and fonts.
//
// The drawing operations, the cursor and the window are virtual; a drawing
// back end and a platform window fill them in (the base versions draw
// nothing). Exactly one Graphics exists per open editor; the editor delegate
// makes it through its make-graphics function and deletes it on close.
//
// Units: everything is stored in graphics units; pixels = units x draw scale
// x screen scale (the total scale).
//
// Threads: [ui] throughout, unless tagged otherwise.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/bitmap_cache.h"
#include "editor/bitmap_strip.h"
#include "editor/bounds.h"
#include "editor/corner_resizer.h"
#include "editor/draw_style.h"
#include "editor/input_event.h"

class BubbleControl;
class Control;
class GraphicsEditorDelegate;
class HostViewContainer;
struct DecodedPicture;
struct EmbeddedResourceTable;
struct FontTables;

// Pointer shapes the platform offers.
enum CursorShape : int {
    kCursorArrow = 0,
    kCursorIBeam,
    kCursorWait,
    kCursorCross,
    kCursorUpArrow,
    kCursorSizeNWSE,
    kCursorSizeNESW,
    kCursorSizeWE,
    kCursorSizeNS,
    kCursorSizeAll,
    kCursorNo,
    kCursorHand,
    kCursorAppStarting,
    kCursorHelp
};

class Graphics {
public:
    using VisitFunc = std::function<void(Control*)>;
    using KeyHandlerFunc = std::function<bool(const KeyPress& key, bool isKeyUp)>;

    // [ui] width x height graphics units at draw scale scale; the draw scale
    // may range from half to twice scale. Counts the instance process-wide.
    Graphics(GraphicsEditorDelegate& delegate, int width, int height, int fps, float scale);
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;
    // [ui] Deletes every control; the last instance of the process empties
    // the font cache.
    virtual ~Graphics();

    // [any] Live Graphics objects in the process.
    static int InstanceCount();

    // ---- Attaching controls -----------------------------------------------------
    // [ui] Takes ownership; null (and the control deleted) when tag >= 0 is taken.
    Control* AddControl(Control* control, int tag = -1, const std::string& group = "");
    // [ui] Loads name (one frame) and puts a picture control of its size at index 0.
    Control* AddBackground(const std::string& name);
    // [ui] Installs the corner handle unless one exists.
    void AddCornerResizer(ResizerMode mode, bool layoutOnResize, Color color, Color mouseOverColor,
                          Color dragColor, float size);
    // [ui] Appends a value bubble: white, outlined black, corner roundness 5.
    void AddBubbleControl(const TextStyle& style);
    // [ui] Shows text in a bubble for caller at (x, y) (see BubbleControl); nothing
    // without a bubble.
    void ShowValueBubble(Control* caller, float x, float y, const std::string& text, int direction,
                         const Bounds& minimumContent);
    // [ui] Deletes every control, the resizer and the bubbles (a window reopened in
    // place is laid out again).
    void RemoveAllControls();

    // ---- Visiting ---------------------------------------------------------------
    // [ui] Controls in list order, then the corner resizer, then the bubbles: the
    // drawing order.
    void VisitAllControls(const VisitFunc& func);
    // [ui]
    void MarkAllDirty();
    // [ui]
    void MarkAllClean();
    // [ui]
    int NControls() const { return static_cast<int>(mControls.size()); }
    // [ui]
    Control* GetControl(int index) const;
    // [ui]
    Control* GetControlWithTag(int tag) const;
    // [ui]
    CornerResizer* GetCornerResizer() const { return mCornerResizer.get(); }
    // [ui]
    BubbleControl* GetBubble(int index = 0) const;

    // ---- Values -----------------------------------------------------------------
    // [ui] Gives caller's value of slot valueIdx to every other list control linked
    // to the same parameter.
    void SyncLinkedControls(Control* caller, int valueIdx);
    // [ui] A parameter value from the delegate (normalised) for every control
    // linked to paramIdx; captured controls ignore it.
    void SetParamValueFromDelegate(int paramIdx, double normalizedValue);
    // [ui] A value from the delegate for the control attached with ctrlTag.
    void SetControlValueFromDelegate(int ctrlTag, double normalizedValue);
    // [ui] The host highlights (or stops highlighting) the controls of paramIdx.
    virtual void SetHostParamHighlight(int paramIdx, bool highlighted, int colourIndex);

    // ---- Redraw -----------------------------------------------------------------
    // [ui] Runs the animations, then appends every dirty control's rectangle grown
    // by 0.75 units; whether anything was appended.
    bool IsDirty(BoundsList& list);
    // [ui] Aligns the regions to pixels, reduces them with Optimize and draws the
    // controls meeting each region, clipped to it; a back end that keeps nothing
    // between frames gets the whole editor instead. An empty list draws nothing.
    void Draw(BoundsList& list);

    // ---- Size and scale -----------------------------------------------------------
    // [ui] Clamps to the delegate's limits and the draw-scale range; a request for
    // the current size changes nothing; a non-finite scale is ignored.
    void Resize(int width, int height, float scale, bool needsPlatformResize);
    // [ui] The platform's pixel factor; values that are not finite and positive
    // are ignored.
    void SetScreenScale(float scale);
    // [ui]
    int Width() const { return mWidth; }
    // [ui]
    int Height() const { return mHeight; }
    // [ui]
    int FPS() const { return mFPS; }
    // [ui]
    float DrawScale() const { return mDrawScale; }
    // [ui]
    float MinDrawScale() const { return mMinDrawScale; }
    // [ui]
    float MaxDrawScale() const { return mMaxDrawScale; }
    // [ui]
    float GetScreenScale() const { return mScreenScale; }
    // [ui]
    float TotalScale() const { return mDrawScale * mScreenScale; }
    // [ui] The window's size in pixels for the current size and total scale
    // (rounded by PixelSize, as every frame buffer and viewport is).
    int PixelWidth() const;
    // [ui]
    int PixelHeight() const;

    // ---- Input (graphics units) ----------------------------------------------------
    // [ui] The control under (x, y): the captured one of touchId, the corner
    // resizer, then the list backwards (a mouse-over test skips the
    // background). capture adds a capture entry.
    Control* ControlAtPoint(float x, float y, bool capture, bool mouseOver, int64_t touchId);
    // [ui] Presses: host first (may take the click), right click (context menu),
    // else begin gestures and the control's OnMouseDown. The last control hit.
    Control* OnMouseDown(const MouseEventList& points);
    // [ui] Releases: the captured controls' OnMouseUp, end gestures, captures
    // dropped; ends a resize gesture.
    void OnMouseUp(const MouseEventList& points);
    // [ui] Drags: resize while resizing, else to captured controls (zero or
    // non-finite motion is not passed on).
    void OnMouseDrag(const MouseEventList& points);
    // [ui] A double click (its second press): a second press for a control
    // that takes double clicks as single clicks; else the host may take a
    // left one on a parameter control, or the control's OnMouseDblClick runs.
    // Leaves no capture, so the release that follows does nothing. False
    // when no control is there.
    bool OnMouseDblClick(float x, float y, const MouseModifiers& mods);
    // [ui]
    void OnMouseWheel(float x, float y, const MouseModifiers& mods, float d);
    // [ui]
    bool OnMouseOver(float x, float y, const MouseModifiers& mods);
    // [ui]
    void OnMouseOut();
    // [ui]
    bool OnKeyDown(float x, float y, const KeyPress& key);
    // [ui]
    bool OnKeyUp(float x, float y, const KeyPress& key);
    // [ui]
    void OnDrop(const char* path, float x, float y);
    // [ui] Whether control is held by a press of any touch id.
    bool IsCaptured(const Control* control) const;
    // [ui]
    bool AnyCapture() const { return !mCaptures.empty(); }
    // [ui]
    void ReleaseAllCaptures();
    // [ui]
    float LastMouseX() const { return mLastMouseX; }
    // [ui]
    float LastMouseY() const { return mLastMouseY; }

    // [ui]
    void SetMouseOverEnabled(bool enabled) { mMouseOverEnabled = enabled; }
    // [ui]
    void SetMultiTouchEnabled(bool enabled) { mMultiTouchEnabled = enabled; }
    // [ui]
    bool MultiTouchEnabled() const { return mMultiTouchEnabled; }
    // [ui]
    void SetKeyHandler(KeyHandlerFunc handler) { mKeyHandler = std::move(handler); }
    // [ui]
    void SetHostViewContainer(HostViewContainer* container) { mHostViewContainer = container; }
    // [ui]
    bool ResizingInProgress() const { return mResizingInProgress; }
    // [ui]
    void SetResizingInProgress(bool resizing) { mResizingInProgress = resizing; }
    // [ui]
    ResizerMode GetResizerMode() const { return mResizerMode; }
    // [ui]
    Control* MouseOverControl() const { return mMouseOverControl; }
    // [ui]
    int MouseOverIndex() const { return mMouseOverIndex; }

    // ---- Cursor ---------------------------------------------------------------------
    // [ui] hide: hides the cursor (once) and, with lock, holds it where it is
    // during drags; !hide: shows it again, back where it was when locked.
    void HideCursor(bool hide, bool lock);
    // [ui]
    bool CursorHidden() const { return mCursorHidden; }
    // [ui]
    bool CursorLocked() const { return mCursorLocked; }
    // [ui] Moves the pointer, unless the last event came from a touch.
    void WarpCursor(float x, float y);
    // [ui]
    int CursorShape() const { return mCursorShape; }
    // [ui]
    virtual void SetCursorShape(int shape);

    // ---- Resources ----------------------------------------------------------------
    // [ui] The module's resource table (null: files on disk only).
    void SetResourceTable(const EmbeddedResourceTable* table) { mResources = table; }
    // [ui]
    const EmbeddedResourceTable* ResourceTable() const { return mResources; }
    // [ui] Loads (or takes from the cache) name with frames frames at target scale
    // (0: ceil of the screen scale). An empty strip when it is missing, not a
    // supported picture, or does not decode.
    BitmapStrip LoadBitmap(const std::string& name, int frames = 1, bool framesHorizontal = false,
                           int targetScale = 0);
    // [ui] The strip again, for the current screen scale.
    BitmapStrip ReloadBitmapForScale(const BitmapStrip& strip);
    // [ui] Finds fileName (embedded or on disk), reads its tables and hands it to
    // the back end under fontId, once per process. False when it cannot.
    bool LoadFont(const std::string& fontId, const std::string& fileName);
    // [ui] Pictures decoded since construction (each is decoded once per scale).
    int DecodeCount() const { return mDecodeCount; }
    // [ui]
    std::size_t CachedBitmapCount() const { return mBitmapCache.Count(); }

    // ---- Drawing operations (base versions draw nothing) ------------------------
    // [ui]
    virtual void BeginFrame() {}
    // [ui]
    virtual void EndFrame() {}
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
    // [ui] Fills area with the text's extent, placed at the origin. Base: an
    // estimate from the style's size.
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
    // [ui] Identity: the back end draws under the total scale on its own.
    virtual void ResetTransform() {}
    // [ui] The clip of the control about to be drawn (CurrentClip already holds it).
    virtual void SetClipRegion(const Bounds& clip);
    // [ui]
    const Bounds& CurrentClip() const { return mClip; }

    // ---- Platform (base versions do nothing) ----------------------------------
    // [ui] Creates the window inside parent, sets the screen scale, runs the
    // delegate's layout, marks everything dirty and tells the delegate the
    // editor opened; the native view.
    virtual void* OpenWindow(void* parent);
    // [ui]
    virtual void CloseWindow() {}
    // [ui]
    virtual bool PlatformSupportsMultiTouch() const { return false; }
    // [ui]
    virtual float ScreenScale() const { return 1.0f; }
    // [ui] The window takes the new pixel size; parentResized: the host already
    // resized the parent.
    virtual void ResizePlatformWindow(bool parentResized);
    // [ui]
    virtual void ResizeBackEnd() {}
    // [ui] Whether the back end keeps no pixels between frames, so every frame
    // must draw the whole editor.
    virtual bool DrawsWholeFrames() const { return false; }

protected:
    GraphicsEditorDelegate& Delegate() const { return mDelegate; }
    // Platform cursor: visibility and position in graphics units.
    virtual void ShowPlatformCursor(bool visible);
    virtual void MovePlatformCursor(float x, float y);
    // Back-end images: a handle for the decoded picture (0: failed) and its
    // release. Base: a counter, nothing kept.
    virtual int CreateBackendImage(const DecodedPicture& picture);
    virtual void FreeBackendImage(int image);
    // Back-end font: registers the bytes under fontId. They are the font cache's
    // and stay valid until the last editor of the process goes. Base: accepts.
    virtual bool LoadBackendFont(const std::string& fontId, const unsigned char* data,
                                 std::size_t size, const FontTables& tables);
    // Frees every cached bitmap's back-end image; a derived destructor whose
    // back end goes away first calls it.
    void ReleaseBitmaps();

private:
    void Attach(Control* control);
    void DrawControl(Control* control, const Bounds& region, float scale, bool isBackground);
    void RunMouseDown(Control* control, const MouseEvent& point);
    bool HostTakesClick(int paramIdx, const MouseModifiers& mods);
    bool HostTakesDoubleClick(int paramIdx, const MouseModifiers& mods);
    // The host's modifier bits and those of mods; needs a host view container.
    uint32_t HostModifiers(const MouseModifiers& mods);
    void BeginOrEndGestures(Control* control, bool begin);
    void TrackMouseOver(float x, float y, const MouseModifiers& mods);
    bool RouteKey(float x, float y, const KeyPress& key, bool isKeyUp);
    void NotifyPlatformOfSize(bool needsPlatformResize);
    void ScaleResizeDrag(const MouseEvent& point);

    GraphicsEditorDelegate& mDelegate;
    std::vector<std::unique_ptr<Control>> mControls;
    std::unordered_map<int, Control*> mTags;
    std::unique_ptr<CornerResizer> mCornerResizer;
    std::vector<std::unique_ptr<BubbleControl>> mBubbles;
    std::size_t mNextBubble = 0;
    int mCursorShape = kCursorArrow;
    int mWidth;
    int mHeight;
    int mFPS;
    float mScreenScale = 1.0f;
    float mDrawScale;
    std::unordered_map<int64_t, Control*> mCaptures;
    Control* mMouseOverControl = nullptr;
    int mMouseOverIndex = -1;
    float mMouseDownX = -1.0f;
    float mMouseDownY = -1.0f;
    float mMinDrawScale;
    float mMaxDrawScale;
    bool mMouseOverEnabled = false;
    bool mDrawUnion = false;
    bool mResizingInProgress = false;
    bool mLayoutOnResize = false;
    bool mMultiTouchEnabled = false;
    ResizerMode mResizerMode = kResizeModeScale;
    HostViewContainer* mHostViewContainer = nullptr;
    KeyHandlerFunc mKeyHandler;
    bool mCursorHidden = false;
    bool mCursorLocked = false;
    bool mLastEventFromTouch = false;
    float mLastMouseX = -1.0f;
    float mLastMouseY = -1.0f;
    float mHiddenCursorX = -1.0f;
    float mHiddenCursorY = -1.0f;
    Bounds mClip;
    const EmbeddedResourceTable* mResources = nullptr;
    BitmapCache mBitmapCache;
    int mDecodeCount = 0;
    int mNextImage = 0;
};
