#include "lv2/ui/lv2_ui_adapter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/param.h"
#include "editor/graphics.h"

LV2UIAdapter::LV2UIAdapter(const PluginConfig& config)
    : GraphicsEditorDelegate(config),
      mLoop(MonotonicMs()),
      mWindow(*this),
      mResetClick([this](int paramIdx) { return ResetToDefault(paramIdx); }) {}

LV2UIAdapter::~LV2UIAdapter() {
    Close();
}

int64_t LV2UIAdapter::MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void* LV2UIAdapter::Open(const LV2UIHostLink& link, const LV2UIFeatures& features) {
    mLink = link;
    mFeatures = features;
    mTouching.assign(static_cast<std::size_t>(std::max(0, NParams())), 0);
    // Patch messages only once open: the sizes the editor takes while
    // opening are no choice of the user's.
    mPatchReady = false;
    const bool patchReady =
        mLink.write != nullptr && MapPatchURIDs(mFeatures.map, mLink.editorSizeURI.c_str(), mUrids);
    mOptions = {};
    mShownOrHidden = false;
    if (MapOptionURIDs(mFeatures.map, mOptionUrids)) mOptions.Set(mOptionUrids, mFeatures.options);
    EditorWindowSettings settings;
    settings.parent = mFeatures.parent;
    settings.loop = &mLoop;
    settings.hostScale = mOptions.scaleFactor;
    settings.title = mOptions.windowTitle.empty() ? mLink.pluginName : mOptions.windowTitle;
    settings.showAtOpen = mFeatures.parent != nullptr;
    // Embedded, the host's shortcuts matter more than keys for an editor
    // that uses none; GTK hosts would not hear keys the editor passes on.
    settings.leaveKeysToHost = mFeatures.parent != nullptr;
    if (mFeatures.resize != nullptr) {
        settings.askHostSize = [resize = mFeatures.resize](int width, int height) {
            return resize->ui_resize(resize->handle, width, height) == 0;
        };
    }
    SetHostViewContainer(&mResetClick);
    void* view = mWindow.Open(settings);
    const Graphics* graphics = GetGraphics();
    if (view == nullptr || graphics == nullptr) return nullptr;
    mKnownSize = {graphics->Width(), graphics->Height(), graphics->DrawScale()};
    mPatchReady = patchReady;
    if (mPatchReady) {
        unsigned char message[kEditorSizeGetBytes];
        const uint32_t bytes = WriteEditorSizeGet(mUrids, message, sizeof message);
        WritePort(static_cast<uint32_t>(mLink.layout.EventInputPort()), bytes,
                  mUrids.atomEventTransfer, message);
    }
    return view;
}

void LV2UIAdapter::Close() {
    for (std::size_t i = 0; i < mTouching.size(); ++i) {
        if (mTouching[i] != 0) EndUIParamGesture(static_cast<int>(i));
    }
    mWindow.Close();
}

void LV2UIAdapter::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (buffer == nullptr) return;
    const LV2PortLayout& layout = mLink.layout;
    if (format == 0) {
        if (size < sizeof(float) || layout.KindOf(port) != LV2PortKind::kControlInput) return;
        float value = 0.0f;
        std::memcpy(&value, buffer, sizeof value);
        Param* param = GetParam(static_cast<int>(port));
        if (param == nullptr || std::isnan(value)) return;
        param->SetValue(value);
        SendParamValueToEditor(static_cast<int>(port), param->GetValue(), false);
        return;
    }
    if (!mPatchReady || format != mUrids.atomEventTransfer ||
        port != static_cast<uint32_t>(layout.EventOutputPort())) {
        return;
    }
    EditorSizeMessage message;
    if (ReadEditorSizeMessage(mUrids, static_cast<const LV2_Atom*>(buffer), size, message) ==
        LV2PatchKind::kSetEditorSize) {
        ApplyEditorSize(message);
    }
}

int LV2UIAdapter::Idle() {
    // A host without ui:parent that never shows the window itself shows it this way.
    if (!mShownOrHidden && mFeatures.parent == nullptr) ShowWindow();
    mLoop.RunDue(MonotonicMs());
    // The window manager closed our own top-level window: the host stops
    // idling and cleans up.
    return mWindow.CloseRequested() ? 1 : 0;
}

int LV2UIAdapter::ShowWindow() {
    if (!mWindow.IsOpen()) return 1;
    mShownOrHidden = true;
    mWindow.ShowWindow();
    return 0;
}

int LV2UIAdapter::HideWindow() {
    if (!mWindow.IsOpen()) return 1;
    mShownOrHidden = true;
    mWindow.HideWindow();
    return 0;
}

