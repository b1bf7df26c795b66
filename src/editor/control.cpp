#include "editor/control.h"

#include <algorithm>
#include <cmath>

#include "core/graphics_editor_delegate.h"
#include "core/param.h"
#include "editor/editor_clock.h"
#include "editor/graphics.h"

Control::Control(const Bounds& bounds, int paramIdx, ActionFunc action)
    : mBounds(bounds), mHitBounds(bounds), mValues{{paramIdx, 0.0}}, mAction(std::move(action)) {}

void Control::OnMouseDown(float, float, const MouseModifiers&) {}
void Control::OnMouseUp(float, float, const MouseModifiers&) {}
void Control::OnMouseDrag(float, float, float, float, const MouseModifiers&) {}
void Control::OnMouseDblClick(float, float, const MouseModifiers&) {}
void Control::OnMouseWheel(float, float, const MouseModifiers&, float) {}
bool Control::OnKeyDown(float, float, const KeyStroke&) {
    return false;
}
bool Control::OnKeyUp(float, float, const KeyStroke&) {
    return false;
}

void Control::OnMouseOver(float, float, const MouseModifiers&) {
    if (mMouseIsOver) return;
    mMouseIsOver = true;
    SetDirty(false, -1);
}

void Control::OnMouseOut() {
    if (!mMouseIsOver) return;
    mMouseIsOver = false;
    SetDirty(false, -1);
}

void Control::OnDrop(const char*) {}
void Control::OnScaleChanged() {}
void Control::OnResize() {}
void Control::OnInit() {}
void Control::OnJoinedList() {}
int Control::FillContextMenu() {
    return 0;
}

void Control::DrawHostHighlight(Graphics& g) {
    if (!mHighlighted) return;
    g.FillCircle(mHighlightColor, mBounds.right - 5.0f, mBounds.top + 5.0f, 2.0f, nullptr);
}

int Control::ValueSlotAt(float, float) const {
    return NValues() == 1 ? 0 : -1;
}

void Control::ApplyDelegateValue(double value, int slot) {
    if (IsCaptured() || slot < 0 || slot >= NValues()) return;
    if (value != mValues[slot].value) {
        SetValue(value, slot);
        SetDirty(false, -1);
    }
}

void Control::ApplyUserValue(double value, int slot) {
    if (slot < 0 || slot >= NValues()) return;
    if (value != mValues[slot].value) {
        SetValue(value, slot);
        SetDirty(true, slot);
    }
}

void Control::ResetValuesToDefault(int slot) {
    if (NValues() == 1) slot = 0;
    for (int i = 0; i < NValues(); ++i) {
        if (slot != -1 && i != slot) continue;
        if (const Param* param = GetParam(i)) SetValue(param->ToNorm(param->Default()), i);
    }
    SetDirty(true, slot);
}

void Control::SetValue(double value, int slot) {
    if (slot >= 0 && slot < NValues()) mValues[slot].value = value;
}

void Control::Hide(bool hidden) {
    mHidden = hidden;
    SetDirty(false, -1);
}

void Control::SetDisabled(bool disabled) {
    mDisabled = disabled;
    mBlend.weight = disabled ? 0.25f : 1.0f;
    SetDirty(false, -1);
}

bool Control::IsHit(float x, float y) const {
    return !mHitBounds.Empty() && mHitBounds.Contains(x, y);
}

void Control::SetDirty(bool trigger, int slot) {
    if (NValues() == 1) slot = 0;
    for (int i = 0; i < NValues(); ++i) {
        if (slot != -1 && i != slot) continue;
        // A value that is not a number has no place on a 0..1 scale.
        const double value = mValues[i].value;
        SetValue(std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0), i);
    }
    mDirty = true;
    if (!trigger) return;
    for (int i = 0; i < NValues(); ++i) {
        if (slot != -1 && i != slot) continue;
        if (mValues[i].paramIdx < 0) continue;
        if (mDelegate != nullptr)
            mDelegate->SendUIParamValue(mValues[i].paramIdx, mValues[i].value);
        if (mGraphics != nullptr) mGraphics->SyncLinkedControls(this, i);
    }
    if (mAction) mAction(this);
}

void Control::SetClean() {
    mDirty = false;
}

bool Control::IsDirty() const {
    return mDirty || static_cast<bool>(mAnimation);
}

void Control::OnAnimationDone() {
    mAnimation = nullptr;
    SetDirty(false, -1);
    if (mAnimationEnd) mAnimationEnd(this);
}

void Control::SetBounds(const Bounds& bounds) {
    mBounds = bounds;
    mHitBounds = bounds;
}

double Control::GetValue(int slot) const {
    return slot >= 0 && slot < NValues() ? mValues[slot].value : 0.0;
}

int Control::GetParamIdx(int slot) const {
    return slot >= 0 && slot < NValues() ? mValues[slot].paramIdx : -1;
}

void Control::SetParamIdx(int paramIdx, int slot) {
    if (slot >= 0 && slot < NValues()) mValues[slot].paramIdx = paramIdx;
}

const Param* Control::GetParam(int slot) const {
    const int paramIdx = GetParamIdx(slot);
    return paramIdx >= 0 && mDelegate != nullptr ? mDelegate->GetParam(paramIdx) : nullptr;
}

int Control::SlotLinkedTo(int paramIdx) const {
    for (int i = 0; i < NValues(); ++i) {
        if (mValues[i].paramIdx == paramIdx) return i;
    }
    return -1;
}

void Control::StartAnimation(double durationMs) {
    mAnimationStartMs = EditorNowMs();
    mAnimationDurationMs = durationMs;
}

double Control::AnimationProgress() const {
    if (!mAnimation || mAnimationDurationMs <= 0.0) return 0.0;
    return (EditorNowMs() - mAnimationStartMs) / mAnimationDurationMs;
}

void Control::Animate() {
    if (mAnimation) {
        // The function may replace or drop itself; run a copy.
        AnimationFunc animation = mAnimation;
        animation(this);
    }
}

void Control::SetHostParamHighlight(bool highlighted, int colourIndex) {
    static const Color kColours[] = {
        {255, 255, 255, 0}, {255, 0, 255, 0}, {255, 0, 0, 255}, {255, 255, 0, 0}};
    if (colourIndex >= 0 && colourIndex < 4) mHighlightColor = kColours[colourIndex];
    mHighlighted = highlighted;
    SetDirty(false, -1);
}

bool Control::IsCaptured() const {
    return mGraphics != nullptr && mGraphics->IsCaptured(this);
}
