#pragma once
// Pointer and key input as Graphics receives it from the platform, already in
// graphics units.
#include <cstdint>
#include <vector>

struct MouseModifiers {
    bool left = false;   // left button down
    bool right = false;  // right button down
    bool shift = false;
    bool control = false;
    bool alt = false;
    int64_t touchId = 0;  // 0 for the mouse
    float touchRadius = 0.0f;
};

// One pointer point; dX, dY are the motion since the previous event (drags).
struct MouseEvent {
    float x = 0.0f;
    float y = 0.0f;
    float dX = 0.0f;
    float dY = 0.0f;
    MouseModifiers modifiers;
};

// One list per platform event: a single point for the mouse, several for touch.
using MouseEventList = std::vector<MouseEvent>;

// A key as the platform reports it.
struct KeyStroke {
    int32_t virtualKey = 0;
    bool shift = false;
    bool control = false;
    bool alt = false;
    char utf8[5] = {};  // at most one character, NUL-terminated
};
