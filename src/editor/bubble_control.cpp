#include "editor/bubble_control.h"

#include "editor/graphics.h"

BubbleControl::BubbleControl(const TextStyle& style, Color fill, Color stroke, float roundness)
    : Control(Bounds{}), mRoundness(roundness), mFill(fill), mStroke(stroke) {
    mTextStyle = style;
    mHidden = true;
    mIgnoreMouse = true;
    SetActionFunction([this](Control*) {
        SetAnimation([this](Control*) { Fade(); });
        StartAnimation(kFadeMs);
    });
    SetAnimationEndFunction([this](Control*) {
        if (mState != kBubbleHolding) return;
        SetAnimation([this](Control*) { Fade(); });
        StartAnimation(kHoldMs);
    });
}

void BubbleControl::PlaceBubble(Control* caller, float x, float y, const std::string& text,
                                int direction, const Bounds& minimumContent, int64_t touchId) {
    Graphics* g = GetUI();
    if (caller == nullptr || g == nullptr) return;
    if (mMaxBounds.W() == 0.0f) {
        mMaxBounds = {0.0f, 0.0f, static_cast<float>(g->Width()), static_cast<float>(g->Height())};
    }
    mDirection = direction;
    mTouchId = touchId;
    mText = text;
    Bounds content;
    g->MeasureText(mTextStyle, mText.c_str(), content);
    if (!minimumContent.Empty()) {
        if (content.W() < minimumContent.W()) content.right = content.left + minimumContent.W();
        if (content.H() < minimumContent.H()) content.bottom = content.top + minimumContent.H();
    }
    const Bounds padded{content.left - mHorizontalMargin - mInnerMargin, content.top - mInnerMargin,
                        content.right + mHorizontalMargin + mInnerMargin,
                        content.bottom + mInnerMargin};
    const float w = padded.W();
    const float h = padded.H();
    const Bounds& callerBounds = caller->GetBounds();
    Bounds bubble;
    if (direction == 1) {
        bubble = {x, y - h / 2.0f, x + w, y + h / 2.0f};
        mArrowSide = kArrowLeft;
        if (bubble.right > mMaxBounds.right - mHorizontalMargin - mInnerMargin) {
            bubble = {callerBounds.left - w, bubble.top, callerBounds.left, bubble.bottom};
            mArrowSide = kArrowRight;
        }
    } else {
        bubble = {x - w / 2.0f, y - h, x + w / 2.0f, y};
        mArrowSide = kArrowBottom;
        if (bubble.top < mMaxBounds.top) {
            const float down = h + callerBounds.H();
            bubble = {bubble.left, bubble.top + down, bubble.right, bubble.bottom + down};
            mArrowSide = kArrowTop;
        }
    }
    mBubbleBounds = bubble;
    // The old place is repainted as well.
    SetBounds(GetBounds().Empty() ? bubble : GetBounds().Union(bubble));
    mMouseIsOver = false;
    OnResize();
    if (mState == kBubbleHidden) {
        Hide(false);
        mState = kBubbleFadingIn;
        SetDirty(true, -1);
    }
    if (caller != mCaller) {
        SetBounds(bubble);
        g->MarkAllDirty();
    }
    mCaller = caller;
}

void BubbleControl::Fade() {
    const double t = AnimationProgress();
    if (t <= 1.0) {
        if (mState == kBubbleFadingIn) mBubbleBlend.weight = static_cast<float>(t) * kMaxOpacity;
        if (mState == kBubbleHolding) mBubbleBlend.weight = kMaxOpacity;
        if (mState == kBubbleFadingOut)
            mBubbleBlend.weight = static_cast<float>(1.0 - t) * kMaxOpacity;
        return;
    }
    switch (mState) {
        case kBubbleFadingIn:
            mBubbleBlend.weight = kMaxOpacity;
            mState = kBubbleHolding;
            OnAnimationDone();
            break;
        case kBubbleHolding:
            if (GetUI() != nullptr && mCaller != nullptr && GetUI()->IsCaptured(mCaller)) {
                SetDirty(true, -1);  // held on: look again in 200 ms
            } else {
                mBubbleBlend.weight = kMaxOpacity;
                mState = kBubbleFadingOut;
                SetDirty(true, -1);
            }
            break;
        case kBubbleFadingOut:
            mBubbleBlend.weight = 0.0f;
            Hide(true);
            mState = kBubbleHidden;
            mTouchId = 0;
            SetDirty(false, -1);
            OnAnimationDone();
            break;
        default:
            break;
    }
}

void BubbleControl::Draw(Graphics& g) {
    const Bounds& r = mBubbleBounds;
    const Bounds inner = r.Grown(-mInnerMargin);
    g.DrawFastDropShadow(inner, r, 2.0f, mRoundness, 10.0f, &mBubbleBlend);

    const float l = inner.left;
    const float t = inner.top;
    const float rt = inner.right;
    const float b = inner.bottom;
    const float q = mRoundness;
    const float m = (l + rt) / 2.0f;
    const float n = (t + b) / 2.0f;
    const float half = mArrowSize / 2.0f;
    const float tip = mArrowSize;
    g.PathClear();
    g.PathMoveTo(l, t + q);
    g.PathArc(l + q, t + q, q, 270.0f, 360.0f);
    if (mArrowSide == kArrowTop) {
        g.PathLineTo(m - half, t);
        g.PathLineTo(m, t - tip);
        g.PathLineTo(m + half, t);
    }
    g.PathArc(rt - q, t + q, q, 0.0f, 90.0f);
    if (mArrowSide == kArrowRight) {
        g.PathLineTo(rt, n - half);
        g.PathLineTo(rt + tip, n);
        g.PathLineTo(rt, n + half);
    }
    g.PathArc(rt - q, b - q, q, 90.0f, 180.0f);
    if (mArrowSide == kArrowBottom) {
        g.PathLineTo(m + half, b);
        g.PathLineTo(m, b + tip);
        g.PathLineTo(m - half, b);
    }
    g.PathArc(l + q, b - q, q, 180.0f, 270.0f);
    if (mArrowSide == kArrowLeft) {
        g.PathLineTo(l, n + half);
        g.PathLineTo(l - tip, n);
        g.PathLineTo(l, n - half);
    }
    g.PathClose();
    g.PathFill(mFill, &mBubbleBlend);
    g.PathStroke(mStroke, mStrokeWidth, &mBubbleBlend);
    if (!mText.empty()) g.DrawText(mTextStyle, mText.c_str(), inner, &mBubbleBlend);
}
