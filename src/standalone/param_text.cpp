#include "standalone/param_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/param.h"
#include "core/param_table.h"
#include "core/text_buf.h"

namespace {

std::string Folded(const std::string& text) {
    std::string folded;
    for (const char c : text) {
        if (c != ' ' && c != '\t')
            folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

bool IsStepped(const Param& param) {
    return (param.Flags() & FlagStepped) != 0;
}

}  // namespace

int FindParamByName(const ParamTable& params, const std::string& name) {
    for (int i = 0; i < params.Count(); ++i) {
        if (name == params.GetParam(i)->Name()) return i;
    }
    for (int i = 0; i < params.Count(); ++i) {
        if (name == std::to_string(i + 1)) return i;
    }
    return -1;
}

std::optional<double> ParseParamText(const Param& param, const std::string& text,
                                     std::string* why) {
    const std::string folded = Folded(text);
    for (int i = 0; i < param.DisplayTextCount(); ++i) {
        double value = 0.0;
        const char* display = param.DisplayTextAt(i, &value);
        if (display[0] != '\0' && Folded(display) == folded) return value;
    }
    auto refuse = [&](const std::string& what) -> std::optional<double> {
        if (why != nullptr) {
            std::string message = "\"";
            message.append(param.Name()).append("\" does not take '").append(text).append("' (");
            message.append(what).append("); it takes ").append(DescribeParamValues(param));
            *why = message;
        }
        return std::nullopt;
    };
    const char* start = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start || !std::isfinite(value)) return refuse("no number and no name of its values");
    const std::string rest = Folded(end);
    if (!rest.empty() && rest != Folded(param.Label())) {
        std::string what(end);
        what.append("' after the number");
        return refuse(what.insert(0, 1, '\''));
    }
    if (IsStepped(param) && value != std::round(value)) return refuse("not a whole position");
    const double slack = 1e-9 * (std::fabs(param.Min()) + std::fabs(param.Max()) + 1.0);
    if (value < param.Min() - slack || value > param.Max() + slack)
        return refuse("outside its range");
    return param.Restrict(value);
}

std::string ParamValueText(const Param& param, double value) {
    TextBuf text;
    param.FormatValue(value, false, text);
    std::string shown = text.Get();
    const char* display = param.FindDisplayText(value);
    if (display[0] == '\0' && param.Label()[0] != '\0') shown.append(" ").append(param.Label());
    return shown;
}

std::string DescribeParamValues(const Param& param) {
    if (IsStepped(param)) {
        std::string positions;
        for (double v = param.Min(); v <= param.Max(); v += 1.0) {
            const char* display = param.FindDisplayText(v);
            if (!positions.empty()) positions.append(", ");
            positions.append(std::to_string(static_cast<int>(v)));
            if (display[0] != '\0') positions.append(" ").append(display);
        }
        return positions + " (default " + ParamValueText(param, param.Default()) + ")";
    }
    return ParamValueText(param, param.Min()) + " .. " + ParamValueText(param, param.Max()) +
           " (default " + ParamValueText(param, param.Default()) + ")";
}
