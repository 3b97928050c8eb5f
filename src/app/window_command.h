#pragma once

#include <ostream>

namespace vireo {

// The desktop program: the main window, and the tray icon where the desktop has a tray. One per
// settings store: a second start shows the running window and returns 0; beside a `vireo serve`
// on the same store it says so and returns 1. `auto_start` starts the server with the window
// hidden. Returns when the program ends (the window closed with the server stopped, Quit from the
// tray, SIGTERM or SIGINT).
int RunWindowCommand(int argc, char** argv, bool auto_start, std::ostream& err);

}  // namespace vireo
