// The program under a fake NSM server of the test's own (liblo, UDP), run in
// process on a private dummy JACK server: announce, open, dirty on an
// editor's change, save, show and hide, reopen; and a refused announcement.
// The editor is a stand-in that changes a parameter the way the editor does
// (SendUIParamValue on the program's main loop).
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "../jack_test_support.h"
#include "core/param.h"
#include "core/run_loop.h"
#include "factory_presets.h"
#include "product/channel_parameters.h"
#include "standalone/standalone_app.h"
#include "tarnwhistle.h"

namespace {

namespace fs = std::filesystem;

struct OscMessage {
    std::string path;
    std::vector<std::string> args;  // strings and numbers, as text
};

// The session manager's end: records what the program sends and answers it.
class FakeNsmServer {
public:
    FakeNsmServer() : mServer(lo_server_new_with_proto(nullptr, LO_UDP, nullptr)) {
        lo_server_add_method(mServer, nullptr, nullptr, OnMessage, this);
    }
    ~FakeNsmServer() {
        if (mClient != nullptr) lo_address_free(mClient);
        lo_server_free(mServer);
    }
    std::string Url() const {
        char* url = lo_server_get_url(mServer);
        std::string text = url;
        free(url);
        return text;
    }
    // The next message with this path (earlier ones of other paths are kept);
    // path "" when none came within timeoutMs.
    OscMessage Expect(const std::string& path, int timeoutMs = 5000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (auto it = mReceived.begin(); it != mReceived.end(); ++it) {
                if (it->path == path) {
                    OscMessage found = *it;
                    mReceived.erase(it);
                    return found;
                }
            }
            if (std::chrono::steady_clock::now() > deadline) return {};
            lo_server_recv_noblock(mServer, 20);
        }
    }
    template <typename... Args>
    void Send(const char* path, const char* types, Args... args) {
        lo_send_from(mClient, mServer, LO_TT_IMMEDIATE, path, types, args...);
    }

private:
    static int OnMessage(const char* path, const char* types, lo_arg** argv, int argc,
                         lo_message message, void* self) {
        auto* server = static_cast<FakeNsmServer*>(self);
        // Each start of the program announces from a socket of its own.
        if (server->mClient == nullptr || std::strcmp(path, "/nsm/server/announce") == 0) {
            if (server->mClient != nullptr) lo_address_free(server->mClient);
            char* url = lo_address_get_url(lo_message_get_source(message));
            server->mClient = lo_address_new_from_url(url);
            free(url);
        }
        OscMessage received{path, {}};
        for (int i = 0; i < argc; ++i) {
            // liblo's arguments are 4-byte aligned, less than its union asks for.
            int32_t number = 0;
            if (types[i] == 'i') std::memcpy(&number, argv[i], sizeof number);
            received.args.push_back(types[i] == 's'
                                        ? std::string(reinterpret_cast<const char*>(argv[i]))
                                    : types[i] == 'i' ? std::to_string(number)
                                                      : std::string("?"));
        }
        server->mReceived.push_back(received);
        return 0;
    }

    lo_server mServer;
    lo_address mClient = nullptr;
    std::deque<OscMessage> mReceived;
};

// Stands in for the editor window: shows and hides, and on the program's
// loop sends the parameter change the test asks for, as a knob would.
class StandInEditor final : public StandaloneEditor {
public:
    // A request is parameter * 100 + position; -1 none.
    static int Request(int paramIdx, int position) { return paramIdx * 100 + position; }

    StandInEditor(StandaloneAdapter& adapter, std::atomic<int>& request)
        : mAdapter(adapter), mRequest(request) {
        mTimer = ProcessRunLoop().AddTimer(10, [this](RunLoop::TimerId) {
            const int request = mRequest.exchange(-1);
            if (request < 0) return;
            const int paramIdx = request / 100;
            const Param& param = *mAdapter.GetParam(paramIdx);
            mAdapter.BeginUIParamGesture(paramIdx);
            mAdapter.SendUIParamValue(paramIdx, param.ToNorm(request % 100));
            mAdapter.EndUIParamGesture(paramIdx);
        });
    }
    ~StandInEditor() override { ProcessRunLoop().RemoveTimer(mTimer); }
    bool Show() override { return mShown = true; }
    void Hide() override { mShown = false; }
    bool IsShown() const override { return mShown; }
    bool CloseRequested() const override { return false; }

private:
    StandaloneAdapter& mAdapter;
    std::atomic<int>& mRequest;
    RunLoop::TimerId mTimer = 0;
    bool mShown = false;
};

