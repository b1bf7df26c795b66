// Input routing of Graphics: hit testing, capture per touch id, parameter
// gestures towards the delegate, the host's claim on clicks, keys and drops.
#include <cmath>
#include <cstdio>

#include "core/graphics_editor_delegate.h"
#include "core/trace.h"
#include "editor/control.h"
#include "editor/graphics.h"
#include "editor/host_view_container.h"

namespace {

bool Finite(float x, float y) {
    return std::isfinite(x) && std::isfinite(y);
}

// A parameter as the host names it: the decimal text of index + 1.
struct HostParamId {
    explicit HostParamId(int paramIdx) { std::snprintf(text, sizeof text, "%i", paramIdx + 1); }
    char text[16];
};

// The parameter of the control's slot under (x, y), or of its first slot.
int ParamIdxAt(const Control& control, float x, float y) {
    const int slot = control.ValueSlotAt(x, y);
    return control.GetParamIdx(slot < 0 ? 0 : slot);
}

}  // namespace

Control* Graphics::ControlAtPoint(float x, float y, bool capture, bool mouseOver, int64_t touchId) {
    const auto captured = mCaptures.find(touchId);
    if (captured != mCaptures.end()) return captured->second;
    Control* hit = nullptr;
    int hitIndex = -1;
    if (mCornerResizer != nullptr && mCornerResizer->IsHit(x, y)) {
        hit = mCornerResizer.get();
    } else if (!mouseOver || mMouseOverEnabled) {
        // The background never takes mouse-over.
        const int lowest = mouseOver ? 1 : 0;
        for (int i = NControls() - 1; i >= lowest; --i) {
            Control* c = mControls[i].get();
            if (c->IsHidden() || c->IgnoresMouse()) continue;
            if (c->IsDisabled() &&
                !(mouseOver ? c->MouseOverWhenDisabled() : c->MouseEventsWhenDisabled())) {
                continue;
            }
            if (c->IsHit(x, y)) {
                hit = c;
                hitIndex = i;
                break;
            }
        }
    }
    if (capture && hit != nullptr) {
        if (mMultiTouchEnabled && IsCaptured(hit) && !hit->WantsMultiTouch()) return nullptr;
        mCaptures[touchId] = hit;
    }
    if (mouseOver) mMouseOverIndex = hitIndex;
    return hit;
}

bool Graphics::IsCaptured(const Control* control) const {
    for (const auto& entry : mCaptures) {
        if (entry.second == control) return true;
    }
    return false;
}

void Graphics::ReleaseAllCaptures() {
    mCaptures.clear();
}

uint32_t Graphics::HostModifiers(const MouseModifiers& mods) {
    uint32_t bits = mHostViewContainer->HostModifierBits();
    if (mods.shift) bits |= kHostModifierShift;
    if (mods.alt) bits |= kHostModifierAlt;
    if (mods.control) bits |= kHostModifierControl;
    if (mods.right) bits |= kHostModifierRightButton;
    return bits;
}

bool Graphics::HostTakesClick(int paramIdx, const MouseModifiers& mods) {
    if (mHostViewContainer == nullptr || paramIdx < 0) return false;
    const HostParamId id(paramIdx);
    return mHostViewContainer->ParameterMouseDown(id.text, HostModifiers(mods)) == 0;
}

bool Graphics::HostTakesDoubleClick(int paramIdx, const MouseModifiers& mods) {
    if (mHostViewContainer == nullptr || paramIdx < 0 || !mods.left || mods.right) return false;
    const HostParamId id(paramIdx);
    return mHostViewContainer->ParameterDoubleClick(id.text, HostModifiers(mods));
}

void Graphics::BeginOrEndGestures(Control* control, bool begin) {
    for (int slot = 0; slot < control->NValues(); ++slot) {
        const int paramIdx = control->GetParamIdx(slot);
        if (paramIdx < 0) continue;
        if (begin) {
            mDelegate.BeginUIParamGesture(paramIdx);
        } else {
            mDelegate.EndUIParamGesture(paramIdx);
        }
    }
}

void Graphics::RunMouseDown(Control* control, const MouseEvent& point) {
    const int paramIdx = ParamIdxAt(*control, point.x, point.y);
    // A host that resets the parameter sends the value at once; a captured
    // control would ignore it.
    mCaptures.erase(point.modifiers.touchId);
    if (HostTakesClick(paramIdx, point.modifiers)) {
        ReleaseAllCaptures();
        HideCursor(false, true);
        return;
    }
    mCaptures[point.modifiers.touchId] = control;
    if (point.modifiers.right && paramIdx >= 0) {
        ReleaseAllCaptures();
        HideCursor(false, true);
        // The menu would be shown only when the control adds items to it.
        control->FillContextMenu();
        return;
    }
    BeginOrEndGestures(control, true);
    control->OnMouseDown(point.x, point.y, point.modifiers);
}

Control* Graphics::OnMouseDown(const MouseEventList& points) {
    if (points.size() == 1 && Finite(points[0].x, points[0].y)) {
        mMouseDownX = points[0].x;
        mMouseDownY = points[0].y;
        if (points[0].modifiers.touchId == 0) {
            mLastMouseX = points[0].x;
            mLastMouseY = points[0].y;
        }
    }
    Control* last = nullptr;
    for (const MouseEvent& point : points) {
        Control* control = ControlAtPoint(point.x, point.y, true, false, point.modifiers.touchId);
        if (control == nullptr) continue;
        last = control;
        RunMouseDown(control, point);
    }
    return last;
}

