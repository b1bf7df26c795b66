#include "editor/value_bubble_action.h"

#include <string>

#include "core/param.h"
#include "core/text_buf.h"
#include "editor/control.h"
#include "editor/graphics.h"

void ShowValueBubbleAction(Control* control) {
    if (control == nullptr || control->GetUI() == nullptr) return;
    std::string text;
    if (const Param* param = control->GetParam(0)) {
        TextBuf display;
        param->FormatValue(param->GetValue(), false, display, true);
        text = display.Get();
        const std::string label = param->LabelFor();
        if (!label.empty()) text += " " + label;
    }
    const Bounds& b = control->GetBounds();
    control->GetUI()->ShowValueBubble(control, (b.left + b.right) * 0.5f, b.top, text, 0, Bounds{});
}
