#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vireo::testing {

// A program run by a test with its standard output and error collected through one pipe. The
// program is killed and reaped at destruction if it is still running.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // The next line of output, without its line end; nothing when the time runs out or output ends.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Everything still to come until the program closes its output.
    std::string ReadRest(std::chrono::milliseconds limit = std::chrono::seconds(10));
    void Signal(int signal_number);
    // The exit code, or nothing when the program did not end in time or ended by a signal.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    bool Fill(std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    int output_ = -1;
    std::string pending_;
    bool reaped_ = false;
};

// Runs a program to its end and returns its exit code and output.
struct ProgramResult {
    int exit_code = -1;
    std::string output;
};
ProgramResult RunProgram(const std::vector<std::string>& argv);

}  // namespace vireo::testing
