#pragma once

#include <filesystem>
#include <optional>

namespace vireo {

// Where the program keeps and finds the user's files. Each call reads the environment afresh, so a
// changed HOME or XDG variable applies at once.

// The user's home folder: $HOME, else the password database's entry; nothing when neither is known.
std::optional<std::filesystem::path> GetHomeFolder();
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::optional<std::filesystem::path> GetConfigFolder();
// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::optional<std::filesystem::path> GetDataFolder();
// XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Documents when it exists, else the
// home folder itself.
std::optional<std::filesystem::path> GetDocumentsFolder();
// The full path of the running program file.
std::optional<std::filesystem::path> GetProgramPath();

}  // namespace vireo
