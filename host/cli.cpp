#include "cli.h"

#include <algorithm>
#include <cstdio>

#include "commands/command.h"

namespace hpihost {
namespace {

const char kDescription[] =
    "hpi-host - load an HPI plug-in module and describe it or process audio through it";

const char kFooter[] =
    "Usage:\n"
    "  hpi-host info MODULE [--json]\n"
    "  hpi-host render MODULE IN OUT [options]     (hpi-host render --help for the options)\n"
    "  hpi-host validate MODULE [--seed N] [--strict] [--only CHECKS]   (hpi-host validate "
    "--help)\n"
    "  hpi-host edit MODULE [options]              (hpi-host edit --help for the options)\n"
    "  hpi-host --help\n"
    "\n"
    "info    prints the effect (identifier, names, manufacturer, version, category), each\n"
    "        component (type codes, stem formats, properties by number, render-context fields)\n"
    "        and, from an initialised instance, every parameter (identifier, name, default, "
    "steps).\n"
    "        --json prints the same as one JSON object.\n"
    "render  reads IN (WAV, FLAC, AIFF; mono or stereo picks the component), renders it block by\n"
    "        block on a render thread and writes OUT.\n"
    "validate runs MODULE through the validator's checks (lifecycle, render, parameter fuzz,\n"
    "        state, garbage state, real-time safety, determinism), one line per check.\n"
    "edit    opens the plug-in's editor in a window of its own on the X display and records\n"
    "        what the editor sends the host (--log); the values are printed at the end.\n"
    "\n"
    "Exit codes:\n"
    "   0  success\n"
    "   1  bad command line\n"
    "   2  module file missing\n"
    "   3  not a plug-in module (not a shared object, or HPI entry points missing)\n"
    "   4  registration failed (HPIStartup or HPIRegisterPlugin answered an error code)\n"
    "   5  the plug-in instance could not be created or initialised\n"
    "   6  input file unreadable\n"
    "   7  input channel count not supported by any component\n"
    "   8  unknown parameter\n"
    "   9  a value text the plug-in does not convert, or a value out of range\n"
    "  10  output file unwritable, or the same file as the input\n"
    "  11  state file unreadable or unwritable, or state refused by the plug-in\n"
    "  12  rendering failed\n"
    "  13  validate: a check failed, or the plug-in crashed during one\n"
    "  14  edit: no X display (DISPLAY unset or unreachable)\n"
    "  15  edit: the plug-in offers no editor, or its editor did not open\n"
    "  16  edit: the editor's pixels did not settle for --screenshot\n";

}  // namespace

int HpiHostMain(int argc, char** argv) {
    CLI::App app(kDescription, "hpi-host");
    app.footer(kFooter);
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", std::string("hpi-host ") + TW_HPI_HOST_VERSION,
                         "print the version and exit");
    const std::vector<std::pair<std::string, CommandRun>> commands = {
        {"info", AddInfoCommand(app)},
        {"render", AddRenderCommand(app)},
        {"validate", AddValidateCommand(app)},
        {"edit", AddEditCommand(app)},
    };

    if (argc < 2) {
        std::fputs(app.help().c_str(), stderr);
        return kExitUsage;
    }
    const std::string first = argv[1];
    if (first == "help") {
        std::fputs(app.help().c_str(), stdout);
        return kExitOk;
    }
    const bool known = std::any_of(commands.begin(), commands.end(),
                                   [&](const auto& c) { return c.first == first; });
    if (first[0] != '-' && !known) {
        return Fail(kExitUsage, "unknown command '" + first + "' (see hpi-host --help)");
    }
    if (first[0] == '-' && first != "-h" && first != "--help" && first != "--version") {
        return Fail(kExitUsage, "unknown option '" + first + "' (see hpi-host --help)");
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return kExitOk;
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        return kExitOk;
    } catch (const CLI::ParseError& error) {
        return Fail(kExitUsage, ParseErrorText(error));
    }
    for (const auto& [name, run] : commands) {
        if (app.got_subcommand(name)) {
            return run();
        }
    }
    std::fputs(app.help().c_str(), stdout);
    return kExitOk;
}

}  // namespace hpihost
