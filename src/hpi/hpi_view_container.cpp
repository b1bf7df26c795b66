#include "hpi/hpi_view_container.h"

namespace {

struct BitPair {
    uint32_t editor;
    uint32_t host;
};
constexpr BitPair kModifierBits[] = {
    {kHostModifierShift, HPI_eModifierKey_Shift},
    {kHostModifierAlt, HPI_eModifierKey_Alt},
    {kHostModifierControl, HPI_eModifierKey_Control},
    {kHostModifierRightButton, HPI_eModifierKey_RightButton},
};

}  // namespace

HPIViewContainer::HPIViewContainer(HPI_IUnknown* container) : mContainer(container) {}

HPI_Result HPIViewContainer::SetViewSize(int width, int height) const {
    return mContainer.SetViewSize(
        HPI_SViewPoint{static_cast<float>(height), static_cast<float>(width)});
}

uint32_t HPIViewContainer::HostModifierBits() {
    uint32_t hostBits = 0;
    if (mContainer.GetModifiers(&hostBits) != HPI_SUCCESS) return 0;
    return ToEditorModifiers(hostBits);
}

int HPIViewContainer::ParameterMouseDown(const char* paramId, uint32_t modifiers) {
    return mContainer.HandleParameterMouseDown(paramId, ToHostModifiers(modifiers));
}

uint32_t HPIViewContainer::ToHostModifiers(uint32_t editorBits) {
    uint32_t bits = 0;
    for (const BitPair& pair : kModifierBits) {
        if ((editorBits & pair.editor) != 0) bits |= pair.host;
    }
    return bits;
}

uint32_t HPIViewContainer::ToEditorModifiers(uint32_t hostBits) {
    uint32_t bits = 0;
    for (const BitPair& pair : kModifierBits) {
        if ((hostBits & pair.host) != 0) bits |= pair.editor;
    }
    return bits;
}
