#include "core/editor_delegate.h"

#include <algorithm>

#include "core/trace.h"

namespace {

// A pair given as 0/0 means "not configured" and keeps the defaults.
void SortedLimits(int32_t first, int32_t second, int32_t& min, int32_t& max) {
    if (first == 0 && second == 0) return;
    min = std::min(first, second);
    max = std::max(first, second);
}

}  // namespace

EditorDelegate::EditorDelegate(const PluginConfig& config)
    : mParams(config.parameterCount),
      mEditorWidth(config.editorWidth),
      mEditorHeight(config.editorHeight) {
    SortedLimits(config.editorMinWidth, config.editorMaxWidth, mMinWidth, mMaxWidth);
    SortedLimits(config.editorMinHeight, config.editorMaxHeight, mMinHeight, mMaxHeight);
}

EditorDelegate::~EditorDelegate() = default;

void EditorDelegate::SetEditorSize(int width, int height) {
    mEditorWidth = width;
    mEditorHeight = height;
}

void EditorDelegate::SetEditorSizeLimits(int minWidth, int maxWidth, int minHeight, int maxHeight) {
    mMinWidth = std::min(minWidth, maxWidth);
    mMaxWidth = std::max(minWidth, maxWidth);
    mMinHeight = std::min(minHeight, maxHeight);
    mMaxHeight = std::max(minHeight, maxHeight);
}

void* EditorDelegate::OpenWindow(void* /*parent*/) {
    OnEditorOpened();
    return nullptr;
}

void EditorDelegate::CloseWindow() {
    OnEditorClosed();
}

void EditorDelegate::OnParentWindowResize(int /*width*/, int /*height*/) {}

void EditorDelegate::OnEditorOpened() {
    SendCurrentValuesToEditor();
}

void EditorDelegate::OnEditorClosed() {}

void EditorDelegate::OnParamChange(int /*paramIdx*/) {}

void EditorDelegate::OnParamChange(int paramIdx, ParamSource source, int /*sampleOffset*/) {
    Trace("idx:%i src:%s\n", paramIdx, ParamSourceName(source));
    OnParamChange(paramIdx);
}

void EditorDelegate::OnParamChangeInEditor(int /*paramIdx*/, ParamSource /*source*/) {}

void EditorDelegate::NotifyAllParamsChanged(ParamSource source) {
    for (int i = 0; i < NParams(); ++i) {
        OnParamChange(i, source, -1);
        OnParamChangeInEditor(i, source);
    }
}

void EditorDelegate::OnMidiInEditor(const MidiMessage& /*message*/) {}

void EditorDelegate::OnSysExInEditor(const SysExMessage& /*message*/) {}

bool EditorDelegate::OnMessage(int /*msgTag*/, int /*ctrlTag*/, int /*dataSize*/,
                               const void* /*data*/) {
    return false;
}

void EditorDelegate::NotifyEditorStateRestored() {
    SendCurrentValuesToEditor();
}

bool EditorDelegate::OnKeyDown(const KeyStroke& /*key*/) {
    return false;
}

bool EditorDelegate::OnKeyUp(const KeyStroke& /*key*/) {
    return false;
}

void EditorDelegate::SendControlValueToEditor(int /*ctrlTag*/, double /*normalizedValue*/) {}

void EditorDelegate::SendControlMsgToEditor(int ctrlTag, int msgTag, int dataSize,
                                            const void* data) {
    OnMessage(msgTag, ctrlTag, dataSize, data);
}

void EditorDelegate::SendArbitraryMsgToEditor(int msgTag, int dataSize, const void* data) {
    OnMessage(msgTag, -1, dataSize, data);
}

void EditorDelegate::SendMidiToEditor(const MidiMessage& message) {
    OnMidiInEditor(message);
}

void EditorDelegate::SendSysExToEditor(const SysExMessage& message) {
    OnSysExInEditor(message);
}

void EditorDelegate::SendParamValueToEditor(int paramIdx, double /*value*/, bool /*isNormalized*/) {
    OnParamChangeInEditor(paramIdx, ParamSource::EditorDelegate);
}

void EditorDelegate::PushAllValuesToHost() {}

void EditorDelegate::SendUIParamValue(int paramIdx, double normalizedValue) {
    Param* param = GetParam(paramIdx);
    if (param == nullptr) return;
    param->SetNorm(normalizedValue);
    OnParamChangeInEditor(paramIdx, ParamSource::UI);
}

bool EditorDelegate::NegotiateEditorSize(int /*width*/, int /*height*/,
                                         bool /*needsWindowResize*/) {
    return false;
}

void EditorDelegate::SendUIMidi(const MidiMessage& /*message*/) {}

void EditorDelegate::SendUISysEx(const SysExMessage& /*message*/) {}

void EditorDelegate::SendUIMessage(int /*msgTag*/, int /*ctrlTag*/, int /*dataSize*/,
                                   const void* /*data*/) {}

void EditorDelegate::QueueUIMidi(const MidiMessage& /*message*/) {}

void EditorDelegate::QueueUISysEx(const SysExMessage& /*message*/) {}

bool EditorDelegate::SaveEditorState(ByteChunk& /*chunk*/) const {
    return true;
}

int EditorDelegate::LoadEditorState(const ByteChunk& /*chunk*/, int startPos) {
    return startPos;
}

void EditorDelegate::SetScreenScale(double /*scale*/) {}

void EditorDelegate::SendCurrentValuesToEditor() {
    for (int i = 0; i < NParams(); ++i) SendParamValueToEditor(i, GetParam(i)->GetNorm(), true);
}
