#include "editor/size_negotiation.h"

#include <algorithm>

#include "core/graphics_editor_delegate.h"
#include "editor/graphics.h"

SizeNegotiation::SizeNegotiation(Graphics& scene, HostSide& host, WindowSide& window)
    : mScene(scene), mHost(host), mWindow(window) {}

void SizeNegotiation::Opened(int width, int height) {
    mWindowWidth = width;
    mWindowHeight = height;
    mHostWidth = mHostHeight = 0;
    mImposedWidth = mImposedHeight = mPutBacks = 0;
}

void SizeNegotiation::SceneResized(bool hostSized) {
    const int width = mScene.PixelWidth();
    const int height = mScene.PixelHeight();
    const bool hostHasIt = hostSized || (width == mHostWidth && height == mHostHeight);
    const bool taken = mHost.EditorSized(width, height, !hostHasIt);
    // Taken by the host, or its windows follow ours below: its size now.
    if (!hostHasIt) {
        mHostWidth = width;
        mHostHeight = height;
    }
    if (width == mWindowWidth && height == mWindowHeight) return;
    mWindowWidth = width;
    mWindowHeight = height;
    mImposedWidth = mImposedHeight = mPutBacks = 0;
    mWindow.ResizeWindow(width, height, !hostHasIt && !taken);
}

bool SizeNegotiation::HostResize(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    mHostWidth = width;
    mHostHeight = height;
    // The size the editor has (hosts echo what it asked for): refitting it
    // would nudge the draw scale by the pixel rounding at every echo.
    if (width == mScene.PixelWidth() && height == mScene.PixelHeight()) return true;
    const float screen = mScene.GetScreenScale();
    const float scale =
        std::min(static_cast<float>(width) / (static_cast<float>(mScene.Width()) * screen),
                 static_cast<float>(height) / (static_cast<float>(mScene.Height()) * screen));
    mScene.Resize(mScene.Width(), mScene.Height(), scale, false);
    return true;
}

void SizeNegotiation::WindowConfigured(int width, int height) {
    if (width == mWindowWidth && height == mWindowHeight) return;
    if (width == mImposedWidth && height == mImposedHeight) {
        // Toolkits replay a size they gave once or twice before they follow
        // ours (Gtk's socket in jalv does); an embedder that still holds it
        // after that keeps it.
        if (++mPutBacks > kMaxPutBacks) {
            mWindowWidth = width;
            mWindowHeight = height;
            return;
        }
    } else {
        mImposedWidth = width;
        mImposedHeight = height;
        mPutBacks = 1;
    }
    mWindow.ResizeWindow(mWindowWidth, mWindowHeight, false);
}

bool DelegateHostSide::EditorSized(int width, int height, bool askHost) {
    return mDelegate.NegotiateEditorSize(width, height, askHost);
}
