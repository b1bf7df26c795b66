// tw-lv2-ttl: writes the LV2 bundle's manifest.ttl, plug-in description and
// factory presets from the product's parameter and preset tables, so the
// bundle always describes the binary built beside it. Run by the build; see
// --help.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "core/param_table.h"
#include "lv2/lv2_turtle.h"
#include "product/channel_parameters.h"
#include "product/module/lv2/lv2_module.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitUnwritable = 2;

const char kHelp[] =
    "Usage: tw-lv2-ttl BUNDLE_DIR\n"
    "\n"
    "Writes BUNDLE_DIR/manifest.ttl, the plug-ins' Turtle description (one plug-in per\n"
    "channel configuration, one control port per parameter, the control and notify atom\n"
    "ports, and the X11 UI) and the factory presets for the LV2 bundle. The folder\n"
    "must exist. A file whose content is already current is left untouched.\n"
    "\n"
    "Exit codes: 0 success, 1 bad command line, 2 a file could not be written.\n";

// Writes text to path unless it already holds exactly that; false on failure.
bool WriteIfChanged(const std::string& path, const std::string& text) {
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            const std::string current((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
            if (current == text) {
                return true;
            }
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "tw-lv2-ttl: error: cannot write '%s': %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (argc != 2 || argv[1][0] == '\0') {
        std::fputs("tw-lv2-ttl: error: needs exactly one BUNDLE_DIR (see --help)\n", stderr);
        return kExitUsage;
    }
    const std::string folder = argv[1];
    const LV2ProductDescription product = LV2ProductIdentity();
    ParamTable params(TarnwhistleConfig().parameterCount);
    DefineChannelParameters(params);

    const std::vector<LV2Preset> presets = LV2FactoryPresets();

    if (!WriteIfChanged(folder + "/manifest.ttl", ManifestTurtle(product, presets)) ||
        !WriteIfChanged(folder + "/" + product.turtleFile, PluginTurtle(product, params)) ||
        !WriteIfChanged(folder + "/" + product.presetFile,
                        PresetTurtle(product, params, presets))) {
        return kExitUnwritable;
    }
    return kExitOk;
}
