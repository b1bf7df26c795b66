// `hpi-host edit MODULE [options]`: opens the plug-in's editor the way an HPI
// host does (GUI object, view container, the host's own top-level window as
// the native parent view), services the run loop until the user or an
// option ends the session, and records what the editor sends the host.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "command.h"
#include "edit_host_objects.h"
#include "edit_window.h"
#include "parameter_changes.h"

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

const char kEditFooter[] =
    "Creates the plug-in's GUI object as an HPI host does and hands it a view container whose\n"
    "native parent view is a top-level X11 window of the host's own (titled with the effect's\n"
    "name, WM_CLASS \"hpi-host\"), resized whenever the editor asks. The host's run loop runs the\n"
    "plug-in's timers and watches the X connection.\n"
    "\n"
    "The session ends, closing the editor cleanly, on the window manager's close, Ctrl+Q (also\n"
    "while the editor has the focus), SIGINT or SIGTERM, --quit-after or --screenshot. It then\n"
    "prints every parameter's value as the host sees it.\n"
    "\n"
    "Alt+click on a parameter's control resets the parameter to its default: the editor offers\n"
    "the click to the host, which takes it.\n"
    "\n"
    "--log prints one line per event the host receives: 'touch ID', 'value ID NORMALISED',\n"
    "'release ID', 'size WIDTHxHEIGHT', 'reset ID NORMALISED'.\n"
    "\n"
    "Exit codes: 0 success, 1 bad command line, 2 module missing, 3 not a plug-in module,\n"
    "4 registration failed, 5 instance failed, 8 unknown parameter, 9 value text does not\n"
    "convert, 10 screenshot unwritable, 11 state file or state refused, 14 no X display,\n"
    "15 no editor (the plug-in offers none, or its window did not appear).\n";

const std::map<std::string, int32_t> kHighlightColours = {
    {"yellow", HPI_eHighlightColor_Yellow},
    {"green", HPI_eHighlightColor_Green},
    {"blue", HPI_eHighlightColor_Blue},
    {"red", HPI_eHighlightColor_Red},
};

