// `hpi-host render MODULE IN OUT [options]`: reads IN, renders it through the
// plug-in on a render thread while the main thread services the run loop,
// and writes OUT.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "audio_file.h"
#include "command.h"
#include "parameter_changes.h"
#include "renderer.h"

namespace hpihost {
namespace {

constexpr int32_t kMaxBlockFrames = 65536;

const char kRenderFooter[] =
    "Reads IN with libsndfile (WAV, FLAC, AIFF, ...), picks the component whose input and output\n"
    "have IN's channel count, renders IN through the plug-in's render procedure on a render "
    "thread\n"
    "and writes OUT. The main thread meanwhile runs the host's run loop: the plug-in's timers,\n"
    "packet updates, and the answers to its automation requests.\n"
    "\n"
    "Parameters are found by identifier first, then by exact name; `hpi-host info MODULE` lists\n"
    "them. A progress bar goes to stderr when it is a terminal; a summary (frames, latency, peak\n"
    "and RMS per channel in dBFS, real-time factor) goes to stdout.\n"
    "\n"
    "Exit codes: 0 success, 1 bad command line, 2 module missing, 3 not a plug-in module,\n"
    "4 registration failed, 5 instance failed, 6 input unreadable, 7 unsupported channel count,\n"
    "8 unknown parameter, 9 value text does not convert or is out of range, 10 output unwritable,\n"
    "11 state file or state refused, 12 rendering failed.\n";

struct RenderCommand {
    std::string mModule, mInput, mOutput;
    std::string mBlockText = "512";
    std::string mFormatText = "wav";
    std::string mTailText = "0";
    std::vector<std::string> mSets, mSetNorms, mAutomates;  // as given, per option
    std::string mState, mSaveState;
    bool mBypass = false;
    bool mCompensate = false;
    bool mQuiet = false;
    // From the texts once parsed:
    int32_t mBlock = 512;
    OutputFormat mFormat = OutputFormat::WavFloat;
    double mTailSeconds = 0.0;
    std::vector<ParameterChange> mChanges;     // --set and --set-norm, in the order given
    std::vector<ParameterChange> mAutomation;  // --automate
};

std::string DbText(double db) {
    if (!std::isfinite(db)) {
        return "-inf";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", db);
    return text;
}

struct ProgressBar {
    bool mEnabled = false;
    double mRate = 48000.0;
    void Draw(int64_t done, int64_t total) const {
        if (!mEnabled || total <= 0) {
            return;
        }
        constexpr int kWidth = 30;
        const double fraction =
            std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0);
        const int filled = static_cast<int>(fraction * kWidth);
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(kWidth - filled), '.');
        std::fprintf(stderr, "\r[%s] %3d%%  %.1f / %.1f s", bar.c_str(),
                     static_cast<int>(fraction * 100.0), static_cast<double>(done) / mRate,
                     static_cast<double>(total) / mRate);
        std::fflush(stderr);
    }
    void Clear() const {
        if (mEnabled) {
            std::fprintf(stderr, "\r%60s\r", "");
            std::fflush(stderr);
        }
    }
};

int RunRender(RenderCommand& command) {
    Host host;
    if (const int loaded = LoadModule(host, command.mModule); loaded != kExitOk) {
        return loaded;
    }
    // Everything that talks to the plug-in lives in this scope, so that it is
    // gone before the library closes.
    const int code = [&]() -> int {
        std::string message;
        std::unique_ptr<AudioReader> reader = AudioReader::Open(command.mInput, &message);
        if (!reader) {
            return Fail(kExitInputUnreadable, message);
        }
        const EffectDescription& effect = host.Effect();
        const ComponentDescription* component = effect.ComponentForChannels(reader->Channels());
        if (component == nullptr) {
            std::string supported;
            for (const ComponentDescription& c : effect.mComponents) {
                supported += (supported.empty() ? "" : ", ") + ChannelWord(c.InputChannels());
            }
            return Fail(kExitUnsupportedChannels, "'" + command.mInput + "' has " +
                                                      std::to_string(reader->Channels()) +
                                                      " channels; the plug-in takes " + supported);
        }
        std::vector<unsigned char> state;
        if (!command.mState.empty() && !ReadFile(command.mState, &state)) {
            return Fail(kExitStateFailed, "cannot read the state file '" + command.mState +
                                              "': " + std::strerror(errno));
        }

        const auto rate = static_cast<float>(reader->SampleRate());
        HPI_Result result = HPI_SUCCESS;
        std::unique_ptr<PluginInstance> instance =
            host.CreateInstance(*component, rate, command.mBlock, &message, &result);
        if (!instance) {
            return Fail(kExitInstanceFailed, "cannot create an instance: " + message);
        }
        const std::vector<ParameterInfo> parameters = instance->ListParameters();
        for (ParameterChange& change : command.mChanges) {
            if (const int resolved = ResolveParameterChange(*instance, parameters, change);
                resolved != kExitOk) {
                return resolved;
            }
        }
        for (ParameterChange& change : command.mAutomation) {
            if (const int resolved = ResolveParameterChange(*instance, parameters, change);
                resolved != kExitOk) {
                return resolved;
            }
        }

        // Writing over the file being read would destroy it before it is read.
        std::error_code sameError;
        if (std::filesystem::equivalent(command.mInput, command.mOutput, sameError)) {
            return Fail(kExitOutputUnwritable,
                        "'" + command.mOutput + "' is the input file; choose another OUT");
        }
        std::unique_ptr<AudioWriter> writer = AudioWriter::Create(
            command.mOutput, command.mFormat, reader->Channels(), reader->SampleRate(), &message);
        if (!writer) {
            return Fail(kExitOutputUnwritable, message);
        }

        if (const int applied =
                ApplyStartingSettings(*instance, command.mState, state, command.mChanges);
            applied != kExitOk) {
            return applied;
        }
        if (command.mBypass) {
            result = instance->Update(instance->MasterBypassID(), 1.0);
            if (result != HPI_SUCCESS) {
                return Fail(kExitInstanceFailed,
                            "the plug-in refused the master bypass: " + std::to_string(result) +
                                " " + HPI_ResultName(result));
            }
        }

        instance->Notify(HPI_eNotification_EnterOfflineMode);
        instance->Object().SetPlaying(true);

        RenderOptions options;
        options.mBlockFrames = command.mBlock;
        options.mInputFrames = reader->Frames();
        options.mTailFrames = std::llround(command.mTailSeconds * reader->SampleRate());
        OfflineRenderer renderer(host.RunLoop(), options);
        LevelMeter meter(reader->Channels());
        AudioReader* in = reader.get();
        AudioWriter* out = writer.get();
        RenderTrack track;
        track.mInstance = instance.get();
        track.mCompensate = command.mCompensate;
        track.mRead = [in](float* const* channels, int32_t frames) {
            return in->Read(channels, frames);
        };
        track.mWrite = [out, &meter](const float* const* channels, int32_t frames) {
            meter.Add(channels, frames);
            return out->Write(channels, frames);
        };
        renderer.AddTrack(track);
        PluginInstance* target = instance.get();
        for (const ParameterChange& change : command.mAutomation) {
            if (std::llround(change.mSeconds * reader->SampleRate()) >=
                options.mInputFrames + options.mTailFrames) {
                Warn(change.mOption + " lies at or after the end of the render and is not applied");
            }
            renderer.AddAction(
                TimedAction{std::llround(change.mSeconds * reader->SampleRate()),
                            [target, change] { target->Update(change.mID, change.mValue); }});
        }

        ProgressBar bar;
        bar.mEnabled = !command.mQuiet && isatty(STDERR_FILENO) != 0;
        bar.mRate = reader->SampleRate();
        const RenderResult rendered =
            renderer.Run([&bar](int64_t done, int64_t total) { bar.Draw(done, total); });
        bar.Clear();
        instance->Object().SetPlaying(false);
        instance->Notify(HPI_eNotification_ExitOfflineMode);
        if (!rendered.mOk) {
            return Fail(rendered.mError.find("writing") != std::string::npos ? kExitOutputUnwritable
                                                                             : kExitRenderFailed,
                        rendered.mError + " ('" + command.mOutput + "')");
        }
        if (!writer->Close(&message)) {
            return Fail(kExitOutputUnwritable, message);
        }

        if (const int saved = SaveStateFile(*instance, command.mSaveState); saved != kExitOk) {
            return saved;
        }

        if (!command.mQuiet) {
            const double seconds =
                static_cast<double>(rendered.mFramesWritten) / reader->SampleRate();
            const double renderedSeconds =
                static_cast<double>(rendered.mFramesRendered) / reader->SampleRate();
            const int32_t latency = instance->Object().LatestLatency();
            std::printf("Rendered %s -> %s\n", command.mInput.c_str(), command.mOutput.c_str());
            std::printf("  input       %s, %s, %d Hz, %lld frames\n", reader->FormatText().c_str(),
                        ChannelWord(reader->Channels()).c_str(), reader->SampleRate(),
                        static_cast<long long>(reader->Frames()));
            std::printf("  component   %s\n", FourChar(component->TypeID()).c_str());
            std::printf("  output      %s, %lld frames (%.3f s)\n",
                        OutputFormatName(command.mFormat),
                        static_cast<long long>(rendered.mFramesWritten), seconds);
            if (latency < 0) {
                std::printf("  latency     not reported (0 assumed)\n");
            } else {
                std::printf("  latency     %d samples%s\n", latency,
                            command.mCompensate ? " (compensated)"
                            : latency > 0       ? " (not compensated)"
                                                : "");
            }
            std::printf("  rendering   %lld frames in %lld calls of up to %d frames\n",
                        static_cast<long long>(rendered.mFramesRendered),
                        static_cast<long long>(rendered.mRenderCalls), command.mBlock);
            std::string changed;
            for (const ParameterInfo& p : instance->ListParameters()) {
                if (p.mValueText != p.mDefaultText) {
                    changed += (changed.empty() ? "" : ", ") + p.mName + " " + p.mValueText;
                }
            }
            std::printf("  settings    %s\n", changed.empty() ? "defaults" : changed.c_str());
            std::printf("  levels      channel  peak dBFS  RMS dBFS\n");
            for (int c = 0; c < meter.Channels(); ++c) {
                std::printf("              %7d  %9s  %8s\n", c + 1, DbText(meter.PeakDb(c)).c_str(),
                            DbText(meter.RmsDb(c)).c_str());
            }
            const double factor =
                rendered.mWallSeconds > 0.0 ? renderedSeconds / rendered.mWallSeconds : 0.0;
            std::printf("  speed       %.1fx real time (%.3f s for %.3f s of audio)\n", factor,
                        rendered.mWallSeconds, renderedSeconds);
        }
        return kExitOk;
    }();
    CloseHost(host);
    return code;
}
// The parameter options in the order given: --set and --set-norm apply in
// that order, whichever of the two each is.
void CollectChanges(const CLI::App& render, RenderCommand& command) {
    std::map<std::string, std::size_t> used;
    for (const CLI::Option* option : render.parse_order()) {
        const std::string name = option->get_name();
        const std::vector<std::string>* values = name == "--set"        ? &command.mSets
                                                 : name == "--set-norm" ? &command.mSetNorms
                                                 : name == "--automate" ? &command.mAutomates
                                                                        : nullptr;
        if (values == nullptr || used[name] >= values->size()) {
            continue;
        }
        ParameterChange change = *ParseParameterChange(name, (*values)[used[name]++]);
        (name == "--automate" ? command.mAutomation : command.mChanges).push_back(change);
    }
}

}  // namespace