class NsmSession : public ::testing::Test {
protected:
    void SetUp() override {
        mFolder = fs::temp_directory_path() / ("tw-nsm-" + std::to_string(getpid()));
        fs::create_directories(mFolder);
        mJack = std::make_unique<jack_test::PrivateServer>(mFolder);
        ASSERT_TRUE(mJack->Ready()) << mJack->Log();
        if (UnderSession()) setenv("NSM_URL", mNsm.Url().c_str(), 1);
    }
    virtual bool UnderSession() const { return true; }
    void TearDown() override {
        unsetenv("NSM_URL");
        if (mProgram.joinable()) {
            kill(getpid(), SIGTERM);
            mProgram.join();
        }
    }

    // Runs the program on its own thread, as its main() would.
    void Start() {
        mProduct.programName = "tarnwhistle-jack";
        mProduct.displayName = "Tarnwhistle";
        mProduct.version = "test";
        mProduct.makeAdapter = [this](const StandaloneInstanceInfo& info) {
            std::unique_ptr<StandaloneAdapter> adapter(MakePlug(info));
            mAdapter.store(adapter.get());
            return adapter;
        };
        mProduct.makeEditor = [this](StandaloneAdapter& adapter) {
            return std::unique_ptr<StandaloneEditor>(new StandInEditor(adapter, mEditorRequest));
        };
        mProgram = std::thread([this] {
            char name[] = "tarnwhistle-jack";
            char* argv[] = {name, nullptr};
            mExitCode.store(RunStandalone(1, argv, mProduct));
        });
    }
    // Ends it as NSM does (SIGTERM) and answers its exit code.
    int Quit() {
        kill(getpid(), SIGTERM);
        mProgram.join();
        return mExitCode.load();
    }
    // Announce answered, session opened at path as clientId.
    void Open(const fs::path& path, const std::string& clientId) {
        const OscMessage announce = mNsm.Expect("/nsm/server/announce");
        ASSERT_EQ(announce.args.size(), 6u);
        EXPECT_EQ(announce.args[0], "Tarnwhistle");
        EXPECT_NE(announce.args[1].find(":dirty:"), std::string::npos);
        EXPECT_NE(announce.args[1].find(":optional-gui:"), std::string::npos);
        EXPECT_EQ(announce.args[3], "1");  // API version 1.2
        EXPECT_EQ(announce.args[5], std::to_string(getpid()));
        mNsm.Send("/reply", "ssss", "/nsm/server/announce", "Welcome", "fake-nsm",
                  ":server-control:");
        mNsm.Send("/nsm/client/open", "sss", path.c_str(), "Tarnwhistle", clientId.c_str());
        const OscMessage reply = mNsm.Expect("/reply");
        ASSERT_FALSE(reply.args.empty());
        EXPECT_EQ(reply.args[0], "/nsm/client/open");
    }

    fs::path mFolder;
    std::unique_ptr<jack_test::PrivateServer> mJack;
    FakeNsmServer mNsm;
    StandaloneProduct mProduct;
    std::thread mProgram;
    std::atomic<int> mExitCode{-1};
    std::atomic<StandaloneAdapter*> mAdapter{nullptr};
    std::atomic<int> mEditorRequest{-1};
};