struct EditCommand {
    std::string mModule;
    std::vector<std::string> mSets, mHighlights;
    std::string mState, mSaveState, mScreenshot;
    std::string mQuitAfterText;
    bool mLog = false;
    double mQuitAfter = -1.0;
    std::vector<ParameterChange> mChanges;
};

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

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The part of the session that talks to the plug-in; everything in it is
// gone before the library closes.
int RunSession(Host& host, EditCommand& command) {
    const EffectDescription& effect = host.Effect();
    const HPI_FactoryProc makeGui = effect.FactoryProc(HPI_eFactoryProc_EffectGUI);
    if (makeGui == nullptr) {
        return Fail(kExitNoEditor, "the plug-in registers no GUI object (factory procedure 1)");
    }
    const ComponentDescription* component = effect.ComponentForChannels(2);
    if (component == nullptr) component = &effect.mComponents.front();

    std::vector<unsigned char> state;
    if (!command.mState.empty() && !ReadFile(command.mState, &state)) {
        return Fail(kExitStateFailed,
                    "cannot read the state file '" + command.mState + "': " + std::strerror(errno));
    }
    std::string message;
    HPI_Result result = HPI_SUCCESS;
    std::unique_ptr<PluginInstance> instance =
        host.CreateInstance(*component, kSampleRate, kBlockFrames, &message, &result);
    if (!instance) return Fail(kExitInstanceFailed, "cannot create an instance: " + message);
    const std::vector<ParameterInfo> parameters = instance->ListParameters();
    for (ParameterChange& change : command.mChanges) {
        if (const int resolved = ResolveParameterChange(*instance, parameters, change);
            resolved != kExitOk) {
            return resolved;
        }
    }
    std::vector<std::pair<std::string, int32_t>> highlights;
    for (const std::string& text : command.mHighlights) {
        const std::size_t equals = text.rfind('=');
        const auto found = instance->FindParameter(text.substr(0, equals));
        if (!found) {
            return Fail(kExitUnknownParameter,
                        "--highlight names no parameter: '" + text.substr(0, equals) + "'");
        }
        highlights.emplace_back(*found, kHighlightColours.at(text.substr(equals + 1)));
    }
    if (const int applied =
            ApplyStartingSettings(*instance, command.mState, state, command.mChanges);
        applied != kExitOk) {
        return applied;
    }
    instance->AnswerRequests();

    // The GUI object, initialised with the instance as it sees it.
    HPI_Ref<HPI_IEffectGUI> gui;
    {
        HPI_Ref<HPI_IUnknown> made = HPI_Ref<HPI_IUnknown>::Adopt(makeGui());
        gui = HPI_Ref<HPI_IEffectGUI>::Query(made.Get());
    }
    if (!gui) return Fail(kExitNoEditor, "the plug-in's GUI object offers no HPI_IEffectGUI");
    HPI_Ref<GuiInstanceObject> guiInstance = HPI_Ref<GuiInstanceObject>::Adopt(
        new GuiInstanceObject(instance->Object().AsUnknown(), instance->Parameters()));
    result = gui->Initialize(guiInstance->AsUnknown());
    if (result != HPI_SUCCESS) {
        return Fail(kExitNoEditor, "the GUI object refused to initialise: " +
                                       std::to_string(result) + " " + HPI_ResultName(result));
    }
    HPI_SViewPoint size{0.0f, 0.0f};
    gui->GetViewSize(&size);
    const int width = size.mHorizontal >= 1.0f ? static_cast<int>(size.mHorizontal) : 400;
    const int height = size.mVertical >= 1.0f ? static_cast<int>(size.mVertical) : 300;

    const std::string title = effect.mNames.empty() ? effect.mID : effect.mNames.front();
    std::unique_ptr<EditWindow> window = EditWindow::Open(title, width, height, &message);
    if (!window) {
        gui->Uninitialize();
        return Fail(kExitNoDisplay, message);
    }
    EditWindow& win = *window;
    const bool log = command.mLog;
    PluginInstance& plugin = *instance;
    EditViewContainer::Handlers handlers;
    handlers.mSetSize = [&win, log](int w, int h) {
        LogLine(log, "size " + std::to_string(w) + "x" + std::to_string(h));
        win.Resize(w, h);
    };
    handlers.mModifiers = [&win] { return win.Modifiers(); };
    handlers.mMouseDown = [&plugin, log](const std::string& id, uint32_t modifiers) -> HPI_Result {
        if ((modifiers & HPI_eModifierKey_Alt) == 0) return HPI_ERROR_UNIMPLEMENTED;
        for (const ParameterInfo& p : plugin.ListParameters()) {
            if (p.mID == id) {
                LogLine(log, "reset " + id + " " + Normalised(p.mDefault));
                plugin.Update(id, p.mDefault);
                return HPI_SUCCESS;
            }
        }
        return HPI_ERROR_INVALID_PARAMETER_ID;
    };
    HPI_Ref<EditViewContainer> container =
        HPI_Ref<EditViewContainer>::Adopt(new EditViewContainer(win.NativeView(), handlers));

    HostRunLoop& loop = host.RunLoop();
    const HostRunLoop::Token watch =
        loop.AddDescriptor(win.ConnectionFd(), HPI_eFileDescriptorEvent_Readable,
                           [&win](int, uint32_t) { win.Pump(); });
    SignalScope signals;
    gui->SetViewContainer(container->AsUnknown());
    for (const auto& [id, colour] : highlights) {
        result = gui->SetControlHighlightInfo(id.c_str(), 1, colour);
        if (result != HPI_SUCCESS) {
            Warn("the editor refused to highlight parameter " + id + ": " + std::to_string(result));
        }
    }

    // The session.
    int code = kExitOk;
    const Clock::time_point start = Clock::now();
    std::size_t logged = 0;
    std::string lastCapture;
    int stableCaptures = 0;
    Clock::time_point lastCaptureAt = start;
    bool opened = false;
    while (true) {
        loop.RunOnce(kWaitMs);
        win.Pump();
        const std::vector<AutomationRecord> records = instance->Object().AutomationLog();
        for (; logged < records.size(); ++logged) {
            const AutomationRecord& r = records[logged];
            if (r.mKind == AutomationRecord::Kind::Touch) LogLine(log, "touch " + r.mID);
            if (r.mKind == AutomationRecord::Kind::SetValueRequest) {
                LogLine(log, "value " + r.mID + " " + Normalised(r.mValue));
            }
            if (r.mKind == AutomationRecord::Kind::Release) LogLine(log, "release " + r.mID);
        }
        opened = opened || win.HasChild();
        if (win.CloseRequested() || gSignalled != 0) break;
        if (command.mQuitAfter >= 0.0 && SecondsSince(start) >= command.mQuitAfter) break;
        if (!opened && SecondsSince(start) >= kOpenTimeoutSeconds) {
            code = Fail(kExitNoEditor, "the editor put no window into the host's window");
            break;
        }
        if (opened && !command.mScreenshot.empty() &&
            Clock::now() - lastCaptureAt >= std::chrono::milliseconds(100)) {
            // Drawn and settled: the same pixels several times in a row.
            lastCaptureAt = Clock::now();
            int w = 0;
            int h = 0;
            std::string rgb;
            if (win.Capture(&w, &h, &rgb)) {
                stableCaptures = rgb == lastCapture ? stableCaptures + 1 : 0;
                lastCapture = std::move(rgb);
                if (stableCaptures >= kStableCaptures) {
                    if (!WritePng(command.mScreenshot, w, h, lastCapture, &message)) {
                        code = Fail(kExitOutputUnwritable, message);
                    }
                    break;
                }
            }
            if (SecondsSince(start) >= kSettleTimeoutSeconds) {
                code = Fail(kExitOutputUnwritable, "the editor did not settle for a screenshot");
                break;
            }
        }
    }

    gui->SetViewContainer(nullptr);
    gui->Uninitialize();
    gui.Reset();
    container.Reset();
    guiInstance.Reset();
    loop.Remove(watch);
    window.reset();
    instance->AnswerRequests();

    if (const int saved = SaveStateFile(*instance, command.mSaveState); saved != kExitOk) {
        return saved;
    }
    std::printf("Parameters:\n");
    for (const ParameterInfo& p : instance->ListParameters()) {
        std::printf("  %-3s %-20s %-14s %s\n", p.mID.empty() ? "\"\"" : p.mID.c_str(),
                    p.mName.c_str(), p.mValueText.c_str(), Normalised(p.mValue).c_str());
    }
    std::fflush(stdout);
    return code;
}

}  // namespace

