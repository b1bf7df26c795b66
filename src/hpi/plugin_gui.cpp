#include "hpi/plugin_gui.h"

#include "hpi/sdk/hpi_host_wrappers.h"

HPI_Result HPI_CPluginGUI::Initialize(HPI_IUnknown* instanceObject) {
    const HPI_VController controller(instanceObject);
    return controller.IsValid() ? HPI_SUCCESS : HPI_ERROR_NOT_INITIALIZED;
}

HPI_Result HPI_CPluginGUI::Uninitialize() { return HPI_SUCCESS; }

HPI_Result HPI_CPluginGUI::SetViewOptions(uint32_t) { return HPI_SUCCESS; }

HPI_Result HPI_CPluginGUI::SetViewContainer(HPI_IUnknown*) { return HPI_SUCCESS; }

HPI_Result HPI_CPluginGUI::GetViewSize(HPI_SViewPoint* outSize) {
    return outSize != nullptr ? HPI_SUCCESS : HPI_ERROR_NULL_ARGUMENT;
}

HPI_Result HPI_CPluginGUI::Draw(float, float, float, float) { return HPI_SUCCESS; }

HPI_Result HPI_CPluginGUI::TimerWakeup() { return HPI_SUCCESS; }

HPI_Result HPI_CPluginGUI::ParameterUpdated(const char*) { return HPI_SUCCESS; }

HPI_Result HPI_CPluginGUI::GetCustomLabel(const char*, char* outLabel, int32_t capacity) {
    if (outLabel != nullptr && capacity > 0) {
        outLabel[0] = '\0';
    }
    return HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_CPluginGUI::SetControlHighlightInfo(const char*, int32_t, int32_t) {
    return HPI_ERROR_INVALID_PARAMETER_ID;
}

HPI_Result HPI_CPluginGUI::CreateViewContents() { return HPI_ERROR_UNIMPLEMENTED; }

HPI_Result HPI_CPluginGUI::CreateViewContainer() { return HPI_ERROR_UNIMPLEMENTED; }

HPI_Result HPI_CPluginGUI::DeleteViewContainer() { return HPI_SUCCESS; }

HPI_Result HPI_CPluginGUI::UpdateAllParameters() { return HPI_SUCCESS; }
