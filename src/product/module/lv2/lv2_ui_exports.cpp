// The UI module's one export: the descriptor of Tarnwhistle's X11 UI.
#include <lv2/ui/ui.h>

#include "core/host_guard.h"
#include "lv2/ui/lv2_ui_descriptor.h"
#include "product/module/lv2/lv2_module.h"
#include "product/module/lv2/tarnwhistle_ui.h"

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return GuardHostCall<const LV2UI_Descriptor*>(nullptr, [index] {
        static const LV2UIDescriptor table(LV2ProductIdentity(), &MakeTarnwhistleUI);
        return table.Descriptor(index);
    });
}
