#pragma once
// A headless editor on the test delegate with a few small pictures: a
// five-frame knob strip (10 x 10 units a frame), a 50 x 50 background, a
// two-frame switch, and resources that are not pictures.
#include <gtest/gtest.h>

#include "editor/bitmap_knob.h"
#include "editor/bitmap_switch.h"
#include "editor/headless/headless_window.h"
#include "editor_test_support.h"
#include "test_pictures.h"

namespace editor_test {

inline uint32_t FrameGrey(int y, int frameHeight) {
    const uint32_t grey = static_cast<uint32_t>(y / frameHeight * 40);
    return 0xFF000000u | (grey << 16) | (grey << 8) | grey;
}

class EditorFixture : public testing::Test {
protected:
    EditorFixture() {
        using test_pictures::RgbaPng;
        pictures.Add("KNOB@2x.png", RgbaPng(20, 100, [](int, int y) { return FrameGrey(y, 20); }));
        pictures.Add("SW@2x.png", RgbaPng(30, 20, [](int, int y) { return FrameGrey(y, 10); }));
        pictures.Add("BG@2x.png", RgbaPng(100, 100, [](int, int) { return 0xFF202020u; }));
        pictures.Add("NOTES.txt", test_pictures::Bytes(64, 'x'));
        pictures.Add("BROKEN@2x.png", test_pictures::Bytes(64, 'x'));
        window.SetResourceTable(pictures.Table());
    }

    BitmapKnob* AddKnob(float x, float y, int paramIdx) {
        return static_cast<BitmapKnob*>(
            window.AddControl(new BitmapKnob(x, y, window.LoadBitmap("KNOB.png", 5), paramIdx)));
    }
    BitmapSwitch* AddSwitch(float x, float y, int paramIdx) {
        return static_cast<BitmapSwitch*>(
            window.AddControl(new BitmapSwitch(x, y, window.LoadBitmap("SW.png", 2), paramIdx)));
    }
    // Draws one frame and returns its calls.
    std::vector<DrawCall> Frame() {
        window.ClearLog();
        window.Tick();
        return window.Log();
    }

    TestDelegate delegate;
    test_pictures::ResourceSet pictures;
    HeadlessWindow window{delegate, 248, 662, 60, 1.0f};
};

}  // namespace editor_test
