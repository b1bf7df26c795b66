#include "editor/graphics_binding.h"

#include <mutex>

#include "editor/graphics.h"

namespace {

class Binding final : public GraphicsBinding {
public:
    void DestroyGraphics(Graphics* graphics) override { delete graphics; }
    void EditorSize(const Graphics& graphics, int& width, int& height,
                    float& scale) const override {
        width = graphics.Width();
        height = graphics.Height();
        scale = graphics.DrawScale();
    }
    void Resize(Graphics& graphics, int width, int height, float scale,
                bool needsPlatformResize) override {
        graphics.Resize(width, height, scale, needsPlatformResize);
    }
    void* OpenPlatformWindow(Graphics& graphics, void* parent) override {
        return graphics.OpenWindow(parent);
    }
    void ClosePlatformWindow(Graphics& graphics) override { graphics.CloseWindow(); }
    void SetScreenScale(Graphics& graphics, float scale) override {
        graphics.SetScreenScale(scale);
    }
    void SendParamValue(Graphics& graphics, int paramIdx, double normalizedValue) override {
        graphics.SetParamValueFromDelegate(paramIdx, normalizedValue);
    }
    void SendControlValue(Graphics& graphics, int ctrlTag, double normalizedValue) override {
        graphics.SetControlValueFromDelegate(ctrlTag, normalizedValue);
    }
    void SetHostViewContainer(Graphics& graphics, HostViewContainer* container) override {
        graphics.SetHostViewContainer(container);
    }
    void SetHostParamHighlight(Graphics& graphics, int paramIdx, bool highlighted,
                               int colourIndex) override {
        graphics.SetHostParamHighlight(paramIdx, highlighted, colourIndex);
    }
    // Keys from the host arrive without a position: the pointer's last one.
    bool OnKeyDown(Graphics& graphics, const KeyPress& key) override {
        return graphics.OnKeyDown(graphics.LastMouseX(), graphics.LastMouseY(), key);
    }
    bool OnKeyUp(Graphics& graphics, const KeyPress& key) override {
        return graphics.OnKeyUp(graphics.LastMouseX(), graphics.LastMouseY(), key);
    }
};

std::mutex& FactoryLock() {
    static std::mutex lock;
    return lock;
}

PlatformGraphicsFactory& Factory() {
    static PlatformGraphicsFactory factory;
    return factory;
}

}  // namespace

void SetPlatformGraphicsFactory(PlatformGraphicsFactory factory) {
    std::lock_guard<std::mutex> guard(FactoryLock());
    Factory() = std::move(factory);
}

Graphics* MakePlatformGraphics(GraphicsEditorDelegate& delegate, int width, int height, int fps,
                               float scale) {
    PlatformGraphicsFactory factory;
    {
        std::lock_guard<std::mutex> guard(FactoryLock());
        factory = Factory();
    }
    return factory ? factory(delegate, width, height, fps, scale) : nullptr;
}

GraphicsBinding& EditorGraphicsBinding() {
    static Binding binding;
    return binding;
}
