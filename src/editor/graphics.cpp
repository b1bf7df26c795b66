#include "editor/graphics.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "core/graphics_editor_delegate.h"
#include "core/param.h"
#include "editor/bitmap_control.h"
#include "editor/bubble_control.h"
#include "editor/control.h"
#include "editor/font_cache.h"
#include "editor/pixel_size.h"
#include "editor/region_list.h"

namespace {

constexpr float kDirtyGrowth = 0.75f;

std::mutex& InstanceLock() {
    static std::mutex lock;
    return lock;
}

int& Instances() {
    static int count = 0;
    return count;
}

}  // namespace

Graphics::Graphics(GraphicsEditorDelegate& delegate, int width, int height, int fps, float scale)
    : mDelegate(delegate),
      mWidth(width),
      mHeight(height),
      mFPS(fps),
      mDrawScale(scale),
      mMinDrawScale(scale * 0.5f),
      mMaxDrawScale(scale * 2.0f) {
    std::lock_guard<std::mutex> guard(InstanceLock());
    ++Instances();
}

Graphics::~Graphics() {
    mCursorHidden = false;
    RemoveAllControls();
    ReleaseBitmaps();
    std::lock_guard<std::mutex> guard(InstanceLock());
    if (--Instances() == 0) FontCacheClear();
}

int Graphics::InstanceCount() {
    std::lock_guard<std::mutex> guard(InstanceLock());
    return Instances();
}

void Graphics::Attach(Control* control) {
    control->SetDelegate(&mDelegate);
    control->SetGraphics(this);
    control->OnInit();
    control->OnResize();
    control->OnScaleChanged();
}

Control* Graphics::AddControl(Control* control, int tag, const std::string& group) {
    std::unique_ptr<Control> owned(control);
    if (owned == nullptr) return nullptr;
    if (tag >= 0 && !mTags.emplace(tag, control).second) return nullptr;
    Attach(control);
    control->SetGroup(group);
    mControls.push_back(std::move(owned));
    control->OnJoinedList();
    return control;
}

Control* Graphics::AddBackground(const std::string& name) {
    const BitmapStrip strip = LoadBitmap(name, 1);
    const Bounds bounds{0.0f, 0.0f, static_cast<float>(strip.width),
                        static_cast<float>(strip.height)};
    auto background = std::make_unique<BitmapControl>(bounds, strip, -1, BlendStyle{0, 1.0f});
    Control* control = background.get();
    Attach(control);
    mControls.insert(mControls.begin(), std::move(background));
    return control;
}

void Graphics::AddCornerResizer(ResizerMode mode, bool layoutOnResize, Color color,
                                Color mouseOverColor, Color dragColor, float size) {
    if (mCornerResizer != nullptr) return;
    const Bounds home{0.0f, 0.0f, static_cast<float>(mWidth), static_cast<float>(mHeight)};
    mCornerResizer = std::make_unique<CornerResizer>(home, size, color, mouseOverColor, dragColor);
    mResizerMode = mode;
    mLayoutOnResize = layoutOnResize;
    Attach(mCornerResizer.get());
}

void Graphics::AddBubbleControl(const TextStyle& style) {
    auto bubble = std::make_unique<BubbleControl>(style, Color{255, 255, 255, 255},
                                                  Color{255, 0, 0, 0}, 5.0f);
    Attach(bubble.get());
    mBubbles.push_back(std::move(bubble));
}

void Graphics::ShowValueBubble(Control* caller, float x, float y, const std::string& text,
                               int direction, const Bounds& minimumContent) {
    if (mBubbles.empty()) return;
    if (!mMultiTouchEnabled) {
        mBubbles.front()->PlaceBubble(caller, x, y, text, direction, minimumContent, 0);
        return;
    }
    // Under multi-touch each touch holding the caller gets its own bubble;
    // with no such touch, or several, it is unclear which to follow.
    std::vector<int64_t> touches;
    for (const auto& [touchId, control] : mCaptures) {
        if (control == caller) touches.push_back(touchId);
    }
    if (touches.size() != 1) return;
    BubbleControl* chosen = nullptr;
    for (const auto& bubble : mBubbles) {
        if (bubble->State() != BubbleControl::kBubbleHidden && bubble->TouchId() == touches[0])
            chosen = bubble.get();
    }
    if (chosen == nullptr) {
        chosen = mBubbles[mNextBubble % mBubbles.size()].get();
        mNextBubble = (mNextBubble + 1) % mBubbles.size();
    }
    chosen->PlaceBubble(caller, x, y, text, direction, minimumContent, touches[0]);
}

