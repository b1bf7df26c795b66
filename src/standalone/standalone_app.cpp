#include "standalone/standalone_app.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "core/param.h"
#include "core/run_loop.h"
#include "standalone/jack_client.h"
#include "standalone/nsm_client.h"
#include "standalone/param_text.h"
#include "standalone/poll_run_loop.h"

namespace {

constexpr int kHousekeepingPeriodMs = 20;
// How long the session manager may take to open a session after the announcement.
constexpr int kSessionOpenTimeoutMs = 10000;
constexpr const char* kStateExtension = ".tarnwhistle";

std::atomic<bool> gQuit{false};
PollRunLoop* gLoop = nullptr;

void OnQuitSignal(int) {
    gQuit.store(true);
    if (gLoop != nullptr) gLoop->Wake();
}

struct Options {
    int channels = 2;
    std::string name;
    std::vector<std::string> sets;
    std::string preset;
    std::string statePath;
    bool connect = false;
    bool noGui = false;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

int Fail(const StandaloneProduct& product, int code, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", product.programName.c_str(), message.c_str());
    return code;
}

void PrintHelp(const StandaloneProduct& product, const StandaloneAdapter& adapter) {
    const char* name = product.programName.c_str();
    std::printf(
        // One line, so help2man takes all of it as the synopsis.
        "Usage: %s [--mono|--stereo] [--name CLIENT] [--set NAME=VALUE]... [--preset NAME] "
        "[--state FILE] "
        "[--connect] [--no-gui] [--version] [--help]\n"
        "%s on its own: the channel strip as a JACK client, with ports in_1/out_1 (and in_2/out_2\n"
        "in stereo). It runs on a JACK server, on PipeWire through pw-jack, and under the NSM "
        "session\n"
        "manager.\n"
        "\n"
        "Options:\n"
        "  --mono           one input and one output\n"
        "  --stereo         two of each (the default)\n"
        "  --name CLIENT    the JACK client's name (default %s)\n"
        "  --set NAME=VALUE start with a parameter at a value: a name of one of its positions\n"
        "                   (HighPass=300Hz), a position's number (HighPass=4) or a number with "
        "or\n"
        "                   without its unit (\"Preamp Gain=6 dB\"); repeatable, applied in order\n"
        "  --preset NAME    start from a factory preset (its id or its name)\n"
        "  --state FILE     load the strip's state from FILE at start and save it there on exit;\n"
        "                   a missing FILE is created, a damaged one is refused and left as it is\n"
        "  --connect        connect the inputs to the system's capture ports and the outputs to\n"
        "                   its playback ports (otherwise nothing is connected)\n"
        "  --no-gui         run without the editor until SIGINT or SIGTERM\n"
        "  --version        print the version and exit\n"
        "  --help           print this help and exit\n"
        "\n"
        "Starting values apply in this order: --state, then --preset, then each --set.\n"
        "\n"
        "Parameters:\n",
        name, product.displayName.c_str(), name);
    for (int i = 0; i < adapter.NParams(); ++i) {
        const Param& param = *adapter.GetParam(i);
        std::printf("  %-14s %s\n", param.Name(), DescribeParamValues(param).c_str());
    }
    std::printf("\nPresets:\n");
    for (const StandalonePreset& preset : product.presets) {
        std::printf("  %-18s %s\n", preset.id.c_str(), preset.label.c_str());
    }
    std::printf(
        "\n"
        "Session management:\n"
        "  When NSM_URL is set the program announces itself to the NSM server, keeps its state in\n"
        "  the session (saved when the session is saved, not on exit), tells the server about "
        "unsaved\n"
        "  changes and shows or hides its editor when asked. The client's name is the session's.\n"
        "\n"
        "Environment:\n"
        "  JACK_DEFAULT_SERVER  the JACK server to use (a server is never started)\n"
        "  NSM_URL              the NSM server's OSC address\n"
        "\n"
        "Exit codes:\n"
        "  0 ended by SIGINT, SIGTERM or closing the editor; 1 bad command line; 2 unknown "
        "parameter;\n"
        "  3 value not taken; 4 unknown preset; 5 state file could not be written; 6 no JACK "
        "server;\n"
        "  7 the JACK client or its ports refused; 8 the JACK server went away; 9 the session "
        "manager\n"
        "  refused or never opened a session.\n");
}

std::optional<int> ParseOptions(int argc, char** argv, const StandaloneProduct& product,
                                Options& options, bool& help, bool& version) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--mono") {
            options.channels = 1;
        } else if (arg == "--stereo") {
            options.channels = 2;
        } else if (arg == "--connect") {
            options.connect = true;
        } else if (arg == "--no-gui") {
            options.noGui = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--name" && value(options.name)) {
            if (options.name.empty())
                return Fail(product, kStandaloneBadCommandLine, "--name takes a name");
        } else if (arg == "--set" && value(text)) {
            if (text.find('=') == std::string::npos) {
                return Fail(product, kStandaloneBadCommandLine,
                            "--set takes NAME=VALUE, not '" + text + "'");
            }
            options.sets.push_back(text);
        } else if (arg == "--preset" && value(options.preset)) {
        } else if (arg == "--state" && value(options.statePath)) {
        } else if (arg == "--name" || arg == "--set" || arg == "--preset" || arg == "--state") {
            return Fail(product, kStandaloneBadCommandLine, arg + " needs a value (see --help)");
        } else {
            return Fail(product, kStandaloneBadCommandLine,
                        "unknown option '" + arg + "' (see --help)");
        }
    }
    return std::nullopt;
}

