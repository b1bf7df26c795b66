#include "core/plugin_api_base.h"

#include <ctime>

#include "core/host_identity.h"
#include "core/param.h"
#include "core/trace.h"

namespace {

// "%Y%m%d %H:%M " and the offset from UTC as "+hhmm", for the start-up trace.
void LocalTimeStamp(TextBuf& out) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return;
    char text[32] = {};
    std::strftime(text, sizeof(text), "%Y%m%d %H:%M ", &local);
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    out.SetFormatted(kUnlimitedChars, "%s%c%02ld%02ld", text, offsetMinutes < 0 ? '-' : '+', magnitude / 60,
                     magnitude % 60);
}

}  // namespace

void FormatPackedVersion(int32_t packed, TextBuf& out) {
    out.SetFormatted(kMaxVersionTextChars, "v%d.%d.%d", packed >> 16, (packed >> 8) & 0xFF, packed & 0xFF);
}

int32_t DecimalVersion(int32_t packed) {
    return (packed >> 16) * 10000 + ((packed >> 8) & 0xFF) * 100 + (packed & 0xFF);
}

PluginAPIBase::PluginAPIBase(const PluginConfig& config, int32_t apiCode) : PluginBase(config) {
    mApiCode = apiCode;
    TextBuf stamp;
    LocalTimeStamp(stamp);
    Trace("%s:%s", PluginName(), stamp.Get());
}

PluginAPIBase::~PluginAPIBase() { StopIdleTimer(); }

bool PluginAPIBase::HostSupportsEditorResize() const { return false; }
bool PluginAPIBase::HostSupportsSidechain() const { return false; }
void PluginAPIBase::OnHostKnown() {}
void PluginAPIBase::OnActivate(bool /*active*/) {}
void PluginAPIBase::OnTransportChanged() {}
void PluginAPIBase::OnTrackColorChanged() {}
void PluginAPIBase::OnHostSelectionChanged() {}
Graphics* PluginAPIBase::ViewInterface() { return GetGraphics(); }
void PluginAPIBase::OnIdle() {}
void PluginAPIBase::OnHelpRequested() {}
void PluginAPIBase::TrackName(TextBuf& /*out*/) {}
void PluginAPIBase::OnTrackNumberChanged() {}
void PluginAPIBase::OnHostRestart() {}
void PluginAPIBase::OnPresetListChanged() {}

void PluginAPIBase::PostParamToEditor(int paramIdx, double value, bool isNormalized) {
    const Param* param = GetParam(paramIdx);
    if (param == nullptr) return;
    if (isNormalized) value = param->FromNorm(value);
    mParamUpdatesForEditor.Push(ParamUpdate{paramIdx, value});
}

void PluginAPIBase::PrepareForHost() {}
bool PluginAPIBase::RequestEditorSize(int /*width*/, int /*height*/) { return false; }
void PluginAPIBase::NotifyHostParamBegin(int /*paramIdx*/) {}
void PluginAPIBase::NotifyHostParamEnd(int /*paramIdx*/) {}
void PluginAPIBase::NotifyHostParamValue(int /*paramIdx*/, double /*normalizedValue*/) {}
void PluginAPIBase::OnContextMenuRequested(int /*paramIdx*/) {}
void PluginAPIBase::OnProcessingModeChanged() {}

void PluginAPIBase::PushAllValuesToHost() {
    for (int i = 0; i < NParams(); ++i) NotifyHostParamValue(i, GetParam(i)->GetNorm());
}

void PluginAPIBase::BeginUIParamGesture(int paramIdx) { NotifyHostParamBegin(paramIdx); }

void PluginAPIBase::SendUIParamValue(int paramIdx, double normalizedValue) {
    Param* param = GetParam(paramIdx);
    if (param == nullptr) return;
    param->SetNorm(normalizedValue);
    NotifyHostParamValue(paramIdx, normalizedValue);
    // The engine follows the drag at once, without waiting for the host's echo.
    OnParamChange(paramIdx, ParamSource::UI, -1);
    PluginBase::SendUIParamValue(paramIdx, normalizedValue);
}

void PluginAPIBase::EndUIParamGesture(int paramIdx) { NotifyHostParamEnd(paramIdx); }

bool PluginAPIBase::NegotiateEditorSize(int width, int height, bool needsWindowResize) {
    return needsWindowResize ? RequestEditorSize(width, height) : true;
}

