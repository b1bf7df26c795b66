#pragma once
// The host's view container as the editor reaches it: the GUI object wraps
// the container the host hands it in one of these, opens the editor in its
// native parent view and attaches it to the editor's graphics context, so
// the editor can ask the host for a size, read the host's modifier keys and
// let the host take a click on a parameter's control.
//
// The editor counts modifiers as Shift 1, Alt 4, Control 8, right button 16;
// the host as HPI_EModifierKey. Both directions are translated here.
#include <cstdint>

#include "core/host_view_container.h"
#include "hpi/sdk/hpi_host_wrappers.h"

class HPIViewContainer final : public HostViewContainer {
public:
    // [main] container may be null or lack the second version.
    explicit HPIViewContainer(HPI_IUnknown* container);

    // [main] The host's window to open the editor in, or null.
    void* NativeParentView() const { return mContainer.GetNativeParentView(); }
    // [main] Tells the host the editor's new size; 0 without a container.
    HPI_Result SetViewSize(int width, int height) const;

    // [ui] The host's modifiers in the editor's bits; 0 when the host cannot say.
    uint32_t HostModifierBits() override;
    // [ui] 0 when the host took the click; HPI_ERROR_UNIMPLEMENTED without
    // the container's second version.
    int ParameterMouseDown(const char* paramId, uint32_t modifiers) override;

    // [any] Editor modifier bits to the host's, and back.
    static uint32_t ToHostModifiers(uint32_t editorBits);
    // [any]
    static uint32_t ToEditorModifiers(uint32_t hostBits);

private:
    HPI_VViewContainer mContainer;
};
