#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace vireo::testing {

// What a command of the `vireo` program gave back when run in-process.
struct Outcome {
    int exit_code;
    std::string out;
    std::string err;
};

// Runs a command function (RunConfigCommand, RunLogCommand, ...) on the words and collects its output.
template <typename Command>
Outcome RunCommand(Command command, const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    int exit_code = command(args, out, err);
    return {exit_code, out.str(), err.str()};
}

}  // namespace vireo::testing
