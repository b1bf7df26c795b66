#pragma once
// The GUI object of one instance (factory procedure 1). It owns nothing and
// opens no editor yet: it accepts the host's instance and view container and
// answers the other calls as an object without an editor would.
//
// Every call comes on the host's main thread [main].
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_unknown.h"

class HPI_CPluginGUI final : public HPI_TUnknown<HPI_IEffectGUI> {
public:
    HPI_CPluginGUI() = default;

    // [main] HPI_ERROR_NOT_INITIALIZED without an instance that offers a controller.
    HPI_Result Initialize(HPI_IUnknown* instanceObject) override;
    // [main]
    HPI_Result Uninitialize() override;                             // 0
    // [main]
    HPI_Result SetViewOptions(uint32_t options) override;           // 0, ignored
    // [main]
    HPI_Result SetViewContainer(HPI_IUnknown* container) override;  // 0, nothing opens
    // [main]
    HPI_Result GetViewSize(HPI_SViewPoint* outSize) override;       // 0, size left unchanged
    // [main]
    HPI_Result Draw(float left, float top, float right, float bottom) override;  // 0
    // [main]
    HPI_Result TimerWakeup() override;                              // 0
    // [main]
    HPI_Result ParameterUpdated(const char* id) override;           // 0
    // [main]
    HPI_Result GetCustomLabel(const char* id, char* outLabel, int32_t capacity) override;  // HPI_ERROR_NULL_OBJECT
    // [main] HPI_ERROR_INVALID_PARAMETER_ID: there is no open editor.
    HPI_Result SetControlHighlightInfo(const char* id, int32_t isHighlighted, int32_t color) override;
    // [main]
    HPI_Result CreateViewContents() override;     // HPI_ERROR_UNIMPLEMENTED
    // [main]
    HPI_Result CreateViewContainer() override;    // HPI_ERROR_UNIMPLEMENTED
    // [main]
    HPI_Result DeleteViewContainer() override;    // 0
    // [main]
    HPI_Result UpdateAllParameters() override;    // 0

private:
    ~HPI_CPluginGUI() override = default;
};
