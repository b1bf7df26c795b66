#include "editor/graphics_binding.h"

#include <memory>

#include "editor/graphics.h"

void SceneBinding::DestroyGraphics(Graphics* graphics) {
    delete graphics;
}

void SceneBinding::EditorSize(const Graphics& graphics, int& width, int& height,
                              float& scale) const {
    width = graphics.Width();
    height = graphics.Height();
    scale = graphics.DrawScale();
}

void SceneBinding::Resize(Graphics& graphics, int width, int height, float scale,
                          bool needsPlatformResize) {
    graphics.Resize(width, height, scale, needsPlatformResize);
}

void* SceneBinding::OpenPlatformWindow(Graphics& graphics, void* parent) {
    return graphics.OpenWindow(parent);
}

void SceneBinding::ClosePlatformWindow(Graphics& graphics) {
    graphics.CloseWindow();
}

void SceneBinding::SetScreenScale(Graphics& graphics, float scale) {
    graphics.SetScreenScale(scale);
}

void SceneBinding::SendParamValue(Graphics& graphics, int paramIdx, double normalizedValue) {
    graphics.SetParamValueFromDelegate(paramIdx, normalizedValue);
}

void SceneBinding::SendControlValue(Graphics& graphics, int ctrlTag, double normalizedValue) {
    graphics.SetControlValueFromDelegate(ctrlTag, normalizedValue);
}

void SceneBinding::SetHostViewContainer(Graphics& graphics, HostViewContainer* container) {
    graphics.SetHostViewContainer(container);
}

void SceneBinding::SetHostParamHighlight(Graphics& graphics, int paramIdx, bool highlighted,
                                         int colourIndex) {
    graphics.SetHostParamHighlight(paramIdx, highlighted, colourIndex);
}

bool SceneBinding::OnKeyDown(Graphics& graphics, const KeyStroke& key) {
    return graphics.OnKeyDown(graphics.LastMouseX(), graphics.LastMouseY(), key);
}

bool SceneBinding::OnKeyUp(Graphics& graphics, const KeyStroke& key) {
    return graphics.OnKeyUp(graphics.LastMouseX(), graphics.LastMouseY(), key);
}

void ReplaceScenes(GraphicsEditorDelegate& delegate,
                   std::function<Graphics*(const Graphics& made)> make) {
    delegate.SetMakeGraphicsFunc([first = delegate.MakeGraphics(), make]() -> Graphics* {
        const std::unique_ptr<Graphics> made(first ? first() : nullptr);
        if (made == nullptr) return nullptr;
        Graphics* scene = make(*made);
        if (scene != nullptr) scene->SetResourceTable(made->ResourceTable());
        return scene;
    });
}

SceneBinding& EditorGraphicsBinding() {
    static SceneBinding binding;
    return binding;
}
