#include "edit_host_objects.h"

#include <cmath>
#include <utility>

namespace hpihost {

GuiInstanceObject::GuiInstanceObject(HPI_IUnknown* instanceObject,
                                     HPI_IEffectParameters* parameters)
    : HostObject("GuiInstanceObject"), mInstanceObject(instanceObject), mParameters(parameters) {}

HPI_Result GuiInstanceObject::QueryInterface(const HPI_IID& iid, void** out) {
    if (out == nullptr) return HPI_ERROR_NULL_ARGUMENT;
    if (iid == HPI_IEffectParameters::kInterfaceID && mParameters != nullptr) {
        mParameters->AddRef();
        *out = mParameters;
        return HPI_SUCCESS;
    }
    if (iid == HPI_IUnknown::kInterfaceID) return HostObject::QueryInterface(iid, out);
    return mInstanceObject->QueryInterface(iid, out);
}

EditViewContainer::EditViewContainer(void* parentView, Handlers handlers)
    : HostObject("EditViewContainer"), mParentView(parentView), mHandlers(std::move(handlers)) {}

void EditViewContainer::Detach() {
    mParentView = nullptr;
    mHandlers = Handlers{};
}

HPI_Result EditViewContainer::QueryInterface(const HPI_IID& iid, void** out) {
    if (out != nullptr && iid == HPI_IViewContainer::kInterfaceID) {
        AddRef();
        *out = static_cast<HPI_IViewContainer*>(static_cast<HPI_IViewContainerV2*>(this));
        return HPI_SUCCESS;
    }
    return HostObject::QueryInterface(iid, out);
}

HPI_Result EditViewContainer::SetViewSize(const HPI_SViewPoint& size) {
    if (!std::isfinite(size.mHorizontal) || !std::isfinite(size.mVertical) ||
        size.mHorizontal < 1.0f || size.mVertical < 1.0f || size.mHorizontal > 32768.0f ||
        size.mVertical > 32768.0f) {
        return HPI_ERROR_INVALID_ARGUMENT;
    }
    if (mParentView == nullptr) return HPI_ERROR_NULL_OBJECT;
    if (mHandlers.mSetSize) {
        mHandlers.mSetSize(static_cast<int>(std::lround(size.mHorizontal)),
                           static_cast<int>(std::lround(size.mVertical)));
    }
    return HPI_SUCCESS;
}

HPI_Result EditViewContainer::GetModifiers(uint32_t* outModifiers) {
    if (outModifiers == nullptr) return HPI_ERROR_NULL_ARGUMENT;
    *outModifiers = mHandlers.mModifiers ? mHandlers.mModifiers() : 0;
    return HPI_SUCCESS;
}

HPI_Result EditViewContainer::HandleParameterMouseDown(const char* id, uint32_t modifiers) {
    if (id == nullptr) return HPI_ERROR_NULL_ARGUMENT;
    return mHandlers.mMouseDown ? mHandlers.mMouseDown(id, modifiers) : HPI_ERROR_UNIMPLEMENTED;
}

}  // namespace hpihost
