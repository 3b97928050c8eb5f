#include "settings/settings_folders.h"

#include "platform/registry.h"
#include "settings/store_values.h"

namespace vireo {

namespace {

// What a folder reads as when nothing is stored.
const FolderSettings kUnset{};

// The folder's own key; nothing for a name that is empty or would reach into another key.
std::optional<std::string> FolderKey(std::string_view folder)
{
    if (folder.empty() || folder.find('\\') != std::string_view::npos) return std::nullopt;
    return std::string(store::kFoldersKey) + '\\' + std::string(folder);
}

bool ReadFlag(std::string_view folder, std::string_view name, bool fallback)
{
    std::optional<std::string> key = FolderKey(folder);
    return key ? store::ReadFlag(*key, name, fallback) : fallback;
}

bool WriteFlag(std::string_view folder, std::string_view name, bool value)
{
    std::optional<std::string> key = FolderKey(folder);
    return key && store::WriteFlag(*key, name, value);
}

std::optional<std::string> ReadText(std::string_view folder, std::string_view name, std::size_t capacity)
{
    std::optional<std::string> key = FolderKey(folder);
    return key ? store::ReadText(*key, name, capacity) : std::nullopt;
}

bool WriteText(std::string_view folder, std::string_view name, std::string_view text)
{
    std::optional<std::string> key = FolderKey(folder);
    return key && store::WriteText(*key, name, text);
}

}  // namespace

std::optional<std::string> EnumFolderName(int index)
{
    return EnumSubkeyName(RegistryRoot::CurrentUser, store::kFoldersKey, index, kFolderNameCapacity);
}

bool FolderExists(std::string_view folder)
{
    std::optional<std::string> key = FolderKey(folder);
    return key && KeyExists(RegistryRoot::CurrentUser, *key);
}

bool DeleteFolder(std::string_view folder)
{
    std::optional<std::string> key = FolderKey(folder);
    return key && DeleteKeyTree(RegistryRoot::CurrentUser, *key);
}

FolderSettings ReadFolder(std::string_view folder)
{
    return FolderSettings{
        .path = GetFolderPath(folder).value_or(""),
        .description = GetFolderDescription(folder),
        .can_browse_subfolders = GetFolderCanBrowseSubfolders(folder),
        .can_post_files = GetFolderCanPostFiles(folder),
        .visible = GetFolderVisible(folder),
        .zip_download = GetFolderZipDownload(folder),
    };
}

bool WriteFolder(std::string_view folder, const FolderSettings& settings)
{
    return ReplaceFolder({}, folder, settings);
}

bool ReplaceFolder(std::string_view old_folder, std::string_view folder, const FolderSettings& settings)
{
    std::optional<std::string> key = FolderKey(folder);
    if (!key) return false;
    RegistryEdit edit;
    if (!old_folder.empty()) {
        std::optional<std::string> old_key = FolderKey(old_folder);
        if (!old_key) return false;
        edit.RemoveTree(*old_key);
    }
    edit.WriteString(*key, "folder", settings.path);
    edit.WriteString(*key, "desc", settings.description);
    edit.WriteDword(*key, "canbrowsesubfld", settings.can_browse_subfolders);
    edit.WriteDword(*key, "canpostfiles", settings.can_post_files);
    edit.WriteDword(*key, "Visible", settings.visible);
    edit.WriteDword(*key, "zipDownload", settings.zip_download);
    return edit.Commit(RegistryRoot::CurrentUser);
}

std::optional<std::string> GetFolderPath(std::string_view folder)
{
    return ReadText(folder, "folder", kFolderPathCapacity);
}

bool SetFolderPath(std::string_view folder, std::string_view path)
{
    return WriteText(folder, "folder", path);
}

std::string GetFolderDescription(std::string_view folder)
{
    return ReadText(folder, "desc", kFolderDescriptionCapacity).value_or("");
}

bool SetFolderDescription(std::string_view folder, std::string_view description)
{
    return WriteText(folder, "desc", description);
}

bool GetFolderCanBrowseSubfolders(std::string_view folder)
{
    return ReadFlag(folder, "canbrowsesubfld", kUnset.can_browse_subfolders);
}
bool SetFolderCanBrowseSubfolders(std::string_view folder, bool allow)
{
    return WriteFlag(folder, "canbrowsesubfld", allow);
}
bool GetFolderCanPostFiles(std::string_view folder)
{
    return ReadFlag(folder, "canpostfiles", kUnset.can_post_files);
}
bool SetFolderCanPostFiles(std::string_view folder, bool allow)
{
    return WriteFlag(folder, "canpostfiles", allow);
}
bool GetFolderVisible(std::string_view folder)
{
    return ReadFlag(folder, "Visible", kUnset.visible);
}
bool SetFolderVisible(std::string_view folder, bool visible)
{
    return WriteFlag(folder, "Visible", visible);
}
bool GetFolderZipDownload(std::string_view folder)
{
    return ReadFlag(folder, "zipDownload", kUnset.zip_download);
}
bool SetFolderZipDownload(std::string_view folder, bool allow)
{
    return WriteFlag(folder, "zipDownload", allow);
}

}  // namespace vireo
