#include "editor/platform/screen_scale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
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
    if (resources.empty()) return 1.0f;
    // Read as Xft reads it: the resource manager's rules (wildcards, the last
    // definition winning, leading blanks dropped).
    XrmInitialize();
    const std::string text(resources);
    XrmDatabase database = XrmGetStringDatabase(text.c_str());
    if (database == nullptr) return 1.0f;
    char* type = nullptr;
    XrmValue value{};
    std::string dpiText;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
        dpiText.assign(value.addr, strnlen(value.addr, value.size));
    }
    XrmDestroyDatabase(database);
    // A number in the C form whatever the host's locale.
    const std::string_view number = Trim(dpiText);
    double dpi = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), dpi);
    if (number.empty() || error != std::errc{} || end != number.data() + number.size() ||
        !std::isfinite(dpi) || !(dpi > 0.0)) {
        return 1.0f;
    }
    return static_cast<float>(
        std::clamp(dpi / 96.0, double{kMinScreenScale}, double{kMaxScreenScale}));
}

int FramePeriodMs(int fps) {
    const int period = fps > 0 ? 1000 / fps : 0;
    return period < 20 ? 15 : period;
}
