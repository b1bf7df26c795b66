#include "core/graphics_editor_delegate.h"

#include <cmath>

#include "core/byte_chunk.h"
#include "core/param.h"

GraphicsEditorDelegate::GraphicsEditorDelegate(const PluginConfig& config)
    : EditorDelegate(config) {}

GraphicsEditorDelegate::~GraphicsEditorDelegate() {
    DestroyGraphics();
}

void* GraphicsEditorDelegate::OpenWindow(void* parent) {
    if (mGraphics == nullptr) BuildGraphics();
    if (mGraphics == nullptr) return nullptr;
    mBinding->SetHostViewContainer(*mGraphics, mHostViewContainer);
    if (mSavedWidth != 0 && mSavedHeight != 0 && mSavedScale != 0.0f) {
        mBinding->Resize(*mGraphics, mSavedWidth, mSavedHeight, mSavedScale, true);
    }
    return mBinding->OpenPlatformWindow(*mGraphics, parent);
}

void GraphicsEditorDelegate::CloseWindow() {
    if (mClosing) return;
    mClosing = true;
    OnEditorClosed();
    if (mGraphics != nullptr) {
        mBinding->EditorSize(*mGraphics, mSavedWidth, mSavedHeight, mSavedScale);
        mBinding->ClosePlatformWindow(*mGraphics);
        DestroyGraphics();
    }
    mClosing = false;
}

void GraphicsEditorDelegate::SetHostViewContainer(HostViewContainer* container) {
    mHostViewContainer = container;
    if (mGraphics != nullptr) mBinding->SetHostViewContainer(*mGraphics, container);
}

bool GraphicsEditorDelegate::SetHostParamHighlight(int paramIdx, bool highlighted,
                                                   int colourIndex) {
    if (mGraphics == nullptr) return false;
    mBinding->SetHostParamHighlight(*mGraphics, paramIdx, highlighted, colourIndex);
    return true;
}

bool GraphicsEditorDelegate::OnKeyDown(const KeyStroke& key) {
    return mGraphics != nullptr && mBinding->OnKeyDown(*mGraphics, key);
}

bool GraphicsEditorDelegate::OnKeyUp(const KeyStroke& key) {
    return mGraphics != nullptr && mBinding->OnKeyUp(*mGraphics, key);
}

void GraphicsEditorDelegate::SendControlValueToEditor(int ctrlTag, double normalizedValue) {
    if (mGraphics != nullptr) mBinding->SendControlValue(*mGraphics, ctrlTag, normalizedValue);
}

void GraphicsEditorDelegate::SendControlMsgToEditor(int ctrlTag, int msgTag, int dataSize,
                                                    const void* data) {
    if (mGraphics != nullptr) mBinding->SendControlMsg(*mGraphics, ctrlTag, msgTag, dataSize, data);
}

void GraphicsEditorDelegate::SendMidiToEditor(const MidiMessage& message) {
    if (mGraphics != nullptr) mBinding->SendMidi(*mGraphics, message);
    EditorDelegate::SendMidiToEditor(message);
}

void GraphicsEditorDelegate::SendParamValueToEditor(int paramIdx, double value, bool isNormalized) {
    const Param* param = GetParam(paramIdx);
    if (mGraphics != nullptr && param != nullptr) {
        mBinding->SendParamValue(*mGraphics, paramIdx, isNormalized ? value : param->ToNorm(value));
    }
    EditorDelegate::SendParamValueToEditor(paramIdx, value, isNormalized);
}

bool GraphicsEditorDelegate::SaveEditorState(ByteChunk& chunk) const {
    int32_t width = mSavedWidth;
    int32_t height = mSavedHeight;
    float scale = mSavedScale;
    if (mGraphics != nullptr) {
        int liveWidth = 0;
        int liveHeight = 0;
        mBinding->EditorSize(*mGraphics, liveWidth, liveHeight, scale);
        width = liveWidth;
        height = liveHeight;
    }
    chunk.Put(&width);
    chunk.Put(&height);
    chunk.Put(&scale);
    return true;
}

int GraphicsEditorDelegate::LoadEditorState(const ByteChunk& chunk, int startPos) {
    int32_t width = 0;
    int32_t height = 0;
    float scale = 0.0f;
    int pos = chunk.Get(&width, startPos);
    pos = chunk.Get(&height, pos);
    pos = chunk.Get(&scale, pos);
    // A scale from outside data that is not a finite number is as good as none.
    if (!std::isfinite(scale)) scale = 0.0f;
    if (mGraphics == nullptr) {
        mSavedWidth = width;
        mSavedHeight = height;
        mSavedScale = scale;
    } else if (width != 0 && height != 0 && scale != 0.0f) {
        mBinding->Resize(*mGraphics, width, height, scale, true);
    }
    return pos;
}

void GraphicsEditorDelegate::SetScreenScale(double scale) {
    if (mGraphics != nullptr) mBinding->SetScreenScale(*mGraphics, static_cast<float>(scale));
}

void GraphicsEditorDelegate::BuildGraphics() {
    if (mGraphics != nullptr || mBinding == nullptr || !mMakeGraphicsFunc) return;
    mGraphics = mMakeGraphicsFunc();
}

void GraphicsEditorDelegate::ApplyLayout(Graphics* graphics) {
    if (mLayoutFunc && graphics != nullptr) mLayoutFunc(graphics);
}

void GraphicsEditorDelegate::DestroyGraphics() {
    Graphics* graphics = mGraphics;
    mGraphics = nullptr;
    if (graphics != nullptr) mBinding->DestroyGraphics(graphics);
}
