#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vireo {

// `vireo log ...`: the request logbook from a shell. args are the words after "log":
//   show        the whole logbook
//   find TEXT   every record holding TEXT (exact bytes, at least 3 after trimming), once per
//               occurrence; the unfinished last record is left out
//   reset       empties the logbook
// A bad command line gets one line on err ("vireo log: ...") and exit code 2; a logbook that
// cannot be written gives exit code 1. Success is 0.
int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vireo
