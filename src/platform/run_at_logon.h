#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vireo {

// The log-on start: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/quillmark-vireo.desktop,
// whose command is the running program's path in double quotes followed by " auto".

// True when the entry exists, is not hidden, and its command is the one for the running program,
// compared without regard to letter case. An entry for another copy of the program gives false.
bool IsRunAtLogon();
// Writes the entry for the running program, or removes it. True on success.
bool SetRunAtLogon(bool run);

// How desktop entries (this one, and the installer's menu entry) name a program in their Exec key.
// The program's path as one quoted word of the command, as the entry's reader sees it once the
// file's own escapes are undone: quotes, backquotes, dollars and backslashes escaped, `%` doubled.
std::string QuoteExecProgram(const std::filesystem::path& program);
// A value as a desktop file writes it: each backslash doubled.
std::string EscapeDesktopValue(std::string_view value);

}  // namespace vireo
