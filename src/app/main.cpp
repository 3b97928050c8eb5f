#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/config_command.h"
#include "app/log_command.h"
#include "app/router_command.h"
#include "app/serve_command.h"
#include "app/window_command.h"
#include "base/ascii_case.h"
#include "base/broken_pipe.h"

namespace {

void PrintUsage(std::ostream& out)
{
    out << "Usage: vireo [auto]           the desktop program; auto: start the server, window hidden\n"
           "       vireo serve [--port N] run the web server without a window (Ctrl+C stops it);\n"
           "                              --port: this port instead of listen_port (0: any free one)\n"
           "       vireo config ...       show and change the settings (vireo config help)\n"
           "       vireo log ...          show, search and empty the request logbook (vireo log help)\n"
           "       vireo router [--gateway A.B.C.D]\n"
           "                              ask the router for this computer's external address (at\n"
           "                              the gateway given, else at each adapter's gateway)\n";
}

// The port of "serve --port N": a decimal number from 0 to 65535.
std::optional<std::uint16_t> ParsePort(const std::string& text)
{
    std::uint16_t port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return port;
}

}  // namespace

int main(int argc, char** argv)
{
    vireo::IgnoreBrokenPipes();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return vireo::RunWindowCommand(argc, argv, false, std::cerr);
    if (args.size() == 1 && vireo::EqualsIgnoreCase(args[0], "auto"))
        return vireo::RunWindowCommand(argc, argv, true, std::cerr);
    if (args[0] == "help" || args[0] == "--help") {
        PrintUsage(std::cout);
        return 0;
    }
    if (args[0] == "serve" && args.size() == 1) return vireo::RunServeCommand(std::cout);
    if (args[0] == "serve" && args.size() == 3 && args[1] == "--port") {
        std::optional<std::uint16_t> port = ParsePort(args[2]);
        if (port) return vireo::RunServeCommand(std::cout, port);
        std::cerr << "vireo: --port takes a number from 0 to 65535\n";
        return 2;
    }
    if (args[0] == "config") {
        return vireo::RunConfigCommand(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                                       std::cerr);
    }
    if (args[0] == "log") {
        return vireo::RunLogCommand(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                                    std::cerr);
    }
    if (args[0] == "router") {
        return vireo::RunRouterCommand(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                                       std::cerr);
    }
    std::cerr << "vireo: unknown command \"" << args[0] << "\"\n";
    PrintUsage(std::cerr);
    return 2;
}
