#pragma once

#include <ostream>

namespace vireo {

// Runs the server headless until SIGINT or SIGTERM, printing one line per server notice and per
// finished request to out. Returns 0 after a clean stop and 1 when the server could not start.
int RunServeCommand(std::ostream& out);

}  // namespace vireo
