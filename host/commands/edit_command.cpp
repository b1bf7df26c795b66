// `hpi-host edit MODULE [options]`: opens the plug-in's editor the way an HPI
// host does (GUI object, view container, the host's own top-level window as
// the native parent view), services the run loop until the user or an
// option ends the session, and records what the editor sends the host.
#include <map>

#include "command.h"
#include "edit_session.h"
#include "parameter_changes.h"

namespace hpihost {
namespace {

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
    "15 no editor (the plug-in offers none, or its window did not appear), 16 the editor did\n"
    "not settle for --screenshot (its pixels kept changing for 20 s).\n"
    "\n"
    "--screenshot takes the part of the window that is on the screen: an editor taller or wider\n"
    "than the display is pictured as far as the display shows it.\n";

const std::map<std::string, int32_t> kHighlightColours = {
    {"yellow", HPI_eHighlightColor_Yellow},
    {"green", HPI_eHighlightColor_Green},
    {"blue", HPI_eHighlightColor_Blue},
    {"red", HPI_eHighlightColor_Red},
};

struct EditCommand {
    std::string mModule;
    std::vector<std::string> mSets, mHighlights;
    std::string mQuitAfterText;
    EditSessionOptions mSession;
};

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
    AddValueOption(*edit, "--state", &c.mSession.mState,
                   "restore this state before the --set options", "a state FILE")
        ->type_name("FILE");
    AddValueOption(*edit, "--save-state", &c.mSession.mSaveState,
                   "write the state when the session ends", "a state FILE")
        ->type_name("FILE");
    AddValueOption(*edit, "--quit-after", &c.mQuitAfterText, "end the session after SECONDS",
                   "seconds from 0 to 86400",
                   [](const std::string& text) {
                       const auto number = ParseNumber(text);
                       return number && *number >= 0 && *number <= 86400;
                   })
        ->type_name("SECONDS");
    AddValueOption(
        *edit, "--screenshot", &c.mSession.mScreenshot,
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
    edit->add_flag("--log", c.mSession.mLog, "print every event the host receives, one per line");

    return [command, edit] {
        EditCommand& c = *command;
        if (const std::string extra = ExtraArgumentText(*edit, "MODULE"); !extra.empty()) {
            return Fail(kExitUsage, extra);
        }
        if (c.mModule.empty())
            return Fail(kExitUsage, "edit needs MODULE (see hpi-host edit --help)");
        if (!c.mQuitAfterText.empty()) c.mSession.mQuitAfter = *ParseNumber(c.mQuitAfterText);
        for (const std::string& text : c.mSets)
            c.mSession.mChanges.push_back(*ParseParameterChange("--set", text));
        for (const std::string& text : c.mHighlights) {
            const std::size_t equals = text.rfind('=');
            c.mSession.mHighlights.emplace_back(text.substr(0, equals),
                                                kHighlightColours.at(text.substr(equals + 1)));
        }
        Host host;
        if (const int loaded = LoadModule(host, c.mModule); loaded != kExitOk) return loaded;
        const int code = RunEditSession(host, c.mSession);
        CloseHost(host);
        return code;
    };
}

}  // namespace hpihost
