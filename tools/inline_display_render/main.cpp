// tw-inline-display-render: draws the picture Tarnwhistle shows in a host's
// inline display (Ardour's mixer strip) for given parameters and input peak,
// and writes it as a PNG; with --repeat it also times the drawing.
#include <cairo.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/param_table.h"
#include "product/channel_parameters.h"
#include "product/display/strip_display.h"

namespace {

enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,
    kExitUnknownParameter = 8,
    kExitBadValue = 9,
    kExitUnwritable = 10,
    kExitNoPicture = 11,
};

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "tw-inline-display-render: %s\n", message.c_str());
    return code;
}

// The parameter named exactly name, or -1.
int FindParameter(const ParamTable& params, const std::string& name) {
    for (int i = 0; i < params.Count(); ++i) {
        if (name == params.GetParam(i)->Name()) return i;
    }
    return -1;
}

// A display text of the parameter ("80Hz") or a number within its range.
bool ParseValue(const Param& param, const std::string& text, double& value) {
    if (param.MatchDisplayText(text.c_str(), value)) return true;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(number)) return false;
    if (number < param.Min() || number > param.Max()) return false;
    value = number;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string output;
    int width = 240;
    int maxHeight = 240;
    double sampleRate = 48000.0;
    double peakDb = -120.0;
    int repeat = 0;
    std::vector<std::string> sets;

    CLI::App app{
        "Draws Tarnwhistle's inline-display picture (the strip's response curve and the "
        "preamp's drive bar) and writes it as a PNG.\n"
        "Exit codes: 1 bad options, 8 unknown parameter, 9 value that does not convert or is "
        "out of range, 10 unwritable output, 11 no picture at that size."};
    app.add_option("OUT.png", output, "the picture to write")->required();
    app.add_option("--width", width, "the width the host asks for, in pixels (default 240)")
        ->check(CLI::Range(1, StripDisplay::kMaxSide));
    app.add_option("--max-height", maxHeight,
                   "the most rows the host allows (default 240); the picture is half as high "
                   "as wide within that")
        ->check(CLI::Range(1, StripDisplay::kMaxSide));
    app.add_option("--rate", sampleRate, "the sample rate in Hz (default 48000)")
        ->check(CLI::Range(8000.0, 768000.0));
    app.add_option("--peak", peakDb, "the input's peak in dBFS (default -120: silence)")
        ->check(CLI::Range(-200.0, 40.0));
    app.add_option("--set", sets,
                   "NAME=VALUE: a parameter by its exact name, as a number or display text "
                   "(\"High Gain=9\", \"HighPass=80Hz\"); repeatable");
    app.add_option("--repeat", repeat,
                   "draw this many more times and print the mean time per picture")
        ->check(CLI::Range(0, 10000000));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help prints and succeeds; every option mistake is code 1.
        return app.exit(error) == 0 ? kExitOk : kExitUsage;
    }

    ParamTable params(kNumChannelParams);
    DefineChannelParameters(params);
    EngineSettings settings;
    for (int i = 0; i < kNumChannelParams; ++i) ApplyParamChange(i, params, settings);
    for (const std::string& set : sets) {
        const auto equals = set.find('=');
        if (equals == std::string::npos)
            return Fail(kExitUsage, "--set \"" + set + "\" is not NAME=VALUE");
        const std::string name = set.substr(0, equals);
        const int index = FindParameter(params, name);
        if (index < 0) return Fail(kExitUnknownParameter, "no parameter named \"" + name + "\"");
        double value = 0.0;
        Param& param = *params.GetParam(index);
        if (!ParseValue(param, set.substr(equals + 1), value)) {
            return Fail(kExitBadValue,
                        "\"" + set.substr(equals + 1) + "\" is not a value of \"" + name + "\"");
        }
        param.SetValue(value);
        ApplyParamChange(index, params, settings);
    }

    StripDisplayState state;
    state.response = ResponseSettingsOf(settings, sampleRate);
    state.drive = PreampDriveAt(settings, std::pow(10.0, peakDb / 20.0));
    StripDisplay display;
    const StripPicture* picture = display.Render(state, width, maxHeight);
    if (picture == nullptr) return Fail(kExitNoPicture, "no picture at that size");
    if (repeat > 0) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < repeat; ++i) display.Render(state, width, maxHeight);
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        std::printf("%d x %d: %.1f us per picture (%d pictures)\n", picture->width, picture->height,
                    spent.count() / repeat, repeat);
    }

    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        picture->data, CAIRO_FORMAT_ARGB32, picture->width, picture->height, picture->stride);
    const cairo_status_t written = cairo_surface_write_to_png(surface, output.c_str());
    cairo_surface_destroy(surface);
    if (written != CAIRO_STATUS_SUCCESS) {
        return Fail(kExitUnwritable,
                    "cannot write " + output + ": " + cairo_status_to_string(written));
    }
    return kExitOk;
}
