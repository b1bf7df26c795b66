#pragma once
// Follows the screen scale of an open editor: the root window's resource
// database is read again after it changed (unless the host gives the scale),
// and a new scale is applied only between drags (the pointer's units would
// change under one).
//
// Threads: [ui].
struct _XDisplay;

class ScreenScaleFollower {
public:
    // [ui] At opening, with the scale read then; the first check applies it.
    void Start(float scale);
    // [ui] A scale the host gives wins over the resources; 0: none. The
    // next check applies it.
    void SetHostScale(float scale) {
        mHostScale = scale;
        mCheckPending = true;
    }
    // [ui] The root window's resource database changed.
    void ResourcesChanged() { mResourcesChanged = mCheckPending = true; }
    // [ui] The scale to move to now, or 0: none while busy (a button held,
    // a capture, a resize by the user), none when current is it already.
    float Check(_XDisplay* display, bool busy, float current);

private:
    float mExactScale = 1.0f;
    float mHostScale = 0.0f;
    bool mCheckPending = false;
    bool mResourcesChanged = false;
};
