#include "hpi/plugin_gui.h"

#include "core/run_loop.h"
#include "hpi/hpi_adapter.h"
#include "hpi/hpi_guarded_faces.h"

namespace {

// The editor's highlight colours: 0 yellow, 1 green, 2 blue, 3 red.
int EditorColourIndex(int32_t hostColour) {
    switch (hostColour) {
        case HPI_eHighlightColor_Yellow:
            return 0;
        case HPI_eHighlightColor_Green:
            return 1;
        case HPI_eHighlightColor_Blue:
            return 2;
        case HPI_eHighlightColor_Red:
            return 3;
        default:
            return -1;
    }
}

}  // namespace

HPI_CPluginGUI::~HPI_CPluginGUI() {
    Uninitialize();
}

HPI_Result HPI_CPluginGUI::Initialize(HPI_IUnknown* instanceObject) {
    if (instanceObject == nullptr || !HPI_VController(instanceObject).IsValid()) {
        return HPI_ERROR_NOT_INITIALIZED;
    }
    mController = std::make_unique<HPI_VController>(instanceObject);
    mParameters = HPI_Ref<HPI_IEffectParameters>::Query(instanceObject);
    mTransport = std::make_unique<HPI_VTransport>(instanceObject);
    return CreateViewContents();
}

HPI_Result HPI_CPluginGUI::Uninitialize() {
    if (mViewContainer != nullptr) SetViewContainer(nullptr);
    // Before the plug-in object may go: the handle gives its delegate back.
    mEditor.reset();
    mPlugin = nullptr;
    mParameters.Reset();
    mController.reset();
    mTransport.reset();
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::SetViewOptions(uint32_t) {
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::SetViewContainer(HPI_IUnknown* container) {
    if (container == nullptr) return DeleteViewContainer();
    auto wrapper = std::make_unique<HPIViewContainer>(container);
    // An editor open in an earlier container closes before it moves.
    if (mViewContainer != nullptr) DeleteViewContainer();
    mViewContainer = std::move(wrapper);
    CreateViewContainer();
    UpdateAllParameters();
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::GetViewSize(HPI_SViewPoint* outSize) {
    if (outSize == nullptr) return HPI_ERROR_NULL_ARGUMENT;
    if (mPlugin != nullptr && mPlugin->HasEditor()) {
        outSize->mVertical = static_cast<float>(mPlugin->EditorHeight());
        outSize->mHorizontal = static_cast<float>(mPlugin->EditorWidth());
    }
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::Draw(float, float, float, float) {
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::TimerWakeup() {
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::ParameterUpdated(const char*) {
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::GetCustomLabel(const char*, char* outLabel, int32_t capacity) {
    if (outLabel != nullptr && capacity > 0) {
        outLabel[0] = '\0';
    }
    return HPI_ERROR_NULL_OBJECT;
}

HPI_Result HPI_CPluginGUI::SetControlHighlightInfo(const char* id, int32_t isHighlighted,
                                                   int32_t color) {
    if (mPlugin == nullptr || mPlugin->GetGraphics() == nullptr)
        return HPI_ERROR_INVALID_PARAMETER_ID;
    const int paramIdx = id != nullptr ? mPlugin->ParamIndexOfIdentifier(id) : -1;
    const int colourIndex = EditorColourIndex(color);
    if (paramIdx < 0 || colourIndex < 0) return HPI_ERROR_INVALID_ARGUMENT;
    mPlugin->SetHostParamHighlight(paramIdx, isHighlighted != 0, colourIndex);
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::CreateViewContents() {
    HPI_IEffectParameters* parameters = mParameters.Get();
    if (const auto* face = dynamic_cast<HPI_CGuardedEffectParameters*>(parameters)) {
        parameters = face->Inner();
    }
    mPlugin = dynamic_cast<HPIAdapter*>(parameters);
    mEditor.reset();
    if (mPlugin != nullptr) mEditor = std::make_unique<EditorWindow>(*mPlugin);
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::CreateViewContainer() {
    if (mViewContainer == nullptr) return HPI_ERROR_NULL_OBJECT;
    if (mPlugin == nullptr) return HPI_SUCCESS;
    // Attached first, so sizes the editor settles while opening reach the host.
    mPlugin->AttachViewContainer(mViewContainer.get());
    void* parent = mViewContainer->NativeParentView();
    if (parent != nullptr && mPlugin->HasEditor()) {
        EditorWindowSettings settings;
        settings.parent = parent;
        // The host's run loop, installed for the process by the run-loop bridge.
        settings.loop = &ProcessRunLoop();
        settings.title = mPlugin->PluginName();
        mEditor->Open(settings);
    }
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::DeleteViewContainer() {
    if (mPlugin != nullptr) {
        mEditor->Close();
        mPlugin->AttachViewContainer(nullptr);
    }
    mViewContainer.reset();
    return HPI_SUCCESS;
}

HPI_Result HPI_CPluginGUI::UpdateAllParameters() {
    if (!mParameters) return HPI_SUCCESS;
    int32_t count = 0;
    if (mParameters->GetNumberOfParameters(&count) != HPI_SUCCESS) return HPI_SUCCESS;
    char id[32];
    for (int32_t i = 0; i < count; ++i) {
        if (mParameters->GetParameterIDFromIndex(i, id, sizeof id) == HPI_SUCCESS)
            ParameterUpdated(id);
    }
    return HPI_SUCCESS;
}
