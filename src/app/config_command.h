#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vireo {

// `vireo config ...`: shows and edits the settings store from a shell. args are the words after
// "config". Output goes to out; a bad command line gets one line on err ("vireo config: ...") and
// exit code 2 with nothing changed; a store that cannot be written gives exit code 1. Success is 0.
int RunConfigCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vireo
