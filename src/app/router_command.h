#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vireo {

// `vireo router [--gateway A.B.C.D]`: asks the router for this computer's external address, at the
// gateway of each network adapter in turn or at the gateway given. Prints the address and returns
// 0, or prints nothing on out and returns 1 when no router told one; a bad command line gets one
// line on err and 2.
int RunRouterCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vireo
