#include "lv2/ui/lv2_ui_host_options.h"

#include <lv2/atom/atom.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t kMaxTitleBytes = 255;

// An atom:String option's text up to its first NUL; false for another type.
bool TextValue(const LV2UIOptionURIDs& urids, const LV2_Options_Option& option, std::string& text) {
    if (option.type != urids.atomString || option.value == nullptr) return false;
    const auto* chars = static_cast<const char*>(option.value);
    const std::size_t size = std::min<std::size_t>(option.size, kMaxTitleBytes);
    text.assign(chars, std::find(chars, chars + size, '\0'));
    return true;
}

// The option's value as a positive finite number, else 0.
float PositiveValue(const LV2UIOptionURIDs& urids, const LV2_Options_Option& option) {
    if (option.value == nullptr) return 0.0f;
    double value = 0.0;
    if (option.type == urids.atomFloat && option.size == sizeof(float)) {
        float v = 0.0f;
        std::memcpy(&v, option.value, sizeof v);
        value = v;
    } else if (option.type == urids.atomDouble && option.size == sizeof(double)) {
        std::memcpy(&value, option.value, sizeof value);
    } else if (option.type == urids.atomInt && option.size == sizeof(int32_t)) {
        int32_t v = 0;
        std::memcpy(&v, option.value, sizeof v);
        value = v;
    } else {
        return 0.0f;
    }
    return std::isfinite(value) && value > 0.0 && value < 1e6 ? static_cast<float>(value) : 0.0f;
}

}  // namespace

bool MapOptionURIDs(const LV2_URID_Map* map, LV2UIOptionURIDs& urids) {
    urids = {};
    if (map == nullptr || map->map == nullptr) return false;
    urids.scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
    urids.updateRate = map->map(map->handle, LV2_UI__updateRate);
    urids.windowTitle = map->map(map->handle, LV2_UI__windowTitle);
    urids.atomString = map->map(map->handle, LV2_ATOM__String);
    urids.atomFloat = map->map(map->handle, LV2_ATOM__Float);
    urids.atomDouble = map->map(map->handle, LV2_ATOM__Double);
    urids.atomInt = map->map(map->handle, LV2_ATOM__Int);
    return true;
}

uint32_t LV2UIHostOptions::Set(const LV2UIOptionURIDs& urids, const LV2_Options_Option* list) {
    uint32_t status = LV2_OPTIONS_SUCCESS;
    if (list == nullptr) return status;
    for (const LV2_Options_Option* o = list; o->key != 0; ++o) {
        const bool ours = urids.scaleFactor != 0 && o->context == LV2_OPTIONS_INSTANCE &&
                          (o->key == urids.scaleFactor || o->key == urids.updateRate ||
                           o->key == urids.windowTitle);
        if (!ours) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
            continue;
        }
        if (o->key == urids.windowTitle) {
            if (!TextValue(urids, *o, windowTitle)) status |= LV2_OPTIONS_ERR_BAD_VALUE;
            continue;
        }
        const float value = PositiveValue(urids, *o);
        if (value == 0.0f) {
            status |= LV2_OPTIONS_ERR_BAD_VALUE;
            continue;
        }
        (o->key == urids.scaleFactor ? scaleFactor : updateRate) = value;
    }
    return status;
}

uint32_t LV2UIHostOptions::Get(const LV2UIOptionURIDs& urids, LV2_Options_Option* list) const {
    uint32_t status = LV2_OPTIONS_SUCCESS;
    if (list == nullptr) return status;
    for (LV2_Options_Option* o = list; o->key != 0; ++o) {
        const float* held = nullptr;
        if (urids.scaleFactor != 0 && o->context == LV2_OPTIONS_INSTANCE) {
            if (o->key == urids.scaleFactor && scaleFactor > 0.0f) held = &scaleFactor;
            if (o->key == urids.updateRate && updateRate > 0.0f) held = &updateRate;
        }
        if (urids.windowTitle != 0 && o->context == LV2_OPTIONS_INSTANCE &&
            o->key == urids.windowTitle && !windowTitle.empty()) {
            o->size = static_cast<uint32_t>(windowTitle.size() + 1);
            o->type = urids.atomString;
            o->value = windowTitle.c_str();
            continue;
        }
        if (held == nullptr) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
            continue;
        }
        o->size = sizeof(float);
        o->type = urids.atomFloat;
        o->value = held;
    }
    return status;
}
