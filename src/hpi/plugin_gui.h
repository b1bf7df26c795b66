#pragma once
// The GUI object of one instance (factory procedure 1): it opens the
// plug-in's editor inside the view container the host hands it, closes it
// when the host takes the container away, answers the editor's size and
// passes the host's highlight requests to the editor's controls.
//
// Life: created -> initialised (controller, effect parameters and the
// plug-in object behind them known) -> container set (editor open in the
// host's parent view) -> container withdrawn (editor closed; it remembers its
// size) -> uninitialised -> destroyed. The plug-in object outlives it.
//
// Every call comes on the host's main thread [main], which also runs the
// editor's window and timers.
#include <memory>

#include "editor/platform/editor_window.h"
#include "hpi/hpi_view_container.h"
#include "hpi/sdk/hpi_host_wrappers.h"
#include "hpi/sdk/hpi_plugin_interfaces.h"
#include "hpi/sdk/hpi_unknown.h"

class HPIAdapter;

class HPI_CPluginGUI final : public HPI_TUnknown<HPI_IEffectGUI> {
public:
    HPI_CPluginGUI() = default;

    // [main] Takes the controller, the effect parameters object and the
    // transport of instanceObject, then finds the plug-in behind the effect
    // parameters (CreateViewContents). HPI_ERROR_NOT_INITIALIZED without an
    // instance that offers a controller.
    HPI_Result Initialize(HPI_IUnknown* instanceObject) override;
    // [main] Withdraws a set container (closing the editor), then lets go of
    // the host objects. 0.
    HPI_Result Uninitialize() override;
    // [main] 0, ignored.
    HPI_Result SetViewOptions(uint32_t options) override;
    // [main] Null: DeleteViewContainer. Otherwise the container replaces any
    // earlier one (whose editor closes first), the editor opens in its native
    // parent view (CreateViewContainer) and UpdateAllParameters runs. 0.
    HPI_Result SetViewContainer(HPI_IUnknown* container) override;
    // [main] {editor height, editor width} when the plug-in has an editor,
    // else left as it was; 0. HPI_ERROR_NULL_ARGUMENT for a null point.
    HPI_Result GetViewSize(HPI_SViewPoint* outSize) override;
    // [main] 0, the editor draws itself.
    HPI_Result Draw(float left, float top, float right, float bottom) override;
    // [main] 0, the editor's timers run on the host's run loop.
    HPI_Result TimerWakeup() override;
    // [main] 0, the editor hears of values from the plug-in.
    HPI_Result ParameterUpdated(const char* id) override;
    // [main] HPI_ERROR_NULL_OBJECT: no custom labels.
    HPI_Result GetCustomLabel(const char* id, char* outLabel, int32_t capacity) override;
    // [main] Highlights the controls of parameter id ("1" is Param 0) in an
    // HPI_EHighlightColor; HPI_ERROR_INVALID_PARAMETER_ID while no editor is
    // open, HPI_ERROR_INVALID_ARGUMENT for an unknown identifier or colour.
    HPI_Result SetControlHighlightInfo(const char* id, int32_t isHighlighted,
                                       int32_t color) override;
    // [main] Finds the plug-in object behind the effect parameters. 0.
    HPI_Result CreateViewContents() override;
    // [main] Opens the editor in the container's native parent view (when it
    // gives one and the plug-in has an editor) and hands the editor the
    // container. HPI_ERROR_NULL_OBJECT without a container.
    HPI_Result CreateViewContainer() override;
    // [main] Closes the editor and lets go of the container. 0.
    HPI_Result DeleteViewContainer() override;
    // [main] ParameterUpdated for every parameter's identifier. 0.
    HPI_Result UpdateAllParameters() override;

private:
    ~HPI_CPluginGUI() override;

    std::unique_ptr<HPI_VController> mController;
    HPI_Ref<HPI_IEffectParameters> mParameters;
    std::unique_ptr<HPI_VTransport> mTransport;
    std::unique_ptr<HPIViewContainer> mViewContainer;
    HPIAdapter* mPlugin = nullptr;
    // The editor's window, on the host's run loop and the shared connection.
    std::unique_ptr<EditorWindow> mEditor;
};
