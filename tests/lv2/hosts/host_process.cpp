#include "host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

}  // namespace

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

HostProcess::HostProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment,
                         const std::filesystem::path& folder, const std::string& name)
    : mOut(folder / (name + ".out")), mErr(folder / (name + ".err")) {
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        bool replaced = false;
        for (const std::string& added : environment) replaced |= NameOf(added) == NameOf(*e);
        if (!replaced) env.emplace_back(*e);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, mOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, mErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (posix_spawnp(&mPid, args[0].c_str(), &actions, &attributes, argp.data(), envp.data()) !=
        0) {
        mPid = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

HostProcess::~HostProcess() {
    Stop();
}

// Ended without reaping it, so the group id cannot be reused before the
// group has had its SIGKILL.
bool HostProcess::Ended() {
    if (mPid <= 0) return true;
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(mPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == mPid;
}

void HostProcess::Reap() {
    kill(-mPid, SIGKILL);  // anything the program left running in its group
    int status = 0;
    waitpid(mPid, &status, 0);
    mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    mPid = -1;
}

bool HostProcess::Running() {
    if (mPid <= 0) return false;
    if (!Ended()) return true;
    Reap();
    return false;
}

int HostProcess::Wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return mExitCode == kNotEnded ? -1 : mExitCode;
}

void HostProcess::Stop(int graceMs) {
    if (mPid <= 0) return;
    kill(-mPid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    while (!Ended() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Reap();
}

std::string HostProcess::Out() const {
    return ReadText(mOut);
}

std::string HostProcess::Err() const {
    return ReadText(mErr);
}
