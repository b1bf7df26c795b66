#pragma once
// Outside programs a test starts as a user would (an LV2 host, its audio
// server), each in a process group of its own so that stopping it also ends
// whatever it started: a failing test leaves no process behind.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// [main] Whether an executable of this name is on PATH.
bool OnPath(const std::string& program);

class HostProcess {
public:
    // [main] Starts argv[0] (looked up on PATH) in `folder` with the test's
    // environment plus `environment` ("NAME=value", replacing a variable of
    // that name), standard input from /dev/null, standard output and error
    // into <folder>/<name>.out and .err.
    HostProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                const std::filesystem::path& folder, const std::string& name);
    // [main] Stop().
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // [main] False when the program could not be started.
    bool Started() const { return mPid > 0 || mExitCode != kNotEnded; }
    // [main] Whether it still runs (an ended one is reaped).
    bool Running();
    // [main] The exit code once it ended within timeoutMs; -1 when it is
    // still running or was ended by a signal.
    int Wait(int timeoutMs);
    // [main] SIGTERM to its process group, SIGKILL to the group after
    // graceMs; returns once the program is reaped.
    void Stop(int graceMs = 3000);
    // [main] What it wrote so far.
    std::string Out() const;
    std::string Err() const;

private:
    static constexpr int kNotEnded = -2;
    bool Ended();
    void Reap();

    std::filesystem::path mOut, mErr;
    pid_t mPid = -1;
    int mExitCode = kNotEnded;
};