CommandRun AddEditCommand(CLI::App& app) {
    auto command = std::make_shared<EditCommand>();
    EditCommand& c = *command;
    CLI::App* edit = app.add_subcommand("edit", "open the plug-in's editor in a window of its own");
    edit->footer(kEditFooter);
    edit->allow_extras();
    edit->add_option("MODULE", c.mModule, "the plug-in module (.so)");
    AddListOption(
        *edit, "--set", &c.mSets,
        "set a parameter from a text before the editor opens (as render has it); "
        "repeatable",
        "NAME_OR_ID=TEXT",
        [](const std::string& text) { return ParseParameterChange("--set", text).has_value(); })
        ->type_name("NAME_OR_ID=TEXT");
    AddValueOption(*edit, "--state", &c.mState, "restore this state before the --set options",
                   "a state FILE")
        ->type_name("FILE");
    AddValueOption(*edit, "--save-state", &c.mSaveState, "write the state when the session ends",
                   "a state FILE")
        ->type_name("FILE");
    AddValueOption(*edit, "--quit-after", &c.mQuitAfterText, "end the session after SECONDS",
                   "seconds from 0 to 86400",
                   [](const std::string& text) {
                       const auto number = ParseNumber(text);
                       return number && *number >= 0 && *number <= 86400;
                   })
        ->type_name("SECONDS");
    AddValueOption(
        *edit, "--screenshot", &c.mScreenshot,
        "once the editor has drawn and settled, write the window's pixels as PNG and end",
        "a PNG file")
        ->type_name("PNG");
    AddListOption(*edit, "--highlight", &c.mHighlights,
                  "ask the editor to highlight a parameter's controls; repeatable",
                  "NAME_OR_ID=yellow|green|blue|red",
                  [](const std::string& text) {
                      const std::size_t equals = text.rfind('=');
                      return equals != std::string::npos && equals > 0 &&
                             kHighlightColours.count(text.substr(equals + 1)) == 1;
                  })
        ->type_name("NAME_OR_ID=COLOUR");
    edit->add_flag("--log", c.mLog, "print every event the host receives, one per line");

    return [command, edit] {
        EditCommand& c = *command;
        if (const std::string extra = ExtraArgumentText(*edit, "MODULE"); !extra.empty()) {
            return Fail(kExitUsage, extra);
        }
        if (c.mModule.empty())
            return Fail(kExitUsage, "edit needs MODULE (see hpi-host edit --help)");
        if (!c.mQuitAfterText.empty()) c.mQuitAfter = *ParseNumber(c.mQuitAfterText);
        for (const std::string& text : c.mSets)
            c.mChanges.push_back(*ParseParameterChange("--set", text));
        Host host;
        if (const int loaded = LoadModule(host, c.mModule); loaded != kExitOk) return loaded;
        const int code = RunSession(host, c);
        CloseHost(host);
        return code;
    };
}

}  // namespace hpihost
