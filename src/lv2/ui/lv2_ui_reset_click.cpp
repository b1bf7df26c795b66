#include "lv2/ui/lv2_ui_reset_click.h"

namespace {

// The index of a decimal identifier "1".."1000000", else -1.
int IndexOfId(const char* id) {
    constexpr long kLargest = 1000000;
    if (id == nullptr || *id == '\0') return -1;
    long value = 0;
    for (const char* c = id; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return -1;
        value = value * 10 + (*c - '0');
        if (value > kLargest) return -1;
    }
    return value >= 1 ? static_cast<int>(value - 1) : -1;
}

}  // namespace

int LV2UIResetClick::ParameterMouseDown(const char* paramId, uint32_t modifiers) {
    if ((modifiers & kHostModifierAlt) == 0 || (modifiers & kHostModifierRightButton) != 0) {
        return 1;
    }
    return Reset(paramId) ? 0 : 1;
}

bool LV2UIResetClick::ParameterDoubleClick(const char* paramId, uint32_t modifiers) {
    if ((modifiers & (kHostModifierAlt | kHostModifierRightButton)) != 0) return false;
    return Reset(paramId);
}

bool LV2UIResetClick::Reset(const char* paramId) {
    const int index = IndexOfId(paramId);
    return index >= 0 && mReset && mReset(index);
}
