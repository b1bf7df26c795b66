#include "lv2/ui/lv2_ui_features.h"

#include <cstring>

LV2UIFeatures ReadUIFeatures(const LV2_Feature* const* features) {
    LV2UIFeatures found;
    if (features == nullptr) return found;
    for (int i = 0; features[i] != nullptr; ++i) {
        const LV2_Feature& f = *features[i];
        if (f.URI == nullptr) continue;
        found.offered.emplace_back(f.URI);
        if (std::strcmp(f.URI, LV2_URID__map) == 0) {
            const auto* map = static_cast<const LV2_URID_Map*>(f.data);
            if (map != nullptr && map->map != nullptr) found.map = map;
        } else if (std::strcmp(f.URI, LV2_UI__parent) == 0) {
            found.parent = f.data;
        } else if (std::strcmp(f.URI, LV2_UI__resize) == 0) {
            const auto* resize = static_cast<const LV2UI_Resize*>(f.data);
            if (resize != nullptr && resize->ui_resize != nullptr) found.resize = resize;
        } else if (std::strcmp(f.URI, LV2_OPTIONS__options) == 0) {
            found.options = static_cast<const LV2_Options_Option*>(f.data);
        } else if (std::strcmp(f.URI, LV2_UI__touch) == 0) {
            const auto* touch = static_cast<const LV2UI_Touch*>(f.data);
            if (touch != nullptr && touch->touch != nullptr) found.touch = touch;
        }
    }
    return found;
}
