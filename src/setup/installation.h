#pragma once

// Installing Vireo for one user, upgrading it in place and removing it again: the operations behind
// both the "Vireo Setup" dialog and `vireo-setup --install | --upgrade | --remove`.
//
// An installation is three files in one folder (vireo, picmill, vireo-manual.html), a menu entry
// $XDG_DATA_HOME/applications/quillmark-vireo.desktop with its icons in the hicolor theme, and the
// folder recorded as "Installed Folder" in machine.db beside the user's settings store.

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vireo::setup {

// What an operation came to; each has the message the user is shown.
enum class Outcome {
    InstanceRunning,     // a Vireo runs on this user's settings: nothing was done
    CannotCreateFolder,  // the installation folder could not be made
    CopyFailed,          // the server program could not be written
    Installed,
    Removed,
    CannotDelete,  // the server program could not be deleted: nothing else was removed
    NotInstalled,  // no folder recorded, or no vireo in it: nothing was done
};

// The message for an outcome, lines separated by "\n".
std::string OutcomeMessage(Outcome outcome);
bool Succeeded(Outcome outcome);

// The question asked before anything is removed.
std::string RemoveQuestion();
// Why the installer will not run as root, and what to use instead.
std::string RootRefusal();
// Why a new installation is refused while another one is recorded elsewhere.
std::string AlreadyInstalledMessage(const std::filesystem::path& folder);

// A folder as typed: a leading "~" is the home folder, runs of "/" become one and trailing "/"
// go (the root stays "/"), and a relative folder is taken from the working folder. Empty text
// stays empty.
std::filesystem::path NormalizeFolder(std::string_view typed);

// ~/.local/opt/quillmark/vireo, or nothing when the home folder is unknown.
std::optional<std::filesystem::path> DefaultInstallFolder();

// The recorded installation folder when it holds the server program as a file; nothing otherwise.
std::optional<std::filesystem::path> FindInstallation();

// True when a Vireo (window or `vireo serve`) holds this user's settings store. A window is asked to
// show itself.
bool VireoRuns();

// Writes the installation into `folder` from `payload`, a folder (or Qt resource folder such as
// ":/payload") that holds vireo, picmill, vireo-manual.html and icons/SIZE/quillmark-vireo.EXT.
// Every file goes to a temporary name in its folder first and is then renamed over the old one, so
// a running program can be replaced and no half-written file is ever left under its real name.
// Gives Installed, InstanceRunning, CannotCreateFolder or CopyFailed.
Outcome Install(const std::filesystem::path& folder, const QString& payload);

// Removes the recorded installation: the three files, the folder when that leaves it empty, the
// menu entry and icons named in `payload`, the start-at-log-on entry, the record and the user's
// settings. Gives Removed, InstanceRunning, NotInstalled or CannotDelete.
Outcome Remove(const QString& payload);

}  // namespace vireo::setup
