#pragma once
// The base of everything the editor draws and the user touches. A control
// has a rectangle, value slots (normalised values, each optionally linked to
// a parameter), flags, and optional action and animation functions. It is
// owned by the Graphics it is attached to, which sets its delegate and
// graphics pointers.
//
// Threads: [ui] throughout.
#include <functional>
#include <string>
#include <vector>

#include "editor/bounds.h"
#include "editor/draw_style.h"
#include "editor/input_event.h"

class Graphics;
class GraphicsEditorDelegate;
class Param;

// One value slot: a normalised value and the parameter it stands for.
struct ControlValue {
    int paramIdx = -1;  // -1: not linked
    double value = 0.0;
};

class Control {
public:
    using ActionFunc = std::function<void(Control*)>;
    using AnimationFunc = std::function<void(Control*)>;

    // [ui] One slot linked to paramIdx (-1: none), value 0; dirty.
    Control(const Bounds& bounds, int paramIdx = -1, ActionFunc action = nullptr);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    // ---- Input; the defaults do nothing unless stated -------------------------
    virtual void OnMouseDown(float x, float y, const MouseModifiers& mods);
    virtual void OnMouseUp(float x, float y, const MouseModifiers& mods);
    virtual void OnMouseDrag(float x, float y, float dX, float dY, const MouseModifiers& mods);
    virtual void OnMouseDblClick(float x, float y, const MouseModifiers& mods);
    virtual void OnMouseWheel(float x, float y, const MouseModifiers& mods, float d);
    // [ui] Whether the key was used; default false.
    virtual bool OnKeyDown(float x, float y, const KeyPress& key);
    virtual bool OnKeyUp(float x, float y, const KeyPress& key);
    // [ui] Marks the control dirty when the pointer enters / leaves it.
    virtual void OnMouseOver(float x, float y, const MouseModifiers& mods);
    virtual void OnMouseOut();
    virtual void OnDrop(const char* path);

    // ---- Life cycle -----------------------------------------------------------
    virtual void OnScaleChanged();
    virtual void OnResize();
    virtual void OnInit();
    virtual void OnJoinedList();
    // [ui] Adds items to the context menu of a right click; the count added.
    virtual int FillContextMenu();

    // ---- Drawing ----------------------------------------------------------------
    virtual void Draw(Graphics& g) = 0;
    // [ui] A small dot in the highlight colour while the host highlights it.
    virtual void DrawHostHighlight(Graphics& g);

    // ---- Values -----------------------------------------------------------------
    // [ui] 0 with one slot, else -1 (every slot).
    virtual int ValueSlotAt(float x, float y) const;
    // [ui] A value from the delegate; ignored while this control is captured.
    virtual void ApplyDelegateValue(double value, int slot);
    // [ui] A value the user chose; sent on like a drag.
    virtual void ApplyUserValue(double value, int slot);
    virtual void ResetValuesToDefault(int slot);
    virtual void SetValue(double value, int slot);

    // ---- State ------------------------------------------------------------------
    virtual void Hide(bool hidden);
    // [ui] A disabled control is drawn at a quarter of its opacity.
    virtual void SetDisabled(bool disabled);
    virtual bool IsHit(float x, float y) const;
    // [ui] Clamps the slot's value (slot -1: every slot) to 0..1 and marks the
    // control dirty; with trigger, sends the linked values to the delegate,
    // updates linked controls and runs the action function.
    virtual void SetDirty(bool trigger, int slot);
    virtual void SetClean();
    // [ui] True while dirty or animating.
    virtual bool IsDirty() const;
    // [ui] Drops the animation function, marks dirty, runs the animation-end
    // function.
    virtual void OnAnimationDone();

    // ---- Non-virtual access [ui] ---------------------------------------------------
    const Bounds& GetBounds() const { return mBounds; }
    const Bounds& GetHitBounds() const { return mHitBounds; }
    // Sets both the drawing and the hit rectangle.
    void SetBounds(const Bounds& bounds);
    void SetHitBounds(const Bounds& bounds) { mHitBounds = bounds; }

    int NValues() const { return static_cast<int>(mValues.size()); }
    double GetValue(int slot = 0) const;
    int GetParamIdx(int slot = 0) const;
    void SetParamIdx(int paramIdx, int slot = 0);
    // The parameter of the slot, null when the slot is not linked.
    const Param* GetParam(int slot = 0) const;
    // The first slot linked to paramIdx, or -1.
    int SlotLinkedTo(int paramIdx) const;

    bool IsHidden() const { return mHidden; }
    bool IsDisabled() const { return mDisabled; }
    bool IgnoresMouse() const { return mIgnoreMouse; }
    void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
    bool DblClickAsSingleClick() const { return mDblAsSingleClick; }
    bool WantsMultiTouch() const { return mWantsMultiTouch; }
    bool MouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
    bool MouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
    bool MouseIsOver() const { return mMouseIsOver; }

    const std::string& GetGroup() const { return mGroup; }
    void SetGroup(const std::string& group) { mGroup = group; }
    const TextStyle& GetTextStyle() const { return mTextStyle; }
    void SetTextStyle(const TextStyle& style) { mTextStyle = style; }
    const BlendStyle& GetBlend() const { return mBlend; }

    void SetActionFunction(ActionFunc action) { mAction = std::move(action); }
    bool HasActionFunction() const { return static_cast<bool>(mAction); }
    void SetAnimation(AnimationFunc animation) { mAnimation = std::move(animation); }
    void SetAnimationEndFunction(ActionFunc func) { mAnimationEnd = std::move(func); }
    bool IsAnimating() const { return static_cast<bool>(mAnimation); }
    // Starts timing an animation of durationMs on the editor clock.
    void StartAnimation(double durationMs);
    // (now - start) / duration; 0 while no animation function is set.
    double AnimationProgress() const;
    // Runs the animation function, if any (each frame tick).
    void Animate();

    // Host highlight: colour index 0 yellow, 1 green, 2 blue, 3 red.
    void SetHostParamHighlight(bool highlighted, int colourIndex);
    bool IsHighlighted() const { return mHighlighted; }
    const Color& HighlightColor() const { return mHighlightColor; }

    // Set by Graphics when attaching the control.
    void SetDelegate(GraphicsEditorDelegate* delegate) { mDelegate = delegate; }
    void SetGraphics(Graphics* graphics) { mGraphics = graphics; }
    GraphicsEditorDelegate* GetDelegate() const { return mDelegate; }
    Graphics* GetUI() const { return mGraphics; }

protected:
    // Whether the graphics' capture map holds this control.
    bool IsCaptured() const;

    Bounds mBounds;
    Bounds mHitBounds;
    TextStyle mTextStyle;
    BlendStyle mBlend;
    bool mDirty = true;
    bool mHidden = false;
    bool mDisabled = false;
    bool mDblAsSingleClick = false;
    bool mMouseOverWhenDisabled = false;
    bool mMouseEventsWhenDisabled = false;
    bool mIgnoreMouse = false;
    bool mWantsMultiTouch = false;
    bool mMouseIsOver = false;
    std::vector<ControlValue> mValues;

private:
    std::string mGroup;
    Color mHighlightColor{255, 255, 0, 0};
    bool mHighlighted = false;
    GraphicsEditorDelegate* mDelegate = nullptr;
    Graphics* mGraphics = nullptr;
    ActionFunc mAction;
    ActionFunc mAnimationEnd;
    AnimationFunc mAnimation;
    double mAnimationStartMs = 0.0;
    double mAnimationDurationMs = 0.0;
};