void Graphics::OnMouseUp(const MouseEventList& points) {
    for (const MouseEvent& point : points) {
        const auto captured = mCaptures.find(point.modifiers.touchId);
        if (captured == mCaptures.end()) continue;
        Control* control = captured->second;
        control->OnMouseUp(point.x, point.y, point.modifiers);
        BeginOrEndGestures(control, false);
        mCaptures.erase(point.modifiers.touchId);
    }
    if (mResizingInProgress) {
        mResizingInProgress = false;
        if (mResizerMode == kResizeModeScale) {
            VisitAllControls([](Control* c) { c->OnScaleChanged(); });
            MarkAllDirty();
        }
    }
    if (points.size() == 1 && points[0].modifiers.touchId == 0) {
        TrackMouseOver(points[0].x, points[0].y, points[0].modifiers);
    }
}

void Graphics::ScaleResizeDrag(const MouseEvent& point) {
    if (mResizerMode == kResizeModeSize) {
        if (Finite(point.x, point.y) && std::fabs(point.x) < 1e6f && std::fabs(point.y) < 1e6f) {
            Resize(static_cast<int>(point.x), static_cast<int>(point.y), mDrawScale, true);
        }
        return;
    }
    if (!Finite(point.x, point.y)) return;
    // The smaller ratio wins, so the aspect ratio never changes.
    const float scale =
        std::min(mDrawScale * point.y / mMouseDownY, mDrawScale * point.x / mMouseDownX);
    Resize(mWidth, mHeight, scale, true);
}

void Graphics::OnMouseDrag(const MouseEventList& points) {
    if (mResizingInProgress) {
        if (points.size() == 1) ScaleResizeDrag(points[0]);
        return;
    }
    if (mCaptures.empty()) return;
    for (const MouseEvent& point : points) {
        const auto captured = mCaptures.find(point.modifiers.touchId);
        if (captured == mCaptures.end()) continue;
        if (!std::isfinite(point.dX) || !std::isfinite(point.dY)) continue;
        if (point.dX == 0.0f && point.dY == 0.0f) continue;
        captured->second->OnMouseDrag(point.x, point.y, point.dX, point.dY, point.modifiers);
    }
}

bool Graphics::OnMouseDblClick(float x, float y, const MouseModifiers& mods) {
    Control* control = ControlAtPoint(x, y, true, false, 0);
    if (control == nullptr) return false;
    if (control->DblClickAsSingleClick()) {
        MouseEvent point;
        point.x = x;
        point.y = y;
        point.modifiers = mods;
        // The capture is already taken; OnMouseDown finds it again.
        OnMouseDown({point});
    } else {
        // A host that resets the parameter sends the value at once; a
        // captured control would ignore it.
        ReleaseAllCaptures();
        if (!HostTakesDoubleClick(ParamIdxAt(*control, x, y), mods)) {
            control->OnMouseDblClick(x, y, mods);
        }
        HideCursor(false, true);
    }
    return true;
}

void Graphics::OnMouseWheel(float x, float y, const MouseModifiers& mods, float d) {
    if (!std::isfinite(d)) return;
    Control* control = ControlAtPoint(x, y, false, false, 0);
    if (control != nullptr) control->OnMouseWheel(x, y, mods, d);
}

void Graphics::TrackMouseOver(float x, float y, const MouseModifiers& mods) {
    Control* control = ControlAtPoint(x, y, false, true, 0);
    if (control != mMouseOverControl) {
        if (mMouseOverControl != nullptr) mMouseOverControl->OnMouseOut();
        mMouseOverControl = control;
    }
    if (control != nullptr) control->OnMouseOver(x, y, mods);
}

bool Graphics::OnMouseOver(float x, float y, const MouseModifiers& mods) {
    if (Finite(x, y) && mods.touchId == 0) {
        mLastMouseX = x;
        mLastMouseY = y;
    }
    TrackMouseOver(x, y, mods);
    return mMouseOverControl != nullptr;
}

void Graphics::OnMouseOut() {
    SetPointerShape(kCursorArrow);
    VisitAllControls([](Control* c) { c->OnMouseOut(); });
    mMouseOverControl = nullptr;
    mMouseOverIndex = -1;
}

bool Graphics::RouteKey(float x, float y, const KeyStroke& key, bool isKeyUp) {
    Trace("%s x:%0.2f, y:%0.2f, key:%s\n", isKeyUp ? "Graphics::OnKeyUp" : "Graphics::OnKeyDown", x,
          y, key.utf8);
    Control* control = ControlAtPoint(x, y, false, false, 0);
    if (control != nullptr && control != GetControl(0)) {
        const bool used = isKeyUp ? control->OnKeyUp(x, y, key) : control->OnKeyDown(x, y, key);
        if (used) return true;
    }
    return mKeyHandler ? mKeyHandler(key, isKeyUp) : false;
}

bool Graphics::OnKeyDown(float x, float y, const KeyStroke& key) {
    return RouteKey(x, y, key, false);
}

bool Graphics::OnKeyUp(float x, float y, const KeyStroke& key) {
    return RouteKey(x, y, key, true);
}

void Graphics::OnDrop(const char* path, float x, float y) {
    Control* control = ControlAtPoint(x, y, false, false, 0);
    if (control != nullptr && path != nullptr) control->OnDrop(path);
}
