#pragma once
// The rounded value bubble that shows a parameter's text next to the control
// being changed: it fades in over 200 ms, stays at least 1000 ms and as long
// as the control is held, then fades out over 200 ms. It is hidden and
// ignores the mouse until shown.
#include <cstdint>
#include <string>

#include "editor/control.h"

class BubbleControl : public Control {
public:
    enum BubbleState : int {
        kBubbleHidden = 0,
        kBubbleFadingIn = 1,
        kBubbleHolding = 2,
        kBubbleFadingOut = 3
    };
    // Where the arrow points from: 0 top (pointing up), 1 right, 2 bottom
    // (pointing down), 3 left.
    enum ArrowSide : int { kArrowTop = 0, kArrowRight = 1, kArrowBottom = 2, kArrowLeft = 3 };

    static constexpr float kFadeMs = 200.0f;
    static constexpr float kHoldMs = 1000.0f;
    static constexpr float kMaxOpacity = 0.95f;

    // [ui]
    BubbleControl(const TextStyle& style, Color fill, Color stroke, float roundness);

    // [ui] Shows text at (x, y): direction 0 centres the bubble above the
    // point (below caller when it would leave the editor at the top),
    // direction 1 puts it to the right (left of caller when it would leave at
    // the right). A hidden bubble starts fading in; a shown one moves.
    void PlaceBubble(Control* caller, float x, float y, const std::string& text, int direction,
                     const Bounds& minimumContent, int64_t touchId);

    // [ui]
    void Draw(Graphics& g) override;

    // [ui]
    int State() const { return mState; }
    // [ui]
    int GetArrowSide() const { return mArrowSide; }
    // [ui]
    const std::string& Text() const { return mText; }
    // [ui]
    const Bounds& BubbleBounds() const { return mBubbleBounds; }
    // [ui]
    float Opacity() const { return mBubbleBlend.weight; }
    // [ui]
    Control* Caller() const { return mCaller; }
    // [ui]
    int64_t TouchId() const { return mTouchId; }

private:
    void Fade();

    int64_t mTouchId = 0;
    int mDirection = 1;
    Bounds mMaxBounds;
    Bounds mBubbleBounds;
    Control* mCaller = nullptr;
    int mArrowSide = kArrowLeft;
    std::string mText;
    BlendStyle mBubbleBlend{0, 0.0f};
    float mRoundness;
    float mInnerMargin = 10.0f;
    float mArrowSize = 10.0f;
    float mStrokeWidth = 2.0f;
    float mHorizontalMargin = 5.0f;
    Color mFill;
    Color mStroke;
    int mState = kBubbleHidden;
};