uint32_t LV2UIAdapter::SetOptions(const LV2_Options_Option* options) {
    const uint32_t status = mOptions.Set(mOptionUrids, options);
    ApplyHostOptions();
    return status;
}

uint32_t LV2UIAdapter::GetOptions(LV2_Options_Option* options) const {
    return mOptions.Get(mOptionUrids, options);
}

void LV2UIAdapter::ApplyHostOptions() {
    mWindow.SetHostScale(mOptions.scaleFactor);
    if (!mOptions.windowTitle.empty()) mWindow.SetTitle(mOptions.windowTitle);
}

int LV2UIAdapter::HostResize(int width, int height) {
    return mWindow.HostResize(width, height) ? 0 : 1;
}

void LV2UIAdapter::BeginUIParamGesture(int paramIdx) {
    if (paramIdx < 0 || static_cast<std::size_t>(paramIdx) >= mTouching.size()) return;
    mTouching[static_cast<std::size_t>(paramIdx)] = 1;
    if (mFeatures.touch != nullptr) {
        mFeatures.touch->touch(mFeatures.touch->handle, static_cast<uint32_t>(paramIdx), true);
    }
}

void LV2UIAdapter::EndUIParamGesture(int paramIdx) {
    if (paramIdx < 0 || static_cast<std::size_t>(paramIdx) >= mTouching.size()) return;
    mTouching[static_cast<std::size_t>(paramIdx)] = 0;
    if (mFeatures.touch != nullptr) {
        mFeatures.touch->touch(mFeatures.touch->handle, static_cast<uint32_t>(paramIdx), false);
    }
}

void LV2UIAdapter::SendUIParamValue(int paramIdx, double normalizedValue) {
    const Param* param = GetParam(paramIdx);
    if (param == nullptr) return;
    GraphicsEditorDelegate::SendUIParamValue(paramIdx, normalizedValue);
    const auto value = static_cast<float>(param->GetValue());
    WritePort(static_cast<uint32_t>(paramIdx), sizeof value, 0, &value);
}

bool LV2UIAdapter::NegotiateEditorSize(int, int, bool needsWindowResize) {
    SendEditorSize();
    // The host's ui:resize is the window's to ask (settings.askHostSize).
    return !needsWindowResize;
}

bool LV2UIAdapter::ResetToDefault(int paramIdx) {
    const Param* param = GetParam(paramIdx);
    if (param == nullptr) return false;
    BeginUIParamGesture(paramIdx);
    SendUIParamValue(paramIdx, param->ToNorm(param->Default()));
    // The click never reached the control: it hears of the value as from a host.
    SendParamValueToEditor(paramIdx, param->GetValue(), false);
    EndUIParamGesture(paramIdx);
    return true;
}

void LV2UIAdapter::WritePort(uint32_t port, uint32_t size, uint32_t format, const void* data) {
    if (mLink.write == nullptr || size == 0) return;
    if (mLink.trace && format == 0 && size == sizeof(float)) {
        float value = 0.0f;
        std::memcpy(&value, data, sizeof value);
        std::fprintf(stderr, "tarnwhistle ui: writes port %u value %g\n", port,
                     static_cast<double>(value));
    }
    mLink.write(mLink.controller, port, size, format, data);
}

bool LV2UIAdapter::KnownSizeIs(const EditorSizeMessage& size) const {
    return size.width == mKnownSize.width && size.height == mKnownSize.height &&
           size.scale == mKnownSize.scale;
}

void LV2UIAdapter::SendEditorSize() {
    const Graphics* graphics = GetGraphics();
    if (!mPatchReady || mApplyingPluginSize || graphics == nullptr) return;
    const EditorSizeMessage size{graphics->Width(), graphics->Height(), graphics->DrawScale()};
    if (KnownSizeIs(size)) return;
    mKnownSize = size;
    unsigned char message[kEditorSizeSetBytes];
    const uint32_t bytes = WriteEditorSizeSet(mUrids, size, message, sizeof message);
    WritePort(static_cast<uint32_t>(mLink.layout.EventInputPort()), bytes, mUrids.atomEventTransfer,
              message);
}

void LV2UIAdapter::ApplyEditorSize(const EditorSizeMessage& size) {
    Graphics* graphics = GetGraphics();
    // The user's drag wins: it sends the size it makes.
    if (graphics == nullptr || graphics->ResizingInProgress()) return;
    mApplyingPluginSize = true;
    graphics->Resize(size.width, size.height, size.scale, true);
    mApplyingPluginSize = false;
    // As the editor's limits made it.
    mKnownSize = {graphics->Width(), graphics->Height(), graphics->DrawScale()};
}