CommandRun AddRenderCommand(CLI::App& app) {
    auto command = std::make_shared<RenderCommand>();
    RenderCommand& c = *command;
    CLI::App* render = app.add_subcommand("render", "render an audio file through the plug-in");
    render->footer(kRenderFooter);
    render->allow_extras();
    render->add_option("MODULE", c.mModule, "the plug-in module (.so)");
    render->add_option("IN", c.mInput, "the audio file to render");
    render->add_option("OUT", c.mOutput, "the file to write");
    auto wholeBlock = [](const std::string& text) {
        const auto number = ParseNumber(text);
        return number && *number == std::floor(*number) && *number >= 1 &&
               *number <= kMaxBlockFrames;
    };
    AddValueOption(*render, "--block", &c.mBlockText, "frames per render call (default 512)",
                   "a whole number of frames from 1 to 65536", wholeBlock)
        ->type_name("N");
    AddValueOption(
        *render, "--format", &c.mFormatText,
        "output format: wav (32-bit float, default), wav16, wav24, flac (24-bit), flac16, aiff "
        "(24-bit), aiff16",
        std::string("an output format, one of ") + OutputFormatList(),
        [](const std::string& text) {
            OutputFormat format;
            return ParseOutputFormat(text, &format);
        })
        ->type_name("F");
    for (const char* name : {"--set", "--set-norm", "--automate"}) {
        const std::string option = name;
        const std::string form = option == "--set"        ? "NAME_OR_ID=TEXT"
                                 : option == "--set-norm" ? "NAME_OR_ID=N"
                                                          : "NAME_OR_ID=TEXT@SECONDS";
        const char* help =
            option == "--set"
                ? "set a parameter from a text, through the plug-in's own conversion (\"Preamp "
                  "Gain=6\", "
                  "\"Preamp Gain=6 dB\", HighPass=2); a text that fails is tried once more without "
                  "a trailing "
                  "unit. Integer parameters read as numbers. Repeatable, applied in order."
            : option == "--set-norm"
                ? "set a parameter to a normalised value 0..1 (by id or name)"
                : "change a parameter when the render reaches SECONDS (of the render position); "
                  "applied by the "
                  "main thread while the render thread waits at that frame. Repeatable.";
        std::vector<std::string>* target = option == "--set"        ? &c.mSets
                                           : option == "--set-norm" ? &c.mSetNorms
                                                                    : &c.mAutomates;
        AddListOption(*render, option, target, help, form, [option](const std::string& text) {
            return ParseParameterChange(option, text).has_value();
        })->type_name(form);
    }
    AddValueOption(*render, "--state", &c.mState,
                   "restore this state (chunk data) before the --set options", "a state FILE")
        ->type_name("FILE");
    AddValueOption(*render, "--save-state", &c.mSaveState,
                   "write the state after rendering (chunk data, no host header)", "a state FILE")
        ->type_name("FILE");
    render->add_flag(
        "--bypass", c.mBypass,
        "turn the master bypass on (audio passes through, delayed by the plug-in's latency)");
    render->add_flag(
        "--compensate", c.mCompensate,
        "drop the reported latency from the start and render as much longer, so OUT lines up with "
        "IN sample for sample");
    AddValueOption(*render, "--tail", &c.mTailText, "render this much silence after IN (default 0)",
                   "seconds from 0 to 3600",
                   [](const std::string& text) {
                       const auto number = ParseNumber(text);
                       return number && *number >= 0 && *number <= 3600;
                   })
        ->type_name("SECONDS");
    render->add_flag("--quiet", c.mQuiet, "no progress bar and no summary");

    return [command, render] {
        RenderCommand& c = *command;
        if (const std::string extra = ExtraArgumentText(*render, "MODULE IN OUT"); !extra.empty()) {
            return Fail(kExitUsage, extra);
        }
        if (c.mOutput.empty()) {
            return Fail(kExitUsage, "render needs MODULE IN OUT (see hpi-host render --help)");
        }
        c.mBlock = static_cast<int32_t>(*ParseNumber(c.mBlockText));
        ParseOutputFormat(c.mFormatText, &c.mFormat);
        c.mTailSeconds = *ParseNumber(c.mTailText);
        CollectChanges(*render, c);
        return RunRender(c);
    };
}

}  // namespace hpihost
