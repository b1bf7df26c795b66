// tw-editor-render: draws Tarnwhistle's editor off-screen (EGL on Mesa, no
// window, no X server) and writes the picture as a PNG, with parameters set,
// a value bubble shown, host highlights and disabled controls as asked.
#include <stb/stb_image_write.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/graphics_editor_delegate.h"
#include "core/param.h"
#include "editor/control.h"
#include "editor/drawing/offscreen/offscreen_context.h"
#include "editor/drawing/offscreen/offscreen_window.h"
#include "editor/editor_clock.h"
#include "editor/value_bubble_action.h"
#include "product/channel_parameters.h"
#include "product/editor/editor_only_delegate.h"
#include "product/editor/tarnwhistle_editor.h"

namespace {

enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,
    kExitUnknownParameter = 8,
    kExitBadValue = 9,
    kExitUnwritable = 10,
    kExitNoGl = 12,
};

// Time stands still unless the tool moves it, so a bubble can be shown fully faded in.
class StillClock : public EditorClock {
public:
    double NowMs() const override { return now; }
    double now = 1000.0;
};

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "tw-editor-render: %s\n", message.c_str());
    return code;
}

// The parameter named exactly name, or -1.
int FindParameter(const GraphicsEditorDelegate& delegate, const std::string& name) {
    for (int i = 0; i < delegate.NParams(); ++i) {
        if (name == delegate.GetParam(i)->Name()) return i;
    }
    return -1;
}

std::string ParameterNames(const GraphicsEditorDelegate& delegate) {
    std::string names;
    for (int i = 0; i < delegate.NParams(); ++i) {
        names += (i ? ", \"" : "\"") + std::string(delegate.GetParam(i)->Name()) + "\"";
    }
    return names;
}

// A display text of the parameter, spaces aside ("80 Hz" is "80Hz"), or a number within
// its range ("12 dB" reads as 12).
bool ParseValue(const Param& param, const std::string& text, double& value) {
    if (param.MatchDisplayText(text.c_str(), value)) return true;
    std::string packed;
    for (char c : text) {
        if (c != ' ') packed += c;
    }
    if (param.MatchDisplayText(packed.c_str(), value)) return true;
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || errno != 0 || !std::isfinite(number)) return false;
    if (number < param.Min() || number > param.Max()) return false;
    value = param.ParseText(text.c_str());
    return true;
}

