#pragma once

// A TLS client that misbehaves on purpose (hostile_tls_client.py beside this file, run with Debian's
// Python and its ssl module), aimed at a server on a loopback port.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"

namespace vireo::testing {

class HostileTlsClient {
public:
    HostileTlsClient(std::uint16_t port, std::filesystem::path folder)
        : port_(port), folder_(std::move(folder))
    {
    }

    // The path of a new file in the folder that holds `bytes`, for an action that sends them.
    std::string Holding(std::string_view bytes) const
    {
        const std::filesystem::path file = folder_ / ("tls-bytes-" + std::to_string(++files_) + ".bin");
        WriteFile(file, bytes);
        return file.string();
    }

    // The command line of one action with its arguments (see the script for the actions).
    std::vector<std::string> Command(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(),
                         {"/usr/bin/python3", std::string(VIREO_TESTS_SOURCE) + "/site/hostile_tls_client.py",
                          std::to_string(port_)});
        return arguments;
    }
    ProgramResult Run(std::vector<std::string> arguments) const
    {
        return RunProgram(Command(std::move(arguments)));
    }

    // What the server answers to `bytes` sent whole over TLS, until it closes.
    std::string Send(std::string_view bytes) const { return Run({"send", Holding(bytes)}).output; }

private:
    std::uint16_t port_;
    std::filesystem::path folder_;
    mutable int files_ = 0;
};

}  // namespace vireo::testing