void Graphics::RemoveAllControls() {
    ReleaseAllCaptures();
    mMouseOverControl = nullptr;
    mMouseOverIndex = -1;
    mCornerResizer.reset();
    mBubbles.clear();
    mControls.clear();
    mTags.clear();
}

void Graphics::VisitAllControls(const VisitFunc& func) {
    for (const auto& control : mControls) func(control.get());
    if (mCornerResizer != nullptr) func(mCornerResizer.get());
    for (const auto& bubble : mBubbles) func(bubble.get());
}

void Graphics::MarkAllDirty() {
    VisitAllControls([](Control* c) { c->SetDirty(false, -1); });
}

void Graphics::MarkAllClean() {
    VisitAllControls([](Control* c) { c->SetClean(); });
}

Control* Graphics::GetControl(int index) const {
    return index >= 0 && index < NControls() ? mControls[index].get() : nullptr;
}

Control* Graphics::GetControlWithTag(int tag) const {
    const auto found = mTags.find(tag);
    return found == mTags.end() ? nullptr : found->second;
}

BubbleControl* Graphics::GetBubble(int index) const {
    return index >= 0 && index < static_cast<int>(mBubbles.size()) ? mBubbles[index].get()
                                                                   : nullptr;
}

void Graphics::SyncLinkedControls(Control* caller, int valueIdx) {
    if (caller == nullptr) return;
    const int paramIdx = caller->GetParamIdx(valueIdx);
    if (paramIdx < 0) return;
    const double value = caller->GetValue(valueIdx);
    for (const auto& control : mControls) {
        if (control.get() == caller) continue;
        const int slot = control->SlotLinkedTo(paramIdx);
        if (slot >= 0) control->ApplyDelegateValue(value, slot);
    }
}

void Graphics::SetParamValueFromDelegate(int paramIdx, double normalizedValue) {
    if (paramIdx < 0 || !std::isfinite(normalizedValue)) return;
    for (const auto& control : mControls) {
        for (int slot = 0; slot < control->NValues(); ++slot) {
            if (control->GetParamIdx(slot) == paramIdx)
                control->ApplyDelegateValue(normalizedValue, slot);
        }
    }
}

void Graphics::SetControlValueFromDelegate(int ctrlTag, double normalizedValue) {
    Control* control = GetControlWithTag(ctrlTag);
    if (control != nullptr && std::isfinite(normalizedValue))
        control->ApplyDelegateValue(normalizedValue, 0);
}

void Graphics::SetHostParamHighlight(int paramIdx, bool highlighted, int colourIndex) {
    for (const auto& control : mControls) {
        if (paramIdx >= 0 && control->SlotLinkedTo(paramIdx) >= 0) {
            control->SetHostParamHighlight(highlighted, colourIndex);
        }
    }
}

bool Graphics::IsDirty(BoundsList& list) {
    VisitAllControls([](Control* c) { c->Animate(); });
    bool any = false;
    VisitAllControls([&](Control* c) {
        if (!c->IsDirty()) return;
        list.push_back(c->GetBounds().Grown(kDirtyGrowth));
        any = true;
    });
    return any;
}

void Graphics::Draw(BoundsList& list) {
    if (list.empty()) return;
    if (mCanvas->DrawsWholeFrames()) {
        list.clear();
        list.push_back(Bounds{0.0f, 0.0f, static_cast<float>(mWidth), static_cast<float>(mHeight)});
    }
    const float s = TotalScale();
    mCanvas->BeginFrame();
    const Control* background = mControls.empty() ? nullptr : mControls.front().get();
    auto drawRegion = [&](const Bounds& region) {
        // One small capture, so the visit's std::function stays off the heap in every frame.
        const struct {
            Graphics* graphics;
            const Bounds* region;
            float scale;
            const Control* background;
        } pass{this, &region, s, background};
        VisitAllControls([&pass](Control* c) {
            pass.graphics->DrawControl(c, *pass.region, pass.scale, c == pass.background);
        });
    };
    if (mDrawUnion) {
        Bounds all = list.front();
        for (const Bounds& r : list) all = all.Union(r);
        drawRegion(all.Aligned(s));
    } else {
        for (Bounds& r : list) r = r.Aligned(s);
        Optimize(list);
        for (const Bounds& r : list) drawRegion(r);
    }
    mCanvas->EndFrame();
}

