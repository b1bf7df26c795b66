#pragma once
// The host objects `hpi-host edit` hands a plug-in's GUI object: the
// instance as the GUI sees it (the instance object's controller, automation
// and transport, plus the instance's effect parameters) and the view
// container (a native parent view, the editor's size requests, the host's
// modifier keys and the parameter clicks the host takes).
#include <cstdint>
#include <functional>
#include <string>

#include "host_object.h"
#include "hpi/sdk/hpi_host_interfaces.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"

namespace hpihost {

class GuiInstanceObject final : public HostObject<HPI_IUnknown> {
public:
    // [main] Both must outlive the object.
    GuiInstanceObject(HPI_IUnknown* instanceObject, HPI_IEffectParameters* parameters);
    // [any] The effect parameters, else what the instance object answers.
    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override;

private:
    HPI_IUnknown* mInstanceObject;
    HPI_IEffectParameters* mParameters;
};

class EditViewContainer final : public HostObject<HPI_IViewContainerV2> {
public:
    // What the container asks of the session; each may be empty.
    struct Handlers {
        std::function<void(int width, int height)> mSetSize;
        std::function<uint32_t()> mModifiers;
        // 0 when the host took the click.
        std::function<HPI_Result(const std::string& id, uint32_t modifiers)> mMouseDown;
    };

    // [main]
    EditViewContainer(void* parentView, Handlers handlers);

    // [main] Cuts the container off from the session: it drops its handlers
    // and answers from then on as a container without a window (no parent
    // view, size requests refused, no modifiers, no click taken), so a
    // plug-in that keeps it never reaches a window that is gone.
    void Detach();

    // [any] Both versions of the container.
    HPI_Result QueryInterface(const HPI_IID& iid, void** out) override;
    // [main]
    void* GetNativeParentView() override { return mParentView; }
    // [main] Sizes that are not finite and positive are refused, and every
    // size once detached.
    HPI_Result SetViewSize(const HPI_SViewPoint& size) override;
    // [main]
    HPI_Result GetModifiers(uint32_t* outModifiers) override;
    // [main]
    HPI_Result HandleParameterMouseDown(const char* id, uint32_t modifiers) override;

private:
    void* mParentView;
    Handlers mHandlers;
};

}  // namespace hpihost