// The starting values of --preset and --set; an exit code when one is refused.
std::optional<int> ApplyStartingValues(const StandaloneProduct& product, const Options& options,
                                       StandaloneAdapter& adapter) {
    if (!options.preset.empty()) {
        const StandalonePreset* found = nullptr;
        std::string known;
        for (const StandalonePreset& preset : product.presets) {
            if (Lower(preset.id) == Lower(options.preset) ||
                Lower(preset.label) == Lower(options.preset)) {
                found = &preset;
            }
            known += (known.empty() ? "" : ", ") + preset.id;
        }
        if (found == nullptr) {
            return Fail(product, kStandaloneUnknownPreset,
                        "no preset '" + options.preset + "'; known: " + known);
        }
        for (int i = 0; i < adapter.NParams() && i < static_cast<int>(found->values.size()); ++i) {
            adapter.SetParamValue(i, found->values[static_cast<std::size_t>(i)]);
        }
    }
    for (const std::string& set : options.sets) {
        const std::size_t equals = set.find('=');
        const std::string name = set.substr(0, equals);
        const int index = FindParamByName(adapter.Params(), name);
        if (index < 0) {
            std::string known;
            for (int i = 0; i < adapter.NParams(); ++i) {
                known += std::string(known.empty() ? "" : ", ") + "\"" +
                         adapter.GetParam(i)->Name() + "\"";
            }
            return Fail(product, kStandaloneUnknownParameter,
                        "unknown parameter '" + name + "' in --set " + set + "; known: " + known);
        }
        std::string why;
        const std::optional<double> value =
            ParseParamText(*adapter.GetParam(index), set.substr(equals + 1), &why);
        if (!value) return Fail(product, kStandaloneBadValue, why + " (--set " + set + ")");
        adapter.SetParamValue(index, *value);
    }
    return std::nullopt;
}

// The state file: loaded at start, written on exit and on a session save
// unless it was refused at start.
class StateFile {
public:
    StateFile(const StandaloneProduct& product, StandaloneAdapter& adapter)
        : mProduct(product), mAdapter(adapter) {}

