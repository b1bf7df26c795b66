#pragma once
// A small delegate for the editor's own tests: three parameters (a gain knob,
// a five-position selector, a switch), the product's size limits, and a log
// of the gestures and values the editor sends.
#include <cstdio>
#include <string>
#include <vector>

#include "core/graphics_editor_delegate.h"
#include "core/param.h"
#include "editor/graphics_binding.h"
#include "editor/input_event.h"

namespace editor_test {

enum TestParam { kGain = 0, kSelector = 1, kSwitch = 2 };

inline PluginConfig TestConfig() {
    PluginConfig config;
    config.parameterCount = 3;
    config.editorWidth = 248;
    config.editorHeight = 662;
    config.editorMinWidth = 124;
    config.editorMaxWidth = 496;
    config.editorMinHeight = 331;
    config.editorMaxHeight = 1324;
    return config;
}

// One pointer point of the mouse.
inline MouseEvent Point(float x, float y, float dX = 0.0f, float dY = 0.0f) {
    MouseEvent event;
    event.x = x;
    event.y = y;
    event.dX = dX;
    event.dY = dY;
    return event;
}

class TestDelegate : public GraphicsEditorDelegate {
public:
    TestDelegate() : GraphicsEditorDelegate(TestConfig()) {
        GetParam(kGain)->DefineGain("Gain", 0.0, -24.0, 24.0, 0.1);
        GetParam(kSelector)->DefineEnumList("Selector", 0, {"OFF", "50", "80", "160", "300"});
        GetParam(kSwitch)->DefineBool("Switch", false);
        SetGraphicsBinding(&EditorGraphicsBinding());
    }

    void BeginUIParamGesture(int paramIdx) override {
        log.push_back("begin " + std::to_string(paramIdx));
    }
    void EndUIParamGesture(int paramIdx) override {
        log.push_back("end " + std::to_string(paramIdx));
    }
    void SendUIParamValue(int paramIdx, double value) override {
        char text[48];
        std::snprintf(text, sizeof text, "value %d %.4f", paramIdx, value);
        log.push_back(text);
        GraphicsEditorDelegate::SendUIParamValue(paramIdx, value);
    }
    bool NegotiateEditorSize(int width, int height, bool) override {
        negotiated.push_back(std::to_string(width) + "x" + std::to_string(height));
        return true;
    }

    std::vector<std::string> log;
    std::vector<std::string> negotiated;
};

}  // namespace editor_test
