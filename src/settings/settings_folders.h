#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vireo {

// A virtual folder's settings, stored in the subkey of "Software\QUILLMARK\Vireo\Folders" named
// by its URL name; the member defaults are those of a folder with nothing stored.
struct FolderSettings {
    std::string path;                    // "folder": the local directory (empty: it does not resolve)
    std::string description;             // "desc"
    bool can_browse_subfolders = false;  // "canbrowsesubfld"
    bool can_post_files = false;         // "canpostfiles"
    bool visible = true;                 // "Visible"
    bool zip_download = false;           // "zipDownload"

    bool operator==(const FolderSettings&) const = default;
};

// Reader buffer sizes, terminating zero included.
inline constexpr std::size_t kFolderNameCapacity = 49;
inline constexpr std::size_t kFolderPathCapacity = 260;
inline constexpr std::size_t kFolderDescriptionCapacity = 81;

// The index-th folder's URL name, in name order; nothing past the end.
std::optional<std::string> EnumFolderName(int index);
bool FolderExists(std::string_view folder);
// Removes the folder's subkey and everything below it.
bool DeleteFolder(std::string_view folder);

// All six values at once; a folder that does not exist reads as the defaults with an empty path.
FolderSettings ReadFolder(std::string_view folder);
// Writes all six values in one transaction: a reader sees either the old folder or the new one.
bool WriteFolder(std::string_view folder, const FolderSettings& settings);
// Stores the folder under `folder` after deleting the entry `old_folder` (the folder dialog's edit,
// which may rename), all in one transaction: a failure leaves the old entry as it was, and no other
// program sees the folder missing or twice. An empty `old_folder` adds a folder.
bool ReplaceFolder(std::string_view old_folder, std::string_view folder, const FolderSettings& settings);

std::optional<std::string> GetFolderPath(std::string_view folder);
bool SetFolderPath(std::string_view folder, std::string_view path);
std::string GetFolderDescription(std::string_view folder);
bool SetFolderDescription(std::string_view folder, std::string_view description);
bool GetFolderCanBrowseSubfolders(std::string_view folder);
bool SetFolderCanBrowseSubfolders(std::string_view folder, bool allow);
bool GetFolderCanPostFiles(std::string_view folder);
bool SetFolderCanPostFiles(std::string_view folder, bool allow);
bool GetFolderVisible(std::string_view folder);
bool SetFolderVisible(std::string_view folder, bool visible);
bool GetFolderZipDownload(std::string_view folder);
bool SetFolderZipDownload(std::string_view folder, bool allow);

}  // namespace vireo