    void Load(const std::string& path) {
        mPath = path;
        mRefused = false;
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            if (errno == ENOENT) {
                std::printf("%s: no state in '%s' yet; starting on the defaults\n",
                            mProduct.programName.c_str(), path.c_str());
                return;
            }
            Refuse("cannot be read: " + std::string(std::strerror(errno)));
            return;
        }
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
        std::string why;
        if (file.bad()) {
            Refuse("cannot be read");
        } else if (mAdapter.LoadStateBytes(bytes, &why) != StateLoad::Loaded) {
            Refuse("is damaged (" + why + ")");
        }
    }

    // Writes through a temporary file, so a failed write leaves the old state.
    // force: the user asked for this save, so a file refused at start is replaced.
    bool Save(std::string* message, bool force = false) {
        if (mPath.empty()) return true;
        if (mRefused && !force) {
            *message = "'" + mPath + "' was refused at start and is left as it was";
            return false;
        }
        const std::vector<uint8_t> bytes = mAdapter.StateBytes();
        const std::string temporary = mPath + ".new";
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (file.fail() || std::rename(temporary.c_str(), mPath.c_str()) != 0) {
            *message = "cannot write the state file '" + mPath + "': " + std::strerror(errno);
            std::remove(temporary.c_str());
            return false;
        }
        mSavedChanges = mAdapter.ChangeCount();
        mRefused = false;
        return true;
    }

    bool Refused() const { return mRefused; }
    bool InUse() const { return !mPath.empty(); }
    void MarkClean() { mSavedChanges = mAdapter.ChangeCount(); }
    bool Dirty() const { return mAdapter.ChangeCount() != mSavedChanges; }

private:
    void Refuse(const std::string& why) {
        mRefused = true;
        std::fprintf(
            stderr,
            "%s: the state file '%s' %s; starting on the defaults and leaving the file as it is\n",
            mProduct.programName.c_str(), mPath.c_str(), why.c_str());
    }

    const StandaloneProduct& mProduct;
    StandaloneAdapter& mAdapter;
    std::string mPath;
    bool mRefused = false;
    uint64_t mSavedChanges = 0;
};

}  // namespace

