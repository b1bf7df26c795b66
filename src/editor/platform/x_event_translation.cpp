#include "editor/platform/x_event_translation.h"

#include <X11/Xutil.h>

#include "editor/input_event.h"
#include "editor/platform/key_text.h"

namespace {

MouseModifiers ModifiersOf(unsigned state) {
    MouseModifiers mods;
    mods.left = (state & Button1Mask) != 0;
    mods.right = (state & Button3Mask) != 0;
    mods.shift = (state & ShiftMask) != 0;
    mods.control = (state & ControlMask) != 0;
    mods.alt = (state & Mod1Mask) != 0;
    return mods;
}

unsigned ButtonMask(unsigned button) {
    switch (button) {
        case 1:
            return Button1Mask;
        case 2:
            return Button2Mask;
        case 3:
            return Button3Mask;
        default:
            return 0;
    }
}

}  // namespace

bool DirectTouchDeviceExists(Display* display, int* opcode) {
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", opcode, &event, &error)) return false;
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
        (major == 2 && minor < 2)) {
        return false;
    }
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        for (int c = 0; c < devices[i].num_classes; ++c) {
            const auto* touch = reinterpret_cast<const XITouchClassInfo*>(devices[i].classes[c]);
            if (touch->type == XITouchClass && touch->mode == XIDirectTouch) found = true;
        }
    }
    if (devices != nullptr) XIFreeDeviceInfo(devices);
    return found;
}

void SelectTouchEvents(Display* display, Window window) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_TouchBegin);
    XISetMask(bits, XI_TouchUpdate);
    XISetMask(bits, XI_TouchEnd);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display, window, &mask, 1);
}

void XInputTranslator::Press(const XButtonEvent& event) {
    const float s = mGraphics.TotalScale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    if (event.button == 4 || event.button == 5) {
        mGraphics.OnMouseWheel(x, y, ModifiersOf(event.state), event.button == 4 ? 1.0f : -1.0f);
        return;
    }
    if (!IsPointerButton(event.button)) return;
    mHeldButtons |= 1u << event.button;
    mLastX = x;
    mLastY = y;
    const MouseModifiers mods = ModifiersOf(event.state | ButtonMask(event.button));
    if (mClicks.Press(static_cast<int>(event.button), event.x, event.y, event.time)) {
        mGraphics.OnMouseDblClick(x, y, mods);
    } else {
        mGraphics.OnMouseDown({MouseEvent{x, y, 0.0f, 0.0f, mods}});
    }
}

void XInputTranslator::Release(const XButtonEvent& event) {
    if (!IsPointerButton(event.button)) return;
    mHeldButtons &= ~(1u << event.button);
    const float s = mGraphics.TotalScale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    mGraphics.OnMouseUp(
        {MouseEvent{x, y, 0.0f, 0.0f, ModifiersOf(event.state & ~ButtonMask(event.button))}});
}

void XInputTranslator::QueueMotion(const XMotionEvent& event) {
    mPendingMotion = event;
    mMotionPending = true;
}

void XInputTranslator::FlushMotion() {
    if (!mMotionPending) return;
    mMotionPending = false;
    Motion(mPendingMotion);
}

void XInputTranslator::Motion(const XMotionEvent& event) {
    const float s = mGraphics.TotalScale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    const MouseModifiers mods = ModifiersOf(event.state);
    if ((mods.left || mods.right) && mHeldButtons != 0) {
        if (x == mLastX && y == mLastY) return;
        const float dX = x - mLastX;
        const float dY = y - mLastY;
        mLastX = x;
        mLastY = y;
        mGraphics.OnMouseDrag({MouseEvent{x, y, dX, dY, mods}});
        return;
    }
    mLastX = x;
    mLastY = y;
    mGraphics.OnMouseOver(x, y, mods);
}

void XInputTranslator::Leave(const XCrossingEvent& event) {
    // Leaving because of our own grab, or with a button held, is no mouse-out.
    if (event.mode == NotifyNormal && mHeldButtons == 0) mGraphics.OnMouseOut();
}

bool XInputTranslator::Key(XKeyEvent& event, bool down) {
    char text[8] = {};
    KeySym sym = 0;
    const int length = XLookupString(&event, text, sizeof text - 1, &sym, nullptr);
    KeyStroke key;
    key.virtualKey = static_cast<int32_t>(sym);
    key.shift = (event.state & ShiftMask) != 0;
    key.control = (event.state & ControlMask) != 0;
    key.alt = (event.state & Mod1Mask) != 0;
    KeyText(sym, text, length, key.utf8);
    const float s = mGraphics.TotalScale();
    const float x = static_cast<float>(event.x) / s;
    const float y = static_cast<float>(event.y) / s;
    return down ? mGraphics.OnKeyDown(x, y, key) : mGraphics.OnKeyUp(x, y, key);
}

void XInputTranslator::Touch(const XIDeviceEvent& event) {
    const float s = mGraphics.TotalScale();
    MouseEvent point;
    point.x = static_cast<float>(event.event_x) / s;
    point.y = static_cast<float>(event.event_y) / s;
    point.modifiers.touchId = event.detail;
    switch (event.evtype) {
        case XI_TouchBegin:
            mTouches[event.detail] = point;
            mGraphics.OnMouseDown({point});
            break;
        case XI_TouchUpdate: {
            const auto previous = mTouches.find(event.detail);
            if (previous == mTouches.end()) break;
            point.dX = point.x - previous->second.x;
            point.dY = point.y - previous->second.y;
            previous->second = point;
            mGraphics.OnMouseDrag({point});
            break;
        }
        case XI_TouchEnd:
            mTouches.erase(event.detail);
            mGraphics.OnMouseUp({point});
            break;
        default:
            break;
    }
}

void XInputTranslator::PointerAt(float x, float y) {
    mLastX = x;
    mLastY = y;
}