TEST_F(NsmSession, SavesInTheSessionMarksChangesAndShowsTheEditorWhenAsked) {
    const fs::path session = mFolder / "session" / "Tarnwhistle.tw-nsm-a";
    fs::create_directories(session.parent_path());
    fs::remove(session.string() + ".tarnwhistle");
    Start();
    Open(session, "tw-nsm-a");
    EXPECT_EQ(mNsm.Expect("/nsm/client/is_clean").path, "/nsm/client/is_clean");
    EXPECT_EQ(mNsm.Expect("/nsm/client/gui_is_hidden").path, "/nsm/client/gui_is_hidden");
    // The JACK client carries the session's name.
    jack_client_t* client = jack_test::OpenClient("tw-nsm-watch");
    ASSERT_NE(client, nullptr);
    EXPECT_TRUE(jack_test::WaitForPort(client, "tw-nsm-a:in_1"));
    jack_client_close(client);

    mNsm.Send("/nsm/client/show_optional_gui", "");
    EXPECT_EQ(mNsm.Expect("/nsm/client/gui_is_shown").path, "/nsm/client/gui_is_shown");
    mEditorRequest.store(StandInEditor::Request(kHighPass, 3));
    EXPECT_EQ(mNsm.Expect("/nsm/client/is_dirty").path, "/nsm/client/is_dirty");

    mNsm.Send("/nsm/client/save", "");
    const OscMessage saved = mNsm.Expect("/reply");
    ASSERT_FALSE(saved.args.empty());
    EXPECT_EQ(saved.args[0], "/nsm/client/save");
    EXPECT_EQ(mNsm.Expect("/nsm/client/is_clean").path, "/nsm/client/is_clean");
    std::ifstream file(session.string() + ".tarnwhistle", std::ios::binary);
    const std::vector<uint8_t> state{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    ASSERT_EQ(state.size(), 100u);
    double highPass = 0.0;
    std::memcpy(&highPass,
                state.data() + state.size() - (kNumChannelParams - kHighPass) * sizeof(double),
                sizeof highPass);
    EXPECT_EQ(highPass, 3.0);

    mNsm.Send("/nsm/client/hide_optional_gui", "");
    EXPECT_EQ(mNsm.Expect("/nsm/client/gui_is_hidden").path, "/nsm/client/gui_is_hidden");
    EXPECT_EQ(Quit(), 0);

    // Reopened, the session's state is back.
    Start();
    Open(session, "tw-nsm-b");
    EXPECT_EQ(mNsm.Expect("/nsm/client/is_clean").path, "/nsm/client/is_clean");
    ASSERT_NE(mAdapter.load(), nullptr);
    EXPECT_EQ(mAdapter.load()->GetParam(kHighPass)->GetValue(), 3.0);
    EXPECT_EQ(Quit(), 0);
}

// Without a session the editor opens at start; switching oversampling in it
// makes the server take the new latency.
class StandaloneEditorChange : public NsmSession {
protected:
    bool UnderSession() const override { return false; }
};

TEST_F(StandaloneEditorChange, ReportsTheNewLatencyToTheServer) {
    Start();
    jack_client_t* client = jack_test::OpenClient("tw-latency-watch");
    ASSERT_NE(client, nullptr);
    ASSERT_TRUE(jack_test::WaitForPort(client, "tarnwhistle-jack:out_2"));
    auto latencyBecomes = [&](int samples) {
        for (int tries = 0; tries < 100; ++tries) {
            if (jack_test::LatencyOf(client, "tarnwhistle-jack:out_1", JackCaptureLatency) ==
                    std::make_pair(samples, samples) &&
                jack_test::LatencyOf(client, "tarnwhistle-jack:in_2", JackPlaybackLatency) ==
                    std::make_pair(samples, samples)) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    EXPECT_TRUE(latencyBecomes(kStripLatencySamples));
    mEditorRequest.store(StandInEditor::Request(kOversampling, 1));
    EXPECT_TRUE(latencyBecomes(kOversampledStripLatencySamples));
    mEditorRequest.store(StandInEditor::Request(kOversampling, 0));
    EXPECT_TRUE(latencyBecomes(kStripLatencySamples));
    jack_client_close(client);
    EXPECT_EQ(Quit(), 0);
}

TEST_F(NsmSession, EndsWithItsExitCodeWhenTheAnnouncementIsRefused) {
    Start();
    ASSERT_EQ(mNsm.Expect("/nsm/server/announce").path, "/nsm/server/announce");
    mNsm.Send("/error", "sis", "/nsm/server/announce", -2, "Incompatible API version");
    mProgram.join();
    EXPECT_EQ(mExitCode.load(), kStandaloneSessionFailed);
}

}  // namespace
