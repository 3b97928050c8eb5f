#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

namespace vireo {

// Runs the server headless until SIGINT or SIGTERM, printing one line per server notice and per
// finished request to out. `port`, when given, stands in for the "listen_port" setting for this run
// (0: a free port the system chooses). Returns 0 after a clean stop and 1 when the server could not
// start.
int RunServeCommand(std::ostream& out, std::optional<std::uint16_t> port = std::nullopt);

}  // namespace vireo
