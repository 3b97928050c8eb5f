#include <iostream>
#include <string>
#include <vector>

#include "app/config_command.h"
#include "app/log_command.h"
#include "app/serve_command.h"

namespace {

void PrintUsage(std::ostream& out)
{
    out << "Usage: vireo serve            run the web server without a window (Ctrl+C stops it)\n"
           "       vireo config ...       show and change the settings (vireo config help)\n"
           "       vireo log ...          show, search and empty the request logbook (vireo log help)\n";
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "help" || args[0] == "--help") {
        PrintUsage(std::cout);
        return 0;
    }
    if (args[0] == "serve" && args.size() == 1) return vireo::RunServeCommand(std::cout);
    if (args[0] == "config") {
        return vireo::RunConfigCommand(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                                       std::cerr);
    }
    if (args[0] == "log") {
        return vireo::RunLogCommand(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                                    std::cerr);
    }
    std::cerr << "vireo: unknown command \"" << args[0] << "\"\n";
    PrintUsage(std::cerr);
    return 2;
}