Control* ControlOf(Graphics& graphics, int paramIdx) {
    for (int i = 1; i < graphics.NControls(); ++i) {
        if (graphics.GetControl(i)->GetParamIdx() == paramIdx) return graphics.GetControl(i);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    std::string output;
    float scale = 1.0f;
    float screenScale = 1.0f;
    std::vector<std::string> sets;
    std::string bubble;
    std::vector<std::string> highlights;
    std::vector<std::string> disabled;

    CLI::App app{
        "Draws Tarnwhistle's editor off-screen and writes it as a PNG.\n"
        "Exit codes: 1 bad options, 8 unknown parameter, 9 value that does not convert or is out\n"
        "of range, 10 unwritable output, 12 no OpenGL 2.1 context (EGL on Mesa)."};
    app.add_option("OUT.png", output, "the picture to write")->required();
    app.add_option("--scale", scale, "the editor's draw scale, 0.5 to 2")
        ->check(CLI::Range(0.5f, 2.0f));
    app.add_option("--screen-scale", screenScale, "the screen's pixel factor, 1 to 4")
        ->check(CLI::Range(1.0f, 4.0f));
    app.add_option("--set", sets,
                   "NAME=TEXT: a parameter by its exact name, as its display text "
                   "or a number (\"Preamp Gain=12\", \"HighPass=80 Hz\"); repeatable");
    app.add_option("--bubble", bubble, "NAME: show the value bubble of that parameter's control");
    app.add_option("--highlight", highlights,
                   "NAME=yellow|green|blue|red: the host's highlight on a control; repeatable");
    app.add_option("--disabled", disabled,
                   "NAME: draw that parameter's control disabled; repeatable");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help prints and succeeds; every option mistake is code 1.
        return app.exit(error) == 0 ? kExitOk : kExitUsage;
    }

    EditorOnlyDelegate delegate;
    for (const std::string& set : sets) {
        const auto equals = set.find('=');
        if (equals == std::string::npos)
            return Fail(kExitUsage, "--set \"" + set + "\" is not NAME=TEXT");
        const std::string name = set.substr(0, equals);
        const int index = FindParameter(delegate, name);
        if (index < 0) {
            return Fail(kExitUnknownParameter, "no parameter named \"" + name + "\" (there are " +
                                                   ParameterNames(delegate) + ")");
        }
        double value = 0.0;
        Param& param = *delegate.GetParam(index);
        if (!ParseValue(param, set.substr(equals + 1), value)) {
            return Fail(kExitBadValue,
                        "\"" + set.substr(equals + 1) + "\" is not a value of \"" + name + "\"");
        }
        param.SetValue(value);
    }
    auto lookUp = [&](const std::string& name, int& index) {
        index = FindParameter(delegate, name);
        return index >= 0;
    };
    int bubbleIndex = -1;
    if (!bubble.empty() && !lookUp(bubble, bubbleIndex))
        return Fail(kExitUnknownParameter, "no parameter named \"" + bubble + "\"");
    const std::map<std::string, int> kColours = {
        {"yellow", 0}, {"green", 1}, {"blue", 2}, {"red", 3}};
    std::vector<std::pair<int, int>> highlighted;
    for (const std::string& h : highlights) {
        const auto equals = h.find('=');
        int index = -1;
        if (equals == std::string::npos || !kColours.count(h.substr(equals + 1)))
            return Fail(kExitUsage, "--highlight \"" + h + "\" is not NAME=yellow|green|blue|red");
        if (!lookUp(h.substr(0, equals), index))
            return Fail(kExitUnknownParameter,
                        "no parameter named \"" + h.substr(0, equals) + "\"");
        highlighted.emplace_back(index, kColours.at(h.substr(equals + 1)));
    }
    std::vector<int> disabledIndices;
    for (const std::string& name : disabled) {
        int index = -1;
        if (!lookUp(name, index))
            return Fail(kExitUnknownParameter, "no parameter named \"" + name + "\"");
        disabledIndices.push_back(index);
    }

    const char* failure = nullptr;
    if (!MakeOffscreenContextCurrent(&failure))
        return Fail(kExitNoGl, std::string("no OpenGL context: ") + failure);
    StillClock clock;
    SetEditorClock(&clock);
    OffscreenWindow::Attach(delegate, screenScale);
    if (delegate.OpenWindow(nullptr) == nullptr)
        return Fail(kExitNoGl, "the renderer needs OpenGL 2.1 with frame buffer objects");
    OffscreenWindow& window = *OffscreenWindow::Of(delegate);
    if (scale != 1.0f) window.Resize(window.Width(), window.Height(), scale, true);
    for (const auto& [index, colour] : highlighted)
        window.SetHostParamHighlight(index, true, colour);
    for (int index : disabledIndices) {
        if (Control* control = ControlOf(window, index)) control->SetDisabled(true);
    }
    window.Tick();
    if (bubbleIndex >= 0) {
        ShowValueBubbleAction(ControlOf(window, bubbleIndex));
        window.Tick();
        clock.now += 300.0;  // past the fade-in
        window.Tick();
    }
    const WindowPixels pixels = window.ReadPixels();
    if (pixels.rgba.empty() || !stbi_write_png(output.c_str(), pixels.width, pixels.height, 4,
                                               pixels.rgba.data(), pixels.width * 4)) {
        return Fail(kExitUnwritable, "cannot write " + output);
    }
    delegate.CloseWindow();
    SetEditorClock(nullptr);
    return kExitOk;
}
