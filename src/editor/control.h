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
    // [ui]
    virtual ~Control() = default;

    // ---- Input; the defaults do nothing unless stated -------------------------
    // [ui]
    virtual void OnMouseDown(float x, float y, const MouseModifiers& mods);
    // [ui]
    virtual void OnMouseUp(float x, float y, const MouseModifiers& mods);
    // [ui]
    virtual void OnMouseDrag(float x, float y, float dX, float dY, const MouseModifiers& mods);
    // [ui]
    virtual void OnMouseDblClick(float x, float y, const MouseModifiers& mods);
    // [ui]
    virtual void OnMouseWheel(float x, float y, const MouseModifiers& mods, float d);
    // [ui] Whether the key was used; default false.
    virtual bool OnKeyDown(float x, float y, const KeyStroke& key);
    // [ui]
    virtual bool OnKeyUp(float x, float y, const KeyStroke& key);
    // [ui] Marks the control dirty when the pointer enters / leaves it.
    virtual void OnMouseOver(float x, float y, const MouseModifiers& mods);
    // [ui]
    virtual void OnMouseOut();
    // [ui]
    virtual void OnDrop(const char* path);

    // ---- Life cycle -----------------------------------------------------------
    // [ui]
    virtual void OnScaleChanged();
    // [ui]
    virtual void OnResize();
    // [ui]
    virtual void OnInit();
    // [ui]
    virtual void OnJoinedList();
    // [ui] Adds items to the context menu of a right click; the count added.
    virtual int FillContextMenu();

    // ---- Drawing ----------------------------------------------------------------
    // [ui]
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
    // [ui]
    virtual void ResetValuesToDefault(int slot);
    // [ui]
    virtual void SetValue(double value, int slot);

    // ---- State ------------------------------------------------------------------
    // [ui]
    virtual void Hide(bool hidden);
    // [ui] A disabled control is drawn at a quarter of its opacity.
    virtual void SetDisabled(bool disabled);
    // [ui]
    virtual bool IsHit(float x, float y) const;
    // [ui] Clamps the slot's value (slot -1: every slot) to 0..1 and marks the
    // control dirty; with trigger, sends the linked values to the delegate,
    // updates linked controls and runs the action function.
    virtual void SetDirty(bool trigger, int slot);
    // [ui]
    virtual void SetClean();
    // [ui] True while dirty or animating.
    virtual bool IsDirty() const;
    // [ui] Drops the animation function, marks dirty, runs the animation-end
    // function.
    virtual void OnAnimationDone();

    // ---- Non-virtual access [ui] ---------------------------------------------------
    // [ui]
    const Bounds& GetBounds() const { return mBounds; }
    // [ui]
    const Bounds& GetHitBounds() const { return mHitBounds; }
    // [ui] Sets both the drawing and the hit rectangle.
    void SetBounds(const Bounds& bounds);
    // [ui]
    void SetHitBounds(const Bounds& bounds) { mHitBounds = bounds; }

    // [ui]
    int NValues() const { return static_cast<int>(mValues.size()); }
    // [ui]
    double GetValue(int slot = 0) const;
    // [ui]
    int GetParamIdx(int slot = 0) const;
    // [ui]
    void SetParamIdx(int paramIdx, int slot = 0);
    // [ui] The parameter of the slot, null when the slot is not linked.
    const Param* GetParam(int slot = 0) const;
    // [ui] The first slot linked to paramIdx, or -1.
    int SlotLinkedTo(int paramIdx) const;

    // [ui]
    bool IsHidden() const { return mHidden; }
    // [ui]
    bool IsDisabled() const { return mDisabled; }
    // [ui]
    bool IgnoresMouse() const { return mIgnoreMouse; }
    // [ui]
    void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
    // [ui]
    bool DblClickAsSingleClick() const { return mDblAsSingleClick; }
    // [ui]
    bool WantsMultiTouch() const { return mWantsMultiTouch; }
    // [ui]
    bool MouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
    // [ui]
    bool MouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
    // [ui]
    bool MouseIsOver() const { return mMouseIsOver; }

    // [ui]
    const std::string& GetGroup() const { return mGroup; }
    // [ui]
    void SetGroup(const std::string& group) { mGroup = group; }
    // [ui]
    const TextStyle& GetTextStyle() const { return mTextStyle; }
    // [ui]
    void SetTextStyle(const TextStyle& style) { mTextStyle = style; }
    // [ui]
    const BlendStyle& GetBlend() const { return mBlend; }

    // [ui]
    void SetActionFunction(ActionFunc action) { mAction = std::move(action); }
    // [ui]
    bool HasActionFunction() const { return static_cast<bool>(mAction); }
    // [ui]
    void SetAnimation(AnimationFunc animation) { mAnimation = std::move(animation); }
    // [ui]
    void SetAnimationEndFunction(ActionFunc func) { mAnimationEnd = std::move(func); }
    // [ui]
    bool IsAnimating() const { return static_cast<bool>(mAnimation); }
    // [ui] Starts timing an animation of durationMs on the editor clock.
    void StartAnimation(double durationMs);
    // [ui] (now - start) / duration; 0 while no animation function is set.
    double AnimationProgress() const;
    // [ui] Runs the animation function, if any (each frame tick).
    void Animate();

    // [ui] Host highlight: colour index 0 yellow, 1 green, 2 blue, 3 red.
    void SetHostParamHighlight(bool highlighted, int colourIndex);
    // [ui]
    bool IsHighlighted() const { return mHighlighted; }
    // [ui]
    const Color& HighlightColor() const { return mHighlightColor; }

    // [ui] Set by Graphics when attaching the control.
    void SetDelegate(GraphicsEditorDelegate* delegate) { mDelegate = delegate; }
    // [ui]
    void SetGraphics(Graphics* graphics) { mGraphics = graphics; }
    // [ui]
    GraphicsEditorDelegate* GetDelegate() const { return mDelegate; }
    // [ui]
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
