#include "content/extensions/program_start.h"

#include <vector>

namespace vireo {

std::string FormatClientAddress(const Ipv4Endpoint& client)
{
    return FormatAddress(client.address) + ":" + std::to_string(client.port);
}

std::expected<SpawnedProcess, int> StartExtensionProgram(const std::string& path,
                                                         const RunnableProgram& runnable,
                                                         std::string_view identifier,
                                                         const Ipv4Endpoint& client)
{
    std::vector<std::string> argv;
    if (!runnable.interpreter.empty()) argv.emplace_back(runnable.interpreter);
    argv.push_back(path);
    argv.emplace_back(identifier);
    argv.push_back(FormatClientAddress(client));
    // Only an interpreter is looked up through PATH; a program file is started by its own path.
    return SpawnedProcess::Start(argv, !runnable.interpreter.empty());
}

}  // namespace vireo