void Graphics::DrawControl(Control* control, const Bounds& region, float scale, bool isBackground) {
    if (control->IsHidden() && !isBackground) return;
    const Bounds aligned = control->GetBounds().Grown(kDirtyGrowth).Aligned(scale);
    if (control->GetBounds().Empty() || region.Empty()) return;
    const bool overlap = aligned.left <= region.right && aligned.right > region.left &&
                         aligned.top <= region.bottom && aligned.bottom > region.top;
    if (!overlap) return;
    const Bounds clip = aligned.Intersection(region);
    if (!(clip.W() > 0.0f) || !(clip.H() > 0.0f)) return;
    mCanvas->ResetTransform();
    mCanvas->PathClear();
    mClip = clip;
    mCanvas->SetClipRegion(clip);
    control->Draw(*this);
    control->DrawHostHighlight(*this);
}

int Graphics::PixelWidth() const {
    return PixelSize(static_cast<float>(mWidth), TotalScale());
}

int Graphics::PixelHeight() const {
    return PixelSize(static_cast<float>(mHeight), TotalScale());
}

void Graphics::NotifyPlatformOfSize(bool needsPlatformResize) {
    if (mWindow != nullptr) mWindow->SceneResized(!needsPlatformResize);
}

void Graphics::Resize(int width, int height, float scale, bool needsPlatformResize) {
    if (!std::isfinite(scale)) return;
    width = std::clamp(width, mDelegate.MinEditorWidth(), mDelegate.MaxEditorWidth());
    height = std::clamp(height, mDelegate.MinEditorHeight(), mDelegate.MaxEditorHeight());
    scale = std::clamp(scale, mMinDrawScale, mMaxDrawScale);
    if (width == mWidth && height == mHeight && scale == mDrawScale) return;
    ReleaseAllCaptures();
    HideCursor(false, true);
    mDrawScale = scale;
    mWidth = width;
    mHeight = height;
    if (mCornerResizer != nullptr) mCornerResizer->OnScaleChanged();
    NotifyPlatformOfSize(needsPlatformResize);
    VisitAllControls([](Control* c) { c->OnResize(); });
    MarkAllDirty();
    mCanvas->Resize();
    if (mLayoutOnResize) mDelegate.ApplyLayout(this);
}

void Graphics::SetScreenScale(float scale) {
    if (!std::isfinite(scale) || !(scale > 0.0f)) return;
    mScreenScale = scale;
    NotifyPlatformOfSize(true);
    VisitAllControls([](Control* c) { c->OnScaleChanged(); });
    MarkAllDirty();
    mCanvas->Resize();
}

void Graphics::HideCursor(bool hide, bool lock) {
    if (hide) {
        if (mCursorHidden) return;
        mHiddenCursorX = mLastMouseX;
        mHiddenCursorY = mLastMouseY;
        if (mWindow != nullptr) mWindow->ShowPointer(false);
        mCursorHidden = true;
        mCursorLocked = lock;
        mLastEventFromTouch = false;
        return;
    }
    if (!mCursorHidden) return;
    if (mWindow != nullptr) {
        if (mCursorLocked) mWindow->MovePointer(mHiddenCursorX, mHiddenCursorY);
        mWindow->ShowPointer(true);
    }
    mCursorHidden = false;
    mCursorLocked = false;
}

void Graphics::WarpCursor(float x, float y) {
    if (!mLastEventFromTouch && mWindow != nullptr) mWindow->MovePointer(x, y);
}

void Graphics::SetPointerShape(int shape) {
    mCursorShape = shape;
    if (mWindow != nullptr && !mCursorHidden) mWindow->SetPointerShape(shape);
}

void Graphics::SetCanvas(Canvas* canvas) {
    mCanvas->SetScene(nullptr);
    mCanvas = canvas != nullptr ? canvas : &mNoCanvas;
    mCanvas->SetScene(this);
}

void Graphics::OpenScene() {
    SetScreenScale(mWindow != nullptr ? mWindow->ScreenScale() : 1.0f);
    mDelegate.ApplyLayout(this);
    MarkAllDirty();
    mDelegate.OnEditorOpened();
}

void Graphics::CloseScene() {
    ReleaseAllCaptures();
    HideCursor(false, true);
    RemoveAllControls();
}

void* Graphics::OpenWindow(void*) {
    OpenScene();
    return nullptr;
}

void Graphics::CloseWindow() {
    CloseScene();
}
