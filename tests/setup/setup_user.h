#pragma once

// vireo-setup refuses root, and the tests run as root on the build machines: there the programs
// under test run as "nobody" through setpriv (util-linux), in the test's private home handed over
// to that user. Run by anyone else, they run as that user.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace vireo::testing {

class SetupUser {
public:
    // `home`: the test's private home, which the programs write into.
    explicit SetupUser(std::filesystem::path home);
    ~SetupUser();
    SetupUser(const SetupUser&) = delete;
    SetupUser& operator=(const SetupUser&) = delete;

    static bool TestRunsAsRoot();
    uid_t uid() const { return uid_; }

    // The command line that runs `program` with `args` as this user, after the home (and whatever
    // the test wrote into it as root) is handed to the user.
    std::vector<std::string> Command(const std::string& program, const std::vector<std::string>& args);
    // vireo-setup with these words, run to its end.
    ProgramResult Setup(const std::vector<std::string>& args);
    // The same with `answer` as its standard input.
    ProgramResult SetupAnswering(const std::vector<std::string>& args, const std::string& answer);

    // The programs, where this user can run them.
    const std::string& setup_binary() const { return setup_binary_; }
    const std::string& vireo_binary() const { return vireo_binary_; }

private:
    std::filesystem::path home_;
    uid_t uid_;
    gid_t gid_;
    std::filesystem::path copies_;
    std::string setup_binary_;
    std::string vireo_binary_;
};

}  // namespace vireo::testing
