#pragma once

namespace vireo {

// The log-on start: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/quillmark-vireo.desktop,
// whose command is the running program's path in double quotes followed by " auto".

// True when the entry exists, is not hidden, and its command is the one for the running program,
// compared without regard to letter case. An entry for another copy of the program gives false.
bool IsRunAtLogon();
// Writes the entry for the running program, or removes it. True on success.
bool SetRunAtLogon(bool run);

}  // namespace vireo
