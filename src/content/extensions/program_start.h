#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "platform/runnable_program.h"
#include "platform/spawned_process.h"

namespace vireo {

// "a.b.c.d:port", the form in which a program is told its visitor.
std::string FormatClientAddress(const Ipv4Endpoint& client);

// Starts the program file at `path` the way `runnable` says, with two arguments: the exchange's
// identifier and the visitor's address. The words go to the program as they are; no shell reads
// them. The error is the errno of the failed start.
std::expected<SpawnedProcess, int> StartExtensionProgram(const std::string& path,
                                                         const RunnableProgram& runnable,
                                                         std::string_view identifier,
                                                         const Ipv4Endpoint& client);

}  // namespace vireo
