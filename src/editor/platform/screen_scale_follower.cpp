#include "editor/platform/screen_scale_follower.h"

#include "editor/platform/screen_scale.h"
#include "editor/platform/x11_connection.h"

void ScreenScaleFollower::Start(float scale) {
    mExactScale = scale;
    mCheckPending = true;
    mResourcesChanged = false;
}

float ScreenScaleFollower::Check(_XDisplay* display, bool busy, float current) {
    if (!mCheckPending || busy) return 0.0f;
    mCheckPending = false;
    if (mResourcesChanged) {
        mResourcesChanged = false;
        mExactScale = ScreenScaleFromResources(x11::ReadRootResources(display));
    }
    const float target = mHostScale > 0.0f ? mHostScale : mExactScale;
    return target == current ? 0.0f : target;
}
