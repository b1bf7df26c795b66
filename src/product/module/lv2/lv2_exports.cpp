// The module's one export: the descriptor of each plug-in variant.
#include <lv2/core/lv2.h>

#include "lv2/lv2_descriptor_table.h"
#include "product/module/lv2/lv2_module.h"

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    static const LV2DescriptorTable table(LV2ProductIdentity(), &MakeLV2Plug);
    return table.Descriptor(index);
}
