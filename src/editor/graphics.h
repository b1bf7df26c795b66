#pragma once
// The editor's scene: it owns every control, collects the parts of the
// editor that need redrawing, draws them on its canvas, converts between
// graphics units and pixels, resizes and rescales the editor, routes pointer
// and key input to the controls, and loads pictures and fonts.
//
// It knows no platform: it draws through a Canvas (editor/canvas.h) and asks
// the window it is shown in for sizes and the pointer through a SceneWindow
// (editor/scene_window.h); the window that shows it sets both, and without
// them it draws nothing and asks nothing. Exactly one Graphics exists per
// open editor; the editor delegate makes it through its make-graphics
// function and deletes it on close.
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
#include "editor/canvas.h"
#include "editor/corner_resizer.h"
#include "editor/draw_style.h"
#include "editor/input_event.h"
#include "editor/scene_window.h"

class BubbleControl;
class Control;
class GraphicsEditorDelegate;
class HostViewContainer;
struct DecodedPicture;
struct EmbeddedResourceTable;
struct FontTables;

// Pointer shapes the platform offers.
enum PointerShape : int {
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
    using KeyHandlerFunc = std::function<bool(const KeyStroke& key, bool isKeyUp)>;

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
    void SetHostParamHighlight(int paramIdx, bool highlighted, int colourIndex);

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
    bool OnKeyDown(float x, float y, const KeyStroke& key);
    // [ui]
    bool OnKeyUp(float x, float y, const KeyStroke& key);
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
    int CurrentPointerShape() const { return mCursorShape; }
    // [ui] A PointerShape, shown by the window (a hidden pointer stays hidden).
    void SetPointerShape(int shape);

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

    // ---- Drawing: what controls draw, passed on to the canvas ----------------------
    // [ui]
    void DrawBitmap(const BitmapStrip& strip, const Bounds& dest, int srcX, int srcY,
                    const BlendStyle* blend) {
        mCanvas->DrawBitmap(strip, dest, srcX, srcY, blend);
    }
    // [ui]
    void FillTriangle(const Color& color, float x1, float y1, float x2, float y2, float x3,
                      float y3, const BlendStyle* blend) {
        mCanvas->FillTriangle(color, x1, y1, x2, y2, x3, y3, blend);
    }
    // [ui]
    void FillCircle(const Color& color, float cx, float cy, float r, const BlendStyle* blend) {
        mCanvas->FillCircle(color, cx, cy, r, blend);
    }
    // [ui] Fills area with the text's extent (see Canvas::MeasureText).
    void MeasureText(const TextStyle& style, const char* text, Bounds& area) {
        mCanvas->MeasureText(style, text, area);
    }
    // [ui]
    void DrawText(const TextStyle& style, const char* text, const Bounds& area,
                  const BlendStyle* blend) {
        mCanvas->DrawText(style, text, area, blend);
    }
    // [ui]
    void DrawFastDropShadow(const Bounds& inner, const Bounds& outer, float offset, float roundness,
                            float blur, const BlendStyle* blend) {
        mCanvas->DrawFastDropShadow(inner, outer, offset, roundness, blur, blend);
    }
    // [ui]
    void PathClear() { mCanvas->PathClear(); }
    // [ui]
    void PathMoveTo(float x, float y) { mCanvas->PathMoveTo(x, y); }
    // [ui]
    void PathLineTo(float x, float y) { mCanvas->PathLineTo(x, y); }
    // [ui] Angles in degrees, clockwise, 0 pointing up.
    void PathArc(float cx, float cy, float r, float startDegrees, float endDegrees) {
        mCanvas->PathArc(cx, cy, r, startDegrees, endDegrees);
    }
    // [ui]
    void PathClose() { mCanvas->PathClose(); }
    // [ui]
    void PathFill(const Color& color, const BlendStyle* blend) { mCanvas->PathFill(color, blend); }
    // [ui]
    void PathStroke(const Color& color, float width, const BlendStyle* blend) {
        mCanvas->PathStroke(color, width, blend);
    }
    // [ui] The clip of the control being drawn.
    const Bounds& CurrentClip() const { return mClip; }

    // ---- Canvas and window --------------------------------------------------------
    // [ui] What the scene draws on from now on (null: nothing). Images of the
    // previous canvas are to be released first (ReleaseBitmaps).
    void SetCanvas(Canvas* canvas);
    // [ui] The window the scene asks for sizes and the pointer (null: none).
    void SetWindow(SceneWindow* window) { mWindow = window; }
    // [ui] The scene is shown: takes the window's screen scale, runs the
    // delegate's layout, marks everything dirty and tells the delegate the
    // editor opened.
    void OpenScene();
    // [ui] The scene is hidden for good: captures released, the pointer
    // shown, every control removed.
    void CloseScene();
    // [ui] Frees every cached bitmap's image on the canvas (before the canvas
    // goes).
    void ReleaseBitmaps();
    // [ui] The editor's opening as the delegate's binding asks for it: a
    // scene that is its own window (tests' windows) opens that; the base
    // opens the scene without a window and returns null.
    virtual void* OpenWindow(void* parent);
    // [ui] Base: CloseScene.
    virtual void CloseWindow();
    // [ui] Whether the scene is its own window (tests' and tools' windows):
    // it opens itself wherever it is opened from.
    virtual bool IsOwnWindow() const { return false; }
    // [ui] Whether the window offers a direct-touch device.
    bool PlatformSupportsMultiTouch() const {
        return mWindow != nullptr && mWindow->SupportsMultiTouch();
    }

protected:
    GraphicsEditorDelegate& Delegate() const { return mDelegate; }

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
    bool RouteKey(float x, float y, const KeyStroke& key, bool isKeyUp);
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
    Canvas mNoCanvas;
    Canvas* mCanvas = &mNoCanvas;
    SceneWindow* mWindow = nullptr;
    const EmbeddedResourceTable* mResources = nullptr;
    BitmapCache mBitmapCache;
    int mDecodeCount = 0;
};
