#include "editor/platform/screen_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

float ScreenScaleFromResources(std::string_view resources) {
    float scale = 1.0f;
    while (!resources.empty()) {
        const std::size_t end = resources.find('\n');
        const std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || Trim(line.substr(0, colon)) != "Xft.dpi") continue;
        const std::string value(Trim(line.substr(colon + 1)));
        char* rest = nullptr;
        const double dpi = std::strtod(value.c_str(), &rest);
        // The last definition wins, as in the resource database itself.
        if (value.empty() || *rest != '\0' || !std::isfinite(dpi) || !(dpi > 0.0)) {
            scale = 1.0f;
        } else {
            scale = static_cast<float>(
                std::clamp(dpi / 96.0, double{kMinScreenScale}, double{kMaxScreenScale}));
        }
    }
    return scale;
}

int FramePeriodMs(int fps) {
    const int period = fps > 0 ? 1000 / fps : 0;
    return period < 20 ? 15 : period;
}
