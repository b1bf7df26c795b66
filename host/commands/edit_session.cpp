#include "edit_session.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "command_support.h"
#include "edit_host_objects.h"
#include "edit_window.h"

namespace hpihost {
namespace {

constexpr float kSampleRate = 48000.0f;
constexpr int32_t kBlockFrames = 512;
constexpr int kWaitMs = 20;
// How long the editor has to put its window into the host's, and to settle
// before a screenshot.
constexpr double kOpenTimeoutSeconds = 10.0;
constexpr double kSettleTimeoutSeconds = 20.0;
constexpr int kStableCaptures = 3;
constexpr auto kCapturePeriod = std::chrono::milliseconds(100);

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void LogLine(bool enabled, const std::string& line) {
    if (!enabled) return;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string Normalised(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

volatile std::sig_atomic_t gSignalled = 0;

void OnSignal(int) {
    gSignalled = 1;
}

// SIGINT and SIGTERM end the session instead of the process while it lives.
class SignalScope {
public:
    SignalScope() {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &mOldInt);
        sigaction(SIGTERM, &action, &mOldTerm);
        gSignalled = 0;
    }
    ~SignalScope() {
        sigaction(SIGINT, &mOldInt, nullptr);
        sigaction(SIGTERM, &mOldTerm, nullptr);
    }
    SignalScope(const SignalScope&) = delete;
    SignalScope& operator=(const SignalScope&) = delete;

private:
    struct sigaction mOldInt {};
    struct sigaction mOldTerm {};
};

// The instance with the state and the --set values applied, and the
// highlights' parameters found.
int PrepareInstance(Host& host, EditSessionOptions& options,
                    std::unique_ptr<PluginInstance>* instance,
                    std::vector<std::pair<std::string, int32_t>>* highlights) {
    const EffectDescription& effect = host.Effect();
    const ComponentDescription* component = effect.ComponentForChannels(2);
    if (component == nullptr) component = &effect.mComponents.front();
    std::vector<unsigned char> state;
    if (!options.mState.empty() && !ReadFile(options.mState, &state)) {
        return Fail(kExitStateFailed,
                    "cannot read the state file '" + options.mState + "': " + std::strerror(errno));
    }
    std::string message;
    HPI_Result result = HPI_SUCCESS;
    *instance = host.CreateInstance(*component, kSampleRate, kBlockFrames, &message, &result);
    if (!*instance) return Fail(kExitInstanceFailed, "cannot create an instance: " + message);
    PluginInstance& plugin = **instance;
    const std::vector<ParameterInfo> parameters = plugin.ListParameters();
    for (ParameterChange& change : options.mChanges) {
        if (const int resolved = ResolveParameterChange(plugin, parameters, change);
            resolved != kExitOk) {
            return resolved;
        }
    }
    for (const auto& [target, colour] : options.mHighlights) {
        const auto found = plugin.FindParameter(target);
        if (!found)
            return Fail(kExitUnknownParameter, "--highlight names no parameter: '" + target + "'");
        highlights->emplace_back(*found, colour);
    }
    if (const int applied = ApplyStartingSettings(plugin, options.mState, state, options.mChanges);
        applied != kExitOk) {
        return applied;
    }
    plugin.AnswerRequests();
    return kExitOk;
}

// The GUI object, initialised with the instance as it sees it.
int MakeGui(const EffectDescription& effect, PluginInstance& instance, HPI_Ref<HPI_IEffectGUI>* gui,
            HPI_Ref<GuiInstanceObject>* guiInstance) {
    const HPI_FactoryProc makeGui = effect.FactoryProc(HPI_eFactoryProc_EffectGUI);
    if (makeGui == nullptr) {
        return Fail(kExitNoEditor, "the plug-in registers no GUI object (factory procedure 1)");
    }
    {
        HPI_Ref<HPI_IUnknown> made = HPI_Ref<HPI_IUnknown>::Adopt(makeGui());
        *gui = HPI_Ref<HPI_IEffectGUI>::Query(made.Get());
    }
    if (!*gui) return Fail(kExitNoEditor, "the plug-in's GUI object offers no HPI_IEffectGUI");
    *guiInstance = HPI_Ref<GuiInstanceObject>::Adopt(
        new GuiInstanceObject(instance.Object().AsUnknown(), instance.Parameters()));
    const HPI_Result result = (*gui)->Initialize((*guiInstance)->AsUnknown());
    if (result != HPI_SUCCESS) {
        gui->Reset();
        return Fail(kExitNoEditor, "the GUI object refused to initialise: " +
                                       std::to_string(result) + " " + HPI_ResultName(result));
    }
    return kExitOk;
}

// The editor inside the host's window: the window, the view container whose
// handlers reach it and the plug-in, and the run loop's watch of the X
// connection. Close takes the container back from the plug-in and cuts it
// off from the window before anything goes.
class EditorInWindow {
public:
    EditorInWindow(HostRunLoop& loop, PluginInstance& plugin, bool log)
        : mLoop(loop), mPlugin(plugin), mLog(log) {}
    ~EditorInWindow() {
        if (mContainer) mContainer->Detach();
        if (mWatching) mLoop.Remove(mWatch);
    }
    EditorInWindow(const EditorInWindow&) = delete;
    EditorInWindow& operator=(const EditorInWindow&) = delete;

    // [main] Opens the window at the editor's size and hands the GUI object
    // the container; an exit code.
    int Open(HPI_IEffectGUI& gui, const std::string& title) {
        HPI_SViewPoint size{0.0f, 0.0f};
        gui.GetViewSize(&size);
        const int width = size.mHorizontal >= 1.0f ? static_cast<int>(size.mHorizontal) : 400;
        const int height = size.mVertical >= 1.0f ? static_cast<int>(size.mVertical) : 300;
        std::string message;
        mWindow = EditWindow::Open(title, width, height, &message);
        if (!mWindow) return Fail(kExitNoDisplay, message);
        mContainer = HPI_Ref<EditViewContainer>::Adopt(
            new EditViewContainer(mWindow->NativeView(), Handlers()));
        EditWindow* window = mWindow.get();
        mWatch = mLoop.AddDescriptor(window->ConnectionFd(), HPI_eFileDescriptorEvent_Readable,
                                     [window](int, uint32_t) { window->Pump(); });
        mWatching = true;
        gui.SetViewContainer(mContainer->AsUnknown());
        return kExitOk;
    }

    // [main]
    EditWindow& Window() const { return *mWindow; }

    // [main] Takes the container back. A plug-in that keeps a reference
    // after letting go is reported: the container it keeps no longer reaches
    // the window, which goes next.
    void Close(HPI_IEffectGUI& gui) {
        if (!mContainer) return;
        gui.SetViewContainer(nullptr);
        const uint32_t kept = mContainer->ReferenceCount() - 1;
        if (kept > 0) {
            Warn("the editor keeps " + std::to_string(kept) +
                 " reference(s) to the view container after SetViewContainer(nullptr); the host "
                 "cut the container off from its window");
        }
        mContainer->Detach();
        mContainer.Reset();
        mLoop.Remove(mWatch);
        mWatching = false;
    }

private:
    EditViewContainer::Handlers Handlers() {
        EditViewContainer::Handlers handlers;
        EditWindow* window = mWindow.get();
        PluginInstance* plugin = &mPlugin;
        const bool log = mLog;
        handlers.mSetSize = [window, log](int w, int h) {
            LogLine(log, "size " + std::to_string(w) + "x" + std::to_string(h));
            window->Resize(w, h);
        };
        handlers.mModifiers = [window] { return window->Modifiers(); };
        handlers.mMouseDown = [plugin, log](const std::string& id, uint32_t modifiers) {
            if ((modifiers & HPI_eModifierKey_Alt) == 0) return HPI_ERROR_UNIMPLEMENTED;
            for (const ParameterInfo& p : plugin->ListParameters()) {
                if (p.mID == id) {
                    LogLine(log, "reset " + id + " " + Normalised(p.mDefault));
                    plugin->Update(id, p.mDefault);
                    return HPI_SUCCESS;
                }
            }
            return HPI_ERROR_INVALID_PARAMETER_ID;
        };
        return handlers;
    }

    HostRunLoop& mLoop;
    PluginInstance& mPlugin;
    const bool mLog;
    std::unique_ptr<EditWindow> mWindow;
    HPI_Ref<EditViewContainer> mContainer;
    HostRunLoop::Token mWatch = 0;
    bool mWatching = false;
};

// Prints the automation the editor sent since the last call.
class AutomationLog {
public:
    explicit AutomationLog(bool enabled) : mEnabled(enabled) {}
    // [main]
    void PrintNew(const PluginInstance& instance) {
        const std::vector<AutomationRecord> records = instance.Object().AutomationLog();
        for (; mPrinted < records.size(); ++mPrinted) {
            const AutomationRecord& r = records[mPrinted];
            if (r.mKind == AutomationRecord::Kind::Touch) LogLine(mEnabled, "touch " + r.mID);
            if (r.mKind == AutomationRecord::Kind::SetValueRequest) {
                LogLine(mEnabled, "value " + r.mID + " " + Normalised(r.mValue));
            }
            if (r.mKind == AutomationRecord::Kind::Release) LogLine(mEnabled, "release " + r.mID);
        }
    }

private:
    bool mEnabled;
    std::size_t mPrinted = 0;
};

// Captures the window until the editor has drawn and settled (the same
// pixels several captures in a row), then writes the picture.
class SettledScreenshot {
public:
    static constexpr int kWaiting = -1;

    explicit SettledScreenshot(std::string path) : mPath(std::move(path)) {}
    // [main] kWaiting, else the session's exit code.
    int Step(const EditWindow& window, Clock::time_point start) {
        if (Clock::now() - mLastCaptureAt < kCapturePeriod) return kWaiting;
        mLastCaptureAt = Clock::now();
        int width = 0;
        int height = 0;
        std::string rgb;
        if (window.Capture(&width, &height, &rgb)) {
            mStableCaptures = rgb == mLastCapture ? mStableCaptures + 1 : 0;
            mLastCapture = std::move(rgb);
            if (mStableCaptures >= kStableCaptures) {
                std::string message;
                if (!WritePng(mPath, width, height, mLastCapture, &message)) {
                    return Fail(kExitOutputUnwritable, message);
                }
                return kExitOk;
            }
        }
        if (SecondsSince(start) >= kSettleTimeoutSeconds) {
            return Fail(kExitEditorNotSettled,
                        "the editor did not settle for a screenshot within " +
                            std::to_string(static_cast<int>(kSettleTimeoutSeconds)) + " s");
        }
        return kWaiting;
    }

private:
    std::string mPath;
    std::string mLastCapture;
    int mStableCaptures = 0;
    Clock::time_point mLastCaptureAt{};
};

// Services the run loop until the user or an option ends the session; the
// session's exit code.
int ServiceSession(HostRunLoop& loop, const PluginInstance& instance, EditWindow& window,
                   const EditSessionOptions& options) {
    const SignalScope signals;
    const Clock::time_point start = Clock::now();
    AutomationLog log(options.mLog);
    SettledScreenshot screenshot(options.mScreenshot);
    bool opened = false;
    while (true) {
        loop.RunOnce(kWaitMs);
        window.Pump();
        log.PrintNew(instance);
        opened = opened || window.HasChild();
        if (window.CloseRequested() || gSignalled != 0) return kExitOk;
        if (options.mQuitAfter >= 0.0 && SecondsSince(start) >= options.mQuitAfter) return kExitOk;
        if (!opened && SecondsSince(start) >= kOpenTimeoutSeconds) {
            return Fail(kExitNoEditor, "the editor put no window into the host's window");
        }
        if (opened && !options.mScreenshot.empty()) {
            if (const int shot = screenshot.Step(window, start);
                shot != SettledScreenshot::kWaiting) {
                return shot;
            }
        }
    }
}

void PrintParameters(const PluginInstance& instance) {
    std::printf("Parameters:\n");
    for (const ParameterInfo& p : instance.ListParameters()) {
        std::printf("  %-3s %-20s %-14s %s\n", p.mID.empty() ? "\"\"" : p.mID.c_str(),
                    p.mName.c_str(), p.mValueText.c_str(), Normalised(p.mValue).c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int RunEditSession(Host& host, EditSessionOptions& options) {
    const EffectDescription& effect = host.Effect();
    if (effect.FactoryProc(HPI_eFactoryProc_EffectGUI) == nullptr) {
        return Fail(kExitNoEditor, "the plug-in registers no GUI object (factory procedure 1)");
    }
    std::unique_ptr<PluginInstance> instance;
    std::vector<std::pair<std::string, int32_t>> highlights;
    if (const int prepared = PrepareInstance(host, options, &instance, &highlights);
        prepared != kExitOk) {
        return prepared;
    }
    HPI_Ref<HPI_IEffectGUI> gui;
    HPI_Ref<GuiInstanceObject> guiInstance;
    if (const int made = MakeGui(effect, *instance, &gui, &guiInstance); made != kExitOk) {
        return made;
    }

    int code = kExitOk;
    {
        EditorInWindow editor(host.RunLoop(), *instance, options.mLog);
        const std::string title = effect.mNames.empty() ? effect.mID : effect.mNames.front();
        code = editor.Open(*gui.Get(), title);
        if (code == kExitOk) {
            for (const auto& [id, colour] : highlights) {
                const HPI_Result result = gui->SetControlHighlightInfo(id.c_str(), 1, colour);
                if (result != HPI_SUCCESS) {
                    Warn("the editor refused to highlight parameter " + id + ": " +
                         std::to_string(result));
                }
            }
            code = ServiceSession(host.RunLoop(), *instance, editor.Window(), options);
            editor.Close(*gui.Get());
        }
        gui->Uninitialize();
        gui.Reset();
        guiInstance.Reset();
    }
    instance->AnswerRequests();
    if (code == kExitNoDisplay) return code;

    if (const int saved = SaveStateFile(*instance, options.mSaveState); saved != kExitOk) {
        return saved;
    }
    PrintParameters(*instance);
    return code;
}

}  // namespace hpihost