int RunStandalone(int argc, char** argv, const StandaloneProduct& product) {
    gQuit.store(false);
    Options options;
    options.name = product.programName;
    bool help = false;
    bool version = false;
    if (const auto code = ParseOptions(argc, argv, product, options, help, version)) return *code;
    if (version) {
        std::printf("%s %s\n", product.programName.c_str(), product.version.c_str());
        return kStandaloneOk;
    }
    // The loop outlives the adapter: the adapter's idle timer runs on it.
    PollRunLoop loop;
    std::unique_ptr<StandaloneAdapter> adapter =
        product.makeAdapter(StandaloneInstanceInfo{options.channels});
    if (help) {
        PrintHelp(product, *adapter);
        return kStandaloneOk;
    }
    const char* nsmUrl = std::getenv("NSM_URL");
    const bool underSession = nsmUrl != nullptr && nsmUrl[0] != '\0';
    if (underSession && !options.statePath.empty()) {
        std::fprintf(
            stderr,
            "%s: under session management the session keeps the state; --state is not used\n",
            product.programName.c_str());
        options.statePath.clear();
    }

    gLoop = &loop;
    SetProcessRunLoop(&loop);
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    // Calls into the JACK library must not fail half-way for a signal.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Leave the loop and the signals as they were, whatever way we return.
    struct Restore {
        ~Restore() {
            signal(SIGINT, SIG_DFL);
            signal(SIGTERM, SIG_DFL);
            SetProcessRunLoop(nullptr);
            gLoop = nullptr;
        }
    } restore;

    StateFile state(product, *adapter);
    if (!options.statePath.empty()) state.Load(options.statePath);
    if (const auto code = ApplyStartingValues(product, options, *adapter)) return *code;

    std::unique_ptr<StandaloneEditor> editor;
    auto showEditor = [&]() {
        if (options.noGui) return false;
        if (!editor && product.makeEditor) editor = product.makeEditor(*adapter);
        if (!editor) {
            std::printf("%s: the editor is not available in this build; running without it\n",
                        product.programName.c_str());
            return false;
        }
        return editor->Show();
    };

    std::unique_ptr<NsmClient> session;
    if (underSession) {
        NsmClient::Hooks hooks;
        hooks.open = [&](const std::string& path, const std::string& clientId,
                         std::string* message) {
            if (!clientId.empty()) options.name = clientId;
            state.Load(path + kStateExtension);
            state.MarkClean();
            if (state.Refused())
                *message = "The saved state was damaged; starting on the defaults.";
            return true;
        };
        hooks.save = [&](std::string* message) { return state.Save(message, true); };
        hooks.showGui = [&]() { return showEditor(); };
        hooks.hideGui = [&]() {
            if (editor) editor->Hide();
            return false;
        };
        std::string error;
        session = NsmClient::Connect(nsmUrl, std::move(hooks), &error);
        if (!session) return Fail(product, kStandaloneSessionFailed, error);
        loop.AddReadableWatch(session->Fd(), [&]() { session->Receive(); });
        session->Announce(product.displayName, argc > 0 ? argv[0] : product.programName);
        // The JACK client takes the session's name, so it waits for the open.
        for (int waited = 0; !session->Opened() && !gQuit.load(); waited += 50) {
            if (session->Refused()) {
                return Fail(
                    product, kStandaloneSessionFailed,
                    "the session manager refused the announcement: " + session->RefusalMessage());
            }
            if (waited >= kSessionOpenTimeoutMs) {
                return Fail(product, kStandaloneSessionFailed,
                            "the session manager opened no session");
            }
            loop.RunOnce(50);
        }
        if (gQuit.load()) return kStandaloneOk;
    }

    std::string error;
    std::unique_ptr<JackClient> client = JackClient::Open(*adapter, options.name, loop, &error);
    if (!client) {
        return Fail(
            product,
            error.rfind("no JACK server", 0) == 0 ? kStandaloneNoServer : kStandaloneClientFailed,
            error);
    }
    if (!client->Activate(&error)) return Fail(product, kStandaloneClientFailed, error);
    if (options.connect) client->ConnectToSystem();
    std::printf("%s: client '%s' running at %.0f Hz, %d frames, latency %d samples\n",
                product.programName.c_str(), client->Name().c_str(), client->SampleRate(),
                client->BufferSize(), adapter->Latency());
    std::fflush(stdout);

    if (!options.noGui && !underSession) showEditor();
    if (session) session->SetGuiShown(editor && editor->IsShown());

    bool closedByUser = false;
    bool closeTold = false;
    loop.AddTimer(kHousekeepingPeriodMs, [&](RunLoop::TimerId) {
        client->FollowLatency();
        if (session) session->SetDirty(state.Dirty());
        const bool closeRequested = editor && editor->CloseRequested();
        if (closeRequested && !closeTold) {
            // Under session management closing only hides the editor.
            if (session) {
                session->SetGuiShown(false);
            } else {
                closedByUser = true;
            }
        }
        closeTold = closeRequested;
    });
    adapter->CreateIdleTimer();
    while (!gQuit.load() && !client->ServerGone() && !closedByUser) loop.RunOnce(1000);

    int code = kStandaloneOk;
    if (client->ServerGone()) {
        const std::string reason = client->ShutdownReason();
        code = Fail(
            product, kStandaloneServerGone,
            "the JACK server went away" + (reason.empty() ? std::string() : " (" + reason + ")"));
    }
    const int64_t xruns = client->Xruns();
    client.reset();
    editor.reset();
    std::printf("%s: %lld xruns\n", product.programName.c_str(), static_cast<long long>(xruns));
    // A session saves when the session is saved; a state file on every exit.
    if (!session && state.InUse()) {
        std::string message;
        if (!state.Save(&message)) {
            const int failed =
                Fail(product, state.Refused() ? code : kStandaloneStateUnwritable, message);
            if (code == kStandaloneOk) code = failed;
        }
    }
    return code;
}
