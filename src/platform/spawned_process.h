#pragma once

#include <sys/types.h>

#include <chrono>
#include <expected>
#include <string>
#include <vector>

#include "base/unique_fd.h"

namespace vireo {

// A program started in a process group of its own. It gets only standard input, output and error,
// all on /dev/null: no other descriptor of this process (listener, visitors' sockets, the settings
// store) reaches it, whichever thread opened them and whether or not they were marked close-on-exec.
// Its signal mask and signal handling start from the defaults. The process is always reaped: an
// object destroyed while its program still runs kills the program's group and waits for it.
class SpawnedProcess {
public:
    // Starts argv[0] with the arguments argv, in the environment of this process; with search_path
    // the program is looked up through PATH. The error is the errno of the failure.
    static std::expected<SpawnedProcess, int> Start(const std::vector<std::string>& argv, bool search_path);

    ~SpawnedProcess();
    SpawnedProcess(SpawnedProcess&& other) noexcept;
    SpawnedProcess& operator=(SpawnedProcess&& other) noexcept;
    SpawnedProcess(const SpawnedProcess&) = delete;
    SpawnedProcess& operator=(const SpawnedProcess&) = delete;

    pid_t pid() const { return pid_; }
    // True once the program has ended; it is reaped then.
    bool Ended();
    // Waits up to `limit` for the program to end, returning as soon as it does; true when it has.
    bool WaitForEnd(std::chrono::milliseconds limit);
    // Waits for the end without a limit.
    void WaitForEnd();
    // Sends the signal to every process of the program's group, as long as the program has not
    // been reaped (after that the group's number may belong to someone else).
    void SignalGroup(int signal_number);

private:
    SpawnedProcess(pid_t pid, UniqueFd exit_watch);
    // Reaps the program if it has ended; blocks until it has with `block`.
    bool Reap(bool block);
    void KillAndReap();

    pid_t pid_ = -1;
    // A descriptor that becomes readable when the program ends (pidfd); empty where the system has
    // none, and the end is then polled for.
    UniqueFd exit_watch_;
    bool reaped_ = true;
};

}  // namespace vireo