void PluginAPIBase::SendUIMidi(const MidiMessage& message) { QueueUIMidi(message); }

void PluginAPIBase::SendUISysEx(const SysExMessage& message) { QueueUISysEx(message); }

void PluginAPIBase::SendUIMessage(int msgTag, int ctrlTag, int dataSize, const void* data) {
    OnMessage(msgTag, ctrlTag, dataSize, data);
}

void PluginAPIBase::QueueUIMidi(const MidiMessage& message) { mMidiFromEditor.Push(message); }

void PluginAPIBase::QueueUISysEx(const SysExMessage& message) {
    SysExRecord record;
    record.Assign(message);
    mSysExFromEditor.Push(record);
}

bool PluginAPIBase::PopMidiFromEditor(MidiMessage& out) { return mMidiFromEditor.Pop(out); }

bool PluginAPIBase::PopSysExFromEditor(SysExRecord& out) { return mSysExFromEditor.Pop(out); }

bool PluginAPIBase::PostMidiToEditor(const MidiMessage& message) { return mMidiForEditor.Push(message); }

bool PluginAPIBase::PostSysExToEditor(const SysExMessage& message) {
    SysExRecord record;
    record.Assign(message);
    return mSysExForEditor.Push(record);
}

void PluginAPIBase::SetHost(const char* name, int version) {
    if (name == nullptr) name = "";
    mHostType = HostCodeOfName(name);
    mHostVersion = version;
    TextBuf versionText;
    HostVersionText(versionText);
    Trace("host_%sknown:%s:%s", mHostType == kHostUnknown ? "un" : "", name, versionText.Get());
    PrepareForHost();
    OnHostKnown();
}

int32_t PluginAPIBase::HostVersion(bool asDecimal) const {
    return asDecimal ? DecimalVersion(mHostVersion) : mHostVersion;
}

void PluginAPIBase::HostVersionText(TextBuf& out) const { FormatPackedVersion(mHostVersion, out); }

int32_t PluginAPIBase::PluginVersion(bool asDecimal) const {
    return asDecimal ? DecimalVersion(mPluginVersion) : mPluginVersion;
}

void PluginAPIBase::PluginVersionText(TextBuf& out) const { FormatPackedVersion(mPluginVersion, out); }

const char* PluginAPIBase::ApiName() const {
    static constexpr const char* kNames[] = {"VST2", "VST3", "AU", "AUv3", "HPI", "APP", "WAM", "WEB", "LV2", "CLAP"};
    if (mApiCode < 0 || mApiCode >= static_cast<int32_t>(std::size(kNames))) return "";
    return kNames[mApiCode];
}

const char* PluginAPIBase::ArchName() {
#if defined(__x86_64__) || defined(_M_X64)
    return "x86-64";
#elif defined(__aarch64__) || defined(_M_ARM64)
    return "arm64";
#else
    return "unknown";
#endif
}

void PluginAPIBase::BuildInfo(TextBuf& out, const char* date, const char* time) const {
    TextBuf version;
    PluginVersionText(version);
    out.SetFormatted(kMaxBuildInfoChars, "%s %s (%s), built on %s at %.5s ", version.Get(), ApiName(), ArchName(),
                     date != nullptr ? date : "", time != nullptr ? time : "");
}

void PluginAPIBase::CreateIdleTimer() {
    mIdleTimer = Timer::Create([this](Timer&) { IdleTick(); }, kIdleTimerPeriodMs);
}

void PluginAPIBase::StopIdleTimer() {
    if (mIdleTimer) mIdleTimer->Stop();
}

void PluginAPIBase::IdleTick() {
    if (HasEditor()) {
        // Bounded by what is waiting now, so a busy producer cannot hold the tick.
        for (std::size_t n = mParamUpdatesForEditor.Available(); n > 0; --n) {
            ParamUpdate update;
            if (!mParamUpdatesForEditor.Pop(update)) break;
            SendParamValueToEditor(update.paramIdx, update.value, false);
        }
        for (std::size_t n = mMidiForEditor.Available(); n > 0; --n) {
            MidiMessage message;
            if (!mMidiForEditor.Pop(message)) break;
            SendMidiToEditor(message);
        }
        for (std::size_t n = mSysExForEditor.Available(); n > 0; --n) {
            SysExRecord record;
            if (!mSysExForEditor.Pop(record)) break;
            SendSysExToEditor(record.View());
        }
    }
    OnIdle();
}
